// Pictures the conversion tests make and compare: an orientation tag put
// into a JPEG, files written by ImageMagick itself, and the distance between
// two pictures.
#pragma once

#include "testfiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// ImageMagick's own convert, or empty when it is not installed.
inline QString imageMagick()
{
    const QString magick = QStandardPaths::findExecutable(QStringLiteral("magick"));
    return magick.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("convert")) : magick;
}

// A 640x480 photo-like JPEG; returns its path.
inline QString writePhoto(const QString &path)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    QPainter(&image).fillRect(0, 0, 320, 240, Qt::red);
    if (!image.save(path, "JPG"))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline bool imageMagickFound()
{
    return !imageMagick().isEmpty();
}

// Runs ImageMagick; ends the test run when it fails, as the reference is
// then missing.
inline void runMagick(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(imageMagick(), arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        qFatal("ImageMagick failed: %s", qPrintable(arguments.join(QLatin1Char(' '))));
}

inline QByteArray encodedPicture(const QImage &image, const char *format, int quality = 95)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality))
        qFatal("cannot encode %s", format);
    return bytes;
}

// The JPEG with an EXIF block right after its start that holds only the
// orientation tag (1 to 8), as a camera writes it.
inline QByteArray withOrientation(const QByteArray &jpeg, quint16 orientation)
{
    QByteArray exif("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24);
    exif += char(orientation >> 8);
    exif += char(orientation & 0xFF);
    exif += QByteArray(6, '\0'); // padding, then no next directory
    const int length = exif.size() + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment += char(length >> 8);
    segment += char(length & 0xFF);
    return jpeg.left(2) + segment + exif + jpeg.mid(2);
}

// Mean absolute difference per channel of two pictures of one size; -1
// when their sizes differ.
inline double meanDifference(const QImage &a, const QImage &b)
{
    if (a.isNull() || a.size() != b.size())
        return -1;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}
