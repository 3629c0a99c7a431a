#include "ui/app/windowwait.h"

#include "core/app/presenter.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGraphicsOpacityEffect>

WindowWait::WindowWait(QWidget &window, const QList<QWidget *> &controls, WindowWait *&current,
                       Presenter &presenter, QString question) :
    m_window(&window),
    m_focus(window.focusWidget()),
    m_current(current),
    m_presenter(presenter),
    m_question(std::move(question))
{
    m_current = this;
    for (QWidget *control : controls) {
        if (control && control->isEnabled()) {
            control->setEnabled(false);
            m_disabled << control;
            // The skin's disabled picture is its normal one; faded, the
            // buttons show that they take nothing meanwhile.
            if (qobject_cast<QAbstractButton *>(control)) {
                auto *fade = new QGraphicsOpacityEffect(control);
                fade->setOpacity(0.4);
                control->setGraphicsEffect(fade);
            }
        }
    }
    // The window itself takes the keys meanwhile, so Esc reaches it and no
    // key lands on a control that is still enabled.
    window.setFocus(Qt::OtherFocusReason);
    // Over this window only: a dialog the work shows keeps its arrow.
    window.setCursor(Qt::WaitCursor);
}

WindowWait::~WindowWait()
{
    // What reached the window system during the last moments of the wait is
    // still queued; it meets the disabled controls now, not the enabled ones.
    m_ending = true;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (const QPointer<QWidget> &control : std::as_const(m_disabled)) {
        if (control) {
            control->setEnabled(true);
            control->setGraphicsEffect(nullptr);
        }
    }
    if (m_focus && m_focus->isEnabled())
        m_focus->setFocus(Qt::OtherFocusReason);
    if (m_window)
        m_window->unsetCursor();
    m_current = nullptr;
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
