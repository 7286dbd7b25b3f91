// A random run of row operations (insert, remove, clear, move, hide, filter, nodes, merges,
// hidden columns, heights) on a 200 × 12 grid, checked after every step against a plain model of
// its real rows and against the grid's own consistency check.
#include "GridTestSupport.h"

#include <random>

namespace {

constexpr int kCols = 12;

struct TModelRow {
    std::vector<QString> Cells = std::vector<QString>(kCols);
    int Height = 0;
    bool Hidden = false, Node = false, Contracted = false;
    int Span = 0;
};

// The grid's rows in real order, each shown or hidden, with what the grid keeps for it.
class TGridModel {
public:
    std::vector<TModelRow> Rows;
    std::vector<bool> HiddenCols = std::vector<bool>(kCols, false);

    std::vector<int> Shown() const {
        std::vector<int> shown;
        for (int r = 0; r < int(Rows.size()); ++r)
            if (!Rows[size_t(r)].Hidden) shown.push_back(r);
        return shown;
    }
    int Total() const { return int(Rows.size()); }
    TModelRow& At(int real) { return Rows[size_t(real)]; }

    void Insert(int display, int count, int height) {
        const std::vector<int> shown = Shown();
        const int at = display < int(shown.size()) ? shown[size_t(display)] : Total();
        for (int n = 0; n < Total(); ++n) {
            TModelRow& row = At(n);
            if (row.Node && row.Span > 0 && n < at && at < n + row.Span) row.Span += count;
        }
        TModelRow fresh;
        fresh.Height = height;
        Rows.insert(Rows.begin() + at, size_t(count), fresh);
    }
    void Remove(int display, int count) {
        const std::vector<int> shown = Shown();
        std::vector<int> gone(shown.begin() + display, shown.begin() + display + count);
        for (int n = 0; n < Total(); ++n) {
            TModelRow& row = At(n);
            if (!row.Node || row.Span <= 0 || std::count(gone.begin(), gone.end(), n)) continue;
            row.Span -= int(
                std::count_if(gone.begin(), gone.end(), [&](int g) { return g > n && g < n + row.Span; }));
        }
        for (auto it = gone.rbegin(); it != gone.rend(); ++it) Rows.erase(Rows.begin() + *it);
    }
    void Clear(int display, int count) {
        const std::vector<int> shown = Shown();
        for (int d = display; d < display + count; ++d) {
            TModelRow& row = At(shown[size_t(d)]);
            for (QString& cell : row.Cells) cell.clear();
            row.Node = row.Contracted = false;
            row.Span = 0;
        }
    }
    // The moved row, with the rows it hides when it is a contracted node, comes in right before the
    // shown row that follows it at its new place (or last): hidden rows keep their neighbours.
    void Move(int from, int to) {
        if (from == to) return;
        const std::vector<int> shown = Shown();
        const int first = shown[size_t(from)],
                  next = from + 1 < int(shown.size()) ? shown[size_t(from) + 1] : Total();
        const int end = At(first).Node && At(first).Contracted ? std::min(NodeEnd(first), next) : first + 1;
        const int before = from > to                    ? shown[size_t(to)]
                           : to + 1 < int(shown.size()) ? shown[size_t(to) + 1]
                                                        : Total();
        if (from < to)
            std::rotate(Rows.begin() + first, Rows.begin() + end, Rows.begin() + before);
        else
            std::rotate(Rows.begin() + before, Rows.begin() + first, Rows.begin() + end);
        for (int n = 0; n < Total(); ++n) At(n).Span = std::min(At(n).Span, Total() - n); // none past the end
    }
    bool Hide(int from, int to) {
        if (from < 0 || to >= Total() || to < from) return false;
        for (int r = from; r <= to; ++r)
            if (At(r).Hidden) return false;
        for (int r = from; r <= to; ++r) At(r).Hidden = true;
        return true;
    }
    void ShowAll() {
        for (TModelRow& row : Rows) row.Hidden = row.Contracted = false;
    }
    int NodeEnd(int n) const {
        if (Rows[size_t(n)].Span >= 1) return n + Rows[size_t(n)].Span;
        for (int r = n + 1; r < Total(); ++r)
            if (!Rows[size_t(r)].Hidden && Rows[size_t(r)].Node) return r;
        return Total();
    }
    void Contract(int n) {
        if (n >= Total() || At(n).Hidden || !At(n).Node || At(n).Contracted) return;
        const int end = NodeEnd(n);
        for (int r = n + 1; r < end; ++r) {
            if (At(r).Hidden) continue;
            if (At(r).Node) At(r).Contracted = false;
            At(r).Hidden = true;
        }
        At(n).Contracted = true;
    }
    void Expand(int n) {
        if (n >= Total() || At(n).Hidden || !At(n).Node || !At(n).Contracted) return;
        At(n).Contracted = false;
        int next = n + 1;
        while (next < Total() && At(next).Hidden) ++next;
        int last = next - 1;
        if (At(n).Span >= 1) last = std::min(last, n + At(n).Span - 1);
        for (int r = n + 1; r <= last; ++r) At(r).Hidden = false;
    }
    void ContractAll() {
        ShowAll();
        for (int d = 0; d < Total(); ++d) {
            if (!At(d).Node) continue;
            At(d).Contracted = true;
            const int end = std::min(NodeEnd(d), Total());
            for (int r = d + 1; r < end; ++r) At(r).Hidden = true;
            d = std::max(d, end - 1);
        }
    }
};

class GridRandom : public testing::TestWithParam<unsigned> {
protected:
    GridRandom() : w_(kCols, 200) {
        for (int r = 0; r < 200; ++r) {
            TModelRow row;
            row.Height = Grid().DefaultRowHeight();
            for (int c = 0; c < kCols; ++c) {
                row.Cells[size_t(c)] = QString("%1:%2").arg(r).arg(c);
                Grid().SetRawCell(c, r, row.Cells[size_t(c)]);
            }
            model_.Rows.push_back(row);
        }
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }

    void Check(int step, const char* op) {
        SCOPED_TRACE(testing::Message() << "step " << step << " after " << op);
        ASSERT_TRUE(Grid().Verify());
        const std::vector<int> shown = model_.Shown();
        ASSERT_EQ(Grid().RowCount(), int(shown.size()));
        ASSERT_EQ(Grid().NumHiddenRows(), model_.Total() - int(shown.size()));
        ASSERT_EQ(Grid().AllColCount(), kCols);
        for (int c = 0; c < kCols; ++c)
            ASSERT_EQ(Grid().IsHiddenColumn(c), bool(model_.HiddenCols[size_t(c)])) << c;
        for (int d = 0; d < int(shown.size()); ++d) {
            const TModelRow& row = model_.At(shown[size_t(d)]);
            ASSERT_EQ(Grid().DisplToRealRow(d), shown[size_t(d)]) << d;
            ASSERT_EQ(Grid().RowHeights(d), row.Height) << d;
            for (int c = 0; c < kCols; ++c)
                ASSERT_EQ(Grid().GetRawCell(c, d), row.Cells[size_t(c)]) << d << "," << c;
            ASSERT_EQ(Grid().IsNode(d), row.Node) << d;
            if (row.Node) {
                ASSERT_EQ(Grid().GetNodeSpan(d), row.Span) << d;
                ASSERT_EQ(Grid().GetNodeState(d), row.Contracted) << d;
            }
        }
    }

    TAdvancedGridWindow w_;
    TGridModel model_;
    int nextId_ = 1000;
};

TEST_P(GridRandom, MatchesAPlainModel) {
    std::mt19937 random(GetParam());
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    bool filtering = false;
    for (int step = 0; step < 400; ++step) {
        const int rows = Grid().RowCount();
        const char* op = "";
        switch (pick(0, 14)) {
        case 0:
        case 1: {
            op = "insert";
            const int at = pick(1, rows), count = pick(1, 3);
            Grid().InsertRows(at, count);
            model_.Insert(at, count, Grid().DefaultRowHeight());
            for (int i = 0; i < count; ++i) {
                const int real = Grid().DisplToRealRow(at + i);
                const QString text = QString::number(nextId_++);
                Grid().SetRawCell(1, at + i, text);
                model_.At(real).Cells[1] = text;
            }
            break;
        }
        case 2: {
            op = "remove";
            if (rows < 4) break;
            const int at = pick(1, rows - 2), count = pick(1, std::min(3, rows - 1 - at));
            Grid().RemoveRows(at, count);
            model_.Remove(at, count);
            break;
        }
        case 3: {
            op = "clear";
            const int at = pick(1, rows - 1), count = pick(1, std::min(2, rows - at));
            Grid().ClearRows(at, count);
            model_.Clear(at, count);
            break;
        }
        case 4: {
            op = "move";
            if (rows < 3) break;
            const int from = pick(1, rows - 1), to = pick(1, rows - 1);
            Grid().MoveRow(from, to);
            model_.Move(from, to);
            break;
        }
        case 5: {
            op = "hide";
            const int from = pick(1, model_.Total() - 1),
                      to = std::min(from + pick(0, 2), model_.Total() - 1);
            int shownData = 0;
            for (int r : model_.Shown()) shownData += r > 0 && (r < from || r > to) ? 1 : 0;
            if (shownData < 1) break;
            Grid().HideRows(from, to);
            model_.Hide(from, to);
            break;
        }
        case 6: {
            op = "filter";
            if (filtering) {
                Grid().SetFilterActive(false);
                model_.ShowAll();
                filtering = false;
                break;
            }
            const QString digit = QString::number(pick(0, 9));
            const std::vector<int> shown = model_.Shown();
            std::vector<int> rejected;
            for (size_t d = 1; d < shown.size(); ++d)
                if (!model_.At(shown[d]).Cells[1].contains(digit)) rejected.push_back(shown[d]);
            if (rejected.size() + 1 >= shown.size()) break; // every data row would go
            Grid().Filter = {{1, "*" + digit + "*", true, {}, {}, TFilterOperation::foNONE}};
            Grid().SetFilterActive(true);
            for (int r : rejected) model_.At(r).Hidden = true;
            filtering = true;
            break;
        }
        case 7: {
            op = "add node";
            const int d = pick(1, rows - 1);
            const int real = Grid().DisplToRealRow(d);
            const int span = pick(0, std::min(6, model_.Total() - real));
            Grid().AddNode(d, span, 1);
            TModelRow& row = model_.At(real);
            row.Node = true, row.Contracted = false, row.Span = span;
            break;
        }
        case 8:
        case 9: {
            op = "contract or expand";
            const int real = Grid().DisplToRealRow(pick(1, rows - 1));
            if (pick(0, 1)) {
                Grid().ContractNode(real);
                model_.Contract(real);
            } else {
                Grid().ExpandNode(real);
                model_.Expand(real);
            }
            break;
        }
        case 10: {
            op = "all nodes";
            if (pick(0, 1)) {
                Grid().ContractAll();
                model_.ContractAll();
            } else {
                Grid().ExpandAll();
                model_.ShowAll();
            }
            filtering = false;
            break;
        }
        case 11: {
            op = "merge or split";
            const int col = pick(3, kCols - 2), row = pick(1, rows - 1);
            if (pick(0, 2))
                Grid().MergeCells(col, row, pick(1, 3), pick(1, 4));
            else
                Grid().SplitCells(col, row);
            break;
        }
        case 12: {
            op = "hide or show a column";
            const int col = pick(2, kCols - 1);
            if (model_.HiddenCols[size_t(col)]) {
                Grid().UnHideColumn(col);
                model_.HiddenCols[size_t(col)] = false;
            } else {
                Grid().HideColumn(col);
                model_.HiddenCols[size_t(col)] = true;
            }
            break;
        }
        default: {
            op = "height";
            const int d = pick(1, rows - 1), height = pick(10, 40);
            Grid().SetRowHeights(d, height);
            model_.At(Grid().DisplToRealRow(d)).Height = height;
            break;
        }
        }
        Check(step, op);
        if (HasFatalFailure()) return;
    }
    Grid().UnHideRowsAll();
    model_.ShowAll();
    Check(-1, "showing every row");
}

INSTANTIATE_TEST_SUITE_P(Seeds, GridRandom, testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

} // namespace
