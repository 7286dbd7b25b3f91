#include "db/lib/FileFaults.h"

#include <cassert>

namespace vorsam {

namespace {
size_t Slot(TFileOperation operation) {
    return static_cast<size_t>(operation);
}
} // namespace

void TFileFaults::FailAt(TFileOperation operation, uint64_t n, int error) {
    std::lock_guard guard(mutex_);
    failAt_[Slot(operation)] = n == 0 ? 0 : counts_[Slot(operation)].load() + n;
    failError_[Slot(operation)] = error;
    UpdateWatching();
}

void TFileFaults::StopAt(TFileOperation operation, uint64_t n, size_t keepBytes) {
    assert(operation == TFileOperation::Write || operation == TFileOperation::Rename ||
           operation == TFileOperation::Delete);
    std::lock_guard guard(mutex_);
    stopAt_[Slot(operation)] = n == 0 ? 0 : counts_[Slot(operation)].load() + n;
    keepBytes_ = keepBytes;
    UpdateWatching();
}

void TFileFaults::SetObserver(TObserver observer) {
    std::lock_guard guard(mutex_);
    observer_ = std::move(observer);
    UpdateWatching();
}

void TFileFaults::Reset() {
    std::lock_guard guard(mutex_);
    for (auto& count : counts_) count.store(0);
    failAt_ = {};
    stopAt_ = {};
    keepBytes_ = 0;
    stopped_ = false;
    observer_ = nullptr;
    UpdateWatching();
}

void TFileFaults::UpdateWatching() {
    auto armed = [](const std::array<uint64_t, FileOperationKinds>& at) {
        for (uint64_t n : at)
            if (n != 0) return true;
        return false;
    };
    watching_.store(stopped_ || observer_ || armed(failAt_) || armed(stopAt_), std::memory_order_relaxed);
}

uint64_t TFileFaults::Count(TFileOperation operation) const {
    return counts_[Slot(operation)].load();
}

int TFileFaults::FailError(TFileOperation operation) const {
    std::lock_guard guard(mutex_);
    return failError_[Slot(operation)];
}

bool TFileFaults::Stopped() const {
    std::lock_guard guard(mutex_);
    return stopped_;
}

size_t TFileFaults::CrashKeepBytes() const {
    std::lock_guard guard(mutex_);
    return keepBytes_;
}

TFaultAction TFileFaults::Before(const TFileEvent& event) {
    const size_t slot = Slot(event.Operation);
    if (!Watching()) {
        counts_[slot].fetch_add(1, std::memory_order_relaxed);
        return TFaultAction::Proceed;
    }
    TObserver observer;
    TFaultAction action = TFaultAction::Proceed;
    {
        std::lock_guard guard(mutex_);
        uint64_t n = counts_[slot].fetch_add(1) + 1;
        bool changes = event.Operation != TFileOperation::Read && event.Operation != TFileOperation::Lock;
        if (stopped_ && changes) {
            action = TFaultAction::Drop;
        } else if (n == stopAt_[slot]) {
            stopped_ = true;
            action = TFaultAction::Crash;
        } else if (n == failAt_[slot]) {
            action = TFaultAction::Fail;
        }
        observer = observer_;
    }
    if (observer) observer(event);
    return action;
}

} // namespace vorsam
