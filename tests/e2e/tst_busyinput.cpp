// What the user does to the main window while it waits, on the server or on
// the converter: given through the real window system, it must be gone once
// the wait ends, not replayed then; only Esc and the close button ask to
// stop, and a stop leaves the window ready for the next Upload. The user
// starts once the window is busy; the work ends once the question was put,
// which also tells that the input before it was seen.
#include "captureserver.h"
#include "lacking.h"
#include "uploadsession.h"

#include "core/upload/uploadprogress.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTimer>

#include <QGuiApplication>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <functional>

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
    // Calls `f` every few milliseconds, in whatever event loop runs, until
    // it returns true.
    static void whenever(QTimer &timer, std::function<bool()> f)
    {
        QObject::connect(&timer, &QTimer::timeout, &timer, [&timer, f = std::move(f)] {
            if (f())
                timer.stop();
        });
        timer.start(10);
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
    // Upload, Browse, close, held (Esc held down), or keys; what asks comes
    // last, and is asked once.
    QTest::addColumn<QString>("input");
    QTest::newRow("upload waits: clicks and Enter dropped") << false << "Upload Browse Return Escape";
    QTest::newRow("converter runs: clicks and Enter dropped") << true << "Upload Browse Return Escape";
    QTest::newRow("upload waits: Esc asks, No goes on") << false << "Escape";
    QTest::newRow("upload waits: close asks, No goes on") << false << "close";
    QTest::newRow("converter runs: Esc asks, No goes on") << true << "Escape";
    QTest::newRow("upload waits: a held Esc asks once") << false << "held";
}

void BusyInputTest::inputWhileBusy()
{
    QFETCH(bool, converting);
    QFETCH(QString, input);

    Session s;
    s.presenter.stopAnswer = false;
    s.dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.dlg.get()));
    const QString gif = QDir(s.dlg->startDir()).filePath(QStringLiteral("a.gif"));
    const QString asked = s.pictures.filePath(QStringLiteral("asked"));

    // The converter waits until the question was put; the server thinks for
    // as long as it may without the upload's stall limit ending it.
    bool asking = false;
    CaptureServer::Script script;
    script.reply = httpReply("success*L");
    script.answerDelay = std::chrono::milliseconds(converting ? 0 : 2500);
    CaptureServer server(std::move(script));
    useProxy(server.port());
    if (converting) {
        // First on PATH: ImageMagick, held back.
        QString real = QStandardPaths::findExecutable(QStringLiteral("magick"));
        if (real.isEmpty())
            real = QStandardPaths::findExecutable(QStringLiteral("convert"));
        s.installConverter("#!/bin/sh\nwhile [ ! -e '" + QFile::encodeName(asked)
                           + "' ]; do sleep 0.02; done\nexec '" + QFile::encodeName(real) + "' \"$@\"\n");
    } else {
        s.browse();
    }

    // The pointer on the window first: with no window manager, the keys go
    // where it is.
    QStringList steps{pointerTo(s, "preview2222")};
    for (const QString &what : input.split(QLatin1Char(' '))) {
        if (what == QLatin1String("Upload"))
            steps << pointerTo(s, "button1008") + QStringLiteral(" click 1");
        else if (what == QLatin1String("Browse"))
            steps << pointerTo(s, "button1007") + QStringLiteral(" click 1");
        else if (what == QLatin1String("close"))
            steps << pointerTo(s, "button1009") + QStringLiteral(" click 1");
        else if (what == QLatin1String("held")) // long enough for the key to repeat
            steps << QStringLiteral("xdotool keydown Escape sleep 1.5 keyup Escape");
        else
            steps << QStringLiteral("xdotool key ") + what;
    }
    QProcess user;
    bool started = false;
    QTimer busy;
    const auto *upload = s.dlg->findChild<const QWidget *>(QStringLiteral("button1008"));
    whenever(busy, [&] {
        if (!started && !upload->isEnabled()) {
            started = true;
            user.start(QStringLiteral("sh"), {QStringLiteral("-c"), steps.join(QStringLiteral("; "))});
        }
        if (!started || s.presenter.stopQuestions.isEmpty() || user.state() != QProcess::NotRunning)
            return false;
        asking = true;
        if (!QFile(asked).open(QIODevice::WriteOnly))
            qWarning("cannot let the converter go on");
        return true;
    });
    if (converting)
        s.browse();
    else
        s.upload();
    QVERIFY2(asking, "the question was not put while the window waited");
    QCOMPARE(user.exitCode(), 0);
    QCOMPARE(s.presenter.stopQuestions.size(), 1);
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
        // Esc once the whole picture is in.
        QProcess user;
        QTimer sent;
        whenever(sent, [&] {
            if (bar->value() < uploadprogress::kAllSent)
                return false;
            user.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
            return true;
        });
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
