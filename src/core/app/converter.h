// What the Browse command decides before anything runs: the picture's title,
// where the phone-sized copy goes, which converter to start and with which
// arguments. Pure functions, so they are tested without a window or a process.
#pragma once

#include "core/app/framing.h"
#include "core/platform/hiddenprocess.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

class Wait;

// The file name without its folder and without its last extension:
// "/pics/photo.final.jpg" gives "photo.final". Empty for an empty path.
QString pictureTitleOf(const QString &picturePath);

// "<startDir>/a.<ext>"; with no extension the name ends in "a.".
QString convertedPicturePath(const QString &startDir, const QString &outputExt);

// The picture formats taken, told by their first bytes whatever the name
// says, and the ImageMagick coder named for each: "jpeg", "bmp", "png",
// "webp", "heic", "avif", "gif", "tiff". Empty for anything else (SVG, MVG,
// PostScript, text, ...), which never reaches the converter, so ImageMagick
// never guesses a format and no picture can make it read other files.
QString pictureCoderFor(const QByteArray &pictureHead);

// Browse's filters, the first preselected: every picture taken, each
// extension in lower and upper case (GTK's chooser matches case-sensitively,
// and a camera names its photos IMG_0001.JPG), then the two of old.
QStringList browseNameFilters();

// What ImageMagick is really handed. It gets the picture's bytes on standard
// input, never its name, so no name can be globbed, read as a coder
// ("gif:x"), a frame selector ("[1]") or a file list ("@x"): "<coder>:-",
// a GIF's first frame only. Empty when the format is not taken.
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

// Whether the profile's wallpaper makes a picture: a known format, and a
// size of at least 1 x 1 within what the converter may make.
bool wallpaperProfileUsable(qint32 wallpaperType, qint32 width, qint32 height);
// What the user is told instead, at Browse or by --upload.
inline constexpr char kUnusableProfileText[] =
    "The phone's profile gives no wallpaper size and format a picture can be made for.";
bool wallpaperSizeUsable(const QSize &screen);

// The upright copy every framing of a pick is cut from, in the converter's
// folder beside the phone's copy: made once per pick, so a change of framing
// reads a few megapixels, never the camera's file again.
QString workingCopyPath(const QString &outputPath);

// Its size at most: the picture upright, reduced so that Fill at the deepest
// zoom still has a pixel of it for each of the screen's, and to no more than
// kWorkingPixels; never enlarged, never below what covers the screen.
constexpr double kWorkingZoom = FrameView::kMaxZoom;
constexpr qint64 kWorkingPixels = 4'000'000;
QSize workingCopyBound(const QSize &uprightPicture, const QSize &screen);

// Whether a JPEG of `picture` pixels may be decoded reduced (by libjpeg, in
// eighths) for a copy of at most `bound`: at least twice the bound each way,
// and within the limits, which ImageMagick checks on the reduced size only.
bool decodeReduced(const QSize &picture, const QSize &bound);

// What the converter is told of a pick before it reads it.
struct PictureFacts
{
    QByteArray head;     // its first bytes
    QSize storedSize;    // as its header states it; invalid when unknown
    bool turned = false; // its orientation tag turns it a quarter
};
PictureFacts pictureFactsOf(const QString &path);

// The limits, the input, then: upright (-auto-orient), shrunk with
// ImageMagick's filtered -resize to workingCopyBound(), transparency on
// black, written as 8-bit PPM. A JPEG that decodeReduced() allows is decoded
// at the bound or more (-define jpeg:size).
QStringList workingCopyArguments(const PictureFacts &picture, const QSize &screen, const QString &workPath);

// The phone's copy from the working copy (on standard input): the part
// frameRects() shows cut out, resized with the filtered -resize onto its
// place on a black screen of exactly `screen` pixels (in Blur on the
// backdrop backdropOf() describes), in the output's format; a GIF gets an
// undithered palette of its own, a JPEG is baseline, 4:2:0, with optimised
// Huffman tables, no metadata, at kJpegQuality.
constexpr int kJpegQuality = 88;
QStringList phoneCopyArguments(const QSize &workingSize, const QSize &screen, const FrameView &view,
                               const QString &outputPath);

// The first bytes of a file, enough for its signature; empty when unreadable.
QByteArray pictureHeadOf(const QString &path);

// Only a regular file (or a link to one) can be picked: opening a named pipe
// would wait for a writer, and a device never ends. Asked of the file
// system alone, nothing is opened.
bool isPickableFile(const QString &path);

// A pickable file whose first bytes are of a format taken: what a drop may
// hand over.
bool isTakenPicture(const QString &path);

// Whether a run left a copy fit to send: the converter ended by itself with
// status 0, and the output decodes as a picture of exactly `screen` pixels in
// the format its extension names (a converter that exits 0 after writing
// something else has failed).
bool convertedCopyUsable(const hiddenprocess::RunResult &run, const QString &outputPath, const QSize &screen);

// How the converter is found. On Windows it is convert.exe in the folder
// the program was started in (the companion's, where it installs it),
// present or not; never in the private folder made later. Elsewhere it is
// ImageMagick from PATH, `magick` before `convert`, never a program in the
// current or start folder. Empty when there is none.
struct ConverterLookup
{
    bool windows = false;
    // The current folder when the lookup was taken, at start.
    QString startFolder;
    // Full path of a program found on PATH, or empty.
    std::function<QString(const QString &name)> findOnPath;
};
QString converterPathFor(const ConverterLookup &lookup);

// The folders of a PATH value that may be searched: absolute ones only. An
// empty or relative entry means the current folder, wherever that is.
QStringList absolutePathEntries(const QString &pathVariable);

// The lookup of this machine: its current folder, file system and PATH.
// Taken once at start, before a file dialog can move the current folder.
ConverterLookup systemConverterLookup();

// How long the converter may run before it is ended, in the window and
// without one.
constexpr std::chrono::milliseconds kConverterTimeLimit{60000};

// How the converter is run: the program found by converterPathFor(),
// started hidden in `folder`, ended at `timeLimit` or when `wait` (if any)
// asks to stop. The window hands its own wait; the upload without a window
// its console's.
struct ConverterCall
{
    QString path;
    QString folder;
    std::chrono::milliseconds timeLimit = kConverterTimeLimit;
    Wait *wait = nullptr;
};

// How a conversion ended; each failure has its own sentence.
enum class Conversion {
    Converted,
    NoSuchFile,  // nothing by that name
    NotAFile,    // a folder, a pipe, a device
    NoConverter, // ImageMagick is not installed (or would not start)
    TimedOut,    // still converting at its time limit
    Stopped,     // the user stopped it
    CannotWrite, // the working folder cannot take the copy (or is full)
    Unreadable,  // a format not taken, or one ImageMagick could not read
};

// The sentence the user is shown for a failed conversion; `timeLimit` is
// the converter's limit. Empty for Converted.
QString conversionFailureText(Conversion outcome, std::chrono::milliseconds timeLimit);

// What a run that left no usable copy means: a working folder with less
// room than the copy needs (`bytesFree`, negative when unknown) was full,
// whatever the converter made of it; otherwise the picture was unreadable.
Conversion failedRunOutcome(qint64 bytesFree, qint64 bytesNeeded);

// Browse's first step once a picture is picked: clears the working copy an
// earlier pick left, and has the converter make this pick's when it is a
// file in a format taken. It stands there afterwards only when Converted.
// The converter runs at most once, and not at all when nothing can be
// converted.
Conversion makeWorkingCopy(const QString &picturePath, const QString &workPath, const QSize &screen,
                           const ConverterCall &converter);

// The second step, and all a change of framing runs: the phone's copy at
// `outputPath` cut from the working copy as `view` frames it. Whatever copy
// stood there goes first; a copy fit to send stands there only when
// Converted.
Conversion framePhoneCopy(const QString &workPath, const QString &outputPath, const QSize &screen,
                          const FrameView &view, const ConverterCall &converter);

// Where a change of framing converted in the background writes, beside the
// phone's copy, which it replaces (renamed over it) only once it is whole
// and still the latest framing.
QString reframedCopyPath(const QString &outputPath);
// How a run of phoneCopyArguments() into `outputPath` ended.
Conversion phoneCopyOutcome(const hiddenprocess::RunResult &run, const QString &outputPath,
                            const QSize &screen);

// Both steps, for the upload without a window, in `framing`'s starting
// view: Fill on the suggested centre, as Browse starts it. Nothing is
// converted for a size that wallpaperSizeUsable() refuses.
Conversion convertPictureForPhone(const QString &picturePath, const QString &outputPath, qint32 width,
                                  qint32 height, Framing framing, const ConverterCall &converter);
