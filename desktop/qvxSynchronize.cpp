#include "desktop/qvxSynchronize.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// The workers whose synchronised calls the GUI thread is running now (nested in event loops).
std::vector<std::thread::id>& RunningCalls() {
    static std::vector<std::thread::id> workers;
    return workers;
}

// The state of one call, shared by the worker and the posted function.
struct TCall {
    enum class TState { Pending, Running, Done, Cancelled };
    std::mutex mutex;
    std::condition_variable_any changed;
    TState state = TState::Pending;
    std::function<void()> function;
    std::exception_ptr error;
    std::thread::id worker = std::this_thread::get_id();

    void RunOnGuiThread() {
        {
            std::lock_guard lock(mutex);
            if (state == TState::Cancelled) return;
            state = TState::Running;
        }
        RunningCalls().push_back(worker);
        try {
            function();
        } catch (...) {
            error = std::current_exception();
        }
        RunningCalls().pop_back();
        std::lock_guard lock(mutex);
        state = TState::Done;
        changed.notify_all();
    }
};

} // namespace

bool qvxSynchronize(std::stop_token stop, std::function<void()> function) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
        function();
        return true;
    }
    auto call = std::make_shared<TCall>();
    call->function = std::move(function);
    QMetaObject::invokeMethod(
        application, [call] { call->RunOnGuiThread(); }, Qt::QueuedConnection);
    std::unique_lock lock(call->mutex);
    // A running call is always waited for: it may not be left half done.
    call->changed.wait(lock, stop, [&call] { return call->state == TCall::TState::Done; });
    if (call->state == TCall::TState::Pending) {
        call->state = TCall::TState::Cancelled;
        return false;
    }
    call->changed.wait(lock, [&call] { return call->state == TCall::TState::Done; });
    if (call->error) std::rethrow_exception(call->error);
    return true;
}

bool qvxInSynchronizedCallOf(std::thread::id worker) {
    const auto& workers = RunningCalls();
    return std::find(workers.begin(), workers.end(), worker) != workers.end();
}
