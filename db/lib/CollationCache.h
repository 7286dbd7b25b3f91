// Process-wide cache of the collation objects of each locale in use: the ICU collator and the 256-entry
// upper-case map of Windows-1252 characters. Owned by the library globals; entries live until
// FinalizeLibraryGlobals. Comparisons use a cached collator without a lock (ICU collators are safe for
// concurrent comparisons); only finding or creating an entry takes the cache's lock.
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
    ~TLocaleCollation();
};

class TCollationCache {
public:
    // The entry of a locale id; raises VORSAM_CANNOTLOADLDDRV when the locale is not valid.
    const TLocaleCollation& Get(uint32_t localeId);

private:
    std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<TLocaleCollation>> entries_;
};

// Windows-1252 byte to UTF-16 code unit (the five unassigned bytes map to the same code point).
char16_t Cp1252ToUtf16(uint8_t c);

} // namespace vorsam
