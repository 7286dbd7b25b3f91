#include "db/lib/Collation.h"

#include "db/lib/CollationCache.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/LibraryGlobals.h"

#include <cstring>
#include <strings.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace vorsam {

namespace {

constexpr char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// UTF-16 code unit back to Windows-1252; -1 when the character has no Windows-1252 byte.
int Utf16ToCp1252(UChar32 c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[i] == c) return 0x80 + i;
    return -1;
}

size_t BoundedLength(const char* s, size_t length) {
    return strnlen(s, length);
}

std::u16string ToUtf16(const char* s, size_t length) {
    std::u16string result(BoundedLength(s, length), u'\0');
    for (size_t i = 0; i < result.size(); ++i) result[i] = Cp1252ToUtf16(uint8_t(s[i]));
    return result;
}

// Upper case of one Windows-1252 character under the locale, as one Windows-1252 byte.
uint8_t UpperCaseOf(uint8_t c, const char* locale) {
    UChar source = Cp1252ToUtf16(c), upper[4];
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = u_strToUpper(upper, 4, &source, 1, locale, &status);
    if (U_SUCCESS(status) && n == 1 && Utf16ToCp1252(upper[0]) >= 0) return uint8_t(Utf16ToCp1252(upper[0]));
    int simple = Utf16ToCp1252(u_toupper(source));
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
    for (int c = 0; c < 256; ++c) entry->UpperCase[c] = UpperCaseOf(uint8_t(c), locale.c_str());
    return entry;
}

const TLocaleCollation& CollationOf(uint16_t languageId, uint16_t sortId) {
    return GetCollationCache().Get(MakeLocaleId(languageId, sortId));
}

} // namespace

char16_t Cp1252ToUtf16(uint8_t c) {
    return c >= 0x80 && c < 0xA0 ? Cp1252High[c - 0x80] : char16_t(c);
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

int LocaleCompareStrings(uint16_t languageId, uint16_t sortId, const char* a, const char* b, size_t length) {
    if (languageId == 0) {
        size_t la = BoundedLength(a, length), lb = BoundedLength(b, length);
        int r = std::memcmp(a, b, std::min(la, lb));
        if (r == 0) r = (la > lb) - (la < lb);
        return (r > 0) - (r < 0);
    }
    const TLocaleCollation& collation = CollationOf(languageId, sortId);
    std::u16string ua = ToUtf16(a, length), ub = ToUtf16(b, length);
    UCollationResult r =
        ucol_strcoll(collation.Collator, ua.data(), int32_t(ua.size()), ub.data(), int32_t(ub.size()));
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
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

bool IsValidSortName(uint16_t languageId, std::string_view name) {
    return IsValidLocaleId(languageId) && name.size() == 7 && strncasecmp(name.data(), "Default", 7) == 0;
}

uint16_t GetSortIdByName(uint16_t languageId, std::string_view name) {
    return 0;
}

} // namespace vorsam
