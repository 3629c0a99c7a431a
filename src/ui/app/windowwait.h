// The main window's one way to wait on the converter or the network (the
// model is told in platform/wait.h). The window makes one for each command
// that waits and hands it to the work; for as long as it lives:
// - the window keeps painting and its bar moving: idle() runs the event loop;
// - the window's controls are disabled, so clicks and keys meant for them
//   are gone rather than held for later, and the pointer shows it is busy;
// - the stop keys (Esc, the close button, the window manager's close) reach
//   the window, which calls askToStop(); the question is put, once, at the
//   next idle(), and Yes makes stopRequested() true;
// - the boxes and dialogs the work itself shows are windows of their own and
//   take their input as usual.
#pragma once

#include "core/platform/wait.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <utility>

class Presenter;

class WindowWait : public Wait
{
public:
    // Disables `controls` (children of `window`) until it ends; `question`
    // is what the user is asked when a stop key is pressed. `current` points
    // to this wait for as long as it lives, its end included.
    WindowWait(QWidget &window, const QList<QWidget *> &controls, WindowWait *&current, Presenter &presenter,
               QString question);
    // Lets what is still queued for the window reach the disabled controls,
    // then enables them again.
    ~WindowWait() override;
    WindowWait(const WindowWait &) = delete;
    WindowWait &operator=(const WindowWait &) = delete;

    void idle() override;
    bool stopRequested() const override { return m_stopRequested; }
    void sent(std::uint64_t done, std::uint64_t total) override;

    // A stop key was pressed. Asked at the next idle(), outside the event
    // delivery that saw it.
    void askToStop() { m_stopWanted = true; }
    // True once the work is over and only queued input is let through.
    bool isEnding() const { return m_ending; }
    // What the next stop key asks, from now on.
    void setQuestion(QString question) { m_question = std::move(question); }
    // Called with every count of body bytes the server has acknowledged.
    void onSent(std::function<void(std::uint64_t, std::uint64_t)> f) { m_onSent = std::move(f); }

private:
    QPointer<QWidget> m_window;
    QList<QPointer<QWidget>> m_disabled;
    QPointer<QWidget> m_focus;
    WindowWait *&m_current;
    Presenter &m_presenter;
    QString m_question;
    std::function<void(std::uint64_t, std::uint64_t)> m_onSent;
    bool m_stopWanted = false;
    bool m_asking = false;
    bool m_stopRequested = false;
    bool m_ending = false;
};
