#include "grid/UndoRedo.h"

#include "grid/BaseGrid.h"

TVozAvozUndoRedo::~TVozAvozUndoRedo() {
    if (grid_ && grid_->UndoRedo() == this) grid_->SetUndoRedo(nullptr);
}

void TVozAvozUndoRedo::AddUndoStep(int col, int row, const QString& value, const QString& origValue) {
    if (MaxLevel >= 1 && int(steps_.size()) >= MaxLevel) steps_.pop_front();
    steps_.push_back({value, origValue, col, row});
    position_ = int(steps_.size());
}
