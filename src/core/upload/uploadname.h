#pragma once

#include <QByteArray>

#include <cstdint>

// Seeds the process-wide generator with `nowSeconds` and makes the name the
// server stores the upload under: the decimal draw plus ".bmp", ".jpg" or
// ".gif" for wallpaper types 0 to 2, the bare digits for any other. The
// multipart boundary is drawn later from the same sequence.
QByteArray makeUploadFileName(std::uint32_t nowSeconds, qint32 wallpaperType);
