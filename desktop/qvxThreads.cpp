#include "desktop/qvxThreads.h"

#include "desktop/qvxApplicationWindow.h"
#include "desktop/qvxFormUtils.h"
#include "desktop/qvxSynchronize.h"

#include <QCoreApplication>

#include <cassert>
#include <chrono>
#include <cxxabi.h>

namespace {

QString ClassName(const std::exception& error) {
    int status = 0;
    const char* mangled = typeid(error).name();
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                std::free);
    return QString::fromLatin1(status == 0 && name ? name.get() : mangled);
}

} // namespace

// --- TqvxWorkerThread

TqvxWorkerThread::~TqvxWorkerThread() {
    assert(!thread_.joinable() && "the most derived destructor must call Finish");
}

void TqvxWorkerThread::Start() {
    assert(!thread_.joinable());
    thread_ = std::jthread([this](std::stop_token stop) {
        try {
            Execute(stop);
        } catch (const std::exception& error) { // handlers report their own: this is a last resort
            qCritical("worker thread ended by an exception: %s", error.what());
        }
    });
}

void TqvxWorkerThread::Finish() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
}

void qvxDisposeThread(std::unique_ptr<TqvxWorkerThread> thread) {
    if (!thread) return;
    thread->Terminate();
    QCoreApplication* application = QCoreApplication::instance();
    const bool cannotJoinHere =
        thread->Id() == std::this_thread::get_id() || qvxInSynchronizedCallOf(thread->Id());
    if (!cannotJoinHere || application == nullptr) return; // joined by the destructor
    std::shared_ptr<TqvxWorkerThread> later(std::move(thread));
    QMetaObject::invokeMethod(
        application, [later] {}, Qt::QueuedConnection);
}

// --- TqvxEventThread

TqvxEventThread::TqvxEventThread(bool suspended) : suspended_(suspended) {}

TqvxEventThread::~TqvxEventThread() {
    Finish();
}

void TqvxEventThread::SetOnEvent(TEvent handler) {
    std::lock_guard lock(mutex_);
    onEvent_ = std::move(handler);
}

void TqvxEventThread::SetOnTerminate(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    onTerminate_ = std::move(handler);
}

bool TqvxEventThread::Suspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
}

void TqvxEventThread::Resume() {
    std::lock_guard lock(mutex_);
    if (suspended_) ++wakes_;
    suspended_ = false;
    changed_.notify_all();
}

void TqvxEventThread::Suspend() {
    std::lock_guard lock(mutex_);
    suspended_ = true;
    changed_.notify_all();
}

bool TqvxEventThread::Synchronize(std::function<void()> function) {
    return qvxSynchronize(stop_, std::move(function));
}

void TqvxEventThread::Execute(std::stop_token stop) {
    stop_ = stop;
    {
        std::unique_lock lock(mutex_);
        if (!WaitResumed(stop, lock)) return;
    }
    Work(stop);
    std::function<void()> onTerminate;
    {
        std::lock_guard lock(mutex_);
        onTerminate = onTerminate_;
    }
    if (onTerminate && !stop.stop_requested()) Synchronize(onTerminate);
}

void TqvxEventThread::Work(std::stop_token stop) {
    RunEvent(stop);
}

bool TqvxEventThread::WaitResumed(std::stop_token stop, std::unique_lock<std::mutex>& lock) {
    // A wait that returns because of the stop still answers the predicate: ask the token too.
    return changed_.wait(lock, stop, [this] { return !suspended_; }) && !stop.stop_requested();
}

bool TqvxEventThread::RunEvent(std::stop_token stop) {
    if (stop.stop_requested()) return false;
    if (Synchronized) return Synchronize([this] { DoEvent(); });
    DoEvent();
    return true;
}

void TqvxEventThread::DoEvent() {
    TEvent handler;
    {
        std::lock_guard lock(mutex_);
        handler = onEvent_;
    }
    if (handler && !stop_.stop_requested()) handler(this);
}

// --- TqvxTimerThread

TqvxTimerThread::TqvxTimerThread(bool suspended) : TqvxEventThread(suspended) {}

TqvxTimerThread::~TqvxTimerThread() {
    Finish();
}

unsigned TqvxTimerThread::Interval() const {
    std::lock_guard lock(mutex_);
    return interval_;
}

void TqvxTimerThread::SetInterval(unsigned milliseconds) {
    std::lock_guard lock(mutex_);
    interval_ = milliseconds;
    ++wakes_;
    changed_.notify_all();
}

void TqvxTimerThread::Work(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (WaitResumed(stop, lock)) {
        const std::uint64_t wakes = wakes_;
        const auto interval = std::chrono::milliseconds(interval_);
        // Woken (new interval, suspended) or stopped: start over without the event.
        if (changed_.wait_for(lock, stop, interval, [&] { return wakes_ != wakes || suspended_; }) ||
            stop.stop_requested())
            continue;
        lock.unlock();
        RunEvent(stop);
        lock.lock();
    }
}

// --- TqvxCustomThreadComponent

TqvxCustomThreadComponent::TqvxCustomThreadComponent(QObject* owner) : TqvxComponent(owner) {}

TqvxCustomThreadComponent::~TqvxCustomThreadComponent() {
    Forget(std::move(thread_));
}

void TqvxCustomThreadComponent::Forget(std::unique_ptr<TqvxEventThread> thread) {
    if (!thread) return;
    thread->SetOnEvent({}); // a thread joined later must not call back into this component
    thread->SetOnTerminate({});
    qvxDisposeThread(std::move(thread));
}

TqvxEventThread& TqvxCustomThreadComponent::Thread() {
    if (!thread_) {
        thread_ = CreateThread();
        thread_->Priority = priority_;
        thread_->Synchronized = synchronized_;
        thread_->SetOnEvent([this](TqvxEventThread*) { DoExecute(); });
        thread_->SetOnTerminate([this] { qvxGuarded(this, [this] { qvxRaise(OnTerminate, this); }); });
        thread_->Start();
    }
    return *thread_;
}

std::unique_ptr<TqvxEventThread> TqvxCustomThreadComponent::CreateThread() {
    return std::make_unique<TqvxEventThread>(true);
}

void TqvxCustomThreadComponent::SetPriority(TThreadPriority priority) {
    priority_ = priority;
    if (thread_) thread_->Priority = priority;
}

void TqvxCustomThreadComponent::SetSynchronized(bool synchronized) {
    synchronized_ = synchronized;
    if (thread_) thread_->Synchronized = synchronized;
}

void TqvxCustomThreadComponent::SetSuspended(bool suspended) {
    suspended_ = suspended;
    ApplySuspended();
}

void TqvxCustomThreadComponent::Loaded() {
    ApplySuspended();
}

void TqvxCustomThreadComponent::ApplySuspended() {
    if (Designing()) return;
    if (suspended_) {
        if (thread_) thread_->Suspend();
    } else {
        Thread().Resume();
    }
}

bool TqvxCustomThreadComponent::Terminated() const {
    return !thread_ || thread_->Terminated();
}

void TqvxCustomThreadComponent::Restart() {
    if (Designing()) return;
    Forget(std::move(thread_));
    Thread().Resume();
    suspended_ = false;
}

void TqvxCustomThreadComponent::SynchronizeMethod(std::function<void()> function) {
    if (thread_ && thread_->Id() == std::this_thread::get_id())
        thread_->Synchronize(std::move(function));
    else
        function(); // already on the GUI thread (a synchronised OnExecute)
}

void TqvxCustomThreadComponent::DoExecute() {
    if (!OnExecute) return;
    try {
        OnExecute(this);
    } catch (const std::exception& error) {
        ReportException(error);
    } catch (...) {
        ReportException(std::runtime_error("unknown exception"));
    }
}

void TqvxCustomThreadComponent::ReportException(const std::exception& error) {
    SynchronizeMethod([this, &error] { qvxGuarded(this, [this, &error] { HandleException(error); }); });
}

void TqvxCustomThreadComponent::HandleException(const std::exception& error) {
    if (OnException) {
        OnException(this, error);
        return;
    }
    qvxShowMessage(qvxApplicationTitle(this),
                   QStringLiteral("Thread %1 raised exception class %2 with message \"%3\".")
                       .arg(objectName(), ClassName(error), QString::fromUtf8(error.what())));
}

// --- TqvxCustomThreadTimer

TqvxCustomThreadTimer::TqvxCustomThreadTimer(QObject* owner) : TqvxCustomThreadComponent(owner) {}

TqvxCustomThreadTimer::~TqvxCustomThreadTimer() {
    SetEnabled(false);
}

void TqvxCustomThreadTimer::SetInterval(unsigned milliseconds) {
    interval_ = milliseconds;
    if (!Designing()) static_cast<TqvxTimerThread&>(Thread()).SetInterval(milliseconds);
}

std::unique_ptr<TqvxEventThread> TqvxCustomThreadTimer::CreateThread() {
    auto thread = std::make_unique<TqvxTimerThread>(true);
    thread->SetInterval(interval_);
    return thread;
}
