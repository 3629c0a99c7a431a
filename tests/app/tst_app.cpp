#include "app/CWallpaperDlg.h"
#include "platform/profilestore.h"
#include "pictures.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kGoodProfile = "Version=2.5\nSerial=9\nwallpaperSupport=1\nNumber=5550100\nType=1\n"
                                "Carrier=4\nPhone=210\nwallpaperType=2\nwallpaperWidth=128\n"
                                "wallpaperHeight=160\n";

struct Fixture : WindowFixture
{
    explicit Fixture(const QByteArray &profile = kGoodProfile) : WindowFixture(profile) {}
    std::unique_ptr<CWallpaperDlg> window() { return makeWindow(); }

    // A photo in the start folder that Browse can pick and convert.
    QString convertible(const QString &name)
    {
        return writeFile(start.filePath(name), encodedPicture(QImage(64, 48, QImage::Format_RGB32), "JPG"));
    }
};

QProgressBar *progress(QWidget *w)
{
    return w->findChild<QProgressBar *>(QStringLiteral("progress1005"));
}
QAbstractButton *button(QWidget *w, const char *name)
{
    return w->findChild<QAbstractButton *>(QLatin1String(name));
}

} // namespace

class AppTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutAfterInit();
    void missingProfileEndsBeforeTheLoop();
    void noWallpaperSupportEndsTheProcess();
    void outputExtensionFollowsType_data();
    void outputExtensionFollowsType();
    void uploadWithoutPictureIsRefused();
    void uploadRunsTheJobBetweenFiveAndTen();
    void sameSecondSameUploadName();
    void nothingEndsOrRestartsAnUpload_data();
    void nothingEndsOrRestartsAnUpload();
    void closeButtonDeletesConvertedPictures();
    void escapeKeepsConvertedPictures();
    void aboutCommand_data();
    void aboutCommand();
    void dragByBackground();
};

void AppTest::layoutAfterInit()
{
    Fixture fx;
    auto dlg = fx.window();
    dlg->OnInitDialog();
    QVERIFY(!dlg->endedDuringInit());
    QVERIFY(fx.presenter.boxes.isEmpty());
    QCOMPARE(dlg->size(), QSize(414, 413));
    QVERIFY(dlg->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Chimeforge Wallpaper"));
    QCOMPARE(dlg->startDir(), QDir::currentPath());

    QCOMPARE(progress(dlg.get())->geometry(), QRect(47, 250, 141, 11));
    QCOMPARE(progress(dlg.get())->minimum(), 0);
    QCOMPARE(progress(dlg.get())->maximum(), 100);
    QCOMPARE(progress(dlg.get())->value(), 0);
    QCOMPARE(button(dlg.get(), "button1007")->geometry(), QRect(65, 127, 87, 33));
    QCOMPARE(button(dlg.get(), "button1008")->geometry(), QRect(65, 179, 86, 34));
    QCOMPARE(button(dlg.get(), "button1009")->geometry(), QRect(377, 8, 14, 14));
    QWidget *preview = dlg->findChild<QWidget *>(QStringLiteral("preview2222"));
    QVERIFY(preview);
    QCOMPARE(preview->geometry(), QRect(254, 60, 119, 150));
    // The background is the full-size bitmap, centred.
    auto *background = dlg->findChild<QLabel *>(QStringLiteral("background"));
    QCOMPARE(background->pixmap().size(), QSize(410, 413));
    QVERIFY(!dlg->windowIcon().isNull());
}

void AppTest::missingProfileEndsBeforeTheLoop()
{
    Fixture fx(QByteArray{});
    auto dlg = fx.window();
    QCOMPARE(dlg->DoModal(), int(QDialog::Rejected));
    QVERIFY(dlg->endedDuringInit());
    QVERIFY(!dlg->isVisible());
    QCOMPARE(fx.presenter.boxes,
             QStringList{"Please Launch the wallpaper service from within the main Chimeforge Application"});
    QVERIFY(fx.presenter.plainBoxes.isEmpty()); // the warning kind, not the plain one
    QVERIFY(fx.exitCodes.isEmpty());
    QCOMPARE(dlg->outputExt(), QString());
}

void AppTest::noWallpaperSupportEndsTheProcess()
{
    Fixture fx("wallpaperSupport=0\nwallpaperType=1\n");
    auto dlg = fx.window();
    dlg->DoModal();
    QCOMPARE(fx.presenter.plainBoxes.size(), 1);
    QCOMPARE(fx.presenter.plainBoxes[0].first,
             QStringLiteral("We are sorry, your phone does not support wallpapers"));
    QCOMPARE(fx.presenter.plainBoxes[0].second, QStringLiteral("Error"));
    QCOMPARE(fx.exitCodes, QList<int>{0});
    QVERIFY(!dlg->isVisible());
}

void AppTest::outputExtensionFollowsType_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QString>("ext");
    QTest::newRow("jpeg") << QByteArray("1") << "jpg";
    QTest::newRow("seven") << QByteArray("7") << "";
    QTest::newRow("absent: field stays zero") << QByteArray() << "bmp";
}

void AppTest::outputExtensionFollowsType()
{
    QFETCH(QByteArray, type);
    QFETCH(QString, ext);
    Fixture fx("wallpaperSupport=1\n" + (type.isNull() ? QByteArray() : "wallpaperType=" + type + "\n"));
    auto dlg = fx.window();
    dlg->OnInitDialog();
    QCOMPARE(dlg->outputExt(), ext);
}

void AppTest::uploadWithoutPictureIsRefused()
{
    Fixture fx;
    auto dlg = fx.window();
    dlg->OnInitDialog();
    int jobs = 0;
    dlg->setUploadJob([&](auto &&...) { ++jobs; });
    QTest::mouseClick(button(dlg.get(), "button1008"), Qt::LeftButton);
    QCOMPARE(fx.presenter.boxes, QStringList{"Please Click Browse to select a file to Upload"});
    QCOMPARE(jobs, 0);
    QCOMPARE(progress(dlg.get())->maximum(), 100);
    QCOMPARE(progress(dlg.get())->value(), 0);

    // A cancelled Browse forgets the picture again.
    fx.presenter.nextFile = std::nullopt;
    dlg->OnBrowse();
    dlg->OnUpload();
    QCOMPARE(fx.presenter.boxes.size(), 2);
    QCOMPARE(jobs, 0);
}

void AppTest::uploadRunsTheJobBetweenFiveAndTen()
{
    Fixture fx;
    auto dlg = fx.window();
    dlg->OnInitDialog();
    dlg->setClock([] { return 1u; });
    if (imageMagick().isEmpty())
        QSKIP("ImageMagick is not installed");
    fx.presenter.nextFile = fx.convertible(QStringLiteral("my beach.photo.jpg"));
    dlg->OnBrowse();
    QCOMPARE(dlg->pictureTitle(), QStringLiteral("my beach.photo"));

    QStringList seen;
    dlg->setUploadJob([&](const QString &startDir, const QByteArray &name, const QByteArray &number,
                          QByteArray &title, qint32 carrier, qint32 phone, const QByteArray &version,
                          qint32 type) {
        QCOMPARE(progress(dlg.get())->value(), 5);
        QCOMPARE(progress(dlg.get())->maximum(), 10);
        seen << startDir << name << number << title << QString::number(carrier) << QString::number(phone)
             << version << QString::number(type);
        title.replace(' ', '_');
    });
    dlg->OnUpload();
    QCOMPARE(seen,
             (QStringList{fx.start.path(), "41.gif", "5550100", "my beach.photo", "4", "210", "2.5", "2"}));
    QCOMPARE(progress(dlg.get())->value(), 10);
    QVERIFY(fx.presenter.boxes.isEmpty());
    // The job cleans the title in place, and the window keeps what it left.
    QCOMPARE(dlg->pictureTitle(), QStringLiteral("my_beach.photo"));
}

void AppTest::sameSecondSameUploadName()
{
    Fixture fx;
    auto dlg = fx.window();
    dlg->OnInitDialog();
    dlg->setClock([] { return 1765152000u; });
    if (imageMagick().isEmpty())
        QSKIP("ImageMagick is not installed");
    fx.presenter.nextFile = fx.convertible(QStringLiteral("x.jpg"));
    dlg->OnBrowse();
    QByteArrayList names;
    dlg->setUploadJob([&](const QString &, const QByteArray &name, auto &&...) { names << name; });
    dlg->OnUpload();
    dlg->OnUpload();
    QCOMPARE(names.size(), 2);
    QCOMPARE(names[0], names[1]);
    QVERIFY(names[0].endsWith(".gif"));
}

void AppTest::nothingEndsOrRestartsAnUpload_data()
{
    QTest::addColumn<QString>("attempt");
    for (const char *attempt : {"Upload", "Browse", "close button", "Esc", "Enter", "window closed"})
        QTest::newRow(attempt) << QString::fromLatin1(attempt);
}

void AppTest::nothingEndsOrRestartsAnUpload()
{
    // Commands that reach the window while its upload runs, as a nested event
    // loop could deliver them, are refused.
    QFETCH(QString, attempt);
    Fixture fx;
    auto dlg = fx.window();
    dlg->OnInitDialog();
    if (imageMagick().isEmpty())
        QSKIP("ImageMagick is not installed");
    fx.presenter.nextFile = fx.convertible(QStringLiteral("x.jpg"));
    dlg->OnBrowse();
    const QString gif = fx.start.filePath(QStringLiteral("a.gif"));
    QVERIFY(QFile::exists(gif));
    dlg->show();
    const int dialogsBefore = int(fx.presenter.fileDialogs.size());
    int jobs = 0;
    dlg->setUploadJob([&](auto &&...) {
        ++jobs;
        if (attempt == QLatin1String("Upload"))
            dlg->OnUpload();
        else if (attempt == QLatin1String("Browse"))
            dlg->OnBrowse();
        else if (attempt == QLatin1String("close button"))
            dlg->OnCloseButton();
        else if (attempt == QLatin1String("Esc"))
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        else if (attempt == QLatin1String("Enter"))
            QTest::keyClick(dlg.get(), Qt::Key_Return);
        else
            dlg->close();
    });
    dlg->OnUpload();
    QCOMPARE(jobs, 1);
    QCOMPARE(int(fx.presenter.fileDialogs.size()), dialogsBefore);
    QVERIFY(dlg->isVisible());
    QVERIFY(QFile::exists(gif));
}

void AppTest::closeButtonDeletesConvertedPictures()
{
    Fixture fx;
    for (const char *n : {"a.bmp", "a.jpg", "a.gif", "keep.gif"}) {
        QFile f(fx.start.filePath(QLatin1String(n)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    auto dlg = fx.window();
    dlg->OnInitDialog();
    dlg->show();
    QDir::setCurrent(QDir::tempPath()); // the file dialog may have moved it
    QTest::mouseClick(button(dlg.get(), "button1009"), Qt::LeftButton);
    QVERIFY(!dlg->isVisible());
    QCOMPARE(dlg->result(), int(QDialog::Rejected));
    QCOMPARE(QDir(fx.start.path()).entryList(QDir::Files), QStringList{"keep.gif"});
}

void AppTest::escapeKeepsConvertedPictures()
{
    Fixture fx;
    QFile f(fx.start.filePath(QStringLiteral("a.gif")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    auto dlg = fx.window();
    dlg->OnInitDialog();
    dlg->show();
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QVERIFY(!dlg->isVisible());
    QVERIFY(QFile::exists(f.fileName()));
}

void AppTest::aboutCommand_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("opened");
    QTest::newRow("about") << 0x0010 << 1;
    QTest::newRow("about with low bits") << 0x001F << 1;
    QTest::newRow("close command") << 0xF060 << 0;
    QTest::newRow("next id") << 0x0020 << 0;
}

void AppTest::aboutCommand()
{
    QFETCH(int, id);
    QFETCH(int, opened);
    Fixture fx;
    auto dlg = fx.window();
    dlg->OnInitDialog();
    dlg->OnSysCommand(id);
    QCOMPARE(fx.presenter.aboutBoxes, opened);
}

void AppTest::dragByBackground()
{
    Fixture fx;
    auto dlg = fx.window();
    dlg->OnInitDialog();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    const QPoint before = dlg->pos();
    // On a free spot of the background.
    QTest::mousePress(dlg.get(), Qt::LeftButton, {}, QPoint(20, 380));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 400), dlg->mapToGlobal(QPointF(60, 400)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &move);
    QTest::mouseRelease(dlg.get(), Qt::LeftButton, {}, QPoint(60, 400));
    QCOMPARE(dlg->pos(), before + QPoint(40, 20));

    // A press on a button clicks it and leaves the window where it is.
    const QPoint here = dlg->pos();
    QTest::mousePress(button(dlg.get(), "button1008"), Qt::LeftButton);
    QMouseEvent move2(QEvent::MouseMove, QPointF(80, 80), dlg->mapToGlobal(QPointF(80, 80)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button(dlg.get(), "button1008"), &move2);
    QTest::mouseRelease(button(dlg.get(), "button1008"), Qt::LeftButton);
    QCOMPARE(dlg->pos(), here);
}

QTEST_MAIN(AppTest)
#include "tst_app.moc"
