#include "captureserver.h"
#include "cli/headlessupload.h"
#include "config.h"
#include "core/platform/profilestore.h"
#include "core/upload/uploadandreport.h"
#include "lacking.h"
#include "phpserver.h"
#include "ui/app/CWallpaperDlg.h"
#include "uploadsession.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

using Status = RecordingPresenter::Status;
Q_DECLARE_METATYPE(QList<Status>)
Q_DECLARE_METATYPE(CaptureServer::Mode)

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void theUsersFolderIsNeverTouched();
    void replyKinds_data();
    void replyKinds();
    void longAndFailedReplies_data();
    void longAndFailedReplies();
    void failureBeforeAnyReply_data();
    void failureBeforeAnyReply();
    void referenceServerStoresThePicture();
    void withoutWindowSendsTheSameBytes();
};

void EndToEndTest::replyKinds_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<Status>>("dialogs");
    QTest::addColumn<QList<QUrl>>("opened");

    QTest::newRow("success with link") << QByteArray("success*http://dl.example/w/81.gif")
                                       << QList<Status>{{0, "http://dl.example/w/81.gif"}} << QList<QUrl>{};
    QTest::newRow("popup with link") << QByteArray("popup*http://dl.example/t/9")
                                     << QList<Status>{{1, "http://dl.example/t/9"}} << QList<QUrl>{};
    QTest::newRow("error") << QByteArray("error*quota") << QList<Status>{{2, {}}} << QList<QUrl>{};
    QTest::newRow("a page to open") << QByteArray("\r\n  https://www.example.org/buy") << QList<Status>{}
                                    << QList<QUrl>{QUrl(QStringLiteral("https://www.example.org/buy"))};
    QTest::newRow("a local program is never opened")
        << QByteArray("/usr/bin/xterm http") << QList<Status>{} << QList<QUrl>{};
    QTest::newRow("no keyword: silence") << QByteArray("thanks") << QList<Status>{} << QList<QUrl>{};
}

// Started from a file manager in a folder of the user's own, holding photos
// of the converter's names and a program called convert.
void EndToEndTest::theUsersFolderIsNeverTouched()
{
    Session s;
    const QString marker = s.pictures.filePath(QStringLiteral("convert-ran"));
    writeProgram(s.start.filePath(QStringLiteral("convert")),
                 "#!/bin/sh\ntouch '" + QFile::encodeName(marker) + "'\n");
    writeFile(s.start.filePath(QStringLiteral("a.jpg")), "the user's holiday photo");
    writeFile(s.start.filePath(QStringLiteral("a.gif")), "the user's animation");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", ".:" + oldPath); // even where PATH names the current folder
    CaptureServer server({});
    useProxy(server.port());

    s.browse();
    s.upload();
    server.finish();
    s.dlg->show();
    QTest::mouseClick(s.dlg->findChild<QAbstractButton *>(QStringLiteral("button1009")), Qt::LeftButton);
    qputenv("PATH", oldPath);

    QVERIFY(!s.dlg->isVisible());
    QVERIFY(!QFile::exists(marker));
    QCOMPARE(readFile(s.start.filePath(QStringLiteral("a.jpg"))), QByteArray("the user's holiday photo"));
    QCOMPARE(readFile(s.start.filePath(QStringLiteral("a.gif"))), QByteArray("the user's animation"));
    QVERIFY(!server.body().contains("the user's animation"));
    QVERIFY(server.body().contains("GIF8"));
}

void EndToEndTest::replyKinds()
{
    QFETCH(QByteArray, body);
    QFETCH(QList<Status>, dialogs);
    QFETCH(QList<QUrl>, opened);

    Session s;
    s.browse();
    CaptureServer server(CaptureServer::replying(httpReply(body)));
    useProxy(server.port());

    s.upload();
    server.finish();

    QCOMPARE(s.presenter.statusDialogs, dialogs);
    QCOMPARE(s.presenter.openedUrls, opened);
    QVERIFY(s.presenter.boxes.isEmpty());
    // What went out was the converted picture under the cleaned title.
    QVERIFY(server.body().contains("name=\"image_name\"\r\n\r\nbeach_day_sun\r\n"));
    QFile gif(QDir(s.dlg->startDir()).filePath(QStringLiteral("a.gif")));
    QVERIFY(gif.open(QIODevice::ReadOnly));
    QVERIFY(server.body().contains(gif.readAll()));
    QCOMPARE(server.body().size(), server.contentLength());
}

void EndToEndTest::longAndFailedReplies_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<Status>>("dialogs");

    const QByteArray errorPage =
        "<html><body><h1>Internal error</h1>" + QByteArray(50000, ' ') + "error error error</body></html>";
    QTest::newRow("10 MB made of error: one dialog")
        << QByteArray("200 OK") << QByteArray("error").repeated(2 << 20) << QList<Status>{{2, {}}};
    QTest::newRow("50 KB error page: one dialog")
        << QByteArray("500 Internal Server Error") << errorPage << QList<Status>{{2, {}}};
    QTest::newRow("popup and success repeated: each once")
        << QByteArray("200 OK") << QByteArray("popupsuccess*L*").repeated(40000)
        << QList<Status>{{1, "L"}, {0, {}}};
    QTest::newRow("500 without a keyword: error dialog")
        << QByteArray("500 Internal Server Error") << QByteArray("Internal Server Error")
        << QList<Status>{{2, {}}};
    QTest::newRow("404 with an empty body: error dialog")
        << QByteArray("404 Not Found") << QByteArray() << QList<Status>{{2, {}}};
    QTest::newRow("200 without a keyword: silence")
        << QByteArray("200 OK") << QByteArray("thanks") << QList<Status>{};
    QTest::newRow("500 that names success: the answer stands")
        << QByteArray("500 Internal Server Error") << QByteArray("success*L") << QList<Status>{{0, "L"}};
    // Never followed: the POST would come back as a GET without the picture.
    QTest::newRow("302 to https without a keyword: error dialog")
        << QByteArray("302 Found\r\nLocation: https://upload.test.example/wallpapers/upload3.php")
        << QByteArray("moved") << QList<Status>{{2, {}}};
    QTest::newRow("301 with an empty body: error dialog")
        << QByteArray("301 Moved Permanently") << QByteArray() << QList<Status>{{2, {}}};
    QTest::newRow("303 that names success: the answer stands")
        << QByteArray("303 See Other") << QByteArray("success*L") << QList<Status>{{0, "L"}};
}

void EndToEndTest::longAndFailedReplies()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(QList<Status>, dialogs);

    Session s;
    s.browse();
    CaptureServer server(CaptureServer::replying(httpReply(body, status)));
    useProxy(server.port());

    s.upload();
    server.finish();

    QCOMPARE(s.presenter.statusDialogs, dialogs);
    QVERIFY(s.presenter.openedUrls.isEmpty());
    // Full once the reply is in, unless it named only a failure.
    const bool failed = dialogs == QList<Status>{{2, {}}};
    QCOMPARE(s.dlg->findChild<QProgressBar *>(QStringLiteral("progress1005"))->value(), failed ? 0 : 1000);
}

void EndToEndTest::failureBeforeAnyReply_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("connection reset mid-body") << int(CaptureServer::ResetMidBody);
    QTest::newRow("closed without an answer") << int(CaptureServer::CloseWithoutAnswer);
    QTest::newRow("server stalls") << int(CaptureServer::Stall);
    QTest::newRow("nobody listening") << -1;
}

void EndToEndTest::failureBeforeAnyReply()
{
    QFETCH(int, mode);
    Session s;
    s.browse();
    std::unique_ptr<CaptureServer> server;
    if (mode >= 0) {
        CaptureServer::Script script;
        script.mode = static_cast<CaptureServer::Mode>(mode);
        script.resetAfter = 100;
        server = std::make_unique<CaptureServer>(std::move(script));
        useProxy(server->port());
    } else {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        useProxy(port);
    }

    s.upload();

    // The user hears of the failure once, as a failed upload.
    QCOMPARE(s.presenter.statusDialogs, (QList<Status>{{2, {}}}));
    // Empty again: a full bar would read as done.
    QCOMPARE(s.dlg->findChild<QProgressBar *>(QStringLiteral("progress1005"))->value(), 0);
}

void EndToEndTest::referenceServerStoresThePicture()
{
    QTemporaryDir store;
    PhpServer php(store.path());
    if (!php.available())
        SKIP_LACKING("php is not installed; the reference server cannot run");
    QVERIFY(php.ready());
    useProxy(php.port());

    Session s;
    s.dlg->setClock([] { return 1u; }); // upload name "41.gif"
    s.browse();
    s.upload();

    QCOMPARE(s.presenter.statusDialogs.size(), 1);
    QCOMPARE(s.presenter.statusDialogs[0].mode, 0);
    QVERIFY(s.presenter.statusDialogs[0].link.endsWith("/wallpapers/stored.php?name=41.gif"));

    QFile stored(store.filePath(QStringLiteral("41.gif")));
    QFile sent(QDir(s.dlg->startDir()).filePath(QStringLiteral("a.gif")));
    QVERIFY(stored.open(QIODevice::ReadOnly) && sent.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), sent.readAll());
    QImageReader gif(stored.fileName());
    QCOMPARE(gif.format(), QByteArray("gif"));
    QVERIFY(gif.size().width() <= 128 && gif.size().height() <= 160);

    QFile fields(store.filePath(QStringLiteral("41.gif.fields")));
    QVERIFY(fields.open(QIODevice::ReadOnly));
    const QByteArray expected = "sms=5550142\nfile_name=41.gif\nimage_name=beach_day_sun\ncarrier_index=7\n"
                                "phone_id=1120\nversion=4.2.1\nserial="
                                + QByteArray(config::kSerial)
                                + "\nfile_size=" + QByteArray::number(sent.size()) + "\n";
    QVERIFY2(fields.readAll().startsWith(expected), "fields arrived out of order or changed");
}

void EndToEndTest::withoutWindowSendsTheSameBytes()
{
    // The window's upload of the photo, at second 1.
    Session s;
    QByteArray windowHead;
    QByteArray windowBody;
    {
        CaptureServer server({});
        useProxy(server.port());
        s.dlg->setClock([] { return 1u; });
        s.browse();
        s.upload();
        server.finish();
        windowHead = server.head();
        windowBody = server.body();
    }
    QVERIFY(!windowBody.isEmpty());

    // The same photo from the command line, at the same second, in a start
    // folder of its own.
    QTemporaryDir start;
    QDir::setCurrent(start.path());
    CaptureServer server({});
    useProxy(server.port());
    HeadlessUpload upload = systemHeadlessUpload(QFile::encodeName(s.presenter.nextFile.value()));
    upload.profile = openProfileFile(s.profilePath());
    upload.clock = [] { return 1u; };
    upload.timeouts = kTestTimeouts;
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int status = uploadWithoutWindow(std::move(upload), out, err);
    QDir::setCurrent(s.start.path());

    QCOMPARE(err.data(), QByteArray());
    QCOMPARE(status, 1); // the server's "ok" names nothing
    server.finish();
    QCOMPARE(server.head(), windowHead);
    QCOMPARE(server.body(), windowBody);
}

QTEST_MAIN(EndToEndTest)
#include "tst_e2e.moc"
