// Text, number, date, float-format and filter utilities of the grid family.
#include "QtPrinters.h"
#include "grid/FilterMatch.h"
#include "grid/FloatFormat.h"
#include "grid/GridError.h"
#include "grid/NumberDateUtils.h"
#include "grid/TextUtils.h"

#include <gtest/gtest.h>
#include <random>

namespace {

TFormatSettings PointDecimal() {
    return TFormatSettings::Neutral(); // '.' decimal, ',' thousands
}

struct TNumberCase {
    const char* Text;
    int Kind;
};

class NumberKindWithPointDecimal : public testing::TestWithParam<TNumberCase> {};

TEST_P(NumberKindWithPointDecimal, ClassifiesTheText) {
    EXPECT_EQ(NumberKind(GetParam().Text, PointDecimal()), GetParam().Kind) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(Table, NumberKindWithPointDecimal,
                         testing::Values(TNumberCase{"-12", 0}, TNumberCase{"1,234.5", 1},
                                         TNumberCase{"1,2,3", 2}, TNumberCase{"1.2.3", 2},
                                         TNumberCase{"--1", 2}, TNumberCase{"", 2}, TNumberCase{",123", 2},
                                         TNumberCase{"12a", 2}, TNumberCase{"1,234,567", 1},
                                         TNumberCase{"3.14", 1}, TNumberCase{"007", 0}));

TEST(NumberKind, FollowsTheProgramsBrazilianSeparators) {
    const TFormatSettings br = TFormatSettings::BrazilianPortuguese();
    EXPECT_EQ(NumberKind("1.234,5", br), 1);
    EXPECT_EQ(NumberKind("3,14", br), 1);
    EXPECT_EQ(NumberKind("3,1,4", br), 2);
    EXPECT_EQ(NumberKind("1.2.3", br), 2);
}

TEST(NumericText, KeepsTheNumberAndItsSign) {
    const TFormatSettings br = TFormatSettings::BrazilianPortuguese();
    for (const auto& [text, number] :
         {std::pair{" R$ 1.234,50 ", "1234.50"}, {"(12,5)", "-12.5"}, {"- 7 kg", "-7"}}) {
        QString r;
        NumericText(text, r, br);
        EXPECT_EQ(r, number);
    }
}

TEST(QuotedFields, ClosingQuoteSkipsDoubledQuotes) {
    int p = -1;
    EXPECT_EQ(ClosingCharPos(u'"', R"(ab""cd"ef)", p), 7);
    EXPECT_EQ(p, 7);
    EXPECT_EQ(ClosingCharPos(u'"', R"(abc")", p), 4); // a quote that ends the text closes it
    EXPECT_EQ(ClosingCharPos(u'"', R"(a""b)", p), 0);
    EXPECT_EQ(p, 0);
}

TEST(QuotedFields, CountSingleCharDoesNotCountDoubledPairs) {
    EXPECT_EQ(CountSingleChar(u'"', R"(say ""hi"" now)"), 0);
    EXPECT_EQ(CountSingleChar(u'"', R"("a","b")"), 4);
    EXPECT_EQ(CountChar(u'"', R"("a","b")"), 4);
}

TEST(QuotedFields, UndoubleCharJoinsPairsAndDropsSingles) {
    EXPECT_EQ(UndoubleChar(u'"', R"(say ""hi"")"), R"(say "hi")");
    EXPECT_EQ(UndoubleChar(u'"', R"("quoted")"), "quoted");
    EXPECT_EQ(UndoubleChar(u'"', "plain"), "plain");
}

TEST(TextLines, SplitFirstLineTakesTheLineAndItsBreak) {
    QString s = "one\r\ntwo\rthree", line;
    SplitFirstLine(s, true, line);
    EXPECT_EQ(line, "one");
    EXPECT_EQ(s, "two\rthree");
    SplitFirstLine(s, false, line);
    EXPECT_EQ(line, "two");
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(LineCount("a\rb\rc", true), 3);
    EXPECT_EQ(LineCount("a\rb\rc", false), 1);
}

TEST(TextUtils, MixedCaseKeepsMcAndRomanNumerals) {
    for (const auto& [text, mixed] : {std::pair{"joao da silva", "Joao Da Silva"},
                                      {"ronald mcdonald", "Ronald McDonald"},
                                      {"pedro ii", "Pedro II"},
                                      {"o'neil-smith", "O'Neil-Smith"}}) {
        QString r;
        MixedCase(text, r);
        EXPECT_EQ(r, mixed);
    }
}

TEST(TextUtils, LimitValueAndUrls) {
    EXPECT_EQ(LimitValue(50, 0, 0), 50);
    EXPECT_EQ(LimitValue(50, 60, 100), 60);
    EXPECT_EQ(LimitValue(150, 60, 100), 100);
    QString url = "http://www.example.com";
    EXPECT_TRUE(IsURL(url));
    StripURLProtocol(url);
    EXPECT_EQ(url, "www.example.com");
    QString mail = "mailto:a@b.c";
    StripURLProtocol(mail);
    EXPECT_EQ(mail, "a@b.c");
    TGridCoord cell;
    EXPECT_TRUE(ParseRCRef("R12C3", cell));
    EXPECT_EQ(cell, (TGridCoord{3, 12}));
    EXPECT_FALSE(ParseRCRef("R1X", cell));
}

TEST(TextUtils, CellTextKinds) {
    EXPECT_EQ(CellTextKind("=", true), ctkPlain); // one character is always plain
    EXPECT_EQ(CellTextKind("=A1+1", true), ctkFormula);
    EXPECT_EQ(CellTextKind("{\\rtf1}", true), ctkRichText);
    EXPECT_EQ(CellTextKind("<B>x</B>", true), ctkHTML);
    EXPECT_EQ(CellTextKind("<B>x</B>", false), ctkPlain);
    QString wide;
    EncodeWideCell(QString(u'A'), wide);
    EXPECT_EQ(wide, QString("|\\") + QChar(0) + u'A');
    EXPECT_EQ(CellTextKind(wide, true), ctkWide);
    QString back;
    DecodeWideCell(wide, back);
    EXPECT_EQ(back, "A");
    EncodeWideCell(QStringLiteral("Ação ✓"), wide);
    DecodeWideCell(wide, back);
    EXPECT_EQ(back, QStringLiteral("Ação ✓"));
}

TEST(Dates, TwoDigitYearsAbove25AreNineteenHundreds) {
    EXPECT_EQ(DateOf(ParseDateDMY("31/12/26")), QDate(1926, 12, 31));
    EXPECT_EQ(DateOf(ParseDateDMY("01.02.25")), QDate(2025, 2, 1));
    EXPECT_EQ(DateOf(ParseDateMDY("12-31-99")), QDate(1999, 12, 31));
    EXPECT_EQ(DateOf(ParseDateDMY("5/6/2004")), QDate(2004, 6, 5));
    EXPECT_EQ(ParseDateDMY("31/02/04"), 0);
    EXPECT_EQ(ParseDateDMY("x/1/04"), 0);
    EXPECT_EQ(ParseDateDMY("1204"), 0);
}

TEST(Dates, TryParseDateFollowsTheShortDateOrder) {
    TDateTime d = 0;
    ASSERT_TRUE(TryParseDate("05/06/2004", d, TFormatSettings::BrazilianPortuguese()));
    EXPECT_EQ(DateOf(d), QDate(2004, 6, 5));
    ASSERT_TRUE(TryParseDate("05/06/2004", d, PointDecimal())); // month first
    EXPECT_EQ(DateOf(d), QDate(2004, 5, 6));
    EXPECT_FALSE(TryParseDate("32/01/2004", d, TFormatSettings::BrazilianPortuguese()));
    EXPECT_EQ(DateOf(IncDateParts(0, 1, 0, 0, EncodeDate(2003, 12, 15))), QDate(2004, 1, 15));
    EXPECT_EQ(DateOf(IncDateParts(1, 0, 0, 0, EncodeDate(2004, 2, 29))), QDate(2005, 2, 28));
    EXPECT_EQ(DateOf(IncDateParts(0, 0, 3, 0, EncodeDate(2004, 2, 27))), QDate(2004, 3, 1));
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
}

struct TFilterCase {
    const char* Condition;
    const char* Text;
    bool CaseSensitive;
    bool Pass;
};

class Filter : public testing::TestWithParam<TFilterCase> {};

TEST_P(Filter, Matches) {
    const TFilterCase& c = GetParam();
    EXPECT_EQ(MatchFilter(c.Condition, c.Text, c.CaseSensitive, PointDecimal()), c.Pass)
        << c.Condition << " / " << c.Text;
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, Filter,
    testing::Values(TFilterCase{"A*", "ABC", true, true}, TFilterCase{"A*", "xABC", true, false},
                    TFilterCase{"!A*", "xABC", true, true}, TFilterCase{"!A*", "ABC", true, false},
                    TFilterCase{">5 & <10", "7", true, true}, TFilterCase{">5 & <10", "12", true, false},
                    TFilterCase{">=7&<=7", "7", true, true}, TFilterCase{"a;b", "b", true, true},
                    TFilterCase{"a^b", "a", true, true}, TFilterCase{"a|b", "c", true, false},
                    TFilterCase{"abc", "ABC", false, true}, TFilterCase{"abc", "ABC", true, false},
                    TFilterCase{"?b?", "abc", true, true}, TFilterCase{"a*c", "abbbc", true, true},
                    TFilterCase{"a*c", "abbbd", true, false}, TFilterCase{">1.5", "2", true, true},
                    TFilterCase{">12/31/2003", "01/15/2004", true, true}, TFilterCase{">b", "c", true, true},
                    TFilterCase{"\"a b\"", "a b", true, true}));

// The matcher of the condition language, written the slow way: '*' tries every split.
bool ReferenceWildcard(const QString& p, int i, const QString& t, int j) {
    if (i == p.size()) return j == t.size();
    if (p[i] == u'*') {
        for (int k = t.size(); k >= j; --k)
            if (ReferenceWildcard(p, i + 1, t, k)) return true;
        return false;
    }
    return j < t.size() && (p[i] == u'?' || p[i] == t[j]) && ReferenceWildcard(p, i + 1, t, j + 1);
}

TEST(Wildcards, AgreeWithTheBacktrackingDefinitionOnRandomCases) {
    std::mt19937 random(17);
    const QString patternChars = "ab*?", textChars = "ab";
    for (int round = 0; round < 5000; ++round) {
        QString pattern, text;
        for (int n = random() % 7; n > 0; --n) pattern += patternChars[random() % patternChars.size()];
        for (int n = random() % 9; n > 0; --n) text += textChars[random() % textChars.size()];
        ASSERT_EQ(MatchWildcard(pattern, text), ReferenceWildcard(pattern, 0, text, 0))
            << pattern << " / " << text;
    }
}

TEST(Wildcards, ManyStarsAgainstALongTextFinishQuickly) {
    const QString text(10240, u'a'); // no 'b' anywhere: every split fails
    EXPECT_FALSE(MatchFilter("*a*a*a*a*b", text, true));
    EXPECT_TRUE(MatchFilter("*a*a*a*a*", text, true));
    // Backtracking would try on the order of 10^16 splits here; see the benchmark for the time.
    EXPECT_FALSE(MatchFilter("*a*a*a*a*a*a*a*a*b", text + "c", false));
}

struct TFormatCase {
    const char* Format;
    double Value;
    const char* Brazil;
    const char* Point;
};

class FloatFormatting : public testing::TestWithParam<TFormatCase> {};

TEST_P(FloatFormatting, UsesTheProfilesSeparators) {
    const TFormatCase& c = GetParam();
    EXPECT_EQ(FormatFloat(c.Format, c.Value, TFormatSettings::BrazilianPortuguese()),
              QString::fromUtf8(c.Brazil));
    EXPECT_EQ(FormatFloat(c.Format, c.Value, PointDecimal()), QString::fromUtf8(c.Point));
}

INSTANTIATE_TEST_SUITE_P(Formats, FloatFormatting,
                         testing::Values(TFormatCase{"%.2f", 3.14159, "3,14", "3.14"},
                                         TFormatCase{"%.0f", 2.5, "2", "2"},
                                         TFormatCase{"%f", 2.5, "2,50", "2.50"},
                                         TFormatCase{"%.1n", 1234567.25, "1.234.567,2", "1,234,567.2"},
                                         TFormatCase{"%8.2f", -1.5, "   -1,50", "   -1.50"},
                                         TFormatCase{"%-6.1f|", 1, "1,0   |", "1.0   |"},
                                         TFormatCase{"%.3e", 12345.678, "1,23E+004", "1.23E+004"},
                                         TFormatCase{"%g", 0.5, "0,5", "0.5"},
                                         TFormatCase{"Total %.2f%%", 10, "Total 10,00%", "Total 10.00%"}));

TEST(FloatFormatting, RefusesFormatsThatAreNotForOneNumber) {
    for (const char* format : {"%s", "%d", "%*d", "%.2f %.2f", "%0:f", "%x", "100%", "%p"})
        EXPECT_THROW(FormatFloat(format, 1.0), EVozAvozError) << format;
}

} // namespace
