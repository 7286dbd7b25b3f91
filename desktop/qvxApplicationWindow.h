#pragma once
// The application's main window as the library's components see it, and the application's
// exception handler.
//
// The main window of a component is the top-level window of its owner (the owner is a widget or
// belongs to one). Hiding the application hides that window; showing it shows the window again
// and restores it when it was minimised. A component's event handler never lets an exception out
// to Qt: it hands it to qvxHandleException, which shows the message (the library's message sink,
// qvxFormUtils.h) titled with the application title.

#include <exception>

class QObject;
class QWidget;

// The top-level window of the owner, or nullptr when the owner is not (in) a widget.
QWidget* qvxOwnerWindow(const QObject* owner);

void qvxShowApplication(QWidget* mainWindow); // nothing when mainWindow is nullptr
void qvxHideApplication(QWidget* mainWindow); // nothing when mainWindow is nullptr
void qvxBringToFront(QWidget* mainWindow);    // raises and activates the window

// The application's exception handler: shows the exception's message. Call it from a catch block.
void qvxHandleException(const QObject* owner, const std::exception& error);

// Runs action and hands any exception it raises to qvxHandleException.
template <typename Action> void qvxGuarded(const QObject* owner, Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        qvxHandleException(owner, error);
    }
}
