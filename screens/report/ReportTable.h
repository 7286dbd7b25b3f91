#pragma once
// What the report's section printers share: the steps of a ruled table (header, skip, row and
// column rules, legend) and the texts of the programming's values.
//
// A table section: page header; font 15 and the section's skip; pen width 4; the table's top y0
// is the cursor then. Headings sit 0.5l below y0 unless a section says otherwise; each row is one
// pitch below the one before; rows + 2 horizontal rules, the first at y0, box the heading band and
// every row; vertical rules run from y0 to the last horizontal rule.

#include "screens/report/ReportPage.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

// The page header, font 15, the skip and pen width 4; returns the table's top.
int BeginTable(TReportPage& page, int title, int suffix, double skip);

// count horizontal rules from x1 to x2, the first at y0 and then one every pitch; returns the y
// of the last.
int DrawRowRules(TReportPage& page, int x1, int x2, int y0, int pitch, int count);
// A vertical rule at each x from y0 to y1.
void DrawColumnRules(TReportPage& page, std::initializer_list<int> xs, int y0, int y1);

struct TLegendEntry {
    const char* Code;
    const char* Description; // a source text, translated when printed
};
// Font 12; the translated word and one blank at (wordX, y); below it one entry every 2l: the
// code at codeX and the translated description at descriptionX, up to limit (the page's edge
// when 0).
void DrawLegend(TReportPage& page, const char* word, int wordX, int y, std::span<const TLegendEntry> entries,
                int codeX, int descriptionX, int limit = 0);
// Only the entries, the first at y, one every 2l.
void DrawLegendEntries(TReportPage& page, int y, std::span<const TLegendEntry> entries, int codeX,
                       int descriptionX, int limit = 0);

// The largest font size from `preferred` down to 6 points at which every text is at most
// maxWidth pixels wide (6 when none is), so that a text never runs into the next column. The
// canvas keeps its font size.
int FitFontSize(TReportCanvas& canvas, std::span<const QString> texts, int maxWidth, int preferred);

// Bit `bit` (0..7) of a byte.
inline bool Bit(std::uint8_t byte, int bit) {
    return (byte >> bit) & 1;
}

// "X" for a set flag, nothing for a clear one.
QString Marca(bool set);
// The translated "Sim" or "Não".
QString SimNao(bool set);
// The value in decimal, two digits at least.
QString TwoDigits(int value);
// The numbering-plan number of a position code that names one of the model's positions; empty
// for no extension (0xBB) and for every code that names no position of the model.
QString ExtensionOfPosition(std::uint8_t code);
// A name entry of the image (Windows-1252), and a packed telephone number of the image.
QString NameAt(std::size_t offset);
QString PhoneNumberAt(std::size_t offset);
