#pragma once

class Presenter;

// The application object: runs the main window modally, then shuts down.
// Its exit status is always 0.
class CWallpaperApp
{
public:
    // Runs the main window to its end. Returns false, as there is no message
    // loop of its own to run afterwards.
    bool InitInstance();
    int ExitInstance();
};
