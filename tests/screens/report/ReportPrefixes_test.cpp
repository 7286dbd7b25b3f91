// Report section 12: the prefix listing.

#include "ReportFixture.h"

#include <string>

namespace {

constexpr int ListingTop = HeaderEnd + 6 * L; // below the title and the frame's top
constexpr int FirstColumn = 2 * C, ColumnStep = 12 * C, PrefixPitch = 3 * L;
constexpr int PerColumn = 27, PerPage = 8 * PerColumn;

class ReportPrefixesTest : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        UseDefaultProgramming(11);
        for (std::size_t i = 0; i < 100; ++i) FirstLevel(i) = 0x00;
        for (std::size_t i = 0; i < 250; ++i) Byte(Offset::PrefixNodes + i) = 0x00;
    }
    static std::uint8_t& FirstLevel(std::size_t prefix) { return Byte(Offset::PrefixFirstLevel + prefix); }
    static std::uint8_t& Node(std::size_t node, std::size_t digit) {
        return Byte(Offset::PrefixNodes + 10 * node + digit);
    }
    static std::uint8_t Reference(std::size_t node) { return static_cast<std::uint8_t>(0x80 + node); }

    // The listed prefixes (bold texts), in listing order.
    std::vector<TReportText> Prefixes() const {
        std::vector<TReportText> prefixes;
        for (const TReportText& text : canvas.Texts)
            if (text.Bold) prefixes.push_back(text);
        return prefixes;
    }
    // The release code printed beside a prefix.
    std::string CodeOf(const QString& prefix) const {
        const auto found = canvas.TextsEqual(prefix);
        if (found.size() != 1) return '(' + std::to_string(found.size()) + " texts)";
        return TextAt(found[0].X + 6 * C, found[0].Y + L / 2, found[0].Page).toStdString();
    }
};

struct TLeafCase {
    std::uint8_t leaf;
    const char* code;
};

class ReportPrefixLeaf : public ReportPrefixesTest, public testing::WithParamInterface<TLeafCase> {};

TEST_P(ReportPrefixLeaf, HighestReleaseBitWins) {
    FirstLevel(45) = GetParam().leaf;
    Print({12});
    EXPECT_EQ(CodeOf("45"), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Leaves, ReportPrefixLeaf,
                         testing::Values(TLeafCase{0x00, "LOC"}, TLeafCase{0x01, "LOC"},
                                         TLeafCase{0x02, "LOC"}, TLeafCase{0x08, "REG"},
                                         TLeafCase{0x10, "DDD"}, TLeafCase{0x18, "DDD"},
                                         TLeafCase{0x20, "DDI"}, TLeafCase{0x40, "BLO"},
                                         TLeafCase{0x48, "BLO"}));

TEST_F(ReportPrefixesTest, AReferenceToNoNodeListsNothing) {
    FirstLevel(45) = 0x99; // node 25 does not exist
    Print({12});
    EXPECT_TRUE(canvas.TextsEqual("45").empty());
    EXPECT_EQ(Prefixes().size(), 99u);
}

TEST_F(ReportPrefixesTest, ColumnsWrapBelowNinetyLines) {
    Print({12});
    const auto prefixes = Prefixes();
    ASSERT_EQ(prefixes.size(), 100u);
    EXPECT_EQ(prefixes[0].X, FirstColumn);
    EXPECT_EQ(prefixes[0].Y, ListingTop);
    EXPECT_EQ(prefixes[26].Y, ListingTop + 26 * PrefixPitch);
    EXPECT_EQ(prefixes[27].Text, "27");
    EXPECT_EQ(prefixes[27].X, FirstColumn + ColumnStep);
    EXPECT_EQ(prefixes[27].Y, ListingTop);
    EXPECT_EQ(canvas.Pages, 1);
}

TEST_F(ReportPrefixesTest, AfterTheEighthColumnANewPageWithFrameAndLegend) {
    for (std::size_t node = 0; node < 25; ++node) FirstLevel(node) = Reference(node); // 25 x 10 + 75 prefixes
    Print({12});
    const auto prefixes = Prefixes();
    ASSERT_EQ(prefixes.size(), 325u);
    EXPECT_EQ(prefixes[PerPage - 1].Page, 1);
    EXPECT_EQ(prefixes[PerPage - 1].X, FirstColumn + 7 * ColumnStep);
    EXPECT_EQ(prefixes[PerPage].Page, 2);
    EXPECT_EQ(prefixes[PerPage].X, FirstColumn);
    EXPECT_EQ(prefixes[PerPage].Y, ListingTop);
    EXPECT_EQ(canvas.Pages, 2);
    for (const char* repeated : {"BLOQUEIO DE PREFIXOS", "Em que: ", "Bloqueio total do prefixo"}) {
        const auto texts = canvas.TextsEqual(repeated);
        ASSERT_EQ(texts.size(), 2u) << repeated;
        EXPECT_EQ(texts[1].Page, 2);
    }
    EXPECT_EQ(canvas.LinesOnPage(2).size(), canvas.LinesOnPage(1).size()) << "header rule and frame";
}

TEST_F(ReportPrefixesTest, AFullPageStartsNoEmptyOne) {
    for (std::size_t node = 0; node < 13; ++node) FirstLevel(node) = Reference(node);
    FirstLevel(99) = 0x99;
    Print({12});
    EXPECT_EQ(Prefixes().size(), static_cast<std::size_t>(PerPage));
    EXPECT_EQ(canvas.Pages, 1);
}

TEST_F(ReportPrefixesTest, PrefixesOfUpToSevenDigits) {
    FirstLevel(12) = Reference(3);
    Node(3, 3) = Reference(4);
    Node(4, 4) = Reference(5);
    Node(5, 5) = Reference(6);
    Node(6, 6) = Reference(7);
    Node(5, 0) = 0x40;
    Node(7, 7) = Reference(8) | 0x08; // a reference at the seventh digit is listed as it stands
    Print({12});
    EXPECT_EQ(CodeOf("12340"), "BLO");
    EXPECT_EQ(CodeOf("1234560"), "LOC");
    EXPECT_EQ(CodeOf("1234569"), "LOC");
    EXPECT_EQ(CodeOf("1234567"), "REG");
    for (const TReportText& prefix : Prefixes())
        EXPECT_LE(prefix.Text.size(), 7) << prefix.Text.toStdString();
    EXPECT_EQ(Prefixes().size(), 99u + 4 * 9 + 10);
}

TEST_F(ReportPrefixesTest, ALoopingTreeIsListedOnce) {
    FirstLevel(12) = Reference(3);
    FirstLevel(13) = Reference(3);
    Node(3, 0) = Reference(3);
    Node(3, 1) = Reference(4);
    Node(4, 2) = Reference(3);
    Print({12});
    // "120" and "1212" refer back and are listed as leaves; so is "13", whose node was listed.
    EXPECT_EQ(Prefixes().size(), 98u + 1 + 8 + 10 + 1);
    EXPECT_EQ(canvas.TextsEqual("120").size(), 1u);
    EXPECT_EQ(canvas.TextsEqual("1212").size(), 1u);
    EXPECT_EQ(canvas.TextsEqual("13").size(), 1u);
}

TEST_F(ReportPrefixesTest, LegendLiesInsideThePage) {
    Print({12});
    const auto last = canvas.TextsEqual("Bloqueio total do prefixo");
    ASSERT_EQ(last.size(), 1u);
    EXPECT_GT(last[0].Y, 91 * L) << "below the frame";
    EXPECT_LE(last[0].Y + last[0].Height, TestPageHeight);
}

} // namespace
