// Whole-buffer compression of the engine (remote requests and replies): zlib stream format (RFC 1950:
// a two-byte header, the deflate data, an Adler-32 check), always at level 9.
//
// Decompression inflates into an output buffer that grows (doubling) as needed, up to a limit the
// caller gives; input that is not one complete, intact zlib stream, that carries bytes after its end,
// or that would inflate beyond the limit raises VORSAM_UNCOMPRESS and gives nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorsam {

inline constexpr int CompressionLevel = 9;

std::vector<uint8_t> CompressBuffer(std::span<const uint8_t> input);
std::vector<uint8_t> DecompressBuffer(std::span<const uint8_t> input, size_t maxOutput);

} // namespace vorsam
