#include "app/PhoneProfile.h"
#include "app/converter.h"
#include "platform/host.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class ConverterTest : public QObject
{
    Q_OBJECT

private slots:
    void pictureTitle_data();
    void pictureTitle();
    void outputPathFollowsType_data();
    void outputPathFollowsType();
    void relativeOutputBecomesAbsolute();
    void outputIsLiteralForImageMagick_data();
    void outputIsLiteralForImageMagick();
    void converterChoice_data();
    void converterChoice();
    void onlyAbsolutePathEntries_data();
    void onlyAbsolutePathEntries();
    void currentFolderIsNeverSearched();
    void limitsBoundEveryResource();
    void commandLineFollowsThePicture_data();
    void commandLineFollowsThePicture();
    void reducedDecodeKeepsTheCopy_data();
    void reducedDecodeKeepsTheCopy();
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

void ConverterTest::outputPathFollowsType_data()
{
    QTest::addColumn<qint32>("type");
    QTest::addColumn<QString>("name");
    QTest::newRow("0 bitmap") << 0 << "a.bmp";
    QTest::newRow("1 JPEG") << 1 << "a.jpg";
    QTest::newRow("2 GIF") << 2 << "a.gif";
    QTest::newRow("9 unknown") << 9 << "a.";
    QTest::newRow("-1 unknown") << -1 << "a.";
}

void ConverterTest::outputPathFollowsType()
{
    QFETCH(qint32, type);
    QFETCH(QString, name);
    QTemporaryDir start;
    const QString path = convertedPicturePath(start.path(), outputExtension(type));
    QCOMPARE(path, start.path() + QLatin1Char('/') + name);
    QVERIFY(QFileInfo(path).isAbsolute());
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
    QTest::newRow("Windows: convert.exe in the start folder, even if absent")
        << true << QStringList{"/usr/bin/magick"} << QDir::toNativeSeparators("/start/convert.exe");
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
    ConverterLookup lookup;
    lookup.windows = windows;
    lookup.findOnPath = [&](const QString &name) {
        const QString path = QStringLiteral("/usr/bin/") + name;
        return onPath.contains(path) ? path : QString();
    };
    QCOMPARE(converterPathFor(QStringLiteral("/start"), lookup), expected);
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
    const QString found = converterPathFor(current.path(), systemConverterLookup());
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

void ConverterTest::commandLineFollowsThePicture_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QSize>("picture"); // as its header says
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QStringList>("tail"); // after the limits, before the output
    const QByteArray jpeg("\xFF\xD8\xFF\xE0", 4);
    const QByteArray bmp("BM\x36\0", 4);
    QTest::newRow("JPEG photo: reduced decode, exact size")
        << jpeg << QSize(6000, 4000) << QSize(128, 160)
        << QStringList{"-define", "jpeg:size=256x320", "-sample", "128x85!", "jpg:-"};
    QTest::newRow("JPEG, rounding a reduced decode would change")
        << jpeg << QSize(5183, 3457) << QSize(128, 160)
        << QStringList{"-define", "jpeg:size=256x320", "-sample", "128x85!", "jpg:-"};
    QTest::newRow("JPEG portrait, larger box")
        << jpeg << QSize(3000, 4000) << QSize(176, 220)
        << QStringList{"-define", "jpeg:size=352x440", "-sample", "165x220!", "jpg:-"};
    // The input's coder from its first bytes; others are left to ImageMagick.
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n") << QSize() << QSize(128, 160)
                         << QStringList{"-sample", "128x160", "-"};
    QTest::newRow("empty") << QByteArray() << QSize() << QSize(128, 160)
                           << QStringList{"-sample", "128x160", "-"};
    QTest::newRow("bitmap: never reduced")
        << bmp << QSize(6000, 4000) << QSize(128, 160) << QStringList{"-sample", "128x160", "bmp:-"};
    QTest::newRow("JPEG under twice the box")
        << jpeg << QSize(255, 4000) << QSize(128, 160) << QStringList{"-sample", "128x160", "jpg:-"};
    QTest::newRow("JPEG of unknown size")
        << jpeg << QSize() << QSize(128, 160) << QStringList{"-sample", "128x160", "jpg:-"};
    // Reduced, ImageMagick would check its limits on an eighth of this.
    QTest::newRow("JPEG header of 60000x60000")
        << jpeg << QSize(60000, 60000) << QSize(128, 160) << QStringList{"-sample", "128x160", "jpg:-"};
    QTest::newRow("JPEG over the area limit")
        << jpeg << QSize(16000, 9000) << QSize(128, 160) << QStringList{"-sample", "128x160", "jpg:-"};
    QTest::newRow("0x0 box") << jpeg << QSize(6000, 4000) << QSize(0, 0)
                             << QStringList{"-sample", "0x0", "jpg:-"};
    QTest::newRow("huge box, no overflow") << jpeg << QSize(6000, 4000) << QSize(2147483647, 2147483647)
                                           << QStringList{"-sample", "2147483647x2147483647", "jpg:-"};
}

void ConverterTest::commandLineFollowsThePicture()
{
    QFETCH(QByteArray, head);
    QFETCH(QSize, picture);
    QFETCH(QSize, box);
    QFETCH(QStringList, tail);
    const QString output = QDir::rootPath() + QStringLiteral("s/a.gif");
    const QStringList expected = converterLimitArguments() + tail + QStringList{converterOutputFor(output)};
    QCOMPARE(imageMagickArguments(box.width(), box.height(), head, picture, output), expected);
}

void ConverterTest::reducedDecodeKeepsTheCopy_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("box");
    QTest::newRow("6000x4000 into 128x160") << QSize(6000, 4000) << QSize(128, 160);
    QTest::newRow("5183x3457 into 128x160") << QSize(5183, 3457) << QSize(128, 160);
    QTest::newRow("5183x3457 into 320x240") << QSize(5183, 3457) << QSize(320, 240);
    QTest::newRow("641x479 into 128x160") << QSize(641, 479) << QSize(128, 160);
    QTest::newRow("3000x4000 into 176x220") << QSize(3000, 4000) << QSize(176, 220);
    QTest::newRow("257x321 into 128x160") << QSize(257, 321) << QSize(128, 160);
    QTest::newRow("12345x67 into 128x160") << QSize(12345, 67) << QSize(128, 160);
}

void ConverterTest::reducedDecodeKeepsTheCopy()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, box);
    QString magick = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (magick.isEmpty())
        QSKIP("ImageMagick is not installed");
    // Left third and the rest in two colours: the copy must show the same.
    QTemporaryDir tmp;
    QImage image(picture, QImage::Format_RGB32);
    image.fill(QColor(200, 60, 30));
    QPainter(&image).fillRect(0, 0, picture.width() / 3, picture.height(), QColor(20, 90, 220));
    const QString photo = tmp.filePath(QStringLiteral("photo.jpg"));
    QVERIFY(image.save(photo, "JPG", 92));
    QCOMPARE(pictureSizeOf(photo), picture);

    auto convert = [&](const QStringList &arguments) {
        QProcess process;
        process.setStandardInputFile(photo);
        process.start(magick, arguments);
        return process.waitForFinished(-1) && process.exitCode() == 0;
    };
    const QString full = tmp.filePath(QStringLiteral("full.bmp"));
    const QString reduced = tmp.filePath(QStringLiteral("reduced.bmp"));
    const QString size = QStringLiteral("%1x%2").arg(box.width()).arg(box.height());
    QVERIFY(
        convert({QStringLiteral("-sample"), size, QStringLiteral("jpg:-"), QStringLiteral("bmp:") + full}));
    QVERIFY(convert(imageMagickArguments(box.width(), box.height(), pictureHeadOf(photo), picture, reduced)));

    const QImage a(full);
    const QImage b(reduced);
    QCOMPARE(b.size(), a.size());
    qint64 difference = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            difference += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    // Only the edge between the colours may fall a pixel apart.
    const double perChannel = double(difference) / (3.0 * a.width() * a.height());
    QVERIFY2(perChannel < 4.0, qPrintable(QString::number(perChannel)));
}

QTEST_MAIN(ConverterTest)
#include "tst_converter.moc"
