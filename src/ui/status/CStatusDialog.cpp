#include "ui/status/CStatusDialog.h"

#include "config.h"
#include "core/upload/statusmessage.h"
#include "ui_dialog2223.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QUrl>

namespace {

// The dialog grows to at most this share of the screen's height, in percent.
constexpr int kMaxScreenShare = 80;
// Qt's word wrap breaks a link at few of its separators and never inside a
// longer run, which the label would cut off: zero-width spaces give it
// the breaks, never more than this many characters apart.
constexpr int kLongestRun = 20;
constexpr QChar kBreak(0x200B);
constexpr QStringView kSeparators = u"/?&=-";

QUrl supportPage(const char *path)
{
    return QUrl(QString::fromUtf8(config::kSupportUrl)).resolved(QUrl(QString::fromLatin1(path)));
}

// The link as shown, on a line of its own, breakable after its separators
// (past the scheme, so "http://" is not left alone on a line). It holds no
// format character of its own (those are shown escaped), so every zero-width
// space is ours.
QString shownLink(const QString &link)
{
    const qsizetype scheme = link.indexOf(u"://");
    const qsizetype from = scheme < 0 ? 0 : scheme + 3;
    QString shown = QLatin1Char('\n') + link.left(from);
    int run = 0;
    for (qsizetype i = from; i < link.size(); ++i) {
        const QChar c = link.at(i);
        shown += c;
        const bool last = i + 1 == link.size();
        const bool separatorEnds = kSeparators.contains(c) && (last || !kSeparators.contains(link.at(i + 1)));
        if (!last && !c.isHighSurrogate() && (separatorEnds || ++run >= kLongestRun)) {
            shown += kBreak;
            run = 0;
        }
    }
    return shown;
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
    connect(m_ui->label2225, &HyperlinkLabel::clicked, this, &CStatusDialog::OnClickedSupportLink);
    connect(m_ui->label2226, &HyperlinkLabel::clicked, this, &CStatusDialog::OnClickedFaqLink);
    m_ui->label2224->installEventFilter(this);
    m_ui->linkPanel->hide();
    if (auto *copy = m_ui->linkPanel->findChild<QWidget *>(QStringLiteral("copyLink")))
        setTabOrder(m_ui->button2, copy);
}

CStatusDialog::~CStatusDialog() = default;

int CStatusDialog::DoModal()
{
    OnInitDialog();
    return exec();
}

void CStatusDialog::OnInitDialog()
{
    const bool hasLink = m_nMode == 0 || m_nMode == 1;
    const QByteArray &link = m_nMode == 1 ? m_pszLinkUrl : m_pszSuccessUrl;
    // The link reads as the characters it holds, none of them acting.
    QString text = statusMessageText(m_nMode, hasLink ? link : QByteArray(), true);
    if (hasLink && !link.isEmpty()) {
        const QString escaped = escapedForDisplay(statusLinkText(link));
        text.chop(escaped.size() + (m_nMode == 1 ? 1 : 0));
        text += shownLink(escaped);
    }
    m_ui->label2224->setText(text);
    m_ui->linkPanel->setLink(hasLink ? link : QByteArray(), m_note);
    m_ui->linkPanel->setVisible(!m_ui->linkPanel->link().isEmpty());
    // A code too big for the screen is dropped rather than cut off.
    const QScreen *shown = screen();
    const QSize needed = sizeHint();
    if (shown && m_ui->linkPanel->hasCode()
        && (needed.width() > shown->availableGeometry().width()
            || needed.height() > shown->availableGeometry().height() * kMaxScreenShare / 100))
        m_ui->linkPanel->dropCode();
    m_ui->button1->setFocus();
}

bool CStatusDialog::copyLinkFor(QKeyEvent *event)
{
    if (!event->matches(QKeySequence::Copy))
        return false;
    if (m_ui->label2224->hasSelectedText()) {
        // What was selected, without the breaks put into the link.
        QString text = m_ui->label2224->selectedText().remove(kBreak);
        QGuiApplication::clipboard()->setText(text.replace(QChar::ParagraphSeparator, u'\n'));
        return true;
    }
    if (m_ui->linkPanel->link().isEmpty())
        return false;
    m_ui->linkPanel->copyLink();
    return true;
}

void CStatusDialog::keyPressEvent(QKeyEvent *event)
{
    if (!copyLinkFor(event))
        QDialog::keyPressEvent(event);
}

bool CStatusDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The message would copy the breaks with a selection, and nothing without one.
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
