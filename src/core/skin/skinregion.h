// The window shape of a skin button, read from its mask picture. Pure: no
// window is needed, so the shape can be checked pixel by pixel.
#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>
#include <QRgb>

// The runs of non-transparent pixels, one rectangle per run, rows from the
// bottom up and runs left to right within a row. A pixel is transparent only
// when its colour equals transparentColour exactly (alpha is not compared:
// mask pictures are opaque).
QList<QRect> maskRectangles(const QImage &mask, QRgb transparentColour);

// The union of maskRectangles(): every non-transparent pixel, in the mask's
// own pixel coordinates. Empty for a null mask or one with no such pixel.
QRegion BuildRegionFromMask(const QImage &mask, QRgb transparentColour);
