// Where the class library's DrawText puts each piece of a text, from its flags and the font
// metrics. The canvas lays text out here once and hands the positioned runs to its device, so
// that measuring (DT_CALCRECT) and drawing always agree.
//
// Flag semantics kept from the class library:
// - DT_SINGLELINE: one line, line breaks are not honoured. Otherwise the text breaks at CR LF,
//   CR and LF, and with DT_WORDBREAK also between words to fit the rectangle's width; with
//   DT_EDITCONTROL a word wider than the rectangle is broken between characters, and a last line
//   that would only partly show is left out.
// - DT_LEFT/DT_CENTER/DT_RIGHT per line; DT_TOP/DT_VCENTER/DT_BOTTOM for the block of lines (also
//   for several lines, where the class library would only honour them for a single line).
// - DT_END_ELLIPSIS (and the path and word variants): a line wider than the rectangle is cut and
//   ends with "...".
// - DT_EXPANDTABS: tab stops every eight average character widths. DT_NOPREFIX: '&' is shown;
//   without it a single '&' is dropped and "&&" shows one '&'.
// - DT_CALCRECT: nothing is drawn; the rectangle's bottom is moved to the last line and its right
//   edge to the widest line (for word-broken text only widened, never narrowed).
// - The result is the text's height, or with DT_VCENTER/DT_BOTTOM the offset from the top of the
//   rectangle to the bottom of the text.
#pragma once

#include "platform/ui/Geometry.h"

#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <vector>

enum : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_EDITCONTROL = 0x2000,
    DT_PATH_ELLIPSIS = 0x4000,
    DT_END_ELLIPSIS = 0x8000,
    DT_RTLREADING = 0x20000,
    DT_WORD_ELLIPSIS = 0x40000,
};

// A piece of text drawn at one place; X, Y is the top-left corner of its line box.
struct TTextRun {
    QString Text;
    int X = 0, Y = 0, Width = 0;
};

struct TTextLayout {
    std::vector<TTextRun> Runs;
    int LineCount = 0;
    int LineHeight = 0;
    int Height = 0;   // all lines, also those left out by DT_EDITCONTROL
    int MaxWidth = 0; // the widest line
    TRect CalcRect;   // the rectangle as DT_CALCRECT gives it back
    int Result = 0;   // DrawText's return value
};

TTextLayout LayoutText(const QString& text, const TRect& rect, unsigned flags, const QFontMetrics& metrics);

// Width of a single line as the layout measures it (tabs expanded when tabWidth > 0).
int MeasureLine(const QString& line, const QFontMetrics& metrics, int tabWidth = 0);
