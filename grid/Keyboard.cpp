// Keyboard handling of TVevIvizudEvar in front of the class library's grid: keys on check boxes,
// radio groups and buttons, Home and End, the Tab walk, skipping fixed cells, clipboard keys,
// inserting and deleting rows, disjunct selections; the character handler that starts editing;
// Escape, Enter and incremental search; and the keys an editor control hands back.
#include "grid/AdvancedGrid.h"

#include "grid/ScopedFlag.h"
#include "grid/TextEditor.h"

namespace {

bool IsArrow(int key) {
    return key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN;
}

bool IsNavigation(int key) {
    return IsArrow(key) || key == VK_PRIOR || key == VK_NEXT || key == VK_HOME || key == VK_END;
}

} // namespace

int TVevIvizudEvar::FirstSelectableCol() const {
    return TBaseGrid::FixedCols() == 0 && NodeCount() > 0 ? 1 : TBaseGrid::FixedCols();
}

int TVevIvizudEvar::VisibleRightFixedCols() const {
    if (HiddenColCount() == 0) return fixedRightCols_;
    int visible = 0;
    const int all = AllColCount();
    for (int real = all - fixedRightCols_; real < all; ++real)
        if (real >= 0 && !IsHiddenColumn(real)) ++visible;
    return visible;
}

bool TVevIvizudEvar::KeyOnClickableCell(int key) {
    const int real = RealCol();
    const TCellType type = GetCellType(BaseCell(real, Row()).X, BaseCell(real, Row()).Y);
    if (!IsClickableGraphic(type)) return false;
    const bool editing =
        TBaseGrid::Options().Contains(goEditing) || editingSwitched_ || MouseActions.RangeSelectAndEdit;
    if (!CanEditCell(real, Row(), editing)) return true;
    if (IsCheckBoxGraphic(type) && key == VK_SPACE) {
        ToggleCheckBox(real, Row(), false);
        const TCellGraphic* graphic = GetCellGraphic(real, Row());
        const bool state = type == TCellType::ctCheckBox
                               ? graphic && graphic->CellBoolean
                               : GetGridCells(real, Row()) == GetCheckTrue(real, Row());
        CheckBoxClick(real, Row(), state);
    } else if (type == TCellType::ctRadio && key == VK_SPACE) {
        RadioNext(real, Row(), false);
        const TCellGraphic* graphic = GetCellGraphic(real, Row());
        RadioClick(real, Row(), graphic ? graphic->CellIndex : -1);
    } else if (type == TCellType::ctButton) {
        ButtonClick(real, Row());
    }
    RepaintCell(Col(), Row());
    return true;
}

bool TVevIvizudEvar::HomeEndKey(int key, TShiftState shift) {
    const bool rowSelect = TBaseGrid::Options().Contains(goRowSelect);
    const bool byRow = Navigation.HomeEndKey == THomeEndAction::heFirstLastRow;
    if (key != VK_HOME && key != VK_END) return false;
    if (!byRow && !rowSelect) return false;
    if (byRow) {
        const int target = key == VK_HOME ? TBaseGrid::FixedRows() : DataRowEnd() - 1;
        SetRow(std::clamp(target, 0, RowCount() - 1));
        SnapToBaseCell();
        if (MouseActions.DisjunctRowSelect()) {
            ClearRowSelect();
            SelectRowsInRange(false);
        }
    } else if (key == VK_HOME) {
        SetCol(FirstSelectableCol());
        SnapToBaseCell();
        SetLeftCol(FirstSelectableCol());
    } else {
        SetCol(ColCount() - 1);
        SnapToBaseCell();
        SetLeftCol(ColCount() - VisibleColCount());
    }
    int firedKey = key;
    if (OnKeyDown) OnKeyDown(this, firedKey, shift);
    return true;
}

// Arrow keys jump over cells that are fixed; the key is used up whenever the neighbour is fixed.
bool TVevIvizudEvar::StepSkippingFixed(int key) {
    const int col = Col(), row = Row();
    int dc = 0, dr = 0, limit = 0;
    switch (key) {
    case VK_LEFT:
        dc = -1, limit = TBaseGrid::FixedCols();
        break;
    case VK_RIGHT:
        dc = 1, limit = ColCount() - fixedRightCols_ - 1;
        break;
    case VK_UP:
        dr = -1, limit = TBaseGrid::FixedRows();
        break;
    case VK_DOWN:
        if (row + 1 >= RowCount()) return false;
        dr = 1, limit = DataRowEnd() - 1;
        break;
    default:
        return false;
    }
    const int nc = col + dc, nr = row + dr;
    if (nc < 0 || nr < 0 || nc >= ColCount() || nr >= RowCount() || !IsFixedCell(nc, nr)) return false;
    for (int c = nc + dc, r = nr + dr;
         dc ? (dc < 0 ? c >= limit : c <= limit) : (dr < 0 ? r >= limit : r <= limit); c += dc, r += dr) {
        if (IsFixedCell(c, r)) continue;
        dc ? SetCol(c) : SetRow(r);
        break;
    }
    return true;
}

void TVevIvizudEvar::MaintainDisjunct(int key, TShiftState shift) {
    if (IsNavigation(key)) {
        if (MouseActions.DisjunctRowSelect()) {
            if (!shift.Contains(ssShift) && !shift.Contains(ssCtrl)) ClearRowSelect();
            if (!shift.Contains(ssShift))
                SetRowMark(Row(), true);
            else
                for (int r = std::min(Anchor().Y, Row()); r <= std::max(Anchor().Y, Row()); ++r)
                    SetRowMark(r, true);
        }
        if (MouseActions.DisjunctColSelect()) {
            if (!shift.Contains(ssShift) && !shift.Contains(ssCtrl)) ClearColSelect();
            if (!shift.Contains(ssShift))
                SetColSelect(Col(), true);
            else
                for (int c = std::min(Anchor().X, Col()); c <= std::max(Anchor().X, Col()); ++c)
                    SetColSelect(c, true);
        }
    }
    if (key == VK_SPACE) {
        if (MouseActions.DisjunctRowSelect()) SetRowMark(Row(), !RowMarked(Row()));
        if (MouseActions.DisjunctColSelect()) SetColSelect(Col(), !ColSelect(Col()));
    }
}

bool TVevIvizudEvar::InsertRowKey() {
    if (!CanInsertRow(Row())) return false;
    int at = Row();
    if (Navigation.InsertPosition == TInsertPosition::pInsertAfter &&
        !(FixedRowAlways && TBaseGrid::FixedRows() == RowCount()))
        at = Row() < RowCount() ? Row() + 1 : Row();
    AutoInsertRow(at);
    if (at != Row()) SetRow(std::min(at, RowCount() - 1));
    Recalculate(-1);
    return true;
}

bool TVevIvizudEvar::DeleteRowKey() {
    if (DataRowEnd() - TBaseGrid::FixedRows() < 1) return false;
    if (!CanDeleteRow(Row())) return false;
    AutoDeleteRow(Row());
    Recalculate(-1);
    return true;
}

void TVevIvizudEvar::KeyDown(int& key, TShiftState shift) {
    keySelection_ = Selection();
    const int oldLeft = LeftCol();
    if (key == VK_RETURN || key == VK_SPACE) KeyOnClickableCell(key);
    if (HomeEndKey(key, shift)) {
        key = 0;
        return;
    }
    const TGridOptions options = TBaseGrid::Options();
    if (key == VK_TAB && options.Contains(goTabs)) {
        TabToNextCell(shift.Contains(ssShift));
        key = 0;
        return;
    }
    if (Navigation.SkipFixedCells && IsArrow(key) && StepSkippingFixed(key)) key = 0;
    if (!(Selection() == keySelection_) && selectionRectangle_) InvalidateGrid();
    if (key != 0) TBaseGrid::KeyDown(key, shift);
    const bool vertical = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN;
    if (vertical && options.Contains(goRowSelect) && Navigation.KeepHorizScroll && LeftCol() != oldLeft) {
        BeginUpdate();
        SetLeftCol(oldLeft);
        EndUpdate();
    }
    const bool ctrl = shift.Contains(ssCtrl), shiftDown = shift.Contains(ssShift),
               alt = shift.Contains(ssAlt);
    if (Navigation.AllowClipboardShortCuts) {
        using TAsk = void (TVevIvizudEvar::*)(bool&);
        using TAction = void (TVevIvizudEvar::*)();
        auto clipboard = [this](TAsk ask, TAction action) {
            bool allow = true;
            (this->*ask)(allow);
            if (allow) (this->*action)();
        };
        if ((ctrl && key == 'X') || (shiftDown && key == VK_DELETE))
            return clipboard(&TVevIvizudEvar::DoClipboardCut, &TVevIvizudEvar::CutToClipboard);
        if ((ctrl && key == 'V') || (shiftDown && key == VK_INSERT))
            return clipboard(&TVevIvizudEvar::DoClipboardPaste, &TVevIvizudEvar::PasteFromClipboard);
        if (ctrl && (key == 'C' || key == VK_INSERT))
            return clipboard(&TVevIvizudEvar::DoClipboardCopy, &TVevIvizudEvar::CopyToClipboard);
    }
    if (key == VK_INSERT && Navigation.AllowInsertRow && !ctrl && !shiftDown && !alt) InsertRowKey();
    if (ctrl && key == 'A' && (options.Contains(goRowSelect) || options.Contains(goRangeSelect))) {
        SetSelection({FirstSelectableCol(), TBaseGrid::FixedRows(), ColCount() - fixedRightCols_ - 1,
                      DataRowEnd() - 1});
        return;
    }
    MaintainDisjunct(key, shift);
    if (key == VK_DELETE && Navigation.AllowDeleteRow && !alt) DeleteRowKey();
}

void TVevIvizudEvar::TabToNextCell(bool backwards) {
    int key = VK_TAB;
    if (OnKeyDown) OnKeyDown(this, key, backwards ? TShiftState{ssShift} : TShiftState{});
    if (key != VK_TAB) return;
    const int firstCol = FirstSelectableCol(), firstRow = TBaseGrid::FixedRows();
    const int lastCol = ColCount() - VisibleRightFixedCols() - 1, lastRow = DataRowEnd() - 1;
    // The walk leaves the current block (a plain cell is a block of one) at its far side going on,
    // at its near side going back; a cell it lands on inside a block gives way to the block's base.
    const TGridCoord base = BaseCell(RealCol(), Row()), span = CellSpan(RealCol(), Row());
    const int blockLeft = RealToDisplCol(base.X), blockRight = RealToDisplCol(base.X + span.X);
    const int blockTop = base.Y, blockBottom = base.Y + span.Y;
    int col = Col(), row = Row();
    bool leave = false;
    const bool leftRight = Navigation.TabAdvanceDirection == TAdvanceDirection::adLeftRight;
    if (!backwards && leftRight) {
        if (blockRight + 1 >= ColCount() - VisibleRightFixedCols()) {
            col = firstCol;
            if (row >= lastRow)
                row = firstRow, leave = Navigation.TabToNextAtEnd;
            else
                ++row;
        } else {
            col = blockRight + 1;
        }
    } else if (!backwards) {
        if (blockBottom + 1 >= DataRowEnd()) {
            row = firstRow;
            if (col >= lastCol)
                col = firstCol, leave = Navigation.TabToNextAtEnd;
            else
                ++col;
        } else {
            row = blockBottom + 1;
        }
    } else if (leftRight) {
        if (blockLeft <= firstCol) {
            col = lastCol;
            row = row <= firstRow ? lastRow : row - 1;
        } else {
            col = blockLeft - 1;
        }
    } else if (blockTop <= firstRow) {
        row = lastRow;
        col = col <= firstCol ? lastCol : col - 1;
    } else {
        row = blockTop - 1;
    }
    SetCol(std::clamp(col, 0, ColCount() - 1));
    SetRow(std::clamp(row, 0, RowCount() - 1));
    SnapToBaseCell();
    if (leave && parentWidget()) {
        FocusNextControl(true);
        return;
    }
    if (Navigation.AlwaysEdit) setFocus(Qt::TabFocusReason);
}

void TVevIvizudEvar::EditorKeyToGrid(int key, TShiftState shift) {
    const TScopedFlag fromEditor(editorKey_);
    EndPendingChange();
    if (key == VK_TAB || IsArrow(key)) KeyDown(key, shift);
    const bool alwaysEdit = Navigation.AlwaysEdit;
    Navigation.AlwaysEdit = false;
    setFocus(Qt::OtherFocusReason);
    Navigation.AlwaysEdit = alwaysEdit;
    if (key == VK_RETURN) CommitAndAdvance(Col(), Row(), true, true, false);
}

void TVevIvizudEvar::ControlKeyToGrid(int key, TShiftState shift) {
    if (key == VK_TAB && TBaseGrid::Options().Contains(goTabs)) {
        HideInplaceEdit();
        setFocus(Qt::TabFocusReason);
        TabToNextCell(shift.Contains(ssShift));
        return;
    }
    EditorKeyToGrid(key, shift);
}

// ---- Characters ----------------------------------------------------------------------------------

void TVevIvizudEvar::CharMessage(QChar ch) {
    const ushort code = ch.unicode();
    if (Navigation.AllowClipboardShortCuts && (code == 3 || code == 22 || code == 24)) return;
    const bool clickable = HasClickableGraphic(RealCol(), Row());
    if (clickable && code != 13) return;
    const TGridRect sel = Selection();
    const bool range = sel.Left != sel.Right || sel.Top != sel.Bottom;
    if (MouseActions.RangeSelectAndEdit && !clickable && range && sel.Contains(Col(), Row())) {
        lastChar_ = ch;
        TBaseGrid::SetOptions(TBaseGrid::Options() + goEditing);
        ScrollToCell(Col(), Row());
    }
    if (!TBaseGrid::Options().Contains(goEditing) || !(code == 8 || code >= 32)) {
        TBaseGrid::CharMessage(ch);
        return;
    }
    if (OnKeyPress) OnKeyPress(this, ch);
    if (ch.isNull()) return;
    lastChar_ = ch;
    if (clickable) return;
    pendingKey_ = ch;
    ShowEditor();
    if (!pendingKey_.isNull() && InplaceEditor() && InplaceEditor()->isVisible()) {
        pendingKey_ = QChar();
        InplaceEditor()->TypeChar(ch);
    }
    pendingKey_ = QChar();
}

void TVevIvizudEvar::RestoreEditText() {
    SetGridCells(RealCol(), Row(), cycle_.Text);
    SetGridCells(RealCol(), Row(), GetGridCells(RealCol(), Row()));
}

void TVevIvizudEvar::IncrementalSearch(QChar key) {
    if (key.unicode() == 8)
        searchText_.chop(1);
    else if (Navigation.AutoGotoIncremental)
        searchText_ += key;
    else
        searchText_ = key;
    const int row = FindRowByText(searchText_.toUpper());
    if (row >= 0) SetCurrentRow(row);
}

void TVevIvizudEvar::KeyPress(QChar& key) {
    const ushort code = key.unicode();
    const bool editing = TBaseGrid::Options().Contains(goEditing);
    if (code == 27 && editing && editorActive_) {
        RestoreEditText();
    } else if (code == 13) {
        if (HasClickableGraphic(RealCol(), Row())) {
            if (OnKeyPress) OnKeyPress(this, key);
            key = QChar();
            return;
        }
        if (IsActiveControl()) CommitAndAdvance(Col(), Row(), true, false, false);
    } else if (!editing && Navigation.AutoGotoWhenSorted && (code == 8 || code >= 32)) {
        IncrementalSearch(key);
    }
    TBaseGrid::KeyPress(key);
}

void TVevIvizudEvar::KeyUp(int& key, TShiftState shift) {
    if (key != VK_HOME && (IsNavigation(key) || key == VK_INSERT || key == VK_DELETE)) searchText_.clear();
    TBaseGrid::KeyUp(key, shift);
    const bool tab = key == VK_TAB && TBaseGrid::Options().Contains(goTabs);
    if (Navigation.AlwaysEdit && (IsArrow(key) || tab) && !editorActive_) ShowEditorIfAllowed();
}
