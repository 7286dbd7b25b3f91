// The grid's editor controls over a cell for the kinds other than the text and drop-down ones:
// spin (edSpinEdit, edFloatSpinEdit, edTimeSpinEdit, edDateSpinEdit), edit with button
// (edEditBtn, edNumericEditBtn, edFloatEditBtn), unit edit (edUnitEditBtn), check box
// (edCheckBox), button (edButton), wide edit and combo (edUniEdit, edUniComboEdit,
// edUniComboList), and the edit that writes a given cell when it is left (TGridTransEdit).
//
// The grid makes one of each, hidden, and shows it over the cell being edited. What they share
// (the end of the edit when the focus leaves, Tab, the keys that leave the cell or put its value
// back) is in GridEditorControl.h; the wide combo hands Tab, Enter, Up and Down back without
// validating.
#pragma once

#include "grid/EditorTypes.h"
#include "grid/GridEditorControl.h"

class TVevIvizudEvar;

class TGridSpin : public TGridTextEditor<TVzgSpinEdit> {
public:
    explicit TGridSpin(TVevIvizudEvar* grid);

    // Takes the cell's text as the kind's value.
    void LoadFromCell(TEditorType type, const QString& text);
    void StepUp() override;
    void StepDown() override;
    void KeyDown(int& key, TShiftState shift) override;

private:
    // Fires the grid's click event of the kind with the value now shown.
    void SpinClicked(bool up);
};

class TGridEditBtn : public TGridTextEditor<TVzgEditBtn> {
public:
    explicit TGridEditBtn(TVevIvizudEvar* grid);

    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;

private:
    // The grid's ellipsis event gets the text; what it gives back is shown, selected.
    void EllipsClicked();
};

class TGridUnitEditBtn : public TGridTextEditor<TVzgUnitEditBtn> {
public:
    explicit TGridUnitEditBtn(TVevIvizudEvar* grid);

    // Splits the cell's text: digits and , - . make the number, the rest the unit.
    void LoadFromCell(const QString& text);
    // The number followed by the unit.
    QString CellText() const { return Text() + UnitID(); }

protected:
    // The cell keeps the number with its unit: that is what the validation sees.
    QString ValueText() const override { return CellText(); }
    void ShowCellText(const QString& text) override { LoadFromCell(text); }
};

class TGridCheckBox : public TGridEditorControl<TCheckBoxControl> {
public:
    explicit TGridCheckBox(TVevIvizudEvar* grid);

    void Toggle() { setChecked(!isChecked()); }
    void KeyDown(int& key, TShiftState shift) override;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    // The state changes on the press (and Space); the release only reports the click.
    void nextCheckState() override {}
};

class TGridButton : public TGridEditorControl<TButtonControl> {
public:
    explicit TGridButton(TVevIvizudEvar* grid);

    void KeyDown(int& key, TShiftState shift) override;
    void KeyUp(int& key, TShiftState shift) override;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void EllipsClicked();
    // Closes the button without writing and gives the grid the focus.
    void Leave();
};

class TGridUniEdit : public TGridTextEditor<TVzgUniEdit> {
public:
    explicit TGridUniEdit(TVevIvizudEvar* grid);
};

class TGridUniCombo : public TGridComboEditor<TVzgUniComboBox> {
public:
    explicit TGridUniCombo(TVevIvizudEvar* grid) : TGridComboEditor(grid) {}

protected:
    QString CellText() const override;
    // Items compare with the case ignored.
    int IndexOfItem(const QString& text) const override { return Items().IndexOf(text); }
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
