#include "db/lib/FileFaults.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

namespace {

size_t Slot(TFileOperation operation) {
    return static_cast<size_t>(operation);
}

// The failure Before last decided on this thread: its kind and error.
thread_local TFileOperation failedOperation = TFileOperation::Read;
thread_local int failedError = 0;

// Operations that change what the files hold, which a stopped process no longer makes.
bool Changes(TFileOperation operation) {
    switch (operation) {
    case TFileOperation::Write:
    case TFileOperation::Flush:
    case TFileOperation::Rename:
    case TFileOperation::Delete:
    case TFileOperation::Reserve:
        return true;
    default:
        return false;
    }
}

} // namespace

void TFileFaults::FailAt(TFileOperation operation, uint64_t n, int error) {
    std::lock_guard guard(mutex_);
    failAt_[Slot(operation)] = n == 0 ? 0 : counts_[Slot(operation)].load() + n;
    failError_[Slot(operation)] = error;
    UpdateWatching();
}

void TFileFaults::FailWhere(TFileOperation operation, TPicker picked, int error) {
    assert(picked);
    std::lock_guard guard(mutex_);
    picked_.push_back({operation, std::move(picked), error});
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
    picked_.clear();
    keepBytes_ = 0;
    stopped_ = false;
    observer_ = nullptr;
    UpdateWatching();
}

void TFileFaults::UpdateWatching() {
    auto armed = [](const std::array<uint64_t, FileOperationKinds>& at) {
        return std::any_of(at.begin(), at.end(), [](uint64_t n) { return n != 0; });
    };
    watching_.store(stopped_ || observer_ || armed(failAt_) || armed(stopAt_) || !picked_.empty(),
                    std::memory_order_relaxed);
}

uint64_t TFileFaults::Count(TFileOperation operation) const {
    return counts_[Slot(operation)].load();
}

int TFileFaults::FailError([[maybe_unused]] TFileOperation operation) const {
    assert(operation == failedOperation && "the error asked for is of the failure last decided");
    return failedError;
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
        if (stopped_ && Changes(event.Operation)) {
            action = TFaultAction::Drop;
        } else if (n == stopAt_[slot]) {
            stopped_ = true;
            action = TFaultAction::Crash;
        } else if (n == failAt_[slot]) {
            action = TFaultAction::Fail;
            failedError = failError_[slot];
        } else {
            for (const TPickedFailure& failure : picked_)
                if (failure.Operation == event.Operation && failure.Picked(event)) {
                    action = TFaultAction::Fail;
                    failedError = failure.Error;
                    break;
                }
        }
        if (action == TFaultAction::Fail) failedOperation = event.Operation;
        observer = observer_;
    }
    if (observer) observer(event);
    return action;
}

} // namespace vorsam
