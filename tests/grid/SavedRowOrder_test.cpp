// The order before sorting follows every change of the rows' order and count: rows inserted,
// removed, moved (by MoveRow as the mouse does, and once with the mouse itself) and appended
// between sorts, checked against a model of the rows after RestoreRowOrder, with the floating
// footer shown and hidden.
#include "GridTestSupport.h"
#include "PointerTestSupport.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace {

// The rows as ids (row 0 is the heading; with the footer, the last row is it) and the ids in the
// order before sorting, once a sort has taken it.
struct TRowModel {
    std::vector<int> Rows;
    std::optional<std::vector<int>> Saved;
    bool Footer = false;

    int DataEnd() const { return int(Rows.size()) - (Footer ? 1 : 0); }
    void SavedInsert(int at, int id) {
        if (!Saved) return;
        // A row inserted at the end comes last; elsewhere it comes after the row above it.
        const auto place = at == int(Rows.size())
                               ? Saved->end()
                               : std::find(Saved->begin(), Saved->end(), Rows[size_t(at - 1)]) + 1;
        Saved->insert(place, id);
    }
};

// Sort keys that differ for every id, not in id order.
QString KeyOf(int id) {
    return QString("%1").arg((id * 7919) % 1009, 4, 10, QChar('0'));
}

class TRowOrderRun {
public:
    TRowOrderRun(bool footer, unsigned seed) : random_(seed) {
        grid_.SetColCount(2);
        grid_.SetRowCount(12 + (footer ? 1 : 0));
        grid_.SetFixedCols(0);
        model_.Footer = footer;
        for (int r = 0; r < grid_.RowCount(); ++r) Name(r, nextId_++);
        model_.Rows.resize(size_t(grid_.RowCount()));
        std::iota(model_.Rows.begin(), model_.Rows.end(), 0);
        grid_.FloatingFooter.Visible = footer;
    }

    // One step: I insert, D delete, M move, A append, S sort up, s sort down, R restore.
    void Step(char op) {
        const int dataEnd = model_.DataEnd(), dataRows = dataEnd - 1;
        switch (op) {
        case 'I': {
            const int at = Pick(1, dataEnd);
            grid_.InsertRows(at, 1);
            const int id = nextId_++;
            Name(at, id);
            model_.SavedInsert(at, id);
            model_.Rows.insert(model_.Rows.begin() + at, id);
            break;
        }
        case 'A': {
            grid_.AddRow();
            const int id = nextId_++;
            Name(dataEnd, id);
            model_.SavedInsert(dataEnd, id);
            model_.Rows.insert(model_.Rows.begin() + dataEnd, id);
            break;
        }
        case 'D': {
            if (dataRows < 2) return;
            const int at = Pick(1, dataEnd - 1);
            grid_.RemoveRows(at, 1);
            if (model_.Saved) std::erase(*model_.Saved, model_.Rows[size_t(at)]);
            model_.Rows.erase(model_.Rows.begin() + at);
            break;
        }
        case 'M': {
            if (dataRows < 2) return;
            const int from = Pick(1, dataEnd - 1);
            int to = Pick(1, dataEnd - 2);
            if (to >= from) ++to;
            grid_.MoveRow(from, to);
            const int id = model_.Rows[size_t(from)];
            model_.Rows.erase(model_.Rows.begin() + from);
            model_.Rows.insert(model_.Rows.begin() + to, id);
            break;
        }
        case 'S':
        case 's': {
            const bool up = op == 'S';
            grid_.SortSettings.Direction = up ? TSortDirection::sdAscending : TSortDirection::sdDescending;
            grid_.SortByColumn();
            if (!model_.Saved) model_.Saved = model_.Rows;
            std::sort(model_.Rows.begin() + 1, model_.Rows.begin() + dataEnd,
                      [&](int a, int b) { return up ? KeyOf(a) < KeyOf(b) : KeyOf(a) > KeyOf(b); });
            break;
        }
        case 'R':
            grid_.RestoreRowOrder();
            if (model_.Saved) model_.Rows = *model_.Saved;
            break;
        }
    }

    std::vector<int> GridIds() {
        std::vector<int> ids;
        for (int r = 0; r < grid_.RowCount(); ++r) ids.push_back(grid_.Cells(1, r).toInt());
        return ids;
    }
    const std::vector<int>& ModelIds() const { return model_.Rows; }
    TVevIvizudEvar& Grid() { return grid_; }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    void Name(int row, int id) {
        grid_.SetCells(0, row, KeyOf(id));
        grid_.SetCells(1, row, QString::number(id));
    }

    TVevIvizudEvar grid_;
    TRowModel model_;
    std::mt19937 random_;
    int nextId_ = 0;
};

// Every sequence of up to three inserts, deletes, moves and appends between two sorts, and of up to
// one after them, then RestoreRowOrder.
TEST(SavedRowOrder, RestoreRowOrderGivesBackTheRowsBeforeSortingWhateverChangedBetweenSorts) {
    const std::string ops = "IDMA";
    std::vector<std::string> between = {""};
    for (size_t start = 0, length = 0; length < 3; ++length) {
        const size_t end = between.size();
        for (size_t i = start; i < end; ++i)
            for (char op : ops) between.push_back(between[i] + op);
        start = end;
    }
    unsigned seed = 0;
    for (bool footer : {false, true})
        for (const std::string& middle : between)
            for (const std::string& after : {"", "I", "D", "M", "A"}) {
                const std::string steps = "S" + middle + "s" + after + "R";
                SCOPED_TRACE(steps + (footer ? " with the footer" : "") + " seed " + std::to_string(seed));
                TRowOrderRun run(footer, seed++);
                for (char op : steps) run.Step(op);
                ASSERT_EQ(run.GridIds(), run.ModelIds());
                ASSERT_TRUE(run.Grid().Verify());
            }
}

// The row the issue names: dragged with the mouse between two sorts.
TEST(SavedRowOrder, ARowDraggedWithTheMouseBetweenSortsComesBackToItsPlace) {
    TAdvancedGridWindow w(2, 13, QSize(300, 400));
    TVevIvizudEvar& grid = w.Grid();
    grid.SetOptions(grid.Options() + goRowMoving);
    for (int r = 1; r < 13; ++r) {
        grid.SetCells(0, r, QString::number(r));
        grid.SetCells(1, r, KeyOf(r));
    }
    grid.SortSettings.Column = 1;
    grid.SortByColumn();
    const QString dragged = grid.Cells(0, 3);
    TPointer mouse(w);
    mouse.Hover(mouse.Centre(0, 3));
    mouse.Press(mouse.Centre(0, 3));
    mouse.Drag(mouse.Centre(0, 5));
    mouse.Drag(mouse.Centre(0, 8));
    mouse.Release(mouse.Centre(0, 8));
    ASSERT_EQ(grid.Cells(0, 8), dragged);
    grid.SortSettings.Direction = TSortDirection::sdDescending;
    grid.SortByColumn();
    grid.RestoreRowOrder();
    EXPECT_EQ(ColumnTexts(grid, 0, 1),
              QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}));
}

// DeleteRow goes through the grid's row removal: the order, blocks and hidden rows follow.
TEST(SavedRowOrder, DeleteRowTakesTheRowsEntryAlong) {
    TVevIvizudEvar grid;
    grid.SetColCount(1);
    grid.SetRowCount(6);
    for (int r = 1; r < 6; ++r) grid.SetCells(0, r, QString::number(6 - r));
    grid.SortByColumn(); // 1 2 3 4 5: before, 5 4 3 2 1
    grid.HideRow(5);     // "5"
    grid.DeleteRow(2);   // "2"
    grid.UnHideRowsAll();
    grid.RestoreRowOrder();
    EXPECT_EQ(ColumnTexts(grid, 0, 1), QStringList({"5", "4", "3", "1"}));
    EXPECT_TRUE(grid.Verify());
}

} // namespace
