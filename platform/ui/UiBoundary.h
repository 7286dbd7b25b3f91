// The edge between Qt's event loop and the program: no exception may leave a Qt event handler.
// Handlers run their work through GuardUi, which hands any exception to the program's handler
// (the application installs one that shows the message box; by default it is logged).
#pragma once

#include <exception>
#include <functional>

using TUiExceptionHandler = std::function<void(const std::exception&)>;

// Installs the handler; returns the previous one.
TUiExceptionHandler SetUiExceptionHandler(TUiExceptionHandler handler);
void ReportUiException(const std::exception& error);

template <typename F> void GuardUi(F&& work) {
    try {
        work();
    } catch (const std::exception& error) {
        ReportUiException(error);
    }
}

// The short system sound of a refused key; tests may count it.
void MessageBeep();
int MessageBeepCount();
