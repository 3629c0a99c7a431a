#include "app/CWallpaperApp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication qapp(argc, argv);
    // The name captions the warning boxes, as the executable's name would.
    QApplication::setApplicationName(QStringLiteral("Pictovane"));
    QApplication::setApplicationVersion(QStringLiteral(PICTOVANE_VERSION));

    int status = 0;
    {
        CWallpaperApp app;
        app.InitInstance();
        status = app.ExitInstance();
    }
    return status;
}
