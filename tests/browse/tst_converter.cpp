#include "core/app/PhoneProfile.h"
#include "core/app/converter.h"
#include "core/platform/host.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(FrameView)

class ConverterTest : public QObject
{
    Q_OBJECT

private slots:
    void pictureTitle_data();
    void pictureTitle();
    void outputPathIsInTheFolder();
    void relativeOutputBecomesAbsolute();
    void outputIsLiteralForImageMagick_data();
    void outputIsLiteralForImageMagick();
    void converterChoice_data();
    void converterChoice();
    void onlyAbsolutePathEntries_data();
    void onlyAbsolutePathEntries();
    void currentFolderIsNeverSearched();
    void limitsBoundEveryResource();
    void formatFromFirstBytes_data();
    void formatFromFirstBytes();
    void everyPictureUnderTheFirstFilter_data();
    void everyPictureUnderTheFirstFilter();
    void fullFolderIsNoUnreadablePicture_data();
    void fullFolderIsNoUnreadablePicture();
    void profileValues_data();
    void profileValues();
    void workingCopyCommand_data();
    void workingCopyCommand();
    void phoneCopyCommand();
    void framingRectangles_data();
    void framingRectangles();
    void panAndZoomLimits_data();
    void panAndZoomLimits();
    void framingNames();
};

void ConverterTest::pictureTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "/pics/beach.jpg"
                           << "beach";
    QTest::newRow("only the last extension goes") << "/pics/photo.final.jpg"
                                                  << "photo.final";
    QTest::newRow("upper-case extension") << "/pics/IMG_0001.JPG"
                                          << "IMG_0001";
    QTest::newRow("no extension") << "/pics/scan"
                                  << "scan";
    QTest::newRow("dotted folder") << "/my.pics/scan"
                                   << "scan";
    QTest::newRow("spaces") << "/my pictures/day at the beach.bmp"
                            << "day at the beach";
    QTest::newRow("unicode") << "/картинки/café ✓.jpg"
                             << "café ✓";
    QTest::newRow("nothing picked") << ""
                                    << "";
}

void ConverterTest::pictureTitle()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(pictureTitleOf(path), title);
}

// Which extension each wallpaper type takes is tested with the profile.
void ConverterTest::outputPathIsInTheFolder()
{
    QTemporaryDir start;
    const QString path = convertedPicturePath(start.path(), QStringLiteral("gif"));
    QCOMPARE(path, start.path() + QStringLiteral("/a.gif"));
}

void ConverterTest::relativeOutputBecomesAbsolute()
{
    // A name starting with a dash must never reach the converter bare.
    QTemporaryDir tmp;
    const QString old = QDir::currentPath();
    QDir::setCurrent(tmp.path());
    const QString output = converterOutputFor(QStringLiteral("-rf.gif"));
    QDir::setCurrent(old);
    QCOMPARE(output, QStringLiteral("gif:") + QDir(tmp.path()).filePath(QStringLiteral("-rf.gif")));
}

void ConverterTest::outputIsLiteralForImageMagick_data()
{
    // Paths below the root, which is "/" or a drive.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("coder");
    QTest::addColumn<QString>("literal");
    QTest::newRow("plain") << "start/a.gif"
                           << "gif:"
                           << "start/a.gif";
    QTest::newRow("percent d") << "100%d/x%%y/a.jpg"
                               << "jpg:"
                               << "100%%d/x%%%%y/a.jpg";
    QTest::newRow("coder-like folder") << "png:x/[0]/a.bmp"
                                       << "bmp:"
                                       << "png:x/[0]/a.bmp";
    QTest::newRow("no extension, no coder") << "start/a."
                                            << ""
                                            << "start/a.";
}

void ConverterTest::outputIsLiteralForImageMagick()
{
    QFETCH(QString, path);
    QFETCH(QString, coder);
    QFETCH(QString, literal);
    QCOMPARE(converterOutputFor(QDir::rootPath() + path), coder + QDir::rootPath() + literal);
}

void ConverterTest::converterChoice_data()
{
    QTest::addColumn<bool>("windows");
    QTest::addColumn<QStringList>("onPath"); // programs PATH leads to
    QTest::addColumn<QString>("expected");
    QTest::newRow("Windows: convert.exe where it was started, even if absent")
        << true << QStringList{"/usr/bin/magick"}
        << QDir::toNativeSeparators(QDir::current().filePath("convert.exe"));
    QTest::newRow("magick before convert on PATH")
        << false << QStringList{"/usr/bin/convert", "/usr/bin/magick"} << "/usr/bin/magick";
    QTest::newRow("convert on PATH") << false << QStringList{"/usr/bin/convert"} << "/usr/bin/convert";
    QTest::newRow("none at all") << false << QStringList{} << "";
}

void ConverterTest::converterChoice()
{
    QFETCH(bool, windows);
    QFETCH(QStringList, onPath);
    QFETCH(QString, expected);
    // Where the test was started: the folder current at the lookup.
    ConverterLookup lookup = systemConverterLookup();
    lookup.windows = windows;
    lookup.findOnPath = [&](const QString &name) {
        const QString path = QStringLiteral("/usr/bin/") + name;
        return onPath.contains(path) ? path : QString();
    };
    QCOMPARE(converterPathFor(lookup), expected);
}

void ConverterTest::onlyAbsolutePathEntries_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("searched");
    QTest::newRow("absolute ones kept in order")
        << "/usr/local/bin:/usr/bin" << QStringList{"/usr/local/bin", "/usr/bin"};
    QTest::newRow("empty entries are the current folder")
        << ":/usr/bin::/bin:" << QStringList{"/usr/bin", "/bin"};
    QTest::newRow("relative entries") << ".:bin:./tools:/usr/bin" << QStringList{"/usr/bin"};
    QTest::newRow("nothing") << "" << QStringList{};
}

void ConverterTest::onlyAbsolutePathEntries()
{
    QFETCH(QString, path);
    QFETCH(QStringList, searched);
    if (host::isWindows())
        QSKIP("PATH is separated by ';' there");
    QCOMPARE(absolutePathEntries(path), searched);
}

// The system lookup never runs a program from the current folder, however
// PATH names it.
void ConverterTest::currentFolderIsNeverSearched()
{
    if (host::isWindows())
        QSKIP("the converter sits beside the program there");
    QTemporaryDir current;
    for (const char *name : {"magick", "convert"}) {
        QFile f(current.filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.setPermissions(f.permissions() | QFile::ExeOwner);
    }
    const QString oldCurrent = QDir::currentPath();
    const QByteArray oldPath = qgetenv("PATH");
    QDir::setCurrent(current.path());
    qputenv("PATH", ":.:bin");
    const QString found = converterPathFor(systemConverterLookup());
    qputenv("PATH", oldPath);
    QDir::setCurrent(oldCurrent);
    QCOMPARE(found, QString());
}

void ConverterTest::limitsBoundEveryResource()
{
    const QStringList expected{"-limit", "memory", "1GiB",   "-limit", "map",       "1GiB",   "-limit",
                               "disk",   "1GiB",   "-limit", "area",   "128000000", "-limit", "width",
                               "32000",  "-limit", "height", "32000",  "-limit",    "thread", "2"};
    QCOMPARE(converterLimitArguments(), expected);
}

void ConverterTest::formatFromFirstBytes_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QString>("input"); // empty: refused before the converter runs
    const auto iso = [](const char *major, const QByteArray &compatible) {
        QByteArray box("\0\0\0\0ftyp", 8);
        box += major;
        box += QByteArray(4, '\0') + compatible;
        box[3] = char(box.size());
        return box + QByteArray("\0\0\0\x08meta", 8);
    };
    QTest::newRow("JPEG") << QByteArray("\xFF\xD8\xFF\xE1", 4) << "jpeg:-";
    QTest::newRow("bitmap") << QByteArray("BM\x36\0", 4) << "bmp:-";
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1A\n\0\0", 10) << "png:-";
    QTest::newRow("GIF89a: its first frame") << QByteArray("GIF89a\x10\0") << "gif:-[0]";
    QTest::newRow("GIF87a") << QByteArray("GIF87a\x10\0") << "gif:-[0]";
    QTest::newRow("WebP") << QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16) << "webp:-";
    QTest::newRow("TIFF, Intel") << QByteArray("II*\0\x08\0", 6) << "tiff:-";
    QTest::newRow("TIFF, Motorola") << QByteArray("MM\0*\0\0", 6) << "tiff:-";
    QTest::newRow("HEIC") << iso("heic", "mif1heic") << "heic:-";
    QTest::newRow("HEIF by its compatible brand") << iso("mif1", "heic") << "heic:-";
    QTest::newRow("AVIF") << iso("avif", "avifmif1miaf") << "avif:-";
    QTest::newRow("AVIF behind mif1") << iso("mif1", "miafavif") << "avif:-";
    QTest::newRow("MP4 video") << iso("isom", "isomavc1") << "";
    QTest::newRow("brand past the box's end") << iso("isom", "").left(16) + "heic"
                                              << "";
    QTest::newRow("SVG") << QByteArray("<svg xmlns=\"http") << "";
    QTest::newRow("XML (SVG, MSL)") << QByteArray("<?xml version=\"1") << "";
    QTest::newRow("MVG") << QByteArray("push graphic-con") << "";
    QTest::newRow("PostScript") << QByteArray("%!PS-Adobe-3.0") << "";
    QTest::newRow("text") << QByteArray("just some notes\n") << "";
    QTest::newRow("a URL") << QByteArray("https://example.org/x.jpg") << "";
    QTest::newRow("RIFF but a sound") << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << "";
    QTest::newRow("GIF of no known version") << QByteArray("GIF90a\x10\0") << "";
    QTest::newRow("empty") << QByteArray() << "";
}

void ConverterTest::formatFromFirstBytes()
{
    QFETCH(QByteArray, head);
    QFETCH(QString, input);
    QCOMPARE(converterInputFor(head), input);
}

void ConverterTest::everyPictureUnderTheFirstFilter_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shown");
    QTest::newRow("a camera's upper case") << "IMG_0001.JPG" << true;
    QTest::newRow("jpeg spelt out") << "photo.jpeg" << true;
    QTest::newRow("a screenshot, upper case") << "Screenshot.PNG" << true;
    QTest::newRow("a phone's HEIC") << "phone.heic" << true;
    QTest::newRow("text") << "notes.txt" << false;
}

void ConverterTest::everyPictureUnderTheFirstFilter()
{
    QFETCH(QString, name);
    QFETCH(bool, shown);
    const QStringList filters = browseNameFilters();
    QCOMPARE(filters.mid(1), (QStringList{"JPG Files(*.jpg)", "Bitmap Files (*.bmp)"}));
    // Matched as GTK's chooser does: each pattern, letter case and all.
    const QString first = filters.constFirst();
    const qsizetype open = first.indexOf(QLatin1Char('('));
    bool matched = false;
    for (const QString &pattern : first.mid(open + 1, first.size() - open - 2).split(QLatin1Char(' '))) {
        const QRegularExpression glob(QRegularExpression::wildcardToRegularExpression(pattern));
        matched = matched || glob.match(name).hasMatch();
    }
    QCOMPARE(matched, shown);
}

void ConverterTest::fullFolderIsNoUnreadablePicture_data()
{
    // A 128 x 160 copy takes some 61 kB.
    QTest::addColumn<qint64>("bytesFree");
    QTest::addColumn<int>("outcome");
    QTest::newRow("full") << qint64(0) << int(Conversion::CannotWrite);
    QTest::newRow("less than the copy") << qint64(60000) << int(Conversion::CannotWrite);
    QTest::newRow("room enough") << qint64(1 << 30) << int(Conversion::Unreadable);
    QTest::newRow("room unknown") << qint64(-1) << int(Conversion::Unreadable);
}

void ConverterTest::fullFolderIsNoUnreadablePicture()
{
    QFETCH(qint64, bytesFree);
    QFETCH(int, outcome);
    QCOMPARE(int(failedRunOutcome(bytesFree, 61440)), outcome);
}

void ConverterTest::profileValues_data()
{
    QTest::addColumn<qint32>("type");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("usable");
    QTest::newRow("GIF 128x160") << 2 << QSize(128, 160) << true;
    QTest::newRow("bitmap 1x1") << 0 << QSize(1, 1) << true;
    QTest::newRow("JPEG at the side limit") << 1 << QSize(32000, 4000) << true;
    QTest::newRow("width 0 (missing or not a number)") << 2 << QSize(0, 160) << false;
    QTest::newRow("height 0") << 2 << QSize(128, 0) << false;
    QTest::newRow("negative") << 2 << QSize(-128, 160) << false;
    QTest::newRow("past the side limit") << 2 << QSize(32001, 160) << false;
    QTest::newRow("past the area limit") << 2 << QSize(32000, 32000) << false;
    QTest::newRow("type 3") << 3 << QSize(128, 160) << false;
    QTest::newRow("type -1") << -1 << QSize(128, 160) << false;
}

void ConverterTest::profileValues()
{
    QFETCH(qint32, type);
    QFETCH(QSize, size);
    QFETCH(bool, usable);
    QCOMPARE(wallpaperProfileUsable(type, size.width(), size.height()), usable);
}

void ConverterTest::workingCopyCommand_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QSize>("stored"); // as its header says
    QTest::addColumn<bool>("turned");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QStringList>("middle"); // after the limits, before the output
    const QByteArray jpeg("\xFF\xD8\xFF\xE0", 4);
    const QStringList rest{"-background", "black", "-alpha", "remove", "-depth", "8"};
    // Fill at 3x on 128x160 needs 3 x 213 x 160 of a 4:3 photo.
    QTest::newRow("JPEG photo: reduced decode to the zoom's need")
        << jpeg << QSize(6000, 4500) << false << QSize(128, 160)
        << QStringList{"-define", "jpeg:size=640x480", "jpeg:-", "-auto-orient", "-resize", "640x480>"}
               + rest;
    QTest::newRow("JPEG stored sideways: decoded as stored")
        << jpeg << QSize(6000, 4500) << true << QSize(128, 160)
        << QStringList{"-define", "jpeg:size=513x385", "jpeg:-", "-auto-orient", "-resize", "385x513>"}
               + rest;
    QTest::newRow("large screen: the pixel budget")
        << jpeg << QSize(8000, 6000) << false << QSize(480, 800)
        << QStringList{"-define", "jpeg:size=2310x1733", "jpeg:-", "-auto-orient", "-resize", "2310x1733>"}
               + rest;
    QTest::newRow("huge screen: never below what covers it")
        << jpeg << QSize(8000, 6000) << false << QSize(1440, 2560)
        << QStringList{"-define", "jpeg:size=3414x2560", "jpeg:-", "-auto-orient", "-resize", "3414x2560>"}
               + rest;
    QTest::newRow("PNG: no reduced decode")
        << QByteArray("\x89PNG\r\n\x1A\n") << QSize(6000, 4500) << false << QSize(128, 160)
        << QStringList{"png:-", "-auto-orient", "-resize", "640x480>"} + rest;
    QTest::newRow("small JPEG: never enlarged") << jpeg << QSize(640, 480) << false << QSize(128, 160)
                                                << QStringList{"jpeg:-", "-auto-orient"} + rest;
    QTest::newRow("JPEG under twice the need")
        << jpeg << QSize(1200, 900) << false << QSize(128, 160)
        << QStringList{"jpeg:-", "-auto-orient", "-resize", "640x480>"} + rest;
    // Reduced, ImageMagick would check its limits on an eighth of this.
    QTest::newRow("JPEG header of 60000x60000")
        << jpeg << QSize(60000, 60000) << false << QSize(128, 160)
        << QStringList{"jpeg:-", "-auto-orient", "-resize", "480x480>"} + rest;
    QTest::newRow("JPEG of unknown size")
        << jpeg << QSize() << false << QSize(128, 160) << QStringList{"jpeg:-", "-auto-orient"} + rest;
}

void ConverterTest::workingCopyCommand()
{
    QFETCH(QByteArray, head);
    QFETCH(QSize, stored);
    QFETCH(bool, turned);
    QFETCH(QSize, screen);
    QFETCH(QStringList, middle);
    const QString work = QDir::rootPath() + QStringLiteral("s/100%/a.ppm");
    const QStringList expected = converterLimitArguments() + middle
                                 + QStringList{QStringLiteral("ppm:") + QDir::rootPath() + "s/100%%/a.ppm"};
    QCOMPARE(workingCopyArguments(PictureFacts{head, stored, turned}, screen, work), expected);
}

void ConverterTest::phoneCopyCommand()
{
    const QString out = QDir::rootPath() + QStringLiteral("s/a.gif");
    const QStringList fill = phoneCopyArguments(QSize(1600, 1200), QSize(128, 160), FrameView{}, out);
    const QStringList expected =
        converterLimitArguments()
        + QStringList{
            "ppm:-", "-crop",   "960x1200+320+0", "+repage", "-resize", "128x160!", "-background",
            "black", "-extent", "128x160-0-0",    "+dither", "-colors", "256",      converterOutputFor(out)};
    QCOMPARE(fill, expected);
    // A JPEG is baseline, 4:2:0, with fitted Huffman tables, no metadata, at 88.
    const QString jpg = QDir::rootPath() + QStringLiteral("s/a.jpg");
    const QStringList fit =
        phoneCopyArguments(QSize(1600, 1200), QSize(128, 160), FrameView{Framing::Fit}, jpg).mid(21);
    QCOMPARE(fit, (QStringList{"ppm:-",
                               "-crop",
                               "1600x1200+0+0",
                               "+repage",
                               "-resize",
                               "128x96!",
                               "-background",
                               "black",
                               "-extent",
                               "128x160-0-32",
                               "-strip",
                               "-interlace",
                               "none",
                               "-sampling-factor",
                               "4:2:0",
                               "-define",
                               "jpeg:optimize-coding=true",
                               "-quality",
                               "88",
                               converterOutputFor(jpg)}));
    // A bitmap keeps its colours; Blur lays Fit's picture on the backdrop:
    // Fill's middle, blurred at 80 pixels wide by a twentieth of that.
    const QString bmp = QDir::rootPath() + QStringLiteral("s/a.bmp");
    const QStringList blur =
        phoneCopyArguments(QSize(1600, 1200), QSize(1080, 2400), FrameView{Framing::Blur}, bmp).mid(21);
    QCOMPARE(blur, (QStringList{"ppm:-",      "(",
                                "-clone",     "0",
                                "-crop",      "540x1200+530+0",
                                "+repage",    "-resize",
                                "80x178!",    "-blur",
                                "0x4",        "-resize",
                                "1080x2400!", "-evaluate",
                                "multiply",   "0.7",
                                ")",          "(",
                                "-clone",     "0",
                                "-crop",      "1600x1200+0+0",
                                "+repage",    "-resize",
                                "1080x810!",  ")",
                                "-delete",    "0",
                                "-geometry",  "+0+795",
                                "-composite", converterOutputFor(bmp)}));
}

void ConverterTest::framingRectangles_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<FrameView>("view");
    QTest::addColumn<QRect>("source");
    QTest::addColumn<QRect>("target");
    const QSize phone(128, 160);
    const FrameView fill, fit{Framing::Fit}, stretch{Framing::Stretch};
    QTest::newRow("fill, landscape: the middle")
        << QSize(4000, 3000) << phone << fill << QRect(800, 0, 2400, 3000) << QRect(0, 0, 128, 160);
    QTest::newRow("fill, portrait") << QSize(3000, 4000) << phone << fill << QRect(0, 125, 3000, 3750)
                                    << QRect(0, 0, 128, 160);
    QTest::newRow("fill, square") << QSize(1000, 1000) << phone << fill << QRect(100, 0, 800, 1000)
                                  << QRect(0, 0, 128, 160);
    QTest::newRow("fill, tiny: enlarged")
        << QSize(10, 10) << phone << fill << QRect(1, 0, 8, 10) << QRect(0, 0, 128, 160);
    QTest::newRow("fill, panned to the left edge")
        << QSize(4000, 3000) << phone << FrameView{Framing::Fill, 1, {0.1, 0.5}} << QRect(0, 0, 2400, 3000)
        << QRect(0, 0, 128, 160);
    QTest::newRow("fill, panned past the right edge")
        << QSize(4000, 3000) << phone << FrameView{Framing::Fill, 1, {5, -3}} << QRect(1600, 0, 2400, 3000)
        << QRect(0, 0, 128, 160);
    QTest::newRow("fill, 3x in the top left corner")
        << QSize(4000, 3000) << phone << FrameView{Framing::Fill, 3, {0, 0}} << QRect(0, 0, 800, 1000)
        << QRect(0, 0, 128, 160);
    QTest::newRow("fill, past 3x is 3x")
        << QSize(4000, 3000) << phone << FrameView{Framing::Fill, 50, {0.5, 0.5}}
        << QRect(1600, 1000, 800, 1000) << QRect(0, 0, 128, 160);
    QTest::newRow("fill, below 1x is 1x")
        << QSize(4000, 3000) << phone << FrameView{Framing::Fill, 0.2, {0.5, 0.5}}
        << QRect(800, 0, 2400, 3000) << QRect(0, 0, 128, 160);
    QTest::newRow("fit, landscape: bands above and below")
        << QSize(4000, 3000) << phone << fit << QRect(0, 0, 4000, 3000) << QRect(0, 32, 128, 96);
    QTest::newRow("fit, portrait: bands beside")
        << QSize(3000, 4000) << phone << fit << QRect(0, 0, 3000, 4000) << QRect(4, 0, 120, 160);
    QTest::newRow("fit, zoom and pan do not count")
        << QSize(3000, 4000) << phone << FrameView{Framing::Fit, 4, {0, 0}} << QRect(0, 0, 3000, 4000)
        << QRect(4, 0, 120, 160);
    QTest::newRow("fit, a line stays a pixel")
        << QSize(10000, 1) << phone << fit << QRect(0, 0, 10000, 1) << QRect(0, 79, 128, 1);
    QTest::newRow("stretch") << QSize(4000, 3000) << phone << stretch << QRect(0, 0, 4000, 3000)
                             << QRect(0, 0, 128, 160);
    QTest::newRow("blur: the picture where fit puts it")
        << QSize(3000, 4000) << phone << FrameView{Framing::Blur, 2, {0, 0}} << QRect(0, 0, 3000, 4000)
        << QRect(4, 0, 120, 160);
    QTest::newRow("no picture") << QSize() << phone << fill << QRect() << QRect();
    QTest::newRow("no screen") << QSize(4000, 3000) << QSize(0, 160) << fill << QRect() << QRect();
}

void ConverterTest::framingRectangles()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, screen);
    QFETCH(FrameView, view);
    QFETCH(QRect, source);
    QFETCH(QRect, target);
    const FrameRects r = frameRects(picture, screen, view);
    QCOMPARE(r.source, source);
    QCOMPARE(r.target, target);
}

void ConverterTest::panAndZoomLimits_data()
{
    // A 4000x3000 picture on a 128x160 screen: Fill shows 2400x3000 of it,
    // a screen pixel is 18.75 of the picture's.
    QTest::addColumn<FrameView>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QPointF>("amount"); // a pan's delta; a zoom's factor and anchor x
    QTest::addColumn<FrameView>("expected");
    const FrameView centred;
    QTest::newRow("pan right moves the picture right")
        << centred << "pan" << QPointF(16, 0) << FrameView{Framing::Fill, 1, {0.425, 0.5}};
    QTest::newRow("pan stops at the edge")
        << centred << "pan" << QPointF(1000, 1000) << FrameView{Framing::Fill, 1, {0.3, 0.5}};
    QTest::newRow("back from the edge at once")
        << FrameView{Framing::Fill, 1, {0.3, 0.5}} << "pan" << QPointF(-16, 0)
        << FrameView{Framing::Fill, 1, {0.375, 0.5}};
    QTest::newRow("zoom in around the middle")
        << centred << "zoom" << QPointF(2, 64) << FrameView{Framing::Fill, 2, {0.5, 0.5}};
    QTest::newRow("zoom in around the left edge keeps it there")
        << centred << "zoom" << QPointF(2, 0) << FrameView{Framing::Fill, 2, {0.35, 0.5}};
    QTest::newRow("zoom stops at 3x") << FrameView{Framing::Fill, 2, {0.5, 0.5}} << "zoom" << QPointF(4, 64)
                                      << FrameView{Framing::Fill, 3, {0.5, 0.5}};
    QTest::newRow("zoom out stops where it just covers, back in bounds")
        << FrameView{Framing::Fill, 4, {0.1, 0.1}} << "zoom" << QPointF(0.01, 64)
        << FrameView{Framing::Fill, 1, {0.3, 0.5}};
    QTest::newRow("fit neither pans nor zooms")
        << FrameView{Framing::Fit} << "pan" << QPointF(50, 50) << FrameView{Framing::Fit};
    QTest::newRow("stretch neither pans nor zooms")
        << FrameView{Framing::Stretch} << "zoom" << QPointF(2, 0) << FrameView{Framing::Stretch};
}

void ConverterTest::panAndZoomLimits()
{
    QFETCH(FrameView, start);
    QFETCH(QString, action);
    QFETCH(QPointF, amount);
    QFETCH(FrameView, expected);
    const QSize picture(4000, 3000), screen(128, 160);
    const FrameView got = action == QLatin1String("pan")
                              ? pannedView(picture, screen, start, amount)
                              : zoomedView(picture, screen, start, amount.x(), QPointF(amount.y(), 80));
    QCOMPARE(got.framing, expected.framing);
    QCOMPARE(got.zoom, expected.zoom);
    QVERIFY2(qAbs(got.centre.x() - expected.centre.x()) < 1e-9
                 && qAbs(got.centre.y() - expected.centre.y()) < 1e-9,
             qPrintable(QStringLiteral("%1, %2").arg(got.centre.x()).arg(got.centre.y())));
}

void ConverterTest::framingNames()
{
    for (Framing f : {Framing::Fill, Framing::Fit, Framing::Stretch, Framing::Blur})
        QCOMPARE(framingFromName(framingName(f)), std::optional<Framing>(f));
    QCOMPARE(framingName(Framing::Fit), QStringLiteral("fit"));
    QCOMPARE(framingName(Framing::Blur), QStringLiteral("blur"));
    // Only Fill starts on the suggestion.
    QCOMPARE(startingView(Framing::Fill, {0.9, 0.4}), (FrameView{Framing::Fill, 1, {0.9, 0.4}}));
    QCOMPARE(startingView(Framing::Blur, {0.9, 0.4}), FrameView{Framing::Blur});
    QVERIFY(!framingFromName(QStringLiteral("Fill")));
    QVERIFY(!framingFromName(QString()));
}

QTEST_MAIN(ConverterTest)
#include "tst_converter.moc"
