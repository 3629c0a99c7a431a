#include "core/skin/skinregion.h"

#include <QBitmap>

QRegion BuildRegionFromMask(const QImage &mask, QRgb transparentColour)
{
    if (mask.isNull())
        return QRegion();
    // Compared as opaque RGB, so alpha plays no part. Qt's mask of the
    // transparent colour, read as a bitmap, leaves the other pixels in the region.
    const QImage opaque =
        mask.format() == QImage::Format_RGB32 ? mask : mask.convertToFormat(QImage::Format_RGB32);
    return QRegion(
        QBitmap::fromImage(opaque.createMaskFromColor(transparentColour | 0xFF000000u, Qt::MaskInColor)));
}
