// A picture handed to the window instead of picked with Browse: named on the
// command line, or dropped on the window.
#include "core/app/converter.h"
#include "core/app/picturedrop.h"
#include "core/platform/host.h"
#include "lacking.h"
#include "pictures.h"
#include "testfiles.h"
#include "ui/app/CWallpaperDlg.h"
#include "windowfixture.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include <unistd.h>

namespace {

const QByteArray kHandProfile = "wallpaperSupport=1\nNumber=5550100\nwallpaperType=2\nwallpaperWidth=128\n"
                                "wallpaperHeight=160\n";

struct Fixture : WindowFixture
{
    QTemporaryDir pictures;
    std::unique_ptr<CWallpaperDlg> dlg;

    Fixture() : WindowFixture(kHandProfile) { dlg = makeWindow(); }
    ~Fixture() { dlg.reset(); }

    QString photo(const QString &name)
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = pictures.filePath(name);
        if (!image.save(path, "JPG"))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    QString copyPath() const { return QDir(dlg->startDir()).filePath(QStringLiteral("a.gif")); }
};

// What a drag of `urls` (or of plain text, when there are none) over the
// window gets:
// whether entering, moving and dropping were each accepted.
struct DragAnswers
{
    bool enter = false;
    bool move = false;
    bool drop = false;
};

// As Qt does, a refused enter or move ends the drag there, and a move
// starts out with the answer the last one got; `beforeDrop` runs between the
// move and the drop.
DragAnswers dragOnto(QWidget *window, const QList<QUrl> &urls, const std::function<void()> &beforeDrop = {})
{
    QMimeData mime;
    if (urls.isEmpty())
        mime.setText(QStringLiteral("some text"));
    else
        mime.setUrls(urls);
    const QPointF at(20, 20);
    DragAnswers answers;
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    answers.enter = enter.isAccepted();
    if (!answers.enter)
        return answers;
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    move.setDropAction(enter.dropAction());
    move.accept();
    QCoreApplication::sendEvent(window, &move);
    answers.move = move.isAccepted();
    if (!answers.move)
        return answers;
    if (beforeDrop)
        beforeDrop();
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    answers.drop = drop.isAccepted();
    return answers;
}

} // namespace

class HandPictureTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startPictureIsBrowsedOnceTheLoopRuns_data();
    void startPictureIsBrowsedOnceTheLoopRuns();
    void drops_data();
    void drops();
    void dropWhileBusyIsRefused();
    void dropOfANameThatIsNotUtf8();
};

void HandPictureTest::init()
{
    if (imageMagick().isEmpty())
        SKIP_LACKING("ImageMagick is not installed");
}

void HandPictureTest::startPictureIsBrowsedOnceTheLoopRuns_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("a photo") << true;
    QTest::newRow("a file that is not there") << false;
}

void HandPictureTest::startPictureIsBrowsedOnceTheLoopRuns()
{
    QFETCH(bool, exists);
    Fixture fx;
    const QString picture =
        exists ? fx.photo(QStringLiteral("harbour.jpg")) : fx.pictures.filePath(QStringLiteral("gone.jpg"));
    fx.dlg->setStartPicture(QFile::encodeName(picture));

    QString chosenWhenLoopRan = QStringLiteral("(never ran)");
    QString chosenAfter;
    QString titleAfter;
    QStringList boxesAfter;
    // Runs first in the modal loop, then looks again once the pick is done.
    std::function<void()> lookAgain = [&] {
        if (fx.dlg->isBusy()) {
            QMetaObject::invokeMethod(fx.dlg.get(), lookAgain, Qt::QueuedConnection);
            return;
        }
        chosenAfter = fx.dlg->picturePath();
        titleAfter = fx.dlg->pictureTitle();
        boxesAfter = fx.presenter.boxes;
        fx.dlg->reject();
    };
    QMetaObject::invokeMethod(
        fx.dlg.get(),
        [&] {
            chosenWhenLoopRan = fx.dlg->picturePath();
            QMetaObject::invokeMethod(fx.dlg.get(), lookAgain, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    fx.dlg->DoModal();

    QCOMPARE(chosenWhenLoopRan, QString());
    if (exists) {
        QCOMPARE(chosenAfter, picture);
        QCOMPARE(titleAfter, QStringLiteral("harbour"));
        QCOMPARE(boxesAfter, QStringList());
        QCOMPARE(QImage(fx.copyPath(), "GIF").size(), QSize(128, 160));
    } else {
        QCOMPARE(chosenAfter, QString());
        QCOMPARE(boxesAfter, QStringList{conversionFailureText(Conversion::NoSuchFile, {})});
        QVERIFY(!QFile::exists(fx.copyPath()));
    }
}

void HandPictureTest::drops_data()
{
    // Dropped in this order: files made in the pictures folder, addresses,
    // then more such files.
    QTest::addColumn<QStringList>("filesFirst");
    QTest::addColumn<QList<QUrl>>("addresses");
    QTest::addColumn<QStringList>("filesAfter");
    QTest::addColumn<QString>("chosenName"); // empty: refused
    // The first file holds text from the start, or only by the drop.
    QTest::addColumn<QString>("firstIsText");

    const QStringList none;
    const QList<QUrl> noAddress;
    const QString photo;
    QTest::newRow("one local picture") << QStringList{QStringLiteral("quay.jpg")} << noAddress << none
                                       << QStringLiteral("quay.jpg") << photo;
    QTest::newRow("two files: the first")
        << QStringList{QStringLiteral("first.jpg"), QStringLiteral("second.jpg")} << noAddress << none
        << QStringLiteral("first.jpg") << photo;
    QTest::newRow("an http address") << none << QList<QUrl>{QUrl(QStringLiteral("http://example.org/p.jpg"))}
                                     << none << QString() << photo;
    QTest::newRow("an address first, a file after")
        << none << QList<QUrl>{QUrl(QStringLiteral("https://example.org/p.jpg"))}
        << QStringList{QStringLiteral("local.jpg")} << QString() << photo;
    QTest::newRow("a local folder") << none << QList<QUrl>{QUrl::fromLocalFile(QDir::tempPath())} << none
                                    << QString() << photo;
    QTest::newRow("plain text") << none << noAddress << none << QString() << photo;
    QTest::newRow("a text file") << QStringList{QStringLiteral("notes.txt")} << noAddress << none << QString()
                                 << QStringLiteral("from the start");
    QTest::newRow("a picture named so, but text") << QStringList{QStringLiteral("notes.jpg")} << noAddress
                                                  << none << QString() << QStringLiteral("from the start");
    QTest::newRow("a picture that is text by the drop")
        << QStringList{QStringLiteral("changing.jpg")} << noAddress << none << QString()
        << QStringLiteral("by the drop");
}

void HandPictureTest::drops()
{
    QFETCH(QStringList, filesFirst);
    QFETCH(QList<QUrl>, addresses);
    QFETCH(QStringList, filesAfter);
    QFETCH(QString, chosenName);
    QFETCH(QString, firstIsText);
    const bool taken = !chosenName.isEmpty();
    const bool toldAtDrop = firstIsText == QLatin1String("by the drop");

    Fixture fx;
    fx.dlg->OnInitDialog();
    // Framed already: a refused drop must leave this pick as it is.
    const QString kept = fx.photo(QStringLiteral("kept.jpg"));
    fx.dlg->browseTo(kept);
    fx.dlg->chooseFraming(Framing::Fit);
    const QByteArray keptCopy = readFile(fx.copyPath());
    QVERIFY(!keptCopy.isEmpty());
    QList<QUrl> urls;
    for (const QString &name : filesFirst)
        urls << QUrl::fromLocalFile(fx.photo(name));
    urls << addresses;
    for (const QString &name : filesAfter)
        urls << QUrl::fromLocalFile(fx.photo(name));
    const auto writeText = [&] { writeFile(urls.constFirst().toLocalFile(), "Buy milk.\n"); };
    if (firstIsText == QLatin1String("from the start"))
        writeText();

    const DragAnswers answers =
        dragOnto(fx.dlg.get(), urls, toldAtDrop ? writeText : std::function<void()>());
    QCoreApplication::sendPostedEvents();

    QCOMPARE(answers.enter, taken || toldAtDrop);
    QCOMPARE(answers.move, taken || toldAtDrop);
    QCOMPARE(answers.drop, taken);
    QCOMPARE(fx.dlg->picturePath(), taken ? fx.pictures.filePath(chosenName) : kept);
    QCOMPARE(fx.presenter.boxes, toldAtDrop ? QStringList{QLatin1String(kNotAPictureText)} : QStringList());
    if (!taken) {
        QCOMPARE(fx.dlg->frameView().framing, Framing::Fit);
        QCOMPARE(readFile(fx.copyPath()), keptCopy);
    }
}

void HandPictureTest::dropWhileBusyIsRefused()
{
    Fixture fx;
    fx.dlg->OnInitDialog();
    const QString first = fx.photo(QStringLiteral("first.jpg"));
    const QString second = fx.photo(QStringLiteral("second.jpg"));
    fx.dlg->browseTo(first);
    QCOMPARE(fx.dlg->picturePath(), first);

    DragAnswers duringUpload{true, true, true};
    fx.dlg->setUploadJob([&](auto &&...) {
        duringUpload = dragOnto(fx.dlg.get(), {QUrl::fromLocalFile(second)});
        return UploadReport{};
    });
    fx.dlg->OnUpload();
    QCoreApplication::sendPostedEvents();

    QVERIFY(!duringUpload.enter);
    QVERIFY(!duringUpload.move);
    QVERIFY(!duringUpload.drop);
    QCOMPARE(fx.dlg->picturePath(), first);
}

QTEST_MAIN(HandPictureTest)
#include "tst_handpicture.moc"

void HandPictureTest::dropOfANameThatIsNotUtf8()
{
    Fixture fx;
    fx.dlg->OnInitDialog();
    const QByteArray name = QFile::encodeName(fx.pictures.path()) + "/quay \xff.jpg";
    QVERIFY(::rename(QFile::encodeName(fx.photo(QStringLiteral("quay.jpg"))).constData(), name.constData())
            == 0);
    // QTemporaryDir cannot spell the name to remove it.
    const auto removeIt = qScopeGuard([&] { ::unlink(name.constData()); });
    // A file manager percent-encodes the byte; Qt's text of it would read U+FFFD.
    const QUrl url = QUrl::fromEncoded("file://" + name.toPercentEncoding("/"));

    const DragAnswers answers = dragOnto(fx.dlg.get(), {url});
    QCoreApplication::sendPostedEvents();

    QVERIFY(answers.enter && answers.move && answers.drop);
    QCOMPARE(fx.dlg->pictureTitle(), QStringLiteral("quay \uFFFD"));
    QCOMPARE(fx.presenter.boxes, QStringList());
    QCOMPARE(QImage(fx.copyPath(), "GIF").size(), QSize(128, 160));
}
