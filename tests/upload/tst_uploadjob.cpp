#include "config.h"
#include "core/http/CFormPoster.h"
#include "core/platform/inet.h"
#include "core/platform/winerror.h"
#include "core/upload/UploadJob.h"
#include "lacking.h"

#include "../support/captureserver.h"
#include "../support/phpserver.h"
#include "../support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

using namespace pictovane;

namespace {

QByteArray pictureBytes(int size)
{
    QByteArray bytes("GIF89a");
    while (bytes.size() < size)
        bytes.append(static_cast<char>((bytes.size() * 31) & 0xFF));
    return bytes;
}

} // namespace

class UploadJobTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanTitle_data();
    void cleanTitle();
    void convertedFile_data();
    void convertedFile();
    void formFieldsInOrder_data();
    void formFieldsInOrder();
    void uploadUrlIsAccepted();
    void realParserReadsTheUpload_data();
    void realParserReadsTheUpload();
    void missingFileStillPosts();
    void sendsNothing();
};

void UploadJobTest::cleanTitle_data()
{
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("each special becomes an underscore") << QByteArray("a &+?|b") << QByteArray("a_____b");
    QTest::newRow("letters, digits, dots, hyphens, high bytes stay")
        << QByteArray("Beach-2.1_\xE9\xFF") << QByteArray("Beach-2.1_\xE9\xFF");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("only specials") << QByteArray("  ") << QByteArray("__");
    QTest::newRow("other punctuation stays") << QByteArray("a=b;c/d%e#") << QByteArray("a=b;c/d%e#");
}

void UploadJobTest::cleanTitle()
{
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, expected);
    cleanPictureTitle(title);
    QCOMPARE(title, expected);
}

void UploadJobTest::convertedFile_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("word");
    QTest::newRow("bitmap") << 0 << QByteArray("a.bmp") << QByteArray("bmp");
    QTest::newRow("jpeg") << 1 << QByteArray("a.jpg") << QByteArray("jpg");
    QTest::newRow("gif") << 2 << QByteArray("a.gif") << QByteArray("gif");
    QTest::newRow("unknown") << 3 << QByteArray() << QByteArray();
    QTest::newRow("negative") << -1 << QByteArray() << QByteArray();
}

void UploadJobTest::convertedFile()
{
    QFETCH(int, type);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, word);
    const auto file = wallpaperTypeFor(type);
    QCOMPARE(file.has_value(), !path.isEmpty());
    if (file) {
        QCOMPARE(QByteArray(file->path), path);
        QCOMPARE(QByteArray(file->contentType), word);
    }
}

void UploadJobTest::formFieldsInOrder_data()
{
    QTest::addColumn<qint32>("carrier");
    QTest::addColumn<qint32>("phone");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QByteArrayList>("texts"); // carrier, phone, size as sent
    QTest::newRow("negative carrier, zero phone")
        << -3 << 0 << qint64(1234) << QByteArrayList{"-3", "0", "1234"};
    QTest::newRow("largest carrier") << INT_MAX << 7 << qint64(0) << QByteArrayList{"2147483647", "7", "0"};
    QTest::newRow("smallest phone") << 1 << INT_MIN << qint64(5) << QByteArrayList{"1", "-2147483648", "5"};
    QTest::newRow("missing file") << 1 << 2 << qint64(-1) << QByteArrayList{"1", "2", "-1"};
}

void UploadJobTest::formFieldsInOrder()
{
    QFETCH(qint32, carrier);
    QFETCH(qint32, phone);
    QFETCH(qint64, size);
    QFETCH(QByteArrayList, texts);
    CPostForm form;
    fillUploadForm(form, *wallpaperTypeFor(1), "/work/a.jpg", "5551234", "123.jpg", "my_title", carrier,
                   phone, "v2", "1000", size);
    QCOMPARE(form.m_files.size(), 1);
    QCOMPARE(form.m_files[0].name, QByteArray("file_data"));
    QCOMPARE(form.m_files[0].path, QByteArray("a.jpg"));
    QCOMPARE(form.m_files[0].contentType, QByteArray("jpg"));
    QByteArrayList sent;
    for (const FormField &f : form.m_fields)
        sent << f.name + "=" + f.value;
    QCOMPARE(sent, (QByteArrayList{"sms=5551234", "file_name=123.jpg", "image_name=my_title",
                                   "carrier_index=" + texts[0], "phone_id=" + texts[1], "version=v2",
                                   "serial=1000", "file_size=" + texts[2]}));
}

void UploadJobTest::uploadUrlIsAccepted()
{
    CPostForm form;
    QVERIFY(form.SetUrl(uploadUrl().constData()));
    QCOMPARE(form.m_strHost, QByteArray(config::kUploadHost));
    QCOMPARE(form.m_strPath, QByteArray("/wallpapers/upload3.php"));
}

void UploadJobTest::realParserReadsTheUpload_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("cleanTitle");
    QTest::addColumn<int>("size");
    QTest::newRow("gif with a plain title") << 2 << QByteArray("beach") << QByteArray("beach") << 5000;
    QTest::newRow("jpeg, title with specials") << 1 << QByteArray("a &+?|b") << QByteArray("a_____b") << 8193;
    QTest::newRow("bitmap of 16384 bytes") << 0 << QByteArray("x") << QByteArray("x") << 16384;
}

void UploadJobTest::realParserReadsTheUpload()
{
    QFETCH(int, type);
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, cleanTitle);
    QFETCH(int, size);

    QTemporaryDir startDir, storeDir, elsewhere;
    PhpServer php(storeDir.path());
    if (!php.available())
        SKIP_LACKING("php is not installed; the reference server cannot run");
    QVERIFY(php.ready());
    useProxy(php.port());

    const QByteArray picture = pictureBytes(size);
    const QByteArray fileName = QByteArray(wallpaperTypeFor(type)->path);
    // Named otherwise on disk: the server gets the type's name all the same,
    // wherever Browse left the current folder.
    const QString copyPath = writeFile(startDir.filePath(QStringLiteral("copy")), picture);
    QDir::setCurrent(elsewhere.path());

    QList<QByteArray> pieces;
    const QByteArray uploadName = "4711." + QByteArray(wallpaperTypeFor(type)->contentType);
    const Result hr = UploadJob(
        {copyPath, uploadName, "5551234", title, -3, 42, "2.0", type},
        [&pieces](QByteArrayView piece) { pieces.append(piece.toByteArray()); }, kTestTimeouts);

    QCOMPARE(hr, Result::Ok);
    // The job leaves the process's current folder alone.
    QCOMPARE(QDir::currentPath(), QDir(elsewhere.path()).canonicalPath());
    QCOMPARE(pieces.join(), "success*http://" + QByteArray(config::kUploadHost)
                                + "/wallpapers/stored.php?name=" + uploadName);
    QCOMPARE(readFile(storeDir.filePath(QString::fromLatin1(uploadName))), picture);
    const QByteArray record = readFile(storeDir.filePath(QString::fromLatin1(uploadName) + ".fields"));
    QCOMPARE(record.split('\n'),
             (QByteArrayList{"sms=5551234", "file_name=" + uploadName, "image_name=" + cleanTitle,
                             "carrier_index=-3", "phone_id=42", "version=2.0",
                             "serial=" + QByteArray(config::kSerial), "file_size=" + QByteArray::number(size),
                             "file_data=" + fileName + ";" + wallpaperTypeFor(type)->contentType + ";"
                                 + QByteArray::number(size),
                             ""}));
}

void UploadJobTest::missingFileStillPosts()
{
    QTemporaryDir startDir;
    CaptureServer server({});
    useProxy(server.port());
    const Result hr =
        UploadJob({startDir.path() + "/a.gif", "1.gif", "5", "t", 1, 2, "3", 2}, {}, kTestTimeouts);
    server.finish();

    QCOMPARE(hr, Result::FileNotFound);
    QCOMPARE(server.connections(), 1);
    QVERIFY(server.contentLength() > 0);
    // Whatever reached the server is the start of a body whose size field
    // says the file was missing.
    const QByteArray boundary = server.head().mid(server.head().indexOf("boundary=") + 9, 39);
    QByteArray fields;
    for (const auto &[name, value] : {std::pair<QByteArray, QByteArray>{"sms", "5"},
                                      {"file_name", "1.gif"},
                                      {"image_name", "t"},
                                      {"carrier_index", "1"},
                                      {"phone_id", "2"},
                                      {"version", "3"},
                                      {"serial", config::kSerial},
                                      {"file_size", "-1"}})
        fields += CFormPoster::MakeFieldHeader(boundary, name) + value + "\r\n";
    QVERIFY(fields.startsWith(server.body()) || server.body().startsWith(fields));
    QCOMPARE(quint64(server.contentLength()), quint64(fields.size()) + 117 + 9 + 5 + 3 + 45);
}

void UploadJobTest::sendsNothing()
{
    CaptureServer server({});
    useProxy(server.port());
    QCOMPARE(UploadJob({QDir::temp().filePath(QStringLiteral("a.gif")), "1", "5", "t", 1, 2, "3", 7}, {}),
             Result::InvalidParameter);
    // A relative name would be looked for in whatever folder is current.
    QCOMPARE(UploadJob({QStringLiteral("a.gif"), "1", "5", "t", 1, 2, "3", 2}, {}), Result::PathNotFound);
    QCOMPARE(server.connections(), 0);
}

QTEST_GUILESS_MAIN(UploadJobTest)
#include "tst_uploadjob.moc"
