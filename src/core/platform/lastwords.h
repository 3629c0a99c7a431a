// What a fatal signal (SIGTERM, SIGINT, SIGHUP, a crash) still does before
// the process dies: end the converter's process group and remove the
// converted copies and the private folder. Only async-signal-safe calls run
// then, so the state is kept in fixed buffers set beforehand.
#pragma once

#include <QByteArray>

namespace lastwords {

// Installs the handlers, once per process; the signal is then raised again
// with its default action, so the exit status still tells what happened.
void install();

// From now on SIGINT and SIGTERM only ask the running work to stop (see
// stopSignal()), so it can end the request and the converter and tidy up
// itself; a second one ends the process as install() does.
void stopOnInterrupt();
// The SIGINT or SIGTERM that asked to stop (0: none yet).
int stopSignal();
// Ends the process by `signal` with its default action, so the shell that
// started it sees it was interrupted (and stops a script's loop on Ctrl-C).
[[noreturn]] void dieOf(int signal);

// The folder whose converted copies and itself go (empty: none).
void setFolder(const QByteArray &path);
// Forgets the folder only if it is still `path`.
void clearFolder(const QByteArray &path);

// The process group of the running converter (0: none).
void setChildGroup(long group);

} // namespace lastwords
