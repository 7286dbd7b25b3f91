#include "grid/TextEditor.h"

#include "grid/GridEditors.h"
#include "grid/NumberDateUtils.h"
#include "grid/TextUtils.h"
#include "platform/ui/UiBoundary.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace {

bool IsControlKey(ushort code) {
    return code == 8 || code == 9 || code == 13 || code == 27;
}

} // namespace

TVozErivuzaRive::TVozErivuzaRive(TVevIvizudEvar* grid) : TInplaceEdit(grid), owner_(grid) {
    lengthLimit_ = short(std::min(grid->MaxEditLength(), 32767));
}

void TVozErivuzaRive::SetLengthLimit(short limit) {
    lengthLimit_ = std::max<short>(limit, 0);
    SetMaxLength(lengthLimit_);
}

void TVozErivuzaRive::SetVAlign(bool on) {
    vAlign_ = on;
}

void TVozErivuzaRive::UpdateContents() {
    TVevIvizudEvar& grid = Owner();
    const bool password = grid.EditorType() == TEditorType::edPassword;
    preparing_ = true; // the body may change: what it shows now is no edit of the cell
    SetMultiLine(grid.Navigation.AllowCtrlEnter && !password);
    SetWordWrap(grid.WordWrap());
    SetPasswordChar(password ? grid.PasswordChar : QChar());
    preparing_ = false;
    TInplaceEdit::UpdateContents();
    SetLengthLimit(short(std::min(grid.MaxEditLength(), 32767)));
    TBrush brush;
    TFont font;
    grid.CellLook(grid.Col(), grid.Row(), brush, font);
    SetColor(brush.Color());
    SetEditFont(font);
    autoComplete_ = true;
}

TVozErivuzaRive::TCharVerdict TVozErivuzaRive::FilterChar(QChar& ch) const {
    const TVevIvizudEvar& grid = Owner();
    const ushort code = ch.unicode();
    const QString text = Text();
    const int start = SelStart(), length = SelLength();
    if (lengthLimit_ > 0 && int(text.size()) >= lengthLimit_ && length == 0 && code >= 32)
        return TCharVerdict::Drop;
    // Control keys and commands (Ctrl+C, Ctrl+V, ...) are no text.
    if (IsControlKey(code) || code < 32) return TCharVerdict::Accept;
    const QChar decimal = QChar::fromLatin1(FormatSettings().DecimalSeparator);
    if (grid.ExcelStyleDecimalSeparator && ch == u'.' && LineBody()->LastKeyFromKeypad()) ch = decimal;
    switch (grid.EditorType()) {
    case TEditorType::edNumeric:
    case TEditorType::edPositiveNumeric:
    case TEditorType::edFloat:
        return EditorKindTakesChar(grid.EditorType(), ch, text, start, length) ? TCharVerdict::Accept
                                                                               : TCharVerdict::Refuse;
    case TEditorType::edCapital:
    case TEditorType::edUpperCase:
        ch = ch.toUpper();
        return TCharVerdict::Accept;
    case TEditorType::edLowerCase:
        ch = ch.toLower();
        return TCharVerdict::Accept;
    default:
        return TCharVerdict::Accept;
    }
}

bool TVozErivuzaRive::ValidateAndRefresh() {
    TVevIvizudEvar& grid = Owner();
    QString value = Text();
    const bool valid = grid.ValidateCell(value);
    const QString cell = grid.GetEditText(grid.Col(), grid.Row());
    if (isVisible() && Text() != cell) SetText(cell);
    if (!valid && !grid.Navigation.EditSelectAll) Deselect();
    return valid;
}

// Left at the start or Right at the end of the text leaves the cell sideways, as Enter would.
bool TVozErivuzaRive::WalkOut(int key) {
    TVevIvizudEvar& grid = Owner();
    const bool left = key == VK_LEFT;
    if (SelLength() != 0) return false;
    if (left ? SelStart() != 0 : SelStart() < int(EditText().size())) return false;
    if (left ? grid.Col() <= grid.TBaseGrid::FixedCols()
             : grid.Col() >= grid.ColCount() - grid.FixedRightCols() - 1)
        return false;
    const int neighbour = grid.DisplToRealCol(grid.Col() + (left ? -1 : 1));
    if (grid.HasClickableGraphic(neighbour, grid.Row())) {
        if (!ValidateAndRefresh()) return true;
        grid.HideEditor();
        grid.SetCol(grid.Col() + (left ? -1 : 1));
        return true;
    }
    const TAdvanceDirection saved = grid.Navigation.AdvanceDirection;
    grid.Navigation.AdvanceDirection = TAdvanceDirection::adLeftRight;
    if (ValidateAndRefresh()) grid.CommitAndAdvance(grid.Col(), grid.Row(), !left, true, true);
    grid.Navigation.AdvanceDirection = saved;
    return true;
}

void TVozErivuzaRive::KeyDown(int& key, TShiftState shift) {
    TVevIvizudEvar& grid = Owner();
    switch (key) {
    case VK_ESCAPE:
        RestoreStartText();
        break;
    case VK_TAB:
        if (grid.Options().Contains(goTabs) && !shift.Contains(ssAlt)) {
            const bool valid = ValidateAndRefresh();
            key = 0;
            if (!valid) return;
            grid.HideEditor();
            grid.TabToNextCell(shift.Contains(ssShift));
            return;
        }
        break;
    case VK_UP:
        if (!CaretCanGoUp() && !ValidateAndRefresh()) key = 0;
        break;
    case VK_DOWN:
        if (!CaretCanGoDown() && !ValidateAndRefresh()) key = 0;
        break;
    default:
        break;
    }
    if (key == 0) return;
    autoComplete_ = key != VK_BACK && key != VK_DELETE;
    if (grid.Navigation.CursorWalkEditor && (key == VK_LEFT || key == VK_RIGHT) && WalkOut(key)) {
        key = 0;
        return;
    }
    TInplaceEdit::KeyDown(key, shift);
}

void TVozErivuzaRive::KeyPress(QChar& key) {
    TVevIvizudEvar& grid = Owner();
    if (key.unicode() == 13 && grid.Navigation.LineFeedOnEnter) {
        key = QChar(u'\n');
    } else if (key.unicode() == 13 && !ValidateAndRefresh()) {
        key = QChar();
        return;
    }
    switch (FilterChar(key)) {
    case TCharVerdict::Refuse:
        key = QChar();
        MessageBeep();
        return;
    case TCharVerdict::Drop:
        key = QChar();
        return;
    case TCharVerdict::Accept:
        break;
    }
    TInplaceEdit::KeyPress(key);
}

void TVozErivuzaRive::Change() {
    if (preparing_) return;
    TVevIvizudEvar& grid = Owner();
    if (grid.EditorType() == TEditorType::edMixedCase && !converting_ && EditMask().isEmpty()) {
        QString mixed;
        MixedCase(Text(), mixed);
        if (mixed != Text()) {
            converting_ = true;
            const int caret = SelStart();
            SetText(mixed);
            SetSel(caret, 0);
            converting_ = false;
        }
    }
    TInplaceEdit::Change();
}

void TVozErivuzaRive::AutoComplete() {
    TVevIvizudEvar& grid = Owner();
    if (!autoComplete_ || SelLength() != 0 || !grid.Lookup || grid.LookupItems.isEmpty()) return;
    const QString text = Text();
    const int caret = SelStart();
    if (caret == 0) return;
    const Qt::CaseSensitivity cs = grid.LookupCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QString prefix = text.left(caret);
    for (const QString& item : grid.LookupItems) {
        if (!item.startsWith(prefix, cs) || item.size() <= prefix.size()) continue;
        SetText(prefix + item.mid(prefix.size()));
        SetSel(caret, int(item.size()) - caret);
        return;
    }
}

void TVozErivuzaRive::KeyUp(int& key, TShiftState shift) {
    TVevIvizudEvar& grid = Owner();
    if (key != VK_LEFT && key != VK_RIGHT) {
        TInplaceEdit::KeyUp(key, shift);
        AutoComplete();
        SizeWhileTyping();
    }
    // A full mask with the caret at its end gives Enter to the grid.
    if (grid.Navigation.AdvanceAuto && !EditMask().isEmpty() && isVisible() &&
        !EditText().contains(TEditMask(EditMask()).Blank()) && SelStart() >= int(EditText().size())) {
        QChar enter(u'\r');
        grid.KeyPress(enter);
    }
}

void TVozErivuzaRive::DoEnter() {
    TVevIvizudEvar& grid = Owner();
    if (!EditMask().isEmpty() && grid.Navigation.ImproveMaskSel)
        SetSel(0, 1);
    else if (!grid.Navigation.EditSelectAll)
        Deselect();
}

void TVozErivuzaRive::DoExit() {
    TVevIvizudEvar& grid = Owner();
    grid.pendingKey_ = QChar();
    if (grid.LookupHistory && !Text().isEmpty() && !grid.LookupItems.contains(Text()))
        grid.LookupItems << Text();
    QWidget* now = QApplication::focusWidget();
    if (now == &grid || !isVisible()) {
        grid.FinishEditing();
        return;
    }
    // The focus goes elsewhere: the text must pass the validation first.
    if (!ValidateAndRefresh()) {
        SetFocusToBody();
        return;
    }
    grid.HideInplaceEdit();
}

void TVozErivuzaRive::DblClick() {
    TInplaceEdit::DblClick();
    TVevIvizudEvar& grid = Owner();
    grid.DblClickCell(grid.Row(), grid.Col());
}

void TVozErivuzaRive::CopyToClipboard() {
    bool allow = true;
    Owner().DoClipboardCopy(allow);
    if (allow) TInplaceEdit::CopyToClipboard();
}

void TVozErivuzaRive::CutToClipboard() {
    bool allow = true;
    Owner().DoClipboardCut(allow);
    if (allow) TInplaceEdit::CutToClipboard();
}

// The text as the editor kind takes it; accepted is false when a numeric kind refuses it.
QString TVozErivuzaRive::ApplyKind(const QString& text, bool& accepted) const {
    accepted = true;
    switch (Owner().EditorType()) {
    case TEditorType::edNumeric:
    case TEditorType::edPositiveNumeric:
        accepted = text.isEmpty() || NumberKind(text) == 0;
        return text;
    case TEditorType::edFloat:
        accepted = text.isEmpty() || NumberKind(text) <= 1;
        return text;
    case TEditorType::edMixedCase: {
        QString mixed;
        MixedCase(text, mixed);
        return mixed;
    }
    case TEditorType::edCapital:
    case TEditorType::edUpperCase:
        return text.toUpper();
    case TEditorType::edLowerCase:
        return text.toLower();
    default:
        return text;
    }
}

void TVozErivuzaRive::PasteFromClipboard() {
    TVevIvizudEvar& grid = Owner();
    const QClipboard* clipboard = QApplication::clipboard();
    if (!clipboard->mimeData() || !clipboard->mimeData()->hasText()) return;
    QString pasted = clipboard->text();
    bool allow = true;
    grid.ClipboardBeforePasteCell(grid.RealCol(), grid.Row(), pasted, allow);
    if (!allow) return;
    if (UsesMemo()) pasted = WithLineBreaks(pasted, LineBreak()); // the cell's own line breaks
    if (lengthLimit_ > 0) pasted = pasted.left(lengthLimit_);
    const QString text = Text();
    const int start = SelStart(), length = SelLength();
    QString result = text.left(start) + pasted + text.mid(start + length);
    if (lengthLimit_ > 0) result = result.left(lengthLimit_);
    grid.DoClipboardPaste(allow);
    if (!allow) return;
    bool accepted = true;
    if (!EditMask().isEmpty()) {
        // A masked field takes the pasted characters position by position.
        ApplyKind(pasted, accepted);
        if (accepted) TInplaceEdit::PasteFromClipboard();
        return;
    }
    result = ApplyKind(result, accepted);
    if (!accepted) return;
    SetText(result);
    if (length > 0)
        SetSel(start, int(pasted.size()));
    else
        SetSel(std::min(start + int(pasted.size()), int(result.size())), 0);
}

void TVozErivuzaRive::BoundsChanged() {
    TInplaceEdit::BoundsChanged();
    TVevIvizudEvar& grid = Owner();
    const TRect block = grid.CellRectEx(grid.Col(), grid.Row());
    if (block.IsEmpty()) return;
    const QRect wanted = ToQRect(Bounds(block.Left, block.Top, block.Width() - 1, block.Height() - 1));
    if (geometry() != wanted) setGeometry(wanted);
}

// The cell already holds the text typed (every change is written at once), so it is measured as
// the cell; the column and the row only grow.
void TVozErivuzaRive::SizeWhileTyping() {
    TVevIvizudEvar& grid = Owner();
    if (!isVisible() || (!grid.SizeWhileTyping.Width && !grid.SizeWhileTyping.Height)) return;
    const int col = grid.Col(), row = grid.Row(), real = grid.RealCol();
    bool grown = false;
    if (grid.SizeWhileTyping.Width) {
        const int width = grid.GetCellTextSize(real, row, false).X + (grid.GridLineWidth() + 1) * 2;
        if (width > grid.ColWidths(col)) {
            grid.SetColWidths(col, width);
            grown = true;
        }
    }
    if (grid.SizeWhileTyping.Height && grid.WordWrap()) {
        const int height = grid.GetCellTextSize(real, row, true).Y + grid.GridLineWidth() * 2;
        if (height > grid.RowHeights(row)) {
            grid.SetRowHeights(row, height);
            grid.DoEndRowSize(row);
            grown = true;
        }
    }
    if (grown && isVisible()) Move(grid.CellRect(col, row));
}
