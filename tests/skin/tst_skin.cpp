#include "core/app/resources.h"
#include "core/skin/skinregion.h"
#include "ui/skin/CSkinButton.h"

#include <QButtonGroup>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QtTest>

namespace {

const QColor kNormal(200, 0, 0);
const QColor kDown(0, 160, 0);
const QColor kOver(0, 0, 220);
const QColor kDisabled(128, 128, 128);
const QColor kFocus(230, 230, 0);
const QColor kBehind(0, 255, 255);

QImage solid(QSize size, const QColor &c)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

CSkinButton::Images fullSkin(QSize size = QSize(8, 8))
{
    CSkinButton::Images im;
    im.normal = solid(size, kNormal);
    im.down = solid(size, kDown);
    im.over = solid(size, kOver);
    im.disabled = solid(size, kDisabled);
    im.focus = solid(size, kFocus);
    return im;
}

// What the button paints over a known background.
QImage renderOf(QWidget *w)
{
    QImage img(w->size(), QImage::Format_RGB32);
    img.fill(kBehind);
    w->render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}

QColor at(const QImage &img, int x, int y)
{
    return QColor(img.pixel(x, y));
}

// A shown, active window to put buttons in, so focus and pointer positions are real.
struct Stage
{
    QWidget window;
    Stage()
    {
        window.resize(300, 200);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("window did not become active");
    }
    CSkinButton *button(SkinKind kind, QRect geometry = QRect(10, 10, 50, 30))
    {
        auto *b = new CSkinButton(kind, &window);
        b->setGeometry(geometry);
        b->applySkinImages(fullSkin(), SKIN_DRAW_STRETCH, 0, 0);
        b->show();
        return b;
    }
};

QPoint outside(QWidget *w)
{
    return QPoint(w->width() + 40, w->height() + 40);
}

void sendEnter(QWidget *w)
{
    const QPointF p(w->rect().center());
    QEnterEvent e(p, w->mapTo(w->window(), p), w->mapToGlobal(p));
    QApplication::sendEvent(w, &e);
}

void sendLeave(QWidget *w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

void doubleClick(QWidget *w)
{
    const QPoint p = w->rect().center();
    QTest::mouseClick(w, Qt::LeftButton, {}, p);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(w, &dbl);
    QTest::mouseRelease(w, Qt::LeftButton, {}, p);
}

void sendSpace(QWidget *w, bool autoRepeat)
{
    QKeyEvent e(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
    QApplication::sendEvent(w, &e);
}

void releaseSpace(QWidget *w)
{
    QKeyEvent e(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), false);
    QApplication::sendEvent(w, &e);
}

} // namespace

class SkinTest : public QObject
{
    Q_OBJECT

private slots:
    void clamping_data();
    void clamping();
    void skinFromResources_data();
    void skinFromResources();
    void statePicture_data();
    void statePicture();
    void drawModes_data();
    void drawModes();
    void tileCutsTheLastTiles();
    void maskedComposition_data();
    void maskedComposition();
    void edges_data();
    void edges();
    void pressedTextMovesOneRightAndDown();
    void disabledTextIsEmbossed();
    void focusRectangle_data();
    void focusRectangle();
    void maskShapesTheButton();
    void whiteMaskLeavesNothing();
    void skinWithoutMaskKeepsTheShape();
    void hoverFollowsEnterAndLeave();
    void hoverLightensWithoutOverPicture();
    void dragOffAndBack();
    void releaseOutsideClicksNothing_data();
    void releaseOutsideClicksNothing();
    void doubleClickIsASecondClick_data();
    void doubleClickIsASecondClick();
    void spaceAutoRepeat_data();
    void spaceAutoRepeat();
    void checkState_data();
    void checkState();
    void radioGroup_data();
    void radioGroup();
    void uncheckingARadioTellsNobody();
    void focusLossReleasesThePress();
    void focusRingFromTheReason_data();
    void focusRingFromTheReason();
    void keyboardShowsTheRingAClickDoesNot();
};

void SkinTest::clamping_data()
{
    QTest::addColumn<int>("drawMode");
    QTest::addColumn<int>("focusMargin");
    QTest::addColumn<int>("borderFlag");
    QTest::addColumn<int>("storedMode");
    QTest::addColumn<int>("storedMargin");
    QTest::addColumn<bool>("bordered");

    QTest::newRow("draw mode 7 is tile") << 7 << 0 << 0 << int(SKIN_DRAW_TILE) << 0 << false;
    QTest::newRow("draw mode -3 is normal") << -3 << 0 << 0 << int(SKIN_DRAW_NORMAL) << 0 << false;
    QTest::newRow("draw mode 1 stays stretch") << 1 << 0 << 0 << int(SKIN_DRAW_STRETCH) << 0 << false;
    QTest::newRow("largest draw mode is tile") << 32767 << 0 << 0 << int(SKIN_DRAW_TILE) << 0 << false;
    QTest::newRow("focus margin -5 is 0") << 0 << -5 << 0 << int(SKIN_DRAW_NORMAL) << 0 << false;
    QTest::newRow("focus margin 4 stays") << 0 << 4 << 0 << int(SKIN_DRAW_NORMAL) << 4 << false;
    QTest::newRow("border flag -1 draws borders") << 0 << 0 << -1 << int(SKIN_DRAW_NORMAL) << 0 << true;
}

void SkinTest::clamping()
{
    QFETCH(int, drawMode);
    QFETCH(int, focusMargin);
    QFETCH(int, borderFlag);
    CSkinButton b;
    b.applySkinImages(fullSkin(), qint16(drawMode), qint16(borderFlag), qint16(focusMargin));
    QTEST(int(b.drawMode()), "storedMode");
    QTEST(int(b.focusMargin()), "storedMargin");
    QTEST(b.border() != 0, "bordered");
}

void SkinTest::skinFromResources_data()
{
    QTest::addColumn<QList<uint>>("ids"); // normal, down, over, disabled, focus
    QTest::addColumn<int>("expectedDisabled");
    QTest::addColumn<int>("expectedDown");

    QTest::newRow("no disabled picture copies the normal one")
        << QList<uint>{132, 136, 0, 0, 0} << 132 << 136;
    QTest::newRow("a disabled picture of its own") << QList<uint>{132, 136, 0, 134, 0} << 134 << 136;
    QTest::newRow("only the low 16 bits name the picture")
        << QList<uint>{132, 0x10000u + 136, 0, 0, 0} << 132 << 136;
    QTest::newRow("a missing picture leaves its state empty") << QList<uint>{132, 9999, 0, 0, 0} << 132 << 0;
    QTest::newRow("no normal, no disabled") << QList<uint>{0, 136, 0, 0, 0} << 0 << 136;
}

void SkinTest::skinFromResources()
{
    QFETCH(QList<uint>, ids);
    QFETCH(int, expectedDisabled);
    QFETCH(int, expectedDown);
    CSkinButton b;
    b.resize(20, 20);
    b.ApplySkin(ids[0], ids[1], ids[2], ids[3], ids[4], 0, SKIN_DRAW_NORMAL, 0, 0);
    const auto picture = [](int id) { return id ? resources::loadBitmap(id) : QImage(); };
    QVERIFY(!resources::loadBitmap(132).isNull());
    QCOMPARE(b.images().disabled, picture(expectedDisabled));
    QCOMPARE(b.images().down, picture(expectedDown));
    QVERIFY(b.images().over.isNull());
    // Without a mask the button keeps its size and gets no shape.
    QCOMPARE(b.size(), QSize(20, 20));
    QVERIFY(!b.windowRegion().has_value());
}

void SkinTest::statePicture_data()
{
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("hover");
    QTest::addColumn<bool>("focus");
    QTest::addColumn<bool>("withDown");
    QTest::addColumn<QString>("shows");

    QTest::newRow("normal") << false << false << false << false << false << true << "normal";
    QTest::newRow("hover") << false << false << false << true << false << true << "over";
    QTest::newRow("focus") << false << false << false << false << true << true << "focus";
    QTest::newRow("hover beats focus") << false << false << false << true << true << true << "over";
    QTest::newRow("pressed beats hover") << false << true << false << true << true << true << "down";
    QTest::newRow("checked far from the mouse") << false << false << true << false << false << true << "down";
    QTest::newRow("disabled and checked is disabled")
        << true << false << true << false << false << true << "disabled";
    QTest::newRow("pressed without a down picture is face")
        << false << true << false << false << false << false << "face";
}

void SkinTest::statePicture()
{
    QFETCH(bool, disabled);
    QFETCH(bool, pressed);
    QFETCH(bool, checked);
    QFETCH(bool, hover);
    QFETCH(bool, focus);
    QFETCH(bool, withDown);
    QFETCH(QString, shows);

    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_CHECKBOX);
    CSkinButton::Images im = fullSkin();
    if (!withDown)
        im.down = QImage();
    b->applySkinImages(im, SKIN_DRAW_STRETCH, 0, 0);
    if (focus) {
        b->setFocus();
        QTRY_VERIFY(b->hasFocus());
    }
    if (hover)
        sendEnter(b);
    b->setDown(pressed);
    b->SetCheck(checked);
    b->setEnabled(!disabled);

    const QMap<QString, QColor> colours{
        {"normal", kNormal},     {"over", kOver},
        {"focus", kFocus},       {"down", kDown},
        {"disabled", kDisabled}, {"face", b->palette().color(QPalette::Active, QPalette::Button)}};
    const QImage img = renderOf(b);
    QCOMPARE(img.pixel(25, 15), colours.value(shows).rgb());
}

void SkinTest::drawModes_data()
{
    QTest::addColumn<int>("drawMode");
    QTest::addColumn<QColor>("rightSide");

    // A 30 x 20 picture, red on its left half, blue on its right, on a 10 x 10 button.
    QTest::newRow("normal copies the top-left corner 1:1") << int(SKIN_DRAW_NORMAL) << kNormal;
    QTest::newRow("stretch scales the whole picture") << int(SKIN_DRAW_STRETCH) << kOver;
}

void SkinTest::drawModes()
{
    QFETCH(int, drawMode);
    QFETCH(QColor, rightSide);
    QImage picture = solid(QSize(30, 20), kNormal);
    QPainter(&picture).fillRect(15, 0, 15, 20, kOver);
    CSkinButton b;
    b.resize(10, 10);
    CSkinButton::Images im;
    im.normal = picture;
    b.applySkinImages(im, qint16(drawMode), 0, 0);
    const QImage img = renderOf(&b);
    QCOMPARE(at(img, 1, 5), kNormal);
    QCOMPARE(at(img, 8, 5), rightSide);
}

void SkinTest::tileCutsTheLastTiles()
{
    // Every pixel of the 10 x 10 tile is different, so a misplaced or
    // stretched tile shows.
    QImage tile(10, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            tile.setPixel(x, y, qRgb(x * 25, y * 25, 100));
    CSkinButton b;
    b.resize(25, 15);
    CSkinButton::Images im;
    im.normal = tile;
    b.applySkinImages(im, SKIN_DRAW_TILE, 0, 0);
    const QImage img = renderOf(&b);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 25; ++x)
            QCOMPARE(img.pixel(x, y), tile.pixel(x % 10, y % 10));
}

void SkinTest::maskedComposition_data()
{
    QTest::addColumn<int>("drawMode");
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QColor>("rightSide");

    // The mask's left half is black, its right half white.
    QTest::newRow("normal: white keeps what is behind") << int(SKIN_DRAW_NORMAL) << QSize(20, 20) << kBehind;
    QTest::newRow("stretch: the mask is stretched with the picture")
        << int(SKIN_DRAW_STRETCH) << QSize(4, 4) << kBehind;
    QTest::newRow("tile ignores the mask") << int(SKIN_DRAW_TILE) << QSize(4, 4) << kNormal;
}

void SkinTest::maskedComposition()
{
    QFETCH(int, drawMode);
    QFETCH(QSize, pictureSize);
    QFETCH(QColor, rightSide);
    QImage mask = solid(pictureSize, Qt::black);
    QPainter(&mask).fillRect(pictureSize.width() / 2, 0, pictureSize.width(), pictureSize.height(),
                             Qt::white);
    CSkinButton b;
    b.resize(20, 20);
    CSkinButton::Images im;
    im.normal = solid(pictureSize, kNormal);
    im.mask = mask;
    b.applySkinImages(im, qint16(drawMode), 0, 0);
    // The window shape is the mask's own size whatever the mode; here only
    // the drawing is looked at.
    b.clearMask();
    b.resize(20, 20);
    const QImage img = renderOf(&b);
    QCOMPARE(at(img, 2, 10), kNormal);
    QCOMPARE(at(img, 17, 10), rightSide);
}

void SkinTest::edges_data()
{
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<int>("outerTopLeft");
    QTest::addColumn<int>("outerBottomRight");
    QTest::addColumn<int>("innerTopLeft");

    QTest::newRow("raised") << false << int(QPalette::Light) << int(QPalette::Shadow)
                            << int(QPalette::Midlight);
    QTest::newRow("sunken when pressed")
        << true << int(QPalette::Dark) << int(QPalette::Light) << int(QPalette::Shadow);
}

void SkinTest::edges()
{
    QFETCH(bool, pressed);
    QFETCH(int, outerTopLeft);
    QFETCH(int, outerBottomRight);
    QFETCH(int, innerTopLeft);
    CSkinButton b;
    b.resize(20, 12);
    b.applySkinImages(fullSkin(), SKIN_DRAW_STRETCH, 1, 0);
    b.setDown(pressed);
    const QImage img = renderOf(&b);
    const auto role = [&](int r) {
        return b.palette().color(QPalette::Active, QPalette::ColorRole(r)).rgb();
    };
    QCOMPARE(img.pixel(5, 0), role(outerTopLeft));
    QCOMPARE(img.pixel(0, 5), role(outerTopLeft));
    QCOMPARE(img.pixel(5, 11), role(outerBottomRight));
    QCOMPARE(img.pixel(19, 5), role(outerBottomRight));
    QCOMPARE(img.pixel(5, 1), role(innerTopLeft));
    // Inside the edges the picture shows.
    QCOMPARE(at(img, 10, 6), pressed ? kDown : kNormal);
}

void SkinTest::pressedTextMovesOneRightAndDown()
{
    CSkinButton b;
    b.setText(QStringLiteral("Go"));
    b.resize(60, 30);
    const QImage up = renderOf(&b);
    b.setDown(true);
    const QImage down = renderOf(&b);
    QVERIFY(up != down);
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 59; ++x)
            QCOMPARE(down.pixel(x + 1, y + 1), up.pixel(x, y));
}

void SkinTest::disabledTextIsEmbossed()
{
    CSkinButton b;
    b.setText(QStringLiteral("Go"));
    b.resize(60, 30);
    b.setEnabled(false);
    // Whole pixels only, so each copy of the text has exact colours.
    QFont font = b.font();
    font.setPixelSize(20);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    b.setFont(font);
    QPalette pal = b.palette();
    pal.setColor(QPalette::Active, QPalette::Button, QColor(90, 90, 90));
    pal.setColor(QPalette::Active, QPalette::Light, QColor(250, 250, 250));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(20, 20, 120));
    b.setPalette(pal);
    const QImage img = renderOf(&b);
    QRect light, grey;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            if (at(img, x, y) == QColor(250, 250, 250))
                light |= QRect(x, y, 1, 1);
            if (at(img, x, y) == QColor(20, 20, 120))
                grey |= QRect(x, y, 1, 1);
        }
    QVERIFY(!light.isEmpty());
    QVERIFY(!grey.isEmpty());
    // The grey copy lies one pixel up and left of the light one, which
    // shows only along the right and lower edges of the strokes.
    QCOMPARE(grey.right(), light.right() - 1);
    QCOMPARE(grey.bottom(), light.bottom() - 1);
}

void SkinTest::focusRectangle_data()
{
    QTest::addColumn<int>("margin");
    QTest::newRow("margin 0 draws none") << 0;
    QTest::newRow("margin 1") << 1;
    QTest::newRow("margin 4") << 4;
}

void SkinTest::focusRectangle()
{
    QFETCH(int, margin);
    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_PUSH);
    b->applySkinImages(fullSkin(), SKIN_DRAW_STRETCH, 0, qint16(margin));
    b->setFocus();
    QTRY_VERIFY(b->hasFocus());
    const QImage img = renderOf(b);
    const QRgb text = b->palette().color(QPalette::ButtonText).rgb();
    const auto rowHasText = [&](int y) {
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == text)
                return true;
        return false;
    };
    for (int y = 0; y < margin; ++y)
        QVERIFY2(!rowHasText(y), qPrintable(QStringLiteral("row %1").arg(y)));
    if (margin > 0) {
        QVERIFY(rowHasText(margin));
        QVERIFY(rowHasText(img.height() - 1 - margin));
    } else {
        for (int y = 0; y < img.height(); ++y)
            QVERIFY(!rowHasText(y));
    }
}

void SkinTest::maskShapesTheButton()
{
    // A plus sign: the corners are cut away.
    QImage mask = solid(QSize(30, 30), Qt::white);
    QPainter(&mask).fillRect(10, 0, 10, 30, Qt::black);
    QPainter(&mask).fillRect(0, 10, 30, 10, Qt::black);
    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_PUSH, QRect(40, 40, 80, 60));
    CSkinButton::Images im = fullSkin(QSize(30, 30));
    im.mask = mask;
    b->applySkinImages(im, SKIN_DRAW_NORMAL, 0, 0);

    // The normal draw mode takes the mask's size; the position stays.
    QCOMPARE(b->geometry(), QRect(40, 40, 30, 30));
    QVERIFY(b->windowRegion().has_value());
    QVERIFY((b->mask() ^ BuildRegionFromMask(mask, qRgb(255, 255, 255))).isEmpty());

    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QWindow *window = stage.window.windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(42, 42)); // a cut-away corner
    QCOMPARE(clicks.count(), 0);
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(55, 55), 600); // the centre
    QCOMPARE(clicks.count(), 1);
}

void SkinTest::whiteMaskLeavesNothing()
{
    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_PUSH, QRect(40, 40, 30, 30));
    CSkinButton::Images im = fullSkin(QSize(30, 30));
    im.mask = solid(QSize(30, 30), Qt::white);
    b->applySkinImages(im, SKIN_DRAW_NORMAL, 0, 0);
    QVERIFY(b->windowRegion().has_value());
    QVERIFY(b->windowRegion()->isEmpty());
    // No pixel of the button takes input.
    for (int y = 0; y < 30; y += 3)
        for (int x = 0; x < 30; x += 3)
            QVERIFY(stage.window.childAt(40 + x, 40 + y) != b);
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QTest::mouseClick(stage.window.windowHandle(), Qt::LeftButton, {}, QPoint(55, 55));
    QCOMPARE(clicks.count(), 0);
}

void SkinTest::skinWithoutMaskKeepsTheShape()
{
    QImage mask = solid(QSize(20, 20), Qt::black);
    QPainter(&mask).fillRect(10, 0, 10, 20, Qt::white);
    CSkinButton b;
    CSkinButton::Images im = fullSkin(QSize(20, 20));
    im.mask = mask;
    b.applySkinImages(im, SKIN_DRAW_NORMAL, 0, 0);
    const QRegion shape = b.mask();
    QVERIFY(!shape.isEmpty());

    b.applySkinImages(fullSkin(QSize(20, 20)), SKIN_DRAW_STRETCH, 0, 0);
    QCOMPARE(b.mask(), shape);
    // Drawing is no longer masked: without the shape, all of the picture shows.
    QVERIFY(b.images().mask.isNull());
    b.clearMask();
    QCOMPARE(at(renderOf(&b), 15, 5), kNormal);
}

void SkinTest::hoverLightensWithoutOverPicture()
{
    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_PUSH);
    CSkinButton::Images im = fullSkin(b->size());
    im.over = QImage();
    // Flattened on the window's colour, as the renders are: a band of it
    // above the artwork, which stays as it is.
    const QColor backdrop = b->palette().color(QPalette::Window);
    QPainter(&im.normal).fillRect(0, 0, b->width(), 3, backdrop);
    b->applySkinImages(im, SKIN_DRAW_STRETCH, 0, 0);
    const QColor normal = QColor(renderOf(b).pixel(25, 15));
    sendEnter(b);
    const QColor lit = QColor(renderOf(b).pixel(25, 15));
    QVERIFY2(lit.lightness() > normal.lightness() && lit.lightness() < normal.lightness() + 40,
             qPrintable(lit.name()));
    QCOMPARE(at(renderOf(b), 25, 1), backdrop);
    b->setDown(true);
    QCOMPARE(renderOf(b).pixel(25, 15), kDown.rgb());
    b->setDown(false);
    b->setEnabled(false);
    QCOMPARE(renderOf(b).pixel(25, 15), kDisabled.rgb());
}

void SkinTest::hoverFollowsEnterAndLeave()
{
    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_PUSH);
    sendEnter(b);
    QVERIFY(b->isHovering());
    QCOMPARE(at(renderOf(b), 25, 15), kOver);
    sendLeave(b);
    QVERIFY(!b->isHovering());
    QCOMPARE(at(renderOf(b), 25, 15), kNormal);
}

void SkinTest::dragOffAndBack()
{
    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_PUSH);
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    const QPoint centre = b->rect().center();
    sendEnter(b);
    QTest::mousePress(b, Qt::LeftButton, {}, centre);
    QVERIFY(b->isMouseHeld());
    QVERIFY(!b->isHovering());
    QCOMPARE(at(renderOf(b), 25, 15), kDown);

    QTest::mouseMove(b, outside(b));
    QVERIFY(!b->isDown());
    // Unpressed, and not hovering: the press ended that. The press gave the
    // button the focus, so its focus picture shows.
    QVERIFY(b->hasFocus());
    QCOMPARE(at(renderOf(b), 25, 15), kFocus);

    QTest::mouseMove(b, centre);
    QVERIFY(b->isDown());
    QCOMPARE(at(renderOf(b), 25, 15), kDown);

    QTest::mouseRelease(b, Qt::LeftButton, {}, centre);
    QCOMPARE(clicks.count(), 1);
    QVERIFY(!b->isMouseHeld());
}

void SkinTest::releaseOutsideClicksNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("pressedThere"); // else only released over it
    QTest::newRow("push button") << int(SKIN_KIND_PUSH) << true;
    QTest::newRow("check box") << int(SKIN_KIND_CHECKBOX) << true;
    QTest::newRow("radio button") << int(SKIN_KIND_RADIO) << true;
    QTest::newRow("a release over Upload without a press there") << int(SKIN_KIND_PUSH) << false;
    QTest::newRow("a release over a check box without a press there") << int(SKIN_KIND_CHECKBOX) << false;
}

void SkinTest::releaseOutsideClicksNothing()
{
    QFETCH(int, kind);
    QFETCH(bool, pressedThere);
    Stage stage;
    CSkinButton *b = stage.button(SkinKind(kind));
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    if (!pressedThere) {
        // The mouse pressed elsewhere; the button held down by the space bar.
        QTest::keyPress(b, Qt::Key_Space);
        const int held = b->GetCheck(); // a check box toggles on the key-down
        QTest::mouseRelease(b, Qt::LeftButton, {}, b->rect().center());
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(b->GetCheck(), held);
        return;
    }
    QTest::mousePress(b, Qt::LeftButton, {}, b->rect().center());
    QTest::mouseMove(b, outside(b));
    QTest::mouseRelease(b, Qt::LeftButton, {}, outside(b));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(b->GetCheck(), 0);
}

void SkinTest::doubleClickIsASecondClick_data()
{
    QTest::addColumn<int>("kind");
    // Read from the click handler: the check state has changed before the click.
    QTest::addColumn<QList<int>>("checkAtClicks");
    QTest::newRow("push button clicks twice") << int(SKIN_KIND_PUSH) << QList<int>{0, 0};
    QTest::newRow("check box toggles twice") << int(SKIN_KIND_CHECKBOX) << QList<int>{1, 0};
    QTest::newRow("radio button stays checked") << int(SKIN_KIND_RADIO) << QList<int>{1, 1};
}

void SkinTest::doubleClickIsASecondClick()
{
    QFETCH(int, kind);
    Stage stage;
    CSkinButton *b = stage.button(SkinKind(kind));
    QList<int> checks;
    connect(b, &QAbstractButton::clicked, b, [&] { checks.append(b->GetCheck()); });
    doubleClick(b);
    QTEST(checks, "checkAtClicks");
}

void SkinTest::spaceAutoRepeat_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<int>>("checkAfterEachKeyDown");
    QTest::newRow("check box toggles on every key-down") << int(SKIN_KIND_CHECKBOX) << QList<int>{1, 0, 1, 0};
    QTest::newRow("radio button is checked") << int(SKIN_KIND_RADIO) << QList<int>{1, 1, 1, 1};
    QTest::newRow("push button stays unchecked") << int(SKIN_KIND_PUSH) << QList<int>{0, 0, 0, 0};
}

void SkinTest::spaceAutoRepeat()
{
    QFETCH(int, kind);
    Stage stage;
    CSkinButton *b = stage.button(SkinKind(kind));
    b->setFocus();
    QTRY_VERIFY(b->hasFocus());
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QList<int> checks;
    for (int i = 0; i < 4; ++i) {
        sendSpace(b, i > 0);
        checks.append(b->GetCheck());
    }
    releaseSpace(b);
    QTEST(checks, "checkAfterEachKeyDown");
    // Only the key coming up clicks.
    QCOMPARE(clicks.count(), 1);
}

void SkinTest::checkState_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("setCheck");
    QTest::addColumn<int>("expected");
    QTest::newRow("push button refuses checked") << int(SKIN_KIND_PUSH) << 1 << 0;
    QTest::newRow("push button refuses indeterminate") << int(SKIN_KIND_PUSH) << 2 << 0;
    QTest::newRow("check box checked") << int(SKIN_KIND_CHECKBOX) << 1 << 1;
    QTest::newRow("indeterminate counts as checked") << int(SKIN_KIND_CHECKBOX) << 2 << 1;
    QTest::newRow("radio button checked") << int(SKIN_KIND_RADIO) << 1 << 1;
}

void SkinTest::checkState()
{
    QFETCH(int, kind);
    QFETCH(int, setCheck);
    Stage stage;
    CSkinButton *b = stage.button(SkinKind(kind));
    b->SetCheck(setCheck);
    QTEST(b->GetCheck(), "expected");
    // The base button's own check state is never used.
    QVERIFY(!b->isChecked());
    if (kind == SKIN_KIND_PUSH) {
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        QCOMPARE(b->GetCheck(), 0);
        b->clearFocus();
        QCOMPARE(at(renderOf(b), 25, 15), kNormal);
    }
}

void SkinTest::radioGroup_data()
{
    QTest::addColumn<bool>("buttonGroup");
    QTest::newRow("siblings of one parent") << false;
    QTest::newRow("a button group") << true;
}

void SkinTest::radioGroup()
{
    QFETCH(bool, buttonGroup);
    Stage stage;
    QList<CSkinButton *> radios;
    for (int i = 0; i < 3; ++i)
        radios << stage.button(SKIN_KIND_RADIO, QRect(10, 10 + 40 * i, 50, 30));
    auto *label = new QLabel(QStringLiteral("not a button"), &stage.window);
    label->move(100, 10);
    // With a group, the group alone decides; a sibling outside it is left alone.
    auto *outsider = stage.button(SKIN_KIND_RADIO, QRect(100, 50, 50, 30));
    QButtonGroup group;
    if (buttonGroup)
        for (CSkinButton *r : radios)
            group.addButton(r);

    outsider->SetCheck(1);
    QCoreApplication::sendPostedEvents();
    radios[0]->SetCheck(1);
    QCoreApplication::sendPostedEvents();
    radios[2]->SetCheck(1);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(radios[0]->GetCheck(), 0);
    QCOMPARE(radios[2]->GetCheck(), 1);

    radios[1]->SetCheck(1);
    // The others hear of it through posted events, later.
    QCOMPARE(radios[2]->GetCheck(), 1);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(radios[0]->GetCheck(), 0);
    QCOMPARE(radios[1]->GetCheck(), 1);
    QCOMPARE(radios[2]->GetCheck(), 0);
    QCOMPARE(outsider->GetCheck(), buttonGroup ? 1 : 0);

    // Checking it again by a click changes nothing.
    QTest::mouseClick(radios[1], Qt::LeftButton, {}, radios[1]->rect().center(), 600);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(radios[1]->GetCheck(), 1);
    QCOMPARE(radios[0]->GetCheck() + radios[2]->GetCheck(), 0);
}

void SkinTest::uncheckingARadioTellsNobody()
{
    Stage stage;
    CSkinButton *a = stage.button(SKIN_KIND_RADIO, QRect(10, 10, 50, 30));
    CSkinButton *b = stage.button(SKIN_KIND_RADIO, QRect(10, 50, 50, 30));
    a->SetCheck(1);
    b->SetCheck(0);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(a->GetCheck(), 1);
}

void SkinTest::focusLossReleasesThePress()
{
    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_CHECKBOX);
    auto *other = new QLineEdit(&stage.window);
    other->move(100, 100);
    other->show();
    b->setFocus();
    QTRY_VERIFY(b->hasFocus());
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QTest::mousePress(b, Qt::LeftButton, {}, b->rect().center());
    QVERIFY(b->isDown());
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    QVERIFY(!b->isMouseHeld());
    QVERIFY(!b->isDown());
    // Moving over the button with the mouse button still down presses nothing.
    QTest::mouseMove(b, b->rect().center() + QPoint(1, 0));
    QVERIFY(!b->isDown());
    QTest::mouseRelease(b, Qt::LeftButton, {}, b->rect().center());
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(b->GetCheck(), 0);
}

void SkinTest::focusRingFromTheReason_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("reactivate"); // then another window comes to the front and goes
    QTest::addColumn<bool>("masked");
    QTest::addColumn<bool>("ring");
    QTest::addColumn<bool>("room"); // the button takes clicks around its picture
    QTest::newRow("tab") << int(Qt::TabFocusReason) << false << false << true << false;
    QTest::newRow("tab, masked") << int(Qt::TabFocusReason) << false << true << true << false;
    QTest::newRow("tab, room around the picture")
        << int(Qt::TabFocusReason) << false << false << true << true;
    QTest::newRow("mouse") << int(Qt::MouseFocusReason) << false << false << false << false;
    QTest::newRow("reactivated after mouse") << int(Qt::MouseFocusReason) << true << false << false << false;
    QTest::newRow("reactivated after tab") << int(Qt::TabFocusReason) << true << false << true << false;
}

void SkinTest::focusRingFromTheReason()
{
    QFETCH(int, reason);
    QFETCH(bool, reactivate);
    QFETCH(bool, masked);
    Stage stage;
    CSkinButton *b = stage.button(SKIN_KIND_PUSH, QRect(10, 10, 30, 30));
    CSkinButton::Images im = fullSkin(QSize(30, 30));
    im.focus = QImage(); // whatever changes is the ring
    if (masked) {
        im.mask = solid(QSize(30, 30), Qt::white);
        QPainter(&im.mask).fillRect(10, 0, 10, 30, Qt::black); // a plus sign
        QPainter(&im.mask).fillRect(0, 10, 30, 10, Qt::black);
    }
    b->applySkinImages(im, SKIN_DRAW_NORMAL, 0, 0);
    QFETCH(bool, room);
    if (room) {
        b->setMinimumTarget(QSize(40, 40));
        QCOMPARE(b->geometry(), QRect(5, 5, 40, 40));
    }
    // Where the picture is, its pixels 1:1; around it, what lies behind.
    const QPoint o = b->pictureRect().topLeft();
    const QImage artwork = renderOf(b);
    if (room) {
        QCOMPARE(at(artwork, 4, 4), kBehind);
        QCOMPARE(at(artwork, 5, 5), kNormal);
        QCOMPARE(at(artwork, 34, 34), kNormal);
        QCOMPARE(at(artwork, 35, 35), kBehind);
    }
    b->setFocus(Qt::FocusReason(reason));
    if (reactivate) {
        QWidget front;
        front.show();
        front.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&front));
        QVERIFY(!b->hasFocus());
        stage.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&stage.window));
    }
    QTRY_VERIFY(b->hasFocus());
    const QImage shown = renderOf(b);
    QFETCH(bool, ring);
    if (!ring) {
        QCOMPARE(shown, artwork);
        return;
    }
    const QRegion shape = masked ? b->mask() : QRegion(b->pictureRect());
    // Two pixels deep along the picture's outline, where the shape turns
    // too; never outside it.
    const QList<QPoint> onRing = masked ? QList<QPoint>{{10, 0}, {10, 5}, {11, 5}, {0, 15}, {15, 29}}
                                        : QList<QPoint>{{0, 0}, {1, 15}, {29, 29}, {15, 28}};
    for (const QPoint &pt : onRing)
        QVERIFY(shown.pixel(pt + o) != artwork.pixel(pt + o));
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            QVERIFY(shown.pixel(x, y) == artwork.pixel(x, y) || shape.contains(QPoint(x, y)));
    QCOMPARE(shown.pixel(o + QPoint(15, 15)), artwork.pixel(o + QPoint(15, 15)));
    const QPoint within = o + (masked ? QPoint(12, 5) : QPoint(2, 2));
    QCOMPARE(shown.pixel(within), artwork.pixel(within));
}

void SkinTest::keyboardShowsTheRingAClickDoesNot()
{
    QDialog dlg;
    dlg.resize(100, 100);
    CSkinButton::Images im = fullSkin();
    im.focus = QImage(); // as on the main window
    CSkinButton *buttons[] = {new CSkinButton(SKIN_KIND_PUSH, &dlg), new CSkinButton(SKIN_KIND_PUSH, &dlg)};
    for (int i = 0; i < 2; ++i) {
        buttons[i]->setGeometry(10, 10 + 50 * i, 50, 30);
        buttons[i]->applySkinImages(im, SKIN_DRAW_STRETCH, 0, 0);
    }
    const auto ringed = [&](int i) {
        return buttons[i]->grab().toImage() != buttons[1 - i]->grab().toImage();
    };
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QWindow *window = dlg.windowHandle();
    QTest::keyClick(window, Qt::Key_Tab);
    QVERIFY(buttons[1]->hasFocus() && ringed(1));
    QTest::keyClick(window, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(buttons[0]->hasFocus() && ringed(0));
    // Space presses the ringed button; a click on it is the mouse taking over.
    QSignalSpy clicks(buttons[0], &QAbstractButton::clicked);
    QTest::keyClick(window, Qt::Key_Space);
    QVERIFY(ringed(0));
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(35, 25));
    QCOMPARE(clicks.count(), 2);
    QVERIFY(buttons[0]->hasFocus() && !ringed(0));
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(35, 75), 600);
    QVERIFY(buttons[1]->hasFocus() && !ringed(1));
    QTest::keyClick(window, Qt::Key_Escape); // still ends the window
    QVERIFY(!dlg.isVisible());
}

QTEST_MAIN(SkinTest)
#include "tst_skin.moc"
