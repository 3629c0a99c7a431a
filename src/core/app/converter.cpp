#include "core/app/converter.h"

#include "core/app/attention.h"
#include "core/app/wallpapertype.h"
#include "core/platform/hiddenprocess.h"
#include "core/platform/host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QStandardPaths>
#include <QStorageInfo>

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

QString pictureCoderFor(const QByteArray &head)
{
    const auto at = [&head](qsizetype offset, const char *bytes) {
        return head.mid(offset).startsWith(QByteArray(bytes));
    };
    if (head.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("jpeg");
    if (head.startsWith("BM"))
        return QStringLiteral("bmp");
    if (head.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("png");
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return QStringLiteral("gif");
    if (head.startsWith("RIFF") && at(8, "WEBP"))
        return QStringLiteral("webp");
    if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4)))
        return QStringLiteral("tiff");
    if (at(4, "ftyp") && head.size() >= 12) {
        // An ISO media file: its brands say which. The box's own length
        // bounds the list of compatible brands.
        const auto u8 = [&head](int i) { return quint32(quint8(head[i])); };
        const qsizetype boxEnd =
            std::min<qsizetype>(head.size(), u8(0) << 24 | u8(1) << 16 | u8(2) << 8 | u8(3));
        QList<QByteArray> brands{head.mid(8, 4)};
        for (qsizetype i = 16; i + 4 <= boxEnd; i += 4)
            brands << head.mid(i, 4);
        if (brands.contains("avif") || brands.contains("avis"))
            return QStringLiteral("avif");
        for (const char *brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
            if (brands.contains(brand))
                return QStringLiteral("heic");
    }
    return QString();
}

QStringList browseNameFilters()
{
    // The names the formats taken go by.
    static const char *const extensions[] = {"jpg",  "jpeg", "jpe",  "bmp", "png", "webp",
                                             "heic", "heif", "avif", "gif", "tif", "tiff"};
    QStringList patterns;
    for (const char *extension : extensions) {
        const QString lower = QLatin1String(extension);
        patterns << QStringLiteral("*.") + lower << QStringLiteral("*.") + lower.toUpper();
    }
    return {QStringLiteral("All pictures (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'),
            QStringLiteral("JPG Files(*.jpg)"), QStringLiteral("Bitmap Files (*.bmp)")};
}

QString converterInputFor(const QByteArray &pictureHead)
{
    const QString coder = pictureCoderFor(pictureHead);
    if (coder.isEmpty())
        return QString();
    // An animation's first frame is the picture.
    return coder + (coder == QLatin1String("gif") ? QStringLiteral(":-[0]") : QStringLiteral(":-"));
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

bool wallpaperProfileUsable(qint32 wallpaperType, qint32 width, qint32 height)
{
    return wallpaperTypeFor(wallpaperType) && wallpaperSizeUsable(QSize(width, height));
}

bool wallpaperSizeUsable(const QSize &screen)
{
    using namespace converterlimits;
    return screen.width() >= 1 && screen.height() >= 1 && screen.width() <= kMaxSide
           && screen.height() <= kMaxSide && qint64(screen.width()) * screen.height() <= kMaxArea;
}

QString workingCopyPath(const QString &outputPath)
{
    return QFileInfo(outputPath).dir().filePath(QStringLiteral("a.ppm"));
}

QSize workingCopyBound(const QSize &picture, const QSize &screen)
{
    if (picture.isEmpty() || screen.isEmpty())
        return picture;
    const double area = double(picture.width()) * picture.height();
    const double cover =
        std::max(double(screen.width()) / picture.width(), double(screen.height()) / picture.height());
    double scale = std::min(1.0, cover * kWorkingZoom);
    scale = std::min(scale, std::max(cover, std::sqrt(kWorkingPixels / area)));
    scale = std::min(scale, 1.0);
    return QSize(std::max(1, int(std::ceil(picture.width() * scale))),
                 std::max(1, int(std::ceil(picture.height() * scale))));
}

bool decodeReduced(const QSize &picture, const QSize &bound)
{
    using namespace converterlimits;
    if (bound.isEmpty() || !picture.isValid())
        return false;
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    return w >= 2 * qint64(bound.width()) && h >= 2 * qint64(bound.height()) && w <= kMaxSide && h <= kMaxSide
           && w * h <= kMaxArea;
}

PictureFacts pictureFactsOf(const QString &path)
{
    PictureFacts facts;
    facts.head = pictureHeadOf(path);
    QImageReader reader(path);
    facts.storedSize = reader.size();
    facts.turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    return facts;
}

QStringList workingCopyArguments(const PictureFacts &picture, const QSize &screen, const QString &workPath)
{
    QStringList args = converterLimitArguments();
    const QString input = converterInputFor(picture.head);
    const QSize upright = picture.turned ? picture.storedSize.transposed() : picture.storedSize;
    const QSize bound = workingCopyBound(upright, screen);
    if (input.startsWith(QLatin1String("jpeg:")) && decodeReduced(upright, bound)) {
        // libjpeg scales while it decodes, by eighths, to no less than this;
        // it sees the picture as stored, before it is turned upright.
        const QSize stored = picture.turned ? bound.transposed() : bound;
        args << QStringLiteral("-define")
             << QStringLiteral("jpeg:size=%1x%2").arg(stored.width()).arg(stored.height());
    }
    args << input << QStringLiteral("-auto-orient");
    if (bound.isValid() && bound != upright)
        args << QStringLiteral("-resize") << QStringLiteral("%1x%2>").arg(bound.width()).arg(bound.height());
    args << QStringLiteral("-background") << QStringLiteral("black") << QStringLiteral("-alpha")
         << QStringLiteral("remove") << QStringLiteral("-depth") << QStringLiteral("8")
         << converterOutputFor(workPath);
    return args;
}

QStringList phoneCopyArguments(const QSize &workingSize, const QSize &screen, const FrameView &view,
                               const QString &outputPath)
{
    const FrameRects r = frameRects(workingSize, screen, view);
    const QRect s = r.source, t = r.target;
    const auto crop = [](const QRect &rect) {
        return QStringLiteral("%1x%2+%3+%4").arg(rect.width()).arg(rect.height()).arg(rect.x()).arg(rect.y());
    };
    const auto size = [](const QSize &size, const char *flag = "!") {
        return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()) + QLatin1String(flag);
    };
    QStringList args = converterLimitArguments() << QStringLiteral("ppm:-");
    if (view.framing == Framing::Blur) {
        // The backdrop, then the whole picture over it where Fit puts it.
        const Backdrop b = backdropOf(workingSize, screen);
        args << QStringLiteral("(") << QStringLiteral("-clone") << QStringLiteral("0")
             << QStringLiteral("-crop") << crop(b.source) << QStringLiteral("+repage")
             << QStringLiteral("-resize") << size(b.reduced) << QStringLiteral("-blur")
             << QStringLiteral("0x%1").arg(b.sigma) << QStringLiteral("-resize") << size(screen)
             << QStringLiteral("-evaluate") << QStringLiteral("multiply") << QString::number(kBackdropShade)
             << QStringLiteral(")") << QStringLiteral("(") << QStringLiteral("-clone") << QStringLiteral("0")
             << QStringLiteral("-crop") << crop(s) << QStringLiteral("+repage") << QStringLiteral("-resize")
             << size(t.size()) << QStringLiteral(")") << QStringLiteral("-delete") << QStringLiteral("0")
             << QStringLiteral("-geometry") << QStringLiteral("+%1+%2").arg(t.x()).arg(t.y())
             << QStringLiteral("-composite");
    } else {
        args << QStringLiteral("-crop") << crop(s) << QStringLiteral("+repage") << QStringLiteral("-resize")
             << size(t.size()) << QStringLiteral("-background") << QStringLiteral("black")
             << QStringLiteral("-extent")
             << QStringLiteral("%1x%2-%3-%4").arg(screen.width()).arg(screen.height()).arg(t.x()).arg(t.y());
    }
    const QString format = QFileInfo(outputPath).suffix();
    // ImageMagick's dithering fills a 128 MiB colour table on every write,
    // most of a change of framing's time; an adaptive palette of 256 without
    // it is as close to the picture (only smooth gradients show steps).
    if (format == QLatin1String("gif"))
        args << QStringLiteral("+dither") << QStringLiteral("-colors") << QStringLiteral("256");
    // Light for old phones and slow links: baseline (some cannot decode
    // progressive), colour at half resolution, Huffman tables fitted to the
    // picture, no metadata. At 88 the luma SSIM is within 0.002 to 0.011 of
    // 92 at 4:4:4 for 0.44 to 0.64 of the bytes; 85 lost 0.012 on a real
    // photo already at 240 x 320 (bench/jpeg-settings).
    if (format == QLatin1String("jpg"))
        args << QStringLiteral("-strip") << QStringLiteral("-interlace") << QStringLiteral("none")
             << QStringLiteral("-sampling-factor") << QStringLiteral("4:2:0") << QStringLiteral("-define")
             << QStringLiteral("jpeg:optimize-coding=true") << QStringLiteral("-quality")
             << QString::number(kJpegQuality);
    return args << converterOutputFor(outputPath);
}

QByteArray pictureHeadOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(64);
}

bool isPickableFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

bool isTakenPicture(const QString &path)
{
    return isPickableFile(path) && !pictureCoderFor(pictureHeadOf(path)).isEmpty();
}

bool convertedCopyUsable(const hiddenprocess::RunResult &run, const QString &outputPath, const QSize &screen)
{
    if (!run.succeeded() || !QFileInfo(outputPath).isFile())
        return false;
    static const QHash<QString, QByteArray> formats{
        {QStringLiteral("bmp"), "bmp"}, {QStringLiteral("jpg"), "jpeg"}, {QStringLiteral("gif"), "gif"}};
    QImageReader reader(outputPath);
    reader.setDecideFormatFromContent(true);
    if (reader.format() != formats.value(QFileInfo(outputPath).suffix()) || reader.size() != screen)
        return false;
    const QImage copy = reader.read();
    return !copy.isNull() && copy.size() == screen;
}

QString converterPathFor(const ConverterLookup &lookup)
{
    if (lookup.windows)
        return QDir::toNativeSeparators(QDir(lookup.startFolder).filePath(QStringLiteral("convert.exe")));
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
    lookup.startFolder = QDir::currentPath();
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
    case Conversion::Stopped:
        return QStringLiteral("Converting the picture was stopped.");
    case Conversion::CannotWrite:
        return QStringLiteral("The converted picture cannot be written to Pictovane's working folder.");
    case Conversion::Unreadable:
        return QStringLiteral("This picture could not be converted for your phone.");
    }
    return QString();
}

namespace {

hiddenprocess::RunResult runConverter(const ConverterCall &converter, const QStringList &arguments,
                                      const QString &input)
{
    hiddenprocess::HiddenRun run(converter.path, arguments, converter.folder, input);
    return run.wait(converter.timeLimit, converter.wait);
}

// What stops a conversion into `outputPath` before the converter is asked.
Conversion cannotStart(const QString &outputPath, const QString &converterPath)
{
    if (QFileInfo::exists(outputPath) || !QFileInfo(QFileInfo(outputPath).absolutePath()).isWritable())
        return Conversion::CannotWrite;
    if (converterPath.isEmpty())
        return Conversion::NoConverter;
    return Conversion::Converted;
}

// How a run into `outputPath` ended, when its output is judged `usable`
// afterwards and needs about `bytesNeeded`.
Conversion ranTo(const hiddenprocess::RunResult &run, const std::function<bool()> &usable,
                 const QString &outputPath, qint64 bytesNeeded)
{
    if (!run.started)
        return Conversion::NoConverter;
    if (run.timedOut)
        return Conversion::TimedOut;
    if (run.stopped)
        return Conversion::Stopped;
    if (usable())
        return Conversion::Converted;
    // What was half written goes first, or it would fill what is measured.
    QFile::remove(outputPath);
    const QStorageInfo folder(QFileInfo(outputPath).absolutePath());
    return failedRunOutcome(folder.isValid() ? folder.bytesAvailable() : -1, bytesNeeded);
}

// Pixels of three bytes, and room for a header or a palette.
qint64 copyBytes(const QSize &size)
{
    return 3 * qint64(std::max(0, size.width())) * std::max(0, size.height()) + 4096;
}

} // namespace

Conversion failedRunOutcome(qint64 bytesFree, qint64 bytesNeeded)
{
    return bytesFree >= 0 && bytesFree < bytesNeeded ? Conversion::CannotWrite : Conversion::Unreadable;
}

Conversion makeWorkingCopy(const QString &picturePath, const QString &workPath, const QSize &screen,
                           const ConverterCall &converter)
{
    // No copy of an earlier pick may survive to be framed for this one.
    QFile::remove(workPath);
    const QFileInfo picture(picturePath);
    Conversion outcome = Conversion::Converted;
    PictureFacts facts;
    if (!picture.exists())
        outcome = Conversion::NoSuchFile;
    // A pipe or a device is never opened: the open alone could wait for good.
    else if (!isPickableFile(picturePath))
        outcome = Conversion::NotAFile;
    else if (!picture.isReadable() || screen.isEmpty()
             || converterInputFor((facts = pictureFactsOf(picturePath)).head).isEmpty())
        outcome = Conversion::Unreadable; // a format not taken never reaches the converter
    else if ((outcome = cannotStart(workPath, converter.path)) == Conversion::Converted) {
        const hiddenprocess::RunResult run =
            runConverter(converter, workingCopyArguments(facts, screen, workPath), picturePath);
        const QSize upright = facts.turned ? facts.storedSize.transposed() : facts.storedSize;
        outcome = ranTo(
            run, [&] { return run.succeeded() && !QImageReader(workPath, "ppm").size().isEmpty(); }, workPath,
            copyBytes(workingCopyBound(upright, screen)));
    }
    if (outcome != Conversion::Converted)
        QFile::remove(workPath);
    return outcome;
}

Conversion framePhoneCopy(const QString &workPath, const QString &outputPath, const QSize &screen,
                          const FrameView &view, const ConverterCall &converter)
{
    // No copy of another pick or framing may survive to be sent.
    QFile::remove(outputPath);
    const QSize working = QImageReader(workPath, "ppm").size();
    Conversion outcome = Conversion::Unreadable;
    if (!screen.isEmpty() && !working.isEmpty()
        && (outcome = cannotStart(outputPath, converter.path)) == Conversion::Converted) {
        const QStringList arguments = phoneCopyArguments(working, screen, view, outputPath);
        const hiddenprocess::RunResult run = runConverter(converter, arguments, workPath);
        outcome = phoneCopyOutcome(run, outputPath, screen);
    }
    // Whatever a failed run left is no copy of this pick.
    if (outcome != Conversion::Converted)
        QFile::remove(outputPath);
    return outcome;
}

QString reframedCopyPath(const QString &outputPath)
{
    const QFileInfo output(outputPath);
    return output.dir().filePath(QStringLiteral("next-") + output.fileName());
}

Conversion phoneCopyOutcome(const hiddenprocess::RunResult &run, const QString &outputPath,
                            const QSize &screen)
{
    return ranTo(
        run, [&] { return convertedCopyUsable(run, outputPath, screen); }, outputPath, copyBytes(screen));
}

Conversion convertPictureForPhone(const QString &picturePath, const QString &outputPath, qint32 width,
                                  qint32 height, Framing framing, const ConverterCall &converter)
{
    QFile::remove(outputPath);
    const QSize screen(width, height);
    const QString work = workingCopyPath(outputPath);
    const Conversion made = wallpaperSizeUsable(screen)
                                ? makeWorkingCopy(picturePath, work, screen, converter)
                                : Conversion::Unreadable;
    if (made != Conversion::Converted)
        return made;
    const QPointF suggested = framing == Framing::Fill ? suggestedCentre(work, screen) : QPointF(0.5, 0.5);
    return framePhoneCopy(work, outputPath, screen, startingView(framing, suggested), converter);
}
