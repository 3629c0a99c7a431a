#include "ui/preview/CImagePreviewStatic.h"

#include "../support/photo.h"
#include "../support/testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A picture whose four quarters have four colours, so that both axes of the
// stretch can be seen.
QImage quarters(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h / 2, Qt::red);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
    p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::yellow);
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, 95))
        qFatal("cannot encode %s", format);
    return bytes;
}

// The widget as it would appear on screen.
QImage rendered(QWidget &w)
{
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    w.render(&image);
    return image;
}

// True when every pixel inside the frame is the plain background.
bool isBlank(CImagePreviewStatic &preview)
{
    const QImage image = rendered(preview);
    const QRgb background = preview.palette().color(QPalette::Window).rgb();
    const QRect inside = preview.contentsRect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (image.pixel(x, y) != background)
                return false;
    return true;
}

bool near(QRgb a, QColor b, int tolerance)
{
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance
           && qAbs(qBlue(a) - b.blue()) <= tolerance;
}

// A box whose inside is exactly `inside`, inside the 2-pixel sunken edge.
void sizeInside(CImagePreviewStatic &preview, QSize inside)
{
    const int edge = preview.frameWidth();
    preview.resize(inside + QSize(2 * edge, 2 * edge));
}

// Patches the width and height of a JPEG's start-of-frame marker.
QByteArray withJpegSize(QByteArray jpeg, quint16 w, quint16 h)
{
    const int sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0)
        qFatal("no baseline frame header");
    jpeg[sof + 5] = char(h >> 8);
    jpeg[sof + 6] = char(h & 0xFF);
    jpeg[sof + 7] = char(w >> 8);
    jpeg[sof + 8] = char(w & 0xFF);
    return jpeg;
}

// Patches the width and height of a BMP's info header.
QByteArray withBmpSize(QByteArray bmp, qint32 w, qint32 h)
{
    for (int i = 0; i < 4; ++i) {
        bmp[18 + i] = char((w >> (8 * i)) & 0xFF);
        bmp[22 + i] = char((h >> (8 * i)) & 0xFF);
    }
    return bmp;
}

} // namespace

class PreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void isASunkenFrame();
    void drawsNothingBeforeInit();
    void blankAfterInit();
    void stretchesWholePictureOverWholeInside_data();
    void stretchesWholePictureOverWholeInside();
    void reducedDecodeLooksLikeFullDecode();
    void badInputAfterGoodPictureIsBlank_data();
    void badInputAfterGoodPictureIsBlank();
    void truncatedJpegNeverCrashes();
    void samePathTwiceReadsTheFileAgain();
    void awkwardPathsLoad_data();
    void awkwardPathsLoad();
};

void PreviewTest::isASunkenFrame()
{
    CImagePreviewStatic preview;
    QCOMPARE(preview.frameShape(), QFrame::Panel);
    QCOMPARE(preview.frameShadow(), QFrame::Sunken);
    QCOMPARE(preview.frameWidth(), 2);
}

void PreviewTest::drawsNothingBeforeInit()
{
    QTemporaryDir tmp;
    const QString good = writeFile(tmp.filePath("good.bmp"), encoded(quarters(20, 20), "BMP"));
    CImagePreviewStatic preview;
    sizeInside(preview, QSize(40, 40));
    QVERIFY(isBlank(preview));
    preview.LoadImageFile(good);
    QVERIFY(!preview.isShowing());
    QVERIFY(isBlank(preview));
}

void PreviewTest::blankAfterInit()
{
    CImagePreviewStatic preview;
    sizeInside(preview, QSize(40, 40));
    QVERIFY(preview.InitGraphics());
    QVERIFY(preview.imagePath().isEmpty());
    QVERIFY(!preview.isShowing());
    QVERIFY(isBlank(preview));
}

void PreviewTest::stretchesWholePictureOverWholeInside_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("inside");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("wide bitmap into a tall box")
        << QByteArray("BMP") << QSize(200, 100) << QSize(100, 200) << 0;
    QTest::newRow("wide JPEG into a tall box")
        << QByteArray("JPG") << QSize(200, 100) << QSize(100, 200) << 40;
    QTest::newRow("small bitmap enlarged") << QByteArray("BMP") << QSize(10, 30) << QSize(115, 146) << 0;
    QTest::newRow("large JPEG reduced") << QByteArray("JPG") << QSize(1600, 1200) << QSize(115, 146) << 40;
}

void PreviewTest::stretchesWholePictureOverWholeInside()
{
    QFETCH(QByteArray, format);
    QFETCH(QSize, picture);
    QFETCH(QSize, inside);
    QFETCH(int, tolerance);
    QTemporaryDir tmp;
    const QString path = writeFile(tmp.filePath("pic." + format.toLower()),
                                   encoded(quarters(picture.width(), picture.height()), format.constData()));

    CImagePreviewStatic preview;
    sizeInside(preview, inside);
    preview.InitGraphics();
    preview.setView(FrameView{Framing::Stretch});
    preview.LoadImageFile(path);
    QVERIFY(preview.isShowing());
    QCOMPARE(preview.imagePath(), path);

    const QImage image = rendered(preview);
    const QRect r = preview.contentsRect();
    QCOMPARE(r.size(), inside);
    // Sample each quarter near its centre, near the middle of the box and near
    // its corners: the quarters meet in the middle and nothing is uncovered.
    const int w = r.width(), h = r.height();
    auto at = [&](int x, int y) { return image.pixel(r.left() + x, r.top() + y); };
    struct Probe
    {
        int x, y;
        QColor colour;
    };
    const Probe probes[] = {
        {w / 4, h / 4, Qt::red},
        {3 * w / 4, h / 4, Qt::green},
        {w / 4, 3 * h / 4, Qt::blue},
        {3 * w / 4, 3 * h / 4, Qt::yellow},
        {1, 1, Qt::red},
        {w - 2, 1, Qt::green},
        {1, h - 2, Qt::blue},
        {w - 2, h - 2, Qt::yellow},
        {3 * w / 8, 3 * h / 8, Qt::red},
        {5 * w / 8, 5 * h / 8, Qt::yellow},
    };
    for (const Probe &p : probes) {
        if (!near(at(p.x, p.y), p.colour, tolerance))
            QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, expected %4")
                                 .arg(p.x)
                                 .arg(p.y)
                                 .arg(QColor(at(p.x, p.y)).name(), p.colour.name())));
    }
    // The frame itself is not painted over.
    QCOMPARE(QColor(image.pixel(0, h / 2)) == QColor(Qt::red), false);
}

void PreviewTest::reducedDecodeLooksLikeFullDecode()
{
    // A photo-like picture: smooth gradients and a few hard edges.
    QImage photo = paintPhoto(1800, 1200);
    QPainter(&photo).fillRect(1300, 100, 300, 1000, QColor(200, 30, 30));
    QTemporaryDir tmp;
    const QString path = writeFile(tmp.filePath("photo.jpg"), encoded(photo, "JPG"));

    CImagePreviewStatic preview;
    sizeInside(preview, QSize(115, 146));
    preview.InitGraphics();
    preview.setView(FrameView{Framing::Stretch});
    preview.LoadImageFile(path);
    const QImage shown = rendered(preview).copy(preview.contentsRect());

    QImage full;
    QVERIFY(full.load(path));
    const QImage expected = full.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_RGB32);
    qint64 difference = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = expected.pixel(x, y);
            difference += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
        }
    const double perChannel = double(difference) / (3.0 * shown.width() * shown.height());
    QVERIFY2(perChannel < 4.0, qPrintable(QString::number(perChannel)));
}

void PreviewTest::badInputAfterGoodPictureIsBlank_data()
{
    const QByteArray jpeg = encoded(quarters(64, 48), "JPG");
    const QByteArray bmp = encoded(quarters(64, 48), "BMP");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // null: the file is not written
    QTest::newRow("empty path") << QString() << QByteArray();
    QTest::newRow("missing file") << QStringLiteral("missing.jpg") << QByteArray();
    QTest::newRow("0-byte file") << QStringLiteral("empty.jpg") << QByteArray("");
    QTest::newRow("text named .jpg") << QStringLiteral("notes.jpg") << QByteArray("just some words\n");
    QTest::newRow("text named .bmp") << QStringLiteral("notes.bmp") << QByteArray("BM but not really\n");
    QTest::newRow("BMP header claiming 8000x8000")
        << QStringLiteral("liar.bmp") << withBmpSize(bmp, 8000, 8000);
    QTest::newRow("BMP header claiming 30000x30000")
        << QStringLiteral("huge.bmp") << withBmpSize(bmp, 30000, 30000);
    QTest::newRow("JPEG header claiming 30000x30000")
        << QStringLiteral("huge.jpg") << withJpegSize(jpeg, 30000, 30000);
    QTest::newRow("JPEG cut inside its header") << QStringLiteral("cut.jpg") << jpeg.left(100);
    QTest::newRow("a folder") << QStringLiteral("folder.jpg") << QByteArray("<dir>");
}

void PreviewTest::badInputAfterGoodPictureIsBlank()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QTemporaryDir tmp;
    const QString good = writeFile(tmp.filePath("good.bmp"), encoded(quarters(20, 20), "BMP"));
    QString bad;
    if (!name.isEmpty()) {
        bad = tmp.filePath(name);
        if (bytes == "<dir>")
            QVERIFY(QDir(tmp.path()).mkdir(name));
        else if (!bytes.isNull())
            writeFile(bad, bytes);
    }

    CImagePreviewStatic preview;
    sizeInside(preview, QSize(115, 146));
    preview.InitGraphics();
    preview.LoadImageFile(good);
    QVERIFY(preview.isShowing());
    QVERIFY(!isBlank(preview));

    preview.LoadImageFile(bad);
    QCOMPARE(preview.imagePath(), bad);
    QVERIFY(!preview.isShowing());
    QVERIFY(isBlank(preview));
}

void PreviewTest::truncatedJpegNeverCrashes()
{
    // Cut after its header, a JPEG still decodes as far as its data goes (the
    // rest grey), as most viewers show it. What matters: no crash, and what is
    // drawn agrees with the state.
    QTemporaryDir tmp;
    const QByteArray jpeg = encoded(quarters(640, 480), "JPG");
    const QString path = writeFile(tmp.filePath("cut.jpg"), jpeg.left(jpeg.size() / 3));
    CImagePreviewStatic preview;
    sizeInside(preview, QSize(115, 146));
    preview.InitGraphics();
    preview.LoadImageFile(path);
    QCOMPARE(isBlank(preview), !preview.isShowing());
}

void PreviewTest::samePathTwiceReadsTheFileAgain()
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("pic.bmp");
    QImage red(8, 8, QImage::Format_RGB32), blue(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);

    CImagePreviewStatic preview;
    sizeInside(preview, QSize(40, 40));
    preview.InitGraphics();
    writeFile(path, encoded(red, "BMP"));
    preview.LoadImageFile(path);
    QCOMPARE(QColor(rendered(preview).pixel(20, 20)), QColor(Qt::red));

    writeFile(path, encoded(blue, "BMP"));
    preview.LoadImageFile(path);
    QCOMPARE(QColor(rendered(preview).pixel(20, 20)), QColor(Qt::blue));
}

void PreviewTest::awkwardPathsLoad_data()
{
    QTest::addColumn<QString>("relative"); // below the temporary folder; "#" pads to 259 characters
    QTest::newRow("259 characters") << QStringLiteral("#.jpg");
    QTest::newRow("longer than 259 characters")
        << QStringLiteral("#/") + QString(120, QLatin1Char('z')) + ".jpg";
    QTest::newRow("non-ASCII") << QStringLiteral("Фото 写真/café ünïcode ✓.jpg");
    QTest::newRow("spaces and quotes") << QStringLiteral("my \"best\" pictures/it's here.bmp");
    QTest::newRow("upper-case extension") << QStringLiteral("PHOTO.JPG");
}

void PreviewTest::awkwardPathsLoad()
{
    QFETCH(QString, relative);
    QTemporaryDir tmp;
    QString path = tmp.path() + QLatin1Char('/') + relative;
    const int hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        // Fill up to exactly 259 characters with folders of at most 100.
        const int fill = 259 - (path.size() - 1);
        QString padding;
        for (int left = fill; left > 0;) {
            const int chunk = qMin(left, 100);
            if (left - chunk == 1 || (left > 100 && left - chunk < 2)) {
                padding += QString(chunk - 2, QLatin1Char('p')) + QLatin1Char('/');
                left -= chunk - 1;
            } else if (left == chunk) {
                padding += QString(chunk, QLatin1Char('p'));
                left = 0;
            } else {
                padding += QString(chunk - 1, QLatin1Char('p')) + QLatin1Char('/');
                left -= chunk;
            }
        }
        path.replace(hash, 1, padding);
        if (relative.startsWith(QLatin1String("#.")))
            QCOMPARE(path.size(), 259);
    }
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const QByteArray format = QFileInfo(path).suffix().toUpper().toLatin1();
    writeFile(path, encoded(quarters(40, 40), format.constData()));

    CImagePreviewStatic preview;
    sizeInside(preview, QSize(40, 40));
    preview.InitGraphics();
    preview.LoadImageFile(path);
    QVERIFY(preview.isShowing());
    QVERIFY(near(rendered(preview).pixel(10, 10), Qt::red, 40));
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
