#include "db/sql/RowKeys.h"

#include <cassert>
#include <cstring>

namespace vorsam {

uint64_t HashKeyBytes(std::string_view bytes) {
    uint64_t hash = 0x243F6A8885A308D3u ^ bytes.size();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = (hash ^ word) * 0x9E3779B97F4A7C15u;
        hash ^= hash >> 29;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    hash = (hash ^ tail) * 0x9E3779B97F4A7C15u;
    return hash ^ (hash >> 32);
}

uint32_t TRowKeys::Find(std::string_view key, bool& added) {
    if (2 * (Count() + 1) > slots_.size()) Grow();
    uint64_t hash = HashKeyBytes(key);
    assert((slots_.size() & (slots_.size() - 1)) == 0 && "a power of two of slots");
    size_t mask = slots_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        uint32_t entry = slots_[slot];
        if (entry == 0) {
            auto number = uint32_t(Count());
            bytes_.append(key);
            at_.push_back(uint32_t(bytes_.size()));
            hashes_.push_back(hash);
            slots_[slot] = number + 1;
            added = true;
            return number;
        }
        if (hashes_[entry - 1] == hash && Key(entry - 1) == key) {
            added = false;
            return entry - 1;
        }
    }
}

void TRowKeys::Grow() {
    slots_.assign(slots_.empty() ? 64 : 2 * slots_.size(), 0);
    size_t mask = slots_.size() - 1;
    for (uint32_t number = 0; number < Count(); ++number) {
        size_t slot = hashes_[number] & mask;
        while (slots_[slot] != 0) slot = (slot + 1) & mask;
        slots_[slot] = number + 1;
    }
}

} // namespace vorsam
