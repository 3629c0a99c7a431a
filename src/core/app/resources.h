// Bitmaps, icons and strings looked up by their resource numbers, the way the
// dialogs and buttons name them.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace resources {

// ":/bitmaps/<id>.png"; an unknown id gives a null image.
QImage loadBitmap(int id);
QString bitmapPath(int id);
// Every size rendered for the icon, so the desktop can pick.
QIcon loadIcon(int id);
// Empty for an unknown id.
QString loadString(int id);

} // namespace resources
