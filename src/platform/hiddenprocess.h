// Starting a helper program the way the converter is started: hidden, with
// its own argument list, waited for to the end.
#pragma once

#include <QString>
#include <QStringList>

namespace hiddenprocess {

// True where helper programs carry the ".exe" name and a console window of
// their own would pop up.
bool hostIsWindows();

// Starts `program` with `arguments` (handed over as a list, never as one
// command text) in `workingDir`, with no window and no standard streams of
// ours, and blocks until it has ended, with no time limit. Returns whether it
// started; its exit code is not read.
bool runAndWait(const QString &program, const QStringList &arguments, const QString &workingDir);

} // namespace hiddenprocess
