// The skin button's decisions that need no window: how the set-up values are
// kept in range, which state picture a frame shows, and how a masked picture
// is composed.
#pragma once

#include <QImage>
#include <QRegion>
#include <QtGlobal>

enum SkinKind { SKIN_KIND_PUSH = 0, SKIN_KIND_CHECKBOX = 2, SKIN_KIND_RADIO = 4 };
enum SkinDrawMode { SKIN_DRAW_NORMAL = 0, SKIN_DRAW_STRETCH = 1, SKIN_DRAW_TILE = 2 };

qint16 clampDrawMode(qint16 drawMode);
qint16 clampFocusMargin(qint16 focusMargin);

// Which stored picture one frame paints; None fills with the button face.
enum class SkinBitmap { None, Normal, Down, Over, Disabled, Focus };
enum class SkinEdge { None, Raised, Sunken };

struct SkinFrameInput
{
    bool disabled = false;
    bool pressed = false; // the system's pushed look
    bool checked = false;
    bool hovering = false;
    bool focused = false;
    // Which pictures are loaded.
    bool hasNormal = false, hasDown = false, hasOver = false, hasDisabled = false, hasFocus = false;
    int border = 0;
    int focusMargin = 0;
    bool keyboardCue = false; // the focus last came from the keyboard
};

struct SkinFrame
{
    SkinBitmap bitmap = SkinBitmap::None;
    SkinEdge edge = SkinEdge::None;
    bool textShifted = false;  // pressed text sits one pixel right and down
    bool textEmbossed = false; // disabled text: light copy, grey copy up-left
    bool focusRect = false;
    bool focusRing = false; // the keyboard user's ring around the shape
    bool lightened = false; // hover without a picture of its own

    bool operator==(const SkinFrame &o) const
    {
        return bitmap == o.bitmap && edge == o.edge && textShifted == o.textShifted
               && textEmbossed == o.textEmbossed && focusRect == o.focusRect && focusRing == o.focusRing
               && lightened == o.lightened;
    }
};

// Precedence: disabled, then pressed or checked, then hover, focus, normal.
SkinFrame chooseSkinFrame(const SkinFrameInput &in);

// Remembers whether a button's focus came from the keyboard, so that only a
// keyboard user gets the focus ring and the mouse look stays the artwork's.
// Window (de)activation and popups take the focus away for a while and give
// it back: they keep what was there before.
class FocusCue
{
public:
    void focusIn(Qt::FocusReason reason);
    void focusOut(Qt::FocusReason reason);
    // A press on the button: the user has gone over to the mouse.
    void mousePressed() { m_keyboard = false; }
    bool keyboard() const { return m_keyboard; }

private:
    bool m_keyboard = false;
};

// The band of the given width just inside a shape's outline, so a ring drawn
// there is never cut off by the shape itself.
QRegion insideBand(const QRegion &shape, int width);

// The picture a little lighter, its transparent pixels left as they are:
// the hover look of a skin that has no hover picture. Pixels of the
// `backdrop` colour stay too, and those near it take less: pictures
// flattened on the window's colour keep their outline instead of showing
// a lighter rectangle.
QImage lightenedPicture(const QImage &picture, QRgb backdrop);

// The picture as drawn through its mask, both already in the button's size:
// opaque where the mask is not pure white, fully transparent where it is, so
// whatever lies behind the button shows there.
QImage composeMasked(const QImage &bitmap, const QImage &mask);
