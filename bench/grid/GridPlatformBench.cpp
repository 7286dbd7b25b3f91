// The string grid of the platform layer side by side with QTableWidget, in the same run:
// setting and reading 10^6 cells (10^5 rows of 10 columns, the grids not shown, as screens fill
// them), growing a shown grid row by row, and repainting an 800 x 600 view. Run offscreen with the pinned
// look (fonts and style fixed).
#include "GridBenchSupport.h"
#include "platform/ui/StringGrid.h"

namespace {

using namespace gridbench;

void SetCells_StringGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        TStringGrid grid;
        FillGrid(grid, rows);
        benchmark::DoNotOptimize(grid.Cells(kCols - 1, rows - 1));
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void SetCells_QTableWidget(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        QTableWidget table;
        FillTable(table, rows);
        benchmark::DoNotOptimize(table.item(rows - 1, kCols - 1));
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void ReadCells_StringGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    TStringGrid grid;
    FillGrid(grid, rows);
    for (auto _ : state) {
        qsizetype total = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kCols; ++c) total += grid.Cells(c, r).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void ReadCells_QTableWidget(benchmark::State& state) {
    const int rows = int(state.range(0));
    QTableWidget table;
    FillTable(table, rows);
    for (auto _ : state) {
        qsizetype total = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kCols; ++c) total += table.item(r, c)->text().size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void GrowByRows_StringGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        TStringGrid grid;
        grid.resize(800, 600);
        grid.show(); // shown: every new row updates the scroll range
        grid.SetColCount(kCols);
        for (int r = 1; r < rows; ++r) {
            grid.SetRowCount(r + 1);
            grid.SetCells(0, r, QStringLiteral("x"));
        }
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void GrowByRows_QTableWidget(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        QTableWidget table(1, kCols);
        table.resize(800, 600);
        table.show();
        for (int r = 1; r < rows; ++r) {
            table.insertRow(r);
            table.setItem(r, 0, new QTableWidgetItem(QStringLiteral("x")));
        }
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

} // namespace

BENCHMARK(SetCells_StringGrid)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(SetCells_QTableWidget)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadCells_StringGrid)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadCells_QTableWidget)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(GrowByRows_StringGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(GrowByRows_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_StringGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_QTableWidget)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
