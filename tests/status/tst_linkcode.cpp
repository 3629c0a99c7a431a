// The link's QR code and "Copy link" in the status dialog, on a screen of
// the density the test is started with (QT_SCALE_FACTOR 1 or 2).
#include "core/app/uploadhistory.h"
#include "lacking.h"
#include "qrscan.h"
#include "recordingpresenter.h"
#include "ui/status/CStatusDialog.h"
#include "ui/status/RecentUploadsDialog.h"
#include "ui/status/linkpanel.h"

#include <QAccessible>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

QByteArray linkOfLength(int length)
{
    QByteArray link = "http://upload.pictovane.example/wallpapers/stored.php?name=";
    for (int i = 0; link.size() < length; ++i)
        link += QByteArray::number(i * 7919 % 1000) + (i % 2 ? "-" : "_");
    link.truncate(length);
    return link;
}

struct Shown
{
    CStatusDialog dlg{nullptr, [](const QUrl &) {}};
    LinkCodeView *code = dlg.findChild<LinkCodeView *>(QStringLiteral("linkCode"));
    QPushButton *copy = dlg.findChild<QPushButton *>(QStringLiteral("copyLink"));

    bool show(int mode, const QByteArray &link)
    {
        dlg.m_nMode = mode;
        (mode == 1 ? dlg.m_pszLinkUrl : dlg.m_pszSuccessUrl) = link;
        dlg.OnInitDialog();
        dlg.show();
        return QTest::qWaitForWindowExposed(&dlg);
    }
};

} // namespace

class LinkCodeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Each run is at the density its registration asks for.
        QCOMPARE(qApp->devicePixelRatio(),
                 qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble());
    }
    void codeScansAsTheLink_data();
    void codeScansAsTheLink();
    void noCode_data();
    void noCode();
    void linkNotKeptIsSaidUnderTheCode();
    void copyLinkPutsExactlyTheLink();
    void recentUploadsShowAndClear();
};

void LinkCodeTest::codeScansAsTheLink_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("link");
    QTest::newRow("mode 0, short") << 0 << QByteArray("http://upload.pictovane.example/w/1635.gif");
    QTest::newRow("mode 0, 90 characters") << 0 << linkOfLength(90);
    QTest::newRow("mode 1, 90 characters") << 1 << linkOfLength(90);
    QTest::newRow("mode 0, 300 characters") << 0 << linkOfLength(300);
}

void LinkCodeTest::codeScansAsTheLink()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, link);
    if (!zbarimgFound())
        SKIP_LACKING("zbarimg (zbar-tools) is not installed");
    Shown shown;
    QVERIFY(shown.show(mode, link));
    QVERIFY(shown.code->isVisible());

    const QImage shot = shown.code->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.devicePixelRatio(), qApp->devicePixelRatio());
    QCOMPARE(scanQrCode(shot), link);
    // Crisp: only black and white. Measured on the drawing: the top-left
    // finder pattern's top row is seven modules of the same whole number of
    // device pixels, at least three; a quiet zone of four modules lies
    // before the code, above it, after it and below it.
    QCOMPARE(shot.convertToFormat(QImage::Format_Indexed8).colorCount(), 2);
    const auto dark = [&](int x, int y) { return shot.pixel(x, y) == qRgb(0, 0, 0); };
    int quiet = 0; // the diagonal meets the finder's corner
    while (quiet < shot.width() && !dark(quiet, quiet))
        ++quiet;
    int finder = 0;
    while (dark(quiet + finder, quiet))
        ++finder;
    const int module = finder / 7;
    QCOMPARE(finder, 7 * module);
    QVERIFY(module >= 3 && module == linkCodeModulePixels(qApp->devicePixelRatio()));
    QCOMPARE(quiet, 4 * module);
    int right = shot.width() - 1;
    while (!dark(right, quiet))
        --right;
    int bottom = shot.height() - 1;
    while (!dark(quiet, bottom))
        --bottom;
    QCOMPARE(shot.width() - 1 - right, 4 * module);
    QCOMPARE(shot.height() - 1 - bottom, 4 * module);
    // Error correction M: the format's first two bits (row 8, columns 0 and
    // 1) are 00, masked with 10, so drawn dark and light.
    const auto at = [&](int column, int row) {
        return dark(quiet + column * module + module / 2, quiet + row * module + module / 2);
    };
    QVERIFY(at(0, 8) && !at(1, 8));

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(shown.code);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Graphic);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("QR code of the link"));

    // Beside the message, inside the group box, above the buttons.
    const QRect code(shown.code->mapTo(&shown.dlg, QPoint()), shown.code->size());
    const auto *message = shown.dlg.findChild<QLabel *>(QStringLiteral("label2224"));
    QVERIFY(code.left() > message->geometry().right());
    QVERIFY(shown.dlg.findChild<QGroupBox *>()->geometry().contains(code));
    QVERIFY(code.bottom() < shown.dlg.findChild<QPushButton *>(QStringLiteral("button1"))->y());
    QVERIFY(
        shown.dlg.rect().contains(shown.dlg.findChild<QPushButton *>(QStringLiteral("button2"))->geometry()));
}

void LinkCodeTest::noCode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<bool>("copies");
    QTest::addColumn<QString>("note"); // the line under the code, or where it would be
    const QString notWeb =
        QStringLiteral("No QR code is shown: this link is not a web address (http or https).");
    QTest::newRow("mode 2") << 2 << QByteArray("http://dl.example/x") << false << QString();
    QTest::newRow("mode 0 without a link") << 0 << QByteArray() << false << QString();
    QTest::newRow("a link longer than a code holds")
        << 0 << linkOfLength(3000) << true
        << QStringLiteral("No QR code is shown: this link is too long for one.");
    QTest::newRow("a phone number") << 1 << QByteArray("tel:+15550100") << true << notWeb;
    QTest::newRow("a file") << 0 << QByteArray("file:///etc/passwd") << true << notWeb;
    QTest::newRow("no scheme") << 1 << QByteArray("dl.example/w/1") << true << notWeb;
    QTest::newRow("http in the middle") << 1 << QByteArray("javascript:'http://x'") << true << notWeb;
}

void LinkCodeTest::noCode()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, link);
    QFETCH(bool, copies);
    QFETCH(QString, note);
    Shown shown;
    QVERIFY(shown.show(mode, link));
    QVERIFY(!shown.code->isVisible());
    QCOMPARE(shown.copy->isVisible(), copies);
    if (!copies)
        QCOMPARE(shown.dlg.width(), 342); // the template's own width
    auto *line = shown.dlg.findChild<QLabel *>(QStringLiteral("linkNote"));
    QCOMPARE(line->isVisible(), !note.isEmpty());
    if (!note.isEmpty())
        QCOMPARE(line->text(), note);
}

void LinkCodeTest::linkNotKeptIsSaidUnderTheCode()
{
    Shown shown;
    shown.dlg.m_note = QLatin1String(kLinkNotKeptText);
    QVERIFY(shown.show(0, "HTTPS://dl.example/w/7"));
    QVERIFY(shown.code->isVisible()); // the scheme in any case
    auto *line = shown.dlg.findChild<QLabel *>(QStringLiteral("linkNote"));
    QVERIFY(line->isVisible());
    QCOMPARE(line->text(), QLatin1String(kLinkNotKeptText));
    QVERIFY(line->mapTo(&shown.dlg, QPoint()).y() > shown.code->mapTo(&shown.dlg, QPoint()).y());
    // Whole: no word of it is cut off.
    QCOMPARE(line->height(), line->heightForWidth(line->width()));
}

void LinkCodeTest::copyLinkPutsExactlyTheLink()
{
    const QByteArray link = "http://upload.pictovane.example/wallpapers/stored.php?name=1635.gif";
    Shown shown;
    QVERIFY(shown.show(1, link));
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    QTest::mouseClick(shown.copy, Qt::LeftButton);
    QCOMPARE(clipboard->text(), QString::fromLatin1(link));
    QCOMPARE(shown.copy->text(), QStringLiteral("Copied"));
    QTRY_COMPARE_WITH_TIMEOUT(shown.copy->text(), QStringLiteral("Copy link"), 4000);

    // Ctrl+C with nothing selected, whichever control has the focus.
    auto *message = shown.dlg.findChild<QLabel *>(QStringLiteral("label2224"));
    for (QWidget *focus : {static_cast<QWidget *>(message), static_cast<QWidget *>(shown.copy)}) {
        clipboard->setText(QStringLiteral("before"));
        focus->setFocus();
        QTest::keySequence(focus, QKeySequence::Copy);
        QCOMPARE(clipboard->text(), QString::fromLatin1(link));
    }
    // A selection is copied as it stands.
    message->setSelection(0, int(message->text().size()));
    message->setFocus();
    QTest::keySequence(message, QKeySequence::Copy);
    QCOMPARE(clipboard->text(), message->text().remove(QChar(0x200B)));
}

void LinkCodeTest::recentUploadsShowAndClear()
{
    QTemporaryDir dir;
    const UploadHistory history(dir.filePath(QStringLiteral("uploads.json")));
    const QDateTime when(QDate(2026, 12, 8), QTime(9, 30));
    const QByteArray longLink = linkOfLength(300) + "/w/1050";
    QVERIFY(history.add({when.addSecs(-60), QStringLiteral("harbour"), longLink}));
    QVERIFY(history.add({when, QStringLiteral("beach"), "http://dl.example/1.gif"}));
    QVERIFY(history.add({when.addSecs(60), QStringLiteral("dune"), "http://dl.example/2.gif"}));
    QVERIFY(history.add(
        {when.addSecs(120), QString::fromUtf16(u"fig\u202Egpj"), "http://dl.example/\xE2\x80\xAEgpj.exe"}));
    RecordingPresenter presenter;
    RecentUploadsDialog dialog(history, presenter);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *list = dialog.findChild<QTreeWidget *>(QStringLiteral("uploads"));
    auto *panel = dialog.findChild<LinkPanel *>();
    QCOMPARE(list->topLevelItemCount(), 4);
    // Read as the characters they hold, never reordered.
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("fig\\u202egpj"));
    QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("http://dl.example/\\u202egpj.exe"));
    QCOMPARE(panel->link(), QByteArray("http://dl.example/\xE2\x80\xAEgpj.exe"));
    QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("dune"));
    QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("http://dl.example/2.gif"));
    // A link too long for its column is elided where it shows, and whole
    // in its tooltip.
    QCOMPARE(list->textElideMode(), Qt::ElideMiddle);
    const QHeaderView *header = list->header();
    QTRY_VERIFY(header->sectionViewportPosition(2) + header->sectionSize(2) <= list->viewport()->width());
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    QCOMPARE(list->topLevelItem(3)->toolTip(2), QString::fromLatin1(longLink));
    QCOMPARE(list->accessibleName(), QStringLiteral("Recent uploads"));
    QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    list->setCurrentItem(list->topLevelItem(2));
    QCOMPARE(panel->link(), QByteArray("http://dl.example/1.gif"));
    QVERIFY(panel->hasCode());
    list->setFocus();
    QTest::keySequence(list, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://dl.example/1.gif"));

    auto *clear = dialog.findChild<QPushButton *>(QStringLiteral("clear"));
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(presenter.questions, QStringList{QStringLiteral("Clear the list of recent uploads?")});
    QCOMPARE(history.entries().size(), 4);
    presenter.answerYes = true;
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(history.entries().size(), 0);
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!clear->isEnabled());
    QVERIFY(panel->link().isEmpty());
}

QTEST_MAIN(LinkCodeTest)
#include "tst_linkcode.moc"
