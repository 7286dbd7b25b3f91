// Reversible scrambling of table contents from a pair of seed bytes.
//
// This is obfuscation, not encryption: the algorithm is public and an encrypted table keeps its password
// in its own header. Each byte is added to a key byte drawn from a generator seeded by the pair and
// chained to the previous scrambled byte, so equal runs do not show as equal output. Each call starts
// again from the seeds, so a buffer can be scrambled and unscrambled in independent calls; the length
// never changes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorsam {

// Seed pairs of the table files: record, descriptor, index-page and blob data; description and password.
inline constexpr uint8_t TableDataSeed1 = 91, TableDataSeed2 = 140;
inline constexpr uint8_t DescriptionSeed1 = 27, DescriptionSeed2 = 203;

void ScrambleBuffer(void* buffer, size_t length, uint8_t seed1, uint8_t seed2);
void UnscrambleBuffer(void* buffer, size_t length, uint8_t seed1, uint8_t seed2);

} // namespace vorsam
