#include "ExpressionTestSupport.h"
#include "TestSupport.h"

#include "db/lib/ExpressionScanner.h"

#include <gtest/gtest.h>

namespace vorsam::test {
namespace {

struct TTokenCase {
    std::string Input;
    std::vector<std::pair<int, std::string>> Tokens; // kind and text of each token before the end
};

std::vector<std::pair<int, std::string>> Scan(const std::string& input) {
    TExpressionScanner scanner;
    scanner.SetText(input);
    std::vector<std::pair<int, std::string>> tokens;
    for (scanner.NextToken(); !scanner.TokenTypeIs(tkEnd); scanner.NextToken())
        tokens.emplace_back(scanner.TokenKind(), scanner.TokenText());
    return tokens;
}

class ScannerTokenKinds : public ::testing::TestWithParam<TTokenCase> {};

TEST_P(ScannerTokenKinds, GivesKindAndTextOfEachToken) {
    EXPECT_EQ(Scan(GetParam().Input), GetParam().Tokens) << GetParam().Input;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ScannerTokenKinds,
    ::testing::Values(
        TTokenCase{"", {}}, TTokenCase{" \t\r\n ", {}},
        TTokenCase{"Select x_1 \xE9t\xE9", {{1, "Select"}, {1, "x_1"}, {1, "\xE9t\xE9"}}},
        TTokenCase{"[my col][a'b]", {{2, "my col"}, {2, "a'b"}}},
        TTokenCase{"'it''s' '' ''''", {{3, "it's"}, {3, ""}, {3, "'"}}},
        TTokenCase{"\"a b\" \"x''y\"", {{4, "a b"}, {4, "x''y"}}},
        TTokenCase{"#123 # #x", {{5, "#123"}, {'#', "#"}, {'#', "#"}, {1, "x"}}},
        TTokenCase{"42 007 4.5 1e10 2.5E-3 1e 3.",
                   {{6, "42"},
                    {6, "007"},
                    {7, "4.5"},
                    {7, "1e10"},
                    {7, "2.5E-3"},
                    {6, "1"},
                    {1, "e"},
                    {6, "3"},
                    {'.', "."}}},
        TTokenCase{"t.c t.*", {{1, "t"}, {'.', "."}, {1, "c"}, {1, "t"}, {'.', "."}, {'*', "*"}}},
        TTokenCase{"<><=>=||< >|=",
                   {{256, "<>"},
                    {257, "<="},
                    {258, ">="},
                    {259, "||"},
                    {'<', "<"},
                    {'>', ">"},
                    {'|', "|"},
                    {'=', "="}}},
        TTokenCase{
            "a\\b;?(),",
            {{1, "a"}, {'\\', "\\"}, {1, "b"}, {';', ";"}, {'?', "?"}, {'(', "("}, {')', ")"}, {',', ","}}},
        TTokenCase{std::string("ab\0cd", 5), {{1, "ab"}}}, TTokenCase{"\xFF", {{255, "\xFF"}}}));

TEST(ExpressionScanner, KeywordsMatchOnlyUnquotedWordsIgnoringCase) {
    TExpressionScanner scanner;
    scanner.SetText("select [select] 'select' \"select\"");
    scanner.NextToken();
    EXPECT_TRUE(scanner.IsSymbol("SELECT"));
    EXPECT_FALSE(scanner.IsSymbol("SELEC"));
    for (int kind = 2; kind <= 4; ++kind) {
        scanner.NextToken();
        EXPECT_EQ(scanner.TokenKind(), kind);
        EXPECT_FALSE(scanner.IsSymbol("SELECT"));
        EXPECT_TRUE(scanner.IsWordOrQuoted());
    }
    scanner.SetText("12 ( #1");
    for (scanner.NextToken(); !scanner.TokenTypeIs(tkEnd); scanner.NextToken())
        EXPECT_FALSE(scanner.IsWordOrQuoted());
}

TEST(ExpressionScanner, TextSinceMarkRunsToTheLastConsumedTokenWithoutLineBreaks) {
    TExpressionScanner scanner;
    scanner.SetText("SELECT a *\r\n 2\n+ 1 FROM t");
    scanner.NextToken();
    scanner.NextToken();
    scanner.MarkStart();
    while (!scanner.IsSymbol("FROM")) scanner.NextToken();
    EXPECT_EQ(scanner.TextSinceMark(), "a * 2+ 1");
    EXPECT_EQ(scanner.LastTokenEnd(), std::string("SELECT a *\r\n 2\n+ 1").size());
}

TEST(ExpressionScanner, UnterminatedQuotesRaiseTheScannersCodeAndSubject) {
    TExpressionScanner scanner;
    scanner.Subject = "WHERE or JOIN clause";
    for (auto [text, message] : {std::pair{"'abc", "Closing quote of the string expected"},
                                 {"[abc", "Closing bracket of the name expected"},
                                 {"\"abc", "Closing double quote of the name expected"}}) {
        scanner.SetText(text);
        EXPECT_EQ(ErrorTextOf([&] { scanner.NextToken(); }),
                  std::string(message) + ", instead found '' in WHERE or JOIN clause");
    }
    scanner.ErrorCode = VORSAM_OUTOFRANGE;
    scanner.SetText("'x");
    EXPECT_ENGINE_ERROR(scanner.NextToken(), VORSAM_OUTOFRANGE);
}

TEST(ExpressionScanner, ErrorTextsAreCutTo255Characters) {
    TExpressionScanner scanner;
    scanner.SetText(std::string(400, 'x'));
    scanner.NextToken();
    EXPECT_EQ(ErrorTextOf([&] { scanner.RaiseExpected("Something expected"); }).size(), 255u);
}

} // namespace
} // namespace vorsam::test
