#include "core/upload/replygrammar.h"
#include "core/upload/serverreply.h"
#include "recordingpresenter.h"

#include <QRandomGenerator>
#include <QtTest>

using Outcomes = QList<ReplyOutcome>;

namespace {

ReplyOutcome dialog(int mode, const QByteArray &link = {})
{
    return ReplyOutcome::status(mode, link);
}
ReplyOutcome open(const QByteArray &url)
{
    return ReplyOutcome::open(url);
}

} // namespace

class ReplyTest : public QObject
{
    Q_OBJECT

private slots:
    void grammar_data();
    void grammar();
    void unsafeTextOpensNothing_data();
    void unsafeTextOpensNothing();
    void largeAndBinaryPieces_data();
    void largeAndBinaryPieces();

    void piecesAreHandledOneByOne_data();
    void piecesAreHandledOneByOne();
    void openedAddressReachesThePresenter();
    void sendFailure_data();
    void sendFailure();
};

void ReplyTest::grammar_data()
{
    QTest::addColumn<QByteArray>("piece");
    QTest::addColumn<Outcomes>("expected");

    const QByteArray link = "http://dl.example/w/12345";
    QTest::newRow("success with link") << "success*" + link << Outcomes{dialog(0, link)};
    QTest::newRow("success alone") << QByteArray("success") << Outcomes{dialog(0)};
    QTest::newRow("success then only stars") << QByteArray("success**") << Outcomes{dialog(0)};
    QTest::newRow("success link ends at the next star")
        << "success*" + link + "*more" << Outcomes{dialog(0, link)};
    QTest::newRow("a run of stars separates once") << "success***" + link << Outcomes{dialog(0, link)};
    QTest::newRow("leading stars are skipped") << "***success*" + link << Outcomes{dialog(0, link)};
    QTest::newRow("keyword anywhere in the first token") << "OKsuccess!*" + link << Outcomes{dialog(0, link)};
    QTest::newRow("leading white space removed")
        << QByteArray(" \t\r\n\v\fsuccess*L") << Outcomes{dialog(0, "L")};

    QTest::newRow("popup with link") << "popup*" + link << Outcomes{dialog(1, link)};
    QTest::newRow("popup then success before the first star")
        << "popupsuccess*" + link << Outcomes{dialog(1, link), dialog(0)};
    QTest::newRow("popup without link shows nothing") << QByteArray("popup") << Outcomes{};
    QTest::newRow("popup only stars after it") << QByteArray("popup***") << Outcomes{};
    QTest::newRow("popup hides later keywords after the first token")
        << QByteArray("popup*success*error") << Outcomes{dialog(1, "success")};
    QTest::newRow("popup keeps keywords of the first token")
        << QByteArray("popuperror*L") << Outcomes{dialog(1, "L"), dialog(2)};
    QTest::newRow("popup in an address: link, then the address up to the star")
        << QByteArray("http://popup.example/*L") << Outcomes{dialog(1, "L"), open("http://popup.example/")};
    QTest::newRow("popup without link, success after it")
        << QByteArray("popupsuccess") << Outcomes{dialog(0)};

    QTest::newRow("error alone") << QByteArray("error") << Outcomes{dialog(2)};
    QTest::newRow("error with text") << QByteArray("error: the phone number is unknown")
                                     << Outcomes{dialog(2)};
    QTest::newRow("error with star and link") << "error*" + link << Outcomes{dialog(2)};
    QTest::newRow("success and error: success only") << "error success*" + link << Outcomes{dialog(0, link)};

    QTest::newRow("bare address") << link << Outcomes{open(link)};
    QTest::newRow("bare https address")
        << QByteArray("https://dl.example/") << Outcomes{open("https://dl.example/")};
    QTest::newRow("bare address with white space around") << " \t\n" + link + " \r\n" << Outcomes{open(link)};

    QTest::newRow("Success is not a keyword") << "Success*" + link.toUpper() << Outcomes{};
    QTest::newRow("ERROR is not a keyword") << QByteArray("ERROR") << Outcomes{};
    QTest::newRow("POPUP is not a keyword") << QByteArray("POPUP*L") << Outcomes{};
    QTest::newRow("no keyword") << QByteArray("thank you") << Outcomes{};
    QTest::newRow("empty") << QByteArray() << Outcomes{};
    QTest::newRow("only white space") << QByteArray(" \r\n") << Outcomes{};

    QTest::newRow("text ends at the first NUL") << QByteArray("success\0*L", 10) << Outcomes{dialog(0)};
    QTest::newRow("keyword after a NUL is not read") << QByteArray("ok\0error", 8) << Outcomes{};
}

void ReplyTest::grammar()
{
    QFETCH(QByteArray, piece);
    QFETCH(Outcomes, expected);
    const Outcomes actual = outcomesForReplyPiece(piece);
    if (actual != expected)
        qWarning() << "got" << actual << "expected" << expected;
    QCOMPARE(actual, expected);
}

void ReplyTest::unsafeTextOpensNothing_data()
{
    QTest::addColumn<QByteArray>("piece");
    QTest::newRow("local file address") << QByteArray("file:///etc/passwd");
    QTest::newRow("local file address naming http") << QByteArray("file:///srv/http/index.html");
    QTest::newRow("program name then http") << QByteArray("/usr/bin/xterm http");
    QTest::newRow("javascript") << QByteArray("javascript:http");
    QTest::newRow("markup") << QByteArray("<b>http</b>");
    QTest::newRow("scheme without host") << QByteArray("http://");
    QTest::newRow("scheme without slashes") << QByteArray("http:dl.example");
    QTest::newRow("other scheme starting with http") << QByteArray("httpx://dl.example/");
    QTest::newRow("address then a command") << QByteArray("http://dl.example/ & rm -rf ~");
    QTest::newRow("control byte inside") << QByteArray("http://dl.example/\x01x");
    QTest::newRow("address behind text") << QByteArray("see http://dl.example/");
}

void ReplyTest::unsafeTextOpensNothing()
{
    QFETCH(QByteArray, piece);
    const Outcomes actual = outcomesForReplyPiece(piece);
    QVERIFY2(actual.isEmpty(), qPrintable(QDebug::toString(actual)));
}

void ReplyTest::largeAndBinaryPieces_data()
{
    QTest::addColumn<QByteArray>("piece");
    QTest::addColumn<qsizetype>("linkSize"); // -1: only "does not crash"

    const qsizetype tenMegabytes = 10 * 1024 * 1024;
    QTest::newRow("10 MB link") << "success*" + QByteArray(tenMegabytes, 'x') << tenMegabytes;
    QByteArray withNul = "success*" + QByteArray(tenMegabytes, 'y');
    withNul[withNul.size() / 2] = '\0';
    QTest::newRow("10 MB link cut by a NUL") << withNul << withNul.size() / 2 - 8;
    QTest::newRow("10 MB of stars") << QByteArray(tenMegabytes, '*') << qsizetype(-1);

    QByteArray binary(tenMegabytes, Qt::Uninitialized);
    QRandomGenerator random(20260112);
    for (char &c : binary)
        c = char(random.bounded(256));
    QTest::newRow("10 MB of random bytes") << binary << qsizetype(-1);
}

void ReplyTest::largeAndBinaryPieces()
{
    QFETCH(QByteArray, piece);
    QFETCH(qsizetype, linkSize);
    const Outcomes actual = outcomesForReplyPiece(piece);
    if (linkSize >= 0) {
        QCOMPARE(actual.size(), 1);
        QCOMPARE(actual.constFirst().mode, 0);
        QCOMPARE(actual.constFirst().link.size(), linkSize);
    }
}

void ReplyTest::piecesAreHandledOneByOne_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<RecordingPresenter::Status>>("expected");

    using S = RecordingPresenter::Status;
    QTest::newRow("two pieces, two dialogs")
        << QList<QByteArray>{"success*L", "error"} << QList<S>{{0, "L"}, {2, {}}};
    QTest::newRow("keyword split over two pieces") << QList<QByteArray>{"succ", "ess*L"} << QList<S>{};
    QTest::newRow("link in the second piece is not joined")
        << QList<QByteArray>{"success*", "L"} << QList<S>{{0, {}}};
    QTest::newRow("popup then success, in order")
        << QList<QByteArray>{"popupsuccess*L"} << QList<S>{{1, "L"}, {0, {}}};
    QTest::newRow("a mode asked again is not shown again")
        << QList<QByteArray>{"error", "success*L", "error", "success*M", "popup*P"}
        << QList<S>{{2, {}}, {0, "L"}, {1, "P"}};
}

void ReplyTest::piecesAreHandledOneByOne()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<RecordingPresenter::Status>, expected);
    RecordingPresenter presenter;
    ServerReply reply(presenter);
    const ReplyPieceHandler handler = reply.handler();
    for (const QByteArray &piece : pieces)
        handler(piece);
    QCOMPARE(presenter.statusDialogs, expected);
    QVERIFY(presenter.openedUrls.isEmpty());
    QVERIFY(reply.anyPieceSeen());
}

void ReplyTest::openedAddressReachesThePresenter()
{
    RecordingPresenter presenter;
    ServerReply reply(presenter);
    reply.handler()("  https://dl.example/get?id=7&k=%41 \n");
    reply.handler()("https://dl.example/again");
    QCOMPARE(presenter.openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://dl.example/get?id=7&k=%41"))});
    QVERIFY(presenter.statusDialogs.isEmpty());
}

void ReplyTest::sendFailure_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("errorDialogs");
    QTest::newRow("no reply: error dialog") << QList<QByteArray>{} << 1;
    QTest::newRow("reply read: the reply stands") << QList<QByteArray>{"thank you"} << 0;
}

void ReplyTest::sendFailure()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, errorDialogs);
    RecordingPresenter presenter;
    ServerReply reply(presenter);
    for (const QByteArray &piece : pieces)
        reply.handlePiece(piece);
    QCOMPARE(reply.anyPieceSeen(), !pieces.isEmpty());
    reply.reportSendFailure();
    reply.reportSendFailure();
    QCOMPARE(presenter.statusDialogs.size(), errorDialogs);
    for (const RecordingPresenter::Status &status : std::as_const(presenter.statusDialogs))
        QCOMPARE(status, (RecordingPresenter::Status{2, {}}));
}

QTEST_GUILESS_MAIN(ReplyTest)
#include "tst_reply.moc"
