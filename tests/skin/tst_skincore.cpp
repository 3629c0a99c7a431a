#include "../support/testfiles.h"
#include "core/skin/skinregion.h"
#include "core/skin/skinstate.h"

#include <QPainter>
#include <QtTest>

Q_DECLARE_METATYPE(SkinFrameInput)
Q_DECLARE_METATYPE(SkinFrame)

namespace {

// A mask drawn as text rows, top row first: 'X' black, '.' white, 'n' nearly white.
QImage maskFrom(const QStringList &rows)
{
    QImage img(rows.isEmpty() ? 0 : int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QChar c = rows[y][x];
            img.setPixel(x, y,
                         c == u'X'   ? qRgb(0, 0, 0)
                         : c == u'n' ? qRgb(254, 255, 255)
                                     : qRgb(255, 255, 255));
        }
    return img;
}

QRegion unionOf(const QList<QRect> &rects)
{
    QRegion r;
    for (const QRect &rect : rects)
        r += rect;
    return r;
}

bool sameArea(const QRegion &a, const QRegion &b)
{
    return (a ^ b).isEmpty();
}

} // namespace

class SkinCoreTest : public QObject
{
    Q_OBJECT

private slots:
    void rectangles_data();
    void rectangles();
    void regionKeepsEachPixel_data();
    void regionKeepsEachPixel();
    void regionOfANullMask();
    void frameChoice_data();
    void frameChoice();
    void focusCue_data();
    void focusCue();
    void insideBandFollowsTheShape();
};

void SkinCoreTest::rectangles_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<QRect>>("expected");

    QTest::newRow("all white gives no rectangle") << QStringList{"...", "..."} << QList<QRect>{};
    QTest::newRow("no white gives the whole mask")
        << QStringList{"XXXX", "XXXX", "XXXX"} << QList<QRect>{QRect(0, 0, 4, 3)};
    QTest::newRow("black white black gives two runs")
        << QStringList{"X.X"} << QList<QRect>{QRect(0, 0, 1, 1), QRect(2, 0, 1, 1)};
    QTest::newRow("only the last pixel black gives one pixel, the other row nothing")
        << QStringList{"...X", "...."} << QList<QRect>{QRect(3, 0, 1, 1)};
    QTest::newRow("nearly white counts as button")
        << QStringList{"n.n"} << QList<QRect>{QRect(0, 0, 1, 1), QRect(2, 0, 1, 1)};
    QTest::newRow("a run open at the row's end stops there")
        << QStringList{"X.XX", "XX.."}
        << QList<QRect>{QRect(0, 1, 2, 1), QRect(0, 0, 1, 1), QRect(2, 0, 2, 1)};
}

void SkinCoreTest::rectangles()
{
    QFETCH(QStringList, rows);
    QFETCH(QList<QRect>, expected);
    const QImage mask = maskFrom(rows);
    const QRegion region = BuildRegionFromMask(mask, qRgb(255, 255, 255));
    QVERIFY(sameArea(region, unionOf(expected)));
    QCOMPARE(region.isEmpty(), expected.isEmpty());
}

void SkinCoreTest::regionKeepsEachPixel_data()
{
    QTest::addColumn<QImage>("mask");
    QTest::addColumn<QRgb>("transparent");

    // Equal rows merge into bands; these shapes make bands start, grow and break.
    const QImage disc = paintMask(61, 47, [](QPainter &p) {
        p.drawEllipse(3, 2, 55, 40);
        p.fillRect(20, 10, 8, 8, Qt::white);
        p.fillRect(0, 30, 61, 3, Qt::white);
    });
    QTest::newRow("disc with a hole and a gap") << disc << qRgb(255, 255, 255);

    QImage noise(40, 33, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            noise.setPixel(x, y, (seed >> 16) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    QTest::newRow("scattered pixels") << noise << qRgb(255, 255, 255);

    QImage stripes(16, 24, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixel(x, y, (y / 3 + x / 4) % 2 ? qRgb(10, 20, 30) : qRgb(200, 0, 0));
    QTest::newRow("another transparent colour, repeated rows") << stripes << qRgb(10, 20, 30);

    // Long rows, and 1-bit masks read through their colour table.
    QImage wide(200, 9, QImage::Format_RGB32);
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x)
            wide.setPixel(x, y,
                          (x / (y + 1) + (x == 63 || x == 64 || x == 127 || x == 199)) % 2
                              ? qRgb(255, 255, 255)
                              : qRgb(0, 0, 0));
    QTest::newRow("wide rows") << wide << qRgb(255, 255, 255);
    QTest::newRow("wide rows, 1-bit, first pixel in the high bit")
        << wide.convertToFormat(QImage::Format_Mono) << qRgb(255, 255, 255);
    QTest::newRow("wide rows, 1-bit, first pixel in the low bit")
        << wide.convertToFormat(QImage::Format_MonoLSB) << qRgb(255, 255, 255);
    QImage blackClear = wide.convertToFormat(QImage::Format_Mono);
    QTest::newRow("1-bit with black as the transparent colour") << blackClear << qRgb(0, 0, 0);
    QImage full(128, 3, QImage::Format_RGB32);
    full.fill(Qt::black);
    QTest::newRow("a run to the end of a full last word") << full << qRgb(255, 255, 255);

    QImage indexed = maskFrom({"X..X", "X..X", ".XX."}).convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("an indexed mask") << indexed << qRgb(255, 255, 255);
}

void SkinCoreTest::regionKeepsEachPixel()
{
    QFETCH(QImage, mask);
    QFETCH(QRgb, transparent);
    const QRegion region = BuildRegionFromMask(mask, transparent);
    // Every pixel decides on its own colour.
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            QCOMPARE(region.contains(QPoint(x, y)),
                     (mask.pixel(x, y) & 0xFFFFFF) != (transparent & 0xFFFFFF));
}

void SkinCoreTest::regionOfANullMask()
{
    QVERIFY(BuildRegionFromMask(QImage(), qRgb(255, 255, 255)).isEmpty());
}

void SkinCoreTest::frameChoice_data()
{
    QTest::addColumn<SkinFrameInput>("input");
    QTest::addColumn<SkinFrame>("expected");

    SkinFrameInput all;
    all.hasNormal = all.hasDown = all.hasOver = all.hasDisabled = all.hasFocus = true;
    const auto with = [&](auto change) {
        SkinFrameInput in = all;
        change(in);
        return in;
    };
    const auto frame = [](SkinBitmap b, SkinEdge e = SkinEdge::None, bool shifted = false,
                          bool embossed = false, bool focusRect = false) {
        SkinFrame f;
        f.bitmap = b;
        f.edge = e;
        f.textShifted = shifted;
        f.textEmbossed = embossed;
        f.focusRect = focusRect;
        return f;
    };

    QTest::newRow("normal") << all << frame(SkinBitmap::Normal);
    QTest::newRow("disabled beats checked, pressed and focus") << with([](SkinFrameInput &i) {
        i.disabled = i.checked = i.pressed = i.focused = true;
        i.focusMargin = 3;
    }) << frame(SkinBitmap::Disabled, SkinEdge::None, false, true);
    QTest::newRow("disabled without its picture is plain face")
        << with([](SkinFrameInput &i) { i.disabled = true, i.hasDisabled = false; })
        << frame(SkinBitmap::None, SkinEdge::None, false, true);
    QTest::newRow("disabled with a border is raised")
        << with([](SkinFrameInput &i) { i.disabled = true, i.border = -1; })
        << frame(SkinBitmap::Disabled, SkinEdge::Raised, false, true);
    QTest::newRow("pressed shows down, text shifted")
        << with([](SkinFrameInput &i) { i.pressed = i.hovering = true; })
        << frame(SkinBitmap::Down, SkinEdge::None, true);
    QTest::newRow("pressed without its picture is plain face, sunken with a border")
        << with([](SkinFrameInput &i) { i.pressed = true, i.hasDown = false, i.border = 1; })
        << frame(SkinBitmap::None, SkinEdge::Sunken, true);
    QTest::newRow("hover without its picture falls to focus")
        << with([](SkinFrameInput &i) { i.hovering = i.focused = true, i.hasOver = false; })
        << frame(SkinBitmap::Focus);
    QTest::newRow("hover and focus without their pictures show normal")
        << with([](SkinFrameInput &i) { i.hovering = i.focused = true, i.hasOver = i.hasFocus = false; })
        << frame(SkinBitmap::Normal);
    QTest::newRow("no normal picture: hover and focus pictures unused")
        << with([](SkinFrameInput &i) { i.hovering = i.focused = true, i.hasNormal = false; })
        << frame(SkinBitmap::None);
    QTest::newRow("focus margin 0 draws no focus rectangle")
        << with([](SkinFrameInput &i) { i.focused = true; }) << frame(SkinBitmap::Focus);
    QTest::newRow("focus margin draws the focus rectangle, pressed too")
        << with([](SkinFrameInput &i) { i.focused = i.pressed = true, i.focusMargin = 2; })
        << frame(SkinBitmap::Down, SkinEdge::None, true, false, true);
    QTest::newRow("a margin without focus draws none")
        << with([](SkinFrameInput &i) { i.focusMargin = 2; }) << frame(SkinBitmap::Normal);
    QTest::newRow("a keyboard cue without focus draws no ring")
        << with([](SkinFrameInput &i) { i.keyboardCue = true; }) << frame(SkinBitmap::Normal);
}

void SkinCoreTest::frameChoice()
{
    QFETCH(SkinFrameInput, input);
    QFETCH(SkinFrame, expected);
    const SkinFrame got = chooseSkinFrame(input);
    QCOMPARE(int(got.bitmap), int(expected.bitmap));
    QCOMPARE(int(got.edge), int(expected.edge));
    QCOMPARE(got.textShifted, expected.textShifted);
    QCOMPARE(got.textEmbossed, expected.textEmbossed);
    QCOMPARE(got.focusRect, expected.focusRect);
    QCOMPARE(got.focusRing, expected.focusRing);
}

void SkinCoreTest::focusCue_data()
{
    // A reason is a focus-in, a reason + 100 a focus-out, -1 a mouse press.
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<bool>("keyboard");
    QTest::newRow("shortcut") << QList<int>{Qt::ShortcutFocusReason} << true;
    QTest::newRow("other reason") << QList<int>{Qt::OtherFocusReason} << false;
    QTest::newRow("popup at start") << QList<int>{Qt::PopupFocusReason} << false;
    QTest::newRow("tab away") << QList<int>{Qt::TabFocusReason, 100 + Qt::TabFocusReason} << false;
    QTest::newRow("popup closed after backtab")
        << QList<int>{Qt::BacktabFocusReason, 100 + Qt::PopupFocusReason, Qt::PopupFocusReason} << true;
    QTest::newRow("press while the ring shows") << QList<int>{Qt::TabFocusReason, -1} << false;
}

void SkinCoreTest::focusCue()
{
    QFETCH(QList<int>, steps);
    FocusCue cue;
    for (int step : steps) {
        if (step < 0)
            cue.mousePressed();
        else if (step >= 100)
            cue.focusOut(Qt::FocusReason(step - 100));
        else
            cue.focusIn(Qt::FocusReason(step));
    }
    QTEST(cue.keyboard(), "keyboard");
}

void SkinCoreTest::insideBandFollowsTheShape()
{
    const QRect r(0, 0, 10, 6);
    QVERIFY(sameArea(insideBand(QRegion(r), 2), QRegion(r) - r.adjusted(2, 2, -2, -2)));
    // A plus sign: the band runs round the notches and fills their inner corners.
    const QRegion plus = QRegion(4, 0, 4, 12) + QRegion(0, 4, 12, 4);
    QVERIFY(sameArea(insideBand(plus, 1), plus - QRegion(5, 1, 2, 10) - QRegion(1, 5, 10, 2)));
}

// The region is built through a QBitmap, which needs the GUI half of Qt
// (on the offscreen platform: no window).
QTEST_MAIN(SkinCoreTest)
#include "tst_skincore.moc"
