// Locale collation on ICU: language ids, bytewise language 0, ICU's order for a language, upper-casing of
// Windows-1252 text under a locale, and sort names.
#include "TestSupport.h"

#include "db/lib/Collation.h"

#include <algorithm>
#include <unicode/ucol.h>
#include <vector>

namespace vorsam::test {
namespace {

constexpr uint16_t PortugueseBrazil = 0x0416, Turkish = 0x041F, Danish = 0x0406;

// ICU's own verdict on two Latin-1 words under a locale, the oracle of the locale comparisons.
int IcuOrder(const char* locale, const std::string& a, const std::string& b) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(locale, &status);
    std::u16string ua(a.begin(), a.end()), ub(b.begin(), b.end());
    for (auto* s : {&ua, &ub})
        for (char16_t& c : *s) c = char16_t(uint8_t(c));
    int r = ucol_strcoll(collator, ua.data(), int32_t(ua.size()), ub.data(), int32_t(ub.size()));
    ucol_close(collator);
    return r;
}

TEST(CollationTest, LanguageAndLocaleIdsAreBuiltFromTheirParts) {
    EXPECT_EQ(MakeLanguageId(0x16, 1), 0x0416);
    EXPECT_EQ(MakeLanguageId(0x16, 2), 0x0816);
    EXPECT_EQ(MakeLanguageId(0x116, 2), 0x0816) << "the primary language is taken to 8 bits";
    EXPECT_EQ(MakeLocaleId(0x0416, 0), 0x0416u);
    EXPECT_EQ(MakeLocaleId(0x0416, 1), 0x10416u);
    EXPECT_TRUE(IsValidLocaleId(0x0416));
    EXPECT_TRUE(IsValidLocaleId(0));
    EXPECT_FALSE(IsValidLocaleId(0x10416)) << "no sort but the default";
    EXPECT_FALSE(IsValidLocaleId(0x0417));
}

TEST(CollationTest, PortugueseBrazilianOrdersAsIcuDoes) {
    std::string acao = "a\xE7\xE3o", acaso = "acaso";
    EXPECT_LT(LocaleCompareStrings(PortugueseBrazil, 0, acao.c_str(), acaso.c_str(), 255), 0);
    std::vector<std::string> words = {"acaso",   "a\xE7\xE3o", "Avi\xE3o", "avi\xE3o",  "\xE9pico",
                                      "epico",   "Zebra",      "zebra",    "\xC1rvore", "arvore",
                                      "caf\xE9", "cafe",       "Caf\xE9"};
    for (const auto& a : words)
        for (const auto& b : words) {
            int expected = IcuOrder("pt_BR", a, b);
            EXPECT_EQ(LocaleCompareStrings(PortugueseBrazil, 0, a.c_str(), b.c_str(), 255),
                      (expected > 0) - (expected < 0))
                << a << " / " << b;
        }
}

TEST(CollationTest, LanguagesDifferWhereTheirAlphabetsDo) {
    // Danish puts "å" after "z"; Portuguese puts it with "a".
    std::string aring = "\xE5", z = "z";
    EXPECT_GT(LocaleCompareStrings(Danish, 0, aring.c_str(), z.c_str(), 10), 0);
    EXPECT_LT(LocaleCompareStrings(PortugueseBrazil, 0, aring.c_str(), z.c_str(), 10), 0);
}

TEST(CollationTest, LanguageZeroComparesUnsignedBytesWithinTheLength) {
    EXPECT_LT(LocaleCompareStrings(0, 0, "B", "a", 10), 0);
    EXPECT_GT(LocaleCompareStrings(0, 0, "\xE7", "z", 10), 0);
    EXPECT_LT(LocaleCompareStrings(0, 0, "ab", "abc", 10), 0);
    EXPECT_EQ(LocaleCompareStrings(0, 0, "abcX", "abcY", 3), 0);
    EXPECT_EQ(LocaleCompareStrings(PortugueseBrazil, 0, "abcX", "abcY", 3), 0);
    EXPECT_EQ(LocaleCompareStrings(0, 0, "", "", 0), 0);
}

// Texts given with their sizes compare up to their first zero byte, as the zero-terminated ones do.
TEST(CollationTest, TextsCompareUpToTheirFirstZeroByte) {
    using namespace std::string_view_literals;
    for (uint16_t language : {uint16_t(0), PortugueseBrazil}) {
        EXPECT_EQ(LocaleCompareTexts(language, 0, "ab\0z"sv, "ab"sv), 0);
        EXPECT_LT(LocaleCompareTexts(language, 0, "ab\0z"sv, "abc"sv), 0);
        EXPECT_EQ(LocaleCompareTexts(language, 0, {}, "\0x"sv), 0);
        EXPECT_GT(LocaleCompareTexts(language, 0, "b"sv, {}), 0);
    }
    EXPECT_GT(LocaleCompareTexts(0, 0, "\xE7"sv, "z"sv), 0);
}

TEST(CollationTest, UnknownLanguageRaisesCannotLoadDriver) {
    EXPECT_ENGINE_ERROR(LocaleCompareStrings(0x0417, 0, "a", "b", 1), VORSAM_CANNOTLOADLDDRV);
    EXPECT_ENGINE_ERROR(LocaleUpperCase(0x0416, 3, "a"), VORSAM_CANNOTLOADLDDRV);
}

TEST(CollationTest, UpperCasingKeepsTheLengthAndStaysInWindows1252) {
    EXPECT_EQ(LocaleUpperCase(0, 0, "a\xE7\xE3o \xFF\x9A\x9C"), "A\xC7\xC3O \x9F\x8A\x8C") << "ç ã ÿ š œ";
    EXPECT_EQ(LocaleUpperCase(0, 0,
                              "stra\xDF"
                              "e"),
              "STRA\xDF"
              "E")
        << "ß has no one-character upper case";
    EXPECT_EQ(LocaleUpperCase(0, 0, "\xB5\xAA"), "\xB5\xAA")
        << "µ (upper case Μ is not in the code page) and ª";
    EXPECT_EQ(LocaleUpperCase(Turkish, 0, "i"), "I") << "İ is not in the code page: the simple upper case";
    char text[] = "abc\0def";
    LocaleUpperCase(PortugueseBrazil, 0, text, sizeof text);
    EXPECT_EQ(std::string(text, sizeof text - 1), std::string("ABC\0def", 7))
        << "stops at the terminating zero";
}

// The comparison without copies agrees with comparing the upper-cased copies, zero bytes included.
TEST(CollationTest, SameUpperCaseAgreesWithTheUpperCasedCopies) {
    using namespace std::string_literals;
    const std::vector<std::string> texts = {"name",       "NAME",    "NaMe",    "nam",     "a\xE7\xE3o",
                                            "A\xC7\xC3O", "ab\0cd"s, "AB\0cd"s, "AB\0CD"s, "ab\0CD"s,
                                            "\0ab"s,      "\0AB"s,   ""};
    for (const std::string& a : texts)
        for (const std::string& b : texts)
            EXPECT_EQ(LocaleSameUpperCase(0, 0, a, b), LocaleUpperCase(0, 0, a) == LocaleUpperCase(0, 0, b))
                << '"' << a << "\" and \"" << b << '"';
}

TEST(CollationTest, DefaultIsTheOnlySortName) {
    EXPECT_TRUE(IsValidSortName(PortugueseBrazil, "Default"));
    EXPECT_TRUE(IsValidSortName(0, "dEFAULT"));
    EXPECT_FALSE(IsValidSortName(PortugueseBrazil, "Binary"));
    EXPECT_FALSE(IsValidSortName(0x0417, "Default"));
    EXPECT_EQ(GetSortIdByName(PortugueseBrazil, "Default"), 0);
}

} // namespace
} // namespace vorsam::test
