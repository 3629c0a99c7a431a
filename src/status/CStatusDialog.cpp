#include "status/CStatusDialog.h"

#include "config.h"
#include "status/hyperlink.h"
#include "ui_dialog2223.h"

#include <QDesktopServices>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kSupportLinkId = 2225;
constexpr int kFaqLinkId = 2226;

// Server bytes are shown as the local 8-bit text they were sent as.
QString linkText(const QByteArray &link)
{
    return QString::fromLocal8Bit(link);
}

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
    // The message reads as static text on the dialog, yet wraps a long link
    // anywhere and scrolls, so nothing of it is cut.
    QPlainTextEdit *message = m_ui->label2224;
    message->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QPalette flat = message->palette();
    flat.setColor(QPalette::Base, flat.color(QPalette::Window));
    message->setPalette(flat);
    // The template was laid out for a narrower font than most desktops use:
    // a help text that would be cut takes the lines it needs.
    for (QLabel *help : {m_ui->label2225, m_ui->label2226})
        help->resize(help->width(), std::max(help->height(), help->heightForWidth(help->width())));
    setFixedSize(size());
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
    m_ui->label2224->setPlainText(messageText(m_nMode, link));
    m_ui->button1->setFocus();
}

QString CStatusDialog::messageText(int mode, const QByteArray &link)
{
    switch (mode) {
    case 0:
        if (link.isEmpty())
            return QStringLiteral("The Ringtone was successfully uploaded to your phone.");
        return QStringLiteral(
                   "The Ringtone was successfully uploaded to your phone. If you don't recieve the text "
                   "msg or you are unable to extract the URL from the text message, please type the "
                   "following URL into your phone ")
               + linkText(link);
    case 1:
        return QStringLiteral(
                   "To download your wallpaper, please type in the following URL into your phone: \n")
               + linkText(link);
    case 2:
        return QStringLiteral(
            "An error occured while uploading the wallpaper to your phone, please try again");
    default:
        return {};
    }
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
