#include "db/lib/Collation.h"

#include "db/lib/CollationCache.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/LibraryGlobals.h"

#include <atomic>
#include <cstring>
#include <strings.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace vorsam {

namespace {

// UTF-16 code unit back to Windows-1252; -1 when the character has no Windows-1252 byte.
int Utf16ToCp1252(UChar32 c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
    for (int i = 0x80; i < 0xA0; ++i)
        if (Cp1252ToUtf16Table[size_t(i)] == c) return i;
    return -1;
}

size_t BoundedLength(const char* s, size_t length) {
    return length == 0 ? 0 : strnlen(s, length);
}

// Upper (lower) case of one Windows-1252 character under the locale, as one Windows-1252 byte.
uint8_t CaseOf(uint8_t c, const char* locale, bool upper) {
    UChar source = Cp1252ToUtf16(c), mapped[4];
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = upper ? u_strToUpper(mapped, 4, &source, 1, locale, &status)
                      : u_strToLower(mapped, 4, &source, 1, locale, &status);
    if (U_SUCCESS(status) && n == 1 && Utf16ToCp1252(mapped[0]) >= 0)
        return uint8_t(Utf16ToCp1252(mapped[0]));
    int simple = Utf16ToCp1252(upper ? u_toupper(source) : u_tolower(source));
    return simple >= 0 ? uint8_t(simple) : c;
}

std::unique_ptr<TLocaleCollation> OpenLocale(uint32_t localeId) {
    if (!IsValidLocaleId(localeId)) RaiseEngineError(VORSAM_CANNOTLOADLDDRV, std::to_string(localeId));
    auto languageId = uint16_t(localeId);
    auto entry = std::make_unique<TLocaleCollation>();
    std::string locale(IcuLocaleOfLanguage(languageId == 0 ? DefaultUpperCaseLanguageId : languageId));
    if (languageId != 0) {
        UErrorCode status = U_ZERO_ERROR;
        entry->Collator = ucol_open(locale.c_str(), &status);
        if (U_FAILURE(status)) RaiseEngineError(VORSAM_CANNOTLOADLDDRV, locale);
    }
    for (int c = 0; c < 256; ++c) {
        entry->UpperCase[c] = CaseOf(uint8_t(c), locale.c_str(), true);
        entry->LowerCase[c] = CaseOf(uint8_t(c), locale.c_str(), false);
    }
    return entry;
}

// The thread's last locale is remembered, so runs of comparisons under one table's locale skip the lock.
const TLocaleCollation& CollationOf(uint16_t languageId, uint16_t sortId) {
    thread_local uint64_t lastGeneration = 0;
    thread_local uint32_t lastLocale = 0;
    thread_local const TLocaleCollation* lastEntry = nullptr;
    TCollationCache& cache = GetCollationCache();
    uint32_t localeId = MakeLocaleId(languageId, sortId);
    if (lastEntry && lastGeneration == cache.Generation() && lastLocale == localeId) return *lastEntry;
    lastEntry = &cache.Get(localeId);
    lastGeneration = cache.Generation();
    lastLocale = localeId;
    return *lastEntry;
}

// Windows-1252 text as UTF-16 in a buffer on the stack when it fits.
class TUtf16Text {
public:
    TUtf16Text(const char* s, size_t length) : size_(BoundedLength(s, length)) {
        UChar* out = local_;
        if (size_ > sizeof local_ / sizeof local_[0]) {
            heap_.resize(size_);
            out = heap_.data();
        }
        for (size_t i = 0; i < size_; ++i) out[i] = Cp1252ToUtf16Table[uint8_t(s[i])];
    }
    UChar* Data() { return heap_.empty() ? local_ : heap_.data(); }
    int32_t Size() const { return int32_t(size_); }

private:
    size_t size_;
    UChar local_[256];
    std::u16string heap_;
};

} // namespace

TCollationCache::TCollationCache() {
    static std::atomic<uint64_t> generations{0};
    generation_ = ++generations;
}

TLocaleCollation::~TLocaleCollation() {
    if (Collator) ucol_close(Collator);
}

const TLocaleCollation& TCollationCache::Get(uint32_t localeId) {
    std::lock_guard guard(mutex_);
    auto& entry = entries_[localeId];
    if (!entry) {
        try {
            entry = OpenLocale(localeId);
        } catch (...) {
            entries_.erase(localeId);
            throw;
        }
    }
    return *entry;
}

namespace {

// Two texts that hold no zero byte (inline: index keys are compared through it).
[[gnu::always_inline]] inline int CompareWhole(uint16_t languageId, uint16_t sortId, std::string_view a,
                                               std::string_view b) {
    if (languageId == 0) {
        size_t common = std::min(a.size(), b.size());
        int r = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
        if (r == 0) r = (a.size() > b.size()) - (a.size() < b.size());
        return (r > 0) - (r < 0);
    }
    const TLocaleCollation& collation = CollationOf(languageId, sortId);
    TUtf16Text ua(a.data(), a.size()), ub(b.data(), b.size());
    UCollationResult r = ucol_strcoll(collation.Collator, ua.Data(), ua.Size(), ub.Data(), ub.Size());
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

} // namespace

int LocaleCompareStrings(uint16_t languageId, uint16_t sortId, const char* a, const char* b, size_t length) {
    return CompareWhole(languageId, sortId, {a, BoundedLength(a, length)}, {b, BoundedLength(b, length)});
}

int LocaleCompareTexts(uint16_t languageId, uint16_t sortId, std::string_view a, std::string_view b) {
    return CompareWhole(languageId, sortId, a.substr(0, BoundedLength(a.data(), a.size())),
                        b.substr(0, BoundedLength(b.data(), b.size())));
}

void LocaleUpperCase(uint16_t languageId, uint16_t sortId, char* text, size_t length) {
    const auto& upper = CollationOf(languageId, sortId).UpperCase;
    for (size_t i = 0; i < length && text[i] != '\0'; ++i) text[i] = char(upper[uint8_t(text[i])]);
}

std::string LocaleUpperCase(uint16_t languageId, uint16_t sortId, std::string_view text) {
    std::string result(text);
    LocaleUpperCase(languageId, sortId, result.data(), result.size());
    return result;
}

bool LocaleSameUpperCase(uint16_t languageId, uint16_t sortId, std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto& upper = CollationOf(languageId, sortId).UpperCase;
    // Each side is upper-cased up to its first zero byte, as LocaleUpperCase does.
    bool caseA = true, caseB = true;
    for (size_t i = 0; i < a.size(); ++i) {
        uint8_t x = uint8_t(a[i]), y = uint8_t(b[i]);
        caseA = caseA && x != 0;
        caseB = caseB && y != 0;
        if ((caseA ? upper[x] : x) != (caseB ? upper[y] : y)) return false;
    }
    return true;
}

void LocaleLowerCase(uint16_t languageId, uint16_t sortId, char* text, size_t length) {
    const auto& lower = CollationOf(languageId, sortId).LowerCase;
    for (size_t i = 0; i < length && text[i] != '\0'; ++i) text[i] = char(lower[uint8_t(text[i])]);
}

bool IsValidSortName(uint16_t languageId, std::string_view name) {
    return IsValidLocaleId(languageId) && name.size() == 7 && strncasecmp(name.data(), "Default", 7) == 0;
}

uint16_t GetSortIdByName(uint16_t languageId, std::string_view name) {
    return 0;
}

} // namespace vorsam
