// The request layer: one HTTP request over libcurl, driven on the calling
// thread. Three owners, closed newest first: a session (agent, proxy), a
// connection (host, port) and a request (verb, path). Every call returns a
// result code with the WinINet numbers of winerror.h.
#pragma once

#include "platform/winerror.h"

#include <QByteArray>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace inet {

struct Timeouts
{
    std::chrono::milliseconds connect{60000};
    // Longest wait without any byte moving before a waiting call gives up.
    std::chrono::milliseconds stall{30000};
};

// A URL as the transport's own parser splits it.
struct UrlParts
{
    QByteArray scheme; // lower case
    QByteArray host;
    std::optional<QByteArray> port; // as written, when given
    QByteArray path;                // "/" when none is given
    // User, password, login options, query or fragment.
    bool hasExtras = false;
};
// Nothing when the parser refuses the text as a URL.
std::optional<UrlParts> splitUrl(const char *url);

// Called while a call waits on the network, so the caller's window can keep
// painting. Empty: just wait.
using PumpHook = std::function<void()>;
void setPumpHook(PumpHook hook);
PumpHook pumpHook();

// Handles currently open (sessions, connections and requests together), so
// tests can see that every path closes what it opened.
int openHandleCountForTests();

class InetSession
{
public:
    explicit InetSession(const QByteArray &agent, Timeouts timeouts = {});
    ~InetSession();
    InetSession(const InetSession &) = delete;
    InetSession &operator=(const InetSession &) = delete;

    // 0 when the session opened; otherwise why not.
    pictovane::HRESULT result() const { return m_result; }

private:
    friend class InetRequest;
    void *m_multi = nullptr;
    QByteArray m_agent;
    Timeouts m_timeouts;
    pictovane::HRESULT m_result{};
};

class InetConnection
{
public:
    InetConnection(InetSession &session, const QByteArray &host, std::uint16_t port);
    ~InetConnection();
    InetConnection(const InetConnection &) = delete;
    InetConnection &operator=(const InetConnection &) = delete;

    pictovane::HRESULT result() const { return m_result; }

private:
    friend class InetRequest;
    InetSession &m_session;
    QByteArray m_host;
    std::uint16_t m_port;
    pictovane::HRESULT m_result{};
};

class InetRequest
{
public:
    InetRequest(InetConnection &connection, const QByteArray &verb, const QByteArray &path);
    ~InetRequest();
    InetRequest(const InetRequest &) = delete;
    InetRequest &operator=(const InetRequest &) = delete;

    pictovane::HRESULT result() const { return m_result; }

    // One header line without its line end; only before begin().
    pictovane::HRESULT addHeader(const QByteArray &line);
    // Sends the request head announcing a body of exactly length bytes.
    pictovane::HRESULT begin(std::uint64_t length);
    // Part of the body; never more than announced in total.
    pictovane::HRESULT write(const char *data, std::size_t size);
    // After the whole body: waits for the final response head.
    pictovane::HRESULT end();
    pictovane::HRESULT status(std::int32_t &code) const;
    // Bytes of the next reply piece; 0 at the end of the reply.
    pictovane::HRESULT available(std::uint32_t &bytes);
    pictovane::HRESULT read(char *buffer, std::size_t size, std::size_t &got);

    struct State;

private:
    pictovane::HRESULT fail(pictovane::HRESULT hr);
    pictovane::HRESULT flush();
    // Whether the connection is known to be up when a wait starts: before it
    // is, the connect timeout governs instead of the stall limit.
    enum class Connection { Pending, Up };
    pictovane::HRESULT drive(const std::function<bool()> &done, Connection connection);
    pictovane::HRESULT finishResult() const;
    void resume();

    InetConnection &m_connection;
    QByteArray m_verb;
    QByteArray m_path;
    pictovane::HRESULT m_result{};
    std::unique_ptr<State> m_state;
};

} // namespace inet
