#pragma once
// The common ground of the change monitors (qvxFolderMonitor.h, qvxRegistryMonitor.h): a worker
// that waits on inotify, and the component that owns one.
//
// TqvxMonitorThread arms its watches (Arm), then waits for inotify events; each wake with at
// least one event that matters (Changed) raises OnChange once, as a synchronised call on the GUI
// thread (events of one wake are coalesced). Terminating wakes the wait at once. When the watches
// cannot be armed the thread ends at once and writes a warning on the "qvx.monitor" logging
// category. WaitArmed returns once the watches are armed (or could not be).
//
// TqvxCustomMonitor runs a monitor thread exactly while Active is set and OnChange is assigned,
// outside the design state. Activation returns once the thread's watches are armed, so a change
// made at once is seen. Every change of a setting (Update) starts a new thread with the new
// settings and, once its watches are armed, stops the one that ran - it is joined, so no OnChange
// of the old settings arrives after the change.
// The handler may change its own monitor's settings, or deactivate it. An exception of the
// handler goes to the application's exception handler; the monitor goes on.

#include "desktop/qvxComponents.h"
#include "desktop/qvxThreads.h"

#include <QLoggingCategory>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcqvxMonitor)

using TThreadMethod = std::function<void()>;

// An inotify instance with a wake-up descriptor.
class TqvxInotify {
public:
    struct TEvent {
        int watch = -1;
        std::uint32_t mask = 0;
        std::string name;
    };

    TqvxInotify();
    ~TqvxInotify();
    TqvxInotify(const TqvxInotify&) = delete;
    TqvxInotify& operator=(const TqvxInotify&) = delete;

    bool Valid() const { return inotify_ >= 0 && wake_ >= 0; }
    int Add(const std::string& path, std::uint32_t mask); // the watch, or -1 (errno set)
    void Remove(int watch);
    // Waits for events or a wake: the events read (none after a wake); nullopt on failure.
    std::optional<std::vector<TEvent>> Wait();
    void Wake(); // from any thread

private:
    int inotify_ = -1;
    int wake_ = -1;
};

class TqvxMonitorThread : public TqvxWorkerThread {
public:
    explicit TqvxMonitorThread(TThreadMethod onChange) : onChange_(std::move(onChange)) {}

    // Returns once Arm has run on the thread (or the thread has ended).
    void WaitArmed();

protected:
    void Execute(std::stop_token stop) override;
    virtual bool Arm() = 0;                                                   // false: cannot watch
    virtual bool Changed(const std::vector<TqvxInotify::TEvent>& events) = 0; // raise OnChange?

    TqvxInotify inotify_;

private:
    void SetArmed();

    TThreadMethod onChange_;
    std::mutex armedMutex_;
    std::condition_variable armedChanged_;
    bool armed_ = false;
};

class TqvxCustomMonitor : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxCustomMonitor(QObject* owner = nullptr) : TqvxComponent(owner) {}
    ~TqvxCustomMonitor() override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    const TThreadMethod& OnChange() const { return onChange_; }
    void SetOnChange(TThreadMethod handler);

    // True while a monitor thread runs.
    bool Running() const { return thread_ != nullptr; }

    void Loaded() { Update(); }
    virtual void Update();
    virtual void Start();
    virtual void Stop();

protected:
    virtual std::unique_ptr<TqvxMonitorThread> CreateMonitorThread() = 0;
    // Stores a setting and calls Update when it changed.
    template <typename T> void Set(T& setting, T value) {
        if (setting == value) return;
        setting = std::move(value);
        Update();
    }

private:
    bool active_ = false;
    TThreadMethod onChange_;
    std::unique_ptr<TqvxMonitorThread> thread_;
};
