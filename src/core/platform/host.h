// What this program needs to know about the system it runs on.
#pragma once

#include <cstdio>

namespace host {

// Helper programs carry the ".exe" name there, and a console window of
// their own would pop up.
bool isWindows();

// True when `stream` (standard output or error) is a terminal a person
// reads, not a pipe or a file a script reads.
bool isTerminal(std::FILE *stream);

} // namespace host
