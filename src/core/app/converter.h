// What the Browse command decides before anything runs: the picture's title,
// where the phone-sized copy goes, which converter to start and with which
// arguments. Pure functions, so they are tested without a window or a process.
#pragma once

#include "platform/hiddenprocess.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The file name without its folder and without its last extension:
// "/pics/photo.final.jpg" gives "photo.final". Empty for an empty path.
QString pictureTitleOf(const QString &picturePath);

// "<startDir>/a.<ext>"; with no extension the name ends in "a.".
QString convertedPicturePath(const QString &startDir, const QString &outputExt);

// The converter's arguments, one list element each, never re-split:
// -sample, "<width>x<height>" (signed, unchecked), the picture, the output.
// Both paths are made absolute so that no file name can pass for an option.
QStringList converterArguments(qint32 width, qint32 height, const QString &picturePath,
                               const QString &outputPath);

// The one-line command text the arguments stand for, kept for the record:
// the converter in double quotes, two spaces, then -sample WxH "picture"
// "output". Never executed; the process gets the list above.
QString converterCommandLine(const QString &converterPath, const QStringList &arguments);

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

// -sample, "<width>x<height>" (signed, unchecked), the input and the output
// above. The picture itself goes to standard input.
QStringList imageMagickArguments(qint32 width, qint32 height, const QByteArray &pictureHead,
                                 const QString &outputPath);

// The first bytes of a file, enough for its signature; empty when unreadable.
QByteArray pictureHeadOf(const QString &path);

// Whether a run left a copy fit to send: the converter ended by itself with
// status 0 and the output is a file that is not empty.
bool convertedCopyUsable(const hiddenprocess::RunResult &run, const QString &outputPath);

// How the converter is found. On Windows it is convert.exe in the start
// folder, present or not. Elsewhere a `convert` in the start folder wins when
// it is an executable file; otherwise ImageMagick from PATH, `magick` before
// `convert`. Empty when there is none.
struct ConverterLookup
{
    bool windows = false;
    std::function<bool(const QString &path)> isExecutableFile;
    // Full path of a program found on PATH, or empty.
    std::function<QString(const QString &name)> findOnPath;
};
QString converterPathFor(const QString &startDir, const ConverterLookup &lookup);

// The lookup of this machine: its file system and PATH.
ConverterLookup systemConverterLookup();
