// A picture that decodes like a photo rather than a flat colour: a diagonal
// gradient, a shape, and sensor-like noise of the given spread (0: none).
// The noise sets how much of a JPEG is entropy-coded detail, which every
// decode must read in full, however small its result.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

inline QImage paintPhoto(int width, int height, int noise = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter p(&image);
        QLinearGradient g(0, 0, width, height);
        g.setColorAt(0, QColor(30, 80, 160));
        g.setColorAt(1, QColor(240, 190, 60));
        p.fillRect(image.rect(), g);
        p.setBrush(QColor(40, 150, 70));
        p.drawEllipse(QRect(width / 6, height / 5, width * 5 / 12, height / 2));
    }
    if (noise <= 0)
        return image;
    QRandomGenerator rng(42);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(rng.bounded(unsigned(noise) + 1)) - noise / 2;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255),
                           qBound(0, qBlue(c) + n, 255));
        }
    }
    return image;
}

// One-pixel black and white columns: any resampling smears them into grey.
inline QImage paintStripes(const QSize &size)
{
    QImage stripes(size, QImage::Format_RGB32);
    for (int x = 0; x < size.width(); ++x)
        for (int y = 0; y < size.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return stripes;
}

// How many of the `count` pixels rightwards from `from` are near black or white.
inline int sharpPixels(const QImage &shot, QPoint from, int count)
{
    int sharp = 0;
    for (int x = 0; x < count; ++x) {
        const int grey = qGray(shot.pixel(from.x() + x, from.y()));
        sharp += grey < 30 || grey > 225;
    }
    return sharp;
}

// A landscape picture on a plain light background, with a saturated red
// disc near its right edge (`subject`) or nothing at all: Fill centred on a
// portrait phone shows none of the disc.
inline QImage paintSubject(bool subject)
{
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(QColor(216, 216, 208));
    if (subject) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(224, 32, 32));
        p.drawEllipse(QPointF(700, 300), 60, 60);
    }
    return image;
}

// Pixels of that disc in `copy`.
inline int subjectPixels(const QImage &copy)
{
    int count = 0;
    for (int y = 0; y < copy.height(); ++y)
        for (int x = 0; x < copy.width(); ++x) {
            const QRgb p = copy.pixel(x, y);
            count += qRed(p) > 150 && qGreen(p) < 90 && qBlue(p) < 90;
        }
    return count;
}
