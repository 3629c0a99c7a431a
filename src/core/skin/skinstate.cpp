#include "core/skin/skinstate.h"

qint16 clampDrawMode(qint16 drawMode)
{
    if (drawMode >= SKIN_DRAW_TILE)
        return SKIN_DRAW_TILE;
    if (drawMode < 0)
        return SKIN_DRAW_NORMAL;
    return drawMode;
}

qint16 clampFocusMargin(qint16 focusMargin)
{
    return focusMargin >= 0 ? focusMargin : qint16(0);
}

SkinFrame chooseSkinFrame(const SkinFrameInput &in)
{
    SkinFrame f;
    const bool bordered = in.border != 0;
    if (in.disabled) {
        f.bitmap = in.hasDisabled ? SkinBitmap::Disabled : SkinBitmap::None;
        f.edge = bordered ? SkinEdge::Raised : SkinEdge::None;
        f.textEmbossed = true;
        return f;
    }
    if (in.pressed || in.checked) {
        f.bitmap = in.hasDown ? SkinBitmap::Down : SkinBitmap::None;
        f.edge = bordered ? SkinEdge::Sunken : SkinEdge::None;
        f.textShifted = true;
    } else {
        // Without a normal picture the button is plain face: hover and focus
        // pictures are variations of it, not replacements.
        if (!in.hasNormal)
            f.bitmap = SkinBitmap::None;
        else if (in.hovering && in.hasOver)
            f.bitmap = SkinBitmap::Over;
        else if (in.focused && in.hasFocus)
            f.bitmap = SkinBitmap::Focus;
        else
            f.bitmap = SkinBitmap::Normal;
        f.lightened = in.hovering && in.hasNormal && !in.hasOver;
        f.edge = bordered ? SkinEdge::Raised : SkinEdge::None;
    }
    f.focusRect = in.focused && in.focusMargin > 0;
    f.focusRing = in.focused && in.keyboardCue;
    return f;
}

namespace {

// Focus that leaves and comes back without the user moving it.
bool isTemporary(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason
           || reason == Qt::MenuBarFocusReason;
}

} // namespace

void FocusCue::focusIn(Qt::FocusReason reason)
{
    if (isTemporary(reason))
        return;
    m_keyboard =
        reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

void FocusCue::focusOut(Qt::FocusReason reason)
{
    if (!isTemporary(reason))
        m_keyboard = false;
}

QRegion insideBand(const QRegion &shape, int width)
{
    // Peel the outline off one pixel at a time: a pixel stays inside when
    // all eight neighbours belong to the shape too, so the band also fills
    // the inner corners and runs unbroken.
    QRegion inner = shape;
    for (int i = 0; i < width && !inner.isEmpty(); ++i) {
        QRegion next = inner;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy)
                    next &= inner.translated(dx, dy);
        inner = next;
    }
    return shape - inner;
}

QImage composeMasked(const QImage &bitmap, const QImage &mask)
{
    QImage out = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QImage m = mask.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
        const auto *src = y < m.height() ? reinterpret_cast<const QRgb *>(m.constScanLine(y)) : nullptr;
        for (int x = 0; x < out.width(); ++x) {
            // Beyond the mask there is nothing to cut away: the picture shows.
            const bool white = src && x < m.width() && (src[x] & 0x00FFFFFF) == 0x00FFFFFF;
            if (white)
                dst[x] = 0;
        }
    }
    return out;
}

QImage lightenedPicture(const QImage &picture, QRgb backdrop)
{
    QImage out = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // A veil of white over the artwork only (white atop, premultiplied), so a
    // shaped picture keeps its shape; an edge pixel blended with the
    // backdrop takes the veil in proportion.
    constexpr int kVeil = 48;
    constexpr int kFullAt = 32; // this far from the backdrop is all artwork
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            const int a = qAlpha(c);
            const int apart = qMax(
                qMax(qAbs(qRed(c) - qRed(backdrop) * a / 255), qAbs(qGreen(c) - qGreen(backdrop) * a / 255)),
                qAbs(qBlue(c) - qBlue(backdrop) * a / 255));
            const int veil = kVeil * qMin(apart, kFullAt) / kFullAt;
            const auto lit = [a, veil](int channel) { return channel + (a - channel) * veil / 255; };
            line[x] = qRgba(lit(qRed(c)), lit(qGreen(c)), lit(qBlue(c)), a);
        }
    }
    return out;
}
