#include "ui/status/linkpanel.h"

#include "core/upload/statusmessage.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const char kCopyText[] = "Copy link";
const char kCopiedText[] = "Copied";
// The least width of the lines under the code, in logical pixels.
constexpr int kNoteWidth = 180;

} // namespace

LinkCodeView::LinkCodeView(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("linkCode"));
    setAccessibleName(QStringLiteral("QR code of the link"));
}

void LinkCodeView::setCode(const LinkCode &code)
{
    m_code = code;
    m_image = QImage();
    // Only what tells assistive technology that this is a picture; the
    // code itself is painted below at the screen's density.
    setPixmap(QPixmap::fromImage(linkCodeImage(code, 1)));
    updateGeometry();
    update();
}

QSize LinkCodeView::sizeHint() const
{
    if (m_code.isNull())
        return {0, 0};
    const qreal ratio = devicePixelRatioF();
    const int devicePixels = (m_code.size + 2 * kLinkCodeQuietZone) * linkCodeModulePixels(ratio);
    const int side = int(std::ceil(devicePixels / ratio));
    return {side, side};
}

void LinkCodeView::paintEvent(QPaintEvent *)
{
    if (m_code.isNull())
        return;
    const qreal ratio = devicePixelRatioF();
    if (m_image.isNull() || m_ratio != ratio) {
        m_ratio = ratio;
        m_image = linkCodeImage(m_code, linkCodeModulePixels(ratio));
        m_image.setDevicePixelRatio(ratio);
    }
    // One image pixel to one device pixel, and no smoothing where the
    // widget's corner falls between device pixels.
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QPoint(0, 0), m_image);
}

LinkPanel::LinkPanel(QWidget *parent) :
    QWidget(parent), m_view(new LinkCodeView(this)), m_copy(new QPushButton(this)), m_note(new QLabel(this))
{
    m_note->setObjectName(QStringLiteral("linkNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    setObjectName(QStringLiteral("linkPanel"));
    m_copy->setObjectName(QStringLiteral("copyLink"));
    m_copy->setAutoDefault(false);
    // Wide enough for both of its texts, so it does not jump.
    m_copy->setText(QString::fromLatin1(kCopiedText));
    int width = m_copy->sizeHint().width();
    m_copy->setText(QString::fromLatin1(kCopyText));
    m_copy->setMinimumWidth(std::max({width, m_copy->sizeHint().width(), 75}));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view, 0, Qt::AlignHCenter);
    layout->addWidget(m_copy, 0, Qt::AlignHCenter);
    layout->addWidget(m_note, 0, Qt::AlignHCenter);
    layout->addStretch();

    m_copied.setSingleShot(true);
    m_copied.setInterval(kCopiedTime);
    connect(&m_copied, &QTimer::timeout, this, [this] { m_copy->setText(QString::fromLatin1(kCopyText)); });
    connect(m_copy, &QPushButton::clicked, this, &LinkPanel::copyLink);
    setLink({});
}

void LinkPanel::setLink(const QByteArray &link, const QString &note)
{
    m_link = link;
    const LinkCode code = linkCodeFor(link);
    m_view->setCode(code);
    m_view->setVisible(!code.isNull());
    m_copy->setVisible(!link.isEmpty());
    m_copied.stop();
    m_copy->setText(QString::fromLatin1(kCopyText));
    QStringList lines;
    if (code.isNull())
        lines << noLinkCodeReason(link);
    lines << note;
    lines.removeAll(QString());
    m_note->setText(lines.join(QLatin1Char('\n')));
    m_note->setVisible(!lines.isEmpty());
    // As wide as the code (a line of its own where there is none), as high
    // as the words wrapped to that.
    const int width = std::max({m_view->sizeHint().width(), m_copy->minimumWidth(), kNoteWidth});
    m_note->setFixedSize(width, lines.isEmpty() ? 0 : m_note->heightForWidth(width));
    layout()->activate();
}

void LinkPanel::dropCode()
{
    m_view->setCode({});
    m_view->hide();
    layout()->activate();
}

void LinkPanel::copyLink()
{
    if (m_link.isEmpty())
        return;
    const QString text = statusLinkText(m_link);
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    if (clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
    m_copy->setText(QString::fromLatin1(kCopiedText));
    m_copied.start();
}
