// Browse and Upload without any window, for scripts: the same profile, the
// same conversion and the same request as the window's, with the outcome on
// the console and in the exit status.
#pragma once

#include "core/app/converter.h"
#include "core/platform/inet.h"
#include "core/platform/profilestore.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;

struct HeadlessUpload
{
    // The picture to send, its name as the file system's bytes; a relative
    // path is taken from the current folder.
    QByteArray picture;
    std::unique_ptr<ProfileStore> profile;
    // Seconds since 1970: seeds the upload name and the boundary.
    std::function<std::uint32_t()> clock;
    // How the picture fills the phone's screen.
    Framing framing = Framing::Fill;
    std::chrono::milliseconds converterTimeLimit = kConverterTimeLimit;
    ConverterLookup converterLookup;
    inet::Timeouts timeouts;
    // Where each link the reply carries is recorded; empty for nowhere.
    QString historyFile;
    // Each link's QR code after its line, for a person at a terminal.
    bool showLinkCodes = false;
    // A person reads standard output or error there: the server's text is
    // shown escaped, and standard error gets the progress line.
    bool outIsTerminal = false;
    bool errIsTerminal = false;
};

// The real machine: its profile, its clock, its converter, default limits.
HeadlessUpload systemHeadlessUpload(const QByteArray &picture, Framing framing = Framing::Fill);

// Runs it all and returns the exit status (see cli/commandline.h). Texts
// go to `out` (outcomes, written at the end, all or nothing) and `err`
// (everything else). SIGINT and SIGTERM stop it when lastwords::
// stopOnInterrupt() was called: the converter or the request ends, the
// folder goes, and the status is 128 + the signal.
int uploadWithoutWindow(HeadlessUpload upload, QIODevice &out, QIODevice &err);

// The same on the process's standard output and error.
int uploadWithoutWindow(HeadlessUpload upload);

// The progress line of a send: the share and the bytes.
QString uploadProgressLine(std::uint64_t done, std::uint64_t total);

// --history: the recorded uploads, newest first, one line each: date and
// time, title and link, separated by tabs (escaped on a `terminal`). 0, or
// 74 when the lines cannot be written.
int printUploadHistory(const QString &historyFile, QIODevice &out, bool terminal = false);
int printUploadHistory(const QString &historyFile);
