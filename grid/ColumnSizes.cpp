// Column widths kept in an INI file or the settings store, column stretching and what follows a
// change of column widths or row heights in TVevIvizudEvar.
//
// Stored form: for every column i, the integer width under the name "Col<i>" (Col0, Col1, ...):
// in section ColumnSize.Section of the INI file named ColumnSize.Key (clIniFile), or under the
// settings-store key "<ColumnSize.Key>\<ColumnSize.Section>" (clRegistry).
#include "grid/AdvancedGrid.h"

#include "grid/ScopedFlag.h"
#include "grid/TextEditor.h"
#include "platform/os/IniFile.h"
#include "platform/os/SettingsStore.h"

namespace {

std::string ValueName(int col) {
    return "Col" + std::to_string(col);
}

} // namespace

void TVevIvizudEvar::SaveColumnSizes() {
    if (ColumnSize.Key.isEmpty() || ColumnSize.Section.isEmpty()) return;
    const std::string key = ColumnSize.Key.toStdString(), section = ColumnSize.Section.toStdString();
    if (ColumnSize.Location == TColumnSizeLocation::clIniFile) {
        TIniFile ini(key);
        for (int c = 0; c < ColCount(); ++c) ini.WriteInteger(section, ValueName(c), ColWidths(c));
    } else {
        TSettingsStore store;
        for (int c = 0; c < ColCount(); ++c)
            store.WriteInteger(key + "\\" + section, ValueName(c), ColWidths(c));
    }
}

void TVevIvizudEvar::LoadColumnSizes() {
    if (ColumnSize.Key.isEmpty() || ColumnSize.Section.isEmpty()) return;
    const std::string key = ColumnSize.Key.toStdString(), section = ColumnSize.Section.toStdString();
    auto apply = [this](int col, int width) {
        if (width != ColWidths(col)) SetColWidths(col, width);
    };
    if (ColumnSize.Location == TColumnSizeLocation::clIniFile) {
        const TIniFile ini(key);
        for (int c = 0; c < ColCount(); ++c)
            apply(c, ini.ReadInteger(section, ValueName(c), DefaultColWidth()));
    } else {
        const TSettingsStore store;
        for (int c = 0; c < ColCount(); ++c)
            apply(c, store.ReadInteger(key + "\\" + section, ValueName(c), DefaultColWidth()));
    }
}

void TVevIvizudEvar::StretchColumn(int col) {
    if (loading_) return;
    if (col == -1) col = ColCount() - 1;
    if (col >= ColCount() || col < 0) throw std::runtime_error("Stretch column index out of range");
    if (ColCount() == 0 || !ColumnSize.Stretch) return;
    stretchBusy_ = false;
    if (ColCount() == 1) {
        SetColWidths(col, ClientWidth());
    } else {
        int others = 0;
        for (int c = 0; c < ColCount(); ++c)
            if (c != col) others += ColWidths(c);
        const int width = ClientWidth() - others - 1;
        SetColWidths(col, width > 0 ? width : DefaultColWidth());
    }
    stretchBusy_ = true;
}

// After a mouse resize of one column (row) with AllColumnSize (AllRowSize), every other
// non-fixed column (row) is scaled by the same factor.
void TVevIvizudEvar::ScaleOthers(bool columns) {
    bool& sizing = columns ? columnSizing_ : rowSizing_;
    const int index = columns ? resizingCol_ : resizingRow_;
    const int start = columns ? resizeStartWidth_ : resizeStartHeight_;
    const bool all = columns ? MouseActions.AllColumnSize : MouseActions.AllRowSize;
    if (!sizing || !all || start < 1 || index < 0) return;
    sizing = false;
    auto size = [&](int i) { return columns ? ColWidths(i) : RowHeights(i); };
    const double factor = double(size(index)) / start;
    const int first = columns ? TBaseGrid::FixedCols() : TBaseGrid::FixedRows();
    const int count = columns ? ColCount() : RowCount();
    for (int i = first; i < count; ++i) {
        if (i == index) continue;
        const int scaled = int(std::lround(size(i) * factor));
        columns ? SetColWidths(i, scaled) : SetRowHeights(i, scaled);
    }
}

// What follows a change of widths: the stretched column is stretched again, and after a resize by
// mouse the other columns are scaled (AllColumnSize), OnEndColumnSize fires and OnUpdateColumnSize
// may correct the width. The widths this sets do not start it again.
void TVevIvizudEvar::ColWidthsChanged() {
    TBaseGrid::ColWidthsChanged();
    if (completingResize_) return;
    const TScopedFlag busy(completingResize_);
    if (stretchBusy_ && ColumnSize.Stretch && ColumnSize.StretchColumn < ColCount()) {
        stretchBusy_ = false;
        StretchColumn(ColumnSize.StretchColumn);
    }
    const int resized = columnSizing_ ? resizingCol_ : -1;
    ScaleOthers(true);
    if (resized >= 0 && resized < ColCount()) {
        DoEndColumnSize(resized);
        int width = ColWidths(resized);
        UpdateColumnSize(resized, width);
        if (width != ColWidths(resized)) SetColWidths(resized, width);
    }
    resizingCol_ = -1;
    columnSizing_ = false;
    RepaintFooter();
}

void TVevIvizudEvar::RowHeightsChanged() {
    TBaseGrid::RowHeightsChanged();
    if (completingResize_) return;
    const TScopedFlag busy(completingResize_);
    const int resized = rowSizing_ ? resizingRow_ : -1;
    ScaleOthers(false);
    if (resized >= 0) DoEndRowSize(resized);
    resizingRow_ = -1;
    rowSizing_ = false;
}

// A press on a column (row) border starts a resize by mouse: the column and its width are noted
// for the completion above; the release ends it whether or not the width changed.
void TVevIvizudEvar::StartMouseResize() {
    if (GridState() == TGridState::gsColSizing && SizingIndex() >= 0) {
        resizingCol_ = SizingIndex();
        resizeStartWidth_ = ColWidths(resizingCol_);
        columnSizing_ = true;
    } else if (GridState() == TGridState::gsRowSizing && SizingIndex() >= 0) {
        resizingRow_ = SizingIndex();
        resizeStartHeight_ = RowHeights(resizingRow_);
        rowSizing_ = true;
    }
}

void TVevIvizudEvar::EndMouseResize() {
    columnSizing_ = rowSizing_ = false;
    resizingCol_ = resizingRow_ = -1;
}
