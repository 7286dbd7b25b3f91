// The grid's editor controls over a cell for the kinds other than the text and drop-down ones:
// spin (edSpinEdit, edFloatSpinEdit, edTimeSpinEdit, edDateSpinEdit), edit with button
// (edEditBtn, edNumericEditBtn, edFloatEditBtn), unit edit (edUnitEditBtn), check box
// (edCheckBox), button (edButton), wide edit and combo (edUniEdit, edUniComboEdit,
// edUniComboList), and the edit that writes a given cell when it is left (TGridTransEdit).
//
// The grid makes one of each, hidden, and shows it over the cell being edited. What they share:
// - losing the focus ends the edit (the grid writes the control's value into the cell);
// - Tab reaches them when the grid has goTabs;
// - the keys that leave the cell (Tab, Enter, Up, Down) first write the control's text into the
//   cell and pass the grid's validation: a refused text comes back from the cell with the caret
//   at its end and the control stays open; an accepted one goes on to the grid, which moves;
// - Escape puts the cell's value back and closes the control without writing.
// Enter (and for the spin and the wide edit Tab) never types into them.
#pragma once

#include "grid/EditorTypes.h"
#include "grid/VZGEdit.h"
#include "grid/VzgUni.h"
#include "grid/vzgspin.h"
#include "platform/ui/ControlAdapters.h"

class TVevIvizudEvar;

class TGridSpin : public TVzgSpinEdit {
public:
    explicit TGridSpin(TVevIvizudEvar* grid);

    // Takes the cell's text as the kind's value.
    void LoadFromCell(TEditorType type, const QString& text);
    void StepUp() override;
    void StepDown() override;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
    bool WantsTab() const override;

private:
    // Fires the grid's click event of the kind with the value now shown.
    void SpinClicked(bool up);
    TVevIvizudEvar* grid_;
};

class TGridEditBtn : public TVzgEditBtn {
public:
    explicit TGridEditBtn(TVevIvizudEvar* grid);

    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
    bool WantsTab() const override;

private:
    // The grid's ellipsis event gets the text; what it gives back is shown, selected.
    void EllipsClicked();
    TVevIvizudEvar* grid_;
};

class TGridUnitEditBtn : public TVzgUnitEditBtn {
public:
    explicit TGridUnitEditBtn(TVevIvizudEvar* grid);

    // Splits the cell's text: digits and , - . make the number, the rest the unit.
    void LoadFromCell(const QString& text);
    // The number followed by the unit.
    QString CellText() const { return Text() + UnitID(); }
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
    bool WantsTab() const override;

private:
    TVevIvizudEvar* grid_;
};

class TGridCheckBox : public TCheckBoxControl {
public:
    explicit TGridCheckBox(TVevIvizudEvar* grid);

    void Toggle() { setChecked(!isChecked()); }
    void KeyDown(int& key, TShiftState shift) override;
    void DoExit() override;
    bool WantsTab() const override;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    // The state changes on the press (and Space); the release only reports the click.
    void nextCheckState() override {}

private:
    TVevIvizudEvar* grid_;
};

class TGridButton : public TButtonControl {
public:
    explicit TGridButton(TVevIvizudEvar* grid);

    void KeyDown(int& key, TShiftState shift) override;
    void KeyUp(int& key, TShiftState shift) override;
    void DoExit() override;
    bool WantsTab() const override;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void EllipsClicked();
    // Closes the button without writing and gives the grid the focus.
    void Leave();
    TVevIvizudEvar* grid_;
};

class TGridUniEdit : public TVzgUniEdit {
public:
    explicit TGridUniEdit(TVevIvizudEvar* grid);

    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
    bool WantsTab() const override;

private:
    TVevIvizudEvar* grid_;
};

class TGridUniCombo : public TVzgUniComboBox {
public:
    explicit TGridUniCombo(TVevIvizudEvar* grid);

    TNotifyEvent OnReturnKey;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void KeyUp(int& key, TShiftState shift) override;
    void DoExit() override;
    bool WantsTab() const override;
    // Completes the text from the combo's own items while the grid's Lookup is on.
    void AutoCompleteLookup();

private:
    void RestoreFromCell();
    TVevIvizudEvar* grid_;
    bool autoComplete_ = true;
};

// An edit tied to one cell: leaving it writes its text into that cell and hides it.
class TGridTransEdit : public TCustomMaskEdit {
public:
    explicit TGridTransEdit(TVevIvizudEvar* grid);

    int Col = 0, Row = 0;
    TVevIvizudEvar* Grid() const { return grid_; }
    void SetGrid(TVevIvizudEvar* grid) { grid_ = grid; }
    void KeyPress(QChar& key) override;
    void DoExit() override;

private:
    TVevIvizudEvar* grid_;
};

// Whether an edit of the numeric or float kind takes the character typed over the selection
// (start, length) of the text: the rules of edNumeric (digits, '-' first and once) and edFloat
// (also one decimal separator, ',' and '.'); control characters pass. Other kinds take all.
bool EditorKindTakesChar(TEditorType kind, QChar ch, const QString& text, int selStart, int selLength);
