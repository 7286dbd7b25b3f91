#pragma once
// Fixture of the report tests: the screens' fixture (a cleared programming, a fixed clock, the
// recording message service) and a recording canvas of a 4960 x 7015 page at 600 dpi
// (c = 49, l = 70) on which ImprimeRelatorio prints the chosen sections.

#include "screens/ScreenFixture.h"

#include "screens/report/ReportCanvas.h"
#include "screens/report/ReportDriver.h"
#include "screens/report/ReportPage.h"
#include "screens/report/ReportPrinter.h"

#include "core/ImageLayout.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <initializer_list>

inline constexpr int TestPageWidth = 4960, TestPageHeight = 7015;
inline constexpr int C = 49, L = 70;        // the units of that page
inline constexpr int HeaderEnd = 1 + 4 * L; // the cursor after the page header

// Outputs every job to one recording canvas; or gives the job up.
class TRecordingReportOutput : public TReportOutput {
public:
    TReportCanvas* OpenJob(QWidget*) override {
        ++Opened;
        return GiveUp ? nullptr : &Canvas;
    }
    TRecordingReportCanvas Canvas{TestPageWidth, TestPageHeight};
    int Opened = 0;
    bool GiveUp = false;
};

class ReportFixture : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        ReportSelection.fill(0);
    }

    // Prints the given sections on the recording canvas.
    void Print(std::initializer_list<int> sections) {
        ReportSelection.fill(0);
        for (const int section : sections) ReportSelection[section] = 1;
        ImprimeRelatorio(canvas);
    }

    static std::uint8_t& Byte(std::size_t offset) { return ProgrammingImage[offset]; }

    // The texts at a position (a cell of a table).
    std::vector<TReportText> TextsAt(int x, int y, int page = 1) const {
        std::vector<TReportText> found;
        for (const TReportText& text : canvas.TextsOnPage(page))
            if (text.X == x && text.Y == y) found.push_back(text);
        return found;
    }
    // The one text at a position, or "" when nothing is drawn there.
    QString TextAt(int x, int y, int page = 1) const {
        const auto found = TextsAt(x, y, page);
        EXPECT_LE(found.size(), 1u) << "several texts at " << x << ", " << y;
        return found.empty() ? QString() : found.front().Text;
    }
    // The texts drawn with their top at y, left to right.
    std::vector<std::string> RowTexts(int y, int page = 1) const {
        auto texts = canvas.TextsOnPage(page);
        std::erase_if(texts, [&](const TReportText& text) { return text.Y != y; });
        std::ranges::sort(texts, {}, &TReportText::X);
        std::vector<std::string> row;
        for (const TReportText& text : texts) row.push_back(text.Text.toStdString());
        return row;
    }
    // The headings (on the line headingY) above the "X" marks of the row at rowY.
    std::vector<std::string> MarkedHeadings(int headingY, int rowY, int page = 1) const {
        std::vector<std::string> marked;
        for (const TReportText& mark : canvas.TextsOnPage(page))
            if (mark.Y == rowY && mark.Text == "X")
                marked.push_back(TextAt(mark.X, headingY, page).toStdString());
        return marked;
    }
    // The texts drawn at x below y, top to bottom.
    std::vector<std::string> ColumnTexts(int x, int below, int page = 1) const {
        auto texts = canvas.TextsOnPage(page);
        std::erase_if(texts, [&](const TReportText& text) { return text.X != x || text.Y <= below; });
        std::ranges::sort(texts, {}, &TReportText::Y);
        std::vector<std::string> column;
        for (const TReportText& text : texts) column.push_back(text.Text.toStdString());
        return column;
    }
    // The horizontal rules of a page but the header's.
    std::vector<TReportLine> TableRules(int page = 1) const {
        auto lines = canvas.HorizontalLinesOnPage(page);
        std::erase_if(lines, [](const TReportLine& line) { return line.Y1 == HeaderEnd && line.X1 == 1; });
        return lines;
    }

    TRecordingReportCanvas canvas{TestPageWidth, TestPageHeight};
};
