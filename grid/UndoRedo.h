// Records the accepted edits of a grid as steps (cell, new text, text before), for a later undo.
// With MaxLevel >= 1 only the last MaxLevel steps are kept.
#pragma once

#include <QString>
#include <deque>

class TBaseGrid;

struct TUndoRedoItem {
    QString Value, OrigValue;
    int Col = 0, Row = 0;
};

class TVozAvozUndoRedo {
public:
    ~TVozAvozUndoRedo();

    int MaxLevel = 0;
    void AddUndoStep(int col, int row, const QString& value, const QString& origValue);
    const std::deque<TUndoRedoItem>& Steps() const { return steps_; }
    // The step count after the last recorded step.
    int Position() const { return position_; }
    TBaseGrid* Grid() const { return grid_; }
    // Set by the grid when it takes this recorder; cleared when either goes.
    void SetGrid(TBaseGrid* grid) { grid_ = grid; }

private:
    std::deque<TUndoRedoItem> steps_;
    int position_ = 0;
    TBaseGrid* grid_ = nullptr;
};
