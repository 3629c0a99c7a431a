// The benchmarks' phone-camera photo: a 6000x4000 JPEG. Spread 4: a clean
// daylight photo (about 1.4 MB); 24: a grainy one (about 7 MB).
#pragma once

#include "../tests/support/photo.h"

#include <QApplication>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

inline void writeBenchPhoto(const QString &file, int noise)
{
    if (!paintPhoto(6000, 4000, noise).save(file, "JPG", 90))
        qFatal("cannot write the benchmark photo");
}

// main() of a benchmark on photos: widgets offscreen unless a display is
// named, and `folder` pointing at a temporary folder while they run.
inline int runPhotoBenchmarks(int argc, char **argv, QTemporaryDir *&folder)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    folder = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    folder = nullptr;
    return 0;
}
