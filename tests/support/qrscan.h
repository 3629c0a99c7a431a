// Reads a QR code back with zbarimg, a decoder independent of the one that
// drew it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

inline bool zbarimgFound()
{
    return !QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty();
}

// The text of the one code in `image`; empty when none was found.
inline QByteArray scanQrCode(const QImage &image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("code.png"));
    if (!image.save(path, "PNG"))
        return {};
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), path});
    if (!zbar.waitForFinished(30000) || zbar.exitCode() != 0)
        return {};
    QByteArray text = zbar.readAllStandardOutput();
    if (text.endsWith('\n'))
        text.chop(1);
    return text;
}
