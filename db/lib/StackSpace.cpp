#include "db/lib/StackSpace.h"

#include <cstdint>
#include <limits>
#include <pthread.h>

namespace vorsam {

namespace {

// The lowest address of the thread's stack (stacks grow down on every platform built for); 0 when unknown.
uintptr_t StackLow() {
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 0;
    void* low = nullptr;
    size_t size = 0;
    int failed = pthread_attr_getstack(&attributes, &low, &size);
    pthread_attr_destroy(&attributes);
    return failed != 0 ? 0 : reinterpret_cast<uintptr_t>(low);
}

} // namespace

size_t StackSpaceLeft() {
    thread_local const uintptr_t low = StackLow();
    char here = 0;
    auto at = reinterpret_cast<uintptr_t>(&here);
    if (low == 0 || at <= low) return low == 0 ? std::numeric_limits<size_t>::max() : 0;
    return at - low;
}

} // namespace vorsam
