// The benchmarks' phone-camera photo: a 6000x4000 JPEG. Spread 4: a clean
// daylight photo (about 1.4 MB); 24: a grainy one (about 7 MB).
#pragma once

#include "../tests/support/photo.h"

#include <QString>

inline void writeBenchPhoto(const QString &file, int noise)
{
    if (!paintPhoto(6000, 4000, noise).save(file, "JPG", 90))
        qFatal("cannot write the benchmark photo");
}
