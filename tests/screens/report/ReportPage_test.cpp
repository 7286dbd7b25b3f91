// The report's page: geometry, header, primitives and the paging of the print driver.

#include "ReportFixture.h"

#include "screens/report/ReportSections.h"

#include <QRegularExpression>

namespace {

class ReportPageTest : public ReportFixture {};

TEST_F(ReportPageTest, UnitsAreAHundredthOfThePageTruncated) {
    TReportPage page(canvas);
    EXPECT_EQ(page.ReportColumnWidth, C);
    EXPECT_EQ(page.ReportLineHeight, L);
    EXPECT_EQ(page.C(8.5), 416);    // 8.5 x 49 = 416.5
    EXPECT_EQ(page.L(47.25), 3307); // 3307.5
    EXPECT_EQ(page.L(2.2), 154);    // not 153 by a rounding error

    TRecordingReportCanvas letter(5100, 6600);
    TReportPage other(letter);
    EXPECT_EQ(other.ReportColumnWidth, 51);
    EXPECT_EQ(other.ReportLineHeight, 66);
}

TEST_F(ReportPageTest, HeaderRuleEndsTwoColumnsBeforeThePageEdge) {
    UseDefaultProgramming(11);
    canvas.BeginDoc();
    TReportPage page(canvas);
    page.ImprimeCabecalho(2, ReportSuffix::None);
    ASSERT_EQ(canvas.Lines.size(), 1u);
    const TReportLine rule = canvas.Lines.front();
    EXPECT_EQ(rule.X1, 1);
    EXPECT_EQ(rule.X2, 4862);
    EXPECT_EQ(rule.Y1, 281);
    EXPECT_EQ(rule.Y2, 281);
    EXPECT_EQ(rule.Width, 4);
    EXPECT_EQ(page.ReportY, 281);
    ASSERT_EQ(canvas.Texts.size(), 2u);
    EXPECT_EQ(canvas.Texts[0].Y, 1);
    EXPECT_EQ(canvas.Texts[0].Size, 14);
    EXPECT_EQ(canvas.Texts[1].Y, 1 + 2 * L);
    EXPECT_EQ(canvas.Texts[1].Size, 10);
}

struct THeaderCase {
    std::uint8_t model;
    const char* fileName;
    const char* line2;
};

class ReportHeaderLine2 : public ReportFixture, public testing::WithParamInterface<THeaderCase> {};

// Line 1: the product and today; line 2: the model's name, the title, the suffix and the file.
TEST_P(ReportHeaderLine2, ModelNameTitleSuffixAndFile) {
    UseDefaultProgramming(GetParam().model);
    ProgrammingFileName = GetParam().fileName;
    Print({1});
    EXPECT_EQ(canvas.Texts.at(0).Text,
              "CENTRPRG - Programação de PABX" + QString(42, ' ') + "Data: 29/02/2024");
    EXPECT_EQ(canvas.Texts.at(1).Text.toStdString(), GetParam().line2);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ReportHeaderLine2,
    testing::Values(THeaderCase{11, "/p/campo.npx",
                                "Talvenor ARCO  CATEGORIA DOS RAMAIS  (DIURNO)    /p/campo.npx"},
                    THeaderCase{9, "", "Tessella  CATEGORIA DOS RAMAIS  (DIURNO)    "},
                    THeaderCase{13, "", "  CATEGORIA DOS RAMAIS  (DIURNO)    "},
                    THeaderCase{4, "a.npx", "  CATEGORIA DOS RAMAIS  (DIURNO)    a.npx"}));

TEST_F(ReportPageTest, ShippedLanguageFileKeepsTheBlanksOfTheSuffixes) {
    OpenLanguageFile(std::string(CENTRPRG_SOURCE_DIR) + "/resources/CentrPrg.lng");
    UseDefaultProgramming(13);
    Print({3});
    EXPECT_EQ(canvas.Texts.at(1).Text.toStdString(), "  CONFIGURAÇÃO DAS VIAS (Pag. 1)    ");
    CloseLanguageFile();
}

// The pages each section takes on its own, and that sections never share a page.
struct TPagingCase {
    std::vector<int> sections;
    int pages;
};

class ReportPaging : public ReportFixture, public testing::WithParamInterface<TPagingCase> {};

TEST_P(ReportPaging, EachSectionStartsANewPageAndNoPageIsBlank) {
    UseDefaultProgramming(11);
    ReportSelection.fill(0);
    for (const int section : GetParam().sections) ReportSelection[section] = 1;
    ImprimeRelatorio(canvas);
    EXPECT_EQ(canvas.Pages, GetParam().pages);
    EXPECT_TRUE(canvas.Ended);
    for (int page = 1; page <= canvas.Pages; ++page) {
        const auto texts = canvas.TextsOnPage(page);
        ASSERT_GE(texts.size(), 2u) << "page " << page;
        EXPECT_TRUE(texts[0].Text.startsWith("CENTRPRG - ")) << "page " << page;
    }
}

INSTANTIATE_TEST_SUITE_P(Sections, ReportPaging,
                         testing::Values(TPagingCase{{1}, 2}, TPagingCase{{2, 4}, 2}, TPagingCase{{3}, 2},
                                         TPagingCase{{14}, 2}, TPagingCase{{8, 9, 10, 11, 16}, 5},
                                         TPagingCase{{12}, 1}, TPagingCase{{17}, 1}));

// A failure while drawing abandons the document.
class TFailingCanvas : public TRecordingReportCanvas {
public:
    using TRecordingReportCanvas::TRecordingReportCanvas;
    void NewPage() override { throw EReportError("page"); }
};

TEST_F(ReportPageTest, AFailedJobIsAbandoned) {
    UseDefaultProgramming(11);
    TFailingCanvas failing(TestPageWidth, TestPageHeight);
    ReportSelection.fill(0);
    ReportSelection[1] = 1;
    EXPECT_THROW(ImprimeRelatorio(failing), EReportError);
    EXPECT_TRUE(failing.Aborted);
    EXPECT_FALSE(failing.Ended);
}

// Every text and line of the whole report of every model lies inside its page, and no two texts
// of a page overlap (the widest values: full names, the longest key function, long prefixes).
struct TPageSize {
    int width, height; // pixels at 600 dpi
};

class ReportInsidePage : public ReportFixture,
                         public testing::WithParamInterface<std::tuple<std::uint8_t, TPageSize>> {
protected:
    static void FillWidestValues() {
        for (std::size_t t = 0; t < CurrentModel().Terminals; ++t)
            Byte(Offset::TerminalPositions + t) = t % 8;
        for (std::size_t k = 0; k < Offset::KeysPerTerminal * Offset::TerminalCount; ++k)
            Byte(Offset::TerminalKeys + k) = 119; // "Viva-voz chefe-secretária 1"
        for (int p = 0; p < MaxPositions; ++p)
            ProgrammingImage.SetShortString(Offset::Names + NameEntrySize * p, "Sala de Reuniões 2 B");
        for (std::size_t i = 0; i < Offset::PrivateCodeCount; ++i)
            ProgrammingImage.SetShortString(Offset::PrivateCodeNames + NameEntrySize * i,
                                            "Departamento Pessoal");
        // "12" -> node 3 -> node 4 -> ... -> node 7: prefixes of up to seven digits.
        Byte(Offset::PrefixFirstLevel + 12) = 0x83;
        for (std::size_t node = 3; node <= 7; ++node)
            for (std::size_t d = 0; d < 10; ++d)
                Byte(Offset::PrefixNodes + 10 * node + d) = d == 0 && node < 7 ? 0x80 + node + 1 : 0x48;
    }

    // Two texts overlap when their cells do, but a line may reach into the top of the one below
    // by its descent (a fifth of the cell in DejaVu Sans), where the lower line has no ink.
    static bool Overlap(const TReportText& a, const TReportText& b) {
        const TReportText& upper = a.Y <= b.Y ? a : b;
        const TReportText& lower = a.Y <= b.Y ? b : a;
        return a.X < b.X + b.Width && b.X < a.X + a.Width &&
               lower.Y < upper.Y + upper.Height - upper.Height / 5;
    }
};

TEST_P(ReportInsidePage, EveryTextAndLineOfTheWholeReport) {
    const auto [model, size] = GetParam();
    UseDefaultProgramming(model);
    FillWidestValues();
    TRecordingReportCanvas canvas(size.width, size.height);
    ReportSelection.fill(1);
    ImprimeRelatorio(canvas);
    for (const TReportText& text : canvas.Texts) {
        SCOPED_TRACE(text.Text.toStdString() + " on page " + std::to_string(text.Page));
        EXPECT_GE(text.X, 0);
        EXPECT_GE(text.Y, 0);
        EXPECT_LE(text.X + text.Width, size.width);
        EXPECT_LE(text.Y + text.Height, size.height);
    }
    for (const TReportLine& line : canvas.Lines) {
        EXPECT_LE(std::max(line.X1, line.X2) + line.Width / 2, size.width);
        EXPECT_LE(std::max(line.Y1, line.Y2) + line.Width / 2, size.height);
    }
    for (int page = 1; page <= canvas.Pages; ++page) {
        const auto texts = canvas.TextsOnPage(page);
        for (std::size_t i = 0; i < texts.size(); ++i)
            for (std::size_t j = i + 1; j < texts.size(); ++j)
                EXPECT_FALSE(Overlap(texts[i], texts[j]))
                    << "page " << page << ": \"" << texts[i].Text.toStdString() << "\" and \""
                    << texts[j].Text.toStdString() << "\"";
    }
}

// A4 whole, A4 within 5 mm margins, Letter within 5 mm margins.
INSTANTIATE_TEST_SUITE_P(ModelsAndPages, ReportInsidePage,
                         testing::Combine(testing::ValuesIn(KnownModelCodes),
                                          testing::Values(TPageSize{4960, 7015}, TPageSize{4724, 6780},
                                                          TPageSize{4864, 6364})));

} // namespace
