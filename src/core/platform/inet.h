// The request layer: one HTTP request over libcurl, driven on the calling
// thread. Three owners, closed newest first: a session (agent, proxy, limits
// and the caller's Wait), a connection (scheme, host, port) and a request
// (verb, path). The body is pulled: libcurl asks a body source for its next
// bytes as the socket takes them, and the bytes the server has acknowledged
// are reported to the Wait from libcurl's progress callback; libcurl also
// keeps the connect and stall limits. Every call returns a result code with the WinINet
// numbers of winerror.h; a stop asked for through the Wait ends the waiting
// call with Result::Cancelled, and a request closed before its exchange
// ended resets the connection, dropping whatever the kernel still held.
#pragma once

#include "core/platform/wait.h"
#include "core/platform/winerror.h"

#include <QByteArray>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace inet {

struct Timeouts
{
    std::chrono::milliseconds connect{60000};
    // Longest wait without any byte moving before a waiting call gives up;
    // libcurl counts it in whole seconds (rounded up) from when its speed
    // over the last few seconds fell to nothing.
    std::chrono::milliseconds stall{30000};
    // Longest the whole reply may take once the body has been sent, however
    // it trickles in.
    std::chrono::milliseconds reply{60000};
};

enum class Scheme { Http, Https };

class InetSession
{
public:
    // `wait` (not owned, may be null) is called while any request of this
    // session waits on the network.
    explicit InetSession(const QByteArray &agent, Timeouts timeouts = {}, Wait *wait = nullptr);
    ~InetSession();
    InetSession(const InetSession &) = delete;
    InetSession &operator=(const InetSession &) = delete;

    // 0 when the session opened; otherwise why not.
    pictovane::Result result() const { return m_result; }

    // HTTPS trusts the certificate authorities of this PEM file instead of
    // the system's; verification itself stays on. For tests.
    void trustOnly(const QByteArray &caFile) { m_caFile = caFile; }

private:
    friend class InetRequest;
    void *m_multi = nullptr;
    QByteArray m_agent;
    Timeouts m_timeouts;
    Wait *m_wait;
    QByteArray m_caFile;
    pictovane::Result m_result{};
};

class InetConnection
{
public:
    InetConnection(InetSession &session, const QByteArray &host, std::uint16_t port,
                   Scheme scheme = Scheme::Http);
    ~InetConnection();
    InetConnection(const InetConnection &) = delete;
    InetConnection &operator=(const InetConnection &) = delete;

    pictovane::Result result() const { return m_result; }

private:
    friend class InetRequest;
    InetSession &m_session;
    QByteArray m_host;
    std::uint16_t m_port;
    Scheme m_scheme;
    pictovane::Result m_result{};
};

// Fills up to `size` bytes of `buffer` with the body's next bytes and says
// how many in `got`; got 0 means the body has ended. A failure ends the
// request with that code.
using BodySource = std::function<pictovane::Result(char *buffer, std::size_t size, std::size_t &got)>;

class InetRequest
{
public:
    InetRequest(InetConnection &connection, const QByteArray &verb, const QByteArray &path);
    ~InetRequest();
    InetRequest(const InetRequest &) = delete;
    InetRequest &operator=(const InetRequest &) = delete;

    pictovane::Result result() const { return m_result; }

    // One header line without its line end; only before send().
    pictovane::Result addHeader(const QByteArray &line);
    // Sends the head announcing a body of exactly `length` bytes, then the
    // body as `source` gives it, and waits for the final response head. A
    // source that ends early or runs on past `length` fails the request
    // before the server could take the body as complete.
    pictovane::Result send(std::uint64_t length, BodySource source);
    // Whether the server's side has acknowledged the whole body: once true,
    // a stop no longer keeps the picture from the server.
    bool bodyDelivered();
    pictovane::Result status(std::int32_t &code) const;
    // Bytes of the next reply piece; 0 at the end of the reply.
    pictovane::Result available(std::uint32_t &bytes);
    pictovane::Result read(char *buffer, std::size_t size, std::size_t &got);

    struct State;

private:
    pictovane::Result fail(pictovane::Result hr);
    pictovane::Result drive(const std::function<bool()> &done);

    InetConnection &m_connection;
    QByteArray m_verb;
    QByteArray m_path;
    pictovane::Result m_result{};
    std::unique_ptr<State> m_state;
};

} // namespace inet
