#include "config.h"
#include "core/upload/statusmessage.h"
#include "ui/status/CStatusDialog.h"
#include "ui/status/hyperlink.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
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
    QLabel *message = dlg.findChild<QLabel *>(QStringLiteral("label2224"));

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

// A dialog like the status dialog's lower half: two links and plain text.
struct LinkDialog
{
    QDialog dialog;
    HyperlinkLabel *first = new HyperlinkLabel(&dialog);
    HyperlinkLabel *second = new HyperlinkLabel(&dialog);
    QLabel *plain = new QLabel(QStringLiteral("plain text"), &dialog);

    LinkDialog()
    {
        first->setText(QStringLiteral("first link"));
        second->setText(QStringLiteral("second link"));
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
    void copyGivesTheLink();
    void helpLinks_data();
    void helpLinks();

    void hover_data();
    void hover();
    void click_data();
    void click();
};

void StatusTest::messagePerMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QString>("expected");

    const QByteArray link = "http://dl.example/w/42";
    QTest::newRow("success with link, on its own line")
        << 0 << link << kSuccessWithLink + '\n' + QString::fromLatin1(link);
    QTest::newRow("success without link") << 0 << QByteArray() << kSuccessShort;
    QTest::newRow("link to type, on its own line") << 1 << link << kTypeLink + QString::fromLatin1(link);
    QTest::newRow("error") << 2 << QByteArray() << kError;
    QTest::newRow("error ignores a link") << 2 << link << kError;
    QTest::newRow("unknown mode leaves it empty") << 3 << link << QString();
    QTest::newRow("negative mode leaves it empty") << -1 << link << QString();
    QTest::newRow("markup shown as typed")
        << 0 << QByteArray("<b>x</b>&amp;") << kSuccessWithLink + "\n<b>x</b>&amp;";
    // It would read ".../exe.jpg".
    QTest::newRow("a bidi override shown escaped")
        << 1 << QByteArray("http://dl.example/w/\xE2\x80\xAEgpj.exe")
        << kTypeLink + "http://dl.example/w/\\u202egpj.exe";
    QTest::newRow("controls shown escaped") << 0 << QByteArray("http://dl.example/\x1b[2J\x07")
                                            << kSuccessWithLink + "\nhttp://dl.example/\\e[2J\\x07";
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
    auto *message = dlg.findChild<QLabel *>(QStringLiteral("label2224"));
    QVERIFY(message);
    // Read as shown: the zero-width breaks are not seen.
    QCOMPARE(message->text().remove(QChar(0x200B)), expected);
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
    auto *message = dlg.findChild<QLabel *>(QStringLiteral("label2224"));
    QCOMPARE(message->text().remove(QChar(0x200B)), kSuccessWithLink + '\n' + QString::fromLatin1(link));
    // The user must be able to take the link out of it.
    QVERIFY(message->textInteractionFlags() & Qt::TextSelectableByMouse);
    QVERIFY(message->wordWrap());
}

void StatusTest::dialogControls()
{
    CStatusDialog dlg(nullptr, [](const QUrl &) {});
    dlg.OnInitDialog();
    dlg.layout()->activate();
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
    const QRect area(message->mapTo(&dlg, QPoint()), message->size());
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
    const QList<QPair<const char *, QByteArray>> links = {
        {"no link", QByteArray()},
        {"short link", "http://dl.example/w/42"},
        {"90-char link", linkOfLength(90)},
        {"300-char link", linkOfLength(300)},
        {"a run longer than a line", "http://dl.example/" + QByteArray(200, 'x')}};
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
    QVERIFY(s.dlg.height() <= s.dlg.screen()->availableGeometry().height() * 8 / 10);

    // Help texts whole, in the template's order, inside the frame with room
    // to spare; the buttons below the group box.
    auto *group = s.dlg.findChild<QGroupBox *>();
    const QRect inside = group->contentsRect().adjusted(2, 2, -2, -2);
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

    // No line of it runs past the label's edge, however long the link's runs.
    QTextLayout layout(s.message->text().replace(u'\n', QChar::LineSeparator), s.message->font());
    layout.setTextOption(QTextOption(Qt::AlignLeft)); // wrapped at words, as the label does
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(s.message->width());
        QVERIFY2(line.naturalTextWidth() <= s.message->width(), qPrintable(QStringLiteral("%1 %2 %3")
                                                                               .arg(line.textStart())
                                                                               .arg(line.naturalTextWidth())
                                                                               .arg(s.message->width())));
    }
    layout.endLayout();
}

void StatusTest::copyGivesTheLink()
{
    const QByteArray link = linkOfLength(90);
    ShownStatus s;
    QVERIFY(s.show(0, link));
    const int start = int(s.message->text().lastIndexOf(u'\n')) + 1;
    s.message->setSelection(start, int(s.message->text().size()) - start);
    QGuiApplication::clipboard()->clear();
    s.message->setFocus();
    QTest::keySequence(s.message, QKeySequence::Copy);
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
}

void StatusTest::hover_data()
{
    QTest::addColumn<QList<QPoint>>("moves"); // in the first link's coordinates
    QTest::addColumn<bool>("hovered");
    QTest::newRow("onto the link") << QList<QPoint>{{5, 5}} << true;
    QTest::newRow("within the link") << QList<QPoint>{{5, 5}, {100, 15}} << true;
    QTest::newRow("onto and off") << QList<QPoint>{{5, 5}, {150, 5}} << false;
    QTest::newRow("off onto another link") << QList<QPoint>{{5, 5}, {5, 55}} << false;
    QTest::newRow("off and back on") << QList<QPoint>{{5, 5}, {5, 40}, {6, 6}} << true;
}

void StatusTest::hover()
{
    QFETCH(QList<QPoint>, moves);
    QFETCH(bool, hovered);
    LinkDialog d;
    const QFont original = d.first->font();
    QVERIFY(d.showAndWait());
    for (const QPoint &move : moves)
        QVERIFY(movePointer(&d.dialog, d.first->mapTo(&d.dialog, move)));
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    QCOMPARE(d.first->font().underline(), hovered);
    if (!hovered)
        QCOMPARE(d.first->font(), original);
    // Underlined only under the pointer.
    QCOMPARE(d.second->font().underline(),
             d.second->geometry().contains(d.first->mapTo(&d.dialog, moves.last())));
    QVERIFY(movePointer(&d.dialog, QPoint(290, 190)));
    QVERIFY(!d.first->font().underline() && !d.second->font().underline());
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
    QVERIFY(d.showAndWait());
    QSignalSpy first(d.first, &HyperlinkLabel::clicked);
    QSignalSpy second(d.second, &HyperlinkLabel::clicked);
    QTest::mouseClick(d.dialog.findChild<QLabel *>(label), button, {}, QPoint(5, 5));
    QList<int> clicked;
    for (int i = 0; i < first.size(); ++i)
        clicked << 3001;
    for (int i = 0; i < second.size(); ++i)
        clicked << 3002;
    QCOMPARE(clicked, ids);
    QVERIFY(d.dialog.isVisible());
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
