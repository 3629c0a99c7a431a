#include "core/http/CFormPoster.h"
#include "core/http/CPostForm.h"
#include "core/platform/crtrandom.h"
#include "core/platform/inet.h"
#include "core/platform/wait.h"
#include "core/platform/winerror.h"
#include "lacking.h"

#include "../support/captureserver.h"
#include "../support/testfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <thread>

using namespace pictovane;

using Mode = CaptureServer::Mode;

Q_DECLARE_METATYPE(CaptureServer::Mode)

namespace {

const char kHost[] = "upload.test.example";
const char kPath[] = "/wallpapers/upload3.php";

QByteArray patternBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// A body source that gives `bytes`, at most `step` at a time.
inet::BodySource bytesSource(QByteArray bytes, std::size_t step = 1 << 20)
{
    return [bytes, at = qsizetype(0), step](char *buffer, std::size_t size, std::size_t &got) mutable {
        got = std::min({size, step, std::size_t(bytes.size() - at)});
        std::memcpy(buffer, bytes.constData() + at, got);
        at += qsizetype(got);
        return Result::Ok;
    };
}

// A loopback port with nothing listening on it.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QByteArray boundaryOf(const QByteArray &head)
{
    const QRegularExpression re(QStringLiteral("boundary=(\\S+)\\r\\n"));
    return re.match(QString::fromLatin1(head)).captured(1).toLatin1();
}

// The body as golden-body.txt keeps it for review: the boundary named, CR
// marked, every byte outside printable ASCII (and "<") in hex.
QByteArray reviewable(const QByteArray &body, const QByteArray &boundary)
{
    QByteArray text;
    for (const char c : body) {
        if (c == '\r')
            text += "<CR>";
        else if (c == '\n' || (c >= ' ' && c < 0x7F && c != '<'))
            text += c;
        else
            text += '<' + QByteArray::number(uchar(c), 16).rightJustified(2, '0') + '>';
    }
    return text.replace(boundary, "<boundary>");
}

// The body as the format lays it out, with the file bytes read here.
QByteArray expectedBody(const CPostForm &form, const QByteArray &b)
{
    QByteArray body;
    for (const FormField &f : form.m_fields)
        body += CFormPoster::MakeFieldHeader(b, f.name) + f.value + "\r\n";
    for (const FormFile &f : form.m_files) {
        QFile file(QString::fromLocal8Bit(f.path));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        body += CFormPoster::MakeFileHeader(b, f.name, f.path, f.contentType) + file.readAll() + "\r\n";
    }
    return body + CFormPoster::MakeClosingBoundary(b);
}

struct Outcome
{
    Result hr = Result::Ok;
    PostStatus status;
    QList<QByteArray> pieces;
};

Outcome post(CPostForm &form, inet::Timeouts timeouts = kTestTimeouts, std::atomic<bool> *pieceSeen = nullptr,
             Wait *wait = nullptr)
{
    Outcome out;
    CFormPoster poster(
        [&out, pieceSeen](QByteArrayView piece) {
            out.pieces.append(piece.toByteArray());
            if (pieceSeen)
                *pieceSeen = true;
        },
        timeouts, wait);
    out.hr = poster.Send(form, out.status);
    return out;
}

CPostForm formTo(const char *host = kHost)
{
    CPostForm form;
    form.m_strHost = host;
    form.m_strPath = kPath;
    return form;
}

} // namespace

class HttpTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void boundaryComesFromTheSharedSequence_data();
    void boundaryComesFromTheSharedSequence();
    void bodySizeAddsUpItsParts_data();
    void bodySizeAddsUpItsParts();
    void addKeepsOrderAndNullsBecomeEmpty();
    void setUrl_data();
    void setUrl();
    void setUploadUrl_data();
    void setUploadUrl();

    void goldenRequest();
    void bytesOnTheWire_data();
    void bytesOnTheWire();
    void faults_data();
    void faults();
    void waitDuringAnUpload_data();
    void waitDuringAnUpload();
    void replyHasAnOverallLimit_data();
    void replyHasAnOverallLimit();
    void https_data();
    void https();
    void fileChangesSizeWhileSending_data();
    void fileChangesSizeWhileSending();
    void endlessReplyIsCut();
    void shippedLimitsWaitOutAPatientServer_data();
    void shippedLimitsWaitOutAPatientServer();
    void layerReadsTheWholeReply_data();
    void layerReadsTheWholeReply();
    void layerRefusesMisuse_data();
    void layerRefusesMisuse();
    void unresolvableHost();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCwd;
};

void HttpTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
}

void HttpTest::cleanup()
{
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
}

void HttpTest::boundaryComesFromTheSharedSequence_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 1") << 1u;
    QTest::newRow("seed 0") << 0u;
    QTest::newRow("a time of day") << 1765152000u;
}

void HttpTest::boundaryComesFromTheSharedSequence()
{
    QFETCH(quint32, seed);
    crtrandom::srand(seed);
    int draws[3];
    for (int &d : draws)
        d = crtrandom::rand();
    crtrandom::srand(seed);
    const QByteArray boundary = CFormPoster::MakeBoundary();

    QCOMPARE(boundary.size(), 39);
    QVERIFY(QRegularExpression(QStringLiteral("^-{27}([0-7][0-9A-F]{3}){3}$"))
                .match(QString::fromLatin1(boundary))
                .hasMatch());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(boundary.mid(27 + 4 * i, 4).toInt(nullptr, 16), draws[i]);
    // The next boundary continues the sequence instead of repeating it.
    QVERIFY(CFormPoster::MakeBoundary() != boundary);
}

void HttpTest::bodySizeAddsUpItsParts_data()
{
    // Files are written to the test's folder; sizes by the format's own
    // arithmetic: 88 + |N| + |V| per field, 117 + |N| + |P| + |T| + size per
    // file, 45 for the closing delimiter.
    QTest::addColumn<QList<QByteArrayList>>("fields");
    QTest::addColumn<QList<QByteArrayList>>("files"); // name, path, type, size
    QTest::newRow("nothing at all") << QList<QByteArrayList>{} << QList<QByteArrayList>{};
    QTest::newRow("field a = b") << QList<QByteArrayList>{{"a", "b"}} << QList<QByteArrayList>{};
    QTest::newRow("empty value") << QList<QByteArrayList>{{"name", ""}} << QList<QByteArrayList>{};
    QTest::newRow("empty file") << QList<QByteArrayList>{}
                                << QList<QByteArrayList>{{"f", "e.gif", "gif", "0"}};
    QTest::newRow("quotes, CR and LF counted as they are")
        << QList<QByteArrayList>{{"n\"a\r\nme", "v\"\r\n\""}}
        << QList<QByteArrayList>{{"f\"", "q\"x.bin", "t\r\nX", "5"}};
    QTest::newRow("same name twice") << QList<QByteArrayList>{{"a", "1"}, {"a", "22"}}
                                     << QList<QByteArrayList>{};
    QTest::newRow("file of 8193 bytes") << QList<QByteArrayList>{{"sms", "555"}}
                                        << QList<QByteArrayList>{{"file_data", "b.bin", "bmp", "8193"}};
    QTest::newRow("missing file counts as empty")
        << QList<QByteArrayList>{} << QList<QByteArrayList>{{"f", "absent.gif", "gif", "missing"}};
}

void HttpTest::bodySizeAddsUpItsParts()
{
    QFETCH(QList<QByteArrayList>, fields);
    QFETCH(QList<QByteArrayList>, files);
    CPostForm form;
    quint64 expected = 45;
    for (const QByteArrayList &f : fields) {
        form.AddField(f[0].constData(), f[1].constData());
        expected += 88 + f[0].size() + f[1].size();
    }
    for (const QByteArrayList &f : files) {
        form.AddFile(f[0].constData(), f[1].constData(), f[2].constData());
        const qint64 size = f[3] == "missing" ? 0 : f[3].toLongLong();
        if (f[3] != "missing")
            writeFile(QString::fromLatin1(f[1]), patternBytes(size));
        expected += 117 + f[0].size() + f[1].size() + f[2].size() + size;
    }
    crtrandom::srand(7);
    const QByteArray boundary = CFormPoster::MakeBoundary();
    QCOMPARE(CFormPoster::BodySize(form, boundary), expected);
    QCOMPARE(CFormPoster::MakeContentTypeHeader(boundary).size(), 83);
}

void HttpTest::addKeepsOrderAndNullsBecomeEmpty()
{
    CPostForm form;
    form.AddFile("f", nullptr, "gif");
    form.AddField("b", "2");
    form.AddField(nullptr, nullptr);
    form.AddField("b", "3");
    QCOMPARE(form.m_files.size(), 1);
    QCOMPARE(form.m_files[0].path, QByteArray());
    const QByteArrayList names{form.m_fields[0].name, form.m_fields[1].name, form.m_fields[2].name};
    QCOMPARE(names, (QByteArrayList{"b", "", "b"}));
    QCOMPARE(form.m_fields[2].value, QByteArray("3"));
}

void HttpTest::setUrl_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("plain http") << QByteArray("http://up.example/wallpapers/upload3.php") << true
                                << QByteArray("up.example") << QByteArray("/wallpapers/upload3.php");
    QTest::newRow("explicit port 80") << QByteArray("http://up.example:80/w/u.php") << true
                                      << QByteArray("up.example") << QByteArray("/w/u.php");
    QTest::newRow("https") << QByteArray("https://up.example/w/u.php") << false << QByteArray()
                           << QByteArray();
    QTest::newRow("scheme in capitals")
        << QByteArray("HTTP://up.example/w") << false << QByteArray() << QByteArray();
    QTest::newRow("port 8080") << QByteArray("http://up.example:8080/w") << false << QByteArray()
                               << QByteArray();
    QTest::newRow("user") << QByteArray("http://me@up.example/w") << false << QByteArray() << QByteArray();
    QTest::newRow("user and password")
        << QByteArray("http://me:pw@up.example/w") << false << QByteArray() << QByteArray();
    QTest::newRow("query") << QByteArray("http://up.example/w?x=1") << false << QByteArray() << QByteArray();
    QTest::newRow("fragment") << QByteArray("http://up.example/w#top") << false << QByteArray()
                              << QByteArray();
    QTest::newRow("not a URL") << QByteArray("http://") << false << QByteArray() << QByteArray();
}

void HttpTest::setUrl()
{
    QFETCH(QByteArray, url);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, path);
    CPostForm form;
    QCOMPARE(form.SetUrl(url.constData()), accepted);
    QCOMPARE(form.m_strHost, host);
    QCOMPARE(form.m_strPath, path);
}

void HttpTest::setUploadUrl_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("secure");
    QTest::newRow("https, its own port")
        << QByteArray("https://up.example/w/u.php") << true << QByteArray("up.example") << 443 << true;
    QTest::newRow("https on 8443") << QByteArray("https://up.example:8443/w") << true
                                   << QByteArray("up.example") << 8443 << true;
    QTest::newRow("http on 8080") << QByteArray("http://127.0.0.1:8080/w") << true << QByteArray("127.0.0.1")
                                  << 8080 << false;
    QTest::newRow("IPv6 host") << QByteArray("http://[::1]:81/w") << true << QByteArray("[::1]") << 81
                               << false;
    QTest::newRow("ftp") << QByteArray("ftp://up.example/w") << false << QByteArray() << 80 << false;
    QTest::newRow("port 0") << QByteArray("http://up.example:0/w") << false << QByteArray() << 80 << false;
    QTest::newRow("port past 65535") << QByteArray("http://up.example:65536/w") << false << QByteArray() << 80
                                     << false;
    QTest::newRow("query") << QByteArray("https://up.example/w?x=1") << false << QByteArray() << 80 << false;
}

void HttpTest::setUploadUrl()
{
    QFETCH(QByteArray, url);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, host);
    QFETCH(int, port);
    QFETCH(bool, secure);
    CPostForm form;
    QCOMPARE(form.SetUploadUrl(url.constData()), accepted);
    QCOMPARE(form.m_strHost, host);
    QCOMPARE(int(form.m_nPort), port);
    QCOMPARE(form.m_bSecure, secure);
}

void HttpTest::goldenRequest()
{
    const QString data = QStringLiteral(PICTOVANE_SOURCE_DIR "/tests/data/");
    QFile golden(data + QStringLiteral("golden-body.bin"));
    QVERIFY(golden.open(QIODevice::ReadOnly));
    QFile goldenHead(data + QStringLiteral("golden-head.txt"));
    QVERIFY(goldenHead.open(QIODevice::ReadOnly));

    writeFile(QStringLiteral("a.gif"), [] {
        QByteArray bytes;
        for (int i = 0; i < 300; ++i)
            bytes.append(static_cast<char>(i % 256));
        return bytes;
    }());
    CPostForm form = formTo();
    form.AddFile("file_data", "a.gif", "gif");
    form.AddField("sms", "5551234");
    form.AddField("image_name", "say \"hi\"\r\nnow");
    form.AddField("empty", "");

    CaptureServer server({});
    useProxy(server.proxyUrl());
    crtrandom::srand(1);
    const Outcome out = post(form);
    server.finish();

    QCOMPARE(out.hr, Result::Ok);
    QCOMPARE(server.body(), golden.readAll());
    QFile goldenText(data + QStringLiteral("golden-body.txt"));
    QVERIFY(goldenText.open(QIODevice::ReadOnly));
    QCOMPARE(reviewable(server.body(), boundaryOf(server.head())), goldenText.readAll());
    // Line by line, as the file keeps them without CR.
    QCOMPARE(server.head().split('\n'), goldenHead.readAll().replace("\n", "\r\n").split('\n'));
}

void HttpTest::bytesOnTheWire_data()
{
    QTest::addColumn<QList<QByteArrayList>>("fields");
    QTest::addColumn<QList<qint64>>("fileSizes");
    QTest::addColumn<bool>("fieldAfterFile");
    using F = QList<QByteArrayList>;
    using S = QList<qint64>;
    QTest::newRow("no fields") << F{} << S{100} << false;
    QTest::newRow("no files") << F{{"a", "b"}, {"c", "d"}} << S{} << false;
    QTest::newRow("nothing at all") << F{} << S{} << false;
    QTest::newRow("empty value") << F{{"empty", ""}} << S{10} << false;
    QTest::newRow("empty file") << F{{"a", "b"}} << S{0} << false;
    QTest::newRow("file of 8191 bytes") << F{{"a", "b"}} << S{8191} << false;
    QTest::newRow("file of 8192 bytes") << F{{"a", "b"}} << S{8192} << false;
    QTest::newRow("file of 8193 bytes") << F{{"a", "b"}} << S{8193} << false;
    QTest::newRow("file of 16384 bytes") << F{{"a", "b"}} << S{16384} << false;
    QTest::newRow("two files around the gather size") << F{} << S{256 * 1024 - 1, 256 * 1024 + 1} << false;
    QTest::newRow("values with quotes, CR and LF") << F{{"q\"n", "\"v\"\r\n\r\n--x"}} << S{5} << false;
    QTest::newRow("field added after a file") << F{{"late", "value"}} << S{300} << true;
    QTest::newRow("large value beyond every buffer")
        << F{{"big", patternBytes(3 * 256 * 1024 + 17)}} << S{} << false;
}

void HttpTest::bytesOnTheWire()
{
    QFETCH(QList<QByteArrayList>, fields);
    QFETCH(QList<qint64>, fileSizes);
    QFETCH(bool, fieldAfterFile);

    CPostForm form = formTo();
    auto addFiles = [&] {
        for (int i = 0; i < fileSizes.size(); ++i) {
            const QByteArray name = "f" + QByteArray::number(i) + ".bin";
            writeFile(QString::fromLatin1(name), patternBytes(fileSizes[i]));
            form.AddFile("file_data", name.constData(), "bmp");
        }
    };
    if (fieldAfterFile)
        addFiles();
    for (const QByteArrayList &f : fields)
        form.AddField(f[0].constData(), f[1].constData());
    if (!fieldAfterFile)
        addFiles();

    CaptureServer server({});
    useProxy(server.proxyUrl());
    const Outcome out = post(form);
    server.finish();

    QCOMPARE(out.hr, Result::Ok);
    QCOMPARE(out.status.httpStatus, 200);
    const QByteArray boundary = boundaryOf(server.head());
    QCOMPARE(boundary.size(), 39);
    QCOMPARE(server.body().size(), server.contentLength());
    QCOMPARE(quint64(server.contentLength()), CFormPoster::BodySize(form, boundary));
    QCOMPARE(server.body(), expectedBody(form, boundary));
    QCOMPARE(out.pieces, QList<QByteArray>{"ok"});
}

void HttpTest::faults_data()
{
    QTest::addColumn<QString>("peer"); // "capture", "closed port", "no host"
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("file"); // "big", "small" or "missing"
    QTest::addColumn<Result>("expected");
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QList<QByteArray>>("pieces");

    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    auto answer = [](int code, const char *reason, const QByteArray &body, const QByteArray &extra = {}) {
        return "HTTP/1.1 " + QByteArray::number(code) + " " + reason + "\r\n" + extra + "Content-Length: "
               + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    };
    const Result ok0 = Result::Ok;
    using P = QList<QByteArray>;

    QTest::newRow("connection refused")
        << "closed port" << Mode::Answer << ok << QByteArray("small") << Result::CannotConnect << -1 << P{};
    QTest::newRow("no host name") << "no host" << Mode::Answer << ok << QByteArray("small")
                                  << Result::InvalidParameter << -1 << P{};
    QTest::newRow("server resets mid-body")
        << "capture" << Mode::ResetMidBody << ok << QByteArray("big") << Result::ConnectionReset << -1 << P{};
    QTest::newRow("413 before the body is done")
        << "capture" << Mode::AnswerBeforeBody << answer(413, "Too Large", "error") << QByteArray("big")
        << ok0 << 413 << P{"error"};
    QTest::newRow("302 is not followed")
        << "capture" << Mode::Answer
        << answer(302, "Found", "moved", "Location: http://elsewhere.example/\r\n") << QByteArray("small")
        << ok0 << 302 << P{"moved"};
    QTest::newRow("404 handed on") << "capture" << Mode::Answer << answer(404, "Not Found", "gone")
                                   << QByteArray("small") << ok0 << 404 << P{"gone"};
    QTest::newRow("500 handed on") << "capture" << Mode::Answer << answer(500, "Oops", "error")
                                   << QByteArray("small") << ok0 << 500 << P{"error"};
    QTest::newRow("empty reply") << "capture" << Mode::CloseWithoutAnswer << ok << QByteArray("small")
                                 << Result::InvalidServerResponse << -1 << P{};
    QTest::newRow("reply in two pieces, the second later")
        << "capture" << Mode::AnswerInTwoPieces
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 18\r\n\r\nsuccess*http://a/b")
        << QByteArray("small") << ok0 << 200 << P{"success*h", "ttp://a/b"};
    QTest::newRow("stall") << "capture" << Mode::Stall << ok << QByteArray("small") << Result::Timeout << -1
                           << P{};
    QTest::newRow("missing file") << "capture" << Mode::Answer << ok << QByteArray("missing")
                                  << Result::FileNotFound << -1 << P{};
}

void HttpTest::faults()
{
    QFETCH(QString, peer);
    QFETCH(Mode, mode);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, file);
    QFETCH(Result, expected);
    QFETCH(int, httpStatus);
    QFETCH(QList<QByteArray>, pieces);

    if (file == "big")
        writeFile(QStringLiteral("a.bmp"), patternBytes(16 * 1024 * 1024));
    else if (file == "small")
        writeFile(QStringLiteral("a.bmp"), patternBytes(1000));
    CPostForm form = formTo(peer == "no host" ? "" : kHost);
    form.AddField("sms", "555");
    form.AddFile("file_data", "a.bmp", "bmp");

    CaptureServer::Script script;
    script.mode = mode;
    // The second piece leaves only once the first has been handed on.
    std::atomic<bool> firstPieceSeen{false};
    if (mode == Mode::AnswerInTwoPieces) {
        script.gate = &firstPieceSeen;
        script.reply = reply.left(reply.size() - 9);
        script.secondPiece = reply.right(9);
    } else {
        script.reply = reply;
    }
    CaptureServer server(script);
    useProxy(peer == "closed port" ? "http://127.0.0.1:" + QByteArray::number(closedPort())
                                   : server.proxyUrl());

    // Short only where the stall is the point, so a busy machine cannot
    // turn another row into a timeout.
    inet::Timeouts timeouts;
    if (mode == Mode::Stall)
        timeouts.stall = std::chrono::seconds(1);
    const Outcome out = post(form, timeouts, &firstPieceSeen);
    if (peer == "capture")
        server.finish();

    QCOMPARE(out.hr, expected);
    QCOMPARE(out.status.httpStatus, httpStatus);
    QCOMPARE(out.pieces.join('|'), pieces.join('|'));
    if (peer == "capture") {
        QCOMPARE(server.connections(), 1);
        if (file == "missing") {
            // At most the fields and the file's header block went out (the
            // layer may still have held them back), and nothing after.
            const QByteArray b = boundaryOf(server.head());
            const QByteArray upToHeader = CFormPoster::MakeFieldHeader(b, "sms") + "555\r\n"
                                          + CFormPoster::MakeFileHeader(b, "file_data", "a.bmp", "bmp");
            QVERIFY(upToHeader.startsWith(server.body()));
            QVERIFY(server.body().size() < server.contentLength());
        }
    } else {
        QCOMPARE(server.connections(), 0);
    }
}

namespace {

// A caller's wait that records what the layer tells it and stops when told.
struct RecordingWait : Wait
{
    QList<std::uint64_t> sentSeen;
    std::uint64_t total = 0;
    int idles = 0;
    // Asked at each idle(): whether the user asks to stop now.
    std::function<bool(const RecordingWait &)> stopWhen;
    bool stop = false;
    QElapsedTimer sinceStop;

    void idle() override
    {
        ++idles;
        if (!stop && stopWhen && stopWhen(*this)) {
            stop = true;
            sinceStop.start();
        }
    }
    bool stopRequested() const override { return stop; }
    void sent(std::uint64_t done, std::uint64_t all) override
    {
        sentSeen << done;
        total = all;
    }
};

} // namespace

void HttpTest::waitDuringAnUpload_data()
{
    QTest::addColumn<QString>("stopAt"); // "never", "body", "head", "reply"
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<int>("answerDelayMs");
    QTest::addColumn<qint64>("readRate"); // bytes a second, 0: as they come
    QTest::newRow("slow server, no stop") << "never" << qint64(8 << 20) << 0 << qint64(0);
    QTest::newRow("stop during the body") << "body" << qint64(64 << 20) << 0 << qint64(0);
    QTest::newRow("stop while waiting for the head") << "head" << qint64(1000) << 2000 << qint64(0);
    QTest::newRow("stop as the reply arrives") << "reply" << qint64(1000) << 0 << qint64(0);
    // The kernels on both sides would hold much of it; the bar shows only
    // what the server has.
    QTest::newRow("slow uplink, the bar keeps to the server")
        << "never" << qint64(1 << 20) << 0 << qint64(1 << 20);
}

void HttpTest::waitDuringAnUpload()
{
    QFETCH(QString, stopAt);
    QFETCH(qint64, fileSize);
    QFETCH(int, answerDelayMs);
    QFETCH(qint64, readRate);
    writeFile(QStringLiteral("a.bmp"), patternBytes(fileSize));
    CPostForm form = formTo();
    form.AddField("sms", "555");
    form.AddFile("file_data", "a.bmp", "bmp");

    // The server takes the body only after a few of the caller's moments,
    // and not at all when the stop is to come in the middle of it.
    std::atomic<bool> gate{readRate > 0
                           || (stopAt != QLatin1String("never") && stopAt != QLatin1String("body"))};
    CaptureServer::Script script;
    script.gate = &gate;
    script.answerDelay = std::chrono::milliseconds(answerDelayMs);
    script.readRate = readRate;
    script.receiveBuffer = readRate > 0 ? 16384 : 0;
    CaptureServer server(script);
    useProxy(server.proxyUrl());

    RecordingWait wait;
    double lead = 0; // of the bar over the server's share
    wait.stopWhen = [&](const RecordingWait &w) {
        if (!w.sentSeen.isEmpty())
            lead = std::max(lead, double(w.sentSeen.last()) / w.total - double(server.received()) / w.total);
        if (w.idles >= 5 && stopAt == QLatin1String("never"))
            gate = true;
        if (stopAt == QLatin1String("body"))
            return !w.sentSeen.isEmpty();
        if (stopAt == QLatin1String("head") || stopAt == QLatin1String("reply"))
            return !w.sentSeen.isEmpty() && w.sentSeen.last() == w.total;
        return false;
    };
    const Outcome out = post(form, kTestTimeouts, nullptr, &wait);
    if (wait.stop)
        qInfo("%s: the request ended %lld ms after the stop", qPrintable(stopAt),
              qint64(wait.sinceStop.elapsed()));
    gate = true; // the server may read what reached it, and see the end
    server.finish();

    QVERIFY(wait.idles > 0); // the caller could paint while the network waited
    QVERIFY(std::is_sorted(wait.sentSeen.cbegin(), wait.sentSeen.cend()));
    QCOMPARE(wait.total, CFormPoster::BodySize(form, boundaryOf(server.head())));
    const Result stopped = Result::Cancelled;
    if (stopAt == QLatin1String("never")) {
        QCOMPARE(out.hr, Result::Ok);
        QCOMPARE(out.pieces, QList<QByteArray>{"ok"});
        QCOMPARE(wait.sentSeen.last(), wait.total);
        QVERIFY(wait.sentSeen.size() > 4); // it moved, not jumped to the end
        if (readRate > 0)
            qInfo("the bar ran at most %.3f ahead of the server", lead);
        if (readRate > 0)
            QVERIFY2(lead <= 0.1, qPrintable(QStringLiteral("the bar ran %1 ahead").arg(lead)));
    } else if (stopAt == QLatin1String("reply")) {
        // Whichever came first, never both.
        QVERIFY((out.hr == stopped) != !out.pieces.isEmpty());
    } else {
        QCOMPARE(out.hr, stopped);
        QVERIFY(out.pieces.isEmpty());
        QCOMPARE(out.status.httpStatus, -1);
        if (stopAt == QLatin1String("body"))
            QVERIFY(server.body().size() < server.contentLength());
    }
}

void HttpTest::replyHasAnOverallLimit_data()
{
    QTest::addColumn<QByteArray>("trickle");
    QTest::addColumn<Result>("expected");
    QTest::addColumn<bool>("pieces");
    // Each byte restarts the stall limit; only the overall one ends these.
    QTest::newRow("interim heads without end")
        << QByteArray("HTTP/1.1 102 Processing\r\n\r\n") << Result::Timeout << false;
    QTest::newRow("a head, then a body byte by byte")
        << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nsuccess*http://dl.example/w/")
        << Result::Timeout << true;
}

void HttpTest::replyHasAnOverallLimit()
{
    QFETCH(QByteArray, trickle);
    QFETCH(Result, expected);
    QFETCH(bool, pieces);
    CaptureServer::Script script;
    script.mode = Mode::Trickle;
    script.reply = trickle;
    CaptureServer server(std::move(script));
    useProxy(server.proxyUrl());
    CPostForm form = formTo();
    form.AddField("sms", "555");
    inet::Timeouts limits = kTestTimeouts;
    limits.reply = std::chrono::milliseconds(1500);
    const Outcome out = post(form, limits);
    QCOMPARE(out.hr, expected);
    QCOMPARE(!out.pieces.isEmpty(), pieces);
    // Cut short: the trickle would never have ended.
    QVERIFY(out.pieces.join().size() < 250);
}

void HttpTest::https_data()
{
    QTest::addColumn<QString>("certificate");
    QTest::addColumn<bool>("throughProxy");
    QTest::addColumn<Result>("expected");
    const Result refused = Result::InvalidCa;
    QTest::newRow("signed by the trusted authority") << "good" << false << Result::Ok;
    QTest::newRow("through a proxy's CONNECT") << "good" << true << Result::Ok;
    QTest::newRow("another host's name") << "wronghost" << false << refused;
    QTest::newRow("self-signed") << "selfsigned" << false << refused;
    QTest::newRow("expired") << "expired" << false << refused;
}

void HttpTest::https()
{
    QFETCH(QString, certificate);
    QFETCH(bool, throughProxy);
    QFETCH(Result, expected);
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
        SKIP_LACKING("openssl is not installed");
    static QTemporaryDir ca;
    static const bool made =
        QProcess::execute(QStringLiteral(PICTOVANE_SOURCE_DIR "/tests/support/maketestca"), {ca.path()}) == 0;
    QVERIFY2(made, "could not make the test's certificate authority");

    QProcess peer;
    peer.start(QStringLiteral("python3"), {QStringLiteral(PICTOVANE_SOURCE_DIR "/tests/support/tlspeer.py"),
                                           ca.filePath(certificate + QStringLiteral(".pem")),
                                           ca.filePath(certificate + QStringLiteral(".key"))});
    QVERIFY(peer.waitForReadyRead(10000));
    const QList<QByteArray> ports = peer.readLine().trimmed().split(' ');
    QCOMPARE(ports.size(), 2);
    const auto port = quint16(ports[0].toUInt());
    qunsetenv("http_proxy");
    if (throughProxy)
        qputenv("https_proxy", "http://127.0.0.1:" + ports[1]);
    else
        qunsetenv("https_proxy");

    Result hr = Result::Ok;
    std::int32_t code = 0;
    QByteArray reply;
    {
        inet::InetSession session("agent", kTestTimeouts);
        session.trustOnly(ca.filePath(QStringLiteral("ca.pem")).toLocal8Bit());
        inet::InetConnection connection(session, "127.0.0.1", port, inet::Scheme::Https);
        inet::InetRequest request(connection, "POST", kPath);
        if (!failed(hr = request.send(3, bytesSource("abc"))) && !failed(hr = request.status(code))) {
            char buffer[64];
            std::size_t got = 0;
            while (!failed(hr = request.read(buffer, sizeof buffer, got)) && got > 0)
                reply.append(buffer, qsizetype(got));
        }
    }
    qunsetenv("https_proxy");
    peer.kill();
    peer.waitForFinished();
    const QByteArray said = peer.readAll();

    QCOMPARE(hr, expected);
    if (expected == Result::Ok) {
        QCOMPARE(code, 200);
        QCOMPARE(reply, QByteArray("success*L"));
        QVERIFY(said.contains("REQUEST 3"));
        QCOMPARE(said.contains("CONNECT 127.0.0.1:" + ports[0]), throughProxy);
    } else {
        QVERIFY2(!said.contains("REQUEST"), "the body went to a server that proved nothing");
    }
}

void HttpTest::fileChangesSizeWhileSending_data()
{
    QTest::addColumn<qint64>("delta");
    QTest::newRow("file shrinks") << qint64(-1);
    QTest::newRow("file grows") << qint64(1);
}

void HttpTest::fileChangesSizeWhileSending()
{
    QFETCH(qint64, delta);
    const qint64 size = 20000;
    writeFile(QStringLiteral("a.bmp"), patternBytes(size));
    // A value larger than every socket buffer, so the send has to wait for
    // the server while the fields go out, before the file is opened; the
    // file changes during that wait.
    const QByteArray bigValue = patternBytes(32 * 1024 * 1024);
    CPostForm form = formTo();
    form.AddField("big", bigValue.constData());
    form.AddFile("file_data", "a.bmp", "bmp");

    std::atomic<bool> gate{false};
    CaptureServer::Script script;
    script.gate = &gate;
    CaptureServer server(script);
    useProxy(server.proxyUrl());
    const QString path = m_dir->filePath(QStringLiteral("a.bmp"));
    struct ChangeTheFile : Wait
    {
        std::function<void()> change;
        void idle() override { change(); }
    } changer;
    changer.change = [&] {
        if (!gate) {
            writeFile(path, patternBytes(size + delta));
            gate = true;
        }
    };
    const Outcome out = post(form, kTestTimeouts, nullptr, &changer);
    server.finish();

    QVERIFY(gate);
    QCOMPARE(out.hr, Result::IncorrectHandleState);
    QCOMPARE(out.status.httpStatus, -1);
    QVERIFY(out.pieces.isEmpty());
    // Never a complete-looking body: short of its announced length.
    QVERIFY(server.body().size() < server.contentLength());
}

void HttpTest::endlessReplyIsCut()
{
    // No length and no end in sight: only the first mebibyte is read.
    CaptureServer server(
        CaptureServer::replying("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + QByteArray(16 << 20, 'e')));
    useProxy(server.proxyUrl());
    CPostForm form = formTo();
    form.AddField("sms", "1");
    const Outcome out = post(form);
    server.finish();

    QCOMPARE(out.hr, Result::Ok);
    QCOMPARE(out.status.httpStatus, 200);
    const qsizetype read = std::accumulate(out.pieces.cbegin(), out.pieces.cend(), qsizetype(0),
                                           [](qsizetype n, const QByteArray &p) { return n + p.size(); });
    QCOMPARE(read, qsizetype(1048576)); // a mebibyte, not a byte more or less
}

void HttpTest::shippedLimitsWaitOutAPatientServer_data()
{
    QTest::addColumn<bool>("slowConnect");
    QTest::addColumn<int>("bodyDelayMs");
    QTest::addColumn<int>("answerDelayMs");
    QTest::newRow("a connect that takes a second") << true << 0 << 0;
    QTest::newRow("the body read after two seconds") << false << 2000 << 0;
    QTest::newRow("the answer after two seconds") << false << 0 << 2000;
}

void HttpTest::shippedLimitsWaitOutAPatientServer()
{
    QFETCH(bool, slowConnect);
    QFETCH(int, bodyDelayMs);
    QFETCH(int, answerDelayMs);
    CaptureServer::Script script;
    script.slowConnect = slowConnect;
    script.bodyDelay = std::chrono::milliseconds(bodyDelayMs);
    script.answerDelay = std::chrono::milliseconds(answerDelayMs);
    CaptureServer server(std::move(script));
    useProxy(server.proxyUrl());
    // More than the loopback buffers hold, so the sending waits on the server.
    writeFile(QStringLiteral("a.gif"), QByteArray(32 << 20, 'p'));
    CPostForm form = formTo();
    form.AddFile("file_data", "a.gif", "gif");
    QElapsedTimer clock;
    clock.start();
    const Outcome out = post(form, inet::Timeouts{});
    const qint64 took = clock.elapsed();
    server.finish();

    QCOMPARE(out.hr, Result::Ok);
    QCOMPARE(out.pieces.join(), QByteArray("ok"));
    QVERIFY2(took >= 900, "the server did not hold the upload up; the test proves nothing");
}

namespace {

// Sends a three-byte body through the layer and reads the whole reply.
QByteArray exchange(Result &hr, std::int32_t &code)
{
    inet::InetSession session("agent", kTestTimeouts);
    inet::InetConnection connection(session, kHost, 80);
    inet::InetRequest request(connection, "POST", kPath);
    QByteArray reply;
    if (failed(hr = request.send(3, bytesSource("abc"))) || failed(hr = request.status(code)))
        return reply;
    for (;;) {
        std::uint32_t available = 0;
        if (failed(hr = request.available(available)) || available == 0)
            return reply;
        QByteArray piece(available, Qt::Uninitialized);
        std::size_t got = 0;
        if (failed(hr = request.read(piece.data(), available, got)))
            return reply;
        reply += piece.first(qsizetype(got));
    }
}

} // namespace

void HttpTest::layerReadsTheWholeReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("afterBody"); // sent only once the gate opens
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("body");
    // More than the layer holds at once: receiving pauses, and must resume.
    const QByteArray large = patternBytes(3 << 20);
    QTest::newRow("large") << "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(large.size())
                                  + "\r\n\r\n" + large
                           << QByteArray() << 200 << large;
    // An interim answer on its own, the final one only after the body.
    QTest::newRow("100 Continue alone")
        << QByteArray("HTTP/1.1 100 Continue\r\n\r\n")
        << QByteArray("HTTP/1.1 201 Created\r\nContent-Length: 4\r\n\r\ndone") << 201 << QByteArray("done");
}

void HttpTest::layerReadsTheWholeReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, afterBody);
    std::atomic<bool> gate{false};
    CaptureServer::Script script;
    script.mode = CaptureServer::AnswerInTwoPieces;
    script.reply = reply;
    script.secondPiece = afterBody;
    script.gate = &gate;
    CaptureServer server(std::move(script));
    useProxy(server.proxyUrl());
    std::thread opener([&gate] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        gate = true;
    });
    Result hr = Result::Ok;
    std::int32_t code = 0;
    const QByteArray got = exchange(hr, code);
    opener.join();
    server.finish();
    QCOMPARE(hr, Result::Ok);
    QTEST(code, "code");
    QFETCH(QByteArray, body);
    QCOMPARE(got.size(), body.size());
    QVERIFY(got == body);
}

void HttpTest::layerRefusesMisuse_data()
{
    // A body source that gives other than the announced length.
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("step");
    QTest::newRow("shorter than announced") << QByteArray("ab") << 1;
    QTest::newRow("longer, in one go") << QByteArray("abcd") << 8;
    QTest::newRow("longer, byte by byte") << QByteArray("abcd") << 1;
}

void HttpTest::layerRefusesMisuse()
{
    QFETCH(QByteArray, body);
    QFETCH(int, step);
    CaptureServer server({});
    useProxy(server.proxyUrl());
    {
        inet::InetSession session("agent", kTestTimeouts);
        inet::InetConnection connection(session, kHost, 80);
        inet::InetRequest request(connection, "POST", kPath);
        std::int32_t code = 0;
        QCOMPARE(request.status(code), Result::IncorrectHandleState);
        QCOMPARE(request.send(3, bytesSource(body, std::size_t(step))), Result::IncorrectHandleState);
        QCOMPARE(request.addHeader("Late: header"), Result::IncorrectHandleState);
        QCOMPARE(request.send(3, bytesSource("abc")), Result::IncorrectHandleState);
    }
    server.finish();
    // The wrong body never reaches the server as if it were complete.
    QVERIFY(server.body().size() < 3);
    QVERIFY(body.startsWith(server.body()));
    QCOMPARE(server.contentLength(), 3);
}

void HttpTest::unresolvableHost()
{
    // A name lookup must not leave the machine: only inside a private network
    // namespace (no interfaces, so the resolver fails at once) is it safe.
    if (qgetenv("PICTOVANE_ISOLATED_NETWORK") != "1")
        QSKIP("needs a private network namespace; run through the isolated CTest entry");
    qunsetenv("http_proxy");
    qunsetenv("HTTP_PROXY");
    writeFile(QStringLiteral("a.bmp"), patternBytes(10));
    CPostForm form = formTo("upload.test.invalid");
    form.AddFile("file_data", "a.bmp", "bmp");
    const Outcome out = post(form);
    QCOMPARE(out.hr, Result::NameNotResolved);
    QCOMPARE(out.status.httpStatus, -1);
    QVERIFY(out.pieces.isEmpty());
}

QTEST_GUILESS_MAIN(HttpTest)
#include "tst_http.moc"
