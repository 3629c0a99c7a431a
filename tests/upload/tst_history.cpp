// The record of earlier uploads: what the reply's links become, in what
// order, how many, and how a damaged or unwritable file is lived with.
#include "core/app/uploadhistory.h"
#include "core/upload/serverreply.h"
#include "recordingpresenter.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class HistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void newestFirstAndAtMostFifty();
    void damagedFileIsSetAside_data();
    void damagedFileIsSetAside();
    void unwritableFolderIsQuiet();
    void theReplysLinksAreRecorded_data();
    void theReplysLinksAreRecorded();
};

void HistoryTest::newestFirstAndAtMostFifty()
{
    QTemporaryDir dir;
    // A folder that does not exist yet is made.
    const UploadHistory history(dir.filePath(QStringLiteral("new/uploads.json")));
    const QDateTime start(QDate(2026, 12, 8), QTime(9, 30));
    for (int i = 0; i < 52; ++i) {
        QVERIFY(history.add({start.addSecs(i), QStringLiteral("beach %1").arg(i),
                             "http://dl.example/?n=" + QByteArray::number(i) + "&\xe9"}));
    }
    const QList<UploadRecord> entries = history.entries();
    QCOMPARE(entries.size(), 50);
    QCOMPARE(entries.first().title, QStringLiteral("beach 51"));
    QCOMPARE(entries.first().link, QByteArray("http://dl.example/?n=51&\xe9"));
    QCOMPARE(entries.first().when, start.addSecs(51));
    QCOMPARE(entries.last().title, QStringLiteral("beach 2"));

    QVERIFY(history.clear());
    QCOMPARE(history.entries().size(), 0);
}

void HistoryTest::damagedFileIsSetAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("earlierCopies"); // damaged copies set aside before
    QTest::newRow("not JSON") << QByteArray("\x00\x01garbage{", 9) << 0;
    QTest::newRow("not a list") << QByteArray("{\"time\": 1}") << 0;
    QTest::newRow("a record without its link")
        << QByteArray("[{\"time\": \"2026-12-08T09:30:00Z\", \"title\": \"x\"}]") << 0;
    QTest::newRow("two earlier damaged copies stay") << QByteArray("[{") << 2;
}

void HistoryTest::damagedFileIsSetAside()
{
    QFETCH(QByteArray, content);
    QFETCH(int, earlierCopies);
    QTemporaryDir dir;
    const QString path = writeFile(dir.filePath(QStringLiteral("uploads.json")), content);
    const auto copy = [&](int n) {
        return path + QStringLiteral(".damaged") + (n ? QStringLiteral(".%1").arg(n) : QString());
    };
    for (int n = 0; n < earlierCopies; ++n)
        writeFile(copy(n), "earlier " + QByteArray::number(n));
    const UploadHistory history(path);
    QCOMPARE(history.entries().size(), 0);
    for (int n = 0; n < earlierCopies; ++n)
        QCOMPARE(readFile(copy(n)), "earlier " + QByteArray::number(n));
    QCOMPARE(readFile(copy(earlierCopies)), content);
    QVERIFY(history.add({QDateTime::currentDateTime(), QStringLiteral("t"), "http://a.example/"}));
    QCOMPARE(history.entries().size(), 1);
}

void HistoryTest::unwritableFolderIsQuiet()
{
    QTemporaryDir dir;
    // A file where the folder should be: unwritable even for root.
    const QString blocker = writeFile(dir.filePath(QStringLiteral("data")), "a file");
    const UploadHistory history(blocker + QStringLiteral("/uploads.json"));
    QVERIFY(!history.add({QDateTime::currentDateTime(), QStringLiteral("lost"), "http://a.example/2"}));
    QCOMPARE(history.entries().size(), 0);
    QCOMPARE(readFile(blocker), QByteArray("a file"));
}

void HistoryTest::theReplysLinksAreRecorded_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QList<QByteArray>>("recorded");
    QTest::addColumn<bool>("kept"); // what the history answers
    QTest::newRow("success with a link")
        << QByteArray("success*http://a.example/1") << QList<QByteArray>{"http://a.example/1"} << true;
    QTest::newRow("popup with a link")
        << QByteArray("popup*http://a.example/2") << QList<QByteArray>{"http://a.example/2"} << true;
    QTest::newRow("success without a link") << QByteArray("success") << QList<QByteArray>{} << true;
    QTest::newRow("error") << QByteArray("error*http://a.example/3") << QList<QByteArray>{} << true;
    QTest::newRow("a link that could not be kept is told")
        << QByteArray("success*http://a.example/4") << QList<QByteArray>{"http://a.example/4"} << false;
}

void HistoryTest::theReplysLinksAreRecorded()
{
    QFETCH(QByteArray, reply);
    QFETCH(QList<QByteArray>, recorded);
    QFETCH(bool, kept);
    RecordingPresenter presenter;
    ServerReply handling(presenter);
    QList<QByteArray> links;
    handling.setLinkRecorder([&](const QByteArray &link) {
        // Recorded before the dialog shows it.
        [&] { QCOMPARE(presenter.statusDialogs.size(), 0); }();
        links << link;
        return kept;
    });
    handling.handlePiece(reply);
    QCOMPARE(links, recorded);
    QCOMPARE(presenter.statusNotes,
             QStringList(presenter.statusDialogs.size(), kept ? QString() : QLatin1String(kLinkNotKeptText)));
}

QTEST_GUILESS_MAIN(HistoryTest)
#include "tst_history.moc"
