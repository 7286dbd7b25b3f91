// Report section 17: the key blocks of the intelligent terminals.

#include "ReportFixture.h"

#include "screens/TerminalKeys.h"
#include "screens/report/ReportSections.h"

using testing::ElementsAre;

namespace {

struct TKeyCase {
    std::uint8_t code;
    const char* text;
};

class ReportKeyFunction : public ReportFixture, public testing::WithParamInterface<TKeyCase> {};

TEST_P(ReportKeyFunction, TextOfACode) {
    UseDefaultProgramming(11);
    EXPECT_EQ(DescreveTecla(GetParam().code).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ReportKeyFunction,
    testing::Values(TKeyCase{0, "Ramal 20"}, TKeyCase{101, "Porteiro 2"}, TKeyCase{105, "Chefe-secretária 2"},
                    TKeyCase{117, "Grupo de ramal 8"}, TKeyCase{120, "Viva-voz chefe-secretária 2"},
                    TKeyCase{158, "Linha 30"}, TKeyCase{167, "Rota 7"}, TKeyCase{170, "Rota 0"},
                    TKeyCase{255, "Sem função"}, TKeyCase{20, ""}, TKeyCase{99, ""}, TKeyCase{159, ""},
                    TKeyCase{160, ""}, TKeyCase{171, ""}));

constexpr int FirstBand = HeaderEnd + L;
constexpr int SecondBand = FirstBand + 3325; // 47.5 line units lower
constexpr int BlockHeight = 27 * 122;        // 27 bands of 1.75 line units

class ReportTerminalKeysTest : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        UseDefaultProgramming(12); // ten terminals
    }
    // Terminals 1..count at positions 0, 1, ...
    static void UseTerminals(int count) {
        for (int t = 0; t < count; ++t) Byte(Offset::TerminalPositions + t) = static_cast<std::uint8_t>(t);
    }
    // The headings of the blocks: (page, x, y) of each, in printing order.
    std::vector<std::tuple<int, int, int>> Blocks() const {
        std::vector<std::tuple<int, int, int>> blocks;
        for (const TReportText& text : canvas.TextsStartingWith("Ramal TI "))
            blocks.emplace_back(text.Page, text.X - C, text.Y);
        return blocks;
    }
};

TEST_F(ReportTerminalKeysTest, EightTerminalsTakeTwoPagesOfSixAndTwoBlocks) {
    UseTerminals(8);
    Print({17});
    ASSERT_EQ(canvas.Pages, 2);
    const auto blocks = Blocks();
    ASSERT_EQ(blocks.size(), 8u);
    std::vector<std::pair<int, int>> places; // page, x
    for (const auto& [page, x, y] : blocks) places.emplace_back(page, x);
    EXPECT_THAT(places, ElementsAre(std::pair{1, 2 * C}, std::pair{1, 34 * C}, std::pair{1, 66 * C},
                                    std::pair{1, 2 * C}, std::pair{1, 34 * C}, std::pair{1, 66 * C},
                                    std::pair{2, 2 * C}, std::pair{2, 34 * C}));
    EXPECT_LT(std::get<2>(blocks[0]), std::get<2>(blocks[3]));
    EXPECT_EQ(std::get<2>(blocks[0]), std::get<2>(blocks[6])) << "page 2 starts at the top";
    for (const TReportLine& line : canvas.Lines) EXPECT_LE(std::max(line.Y1, line.Y2), TestPageHeight);
    int bottom = 0;
    for (const TReportLine& line : canvas.LinesOnPage(1)) bottom = std::max(bottom, line.Y2);
    EXPECT_EQ(bottom, SecondBand + BlockHeight);
}

TEST_F(ReportTerminalKeysTest, SixTerminalsFillOnePageAndNoMore) {
    UseTerminals(6);
    Print({17});
    EXPECT_EQ(canvas.Pages, 1);
    EXPECT_EQ(Blocks().size(), 6u);
}

TEST_F(ReportTerminalKeysTest, ATerminalNotInUseLeavesNoGap) {
    Byte(Offset::TerminalPositions) = 3;
    Byte(Offset::TerminalPositions + 2) = 4;
    Print({17});
    ASSERT_EQ(canvas.TextsStartingWith("Ramal TI ").size(), 2u);
    EXPECT_EQ(canvas.TextsStartingWith("Ramal TI ")[0].Text, "Ramal TI 23");
    EXPECT_THAT(Blocks(), ElementsAre(std::tuple{1, 2 * C, std::get<2>(Blocks()[0])},
                                      std::tuple{1, 34 * C, std::get<2>(Blocks()[0])}));
}

TEST_F(ReportTerminalKeysTest, KeysAreLetteredWithVAndWTogether) {
    Byte(Offset::TerminalPositions) = 0;
    Byte(Offset::TerminalKeys + 24) = 170;
    Print({17});
    const auto letters = ColumnTexts(4 * C, FirstBand + 2 * 122);
    ASSERT_EQ(letters.size(), 25u);
    EXPECT_EQ(letters[0], "A");
    EXPECT_EQ(letters[21], "V/W");
    EXPECT_EQ(letters[22], "X");
    EXPECT_EQ(letters[24], "Z");
    const auto functions = ColumnTexts(10 * C, FirstBand + 2 * 122);
    EXPECT_EQ(functions.front(), "Sem função");
    EXPECT_EQ(functions.back(), "Rota 0");
    EXPECT_EQ(canvas.HorizontalLinesOnPage(1).size(), 1u + 28);
}

} // namespace
