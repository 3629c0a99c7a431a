#include "ui/app/windowwait.h"

#include "core/app/presenter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include <utility>

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

WindowWait::WindowWait(QWidget &window, QWidget *stopButton, Presenter &presenter, QString question) :
    m_window(&window), m_stopButton(stopButton), m_presenter(presenter), m_question(std::move(question))
{
    qApp->installEventFilter(this);
    // Over this window only: a dialog the work shows keeps its arrow.
    window.setCursor(Qt::WaitCursor);
}

WindowWait::~WindowWait()
{
    // What reached the window system during the last moments of the wait is
    // still queued; it goes through the filter now. The work is over, so
    // whatever ends the window may.
    m_workDone = true;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    qApp->removeEventFilter(this);
    if (m_window)
        m_window->unsetCursor();
}

void WindowWait::idle()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!m_stopWanted || m_asking || m_stopRequested)
        return;
    m_asking = true;
    m_stopRequested = m_presenter.askToStop(m_question);
    m_asking = false;
    m_stopWanted = false;
}

void WindowWait::sent(std::uint64_t done, std::uint64_t total)
{
    if (m_onSent)
        m_onSent(done, total);
}

bool WindowWait::belongsToWindow(const QObject *object) const
{
    if (!m_window)
        return false;
    if (object->isWidgetType())
        return static_cast<const QWidget *>(object)->window() == m_window;
    if (object->isWindowType())
        return object == m_window->windowHandle();
    return false;
}

bool WindowWait::isStopInput(const QObject *watched, const QEvent *event) const
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<const QKeyEvent *>(event);
        return key->key() == Qt::Key_Escape && !key->modifiers() && !key->isAutoRepeat();
    }
    return isMouseOn(m_stopButton, QEvent::MouseButtonRelease, watched, event);
}

bool WindowWait::isMouseOn(const QWidget *button, QEvent::Type type, const QObject *watched,
                           const QEvent *event) const
{
    if (event->type() != type || !button)
        return false;
    const auto *mouse = static_cast<const QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    // Seen by the window before any widget when it comes from the window
    // system, by the button itself when sent to it.
    if (watched == button)
        return button->rect().contains(mouse->position().toPoint());
    return watched->isWindowType() && m_window->childAt(mouse->position().toPoint()) == button;
}

bool WindowWait::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched == m_window && !m_workDone) {
        // The window manager's close asks as the close button does.
        event->ignore();
        m_stopWanted = true;
        return true;
    }
    if (!isUserInputEvent(event->type()) || !belongsToWindow(watched))
        return false;
    if (isStopInput(watched, event))
        m_stopWanted = true;
    else if (isMouseOn(m_clickButton, QEvent::MouseButtonPress, watched, event))
        m_clickPressed = true;
    else if (event->type() == QEvent::MouseButtonRelease && std::exchange(m_clickPressed, false)
             && isMouseOn(m_clickButton, QEvent::MouseButtonRelease, watched, event))
        m_onClick();
    return true;
}
