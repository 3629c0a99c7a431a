#include "skin/skinregion.h"

#include <algorithm>
#include <vector>

namespace {

constexpr QRgb kColourBits = 0x00FFFFFF;

// Scan lines in one 32-bit layout, so a row is compared word by word.
QImage asRgb32(const QImage &mask)
{
    if (mask.format() == QImage::Format_RGB32 || mask.format() == QImage::Format_ARGB32)
        return mask;
    return mask.convertToFormat(QImage::Format_RGB32);
}

// Calls sink(x0, x1) for every run [x0, x1) of non-transparent pixels of one row.
template <typename Sink> void forEachRun(const QRgb *row, int width, QRgb transparent, Sink &&sink)
{
    int x = 0;
    while (x < width) {
        while (x < width && (row[x] & kColourBits) == transparent)
            ++x;
        if (x == width)
            break;
        const int start = x;
        while (x < width && (row[x] & kColourBits) != transparent)
            ++x;
        sink(start, x);
    }
}

} // namespace

QList<QRect> maskRectangles(const QImage &mask, QRgb transparentColour)
{
    QList<QRect> rects;
    if (mask.isNull())
        return rects;
    const QImage image = asRgb32(mask);
    const QRgb transparent = transparentColour & kColourBits;
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        forEachRun(row, image.width(), transparent,
                   [&](int x0, int x1) { rects.append(QRect(x0, y, x1 - x0, 1)); });
    }
    return rects;
}

QRegion BuildRegionFromMask(const QImage &mask, QRgb transparentColour)
{
    if (mask.isNull())
        return QRegion();
    const QImage image = asRgb32(mask);
    const QRgb transparent = transparentColour & kColourBits;
    const int width = image.width();

    // The same runs as maskRectangles(), but rows with equal runs are merged
    // into one band as they are found. That yields the banded rectangle list
    // QRegion keeps internally, so it is handed over in one piece instead of
    // being merged rectangle by rectangle. Top-down order is what QRegion wants;
    // the set of pixels is the same whichever way the rows are walked.
    std::vector<QRect> bands;
    std::vector<int> runs, previous;
    size_t bandStart = 0;
    for (int y = 0; y < image.height(); ++y) {
        runs.clear();
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        forEachRun(row, width, transparent, [&](int x0, int x1) {
            runs.push_back(x0);
            runs.push_back(x1);
        });
        if (!runs.empty() && runs == previous && bandStart < bands.size() && bands.back().bottom() == y - 1) {
            for (size_t i = bandStart; i < bands.size(); ++i)
                bands[i].setBottom(y);
        } else {
            bandStart = bands.size();
            for (size_t i = 0; i < runs.size(); i += 2)
                bands.emplace_back(QPoint(runs[i], y), QPoint(runs[i + 1] - 1, y));
        }
        std::swap(runs, previous);
    }
    QRegion region;
    if (!bands.empty())
        region.setRects(bands.data(), static_cast<int>(bands.size()));
    return region;
}
