// The benchmarks' phone-camera photo: a 6000x4000 JPEG with gradients, a
// shape and sensor-like noise of the given spread, so that it decodes like a
// photo rather than a flat colour. The noise sets how much of the file is
// entropy-coded detail, which every decode must read in full, however small
// its result. Spread 4: a clean daylight photo (about 1.4 MB); 24: a grainy
// one (about 7 MB).
#pragma once

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QString>

inline void writeBenchPhoto(const QString &file, int noise)
{
    QImage image(6000, 4000, QImage::Format_RGB32);
    {
        QPainter p(&image);
        QLinearGradient g(0, 0, 6000, 4000);
        g.setColorAt(0, QColor(30, 80, 160));
        g.setColorAt(1, QColor(240, 190, 60));
        p.fillRect(image.rect(), g);
        p.setBrush(QColor(40, 150, 70));
        p.drawEllipse(QRect(1000, 800, 2500, 2000));
    }
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
    if (!image.save(file, "JPG", 90))
        qFatal("cannot write the benchmark photo");
}
