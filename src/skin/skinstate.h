// The skin button's decisions that need no window: which kind a button style
// makes, how the set-up values are kept in range, which state picture a frame
// shows, and how a masked picture is composed.
#pragma once

#include <QImage>
#include <QtGlobal>

enum SkinKind { SKIN_KIND_PUSH = 0, SKIN_KIND_CHECKBOX = 2, SKIN_KIND_RADIO = 4 };
enum SkinDrawMode { SKIN_DRAW_NORMAL = 0, SKIN_DRAW_STRETCH = 1, SKIN_DRAW_TILE = 2 };

// Button styles in the numbering dialog templates use (the low byte).
namespace ButtonStyle {
constexpr quint32 BS_PUSHBUTTON = 0x0;
constexpr quint32 BS_DEFPUSHBUTTON = 0x1;
constexpr quint32 BS_CHECKBOX = 0x2;
constexpr quint32 BS_AUTOCHECKBOX = 0x3;
constexpr quint32 BS_RADIOBUTTON = 0x4;
constexpr quint32 BS_3STATE = 0x5;
constexpr quint32 BS_AUTO3STATE = 0x6;
constexpr quint32 BS_GROUPBOX = 0x7;
constexpr quint32 BS_AUTORADIOBUTTON = 0x9;
constexpr quint32 BS_OWNERDRAW = 0xB;
constexpr quint32 BS_BITMAP = 0x80;
constexpr quint32 BS_FLAT = 0x8000;
} // namespace ButtonStyle

// The kind a button of this style becomes. Only the low byte counts, tested
// bit-wise, so owner-draw and group-box styles land on the check box.
SkinKind skinKindFromStyle(quint32 style);

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
};

struct SkinFrame
{
    SkinBitmap bitmap = SkinBitmap::None;
    SkinEdge edge = SkinEdge::None;
    bool textShifted = false;  // pressed text sits one pixel right and down
    bool textEmbossed = false; // disabled text: light copy, grey copy up-left
    bool focusRect = false;

    bool operator==(const SkinFrame &o) const
    {
        return bitmap == o.bitmap && edge == o.edge && textShifted == o.textShifted
               && textEmbossed == o.textEmbossed && focusRect == o.focusRect;
    }
};

// Precedence: disabled, then pressed or checked, then hover, focus, normal.
SkinFrame chooseSkinFrame(const SkinFrameInput &in);

// The picture as drawn through its mask, both already in the button's size:
// opaque where the mask is not pure white, fully transparent where it is, so
// whatever lies behind the button shows there.
QImage composeMasked(const QImage &bitmap, const QImage &mask);
