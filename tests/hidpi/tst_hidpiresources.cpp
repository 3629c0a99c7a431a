// Which render of the artwork a screen density gets, at what logical size,
// read without loading any image plugin.
#include "core/app/resources.h"

#include <QImageReader>
#include <QtTest>

namespace {

// The image plugins this process has loaded; empty where that cannot be seen.
QByteArrayList loadedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    QByteArrayList plugins;
    if (maps.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : maps.readAll().split('\n'))
            if (line.contains("/imageformats/") && !plugins.contains(line.mid(line.lastIndexOf('/') + 1)))
                plugins << line.mid(line.lastIndexOf('/') + 1);
    }
    return plugins;
}

} // namespace

class HidpiResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void pickedRender_data();
    void pickedRender();
};

void HidpiResourcesTest::pickedRender_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("render");    // the scale of the file read
    QTest::addColumn<QSize>("logical"); // the 1x size
    QTest::addColumn<QSize>("pixels");

    QTest::newRow("background at 1") << 131 << 1.0 << 1 << QSize(410, 413) << QSize(410, 413);
    QTest::newRow("background at 2") << 131 << 2.0 << 2 << QSize(410, 413) << QSize(820, 826);
    QTest::newRow("Browse at 1.5") << 132 << 1.5 << 2 << QSize(87, 33) << QSize(131, 50);
    QTest::newRow("Browse pressed at 3") << 136 << 3.0 << 3 << QSize(87, 33) << QSize(261, 99);
    QTest::newRow("Upload at 1.25") << 134 << 1.25 << 2 << QSize(86, 34) << QSize(108, 43);
    QTest::newRow("Upload at 2.5") << 134 << 2.5 << 3 << QSize(86, 34) << QSize(215, 85);
    QTest::newRow("close pressed at 4, beyond the renders")
        << 138 << 4.0 << 3 << QSize(14, 14) << QSize(56, 56);
    QTest::newRow("a ratio no screen has is 1") << 137 << 0.0 << 1 << QSize(87, 33) << QSize(87, 33);
}

void HidpiResourcesTest::pickedRender()
{
    QFETCH(int, id);
    QFETCH(qreal, ratio);
    QFETCH(int, render);
    QFETCH(QSize, logical);
    QFETCH(QSize, pixels);

    const QImage image = resources::loadBitmap(id, ratio);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), pixels);
    QCOMPARE(image.deviceIndependentSize().toSize(), logical);
    QCOMPARE(resources::loadBitmap(id).size(), logical);
    const QString file = resources::bitmapPath(id, render);
    QVERIFY2(QFile::exists(file), qPrintable(file));
    // Our artwork is PNG, which Qt reads itself: loading a plugin for it
    // only slows the start.
    QCOMPARE(loadedImagePlugins(), QByteArrayList());
    QImageReader reader(file, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage rendered = reader.read();
    QCOMPARE(rendered.size(), logical * render);
    if (rendered.size() == pixels) {
        // A rendered scale is shown as drawn, pixel for pixel.
        QCOMPARE(image.devicePixelRatio(), qreal(render));
        QCOMPARE(image.convertToFormat(QImage::Format_ARGB32),
                 rendered.convertToFormat(QImage::Format_ARGB32));
    } else {
        QCOMPARE(image.devicePixelRatio(), ratio);
    }
}

QTEST_GUILESS_MAIN(HidpiResourcesTest)
#include "tst_hidpiresources.moc"
