#include "app/converter.h"

#include "platform/hiddenprocess.h"
#include "platform/host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

QStringList converterArguments(qint32 width, qint32 height, const QString &picturePath,
                               const QString &outputPath)
{
    return {QStringLiteral("-sample"), QString::asprintf("%dx%d", width, height),
            QDir::cleanPath(QFileInfo(picturePath).absoluteFilePath()),
            QDir::cleanPath(QFileInfo(outputPath).absoluteFilePath())};
}

QString converterCommandLine(const QString &converterPath, const QStringList &arguments)
{
    QString line = QLatin1Char('"') + QDir::toNativeSeparators(converterPath) + QStringLiteral("\"  ");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(' ');
        // The two paths are quoted; the option and the size are not.
        if (i >= 2)
            line += QLatin1Char('"') + QDir::toNativeSeparators(arguments.at(i)) + QLatin1Char('"');
        else
            line += arguments.at(i);
    }
    return line;
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

QStringList imageMagickArguments(qint32 width, qint32 height, const QByteArray &pictureHead,
                                 const QString &outputPath)
{
    return {QStringLiteral("-sample"), QString::asprintf("%dx%d", width, height),
            converterInputFor(pictureHead), converterOutputFor(outputPath)};
}

QByteArray pictureHeadOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(16);
}

bool convertedCopyUsable(const hiddenprocess::RunResult &run, const QString &outputPath)
{
    const QFileInfo output(outputPath);
    return run.succeeded() && output.isFile() && output.size() > 0;
}

QString converterPathFor(const QString &startDir, const ConverterLookup &lookup)
{
    const QDir start(startDir);
    if (lookup.windows)
        return QDir::toNativeSeparators(start.filePath(QStringLiteral("convert.exe")));

    const QString local = start.filePath(QStringLiteral("convert"));
    if (lookup.isExecutableFile && lookup.isExecutableFile(local))
        return local;
    if (lookup.findOnPath) {
        for (const char *name : {"magick", "convert"}) {
            const QString found = lookup.findOnPath(QLatin1String(name));
            if (!found.isEmpty())
                return found;
        }
    }
    return QString();
}

ConverterLookup systemConverterLookup()
{
    ConverterLookup lookup;
    lookup.windows = host::isWindows();
    lookup.isExecutableFile = [](const QString &path) {
        const QFileInfo info(path);
        return info.isFile() && info.isExecutable();
    };
    lookup.findOnPath = [](const QString &name) { return QStandardPaths::findExecutable(name); };
    return lookup;
}
