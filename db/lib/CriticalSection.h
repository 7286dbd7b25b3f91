// The engine's critical section: a recursive mutex (a thread may enter it again while it holds it), as the
// session lock, the open-file list and each shared file need. Usable with std::lock_guard.
#pragma once

#include <mutex>

namespace vorsam {

class TCriticalSection {
public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

    // BasicLockable, for std::lock_guard and std::unique_lock.
    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::recursive_mutex mutex_;
};

using TCriticalSectionGuard = std::lock_guard<TCriticalSection>;

} // namespace vorsam
