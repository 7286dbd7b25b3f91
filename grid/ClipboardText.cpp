// Copying, cutting and pasting the cells of TVevIvizudEvar as text through the clipboard, and the
// smart fill that spreads a pasted value or continues a pasted series over the selection.
//
// The text's format, written on copy and read on paste: ClipboardTextFormat.h. A rich-text cell
// ("{\") and a wide one are copied as their plain text; mini-HTML keeps its tags unless
// CopyHTMLTagsToClipboard is off. The other formats a copy offers and the choice of format on
// paste: ClipboardFormats.cpp.
//
// Pasted lines and cells start at a display cell and go right and down through the display columns
// (hidden columns are skipped). Cells outside the grid, fixed cells, the members of a merged block
// and cells that may not be edited are skipped (all but the ones outside with AllowClipboardAlways);
// each pasted cell may be refused by OnClipboardBeforePasteCell (OnClipboardBeforePasteWideCell for
// a "|\" wide text). When the text has more lines than the grid has data rows, rows are added above
// the footer rows (AllowClipboardRowGrow); wider lines add columns (AllowClipboardColGrow).
#include "grid/AdvancedGrid.h"

#include "grid/ClipboardTextFormat.h"
#include "grid/DelimitedImport.h"
#include "grid/FloatFormat.h"
#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "grid/RichText.h"
#include "grid/TextUtils.h"
#include "platform/data/DateTime.h"
#include "platform/data/NumberText.h"
#include "platform/os/LngText.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/UiServices.h"

#include <algorithm>
#include <limits>

// ---- Copy and cut --------------------------------------------------------------------------------

bool TVevIvizudEvar::IsMarkedRow(int row) const {
    return RowSelectFlag(MouseActions.RowSelectPersistent ? DisplToRealRow(row) : row);
}

// The selection, or the whole grid with a disjunct row or column selection; a corner inside a
// merged block takes in the whole block.
TGridRect TVevIvizudEvar::CopyRange(bool& disjunct) const {
    disjunct = MouseActions.DisjunctRowSelect() || MouseActions.DisjunctColSelect();
    TGridRect range = disjunct ? TGridRect{0, 0, ColCount() - 1, RowCount() - 1} : Selection();
    for (const TGridCoord corner :
         {TGridCoord{range.Left, range.Top}, TGridCoord{range.Right, range.Bottom}}) {
        const int realCol = DisplToRealCol(corner.X);
        if (!IsMergedCell(realCol, corner.Y)) continue;
        const TGridCoord base = BaseCell(realCol, corner.Y);
        const TGridCoord span = CellSpan(base.X, base.Y);
        range.Left = std::min(range.Left, RealToDisplCol(base.X));
        range.Top = std::min(range.Top, base.Y);
        range.Right = std::max(range.Right, RealToDisplCol(base.X + span.X));
        range.Bottom = std::max(range.Bottom, base.Y + span.Y);
    }
    range.Right = std::min(range.Right, ColCount() - 1);
    range.Bottom = std::min(range.Bottom, RowCount() - 1);
    return range;
}

std::vector<int> TVevIvizudEvar::CopyRows(const TGridRect& range, bool disjunct) const {
    std::vector<int> rows;
    for (int r = range.Top; r <= range.Bottom; ++r)
        if (!disjunct || !MouseActions.DisjunctRowSelect() || IsMarkedRow(r)) rows.push_back(r);
    return rows;
}

std::vector<int> TVevIvizudEvar::CopyColumns(const TGridRect& range, bool disjunct) const {
    std::vector<int> cols;
    for (int c = range.Left; c <= range.Right; ++c)
        if (!disjunct || !MouseActions.DisjunctColSelect() || ColSelectFlag(DisplToRealCol(c)))
            cols.push_back(c);
    return cols;
}

// Rich and wide texts give their plain text; each cell is written as the clipboard text writes it.
QString TVevIvizudEvar::SelectionClipboardText(const std::vector<int>& cols, const std::vector<int>& rows) {
    QString text;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r > 0) text += QStringLiteral("\r\n");
        for (size_t c = 0; c < cols.size(); ++c) {
            if (c > 0) text += u'\t';
            QString cell = GetGridCells(DisplToRealCol(cols[c]), rows[r]);
            const bool lastAlone = r + 1 == rows.size() && cols.size() == 1;
            // Most cells hold none of the characters that need more: one look decides.
            const bool plain = std::none_of(cell.cbegin(), cell.cend(), [](QChar ch) {
                const char16_t u = ch.unicode();
                return u == u'|' || u == u'<' || u == u'{' || u == u'\t' || u == u'\r' || u == u'\n';
            });
            // It goes as it is unless spaces or a quote open it, or it is empty and alone on the
            // last row (AppendClipboardCell then decides).
            if (plain && (cell.isEmpty() ? !lastAlone : cell.at(0) != u'"' && cell.at(0) != u' ')) {
                text += cell;
                continue;
            }
            if (cell.startsWith(kWideMarker)) {
                QString wide;
                DecodeWideCell(cell, wide);
                cell = wide;
            }
            if (!Navigation.CopyHTMLTagsToClipboard && cell.contains(QStringLiteral("</")))
                cell = StripHTML(cell);
            else if (cell.contains(QStringLiteral("{\\")))
                cell = RTFToPlainText(cell);
            AppendClipboardCell(text, cell, lastAlone);
        }
    }
    return text;
}

void TVevIvizudEvar::CopyToClipboard() {
    bool disjunct = false;
    const TGridRect range = CopyRange(disjunct);
    const std::vector<int> cols = CopyColumns(range, disjunct), rows = CopyRows(range, disjunct);
    const QString text = SelectionClipboardText(cols, rows);
    // Every format of one copy goes on the clipboard together.
    Clipboard().Open();
    struct TClose {
        ~TClose() { Clipboard().Close(); }
    } close;
    Clipboard().SetAsText(text);
    CopyFormatsToClipboard(cols, rows);
}

// Copies, then empties what was copied: the marked rows or columns (below or right of the fixed
// ones) with a disjunct selection, else the cells of the selection that may be edited.
void TVevIvizudEvar::CutToClipboard() {
    EndPendingChange();
    CopyToClipboard();
    bool disjunct = false;
    const TGridRect range = CopyRange(disjunct);
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    if (MouseActions.DisjunctRowSelect()) {
        for (int r = FixedRows(); r < RowCount(); ++r)
            if (IsMarkedRow(r)) ClearRows(r, 1);
    } else if (MouseActions.DisjunctColSelect()) {
        for (int c = FixedCols(); c < ColCount(); ++c)
            if (ColSelectFlag(DisplToRealCol(c))) ClearCols(c, 1);
    } else {
        // The properties go only where they travel with the cells on the clipboard, and only from
        // the cells that were cut.
        for (int r = range.Top; r <= range.Bottom; ++r)
            for (int c = range.Left; c <= range.Right; ++c) {
                if (!MayPasteInto(c, r)) continue;
                if (Navigation.AllowFmtClipboard) {
                    const int realCol = DisplToRealCol(c);
                    ClearRealRect(realCol, r, realCol, r);
                } else {
                    SetDisplayCell(c, r, QString());
                }
            }
        CellsChanged({DisplToRealCol(range.Left), range.Top, DisplToRealCol(range.Right), range.Bottom});
    }
}

// ---- Paste ---------------------------------------------------------------------------------------

void TVevIvizudEvar::SetDisplayCell(int col, int row, const QString& value) {
    const int realCol = DisplToRealCol(col);
    SetGridCells(realCol, row, value);
    if (realCol != col) RepaintCell(col, row);
}

void TVevIvizudEvar::ClipboardBeforePasteWideCell(int col, int row, QString& value, bool& allow) {
    if (OnClipboardBeforePasteWideCell) OnClipboardBeforePasteWideCell(this, col, row, value, allow);
}

bool TVevIvizudEvar::MayPasteInto(int col, int row) {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return false;
    if (Navigation.AllowClipboardAlways) return true;
    const int realCol = DisplToRealCol(col);
    if (IsMergedCell(realCol, row) && !IsBaseCellAt(realCol, row)) return false;
    return !IsFixedCellForDraw(col, row) && CanEditCell(realCol, row, true);
}

bool TVevIvizudEvar::AllowPastedCell(int realCol, int row, QString& value) {
    bool allow = true;
    if (value.startsWith(kWideMarker)) {
        QString wide;
        DecodeWideCell(value, wide);
        value = wide;
        ClipboardBeforePasteWideCell(realCol, row, value, allow);
    } else {
        ClipboardBeforePasteCell(realCol, row, value, allow);
    }
    return allow;
}

// A pasted cell passes its event, then is written.
bool TVevIvizudEvar::WritePasted(int col, int row, QString value) {
    if (!AllowPastedCell(DisplToRealCol(col), row, value)) return false;
    SetDisplayCell(col, row, value);
    return true;
}

void TVevIvizudEvar::GetTextDimensions(const QString& text, TPoint& size) const {
    const TClipboardTextSize measured = MeasureClipboardText(text);
    constexpr qint64 kMost = std::numeric_limits<int>::max();
    size = {int(std::min(measured.Widest, kMost)), int(std::min(measured.LineEnds, kMost))};
}

bool TVevIvizudEvar::MayPasteHere() const {
    const bool editing = TBaseGrid::Options().Contains(goEditing) || editingSwitched_;
    return editing || Navigation.AllowClipboardAlways || MouseActions.RangeSelectAndEdit;
}

QString TVevIvizudEvar::ClipboardTooLarge() {
    return TrText(LngText("O conteúdo da área de transferência é grande demais para ser colado"));
}

bool TVevIvizudEvar::PasteFits(int col, qint64 lines, qint64 widest) const {
    // As a delimited file's: the rows written times the columns they reach, or the grid's where
    // those are more (a row written is as wide as the grid).
    return lines * std::max<qint64>(col + widest, AllColCount()) <= inputlimits::kMaxCells;
}

void TVevIvizudEvar::CheckPasteSize(int col, qint64 lines, qint64 widest, const QString& refusal) const {
    if (!PasteFits(col, lines, widest)) throw EVozAvozError(refusal.toStdString());
}

int TVevIvizudEvar::PasteText(int col, int row, const QString& text) {
    return PasteTextFrom(col, row, text, ClipboardTooLarge());
}

int TVevIvizudEvar::PasteTextFrom(int col, int row, const QString& text, const QString& refusal) {
    pasteLeftOut_ = 0;
    if (col < 0 || row < 0 || !MayPasteHere()) return 0;
    try {
        // The lines and their cells are counted before anything changes.
        const TClipboardTextSize size = MeasureClipboardText(text);
        CheckPasteSize(col, size.Lines, size.Widest, refusal);
        return PasteLines(col, row, text, int(size.Lines), int(size.Widest));
    } catch (const std::bad_alloc&) {
        throw EVozAvozError(refusal.toStdString()); // the grid is as it was
    }
}

// The text's lines into the grid; a failure on the way puts the grid back as it was.
int TVevIvizudEvar::PasteLines(int col, int row, const QString& text, int lines, int widest) {
    CloseEditors(); // an open editor writes its value before the texts are kept aside
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    TPasteUndo undo(*this, col, row, widest, lines);
    int count = 0, c = col, r = row, lastCol = col, lastRow = row;
    try {
        // The grid grows once by what the lines need; new rows go above the footer rows.
        const int usable = DataRowEnd();
        undo.SetInsertRow(usable);
        if (Navigation.AllowClipboardRowGrow && row < usable && row + lines > usable)
            InsertRows(usable, row + lines - usable);
        if (Navigation.AllowClipboardColGrow && col < ColCount() && col + widest > ColCount())
            SetColCount(col + widest);
        ReadClipboardText(
            text,
            [&](QStringView written, bool quoted) {
                const bool taken =
                    MayPasteInto(c, r) && WritePasted(c, r, ClipboardCellValue(written, quoted));
                pasteLeftOut_ += taken ? 0 : 1;
                ++count;
                lastCol = std::max(lastCol, c++);
            },
            [&](bool) {
                lastRow = r++;
                c = col;
            });
    } catch (...) {
        undo.Undo();
        throw;
    }
    if (count > 0) {
        lastCol = std::min(lastCol, ColCount() - 1);
        lastRow = std::min(lastRow, RowCount() - 1);
        if (col <= lastCol && row <= lastRow)
            CellsChanged({DisplToRealCol(col), row, DisplToRealCol(lastCol), lastRow});
    }
    return count;
}

void TVevIvizudEvar::PasteFromClipboard() {
    EndPendingChange();
    const TGridRect selection = Selection();
    const int pasted = PasteFromClipboardAt(selection.Left, selection.Top);
    if (Navigation.AllowSmartClipboard) SmartFill(selection, pasted);
}

// ---- Smart fill ----------------------------------------------------------------------------------

// After a paste of `pasted` cells at the selection's top-left cell: one value fills the selection;
// two or more values in a one-column or one-row selection continue as a date, float or integer
// series from the first two, else repeat with the period of the pasted cells. A paste that covers
// the selection already is left as it is.
void TVevIvizudEvar::SmartFill(const TGridRect& selection, int pasted) {
    const int width = selection.Right - selection.Left + 1, height = selection.Bottom - selection.Top + 1;
    const int cells = width * height;
    if (pasted <= 0 || pasted >= cells) return;
    const bool column = width == 1, line = height == 1;
    if (pasted > 1 && !column && !line) return;
    BeginUpdate();
    struct TEnd {
        TVevIvizudEvar& Grid;
        ~TEnd() { Grid.EndUpdate(); }
    } end{*this};
    auto read = [&](int c, int r) { return GetGridCells(DisplToRealCol(c), r); };
    // The top-left cell is written as it stands; the others pass OnClipboardBeforePasteCell.
    auto write = [&](int c, int r, QString value) {
        if (!MayPasteInto(c, r)) return;
        bool allow = true;
        if (c != selection.Left || r != selection.Top)
            ClipboardBeforePasteCell(DisplToRealCol(c), r, value, allow);
        if (allow) SetDisplayCell(c, r, value);
    };
    // The k-th cell of a one-column or one-row selection.
    auto at = [&](int k) {
        return column ? TGridCoord{selection.Left, selection.Top + k}
                      : TGridCoord{selection.Left + k, selection.Top};
    };
    auto series = [&](const std::function<QString(int)>& valueAt) {
        for (int k = 0; k < cells; ++k) write(at(k).X, at(k).Y, valueAt(k));
    };

    if (pasted == 1) {
        const QString value = read(selection.Left, selection.Top);
        for (int r = selection.Top; r <= selection.Bottom; ++r)
            for (int c = selection.Left; c <= selection.Right; ++c)
                if (c != selection.Left || r != selection.Top) write(c, r, value);
    } else {
        const QString v1 = read(at(0).X, at(0).Y), v2 = read(at(1).X, at(1).Y);
        const TFormatSettings& settings = FormatSettings();
        const QChar timeSeparator = QChar::fromLatin1(settings.TimeSeparator);
        const QChar dateSeparator = QChar::fromLatin1(settings.DateSeparator);
        const QChar decimalSeparator = QChar::fromLatin1(settings.DecimalSeparator);
        auto dateLike = [&](const QString& v) { return IsDateText(v) || v.contains(timeSeparator); };
        std::optional<double> d1, d2, f1, f2;
        std::optional<std::int64_t> i1, i2;
        if (dateLike(v1) && dateLike(v2)) {
            d1 = platform::data::TryStrToDateTime(v1.toStdString());
            d2 = platform::data::TryStrToDateTime(v2.toStdString());
        }
        if (v1.contains(decimalSeparator) || v2.contains(decimalSeparator)) {
            f1 = platform::data::TryStrToFloat(v1.toStdString());
            f2 = platform::data::TryStrToFloat(v2.toStdString());
        }
        i1 = platform::data::TryStrToInt64(v1.toStdString());
        i2 = platform::data::TryStrToInt64(v2.toStdString());
        if (d1 && d2) {
            int y1 = 0, m1 = 0, day1 = 0, y2 = 0, m2 = 0, day2 = 0;
            platform::data::DecodeDate(*d1, y1, m1, day1);
            platform::data::DecodeDate(*d2, y2, m2, day2);
            const bool dates = v1.contains(dateSeparator);
            double value = *d1;
            series([&](int) {
                const std::string text =
                    dates ? platform::data::DateToStr(value) : platform::data::TimeToStr(value);
                value = IncDateParts(y2 - y1, m2 - m1, day2 - day1, *d2 - *d1, value);
                return QString::fromStdString(text);
            });
        } else if (f1 && f2) {
            series([&](int k) { return FormatFloat(FloatFormat, *f1 + k * (*f2 - *f1)); });
        } else if (i1 && i2) {
            series([&](int k) {
                std::int64_t step = 0, offset = 0, value = 0;
                if (__builtin_sub_overflow(*i2, *i1, &step) || __builtin_mul_overflow(step, k, &offset) ||
                    __builtin_add_overflow(*i1, offset, &value))
                    throw EVozAvozError("Integer overflow");
                return QString::number(value);
            });
        } else {
            for (int k = pasted; k < cells; ++k)
                write(at(k).X, at(k).Y, read(at(k - pasted).X, at(k - pasted).Y));
        }
    }
    CellsChanged(
        {DisplToRealCol(selection.Left), selection.Top, DisplToRealCol(selection.Right), selection.Bottom});
}
