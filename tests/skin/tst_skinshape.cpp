// The mask cuts the button's own window on a real window system: outside the
// shape the screen shows what lies behind.
#include "../support/testfiles.h"
#include "lacking.h"
#include "ui/skin/CSkinButton.h"

#include <QPainter>
#include <QScreen>
#include <QtTest>

class SkinShapeTest : public QObject
{
    Q_OBJECT

private slots:
    void windowTakesTheMaskShape();
};

void SkinShapeTest::windowTakesTheMaskShape()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        SKIP_LACKING(
            "needs an X display for real window shapes; run under xvfb-run with QT_QPA_PLATFORM=xcb");

    const QColor behind(0, 255, 255);
    const QColor face(200, 0, 0);
    QWidget backdrop(nullptr, Qt::FramelessWindowHint);
    QPalette pal = backdrop.palette();
    pal.setColor(QPalette::Window, behind);
    backdrop.setPalette(pal);
    backdrop.setAutoFillBackground(true);
    backdrop.setGeometry(0, 0, 320, 240);
    backdrop.show();
    QVERIFY(QTest::qWaitForWindowExposed(&backdrop));

    // A ring: the centre and the corners are cut away.
    const QImage mask = paintMask(100, 100, [](QPainter &p) {
        p.drawEllipse(0, 0, 100, 100);
        p.setBrush(Qt::white);
        p.drawEllipse(30, 30, 40, 40);
    });
    QImage picture(100, 100, QImage::Format_RGB32);
    picture.fill(face);
    CSkinButton button(SKIN_KIND_PUSH);
    button.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::X11BypassWindowManagerHint);
    button.move(110, 70);
    button.resize(160, 120); // the normal draw mode takes the mask's size
    CSkinButton::Images images;
    images.normal = picture;
    images.mask = mask;
    button.applySkinImages(images, SKIN_DRAW_NORMAL, 0, 0);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QCOMPARE(button.size(), QSize(100, 100));

    QScreen *screen = QGuiApplication::primaryScreen();
    const QPoint origin = button.mapToGlobal(QPoint(0, 0));
    const auto screenAt = [&](QPoint p) {
        return QColor(
            screen->grabWindow(0, origin.x() + p.x(), origin.y() + p.y(), 1, 1).toImage().pixel(0, 0));
    };
    QTRY_COMPARE(screenAt(QPoint(50, 10)), face);
    QCOMPARE(screenAt(QPoint(3, 3)), behind);   // corner
    QCOMPARE(screenAt(QPoint(50, 50)), behind); // hole
    QCOMPARE(screenAt(QPoint(15, 50)), face);

    if (const QByteArray shot = qgetenv("PICTOVANE_SKIN_SHOT"); !shot.isEmpty())
        screen->grabWindow(0, 0, 0, 320, 240).save(QString::fromLocal8Bit(shot));
}

QTEST_MAIN(SkinShapeTest)
#include "tst_skinshape.moc"
