// The user frames the picture in the main window: what the preview shows is
// what the converted copy holds, after a Browse, a drag, the wheel, the keys
// and the context menu; the choice of framing is remembered in the user's
// own settings.
#include "core/platform/profilestore.h"
#include "lacking.h"
#include "ui/app/CWallpaperDlg.h"
#include "ui/preview/CImagePreviewStatic.h"
#include "ui/preview/framingdialog.h"

#include "photo.h"
#include "pictures.h"
#include "testfiles.h"
#include "windowfixture.h"

#include <QAccessible>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Mean difference per channel of preview and copy at the same size: the
// filters and the GIF palette differ by about 1.5; a cut off by a twentieth
// of the screen differs by 5 or more.
constexpr double kAgree = 3;

// Notches of the wheel away from the user (zooming in), over `at`.
void turnWheel(QWidget *widget, QPoint at, double notches)
{
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, int(120 * notches)), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

struct Fixture : WindowFixture
{
    QTemporaryDir pictures;
    std::unique_ptr<CWallpaperDlg> dlg;
    QString photo;

    explicit Fixture(const QByteArray &profile = profileOf(2, 128, 160)) : WindowFixture(profile)
    {
        dlg = makeWindow();
        dlg->OnInitDialog();
        // A portrait photo stored sideways, as a phone camera stores it.
        const QImage upright = paintPhoto(600, 800, 8);
        QImage marked = upright;
        QPainter(&marked).fillRect(0, 0, 300, 100, QColor(230, 30, 30));
        photo = writeFile(
            pictures.filePath(QStringLiteral("portrait.jpg")),
            withOrientation(encodedPicture(marked.transformed(QTransform().rotate(-90)), "JPG"), 6));
    }
    ~Fixture() { dlg.reset(); }

    // Copies on disk when each upload ran.
    QByteArrayList sent;

    // The photo picked and shown, as the user sees it; uploads recorded.
    bool pickAndShow()
    {
        dlg->setUploadJob([this](auto &&...) {
            sent << readFile(copyPath());
            return UploadReport{};
        });
        presenter.nextFile = photo;
        dlg->OnBrowse();
        dlg->show();
        return QTest::qWaitForWindowExposed(dlg.get());
    }

    // ImageMagick behind a script that waits `seconds` first: every time,
    // or only once the file "slow" appears beside it (then removed). Each
    // start leaves a line in "log".
    void slowConverter(const char *seconds, bool once)
    {
        const QByteArray real = QFile::encodeName(imageMagick());
        const QByteArray dir = QFile::encodeName(bin.path());
        installConverter("#!/bin/sh\necho start >> '" + dir + "/log'\n"
                         + (once ? "if [ -e '" + dir + "/slow' ]; then rm -f '" + dir + "/slow'; sleep "
                                       + seconds + "; fi\n"
                                 : QByteArray("sleep ") + seconds + "\n")
                         + "exec '" + real + "' \"$@\"\n");
    }
    int converterStarts() const { return readFile(bin.filePath(QStringLiteral("log"))).count("start"); }

    CImagePreviewStatic *preview() const
    {
        return dlg->findChild<CImagePreviewStatic *>(QStringLiteral("preview2222"));
    }
    // In the window's own folder, where the converter writes.
    QString copyPath(const char *name = "a.gif") const
    {
        return QDir(dlg->startDir()).filePath(QLatin1String(name));
    }

    // The phone's screen as the preview shows it, and the copy on disk
    // scaled to that size: how far apart they are.
    double previewAgainstCopy(const char *name = "a.gif") const
    {
        CImagePreviewStatic *p = preview();
        const QImage shown = p->grab().toImage().copy(p->screenRect()).convertToFormat(QImage::Format_RGB32);
        const QImage copy = QImage(copyPath(name)).convertToFormat(QImage::Format_RGB32);
        return meanDifference(shown,
                              copy.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
};

} // namespace

class FramingTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void previewAgreesWithTheCopy_data();
    void previewAgreesWithTheCopy();
    void dragConvertsOnceLetGo();
    void uploadWaitsForTheNewFraming();
    void heldPictureWaitsForTheRelease();
    void uploadClickedWhileConvertingWaitsForIt();
    void gestureDuringAConversionIsTaken_data();
    void gestureDuringAConversionIsTaken();
    void framingWindow_data();
    void framingWindow();
    void framingWindowSize_data();
    void framingWindowSize();
    void keysPanZoomAndCentre();
    void fillStartsOnTheSubject_data();
    void fillStartsOnTheSubject();
    void contextMenuChoosesAndRemembers();
    void commandLineFramingIsNotRemembered();
    void assistiveTechnologySeesAPicture();
};

void FramingTest::init()
{
    if (imageMagick().isEmpty())
        SKIP_LACKING("ImageMagick is not installed");
}

void FramingTest::previewAgreesWithTheCopy_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QString>("framing");
    QTest::addColumn<double>("wheel"); // notches at the preview's upper left, then a drag
    QTest::addColumn<QByteArray>("copy");
    QTest::newRow("fill, GIF") << profileOf(2, 128, 160) << "fill" << 0.0 << QByteArray("a.gif");
    QTest::newRow("fill zoomed and moved, JPEG")
        << profileOf(1, 128, 160) << "fill" << 3.0 << QByteArray("a.jpg");
    QTest::newRow("fit, wide phone, bitmap") << profileOf(0, 220, 176) << "fit" << 0.0 << QByteArray("a.bmp");
    QTest::newRow("stretch, GIF") << profileOf(2, 128, 160) << "stretch" << 0.0 << QByteArray("a.gif");
    QTest::newRow("blur, wide phone, JPEG") << profileOf(1, 220, 176) << "blur" << 0.0 << QByteArray("a.jpg");
}

void FramingTest::previewAgreesWithTheCopy()
{
    QFETCH(QByteArray, profile);
    QFETCH(QString, framing);
    QFETCH(double, wheel);
    QFETCH(QByteArray, copy);
    Fixture fx(profile);
    fx.dlg->chooseFraming(*framingFromName(framing));
    fx.presenter.nextFile = fx.photo;
    fx.dlg->OnBrowse();
    QVERIFY(fx.presenter.boxes.isEmpty());
    CImagePreviewStatic *p = fx.preview();
    // The phone's shape, centred in the box.
    PhoneProfile given{};
    given.readFrom(*openProfileFile(fx.profilePath()));
    const QSize phone(given.wallpaperWidth, given.wallpaperHeight);
    QCOMPARE(QImage(fx.copyPath(copy.constData())).size(), phone);
    const QRect screen = p->screenRect();
    QVERIFY(qAbs(double(screen.width()) / screen.height() - double(phone.width()) / phone.height()) < 0.02);
    QVERIFY(qAbs(screen.center().x() - p->contentsRect().center().x()) <= 1);

    if (wheel > 0) {
        const QPoint at = screen.topLeft() + QPoint(20, 20);
        turnWheel(p, at, wheel);
        QTest::mousePress(p, Qt::LeftButton, {}, screen.center());
        QTest::mouseMove(p, screen.center() + QPoint(-15, 10));
        QTest::mouseRelease(p, Qt::LeftButton, {}, screen.center() + QPoint(-15, 10));
        QCOMPARE(fx.dlg->frameView().zoom, std::pow(1.25, wheel));
        QTRY_VERIFY(!fx.dlg->reframe() || fx.previewAgainstCopy(copy.constData()) < kAgree);
    }
    const double difference = fx.previewAgainstCopy(copy.constData());
    QVERIFY2(difference >= 0 && difference < kAgree, qPrintable(QString::number(difference)));
    // Upright: the red mark is in the top left of the picture.
    if ((framing == QLatin1String("fill") || framing == QLatin1String("stretch")) && wheel == 0) {
        const QColor corner = QImage(fx.copyPath(copy.constData())).pixelColor(4, 4);
        QVERIFY2(corner.red() > 180 && corner.green() < 90, qPrintable(corner.name()));
    }
}

void FramingTest::dragConvertsOnceLetGo()
{
    Fixture fx;
    fx.presenter.nextFile = fx.photo;
    fx.dlg->OnBrowse();
    CImagePreviewStatic *p = fx.preview();
    const QByteArray before = readFile(fx.copyPath());
    const QPoint windowAt = fx.dlg->pos();
    const QPoint from = p->screenRect().center();

    const FrameView suggested = fx.dlg->frameView();
    QTest::mousePress(p, Qt::LeftButton, {}, from);
    QTest::mouseMove(p, from + QPoint(0, -40));
    // The preview follows at once; the copy waits for the release.
    QVERIFY(fx.dlg->frameView().centre.y() > suggested.centre.y());
    QTest::qWait(600);
    QCOMPARE(readFile(fx.copyPath()), before);
    QTest::mouseRelease(p, Qt::LeftButton, {}, from + QPoint(0, -40));
    QTRY_VERIFY(readFile(fx.copyPath()) != before);
    const double difference = fx.previewAgainstCopy();
    QVERIFY2(difference >= 0 && difference < kAgree, qPrintable(QString::number(difference)));
    QCOMPARE(fx.dlg->pos(), windowAt); // the box does not move the window

    // A double-click puts it back where it started.
    QTest::mouseDClick(p, Qt::LeftButton, {}, from);
    QTest::mouseRelease(p, Qt::LeftButton, {}, from);
    QCOMPARE(fx.dlg->frameView(), suggested);
    QTRY_COMPARE(readFile(fx.copyPath()), before);
}

void FramingTest::uploadWaitsForTheNewFraming()
{
    Fixture fx;
    QByteArray sent;
    fx.dlg->setUploadJob([&](auto &&...) {
        sent = readFile(fx.copyPath());
        return UploadReport{};
    });
    fx.presenter.nextFile = fx.photo;
    fx.dlg->OnBrowse();
    const QByteArray centred = readFile(fx.copyPath());
    CImagePreviewStatic *p = fx.preview();
    const QPoint at = p->screenRect().center();
    turnWheel(p, at, 2);

    fx.dlg->OnUpload(); // before the wheel has rested

    QVERIFY(!sent.isEmpty());
    QVERIFY(sent != centred);
    QCOMPARE(sent, readFile(fx.copyPath()));
    const double difference = fx.previewAgainstCopy();
    QVERIFY2(difference >= 0 && difference < kAgree, qPrintable(QString::number(difference)));
}

void FramingTest::heldPictureWaitsForTheRelease()
{
    Fixture fx;
    QVERIFY(fx.pickAndShow());
    const QByteArray centred = readFile(fx.copyPath());
    CImagePreviewStatic *p = fx.preview();
    const QPoint at = p->screenRect().center();
    turnWheel(p, at, 1);
    // Through the window, as the window system gives them.
    QWindow *window = fx.dlg->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, p->mapTo(fx.dlg.get(), at));

    // The wheel rests while the button is held: converting now would drop
    // the rest of the drag, its release included.
    QTest::qWait(600);
    QCOMPARE(readFile(fx.copyPath()), centred);
    QTest::mouseRelease(window, Qt::LeftButton, {}, p->mapTo(fx.dlg.get(), at));
    QTRY_VERIFY(readFile(fx.copyPath()) != centred);
    const QWidget *upload = fx.dlg->findChild<QWidget *>(QStringLiteral("button1008"));
    QTest::mouseClick(window, Qt::LeftButton, {}, upload->mapTo(fx.dlg.get(), upload->rect().center()));
    QCOMPARE(fx.sent.size(), 1);
}

void FramingTest::uploadClickedWhileConvertingWaitsForIt()
{
    Fixture fx;
    fx.slowConverter("0.5", false);
    QVERIFY(fx.pickAndShow());
    const QByteArray centred = readFile(fx.copyPath());
    CImagePreviewStatic *p = fx.preview();
    // One click on Upload through the window while the converter runs, in
    // the background or not.
    const QWidget *upload = fx.dlg->findChild<QWidget *>(QStringLiteral("button1008"));
    int clicks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if ((fx.dlg->isBusy() || fx.dlg->isReframing()) && clicks++ == 0)
            QTest::mouseClick(fx.dlg->windowHandle(), Qt::LeftButton, {},
                              upload->mapTo(fx.dlg.get(), upload->rect().center()));
    });
    clicker.start(1);

    // The wheel's framing is being converted: the click sends it once done.
    turnWheel(p, p->screenRect().center(), 1);
    QTRY_COMPARE(fx.sent.size(), 1);
    QVERIFY(fx.sent[0] != centred);
    QCOMPARE(fx.sent[0], readFile(fx.copyPath()));
    QVERIFY(fx.previewAgainstCopy() < kAgree);
    QTest::qWait(700);
    QCOMPARE(fx.sent.size(), 1);

    // Upload's own conversion: a click then is no second upload.
    clicks = 0;
    turnWheel(p, p->screenRect().center(), 1);
    fx.dlg->OnUpload();
    QCOMPARE(clicks > 0, true);
    QTest::qWait(500);
    QCOMPARE(fx.sent.size(), 2);
}

void FramingTest::gestureDuringAConversionIsTaken_data()
{
    QTest::addColumn<bool>("drag"); // the second gesture: a drag, or the wheel
    QTest::addColumn<bool>("once"); // only the first framing's conversion is slow
    QTest::newRow("drag while converting") << true << false;
    QTest::newRow("wheel while converting") << false << false;
    QTest::newRow("older conversion slower than the newer") << false << true;
}

void FramingTest::gestureDuringAConversionIsTaken()
{
    QFETCH(bool, drag);
    QFETCH(bool, once);
    Fixture fx;
    fx.slowConverter(once ? "2" : "0.8", once);
    QVERIFY(fx.pickAndShow());
    const QByteArray centred = readFile(fx.copyPath());
    if (once)
        writeFile(fx.bin.filePath(QStringLiteral("slow")), "");
    CImagePreviewStatic *p = fx.preview();
    const QPoint at = p->screenRect().center();
    turnWheel(p, at, 1);
    QTRY_VERIFY(fx.dlg->isReframing());
    const FrameView first = fx.dlg->frameView();

    if (drag) {
        QTest::mousePress(p, Qt::LeftButton, {}, at);
        QTest::mouseMove(p, at + QPoint(-15, 10));
        QTest::mouseRelease(p, Qt::LeftButton, {}, at + QPoint(-15, 10));
    } else {
        turnWheel(p, at + QPoint(10, 10), 1);
    }
    // Taken at once, the preview with it; the older conversion is no more.
    QVERIFY(!(fx.dlg->frameView() == first));
    QCOMPARE(fx.dlg->frameView(), p->view());
    QVERIFY(!fx.dlg->isReframing());
    QTRY_VERIFY_WITH_TIMEOUT(!fx.dlg->isReframing() && readFile(fx.copyPath()) != centred, 15000);
    const QByteArray last = readFile(fx.copyPath());
    const double difference = fx.previewAgainstCopy();
    QVERIFY2(difference >= 0 && difference < kAgree, qPrintable(QString::number(difference)));
    // Long after, nothing of the older framing has reached the copy.
    QTest::qWait(2500);
    QCOMPARE(readFile(fx.copyPath()), last);
    QCOMPARE(fx.converterStarts(), 4); // the pick's two, then one per framing
    QVERIFY(!QFile::exists(fx.copyPath("next-a.gif")));
}

void FramingTest::framingWindow_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::addColumn<bool>("done");
    QTest::newRow("menu, Done") << true << true;
    QTest::newRow("Enter, Done") << false << true;
    QTest::newRow("Enter, Cancel") << false << false;
}

void FramingTest::framingWindow()
{
    QFETCH(bool, byMenu);
    QFETCH(bool, done);
    Fixture fx;
    QVERIFY(fx.pickAndShow());
    const QByteArray centred = readFile(fx.copyPath());
    CImagePreviewStatic *p = fx.preview();
    p->setFocus(Qt::TabFocusReason);
    const FrameView before = fx.dlg->frameView();
    if (byMenu) {
        QTimer::singleShot(0, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            menu->setActiveAction(menu->actions().at(4));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                                fx.dlg->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(fx.dlg.get(), &event);
    } else {
        QTest::keyClick(p, Qt::Key_Return);
    }
    // Enter on the preview frames the picture; it never ends the window.
    QVERIFY(fx.dlg->isVisible());
    QPointer<FramingDialog> w = fx.dlg->findChild<FramingDialog *>();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->view(), before);
    QCOMPARE(w->findChildren<QRadioButton *>().size(), 4);
    QTest::keyClick(w->preview(), Qt::Key_Plus);
    QTest::keyClick(w->preview(), Qt::Key_Left);
    const FrameView chosen = w->view();
    QVERIFY(!(chosen == before));
    QTest::keyClick(w->preview(), done ? Qt::Key_Return : Qt::Key_Escape);
    QTRY_VERIFY(!w);
    QVERIFY(fx.dlg->isVisible());
    QCOMPARE(fx.dlg->frameView(), done ? chosen : before);
    QCOMPARE(p->view(), fx.dlg->frameView());
    QTRY_VERIFY(!fx.dlg->isReframing());
    QCOMPARE(readFile(fx.copyPath()) != centred, done);
    QVERIFY(fx.previewAgainstCopy() < kAgree);
    QVERIFY(QSettings(fx.userSettingsPath(), QSettings::IniFormat)
                .value("framingWindow/size")
                .toSize()
                .isValid());
}

void FramingTest::framingWindowSize_data()
{
    QTest::addColumn<qreal>("ratio"); // of one of two screens 1080 pixels high
    QTest::newRow("1x") << 1.0;
    QTest::newRow("2x") << 2.0;
}

void FramingTest::framingWindowSize()
{
    QFETCH(qreal, ratio);
    QScreen *s = nullptr;
    for (QScreen *each : QGuiApplication::screens())
        if (qFuzzyCompare(each->devicePixelRatio(), ratio))
            s = each;
    if (!s)
        SKIP_LACKING("needs the two screens of framescreens.json");
    Fixture fx(profileOf(1, 1080, 2400));
    QVERIFY(fx.pickAndShow());
    QCOMPARE(s->geometry().height(), 1080);
    fx.dlg->move(s->geometry().topLeft() + QPoint(40, 40));
    QTRY_COMPARE(fx.dlg->screen(), s);
    fx.dlg->openFramingWindow();
    auto *w = fx.dlg->findChild<FramingDialog *>();
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QRect phone = w->preview()->screenRect();
    QVERIFY2(phone.height() >= 480 && phone.height() <= s->geometry().height() * 8 / 10,
             qPrintable(QString::number(phone.height())));
    QCOMPARE(w->preview()->devicePixelRatioF(), ratio);
    // Drawn at the device's pixels: the picture is decoded for them.
    QCOMPARE(w->preview()->grab().devicePixelRatio(), ratio);
    w->reject();
}

void FramingTest::keysPanZoomAndCentre()
{
    Fixture fx;
    fx.presenter.nextFile = fx.photo;
    fx.dlg->OnBrowse();
    fx.dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(fx.dlg.get()));
    CImagePreviewStatic *p = fx.preview();
    // Last in the order: Browse, Upload, close, then the box.
    QCOMPARE(fx.dlg->findChild<QWidget *>(QStringLiteral("button1009"))->nextInFocusChain(), p);
    QCOMPARE(p->focusPolicy(), Qt::StrongFocus);
    p->setFocus(Qt::TabFocusReason);
    const FrameView suggested = fx.dlg->frameView();

    QTest::keyClick(p, Qt::Key_Plus);
    QCOMPARE(fx.dlg->frameView().zoom, 1.25);
    const QPointF centred = fx.dlg->frameView().centre;
    QTest::keyClick(p, Qt::Key_Right);
    QVERIFY(fx.dlg->frameView().centre.x() < centred.x());
    QTest::keyClick(p, Qt::Key_Down);
    QVERIFY(fx.dlg->frameView().centre.y() < centred.y());
    QTest::keyClick(p, Qt::Key_Minus);
    QCOMPARE(fx.dlg->frameView().zoom, 1.0);
    QTest::keyClick(p, Qt::Key_0);
    QCOMPARE(fx.dlg->frameView(), suggested);
    // The focus ring lies over the picture's edge: compare without it.
    fx.dlg->findChild<QWidget *>(QStringLiteral("button1007"))->setFocus();
    QTRY_VERIFY(fx.previewAgainstCopy() < kAgree);
}

void FramingTest::fillStartsOnTheSubject_data()
{
    QTest::addColumn<bool>("subject");
    QTest::newRow("a red disc near the right edge") << true;
    QTest::newRow("nothing interesting: centred") << false;
}

void FramingTest::fillStartsOnTheSubject()
{
    QFETCH(bool, subject);
    Fixture fx;
    fx.presenter.nextFile = writeFile(fx.pictures.filePath(QStringLiteral("subject.jpg")),
                                      encodedPicture(paintSubject(subject), "JPG"));
    fx.dlg->OnBrowse();
    QVERIFY(fx.presenter.boxes.isEmpty());
    const FrameView start = fx.dlg->frameView();
    // The disc is some 800 of the copy's pixels; centred, none of it shows.
    const int shown = subjectPixels(QImage(fx.copyPath()));
    if (subject) {
        QVERIFY2(start.centre.x() > 0.65 && start.zoom == 1, qPrintable(QString::number(start.centre.x())));
        QVERIFY2(shown > 700, qPrintable(QString::number(shown)));
    } else {
        QCOMPARE(start, FrameView{});
    }
    QVERIFY(fx.previewAgainstCopy() < kAgree);

    // Dragged off it and let go, then 0: back on the suggestion, copy and all.
    CImagePreviewStatic *p = fx.preview();
    const QPoint from = p->screenRect().center();
    QTest::mousePress(p, Qt::LeftButton, {}, from);
    QTest::mouseMove(p, from + QPoint(60, 0));
    QTest::mouseRelease(p, Qt::LeftButton, {}, from + QPoint(60, 0));
    QVERIFY(fx.dlg->frameView().centre.x() < start.centre.x());
    if (subject)
        QTRY_VERIFY(subjectPixels(QImage(fx.copyPath())) < shown / 2);
    p->setFocus(Qt::TabFocusReason);
    QTest::keyClick(p, Qt::Key_0);
    QCOMPARE(fx.dlg->frameView(), start);
    QTRY_VERIFY(!fx.dlg->isReframing() && subjectPixels(QImage(fx.copyPath())) == shown);
}

void FramingTest::contextMenuChoosesAndRemembers()
{
    Fixture fx;
    const QByteArray profileBytes = readFile(fx.profilePath());
    fx.presenter.nextFile = fx.photo;
    fx.dlg->OnBrowse();

    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction *a : menu->actions())
            offered << (a->isSeparator() ? QStringLiteral("-")
                                         : a->text() + (a->isChecked() ? QStringLiteral(" *") : QString()));
        QAction *whole = menu->actions().at(1);
        QVERIFY(whole->isCheckable() && whole->actionGroup() && whole->actionGroup()->isExclusive());
        menu->setActiveAction(whole);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(10, 10), fx.dlg->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(fx.dlg.get(), &event);

    QCOMPARE(offered,
             (QStringList{"&Fill the screen *", "Show the &whole picture", "&Stretch to the screen",
                          "Show the whole picture on a &blurred background", "Frame the picture\u2026", "-",
                          "&About Pictovane...", "&Recent Uploads\u2026"}));
    QCOMPARE(fx.dlg->frameView().framing, Framing::Fit);
    // Converted again at once: the portrait photo has black bands beside it.
    QTRY_COMPARE(QImage(fx.copyPath()).pixelColor(0, 80), QColor(Qt::black));
    QVERIFY(fx.previewAgainstCopy() < kAgree);

    // Remembered in the user's settings, never in the phone's profile.
    QCOMPARE(QSettings(fx.userSettingsPath(), QSettings::IniFormat).value("framing").toString(),
             QStringLiteral("fit"));
    QCOMPARE(readFile(fx.profilePath()), profileBytes);
    auto next = fx.makeWindow();
    next->OnInitDialog();
    QCOMPARE(next->frameView().framing, Framing::Fit);
}

void FramingTest::commandLineFramingIsNotRemembered()
{
    Fixture fx;
    auto dlg = fx.makeWindow();
    dlg->setStartFraming(Framing::Stretch);
    dlg->OnInitDialog();
    QCOMPARE(dlg->frameView().framing, Framing::Stretch);
    QVERIFY(!QSettings(fx.userSettingsPath(), QSettings::IniFormat).contains("framing"));
}

void FramingTest::assistiveTechnologySeesAPicture()
{
    Fixture fx;
    fx.dlg->chooseFraming(Framing::Fit);
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(fx.preview());
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::Graphic);
    QVERIFY(!a->text(QAccessible::Name).isEmpty());
    QVERIFY(a->text(QAccessible::Description).contains(QStringLiteral("whole picture")));
}

QTEST_MAIN(FramingTest)
#include "tst_framing.moc"
