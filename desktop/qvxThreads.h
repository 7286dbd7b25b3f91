#pragma once
// Worker threads of the desktop library and the components that own them.
//
// TqvxWorkerThread runs Execute on its own std::jthread once Start is called. It is stopped
// cooperatively: Terminate triggers its stop token (every wait of the library's threads wakes at
// once), and the destructor joins. A thread is never killed, so a component never goes away
// while its thread still runs its handlers; qvxDisposeThread joins later, on the GUI thread, a
// thread that cannot be joined where it is disposed of (from inside its own synchronised call,
// or on the thread itself).
//
// TqvxEventThread raises OnEvent once, when first resumed (it starts suspended or not, as made);
// with Synchronized the event runs on the GUI thread as a synchronised call (qvxSynchronize.h).
// TqvxTimerThread raises it every Interval milliseconds while resumed; changing the interval (or
// suspending and resuming) starts a new full interval without raising the event. OnTerminate
// runs as a synchronised call when the work has ended by itself (not when the thread is stopped).
//
// Priorities are kept and reported but have no effect: ordinary users' threads on Linux share one
// scheduling priority.
//
// TqvxThreadComponent runs OnExecute on its event thread; TqvxThreadTimer raises OnTimer from a
// timer thread while Enabled. An exception of OnExecute (or OnTimer) is handed to HandleException
// on the GUI thread: OnException when assigned, else the library's message box "Thread <name>
// raised exception class <class> with message "<message>".". Handlers are to be assigned before
// the thread is resumed. In the design state nothing runs: Suspended and Enabled only store.

#include "desktop/qvxComponents.h"
#include "desktop/qvxEvents.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TqvxWorkerThread {
public:
    TqvxWorkerThread() = default;
    TqvxWorkerThread(const TqvxWorkerThread&) = delete;
    TqvxWorkerThread& operator=(const TqvxWorkerThread&) = delete;
    virtual ~TqvxWorkerThread(); // the most derived destructor calls Finish

    void Start(); // once
    void Terminate() { thread_.request_stop(); }
    bool Terminated() const { return thread_.get_stop_token().stop_requested(); }
    std::thread::id Id() const { return thread_.get_id(); }

    std::atomic<TThreadPriority> Priority{tpNormal};

protected:
    virtual void Execute(std::stop_token stop) = 0;
    // Terminates and joins; every destructor of a class with an Execute calls it first.
    void Finish();

private:
    std::jthread thread_;
};

// Terminates the thread and frees it: at once, or later on the GUI thread when it cannot be
// joined here (see above).
void qvxDisposeThread(std::unique_ptr<TqvxWorkerThread> thread);

class TqvxEventThread : public TqvxWorkerThread {
public:
    using TEvent = std::function<void(TqvxEventThread* sender)>;

    explicit TqvxEventThread(bool suspended);
    ~TqvxEventThread() override;

    void SetOnEvent(TEvent handler);
    void SetOnTerminate(std::function<void()> handler);
    std::atomic<bool> Synchronized{false};

    bool Suspended() const;
    void Resume();
    void Suspend();

    // From the worker: runs the function on the GUI thread and waits (false: stopped first).
    bool Synchronize(std::function<void()> function);

protected:
    void Execute(std::stop_token stop) override;
    // The work between the first resume and the end: raises the event once.
    virtual void Work(std::stop_token stop);
    // Raises the event (synchronised or not); false when stopped.
    bool RunEvent(std::stop_token stop);
    // Waits while suspended; false when stopped.
    bool WaitResumed(std::stop_token stop, std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    bool suspended_;
    std::uint64_t wakes_ = 0; // counts resumes and interval changes: each starts a new interval

private:
    void DoEvent();

    TEvent onEvent_;
    std::function<void()> onTerminate_;
    std::stop_token stop_;
};

class TqvxTimerThread : public TqvxEventThread {
public:
    explicit TqvxTimerThread(bool suspended);
    ~TqvxTimerThread() override;

    unsigned Interval() const;
    void SetInterval(unsigned milliseconds);

protected:
    void Work(std::stop_token stop) override;

private:
    unsigned interval_ = 1000;
};

using TqvxExceptionEvent = std::function<void(QObject* sender, const std::exception& error)>;

class TqvxCustomThreadComponent : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxCustomThreadComponent(QObject* owner = nullptr);
    ~TqvxCustomThreadComponent() override;

    TThreadPriority Priority() const { return priority_; }
    void SetPriority(TThreadPriority priority);
    bool Suspended() const { return suspended_; }
    void SetSuspended(bool suspended);
    bool Synchronized() const { return synchronized_; }
    void SetSynchronized(bool synchronized);
    std::atomic<int> ReturnValue{0};

    TqvxExceptionEvent OnException;
    TNotifyEvent OnExecute;
    TNotifyEvent OnTerminate;

    // What the owner calls when it has been built: applies Suspended outside the design state.
    void Loaded();
    // True when the running work has been asked to end (long handlers poll it).
    bool Terminated() const;

    virtual void Restart();
    // From the worker: runs the function on the GUI thread and waits for it.
    virtual void SynchronizeMethod(std::function<void()> function);

protected:
    virtual void DoExecute();
    virtual void HandleException(const std::exception& error);
    virtual std::unique_ptr<TqvxEventThread> CreateThread();
    TqvxEventThread& Thread(); // made on first use

private:
    void ApplySuspended();
    void ReportException(const std::exception& error); // HandleException on the GUI thread
    void Forget(std::unique_ptr<TqvxEventThread> thread);

    std::unique_ptr<TqvxEventThread> thread_;
    TThreadPriority priority_ = tpNormal;
    bool suspended_ = true;
    bool synchronized_ = false;
};

class TqvxThreadComponent : public TqvxCustomThreadComponent {
    Q_OBJECT
public:
    using TqvxCustomThreadComponent::TqvxCustomThreadComponent;
};

class TqvxCustomThreadTimer : public TqvxCustomThreadComponent {
    Q_OBJECT
public:
    explicit TqvxCustomThreadTimer(QObject* owner = nullptr);
    ~TqvxCustomThreadTimer() override;

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned milliseconds);
    bool Enabled() const { return !Suspended(); }
    void SetEnabled(bool enabled) { SetSuspended(!enabled); }
    TNotifyEvent& OnTimer() { return OnExecute; }

protected:
    std::unique_ptr<TqvxEventThread> CreateThread() override;

private:
    unsigned interval_ = 1000;
};

class TqvxThreadTimer : public TqvxCustomThreadTimer {
    Q_OBJECT
public:
    using TqvxCustomThreadTimer::TqvxCustomThreadTimer;
};
