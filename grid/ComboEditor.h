// The drop-down editor of the grid.
//
// TGridCombo: the editor of the edComboEdit and edComboList cells, with the keys and completion
// of the grid's drop-down editors (GridEditorControl.h). Tab, Enter, Up and Down write its text
// into the cell and pass the grid's validation before the key goes back to the grid; a refused
// text is replaced by the cell's. Its text completes from its items, then from the grid's
// LookupItems. The wheel steps through the items.
#pragma once

#include "grid/GridEditorControl.h"

class TVevIvizudEvar;

class TGridCombo : public TGridComboEditor<TVzgComboBox> {
public:
    explicit TGridCombo(TVevIvizudEvar* grid) : TGridComboEditor(grid) {}

    // The key that opened the editor, typed into it.
    void TypeKey(QChar key);

protected:
    void wheelEvent(QWheelEvent* e) override;
    QString CellText() const override;
    // Items compare exactly.
    int IndexOfItem(const QString& text) const override;
    bool ValidateText() override;
    QStringList MoreCompletions() const override;
};
