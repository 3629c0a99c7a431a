#include "cli/commandline.h"
#include "cli/headlessupload.h"
#include "config.h"
#include "core/app/uploadhistory.h"
#include "core/platform/lastwords.h"
#include "core/platform/privatefolder.h"
#include "ui/app/CWallpaperApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

void nameTheProgram()
{
    // The name captions the warning boxes, as the executable's name would.
    QCoreApplication::setApplicationName(QStringLiteral("Pictovane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(config::kVersion));
}

// A standard stream the caller closed (`>&-`) would be taken by the next
// file or socket opened, and the outcome written into it. Each gets a
// harmless stand-in; standard output gets one that refuses every write, as
// a full disk does, so the outcome's loss still shows in the exit status.
void fillClosedStandardStreams()
{
#ifndef Q_OS_WIN
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1)
            continue;
        int got = fd == STDOUT_FILENO ? ::open("/dev/full", O_WRONLY) : -1;
        if (got == -1)
            got = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (got != -1 && got != fd) {
            ::dup2(got, fd);
            ::close(got);
        }
    }
#endif
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

void sayNoDisplay(bool named)
{
    const QByteArray text = noDisplayText(named).toLocal8Bit();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
}

QtMessageHandler qtMessageHandler = nullptr;

// Qt ends the program when the display named cannot be opened, blaming its
// own installation; the only fatal message while the application starts.
void displayCannotBeOpened(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        qtMessageHandler(type, context, message);
        return;
    }
    sayNoDisplay(true);
    std::fflush(stderr);
    std::_Exit(exitstatus::kNoDisplay);
}

} // namespace

int main(int argc, char *argv[])
{
    fillClosedStandardStreams();
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
            lastwords::stopOnInterrupt();
            const int status = uploadWithoutWindow(std::move(upload));
            // Everything is tidied up: now end as the signal would have.
            if (status > exitstatus::kStoppedBase && lastwords::stopSignal())
                lastwords::dieOf(lastwords::stopSignal());
            return status;
        }
        if (commandLine.action == CommandLine::History)
            return printUploadHistory(UploadHistory::standardFilePath());
        return answerCommandLine(commandLine);
    }

    // Qt would abort with a message of its own about a platform plugin.
    if (!displayNamed(qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"))) {
        sayNoDisplay(false);
        return exitstatus::kNoDisplay;
    }
    qtMessageHandler = qInstallMessageHandler(displayCannotBeOpened);
    QApplication qapp(argc, argv);
    qInstallMessageHandler(qtMessageHandler);
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
        status = app.run();
    }
    return status;
}
