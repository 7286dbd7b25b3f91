// TVORSAMDataSet: the read level a walk keeps across its moves (see Walks in VORSAMDataSet.h).
//
// Batches are timed by the coarse monotonic clock (CoarseClock.h). The datasets that hold one are listed
// for ReleaseWalkReads. The list is changed and walked under its own
// lock; ReleaseWalkReads also holds the process-wide session lock, so that no component works on the
// engine meanwhile.
#include "db/engine/VORSAMDataSet.h"

#include "db/engine/VORSAMSessionList.h"
#include "db/lib/CoarseClock.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace vorsam {

namespace {

std::atomic<int64_t> BatchMilliseconds{20};
std::atomic<bool> BatchesEnabled{false};

std::mutex& WalkListLock() {
    static std::mutex lock;
    return lock;
}

std::vector<TVORSAMDataSet*>& WalkList() {
    static std::vector<TVORSAMDataSet*> datasets;
    return datasets;
}

void ListWalk(TVORSAMDataSet& dataSet) {
    std::lock_guard<std::mutex> guard(WalkListLock());
    WalkList().push_back(&dataSet);
}

void UnlistWalk(TVORSAMDataSet& dataSet) {
    std::lock_guard<std::mutex> guard(WalkListLock());
    auto& list = WalkList();
    list.erase(std::remove(list.begin(), list.end(), &dataSet), list.end());
}

} // namespace

std::chrono::milliseconds WalkReadBatchTime() {
    return std::chrono::milliseconds(BatchMilliseconds.load());
}

void SetWalkReadBatchTime(std::chrono::milliseconds time) {
    BatchMilliseconds = std::max<int64_t>(0, time.count());
}

bool WalkReadBatchesEnabled() {
    return BatchesEnabled.load();
}

void EnableWalkReadBatches(bool on) {
    BatchesEnabled = on;
    if (!on) ReleaseWalkReads();
}

void TVORSAMDataSet::ContinueWalkRead() {
    const auto now = CoarseNow();
    if (walkRead_ && now - walkStarted_ < WalkReadBatchTime()) return;
    EndWalkRead();
    Cursor().BeginRead();
    walkRead_ = true;
    walkStarted_ = now;
    ListWalk(*this);
}

void TVORSAMDataSet::EndWalkRead() noexcept {
    if (!walkRead_) return;
    walkRead_ = false;
    UnlistWalk(*this);
    if (cursor_ == nullptr) return;
    try {
        cursor_->EndRead();
    } catch (...) {
        // the table's read slots go with its files at the latest
    }
}

void TVORSAMDataSet::EndExpiredWalkRead() noexcept {
    if (walkRead_ && CoarseNow() - walkStarted_ >= WalkReadBatchTime()) EndWalkRead();
}

void ReleaseWalkReads() {
    TCriticalSectionGuard session(SessionLock());
    std::vector<TVORSAMDataSet*> holding;
    {
        std::lock_guard<std::mutex> guard(WalkListLock());
        holding = WalkList();
    }
    for (TVORSAMDataSet* dataSet : holding) dataSet->EndWalkRead();
}

} // namespace vorsam
