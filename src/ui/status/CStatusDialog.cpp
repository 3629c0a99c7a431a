#include "ui/status/CStatusDialog.h"

#include "config.h"
#include "core/upload/statusmessage.h"
#include "ui/status/hyperlink.h"
#include "ui/status/linkpanel.h"
#include "ui_dialog2223.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kSupportLinkId = 2225;
constexpr int kFaqLinkId = 2226;
// Room kept between the group box's frame and what it holds.
constexpr int kFrameMargin = 4;
// The dialog grows to at most this share of the screen's height, in percent.
constexpr int kMaxScreenShare = 80;

QUrl supportPage(const char *path)
{
    return QUrl(QString::fromUtf8(config::kSupportUrl)).resolved(QUrl(QString::fromLatin1(path)));
}

} // namespace

CStatusDialog::CStatusDialog(QWidget *parent, UrlOpener openUrl) :
    QDialog(parent), m_ui(std::make_unique<Ui::CStatusDialog>()), m_openUrl(std::move(openUrl))
{
    if (!m_openUrl)
        m_openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    m_template = {size(),
                  m_ui->groupBox->geometry(),
                  m_ui->label2224->geometry(),
                  m_ui->label2225->geometry(),
                  m_ui->label2226->geometry(),
                  m_ui->button1->geometry(),
                  m_ui->button2->geometry(),
                  {}};
    // The message reads as static text on the dialog; its own layout keeps
    // a link's pieces together and wraps it only at its separators.
    QPlainTextEdit *message = m_ui->label2224;
    auto *document = new QTextDocument(message);
    m_messageLayout = new MessageTextLayout(document);
    document->setDocumentLayout(m_messageLayout);
    m_messageLayout->setPaintDevice(message->viewport());
    document->setDefaultFont(message->font());
    message->setDocument(document);
    message->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // No background of its own: the group box's shows through, whatever
    // tint the style gives the inside of its frame.
    QPalette flat = message->palette();
    flat.setColor(QPalette::Base, Qt::transparent);
    message->setPalette(flat);
    message->installEventFilter(this);
    m_linkPanel = new LinkPanel(this);
    m_linkPanel->hide();
    if (auto *copy = m_linkPanel->findChild<QWidget *>(QStringLiteral("copyLink")))
        setTabOrder(m_ui->button2, copy);
    fitToMessage();
}

CStatusDialog::~CStatusDialog() = default;

int CStatusDialog::DoModal()
{
    OnInitDialog();
    return exec();
}

void CStatusDialog::OnInitDialog()
{
    ConvertStaticToHyperlink(this, kSupportLinkId);
    ConvertStaticToHyperlink(this, kFaqLinkId);
    if (HyperlinkParentFilter *links = hyperlinkParentFilter(this))
        connect(links, &HyperlinkParentFilter::clicked, this, &CStatusDialog::onLinkClicked,
                Qt::UniqueConnection);

    const QByteArray &link = m_nMode == 1 ? m_pszLinkUrl : m_pszSuccessUrl;
    // The link reads as the characters it holds, none of them acting.
    const QString text = statusMessageText(m_nMode, link, true);
    const qsizetype linkLength =
        (m_nMode == 0 || m_nMode == 1) ? escapedForDisplay(statusLinkText(link)).size() : 0;
    m_messageLayout->setLink(linkLength > 0 ? int(text.size() - linkLength) : -1, int(linkLength));
    m_ui->label2224->setPlainText(text);
    m_linkPanel->setLink(m_nMode == 0 || m_nMode == 1 ? link : QByteArray(), m_note);
    m_linkPanel->setVisible(!m_linkPanel->link().isEmpty());
    fitToMessage();
    m_ui->button1->setFocus();
}

void CStatusDialog::fitToMessage()
{
    QPlainTextEdit *message = m_ui->label2224;
    QGroupBox *group = m_ui->groupBox;
    StatusNeeds needs;
    const int frame = 2 * message->frameWidth();
    needs.message = m_messageLayout->neededHeight(m_template.message.width() - frame) + frame;
    needs.support = m_ui->label2225->heightForWidth(m_template.support.width());
    needs.faq = m_ui->label2226->heightForWidth(m_template.faq.width());

    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.rect = QRect(QPoint(), m_template.group.size());
    option.text = group->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect contents =
        group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, group);
    needs.groupFrame = QMargins(contents.left(), contents.top(), option.rect.right() - contents.right(),
                                option.rect.bottom() - contents.bottom());
    needs.margin = kFrameMargin;
    const QScreen *shown = screen();
    needs.maxHeight = shown ? shown->availableGeometry().height() * kMaxScreenShare / 100 : 0;
    if (!m_linkPanel->isHidden())
        needs.side = m_linkPanel->sizeHint();

    StatusGeometry fitted = fitStatusLayout(m_template, needs);
    // A code too big for the screen is dropped rather than cut off.
    const QSize room(shown ? shown->availableGeometry().width() : 0, needs.maxHeight);
    if (m_linkPanel->hasCode() && !room.isEmpty()
        && (fitted.dialog.width() > room.width() || fitted.dialog.height() > room.height())) {
        m_linkPanel->dropCode();
        needs.side = m_linkPanel->sizeHint();
        fitted = fitStatusLayout(m_template, needs);
    }
    // A scroll bar shown only as needed would take width from a message
    // that fits, and then it would need one.
    message->setVerticalScrollBarPolicy(fitted.messageScrolls ? Qt::ScrollBarAlwaysOn
                                                              : Qt::ScrollBarAlwaysOff);
    setFixedSize(fitted.dialog);
    group->setGeometry(fitted.group);
    message->setGeometry(fitted.message);
    m_ui->label2225->setGeometry(fitted.support);
    m_ui->label2226->setGeometry(fitted.faq);
    m_ui->button1->setGeometry(fitted.ok);
    m_ui->button2->setGeometry(fitted.cancel);
    m_linkPanel->setGeometry(fitted.side);
}

bool CStatusDialog::copyLinkFor(QKeyEvent *event)
{
    if (!event->matches(QKeySequence::Copy) || m_linkPanel->link().isEmpty()
        || m_ui->label2224->textCursor().hasSelection())
        return false;
    m_linkPanel->copyLink();
    return true;
}

void CStatusDialog::keyPressEvent(QKeyEvent *event)
{
    if (!copyLinkFor(event))
        QDialog::keyPressEvent(event);
}

bool CStatusDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The message takes Ctrl+C itself when it has the focus, and copies
    // nothing when nothing is selected.
    if (watched == m_ui->label2224 && event->type() == QEvent::KeyPress
        && copyLinkFor(static_cast<QKeyEvent *>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void CStatusDialog::OnClickedSupportLink()
{
    m_openUrl(supportPage("/"));
}

void CStatusDialog::OnClickedFaqLink()
{
    m_openUrl(supportPage("/allfaqs.asp"));
}

void CStatusDialog::onLinkClicked(int id)
{
    if (id == kSupportLinkId)
        OnClickedSupportLink();
    else if (id == kFaqLinkId)
        OnClickedFaqLink();
}
