// Table-name rules (both separators, folders keep their case) and the small text and number helpers.
#include "TestSupport.h"

#include "db/lib/NumberUtils.h"
#include "db/lib/TableNames.h"
#include "db/lib/TextUtils.h"

namespace vorsam::test {
namespace {

struct TNameCase {
    std::string name;
    bool hasDirectory;
    std::string baseName; // ExtractBaseName(name, ".DAT")
    std::string withoutTrailing;
    std::string withoutOuter;
    std::string withoutExtension;
};

class TableNameRulesTest : public ::testing::TestWithParam<TNameCase> {};

TEST_P(TableNameRulesTest, EachRuleGivesTheListedName) {
    const TNameCase& c = GetParam();
    EXPECT_EQ(HasDirectoryPart(c.name), c.hasDirectory);
    EXPECT_EQ(ExtractBaseName(c.name, ".DAT"), c.baseName);
    EXPECT_EQ(RemoveTrailingBackslashes(c.name), c.withoutTrailing);
    EXPECT_EQ(RemoveOuterBackslashes(c.name), c.withoutOuter);
    EXPECT_EQ(RemoveFileExtension(c.name), c.withoutExtension);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TableNameRulesTest,
    ::testing::Values(
        TNameCase{"", true, "", "", "", ""},
        TNameCase{"Clientes", false, "Clientes", "Clientes", "CLIENTES", "Clientes"},
        TNameCase{"Clientes.dat", false, "Clientes", "Clientes.dat", "CLIENTES.DAT", "Clientes"},
        TNameCase{"/home/Ana/Dados/", true, "", "/home/Ana/Dados", "home/Ana/Dados", "/home/Ana/Dados/"},
        TNameCase{"C:\\Dados\\Temporar.DAT", true, "Temporar", "C:\\Dados\\Temporar.DAT",
                  "C:\\Dados\\Temporar.DAT", "C:\\Dados\\Temporar"},
        TNameCase{"\\Remota\\", true, "", "\\Remota", "REMOTA", "\\Remota\\"},
        TNameCase{"dir.v2/file", true, "file", "dir.v2/file", "dir.v2/file", "dir.v2/file"},
        TNameCase{"///", true, "", "/", "", "///"},
        TNameCase{"C:Memo", false, "C:Memo", "C:Memo", "C:MEMO", "C:Memo"}));

TEST(TableNamesTest, BackslashesBecomeTheSeparatorTheEngineWrites) {
    EXPECT_EQ(ForwardToBackslashes("C:\\Dados\\sub/T.DAT"), "C:/Dados/sub/T.DAT");
}

TEST(TextUtilsTest, TrimCharRightCutsOnlyTrailingCopies) {
    char text[] = "xxABxx";
    TrimCharRight(text, 'x');
    EXPECT_STREQ(text, "xxAB");
    std::string s = "  ";
    TrimCharRight(s, ' ');
    EXPECT_EQ(s, "");
}

TEST(TextUtilsTest, IdentifierStartCharacters) {
    for (int c = 0; c < 256; ++c) {
        bool expected =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 128 && c <= 254);
        EXPECT_EQ(IsIdentStartChar(char(c)), expected) << c;
    }
}

TEST(TextUtilsTest, SplitCopyAndCharSets) {
    std::vector<std::string> words = {"stale"};
    SplitAtBlanks("  a bb   ccc ", words);
    EXPECT_EQ(words, (std::vector<std::string>{"a", "bb", "ccc"}));
    SplitAtBlanks("   ", words);
    EXPECT_TRUE(words.empty());
    EXPECT_EQ(CopyLastChars("abcdef", 2), "ef");
    EXPECT_EQ(CopyLastChars("ab", 5), "ab");
    TCharSet set = StrToCharSet("a\xE7z");
    EXPECT_EQ(set.count(), 3u);
    EXPECT_TRUE(set.test(0xE7));
}

TEST(NumberUtilsTest, BooleansNormalizeAndTheSmallestIntegerHasNoNegation) {
    EXPECT_EQ(NormalizeBoolean(0), 0);
    EXPECT_EQ(NormalizeBoolean(1), 1);
    EXPECT_EQ(NormalizeBoolean(-7), 1);
    EXPECT_EQ(NegateInteger(INT32_MAX), -INT32_MAX);
    EXPECT_ENGINE_ERROR(NegateInteger(INT32_MIN), VORSAM_OUTOFRANGE);
    EXPECT_EQ(MinWord(3, 65535), 3);
    EXPECT_EQ(MaxLargeInt(INT64_MIN, -1), -1);
}

} // namespace
} // namespace vorsam::test
