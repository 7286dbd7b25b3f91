// The date and time editor of the grid (edDateEdit, edDateEditUpDown, edTimeEdit): a date-time
// picker over the cell. It takes the cell's text as a date or time (now, when the text is empty
// or unreadable) and gives back the short date text, or the time in the picker's own display
// format when it has one and the long time format otherwise. Tab, Enter, Escape, PgUp, PgDn and
// End leave it while its calendar is closed; Escape first puts the cell's value back. It has no
// border of its own: a two-pixel frame in the window colour is drawn around it.
#pragma once

#include "grid/EditorTypes.h"
#include "grid/GridEditorControl.h"
#include "platform/ui/Canvas.h"

class TVevIvizudEvar;

class TGridDatePicker : public TGridEditorControl<TDateTimePickerControl> {
public:
    explicit TGridDatePicker(TVevIvizudEvar* grid);

    void LoadFromCell(TEditorType type, const QString& text);
    // The value as the cell keeps it.
    QString CellText() const;

    void KeyDown(int& key, TShiftState shift) override;
    void PaintFrame(TCanvas& canvas) const;
    // Opens the calendar (F4 does it too), as a click on the drop-down arrow would.
    void DropDown();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void Restore();
    QString loadedText_;
};
