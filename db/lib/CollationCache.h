// Process-wide cache of the collation objects of each locale in use: the ICU collator and the 256-entry
// upper- and lower-case maps of Windows-1252 characters. Owned by the library globals; entries live until
// FinalizeLibraryGlobals. Comparisons use a cached collator without a lock (ICU collators are safe for
// concurrent comparisons); finding or creating an entry takes the cache's lock, except when the thread
// asks again for the locale it used last.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

struct UCollator;

namespace vorsam {

struct TLocaleCollation {
    UCollator* Collator = nullptr; // null for language 0 (bytewise)
    std::array<uint8_t, 256> UpperCase{};
    std::array<uint8_t, 256> LowerCase{};
    ~TLocaleCollation();
};

class TCollationCache {
public:
    TCollationCache();
    // The entry of a locale id; raises VORSAM_CANNOTLOADLDDRV when the locale is not valid.
    const TLocaleCollation& Get(uint32_t localeId);
    // Distinct for every cache the process creates, so per-thread shortcuts can tell a new cache apart.
    uint64_t Generation() const { return generation_; }

private:
    uint64_t generation_;
    std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<TLocaleCollation>> entries_;
};

// Windows-1252 byte to UTF-16 code unit (the five unassigned bytes map to the same code point).
inline constexpr std::array<char16_t, 256> Cp1252ToUtf16Table = [] {
    constexpr char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::array<char16_t, 256> table{};
    for (int c = 0; c < 256; ++c) table[size_t(c)] = c >= 0x80 && c < 0xA0 ? high[c - 0x80] : char16_t(c);
    return table;
}();
inline char16_t Cp1252ToUtf16(uint8_t c) {
    return Cp1252ToUtf16Table[c];
}

} // namespace vorsam
