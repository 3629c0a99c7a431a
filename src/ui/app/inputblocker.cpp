#include "app/inputblocker.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

bool isUserInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

InputBlocker::InputBlocker(QWidget *window) : m_window(window), m_previousPump(inet::pumpHook())
{
    qApp->installEventFilter(this);
    // Input is delivered, and so dropped, at once; excluding it here would
    // only queue it for after the wait.
    inet::setPumpHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
}

InputBlocker::~InputBlocker()
{
    // What reached the window system during a wait that did not pump (the
    // converter) is still queued; it goes through the filter now.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    inet::setPumpHook(std::move(m_previousPump));
    qApp->removeEventFilter(this);
}

bool InputBlocker::belongsToWindow(QObject *object) const
{
    if (!m_window)
        return false;
    if (object->isWidgetType())
        return static_cast<QWidget *>(object)->window() == m_window;
    if (object->isWindowType())
        return object == m_window->windowHandle();
    return false;
}

bool InputBlocker::eventFilter(QObject *watched, QEvent *event)
{
    // Boxes and dialogs the work itself shows are windows of their own and
    // take their input as usual.
    return isUserInputEvent(event->type()) && belongsToWindow(watched);
}
