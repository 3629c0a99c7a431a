// What this program needs to know about the system it runs on.
#pragma once

namespace host {

// Helper programs carry the ".exe" name there, and a console window of
// their own would pop up.
bool isWindows();

// True where the system's Open dialog matches "*.jpg" against PHOTO.JPG too
// (Windows, macOS). Elsewhere its patterns are matched letter for letter.
bool fileDialogFiltersIgnoreCase();

// True when the process's standard output is a terminal a person reads,
// not a pipe or a file a script reads.
bool standardOutputIsTerminal();

} // namespace host
