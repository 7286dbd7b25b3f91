#pragma once
// A start without a display: the tool says so in Portuguese, naming README's "Without a display",
// and ends with exit code 1, where Qt would end the process with an abort.
//  - NoDisplayNamed: nothing names a display (no DISPLAY, no WAYLAND_DISPLAY) and nothing names
//    another platform for Qt (QT_QPA_PLATFORM, -platform): the QApplication need not be tried.
//  - TDisplayFailure, held while the QApplication is made: a display that is named but cannot be
//    opened ends the start the same way (Qt's fatal "no Qt platform plugin could be initialized"),
//    the tool's line alone: Qt's own messages meanwhile (that it could not connect, that it could
//    not load the plugin) are held back, and said only when the display opened after all. A
//    display that takes the connection but does not answer (Qt would wait for it for ever) ends the
//    start the same way once the QApplication is not made within DisplayAnswerTime.

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <string>
#include <vector>

// arguments: as the program got them.
bool NoDisplayNamed(const std::vector<std::string>& arguments);

// The message, translated.
std::string NoDisplayMessage();

inline constexpr std::chrono::seconds DisplayAnswerTime{20};

class TDisplayFailure {
public:
    TDisplayFailure();
    ~TDisplayFailure();
    TDisplayFailure(const TDisplayFailure&) = delete;
    TDisplayFailure& operator=(const TDisplayFailure&) = delete;

private:
    QtMessageHandler previous_;
    std::mutex mutex_;
    std::condition_variable made_;
    bool done_ = false;
    std::thread watch_; // ends the start when the display does not answer
};
