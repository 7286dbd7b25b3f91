#include "db/engine/TableLocks.h"

#include "db/engine/ReadBatches.h"
#include "db/lib/FileHandler.h"

#include <mutex>
#include <random>
#include <thread>

namespace vorsam {

namespace {

std::mutex observerLock;
TLockWaitObserver waitObserver;

uint16_t DrawReadSlot() {
    static thread_local std::mt19937 random{std::random_device{}()};
    auto slot = uint16_t(random() & 0xFFFF);
    return slot == 0 ? 1 : slot;
}

// Calls `attempt` until it succeeds, at most `tries` times (at least once), 3 ms apart.
template <typename F> bool TryRepeatedly(uint32_t tries, F&& attempt) {
    for (uint32_t n = 1;; ++n) {
        if (attempt()) return true;
        if (n >= tries) return false;
        WaitBeforeRetry(LockRetryWait);
    }
}

} // namespace

void WaitBeforeRetry(std::chrono::milliseconds wait) {
    // The holder of the lock waited for may be waiting for a read batch of this process.
    ReleaseWalkReads();
    TLockWaitObserver observer;
    {
        std::lock_guard guard(observerLock);
        observer = waitObserver;
    }
    if (observer) observer(wait);
    std::this_thread::sleep_for(wait);
}

void SetLockWaitObserver(TLockWaitObserver observer) {
    std::lock_guard guard(observerLock);
    waitObserver = std::move(observer);
}

bool LockWithRetries(TFileHandler& file, uint64_t offset, uint64_t length, uint32_t tries) {
    return TryRepeatedly(tries, [&] { return file.LockRegion(true, length, offset); });
}

bool LockReadSlot(TFileHandler& file, uint16_t& slot, uint32_t tries) {
    return TryRepeatedly(tries, [&] {
        uint16_t drawn = DrawReadSlot();
        if (!file.LockRegion(true, 1, ReadSlotOffset(drawn))) return false;
        slot = drawn;
        return true;
    });
}

} // namespace vorsam
