// Starting a helper program the way the converter is started: hidden, with
// its own argument list, waited for to the end.
#pragma once

#include <QString>
#include <QStringList>

namespace hiddenprocess {

// How a run ended.
struct RunResult
{
    bool started = false;
    // Ended by itself rather than by a signal or a crash.
    bool exitedNormally = false;
    int exitCode = -1;

    // Started, ended by itself and reported success.
    bool succeeded() const { return started && exitedNormally && exitCode == 0; }
};

// Starts `program` with `arguments` (handed over as a list, never as one
// command text) in `workingDir`, with no window, and blocks until it has
// ended, with no time limit. Its standard input is the file
// `standardInputFile` (nothing when empty; a file that cannot be opened means
// it does not start); its output goes nowhere.
RunResult runAndWait(const QString &program, const QStringList &arguments, const QString &workingDir,
                     const QString &standardInputFile = QString());

} // namespace hiddenprocess
