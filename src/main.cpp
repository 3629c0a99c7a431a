#include "app/CWallpaperApp.h"
#include "app/uploadhistory.h"
#include "cli/commandline.h"
#include "cli/headlessupload.h"
#include "config.h"
#include "platform/lastwords.h"
#include "platform/privatefolder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>

namespace {

void nameTheProgram()
{
    // The name captions the warning boxes, as the executable's name would.
    QCoreApplication::setApplicationName(QStringLiteral("Pictovane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(config::kVersion));
}

// The picture's name as the file system's bytes, absolute: its text may
// have lost some (a name that is not UTF-8), so the argument it came from is
// taken again, whole or after an option's "=".
QByteArray pictureFileName(int argc, char *argv[], const QString &picture)
{
    for (int i = argc - 1; i > 0; --i) {
        QByteArray argument(argv[i]);
        if (QString::fromLocal8Bit(argument) != picture && argument.startsWith('-') && argument.contains('='))
            argument = argument.mid(argument.indexOf('=') + 1);
        if (QString::fromLocal8Bit(argument) == picture)
            return absoluteFileName(argument);
    }
    return absoluteFileName(QFile::encodeName(picture));
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before any application object exists: only the window needs a
    // display, and a wrong option must not open one.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = parseCommandLine(arguments);
    // A signal still ends the converter and removes our folder.
    lastwords::install();

    if (commandLine.action != CommandLine::Window) {
        QCoreApplication core(argc, argv);
        nameTheProgram();
        if (commandLine.action == CommandLine::Upload) {
            HeadlessUpload upload = systemHeadlessUpload(pictureFileName(argc, argv, commandLine.picture),
                                                         commandLine.framing.value_or(Framing::Fill));
            upload.showLinkCodes = upload.showLinkCodes || commandLine.qr;
            return uploadWithoutWindow(std::move(upload));
        }
        if (commandLine.action == CommandLine::History)
            return printUploadHistory(UploadHistory::standardFilePath());
        return answerCommandLine(commandLine);
    }

    QApplication qapp(argc, argv);
    nameTheProgram();
    // Ties the window to its menu entry and icon where the window system asks.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pictovane.Pictovane"));

    int status = 0;
    {
        CWallpaperApp app;
        if (!commandLine.picture.isEmpty())
            app.setStartPicture(pictureFileName(argc, argv, commandLine.picture));
        if (commandLine.framing)
            app.setStartFraming(*commandLine.framing);
        app.InitInstance();
        status = app.ExitInstance();
    }
    return status;
}
