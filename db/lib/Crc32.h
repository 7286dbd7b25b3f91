// CRC-32 as zlib's crc32 computes it (the reflected polynomial 0xEDB88320, its value inverted before
// and after), so that a checksum stored by either is the other's: where the processor multiplies
// without carries, blocks of 64 bytes are folded 16 bytes at a time, else zlib's own routine runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorsam {

// The CRC-32 of the bytes, carried on from `crc` (0 to begin).
uint32_t Crc32(const uint8_t* bytes, size_t count, uint32_t crc = 0);

} // namespace vorsam
