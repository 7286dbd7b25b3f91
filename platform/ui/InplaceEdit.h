// The grid's in-place editor: the edit shown over the current cell.
//
// It has two bodies behind one interface: a single-line masked edit (TCustomMaskEdit), used when
// the cell has an edit mask or multi-line editing is off, and a multi-line text edit, used for
// unmasked text when MultiLine is on. Both report their keys to the editor's virtual KeyDown,
// KeyPress and KeyUp first (a derived editor filters or redirects keys there), and every change of
// the text is written to the grid at once (SetEditText, so OnSetEditText sees each keystroke).
//
// Keys handed to the grid (KeyDown): PgUp, PgDn, Escape, Tab, Insert and Ctrl+Delete always; Up
// and Down from a single-line body, and from a multi-line body on its first (Up) or last (Down)
// line; Left/Home and Right/End at the text's edge when the grid has goAlwaysShowEditor.
// Characters go to the grid's KeyPress first (Enter opens or closes the editor there, Escape
// puts the text the cell had when the editor opened back and closes it).
#pragma once

#include "platform/ui/ControlAdapter.h"
#include "platform/ui/MaskEdit.h"

#include <QPlainTextEdit>
#include <QPointer>

class TCustomGrid;
class TInplaceEdit;

// A body of the editor: reports its keys, focus changes, double clicks and clipboard commands to
// the editor.
template <typename TBase> class TInplaceBody : public TBase {
public:
    explicit TInplaceBody(TInplaceEdit& owner);
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void KeyUp(int& key, TShiftState shift) override;
    void DoEnter() override;
    void DoExit() override;
    bool WantsTab() const override;
    void CopyToClipboard() override;
    void CutToClipboard() override;
    void PasteFromClipboard() override;

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    TInplaceEdit& owner_;
};

// The single-line body: a masked edit.
class TInplaceLine : public TInplaceBody<TCustomMaskEdit> {
public:
    explicit TInplaceLine(TInplaceEdit& owner);
    void Change() override;
};

// The multi-line body.
class TInplaceMemo : public TInplaceBody<TControlAdapter<QPlainTextEdit>> {
public:
    explicit TInplaceMemo(TInplaceEdit& owner);
    // Pastes no more than the editor's length limit allows.
    void DoPaste() override;
    // Words longer than a line of the text are broken anywhere; a word of thousands of characters
    // broken at word boundaries where it can be would cost the layout time in its square.
    void FitWrapToWords(QStringView text);
};

// The text with each of its line breaks (CR LF, LF or CR) as the line break given.
QString WithLineBreaks(QStringView text, QStringView lineBreak);

class TInplaceEdit : public QWidget {
public:
    explicit TInplaceEdit(TCustomGrid* grid);

    TCustomGrid* Grid() const { return grid_; }

    // Loads the current cell: mask, text and length limit from the grid; remembers the text.
    virtual void UpdateContents();
    // Places the editor over the rectangle and shows it; an empty rectangle hides it.
    void Move(const TRect& rect);
    void UpdateLoc(const TRect& rect) { Move(rect); }
    // Hides the editor; when it had the focus, the grid takes it.
    void Hide();
    bool HasFocus() const;
    void SetFocusToBody();

    // The multi-line body gives back each line break of the text given to it as that text had it
    // (CR LF, LF or CR, mixed ones included); a break typed or pasted into it is the text's first
    // one (CR LF when it had none). Its positions are those of that text.
    QString Text() const;
    void SetText(const QString& text);
    QString EditText() const;
    QString EditMask() const { return line_->EditMask(); }
    void SetEditMask(const QString& mask);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    // The line break a break typed or pasted into the multi-line body stands for.
    const QString& LineBreak() const { return memoBreak_; }
    // The text the cell had when the editor loaded it.
    const QString& StartText() const { return startText_; }
    void RestoreStartText();

    void SelectAll();
    void Deselect();
    int SelStart() const;
    int SelLength() const;
    void SetSel(int start, int length);

    // Multi-line editing for unmasked text (off by default), and wrapping in that body.
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool on);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    // A password editor shows every character as the given one (single-line body).
    void SetPasswordChar(QChar ch);
    void SetColor(TColor color);
    void SetEditFont(const TFont& font);
    // Whether the caret can move up (down) within the text: false on the first (last) line.
    bool CaretCanGoUp() const;
    bool CaretCanGoDown() const;

    bool UsesMemo() const { return usesMemo_; }
    TCustomMaskEdit* LineBody() const { return line_; }
    QPlainTextEdit* MemoBody() const { return memo_; }
    QWidget* Body() const;

    // Types a character as if from the keyboard (used when typing opens the editor).
    void TypeChar(QChar ch);

    // Hooks, as the class library's in-place editor has them.
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    virtual void KeyUp(int& key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();
    virtual void Change();
    virtual void DblClick();
    virtual void CopyToClipboard();
    virtual void CutToClipboard();
    virtual void PasteFromClipboard();
    // After the editor moved or resized.
    virtual void BoundsChanged();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void ChooseBody();
    void SendToGrid(int& key, TShiftState shift);
    QString MemoText() const;

    QPointer<TCustomGrid> grid_;
    TInplaceLine* line_;
    TInplaceMemo* memo_;
    bool usesMemo_ = false;
    bool multiLine_ = false, wordWrap_ = true;
    bool loading_ = false;
    int maxLength_ = 0;
    QString startText_;
    // The text last given to the multi-line body and its document's raw text then; the text last
    // read from it and its raw text then (each change is read against it); the line break new
    // block breaks stand for.
    QString memoGiven_, memoGivenRaw_, memoBreak_ = QStringLiteral("\r\n");
    mutable QString memoLast_, memoLastRaw_;
    bool settingMemo_ = false;
};
