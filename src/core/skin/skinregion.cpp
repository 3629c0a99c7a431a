#include "skin/skinregion.h"

#include <algorithm>
#include <vector>

QRegion BuildRegionFromMask(const QImage &mask, QRgb transparentColour)
{
    const bool rgb32 = mask.format() == QImage::Format_RGB32 || mask.format() == QImage::Format_ARGB32;
    const QImage image = rgb32 ? mask : mask.convertToFormat(QImage::Format_RGB32);
    const auto kept = [transparent = transparentColour & 0xFFFFFF](QRgb pixel) {
        return (pixel & 0xFFFFFF) != transparent;
    };
    // One rectangle per run, rows top-down and runs left to right, and a row
    // like the one above only makes that band taller: the banded list QRegion
    // keeps, so it is handed over whole instead of merged rectangle by rectangle.
    std::vector<QRect> runs;
    size_t band = 0;
    for (int y = 0; y < image.height(); ++y) {
        const size_t row = runs.size();
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int start = x;
            while (x < image.width() && kept(pixels[x]))
                ++x;
            if (x > start)
                runs.emplace_back(start, y, x - start, 1);
        }
        const auto sameColumns = [](const QRect &a, const QRect &b) {
            return a.left() == b.left() && a.right() == b.right();
        };
        if (y > 0 && runs.size() - row == row - band
            && std::equal(runs.begin() + row, runs.end(), runs.begin() + band, sameColumns)) {
            runs.resize(row);
            for (size_t i = band; i < row; ++i)
                runs[i].setBottom(y);
        } else {
            band = row;
        }
    }
    QRegion region;
    if (!runs.empty())
        region.setRects(runs.data(), int(runs.size()));
    return region;
}
