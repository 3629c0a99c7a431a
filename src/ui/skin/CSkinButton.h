// A button drawn entirely from per-state pictures, optionally cut to the shape
// of a mask picture. Qt keeps pressing, focus, keyboard activation and
// clicked(); this class adds hover, a pressed look that follows the cursor,
// double-clicks as presses, and a check state of its own.
#pragma once

#include "core/skin/skinstate.h"

#include <QAbstractButton>
#include <QColor>
#include <QEvent>
#include <QImage>
#include <QMargins>
#include <QRegion>

#include <optional>

// Posted to the other members of a radio button's group when it becomes
// checked; every skin button that receives it unchecks itself.
inline const QEvent::Type WM_SKINBUTTON_RADIO = static_cast<QEvent::Type>(QEvent::User + 0x100);

class CSkinButton : public QAbstractButton
{
    Q_OBJECT

public:
    // The pictures of one skin, already loaded; a null image is an empty state.
    struct Images
    {
        QImage normal, down, over, disabled, focus, mask;
    };

    explicit CSkinButton(QWidget *parent = nullptr);
    explicit CSkinButton(SkinKind kind, QWidget *parent = nullptr);
    ~CSkinButton() override;

    // Loads the pictures by resource number (0 = none) and sets how they are
    // drawn. A disabled picture that is not given is a copy of the normal one.
    // The pictures are the renders for this button's screen; they come again
    // when the button moves to a screen of another pixel density.
    void ApplySkin(quint32 normalId, quint32 downId, quint32 overId, quint32 disabledId, quint32 focusId,
                   quint32 maskId, qint16 drawMode, qint16 borderFlag, qint16 focusMargin);
    // The same with pictures at hand instead of resource numbers. Sizes,
    // shape and hit tests follow the pictures' logical sizes
    // (deviceIndependentSize()), whatever their device pixel ratio.
    void applySkinImages(const Images &images, qint16 drawMode, qint16 borderFlag, qint16 focusMargin);

    // The check state: set on click or space bar by the button itself, or by
    // anyone. Push buttons stay unchecked; checking a radio button unchecks
    // the rest of its group once the posted events have been handled.
    void SetCheck(int check);
    int GetCheck() const { return m_bIsChecked ? 1 : 0; }

    // Grows the button evenly around its picture to at least `target`
    // logical pixels, so a small glyph takes clicks as a usual button does.
    // The picture, its edge and the focus ring stay where they were. For
    // buttons without a mask; a mask shapes the button on its own.
    void setMinimumTarget(const QSize &target);
    // Where the picture is drawn: the button less the room around it.
    QRect pictureRect() const { return rect().marginsRemoved(m_targetMargins); }

    qint16 drawMode() const { return m_nDrawMode; }
    qint16 focusMargin() const { return m_nFocusMargin; }
    int border() const { return m_nBorder; }
    bool isHovering() const { return m_bHovering; }
    bool isMouseHeld() const { return m_bMouseHeld; }
    // Where the ring goes: the button's shape, its mask if it has one.
    QRegion focusShape() const;
    const Images &images() const { return m_images; }
    // The device pixel ratio the resource pictures were loaded for; 0 when
    // the pictures were handed in.
    qreal skinRatio() const { return m_skinIds ? m_skinRatio : 0; }
    // The shape last built from a mask, if any, in logical pixels.
    const std::optional<QRegion> &windowRegion() const { return m_hWindowRegion; }

    // The widgets that hear about this button becoming checked: the other
    // buttons of its QButtonGroup when it has one, otherwise every other
    // widget with the same parent.
    QList<QWidget *> radioGroupPeers() const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    bool hitButton(const QPoint &pos) const override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    // The resource numbers and settings of the last ApplySkin, so the
    // pictures can be loaded again for another screen.
    struct SkinIds
    {
        quint32 normal, down, over, disabled, focus, mask;
        qint16 drawMode, border, focusMargin;
    };
    void applyImages(const Images &images, const QImage &shapeMask, qint16 drawMode, qint16 borderFlag,
                     qint16 focusMargin);
    // Loads the pictures again when the screen's ratio is no longer theirs.
    void followScreenRatio();

    void PaintStateBitmap(QPainter &p, const QImage &bitmap, const QRect &rect, int drawMode);
    void tileBitmap(QPainter &p, const QImage &bitmap, const QRect &rect);
    void drawEdge(QPainter &p, const QRect &r, SkinEdge edge) const;
    void drawFocusRing(QPainter &p) const;
    // Whether the topmost widget at this point of the button is the button.
    bool isUnderCursor(const QPoint &pos) const;
    void armHover();

    bool m_bIsChecked = false;
    SkinKind m_nButtonKind = SKIN_KIND_PUSH;
    bool m_bHovering = false;
    bool m_bMouseHeld = false;
    FocusCue m_focusCue;
    // Where the cursor was last seen while held, in screen coordinates.
    QPoint m_heldGlobalPos;
    Images m_images;
    std::optional<SkinIds> m_skinIds;
    qreal m_skinRatio = 1;
    qint16 m_nFocusMargin = 0;
    QMargins m_targetMargins;
    QColor m_crText;
    std::optional<QRegion> m_hWindowRegion;
    int m_nBorder = 0;
    qint16 m_nDrawMode = SKIN_DRAW_STRETCH;
};
