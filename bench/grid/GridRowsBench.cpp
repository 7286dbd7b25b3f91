// Filtering and row nodes of the advanced grid over 10^4 and 10^5 rows, beside QTableWidget
// hiding the rows a wildcard does not match and QTreeWidget collapsing and expanding the same
// tree, in the same run: a filter with "*7*" switched on and off again; the adversarial condition
// "*a*a*a*a*b" against cells of 40 "a"s (a backtracking matcher would take exponential time);
// contracting and expanding every node, one node for each 100 rows. Rows hidden one at a time.
#include "GridBenchSupport.h"
#include "grid/AdvancedGrid.h"

#include <QRegularExpression>
#include <QTreeWidget>

namespace {

using namespace gridbench;

void Filter_AdvancedGrid(benchmark::State& state, const QString& condition, bool adversarial) {
    const int rows = int(state.range(0));
    TVevIvizudEvar grid;
    FillGrid(grid, rows);
    if (adversarial)
        for (int r = 0; r < rows; ++r) grid.SetCells(3, r, QString(40, u'a'));
    grid.Filter.push_back({3, condition, true, {}, {}, TFilterOperation::foNONE});
    for (auto _ : state) {
        grid.SetFilterActive(true);
        benchmark::DoNotOptimize(grid.RowCount());
        grid.SetFilterActive(false);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void Filter_Wildcard_AdvancedGrid(benchmark::State& state) {
    Filter_AdvancedGrid(state, QStringLiteral("*7*"), false);
}

void Filter_Adversarial_AdvancedGrid(benchmark::State& state) {
    Filter_AdvancedGrid(state, QStringLiteral("*a*a*a*a*b"), true);
}

// The rows a wildcard does not match hidden, then shown again.
void Filter_QTableWidget(benchmark::State& state, const QString& wildcard, bool adversarial) {
    const int rows = int(state.range(0));
    QTableWidget table;
    FillTable(table, rows);
    if (adversarial)
        for (int r = 0; r < rows; ++r) table.item(r, 3)->setText(QString(40, u'a'));
    const QRegularExpression match = QRegularExpression::fromWildcard(wildcard, Qt::CaseSensitive);
    for (auto _ : state) {
        for (int r = 0; r < rows; ++r)
            table.setRowHidden(r, !match.match(table.item(r, 3)->text()).hasMatch());
        for (int r = 0; r < rows; ++r) table.setRowHidden(r, false);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void Filter_Wildcard_QTableWidget(benchmark::State& state) {
    Filter_QTableWidget(state, QStringLiteral("*7*"), false);
}

void Filter_Adversarial_QTableWidget(benchmark::State& state) {
    Filter_QTableWidget(state, QStringLiteral("*a*a*a*a*b"), true);
}

void Nodes_ContractExpandAll_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    TVevIvizudEvar grid;
    FillGrid(grid, rows);
    grid.SetFixedRows(0);
    for (int r = 0; r < rows; r += 100) grid.AddNode(r, 100);
    for (auto _ : state) {
        grid.ContractAll();
        benchmark::DoNotOptimize(grid.RowCount());
        grid.ExpandAll();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void Nodes_CollapseExpandAll_QTreeWidget(benchmark::State& state) {
    const int rows = int(state.range(0));
    QTreeWidget tree;
    tree.setColumnCount(kCols);
    QList<QTreeWidgetItem*> nodes;
    for (int r = 0; r < rows; r += 100) {
        auto node = new QTreeWidgetItem;
        for (int c = 0; c < kCols; ++c) node->setText(c, CellText(c, r));
        for (int child = r + 1; child < r + 100; ++child) {
            auto item = new QTreeWidgetItem(node);
            for (int c = 0; c < kCols; ++c) item->setText(c, CellText(c, child));
        }
        nodes << node;
    }
    tree.addTopLevelItems(nodes);
    tree.resize(800, 600);
    tree.show();
    QApplication::processEvents();
    for (auto _ : state) {
        tree.collapseAll();
        QApplication::processEvents(); // the view lays itself out again
        tree.expandAll();
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

// Single HideRow calls (10^4) on a grid of 10^6 rows (every 100th row, from the bottom up and from
// the top down, so that the rows hidden lie before and after those still to hide), then every
// row shown again outside the timing.
void HideRowOneByOne1e6_AdvancedGrid(benchmark::State& state) {
    const int rows = 1000000, hides = int(state.range(1));
    const bool topDown = state.range(0) != 0;
    TVevIvizudEvar grid;
    grid.SetColCount(4);
    grid.SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 4; ++c) grid.SetCells(c, r, CellText(c, r));
    for (auto _ : state) {
        for (int k = 0; k < hides; ++k) grid.HideRow(topDown ? k * 100 + 1 : rows - 1 - k * 100);
        state.PauseTiming();
        if (grid.RowCount() != rows - hides) state.SkipWithError("rows not hidden");
        grid.UnHideRowsAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * hides);
}

} // namespace

BENCHMARK(HideRowOneByOne1e6_AdvancedGrid)
    ->Args({0, 10000})
    ->Args({1, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(Filter_Wildcard_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Filter_Wildcard_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Filter_Adversarial_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Filter_Adversarial_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Nodes_ContractExpandAll_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Nodes_CollapseExpandAll_QTreeWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
