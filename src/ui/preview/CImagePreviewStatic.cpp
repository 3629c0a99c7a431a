#include "ui/preview/CImagePreviewStatic.h"

#include "core/app/converter.h"
#include "core/app/resources.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One wheel notch, and one press of + or -.
constexpr double kZoomStep = 1.25;
// One arrow press moves the picture by this share of the screen.
constexpr int kPanSteps = 16;

// Assistive technology is told the box is a picture, not a bare frame.
QAccessibleInterface *previewAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("CImagePreviewStatic") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
    return nullptr;
}

// A Gaussian blur of `sigma` pixels, the edges held, as ImageMagick's -blur
// does with its default edge pixels; in place, on a picture of a few
// thousand pixels.
void blurImage(QImage &image, double sigma)
{
    const int radius = std::max(1, int(std::ceil(3 * sigma)));
    std::vector<double> weights(2 * radius + 1);
    double total = 0;
    for (int i = -radius; i <= radius; ++i)
        total += weights[i + radius] = std::exp(-i * i / (2 * sigma * sigma));
    for (double &w : weights)
        w /= total;
    const int w = image.width(), h = image.height();
    std::vector<QRgb> line(std::max(w, h)), out(std::max(w, h));
    const auto pass = [&](int count, int length, auto &&at) {
        for (int n = 0; n < count; ++n) {
            for (int i = 0; i < length; ++i)
                line[i] = at(n, i);
            for (int i = 0; i < length; ++i) {
                double r = 0, g = 0, b = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const QRgb p = line[std::clamp(i + k, 0, length - 1)];
                    const double f = weights[k + radius];
                    r += f * qRed(p);
                    g += f * qGreen(p);
                    b += f * qBlue(p);
                }
                out[i] = qRgb(int(r + 0.5), int(g + 0.5), int(b + 0.5));
            }
            for (int i = 0; i < length; ++i)
                at(n, i) = out[i];
        }
    };
    const auto pixel = [&image](int x, int y) -> QRgb & {
        return reinterpret_cast<QRgb *>(image.scanLine(y))[x];
    };
    pass(h, w, [&](int y, int x) -> QRgb & { return pixel(x, y); });
    pass(w, h, [&](int x, int y) -> QRgb & { return pixel(x, y); });
}

QString framingText(const FrameView &view)
{
    switch (view.framing) {
    case Framing::Blur:
        return QStringLiteral(
            "The whole picture is shown on the phone's screen, on a blurred copy of itself.");
    case Framing::Fit:
        return QStringLiteral(
            "The whole picture is shown on the phone's screen, with black bands beside it.");
    case Framing::Stretch:
        return QStringLiteral("The picture is stretched over the phone's screen.");
    case Framing::Fill:
        break;
    }
    return QStringLiteral("The picture fills the phone's screen, zoomed %1 times; arrow keys move it, "
                          "plus and minus zoom, 0 goes back to the suggested framing.")
        .arg(view.zoom, 0, 'g', 3);
}

} // namespace

CImagePreviewStatic::CImagePreviewStatic(QWidget *parent) : QFrame(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(previewAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // A blank box is the dialog's plain colour, not whatever lies beneath.
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("The phone's screen"));
    describe();
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
    m_display = QImage();
    m_backdrop = QImage();
    m_pictureSize = QSize();
    m_suggested = QPointF(0.5, 0.5);
    m_image = decode(m_szImagePath);
    update();
}

bool CImagePreviewStatic::isShowing() const
{
    return m_graphicsReady && !m_image.isNull();
}

void CImagePreviewStatic::setScreenSize(const QSize &screen)
{
    m_screen = screen;
    m_display = QImage();
    update();
}

QSize CImagePreviewStatic::phoneScreen() const
{
    return m_screen.isEmpty() ? contentsRect().size() : m_screen;
}

QRect CImagePreviewStatic::screenRect() const
{
    const QRect inside = contentsRect();
    if (m_screen.isEmpty())
        return inside;
    const QSize size = m_screen.scaled(inside.size(), Qt::KeepAspectRatio);
    const QSize room = inside.size() - size;
    return QRect(inside.topLeft() + QPoint(room.width() / 2, room.height() / 2), size);
}

QPointF CImagePreviewStatic::toScreen(QPointF boxPoint) const
{
    const QRect screen = screenRect();
    const QSize phone = phoneScreen();
    if (screen.isEmpty())
        return QPointF();
    const QPointF p = boxPoint - screen.topLeft();
    return QPointF(p.x() * phone.width() / screen.width(), p.y() * phone.height() / screen.height());
}

void CImagePreviewStatic::setView(const FrameView &view)
{
    m_view = clampedView(m_pictureSize, phoneScreen(), view);
    describe();
    update();
}

void CImagePreviewStatic::changeView(const FrameView &view)
{
    const FrameView clamped = clampedView(m_pictureSize, phoneScreen(), view);
    if (clamped == m_view)
        return;
    m_view = clamped;
    describe();
    update();
    emit viewChanged(m_view);
}

void CImagePreviewStatic::setHint(const QString &hint)
{
    m_hint = hint;
    setToolTip(hint);
    describe();
}

void CImagePreviewStatic::describe()
{
    setAccessibleDescription(m_hint.isEmpty() ? framingText(m_view) : m_hint + u' ' + framingText(m_view));
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
    m_pictureSize = full;

    // No more pixels than the screen can show at the largest zoom, in device
    // pixels: a fraction of the time and memory of a full decode, and a pan
    // never has to filter more than that.
    m_decodedRatio = devicePixelRatioF();
    const QSize screen = (QSizeF(screenRect().size()) * m_decodedRatio).toSize();
    m_decodedFor = screen;
    const QSize bound = workingCopyBound(full, screen);
    if (!screen.isEmpty() && bound != full)
        reader.setScaledSize(bound);

    QImage image;
    if (!reader.read(&image)) {
        m_pictureSize = QSize();
        return QImage();
    }
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
        m_display = QImage();
        m_backdrop = QImage();
        m_image = decode(m_szImagePath);
        update();
    }
    return QFrame::event(event);
}

void CImagePreviewStatic::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (isShowing()) {
        const QRect screen = screenRect();
        const QSize phone = phoneScreen();
        const FrameRects r = frameRects(m_pictureSize, phone, m_view);
        const double sx = double(screen.width()) / phone.width(),
                     sy = double(screen.height()) / phone.height();
        const QRectF target(screen.x() + r.target.x() * sx, screen.y() + r.target.y() * sy,
                            r.target.width() * sx, r.target.height() * sy);
        const QImage &held = m_image;
        const double hx = double(held.width()) / m_pictureSize.width();
        const double hy = double(held.height()) / m_pictureSize.height();
        QRectF source(r.source.x() * hx, r.source.y() * hy, r.source.width() * hx, r.source.height() * hy);

        // Shrinking is filtered once per zoom into m_display; drawing it is
        // then close to 1:1, so a pan costs a copy, not a filter.
        const qreal ratio = devicePixelRatioF();
        const double fx = std::min(1.0, target.width() * ratio / source.width());
        const double fy = std::min(1.0, target.height() * ratio / source.height());
        const QImage *shown = &held;
        if (fx < 1 || fy < 1) {
            const QSize want(std::max(1, int(std::lround(held.width() * fx))),
                             std::max(1, int(std::lround(held.height() * fy))));
            if (m_display.size() != want)
                m_display = held.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const double dx = double(want.width()) / held.width(), dy = double(want.height()) / held.height();
            source = QRectF(source.x() * dx, source.y() * dy, source.width() * dx, source.height() * dy);
            shown = &m_display;
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (m_view.framing == Framing::Blur)
            painter.drawImage(QRectF(screen), backdrop(phone));
        else
            painter.fillRect(screen, Qt::black);
        painter.drawImage(target, *shown, source);
    }
    if (hasFocus() && m_focusCue.keyboard()) {
        // The skin buttons' ring: light outside, the highlight within.
        const QRect inside = contentsRect();
        const QPalette &pal = palette();
        painter.setPen(pal.color(QPalette::Active, QPalette::HighlightedText));
        painter.drawRect(inside.adjusted(0, 0, -1, -1));
        painter.setPen(pal.color(QPalette::Active, QPalette::Highlight));
        painter.drawRect(inside.adjusted(1, 1, -2, -2));
    }
}

const QImage &CImagePreviewStatic::backdrop(const QSize &phone)
{
    if (m_backdropFor == phone && !m_backdrop.isNull())
        return m_backdrop;
    const Backdrop b = backdropOf(m_pictureSize, phone);
    const double hx = double(m_image.width()) / m_pictureSize.width();
    const double hy = double(m_image.height()) / m_pictureSize.height();
    const QRect held(int(std::lround(b.source.x() * hx)), int(std::lround(b.source.y() * hy)),
                     std::max(1, int(std::lround(b.source.width() * hx))),
                     std::max(1, int(std::lround(b.source.height() * hy))));
    m_backdrop = m_image.copy(held)
                     .scaled(b.reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_RGB32);
    blurImage(m_backdrop, b.sigma);
    for (int y = 0; y < m_backdrop.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(m_backdrop.scanLine(y));
        for (int x = 0; x < m_backdrop.width(); ++x)
            line[x] =
                qRgb(int(qRed(line[x]) * kBackdropShade + 0.5), int(qGreen(line[x]) * kBackdropShade + 0.5),
                     int(qBlue(line[x]) * kBackdropShade + 0.5));
    }
    m_backdropFor = phone;
    return m_backdrop;
}

void CImagePreviewStatic::mousePressEvent(QMouseEvent *event)
{
    // The box is no handle for the window: presses here are the picture's.
    event->accept();
    m_focusCue.mousePressed();
    if (event->button() == Qt::LeftButton && isShowing()) {
        m_dragging = true;
        m_dragFrom = event->position();
    } else if (event->button() == Qt::RightButton) {
        event->ignore(); // the window's menu
    }
}

void CImagePreviewStatic::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!m_dragging)
        return;
    const QPointF delta = toScreen(event->position()) - toScreen(m_dragFrom);
    m_dragFrom = event->position();
    changeView(pannedView(m_pictureSize, phoneScreen(), m_view, delta));
}

void CImagePreviewStatic::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        emit viewSettled();
    }
}

void CImagePreviewStatic::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !isShowing())
        return;
    m_dragging = false;
    changeView(startingView(m_view.framing, m_suggested));
    emit viewSettled();
}

void CImagePreviewStatic::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (!isShowing() || event->angleDelta().y() == 0)
        return;
    const double factor = std::pow(kZoomStep, event->angleDelta().y() / 120.0);
    changeView(zoomedView(m_pictureSize, phoneScreen(), m_view, factor, toScreen(event->position())));
}

void CImagePreviewStatic::keyPressEvent(QKeyEvent *event)
{
    const QSize phone = phoneScreen();
    const QPointF middle(phone.width() / 2.0, phone.height() / 2.0);
    const double step = std::max(1, std::min(phone.width(), phone.height()) / kPanSteps);
    FrameView next = m_view;
    switch (event->key()) {
    case Qt::Key_Left:
        next = pannedView(m_pictureSize, phone, m_view, QPointF(-step, 0));
        break;
    case Qt::Key_Right:
        next = pannedView(m_pictureSize, phone, m_view, QPointF(step, 0));
        break;
    case Qt::Key_Up:
        next = pannedView(m_pictureSize, phone, m_view, QPointF(0, -step));
        break;
    case Qt::Key_Down:
        next = pannedView(m_pictureSize, phone, m_view, QPointF(0, step));
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        next = zoomedView(m_pictureSize, phone, m_view, kZoomStep, middle);
        break;
    case Qt::Key_Minus:
        next = zoomedView(m_pictureSize, phone, m_view, 1 / kZoomStep, middle);
        break;
    case Qt::Key_0:
        next = startingView(m_view.framing, m_suggested);
        break;
    default:
        // Esc, Enter, Tab and the rest are the window's.
        QFrame::keyPressEvent(event);
        return;
    }
    event->accept();
    if (isShowing())
        changeView(next);
}

void CImagePreviewStatic::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    // Grown past what the picture was decoded for (the framing window made
    // larger): decode it again, or it would be drawn blurred.
    const QSize screen = (QSizeF(screenRect().size()) * devicePixelRatioF()).toSize();
    if (isShowing() && (screen.width() > m_decodedFor.width() || screen.height() > m_decodedFor.height())) {
        m_image = QImage();
        m_display = QImage();
        m_backdrop = QImage();
        m_image = decode(m_szImagePath);
    }
}

void CImagePreviewStatic::focusInEvent(QFocusEvent *event)
{
    m_focusCue.focusIn(event->reason());
    QFrame::focusInEvent(event);
    update();
}

void CImagePreviewStatic::focusOutEvent(QFocusEvent *event)
{
    m_focusCue.focusOut(event->reason());
    QFrame::focusOutEvent(event);
    update();
}
