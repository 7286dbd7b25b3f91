// The text routines of mini-HTML: stripping tags, rewriting a form control's value, colours.
#include "grid/HTMLDraw.h"

#include <gtest/gtest.h>

namespace {

struct TStripCase {
    const char* Text;
    const char* Plain;
};

class HTMLStripTable : public testing::TestWithParam<TStripCase> {};

TEST_P(HTMLStripTable, RemovesTagsAndBreaksLines) {
    EXPECT_EQ(HTMLStrip(QString::fromUtf8(GetParam().Text)), QString::fromUtf8(GetParam().Plain));
}

INSTANTIATE_TEST_SUITE_P(
    Table, HTMLStripTable,
    testing::Values(TStripCase{"a<BR>b<b>c</b>", "a\r\nbc"}, TStripCase{"x > 1 <b>y</b>", "x > 1 y"},
                    TStripCase{"a<hr>b<Br>c", "a\r\nb\r\nc"}, TStripCase{"a <b", "a <b"},
                    TStripCase{"<b>x</b> < y", "x < y"}, TStripCase{"&amp;&lt;", "&amp;&lt;"},
                    TStripCase{"<FONT COLOR=\"clRed\">r</FONT><BR/>", "r"}, TStripCase{"", ""}));

TEST(HTMLSetControlValue, RewritesOnlyTheControlWithTheID) {
    QString text = "before <CONTROL TYPE=\"edit\" ID=\"a\" VALUE=\"1\" WIDTH=\"40\"> middle "
                   "<control type=\"combo\" id=\"b\" value=\"2\" width=\"60\"> after";
    EXPECT_TRUE(HTMLSetControlValue(text, "b", "x<y>"));
    EXPECT_EQ(text, "before <CONTROL TYPE=\"edit\" ID=\"a\" VALUE=\"1\" WIDTH=\"40\"> middle "
                    "<CONTROL ID=\"b\" VALUE=\"x&lt;y&gt;\" WIDTH=\"60\" TYPE=\"COMBO\"> after");
    EXPECT_TRUE(HTMLSetControlValue(text, "a", "7"));
    EXPECT_TRUE(text.startsWith("before <CONTROL ID=\"a\" VALUE=\"7\" WIDTH=\"40\" TYPE=\"EDIT\"> middle "));

    const QString unchanged = text;
    EXPECT_FALSE(HTMLSetControlValue(text, "A", "9")); // IDs are compared exactly
    EXPECT_FALSE(HTMLSetControlValue(text, "c", "9"));
    EXPECT_EQ(text, unchanged);
}

TEST(HTMLColors, NamesAndHexadecimal) {
    EXPECT_EQ(HTMLHexColor("#102030"), 0x00302010u);
    EXPECT_EQ(HTMLHexColor("#ff8000"), 0x000080FFu);
    EXPECT_EQ(HTMLHexColor("#12"), 0x00000012u); // missing digits count 0
    EXPECT_EQ(HTMLColorName("clred"), 0x0000FFu);
    EXPECT_EQ(HTMLColorName("clRed"), 0x0000FFu);
    EXPECT_EQ(HTMLColorName("clbtnface"), 0x8000000Fu);
    EXPECT_EQ(HTMLColorName("clinfobk"), 0x80000018u);
    EXPECT_EQ(HTMLColorName("clnavy"), 0x800000u);
    EXPECT_EQ(HTMLColorName("nocolour"), 0u);
}

TEST(HTMLStringPos, FindsIgnoringCase) {
    EXPECT_EQ(HTMLStringPos("<b>", "x<B>y"), 2);
    EXPECT_EQ(HTMLStringPos("z", "x<B>y"), 0);
    EXPECT_EQ(HTMLStringPos("", "abc"), 0);
}

} // namespace
