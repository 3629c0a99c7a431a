// What the user does to the main window while it waits, on the server or on
// the converter: given through the real window system, it must be gone once
// the wait ends, not replayed then; only Esc and the close button ask to
// stop, and a stop leaves the window ready for the next Upload.
#include "captureserver.h"
#include "lacking.h"
#include "uploadsession.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>

using Status = RecordingPresenter::Status;

class BusyInputTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void inputWhileBusy_data();
    void inputWhileBusy();
    void stopThenUploadAgain();

private:
    // xdotool's command that puts the pointer on the named control.
    QString pointerTo(const Session &s, const char *name) const
    {
        const auto *w = s.dlg->findChild<const QWidget *>(QLatin1String(name));
        const QPoint c = w->mapTo(s.dlg.get(), w->rect().center());
        return QStringLiteral("xdotool mousemove --window %1 %2 %3")
            .arg(s.dlg->winId())
            .arg(c.x())
            .arg(c.y());
    }
    static int run(const QString &script)
    {
        return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    }
};

void BusyInputTest::init()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        SKIP_LACKING("needs a real X display (run under xvfb-run)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        SKIP_LACKING("xdotool is not installed");
}

void BusyInputTest::inputWhileBusy_data()
{
    QTest::addColumn<bool>("converting");
    QTest::addColumn<QString>("input"); // Upload, Browse, close, or keys
    QTest::addColumn<bool>("asks");
    QTest::newRow("upload waits: clicks and Enter dropped") << false << "Upload Browse Return" << false;
    QTest::newRow("converter runs: clicks and Enter dropped") << true << "Upload Browse Return" << false;
    QTest::newRow("upload waits: Esc asks, No goes on") << false << "Escape" << true;
    QTest::newRow("upload waits: close asks, No goes on") << false << "close" << true;
    QTest::newRow("converter runs: Esc asks, No goes on") << true << "Escape" << true;
}

void BusyInputTest::inputWhileBusy()
{
    QFETCH(bool, converting);
    QFETCH(QString, input);
    QFETCH(bool, asks);

    Session s;
    s.presenter.stopAnswer = false;
    s.dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.dlg.get()));
    const QString gif = QDir(s.dlg->startDir()).filePath(QStringLiteral("a.gif"));

    CaptureServer::Script script;
    script.reply = httpReply("success*L");
    script.answerDelay = std::chrono::milliseconds(converting ? 0 : 2500);
    CaptureServer server(std::move(script));
    useProxy(server.port());
    if (converting) {
        // First on PATH: ImageMagick, late.
        QString real = QStandardPaths::findExecutable(QStringLiteral("magick"));
        if (real.isEmpty())
            real = QStandardPaths::findExecutable(QStringLiteral("convert"));
        s.installConverter("#!/bin/sh\nsleep 2.5\nexec '" + QFile::encodeName(real) + "' \"$@\"\n");
    } else {
        s.browse();
    }

    QStringList steps;
    for (const QString &what : input.split(QLatin1Char(' '))) {
        if (what == QLatin1String("Upload"))
            steps << pointerTo(s, "button1008") + QStringLiteral(" click 1");
        else if (what == QLatin1String("Browse"))
            steps << pointerTo(s, "button1007") + QStringLiteral(" click 1");
        else if (what == QLatin1String("close"))
            steps << pointerTo(s, "button1009") + QStringLiteral(" click 1");
        else
            steps << QStringLiteral("xdotool key ") + what;
    }
    const QString marker = s.pictures.filePath(QStringLiteral("given"));
    QProcess user;
    user.start(QStringLiteral("sh"),
               {QStringLiteral("-c"),
                QStringLiteral("sleep 0.6; %1; touch '%2'").arg(steps.join(QStringLiteral("; ")), marker)});
    if (converting)
        s.browse();
    else
        s.upload();
    QVERIFY2(QFile::exists(marker), "the input was not given while the window waited");
    // Its end may have been seen while the window kept painting.
    QVERIFY(user.state() == QProcess::NotRunning || user.waitForFinished());
    QCOMPARE(user.exitCode(), 0);
    QCOMPARE(s.presenter.stopQuestions.size(), asks ? 1 : 0);

    // A mere mouse move afterwards, as the user's next one.
    run(pointerTo(s, "preview2222"));
    QTest::qWait(300);
    QVERIFY(s.dlg->isVisible());
    QVERIFY(QFile::exists(gif));
    QVERIFY(s.presenter.boxes.isEmpty());
    if (converting) {
        QVERIFY(s.presenter.statusDialogs.isEmpty()); // no upload ran
    } else {
        server.finish();
        QCOMPARE(server.connections(), 1);
        QCOMPARE(s.presenter.statusDialogs, (QList<Status>{{0, "L"}})); // no second upload
    }

    // Now idle, the same click on close does what it always does.
    run(pointerTo(s, "button1009") + QStringLiteral(" click 1"));
    QTRY_VERIFY(!s.dlg->isVisible());
    QVERIFY(!QFile::exists(gif));
}

void BusyInputTest::stopThenUploadAgain()
{
    Session s;
    s.dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.dlg.get()));
    s.browse();
    const auto *bar = s.dlg->findChild<QProgressBar *>(QStringLiteral("progress1005"));

    // A server that has the picture and thinks for minutes; Esc, then Yes.
    {
        CaptureServer::Script script;
        script.reply = httpReply("success*L");
        script.answerDelay = std::chrono::seconds(20);
        CaptureServer server(std::move(script));
        useProxy(server.port());
        QElapsedTimer sinceYes;
        s.presenter.whenAsked = [&] { sinceYes.start(); };
        QProcess user;
        user.start(QStringLiteral("sh"),
                   {QStringLiteral("-c"), QStringLiteral("sleep 0.6; xdotool key Escape")});
        QElapsedTimer whole;
        whole.start();
        s.upload();
        qInfo("stopped %lld ms after Yes", qint64(sinceYes.elapsed()));
        QVERIFY2(whole.elapsed() < 10000, "the upload was not stopped");
        user.waitForFinished();
        // The whole picture is in by then: the user is told it may still go on.
        QCOMPARE(s.presenter.stopQuestions, QStringList{"Stop waiting for the server's answer?"});
        QCOMPARE(s.presenter.boxes, QStringList{"The picture reached the server, but its answer was not "
                                                "waited for. Your phone may still get it."});
        QVERIFY(s.presenter.statusDialogs.isEmpty());
        QCOMPARE(bar->value(), 0);
        server.finish();
        QCOMPARE(server.connections(), 1);
    }

    // The picture is still chosen: Upload tries again, and succeeds.
    CaptureServer::Script script;
    script.reply = httpReply("success*L");
    CaptureServer server(std::move(script));
    useProxy(server.port());
    s.upload();
    server.finish();
    QCOMPARE(server.connections(), 1);
    QCOMPARE(s.presenter.statusDialogs, (QList<Status>{{0, "L"}}));
    QCOMPARE(bar->value(), 1000);
}

QTEST_MAIN(BusyInputTest)
#include "tst_busyinput.moc"
