// CRC-32 by folding with carry-less multiplication (Crc32.h). The register holds 512 bits of the
// message in four lanes of 128; each step multiplies a lane by x^(512+64) and x^512 modulo the
// polynomial (bit-reflected constants) and adds the next 64 bytes; the lanes are then folded into one,
// the rest of the 16-byte blocks folded in, and the 128 bits reduced to 32 (a fold to 64 bits, then
// Barrett's reduction). What remains past the last whole block goes through zlib.
#include "db/lib/Crc32.h"

#include <algorithm>
#include <immintrin.h>
#include <zlib.h>

namespace vorsam {

namespace {

// The plain routine, in slices that zlib's 32-bit lengths hold.
uint32_t PlainCrc32(const uint8_t* bytes, size_t count, uint32_t crc) {
    while (count > 0) {
        uInt part = uInt(std::min<size_t>(count, size_t(1) << 30));
        crc = uint32_t(crc32(crc, bytes, part));
        bytes += part;
        count -= part;
    }
    return crc;
}

#define VORSAM_FOLDING __attribute__((target("pclmul,sse4.1")))

VORSAM_FOLDING inline __m128i Load(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The lane multiplied by the constants' two halves, plus what follows it.
VORSAM_FOLDING inline __m128i Fold(__m128i lane, __m128i by, __m128i next) {
    __m128i low = _mm_clmulepi64_si128(lane, by, 0x00);
    __m128i high = _mm_clmulepi64_si128(lane, by, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// The register of `count` bytes (at least 64, a multiple of 16) folded into the CRC, on the inverted
// value as zlib keeps it during its loop.
VORSAM_FOLDING uint32_t FoldedCrc32(const uint8_t* bytes, size_t count, uint32_t crc) {
    alignas(16) static const uint64_t fold512[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const uint64_t fold128[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const uint64_t fold64[] = {0x0163cd6124, 0};
    alignas(16) static const uint64_t barrett[] = {0x01db710641, 0x01f7011641};
    __m128i x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(int(crc)));
    __m128i x2 = Load(bytes + 16), x3 = Load(bytes + 32), x4 = Load(bytes + 48);
    bytes += 64;
    count -= 64;
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(fold512));
    for (; count >= 64; bytes += 64, count -= 64) {
        x1 = Fold(x1, k, Load(bytes));
        x2 = Fold(x2, k, Load(bytes + 16));
        x3 = Fold(x3, k, Load(bytes + 32));
        x4 = Fold(x4, k, Load(bytes + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(fold128));
    x1 = Fold(x1, k, x2);
    x1 = Fold(x1, k, x3);
    x1 = Fold(x1, k, x4);
    for (; count >= 16; bytes += 16, count -= 16) x1 = Fold(x1, k, Load(bytes));
    // 128 bits to 64.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(fold64));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), x2);
    // Barrett's reduction to 32 bits.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(barrett));
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), k, 0x00);
    return uint32_t(_mm_extract_epi32(_mm_xor_si128(x1, x2), 1));
}

bool CanFold() {
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}

} // namespace

uint32_t Crc32(const uint8_t* bytes, size_t count, uint32_t crc) {
    if (count >= 64 && CanFold()) {
        size_t folded = count & ~size_t(15);
        crc = ~FoldedCrc32(bytes, folded, ~crc);
        bytes += folded;
        count -= folded;
    }
    return PlainCrc32(bytes, count, crc);
}

} // namespace vorsam
