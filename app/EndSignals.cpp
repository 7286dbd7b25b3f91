#include "app/EndSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int EndSignals[] = {SIGINT, SIGTERM, SIGHUP};

int signalPipe[2] = {-1, -1}; // written by the handler, read in the event loop
bool endRequested = false;
std::atomic<bool> signalNoted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "taken inside a signal handler");

// Only async-signal-safe calls here: the event loop does the rest.
extern "C" void NoteEndSignal(int signal) {
    const int savedErrno = errno;
    const struct sigaction byDefault {}; // SIG_DFL: the next end signal, of any kind, ends the process
    for (const int endSignal : EndSignals) ::sigaction(endSignal, &byDefault, nullptr);
    // Two signals that come at once may be taken by two threads, each in this handler before either
    // restored the default: the second ends the process all the same, once this handler returns.
    if (signalNoted.exchange(true)) {
        ::raise(signal);
        errno = savedErrno;
        return;
    }
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void EndOnEndSignals() {
    Q_ASSERT(QCoreApplication::instance() != nullptr && signalPipe[0] < 0);
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return; // the signals keep their defaults
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) == 1) {
        }
        endRequested = true;
        QCoreApplication::exit(0); // unlike quit(), asks no window whether it may close
    });
    struct sigaction action {};
    action.sa_handler = NoteEndSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : EndSignals) sigaddset(&action.sa_mask, signal); // one waits for the handler
    action.sa_flags = SA_RESTART;
    for (const int signal : EndSignals) ::sigaction(signal, &action, nullptr);
}

bool EndRequested() {
    return endRequested;
}
