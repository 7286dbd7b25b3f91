#include "grid/ComboEditor.h"

#include "grid/AdvancedGrid.h"

#include <QLineEdit>
#include <QWheelEvent>

QString TGridCombo::CellText() const {
    return grid_->GetGridCells(grid_->RealCol(), grid_->Row());
}

int TGridCombo::IndexOfItem(const QString& text) const {
    return Items().indexOf(text);
}

QStringList TGridCombo::MoreCompletions() const {
    return grid_->LookupItems;
}

// The combo's text goes into the cell and through the grid's validation; a refused text is
// replaced by the cell's.
bool TGridCombo::ValidateText() {
    QString value = Text();
    grid_->SetCellValue(grid_->RealCol(), grid_->Row(), value);
    const bool valid = grid_->ValidateCell(value);
    RestoreFromCell();
    if (!valid && lineEdit()) lineEdit()->setCursorPosition(int(lineEdit()->text().size()));
    return valid;
}

void TGridCombo::TypeKey(QChar key) {
    if (lineEdit()) lineEdit()->selectAll();
    TypeChar(key);
}

void TGridCombo::wheelEvent(QWheelEvent* e) {
    e->accept();
    GuardUi([&] {
        const int index = ItemIndex();
        if (e->angleDelta().y() < 0 && index + 1 < count())
            SetItemIndex(index + 1);
        else if (e->angleDelta().y() > 0 && index >= 1)
            SetItemIndex(index - 1);
        else
            return;
        const int now = ItemIndex();
        grid_->ComboChange(grid_->RealCol(), grid_->Row(), now, itemText(now));
        grid_->ComboObjectChange(grid_->RealCol(), grid_->Row(), now, itemText(now), nullptr);
    });
}
