#include "core/app/converter.h"
#include "core/platform/hiddenprocess.h"
#include "core/platform/host.h"
#include "core/platform/profilestore.h"
#include "lacking.h"
#include "pictures.h"
#include "testfiles.h"
#include "ui/app/CWallpaperDlg.h"
#include "ui/app/openfiledialog.h"
#include "ui/preview/CImagePreviewStatic.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// The profile, a start folder that is current while the window initialises,
// and a folder of pictures apart from it.
struct Fixture : WindowFixture
{
    QTemporaryDir pictures;
    QTemporaryDir elsewhere;
    std::unique_ptr<CWallpaperDlg> dlg;
    // Found before any stand-in is put first on PATH.
    const QString realMagick = imageMagick();

    explicit Fixture(const QByteArray &profile = profileOf(2, 128, 160),
                     const QString &startFolder = QString()) :
        WindowFixture(profile)
    {
        if (!startFolder.isEmpty()) {
            QDir(start.path()).mkdir(startFolder);
            QDir::setCurrent(start.filePath(startFolder));
        }
        dlg = makeWindow();
        dlg->OnInitDialog();
        // As a file dialog may: the current folder moves away from the start.
        QDir::setCurrent(elsewhere.path());
    }
    ~Fixture() { dlg.reset(); }

    // A stand-in converter on PATH. By default it records the arguments,
    // NUL-separated, and the input of the first run (the working copy's)
    // into files of its working folder, then lets ImageMagick do the work.
    // A script finds the output, the last argument, in $out.
    void installConverter(const QByteArray &script = QByteArray())
    {
        const QByteArray magick = QFile::encodeName(realMagick);
        const QByteArray recordAndConvert = "if [ ! -e args.bin ]; then printf '%s\\0' \"$@\" > args.bin; "
                                            "cat > stdin.bin; exec '"
                                            + magick + "' \"$@\" < stdin.bin; fi\nexec '" + magick
                                            + "' \"$@\"\n";
        WindowFixture::installConverter("#!/bin/sh\nfor out; do :; done\n"
                                        + (script.isNull() ? recordAndConvert : script));
    }
    // A file in the window's own folder, where the converter works.
    QString work(const QString &name) const { return QDir(dlg->startDir()).filePath(name); }
    QByteArray recordedInput() const { return readFile(work(QStringLiteral("stdin.bin"))); }
    QStringList recordedArguments() const
    {
        const QByteArray bytes = readFile(work(QStringLiteral("args.bin")));
        QStringList args;
        for (const QByteArray &piece : bytes.split('\0'))
            args << QString::fromUtf8(piece);
        if (!args.isEmpty())
            args.removeLast(); // after the last NUL
        return args;
    }

    CImagePreviewStatic *preview() const
    {
        return dlg->findChild<CImagePreviewStatic *>(QStringLiteral("preview2222"));
    }
    QProgressBar *progress() const { return dlg->findChild<QProgressBar *>(QStringLiteral("progress1005")); }
};

const QString kNotConverted = QStringLiteral("This picture could not be converted for your phone.");

bool near(QRgb a, QColor b)
{
    return qAbs(qRed(a) - b.red()) < 24 && qAbs(qGreen(a) - b.green()) < 24 && qAbs(qBlue(a) - b.blue()) < 24;
}

// Puts PATH back however the test ends.
struct PathGuard
{
    QByteArray old = qgetenv("PATH");
    ~PathGuard() { qputenv("PATH", old); }
};

} // namespace

class BrowseTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void previewIsThePromotedBox();
    void pickReachesConverterWhole_data();
    void pickReachesConverterWhole();
    void cancelClearsEverythingAndStartsNothing();
    void missingConverterForgetsThePick();
    void unknownFormatNeverReachesConverter_data();
    void unknownFormatNeverReachesConverter();
    void unusableProfileIsRefusedAtBrowse_data();
    void unusableProfileIsRefusedAtBrowse();
    void imageMagickWritesPhoneSizedCopy_data();
    void imageMagickWritesPhoneSizedCopy();
    void awkwardNamesConvertThatPicture_data();
    void awkwardNamesConvertThatPicture();
    void failedConversionForgetsThePick_data();
    void failedConversionForgetsThePick();
    void eachFailureSaysWhatWentWrong_data();
    void eachFailureSaysWhatWentWrong();
    void converterEndedWithItsGroup_data();
    void converterEndedWithItsGroup();
    void hugeHeaderIsRefused_data();
    void hugeHeaderIsRefused();
    void openDialogOffersEveryCase();
};

void BrowseTest::init()
{
    if (host::isWindows())
        QSKIP("the stand-in converter is a shell script");
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
}

void BrowseTest::previewIsThePromotedBox()
{
    Fixture fx;
    CImagePreviewStatic *preview = fx.preview();
    QVERIFY(preview);
    QCOMPARE(preview->geometry(), QRect(254, 60, 119, 150));
    QCOMPARE(preview->frameWidth(), 2);
    QVERIFY(!preview->isShowing());
}

void BrowseTest::pickReachesConverterWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("spaces") << "day at the beach.jpg"
                            << "day at the beach";
    QTest::newRow("quotes") << "say \"cheese\" it's.jpg"
                            << "say \"cheese\" it's";
    QTest::newRow("option-like name") << "-rf.jpg"
                                      << "-rf";
    QTest::newRow("shell characters") << "$(touch pwned);`x`|y&z.jpg"
                                      << "$(touch pwned);`x`|y&z";
    QTest::newRow("unicode") << "фото 写真 ✓.jpg"
                             << "фото 写真 ✓";
    QTest::newRow("two extensions") << "photo.final.jpg"
                                    << "photo.final";
}

void BrowseTest::pickReachesConverterWhole()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    Fixture fx;
    fx.installConverter();
    const QString picture = fx.pictures.filePath(name);
    writePhoto(picture);
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    QCOMPARE(fx.presenter.fileDialogs.size(), 1);
    QCOMPARE(fx.presenter.fileDialogs[0], browseNameFilters());
    QCOMPARE(fx.dlg->picturePath(), picture);
    QCOMPARE(fx.dlg->pictureTitle(), title);
    // Started in the start folder (that is where it wrote), with the pieces
    // exactly as given; the picture comes as bytes, never by name, with
    // its coder named.
    const QStringList expected = converterLimitArguments()
                                 + QStringList{"jpeg:-",
                                               "-auto-orient",
                                               "-background",
                                               "black",
                                               "-alpha",
                                               "remove",
                                               "-depth",
                                               "8",
                                               QStringLiteral("ppm:") + fx.work(QStringLiteral("a.ppm"))};
    QCOMPARE(fx.recordedArguments(), expected);
    QCOMPARE(fx.recordedInput(), readFile(picture));
    QVERIFY(!QFile::exists(fx.start.filePath(QStringLiteral("pwned"))));
    QVERIFY(!QFile::exists(fx.work(QStringLiteral("pwned"))));
    QVERIFY(!QFile::exists(fx.elsewhere.filePath(QStringLiteral("pwned"))));
    QVERIFY(fx.preview()->isShowing());
    QCOMPARE(fx.preview()->imagePath(), fx.work(QStringLiteral("a.ppm")));
    QCOMPARE(QImage(fx.work(QStringLiteral("a.gif"))).size(), QSize(128, 160));
    QCOMPARE(fx.progress()->maximum(), 1000);
    QCOMPARE(fx.progress()->value(), 0);
    QVERIFY(fx.presenter.boxes.isEmpty());
}

void BrowseTest::cancelClearsEverythingAndStartsNothing()
{
    Fixture fx;
    fx.installConverter();
    const QString picture = fx.pictures.filePath(QStringLiteral("beach.jpg"));
    writePhoto(picture);
    fx.presenter.nextFile = picture;
    fx.dlg->OnBrowse();
    QVERIFY(fx.preview()->isShowing());
    QVERIFY(QFile::remove(fx.work(QStringLiteral("args.bin"))));

    fx.presenter.nextFile.reset();
    fx.dlg->OnBrowse();

    QCOMPARE(fx.presenter.fileDialogs.size(), 2);
    QVERIFY(fx.dlg->picturePath().isEmpty());
    QVERIFY(fx.dlg->pictureTitle().isEmpty());
    QVERIFY(!fx.preview()->isShowing());
    QVERIFY(fx.preview()->imagePath().isEmpty());
    QCOMPARE(fx.progress()->value(), 0);
    QVERIFY(!QFile::exists(fx.work(QStringLiteral("args.bin"))));
    QVERIFY(fx.presenter.boxes.isEmpty());
}

void BrowseTest::missingConverterForgetsThePick()
{
    Fixture fx;
    PathGuard guard;
    qputenv("PATH", QFile::encodeName(fx.elsewhere.path())); // no ImageMagick to be found
    const QString picture = fx.pictures.filePath(QStringLiteral("beach.jpg"));
    writePhoto(picture);
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    QVERIFY(fx.dlg->picturePath().isEmpty());
    QVERIFY(!fx.preview()->isShowing()); // nothing to send, nothing shown
    QCOMPARE(QDir(fx.dlg->startDir()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(fx.presenter.boxes, QStringList{conversionFailureText(Conversion::NoConverter, {})});
}

void BrowseTest::unknownFormatNeverReachesConverter_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text named .jpg") << QByteArray("not a picture\n");
    QTest::newRow("SVG named .jpg") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><image "
                                                  "href=\"/etc/passwd\"/></svg>");
    QTest::newRow("MVG named .jpg") << QByteArray("push graphic-context\nviewbox 0 0 1 1\n");
    QTest::newRow("PostScript named .jpg") << QByteArray("%!PS\n(/etc/passwd) (r) file\n");
}

void BrowseTest::unknownFormatNeverReachesConverter()
{
    QFETCH(QByteArray, bytes);
    Fixture fx;
    fx.installConverter();
    const QString picture = writeFile(fx.pictures.filePath(QStringLiteral("notes.jpg")), bytes);
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    QCOMPARE(fx.presenter.boxes, QStringList{kNotConverted});
    QVERIFY(fx.dlg->picturePath().isEmpty());
    QVERIFY(!fx.preview()->isShowing());
    QVERIFY(!QFile::exists(fx.start.filePath(QStringLiteral("args.bin")))); // never started
}

void BrowseTest::unusableProfileIsRefusedAtBrowse_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::newRow("width 0") << profileOf(2, 0, 160);
    QTest::newRow("negative height") << profileOf(2, 128, -160);
    QTest::newRow("past the converter's limits") << profileOf(2, 40000, 160);
    QTest::newRow("type 7") << profileOf(7, 128, 160);
    QTest::newRow("size not a number")
        << QByteArray("wallpaperSupport=1\nwallpaperType=2\nwallpaperWidth=wide\n"
                      "wallpaperHeight=160\n");
    QTest::newRow("size missing") << QByteArray("wallpaperSupport=1\nwallpaperType=1\n");
}

void BrowseTest::unusableProfileIsRefusedAtBrowse()
{
    QFETCH(QByteArray, profile);
    Fixture fx(profile);
    fx.installConverter();
    const QString picture = fx.pictures.filePath(QStringLiteral("beach.jpg"));
    writePhoto(picture);
    fx.presenter.nextFile = picture;
    int uploads = 0;
    fx.dlg->setUploadJob([&](auto &&...) {
        ++uploads;
        return UploadReport{};
    });

    fx.dlg->OnBrowse();
    fx.dlg->browseTo(picture);
    fx.dlg->OnUpload();

    const QString refused = QString::fromLatin1(kUnusableProfileText);
    QCOMPARE(
        fx.presenter.boxes,
        (QStringList{refused, refused, QStringLiteral("Please Click Browse to select a file to Upload")}));
    QVERIFY(fx.presenter.fileDialogs.isEmpty());
    QVERIFY(!QFile::exists(fx.start.filePath(QStringLiteral("args.bin"))));
    QCOMPARE(uploads, 0);
}

void BrowseTest::imageMagickWritesPhoneSizedCopy_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("GIF") << 2 << "a.gif" << QByteArray("GIF8");
    QTest::newRow("JPEG") << 1 << "a.jpg" << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("bitmap") << 0 << "a.bmp" << QByteArray("BM");
}

void BrowseTest::imageMagickWritesPhoneSizedCopy()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    Fixture fx(profileOf(type, 128, 160));
    const QString picture = fx.pictures.filePath(QStringLiteral("my beach photo.jpg"));
    writePhoto(picture);
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    const QString out = fx.work(name);
    QVERIFY2(QFile::exists(out), qPrintable(out));
    QVERIFY(readFile(out).startsWith(magic));
    QImageReader reader(out);
    reader.setDecideFormatFromContent(true);
    // Exactly the phone's screen, whatever the picture's shape.
    QCOMPARE(reader.size(), QSize(128, 160));
    QVERIFY(fx.presenter.boxes.isEmpty());
    QVERIFY(fx.preview()->isShowing());
}

void BrowseTest::awkwardNamesConvertThatPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("startFolder");
    QTest::addColumn<QByteArray>("format"); // what the file really holds
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");
    int n = 0;
    auto row = [&n](const char *tag, const char *name, const char *folder = "", const char *format = "JPG") {
        // Two halves in colours no other row has.
        QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(folder) << QByteArray(format)
                           << QColor::fromHsv(n * 23 % 360, 255, 230)
                           << QColor::fromHsv((n * 23 + 160) % 360, 180, 90);
        ++n;
    };
    row("brackets", "frame[0].jpg");
    row("star", "*.jpg");
    row("question mark", "what?.jpg");
    row("percent", "100%.jpg");
    row("percent d", "shot%d.jpg");
    row("braces", "{a,b}.jpg");
    row("coder prefix", "gif:x.jpg");
    row("label prefix", "label:hi.jpg");
    row("leading at", "@list.jpg");
    row("leading dash", "-sample.jpg");
    row("quotes", "say \"cheese\" it's.jpg");
    row("non-ASCII", "Ünïcödé ß.jpg");
    row("bitmap", "scan.bmp", "", "BMP");
    row("bitmap named .jpg", "really a bitmap.jpg", "", "BMP");
    row("start folder 100%d", "beach.jpg", "100%d");
    row("start folder [x]", "beach.jpg", "[x]");
    row("start folder with spaces", "beach.jpg", "my start folder");
}

void BrowseTest::awkwardNamesConvertThatPicture()
{
    QFETCH(QString, name);
    QFETCH(QString, startFolder);
    QFETCH(QByteArray, format);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    Fixture fx(profileOf(2, 128, 160), startFolder);
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(right);
    QPainter(&image).fillRect(0, 0, 320, 480, left);
    const QString picture = fx.pictures.filePath(name);
    QVERIFY(image.save(picture, format.constData(), 95));
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    QVERIFY(fx.presenter.boxes.isEmpty());
    QCOMPARE(fx.dlg->picturePath(), picture);
    const QImage copy(QDir(fx.dlg->startDir()).filePath(QStringLiteral("a.gif")), "GIF");
    QCOMPARE(copy.size(), QSize(128, 160));
    QVERIFY2(near(copy.pixel(32, 48), left), qPrintable(QColor(copy.pixel(32, 48)).name()));
    QVERIFY2(near(copy.pixel(96, 48), right), qPrintable(QColor(copy.pixel(96, 48)).name()));
}

void BrowseTest::failedConversionForgetsThePick_data()
{
    QTest::addColumn<QByteArray>("picture");   // null: a photo
    QTest::addColumn<QByteArray>("converter"); // script; empty: ImageMagick
    QTest::newRow("empty file") << QByteArray("") << QByteArray();
    QTest::newRow("text file named .jpg") << QByteArray("just some notes\n") << QByteArray();
    QTest::newRow("converter exits 1") << QByteArray() << QByteArray("cat > \"${out#*:}\"\nexit 1\n");
    QTest::newRow("converter writes nothing") << QByteArray() << QByteArray("exit 0\n");
    QTest::newRow("converter killed") << QByteArray() << QByteArray("cat > \"${out#*:}\"\nkill -9 $$\n");
}

void BrowseTest::failedConversionForgetsThePick()
{
    QFETCH(QByteArray, picture);
    QFETCH(QByteArray, converter);
    if (converter.isEmpty() && !imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    Fixture fx;
    int uploads = 0;
    fx.dlg->setUploadJob([&](auto &&...) {
        ++uploads;
        return UploadReport{};
    });
    const QString good = fx.pictures.filePath(QStringLiteral("good.jpg"));
    writePhoto(good);
    fx.presenter.nextFile = good;
    fx.installConverter();
    fx.dlg->OnBrowse();
    const QString copy = fx.work(QStringLiteral("a.gif"));
    QVERIFY(QFile::exists(copy));

    fx.removeConverter();
    if (!converter.isEmpty())
        fx.installConverter(converter);
    const QString bad = fx.pictures.filePath(QStringLiteral("bad.jpg"));
    if (picture.isNull())
        writePhoto(bad);
    else
        writeFile(bad, picture);
    fx.presenter.nextFile = bad;
    fx.dlg->OnBrowse();

    QCOMPARE(fx.presenter.boxes, QStringList{kNotConverted});
    QVERIFY(fx.dlg->picturePath().isEmpty());
    QVERIFY(fx.dlg->pictureTitle().isEmpty());
    QVERIFY(!QFile::exists(copy));
    fx.dlg->OnUpload();
    QCOMPARE(fx.presenter.boxes.last(), QStringLiteral("Please Click Browse to select a file to Upload"));
    QCOMPARE(uploads, 0);
}

void BrowseTest::eachFailureSaysWhatWentWrong_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("outcome");
    QTest::newRow("no such file") << "missing" << int(Conversion::NoSuchFile);
    // Opening it would wait for a writer that never comes.
    QTest::newRow("named pipe") << "fifo" << int(Conversion::NotAFile);
    QTest::newRow("folder") << "folder" << int(Conversion::NotAFile);
    QTest::newRow("device") << "device" << int(Conversion::NotAFile); // would never end
    QTest::newRow("working folder gone") << "no folder" << int(Conversion::CannotWrite);
}

void BrowseTest::eachFailureSaysWhatWentWrong()
{
    QFETCH(QString, kind);
    QFETCH(int, outcome);
    Fixture fx;
    fx.installConverter();
    QString picked = fx.pictures.filePath(QStringLiteral("picked.jpg"));
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {picked}), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(fx.pictures.path()).mkdir(QStringLiteral("picked.jpg")));
    } else if (kind == QLatin1String("device")) {
        picked = QStringLiteral("/dev/zero");
        if (!QFileInfo::exists(picked))
            SKIP_LACKING("no /dev/zero here");
    } else if (kind == QLatin1String("no folder")) {
        writePhoto(picked);
        QVERIFY(QDir(fx.dlg->startDir()).removeRecursively());
    }
    fx.presenter.nextFile = picked;

    fx.dlg->OnBrowse();

    QCOMPARE(fx.presenter.boxes, QStringList{conversionFailureText(Conversion(outcome), {})});
    QVERIFY(fx.presenter.boxes[0] != kNotConverted);
    QVERIFY(fx.dlg->picturePath().isEmpty());
    QVERIFY(!QFile::exists(fx.work(QStringLiteral("args.bin")))); // never started
    // Nothing was written where the program started.
    QCOMPARE(QDir(fx.start.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void BrowseTest::converterEndedWithItsGroup_data()
{
    QTest::addColumn<bool>("byTheUser");    // Esc and Yes, or the time limit
    QTest::addColumn<bool>("endsByItself"); // and leaves its child behind
    QTest::newRow("past its time limit") << false << false;
    QTest::newRow("stopped: Esc, Yes") << true << false;
    QTest::newRow("converted, a child left in the background") << false << true;
}

void BrowseTest::converterEndedWithItsGroup()
{
    QFETCH(bool, byTheUser);
    QFETCH(bool, endsByItself);
    if (!QFileInfo::exists(QStringLiteral("/proc/self/stat")))
        SKIP_LACKING("needs /proc to see the converter go");
    Fixture fx;
    int uploads = 0;
    fx.dlg->setUploadJob([&](auto &&...) {
        ++uploads;
        return UploadReport{};
    });
    fx.dlg->setConverterTimeLimit(std::chrono::seconds(byTheUser ? 60 : 1));
    // It starts a child of its own and waits on it, as a delegate would.
    fx.installConverter(
        "echo $$ > shell.pid\nsleep 600 &\necho $! > child.pid\n"
        + (endsByItself ? "exec '" + QFile::encodeName(fx.realMagick) + "' \"$@\"\n" : QByteArray("wait\n")));
    const QString picture = fx.pictures.filePath(QStringLiteral("beach.jpg"));
    writePhoto(picture);
    fx.presenter.nextFile = picture;
    QElapsedTimer sinceYes;
    if (byTheUser) {
        // Given while the window waits, as the user would.
        QTimer::singleShot(300, fx.dlg.get(), [&] { QTest::keyClick(fx.dlg.get(), Qt::Key_Escape); });
        fx.presenter.whenAsked = [&] { sinceYes.start(); };
    }

    fx.dlg->OnBrowse();

    if (byTheUser)
        qInfo("the converter's group ended %lld ms after Yes", qint64(sinceYes.elapsed()));
    QCOMPARE(fx.presenter.stopQuestions,
             byTheUser ? QStringList{"Stop converting the picture?"} : QStringList{});
    if (endsByItself) {
        QCOMPARE(fx.presenter.boxes, QStringList());
        QCOMPARE(fx.dlg->picturePath(), picture);
    } else {
        QCOMPARE(fx.presenter.boxes,
                 QStringList{conversionFailureText(byTheUser ? Conversion::Stopped : Conversion::TimedOut,
                                                   std::chrono::seconds(1))});
        QVERIFY(fx.dlg->picturePath().isEmpty());
        QVERIFY(!fx.preview()->isShowing()); // nothing to send, nothing shown
    }
    for (const char *name : {"shell.pid", "child.pid"}) {
        const QByteArray pid = readFile(fx.work(QLatin1String(name)));
        QVERIFY2(!pid.trimmed().isEmpty(), name);
        QTRY_VERIFY2(processGone(pid), name);
    }

    // The window takes commands again.
    fx.dlg->setConverterTimeLimit(CWallpaperDlg::kConverterTimeLimit);
    fx.installConverter();
    fx.dlg->OnBrowse();
    QCOMPARE(fx.presenter.boxes.size(), endsByItself ? 0 : 1);
    QCOMPARE(fx.dlg->picturePath(), picture);
    fx.dlg->OnUpload();
    QCOMPARE(uploads, 1);
}

void BrowseTest::hugeHeaderIsRefused_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("JPEG") << QByteArray("JPG");
    QTest::newRow("bitmap") << QByteArray("BMP");
}

void BrowseTest::hugeHeaderIsRefused()
{
    QFETCH(QByteArray, format);
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    Fixture fx;
    // A small picture whose header claims 60000 x 60000 pixels.
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(small.save(&buffer, format.constData()));
    QByteArray bytes = buffer.data();
    auto put16 = [&](qsizetype at, bool bigEndian) {
        bytes[at + (bigEndian ? 0 : 1)] = char(60000 >> 8);
        bytes[at + (bigEndian ? 1 : 0)] = char(60000 & 0xFF);
    };
    if (format == "JPG") {
        qsizetype at = 2; // marker segments up to the frame header
        while (quint8(bytes[at + 1]) != 0xC0)
            at += 2 + (quint8(bytes[at + 2]) << 8 | quint8(bytes[at + 3]));
        put16(at + 5, true);
        put16(at + 7, true);
    } else {
        put16(18, false); // width and height, 32 bits each
        put16(22, false);
    }
    const QString picture = fx.pictures.filePath(QStringLiteral("huge.jpg"));
    writeFile(picture, bytes);
    if (format == "JPG") // Qt believes it, so it must not lead to a reduced decode
        QCOMPARE(QImageReader(picture).size(), QSize(60000, 60000));
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    QCOMPARE(fx.presenter.boxes, QStringList{kNotConverted});
    QVERIFY(fx.dlg->picturePath().isEmpty());
    QVERIFY(!QFile::exists(fx.work(QStringLiteral("a.gif"))));

    const QString good = fx.pictures.filePath(QStringLiteral("good.jpg"));
    writePhoto(good);
    fx.presenter.nextFile = good;
    fx.dlg->OnBrowse();
    QCOMPARE(fx.presenter.boxes.size(), 1);
    QVERIFY(QFile::exists(fx.work(QStringLiteral("a.gif"))));
}

void BrowseTest::openDialogOffersEveryCase()
{
    QTemporaryDir tmp;
    for (const char *name : {"a.jpg", "b.JPG", "c.Jpg", "d.bmp", "e.BMP", "f.png", "g.txt"}) {
        QFile f(tmp.filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QStringList filters{QStringLiteral("JPG Files(*.jpg)"), QStringLiteral("Bitmap Files (*.bmp)")};
    QFileDialog dialog;
    setUpOpenDialog(dialog, filters);
    // The desktop's own chooser wherever it has one.
    QVERIFY(!dialog.testOption(QFileDialog::DontUseNativeDialog));
    // Qt's own dialog, as where the desktop has none.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(tmp.path());
    QCOMPARE(dialog.nameFilters(), filters);
    QCOMPARE(dialog.selectedNameFilter(), filters.first());

    auto *model = dialog.findChild<QFileSystemModel *>();
    QVERIFY(model);
    auto offered = [&] {
        QStringList names;
        const QModelIndex folder = model->index(tmp.path());
        for (int row = 0; row < model->rowCount(folder); ++row) {
            const QModelIndex i = model->index(row, 0, folder);
            if (model->flags(i) & Qt::ItemIsEnabled)
                names << i.data().toString();
        }
        names.sort();
        return names;
    };
    QTRY_COMPARE(offered(), (QStringList{"a.jpg", "b.JPG", "c.Jpg"}));

    // The user picks the second filter.
    auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    types->setCurrentIndex(1);
    emit types->activated(1);
    emit types->textActivated(types->itemText(1));
    QTRY_COMPARE(offered(), (QStringList{"d.bmp", "e.BMP"}));
}

QTEST_MAIN(BrowseTest)
#include "tst_browse.moc"
