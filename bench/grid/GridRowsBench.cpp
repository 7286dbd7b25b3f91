// Filtering and row nodes of the advanced grid over 10^4 and 10^5 rows, beside QTableWidget
// hiding the rows a wildcard does not match and QTreeWidget collapsing and expanding the same
// tree, in the same run: a filter with "*7*" switched on and off again; the adversarial condition
// "*a*a*a*a*b" against cells of 40 "a"s (a backtracking matcher would take exponential time);
// contracting and expanding every node, one node for each 100 rows.
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

} // namespace

BENCHMARK(Filter_Wildcard_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Filter_Wildcard_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Filter_Adversarial_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Filter_Adversarial_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Nodes_ContractExpandAll_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Nodes_CollapseExpandAll_QTreeWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
