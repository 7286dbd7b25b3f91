// Windows-1252 <-> UTF-8 and the UTF-8 helpers behind the INI matching.

#include "platform/os/Cp1252.h"
#include "platform/os/Utf8.h"

#include <gtest/gtest.h>

TEST(Cp1252, EveryByteSurvivesARoundTripThroughUtf8) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    const std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
}

struct TCodePageCase {
    const char* utf8;
    const char* cp1252;
};

class Cp1252Characters : public testing::TestWithParam<TCodePageCase> {};

TEST_P(Cp1252Characters, MapBothWays) {
    EXPECT_EQ(Utf8ToCp1252(GetParam().utf8), GetParam().cp1252);
    EXPECT_EQ(Cp1252ToUtf8(GetParam().cp1252), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Table, Cp1252Characters,
                         testing::Values(TCodePageCase{"€", "\x80"},
                                         TCodePageCase{"“aspas”", "\x93"
                                                                  "aspas\x94"},
                                         TCodePageCase{"Ç", "\xC7"}, TCodePageCase{"ÿ", "\xFF"},
                                         TCodePageCase{"™", "\x99"}, TCodePageCase{"\xC2\x81", "\x81"}));

TEST(Cp1252, CharactersOutsideTheCodePageBecomeTheReplacement) {
    EXPECT_EQ(Utf8ToCp1252("a日b"), "a?b");
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b",
                           '_'),
              "a_b"); // malformed UTF-8
    EXPECT_FALSE(IsCp1252Encodable("Ramal 日"));
    EXPECT_TRUE(IsCp1252Encodable("Atuação € ‰"));
}

class MalformedUtf8 : public testing::TestWithParam<const char*> {};

TEST_P(MalformedUtf8, IsRecognised) {
    EXPECT_FALSE(IsValidUtf8(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedUtf8,
                         testing::Values("\xC0\x80", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\xE2\x82", "a\x80",
                                         "\xF4\x90\x80\x80", "\xE0\x80\xAF"));

TEST(Utf8, FoldCaseMatchesAsciiAndLatinLettersOnly) {
    EXPECT_EQ(FoldCase("CALENDÁRIO Ação ÇÃO"), "calendário ação ção");
    EXPECT_EQ(FoldCase("×ÿ€"), "×ÿ€");
    EXPECT_EQ(FoldCase("A\xFF"
                       "B"),
              "a\xFF"
              "b");
}
