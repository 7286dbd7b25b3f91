#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

int CompareMemory(const void* a, const void* b, size_t length, bool descending) {
    int result = length == 0 ? 0 : std::memcmp(a, b, length);
    result = (result > 0) - (result < 0);
    return descending ? -result : result;
}

size_t CommonPrefixLength(const void* a, const void* b, size_t length) {
    auto pa = static_cast<const uint8_t*>(a);
    auto pb = static_cast<const uint8_t*>(b);
    size_t limit = std::min(length, MaxKeyRunCount);
    size_t n = 0;
    while (n < limit && pa[n] == pb[n]) ++n;
    return n;
}

size_t CountTrailingZeroBytes(const void* data, size_t length) {
    auto p = static_cast<const uint8_t*>(data);
    size_t limit = std::min(length, MaxKeyRunCount);
    size_t n = 0;
    while (n < limit && p[length - 1 - n] == 0) ++n;
    return n;
}

void EncodeIntegerKey(int32_t value, uint8_t* destination) {
    StoreBE(destination, uint32_t(value) ^ 0x80000000u, 4);
}

std::string LoadShortString(const uint8_t* field, size_t maxLength) {
    return std::string(reinterpret_cast<const char*>(field + 1), std::min<size_t>(field[0], maxLength));
}

void StoreShortString(uint8_t* field, size_t maxLength, std::string_view text) {
    size_t n = std::min(text.size(), maxLength);
    std::memset(field, 0, maxLength + 1);
    field[0] = uint8_t(n);
    std::memcpy(field + 1, text.data(), n);
}

void ReallocBuffer(size_t newSize, size_t step, std::vector<uint8_t>& buffer) {
    assert(step > 0);
    size_t capacity = (newSize + step - 1) / step * step;
    buffer.resize(capacity, 0);
}

} // namespace vorsam
