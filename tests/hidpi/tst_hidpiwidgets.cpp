// The skin buttons and the preview on a screen of twice the density: the
// same logical sizes, shapes and hit tests as at 1x, drawn from the 2x
// renders and at the screen's own resolution.
#include "../support/photo.h"
#include "../support/testfiles.h"
#include "core/app/resources.h"
#include "lacking.h"
#include "ui/preview/CImagePreviewStatic.h"
#include "ui/skin/CSkinButton.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class HidpiWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void buttonDrawsTheRender_data();
    void buttonDrawsTheRender();
    void maskShapeInLogicalPixels_data();
    void maskShapeInLogicalPixels();
    void tilesInLogicalPixels();
    void previewAtDeviceResolution();
};

void HidpiWidgetsTest::init()
{
    if (!qFuzzyCompare(qApp->devicePixelRatio(), 2.0))
        SKIP_LACKING("needs a screen of ratio 2; run with QT_SCALE_FACTOR=2");
}

void HidpiWidgetsTest::buttonDrawsTheRender_data()
{
    QTest::addColumn<uint>("normalId");
    QTest::addColumn<uint>("downId");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<QSize>("logical");

    QTest::newRow("Browse") << 132u << 136u << false << QSize(87, 33);
    QTest::newRow("Browse pressed") << 132u << 136u << true << QSize(87, 33);
    QTest::newRow("Upload") << 134u << 137u << false << QSize(86, 34);
    QTest::newRow("close pressed") << 135u << 138u << true << QSize(14, 14);
}

void HidpiWidgetsTest::buttonDrawsTheRender()
{
    QFETCH(uint, normalId);
    QFETCH(uint, downId);
    QFETCH(bool, pressed);
    QFETCH(QSize, logical);

    CSkinButton b;
    b.ApplySkin(normalId, downId, 0, 0, 0, 0, SKIN_DRAW_NORMAL, 0, 0);
    QCOMPARE(b.skinRatio(), 2.0);
    QCOMPARE(b.sizeHint(), logical);
    b.resize(b.sizeHint());
    b.setDown(pressed);
    const QImage shot = b.grab().toImage();
    QCOMPARE(shot.size(), logical * 2);
    const QImage render(resources::bitmapPath(int(pressed ? downId : normalId), 2));
    QCOMPARE(shot.convertToFormat(QImage::Format_RGB32), render.convertToFormat(QImage::Format_RGB32));
}

void HidpiWidgetsTest::maskShapeInLogicalPixels_data()
{
    QTest::addColumn<qreal>("maskRatio");
    QTest::newRow("mask at 1x") << 1.0;
    QTest::newRow("mask at 2x") << 2.0;
}

void HidpiWidgetsTest::maskShapeInLogicalPixels()
{
    QFETCH(qreal, maskRatio);
    // A 40 x 20 logical button whose right half is cut away.
    const int r = int(maskRatio);
    QImage mask = paintMask(40 * r, 20 * r, [r](QPainter &p) { p.drawRect(0, 0, 20 * r, 20 * r); });
    mask.setDevicePixelRatio(maskRatio);
    QImage picture(80, 40, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.setDevicePixelRatio(2);

    QWidget parent;
    parent.resize(100, 60);
    CSkinButton b(SKIN_KIND_PUSH, &parent);
    b.move(10, 10);
    CSkinButton::Images images;
    images.normal = picture;
    images.mask = mask;
    b.applySkinImages(images, SKIN_DRAW_NORMAL, 0, 0);
    QCOMPARE(b.size(), QSize(40, 20));
    QVERIFY(b.windowRegion().has_value());
    QCOMPARE(b.windowRegion()->boundingRect(), QRect(0, 0, 20, 20));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    QSignalSpy clicks(&b, &QAbstractButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(30, 10)); // cut away
    QCOMPARE(clicks.count(), 0);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(19, 19)); // last pixel of the shape
    QCOMPARE(clicks.count(), 1);

    // Drawn: red inside the shape, at every device pixel of it.
    const QImage shot = b.grab().toImage();
    QCOMPARE(shot.size(), QSize(80, 40));
    QCOMPARE(QColor(shot.pixel(39, 39)), QColor(Qt::red));
    QCOMPARE(QColor(shot.pixel(0, 0)), QColor(Qt::red));
}

void HidpiWidgetsTest::tilesInLogicalPixels()
{
    // A 10 x 10 logical tile (20 x 20 pixels): green with a blue last pixel
    // column, so every tile's right edge shows where it lies.
    QImage tile(20, 20, QImage::Format_RGB32);
    tile.fill(Qt::green);
    for (int y = 0; y < 20; ++y)
        tile.setPixel(19, y, qRgb(0, 0, 255));
    tile.setDevicePixelRatio(2);
    CSkinButton b;
    CSkinButton::Images images;
    images.normal = tile;
    b.applySkinImages(images, SKIN_DRAW_TILE, 0, 0);
    b.resize(25, 15);
    const QImage shot = b.grab().toImage();
    QCOMPARE(shot.size(), QSize(50, 30));
    for (int x : {19, 39})
        QCOMPARE(QColor(shot.pixel(x, 5)), QColor(Qt::blue));
    for (int x : {18, 20, 40, 49})
        QCOMPARE(QColor(shot.pixel(x, 5)), QColor(Qt::green));
}

void HidpiWidgetsTest::previewAtDeviceResolution()
{
    CImagePreviewStatic preview;
    preview.resize(119, 150);
    QVERIFY(preview.InitGraphics());
    // Stripes at the box's device size stay sharp only if decoded at it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stripes.bmp"));
    QVERIFY(paintStripes(preview.contentsRect().size() * 2).save(path));
    preview.LoadImageFile(path);
    QVERIFY(preview.isShowing());
    const QImage shot = preview.grab().toImage();
    QCOMPARE(sharpPixels(shot, preview.contentsRect().topLeft() * 2 + QPoint(10, 20), 40), 40);
}

QTEST_MAIN(HidpiWidgetsTest)
#include "tst_hidpiwidgets.moc"
