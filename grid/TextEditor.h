// The grid's own text editor over a cell (TVozErivuzaRive), for the plain text editor kinds:
// edNormal, edNumeric, edPositiveNumeric, edFloat, edCapital, edMixedCase, edPassword,
// edLowerCase and edUpperCase. On the in-place editor of the platform (masked single-line body,
// multi-line body while Navigation.AllowCtrlEnter is on) it adds:
// - a character filter by the cell's editor kind (refused characters beep) and LengthLimit;
// - validation (OnCellValidate) before Tab, Enter, Up on the first line and Down on the last line
//   let the grid move: a refused text is replaced by the cell's and editing goes on;
// - clipboard events and a paste that keeps to the editor kind;
// - completion from the grid's LookupItems; Left and Right walking out of the text
//   (Navigation.CursorWalkEditor); Enter at the end of a full mask (Navigation.AdvanceAuto);
// - leaving: to the grid it only ends the edit (OnEditingDone); to another control it validates
//   first, and a refused text keeps the focus in the cell;
// - placement over the cell's whole block (merged cells), a pixel short on the right and at the
//   bottom; with SizeWhileTyping the column widens (Width) and, with WordWrap, the row grows
//   (Height, then OnEndRowSize) as the text outgrows them, and the editor with them.
#pragma once

#include "grid/AdvancedGrid.h"
#include "platform/ui/InplaceEdit.h"

class TVozErivuzaRive : public TInplaceEdit {
public:
    explicit TVozErivuzaRive(TVevIvizudEvar* grid);

    short LengthLimit() const { return lengthLimit_; }
    void SetLengthLimit(short limit);
    // Cells whose vertical alignment is centred edit with the text centred too.
    bool VAlign() const { return vAlign_; }
    void SetVAlign(bool on);

    void UpdateContents() override;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void KeyUp(int& key, TShiftState shift) override;
    void DoEnter() override;
    void DoExit() override;
    void Change() override;
    void DblClick() override;
    void CopyToClipboard() override;
    void CutToClipboard() override;
    void PasteFromClipboard() override;
    void BoundsChanged() override;

    enum class TCharVerdict { Accept, Refuse, Drop };
    // Whether the editor kind takes the character typed at the caret (it may be converted).
    TCharVerdict FilterChar(QChar& ch) const;

private:
    TVevIvizudEvar& Owner() const { return *owner_; }
    bool ValidateAndRefresh();
    bool WalkOut(int key);
    void AutoComplete();
    void SizeWhileTyping();
    QString ApplyKind(const QString& text, bool& accepted) const;

    TVevIvizudEvar* owner_;
    short lengthLimit_ = 0;
    bool vAlign_ = false;
    bool autoComplete_ = true;
    bool converting_ = false;
    bool preparing_ = false;
};
