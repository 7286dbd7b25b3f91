// The QStandardItemModel peer of the grid benchmarks, in a process of its own (its item tree can
// take very long to tear down, and that must not disturb the other cases): a QTableView over a
// model of 10^4 or 10^5 rows of 10 columns ("row-col" texts). Setting and reading the cells,
// inserting and removing a row in the middle 10^4 times, repainting the view at 800 x 600 and
// 1920 x 1080, sorting 10^5 rows by a text column, filtering 10^5 rows with a wildcard through
// QSortFilterProxyModel; and, reported apart, tearing the model down after filling it and after
// sorting it. Run it beside the other grid benchmarks (bench/grid/run-grid-benchmarks).
#include "GridBenchSupport.h"

#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <memory>

namespace {

using namespace gridbench;

std::unique_ptr<QStandardItemModel> MakeModel(int rows) {
    auto model = std::make_unique<QStandardItemModel>(rows, kCols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c) model->setItem(r, c, new QStandardItem(CellText(c, r)));
    return model;
}

void Model_SetCells(benchmark::State& state) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        auto model = std::make_unique<QStandardItemModel>(rows, kCols);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kCols; ++c) model->setItem(r, c, new QStandardItem(CellText(c, r)));
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void Model_ReadCells(benchmark::State& state) {
    const int rows = int(state.range(0));
    auto model = MakeModel(rows);
    for (auto _ : state) {
        qsizetype total = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kCols; ++c) total += model->item(r, c)->text().size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void Model_InsertRemoveMiddle(benchmark::State& state) {
    const int rows = int(state.range(0));
    auto model = MakeModel(rows);
    for (auto _ : state) {
        for (int i = 0; i < 10000; ++i) model->insertRow(rows / 2);
        for (int i = 0; i < 10000; ++i) model->removeRow(rows / 2);
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}

void Model_Repaint(benchmark::State& state) {
    const int width = int(state.range(0));
    auto model = MakeModel(100000);
    QTableView view;
    view.setModel(model.get());
    RepaintAt(state, view, width, width == 800 ? 600 : 1080);
}

void Model_SortText(benchmark::State& state) {
    const int rows = int(state.range(0));
    auto model = MakeModel(rows);
    for (auto _ : state) {
        model->sort(0, Qt::AscendingOrder);
        state.PauseTiming();
        model->sort(0, Qt::DescendingOrder); // back to an order to sort
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
    // A sorted model of this size takes minutes to tear down (Model_TeardownAfterSort measures
    // it on smaller ones): the process ends without it.
    (void)model.release();
}

void Model_FilterWildcard(benchmark::State& state) {
    const int rows = int(state.range(0));
    auto model = MakeModel(rows);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(model.get());
    proxy.setFilterKeyColumn(3);
    for (auto _ : state) {
        proxy.setFilterWildcard(QStringLiteral("*7*"));
        benchmark::DoNotOptimize(proxy.rowCount());
        proxy.setFilterWildcard(QString());
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

// Only the destruction is timed; sorted: after a sort by column 0, as a screen would leave it.
void Teardown(benchmark::State& state, bool sorted) {
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto model = MakeModel(rows);
        if (sorted) model->sort(0, Qt::DescendingOrder);
        state.ResumeTiming();
        model.reset();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void Model_Teardown(benchmark::State& state) {
    Teardown(state, false);
}

void Model_TeardownAfterSort(benchmark::State& state) {
    Teardown(state, true);
}

} // namespace

BENCHMARK(Model_SetCells)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Model_ReadCells)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Model_InsertRemoveMiddle)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Model_Repaint)->Arg(800)->Arg(1920)->Unit(benchmark::kMillisecond);
BENCHMARK(Model_SortText)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Model_FilterWildcard)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Model_Teardown)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Model_TeardownAfterSort)->Arg(10000)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
