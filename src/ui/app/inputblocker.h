// While the main window waits on the converter or the network, what the user
// does to it is thrown away rather than held: Qt would otherwise hand the
// clicks and keys over once the wait ends, long after the user gave them, and
// a second Upload or a close would run on a mere mouse move.
#pragma once

#include "platform/inet.h"

#include <QEvent>
#include <QObject>
#include <QPointer>

class QWidget;

// Mouse, wheel, key, touch, tablet, context-menu and drag-and-drop events:
// what a user does, as opposed to what the window system tells.
bool isUserInputEvent(QEvent::Type type);

class InputBlocker : public QObject
{
public:
    // From here on input to `window` and its children is dropped, and a wait
    // on the network keeps the window painting.
    explicit InputBlocker(QWidget *window);
    // Drops what is still queued for the window, then lets input through.
    ~InputBlocker() override;

    InputBlocker(const InputBlocker &) = delete;
    InputBlocker &operator=(const InputBlocker &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool belongsToWindow(QObject *object) const;

    QPointer<QWidget> m_window;
    inet::PumpHook m_previousPump;
};
