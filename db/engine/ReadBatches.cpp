// Read batches: the process-wide settings and the keeper (see ReadBatches.h).
//
// The keeper is made at the first watch and lives as long as the process: tables that go at the
// process's end still find it. Its thread sleeps until the earliest time a watched table said its slots
// were due, then asks each watched table to give up what is over, under the keeper's lock, which Watch,
// Unwatch and ReleaseWalkReads take too.
#include "db/engine/ReadBatches.h"

#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace vorsam {

namespace {

std::atomic<int64_t> BatchMilliseconds{20};
std::atomic<bool> BatchesEnabled{true};

class TBatchKeeper {
public:
    static TBatchKeeper& Instance() {
        static TBatchKeeper* keeper = new TBatchKeeper; // never destroyed: see above
        return *keeper;
    }

    void Watch(TReadBatchHolder& holder) {
        std::lock_guard<std::mutex> guard(lock_);
        holders_.push_back(&holder);
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    // Runs `change` under the keeper's lock: no give-up is under way meanwhile.
    template <typename Change> void Locked(Change&& change) {
        std::lock_guard<std::mutex> guard(lock_);
        change();
    }
    void Unwatch(TReadBatchHolder& holder) {
        std::lock_guard<std::mutex> guard(lock_);
        holders_.erase(std::remove(holders_.begin(), holders_.end(), &holder), holders_.end());
    }
    void Due(TBatchClock::time_point due) {
        std::lock_guard<std::mutex> guard(lock_);
        if (due >= wakeAt_) return;
        wakeAt_ = due;
        wake_.notify_one();
    }
    // Every holder gives up what is over (everything kept, with `all`).
    void GiveUp(bool all) {
        std::lock_guard<std::mutex> guard(lock_);
        GiveUpLocked(all);
    }

private:
    TBatchKeeper() = default;

    void GiveUpLocked(bool all) {
        TBatchClock::time_point now = TBatchClock::now(), next = TBatchClock::time_point::max();
        for (TReadBatchHolder* holder : holders_) next = std::min(next, holder->GiveUpBatch(now, all));
        wakeAt_ = next;
    }

    void Run() {
        std::unique_lock<std::mutex> guard(lock_);
        for (;;) {
            GiveUpLocked(false);
            if (wakeAt_ == TBatchClock::time_point::max())
                wake_.wait(guard);
            else
                wake_.wait_until(guard, wakeAt_);
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::vector<TReadBatchHolder*> holders_;
    TBatchClock::time_point wakeAt_ = TBatchClock::time_point::max();
    std::thread thread_; // never joined: the process ends it, since the keeper is never destroyed
};

// The open-mode graces of the file list, ended by the keeper as a holder of its own.
class TOpenModeGraces : public TReadBatchHolder, public TOpenModeGraceKeeper {
public:
    static TOpenModeGraces& Instance() {
        static TOpenModeGraces* graces = new TOpenModeGraces; // never destroyed, as the keeper
        return *graces;
    }

    void Serve(TFileList& list) {
        TBatchKeeper& keeper = TBatchKeeper::Instance();
        if (!watched_) keeper.Watch(*this);
        watched_ = true;
        keeper.Locked([&] { list_ = &list; });
        list.SetOpenModeGraceKeeper(this);
    }
    bool GraceBegins(TBatchClock::time_point due) override {
        if (!WalkReadBatchesEnabled()) return false;
        TBatchKeeper::Instance().Due(due);
        return true;
    }
    void Forget(TFileList& list) noexcept override {
        TBatchKeeper::Instance().Locked([&] {
            if (list_ == &list) list_ = nullptr;
        });
    }
    // Under the keeper's lock.
    TBatchClock::time_point GiveUpBatch(TBatchClock::time_point now, bool all) noexcept override {
        try {
            return list_ ? list_->EndOpenModeGraces(now, all) : TBatchClock::time_point::max();
        } catch (...) {
            return TBatchClock::time_point::max();
        }
    }

private:
    TFileList* list_ = nullptr; // under the keeper's lock
    bool watched_ = false;      // under the session lock (the caller of Serve)
};

} // namespace

void KeepOpenModesForAGrace() {
    if (!WalkReadBatchesEnabled() || GetFileList().HasOpenModeGraceKeeper()) return;
    TOpenModeGraces::Instance().Serve(GetFileList());
}

std::chrono::milliseconds WalkReadBatchTime() {
    return std::chrono::milliseconds(BatchMilliseconds.load(std::memory_order_relaxed));
}

void SetWalkReadBatchTime(std::chrono::milliseconds time) {
    BatchMilliseconds = std::max<int64_t>(0, time.count());
    // Batches kept under the old time are due at other times now.
    TBatchKeeper::Instance().Due(TBatchClock::now());
}

bool WalkReadBatchesEnabled() {
    return BatchesEnabled.load(std::memory_order_relaxed);
}

void EnableWalkReadBatches(bool on) {
    BatchesEnabled = on;
    if (!on) ReleaseWalkReads();
}

void ReleaseWalkReads() {
    TBatchKeeper::Instance().GiveUp(true);
}

void WatchReadBatches(TReadBatchHolder& holder) {
    TBatchKeeper::Instance().Watch(holder);
}

void UnwatchReadBatches(TReadBatchHolder& holder) noexcept {
    TBatchKeeper::Instance().Unwatch(holder);
}

void NoteReadBatchDue(TBatchClock::time_point due) {
    TBatchKeeper::Instance().Due(due);
}

} // namespace vorsam
