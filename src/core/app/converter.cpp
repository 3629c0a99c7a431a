#include "app/converter.h"

#include "platform/hiddenprocess.h"
#include "platform/host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

QString pictureTitleOf(const QString &picturePath)
{
    if (picturePath.isEmpty())
        return QString();
    return QFileInfo(picturePath).completeBaseName();
}

QString convertedPicturePath(const QString &startDir, const QString &outputExt)
{
    return QDir(startDir).filePath(QStringLiteral("a.") + outputExt);
}

QString converterInputFor(const QByteArray &pictureHead)
{
    if (pictureHead.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("jpg:-");
    if (pictureHead.startsWith("BM"))
        return QStringLiteral("bmp:-");
    return QStringLiteral("-");
}

QString converterOutputFor(const QString &outputPath)
{
    const QFileInfo info(outputPath);
    QString path = QDir::cleanPath(info.absoluteFilePath());
    path.replace(QLatin1Char('%'), QStringLiteral("%%"));
    const QString coder = info.suffix();
    return coder.isEmpty() ? path : coder + QLatin1Char(':') + path;
}

QStringList converterLimitArguments()
{
    using namespace converterlimits;
    const QString side = QString::number(kMaxSide);
    return {QStringLiteral("-limit"), QStringLiteral("memory"), QLatin1String(kMemory),
            QStringLiteral("-limit"), QStringLiteral("map"),    QLatin1String(kMap),
            QStringLiteral("-limit"), QStringLiteral("disk"),   QLatin1String(kDisk),
            QStringLiteral("-limit"), QStringLiteral("area"),   QString::number(kMaxArea),
            QStringLiteral("-limit"), QStringLiteral("width"),  side,
            QStringLiteral("-limit"), QStringLiteral("height"), side,
            QStringLiteral("-limit"), QStringLiteral("thread"), QLatin1String(kThreads)};
}

QSize sampledSize(const QSize &picture, qint32 width, qint32 height)
{
    if (picture.isEmpty())
        return picture;
    double scale = double(width) / picture.width();
    if (scale > double(height) / picture.height())
        scale = double(height) / picture.height();
    const auto round = [scale](int side) { return std::max(int(std::floor(scale * side + 0.5)), 1); };
    return QSize(round(picture.width()), round(picture.height()));
}

bool decodeReduced(const QSize &picture, qint32 width, qint32 height)
{
    using namespace converterlimits;
    if (width <= 0 || height <= 0 || !picture.isValid())
        return false;
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    return w >= 2 * qint64(width) && h >= 2 * qint64(height) && w <= kMaxSide && h <= kMaxSide
           && w * h <= kMaxArea;
}

QStringList imageMagickArguments(qint32 width, qint32 height, const QByteArray &pictureHead,
                                 const QSize &pictureSize, const QString &outputPath)
{
    QStringList args = converterLimitArguments();
    const QString input = converterInputFor(pictureHead);
    QString size = QString::asprintf("%dx%d", width, height);
    if (input == QLatin1String("jpg:-") && decodeReduced(pictureSize, width, height)) {
        // libjpeg scales while it decodes, by eighths, to no less than this.
        args << QStringLiteral("-define")
             << QStringLiteral("jpeg:size=%1x%2").arg(2 * qint64(width)).arg(2 * qint64(height));
        // The reduced picture's sides are rounded up on their own, so its
        // aspect ratio may be off by a pixel: name the exact size instead.
        const QSize sampled = sampledSize(pictureSize, width, height);
        size = QString::asprintf("%dx%d!", sampled.width(), sampled.height());
    }
    args << QStringLiteral("-sample") << size << input << converterOutputFor(outputPath);
    return args;
}

QByteArray pictureHeadOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(16);
}

QSize pictureSizeOf(const QString &path)
{
    return QImageReader(path).size();
}

bool isPickableFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

bool convertedCopyUsable(const hiddenprocess::RunResult &run, const QString &outputPath)
{
    const QFileInfo output(outputPath);
    return run.succeeded() && output.isFile() && output.size() > 0;
}

QString converterPathFor(const QString &startDir, const ConverterLookup &lookup)
{
    if (lookup.windows)
        return QDir::toNativeSeparators(QDir(startDir).filePath(QStringLiteral("convert.exe")));
    if (lookup.findOnPath) {
        for (const char *name : {"magick", "convert"}) {
            const QString found = lookup.findOnPath(QLatin1String(name));
            if (!found.isEmpty())
                return found;
        }
    }
    return QString();
}

QStringList absolutePathEntries(const QString &pathVariable)
{
    QStringList entries;
    for (const QString &entry : pathVariable.split(QDir::listSeparator())) {
        if (!entry.isEmpty() && QDir::isAbsolutePath(entry))
            entries << entry;
    }
    return entries;
}

ConverterLookup systemConverterLookup()
{
    ConverterLookup lookup;
    lookup.windows = host::isWindows();
    lookup.findOnPath = [](const QString &name) {
        const QStringList folders = absolutePathEntries(qEnvironmentVariable("PATH"));
        // No folders would make Qt search the default PATH, relative entries included.
        return folders.isEmpty() ? QString() : QStandardPaths::findExecutable(name, folders);
    };
    return lookup;
}

QString conversionFailureText(Conversion outcome, std::chrono::milliseconds timeLimit)
{
    switch (outcome) {
    case Conversion::Converted:
        break;
    case Conversion::NoSuchFile:
        return QStringLiteral("This picture does not exist.");
    case Conversion::NotAFile:
        return QStringLiteral("This is not a picture file but a folder or a device.");
    case Conversion::NoConverter:
        return QStringLiteral(
            "ImageMagick is not installed, so the picture cannot be converted for your phone.");
    case Conversion::TimedOut:
        return QStringLiteral("Converting this picture took longer than %1 seconds, so it was stopped.")
            .arg((timeLimit.count() + 999) / 1000);
    case Conversion::CannotWrite:
        return QStringLiteral("The converted picture cannot be written to Pictovane's working folder.");
    case Conversion::Unreadable:
        return QStringLiteral("This picture could not be converted for your phone.");
    }
    return QString();
}

Conversion convertPictureForPhone(const QString &picturePath, const QString &outputPath, qint32 width,
                                  qint32 height, const QString &converterPath, const ConverterRunner &runner)
{
    // No copy of an earlier pick may survive to be sent under this name.
    QFile::remove(outputPath);
    const QFileInfo picture(picturePath);
    Conversion outcome = Conversion::Converted;
    if (!picture.exists())
        outcome = Conversion::NoSuchFile;
    // A pipe or a device is never opened: the open alone could wait for good.
    else if (!isPickableFile(picturePath))
        outcome = Conversion::NotAFile;
    else if (!picture.isReadable())
        outcome = Conversion::Unreadable;
    else if (QFileInfo::exists(outputPath) || !QFileInfo(QFileInfo(outputPath).absolutePath()).isWritable())
        outcome = Conversion::CannotWrite;
    else if (converterPath.isEmpty())
        outcome = Conversion::NoConverter;
    else {
        const QStringList arguments = imageMagickArguments(width, height, pictureHeadOf(picturePath),
                                                           pictureSizeOf(picturePath), outputPath);
        const hiddenprocess::RunResult run = runner(converterPath, arguments, picturePath);
        if (!run.started)
            outcome = Conversion::NoConverter;
        else if (run.timedOut)
            outcome = Conversion::TimedOut;
        else if (!convertedCopyUsable(run, outputPath))
            outcome = Conversion::Unreadable;
    }
    // Whatever a failed run left is no copy of this pick.
    if (outcome != Conversion::Converted)
        QFile::remove(outputPath);
    return outcome;
}
