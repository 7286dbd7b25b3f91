#pragma once
// The page of the printed programming report: its geometry, the page header and the drawing
// primitives every section printer uses.
//
// Geometry, read from the canvas at the start of every report: a page is 100 line units high and
// 100 column units wide, l = printable height div 100 and c = printable width div 100 (device
// pixels). Every position is a multiple of these units; a fractional multiple (8.5c) is truncated
// to whole pixels. So the layout holds for any page size.
//
// Page header (ImprimeCabecalho), from (1, 1):
//   font 14: "CENTRPRG - Programação de PABX" + 42 blanks + "Data: " + today (dd/MM/yyyy)
//   font 10: model name + 2 blanks (cut to 22 characters) + section title + suffix + 4 blanks +
//            the programming file's path (nothing when the programming has no file)
//   a rule of pen width 4 across the page; the cursor is then at y = 1 + 4l.
//
// Texts never run over a rule, into the next column or off the page: each is drawn up to a
// limit (the rule or text that follows it, or the page's edge) and keeps half a column unit
// before it. A text too wide for its room is drawn in a smaller size, down to 6 points, and only
// then cut, its cut marked with "…" (a path in the header loses its start, so that the file's
// name stays).

#include "screens/report/ReportCanvas.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int ReportSectionCount = 17;

// Section titles, index 1..19 (title 18 is printed by no section), and title suffixes 0..4.
extern const std::array<const char*, 20> ReportTitles;
extern const std::array<const char*, 5> ReportTitleSuffixes;
namespace ReportSuffix {
inline constexpr int None = 0, Day = 1, Night = 2, Page1 = 3, Page2 = 4;
}

// 1 = print report section k (index 1..17; entry 0 unused).
extern std::array<std::uint8_t, ReportSectionCount + 1> ReportSelection;

class TReportPage {
public:
    explicit TReportPage(TReportCanvas& canvas);

    TReportCanvas& Canvas() const { return canvas_; }

    // Geometry and cursor, in device pixels.
    int ReportPageWidth = 0;
    int ReportPageHeight = 0;
    int ReportLineHeight = 0;  // l
    int ReportColumnWidth = 0; // c
    int ReportX = 0;
    int ReportY = 0;

    // trunc(units x c) and trunc(units x l).
    int C(double columns) const { return Units(columns, ReportColumnWidth); }
    int L(double lines) const { return Units(lines, ReportLineHeight); }

    // The page header at the top of the current page.
    void ImprimeCabecalho(int title, int suffix);
    // The text at the cursor; the cursor goes one line down.
    void ImprimeLinha(const QString& text);
    void PulaLinhas(double lines);
    // A rule of the given pen width from (ReportX, ReportY) to the page width less 2c.
    void TracaLinha(int width);
    void NewPage();

    // Drawing at explicit positions: text in the current font (up to the page's edge, or up to
    // limit: see above), lines in the current pen.
    void Text(int x, int y, const QString& text);
    void Cell(int x, int y, const QString& text, int limit);
    void HorizontalLine(int x1, int x2, int y);
    void VerticalLine(int x, int y1, int y2);

    // Makes the canvas's font no taller than room pixels: the largest size from the current one
    // down to SmallestFontSize whose line fits (rows closer than the font is high, small pages).
    void FitFontToHeight(int room);

    // The room kept before a text's limit, and the smallest size a text is shrunk to.
    int TextGap() const { return C(0.5); }
    static constexpr int SmallestFontSize = 6;

private:
    struct TFittedText {
        int Size;     // points
        QString Text; // cut, with "…", when it did not fit at the smallest size
        bool Cut;
    };
    // The largest size from the current one down, and the text, that fit room pixels less the gap.
    TFittedText FitText(const QString& text, int room) const;
    // Where the header's rule ends.
    int RuleEnd() const { return ReportPageWidth - 2 * ReportColumnWidth; }
    static int Units(double units, int unit);

    TReportCanvas& canvas_;
};
