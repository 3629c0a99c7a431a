// The words of the "Upload Status" outcomes, shared by the dialog and by the
// upload without a window, so both say exactly the same.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

// A link from the server, as the local 8-bit text it was sent as.
QString statusLinkText(const QByteArray &link);

// `text` as it may be shown to a person, in a window or on a terminal:
// every character that acts instead of reading as itself is written out
// instead: C0 and C1 controls and DEL (which clear, retitle or recolour a
// terminal), bidirectional controls (which reorder what is read: a link
// ending ".../\u202Egpj.exe" would read ".../exe.jpg") and every other
// format character (invisible). ESC as \e, the rest as \xNN, \uNNNN or
// \UNNNNNNNN. Anything else stays.
QString escapedForDisplay(const QString &text);

// The message for a mode (0 success, 1 link to type into the phone, 2
// failure); empty for a mode that has none. Links of any length are kept
// whole; `escaped`, they are shown through escapedForDisplay().
QString statusMessageText(int mode, const QByteArray &link, bool escaped = false);

// WCAG contrast ratio of two colours, 1 to 21.
double contrastRatio(const QColor &a, const QColor &b);

// The colour of the help links on `background`: RGB(0, 0, 192) wherever that
// reads (4.5:1 or more), as on every light theme; otherwise the theme's own
// link colour `themeLink` if it reads, else a light blue, else white.
QColor linkColourOn(const QColor &background, const QColor &themeLink);
