#include "core/platform/inet.h"

#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/sockios.h>
#endif

using namespace pictovane;

namespace inet {
namespace {

// libcurl asks the body source for this much at a time: few calls, few
// packets, one copy from the file straight into libcurl's buffer.
constexpr std::size_t kUploadBufferSize = 256 * 1024;
// Reply bytes waiting to be read beyond this make libcurl stop receiving.
constexpr std::size_t kMaxQueued = 1024 * 1024;
// What the kernel may hold of the body unsent: enough to keep the link busy,
// little enough that the rest stays ours to count and to drop on a stop.
constexpr int kUnsentLowWater = 128 * 1024;
// A moment of the caller's this long (a question to the user, say) is not
// the server's delay: libcurl's stall clock starts again after it.
constexpr std::chrono::seconds kLongMoment{1};

Result fromCurl(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return Result::Ok;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return Result::NameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return Result::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return Result::Timeout;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return Result::ConnectionReset;
    case CURLE_PARTIAL_FILE:
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_READ_ERROR:
        return Result::ConnectionAborted;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return Result::InvalidServerResponse;
    case CURLE_OUT_OF_MEMORY:
        return Result::NotEnoughMemory;
    case CURLE_URL_MALFORMAT:
        return Result::InvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return Result::UnrecognizedScheme;
    case CURLE_PEER_FAILED_VERIFICATION:
        return Result::InvalidCa;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return Result::SecureFailure;
    default:
        return Result::InternalError;
    }
}

Result fromMulti(CURLMcode code)
{
    if (code == CURLM_OK)
        return Result::Ok;
    if (code == CURLM_OUT_OF_MEMORY)
        return Result::NotEnoughMemory;
    return Result::InternalError;
}

Result misuse()
{
    return Result::IncorrectHandleState;
}

bool curlReady()
{
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

// The system's proxy for this target, as libcurl spells it; empty = direct.
QByteArray systemProxyFor(const char *scheme, const QByteArray &host, std::uint16_t port,
                          const QByteArray &path)
{
    QUrl url;
    url.setScheme(QString::fromLatin1(scheme));
    url.setHost(QString::fromLatin1(host));
    url.setPort(port);
    url.setPath(QString::fromLatin1(path));
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    if (proxies.isEmpty())
        return {};
    const QNetworkProxy &proxy = proxies.first();
    QByteArray kind;
    switch (proxy.type()) {
    case QNetworkProxy::HttpProxy:
    case QNetworkProxy::HttpCachingProxy:
        kind = "http://";
        break;
    case QNetworkProxy::Socks5Proxy:
        kind = "socks5h://";
        break;
    default:
        return {};
    }
    QByteArray proxyHost = proxy.hostName().toLatin1();
    if (proxyHost.contains(':'))
        proxyHost = '[' + proxyHost + ']';
    return kind + proxyHost + ':' + QByteArray::number(proxy.port());
}

// Bytes written to the socket that its peer has not yet acknowledged; 0 where
// the system cannot say (then the bytes written count as arrived).
std::uint64_t unacknowledged(curl_socket_t socket)
{
#ifdef __linux__
    int queued = 0;
    if (ioctl(socket, SIOCOUTQ, &queued) == 0 && queued > 0)
        return static_cast<std::uint64_t>(queued);
#else
    (void)socket;
#endif
    return 0;
}

// A close that drops what the kernel still holds and resets the connection,
// so a body cut short never reaches the server looking whole.
void resetOnClose(curl_socket_t socket)
{
    const linger hard{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&hard), sizeof hard);
}

} // namespace

struct InetRequest::State
{
    enum Phase { Open, Sending, Ended, Failed };

    CURL *easy = nullptr;
    CURLU *url = nullptr;
    curl_slist *headers = nullptr;
    curl_slist *proxyHeaders = nullptr;
    bool attached = false;
    Phase phase = Open;
    Wait *wait = nullptr;

    BodySource source;
    std::uint64_t length = 0;
    std::uint64_t handed = 0;
    // Why the body source stopped the upload, when it did.
    Result sourceError = Result::Ok;

    bool headDone = false;
    long code = 0;
    bool finished = false;
    CURLcode finishCode = CURLE_OK;

    std::deque<QByteArray> pieces;
    std::size_t pieceOffset = 0;
    std::size_t queued = 0;
    bool recvPaused = false;
    // Time spent waiting on the reply once the whole body was handed over.
    std::chrono::steady_clock::duration replyWaited{};

    // Body bytes the server's side has acknowledged, as last seen.
    std::uint64_t acknowledged = 0;
    // The sockets libcurl has open through us: while the body goes, the one
    // connection (attempts that lost a race are closed by then).
    std::vector<curl_socket_t> sockets;
    // The request is closed before its exchange ended: closing resets.
    bool abandoned = false;

    bool bodyHanded() const { return handed == length; }

    curl_socket_t socket() const { return sockets.size() == 1 ? sockets.front() : CURL_SOCKET_BAD; }

    static curl_socket_t onOpenSocket(void *userdata, curlsocktype purpose, curl_sockaddr *address)
    {
        auto *s = static_cast<State *>(userdata);
        int type = address->socktype;
#ifdef SOCK_CLOEXEC
        type |= SOCK_CLOEXEC; // not into the converter's processes
#endif
        const curl_socket_t fd = ::socket(address->family, type, address->protocol);
        if (fd == CURL_SOCKET_BAD)
            return fd;
#ifdef TCP_NOTSENT_LOWAT
        // Best effort: without it the bar still counts only acknowledged bytes.
        if (purpose == CURLSOCKTYPE_IPCXN && address->protocol == IPPROTO_TCP)
            setsockopt(fd, IPPROTO_TCP, TCP_NOTSENT_LOWAT, &kUnsentLowWater, sizeof kUnsentLowWater);
#else
        (void)purpose;
#endif
        s->sockets.push_back(fd);
        return fd;
    }

    static int onCloseSocket(void *userdata, curl_socket_t fd)
    {
        auto *s = static_cast<State *>(userdata);
        s->sockets.erase(std::remove(s->sockets.begin(), s->sockets.end(), fd), s->sockets.end());
        if (s->abandoned)
            resetOnClose(fd);
#ifdef _WIN32
        return closesocket(fd);
#else
        return close(fd);
#endif
    }

    // Written is not arrived: what the kernel still holds is subtracted, so
    // the count is what the server has. Tells the Wait when it moved.
    void updateAcknowledged()
    {
        curl_off_t written = 0;
        curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &written);
        std::uint64_t now = static_cast<std::uint64_t>(written);
        if (const curl_socket_t fd = socket(); fd != CURL_SOCKET_BAD)
            now -= std::min(now, unacknowledged(fd));
        if (now <= acknowledged)
            return;
        acknowledged = std::min(now, length);
        if (wait)
            wait->sent(acknowledged, length);
    }

    static int onProgress(void *userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        static_cast<State *>(userdata)->updateAcknowledged();
        return 0;
    }

    static size_t onRead(char *buffer, size_t size, size_t count, void *userdata)
    {
        auto *s = static_cast<State *>(userdata);
        const std::uint64_t left = s->length - s->handed;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size * count, left));
        if (want == 0)
            return 0;
        std::size_t got = 0;
        Result hr = s->source(buffer, want, got);
        if (!failed(hr) && (got == 0 || got > want))
            hr = misuse(); // shorter or longer than announced
        if (!failed(hr) && got == left) {
            // The last bytes leave only when nothing follows them: a body
            // that runs on must not reach the server looking complete.
            char probe = 0;
            std::size_t more = 0;
            hr = s->source(&probe, 1, more);
            if (!failed(hr) && more != 0)
                hr = misuse();
        }
        if (failed(hr)) {
            s->sourceError = hr;
            return CURL_READFUNC_ABORT;
        }
        s->handed += got;
        return got;
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
        return n;
    }

    static size_t onHeader(char *data, size_t size, size_t count, void *userdata)
    {
        auto *s = static_cast<State *>(userdata);
        const std::size_t n = size * count;
        const bool blankLine = (n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n');
        if (blankLine) {
            long code = 0;
            curl_easy_getinfo(s->easy, CURLINFO_RESPONSE_CODE, &code);
            // Interim answers (100 Continue, 102 Processing) are no reply.
            if (code >= 200) {
                s->headDone = true;
                s->code = code;
            }
        }
        return n;
    }

    Result finishResult() const
    {
        if (failed(sourceError))
            return sourceError;
        if (finishCode != CURLE_OK)
            return fromCurl(finishCode);
        return Result::InvalidServerResponse;
    }
};

InetSession::InetSession(const QByteArray &agent, Timeouts timeouts, Wait *wait) :
    m_agent(agent), m_timeouts(timeouts), m_wait(wait)
{
    if (!curlReady()) {
        m_result = Result::InternalError;
        return;
    }
    m_multi = curl_multi_init();
    if (!m_multi)
        m_result = Result::NotEnoughMemory;
}

InetSession::~InetSession()
{
    if (m_multi)
        curl_multi_cleanup(static_cast<CURLM *>(m_multi));
}

InetConnection::InetConnection(InetSession &session, const QByteArray &host, std::uint16_t port,
                               Scheme scheme) :
    m_session(session), m_host(host), m_port(port), m_scheme(scheme)
{
    if (failed(session.result()))
        m_result = misuse();
    else if (host.isEmpty() || port == 0)
        m_result = Result::InvalidParameter;
}

InetConnection::~InetConnection() = default;

InetRequest::InetRequest(InetConnection &connection, const QByteArray &verb, const QByteArray &path) :
    m_connection(connection),
    m_verb(verb),
    m_path(path.isEmpty() ? QByteArray("/") : path),
    m_state(std::make_unique<State>())
{
    State &s = *m_state;
    if (failed(connection.result())) {
        m_result = misuse();
        s.phase = State::Failed;
        return;
    }
    s.wait = connection.m_session.m_wait;
    s.easy = curl_easy_init();
    s.url = curl_url();
    if (!s.easy || !s.url) {
        m_result = Result::NotEnoughMemory;
        s.phase = State::Failed;
        return;
    }
    const QByteArray port = QByteArray::number(connection.m_port);
    const char *scheme = connection.m_scheme == Scheme::Https ? "https" : "http";
    if (curl_url_set(s.url, CURLUPART_SCHEME, scheme, 0) != CURLUE_OK
        || curl_url_set(s.url, CURLUPART_HOST, connection.m_host.constData(), 0) != CURLUE_OK
        || curl_url_set(s.url, CURLUPART_PORT, port.constData(), 0) != CURLUE_OK
        || curl_url_set(s.url, CURLUPART_PATH, m_path.constData(), 0) != CURLUE_OK) {
        m_result = Result::InvalidUrl;
        s.phase = State::Failed;
        return;
    }
    // libcurl would announce these on its own; the request carries only what
    // its caller adds.
    for (const char *line : {"Expect:", "Accept:"}) {
        curl_slist *next = curl_slist_append(s.headers, line);
        if (!next) {
            m_result = Result::NotEnoughMemory;
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
    // Stopped, failed or left unread: whatever the kernel holds goes nowhere.
    s.abandoned = s.attached && !s.finished;
    if (s.attached)
        curl_multi_remove_handle(static_cast<CURLM *>(m_connection.m_session.m_multi), s.easy);
    if (s.easy)
        curl_easy_cleanup(s.easy);
    curl_url_cleanup(s.url);
    curl_slist_free_all(s.headers);
    curl_slist_free_all(s.proxyHeaders);
}

Result InetRequest::fail(Result hr)
{
    m_state->phase = State::Failed;
    return hr;
}

Result InetRequest::addHeader(const QByteArray &line)
{
    State &s = *m_state;
    if (s.phase != State::Open || line.contains('\r') || line.contains('\n'))
        return misuse();
    curl_slist *next = curl_slist_append(s.headers, line.constData());
    if (!next)
        return Result::NotEnoughMemory;
    s.headers = next;
    return Result::Ok;
}

Result InetRequest::send(std::uint64_t length, BodySource source)
{
    State &s = *m_state;
    if (s.phase != State::Open || !source)
        return misuse();
    const InetSession &session = m_connection.m_session;
    const bool secure = m_connection.m_scheme == Scheme::Https;
    const QByteArray proxy =
        systemProxyFor(secure ? "https" : "http", m_connection.m_host, m_connection.m_port, m_path);

    CURL *e = s.easy;
    CURLcode rc = CURLE_OK;
    auto set = [&rc](CURLcode r) {
        if (rc == CURLE_OK)
            rc = r;
    };
    set(curl_easy_setopt(e, CURLOPT_CURLU, s.url));
    set(curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, secure ? "https" : "http"));
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
    // A POST redirected would come back as a GET without the picture.
    set(curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L));
    set(curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L));
    set(curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L));
    set(curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &State::onOpenSocket));
    set(curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &s));
    set(curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &State::onCloseSocket));
    set(curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, &s));
    set(curl_easy_setopt(e, CURLOPT_UPLOAD_BUFFERSIZE, static_cast<long>(kUploadBufferSize)));
    set(curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(session.m_timeouts.connect.count())));
    // Not a byte either way for this long, once connected: the server is gone.
    const auto stall = std::chrono::ceil<std::chrono::seconds>(session.m_timeouts.stall);
    set(curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L));
    set(curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(std::max<long long>(stall.count(), 1))));
    set(curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L));
    set(curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &State::onProgress));
    set(curl_easy_setopt(e, CURLOPT_XFERINFODATA, &s));
    // The server proves who it is, always.
    set(curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L));
    if (!session.m_caFile.isEmpty()) {
        set(curl_easy_setopt(e, CURLOPT_CAINFO, session.m_caFile.constData()));
        set(curl_easy_setopt(e, CURLOPT_CAPATH, static_cast<const char *>(nullptr)));
    }
    if (rc != CURLE_OK)
        return fail(fromCurl(rc));

    s.source = std::move(source);
    s.length = length;
    if (Result hr = fromMulti(curl_multi_add_handle(static_cast<CURLM *>(session.m_multi), e)); failed(hr))
        return fail(hr);
    s.attached = true;
    s.phase = State::Sending;

    // The server may answer before the body is complete (413); its answer
    // stands, and libcurl stops sending.
    if (Result hr = drive([&s] { return s.headDone; }); failed(hr))
        return fail(hr);
    if (!s.headDone)
        return fail(s.finishResult());
    s.phase = State::Ended;
    return Result::Ok;
}

bool InetRequest::bodyDelivered()
{
    State &s = *m_state;
    if (!s.attached)
        return false;
    s.updateAcknowledged();
    return s.acknowledged == s.length;
}

Result InetRequest::status(std::int32_t &code) const
{
    if (m_state->phase != State::Ended)
        return misuse();
    code = static_cast<std::int32_t>(m_state->code);
    return Result::Ok;
}

Result InetRequest::available(std::uint32_t &bytes)
{
    State &s = *m_state;
    if (s.phase != State::Ended)
        return misuse();
    if (s.pieces.empty() && !s.finished) {
        if (Result hr = drive([&s] { return !s.pieces.empty(); }); failed(hr))
            return fail(hr);
    }
    if (s.pieces.empty()) {
        bytes = 0;
        return fromCurl(s.finishCode);
    }
    bytes = static_cast<std::uint32_t>(s.pieces.front().size() - static_cast<qsizetype>(s.pieceOffset));
    return Result::Ok;
}

Result InetRequest::read(char *buffer, std::size_t size, std::size_t &got)
{
    got = 0;
    std::uint32_t ready = 0;
    if (Result hr = available(ready); failed(hr))
        return hr;
    State &s = *m_state;
    if (ready == 0)
        return Result::Ok;
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
            curl_easy_pause(s.easy, CURLPAUSE_CONT);
        }
    }
    return Result::Ok;
}

Result InetRequest::drive(const std::function<bool()> &done)
{
    State &s = *m_state;
    auto *multi = static_cast<CURLM *>(m_connection.m_session.m_multi);
    const auto replyLimit = m_connection.m_session.m_timeouts.reply;
    using Clock = std::chrono::steady_clock;
    auto lastTick = Clock::now();
    // The caller gets its first moment as soon as a wait begins.
    auto nextIdle = lastTick;
    for (;;) {
        int running = 0;
        if (Result hr = fromMulti(curl_multi_perform(multi, &running)); failed(hr))
            return hr;
        int left = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == s.easy) {
                s.finished = true;
                s.finishCode = msg->data.result;
            }
        }
        const bool replyCounts = s.bodyHanded() || s.headDone;
        auto now = Clock::now();
        if (replyCounts)
            s.replyWaited += now - lastTick;
        lastTick = now;
        if (s.finished)
            return Result::Ok;
        // Counted over every wait on the reply, so a trickle cannot renew it.
        if (s.replyWaited >= replyLimit)
            return Result::Timeout;
        // What has arrived wins over a stop asked for in the same instant.
        if (done())
            return Result::Ok;

        if (s.wait && now >= nextIdle) {
            s.wait->idle();
            if (s.wait->stopRequested())
                return Result::Cancelled;
            lastTick = Clock::now();
            if (lastTick - now >= kLongMoment) {
                // Pausing and going on is libcurl's one way to forget how
                // long nothing has moved.
                curl_easy_pause(s.easy, CURLPAUSE_ALL);
                curl_easy_pause(s.easy, s.recvPaused ? CURLPAUSE_RECV : CURLPAUSE_CONT);
            }
            now = lastTick;
            nextIdle = now + Wait::kIdleInterval;
        }
        auto wait = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1));
        if (replyCounts)
            wait = std::min<Clock::duration>(wait, replyLimit - s.replyWaited);
        if (s.wait)
            wait = std::min<Clock::duration>(wait, nextIdle - now);
        const auto waitMs = std::clamp<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(wait).count(), 1, 1000);
        if (Result hr = fromMulti(curl_multi_poll(multi, nullptr, 0, static_cast<int>(waitMs), nullptr));
            failed(hr))
            return hr;
    }
}

} // namespace inet
