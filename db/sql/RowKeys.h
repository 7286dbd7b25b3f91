// Byte strings numbered in the order they were first seen and found again by their bytes: the groups of a
// GROUP BY folded while its rows are read, the rows a DISTINCT has already written. The strings are kept
// one after another; an open-addressing table of their numbers, at most half full, finds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

uint64_t HashKeyBytes(std::string_view bytes);

class TRowKeys {
public:
    // The key's number (0, 1, ... in the order first seen); `added` tells whether it was not there yet.
    uint32_t Find(std::string_view key, bool& added);
    size_t Count() const { return at_.size() - 1; }
    // Memory the keys and the table take.
    size_t Bytes() const {
        return bytes_.size() + at_.size() * sizeof(uint32_t) + slots_.size() * sizeof(uint32_t);
    }

private:
    std::string_view Key(uint32_t number) const {
        return std::string_view(bytes_).substr(at_[number], at_[number + 1] - at_[number]);
    }
    void Grow();

    std::string bytes_;
    std::vector<uint32_t> at_{0};  // where key i starts in bytes_ (one more: the end)
    std::vector<uint32_t> slots_;  // a key's number + 1, 0 = empty
    std::vector<uint64_t> hashes_; // each key's hash
};

} // namespace vorsam
