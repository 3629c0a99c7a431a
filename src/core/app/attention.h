// Where Fill starts: on what draws the eye (edges, saturated colour, skin),
// as libvips' smartcrop measures attention, so a subject at a side of a
// landscape photo is on a portrait phone from the start. Only ever the
// starting point: the user moves it as before.
#pragma once

#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>

#include <optional>

// The picture is reduced to this many pixels on its long side before it is
// measured: libvips judges attention on a 32 x 32 grid, so more pixels only
// cost time.
constexpr int kAttentionSide = 256;

// The point of most attention in `picture`, as a fraction of its size, for
// a crop of Fill's shape on `screen`. None when libvips cannot measure it, or
// when nothing stands out: a flat or evenly busy picture has its peak
// wherever the search happens to start, so a peak that moves when the
// picture is turned half round is no peak.
std::optional<QPointF> attentionPoint(const QImage &picture, const QSize &screen);

// Fill's suggested centre for the working copy at `workPath`: its attention
// point, or the middle (0.5, 0.5) when there is none.
QPointF suggestedCentre(const QString &workPath, const QSize &screen);
