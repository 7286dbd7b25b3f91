#include "desktop/qvxMonitor.h"

#include "desktop/qvxApplicationWindow.h"
#include "desktop/qvxSynchronize.h"

#include <array>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcqvxMonitor, "qvx.monitor", QtWarningMsg)

// --- TqvxInotify

TqvxInotify::TqvxInotify()
    : inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TqvxInotify::~TqvxInotify() {
    if (inotify_ >= 0) close(inotify_);
    if (wake_ >= 0) close(wake_);
}

int TqvxInotify::Add(const std::string& path, std::uint32_t mask) {
    return inotify_add_watch(inotify_, path.c_str(), mask);
}

void TqvxInotify::Remove(int watch) {
    inotify_rm_watch(inotify_, watch);
}

void TqvxInotify::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
}

std::optional<std::vector<TqvxInotify::TEvent>> TqvxInotify::Wait() {
    std::array<pollfd, 2> fds{{{inotify_, POLLIN, 0}, {wake_, POLLIN, 0}}};
    while (poll(fds.data(), fds.size(), -1) < 0)
        if (errno != EINTR) return std::nullopt;
    std::vector<TEvent> events;
    if (fds[1].revents != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wake_, &count, sizeof count);
        return events;
    }
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = read(inotify_, buffer, sizeof buffer);
        if (length < 0) return errno == EAGAIN ? std::optional(events) : std::nullopt;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            events.push_back(
                {event->wd, event->mask, event->len > 0 ? std::string(event->name) : std::string()});
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

// --- TqvxMonitorThread

void TqvxMonitorThread::WaitArmed() {
    std::unique_lock lock(armedMutex_);
    armedChanged_.wait(lock, [this] { return armed_; });
}

void TqvxMonitorThread::SetArmed() {
    std::lock_guard lock(armedMutex_);
    armed_ = true;
    armedChanged_.notify_all();
}

void TqvxMonitorThread::Execute(std::stop_token stop) {
    std::stop_callback wake(stop, [this] { inotify_.Wake(); });
    bool armed = false;
    try {
        armed = !stop.stop_requested() && inotify_.Valid() && Arm();
    } catch (...) {
        SetArmed();
        throw;
    }
    SetArmed();
    if (!armed) {
        if (!stop.stop_requested()) qCWarning(lcqvxMonitor) << "cannot watch for changes:" << strerror(errno);
        return;
    }
    while (!stop.stop_requested()) {
        const auto events = inotify_.Wait();
        if (!events) break;
        if (!stop.stop_requested() && !events->empty() && Changed(*events) && onChange_)
            qvxSynchronize(stop, [this] { qvxGuarded(nullptr, onChange_); });
    }
}

// --- TqvxCustomMonitor

TqvxCustomMonitor::~TqvxCustomMonitor() {
    Stop();
}

void TqvxCustomMonitor::SetActive(bool active) {
    Set(active_, active);
}

void TqvxCustomMonitor::SetOnChange(TThreadMethod handler) {
    onChange_ = std::move(handler);
    Update();
}

void TqvxCustomMonitor::Update() {
    if (active_)
        Start();
    else
        Stop();
}

// The new thread's watches are armed before the old thread stops, so no change falls between them.
void TqvxCustomMonitor::Start() {
    if (Designing()) return;
    if (!active_ || !onChange_) {
        Stop();
        return;
    }
    std::unique_ptr<TqvxMonitorThread> next = CreateMonitorThread();
    next->Start();
    next->WaitArmed();
    Stop();
    thread_ = std::move(next);
}

void TqvxCustomMonitor::Stop() {
    if (Designing()) return;
    qvxDisposeThread(std::move(thread_));
}
