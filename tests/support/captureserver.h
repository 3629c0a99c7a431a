// A one-connection HTTP peer on loopback that records the raw bytes it
// receives and answers according to a script. It runs on its own thread, as
// the client under test blocks the thread that calls it. Reached as the
// client's proxy, so the request line is in absolute form.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>
#include <chrono>
#include <future>
#include <limits>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

class CaptureServer
{
public:
    enum Mode {
        Answer,             // read the whole body, then send the reply
        AnswerBeforeBody,   // send the reply as soon as the head is in
        ResetMidBody,       // reset the connection after some body bytes
        CloseWithoutAnswer, // read the body, close without a word
        Stall,              // read the body, never answer
        AnswerInTwoPieces,  // head and first piece; the second once the gate opens
        Trickle,            // read the body, then the reply, one byte each 10 ms, over and over
    };

    struct Script
    {
        Mode mode = Answer;
        QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
        QByteArray secondPiece;
        // Body bytes to take before a reset.
        qint64 resetAfter = 65536;
        // While false, the body is not read (the head is); when answering in
        // two pieces, the second waits for it instead.
        std::atomic<bool> *gate = nullptr;
        // With a gate: only the body's last bytes, this many, wait for it.
        qint64 heldBack = 0;
        // Body bytes read a second, as a slow uplink delivers them; 0: as
        // fast as they come.
        qint64 readRate = 0;
        // SO_RCVBUF of the listening socket, so the kernel cannot take (and
        // acknowledge) much that the server has not read; 0: the system's.
        int receiveBuffer = 0;
        // How long the server thinks before it answers.
        std::chrono::milliseconds answerDelay{0};
        // How long it lets the body wait before it reads any of it.
        std::chrono::milliseconds bodyDelay{0};
        // The client's connect takes about a second: the listening queue is
        // full when its first SYN comes, so the kernel drops it and the
        // client sends it again after its first retransmission timeout (1 s).
        bool slowConnect = false;
        // After this the server hangs up whatever it is doing, so a client
        // that never finishes fails its test in seconds, not at CTest's limit.
        std::chrono::milliseconds deadline{10000};
    };

    // A server that answers with `reply` once the body is in.
    static Script replying(const QByteArray &reply)
    {
        Script script;
        script.reply = reply;
        return script;
    }

    explicit CaptureServer(Script script) :
        m_script(std::move(script)), m_deadline(std::chrono::steady_clock::now() + m_script.deadline)
    {
        std::promise<quint16> port;
        auto ready = port.get_future();
        m_thread = std::thread([this, p = std::move(port)]() mutable { run(p); });
        m_port = ready.get();
    }

    ~CaptureServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    quint16 port() const { return m_port; }
    QByteArray proxyUrl() const { return "http://127.0.0.1:" + QByteArray::number(m_port); }

    // Waits until the client has gone; then the records are complete.
    void finish()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    int connections() const { return m_connections; }
    // Body bytes read so far; safe while the client runs.
    qint64 received() const { return m_received; }
    // Whether the client has written the whole body: what the server has
    // not read yet is in the kernels, in the client's send queue or the
    // server's receive queue (Linux's table of TCP sockets).
    bool bodyWritten() const
    {
        QFile table(QStringLiteral("/proc/net/tcp"));
        qint64 held = 0;
        const QByteArray port = ':' + QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray &line :
             table.open(QIODevice::ReadOnly) ? table.readAll().split('\n') : QList<QByteArray>()) {
            // local address, remote address, state (01: established), send:receive queue
            const QList<QByteArray> field = line.simplified().split(' ');
            if (field.size() < 5 || field[3] != "01")
                continue;
            const QList<QByteArray> queues = field[4].split(':');
            if (field[2].endsWith(port))
                held += queues[0].toLongLong(nullptr, 16);
            else if (field[1].endsWith(port))
                held += queues[1].toLongLong(nullptr, 16);
        }
        return m_received + held >= contentLength() && contentLength() >= 0;
    }
    QByteArray head() const { return m_head; }
    QByteArray body() const { return m_body; }
    qint64 contentLength() const
    {
        for (const QByteArray &line : m_head.split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                return line.mid(15).trimmed().toLongLong();
        }
        return -1;
    }

private:
    bool stopping() const { return m_stop || std::chrono::steady_clock::now() > m_deadline; }

    bool waitForData(QTcpSocket &socket)
    {
        while (!stopping()) {
            if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(50))
                return true;
            if (socket.state() != QAbstractSocket::ConnectedState)
                return false;
        }
        return false;
    }

    void readHead(QTcpSocket &socket)
    {
        QByteArray buffer;
        while (buffer.indexOf("\r\n\r\n") < 0 && waitForData(socket))
            buffer += socket.readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            m_head = buffer;
            return;
        }
        m_head = buffer.left(end + 4);
        m_body = buffer.mid(end + 4);
        m_received = m_body.size();
    }

    void readBody(QTcpSocket &socket, qint64 upTo)
    {
        if (m_script.heldBack > 0) {
            take(socket, upTo - m_script.heldBack);
            waitForGate();
        } else if (m_script.mode != AnswerInTwoPieces) {
            waitForGate();
        }
        pause(m_script.bodyDelay);
        take(socket, upTo);
    }

    // Body bytes until `upTo` or the client's end, at the script's rate.
    void take(QTcpSocket &socket, qint64 upTo)
    {
        const qint64 step = m_script.readRate / 100; // every 10 ms
        while (m_body.size() < upTo && waitForData(socket)) {
            m_body += socket.read(std::min(step > 0 ? step : socket.bytesAvailable(), upTo - m_body.size()));
            m_received = m_body.size();
            if (step > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    void waitForGate()
    {
        while (m_script.gate && !m_script.gate->load() && !stopping())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    // SYNs the kernel dropped for a full listening queue, machine-wide.
    static qint64 listenOverflows()
    {
        QFile file(QStringLiteral("/proc/net/netstat"));
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            if (!lines[i].startsWith("TcpExt:"))
                continue;
            const qsizetype at = lines[i].split(' ').indexOf("ListenOverflows");
            const QList<QByteArray> values = lines[i + 1].split(' ');
            return at >= 0 && at < values.size() ? values[at].toLongLong() : -1;
        }
        return -1;
    }

    void pause(std::chrono::milliseconds length)
    {
        for (auto until = std::chrono::steady_clock::now() + length;
             !stopping() && std::chrono::steady_clock::now() < until;)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    void send(QTcpSocket &socket, const QByteArray &bytes)
    {
        socket.write(bytes);
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(50))
            ;
    }

    // Everything else the client sends, until it goes.
    void drain(QTcpSocket &socket) { take(socket, std::numeric_limits<qint64>::max()); }

    void run(std::promise<quint16> &port)
    {
        QTcpServer server;
        QTcpSocket filler;
        // On a socket of our own where the listening queue or the receive
        // buffer (set before listen(), so connections start with it) matter.
        if (m_script.slowConnect || m_script.receiveBuffer > 0) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            if (m_script.receiveBuffer > 0)
                setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &m_script.receiveBuffer, sizeof m_script.receiveBuffer);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
            // A slow connect: a queue of one, taken by a connection of our own.
            ::listen(fd, m_script.slowConnect ? 0 : 1);
            server.setSocketDescriptor(fd);
            if (m_script.slowConnect) {
                filler.connectToHost(QHostAddress::LocalHost, server.serverPort());
                filler.waitForConnected(1000);
            }
        } else {
            server.listen(QHostAddress::LocalHost, 0);
        }
        const qint64 overflowsBefore = listenOverflows();
        port.set_value(server.serverPort());
        if (m_script.slowConnect) {
            // Once the client's first SYN has been dropped, room for its second.
            if (overflowsBefore < 0)
                pause(std::chrono::milliseconds(300));
            while (overflowsBefore >= 0 && !stopping() && listenOverflows() == overflowsBefore)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            server.waitForNewConnection(1000);
            delete server.nextPendingConnection();
        }
        while (!stopping() && !server.hasPendingConnections())
            server.waitForNewConnection(50);
        if (stopping())
            return;
        std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
        ++m_connections;
        server.close();
        // Qt would otherwise empty the kernel's buffer into its own at once.
        if (m_script.readRate > 0 || m_script.heldBack > 0)
            socket->setReadBufferSize(m_script.readRate > 0 ? std::max<qint64>(1, m_script.readRate / 100)
                                                            : 4096);
        readHead(*socket);
        switch (m_script.mode) {
        case Answer:
            readBody(*socket, contentLength());
            pause(m_script.answerDelay);
            send(*socket, m_script.reply);
            break;
        case AnswerBeforeBody:
            send(*socket, m_script.reply);
            break;
        case ResetMidBody: {
            readBody(*socket, m_script.resetAfter);
            // Linger of zero: close with a reset, not an orderly end.
            const linger hard{1, 0};
            setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                       sizeof hard);
            socket->abort();
            return;
        }
        case CloseWithoutAnswer:
            readBody(*socket, contentLength());
            socket->close();
            return;
        case Stall:
            break;
        case AnswerInTwoPieces:
            readBody(*socket, contentLength());
            send(*socket, m_script.reply);
            waitForGate();
            send(*socket, m_script.secondPiece);
            break;
        case Trickle:
            readBody(*socket, contentLength());
            for (qsizetype i = 0; !m_stop && socket->state() == QAbstractSocket::ConnectedState; ++i) {
                send(*socket, m_script.reply.mid(i % m_script.reply.size(), 1));
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            break;
        }
        drain(*socket);
    }

    Script m_script;
    std::thread m_thread;
    quint16 m_port = 0;
    std::chrono::steady_clock::time_point m_deadline;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::atomic<qint64> m_received{0};
    QByteArray m_head;
    QByteArray m_body;
};
