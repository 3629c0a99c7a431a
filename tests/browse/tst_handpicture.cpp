#include "core/app/converter.h"
// A picture handed to the window instead of picked with Browse: named on the
// command line, or dropped on the window.
#include "core/platform/host.h"
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

const QByteArray kProfile = "wallpaperSupport=1\nNumber=5550100\nwallpaperType=2\nwallpaperWidth=128\n"
                            "wallpaperHeight=160\n";

struct Fixture : WindowFixture
{
    QTemporaryDir pictures;
    std::unique_ptr<CWallpaperDlg> dlg;

    Fixture() : WindowFixture(kProfile) { dlg = makeWindow(); }
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

DragAnswers dragOnto(QWidget *window, const QList<QUrl> &urls)
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
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
    answers.move = move.isAccepted();
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
        QSKIP("ImageMagick is not installed");
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

    const QStringList none;
    const QList<QUrl> noAddress;
    QTest::newRow("one local picture")
        << QStringList{QStringLiteral("quay.jpg")} << noAddress << none << QStringLiteral("quay.jpg");
    QTest::newRow("two files: the first")
        << QStringList{QStringLiteral("first.jpg"), QStringLiteral("second.jpg")} << noAddress << none
        << QStringLiteral("first.jpg");
    QTest::newRow("an http address") << none << QList<QUrl>{QUrl(QStringLiteral("http://example.org/p.jpg"))}
                                     << none << QString();
    QTest::newRow("an address first, a file after")
        << none << QList<QUrl>{QUrl(QStringLiteral("https://example.org/p.jpg"))}
        << QStringList{QStringLiteral("local.jpg")} << QString();
    QTest::newRow("a local folder") << none << QList<QUrl>{QUrl::fromLocalFile(QDir::tempPath())} << none
                                    << QString();
    QTest::newRow("plain text") << none << noAddress << none << QString();
}

void HandPictureTest::drops()
{
    QFETCH(QStringList, filesFirst);
    QFETCH(QList<QUrl>, addresses);
    QFETCH(QStringList, filesAfter);
    QFETCH(QString, chosenName);
    const bool taken = !chosenName.isEmpty();

    Fixture fx;
    fx.dlg->OnInitDialog();
    QList<QUrl> urls;
    for (const QString &name : filesFirst)
        urls << QUrl::fromLocalFile(fx.photo(name));
    urls << addresses;
    for (const QString &name : filesAfter)
        urls << QUrl::fromLocalFile(fx.photo(name));

    const DragAnswers answers = dragOnto(fx.dlg.get(), urls);
    QCoreApplication::sendPostedEvents();

    QCOMPARE(answers.enter, taken);
    QCOMPARE(answers.move, taken);
    QCOMPARE(answers.drop, taken);
    QCOMPARE(fx.dlg->picturePath(), taken ? fx.pictures.filePath(chosenName) : QString());
    QCOMPARE(QFile::exists(fx.copyPath()), taken);
    QCOMPARE(fx.presenter.boxes, QStringList());
}

void HandPictureTest::dropWhileBusyIsRefused()
{
    Fixture fx;
    fx.dlg->OnInitDialog();
    const QString first = fx.photo(QStringLiteral("first.jpg"));
    const QString second = fx.photo(QStringLiteral("second.jpg"));
    fx.dlg->BrowseTo(first);
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
