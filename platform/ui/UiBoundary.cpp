#include "platform/ui/UiBoundary.h"

#include <QApplication>
#include <QtGlobal>

namespace {

TUiExceptionHandler& Handler() {
    static TUiExceptionHandler handler = [](const std::exception& error) { qWarning("%s", error.what()); };
    return handler;
}

int beeps = 0;

} // namespace

TUiExceptionHandler SetUiExceptionHandler(TUiExceptionHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

void ReportUiException(const std::exception& error) {
    try {
        if (Handler()) Handler()(error);
    } catch (...) {
        qWarning("The exception handler failed while reporting: %s", error.what());
    }
}

void MessageBeep() {
    ++beeps;
    QApplication::beep();
}

int MessageBeepCount() {
    return beeps;
}
