// PHP's built-in server running the reference upload script on a free
// loopback port, for tests that want a real multipart parser at the other end.
#pragma once

#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

// PHP's built-in server with the reference upload script, on a free loopback
// port; stored pictures go to storeDir.
class PhpServer
{
public:
    explicit PhpServer(const QString &storeDir)
    {
        const QString php = QStandardPaths::findExecutable(QStringLiteral("php"));
        if (php.isEmpty())
            return;
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PICTOVANE_UPLOAD_DIR"), storeDir);
        m_process.setProcessEnvironment(env);
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(php, {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port),
                              QStringLiteral("-t"), QStringLiteral(PICTOVANE_SOURCE_DIR "/server")});
        if (!m_process.waitForStarted())
            return;
        // Ready once it accepts a connection.
        for (int attempt = 0; attempt < 200 && m_process.state() == QProcess::Running; ++attempt) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(100)) {
                m_ready = true;
                return;
            }
            QThread::msleep(50);
        }
    }
    ~PhpServer()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }
    bool available() const { return !QStandardPaths::findExecutable(QStringLiteral("php")).isEmpty(); }
    bool ready() const { return m_ready; }
    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    bool m_ready = false;
};
