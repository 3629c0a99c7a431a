// What the command line asks for. Read before any window exists, so a
// wrong option never opens one and the answers need no display.
#pragma once

#include "core/app/framing.h"

#include <QString>

#include <optional>

// The exit statuses of everything that runs without the window. The window
// itself always ends with 0.
namespace exitstatus {
constexpr int kSuccess = 0;       // the reply named success or a link for the phone
constexpr int kNotSucceeded = 1;  // an error, only an address, or nothing
constexpr int kSendFailed = 2;    // the picture could not be sent
constexpr int kNoProfile = 3;     // no usable profile, or the phone takes no wallpapers
constexpr int kNotConverted = 4;  // the picture could not be converted
constexpr int kUsage = 64;        // an unknown option or a missing argument
constexpr int kNoDisplay = 69;    // the window was asked for where there is no display
constexpr int kOutputFailed = 74; // the outcome could not be written to standard output
// Stopped by a signal (SIGINT, SIGTERM): this plus its number, as the shell
// tells a process the signal ended.
constexpr int kStoppedBase = 128;
} // namespace exitstatus

struct CommandLine
{
    enum Action {
        Window,     // open the window, with `picture` when one was given
        Upload,     // upload `picture` without a window
        History,    // print the links of earlier uploads
        Help,       // print the usage to standard output
        Version,    // print the version to standard output
        UsageError, // print `error` and the usage to standard error
    };
    Action action = Window;
    QString picture;
    // --frame; none when not given.
    std::optional<Framing> framing;
    QString error;
    bool qr = false; // the link's QR code even when the output is not a terminal
};

// `arguments` as main() receives them, the program's own name first.
CommandLine parseCommandLine(const QStringList &arguments);

// The usage with the exit statuses, as --help prints it. Needs the
// application object (for the program's name).
QString usageText();

// Whether the window has anywhere to open: a window system named for Qt,
// or an X or Wayland display to reach (whether a named one answers, only
// Qt finds out). Always true off X11/Wayland.
bool displayNamed(const QByteArray &qpaPlatform, const QByteArray &display, const QByteArray &waylandDisplay);

// The one line said instead of opening the window when there is no display:
// none named, or the one named cannot be opened.
QString noDisplayText(bool named = false);

// Carries out Help, Version and UsageError: prints, and returns the exit
// status. Needs the application object.
int answerCommandLine(const CommandLine &commandLine);
