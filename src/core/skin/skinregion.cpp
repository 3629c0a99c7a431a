#include "skin/skinregion.h"

#include <QtAlgorithms>
#include <QtEndian>

#include <algorithm>
#include <cstring>
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

namespace {

// One row as a bit set, bit x set where pixel x is part of the button, in
// 64-bit words; bits past the row's end are clear. No branch per pixel, so
// a busy mask cannot stall the loop; a 1-bit mask is read a byte at a time.
void readRowBits(const QImage &image, int y, QRgb transparent, quint64 *words)
{
    const int width = image.width();
    const size_t wordCount = size_t((width + 63) / 64);
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
        // Eight pixels a byte: which of the two colours is the button's
        // decides what a bit means.
        const QList<QRgb> table = image.colorTable();
        const auto opaque = [&](int i) {
            return i < table.size() && (table[i] & kColourBits) != transparent;
        };
        const quint64 ifClear = opaque(0) ? ~quint64(0) : 0;
        const quint64 ifSet = opaque(1) ? ~quint64(0) : 0;
        const bool msbFirst = image.format() == QImage::Format_Mono;
        const uchar *row = image.constScanLine(y);
        const size_t bytes = size_t((width + 7) / 8);
        for (size_t w = 0; w < wordCount; ++w) {
            uchar chunk[8] = {};
            std::memcpy(chunk, row + w * 8, std::min<size_t>(8, bytes - w * 8));
            quint64 v = qFromLittleEndian<quint64>(chunk);
            if (msbFirst) {
                // Mirror the bits of all eight bytes at once.
                v = (v >> 1 & 0x5555555555555555ull) | (v & 0x5555555555555555ull) << 1;
                v = (v >> 2 & 0x3333333333333333ull) | (v & 0x3333333333333333ull) << 2;
                v = (v >> 4 & 0x0F0F0F0F0F0F0F0Full) | (v & 0x0F0F0F0F0F0F0F0Full) << 4;
            }
            words[w] = (v & ifSet) | (~v & ifClear);
        }
        if (width % 64)
            words[wordCount - 1] &= (quint64(1) << (width % 64)) - 1;
        return;
    }
    const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    for (int base = 0; base < width; base += 64) {
        const int n = std::min(64, width - base);
        quint64 bits = 0;
        for (int b = 0; b < n; ++b)
            bits |= quint64((row[base + b] & kColourBits) != transparent) << b;
        words[base / 64] = bits;
    }
}

// Calls sink(x0, x1) for every run [x0, x1) of set bits.
template <typename Sink> void forEachBitRun(const quint64 *words, size_t wordCount, int width, Sink &&sink)
{
    int start = -1;
    for (size_t i = 0; i < wordCount; ++i) {
        const quint64 w = words[i];
        if (start < 0 ? w == 0 : w == ~quint64(0))
            continue;
        const int base = int(i) * 64;
        int b = 0;
        while (b < 64) {
            const quint64 rest = (start < 0 ? w : ~w) >> b;
            if (rest == 0)
                break;
            b += int(qCountTrailingZeroBits(rest));
            if (start < 0) {
                start = base + b;
            } else {
                sink(start, base + b);
                start = -1;
            }
        }
    }
    if (start >= 0)
        sink(start, width);
}

} // namespace

QRegion BuildRegionFromMask(const QImage &mask, QRgb transparentColour)
{
    if (mask.isNull())
        return QRegion();
    const bool mono = mask.format() == QImage::Format_Mono || mask.format() == QImage::Format_MonoLSB;
    const QImage image = mono ? mask : asRgb32(mask);
    const QRgb transparent = transparentColour & kColourBits;
    const int width = image.width();
    const int height = image.height();

    // The same runs as maskRectangles(), but a row equal to the one above only
    // makes the band above taller. That is the banded rectangle list QRegion
    // keeps internally, so it is handed over in one piece instead of merged
    // rectangle by rectangle; QRegion wants it top-down, and the pixels are
    // the same whichever way the rows are walked. The rows are read first, to
    // count the rectangles: for a busy mask the list outgrows the mask, and
    // one allocation beats growing it.
    const size_t wordsPerRow = size_t((width + 63) / 64);
    std::vector<quint64> all(wordsPerRow * size_t(height));
    std::vector<char> sameAsAbove(size_t(height), 0);
    size_t count = 0;
    for (int y = 0; y < height; ++y) {
        quint64 *row = all.data() + wordsPerRow * size_t(y);
        readRowBits(image, y, transparent, row);
        if (y > 0 && std::equal(row, row + wordsPerRow, row - wordsPerRow)) {
            sameAsAbove[size_t(y)] = 1;
            continue;
        }
        quint64 carry = 0;
        for (size_t i = 0; i < wordsPerRow; ++i) {
            // A run starts at each set bit whose left neighbour is clear.
            count += size_t(qPopulationCount(row[i] & ~((row[i] << 1) | carry)));
            carry = row[i] >> 63;
        }
    }

    std::vector<QRect> bands;
    bands.reserve(count);
    size_t bandStart = 0;
    for (int y = 0; y < height; ++y) {
        if (sameAsAbove[size_t(y)]) {
            for (size_t i = bandStart; i < bands.size(); ++i)
                bands[i].setBottom(y);
            continue;
        }
        bandStart = bands.size();
        const quint64 *row = all.data() + wordsPerRow * size_t(y);
        forEachBitRun(row, wordsPerRow, width,
                      [&](int x0, int x1) { bands.emplace_back(QPoint(x0, y), QPoint(x1 - 1, y)); });
    }
    QRegion region;
    if (!bands.empty())
        region.setRects(bands.data(), static_cast<int>(bands.size()));
    return region;
}
