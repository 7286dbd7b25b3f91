// The order before sorting follows every change of the rows' order and count: rows inserted,
// removed (RemoveRows, DeleteRow), moved (MoveRow, as the mouse does, and once with the mouse) and appended
// between sorts, checked against a model of the rows after RestoreRowOrder, with the floating
// footer shown and hidden.
#include "PointerTestSupport.h"

#include <optional>
#include <random>

namespace {

// Keys that differ for every id, not in id order.
QString KeyOf(int id) {
    return QString("%1").arg(id * 7919 % 1009, 4, 10, QChar('0'));
}

// A grid of a heading and 11 rows (and a footer row) holding the keys of their ids, beside its
// model: the ids by row and, once a sort took it, the ids in the order before sorting.
struct TRowOrderRun {
    TVevIvizudEvar grid;
    std::vector<int> rows;
    std::optional<std::vector<int>> saved;
    std::mt19937 random;
    int footer, next = 0;

    TRowOrderRun(bool withFooter, unsigned seed) : random(seed), footer(withFooter ? 1 : 0) {
        grid.SetFixedCols(0);
        grid.SetRowCount(12 + footer);
        while (next < grid.RowCount()) Name(next);
        grid.FloatingFooter.Visible = withFooter;
    }
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }
    // Row `at` gets a new id; in the order before sorting it comes after the row above it, or after
    // every data row (above the footer row) when it is appended to them.
    void Name(int at) {
        grid.SetCells(0, at, KeyOf(next));
        if (saved)
            saved->insert(at >= int(rows.size()) - footer
                              ? std::find(saved->begin(), saved->end(), footer ? rows.back() : -1)
                              : std::find(saved->begin(), saved->end(), rows[size_t(at - 1)]) + 1,
                          next);
        rows.insert(rows.begin() + at, next++);
    }
    // I insert, D delete, M move, A append, S sort up, s sort down, R restore.
    void Step(char op) {
        const int end = int(rows.size()) - footer;
        if (op == 'I') {
            const int at = Pick(1, end);
            grid.InsertRows(at, 1);
            Name(at);
        } else if (op == 'A') {
            grid.AddRow();
            Name(end);
        } else if (op == 'D' && end > 2) {
            const int at = Pick(1, end - 1);
            Pick(0, 1) ? grid.RemoveRows(at, 1) : grid.DeleteRow(at); // the class library's way too
            if (saved) std::erase(*saved, rows[size_t(at)]);
            rows.erase(rows.begin() + at);
        } else if (op == 'M' && end > 2) {
            const int from = Pick(1, end - 1), to = Pick(1, end - 1), id = rows[size_t(from)];
            grid.MoveRow(from, to);
            rows.erase(rows.begin() + from);
            rows.insert(rows.begin() + to, id);
        } else if (op == 'S' || op == 's') {
            grid.SortSettings.Direction =
                op == 'S' ? TSortDirection::sdAscending : TSortDirection::sdDescending;
            grid.SortByColumn();
            if (!saved) saved = rows;
            std::sort(rows.begin() + 1, rows.begin() + end,
                      [&](int a, int b) { return op == 'S' ? KeyOf(a) < KeyOf(b) : KeyOf(b) < KeyOf(a); });
        } else if (op == 'R') {
            grid.RestoreRowOrder();
            if (saved) rows = *saved;
        }
    }
    QStringList Keys() const {
        QStringList keys;
        for (int id : rows) keys << KeyOf(id);
        return keys;
    }
};

// Every sequence of up to three inserts, deletes, moves and appends between two sorts, and of up to
// one after them, then RestoreRowOrder.
TEST(SavedRowOrder, RestoreRowOrderGivesBackTheRowsBeforeSortingWhateverChangedBetweenSorts) {
    unsigned seed = 0;
    for (bool footer : {false, true})
        for (int length = 0; length <= 3; ++length)
            for (int code = 0; code < 1 << 2 * length; ++code) // the steps between, two bits each
                for (const std::string after : {"", "I", "D", "M", "A"}) {
                    std::string steps = "S";
                    for (int k = 0; k < length; ++k) steps += "IDMA"[code >> 2 * k & 3];
                    steps += "s" + after + "R";
                    SCOPED_TRACE(steps + (footer ? " with the footer, seed " : ", seed ") +
                                 std::to_string(seed));
                    TRowOrderRun run(footer, seed++);
                    for (char op : steps) run.Step(op);
                    ASSERT_EQ(ColumnTexts(run.grid, 0), run.Keys());
                    ASSERT_TRUE(run.grid.Verify());
                }
}

// The case found from outside: a row dragged with the mouse between two sorts.
TEST(SavedRowOrder, ARowDraggedWithTheMouseBetweenSortsComesBackToItsPlace) {
    TAdvancedGridWindow w(2, 13, QSize(300, 400));
    w.Grid().SetOptions(w.Grid().Options() + goRowMoving);
    QStringList names;
    for (int r = 1; r < 13; ++r) {
        w.Grid().SetCells(0, r, names.emplace_back(QString::number(r)));
        w.Grid().SetCells(1, r, KeyOf(r));
    }
    w.Grid().SortSettings.Column = 1;
    w.Grid().SortByColumn();
    const QString dragged = w.Grid().Cells(0, 3);
    TPointer mouse(w);
    mouse.Hover(mouse.Centre(0, 3));
    mouse.Press(mouse.Centre(0, 3));
    mouse.Drag(mouse.Centre(0, 5));
    mouse.Drag(mouse.Centre(0, 8));
    mouse.Release(mouse.Centre(0, 8));
    ASSERT_EQ(w.Grid().Cells(0, 8), dragged);
    w.Grid().SortSettings.Direction = TSortDirection::sdDescending;
    w.Grid().SortByColumn();
    w.Grid().RestoreRowOrder();
    EXPECT_EQ(ColumnTexts(w.Grid(), 0, 1), names);
}

} // namespace
