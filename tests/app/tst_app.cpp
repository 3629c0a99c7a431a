#include "captureserver.h"
#include "core/app/uploadhistory.h"
#include "core/platform/profilestore.h"
#include "core/platform/wait.h"
#include "core/upload/uploadandreport.h"
#include "lacking.h"
#include "pictures.h"
#include "testfiles.h"
#include "ui/app/CWallpaperApp.h"
#include "ui/app/CWallpaperDlg.h"
#include "ui/app/QtPresenter.h"
#include "ui/skin/CSkinButton.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <tuple>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QByteArray kGoodProfile = "Version=2.5\nSerial=9\nwallpaperSupport=1\nNumber=5550100\nType=1\n"
                                "Carrier=4\nPhone=210\nwallpaperType=2\nwallpaperWidth=128\n"
                                "wallpaperHeight=160\n";
// A copy of 3 MB, more than the kernels' buffers hold.
const QByteArray kThreeMegabyteBitmap = "wallpaperSupport=1\nwallpaperType=0\nwallpaperWidth=1024\n"
                                        "wallpaperHeight=1024\n";

struct Fixture : WindowFixture
{
    explicit Fixture(const QByteArray &profile = kGoodProfile) : WindowFixture(profile) {}
    std::unique_ptr<CWallpaperDlg> window() { return makeWindow(); }
    // As the user meets it: initialised, the profile read.
    std::unique_ptr<CWallpaperDlg> openedWindow()
    {
        auto dlg = makeWindow();
        dlg->OnInitDialog();
        return dlg;
    }

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
    void missingProfileEndsBeforeTheLoop_data();
    void missingProfileEndsBeforeTheLoop();
    void noWallpaperSupportEndsTheProcess();
    void uploadWithoutPictureIsRefused();
    void uploadRunsTheJobBetweenEmptyAndFull();
    void sameSecondSameUploadName();
    void inputDuringAnUpload_data();
    void inputDuringAnUpload();
    void everyWayOutRemovesOnlyOurFolder_data();
    void everyWayOutRemovesOnlyOurFolder();
    void twoWindowsNeverShareAFolder();
    void boxesBelongToTheWindow_data();
    void boxesBelongToTheWindow();
    void closeTakesClicksAroundItsGlyph_data();
    void closeTakesClicksAroundItsGlyph();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void shiftF10OpensTheMenuOnItsFirstItem();
    void waitOnARealUpload_data();
    void waitOnARealUpload();
    void opensCentredOnThePrimaryScreen();
    void recentUploadsInTheMenu_data();
    void recentUploadsInTheMenu();
    void dragByBackground();
};

void AppTest::layoutAfterInit()
{
    Fixture fx;
    auto dlg = fx.openedWindow();
    QVERIFY(fx.presenter.boxes.isEmpty());
    QCOMPARE(dlg->size(), QSize(414, 413));
    QVERIFY(dlg->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Chimeforge Wallpaper"));
    // Its own folder, never the current one.
    QVERIFY(dlg->startDir().startsWith(fx.runtime.path() + QStringLiteral("/pictovane-")));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                      | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QVERIFY(!(QFile::permissions(dlg->startDir()) & others));

    QCOMPARE(progress(dlg.get())->geometry(), QRect(47, 250, 141, 11));
    QCOMPARE(progress(dlg.get())->minimum(), 0);
    QCOMPARE(progress(dlg.get())->maximum(), 100);
    QCOMPARE(progress(dlg.get())->value(), 0);
    QCOMPARE(progress(dlg.get())->accessibleName(), QStringLiteral("Progress"));
    QVERIFY(!dlg->findChild<QLabel *>(QStringLiteral("background"))->accessibleName().isEmpty());
    QCOMPARE(button(dlg.get(), "button1007")->geometry(), QRect(65, 127, 87, 33));
    QCOMPARE(button(dlg.get(), "button1008")->geometry(), QRect(65, 179, 86, 34));
    // The close glyph where the artwork has it, taking clicks on 24 x 24 around it.
    QCOMPARE(button(dlg.get(), "button1009")->geometry(), QRect(372, 3, 24, 24));
    QCOMPARE(dlg->findChild<CSkinButton *>(QStringLiteral("button1009"))->pictureRect(), QRect(5, 5, 14, 14));
    QWidget *preview = dlg->findChild<QWidget *>(QStringLiteral("preview2222"));
    QVERIFY(preview);
    QCOMPARE(preview->geometry(), QRect(254, 60, 119, 150));
    // The background is the full-size bitmap, centred.
    auto *background = dlg->findChild<QLabel *>(QStringLiteral("background"));
    QCOMPARE(background->pixmap().size(), QSize(410, 413));
    QVERIFY(!dlg->windowIcon().isNull());
}

void AppTest::missingProfileEndsBeforeTheLoop_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("box");
    QTest::newRow("missing")
        << false << "Please Launch the wallpaper service from within the main Chimeforge Application";
    QTest::newRow("present but unreadable") << true << "The phone profile exists but cannot be read.";
}

void AppTest::missingProfileEndsBeforeTheLoop()
{
    QFETCH(bool, present);
    QFETCH(QString, box);
    Fixture fx(present ? kGoodProfile : QByteArray{});
    const PermissionsHold hold;
    if (present) {
        QFile::setPermissions(fx.profilePath(), QFile::WriteOwner);
        if (QFile(fx.profilePath()).open(QIODevice::ReadOnly))
            SKIP_LACKING("file permissions cannot be made to hold for this user");
    }
    auto dlg = fx.window();
    QCOMPARE(dlg->DoModal(), int(QDialog::Rejected));
    QVERIFY(!dlg->isVisible());
    QCOMPARE(fx.presenter.boxes, QStringList{box});
    QVERIFY(fx.presenter.plainBoxes.isEmpty()); // the warning kind, not the plain one
    QVERIFY(fx.exitCodes.isEmpty());
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

void AppTest::uploadWithoutPictureIsRefused()
{
    Fixture fx;
    auto dlg = fx.openedWindow();
    int jobs = 0;
    dlg->setUploadJob([&](auto &&...) {
        ++jobs;
        return UploadReport{};
    });
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

void AppTest::uploadRunsTheJobBetweenEmptyAndFull()
{
    Fixture fx;
    auto dlg = fx.openedWindow();
    dlg->setClock([] { return 1u; });
    if (imageMagick().isEmpty())
        SKIP_LACKING("ImageMagick is not installed");
    fx.presenter.nextFile = fx.convertible(QStringLiteral("my beach.photo.jpg"));
    dlg->OnBrowse();
    QCOMPARE(dlg->pictureTitle(), QStringLiteral("my beach.photo"));

    QStringList seen;
    QList<int> barDuringJob;
    dlg->setUploadJob([&](const UploadRequest &r, Wait *wait) {
        barDuringJob << progress(dlg.get())->value() << progress(dlg.get())->maximum() << (wait ? 1 : 0);
        seen << r.copyPath << r.uploadFileName << r.number << r.pictureTitle << QString::number(r.carrier)
             << QString::number(r.phone) << r.version << QString::number(r.wallpaperType);
        return UploadReport{};
    });
    dlg->OnUpload();
    QCOMPARE(seen, (QStringList{QDir(dlg->startDir()).filePath(QStringLiteral("a.gif")), "41.gif", "5550100",
                                "my beach.photo", "4", "210", "2.5", "2"}));
    // Empty until the server has acknowledged a byte.
    QCOMPARE(barDuringJob, (QList<int>{0, 1000, 1}));
    QCOMPARE(progress(dlg.get())->value(), 1000);
    QVERIFY(fx.presenter.boxes.isEmpty());
    // The title stays as the user knows it; only the job cleans it, for the server.
    QCOMPARE(dlg->pictureTitle(), QStringLiteral("my beach.photo"));
}

void AppTest::sameSecondSameUploadName()
{
    Fixture fx;
    auto dlg = fx.openedWindow();
    dlg->setClock([] { return 1765152000u; });
    if (imageMagick().isEmpty())
        SKIP_LACKING("ImageMagick is not installed");
    fx.presenter.nextFile = fx.convertible(QStringLiteral("x.jpg"));
    dlg->OnBrowse();
    QByteArrayList names;
    dlg->setUploadJob([&](const UploadRequest &r, Wait *) {
        names << r.uploadFileName;
        return UploadReport{};
    });
    dlg->OnUpload();
    dlg->OnUpload();
    QCOMPARE(names.size(), 2);
    QCOMPARE(names[0], names[1]);
    QVERIFY(names[0].endsWith(".gif"));
}

void AppTest::inputDuringAnUpload_data()
{
    // What the user does while the job runs, whether the window asks to stop,
    // and the answer.
    QTest::addColumn<QString>("attempt");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Upload") << "Upload" << false << true;
    QTest::newRow("Browse") << "Browse" << false << true;
    QTest::newRow("Enter") << "Enter" << false << true;
    QTest::newRow("close button, No") << "close button" << true << false;
    QTest::newRow("Esc, No") << "Esc" << true << false;
    QTest::newRow("window closed, No") << "window closed" << true << false;
    QTest::newRow("Esc twice, asked once") << "Esc Esc" << true << false;
    QTest::newRow("a held Esc asks once") << "Esc held" << true << false;
    QTest::newRow("close button, Yes") << "close button" << true << true;
    QTest::newRow("Esc, Yes") << "Esc" << true << true;
}

void AppTest::inputDuringAnUpload()
{
    // Input given while the job waits reaches no command; the stop keys only
    // ask, and the window stays open whatever the answer.
    QFETCH(QString, attempt);
    QFETCH(bool, asks);
    QFETCH(bool, yes);
    Fixture fx;
    auto dlg = fx.openedWindow();
    if (imageMagick().isEmpty())
        SKIP_LACKING("ImageMagick is not installed");
    fx.presenter.nextFile = fx.convertible(QStringLiteral("x.jpg"));
    dlg->OnBrowse();
    const QString gif = QDir(dlg->startDir()).filePath(QStringLiteral("a.gif"));
    QVERIFY(QFile::exists(gif));
    dlg->show();
    fx.presenter.stopAnswer = yes;
    const int dialogsBefore = int(fx.presenter.fileDialogs.size());
    int jobs = 0;
    bool stopSeen = false;
    const auto controls = {"button1007", "button1008", "preview2222", "button1009"};
    QList<bool> enabled;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    dlg->setUploadJob([&](auto &&...inputs) -> UploadReport {
        Wait *wait = std::get<1>(std::forward_as_tuple(inputs...));
        ++jobs;
        cursor = dlg->cursor().shape();
        for (const char *name : controls)
            enabled << dlg->findChild<QWidget *>(QLatin1String(name))->isEnabled();
        for (const QString &a : attempt.split(QLatin1Char(' '))) {
            if (a == QLatin1String("Upload"))
                QTest::mouseClick(button(dlg.get(), "button1008"), Qt::LeftButton);
            else if (a == QLatin1String("Browse"))
                QTest::mouseClick(button(dlg.get(), "button1007"), Qt::LeftButton);
            else if (a == QLatin1String("close button"))
                QTest::mouseClick(button(dlg.get(), "button1009"), Qt::LeftButton);
            else if (a == QLatin1String("Esc"))
                QTest::keyClick(dlg.get(), Qt::Key_Escape);
            else if (a == QLatin1String("Enter"))
                QTest::keyClick(dlg.get(), Qt::Key_Return);
            else if (a == QLatin1String("held")) {
                // The key's repeats, each after the question was answered.
                for (int i = 0; i < 3; ++i) {
                    wait->idle();
                    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), true);
                    QApplication::sendEvent(dlg.get(), &repeat);
                }
            } else
                dlg->close();
        }
        wait->idle();
        wait->idle();
        stopSeen = wait->stopRequested();
        UploadReport report;
        report.stopped = stopSeen;
        return report;
    });
    dlg->OnUpload();
    QCOMPARE(jobs, 1);
    // Busy: Browse, Upload and the preview greyed, the close button asking;
    // all back once the job is over.
    QCOMPARE(cursor, Qt::WaitCursor);
    QCOMPARE(enabled, (QList<bool>{false, false, false, true}));
    QCOMPARE(dlg->cursor().shape(), Qt::ArrowCursor);
    for (const char *name : controls)
        QVERIFY(dlg->findChild<QWidget *>(QLatin1String(name))->isEnabled());
    QCOMPARE(int(fx.presenter.fileDialogs.size()), dialogsBefore);
    QCOMPARE(fx.presenter.stopQuestions, asks ? QStringList{"Stop sending the picture?"} : QStringList{});
    QCOMPARE(stopSeen, asks && yes);
    QCOMPARE(fx.presenter.boxes,
             asks && yes ? QStringList{"Sending the picture was stopped."} : QStringList{});
    // Stopped: empty, not full; the picture still chosen for the next try.
    QCOMPARE(progress(dlg.get())->value(), asks && yes ? 0 : 1000);
    QVERIFY(!dlg->picturePath().isEmpty());
    QVERIFY(dlg->isVisible());
    QVERIFY(QFile::exists(gif));

    // Idle again, the close button closes as usual.
    QTest::mouseClick(button(dlg.get(), "button1009"), Qt::LeftButton);
    QVERIFY(!dlg->isVisible());
}

void AppTest::everyWayOutRemovesOnlyOurFolder_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("close button") << "close button";
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("Enter on the close button") << "Enter";
    QTest::newRow("window manager's close") << "close";
}

void AppTest::everyWayOutRemovesOnlyOurFolder()
{
    QFETCH(QString, way);
    Fixture fx;
    // The user's own files of the same names, where the program started.
    for (const char *n : {"a.bmp", "a.jpg", "a.gif"})
        writeFile(fx.start.filePath(QLatin1String(n)), "the user's own");
    auto dlg = fx.openedWindow();
    const QString folder = dlg->startDir();
    for (const char *n : {"a.bmp", "a.jpg", "a.gif", "stray"})
        writeFile(QDir(folder).filePath(QLatin1String(n)), "ours");
    dlg->show();
    QDir::setCurrent(QDir::tempPath()); // the file dialog may have moved it
    if (way == QLatin1String("close button")) {
        QTest::mouseClick(button(dlg.get(), "button1009"), Qt::LeftButton);
    } else if (way == QLatin1String("Enter")) {
        button(dlg.get(), "button1009")->setFocus();
        QTest::keyClick(dlg.get(), Qt::Key_Return);
    } else if (way == QLatin1String("Esc")) {
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
    } else {
        dlg->close();
    }
    QVERIFY(!dlg->isVisible());
    QCOMPARE(dlg->result(), int(QDialog::Rejected));
    dlg.reset();
    QVERIFY(!QFileInfo::exists(folder));
    for (const char *n : {"a.bmp", "a.jpg", "a.gif"})
        QCOMPARE(readFile(fx.start.filePath(QLatin1String(n))), QByteArray("the user's own"));
}

void AppTest::twoWindowsNeverShareAFolder()
{
    Fixture fx;
    auto one = fx.window();
    auto two = fx.window();
    one->OnInitDialog();
    two->OnInitDialog();
    QVERIFY(!one->startDir().isEmpty());
    QVERIFY(one->startDir() != two->startDir());
}

void AppTest::boxesBelongToTheWindow_data()
{
    QTest::addColumn<QString>("call");
    for (const char *call : {"messageBox", "plainBox", "askYesNo", "askToStop", "openFileName",
                             "statusDialog", "aboutBox", "recentUploads", "the program's own window"})
        QTest::newRow(call) << QString::fromLatin1(call);
}

void AppTest::boxesBelongToTheWindow()
{
    // A window manager, a Wayland compositor above all, places a box over
    // the window it belongs to; one without a parent lands anywhere.
    QFETCH(QString, call);
    QWidget *parentSeen = nullptr;
    QByteArray parentClass; // the window may be gone when it is compared
    bool seen = false;
    QTimer look;
    look.setInterval(20);
    connect(&look, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!seen) {
            parentSeen = box->parentWidget();
            parentClass = parentSeen ? parentSeen->metaObject()->className() : "";
        }
        seen = true;
        box->reject();
    });
    look.start();

    if (call == QLatin1String("the program's own window")) {
        // No phone profile on this machine: the window's first box says so.
        QTemporaryDir noProfile;
        const QByteArray oldDirs = qgetenv("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(noProfile.path()));
        CWallpaperApp().run();
        qputenv("XDG_CONFIG_DIRS", oldDirs);
        QVERIFY(seen);
        QCOMPARE(parentClass, QByteArray("CWallpaperDlg"));
        return;
    }
    QWidget window;
    window.show();
    QtPresenter presenter(&window);
    QTemporaryDir data;
    const UploadHistory history(data.filePath(QStringLiteral("uploads.json")));
    if (call == QLatin1String("messageBox"))
        presenter.messageBox(QStringLiteral("text"));
    else if (call == QLatin1String("plainBox"))
        presenter.plainBox(QStringLiteral("text"), QStringLiteral("caption"));
    else if (call == QLatin1String("askYesNo"))
        presenter.askYesNo(QStringLiteral("text?"));
    else if (call == QLatin1String("askToStop"))
        presenter.askToStop(QStringLiteral("Stop?"));
    else if (call == QLatin1String("openFileName"))
        presenter.openFileName({QStringLiteral("Pictures (*.jpg)")});
    else if (call == QLatin1String("statusDialog"))
        presenter.statusDialog(0, "http://dl.example/w/41.gif", {});
    else if (call == QLatin1String("aboutBox"))
        presenter.aboutBox();
    else
        presenter.recentUploads(history);
    QVERIFY(seen);
    QCOMPARE(parentSeen, &window);
}

void AppTest::closeTakesClicksAroundItsGlyph_data()
{
    QTest::addColumn<QPoint>("at"); // in the window
    QTest::addColumn<bool>("closes");
    QTest::newRow("the glyph") << QPoint(384, 15) << true;
    QTest::newRow("top-left corner of the target") << QPoint(372, 3) << true;
    QTest::newRow("bottom-right corner of the target") << QPoint(395, 26) << true;
    QTest::newRow("just left of it: the background") << QPoint(371, 15) << false;
    QTest::newRow("just below it: the background") << QPoint(384, 27) << false;
}

void AppTest::closeTakesClicksAroundItsGlyph()
{
    QFETCH(QPoint, at);
    QFETCH(bool, closes);
    Fixture fx;
    auto dlg = fx.openedWindow();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    // Delivered as the window system would: to the widget under the point.
    QWidget *under = dlg->childAt(at);
    QWidget *target = under ? under : dlg.get();
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(dlg.get(), at));
    QCOMPARE(dlg->isVisible(), !closes);
}

void AppTest::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("fileDialogs");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("visible");
    QTest::newRow("Browse") << "button1007" << 1 << QStringList{} << true;
    QTest::newRow("Upload") << "button1008" << 0
                            << QStringList{"Please Click Browse to select a file to Upload"} << true;
    QTest::newRow("close") << "button1009" << 0 << QStringList{} << false;
}

void AppTest::enterPressesTheFocusedButton()
{
    QFETCH(QString, focused);
    QFETCH(int, fileDialogs);
    QFETCH(QStringList, boxes);
    QFETCH(bool, visible);
    Fixture fx;
    auto dlg = fx.openedWindow();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    button(dlg.get(), qPrintable(focused))->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(int(fx.presenter.fileDialogs.size()), fileDialogs);
    QCOMPARE(fx.presenter.boxes, boxes);
    QCOMPARE(dlg->isVisible(), visible);
}

void AppTest::shiftF10OpensTheMenuOnItsFirstItem()
{
    Fixture fx;
    auto dlg = fx.openedWindow();
    dlg->show();
    QString selected = QStringLiteral("(no menu)");
    QTimer::singleShot(300, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            selected = menu->activeAction() ? menu->activeAction()->text() : QString();
            menu->close();
        }
    });
    QTest::keyClick(dlg.get(), Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(selected, QStringLiteral("&Fill the screen"));
}

namespace {

// A loopback listener whose queue is full and that never accepts: a
// connection to it is never completed, as behind a proxy that hangs.
struct NeverAccepts
{
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    quint16 port = 0;
    NeverAccepts()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr *>(&address), length);
        ::listen(listener, 0);
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
        ::connect(filler, reinterpret_cast<sockaddr *>(&address), length);
    }
    ~NeverAccepts()
    {
        ::close(filler);
        ::close(listener);
    }
};

} // namespace

void AppTest::waitOnARealUpload_data()
{
    // never accepts: Esc; thinks: a second before it answers; holds the end:
    // leaves the body's last bytes unread, Esc then; answer awaited: has the
    // whole body and thinks, Esc then; long No: the same, answered late.
    QTest::addColumn<QString>("server");
    QTest::newRow("a proxy that never accepts: Esc, Yes") << "never accepts";
    QTest::newRow("a slow server: the window repaints") << "thinks";
    QTest::newRow("Esc with the body's end unsent: none of it goes") << "holds the end";
    QTest::newRow("Esc with the whole body in: told it may still arrive") << "answer awaited";
    QTest::newRow("No after longer than the stall limit: the upload goes on") << "long No";
}

void AppTest::waitOnARealUpload()
{
    // The real request under the window's own wait.
    QFETCH(QString, server);
    const bool neverAccepts = server == QLatin1String("never accepts");
    const bool holdsTheEnd = server == QLatin1String("holds the end");
    const bool longNo = server == QLatin1String("long No");
    const bool escOnceIn = holdsTheEnd || longNo || server == QLatin1String("answer awaited");
    Fixture fx(holdsTheEnd ? kThreeMegabyteBitmap : kGoodProfile);
    auto dlg = fx.openedWindow();
    if (imageMagick().isEmpty())
        SKIP_LACKING("ImageMagick is not installed");
    fx.presenter.nextFile = fx.convertible(QStringLiteral("x.jpg"));
    dlg->OnBrowse();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));

    NeverAccepts hanging;
    std::atomic<bool> gate{!holdsTheEnd};
    const qint64 heldBack = 64 * 1024;
    CaptureServer::Script script;
    script.reply = "HTTP/1.1 200 OK\r\nContent-Length: 9\r\nConnection: close\r\n\r\nsuccess*L";
    script.answerDelay = std::chrono::milliseconds(longNo ? 13000 : escOnceIn ? 5000 : 1000);
    script.deadline = std::chrono::seconds(longNo ? 30 : 10);
    script.gate = &gate;
    script.heldBack = holdsTheEnd ? heldBack : 0;
    script.receiveBuffer = holdsTheEnd ? 16384 : 0;
    CaptureServer capture(std::move(script));
    useProxy(neverAccepts ? hanging.port : capture.port());
    // Half-way through the wait, the user presses Esc or the window asks to
    // be painted; the paints served before the job returns are counted.
    struct PaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    int paintsServed = -1;
    // Once the server has what this row waits for; the client's kernel then
    // gets a moment to take the rest.
    QTimer poll;
    QElapsedTimer sinceIn;
    QObject::connect(&poll, &QTimer::timeout, dlg.get(), [&] {
        const qint64 in = capture.received();
        if (!sinceIn.isValid() && in > 0 && in >= capture.contentLength() - (holdsTheEnd ? heldBack : 0))
            sinceIn.start();
        if (sinceIn.isValid() && sinceIn.elapsed() >= (longNo ? 7000 : 200)) {
            poll.stop();
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        }
    });
    if (escOnceIn) {
        poll.start(20);
    } else {
        QTimer::singleShot(300, dlg.get(), [&] {
            if (neverAccepts) {
                QTest::keyClick(dlg.get(), Qt::Key_Escape);
            } else {
                dlg->installEventFilter(&counter);
                dlg->update();
            }
        });
    }
    QElapsedTimer sinceYes;
    fx.presenter.stopAnswer = !longNo;
    // A long No: the user thinks it over.
    fx.presenter.whenAsked = [&] { longNo ? QTest::qSleep(4500) : sinceYes.start(); };
    dlg->setUploadJob([&](const UploadRequest &request, Wait *wait) {
        // libcurl's stall runs from 5-6 s after the body (its speed is averaged
        // over 5 s): at Esc (7 s) it runs, No comes at 11.5 s, the answer at 13 s.
        const UploadReport report =
            uploadAndReport(fx.presenter, request, wait,
                            {kTestTimeouts.connect, longNo ? std::chrono::seconds(4) : kTestTimeouts.stall});
        if (sinceYes.isValid())
            qInfo("the request ended %lld ms after Yes", qint64(sinceYes.elapsed()));
        paintsServed = counter.paints;
        return report;
    });
    dlg->OnUpload();
    if (neverAccepts) {
        QCOMPARE(fx.presenter.stopQuestions, QStringList{"Stop sending the picture?"});
        QCOMPARE(fx.presenter.boxes, QStringList{"Sending the picture was stopped."});
        QVERIFY(fx.presenter.statusDialogs.isEmpty());
        QCOMPARE(progress(dlg.get())->value(), 0);
    } else if (holdsTheEnd) {
        QCOMPARE(fx.presenter.stopQuestions, QStringList{"Stop sending the picture?"});
        QCOMPARE(fx.presenter.boxes, QStringList{"Sending the picture was stopped."});
        // Whatever the client's kernel held was dropped, not sent after Yes.
        gate = true;
        capture.finish();
        QVERIFY(capture.body().size() < capture.contentLength());
    } else if (escOnceIn && !longNo) {
        QCOMPARE(fx.presenter.stopQuestions, QStringList{"Stop waiting for the server's answer?"});
        QCOMPARE(fx.presenter.boxes,
                 QStringList{"The picture reached the server, but its answer was not waited "
                             "for. Your phone may still get it."});
        QVERIFY(fx.presenter.statusDialogs.isEmpty());
        QCOMPARE(progress(dlg.get())->value(), 0);
    } else {
        QCOMPARE(fx.presenter.stopQuestions.size(), longNo ? 1 : 0);
        QVERIFY2(longNo || paintsServed > 0, "no paint was served while the server thought");
        QCOMPARE(fx.presenter.statusDialogs, (QList<RecordingPresenter::Status>{{0, "L"}}));
        QCOMPARE(progress(dlg.get())->value(), 1000);
    }
}

void AppTest::opensCentredOnThePrimaryScreen()
{
    Fixture fx;
    auto dlg = fx.window();
    QPoint centre;
    QMetaObject::invokeMethod(
        dlg.get(),
        [&] {
            centre = dlg->geometry().center();
            dlg->reject();
        },
        Qt::QueuedConnection);
    dlg->DoModal();
    const QPoint expected = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2((centre - expected).manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
}

void AppTest::recentUploadsInTheMenu_data()
{
    QTest::addColumn<int>("entries");
    QTest::newRow("no uploads yet: disabled, About above it chosen") << 0;
    QTest::newRow("one upload: opens the list") << 1;
}

void AppTest::recentUploadsInTheMenu()
{
    QFETCH(int, entries);
    Fixture fx;
    const UploadHistory history(fx.config.filePath(QStringLiteral("uploads.json")));
    for (int i = 0; i < entries; ++i)
        QVERIFY(history.add({QDateTime::currentDateTime(), QStringLiteral("beach"), "http://dl.example/1"}));
    auto dlg = fx.window();
    dlg->setUploadHistory(&history);
    dlg->OnInitDialog();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));

    QStringList items;
    bool enabled = false;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (const QAction *action : menu->actions())
            items << action->text();
        // Under About, the last item.
        QAction *recent = menu->actions().value(menu->actions().size() - 1);
        enabled = recent && recent->isEnabled();
        menu->setActiveAction(enabled ? recent : menu->actions().value(menu->actions().size() - 2));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 300), dlg->mapToGlobal(QPoint(20, 300)));
    QApplication::sendEvent(dlg.get(), &event);
    QCOMPARE(items.value(items.size() - 2), QStringLiteral("&About Pictovane..."));
    QCOMPARE(items.value(items.size() - 1), QStringLiteral("&Recent Uploads\u2026"));
    QCOMPARE(enabled, entries > 0);
    QCOMPARE(fx.presenter.recentUploadsDialogs, entries > 0 ? 1 : 0);
    QCOMPARE(fx.presenter.aboutBoxes, entries > 0 ? 0 : 1);
}

void AppTest::dragByBackground()
{
    Fixture fx;
    auto dlg = fx.openedWindow();
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
