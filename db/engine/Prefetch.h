// PrefetchLine: a hint that brings the cache line of an address towards the processor, for a caller that
// knows what it reads next; it reads nothing, never faults, and changes nothing. Written in assembly on
// x86, where the compiler otherwise drops prefetches whose address it computes from a shift or a load.
#pragma once

namespace vorsam {

inline void PrefetchLine(const void* address) {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
    __builtin_prefetch(address);
#endif
}

} // namespace vorsam
