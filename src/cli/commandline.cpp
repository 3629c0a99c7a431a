#include "cli/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char kDescription[] =
    "Sends a picture to your mobile phone as its wallpaper.\n"
    "\n"
    "Without options the window opens; a PICTURE given is taken as if Browse had picked it.\n"
    "With --upload the picture is converted and uploaded without any window: what the\n"
    "server's reply asks for is printed on standard output, one line each, and everything\n"
    "else goes to standard error (on a terminal with a line showing how much has been\n"
    "sent). A link's QR code follows its line when standard output is a terminal (always\n"
    "with --qr); there the server's control characters are shown escaped.\n"
    "\n"
    "Exit status of --upload:\n"
    "  0   the reply named success or a link to type into the phone\n"
    "  1   the reply named an error, only a web page, or nothing\n"
    "  2   the picture could not be sent\n"
    "  3   the phone's profile is missing or unusable, or the phone takes no wallpapers\n"
    "  4   the picture could not be converted\n"
    " 64   an unknown option, a missing argument or a second picture\n"
    " 74   the outcome could not be written to standard output\n"
    "130   stopped by Ctrl-C (SIGINT); 143: stopped by SIGTERM\n"
    "The window always ends with 0, or 69 when there is no display to open it on.";

struct Parser
{
    QCommandLineParser parser;
    // Qt's own help option would offer --help-all and Qt's options, which
    // this program does not take.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Print this usage with the exit statuses, and exit.")};
    QCommandLineOption version;
    QCommandLineOption upload{QStringLiteral("upload"),
                              QStringLiteral("Convert and upload <PICTURE> without any window."),
                              QStringLiteral("PICTURE")};
    QCommandLineOption frame{QStringLiteral("frame"),
                             QStringLiteral("How the picture fills the phone's screen: fill (cover it, the "
                                            "rest cut off; the default), fit (the whole picture, black bands "
                                            "beside it), stretch, or blur (the whole picture "
                                            "on a blurred copy of itself)."),
                             QStringLiteral("fill|fit|stretch|blur")};
    QCommandLineOption qr{QStringLiteral("qr"),
                          QStringLiteral("With --upload, print each link's QR code even into a pipe.")};
    QCommandLineOption history{QStringLiteral("history"),
                               QStringLiteral("Print the links of earlier uploads, newest first, and exit.")};

    Parser() : version(parser.addVersionOption())
    {
        parser.addOption(help);
        parser.setApplicationDescription(QString::fromLatin1(kDescription));
        parser.addOption(upload);
        parser.addOption(frame);
        parser.addOption(qr);
        parser.addOption(history);
        parser.addPositionalArgument(
            QStringLiteral("PICTURE"),
            QStringLiteral("A picture (JPEG, bitmap, PNG, WebP, HEIC, AVIF, GIF or TIFF) "
                           "to take as Browse would."),
            QStringLiteral("[PICTURE]"));
    }
};

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    Parser p;
    CommandLine result;
    if (!p.parser.parse(arguments)) {
        result.action = CommandLine::UsageError;
        result.error = p.parser.errorText();
        return result;
    }
    // Asking for help or the version wins over everything else given.
    if (p.parser.isSet(p.help)) {
        result.action = CommandLine::Help;
        return result;
    }
    if (p.parser.isSet(p.version)) {
        result.action = CommandLine::Version;
        return result;
    }
    const QStringList positional = p.parser.positionalArguments();
    if (p.parser.isSet(p.history)) {
        if (p.parser.isSet(p.upload) || !positional.isEmpty()) {
            result.action = CommandLine::UsageError;
            result.error = QStringLiteral("--history takes no picture.");
            return result;
        }
        result.action = CommandLine::History;
        return result;
    }
    if (p.parser.isSet(p.qr) && !p.parser.isSet(p.upload)) {
        result.action = CommandLine::UsageError;
        result.error = QStringLiteral("--qr goes with --upload.");
        return result;
    }
    if (p.parser.isSet(p.frame)) {
        const QStringList frames = p.parser.values(p.frame);
        result.framing = framingFromName(frames.constLast());
        if (frames.size() != 1 || !result.framing) {
            result.action = CommandLine::UsageError;
            result.error = QStringLiteral("--frame takes one of fill, fit, stretch or blur.");
            result.framing.reset();
            return result;
        }
    }
    if (p.parser.isSet(p.upload)) {
        const QStringList pictures = p.parser.values(p.upload);
        if (pictures.size() != 1 || !positional.isEmpty()) {
            result.action = CommandLine::UsageError;
            result.error = QStringLiteral("--upload takes exactly one picture.");
            return result;
        }
        result.action = CommandLine::Upload;
        result.picture = pictures.constFirst();
        if (!result.framing)
            result.framing = Framing::Fill;
        result.qr = p.parser.isSet(p.qr);
        return result;
    }
    if (positional.size() > 1) {
        result.action = CommandLine::UsageError;
        result.error = QStringLiteral("Only one picture can be given.");
        return result;
    }
    result.picture = positional.value(0);
    return result;
}

QString usageText()
{
    return Parser().parser.helpText();
}

bool displayNamed(const QByteArray &qpaPlatform, const QByteArray &display, const QByteArray &waylandDisplay)
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    (void)qpaPlatform;
    (void)display;
    (void)waylandDisplay;
    return true;
#else
    return !qpaPlatform.isEmpty() || !display.isEmpty() || !waylandDisplay.isEmpty();
#endif
}

QString noDisplayText(bool named)
{
    return QStringLiteral("pictovane: there is no display to open the window on (%1); pictovane --upload "
                          "PICTURE sends a picture without a window.\n")
        .arg(named ? QStringLiteral("the one named by DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM cannot be "
                                    "opened")
                   : QStringLiteral("DISPLAY and WAYLAND_DISPLAY are not set"));
}

int answerCommandLine(const CommandLine &commandLine)
{
    switch (commandLine.action) {
    case CommandLine::Help:
        print(stdout, usageText());
        return exitstatus::kSuccess;
    case CommandLine::Version:
        print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ')
                          + QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return exitstatus::kSuccess;
    case CommandLine::UsageError:
        print(stderr, QCoreApplication::applicationName().toLower() + QStringLiteral(": ") + commandLine.error
                          + QStringLiteral("\n\n") + usageText());
        return exitstatus::kUsage;
    case CommandLine::Window:
    case CommandLine::Upload:
    case CommandLine::History:
        break;
    }
    return exitstatus::kUsage;
}
