#include "ui/status/hyperlink.h"

#include "core/upload/statusmessage.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

HyperlinkLabel::HyperlinkLabel(QWidget *parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab, never taken by a click, so the mouse look stays.
    setFocusPolicy(Qt::TabFocus);
    applyLinkColour();
}

void HyperlinkLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyLinkColour();
}

void HyperlinkLabel::applyLinkColour()
{
    // The classic blue wherever it reads; a dark theme's background needs a lighter one.
    const QColor colour = linkColourOn(palette().color(QPalette::Window), palette().color(QPalette::Link));
    if (palette().color(QPalette::WindowText) == colour)
        return;
    QPalette link = palette();
    link.setColor(QPalette::WindowText, colour);
    setPalette(link);
}

void HyperlinkLabel::setUnderline(bool on)
{
    QFont underlined = font();
    underlined.setUnderline(on);
    setFont(underlined);
}

void HyperlinkLabel::enterEvent(QEnterEvent *event)
{
    setUnderline(true);
    QLabel::enterEvent(event);
}

void HyperlinkLabel::leaveEvent(QEvent *event)
{
    setUnderline(false);
    QLabel::leaveEvent(event);
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void HyperlinkLabel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier
        || (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)) {
        QLabel::keyPressEvent(event);
        return;
    }
    // Taken here, so Enter follows the link rather than the default button.
    event->accept();
    if (!event->isAutoRepeat())
        emit clicked();
}

void HyperlinkLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
