#include "preview/CImagePreviewStatic.h"

#include "app/resources.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>

CImagePreviewStatic::CImagePreviewStatic(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // A blank box is the dialog's plain colour, not whatever lies beneath.
    setAutoFillBackground(true);
}

bool CImagePreviewStatic::InitGraphics()
{
    m_szImagePath.clear();
    m_image = QImage();
    m_graphicsReady = true;
    return true;
}

void CImagePreviewStatic::LoadImageFile(const QString &path)
{
    m_szImagePath = path;
    // The old picture goes before the new one is read, so the two are never
    // held together.
    m_image = QImage();
    m_image = decode(m_szImagePath);
    update();
}

bool CImagePreviewStatic::isShowing() const
{
    return m_graphicsReady && !m_image.isNull();
}

QImage CImagePreviewStatic::decode(const QString &path)
{
    // Only a regular file is opened: a named pipe would block the open.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return QImage();
    QImageReader reader(path);
    const QSize full = reader.size();
    if (!full.isValid() || qint64(full.width()) * full.height() > kMaxPixels)
        return QImage();

    // The box shows the whole picture stretched to its inside, so decoding
    // straight at that size in device pixels looks the same as a full decode
    // scaled down, at a fraction of the time and memory. Never enlarge here:
    // a small picture is stretched when it is drawn.
    m_decodedRatio = devicePixelRatioF();
    const QSize box = (QSizeF(contentsRect().size()) * m_decodedRatio).toSize();
    if (!box.isEmpty() && (box.width() < full.width() || box.height() < full.height()))
        reader.setScaledSize(box.boundedTo(full));

    QImage image;
    if (!reader.read(&image))
        return QImage();
    return image;
}

bool CImagePreviewStatic::event(QEvent *event)
{
    // On a screen of another density the picture was decoded for the wrong
    // number of pixels: decode it again for this one.
    if (resources::screenMayHaveChanged(*event) && isShowing()
        && !qFuzzyCompare(devicePixelRatioF(), m_decodedRatio)) {
        // The old pixels go first, as with a fresh load.
        m_image = QImage();
        m_image = decode(m_szImagePath);
        update();
    }
    return QFrame::event(event);
}

void CImagePreviewStatic::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!isShowing())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(contentsRect()), m_image, QRectF(m_image.rect()));
}
