// The command line and the upload without a window: built and linked on the
// core alone (this test links no widgets), against loopback servers, and
// through the real executable with no display at all.
#include "captureserver.h"
#include "cli/commandline.h"
#include "cli/consolepresenter.h"
#include "cli/headlessupload.h"
#include "config.h"
#include "core/app/converter.h"
#include "core/app/uploadhistory.h"
#include "core/platform/profilestore.h"
#include "core/upload/statusmessage.h"
#include "lacking.h"
#include "phpserver.h"
#include "pictures.h"
#include "qrscan.h"
#include "testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <unistd.h>

#include <cstdio>

Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

const QByteArray kNoWallpapers = "wallpaperSupport=0\nwallpaperType=2\n";

// The file part of a request body, by the size its own field states.
QByteArray sentFile(const QByteArray &body)
{
    const QByteArray sizeField = "name=\"file_size\"\r\n\r\n";
    const qsizetype at = body.indexOf(sizeField) + sizeField.size();
    const qsizetype size = body.mid(at, body.indexOf('\r', at) - at).toLongLong();
    const qsizetype start = body.indexOf("\r\n\r\n", body.indexOf("name=\"file_data\"")) + 4;
    return body.mid(start, size);
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A machine as the upload sees it: a profile (none when null), a start
// folder that is current, and a photo apart from it.
struct Machine : MachineFolders
{
    QTemporaryDir pictures;
    QTemporaryDir history;
    QString photo = writePhoto(pictures.filePath(QStringLiteral("beach day+sun.jpg")));

    explicit Machine(const QByteArray &profile) : MachineFolders(profile) {}

    HeadlessUpload upload(const QString &picture) const
    {
        HeadlessUpload u = systemHeadlessUpload(QFile::encodeName(picture));
        u.profile = openProfileFile(profilePath());
        u.clock = [] { return 1u; }; // upload name "41.gif"
        u.timeouts = kTestTimeouts;
        u.historyFile = history.filePath(QStringLiteral("uploads.json"));
        u.showLinkCodes = false;
        return u;
    }
};

struct Run
{
    int status = -1;
    QStringList out;
    QStringList err;
};

Run runInProcess(HeadlessUpload upload)
{
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Run run;
    run.status = uploadWithoutWindow(std::move(upload), out, err);
    run.out = QString::fromLocal8Bit(out.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.err = QString::fromLocal8Bit(err.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

Run runExecutable(const QStringList &arguments, const QString &workingDir, const QString &configDir,
                  const QByteArray &proxy = QByteArray(), const QString &program = QString());

bool terminalFound()
{
    return !QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty();
}

// The real program with a pseudo-terminal as its standard output and error,
// given by script(1); both arrive as `out`.
Run runOnTerminal(const QStringList &arguments, const Machine &machine, const QByteArray &proxy)
{
    QStringList quoted;
    for (const QString &argument : QStringList{QStringLiteral(PICTOVANE_EXECUTABLE)} + arguments)
        quoted << QLatin1Char('\'') + argument + QLatin1Char('\'');
    return runExecutable({QStringLiteral("-qec"), quoted.join(QLatin1Char(' ')), QStringLiteral("/dev/null")},
                         machine.start.path(), machine.config.path(), proxy, QStringLiteral("script"));
}

// Where the real program runs: no display of any kind to fall back on, the
// profile (and the upload history, never the real home's) in `configDir`,
// the proxy given, and `bin` first on PATH.
QProcessEnvironment programEnvironment(const QString &configDir, const QByteArray &proxy,
                                       const QString &bin = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "no_proxy", "NO_PROXY"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), configDir);
    env.insert(QStringLiteral("XDG_DATA_HOME"), configDir);
    if (!proxy.isEmpty())
        env.insert(QStringLiteral("http_proxy"), QString::fromLatin1(proxy));
    if (!bin.isEmpty())
        env.insert(QStringLiteral("PATH"), bin + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    return env;
}

// The real program; `program` instead of the executable runs something
// that starts it.
Run runExecutable(const QStringList &arguments, const QString &workingDir, const QString &configDir,
                  const QByteArray &proxy, const QString &program)
{
    QProcess process;
    process.setProcessEnvironment(programEnvironment(configDir, proxy));
    process.setWorkingDirectory(workingDir);
    process.start(program.isEmpty() ? QStringLiteral(PICTOVANE_EXECUTABLE) : program, arguments);
    Run run;
    // A run that hangs fails here in seconds; QProcess kills it on the way out.
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out =
        QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.err =
        QString::fromLocal8Bit(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

const QString kNoProfileText =
    QStringLiteral("Please Launch the wallpaper service from within the main Chimeforge Application");
const QString kNoWallpapersText = QStringLiteral("We are sorry, your phone does not support wallpapers");
const QString kNotConvertedText = QStringLiteral("This picture could not be converted for your phone.");

QString line(int mode, const QByteArray &link)
{
    return asOneLine(statusMessageText(mode, link));
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    // What the command line asks for.
    void parsing_data();
    void parsing();
    void framingOption_data();
    void framingOption();
    void framingReachesTheCopy_data();
    void framingReachesTheCopy();
    // What the console shows, and the status it ends with.
    void oneLine_data();
    void oneLine();
    void exitStatusRule_data();
    void exitStatusRule();
    // The upload without a window, in this process.
    void replies_data();
    void replies();
    void requestIsTheWindowsRequest();
    void referenceServer();
    void nameThatIsNotUtf8_data();
    void nameThatIsNotUtf8();
    void converterThatNeverEnds();
    // The real executable, with no display.
    void exitStatuses_data();
    void exitStatuses();
    void signalEndsConverterAndFolder_data();
    void signalEndsConverterAndFolder();
    void outcomeNotWritten_data();
    void outcomeNotWritten();
    void escaping_data();
    void escaping();
    void terminalSeesNoControls();
    void noDisplay_data();
    void noDisplay();
    void helpAndVersion_data();
    void helpAndVersion();
    void linkCodeOnlyForAPerson_data();
    void linkCodeOnlyForAPerson();
};

void CommandLineTest::parsing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("picture");

    QTest::newRow("nothing: the window") << QStringList{} << CommandLine::Window << QString();
    QTest::newRow("a picture: the window with it") << QStringList{QStringLiteral("my photo.jpg")}
                                                   << CommandLine::Window << QStringLiteral("my photo.jpg");
    QTest::newRow("--upload PICTURE") << QStringList{QStringLiteral("--upload"), QStringLiteral("p.jpg")}
                                      << CommandLine::Upload << QStringLiteral("p.jpg");
    QTest::newRow("--upload=PICTURE")
        << QStringList{QStringLiteral("--upload=p.jpg")} << CommandLine::Upload << QStringLiteral("p.jpg");
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << CommandLine::Help << QString();
    QTest::newRow("-h beats a picture")
        << QStringList{QStringLiteral("x.jpg"), QStringLiteral("-h")} << CommandLine::Help << QString();
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << CommandLine::Version
                               << QString();
    QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << CommandLine::Version << QString();
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << CommandLine::UsageError
                                    << QString();
    QTest::newRow("--upload without its picture")
        << QStringList{QStringLiteral("--upload")} << CommandLine::UsageError << QString();
    QTest::newRow("--upload with a second picture")
        << QStringList{QStringLiteral("--upload"), QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}
        << CommandLine::UsageError << QString();
    QTest::newRow("--upload twice") << QStringList{QStringLiteral("--upload=a.jpg"),
                                                   QStringLiteral("--upload=b.jpg")}
                                    << CommandLine::UsageError << QString();
    QTest::newRow("--history") << QStringList{QStringLiteral("--history")} << CommandLine::History
                               << QString();
    QTest::newRow("--history with a picture")
        << QStringList{QStringLiteral("--history"), QStringLiteral("a.jpg")} << CommandLine::UsageError
        << QString();
    QTest::newRow("--qr without --upload")
        << QStringList{QStringLiteral("--qr")} << CommandLine::UsageError << QString();
    QTest::newRow("two pictures for the window")
        << QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg")} << CommandLine::UsageError
        << QString();
}

void CommandLineTest::parsing()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, picture);

    const CommandLine parsed = parseCommandLine(QStringList{QStringLiteral("pictovane")} + arguments);
    QCOMPARE(parsed.action, action);
    QCOMPARE(parsed.picture, picture);
    QCOMPARE(parsed.error.isEmpty(), action != CommandLine::UsageError);
}

void CommandLineTest::framingOption_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("framing"); // empty: none given
    QTest::newRow("the window, fit") << QStringList{"--frame", "fit", "x.jpg"} << CommandLine::Window
                                     << "fit";
    QTest::newRow("the window, none given") << QStringList{"x.jpg"} << CommandLine::Window << "";
    QTest::newRow("--upload: fill unless given")
        << QStringList{"--upload", "p.jpg"} << CommandLine::Upload << "fill";
    QTest::newRow("--upload, stretch")
        << QStringList{"--upload", "p.jpg", "--frame", "stretch"} << CommandLine::Upload << "stretch";
    QTest::newRow("--frame=fill") << QStringList{"--frame=fill", "--upload=p.jpg"} << CommandLine::Upload
                                  << "fill";
    QTest::newRow("unknown framing") << QStringList{"--frame", "round", "x.jpg"} << CommandLine::UsageError
                                     << "";
    QTest::newRow("framing in capitals") << QStringList{"--frame", "FIT"} << CommandLine::UsageError << "";
    QTest::newRow("--frame without its value") << QStringList{"--frame"} << CommandLine::UsageError << "";
    QTest::newRow("--frame twice") << QStringList{"--frame", "fit", "--frame", "fill"}
                                   << CommandLine::UsageError << "";
}

void CommandLineTest::framingOption()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, framing);
    const CommandLine parsed = parseCommandLine(QStringList{QStringLiteral("pictovane")} + arguments);
    QCOMPARE(parsed.action, action);
    QCOMPARE(parsed.framing ? framingName(*parsed.framing) : QString(), framing);
}

void CommandLineTest::framingReachesTheCopy_data()
{
    QTest::addColumn<QString>("framing");
    QTest::addColumn<bool>("bands"); // the 640x480 photo on the 128x160 screen
    QTest::newRow("fill") << "fill" << false;
    QTest::newRow("fit") << "fit" << true;
    QTest::newRow("stretch") << "stretch" << false;
    QTest::newRow("blur") << "blur" << false;
}

void CommandLineTest::framingReachesTheCopy()
{
    QFETCH(QString, framing);
    QFETCH(bool, bands);
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    Machine machine(kProfile);
    CaptureServer server(CaptureServer::replying(httpReply("success*L")));

    const Run run =
        runExecutable({QStringLiteral("--upload"), machine.photo, QStringLiteral("--frame"), framing},
                      machine.start.path(), machine.config.path(), server.proxyUrl());
    server.finish();
    QCOMPARE(run.status, 0);
    const QImage sent = QImage::fromData(sentFile(server.body()), "GIF");
    QCOMPARE(sent.size(), QSize(128, 160));
    QCOMPARE(sent.pixelColor(64, 4) == QColor(Qt::black), bands);
    QVERIFY(sent.pixelColor(64, 80).blue() > 150);
    // Blur's band is the picture, darker (below it, where the photo is all blue).
    const int bandBlue = sent.pixelColor(64, 156).blue();
    QCOMPARE(bandBlue > 120 && bandBlue < 160, framing == QLatin1String("blur"));
}

void CommandLineTest::oneLine_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("note"); // to the error stream

    QTest::newRow("success with link")
        << 0 << QByteArray("http://dl.example/w/81.gif")
        << QStringLiteral(
               "The Ringtone was successfully uploaded to your phone. If you don't recieve the text "
               "msg or you are unable to extract the URL from the text message, please type the "
               "following URL into your phone http://dl.example/w/81.gif")
        << QString();
    QTest::newRow("success without link")
        << 0 << QByteArray() << QStringLiteral("The Ringtone was successfully uploaded to your phone.")
        << QString();
    QTest::newRow("popup: its line break becomes a space")
        << 1 << QByteArray("http://dl.example/t/9")
        << QStringLiteral("To download your wallpaper, please type in the following URL into your phone: "
                          "http://dl.example/t/9")
        << QString();
    QTest::newRow("a link ending in a line break")
        << 1 << QByteArray("http://dl.example/t/9\r\n")
        << QStringLiteral("To download your wallpaper, please type "
                          "in the following URL into your phone: "
                          "http://dl.example/t/9")
        << QString();
    QTest::newRow("error")
        << 2 << QByteArray()
        << QStringLiteral("An error occured while uploading the wallpaper to your phone, please try again")
        << QString();
    QTest::newRow("a link that could not be kept: told on the error stream")
        << 0 << QByteArray() << QStringLiteral("The Ringtone was successfully uploaded to your phone.")
        << QString::fromLatin1(kLinkNotKeptText);
}

void CommandLineTest::oneLine()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, link);
    QFETCH(QString, expected);
    QFETCH(QString, note);

    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    ConsolePresenter console(out, err);
    console.statusDialog(mode, link, note);
    QCOMPARE(out.data(), expected.toLocal8Bit() + '\n');
    QCOMPARE(err.data(), note.isEmpty() ? QByteArray() : note.toLocal8Bit() + '\n');
    QCOMPARE(console.modesShown(), QList<int>{mode});
}

void CommandLineTest::exitStatusRule_data()
{
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<bool>("sendFailed");
    QTest::addColumn<int>("status");

    QTest::newRow("success") << QList<int>{0} << false << 0;
    QTest::newRow("popup") << QList<int>{1} << false << 0;
    QTest::newRow("popup and error") << QList<int>{1, 2} << false << 0;
    QTest::newRow("error") << QList<int>{2} << false << 1;
    QTest::newRow("nothing") << QList<int>{} << false << 1;
    QTest::newRow("send failed, shown as error") << QList<int>{2} << true << 2;
    QTest::newRow("success, then the read failed") << QList<int>{0} << true << 0;
}

void CommandLineTest::exitStatusRule()
{
    QFETCH(QList<int>, modes);
    QFETCH(bool, sendFailed);
    QFETCH(int, status);
    QCOMPARE(uploadExitStatus(modes, sendFailed), status);
}

void CommandLineTest::replies_data()
{
    QTest::addColumn<QByteArray>("reply"); // empty: nothing listens
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<int>("status");

    QTest::newRow("success") << httpReply("success*http://dl.example/w/41.gif")
                             << QStringList{line(0, "http://dl.example/w/41.gif")} << 0;
    QTest::newRow("popup") << httpReply("popup*http://dl.example/t/9")
                           << QStringList{line(1, "http://dl.example/t/9")} << 0;
    QTest::newRow("popup, then success") << httpReply("popup success*http://dl.example/t/9")
                                         << QStringList{line(1, "http://dl.example/t/9"), line(0, {})} << 0;
    QTest::newRow("error") << httpReply("error*quota") << QStringList{line(2, {})} << 1;
    QTest::newRow("an address: printed, not opened")
        << httpReply("\r\n  https://www.example.org/buy")
        << QStringList{QStringLiteral("https://www.example.org/buy")} << 1;
    QTest::newRow("nothing") << httpReply("thanks") << QStringList{} << 1;
    QTest::newRow("HTTP 500 without a keyword")
        << httpReply("oops", "500 Internal Server Error") << QStringList{line(2, {})} << 1;
    QTest::newRow("a redirect that names nothing")
        << QByteArray("HTTP/1.1 302 Found\r\nLocation: https://upload.example/\r\nContent-Length: 5\r\n"
                      "Connection: close\r\n\r\nmoved")
        << QStringList{line(2, {})} << 1;
    // Not an outcome a script could take: the failure goes to standard error.
    QTest::newRow("send failed") << QByteArray() << QStringList{} << 2;
    QTest::newRow("a control sequence in a pipe stays byte for byte")
        << httpReply("popup*http://dl.example/\x1b]0;owned\x07\x1b[2J")
        << QStringList{line(1, "http://dl.example/\x1b]0;owned\x07\x1b[2J")} << 0;
    // The server hangs up short of the length it announced.
    QTest::newRow("error, then the reply breaks off")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nerror*quota")
        << QStringList{line(2, {})} << 1;
    QTest::newRow("a head, then the reply breaks off")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n") << QStringList{}
        << 2;
}

void CommandLineTest::replies()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, out);
    QFETCH(int, status);
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");

    Machine machine(kProfile);
    const auto server =
        reply.isEmpty() ? nullptr : std::make_unique<CaptureServer>(CaptureServer::replying(reply));
    useProxy(server ? server->port() : closedPort());

    const Run run = runInProcess(machine.upload(machine.photo));
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, status == 2 ? QStringList{line(2, {})} : QStringList());
    QCOMPARE(run.status, status);
    if (server) {
        server->finish();
        QCOMPARE(server->connections(), 1);
    }
}

void CommandLineTest::requestIsTheWindowsRequest()
{
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    Machine machine(kProfile);
    CaptureServer server({});
    useProxy(server.port());

    // Relative to the start folder, as a shell user gives it.
    const QString relative = QDir(machine.start.path()).relativeFilePath(machine.photo);
    const Run run = runInProcess(machine.upload(relative));
    server.finish();
    QCOMPARE(run.status, 1); // "ok" names nothing

    const QByteArray body = server.body();
    const QByteArray copy = sentFile(body);
    QCOMPARE(QImage::fromData(copy, "GIF").size(), QSize(128, 160));
    // Written in a folder of its own, which is gone again.
    QCOMPARE(QDir(machine.start.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QDir(machine.runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(server.head().startsWith("POST http://" + QByteArray(config::kUploadHost)
                                     + "/wallpapers/upload3.php "));
    QCOMPARE(server.contentLength(), body.size());
    QVERIFY(body.contains("name=\"file_name\"\r\n\r\n41.gif\r\n"));
    QVERIFY(body.contains("name=\"image_name\"\r\n\r\nbeach_day_sun\r\n"));
    QVERIFY(body.contains("name=\"file_size\"\r\n\r\n" + QByteArray::number(copy.size()) + "\r\n"));
    QVERIFY(body.contains(copy));
}

void CommandLineTest::referenceServer()
{
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    QTemporaryDir store;
    PhpServer php(store.path());
    if (!php.available())
        SKIP_LACKING("php is not installed; the reference server cannot run");
    QVERIFY(php.ready());
    useProxy(php.port());
    Machine machine(kProfile);

    const Run run = runInProcess(machine.upload(machine.photo));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out.size(), 1);
    QVERIFY2(run.out[0].endsWith(QStringLiteral("/wallpapers/stored.php?name=41.gif")),
             qPrintable(run.out[0]));
    QCOMPARE(QImage(store.filePath(QStringLiteral("41.gif")), "GIF").size(), QSize(128, 160));
}

void CommandLineTest::nameThatIsNotUtf8_data()
{
    // A shell gives the name's bytes as they are; QProcess could not.
    QTest::addColumn<bool>("inStart"); // else in a folder of its own, named absolute
    QTest::addColumn<QString>("script");
    QTest::newRow("relative, --upload NAME")
        << true << "exec \"$0\" --upload \"$(printf 'beach \\377 day.jpg')\"";
    QTest::newRow("absolute, --upload=NAME")
        << false << "exec \"$0\" \"--upload=$1/$(printf 'beach \\377 day.jpg')\"";
}

void CommandLineTest::nameThatIsNotUtf8()
{
    QFETCH(bool, inStart);
    QFETCH(QString, script);
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    Machine machine(kProfile);
    const QString folder = inStart ? machine.start.path() : machine.pictures.path();
    const QByteArray name = QFile::encodeName(folder) + "/beach \xff day.jpg";
    QVERIFY(::rename(QFile::encodeName(machine.photo).constData(), name.constData()) == 0);
    // QTemporaryDir cannot spell the name to remove it.
    const auto removeIt = qScopeGuard([&] { ::unlink(name.constData()); });
    CaptureServer server({});

    const Run run = runExecutable(
        {QStringLiteral("-c"), script, QStringLiteral(PICTOVANE_EXECUTABLE), folder}, machine.start.path(),
        machine.config.path(), server.proxyUrl(), QStringLiteral("/bin/sh"));
    server.finish();
    QCOMPARE(run.err, QStringList());
    QCOMPARE(run.status, 1); // "ok" names nothing
    const QByteArray body = server.body();
    QCOMPARE(QImage::fromData(sentFile(body), "GIF").size(), QSize(128, 160));
    // The title as its text reads, U+FFFD for the byte that is not UTF-8.
    QVERIFY(body.contains("name=\"image_name\"\r\n\r\nbeach_\xEF\xBF\xBD_day\r\n"));
    // The link that reached it went with the folder; the picture stays.
    QCOMPARE(QDir(machine.runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(::access(name.constData(), R_OK), 0);
}

void CommandLineTest::exitStatuses_data()
{
    QTest::addColumn<QByteArray>("profile"); // null: none
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("reply"); // empty: nothing listens
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("errStart"); // what standard error begins with
    QTest::addColumn<int>("status");

    const QStringList upload{QStringLiteral("--upload"), QStringLiteral("@photo")};
    QTest::newRow("0 success") << kProfile << upload << httpReply("success*http://dl.example/w/9.gif")
                               << QStringList{line(0, "http://dl.example/w/9.gif")} << QString() << 0;
    QTest::newRow("0 popup") << kProfile << upload << httpReply("popup*http://dl.example/t/9")
                             << QStringList{line(1, "http://dl.example/t/9")} << QString() << 0;
    QTest::newRow("1 error") << kProfile << upload << httpReply("error") << QStringList{line(2, {})}
                             << QString() << 1;
    QTest::newRow("1 nothing") << kProfile << upload << httpReply("thanks") << QStringList{} << QString()
                               << 1;
    QTest::newRow("2 send failed") << kProfile << upload << QByteArray() << QStringList{} << line(2, {}) << 2;
    QTest::newRow("3 no profile") << QByteArray() << upload << httpReply("success") << QStringList{}
                                  << kNoProfileText << 3;
    QTest::newRow("3 no wallpaper support")
        << kNoWallpapers << upload << httpReply("success") << QStringList{} << kNoWallpapersText << 3;
    QTest::newRow("3 profile of no usable size")
        << QByteArray("wallpaperSupport=1\nwallpaperType=2\nwallpaperWidth=0\nwallpaperHeight=160\n")
        << upload << httpReply("success") << QStringList{} << QString::fromLatin1(kUnusableProfileText) << 3;
    QTest::newRow("3 profile of no known format")
        << QByteArray("wallpaperSupport=1\nwallpaperType=5\nwallpaperWidth=128\nwallpaperHeight=160\n")
        << upload << httpReply("success") << QStringList{} << QString::fromLatin1(kUnusableProfileText) << 3;
    QTest::newRow("64 unknown framing")
        << kProfile << (upload + QStringList{"--frame", "sideways"}) << httpReply("success") << QStringList{}
        << QStringLiteral("pictovane: ") << 64;
    QTest::newRow("4 not convertible")
        << kProfile << QStringList{QStringLiteral("--upload"), QStringLiteral("@garbage")}
        << httpReply("success") << QStringList{} << kNotConvertedText << 4;
    QTest::newRow("4 not there") << kProfile
                                 << QStringList{QStringLiteral("--upload"), QStringLiteral("gone.jpg")}
                                 << httpReply("success") << QStringList{}
                                 << conversionFailureText(Conversion::NoSuchFile, {}) << 4;
    QTest::newRow("4 a folder") << kProfile << QStringList{QStringLiteral("--upload"), QStringLiteral(".")}
                                << httpReply("success") << QStringList{}
                                << conversionFailureText(Conversion::NotAFile, {}) << 4;
    QTest::newRow("64 unknown option")
        << kProfile << QStringList{QStringLiteral("--bogus")} << httpReply("success") << QStringList{}
        << QStringLiteral("pictovane: ") << 64;
    QTest::newRow("64 --upload without its picture")
        << kProfile << QStringList{QStringLiteral("--upload")} << httpReply("success") << QStringList{}
        << QStringLiteral("pictovane: ") << 64;
}

void CommandLineTest::exitStatuses()
{
    QFETCH(QByteArray, profile);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, out);
    QFETCH(QString, errStart);
    QFETCH(int, status);
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");

    Machine machine(profile);
    const QString garbage =
        writeFile(machine.pictures.filePath(QStringLiteral("garbage.jpg")), "not a picture");
    arguments.replaceInStrings(QStringLiteral("@photo"), machine.photo);
    arguments.replaceInStrings(QStringLiteral("@garbage"), garbage);
    // No reply: a closed port.
    const auto server =
        reply.isEmpty() ? nullptr : std::make_unique<CaptureServer>(CaptureServer::replying(reply));
    const QByteArray proxy =
        server ? server->proxyUrl() : "http://127.0.0.1:" + QByteArray::number(closedPort());

    const Run run = runExecutable(arguments, machine.start.path(), machine.config.path(), proxy);
    QCOMPARE(run.out, out);
    if (errStart.isEmpty())
        QCOMPARE(run.err, QStringList());
    else
        QVERIFY2(!run.err.isEmpty() && run.err[0].startsWith(errStart),
                 qPrintable(run.err.join(QLatin1Char('\n'))));
    if (status == 64)
        QVERIFY(run.err.join(QLatin1Char('\n')).contains(QStringLiteral("--upload <PICTURE>")));
    QCOMPARE(run.status, status);
    // Its own folder is gone, and nothing was written where it ran.
    QCOMPARE(QDir(machine.runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QDir(machine.start.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    // Nothing is sent when the profile or the picture stops it first.
    if (server && status >= 3)
        QCOMPARE(server->connections(), 0);
}

void CommandLineTest::signalEndsConverterAndFolder_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("phase"); // converting, sending, sent (no answer yet), reply (trickling)
    QTest::addColumn<QString>("said");  // on standard error, once stopped
    QTest::addColumn<int>("ignored");   // at start, and sent first
    const QString converting = QStringLiteral("Converting the picture was stopped.");
    const QString sending = QStringLiteral("Sending the picture was stopped.");
    const QString arrived = QStringLiteral(
        "The picture reached the server, but its answer was not waited for. Your phone may still get it.");
    QTest::newRow("SIGTERM, converting") << int(SIGTERM) << "converting" << converting << 0;
    QTest::newRow("SIGINT (Ctrl-C), converting") << int(SIGINT) << "converting" << converting << 0;
    QTest::newRow("SIGTERM, sending") << int(SIGTERM) << "sending" << sending << 0;
    QTest::newRow("SIGINT (Ctrl-C), sending") << int(SIGINT) << "sending" << sending << 0;
    QTest::newRow("SIGINT, the whole picture arrived") << int(SIGINT) << "sent" << arrived << 0;
    QTest::newRow("SIGTERM, during the reply") << int(SIGTERM) << "reply" << arrived << 0;
    QTest::newRow("SIGSEGV (a crash)") << int(SIGSEGV) << "converting" << QString() << 0;
    // Nothing runs in the program then: the folder stays for the next start.
    QTest::newRow("SIGKILL") << int(SIGKILL) << "converting" << QString() << 0;
    // A converter deaf to the stop: a second Ctrl-C ends the program at once.
    QTest::newRow("SIGINT twice, the stop hangs") << int(SIGINT) << "hanging" << QString() << 0;
    QTest::newRow("SIGHUP ignored at start (nohup)")
        << int(SIGTERM) << "converting" << converting << int(SIGHUP);
    QTest::newRow("SIGINT ignored at start (a script's job)")
        << int(SIGTERM) << "converting" << converting << int(SIGINT);
}

void CommandLineTest::signalEndsConverterAndFolder()
{
    QFETCH(int, signal);
    QFETCH(QString, phase);
    QFETCH(QString, said);
    QFETCH(int, ignored);
    const bool converting = phase == QLatin1String("converting") || phase == QLatin1String("hanging");
    const bool midBody = phase == QLatin1String("sending");
    if (!QFileInfo::exists(QStringLiteral("/proc/self/task")))
        SKIP_LACKING("needs /proc to see the converter go");
    if (!converting && !imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    // Mid-body: a 3 MB bitmap, most of which the kernels could hold.
    Machine machine(midBody
                        ? "wallpaperSupport=1\nwallpaperType=0\nwallpaperWidth=1024\nwallpaperHeight=1024\n"
                        : kProfile);
    // A converter first on PATH that writes part of a copy, then waits on a
    // child in its group. Asked to stop, it takes a moment to tidy up, or
    // (hanging) ignores the stop, as its child does.
    QTemporaryDir bin;
    const auto file = [&](const char *name) { return bin.filePath(QLatin1String(name)); };
    if (converting) {
        const bool hang = phase == QLatin1String("hanging");
        installConverter(
            bin.path(),
            QByteArray(
                "#!/bin/sh\nfor out; do :; done\nhead -c 10 > \"${out#*:}\"\ncd \"$(dirname \"$0\")\"\n")
                + (hang ? "trap 'echo > asked' TERM\n(trap '' TERM; exec sleep 60) &\n"
                        : "trap 'sleep 0.2; echo > graced; exit 1' TERM\nsleep 60 &\n")
                + "echo $$ $! > pids\nwhile :; do wait $!; done\n");
    }
    // A server that takes the request and never answers; mid-body, one that
    // leaves the body's end unread behind a small receive buffer, so the
    // client has all of it written and little of it acknowledged.
    std::atomic<bool> gate{!midBody};
    CaptureServer::Script script;
    script.mode = phase == QLatin1String("reply") ? CaptureServer::Trickle
                  : midBody                       ? CaptureServer::Answer
                                                  : CaptureServer::Stall;
    script.reply = httpReply("success*http://dl.example/w/1");
    script.gate = &gate;
    script.heldBack = midBody ? 64 * 1024 : 0;
    script.receiveBuffer = midBody ? 16384 : 0;
    CaptureServer server(std::move(script));
    QProcess program;
    program.setProcessEnvironment(programEnvironment(machine.config.path(), server.proxyUrl(), bin.path()));
    program.setWorkingDirectory(machine.start.path());
    // As nohup, or a shell's background job, leaves it.
    program.setChildProcessModifier([ignored] {
        if (ignored)
            ::signal(ignored, SIG_IGN);
    });
    program.start(QStringLiteral(PICTOVANE_EXECUTABLE), {QStringLiteral("--upload"), machine.photo});
    QVERIFY(program.waitForStarted());
    const auto pid = pid_t(program.processId());
    if (midBody) {
        QTRY_VERIFY_WITH_TIMEOUT(
            server.received() > 0 && server.received() >= server.contentLength() - 64 * 1024, 20000);
        QTest::qWait(200); // the client writes the rest into its kernel (how much it takes varies)
    } else if (!converting) {
        QTRY_VERIFY_WITH_TIMEOUT(server.connections() == 1, 20000);
        // The whole body is in, nothing of it left in the kernels.
        QTRY_VERIFY_WITH_TIMEOUT(server.received() > 0 && server.received() == server.contentLength()
                                     && server.bodyWritten(),
                                 20000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(readFile(file("pids")).endsWith('\n'), 20000);
    }
    const QDir runtime(machine.runtime.path());
    const auto ours = [&] { return runtime.entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
    QCOMPARE(ours().size(), 1);

    if (ignored)
        ::kill(pid, ignored);
    ::kill(pid, signal);
    if (phase == QLatin1String("hanging")) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file("asked")), 10000);
        ::kill(pid, signal);
    }
    QVERIFY(program.waitForFinished(10000));
    const QByteArray err = program.readAllStandardError();
    // It dies of the signal, so a shell's loop stops on Ctrl-C too.
    QCOMPARE(program.exitStatus(), QProcess::CrashExit);
    QCOMPARE(program.exitCode(), signal);
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    if (said.isEmpty())
        QCOMPARE(err, QByteArray());
    else
        QVERIFY2(err.contains(said.toLocal8Bit() + '\n'), err.constData());
    // The converter, and its child but where nothing could run to end it.
    const QList<QByteArray> pids = readFile(file("pids")).split(' ');
    for (qsizetype i = 0; converting && i < pids.size(); ++i) {
        if (i == 1 && signal == SIGKILL)
            ::kill(pid_t(pids[i].trimmed().toInt()), SIGKILL);
        QTRY_VERIFY(processGone(pids[i]));
    }
    // A stopped converter had its moment to tidy up before it was killed.
    if (said == QLatin1String("Converting the picture was stopped."))
        QVERIFY(QFile::exists(file("graced")));
    if (midBody) {
        // What the client's kernel held was dropped, not sent after the stop.
        gate = true;
        server.finish();
        qInfo("the server got %lld of %lld bytes", qint64(server.body().size()), server.contentLength());
        QVERIFY(server.body().size() < server.contentLength());
    }
    if (signal == SIGKILL) {
        QCOMPARE(ours().size(), 1);
        // The next start removes what the killed one left.
        const Run next = runExecutable({QStringLiteral("--upload"), QStringLiteral("gone.jpg")},
                                       machine.start.path(), machine.config.path());
        QCOMPARE(next.status, 4);
    }
    QCOMPARE(ours(), QStringList());
    QCOMPARE(QDir(machine.start.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void CommandLineTest::converterThatNeverEnds()
{
    if (!QFileInfo::exists(QStringLiteral("/proc/self/stat")))
        SKIP_LACKING("needs /proc to see the converter go");
    Machine machine(kProfile);
    QTemporaryDir bin;
    const QString pidFile = machine.pictures.filePath(QStringLiteral("converter.pid"));
    const QString script = installConverter(bin.path(), "#!/bin/sh\necho $$ > '" + QFile::encodeName(pidFile)
                                                            + "'\nexec sleep 60\n");
    CaptureServer server({});
    useProxy(server.port());
    HeadlessUpload upload = machine.upload(machine.photo);
    upload.converterLookup.findOnPath = [&](const QString &name) {
        return name == QLatin1String("magick") ? script : QString();
    };
    // Far short of the real limit of a minute.
    upload.converterTimeLimit = std::chrono::milliseconds(1500);
    const Run run = runInProcess(std::move(upload));
    QCOMPARE(run.status, 4);
    QCOMPARE(run.out, QStringList());
    QCOMPARE(run.err,
             QStringList{conversionFailureText(Conversion::TimedOut, std::chrono::milliseconds(1500))});
    QVERIFY(!readFile(pidFile).isEmpty());
    QTRY_VERIFY(processGone(readFile(pidFile)));
    QCOMPARE(server.connections(), 0);
    QCOMPARE(QDir(machine.runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void CommandLineTest::outcomeNotWritten_data()
{
    QTest::addColumn<QString>("redirect");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("status");
    const QByteArray link = httpReply("success*http://dl.example/w/9.gif");
    QTest::newRow("standard output closed") << QStringLiteral(">&-") << link << 74;
    QTest::newRow("standard output full") << QStringLiteral(">/dev/full") << link << 74;
    QTest::newRow("no outcome to lose") << QStringLiteral(">/dev/full") << httpReply("thanks") << 1;
    QTest::newRow("a failed send says so on standard error") << QStringLiteral(">&-") << QByteArray() << 2;
}

void CommandLineTest::outcomeNotWritten()
{
    QFETCH(QString, redirect);
    QFETCH(QByteArray, reply);
    QFETCH(int, status);
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    Machine machine(kProfile);
    // No reply: a closed port.
    const auto server =
        reply.isEmpty() ? nullptr : std::make_unique<CaptureServer>(CaptureServer::replying(reply));
    const QByteArray proxy =
        server ? server->proxyUrl() : "http://127.0.0.1:" + QByteArray::number(closedPort());
    const Run run =
        runExecutable({QStringLiteral("-c"), QStringLiteral("exec \"$0\" --upload \"$1\" ") + redirect,
                       QStringLiteral(PICTOVANE_EXECUTABLE), machine.photo},
                      machine.start.path(), machine.config.path(), proxy, QStringLiteral("sh"));
    QCOMPARE(run.status, status);
    QCOMPARE(run.err, status == 2 ? QStringList{line(2, {})} : QStringList());
    // The link went nowhere else, the converted copy least of all.
    QCOMPARE(QDir(machine.runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    if (server) {
        server->finish();
        QVERIFY(!server->body().contains("dl.example"));
    }
}

void CommandLineTest::escaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain text and a link stay") << QStringLiteral("http://dl.example/w/9.gif?a=1&b=\\x")
                                                << QStringLiteral("http://dl.example/w/9.gif?a=1&b=\\x");
    QTest::newRow("clear the screen") << QStringLiteral("a\x1b[2Jb") << QStringLiteral("a\\e[2Jb");
    QTest::newRow("a title change, ended by BEL")
        << QStringLiteral("\x1b]0;owned\x07") << QStringLiteral("\\e]0;owned\\x07");
    QTest::newRow("colours") << QStringLiteral("\x1b[31mred\x1b[0m") << QStringLiteral("\\e[31mred\\e[0m");
    QTest::newRow("other C0, DEL") << QString::fromUtf16(u"\u0000\u0008\t\u007f", 4)
                                   << QStringLiteral("\\x00\\x08\\x09\\x7f");
    QTest::newRow("C1: CSI and OSC") << QString::fromUtf16(u"\u009b2J\u009d0;x\u009c")
                                     << QStringLiteral("\\x9b2J\\x9d0;x\\x9c");
    QTest::newRow("a right-to-left override")
        << QString::fromUtf16(u"moc.\u202Eexample") << QStringLiteral("moc.\\u202eexample");
    QTest::newRow("a link that would read .../exe.jpg")
        << QString::fromUtf16(u"http://dl.example/w/\u202Egpj.exe")
        << QStringLiteral("http://dl.example/w/\\u202egpj.exe");
    QTest::newRow("isolates") << QString::fromUtf16(u"\u2066a\u2067b\u2068c\u2069")
                              << QStringLiteral("\\u2066a\\u2067b\\u2068c\\u2069");
    QTest::newRow("invisible format characters") << QString::fromUtf16(u"a\u200Bb\u200Dc\uFEFFd\u00ADe")
                                                 << QStringLiteral("a\\u200bb\\u200dc\\ufeffd\\u00ade");
    QTest::newRow("a format character beyond 16 bits")
        << QString::fromUtf16(u"x\U000E0041y") << QStringLiteral("x\\U000e0041y");
    QTest::newRow("letters beyond ASCII stay") << QString::fromUtf16(u"Strand\u00e4 \u00a0\u4e2d")
                                               << QString::fromUtf16(u"Strand\u00e4 \u00a0\u4e2d");
}

void CommandLineTest::escaping()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(escapedForDisplay(text), shown);
    // Shown once, it stays as it is.
    QCOMPARE(escapedForDisplay(shown), shown);
}

void CommandLineTest::terminalSeesNoControls()
{
    if (!imageMagickFound())
        SKIP_LACKING("ImageMagick is not installed");
    if (!terminalFound())
        SKIP_LACKING("script (util-linux) is missing: no pseudo-terminal");
    Machine machine(kProfile);
    const QByteArray link = "http://dl.example/\x1b]0;owned\x07\x1b[2J";
    CaptureServer server(CaptureServer::replying(httpReply("popup*" + link)));
    const Run run = runOnTerminal({QStringLiteral("--upload"), machine.photo}, machine, server.proxyUrl());
    QCOMPARE(run.status, 0);
    const QString shown = QStringLiteral("http://dl.example/\\e]0;owned\\x07\\e[2J");
    const QStringList lines = run.out.filter(QStringLiteral("http://dl.example/"));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].trimmed().endsWith(shown), qPrintable(lines[0]));

    const Run history = runOnTerminal({QStringLiteral("--history")}, machine, {});
    QCOMPARE(history.status, 0);
    QCOMPARE(history.out.size(), 1);
    QVERIFY2(history.out[0].trimmed().endsWith(QStringLiteral("\t") + shown), qPrintable(history.out[0]));
}

void CommandLineTest::noDisplay_data()
{
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("opens"); // false: the executable must say so
    QTest::newRow("nothing") << QByteArray() << QByteArray() << QByteArray() << false << false;
    QTest::newRow("X") << QByteArray() << QByteArray(":0") << QByteArray() << true << true;
    QTest::newRow("Wayland") << QByteArray() << QByteArray() << QByteArray("wayland-0") << true << true;
    QTest::newRow("a platform named for Qt")
        << QByteArray("offscreen") << QByteArray() << QByteArray() << true << true;
    QTest::newRow("an X display nobody serves")
        << QByteArray() << QByteArray(":59999") << QByteArray() << true << false;
}

void CommandLineTest::noDisplay()
{
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, wayland);
    QFETCH(bool, named);
    QFETCH(bool, opens);
    QCOMPARE(displayNamed(platform, display, wayland), named);
    if (opens)
        return;
    // The executable, with a picture and without; `env` gives it the display.
    QTemporaryDir dir;
    for (const QStringList &arguments : {QStringList{QStringLiteral("photo.jpg")}, QStringList{}}) {
        const QStringList command = QStringList{QStringLiteral("DISPLAY=") + QString::fromLatin1(display),
                                                QStringLiteral(PICTOVANE_EXECUTABLE)}
                                    + arguments;
        const Run run = runExecutable(command, dir.path(), dir.path(), {}, QStringLiteral("env"));
        QCOMPARE(run.status, 69);
        QCOMPARE(run.out, QStringList());
        QVERIFY(!run.err.isEmpty());
        // Qt may say first what it tried.
        QCOMPARE(run.err.last(), noDisplayText(named).trimmed());
        QVERIFY(run.err.last().contains(QStringLiteral("--upload PICTURE")));
    }
}

void CommandLineTest::helpAndVersion_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("mustHold");

    QTest::newRow("--help") << QStringLiteral("--help")
                            << QStringLiteral("the picture could not be converted");
    QTest::newRow("-h") << QStringLiteral("-h") << QStringLiteral("--upload <PICTURE>");
    QTest::newRow("--help names the framings")
        << QStringLiteral("--help") << QStringLiteral("--frame <fill|fit|stretch|blur>");
    QTest::newRow("--version") << QStringLiteral("--version")
                               << QStringLiteral("Pictovane ") + QLatin1String(config::kVersion);
}

void CommandLineTest::helpAndVersion()
{
    QFETCH(QString, option);
    QFETCH(QString, mustHold);
    QTemporaryDir dir;
    const Run run = runExecutable({option}, dir.path(), dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.join(QLatin1Char('\n')).contains(mustHold), qPrintable(run.out.join(QLatin1Char('\n'))));
    QCOMPARE(run.err, QStringList());
}

QTEST_GUILESS_MAIN(CommandLineTest)

void CommandLineTest::linkCodeOnlyForAPerson_data()
{
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<bool>("qr");
    QTest::newRow("a pipe: one line") << false << false;
    QTest::newRow("a pipe with --qr") << false << true;
    QTest::newRow("a terminal") << true << false;
}

void CommandLineTest::linkCodeOnlyForAPerson()
{
    QFETCH(bool, terminal);
    QFETCH(bool, qr);
    if (!imageMagickFound() || !zbarimgFound())
        SKIP_LACKING("ImageMagick or zbarimg is not installed");
    if (terminal && !terminalFound())
        SKIP_LACKING("script (util-linux) is missing: no pseudo-terminal");
    const QByteArray link = "http://upload.pictovane.example/wallpapers/stored.php?name=1635.gif";
    Machine machine(kProfile);
    CaptureServer server(CaptureServer::replying(httpReply("success*" + link)));

    QStringList arguments{QStringLiteral("--upload"), machine.photo};
    if (qr)
        arguments << QStringLiteral("--qr");
    Run run = terminal
                  ? runOnTerminal(arguments, machine, server.proxyUrl())
                  : runExecutable(arguments, machine.start.path(), machine.config.path(), server.proxyUrl());
    if (terminal) {
        // The progress line first, redrawn in place and ended; a pipe gets none.
        QVERIFY(!run.out.isEmpty());
        const QString progress = run.out.takeFirst().trimmed();
        QVERIFY2(
            progress.section(QLatin1Char('\r'), -1).startsWith(QStringLiteral("Sending the picture: 100% (")),
            qPrintable(progress));
    }
    QCOMPARE(run.status, 0);
    QVERIFY(!run.out.isEmpty());
    QCOMPARE(run.out.first().trimmed(), line(0, link));
    if (!terminal && !qr) {
        QCOMPARE(run.out.size(), 1);
    } else {
        // Each character two modules high: read them back into a picture.
        static const QRegularExpression escapes(QStringLiteral("\x1b\\[[0-9;]*m|\r"));
        QStringList rows = run.out.mid(1);
        rows.replaceInStrings(escapes, QString());
        QImage picture(rows.first().size(), 2 * rows.size(), QImage::Format_Grayscale8);
        picture.fill(255);
        for (int y = 0; y < rows.size(); ++y) {
            for (int x = 0; x < rows[y].size() && x < picture.width(); ++x) {
                const QChar c = rows[y][x];
                if (c == QChar(0x2588) || c == QChar(0x2580))
                    picture.setPixel(x, 2 * y, 0);
                if (c == QChar(0x2588) || c == QChar(0x2584))
                    picture.setPixel(x, 2 * y + 1, 0);
            }
        }
        QCOMPARE(scanQrCode(picture.scaled(picture.size() * 4)), link);
    }

    // The link is kept, and --history lists it.
    const Run history =
        runExecutable({QStringLiteral("--history")}, machine.start.path(), machine.config.path());
    QCOMPARE(history.status, 0);
    QCOMPARE(history.out.size(), 1);
    QVERIFY2(history.out.first().endsWith(QStringLiteral("\tbeach day+sun\t") + QString::fromLatin1(link)),
             qPrintable(history.out.first()));
}

#include "tst_cli.moc"
