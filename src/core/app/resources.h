// Bitmaps, icons and strings looked up by their resource numbers, the way the
// dialogs and buttons name them.
#pragma once

#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QString>

namespace resources {

// The scales every window picture is rendered at: "<id>.png" at 1x,
// "<id>@2x.png" and "<id>@3x.png".
inline constexpr int kBitmapScales[] = {1, 2, 3};

// The rendered scale that serves a device pixel ratio: the smallest at or
// above it (so a picture is only ever reduced), the largest beyond them all.
int bitmapScaleFor(qreal devicePixelRatio);

// ":/bitmaps/<id>.png" at scale 1, ":/bitmaps/<id>@<scale>x.png" otherwise.
QString bitmapPath(int id, int scale = 1);

// The 1x picture; an unknown id gives a null image.
QImage loadBitmap(int id);
// The picture for a screen of this device pixel ratio, tagged with that
// ratio: its deviceIndependentSize() is the 1x size (to within rounding at
// fractional ratios), so layouts and hit tests stay in the same logical
// pixels at every scale. A ratio between the rendered scales is served by
// reducing the next larger render to the screen's pixels once, here.
QImage loadBitmap(int id, qreal devicePixelRatio);
// True for the events a widget gets when its window may have moved to a
// screen of another density: the moment to compare ratios and load again.
bool screenMayHaveChanged(const QEvent &e);
// Every size rendered for the icon, so the desktop can pick.
QIcon loadIcon(int id);

} // namespace resources
