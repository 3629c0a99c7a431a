// The main window on a screen of a higher density (QT_SCALE_FACTOR): the
// same layout in logical pixels as at 1x, and on screen the background and
// the buttons look like the artwork rendered at that density, not like the
// 1x pictures blown up.
#include "core/app/resources.h"
#include "lacking.h"
#include "ui/skin/CSkinButton.h"
#include "windowfixture.h"

#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QtTest>

class HidpiWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void layoutHolds_data();
    void layoutHolds();
    void artworkIsRenderedAtTheDensity_data();
    void artworkIsRenderedAtTheDensity();

private:
    QImage referenceRender(int id) const;

    std::unique_ptr<WindowFixture> m_fixture;
    std::unique_ptr<CWallpaperDlg> m_dlg;
    QTemporaryDir m_renders;
    qreal m_ratio = 1;
    // What the screen shows of the window, in device pixels.
    QImage m_shot;
};

namespace {

const QColor kBaseColour(0x1D, 0x23, 0x57);

// The mean difference per channel of `shot` at `at` and `want`, over the
// pixels of `want` outside `skip`; the best of the placements up to one
// pixel off, as a fractional density puts edges between device pixels.
double meanDifference(const QImage &shot, QPoint at, const QImage &want, const QRegion &skip = {})
{
    double best = 1e9;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            double sum = 0;
            qint64 n = 0;
            for (int y = 0; y < want.height(); ++y)
                for (int x = 0; x < want.width(); ++x) {
                    const QPoint p = at + QPoint(x + dx, y + dy);
                    if (!shot.rect().contains(p) || skip.contains(p))
                        continue;
                    const QRgb a = shot.pixel(p);
                    const QRgb b = want.pixel(x, y);
                    sum += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
                    ++n;
                }
            if (n > want.width() * want.height() / 2)
                best = qMin(best, sum / (3.0 * n));
        }
    return best;
}

} // namespace

void HidpiWindowTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        SKIP_LACKING("needs an X display; run under xvfb-run with QT_QPA_PLATFORM=xcb");
    m_ratio = qApp->devicePixelRatio();
    if (m_ratio <= 1)
        SKIP_LACKING("needs a screen denser than 1x; run with QT_SCALE_FACTOR=2 or 1.5");

    m_fixture = std::make_unique<WindowFixture>(QByteArray("wallpaperSupport=1\nwallpaperType=2\n"));
    m_dlg = m_fixture->makeWindow();
    m_dlg->OnInitDialog();
    m_dlg->move(40, 30);
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    QScreen *screen = m_dlg->screen();
    QTRY_VERIFY(!(m_shot = screen->grabWindow(m_dlg->winId()).toImage()).isNull()
                && m_shot.pixel(m_shot.width() / 2, 2) != 0xFF000000);
    m_shot = m_shot.convertToFormat(QImage::Format_RGB32);
    if (const QByteArray out = qgetenv("PICTOVANE_HIDPI_SHOT"); !out.isEmpty())
        m_shot.save(QString::fromLocal8Bit(out));
}

void HidpiWindowTest::cleanupTestCase()
{
    m_dlg.reset();
    m_fixture.reset();
}

void HidpiWindowTest::layoutHolds_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QRect>("at1x");

    QTest::newRow("window") << "CWallpaperDlg" << QRect(0, 0, 414, 413);
    QTest::newRow("background") << "background" << QRect(0, 0, 414, 413);
    QTest::newRow("Browse") << "button1007" << QRect(65, 127, 87, 33);
    QTest::newRow("Upload") << "button1008" << QRect(65, 179, 86, 34);
    QTest::newRow("close, taking clicks around its glyph") << "button1009" << QRect(372, 3, 24, 24);
    QTest::newRow("progress bar") << "progress1005" << QRect(47, 250, 141, 11);
    QTest::newRow("preview") << "preview2222" << QRect(254, 60, 119, 150);
}

void HidpiWindowTest::layoutHolds()
{
    QFETCH(QString, widget);
    QFETCH(QRect, at1x);
    QWidget *w = widget == QLatin1String("CWallpaperDlg") ? m_dlg.get() : m_dlg->findChild<QWidget *>(widget);
    QVERIFY(w);
    QCOMPARE(QRect(w == m_dlg.get() ? QPoint(0, 0) : w->pos(), w->size()), at1x);
}

QImage HidpiWindowTest::referenceRender(int id) const
{
    const QImage at1x = resources::loadBitmap(id);
    const QSize size(qRound(at1x.width() * m_ratio), qRound(at1x.height() * m_ratio));
    if (qFuzzyCompare(m_ratio, qreal(qRound(m_ratio)))) {
        // The committed render of the SVG at this scale.
        return QImage(resources::bitmapPath(id, qRound(m_ratio))).convertToFormat(QImage::Format_RGB32);
    }
    const QString rsvg = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (rsvg.isEmpty())
        return QImage();
    const QString out = m_renders.filePath(QStringLiteral("%1.png").arg(id));
    const int rc = QProcess::execute(rsvg, {QStringLiteral("--width"), QString::number(size.width()),
                                            QStringLiteral("--height"), QString::number(size.height()),
                                            QStringLiteral("--output"), out,
                                            QStringLiteral(PICTOVANE_SOURCE_DIR "/res/art/%1.svg").arg(id)});
    if (rc != 0)
        return QImage();
    // Flattened on the window's colour, as the committed renders are.
    QImage flat(size, QImage::Format_RGB32);
    flat.fill(kBaseColour);
    QPainter(&flat).drawImage(0, 0, QImage(out));
    return flat;
}

void HidpiWindowTest::artworkIsRenderedAtTheDensity_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("widget");

    QTest::newRow("background") << 131 << "background";
    QTest::newRow("Browse") << 132 << "button1007";
    QTest::newRow("Upload") << 134 << "button1008";
    QTest::newRow("close") << 135 << "button1009";
}

void HidpiWindowTest::artworkIsRenderedAtTheDensity()
{
    QFETCH(int, id);
    QFETCH(QString, widget);

    const QImage want = referenceRender(id);
    if (want.isNull())
        SKIP_LACKING("rsvg-convert is not installed; it renders the artwork at a fractional density");
    const auto toDevice = [this](QPoint p) {
        return QPoint(qFloor(p.x() * m_ratio), qFloor(p.y() * m_ratio));
    };

    QPoint at;
    QRegion skip;
    if (id == 131) {
        // The picture is centred in the window, two pixels in; the controls
        // drawn over it (and a pixel around them) are not compared.
        at = toDevice(QPoint(2, 0));
        for (QWidget *w : m_dlg->findChildren<QWidget *>())
            if (w->objectName() != QLatin1String("background") && w->isVisible())
                skip += QRect(toDevice(w->pos()), toDevice(w->geometry().bottomRight() + QPoint(1, 1)))
                            .adjusted(-2, -2, 2, 2);
    } else {
        // Where the button draws its picture: the close button has room
        // around its glyph.
        const auto *button = m_dlg->findChild<CSkinButton *>(widget);
        at = toDevice(button->pos() + button->pictureRect().topLeft());
    }
    const double crisp = meanDifference(m_shot, at, want, skip);
    // The 1x picture enlarged to the same size: what a blurry window shows.
    const QImage blurry = resources::loadBitmap(id)
                              .scaled(want.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    const double blurred = meanDifference(m_shot, at, blurry, skip);
    qInfo("mean difference from the render: %.2f; from the 1x picture enlarged: %.2f", crisp, blurred);
    // At a whole ratio the render is copied as it is; at a fractional one it
    // is reduced from the next larger render, a little off the SVG's own.
    QVERIFY2(crisp < 3, qPrintable(QString::number(crisp)));
    QVERIFY2(crisp * 2 < blurred, qPrintable(QStringLiteral("%1 vs %2").arg(crisp).arg(blurred)));
}

QTEST_MAIN(HidpiWindowTest)
#include "tst_hidpiwindow.moc"
