#pragma once

#include "core/app/framing.h"

#include <QByteArray>

#include <optional>

class Presenter;

// The application object: runs the main window modally, then shuts down.
// Its exit status is always 0.
class CWallpaperApp
{
public:
    // Runs the main window to its end; the program's exit status.
    int run();

    // A picture the window takes as Browse would, once it is up; its name
    // as the file system's bytes.
    void setStartPicture(const QByteArray &fileName) { m_startPicture = fileName; }
    // The framing given on the command line, for this run only.
    void setStartFraming(Framing framing) { m_startFraming = framing; }

private:
    QByteArray m_startPicture;
    std::optional<Framing> m_startFraming;
};
