// The advanced grid's cells beside the plain store (a vector of rows of QString: the floor), the
// platform's TStringGrid and QTableWidget, in the same run: setting and reading 10^5 and 10^6
// cells (10^4 and 10^5 rows of 10 columns), reading through OnGetDisplText, cells with 1 % of them
// in merged 2 x 2 blocks, growing row by row with AddRow and with PasteText, 10^4 inserts and
// removals of a row in the middle, and the cell stream of 10^5 cells with properties beside
// QTableWidgetItem's own stream. Grids are built and torn down outside the timing where the case
// is not about them. QStandardItemModel runs in its own process (ModelPeerBench.cpp).
#include "GridBenchSupport.h"
#include "grid/AdvancedGrid.h"

#include <QBuffer>
#include <QDataStream>
#include <memory>
#include <vector>

namespace {

using namespace gridbench;

using TPlainStore = std::vector<std::vector<QString>>;

// Builds a grid not shown, as the screens fill theirs.
std::unique_ptr<TVevIvizudEvar> MakeGrid(int rows) {
    auto grid = std::make_unique<TVevIvizudEvar>();
    grid->SetColCount(kCols);
    grid->SetRowCount(rows);
    return grid;
}

// Runs body on a fresh object made by make; making and destroying it are not timed.
template <typename TMake, typename TBody> void Fresh(benchmark::State& state, TMake make, TBody body) {
    for (auto _ : state) {
        state.PauseTiming();
        auto object = make();
        state.ResumeTiming();
        body(*object);
        state.PauseTiming();
        object.reset();
        state.ResumeTiming();
    }
}

// ---- Setting and reading ---------------------------------------------------------------------------

void Cells_Set_PlainStore(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state, [&] { return std::make_unique<TPlainStore>(size_t(rows), std::vector<QString>(kCols)); },
        [&](TPlainStore& store) {
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < kCols; ++c) store[size_t(r)][size_t(c)] = CellText(c, r);
        });
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void Cells_Set_StringGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state,
        [&] {
            auto grid = std::make_unique<TStringGrid>();
            grid->SetColCount(kCols);
            grid->SetRowCount(rows);
            return grid;
        },
        [&](TStringGrid& grid) {
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < kCols; ++c) grid.SetCells(c, r, CellText(c, r));
        });
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void Cells_Set_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state, [&] { return MakeGrid(rows); },
        [&](TVevIvizudEvar& grid) {
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < kCols; ++c) grid.SetGridCells(c, r, CellText(c, r));
        });
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void Cells_Set_QTableWidget(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state,
        [&] {
            auto table = std::make_unique<QTableWidget>();
            table->setColumnCount(kCols);
            table->setRowCount(rows);
            return table;
        },
        [&](QTableWidget& table) {
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < kCols; ++c) table.setItem(r, c, new QTableWidgetItem(CellText(c, r)));
        });
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void Cells_Read_PlainStore(benchmark::State& state) {
    const int rows = int(state.range(0));
    TPlainStore store(static_cast<size_t>(rows), std::vector<QString>(kCols));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c) store[size_t(r)][size_t(c)] = CellText(c, r);
    for (auto _ : state) {
        qsizetype total = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kCols; ++c) total += store[size_t(r)][size_t(c)].size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

// Reading through the base cell; with displText, an OnGetDisplText handler marks column 2.
void ReadAdvanced(benchmark::State& state, TVevIvizudEvar& grid, int rows) {
    for (auto _ : state) {
        qsizetype total = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kCols; ++c) total += grid.GetGridCells(c, r).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void Cells_Read_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    auto grid = MakeGrid(rows);
    FillGrid(*grid, rows);
    ReadAdvanced(state, *grid, rows);
}

void Cells_Read_DisplText_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    auto grid = MakeGrid(rows);
    FillGrid(*grid, rows);
    grid->OnGetDisplText = [](QObject*, int col, int, QString& value) {
        if (col == 2) value.prepend(u'#');
    };
    ReadAdvanced(state, *grid, rows);
}

void Cells_Read_QTableWidget(benchmark::State& state) {
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

// 2 x 2 blocks over 1 % of the cells, spread evenly: one block every 40 rows in each column pair.
void MergeOnePercent(TVevIvizudEvar& grid, int rows) {
    for (int r = 0; r + 1 < rows; r += 40)
        for (int c = 0; c + 1 < kCols; c += 2) grid.MergeCells(c, r + (c / 2) * 8, 2, 2);
}

void Cells_Set_Merged1pct_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state,
        [&] {
            auto grid = MakeGrid(rows);
            MergeOnePercent(*grid, rows);
            return grid;
        },
        [&](TVevIvizudEvar& grid) {
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < kCols; ++c) grid.SetGridCells(c, r, CellText(c, r));
        });
    state.SetItemsProcessed(state.iterations() * rows * kCols);
}

void Cells_Read_Merged1pct_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    auto grid = MakeGrid(rows);
    MergeOnePercent(*grid, rows);
    FillGrid(*grid, rows);
    ReadAdvanced(state, *grid, rows);
}

// ---- Growing ---------------------------------------------------------------------------------------

void Grow_AddRow_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state, [&] { return MakeGrid(1); },
        [&](TVevIvizudEvar& grid) {
            for (int r = 1; r < rows; ++r) {
                grid.AddRow();
                grid.SetGridCells(0, r, QStringLiteral("x"));
            }
        });
    state.SetItemsProcessed(state.iterations() * rows);
}

// The same after a sort: the order the rows had before sorting takes in each new row.
void Grow_AddRowAfterSort_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state,
        [&] {
            auto grid = MakeGrid(rows);
            FillGrid(*grid, rows);
            grid->SortSettings.Direction = TSortDirection::sdDescending;
            grid->SortByColumn();
            return grid;
        },
        [&](TVevIvizudEvar& grid) {
            for (int r = 0; r < rows; ++r) grid.AddRow();
        });
    state.SetItemsProcessed(state.iterations() * rows);
}

void Grow_PasteText_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    QString text;
    for (int r = 0; r < rows; ++r) text += QStringLiteral("x\r\n");
    Fresh(
        state,
        [&] {
            auto grid = MakeGrid(1);
            grid->SetOptions(grid->Options() + goEditing);
            grid->SetFixedRows(0);
            grid->SetFixedCols(0);
            return grid;
        },
        [&](TVevIvizudEvar& grid) { benchmark::DoNotOptimize(grid.PasteText(0, 0, text)); });
    state.SetItemsProcessed(state.iterations() * rows);
}

void Grow_InsertRow_QTableWidget(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state, [&] { return std::make_unique<QTableWidget>(1, kCols); },
        [&](QTableWidget& table) {
            for (int r = 1; r < rows; ++r) {
                table.insertRow(r);
                table.setItem(r, 0, new QTableWidgetItem(QStringLiteral("x")));
            }
        });
    state.SetItemsProcessed(state.iterations() * rows);
}

void Grow_PushBack_PlainStore(benchmark::State& state) {
    const int rows = int(state.range(0));
    Fresh(
        state, [&] { return std::make_unique<TPlainStore>(); },
        [&](TPlainStore& store) {
            for (int r = 0; r < rows; ++r) {
                store.emplace_back(kCols);
                store.back()[0] = QStringLiteral("x");
            }
        });
    state.SetItemsProcessed(state.iterations() * rows);
}

// ---- Inserting and removing in the middle ------------------------------------------------------

constexpr int kMiddleOps = 10000;

void Middle_InsertRemove_AdvancedGrid(benchmark::State& state) {
    const int rows = int(state.range(0));
    auto grid = MakeGrid(rows);
    FillGrid(*grid, rows);
    for (auto _ : state) {
        for (int i = 0; i < kMiddleOps; ++i) grid->InsertRows(rows / 2, 1);
        for (int i = 0; i < kMiddleOps; ++i) grid->RemoveRows(rows / 2, 1);
    }
    state.SetItemsProcessed(state.iterations() * 2 * kMiddleOps);
}

void Middle_InsertRemove_QTableWidget(benchmark::State& state) {
    const int rows = int(state.range(0));
    QTableWidget table;
    FillTable(table, rows);
    for (auto _ : state) {
        for (int i = 0; i < kMiddleOps; ++i) table.insertRow(rows / 2);
        for (int i = 0; i < kMiddleOps; ++i) table.removeRow(rows / 2);
    }
    state.SetItemsProcessed(state.iterations() * 2 * kMiddleOps);
}

void Middle_InsertRemove_PlainStore(benchmark::State& state) {
    const int rows = int(state.range(0));
    TPlainStore store(static_cast<size_t>(rows), std::vector<QString>(kCols));
    const auto middle = [&] { return store.begin() + rows / 2; };
    for (auto _ : state) {
        for (int i = 0; i < kMiddleOps; ++i) store.insert(middle(), std::vector<QString>(kCols));
        for (int i = 0; i < kMiddleOps; ++i) store.erase(middle());
    }
    state.SetItemsProcessed(state.iterations() * 2 * kMiddleOps);
}

// ---- The cell stream -------------------------------------------------------------------------------

// 10^4 rows of 10 cells, each with a text, a background colour, a font style and an alignment.
std::unique_ptr<TVevIvizudEvar> GridWithProperties() {
    const int rows = 10000;
    auto grid = MakeGrid(rows);
    FillGrid(*grid, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c) {
            TCellProperties* p = grid->GetCellProperties(c, r);
            p->SetBrushColor(TColor(r * 16 + c));
            p->FontStyle = {TFontStyle::fsBold};
            p->Alignment = TAlignment::taRightJustify;
        }
    return grid;
}

QByteArray SaveBlock(TVevIvizudEvar& grid) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    grid.SaveCellsToStream({0, 0, kCols - 1, grid.RowCount() - 1}, buffer);
    return bytes;
}

void CellStream_Save1e5_AdvancedGrid(benchmark::State& state) {
    auto grid = GridWithProperties();
    for (auto _ : state) benchmark::DoNotOptimize(SaveBlock(*grid).size());
    state.SetItemsProcessed(state.iterations() * 100000);
}

void CellStream_Load1e5_AdvancedGrid(benchmark::State& state) {
    auto source = GridWithProperties();
    QByteArray bytes = SaveBlock(*source);
    state.counters["bytes"] = double(bytes.size());
    Fresh(
        state, [&] { return MakeGrid(2); },
        [&](TVevIvizudEvar& grid) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            grid.LoadCellsFromStream({0, 0}, buffer);
        });
    state.SetItemsProcessed(state.iterations() * 100000);
}

std::unique_ptr<QTableWidget> TableWithProperties() {
    const int rows = 10000;
    auto table = std::make_unique<QTableWidget>();
    FillTable(*table, rows);
    QFont bold;
    bold.setBold(true);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c) {
            QTableWidgetItem* item = table->item(r, c);
            item->setBackground(QColor::fromRgb(QRgb(r * 16 + c)));
            item->setFont(bold);
            item->setTextAlignment(Qt::AlignRight);
        }
    return table;
}

QByteArray SaveTable(QTableWidget& table) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (int r = 0; r < table.rowCount(); ++r)
        for (int c = 0; c < kCols; ++c) out << *table.item(r, c);
    return bytes;
}

void CellStream_Save1e5_QTableWidgetItems(benchmark::State& state) {
    auto table = TableWithProperties();
    for (auto _ : state) benchmark::DoNotOptimize(SaveTable(*table).size());
    state.SetItemsProcessed(state.iterations() * 100000);
}

void CellStream_Load1e5_QTableWidgetItems(benchmark::State& state) {
    auto source = TableWithProperties();
    const QByteArray bytes = SaveTable(*source);
    state.counters["bytes"] = double(bytes.size());
    Fresh(
        state,
        [&] {
            auto table = std::make_unique<QTableWidget>();
            table->setColumnCount(kCols);
            table->setRowCount(10000);
            return table;
        },
        [&](QTableWidget& table) {
            QDataStream in(bytes);
            for (int r = 0; r < 10000; ++r)
                for (int c = 0; c < kCols; ++c) {
                    auto item = new QTableWidgetItem;
                    in >> *item;
                    table.setItem(r, c, item);
                }
        });
    state.SetItemsProcessed(state.iterations() * 100000);
}

// ---- Cell colours on a shown grid -------------------------------------------------------------

// A colour given to each cell of a column of a shown grid of 10^5 rows, as a screen colours its
// rows; sorted: after a sort, when the properties no longer know where their cells are and look
// through the rows that show before repainting.
void Colour_Column_Shown_AdvancedGrid(benchmark::State& state) {
    const bool sorted = state.range(0) != 0;
    auto grid = MakeGrid(100000);
    FillGrid(*grid, 100000);
    for (int r = 0; r < 100000; ++r) grid->GetCellProperties(1, r);
    grid->resize(800, 600);
    grid->show();
    QApplication::processEvents();
    if (sorted) {
        grid->OnGetFormat = [](QObject*, int, TSortStyle& style, QString&, QString&) {
            style = TSortStyle::ssText;
        };
        grid->SortSettings.Column = 2;
        grid->SortByColumn();
    }
    TColor colour = 1;
    for (auto _ : state) {
        ++colour;
        for (int r = 0; r < 100000; ++r) grid->CellProperties(1, r)->SetBrushColor(colour);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

} // namespace

BENCHMARK(Cells_Set_PlainStore)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Set_StringGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Set_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Set_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Set_Merged1pct_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Read_PlainStore)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Read_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Read_DisplText_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Read_Merged1pct_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Cells_Read_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Grow_AddRow_AdvancedGrid)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Grow_AddRowAfterSort_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Grow_PasteText_AdvancedGrid)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Grow_InsertRow_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Grow_PushBack_PlainStore)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Middle_InsertRemove_AdvancedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Middle_InsertRemove_QTableWidget)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Middle_InsertRemove_PlainStore)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Colour_Column_Shown_AdvancedGrid)->Arg(0)->Arg(1)->ArgName("sorted")->Unit(benchmark::kMillisecond);
BENCHMARK(CellStream_Save1e5_AdvancedGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(CellStream_Load1e5_AdvancedGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(CellStream_Save1e5_QTableWidgetItems)->Unit(benchmark::kMillisecond);
BENCHMARK(CellStream_Load1e5_QTableWidgetItems)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
