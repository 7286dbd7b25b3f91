#pragma once
// The event types of the library's components. Every event gets the component that raises it
// as its sender; mouse events get the button, the keyboard modifiers held, and the cursor's
// position in screen coordinates.

#include <Qt>

#include <functional>

class QObject;

using TNotifyEvent = std::function<void(QObject* sender)>;
using TMouseEvent =
    std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(QObject* sender, Qt::KeyboardModifiers shift, int x, int y)>;

// Calls the event when it is assigned.
inline void qvxRaise(const TNotifyEvent& event, QObject* sender) {
    if (event) event(sender);
}
