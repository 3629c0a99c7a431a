// What the user does to the main window while it waits, on the server or on
// the converter: given through the real window system, it must be gone once
// the wait ends, not replayed then.
#include "captureserver.h"
#include "uploadsession.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

using Status = RecordingPresenter::Status;

class BusyInputTest : public QObject
{
    Q_OBJECT

private slots:
    void inputWhileBusyHasNoEffect_data();
    void inputWhileBusyHasNoEffect();
};

void BusyInputTest::inputWhileBusyHasNoEffect_data()
{
    QTest::addColumn<bool>("converting");
    QTest::newRow("upload waits on a slow server") << false;
    QTest::newRow("converter takes its time") << true;
}

void BusyInputTest::inputWhileBusyHasNoEffect()
{
    QFETCH(bool, converting);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real X display (run under xvfb-run)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed");

    Session s;
    s.dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.dlg.get()));
    const QString gif = QDir(s.dlg->startDir()).filePath(QStringLiteral("a.gif"));
    auto pointerTo = [&](const char *name) {
        const auto *w = s.dlg->findChild<const QWidget *>(QLatin1String(name));
        const QPoint c = w->mapTo(s.dlg.get(), w->rect().center());
        return QStringLiteral("xdotool mousemove --window %1 %2 %3")
            .arg(s.dlg->winId())
            .arg(c.x())
            .arg(c.y());
    };
    auto run = [](const QString &script) {
        return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    };

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

    // While it waits: Upload, the close button, Enter and Esc.
    const QString marker = s.pictures.filePath(QStringLiteral("given"));
    QProcess user;
    user.start(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("sleep 0.6; %1 click 1; %2 click 1; xdotool key Return Escape; "
                                              "touch '%3'")
                                   .arg(pointerTo("button1008"), pointerTo("button1009"), marker)});
    if (converting)
        s.browse();
    else
        s.upload();
    QVERIFY2(QFile::exists(marker), "the input was not given while the window waited");
    // Its end may have been seen while the window kept painting.
    QVERIFY(user.state() == QProcess::NotRunning || user.waitForFinished());
    QCOMPARE(user.exitCode(), 0);

    // A mere mouse move afterwards, as the user's next one.
    run(pointerTo("preview2222"));
    QTest::qWait(300);
    QVERIFY(s.dlg->isVisible());
    QVERIFY(QFile::exists(gif));
    if (converting) {
        QVERIFY(s.presenter.statusDialogs.isEmpty()); // no upload ran
        QVERIFY(s.presenter.boxes.isEmpty());
    } else {
        server.finish();
        QCOMPARE(server.connections(), 1);
        QCOMPARE(s.presenter.statusDialogs, (QList<Status>{{0, "L"}})); // no second upload
    }

    // Now idle, the same click on close does what it always does.
    run(pointerTo("button1009") + QStringLiteral(" click 1"));
    QTRY_VERIFY(!s.dlg->isVisible());
    QVERIFY(!QFile::exists(gif));
}

QTEST_MAIN(BusyInputTest)
#include "tst_busyinput.moc"
