// The class library's masked single-line edit: an edit whose text follows an edit mask (see
// EditMask.h). Without a mask it is a plain edit. With a mask, typing overwrites one position
// at a time (the character at the caret is shown selected), literals are skipped, refused
// characters beep, and Text gives the class library's text (literals kept, blanks as spaces).
// Ctrl+Z undoes the last change the user made, as the system's edit does: a run of typed keys
// (characters, Backspace, Delete) is one change, a cut or a paste another; a second Ctrl+Z redoes
// it. What the program writes (SetText, SetEditText, a new mask) leaves nothing to undo.
#pragma once

#include "platform/ui/ControlAdapter.h"
#include "platform/ui/EditMask.h"

#include <QLineEdit>
#include <optional>

class TCustomMaskEdit : public TControlAdapter<QLineEdit> {
public:
    explicit TCustomMaskEdit(QWidget* parent = nullptr);

    QString EditMask() const { return mask_.Source(); }
    // Keeps the text, refitted to the new mask.
    void SetEditMask(const QString& mask);
    bool IsMasked() const { return field_.has_value(); }

    QString Text() const;
    void SetText(const QString& text);
    QString EditText() const { return QLineEdit::text(); }
    void SetEditText(const QString& editText);
    // 0 means no limit. The limit stops typing and pasting; a longer text the program gives is
    // kept whole.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    bool Modified() const { return QLineEdit::isModified(); }
    void SetModified(bool on) { QLineEdit::setModified(on); }
    // Every required position of the mask is filled (always true without a mask).
    bool IsComplete() const;

    int SelStart() const;
    int SelLength() const;
    void SetSel(int start, int length);
    void SelectAll() { QLineEdit::selectAll(); }

    TNotifyEvent OnChange;
    // Runs after every change of the text; fires OnChange.
    virtual void Change();

    void DoCut() override;
    void DoPaste() override;

protected:
    void ControlKey(QKeyEvent* e) override;
    void ControlChar(QChar ch) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    // Sets an unmasked text whole, and the limit Qt's edit keeps to: this one, or no lower than the
    // text's length.
    void SetUnmasked(const QString& text);
    void SetQtLimit(qsizetype textLength);
    qsizetype Room() const;
    void ShowField();
    // Called before the user's change: keeps the text to undo, once per run of typed keys.
    void BeforeUserChange(bool typing);
    void Undo();
    // Takes the caret position the user gave the widget (clicks, selections) into the field.
    void SyncCursor();
    // The positions typing replaces: the selection when it spans more than one position.
    bool TakeSelection(int& start, int& length) const;

    TEditMask mask_;
    std::optional<TMaskedText> field_;
    int maxLength_ = 0;
    std::optional<std::pair<QString, int>> undo_; // edit text and caret before the last change
    bool typing_ = false;                         // the next typed key extends that change
};
