// The advanced grid side by side with the platform's plain string grid and QTableWidget in the
// same run: repainting an 800 x 600 view of 10^5 rows (default look: gradient headers, selection,
// focus rectangle), filling 10^6 cells through the base cell, filtering 10^5 rows with a wildcard
// condition, and the wildcard matcher on an adversarial pattern (many '*') against 10 kB of text
// next to the backtracking definition it replaces (on a text short enough for it to finish).
#include "GridBenchSupport.h"
#include "grid/AdvancedGrid.h"
#include "grid/FilterMatch.h"

namespace {

using namespace gridbench;

void Repaint800x600_AdvancedGrid(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillGrid(grid, 100000);
    Repaint(state, grid);
}

void SetGridCells_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        TVevIvizudEvar grid;
        grid.SetColCount(kCols);
        grid.SetRowCount(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kCols; ++c) grid.SetGridCells(c, r, CellText(c, r));
        benchmark::DoNotOptimize(grid.GetGridCells(kCols - 1, rows - 1));
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void FilterRows_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    TVevIvizudEvar grid;
    FillGrid(grid, rows);
    grid.Filter.push_back({3, "*7*", true, {}, {}, TFilterOperation::foNONE});
    for (auto _ : state) {
        grid.SetFilterActive(true);
        benchmark::DoNotOptimize(grid.RowCount());
        grid.SetFilterActive(false);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

// The matcher as '*' was once defined: every split tried, longest first.
bool Backtracking(const QString& p, int i, const QString& t, int j) {
    if (i == p.size()) return j == t.size();
    if (p[i] == u'*') {
        for (int k = int(t.size()); k >= j; --k)
            if (Backtracking(p, i + 1, t, k)) return true;
        return false;
    }
    return j < t.size() && (p[i] == u'?' || p[i] == t[j]) && Backtracking(p, i + 1, t, j + 1);
}

void Wildcard_Adversarial_10kB(benchmark::State& state) {
    const QString text(10240, u'a');
    for (auto _ : state) benchmark::DoNotOptimize(MatchFilter("*a*a*a*a*b", text, true));
}

void Wildcard_Adversarial_Backtracking(benchmark::State& state) {
    const QString text(int(state.range(0)), u'a');
    for (auto _ : state) benchmark::DoNotOptimize(Backtracking("*a*a*a*a*b", 0, text, 0));
}

void Wildcard_Adversarial_Ours(benchmark::State& state) {
    const QString text(int(state.range(0)), u'a');
    for (auto _ : state) benchmark::DoNotOptimize(MatchWildcard("*a*a*a*a*b", text));
}

} // namespace

BENCHMARK(Repaint800x600_AdvancedGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_StringGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_QTableWidget)->Unit(benchmark::kMillisecond);
BENCHMARK(SetGridCells_AdvancedGrid)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(FilterRows_AdvancedGrid)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Wildcard_Adversarial_10kB)->Unit(benchmark::kMicrosecond);
BENCHMARK(Wildcard_Adversarial_Backtracking)->Arg(40)->Arg(80)->Unit(benchmark::kMicrosecond);
BENCHMARK(Wildcard_Adversarial_Ours)->Arg(40)->Arg(80)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
