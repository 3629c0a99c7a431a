// What a drop on the main window hands over: a picture file on this machine,
// taken as if Browse had picked it.
#pragma once

#include <QString>

class QMimeData;

// The first of the dropped addresses when it names a file on this machine
// that Browse could take (a regular file, or a link to one); empty when the
// drop is to be refused: no addresses, a remote one first, a folder, a pipe.
// A name that is not UTF-8 is reached through a link in `folder` (see
// reachableFileName()).
QString droppedPicturePath(const QMimeData *mime, const QString &folder);

// What the user is told when a dropped file turns out, at the drop, not to be
// a picture that is taken; the picture chosen before stays.
inline constexpr char kNotAPictureText[] =
    "This file is not a picture Pictovane can take (JPEG, bitmap, PNG, WebP, HEIC/HEIF, AVIF, GIF or "
    "TIFF), so the picture chosen before stays.";
