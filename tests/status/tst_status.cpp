#include "config.h"
#include "core/upload/statusmessage.h"
#include "ui/status/CStatusDialog.h"
#include "ui/status/hyperlink.h"
#include "ui/status/messagelayout.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QClipboard>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include <memory>

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

// A link of the given length made of the separators a server uses.
QByteArray linkOfLength(int length)
{
    QByteArray link = "http://dl.example/w/get?id=8f3a91c2&session=";
    for (int i = 0; link.size() < length; ++i)
        link += QByteArray::number(i * 7919 % 100000) + (i % 3 ? "-" : "/");
    link.truncate(length);
    return link;
}

// A status dialog shown with its message set; the opener records the pages.
struct ShownStatus
{
    QList<QUrl> opened;
    CStatusDialog dlg{nullptr, [this](const QUrl &url) { opened << url; }};
    QPlainTextEdit *message = dlg.findChild<QPlainTextEdit *>(QStringLiteral("label2224"));

    bool show(int mode, const QByteArray &link, int pointSize = 0)
    {
        if (pointSize > 0)
            dlg.setFont(QFont(QStringLiteral("DejaVu Sans"), pointSize));
        dlg.m_nMode = mode;
        (mode == 1 ? dlg.m_pszLinkUrl : dlg.m_pszSuccessUrl) = link;
        dlg.OnInitDialog();
        dlg.show();
        return QTest::qWaitForWindowExposed(&dlg);
    }
    QLabel *label(const QString &name) const { return dlg.findChild<QLabel *>(name); }
    // The message's height in pixels, its document margins included.
    qreal documentHeight() const
    {
        auto *layout = qobject_cast<QPlainTextDocumentLayout *>(message->document()->documentLayout());
        qreal height = message->document()->documentMargin();
        for (QTextBlock block = message->document()->firstBlock(); block.isValid(); block = block.next())
            height += layout->blockBoundingRect(block).height();
        return height;
    }
};

// Where the last move of the pointer was delivered, in screen coordinates.
class PointerWatch : public QObject
{
public:
    PointerWatch() { qApp->installEventFilter(this); }
    QPoint last;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseMove)
            last = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        return false;
    }
};

// Moves the pointer and waits for the move to be delivered: on a real X
// server it comes back from the server some time after mouseMove() returns.
bool movePointer(QWidget *w, QPoint pos)
{
    static PointerWatch *watch = new PointerWatch;
    const QPoint global = w->mapToGlobal(pos);
    if (QCursor::pos() == global)
        return true;
    QTest::mouseMove(w, pos);
    return QTest::qWaitFor([&] { return watch->last == global; }, 2000);
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
        return movePointer(&dialog, QPoint(290, 190));
    }
};

} // namespace

class StatusTest : public QObject
{
    Q_OBJECT

private slots:
    void linkReadsOnEveryTheme_data();
    void linkReadsOnEveryTheme();
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
    void messageOnGroupBackground();

    void messageFits_data();
    void messageFits();
    void linkTooLongScrolls();
    void wrapLines_data();
    void wrapLines();
    void copyGivesTheLink();
    void helpLinks_data();
    void helpLinks();

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
    // It would read ".../exe.jpg".
    QTest::newRow("a bidi override shown escaped")
        << 1 << QByteArray("http://dl.example/w/\xE2\x80\xAEgpj.exe")
        << kTypeLink + "http://dl.example/w/\\u202egpj.exe";
    QTest::newRow("controls shown escaped") << 0 << QByteArray("http://dl.example/\x1b[2J\x07")
                                            << kSuccessWithLink + "http://dl.example/\\e[2J\\x07";
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
    QVERIFY(!(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
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
    // As wide as the template, but for the link's code and its margin
    // beside the texts; taller only as far as the message needs.
    QCOMPARE(shot.size() / shot.devicePixelRatio(), dlg.size());
    const QWidget *panel = dlg.findChild<QWidget *>(QStringLiteral("linkPanel"));
    QCOMPARE(dlg.width(), 342 + (link.isEmpty() ? 0 : panel->width() + 25));
    QVERIFY(dlg.height() >= 236);
    const QString dir = qEnvironmentVariable("PICTOVANE_SHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(shot.save(QDir(dir).filePath(QStringLiteral("status-%1.png").arg(QTest::currentDataTag()))));
}

// Fusion tints the inside of a group box, most visibly in a dark theme.
void StatusTest::messageOnGroupBackground()
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QVERIFY(fusion);
    QPalette dark = fusion->standardPalette();
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::Base, QColor(42, 42, 42));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(230, 230, 230));
    CStatusDialog dlg(nullptr, [](const QUrl &) {});
    dlg.setStyle(fusion.get());
    for (QWidget *w : dlg.findChildren<QWidget *>())
        w->setStyle(fusion.get());
    dlg.setPalette(dark);
    dlg.m_nMode = 0;
    dlg.m_pszSuccessUrl = "http://dl.example/w/77";
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QImage shot = dlg.grab().toImage();
    const QWidget *message = dlg.findChild<QWidget *>(QStringLiteral("label2224"));
    // The message's last corner holds no text; just left of the message is
    // the group box's own inside.
    const QRect area = message->geometry();
    const qreal ratio = shot.devicePixelRatio();
    const auto at = [&](QPoint p) { return shot.pixelColor((QPointF(p) * ratio).toPoint()); };
    const QColor group = at(area.bottomLeft() + QPoint(-2, -2));
    QCOMPARE(at(area.bottomRight() + QPoint(-2, -2)), group);
    QCOMPARE(at(area.topRight() + QPoint(-2, 2)), group);
    const QString dir = qEnvironmentVariable("PICTOVANE_SHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(shot.save(QDir(dir).filePath(QStringLiteral("status-dark.png"))));
}

void StatusTest::messageFits_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<int>("pointSize"); // 0: the template's font
    const QList<QPair<const char *, QByteArray>> links = {{"no link", QByteArray()},
                                                          {"short link", "http://dl.example/w/42"},
                                                          {"90-char link", linkOfLength(90)},
                                                          {"300-char link", linkOfLength(300)}};
    for (int pointSize : {0, 11}) {
        for (int mode : {0, 1, 2}) {
            for (const auto &[name, link] : links) {
                QTest::addRow("mode %d, %s, %s", mode, name, pointSize ? "11 pt" : "template font")
                    << mode << link << pointSize;
            }
        }
    }
}

void StatusTest::messageFits()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, link);
    QFETCH(int, pointSize);
    ShownStatus s;
    QVERIFY(s.show(mode, link, pointSize));
    // All of it is in view: no scroll bar is needed.
    QVERIFY2(
        s.documentHeight() <= s.message->viewport()->height(),
        qPrintable(QStringLiteral("%1 > %2").arg(s.documentHeight()).arg(s.message->viewport()->height())));
    QCOMPARE(s.message->verticalScrollBar()->maximum(), 0);
    QVERIFY(s.dlg.height() <= s.dlg.screen()->availableGeometry().height() * 8 / 10);

    // Help texts whole, in the template's order, inside the frame with room
    // to spare; the buttons below the group box.
    auto *group = s.dlg.findChild<QGroupBox *>();
    const QRect inside = group->contentsRect().translated(group->pos()).adjusted(2, 2, -2, -2);
    QWidget *previous = nullptr;
    for (QWidget *child : QList<QWidget *>{s.message, s.label("label2225"), s.label("label2226")}) {
        QVERIFY2(inside.contains(child->geometry()), qPrintable(child->objectName()));
        if (auto *label = qobject_cast<QLabel *>(child))
            QVERIFY(label->height() >= label->heightForWidth(label->width()));
        if (previous)
            QVERIFY(child->y() > previous->geometry().bottom());
        previous = child;
    }
    for (const char *button : {"button1", "button2"}) {
        const QRect geometry = s.dlg.findChild<QPushButton *>(QLatin1String(button))->geometry();
        QVERIFY(geometry.top() > group->geometry().bottom());
        QVERIFY(s.dlg.rect().contains(geometry));
    }

    // A link is wrapped only after its separators, never right after "http://".
    if (link.size() < 90 || mode == 2)
        return;
    const QTextBlock block = s.message->document()->lastBlock();
    const int linkStart = int(block.text().size() - link.size());
    QVERIFY(block.layout()->lineAt(block.layout()->lineCount() - 1).textStart() > linkStart);
    for (int i = 1; i < block.layout()->lineCount(); ++i) {
        const int start = block.layout()->lineAt(i).textStart();
        QVERIFY(start <= linkStart || start > linkStart + int(strlen("http://")));
        QVERIFY(start <= linkStart || QStringLiteral("/?&=-").contains(block.text().at(start - 1)));
    }
}

void StatusTest::linkTooLongScrolls()
{
    ShownStatus s;
    QVERIFY(s.show(0, linkOfLength(3000), 11));
    QVERIFY(s.message->verticalScrollBar()->maximum() > 0);
    QVERIFY(s.message->verticalScrollBar()->isVisible());
    QVERIFY(s.dlg.height() <= s.dlg.screen()->availableGeometry().height() * 8 / 10);
    QVERIFY(s.dlg.height() > 236);
}

void StatusTest::wrapLines_data()
{
    // Every character one unit wide.
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("linkStart");
    QTest::addColumn<qreal>("width");
    QTest::addColumn<QList<int>>("ends");
    QTest::newRow("prose at blanks") << "aa bb cc" << -1 << 5.0 << QList<int>{6, 8};
    QTest::newRow("not after the scheme") << "go http://ab/cd/ef" << 3 << 12.0 << QList<int>{3, 13, 18};
    QTest::newRow("each separator") << "a?b=c&d-e" << 0 << 4.0 << QList<int>{4, 8, 9};
    QTest::newRow("not inside a run of separators") << "x//yy" << 0 << 3.0 << QList<int>{3, 5};
    QTest::newRow("a run too wide is cut") << "http://abcdefgh" << 0 << 8.0 << QList<int>{8, 15};
    QTest::newRow("a link starts on a new line") << "ab cd/ef" << 3 << 5.0 << QList<int>{3, 8};
    QTest::newRow("a short link that fits a line is kept whole")
        << "see http://x/w/77" << 4 << 14.0 << QList<int>{4, 17};
}

void StatusTest::wrapLines()
{
    QFETCH(QString, text);
    QFETCH(int, linkStart);
    QFETCH(qreal, width);
    QFETCH(QList<int>, ends);
    QList<qreal> advance;
    for (int i = 0; i <= text.size(); ++i)
        advance << i;
    QCOMPARE(wrapMessageLines(text, advance, width, linkStart, linkStart < 0 ? -1 : int(text.size())), ends);
}

void StatusTest::copyGivesTheLink()
{
    const QByteArray link = linkOfLength(90);
    ShownStatus s;
    QVERIFY(s.show(0, link));
    QTextCursor cursor(s.message->document());
    cursor.setPosition(int(s.message->toPlainText().size() - link.size()));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    s.message->setTextCursor(cursor);
    QGuiApplication::clipboard()->clear();
    s.message->copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromLatin1(link));
}

void StatusTest::helpLinks_data()
{
    QTest::addColumn<int>("tabs"); // from OK
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("path");
    QTest::newRow("support by Enter") << 2 << Qt::Key_Return << "label2225"
                                      << "/";
    QTest::newRow("support by Space") << 2 << Qt::Key_Space << "label2225"
                                      << "/";
    QTest::newRow("questions by Enter") << 3 << Qt::Key_Enter << "label2226"
                                        << "/allfaqs.asp";
    QTest::newRow("questions by Space") << 3 << Qt::Key_Space << "label2226"
                                        << "/allfaqs.asp";
}

void StatusTest::helpLinks()
{
    QFETCH(int, tabs);
    QFETCH(Qt::Key, key);
    QFETCH(QString, label);
    QFETCH(QString, path);
    ShownStatus s;
    QVERIFY(s.show(2, {}));
    s.dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.dlg));
    QLabel *link = s.label(label);
    QUrl expected(QString::fromUtf8(config::kSupportUrl));
    expected.setPath(path);

    // A link to assistive tools, which can follow it.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(link);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Link);
    QCOMPARE(iface->text(QAccessible::Name), link->text());
    QVERIFY(iface->state().focusable);
    QVERIFY(iface->actionInterface());
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(s.opened, QList<QUrl>{expected});
    s.opened.clear();

    const QImage unfocused = link->grab().toImage();
    // A click follows the link without taking the focus or drawing it.
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!link->hasFocus());
    QCOMPARE(link->grab().toImage(), unfocused);
    s.opened.clear();

    s.dlg.findChild<QPushButton *>(QStringLiteral("button1"))->setFocus(Qt::OtherFocusReason);
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(link->hasFocus());
    QVERIFY(link->grab().toImage() != unfocused);
    QTest::keyClick(link, key);
    QCOMPARE(s.opened, QList<QUrl>{expected});
    // Enter went to the link, not to the default button.
    QVERIFY(s.dlg.isVisible());
    // Closed, it is plain text again.
    s.dlg.accept();
    QCOMPARE(QAccessible::queryAccessibleInterface(link)->role(), QAccessible::StaticText);
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
        QVERIFY(movePointer(&d.dialog, d.first->mapTo(&d.dialog, move)));
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
        QVERIFY(movePointer(d.first, QPoint(5, 5)));
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

void StatusTest::linkReadsOnEveryTheme_data()
{
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("themeLink");
    QTest::addColumn<QColor>("expected");
    const QColor classic(0, 0, 192);
    QTest::newRow("light theme keeps the classic blue")
        << QColor(240, 240, 240) << QColor(0, 0, 255) << classic;
    QTest::newRow("white") << QColor(Qt::white) << QColor(42, 130, 218) << classic;
    QTest::newRow("dark theme with a readable link colour")
        << QColor(0x2B, 0x2B, 0x2B) << QColor(0x8A, 0xC8, 0xFF) << QColor(0x8A, 0xC8, 0xFF);
    QTest::newRow("dark theme whose link colour does not read (Fusion's)")
        << QColor(53, 53, 53) << QColor(42, 130, 218) << QColor(0x8A, 0xB4, 0xF8);
    QTest::newRow("mid grey: only white reads")
        << QColor(118, 118, 118) << QColor(0, 0, 192) << QColor(Qt::white);
}

void StatusTest::linkReadsOnEveryTheme()
{
    QFETCH(QColor, background);
    QFETCH(QColor, themeLink);
    QFETCH(QColor, expected);
    const QColor link = linkColourOn(background, themeLink);
    QCOMPARE(link, expected);
    QVERIFY2(contrastRatio(link, background) >= 4.5,
             qPrintable(QString::number(contrastRatio(link, background))));
}

QTEST_MAIN(StatusTest)
#include "tst_status.moc"
