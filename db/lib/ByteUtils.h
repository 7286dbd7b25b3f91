// Byte-run helpers of the engine: comparisons and counts over keys, little- and big-endian integer
// access (file integers are little-endian, index keys big-endian and bytewise sortable), and heap
// buffers grown in whole steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

// The longest run CommonPrefixLength and CountTrailingZeroBytes report: counts are stored in one byte of
// a compressed index entry, and 255 is kept free.
inline constexpr size_t MaxKeyRunCount = 254;

// -1, 0 or 1 comparing `length` unsigned bytes; the sign is reversed when `descending`.
int CompareMemory(const void* a, const void* b, size_t length, bool descending = false);

// Number of equal leading bytes of two keys, at most `length` and at most 254.
size_t CommonPrefixLength(const void* a, const void* b, size_t length);

// Number of zero bytes at the end of the `length` bytes at `data`, at most `length` and at most 254.
size_t CountTrailingZeroBytes(const void* data, size_t length);

inline void ZeroBytes(void* data, size_t length) {
    std::memset(data, 0, length);
}

// A 32-bit integer as a 4-byte big-endian key with the sign bit flipped (memcmp order = value order).
void EncodeIntegerKey(int32_t value, uint8_t* destination);

// Little-endian (file) and big-endian (key) integer access.
inline uint16_t LoadLE16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t LoadLE64(const uint8_t* p) {
    return uint64_t(LoadLE32(p)) | uint64_t(LoadLE32(p + 4)) << 32;
}
inline void StoreLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    StoreLE16(p, uint16_t(v));
    StoreLE16(p + 2, uint16_t(v >> 16));
}
inline void StoreLE64(uint8_t* p, uint64_t v) {
    StoreLE32(p, uint32_t(v));
    StoreLE32(p + 4, uint32_t(v >> 32));
}
inline uint64_t LoadBE(const uint8_t* p, size_t width) {
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i) v = v << 8 | p[i];
    return v;
}
inline void StoreBE(uint8_t* p, uint64_t v, size_t width) {
    for (size_t i = width; i-- > 0; v >>= 8) p[i] = uint8_t(v);
}

// A value in the machine's own layout (the native form of record values, DataTypes.h), unaligned.
template <typename T> T LoadNative(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <typename T> void StoreNative(uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// A length-prefixed text field of the file formats: a length byte, then up to `maxLength` characters, the
// unused bytes zero (maxLength + 1 bytes in all). Loading caps a corrupt length byte at `maxLength`;
// storing cuts the text to it.
std::string LoadShortString(const uint8_t* field, size_t maxLength);
void StoreShortString(uint8_t* field, size_t maxLength, std::string_view text);

// Grows or shrinks `buffer` to `newSize` rounded up to a whole number of `step`s; new bytes are zero.
void ReallocBuffer(size_t newSize, size_t step, std::vector<uint8_t>& buffer);

// Frees the buffer's memory and leaves it empty.
inline void FreeMemAndNil(std::vector<uint8_t>& buffer) {
    std::vector<uint8_t>().swap(buffer);
}

// A run of bytes that lives on the stack up to N bytes and on the heap beyond, for the scratch copies of
// records and keys a single operation needs (their sizes are known only at run time).
template <size_t N> class TScratchBytes {
public:
    explicit TScratchBytes(size_t size) : size_(size) {
        if (size > N) heap_.reset(new uint8_t[size]);
    }
    TScratchBytes(const TScratchBytes&) = delete;
    TScratchBytes& operator=(const TScratchBytes&) = delete;
    uint8_t* data() { return heap_ ? heap_.get() : inline_; }
    const uint8_t* data() const { return heap_ ? heap_.get() : inline_; }
    size_t size() const { return size_; }
    uint8_t& operator[](size_t i) { return data()[i]; }

private:
    size_t size_;
    uint8_t inline_[N];
    std::unique_ptr<uint8_t[]> heap_;
};

// Makes `destination` an exact copy of `source` (same pointers, same order).
template <typename T> void CopyPointerList(std::vector<T*>& destination, const std::vector<T*>& source) {
    destination = source;
}

} // namespace vorsam
