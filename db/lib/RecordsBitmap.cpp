#include "db/lib/RecordsBitmap.h"

#include <algorithm>
#include <bit>

namespace vorsam {

// Record n is bit (n - 1) % 64 of word (n - 1) / 64; bits past the count are always clear.

void TRecordsBitmap::SetRecordCount(uint32_t count) {
    count_ = count;
    words_.resize((size_t(count) + 63) / 64, 0);
    ClearUnusedBits();
}

void TRecordsBitmap::ClearUnusedBits() {
    if (count_ % 64 != 0) words_.back() &= (uint64_t(1) << (count_ % 64)) - 1;
}

bool TRecordsBitmap::GetBit(uint32_t n) const {
    if (n == 0 || n > count_) return false;
    return words_[(n - 1) / 64] >> ((n - 1) % 64) & 1;
}

void TRecordsBitmap::SetBit(uint32_t n, bool value) {
    if (n == 0) return;
    if (n > count_) {
        if (!value) return;
        SetRecordCount(n);
    }
    uint64_t mask = uint64_t(1) << ((n - 1) % 64);
    uint64_t& word = words_[(n - 1) / 64];
    word = value ? word | mask : word & ~mask;
}

void TRecordsBitmap::ClearAll() {
    std::fill(words_.begin(), words_.end(), 0);
}

void TRecordsBitmap::SetAll() {
    std::fill(words_.begin(), words_.end(), ~uint64_t(0));
    ClearUnusedBits();
}

uint32_t TRecordsBitmap::CountSetBits() const {
    uint32_t n = 0;
    for (uint64_t w : words_) n += uint32_t(std::popcount(w));
    return n;
}

uint32_t TRecordsBitmap::NextSetBit(uint32_t after) const {
    if (after >= count_) return 0;
    size_t bit = after; // index of record after + 1
    size_t word = bit / 64;
    uint64_t w = words_[word] & (~uint64_t(0) << (bit % 64));
    while (w == 0) {
        if (++word == words_.size()) return 0;
        w = words_[word];
    }
    return uint32_t(word * 64 + size_t(std::countr_zero(w)) + 1);
}

uint32_t TRecordsBitmap::PriorSetBit(uint32_t before) const {
    uint32_t last = std::min(before == 0 ? 0 : before - 1, count_);
    if (last == 0) return 0;
    size_t bit = last - 1;
    size_t word = bit / 64;
    uint64_t w = words_[word] & (~uint64_t(0) >> (63 - bit % 64));
    while (w == 0) {
        if (word-- == 0) return 0;
        w = words_[word];
    }
    return uint32_t(word * 64 + 63 - size_t(std::countl_zero(w)) + 1);
}

} // namespace vorsam
