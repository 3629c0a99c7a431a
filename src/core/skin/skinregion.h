// The window shape of a skin button, read from its mask picture. Pure: no
// window is needed, so the shape can be checked pixel by pixel.
#pragma once

#include <QImage>
#include <QRegion>
#include <QRgb>

// Every pixel whose colour is not transparentColour, in the mask's own pixel
// coordinates. Alpha is not compared: mask pictures are opaque. Empty for a
// null mask or one with no such pixel. Built through a QBitmap, so a
// QGuiApplication must exist (the offscreen platform will do).
QRegion BuildRegionFromMask(const QImage &mask, QRgb transparentColour);
