#include "ui/skin/CSkinButton.h"

#include "core/app/resources.h"
#include "core/skin/skinregion.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

CSkinButton::CSkinButton(QWidget *parent) : CSkinButton(SKIN_KIND_PUSH, parent)
{}

CSkinButton::CSkinButton(SkinKind kind, QWidget *parent) : QAbstractButton(parent), m_nButtonKind(kind)
{
    m_crText = palette().color(QPalette::ButtonText);
    // Moves without a pressed button arm the hover look.
    setMouseTracking(true);
}

CSkinButton::~CSkinButton() = default;

namespace {

// The pixels of a picture that cover `logical` at the picture's own ratio.
QRect deviceRect(const QImage &picture, const QSize &logical)
{
    const qreal ratio = picture.devicePixelRatio();
    return QRect(0, 0, qCeil(logical.width() * ratio), qCeil(logical.height() * ratio));
}

// A mask brought to another picture's ratio, pixel for pixel.
QImage maskAtRatio(const QImage &mask, qreal ratio)
{
    if (qFuzzyCompare(mask.devicePixelRatio(), ratio))
        return mask;
    const QSizeF logical = mask.deviceIndependentSize();
    QImage scaled = mask.scaled(qRound(logical.width() * ratio), qRound(logical.height() * ratio),
                                Qt::IgnoreAspectRatio, Qt::FastTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

} // namespace

void CSkinButton::ApplySkin(quint32 normalId, quint32 downId, quint32 overId, quint32 disabledId,
                            quint32 focusId, quint32 maskId, qint16 drawMode, qint16 borderFlag,
                            qint16 focusMargin)
{
    // Resource numbers are 16 bits wide; a missing picture leaves its state empty.
    const qreal ratio = devicePixelRatioF();
    const auto load = [ratio](quint32 id) {
        return id ? resources::loadBitmap(int(id & 0xFFFF), ratio) : QImage();
    };
    Images images;
    images.normal = load(normalId);
    images.down = load(downId);
    images.over = load(overId);
    images.focus = load(focusId);
    images.disabled = load(disabledId != 0 ? disabledId : normalId);
    images.mask = load(maskId);
    // The shape comes from the 1x mask: its pixels are the button's logical
    // pixels, exactly as the mask was drawn.
    const QImage shapeMask = maskId ? resources::loadBitmap(int(maskId & 0xFFFF)) : QImage();
    applyImages(images, shapeMask, drawMode, borderFlag, focusMargin);
    m_skinIds =
        SkinIds{normalId, downId, overId, disabledId, focusId, maskId, drawMode, borderFlag, focusMargin};
    m_skinRatio = ratio;
}

void CSkinButton::applySkinImages(const Images &images, qint16 drawMode, qint16 borderFlag,
                                  qint16 focusMargin)
{
    m_skinIds.reset();
    applyImages(images, maskAtRatio(images.mask, 1), drawMode, borderFlag, focusMargin);
}

void CSkinButton::applyImages(const Images &images, const QImage &shapeMask, qint16 drawMode,
                              qint16 borderFlag, qint16 focusMargin)
{
    m_images = images;
    m_nDrawMode = clampDrawMode(drawMode);
    m_nBorder = borderFlag;
    m_nFocusMargin = clampFocusMargin(focusMargin);
    update();
    // Without a mask the shape an earlier skin gave stays as it is.
    if (m_images.mask.isNull())
        return;

    const QRegion region = BuildRegionFromMask(shapeMask, qRgb(255, 255, 255));
    m_hWindowRegion = region;
    // An empty QRegion would remove the mask altogether; a region beside the
    // button keeps it without a visible pixel and without mouse input.
    setMask(region.isEmpty() ? QRegion(-1, -1, 1, 1) : region);
    if (m_nDrawMode == SKIN_DRAW_NORMAL)
        resize(shapeMask.size());
}

void CSkinButton::setMinimumTarget(const QSize &target)
{
    const QRect picture = geometry().marginsRemoved(m_targetMargins);
    const int dx = qMax(0, target.width() - picture.width());
    const int dy = qMax(0, target.height() - picture.height());
    m_targetMargins = QMargins(dx / 2, dy / 2, dx - dx / 2, dy - dy / 2);
    setGeometry(picture.marginsAdded(m_targetMargins));
}

void CSkinButton::followScreenRatio()
{
    if (!m_skinIds || qFuzzyCompare(devicePixelRatioF(), m_skinRatio))
        return;
    const SkinIds ids = *m_skinIds;
    ApplySkin(ids.normal, ids.down, ids.over, ids.disabled, ids.focus, ids.mask, ids.drawMode, ids.border,
              ids.focusMargin);
}

void CSkinButton::SetCheck(int check)
{
    m_bIsChecked = check != 0;
    if (m_nButtonKind == SKIN_KIND_PUSH) {
        m_bIsChecked = false;
    } else if (m_nButtonKind == SKIN_KIND_RADIO && m_bIsChecked) {
        // Posted, so the rest of the group changes after the current event.
        for (QWidget *peer : radioGroupPeers())
            QCoreApplication::postEvent(peer, new QEvent(WM_SKINBUTTON_RADIO));
    }
    update();
}

QList<QWidget *> CSkinButton::radioGroupPeers() const
{
    QList<QWidget *> peers;
    if (QButtonGroup *g = group()) {
        for (QAbstractButton *b : g->buttons())
            if (b != this)
                peers.append(b);
        return peers;
    }
    if (!parentWidget())
        return peers;
    for (QObject *child : parentWidget()->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (w && w != this && !w->isWindow())
            peers.append(w);
    }
    return peers;
}

QSize CSkinButton::sizeHint() const
{
    const QSize picture =
        m_images.normal.isNull() ? QSize(75, 23) : m_images.normal.deviceIndependentSize().toSize();
    return picture.grownBy(m_targetMargins);
}

bool CSkinButton::event(QEvent *e)
{
    if (e->type() == WM_SKINBUTTON_RADIO) {
        if (m_bIsChecked) {
            m_bIsChecked = false;
            update();
        }
        return true;
    }
    // Qt tells every widget of a window that moved to another screen.
    if (resources::screenMayHaveChanged(*e))
        followScreenRatio();
    return QAbstractButton::event(e);
}

bool CSkinButton::hitButton(const QPoint &pos) const
{
    if (!rect().contains(pos))
        return false;
    const QRegion shape = mask();
    return shape.isEmpty() || shape.contains(pos);
}

QRegion CSkinButton::focusShape() const
{
    const QRegion shape = mask();
    return shape.isEmpty() ? QRegion(pictureRect()) : shape & rect();
}

bool CSkinButton::isUnderCursor(const QPoint &pos) const
{
    if (!hitButton(pos))
        return false;
    // Another widget or window may cover this part of the button. Where the
    // window system knows no window there, the button's own shape decides.
    const QWidget *top = QApplication::widgetAt(mapToGlobal(pos));
    return top == nullptr || top == this;
}

void CSkinButton::armHover()
{
    if (m_bHovering)
        return;
    m_bHovering = true;
    update();
}

void CSkinButton::mousePressEvent(QMouseEvent *e)
{
    if (m_focusCue.keyboard()) {
        m_focusCue.mousePressed();
        update();
    }
    if (e->button() != Qt::LeftButton) {
        QAbstractButton::mousePressEvent(e);
        return;
    }
    // A press ends the hover look until the next move after the release.
    m_bHovering = false;
    QAbstractButton::mousePressEvent(e);
    if (e->isAccepted()) {
        m_bMouseHeld = true;
        m_heldGlobalPos = e->globalPosition().toPoint();
    }
}

void CSkinButton::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        // Only a press of this button counts: held down by the space bar, a
        // release of the mouse over it (pressed elsewhere) is no click.
        if (!m_bMouseHeld && isDown()) {
            e->ignore();
            return;
        }
        // The check state changes first, so whoever hears clicked() sees the
        // new state.
        if (m_bMouseHeld && m_nButtonKind != SKIN_KIND_PUSH && isUnderCursor(e->position().toPoint()))
            SetCheck(m_nButtonKind == SKIN_KIND_CHECKBOX ? !m_bIsChecked : 1);
        m_bMouseHeld = false;
    }
    QAbstractButton::mouseReleaseEvent(e);
}

void CSkinButton::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    if (m_bMouseHeld && (e->buttons() & Qt::LeftButton)) {
        // The pressed look follows the cursor while the button is held.
        m_heldGlobalPos = e->globalPosition().toPoint();
        const bool inside = isUnderCursor(pos);
        if (inside != isDown())
            setDown(inside);
        e->accept();
        return;
    }
    if (!(e->buttons() & Qt::LeftButton) && hitButton(pos))
        armHover();
    // Not the base button's move handling: after a lost focus it would take
    // the press up again.
    QWidget::mouseMoveEvent(e);
}

void CSkinButton::enterEvent(QEnterEvent *e)
{
    if (!m_bMouseHeld)
        armHover();
    QAbstractButton::enterEvent(e);
}

void CSkinButton::leaveEvent(QEvent *e)
{
    m_bHovering = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void CSkinButton::focusInEvent(QFocusEvent *e)
{
    m_focusCue.focusIn(e->reason());
    QAbstractButton::focusInEvent(e);
    update();
}

void CSkinButton::focusOutEvent(QFocusEvent *e)
{
    m_focusCue.focusOut(e->reason());
    if (m_bMouseHeld) {
        if (mouseGrabber() == this)
            releaseMouse();
        m_bMouseHeld = false;
    }
    // The base button drops the pressed state, so the coming release clicks nothing.
    QAbstractButton::focusOutEvent(e);
    update();
}

void CSkinButton::keyPressEvent(QKeyEvent *e)
{
    // Every key-down counts, auto-repeats included.
    if (m_nButtonKind != SKIN_KIND_PUSH && e->key() == Qt::Key_Space)
        SetCheck(m_nButtonKind == SKIN_KIND_CHECKBOX ? !m_bIsChecked : 1);
    QAbstractButton::keyPressEvent(e);
}

void CSkinButton::paintEvent(QPaintEvent *)
{
    // The background is not erased: where nothing is painted (a masked
    // picture's white, a picture smaller than the button) what lies behind shows.
    if (m_bMouseHeld) {
        // Something may have moved under a still cursor (a window opened or
        // closed); the frame shows the pressed look only where it belongs.
        const bool inside = isUnderCursor(mapFromGlobal(m_heldGlobalPos));
        if (inside != isDown())
            setDown(inside);
    }
    QPainter p(this);
    const QRect r = pictureRect();
    const int margin = m_nFocusMargin;

    SkinFrameInput in;
    in.disabled = !isEnabled();
    in.pressed = isDown();
    in.checked = m_bIsChecked;
    in.hovering = m_bHovering;
    in.focused = hasFocus();
    in.hasNormal = !m_images.normal.isNull();
    in.hasDown = !m_images.down.isNull();
    in.hasOver = !m_images.over.isNull();
    in.hasDisabled = !m_images.disabled.isNull();
    in.hasFocus = !m_images.focus.isNull();
    in.border = m_nBorder;
    in.focusMargin = margin;
    in.keyboardCue = m_focusCue.keyboard();
    const SkinFrame frame = chooseSkinFrame(in);

    const QImage *picture = nullptr;
    switch (frame.bitmap) {
    case SkinBitmap::None:
        break;
    case SkinBitmap::Normal:
        picture = &m_images.normal;
        break;
    case SkinBitmap::Down:
        picture = &m_images.down;
        break;
    case SkinBitmap::Over:
        picture = &m_images.over;
        break;
    case SkinBitmap::Disabled:
        picture = &m_images.disabled;
        break;
    case SkinBitmap::Focus:
        picture = &m_images.focus;
        break;
    }
    QImage lit;
    if (picture && frame.lightened) {
        // The renders are flattened on the colour of the window behind them.
        lit = lightenedPicture(*picture, palette().color(QPalette::Window).rgb());
        picture = &lit;
    }
    if (picture)
        PaintStateBitmap(p, *picture, r, m_nDrawMode);
    else
        p.fillRect(r, palette().color(QPalette::Active, QPalette::Button));
    drawEdge(p, r, frame.edge);

    QRect textRect(QPoint(r.left() + margin + 2, r.top()), QPoint(r.right() - margin - 2, r.bottom()));
    const QString label = text();
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    if (frame.textEmbossed) {
        if (!label.isEmpty()) {
            p.setPen(palette().color(QPalette::Active, QPalette::Light));
            p.drawText(textRect, flags, label);
            p.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
            p.drawText(textRect.translated(-1, -1), flags, label);
        }
        return;
    }
    if (frame.textShifted)
        textRect.translate(1, 1);
    if (frame.focusRect) {
        QPen pen(m_crText, 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(r.adjusted(margin, margin, -margin - 1, -margin - 1));
    }
    if (!label.isEmpty()) {
        p.setPen(m_crText);
        p.drawText(textRect, flags, label);
    }
    if (frame.focusRing)
        drawFocusRing(p);
}

void CSkinButton::drawFocusRing(QPainter &p) const
{
    // Two pixels just inside the outline: a light one outside, which stands
    // out on the dark artwork around the buttons, and the highlight colour
    // within, which stands out on light pictures. Inside, so a mask cannot
    // cut it away; the middle of the picture stays untouched.
    const QRegion shape = focusShape();
    const QRegion outer = insideBand(shape, 1);
    const QRegion inner = insideBand(shape, 2) - outer;
    const QPalette &pal = palette();
    for (const QRect &r : outer)
        p.fillRect(r, pal.color(QPalette::Active, QPalette::HighlightedText));
    for (const QRect &r : inner)
        p.fillRect(r, pal.color(QPalette::Active, QPalette::Highlight));
}

void CSkinButton::PaintStateBitmap(QPainter &p, const QImage &bitmap, const QRect &rect, int drawMode)
{
    if (drawMode == SKIN_DRAW_TILE) {
        // Tiles ignore the mask.
        tileBitmap(p, bitmap, rect);
        return;
    }
    if (bitmap.isNull())
        return;
    // Sizes here are logical; a picture's pixels are counted at its own
    // ratio, so a 2x render covers the same rectangle as the 1x one.
    const QSize size = rect.size();
    const qreal ratio = bitmap.devicePixelRatio();
    if (!m_images.mask.isNull()) {
        const QImage maskHere = maskAtRatio(m_images.mask, ratio);
        const QRect pixels = deviceRect(bitmap, size);
        QImage picture, mask;
        if (drawMode == SKIN_DRAW_NORMAL) {
            picture = bitmap.copy(pixels);
            mask = maskHere.copy(pixels);
        } else {
            // The mask is stretched with the picture, pixel for pixel.
            picture = bitmap.scaled(pixels.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
            mask = maskHere.scaled(pixels.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        }
        QImage composed = composeMasked(picture, mask);
        composed.setDevicePixelRatio(ratio);
        p.drawImage(rect.topLeft(), composed);
        return;
    }
    if (drawMode == SKIN_DRAW_NORMAL)
        p.drawImage(rect.topLeft(), bitmap, deviceRect(bitmap, size));
    else
        p.drawImage(rect, bitmap);
}

void CSkinButton::tileBitmap(QPainter &p, const QImage &bitmap, const QRect &rect)
{
    if (bitmap.isNull())
        return;
    // Tiles are laid out in logical pixels and cut in the picture's pixels.
    const qreal ratio = bitmap.devicePixelRatio();
    const QSizeF tile = bitmap.deviceIndependentSize();
    const qreal right = rect.right() + 1;
    const qreal bottom = rect.bottom() + 1;
    for (qreal y = rect.top(); y < bottom; y += tile.height()) {
        const qreal h = qMin(tile.height(), bottom - y);
        for (qreal x = rect.left(); x < right; x += tile.width()) {
            const qreal w = qMin(tile.width(), right - x);
            p.drawImage(QPointF(x, y), bitmap, QRectF(0, 0, w * ratio, h * ratio));
        }
    }
}

void CSkinButton::drawEdge(QPainter &p, const QRect &r, SkinEdge edge) const
{
    if (edge == SkinEdge::None)
        return;
    const QPalette &pal = palette();
    const QColor light = pal.color(QPalette::Active, QPalette::Light);
    const QColor midlight = pal.color(QPalette::Active, QPalette::Midlight);
    const QColor dark = pal.color(QPalette::Active, QPalette::Dark);
    const QColor shadow = pal.color(QPalette::Active, QPalette::Shadow);
    // Two one-pixel rings: top and left in the first colour, bottom and right
    // in the second, as a 3-D edge is drawn.
    const auto ring = [&p](const QRect &q, const QColor &topLeft, const QColor &bottomRight) {
        p.fillRect(QRect(q.left(), q.top(), q.width() - 1, 1), topLeft);
        p.fillRect(QRect(q.left(), q.top(), 1, q.height() - 1), topLeft);
        p.fillRect(QRect(q.left(), q.bottom(), q.width(), 1), bottomRight);
        p.fillRect(QRect(q.right(), q.top(), 1, q.height()), bottomRight);
    };
    if (edge == SkinEdge::Raised) {
        ring(r, light, shadow);
        ring(r.adjusted(1, 1, -1, -1), midlight, dark);
    } else {
        ring(r, dark, light);
        ring(r.adjusted(1, 1, -1, -1), shadow, midlight);
    }
}
