// The main window's one way to wait on the converter or the network (the
// model is told in platform/wait.h). The window makes one for each command
// that waits and hands it to the work; for as long as it lives:
// - the window keeps painting and its bar moving: idle() runs the event loop;
// - the pointer over the window shows that it is busy;
// - what the user does to the window is dropped, not held for later (Qt
//   would hand the clicks and keys over once the wait ends, and a second
//   Upload or a close would run on a mere mouse move);
// - except Esc, the close button and the window manager's close: they ask,
//   once, whether to stop, and Yes makes stopRequested() true;
// - and a click on the button given to onClick(), which is told (the work
//   may carry it out once it is done);
// - the boxes and dialogs the work itself shows are windows of their own and
//   take their input as usual.
#pragma once

#include "core/platform/wait.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <utility>

class Presenter;

// Mouse, wheel, key, touch, tablet, context-menu and drag-and-drop events:
// what a user does, as opposed to what the window system tells.
bool isUserInputEvent(QEvent::Type type);

class WindowWait : public QObject, public Wait
{
public:
    // `stopButton` (a child of `window`) asks to stop like Esc; `question`
    // is what the user is asked then.
    WindowWait(QWidget &window, QWidget *stopButton, Presenter &presenter, QString question);
    // Drops what is still queued for the window, then lets input through.
    ~WindowWait() override;
    WindowWait(const WindowWait &) = delete;
    WindowWait &operator=(const WindowWait &) = delete;

    void idle() override;
    bool stopRequested() const override { return m_stopRequested; }
    void sent(std::uint64_t done, std::uint64_t total) override;

    // What the next stop key asks, from now on.
    void setQuestion(QString question) { m_question = std::move(question); }
    // Called with every count of body bytes the server has acknowledged.
    void onSent(std::function<void(std::uint64_t, std::uint64_t)> f) { m_onSent = std::move(f); }
    // Called when `button` (a child of the window) is pressed and released
    // meanwhile.
    void onClick(QWidget *button, std::function<void()> f)
    {
        m_clickButton = button;
        m_onClick = std::move(f);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool belongsToWindow(const QObject *object) const;
    bool isStopInput(const QObject *watched, const QEvent *event) const;
    bool isMouseOn(const QWidget *button, QEvent::Type type, const QObject *watched,
                   const QEvent *event) const;

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_stopButton;
    QPointer<QWidget> m_clickButton;
    std::function<void()> m_onClick;
    bool m_clickPressed = false; // pressed on it meanwhile
    Presenter &m_presenter;
    QString m_question;
    std::function<void(std::uint64_t, std::uint64_t)> m_onSent;
    // The user pressed a stop key; asked at the next idle(), outside the
    // event delivery that saw it.
    bool m_stopWanted = false;
    bool m_asking = false;
    bool m_stopRequested = false;
    bool m_workDone = false;
};
