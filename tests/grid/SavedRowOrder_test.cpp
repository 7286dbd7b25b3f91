// The order before sorting follows every change of the rows' order and count: rows inserted,
// removed (RemoveRows, DeleteRow), moved (MoveRow, as the mouse does, and once with the mouse) and appended
// between sorts, checked against a model of the rows after RestoreRowOrder, with the floating
// footer shown and hidden.
#include "PointerTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <optional>
#include <random>

namespace {

// Keys that differ for every id, not in id order.
QString KeyOf(int id) {
    return QString("%1").arg(id * 7919 % 1009, 4, 10, QChar('0'));
}

// A grid of a heading and 11 rows (and a footer row) holding the keys of their ids, beside its
// model: the ids in real order, which of them are hidden, whether row 2's node is contracted and
// its span, and, once a sort took it, the ids in the order before sorting. The footer row is the
// last row shown, never hidden.
struct TRowOrderRun {
    TVevIvizudEvar grid;
    std::vector<int> rows;
    std::vector<bool> hidden;
    std::optional<std::vector<int>> saved;
    std::mt19937 random;
    int footer, next = 0, node = -1, span = 3;
    bool contracted = false;
    QTemporaryDir dir;

    TRowOrderRun(bool withFooter, unsigned seed, bool withNode = false)
        : random(seed), footer(withFooter ? 1 : 0) {
        grid.SetFixedCols(0);
        grid.SetRowCount(12 + footer);
        while (next < grid.RowCount()) Name(next, next);
        grid.FloatingFooter.Visible = withFooter;
        if (withNode) grid.AddNode(2, span, 1), node = rows[2];
    }
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }
    std::vector<int> Shown() const {
        std::vector<int> shown;
        for (int r = 0; r < int(rows.size()); ++r)
            if (!hidden[size_t(rows[size_t(r)])]) shown.push_back(r);
        return shown;
    }
    int Real(int display) const {
        const std::vector<int> shown = Shown();
        return display < int(shown.size()) ? shown[size_t(display)] : int(rows.size());
    }
    int NodeReal() const { return int(std::find(rows.begin(), rows.end(), node) - rows.begin()); }
    // The rows a contracted node hides: those after it within its span, up to the next shown row.
    int NodeEnd() const {
        const int n = NodeReal();
        int end = std::min(n + span, int(rows.size()));
        for (int r = n + 1; r < end; ++r)
            if (!hidden[size_t(rows[size_t(r)])]) end = r;
        return end;
    }
    // A new row at display row `at` (real row `real`) gets a new id; in the order before sorting it
    // comes after the row above it, or after every row but the footer row when it joins the data
    // rows after them, or last when it comes after the footer row; inside the node's span the span
    // takes it in.
    enum TPlace { kAfterAbove, kAppended, kLast };
    void Name(int at, int real, TPlace place = kAfterAbove) {
        grid.SetCells(0, at, KeyOf(next));
        if (saved)
            saved->insert(
                place == kLast ? saved->end()
                : place == kAppended
                    ? std::find_if(saved->rbegin(), saved->rend(),
                                   [&](int id) { return !footer || id != rows[size_t(Shown().back())]; })
                          .base()
                    : std::find(saved->begin(), saved->end(), rows[size_t(real - 1)]) + 1,
                next);
        if (node >= 0 && NodeReal() < real && real < NodeReal() + span) ++span;
        rows.insert(rows.begin() + real, next++);
        hidden.push_back(false);
    }
    void Erase(int real) {
        const int id = rows[size_t(real)];
        if (id == node) node = -1;
        if (node >= 0 && NodeReal() < real && real < NodeReal() + span) --span;
        if (saved) std::erase(*saved, id);
        rows.erase(rows.begin() + real);
    }
    // Lines of new ids in a file; the ids are named as the rows take them.
    QString File(int lines) {
        const QString name = dir.filePath(QString::number(next));
        QFile file(name);
        file.open(QIODevice::WriteOnly);
        for (int k = 0; k < lines; ++k) file.write((KeyOf(next + k) + "\r\n").toLatin1());
        return name;
    }
    // I insert, D delete, M move, A append, S sort up, s sort down, R restore, H hide, U show all,
    // N contract or expand the node; the row count grown (G) or cut (C); a file loaded after the
    // rows (L).
    void Step(char op) {
        const int end = int(Shown().size()) - footer;
        if (op == 'I' || op == 'A') {
            const int at = op == 'A' ? end : Pick(1, end);
            at == end ? grid.AddRow() : grid.InsertRows(at, 1);
            Name(at, Real(at), at == end ? kAppended : kAfterAbove);
        } else if (op == 'D' && end > 2) {
            const int at = Pick(1, end - 1);
            Pick(0, 1) ? grid.RemoveRows(at, 1) : grid.DeleteRow(at); // the class library's way too
            Erase(Real(at));
        } else if (op == 'M' && end > 2) {
            const int from = Pick(1, end - 1), to = Pick(1, end - 1);
            grid.MoveRow(from, to);
            // The moved row (with the rows its contracted node hides) comes in before the shown row
            // that follows it at its new place.
            const int first = Real(from), before = from < to ? Real(to + 1) : Real(to);
            const int moved = rows[size_t(first)] == node && contracted ? NodeEnd() : first + 1;
            if (from < to) std::rotate(rows.begin() + first, rows.begin() + moved, rows.begin() + before);
            if (from > to) std::rotate(rows.begin() + before, rows.begin() + first, rows.begin() + moved);
            KeepSpanInside();
        } else if (op == 'S' || op == 's') {
            grid.SortSettings.Direction =
                op == 'S' ? TSortDirection::sdAscending : TSortDirection::sdDescending;
            grid.SortByColumn();
            if (!saved) saved = rows;
            std::vector<int> shown = Shown(), ids;
            shown.assign(shown.begin() + 1, shown.end() - footer);
            for (int r : shown) ids.push_back(rows[size_t(r)]);
            std::sort(ids.begin(), ids.end(),
                      [&](int a, int b) { return op == 'S' ? KeyOf(a) < KeyOf(b) : KeyOf(b) < KeyOf(a); });
            for (size_t k = 0; k < ids.size(); ++k) rows[size_t(shown[k])] = ids[k];
            KeepSpanInside();
        } else if (op == 'R') {
            grid.RestoreRowOrder(); // the footer row stays in its place
            const int at = Shown().back(), id = rows[size_t(at)];
            if (saved) rows = *saved;
            if (saved && footer) std::erase(rows, id), rows.insert(rows.begin() + at, id);
            KeepSpanInside();
        } else if (op == 'H' && end > 2) {
            const int real = Pick(1, int(rows.size()) - 1);
            if (hidden[size_t(rows[size_t(real)])] || (footer && real == Shown().back())) return;
            grid.HideRow(real);
            hidden[size_t(rows[size_t(real)])] = true;
        } else if (op == 'U') {
            grid.UnHideRowsAll();
            hidden.assign(hidden.size(), false);
            contracted = false;
        } else if (op == 'N' && node >= 0 && !hidden[size_t(node)]) {
            // Contracting hides the rows of the span; expanding shows the hidden ones after the node.
            const int real = NodeReal(), stop = std::min(real + span, int(rows.size()));
            contracted ? grid.ExpandNode(real) : grid.ContractNode(real);
            for (int r = real + 1; r < stop && (!contracted || hidden[size_t(rows[size_t(r)])]); ++r)
                hidden[size_t(rows[size_t(r)])] = !contracted;
            contracted = !contracted;
        } else if (op == 'G') {
            grid.SetRowCount(grid.RowCount() + 2);
            for (int k = 0; k < 2; ++k) Name(end + footer + k, int(rows.size()), kLast);
        } else if (op == 'C' && end > 3) {
            // (Not with a hidden row between the last data row and the footer row: it would stay
            // below the new footer row, which the model does not follow.)
            const std::vector<int> shown = Shown();
            if (footer && shown.back() - shown[shown.size() - 2] > 1) return;
            grid.SetRowCount(grid.RowCount() - 1);
            Erase(Shown().back());
        } else if (op == 'L') {
            const int lines = Pick(2, 4);
            grid.LoadDelimited(File(lines), true);
            for (int k = 0; k < lines; ++k) Name(end + k, Real(end + k), kAppended);
        }
    }
    // Rows changed places: the node spans no row past the last.
    void KeepSpanInside() {
        if (node >= 0) span = std::min(span, int(rows.size()) - NodeReal());
    }
    QStringList Keys() const {
        QStringList keys;
        for (int r : Shown()) keys << KeyOf(rows[size_t(r)]);
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

// Random runs of every change, with rows hidden and shown, the node contracted and expanded, the row
// count grown and cut and files loaded after the rows, checked after every step
// against the model; at the end every row shown and the order restored.
TEST(SavedRowOrder, RandomChangesWithHiddenRowsKeepTheOrderBeforeSorting) {
    for (unsigned seed = 0; seed < 400; ++seed) {
        const bool footer = seed % 2, node = seed % 4 >= 2;
        const std::string ops = node ? "IDMASsRHUN" : "IDMASsRHUGCL";
        TRowOrderRun run(footer, seed, node);
        std::string steps;
        for (int k = 0; k < 40; ++k) {
            steps += ops[size_t(run.Pick(0, int(ops.size()) - 1))];
            run.Step(steps.back());
            SCOPED_TRACE(steps + ", seed " + std::to_string(seed));
            ASSERT_EQ(ColumnTexts(run.grid, 0), run.Keys());
            ASSERT_TRUE(run.grid.Verify());
        }
        run.Step('U');
        run.Step('R');
        ASSERT_EQ(ColumnTexts(run.grid, 0), run.Keys()) << seed;
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
