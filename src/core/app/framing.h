// How a picture fills the phone's screen: which part of the picture is shown
// and where on the screen it lands. Pure geometry, shared by the preview and
// the converter, so both show exactly the same part.
#pragma once

#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

enum class Framing {
    Fill,    // covers the whole screen, the rest of the picture cut off
    Fit,     // the whole picture inside, black bands beside it
    Stretch, // the whole picture over the whole screen, scaled in x and y apart
    Blur,    // the whole picture as in Fit, over a blurred, darker copy of itself
};

// "fill", "fit", "stretch", "blur": the words of the command line and the
// settings.
QString framingName(Framing framing);
std::optional<Framing> framingFromName(const QString &name);

// The user's framing of one picture. Zoom and centre count in Fill only:
// zoom 1 just covers the screen, up to kMaxZoom; the centre is the shown
// part's middle as a fraction of the picture (0.5, 0.5: centred).
struct FrameView
{
    // As deep as the converter's working copy stays sharp: deeper, it would
    // only be enlarged, and a copy that held more would take a large photo's
    // decode from an eighth to a quarter and the converter's memory from
    // about 19 to 35 MiB.
    static constexpr double kMaxZoom = 3;

    Framing framing = Framing::Fill;
    double zoom = 1;
    QPointF centre{0.5, 0.5};

    bool operator==(const FrameView &o) const
    {
        return framing == o.framing && zoom == o.zoom && centre == o.centre;
    }
    bool operator!=(const FrameView &o) const { return !(*this == o); }
};

// A framing's starting view: Fill on `suggested` (see attention.h), the
// others centred; zoom 1.
FrameView startingView(Framing framing, QPointF suggested);

// The part of the picture shown (`source`, in the picture's pixels) and where
// it lands (`target`, in the screen's pixels); the rest of the screen is black,
// or in Blur the backdrop below.
struct FrameRects
{
    QRect source;
    QRect target;
};

// The rectangles for a picture of `picture` pixels on a screen of `screen`
// pixels. The zoom is held to 1..kMaxZoom and the centre so that no empty
// band ever shows in Fill. Empty rectangles when either size is empty.
FrameRects frameRects(const QSize &picture, const QSize &screen, const FrameView &view);

// `view` with its zoom and centre held to what frameRects() can show, so a
// pan past the edge is not remembered and undone first on the way back.
FrameView clampedView(const QSize &picture, const QSize &screen, FrameView view);

// The picture moved by `delta` screen pixels under the screen (Fill only).
FrameView pannedView(const QSize &picture, const QSize &screen, const FrameView &view, QPointF delta);

// Zoomed by `factor` around `anchor` (screen pixels): the picture's point
// under the anchor stays under it (Fill only).
FrameView zoomedView(const QSize &picture, const QSize &screen, const FrameView &view, double factor,
                     QPointF anchor);

// Blur's backdrop behind the bands: the part Fill shows centred at zoom 1
// (`source`), reduced to `reduced` pixels, blurred there by `sigma` (a
// twentieth of the screen's width at the screen's scale), enlarged over the
// whole screen and darkened to kBackdropShade of its brightness. Blurred
// reduced, the cost stays that of a few thousand pixels whatever the phone.
struct Backdrop
{
    QRect source;
    QSize reduced;
    double sigma = 0;
};
constexpr int kBackdropWidth = 80;
constexpr double kBackdropShade = 0.7;
Backdrop backdropOf(const QSize &picture, const QSize &screen);
