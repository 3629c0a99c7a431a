// What the Browse command decides before anything runs: the picture's title,
// where the phone-sized copy goes, which converter to start and with which
// arguments. Pure functions, so they are tested without a window or a process.
#pragma once

#include "platform/hiddenprocess.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

// The file name without its folder and without its last extension:
// "/pics/photo.final.jpg" gives "photo.final". Empty for an empty path.
QString pictureTitleOf(const QString &picturePath);

// "<startDir>/a.<ext>"; with no extension the name ends in "a.".
QString convertedPicturePath(const QString &startDir, const QString &outputExt);

// What ImageMagick is really handed. It gets the picture's bytes on standard
// input, never its name, so no name can be globbed, read as a coder
// ("gif:x"), a frame selector ("[1]") or a file list ("@x"). The format comes
// from the bytes' own signature, not the name: "jpg:-", "bmp:-", or "-" to let
// ImageMagick recognise anything else.
QString converterInputFor(const QByteArray &pictureHead);

// The output as ImageMagick writes it literally: the coder its extension
// names, then the absolute path with every '%' doubled, as a single one
// starts a scene-number template ("100%d" would become "1000").
// "/start/a.gif" gives "gif:/start/a.gif"; with no extension, no coder.
QString converterOutputFor(const QString &outputPath);

// What the converter may take, whatever the picture claims to be. Enough for
// any real photo (100 megapixels fit, up to 10:1 wide), so a header claiming
// more (60000 x 60000) is refused as soon as it is read, and a picture that
// is not refused is still bounded in memory, disk and threads.
namespace converterlimits {
constexpr qint64 kMaxSide = 32000;       // pixels wide or high
constexpr qint64 kMaxArea = 128'000'000; // pixels kept in memory at most
constexpr const char kMemory[] = "1GiB"; // pixel cache on the heap
constexpr const char kMap[] = "1GiB";    // then in mapped memory
constexpr const char kDisk[] = "1GiB";   // then in a temporary file
constexpr const char kThreads[] = "2";
} // namespace converterlimits

// ImageMagick's own -limit settings for the bounds above, first on its line
// so they hold from the first byte read, however its policy file is set.
QStringList converterLimitArguments();

// The size -sample WxH leaves a picture of `picture` pixels at: the largest
// that fits in the box with the picture's aspect ratio, rounded to the
// nearest pixel, never below 1. (ImageMagick's own rule, so the copy keeps
// its size when the converter decodes smaller than the picture.)
QSize sampledSize(const QSize &picture, qint32 width, qint32 height);

// Whether a JPEG of `picture` pixels may be decoded reduced for a WxH box:
// at least twice the box each way, so -sample still picks real pixels, and
// within the limits, which ImageMagick checks on the reduced size only.
bool decodeReduced(const QSize &picture, qint32 width, qint32 height);

// The limits, then -sample "<width>x<height>" (signed, unchecked), the input
// and the output above; the picture itself goes to standard input. A JPEG
// that decodeReduced() allows (`pictureSize` from its header; invalid when
// unknown) is decoded at twice the box or more (-define jpeg:size), and
// sampled to exactly sampledSize() ("!"), the size a full decode gives.
QStringList imageMagickArguments(qint32 width, qint32 height, const QByteArray &pictureHead,
                                 const QSize &pictureSize, const QString &outputPath);

// The first bytes of a file, enough for its signature; empty when unreadable.
QByteArray pictureHeadOf(const QString &path);

// A picture's size as its header states it, without decoding it; invalid
// when the header cannot be read.
QSize pictureSizeOf(const QString &path);

// Only a regular file (or a link to one) can be picked: opening a named pipe
// would wait for a writer, and a device never ends. Asked of the file
// system alone, nothing is opened.
bool isPickableFile(const QString &path);

// Whether a run left a copy fit to send: the converter ended by itself with
// status 0 and the output is a file that is not empty.
bool convertedCopyUsable(const hiddenprocess::RunResult &run, const QString &outputPath);

// How the converter is found. On Windows it is convert.exe in the start
// folder, present or not, as the companion application installs it.
// Elsewhere it is ImageMagick from PATH, `magick` before `convert`, never a
// program in the current or start folder. Empty when there is none.
struct ConverterLookup
{
    bool windows = false;
    // Full path of a program found on PATH, or empty.
    std::function<QString(const QString &name)> findOnPath;
};
QString converterPathFor(const QString &startDir, const ConverterLookup &lookup);

// The folders of a PATH value that may be searched: absolute ones only. An
// empty or relative entry means the current folder, wherever that is.
QStringList absolutePathEntries(const QString &pathVariable);

// The lookup of this machine: its file system and PATH.
ConverterLookup systemConverterLookup();

// Runs the converter: its path, its arguments and the picture that goes to
// its standard input. The window waits with its input held off; an upload
// without a window just waits.
using ConverterRunner = std::function<hiddenprocess::RunResult(
    const QString &converterPath, const QStringList &arguments, const QString &picturePath)>;

// How Browse's conversion ended; each failure has its own sentence.
enum class Conversion {
    Converted,
    NoSuchFile,  // nothing by that name
    NotAFile,    // a folder, a pipe, a device
    NoConverter, // ImageMagick is not installed (or would not start)
    TimedOut,    // still converting at its time limit
    CannotWrite, // the working folder cannot take the copy
    Unreadable,  // ImageMagick could not read the picture
};

// The sentence the user is shown for a failed conversion; `timeLimit` is
// the converter's limit. Empty for Converted.
QString conversionFailureText(Conversion outcome, std::chrono::milliseconds timeLimit);

// Browse's work once a picture is picked: clears the copy an earlier pick
// left at `outputPath`, and has the converter write this pick's copy there
// when the pick is a file that can be read. A copy fit to send stands there
// afterwards only when Converted. `runner` is called at most once, and not
// at all when nothing can be converted.
Conversion convertPictureForPhone(const QString &picturePath, const QString &outputPath, qint32 width,
                                  qint32 height, const QString &converterPath, const ConverterRunner &runner);
