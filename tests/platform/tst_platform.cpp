#include "core/app/PhoneProfile.h"
#include "core/platform/crtrandom.h"
#include "core/platform/privatefolder.h"
#include "core/platform/profilestore.h"
#include "core/platform/winerror.h"
#include "core/upload/uploadname.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace pictovane;

namespace {

PhoneProfile zeroedProfile()
{
    PhoneProfile p;
    std::memset(&p, 0, sizeof p);
    return p;
}

} // namespace

class PlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void privateFolderIsOursAlone();
    void staleFoldersOfEndedRunsGo_data();
    void staleFoldersOfEndedRunsGo();
    void crtRandomMatchesTheRuntimeSequence();
    void resultsHaveTheWindowsNumbers_data();
    void resultsHaveTheWindowsNumbers();
    void profileReadsEveryValue();
    void profileTextIsCutToItsField_data();
    void profileTextIsCutToItsField();
    void profileNumberFromText_data();
    void profileNumberFromText();
    void profileTextAsStored_data();
    void profileTextAsStored();
    void profileTextAsQtWritesIt_data();
    void profileTextAsQtWritesIt();
    void missingValuesKeepTheirFields();
    void systemStoreFollowsXdgConfigDirs();
    void outputExtension_data();
    void outputExtension();
    void uploadFileName_data();
    void uploadFileName();
};

void PlatformTest::crtRandomMatchesTheRuntimeSequence()
{
    // The first draws of the runtime's generator after srand(1) and srand(0).
    crtrandom::srand(1);
    QCOMPARE(crtrandom::rand(), 41);
    QCOMPARE(crtrandom::rand(), 18467);
    QCOMPARE(crtrandom::rand(), 6334);
    QCOMPARE(crtrandom::rand(), 26500);
    crtrandom::srand(0);
    QCOMPARE(crtrandom::rand(), 38);
    QCOMPARE(crtrandom::rand(), 7719);
}

void PlatformTest::resultsHaveTheWindowsNumbers_data()
{
    QTest::addColumn<Result>("result");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("success stays zero") << Result::Ok << 0u;
    QTest::newRow("file not found") << Result::FileNotFound << 0x80070002u;
    QTest::newRow("wininet timeout") << Result::Timeout << 0x80072EE2u;
    QTest::newRow("stopped by the user") << Result::Cancelled << 0x80072EF1u;
}

void PlatformTest::resultsHaveTheWindowsNumbers()
{
    QFETCH(Result, result);
    QFETCH(quint32, expected);
    QCOMPARE(static_cast<quint32>(result), expected);
    QCOMPARE(failed(result), expected != 0);
    QCOMPARE(static_cast<quint32>(hresultFromWin32(0x12345)), 0x80072345u); // only the low 16 bits
}

void PlatformTest::profileReadsEveryValue()
{
    QTemporaryDir dir;
    const QString path =
        writeProfile(dir.path(), "Version=3.1 beta\nSerial=77\nwallpaperSupport=1\nNumber=5551234\n"
                                 "Type=4\nCarrier=-3\nPhone=812\nwallpaperType=2\n"
                                 "wallpaperWidth=128\nwallpaperHeight=160\n");
    PhoneProfile p = zeroedProfile();
    p.readFrom(*openProfileFile(path));
    QCOMPARE(QByteArray(p.Version), QByteArray("3.1 beta"));
    QCOMPARE(p.Serial, 77);
    QCOMPARE(p.wallpaperSupport, 1);
    QCOMPARE(QByteArray(p.Number), QByteArray("5551234"));
    QCOMPARE(p.Type, 4);
    QCOMPARE(p.Carrier, -3);
    QCOMPARE(p.Phone, 812);
    QCOMPARE(p.wallpaperType, 2);
    QCOMPARE(p.wallpaperWidth, 128);
    QCOMPARE(p.wallpaperHeight, 160);
}

void PlatformTest::profileTextIsCutToItsField_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QByteArray>("number");
    QTest::newRow("fits") << QByteArray("ab") << QByteArray("ab") << QByteArray("ab");
    QTest::newRow("exactly the field") << QByteArray(99, 'n') << QByteArray(99, 'n') << QByteArray(99, 'n');
    QTest::newRow("one over the number field")
        << QByteArray(100, 'n') << QByteArray(100, 'n') << QByteArray(99, 'n');
    QTest::newRow("far too long") << QByteArray(5000, 'v') << QByteArray(199, 'v') << QByteArray(99, 'v');
    // 98 ASCII bytes then a two-byte letter: cutting at 99 would split it.
    QTest::newRow("no half character")
        << QByteArray(98, 'a') + "\xC3\xA9" << QByteArray(98, 'a') + "\xC3\xA9" << QByteArray(98, 'a');
    QTest::newRow("comma is text, not a list")
        << QByteArray("1.0, beta") << QByteArray("1.0, beta") << QByteArray("1.0, beta");
}

void PlatformTest::profileTextIsCutToItsField()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, version);
    QFETCH(QByteArray, number);
    QTemporaryDir dir;
    const QString path = writeProfile(dir.path(), "Version=\"" + stored + "\"\nNumber=\"" + stored + "\"\n");
    // Guard bytes around the fields catch a write past their ends.
    struct Guarded
    {
        char before[16];
        PhoneProfile profile;
        char after[16];
    } g;
    std::memset(&g, 0x5A, sizeof g);
    g.profile.readFrom(*openProfileFile(path));
    QCOMPARE(QByteArray(g.profile.Version), version);
    QCOMPARE(QByteArray(g.profile.Number), number);
    QCOMPARE(QByteArray(g.after, 16), QByteArray(16, 0x5A));
    QCOMPARE(QByteArray(g.before, 16), QByteArray(16, 0x5A));
    QCOMPARE(g.profile.Serial, 0x5A5A5A5A); // the neighbour of Version is untouched
}

void PlatformTest::profileNumberFromText_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("decimal") << QByteArray("240") << 240;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("overflow keeps the field") << QByteArray("2147483648") << 99;
    QTest::newRow("hex is not decimal") << QByteArray("0x20") << 99;
    QTest::newRow("words keep the field") << QByteArray("wide") << 99;
    QTest::newRow("empty keeps the field") << QByteArray("") << 99;
}

void PlatformTest::profileNumberFromText()
{
    QFETCH(QByteArray, stored);
    QFETCH(qint32, expected);
    QTemporaryDir dir;
    const QString path = writeProfile(dir.path(), "wallpaperWidth=" + stored + "\n");
    PhoneProfile p = zeroedProfile();
    p.wallpaperWidth = 99;
    p.readFrom(*openProfileFile(path));
    QCOMPARE(p.wallpaperWidth, expected);
}

void PlatformTest::profileTextAsStored_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("number");
    QTest::newRow("comma") << QByteArray("Number=555,1234") << QByteArray("555,1234");
    QTest::newRow("comma and semicolon") << QByteArray("Number=2.1,beta;x") << QByteArray("2.1,beta;x");
    QTest::newRow("blanks around trimmed")
        << QByteArray("Number = \t 555 1234 \t\r") << QByteArray("555 1234");
    QTest::newRow("second equals sign is text") << QByteArray("Number=a=b") << QByteArray("a=b");
    QTest::newRow("backslash kept") << QByteArray("Number=C:\\x\\n") << QByteArray("C:\\x\\n");
    QTest::newRow("not UTF-8") << QByteArray("Number=\xE9t\xE9 \xFF") << QByteArray("\xE9t\xE9 \xFF");
    QTest::newRow("quoted") << QByteArray("Number=\"555,1234\"") << QByteArray("555,1234");
    QTest::newRow("a single leading at sign is text") << QByteArray("Number=@home") << QByteArray("@home");
    QTest::newRow("inner quotes are text")
        << QByteArray("Number=say \"hi\" now") << QByteArray("say \"hi\" now");
    QTest::newRow("another section does not count")
        << QByteArray("Number=1\n[Other]\nNumber=2") << QByteArray("1");
    QTest::newRow("a later line wins") << QByteArray("Number=1\nNumber=2") << QByteArray("2");
    QTest::newRow("names are case-sensitive") << QByteArray("number=7") << QByteArray("zz");
}

void PlatformTest::profileTextAsStored()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, number);
    QTemporaryDir dir;
    PhoneProfile p = zeroedProfile();
    std::strcpy(p.Number, "zz");
    p.readFrom(*openProfileFile(writeProfile(dir.path(), line + "\n")));
    QCOMPARE(QByteArray(p.Number), number);
}

void PlatformTest::profileTextAsQtWritesIt_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("comma") << QVariant(QStringLiteral("555,1234")) << QByteArray("555,1234");
    QTest::newRow("semicolon") << QVariant(QStringLiteral("2.1,beta;x")) << QByteArray("2.1,beta;x");
    // Qt quotes a value with a comma, and then escapes within the quotes.
    QTest::newRow("quotes and backslash")
        << QVariant(QStringLiteral("say \"hi\", \\ ok\t")) << QByteArray("say \"hi\", \\ ok\t");
    QTest::newRow("leading blank") << QVariant(QStringLiteral(" 42")) << QByteArray(" 42");
    QTest::newRow("leading at sign") << QVariant(QStringLiteral("@home")) << QByteArray("@home");
    QTest::newRow("letters beyond ASCII")
        << QVariant(QString::fromUtf8("Ünï ß €")) << QByteArray("\xC3\x9Cn\xC3\xAF \xC3\x9F \xE2\x82\xAC");
    QTest::newRow("bytes") << QVariant(QByteArray("v\xFF\x01")) << QByteArray("v\xFF\x01");
}

void PlatformTest::profileTextAsQtWritesIt()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Belltrove.conf"));
    {
        QSettings writer(path, QSettings::IniFormat);
        writer.setValue(QStringLiteral("Version"), value);
    }
    PhoneProfile p = zeroedProfile();
    p.readFrom(*openProfileFile(path));
    QCOMPARE(QByteArray(p.Version), expected);
}

void PlatformTest::missingValuesKeepTheirFields()
{
    QTemporaryDir dir;
    const QString path = writeProfile(dir.path(), "wallpaperType=1\n");
    PhoneProfile p = zeroedProfile();
    p.Carrier = 12;
    std::strcpy(p.Version, "kept");
    p.readFrom(*openProfileFile(path));
    QCOMPARE(p.wallpaperType, 1);
    QCOMPARE(p.Carrier, 12);
    QCOMPARE(QByteArray(p.Version), QByteArray("kept"));
}

void PlatformTest::systemStoreFollowsXdgConfigDirs()
{
    QTemporaryDir first, second;
    writeProfile(second.path(), "Phone=42\n");
    qputenv("XDG_CONFIG_DIRS", (first.path() + QLatin1Char(':') + second.path()).toLocal8Bit());
    auto store = openSystemProfileStore();
    QVERIFY(store->exists());
    QCOMPARE(store->value("Phone")->text, QByteArray("42"));
    QVERIFY(!store->value("Carrier"));

    writeProfile(first.path(), "Phone=7\n");
    QCOMPARE(openSystemProfileStore()->value("Phone")->text, QByteArray("7"));

    qputenv("XDG_CONFIG_DIRS", first.path().toLocal8Bit() + "/nowhere");
    QVERIFY(!openSystemProfileStore()->exists());
}

void PlatformTest::outputExtension_data()
{
    QTest::addColumn<qint32>("type");
    QTest::addColumn<QString>("ext");
    QTest::newRow("bitmap") << 0 << "bmp";
    QTest::newRow("jpeg") << 1 << "jpg";
    QTest::newRow("gif") << 2 << "gif";
    QTest::newRow("unknown") << 7 << "";
    QTest::newRow("negative") << -1 << "";
}

void PlatformTest::outputExtension()
{
    QFETCH(qint32, type);
    QFETCH(QString, ext);
    QCOMPARE(::outputExtension(type), ext);
}

void PlatformTest::uploadFileName_data()
{
    QTest::addColumn<quint32>("now");
    QTest::addColumn<qint32>("type");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("gif") << 1u << 2 << QByteArray("41.gif");
    QTest::newRow("bitmap") << 1u << 0 << QByteArray("41.bmp");
    QTest::newRow("jpeg") << 0u << 1 << QByteArray("38.jpg");
    QTest::newRow("other type: bare digits") << 1u << 5 << QByteArray("41");
}

void PlatformTest::uploadFileName()
{
    QFETCH(quint32, now);
    QFETCH(qint32, type);
    QFETCH(QByteArray, name);
    QCOMPARE(makeUploadFileName(now, type), name);
    // The same second gives the same name, and the sequence goes on from it.
    QCOMPARE(makeUploadFileName(now, type), name);
    crtrandom::srand(now);
    crtrandom::rand();
    const int next = crtrandom::rand();
    makeUploadFileName(now, type);
    QCOMPARE(crtrandom::rand(), next);
}

void PlatformTest::privateFolderIsOursAlone()
{
    QTemporaryDir base;
    QString path;
    {
        const PrivateFolder one(base.path());
        const PrivateFolder two(base.path());
        QVERIFY(one.isValid() && two.isValid());
        QVERIFY(one.path() != two.path());
        QCOMPARE(QFileInfo(one.path()).absolutePath(), QFileInfo(base.path()).absoluteFilePath());
        QCOMPARE(QFile::permissions(one.path()) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        path = one.path();
        QFile f(QDir(path).filePath(QStringLiteral("a.gif")));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(QDir(base.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void PlatformTest::staleFoldersOfEndedRunsGo_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("removed");
    QTest::newRow("its process has ended") << "ended" << true;
    QTest::newRow("its process still runs") << "running" << false;
    QTest::newRow("another process's, still running") << "other" << false;
    QTest::newRow("not one of ours") << "foreign" << false;
    QTest::newRow("a link, even to an ended run's name") << "link" << false;
}

void PlatformTest::staleFoldersOfEndedRunsGo()
{
    QFETCH(QString, kind);
    QFETCH(bool, removed);
    QTemporaryDir base;
    QTemporaryDir target;
    // A process id that was in use and is no more.
    QProcess ended;
    ended.start(QStringLiteral("true"));
    QVERIFY(ended.waitForStarted());
    const QString endedPid = QString::number(ended.processId());
    QVERIFY(ended.waitForFinished());
    QString name = QStringLiteral("pictovane-%1-AbC123").arg(endedPid);
    // A second instance sees the first one's folder.
    QProcess other;
    if (kind == QLatin1String("other")) {
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        name = QStringLiteral("pictovane-%1-AbC123").arg(other.processId());
    }
    if (kind == QLatin1String("running"))
        name = QStringLiteral("pictovane-%1-AbC123").arg(QCoreApplication::applicationPid());
    else if (kind == QLatin1String("foreign"))
        name = QStringLiteral("someone-%1-AbC123").arg(endedPid);
    const QString stale = QDir(base.path()).filePath(name);
    if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(target.path(), stale));
        writeFile(target.filePath(QStringLiteral("keep")), "the user's");
    } else {
        QVERIFY(QDir().mkdir(stale));
        writeFile(QDir(stale).filePath(QStringLiteral("a.gif")), "left");
    }
    const PrivateFolder fresh(base.path());
    QVERIFY(fresh.isValid());
    QCOMPARE(!QFileInfo(stale).isSymLink() && !QFileInfo::exists(stale), removed);
    if (kind == QLatin1String("link"))
        QVERIFY(QFile::exists(target.filePath(QStringLiteral("keep"))));
    other.kill();
    other.waitForFinished();
}

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"
