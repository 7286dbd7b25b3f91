#include "db/lib/Scramble.h"

namespace vorsam {

namespace {

// xorshift32 key stream; the seed pair picks the starting state and the chaining byte.
class TKeyStream {
public:
    TKeyStream(uint8_t seed1, uint8_t seed2)
        : chain_(uint8_t(seed1 ^ ~seed2)), state_(uint32_t(seed1) << 24 | uint32_t(seed2) << 16 | 0x9E37u) {}
    uint8_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return uint8_t(state_ >> 24);
    }
    uint8_t chain_;

private:
    uint32_t state_;
};

} // namespace

void ScrambleBuffer(void* buffer, size_t length, uint8_t seed1, uint8_t seed2) {
    auto p = static_cast<uint8_t*>(buffer);
    TKeyStream keys(seed1, seed2);
    for (size_t i = 0; i < length; ++i) {
        p[i] = uint8_t((p[i] + keys.Next()) ^ keys.chain_);
        keys.chain_ = p[i];
    }
}

void UnscrambleBuffer(void* buffer, size_t length, uint8_t seed1, uint8_t seed2) {
    auto p = static_cast<uint8_t*>(buffer);
    TKeyStream keys(seed1, seed2);
    for (size_t i = 0; i < length; ++i) {
        uint8_t scrambled = p[i];
        p[i] = uint8_t((scrambled ^ keys.chain_) - keys.Next());
        keys.chain_ = scrambled;
    }
}

} // namespace vorsam
