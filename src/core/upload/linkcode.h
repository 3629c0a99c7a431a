// The QR code of a link, for the phone's camera: the status dialog, the
// recent uploads and the command line all show the same code.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The modules of one code, without its quiet zone. A null code (size 0)
// means there is none to show: no link, or one the code cannot hold.
struct LinkCode
{
    int size = 0;       // modules on each side
    QByteArray modules; // size * size, row by row, 1 for a dark module

    bool isNull() const { return size == 0; }
    // False outside the code, where the quiet zone is light.
    bool isDark(int x, int y) const;
};

// Light modules kept around the code, as scanners expect.
inline constexpr int kLinkCodeQuietZone = 4;

// Exactly the link's bytes, error correction level M. Only a web address
// (http or https) gets one: a phone's camera would offer to run any other
// kind as it stands (a call, a message, a file).
LinkCode linkCodeFor(const QByteArray &link);

// The one plain line shown where a link gets no code: another kind of
// address, or one too long for a code. Empty when it gets one, or when
// there is no link.
QString noLinkCodeReason(const QByteArray &link);

// The code black on white, its quiet zone included, each module a square of
// modulePixels pixels. Null for a null code.
QImage linkCodeImage(const LinkCode &code, int modulePixels);

// How many device pixels one module takes at a screen's density: a whole
// number (so every edge is crisp), never fewer than three, and about three
// of the screen's logical pixels.
int linkCodeModulePixels(qreal devicePixelRatio);

// The code for a terminal: Unicode half blocks, two module rows per line,
// forced black on white with colour escapes so a dark terminal theme does
// not invert it. Empty for a null code.
QString linkCodeHalfBlocks(const LinkCode &code);
