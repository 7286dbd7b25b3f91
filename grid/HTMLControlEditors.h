// The editors a grid shows over a form control of a cell's mini-HTML text (HTMLDraw.h): an edit
// for a control of TYPE "EDIT" and a combo for one of TYPE "COMBO". Each is made once, hidden, with
// its grid. Enter ends the editing as leaving the editor does: the editor's text becomes the
// control's VALUE in the current cell's text (through the grid's cell write), the grid's editing
// ends and the editor hides; then OnEditDone reports it.
#pragma once

#include "grid/vzgcombo.h"
#include "platform/ui/ControlAdapter.h"

#include <QLineEdit>

class TVevIvizudEvar;

// What the two editors share: the grid, the control being edited and the end of the editing.
class TControlEditing {
public:
    explicit TControlEditing(TVevIvizudEvar& grid) : grid_(grid) {}
    TVevIvizudEvar& Grid() const { return grid_; }
    // The ID of the control being edited.
    QString ControlID;
    std::function<void()> OnEditDone;

protected:
    // Places the editor over the rectangle (grid coordinates), shows and focuses it.
    void Start(QWidget& editor, const TRect& rect, const QString& id);
    // Writes the text into the control of the current cell and hides the editor; giveFocus hands
    // the focus back to the grid first (Enter; leaving the editor has taken it elsewhere already).
    void Finish(QWidget& editor, const QString& text, bool giveFocus);

private:
    TVevIvizudEvar& grid_;
    bool finishing_ = false;
};

class TControlEdit : public TControlAdapter<QLineEdit>, public TControlEditing {
public:
    explicit TControlEdit(TVevIvizudEvar& grid);
    // Edits the control's value over the rectangle.
    void StartEdit(const TRect& rect, const QString& id, const QString& value);

protected:
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
};

class TControlCombo : public TVzgComboBox, public TControlEditing {
public:
    explicit TControlCombo(TVevIvizudEvar& grid);
    // Edits the control's value over the rectangle; the items and the style are set beforehand.
    void StartEdit(const TRect& rect, const QString& id, const QString& value);

protected:
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
};
