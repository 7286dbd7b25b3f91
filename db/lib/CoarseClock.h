// The monotonic clock at the resolution of the system's tick (a few milliseconds), read without a system
// call: for the time limits of read batches, which look at it for every record they read.
#pragma once

#include <chrono>
#include <time.h>

namespace vorsam {

inline std::chrono::steady_clock::time_point CoarseNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::chrono::steady_clock::time_point(std::chrono::seconds(now.tv_sec) +
                                                 std::chrono::nanoseconds(now.tv_nsec));
}

} // namespace vorsam
