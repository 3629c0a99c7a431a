#include "platform/inet.h"

#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

using namespace pictovane;

namespace inet {
namespace {

// Small writes are gathered up to this size before libcurl sends them, so a
// header block or a CR LF does not become a packet of its own.
constexpr std::size_t kGatherSize = 256 * 1024;
// Reply bytes waiting to be read beyond this make libcurl stop receiving.
constexpr std::size_t kMaxQueued = 1024 * 1024;
// How often the pump runs while waiting.
constexpr int kPumpIntervalMs = 50;

PumpHook g_pump;
int g_openHandles = 0;

HRESULT win32(std::int32_t code)
{
    return HRESULT_FROM_WIN32(code);
}

HRESULT fromCurl(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return S_OK;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return win32(ERROR_INTERNET_NAME_NOT_RESOLVED);
    case CURLE_COULDNT_CONNECT:
        return win32(ERROR_INTERNET_CANNOT_CONNECT);
    case CURLE_OPERATION_TIMEDOUT:
        return win32(ERROR_INTERNET_TIMEOUT);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return win32(ERROR_INTERNET_CONNECTION_RESET);
    case CURLE_PARTIAL_FILE:
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_READ_ERROR:
        return win32(ERROR_INTERNET_CONNECTION_ABORTED);
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return win32(ERROR_HTTP_INVALID_SERVER_RESPONSE);
    case CURLE_OUT_OF_MEMORY:
        return win32(ERROR_NOT_ENOUGH_MEMORY);
    case CURLE_URL_MALFORMAT:
        return win32(ERROR_INTERNET_INVALID_URL);
    case CURLE_UNSUPPORTED_PROTOCOL:
        return win32(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    default:
        return win32(ERROR_INTERNET_INTERNAL_ERROR);
    }
}

HRESULT fromMulti(CURLMcode code)
{
    if (code == CURLM_OK)
        return S_OK;
    if (code == CURLM_OUT_OF_MEMORY)
        return win32(ERROR_NOT_ENOUGH_MEMORY);
    return win32(ERROR_INTERNET_INTERNAL_ERROR);
}

HRESULT misuse()
{
    return win32(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
}

bool curlReady()
{
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

// The system's proxy for this target, as libcurl spells it; empty = direct.
QByteArray systemProxyFor(const QByteArray &host, std::uint16_t port, const QByteArray &path)
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QString::fromLatin1(host));
    url.setPort(port);
    url.setPath(QString::fromLatin1(path));
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    if (proxies.isEmpty())
        return {};
    const QNetworkProxy &proxy = proxies.first();
    QByteArray scheme;
    switch (proxy.type()) {
    case QNetworkProxy::HttpProxy:
    case QNetworkProxy::HttpCachingProxy:
        scheme = "http://";
        break;
    case QNetworkProxy::Socks5Proxy:
        scheme = "socks5h://";
        break;
    default:
        return {};
    }
    QByteArray proxyHost = proxy.hostName().toLatin1();
    if (proxyHost.contains(':'))
        proxyHost = '[' + proxyHost + ']';
    return scheme + proxyHost + ':' + QByteArray::number(proxy.port());
}

} // namespace

std::optional<UrlParts> splitUrl(const char *url)
{
    struct Deleter
    {
        void operator()(CURLU *u) const { curl_url_cleanup(u); }
    };
    std::unique_ptr<CURLU, Deleter> u(curl_url());
    if (!url || !u || curl_url_set(u.get(), CURLUPART_URL, url, CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    // A part the URL lacks is no error; any other failure refuses it.
    auto part = [&](CURLUPart which, std::optional<QByteArray> &out) {
        char *text = nullptr;
        const CURLUcode rc = curl_url_get(u.get(), which, &text, 0);
        if (rc == CURLUE_OK) {
            out = QByteArray(text);
            curl_free(text);
            return true;
        }
        return rc == CURLUE_NO_SCHEME || rc == CURLUE_NO_USER || rc == CURLUE_NO_PASSWORD
               || rc == CURLUE_NO_OPTIONS || rc == CURLUE_NO_HOST || rc == CURLUE_NO_PORT
               || rc == CURLUE_NO_QUERY || rc == CURLUE_NO_FRAGMENT || rc == CURLUE_NO_ZONEID;
    };
    std::optional<QByteArray> scheme, host, path;
    UrlParts parts;
    if (!part(CURLUPART_SCHEME, scheme) || !part(CURLUPART_HOST, host) || !part(CURLUPART_PORT, parts.port)
        || !part(CURLUPART_PATH, path))
        return std::nullopt;
    for (CURLUPart extra :
         {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS, CURLUPART_QUERY, CURLUPART_FRAGMENT}) {
        std::optional<QByteArray> text;
        if (!part(extra, text))
            return std::nullopt;
        parts.hasExtras = parts.hasExtras || text.has_value();
    }
    parts.scheme = scheme.value_or(QByteArray());
    parts.host = host.value_or(QByteArray());
    parts.path = path.value_or(QByteArray());
    return parts;
}

void setPumpHook(PumpHook hook)
{
    g_pump = std::move(hook);
}

PumpHook pumpHook()
{
    return g_pump;
}

int openHandleCountForTests()
{
    return g_openHandles;
}

struct InetRequest::State
{
    enum Phase { Open, Sending, Ended, Failed };

    CURL *easy = nullptr;
    CURLU *url = nullptr;
    curl_slist *headers = nullptr;
    curl_slist *proxyHeaders = nullptr;
    bool attached = false;
    Phase phase = Open;

    std::uint64_t length = 0;
    std::uint64_t written = 0;
    std::unique_ptr<char[]> gather{new char[kGatherSize]};
    std::size_t filled = 0;
    std::size_t taken = 0;

    bool bodyAsked = false;
    bool sendPaused = false;
    bool recvPaused = false;
    bool headDone = false;
    long code = 0;
    bool finished = false;
    CURLcode finishCode = CURLE_OK;
    // The server gave its final answer before the body was complete and
    // libcurl stopped sending; the rest of the body has nowhere to go.
    bool answeredEarly = false;

    std::deque<QByteArray> pieces;
    std::size_t pieceOffset = 0;
    std::size_t queued = 0;
    std::uint64_t progress = 0;

    static size_t onRead(char *buffer, size_t size, size_t count, void *userdata)
    {
        auto *s = static_cast<State *>(userdata);
        s->bodyAsked = true;
        const std::size_t left = s->filled - s->taken;
        if (left == 0) {
            s->sendPaused = true;
            return CURL_READFUNC_PAUSE;
        }
        const std::size_t n = std::min(size * count, left);
        std::memcpy(buffer, s->gather.get() + s->taken, n);
        s->taken += n;
        ++s->progress;
        return n;
    }

    static size_t onWrite(char *data, size_t size, size_t count, void *userdata)
    {
        auto *s = static_cast<State *>(userdata);
        const std::size_t n = size * count;
        if (s->queued >= kMaxQueued) {
            s->recvPaused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        s->pieces.emplace_back(data, static_cast<qsizetype>(n));
        s->queued += n;
        ++s->progress;
        return n;
    }

    static size_t onHeader(char *data, size_t size, size_t count, void *userdata)
    {
        auto *s = static_cast<State *>(userdata);
        const std::size_t n = size * count;
        ++s->progress;
        const bool blankLine = (n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n');
        if (blankLine) {
            long code = 0;
            curl_easy_getinfo(s->easy, CURLINFO_RESPONSE_CODE, &code);
            if (code >= 200) {
                s->headDone = true;
                s->code = code;
            }
        }
        return n;
    }
};

InetSession::InetSession(const QByteArray &agent, Timeouts timeouts) : m_agent(agent), m_timeouts(timeouts)
{
    ++g_openHandles;
    if (!curlReady()) {
        m_result = win32(ERROR_INTERNET_INTERNAL_ERROR);
        return;
    }
    m_multi = curl_multi_init();
    if (!m_multi)
        m_result = win32(ERROR_NOT_ENOUGH_MEMORY);
}

InetSession::~InetSession()
{
    if (m_multi)
        curl_multi_cleanup(static_cast<CURLM *>(m_multi));
    --g_openHandles;
}

InetConnection::InetConnection(InetSession &session, const QByteArray &host, std::uint16_t port) :
    m_session(session), m_host(host), m_port(port)
{
    ++g_openHandles;
    if (FAILED(session.result()))
        m_result = misuse();
    else if (host.isEmpty() || port == 0)
        m_result = win32(ERROR_INVALID_PARAMETER);
}

InetConnection::~InetConnection()
{
    --g_openHandles;
}

InetRequest::InetRequest(InetConnection &connection, const QByteArray &verb, const QByteArray &path) :
    m_connection(connection),
    m_verb(verb),
    m_path(path.isEmpty() ? QByteArray("/") : path),
    m_state(std::make_unique<State>())
{
    ++g_openHandles;
    if (FAILED(connection.result())) {
        m_result = misuse();
        m_state->phase = State::Failed;
        return;
    }
    State &s = *m_state;
    s.easy = curl_easy_init();
    s.url = curl_url();
    if (!s.easy || !s.url) {
        m_result = win32(ERROR_NOT_ENOUGH_MEMORY);
        s.phase = State::Failed;
        return;
    }
    const QByteArray port = QByteArray::number(connection.m_port);
    if (curl_url_set(s.url, CURLUPART_SCHEME, "http", 0) != CURLUE_OK
        || curl_url_set(s.url, CURLUPART_HOST, connection.m_host.constData(), 0) != CURLUE_OK
        || curl_url_set(s.url, CURLUPART_PORT, port.constData(), 0) != CURLUE_OK
        || curl_url_set(s.url, CURLUPART_PATH, m_path.constData(), 0) != CURLUE_OK) {
        m_result = win32(ERROR_INTERNET_INVALID_URL);
        s.phase = State::Failed;
        return;
    }
    // libcurl would announce these on its own; the request carries only what
    // its caller adds.
    for (const char *line : {"Expect:", "Accept:"}) {
        curl_slist *next = curl_slist_append(s.headers, line);
        if (!next) {
            m_result = win32(ERROR_NOT_ENOUGH_MEMORY);
            s.phase = State::Failed;
            return;
        }
        s.headers = next;
    }
    s.proxyHeaders = curl_slist_append(nullptr, "Proxy-Connection:");
}

InetRequest::~InetRequest()
{
    State &s = *m_state;
    if (s.attached)
        curl_multi_remove_handle(static_cast<CURLM *>(m_connection.m_session.m_multi), s.easy);
    if (s.easy)
        curl_easy_cleanup(s.easy);
    curl_url_cleanup(s.url);
    curl_slist_free_all(s.headers);
    curl_slist_free_all(s.proxyHeaders);
    --g_openHandles;
}

HRESULT InetRequest::fail(HRESULT hr)
{
    m_state->phase = State::Failed;
    return hr;
}

HRESULT InetRequest::addHeader(const QByteArray &line)
{
    State &s = *m_state;
    if (s.phase != State::Open || line.contains('\r') || line.contains('\n'))
        return misuse();
    curl_slist *next = curl_slist_append(s.headers, line.constData());
    if (!next)
        return win32(ERROR_NOT_ENOUGH_MEMORY);
    s.headers = next;
    return S_OK;
}

HRESULT InetRequest::begin(std::uint64_t length)
{
    State &s = *m_state;
    if (s.phase != State::Open)
        return misuse();
    const InetSession &session = m_connection.m_session;
    const QByteArray proxy = systemProxyFor(m_connection.m_host, m_connection.m_port, m_path);

    CURL *e = s.easy;
    CURLcode rc = CURLE_OK;
    auto set = [&rc](CURLcode r) {
        if (rc == CURLE_OK)
            rc = r;
    };
    set(curl_easy_setopt(e, CURLOPT_CURLU, s.url));
    set(curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http"));
    set(curl_easy_setopt(e, CURLOPT_USERAGENT, session.m_agent.constData()));
    set(curl_easy_setopt(e, CURLOPT_PROXY, proxy.constData()));
    // The system's answer already applied its exceptions.
    set(curl_easy_setopt(e, CURLOPT_NOPROXY, ""));
    set(curl_easy_setopt(e, CURLOPT_PROXYHEADER, s.proxyHeaders));
    set(curl_easy_setopt(e, CURLOPT_HEADEROPT, long(CURLHEADER_SEPARATE)));
    set(curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1)));
    set(curl_easy_setopt(e, CURLOPT_POST, 1L));
    if (m_verb != "POST")
        set(curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, m_verb.constData()));
    set(curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(length)));
    set(curl_easy_setopt(e, CURLOPT_READFUNCTION, &State::onRead));
    set(curl_easy_setopt(e, CURLOPT_READDATA, &s));
    set(curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &State::onWrite));
    set(curl_easy_setopt(e, CURLOPT_WRITEDATA, &s));
    set(curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &State::onHeader));
    set(curl_easy_setopt(e, CURLOPT_HEADERDATA, &s));
    set(curl_easy_setopt(e, CURLOPT_HTTPHEADER, s.headers));
    set(curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L));
    set(curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L));
    set(curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L));
    set(curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L));
    // One gathered buffer per read callback.
    set(curl_easy_setopt(e, CURLOPT_UPLOAD_BUFFERSIZE, static_cast<long>(kGatherSize)));
    set(curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(session.m_timeouts.connect.count())));
    if (rc != CURLE_OK)
        return fail(fromCurl(rc));

    if (HRESULT hr = fromMulti(curl_multi_add_handle(static_cast<CURLM *>(session.m_multi), e)); FAILED(hr))
        return fail(hr);
    s.attached = true;
    s.phase = State::Sending;
    s.length = length;
    if (length == 0)
        return S_OK;

    // Connection up and request head sent once libcurl asks for the body.
    if (HRESULT hr = drive([&s] { return s.bodyAsked; }, Connection::Pending); FAILED(hr))
        return fail(hr);
    if (!s.bodyAsked) {
        if (HRESULT hr = finishResult(); FAILED(hr))
            return fail(hr);
    }
    return S_OK;
}

HRESULT InetRequest::finishResult() const
{
    const State &s = *m_state;
    if (s.finishCode != CURLE_OK)
        return fromCurl(s.finishCode);
    if (s.headDone) {
        m_state->answeredEarly = true;
        return S_OK;
    }
    return win32(ERROR_HTTP_INVALID_SERVER_RESPONSE);
}

void InetRequest::resume()
{
    State &s = *m_state;
    const int mask = (s.sendPaused ? CURLPAUSE_SEND : 0) | (s.recvPaused ? CURLPAUSE_RECV : 0);
    curl_easy_pause(s.easy, mask);
}

HRESULT InetRequest::write(const char *data, std::size_t size)
{
    State &s = *m_state;
    if (s.phase != State::Sending)
        return misuse();
    // More than announced would reach the wire as garbage after the body.
    if (size > s.length - s.written)
        return fail(misuse());
    s.written += size;
    if (s.answeredEarly)
        return S_OK;
    while (size > 0) {
        const std::size_t n = std::min(size, kGatherSize - s.filled);
        std::memcpy(s.gather.get() + s.filled, data, n);
        s.filled += n;
        data += n;
        size -= n;
        if (s.filled == kGatherSize) {
            if (HRESULT hr = flush(); FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

HRESULT InetRequest::flush()
{
    State &s = *m_state;
    if (s.taken < s.filled && !s.answeredEarly && !s.finished) {
        s.sendPaused = false;
        resume();
        if (HRESULT hr = drive([&s] { return s.taken == s.filled; }, Connection::Up); FAILED(hr))
            return fail(hr);
        if (s.taken < s.filled) {
            if (HRESULT hr = finishResult(); FAILED(hr))
                return fail(hr);
        }
    } else if (s.taken < s.filled && s.finished && !s.answeredEarly) {
        if (HRESULT hr = finishResult(); FAILED(hr))
            return fail(hr);
    }
    s.filled = 0;
    s.taken = 0;
    return S_OK;
}

HRESULT InetRequest::end()
{
    State &s = *m_state;
    if (s.phase != State::Sending)
        return misuse();
    // Fewer bytes than announced would leave the server waiting for the rest.
    if (s.written < s.length && !s.answeredEarly)
        return fail(misuse());
    if (HRESULT hr = flush(); FAILED(hr))
        return hr;
    if (!s.headDone) {
        if (HRESULT hr = drive([&s] { return s.headDone; }, Connection::Up); FAILED(hr))
            return fail(hr);
        if (!s.headDone)
            return fail(s.finishCode != CURLE_OK ? fromCurl(s.finishCode)
                                                 : win32(ERROR_HTTP_INVALID_SERVER_RESPONSE));
    }
    s.phase = State::Ended;
    return S_OK;
}

HRESULT InetRequest::status(std::int32_t &code) const
{
    if (m_state->phase != State::Ended)
        return misuse();
    code = static_cast<std::int32_t>(m_state->code);
    return S_OK;
}

HRESULT InetRequest::available(std::uint32_t &bytes)
{
    State &s = *m_state;
    if (s.phase != State::Ended)
        return misuse();
    if (s.pieces.empty() && !s.finished) {
        if (HRESULT hr = drive([&s] { return !s.pieces.empty(); }, Connection::Up); FAILED(hr))
            return hr;
    }
    if (s.pieces.empty()) {
        bytes = 0;
        return fromCurl(s.finishCode);
    }
    bytes = static_cast<std::uint32_t>(s.pieces.front().size() - static_cast<qsizetype>(s.pieceOffset));
    return S_OK;
}

HRESULT InetRequest::read(char *buffer, std::size_t size, std::size_t &got)
{
    got = 0;
    std::uint32_t ready = 0;
    if (HRESULT hr = available(ready); FAILED(hr))
        return hr;
    State &s = *m_state;
    if (ready == 0)
        return S_OK;
    const QByteArray &piece = s.pieces.front();
    got = std::min<std::size_t>(size, ready);
    std::memcpy(buffer, piece.constData() + s.pieceOffset, got);
    s.pieceOffset += got;
    if (s.pieceOffset == static_cast<std::size_t>(piece.size())) {
        s.queued -= static_cast<std::size_t>(piece.size());
        s.pieces.pop_front();
        s.pieceOffset = 0;
        if (s.recvPaused && s.queued < kMaxQueued) {
            s.recvPaused = false;
            resume();
        }
    }
    return S_OK;
}

HRESULT InetRequest::drive(const std::function<bool()> &done, Connection connection)
{
    State &s = *m_state;
    auto *multi = static_cast<CURLM *>(m_connection.m_session.m_multi);
    const auto stall = m_connection.m_session.m_timeouts.stall;
    using Clock = std::chrono::steady_clock;
    auto lastProgress = Clock::now();
    auto progressMark = [&s] {
        curl_off_t up = 0;
        curl_easy_getinfo(s.easy, CURLINFO_SIZE_UPLOAD_T, &up);
        return s.progress + static_cast<std::uint64_t>(up);
    };
    std::uint64_t seen = progressMark();
    for (;;) {
        int running = 0;
        if (HRESULT hr = fromMulti(curl_multi_perform(multi, &running)); FAILED(hr))
            return hr;
        int left = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == s.easy) {
                s.finished = true;
                s.finishCode = msg->data.result;
            }
        }
        if (done() || s.finished)
            return S_OK;

        const auto now = Clock::now();
        const std::uint64_t mark = progressMark();
        bool connected = connection == Connection::Up;
        if (!connected) {
            curl_off_t connectTime = 0;
            curl_easy_getinfo(s.easy, CURLINFO_CONNECT_TIME_T, &connectTime);
            connected = connectTime > 0;
        }
        if (mark != seen || !connected) {
            // Before the connection is up the connect timeout governs.
            seen = mark;
            lastProgress = now;
        } else if (now - lastProgress >= stall) {
            return win32(ERROR_INTERNET_TIMEOUT);
        }
        if (g_pump)
            g_pump();
        auto waitMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(stall - (now - lastProgress)).count();
        waitMs = std::clamp<long long>(waitMs, 1, g_pump ? kPumpIntervalMs : 1000);
        if (HRESULT hr = fromMulti(curl_multi_poll(multi, nullptr, 0, static_cast<int>(waitMs), nullptr));
            FAILED(hr))
            return hr;
    }
}

} // namespace inet
