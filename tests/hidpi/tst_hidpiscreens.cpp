// A window moved from a plain screen to one of twice the density loads its
// pictures again for the new one (two offscreen screens, see twoscreens.json).
#include "../support/photo.h"
#include "lacking.h"
#include "ui/app/screenbitmap.h"
#include "ui/preview/CImagePreviewStatic.h"
#include "ui/skin/CSkinButton.h"

#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

class HidpiScreensTest : public QObject
{
    Q_OBJECT

private slots:
    void followsTheScreen_data();
    void followsTheScreen();
};

void HidpiScreensTest::followsTheScreen_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("plain to dense") << "plain"
                                    << "dense";
    QTest::newRow("dense to plain") << "dense"
                                    << "plain";
}

void HidpiScreensTest::followsTheScreen()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QScreen *screenFrom = nullptr;
    QScreen *screenTo = nullptr;
    for (QScreen *s : QGuiApplication::screens()) {
        if (s->name() == from)
            screenFrom = s;
        if (s->name() == to)
            screenTo = s;
    }
    if (!screenFrom || !screenTo)
        SKIP_LACKING("needs the two offscreen screens of twoscreens.json");

    QWidget window;
    window.setGeometry(QRect(screenFrom->geometry().topLeft() + QPoint(10, 10), QSize(300, 200)));
    window.winId();
    window.windowHandle()->setScreen(screenFrom);
    auto *button = new CSkinButton(SKIN_KIND_PUSH, &window);
    button->ApplySkin(132, 136, 0, 0, 0, 0, SKIN_DRAW_NORMAL, 0, 0);
    button->resize(button->sizeHint());
    auto *label = new QLabel(&window);
    showScreenBitmap(label, 135);
    auto *preview = new CImagePreviewStatic(&window);
    preview->setGeometry(100, 50, 119, 150);
    QVERIFY(preview->InitGraphics());
    // Stripes at the box's pixels on the denser screen: on the plain one the
    // decode greys them, so only a decode for the new screen shows them sharp.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stripes.bmp"));
    QVERIFY(paintStripes(preview->contentsRect().size() * 2).save(path));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    preview->LoadImageFile(path);

    const qreal before = screenFrom->devicePixelRatio();
    const qreal after = screenTo->devicePixelRatio();
    QCOMPARE(button->skinRatio(), before);
    QCOMPARE(label->pixmap().devicePixelRatio(), before);

    window.windowHandle()->setScreen(screenTo);
    QTRY_COMPARE(window.devicePixelRatioF(), after);
    QCOMPARE(button->skinRatio(), after);
    QCOMPARE(button->images().normal.devicePixelRatio(), after);
    QCOMPARE(button->size(), QSize(87, 33));
    QCOMPARE(label->pixmap().devicePixelRatio(), after);
    QCOMPARE(label->pixmap().deviceIndependentSize().toSize(), QSize(14, 14));
    QVERIFY(preview->isShowing());
    if (after < 2)
        return;
    const QImage shot = preview->grab().toImage();
    QCOMPARE(sharpPixels(shot, preview->contentsRect().topLeft() * 2 + QPoint(10, 20), 40), 40);
}

QTEST_MAIN(HidpiScreensTest)
#include "tst_hidpiscreens.moc"
