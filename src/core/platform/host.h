// What this program needs to know about the system it runs on.
#pragma once

namespace host {

// Helper programs carry the ".exe" name there, and a console window of
// their own would pop up.
bool isWindows();

} // namespace host
