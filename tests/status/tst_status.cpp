#include "config.h"
#include "status/CStatusDialog.h"
#include "status/hyperlink.h"

#include <QAbstractButton>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString kSuccessWithLink = QStringLiteral(
    "The Ringtone was successfully uploaded to your phone. If you don't recieve the text msg or you are "
    "unable "
    "to extract the URL from the text message, please type the following URL into your phone ");
const QString kSuccessShort = QStringLiteral("The Ringtone was successfully uploaded to your phone.");
const QString kTypeLink =
    QStringLiteral("To download your wallpaper, please type in the following URL into your phone: \n");
const QString kError =
    QStringLiteral("An error occured while uploading the wallpaper to your phone, please try again");

QStringList hyperlinkProperties(const QObject *root)
{
    QStringList found;
    QList<const QObject *> objects{root};
    for (const QObject *child : root->findChildren<QObject *>())
        objects << child;
    for (const QObject *object : objects) {
        for (const QByteArray &name : object->dynamicPropertyNames()) {
            if (name.startsWith("_Hyperlink_"))
                found << object->objectName() + QLatin1Char('.') + QString::fromLatin1(name);
        }
    }
    return found;
}

// A dialog like the status dialog's lower half: two labels to convert and
// one that stays plain.
struct LinkDialog
{
    QDialog dialog;
    QLabel *first = new QLabel(QStringLiteral("first link"), &dialog);
    QLabel *second = new QLabel(QStringLiteral("second link"), &dialog);
    QLabel *plain = new QLabel(QStringLiteral("plain text"), &dialog);

    LinkDialog()
    {
        first->setObjectName(QStringLiteral("label3001"));
        second->setObjectName(QStringLiteral("label3002"));
        plain->setObjectName(QStringLiteral("label3003"));
        dialog.resize(300, 200);
        first->setGeometry(10, 10, 120, 20);
        second->setGeometry(10, 60, 120, 20);
        plain->setGeometry(10, 110, 120, 20);
    }

    bool showAndWait()
    {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            return false;
        // Start from a pointer over no label: a move to where the pointer
        // already is would not be delivered.
        QTest::mouseMove(&dialog, QPoint(290, 190));
        return true;
    }
};

} // namespace

class StatusTest : public QObject
{
    Q_OBJECT

private slots:
    void messagePerMode_data();
    void messagePerMode();
    void longLinkShownWhole();
    void dialogControls();
    void helpLinksOpenPagesAndStayOpen_data();
    void helpLinksOpenPagesAndStayOpen();
    void buttonsClose_data();
    void buttonsClose();
    void renderEachMode_data();
    void renderEachMode();

    void conversionLook();
    void hover_data();
    void hover();
    void click_data();
    void click();
    void nothingLeftAfterClose_data();
    void nothingLeftAfterClose();
    void convertedAgainAfterClose();
};

void StatusTest::messagePerMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QString>("expected");

    const QByteArray link = "http://dl.example/w/42";
    QTest::newRow("success with link") << 0 << link << kSuccessWithLink + QString::fromLatin1(link);
    QTest::newRow("success without link") << 0 << QByteArray() << kSuccessShort;
    QTest::newRow("link to type, on its own line") << 1 << link << kTypeLink + QString::fromLatin1(link);
    QTest::newRow("error") << 2 << QByteArray() << kError;
    QTest::newRow("error ignores a link") << 2 << link << kError;
    QTest::newRow("unknown mode leaves it empty") << 3 << link << QString();
    QTest::newRow("negative mode leaves it empty") << -1 << link << QString();
    QTest::newRow("markup shown as typed")
        << 0 << QByteArray("<b>x</b>&amp;") << kSuccessWithLink + "<b>x</b>&amp;";
}

void StatusTest::messagePerMode()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, link);
    QFETCH(QString, expected);
    CStatusDialog dlg(nullptr, [](const QUrl &) {});
    dlg.m_nMode = mode;
    dlg.m_pszLinkUrl = mode == 1 ? link : QByteArray();
    dlg.m_pszSuccessUrl = mode == 1 ? QByteArray() : link;
    dlg.OnInitDialog();
    auto *message = dlg.findChild<QPlainTextEdit *>(QStringLiteral("label2224"));
    QVERIFY(message);
    QCOMPARE(message->toPlainText(), expected);
}

void StatusTest::longLinkShownWhole()
{
    QByteArray link = "http://dl.example/";
    while (link.size() < 5000)
        link += QByteArray::number(link.size()) + '/';
    link.truncate(5000);
    CStatusDialog dlg(nullptr, [](const QUrl &) {});
    dlg.m_nMode = 0;
    dlg.m_pszSuccessUrl = link;
    dlg.OnInitDialog();
    auto *message = dlg.findChild<QPlainTextEdit *>(QStringLiteral("label2224"));
    QCOMPARE(message->toPlainText(), kSuccessWithLink + QString::fromLatin1(link));
    // The user must be able to take the link out of it.
    QVERIFY(message->textInteractionFlags() & Qt::TextSelectableByMouse);
    QCOMPARE(message->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void StatusTest::dialogControls()
{
    CStatusDialog dlg(nullptr, [](const QUrl &) {});
    dlg.OnInitDialog();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Upload Status"));
    QCOMPARE(dlg.size(), QSize(342, 236));
    QCOMPARE(dlg.findChild<QGroupBox *>()->title(), QStringLiteral("Upload Status"));
    QCOMPARE(dlg.findChild<QLabel *>(QStringLiteral("label2225"))->text(),
             QStringLiteral("Please Click Here if you werent' able to download the wallpaper"));
    QCOMPARE(dlg.findChild<QLabel *>(QStringLiteral("label2226"))->text(),
             QStringLiteral("How do I save my ringtone or wallpaper to my phone?"));
    auto *ok = dlg.findChild<QPushButton *>(QStringLiteral("button1"));
    auto *cancel = dlg.findChild<QPushButton *>(QStringLiteral("button2"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QVERIFY(!cancel->isDefault());
    // Both help texts are links from the first show on.
    for (const char *name : {"label2225", "label2226"}) {
        auto *label = dlg.findChild<QLabel *>(QLatin1String(name));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    }
}

void StatusTest::helpLinksOpenPagesAndStayOpen_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("path");
    QTest::newRow("support root") << QStringLiteral("label2225") << QStringLiteral("/");
    QTest::newRow("questions page") << QStringLiteral("label2226") << QStringLiteral("/allfaqs.asp");
}

void StatusTest::helpLinksOpenPagesAndStayOpen()
{
    QFETCH(QString, label);
    QFETCH(QString, path);
    QList<QUrl> opened;
    CStatusDialog dlg(nullptr, [&opened](const QUrl &url) { opened << url; });
    dlg.m_nMode = 2;
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(dlg.findChild<QLabel *>(label), Qt::LeftButton, {}, QPoint(5, 5));
    QUrl expected(QString::fromUtf8(config::kSupportUrl));
    expected.setPath(path);
    QCOMPARE(opened, QList<QUrl>{expected});
    QVERIFY(dlg.isVisible());
}

void StatusTest::buttonsClose_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << QStringLiteral("button1") << int(QDialog::Accepted);
    QTest::newRow("Cancel") << QStringLiteral("button2") << int(QDialog::Rejected);
}

void StatusTest::buttonsClose()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    CStatusDialog dlg(nullptr, [](const QUrl &) {});
    dlg.m_nMode = 0;
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.setResult(-1);
    QTest::mouseClick(dlg.findChild<QAbstractButton *>(button), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), result);
    QVERIFY(hyperlinkProperties(&dlg).isEmpty());
}

void StatusTest::renderEachMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("link");
    QTest::newRow("mode0") << 0 << QByteArray("http://dl.example/w/8f3a91c2");
    QTest::newRow("mode0-nolink") << 0 << QByteArray();
    QTest::newRow("mode1") << 1 << QByteArray("http://dl.example/w/8f3a91c2");
    QTest::newRow("mode2") << 2 << QByteArray();
    QTest::newRow("mode0-long") << 0 << "http://dl.example/" + QByteArray(600, 'x');
}

// Renders what the user sees; PICTOVANE_SHOT_DIR keeps the pictures for a look.
void StatusTest::renderEachMode()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, link);
    CStatusDialog dlg(nullptr, [](const QUrl &) {});
    dlg.m_nMode = mode;
    (mode == 1 ? dlg.m_pszLinkUrl : dlg.m_pszSuccessUrl) = link;
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QImage shot = dlg.grab().toImage();
    // As wide as the template; taller only as far as the message needs.
    QCOMPARE(shot.size() / shot.devicePixelRatio(), dlg.size());
    QCOMPARE(dlg.width(), 342);
    QVERIFY(dlg.height() >= 236);
    const QString dir = qEnvironmentVariable("PICTOVANE_SHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(shot.save(QDir(dir).filePath(QStringLiteral("status-%1.png").arg(QTest::currentDataTag()))));
}

void StatusTest::conversionLook()
{
    LinkDialog d;
    const QFont original = d.first->font();
    ConvertStaticToHyperlink(d.first);
    QVERIFY(ConvertStaticToHyperlink(&d.dialog, 3002));
    QCOMPARE(d.first->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    QCOMPARE(d.second->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    QCOMPARE(d.plain->palette().color(QPalette::WindowText), d.dialog.palette().color(QPalette::WindowText));
    QCOMPARE(d.first->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(d.plain->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(d.first->property("_Hyperlink_Original_Font_").value<QFont>(), original);
    QFont underline = original;
    underline.setUnderline(true);
    QCOMPARE(d.first->property("_Hyperlink_Underline_Font_").value<QFont>(), underline);
    QCOMPARE(d.first->property("_Hyperlink_From_Static_").toInt(), 1);
    QVERIFY(!d.plain->property("_Hyperlink_From_Static_").isValid());
    // One filter on the parent however many of its labels are links.
    QCOMPARE(d.dialog.findChildren<HyperlinkParentFilter *>().size(), 1);
    QVERIFY(hyperlinkParentFilter(&d.dialog));
}

void StatusTest::hover_data()
{
    QTest::addColumn<QList<QPoint>>("moves"); // in the first link's coordinates
    QTest::addColumn<bool>("hovered");
    QTest::addColumn<int>("conversions");
    QTest::newRow("onto the link") << QList<QPoint>{{5, 5}} << true << 1;
    QTest::newRow("within the link") << QList<QPoint>{{5, 5}, {100, 15}} << true << 1;
    QTest::newRow("onto and off") << QList<QPoint>{{5, 5}, {150, 5}} << false << 1;
    QTest::newRow("off onto another link") << QList<QPoint>{{5, 5}, {5, 55}} << false << 1;
    QTest::newRow("off and back on") << QList<QPoint>{{5, 5}, {5, 40}, {6, 6}} << true << 1;
    QTest::newRow("converted twice, onto and off") << QList<QPoint>{{5, 5}, {150, 5}} << false << 2;
    QTest::newRow("converted twice, onto") << QList<QPoint>{{5, 5}} << true << 2;
}

void StatusTest::hover()
{
    QFETCH(QList<QPoint>, moves);
    QFETCH(bool, hovered);
    QFETCH(int, conversions);
    LinkDialog d;
    const QFont original = d.first->font();
    for (int i = 0; i < conversions; ++i)
        ConvertStaticToHyperlink(d.first);
    ConvertStaticToHyperlink(d.second);
    QVERIFY(d.showAndWait());
    for (const QPoint &move : moves)
        QTest::mouseMove(&d.dialog, d.first->mapTo(&d.dialog, move));
    QCOMPARE(QWidget::mouseGrabber(), hovered ? d.first : nullptr);
    QCOMPARE(d.first->font().underline(), hovered);
    if (!hovered)
        QCOMPARE(d.first->font(), original);
    QVERIFY(!d.second->font().underline());
    d.dialog.hide();
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
}

void StatusTest::click_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QList<int>>("ids");
    QTest::newRow("first link") << QStringLiteral("label3001") << Qt::LeftButton << QList<int>{3001};
    QTest::newRow("second link") << QStringLiteral("label3002") << Qt::LeftButton << QList<int>{3002};
    QTest::newRow("plain text") << QStringLiteral("label3003") << Qt::LeftButton << QList<int>{};
    QTest::newRow("right button") << QStringLiteral("label3001") << Qt::RightButton << QList<int>{};
}

void StatusTest::click()
{
    QFETCH(QString, label);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QList<int>, ids);
    LinkDialog d;
    ConvertStaticToHyperlink(&d.dialog, 3001);
    ConvertStaticToHyperlink(&d.dialog, 3002);
    QVERIFY(d.showAndWait());
    QSignalSpy spy(hyperlinkParentFilter(&d.dialog), &HyperlinkParentFilter::clicked);
    QTest::mouseClick(d.dialog.findChild<QLabel *>(label), button, {}, QPoint(5, 5));
    QList<int> clicked;
    for (const QList<QVariant> &args : std::as_const(spy))
        clicked << args.at(0).toInt();
    QCOMPARE(clicked, ids);
    QVERIFY(d.dialog.isVisible());
}

void StatusTest::nothingLeftAfterClose_data()
{
    QTest::addColumn<bool>("hoverFirst");
    QTest::addColumn<bool>("convertTwice");
    QTest::newRow("closed at rest") << false << false;
    QTest::newRow("closed while hovered") << true << false;
    QTest::newRow("converted twice") << false << true;
}

void StatusTest::nothingLeftAfterClose()
{
    QFETCH(bool, hoverFirst);
    QFETCH(bool, convertTwice);
    LinkDialog d;
    const QFont original = d.first->font();
    const QPalette palette = d.first->palette();
    ConvertStaticToHyperlink(d.first);
    ConvertStaticToHyperlink(d.second);
    if (convertTwice)
        ConvertStaticToHyperlink(d.first);
    QVERIFY(d.showAndWait());
    if (hoverFirst)
        QTest::mouseMove(d.first, QPoint(5, 5));
    QCOMPARE(d.first->font().underline(), hoverFirst);
    d.dialog.accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(hyperlinkProperties(&d.dialog), QStringList());
    QCOMPARE(d.first->font(), original);
    QCOMPARE(d.first->palette().color(QPalette::WindowText), palette.color(QPalette::WindowText));
    QVERIFY(!d.first->testAttribute(Qt::WA_SetCursor));
    QVERIFY(!d.first->hasMouseTracking());
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    QVERIFY(d.dialog.findChildren<HyperlinkParentFilter *>().isEmpty());
    QVERIFY(!hyperlinkParentFilter(&d.dialog));
}

// The status dialog may run twice for one reply; the second run converts anew.
void StatusTest::convertedAgainAfterClose()
{
    QList<QUrl> opened;
    CStatusDialog dlg(nullptr, [&opened](const QUrl &url) { opened << url; });
    for (int run = 0; run < 2; ++run) {
        dlg.m_nMode = run;
        dlg.OnInitDialog();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::mouseClick(dlg.findChild<QLabel *>(QStringLiteral("label2226")), Qt::LeftButton, {},
                          QPoint(5, 5));
        dlg.accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(hyperlinkProperties(&dlg), QStringList());
    }
    QCOMPARE(opened.size(), 2);
}

QTEST_MAIN(StatusTest)
#include "tst_status.moc"
