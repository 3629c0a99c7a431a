// What this program needs to know about the system it runs on.
#pragma once

namespace host {

// Helper programs carry the ".exe" name there, and a console window of
// their own would pop up.
bool isWindows();

// True when the process's standard output is a terminal a person reads,
// not a pipe or a file a script reads.
bool standardOutputIsTerminal();
bool standardErrorIsTerminal();

} // namespace host
