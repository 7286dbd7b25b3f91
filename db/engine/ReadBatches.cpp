// Read batches: the process-wide settings and the keeper (see ReadBatches.h).
//
// The keeper is made at the first watch and lives as long as the process: tables that go at the
// process's end still find it. Its thread sleeps until the earliest time a watched table said its slots
// were due, then asks each watched table to give up what is over, under the keeper's lock, which Watch,
// Unwatch and ReleaseWalkReads take too.
#include "db/engine/ReadBatches.h"

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

} // namespace

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
