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

// The folder whose converted copies and itself go (empty: none).
void setFolder(const QByteArray &path);
// Forgets the folder only if it is still `path`.
void clearFolder(const QByteArray &path);

// The process group of the running converter (0: none).
void setChildGroup(long group);

} // namespace lastwords
