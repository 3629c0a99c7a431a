#include "app/CWallpaperDlg.h"
#include "app/converter.h"
#include "platform/hiddenprocess.h"
#include "platform/profilestore.h"
#include "preview/CImagePreviewStatic.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray profileOf(int type, int width, int height)
{
    return QStringLiteral("Version=2.5\nSerial=9\nwallpaperSupport=1\nNumber=5550100\nType=1\n"
                          "Carrier=4\nPhone=210\nwallpaperType=%1\nwallpaperWidth=%2\nwallpaperHeight=%3\n")
        .arg(type)
        .arg(width)
        .arg(height)
        .toLatin1();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A 640x480 photo-like JPEG.
void writePhoto(const QString &path)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    QPainter(&image).fillRect(0, 0, 320, 240, Qt::red);
    if (!image.save(path, "JPG"))
        qFatal("cannot write %s", qPrintable(path));
}

// The profile, a start folder that is current while the window initialises,
// and a folder of pictures apart from it.
struct Fixture : WindowFixture
{
    QTemporaryDir pictures;
    QTemporaryDir elsewhere;
    std::unique_ptr<CWallpaperDlg> dlg;

    explicit Fixture(const QByteArray &profile = profileOf(2, 128, 160)) : WindowFixture(profile)
    {
        dlg = makeWindow();
        dlg->OnInitDialog();
        // As a file dialog may: the current folder moves away from the start.
        QDir::setCurrent(elsewhere.path());
    }
    ~Fixture() { dlg.reset(); }

    // A stand-in converter in the start folder that records its arguments,
    // NUL-separated, into a file of its working folder.
    void installRecordingConverter()
    {
        const QString path = start.filePath(QStringLiteral("convert"));
        writeFile(path, "#!/bin/sh\nprintf '%s\\0' \"$@\" > args.bin\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    }
    QStringList recordedArguments() const
    {
        const QByteArray bytes = readFile(start.filePath(QStringLiteral("args.bin")));
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
    void missingConverterLeavesNoFileAndNoMessage();
    void unreadablePickStillConverts();
    void imageMagickWritesPhoneSizedCopy_data();
    void imageMagickWritesPhoneSizedCopy();
};

void BrowseTest::init()
{
    if (hiddenprocess::hostIsWindows())
        QSKIP("the stand-in converter is a shell script");
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
    fx.installRecordingConverter();
    const QString picture = fx.pictures.filePath(name);
    writePhoto(picture);
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    const QList<QStringList> offered{
        {QStringLiteral("JPG Files(*.jpg)"), QStringLiteral("Bitmap Files (*.bmp)")}};
    QCOMPARE(fx.presenter.fileDialogs, offered);
    QCOMPARE(fx.dlg->picturePath(), picture);
    QCOMPARE(fx.dlg->pictureTitle(), title);
    // Started in the start folder (that is where it wrote), with the four
    // pieces exactly as given.
    QCOMPARE(fx.recordedArguments(), (QStringList{QStringLiteral("-sample"), QStringLiteral("128x160"),
                                                  picture, fx.start.filePath(QStringLiteral("a.gif"))}));
    QVERIFY(!QFile::exists(fx.start.filePath(QStringLiteral("pwned"))));
    QVERIFY(!QFile::exists(fx.elsewhere.filePath(QStringLiteral("pwned"))));
    QVERIFY(fx.preview()->isShowing());
    QCOMPARE(fx.preview()->imagePath(), picture);
    QCOMPARE(fx.progress()->maximum(), 10);
    QCOMPARE(fx.progress()->value(), 0);
    QVERIFY(fx.presenter.boxes.isEmpty());
}

void BrowseTest::cancelClearsEverythingAndStartsNothing()
{
    Fixture fx;
    fx.installRecordingConverter();
    const QString picture = fx.pictures.filePath(QStringLiteral("beach.jpg"));
    writePhoto(picture);
    fx.presenter.nextFile = picture;
    fx.dlg->OnBrowse();
    QVERIFY(fx.preview()->isShowing());
    QVERIFY(QFile::remove(fx.start.filePath(QStringLiteral("args.bin"))));

    fx.presenter.nextFile.reset();
    fx.dlg->OnBrowse();

    QCOMPARE(fx.presenter.fileDialogs.size(), 2);
    QVERIFY(fx.dlg->picturePath().isEmpty());
    QVERIFY(fx.dlg->pictureTitle().isEmpty());
    QVERIFY(!fx.preview()->isShowing());
    QVERIFY(fx.preview()->imagePath().isEmpty());
    QCOMPARE(fx.progress()->value(), 0);
    QVERIFY(!QFile::exists(fx.start.filePath(QStringLiteral("args.bin"))));
    QVERIFY(fx.presenter.boxes.isEmpty());
}

void BrowseTest::missingConverterLeavesNoFileAndNoMessage()
{
    Fixture fx;
    PathGuard guard;
    qputenv("PATH", QFile::encodeName(fx.elsewhere.path())); // no ImageMagick to be found
    const QString picture = fx.pictures.filePath(QStringLiteral("beach.jpg"));
    writePhoto(picture);
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    QCOMPARE(fx.dlg->picturePath(), picture);
    QVERIFY(fx.preview()->isShowing());
    QCOMPARE(QDir(fx.start.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(fx.presenter.boxes.isEmpty());
    QVERIFY(!fx.dlg->RunConverter(fx.start.filePath(QStringLiteral("convert")), {}));
}

void BrowseTest::unreadablePickStillConverts()
{
    Fixture fx;
    fx.installRecordingConverter();
    const QString picture = fx.pictures.filePath(QStringLiteral("notes.jpg"));
    writeFile(picture, "not a picture\n");
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    QVERIFY(!fx.preview()->isShowing());
    QCOMPARE(fx.recordedArguments().value(2), picture);
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
    if (QStandardPaths::findExecutable(QStringLiteral("magick")).isEmpty()
        && QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
        QSKIP("ImageMagick is not installed");
    Fixture fx(profileOf(type, 128, 160));
    const QString picture = fx.pictures.filePath(QStringLiteral("my beach photo.jpg"));
    writePhoto(picture);
    fx.presenter.nextFile = picture;

    fx.dlg->OnBrowse();

    const QString out = fx.start.filePath(name);
    QVERIFY2(QFile::exists(out), qPrintable(out));
    QVERIFY(readFile(out).startsWith(magic));
    QImageReader reader(out);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    QVERIFY2(size.isValid(), qPrintable(reader.errorString()));
    // -sample keeps the aspect ratio and fits the picture into the size.
    QVERIFY(size.width() <= 128 && size.height() <= 160);
    QVERIFY(size.width() == 128 || size.height() == 160);
    QVERIFY(fx.presenter.boxes.isEmpty());
    QVERIFY(fx.preview()->isShowing());
    QCOMPARE(fx.preview()->imagePath(), picture); // the pick, not the copy
}

QTEST_MAIN(BrowseTest)
#include "tst_browse.moc"
