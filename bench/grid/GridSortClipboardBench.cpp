// Sorting and clipboard text of the advanced grid, with QTableWidget::sortItems and plain loops in
// the same run.
//
// Sorts: 10^5 rows of 10 columns ("row-col" texts) sorted by column 0, whose keys are written
// before each timed sort (outside the timing) as the input shape asks: random, sorted, reversed,
// organ-pipe (rising then falling) or all equal. Each style gets keys written as it reads them;
// check boxes and image indexes are cell graphics. 10^6 rows for ssText. Clipboard: copying a
// 10^5 x 10 selection, pasting 10^6 cells into a 1 x 1 grid that grows, and a date series
// continued over 10^5 cells.
#include "GridBenchSupport.h"
#include "grid/AdvancedGrid.h"
#include "grid/TextUtils.h"
#include "platform/ui/Clipboard.h"

#include <QLocale>
#include <algorithm>
#include <numeric>
#include <random>

namespace {

using namespace gridbench;

enum TShape { kRandom, kSorted, kReversed, kOrganPipe, kAllEqual };

// The value each row's key stands for.
std::vector<int> Values(int rows, TShape shape) {
    std::vector<int> v(static_cast<size_t>(rows), 0);
    for (int i = 0; i < rows; ++i) {
        switch (shape) {
        case kRandom:
        case kSorted:
            v[size_t(i)] = i;
            break;
        case kReversed:
            v[size_t(i)] = rows - 1 - i;
            break;
        case kOrganPipe:
            v[size_t(i)] = i < rows / 2 ? i : rows - 1 - i;
            break;
        case kAllEqual:
            break;
        }
    }
    if (shape == kRandom) std::shuffle(v.begin(), v.end(), std::mt19937(7));
    return v;
}

// A key as the style reads it; ordered as the value for every style but the check box.
QString KeyText(TSortStyle style, int v) {
    switch (style) {
    case TSortStyle::ssNumeric:
    case TSortStyle::ssAutomatic:
        return QString::number(v);
    case TSortStyle::ssNumericGrouped:
        return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(v * 1.25, 'f', 2);
    case TSortStyle::ssDateTime:
        return QDate(2000, 1, 1).addDays(v / 24).toString("dd/MM/yyyy") +
               QString(" %1:00").arg(v % 24, 2, 10, QChar('0'));
    case TSortStyle::ssDateDMY:
        return QDate(1930, 1, 1).addDays(v % 25000).toString("dd/MM/yy");
    case TSortStyle::ssDateMDY:
        return QDate(1930, 1, 1).addDays(v % 25000).toString("MM/dd/yy");
    case TSortStyle::ssHTMLText:
        return QString("<b>%1</b>").arg(v, 8, 10, QChar('0'));
    case TSortStyle::ssWideText: {
        QString wide;
        EncodeWideCell(QString("Ação %1").arg(v, 8, 10, QChar('0')), wide);
        return wide;
    }
    case TSortStyle::ssLocaleText:
    case TSortStyle::ssLocaleTextNoCase:
        return QString("Ação %1").arg(v, 8, 10, QChar('0'));
    case TSortStyle::ssTextNoCase:
        return QString("key %1").arg(v, 8, 10, QChar('0'));
    default:
        return QString("%1").arg(v, 8, 10, QChar('0'));
    }
}

class TSortFixture {
public:
    TSortFixture(int rows, TSortStyle style, TShape shape) : style_(style), values_(Values(rows, shape)) {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        FillGrid(grid_, rows);
        grid_.SetFixedRows(0);
        grid_.SetFixedCols(0);
        // Column 0 in the style measured; ties go on to the "row-col" texts of column 1.
        grid_.OnGetFormat = [this](QObject*, int col, TSortStyle& s, QString&, QString&) {
            s = col == 0 ? style_ : TSortStyle::ssText;
        };
        grid_.OnCustomCompare = [](QObject*, const QString& a, const QString& b, int& res) {
            res = QString::compare(a, b);
        };
        grid_.OnRawCompare = [this](QObject*, int col, int row1, int row2, int& res) {
            res = QString::compare(grid_.Cells(col, row1), grid_.Cells(col, row2));
        };
    }

    // Writes the keys of the input shape into column 0.
    void Prepare() {
        for (int r = 0; r < grid_.RowCount(); ++r) {
            const int v = values_[size_t(r)];
            if (style_ == TSortStyle::ssCheckBox || style_ == TSortStyle::ssCellImage) {
                auto graphic = std::make_unique<TCellGraphic>();
                graphic->CellType =
                    style_ == TSortStyle::ssCheckBox ? TCellType::ctCheckBox : TCellType::ctImageList;
                graphic->CellBoolean = v % 2 == 1;
                graphic->CellIndex = v;
                grid_.SetCellGraphicObject(0, r, std::move(graphic));
            } else {
                grid_.SetGridCells(0, r, KeyText(style_, v));
            }
        }
    }

    TVevIvizudEvar& Grid() { return grid_; }

private:
    TSortStyle style_;
    std::vector<int> values_;
    TVevIvizudEvar grid_;
};

void RunSort(benchmark::State& state, TSortStyle style, TShape shape, int rows, bool descending) {
    TSortFixture fixture(rows, style, shape);
    fixture.Grid().SortSettings.Direction =
        descending ? TSortDirection::sdDescending : TSortDirection::sdAscending;
    for (auto _ : state) {
        state.PauseTiming();
        fixture.Prepare();
        state.ResumeTiming();
        fixture.Grid().SortByColumn();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void Sort_QTableWidget(benchmark::State& state, TShape shape, bool descending) {
    const int rows = 100000;
    QTableWidget table;
    FillTable(table, rows);
    const std::vector<int> values = Values(rows, shape);
    for (auto _ : state) {
        state.PauseTiming();
        for (int r = 0; r < rows; ++r)
            table.item(r, 0)->setText(KeyText(TSortStyle::ssText, values[size_t(r)]));
        state.ResumeTiming();
        table.sortItems(0, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

// std::sort of a row permutation by the key texts: what a sort with nothing but comparisons and
// no rows to move costs.
void Sort_PlainPermutation(benchmark::State& state) {
    const int rows = 100000;
    std::vector<QString> keys;
    for (int v : Values(rows, kRandom)) keys.push_back(KeyText(TSortStyle::ssText, v));
    std::vector<int> order(static_cast<size_t>(rows));
    for (auto _ : state) {
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(),
                  [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void Sort_Indexed3Columns(benchmark::State& state) {
    TSortFixture fixture(100000, TSortStyle::ssText, kRandom);
    TVevIvizudEvar& grid = fixture.Grid();
    for (int r = 0; r < grid.RowCount(); ++r) grid.SetGridCells(1, r, QString::number(r % 10));
    grid.SortIndexList.Add(1, true);
    grid.SortIndexList.Add(0, false);
    grid.SortIndexList.Add(2, true);
    for (auto _ : state) {
        state.PauseTiming();
        fixture.Prepare();
        state.ResumeTiming();
        grid.SortByIndexes();
    }
}

// 1,000 nodes of 99 child rows each.
void Sort_NodeRows(benchmark::State& state) {
    TSortFixture fixture(100000, TSortStyle::ssText, kRandom);
    TVevIvizudEvar& grid = fixture.Grid();
    for (int r = 0; r < grid.RowCount(); r += 100) grid.AddNode(r, 100);
    grid.SortSettings.Column = 1;
    for (int r = 0; r < grid.RowCount(); ++r)
        grid.SetGridCells(1, r, KeyText(TSortStyle::ssText, (r * 7919) % 100000));
    for (auto _ : state) {
        grid.SortSettings.Direction = grid.SortSettings.Direction == TSortDirection::sdAscending
                                          ? TSortDirection::sdDescending
                                          : TSortDirection::sdAscending;
        grid.SortNodeRows();
    }
}

void Sort_RestoreRowOrder(benchmark::State& state) {
    TSortFixture fixture(100000, TSortStyle::ssText, kRandom);
    fixture.Prepare();
    for (auto _ : state) {
        state.PauseTiming();
        fixture.Grid().SortByColumn();
        state.ResumeTiming();
        fixture.Grid().RestoreRowOrder();
    }
}

// ---- Clipboard -----------------------------------------------------------------------------------

QString TabText(int rows) {
    QString text;
    for (int r = 0; r < rows; ++r) {
        if (r > 0) text += QStringLiteral("\r\n");
        for (int c = 0; c < kCols; ++c) {
            if (c > 0) text += u'\t';
            text += CellText(c, r);
        }
    }
    return text;
}

void Copy100000x10_AdvancedGrid(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillGrid(grid, 100000);
    grid.SetFixedRows(0);
    grid.SetFixedCols(0);
    grid.SetSelection({0, 0, kCols - 1, 100000 - 1});
    for (auto _ : state) grid.CopyToClipboard();
    state.SetItemsProcessed(state.iterations() * 100000 * kCols);
}

// The same text joined from the cells of the plain store: the floor of a copy.
void Copy100000x10_PlainJoin(benchmark::State& state) {
    TStringGrid grid;
    FillGrid(grid, 100000);
    for (auto _ : state) {
        QString text;
        for (int r = 0; r < 100000; ++r) {
            if (r > 0) text += QStringLiteral("\r\n");
            for (int c = 0; c < kCols; ++c) {
                if (c > 0) text += u'\t';
                text += grid.Cells(c, r);
            }
        }
        Clipboard().SetAsText(text);
    }
    state.SetItemsProcessed(state.iterations() * 100000 * kCols);
}

void PasteText1e6Cells_AdvancedGrid(benchmark::State& state) {
    const QString text = TabText(100000);
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = std::make_unique<TVevIvizudEvar>();
        grid->SetOptions(grid->Options() + goEditing);
        grid->SetColCount(1);
        grid->SetRowCount(1);
        grid->SetFixedRows(0);
        grid->SetFixedCols(0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(grid->PasteText(0, 0, text));
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100000 * kCols);
}

// Splitting the same text into cells of the plain store: the floor of a paste.
void PasteText1e6Cells_PlainSplit(benchmark::State& state) {
    const QString text = TabText(100000);
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = std::make_unique<TStringGrid>();
        grid->SetColCount(kCols);
        grid->SetRowCount(100000);
        state.ResumeTiming();
        int r = 0;
        for (QStringView line : QStringView(text).split(QStringLiteral("\r\n"))) {
            int c = 0;
            for (QStringView cell : line.split(u'\t')) grid->SetCells(c++, r, cell.toString());
            ++r;
        }
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100000 * kCols);
}

void SmartFillDates100000_AdvancedGrid(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillGrid(grid, 100000);
    grid.SetFixedRows(0);
    grid.SetFixedCols(0);
    grid.SetOptions(grid.Options() + goEditing);
    grid.Navigation.AllowSmartClipboard = true;
    grid.SetSelection({1, 0, 1, 100000 - 1});
    for (auto _ : state) {
        Clipboard().SetAsText(QStringLiteral("01/01/2024\r\n02/01/2024"));
        grid.PasteFromClipboard();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

struct TStyleName {
    TSortStyle style;
    const char* name;
};

const TStyleName kStyles[] = {{TSortStyle::ssAutomatic, "Automatic"},
                              {TSortStyle::ssText, "Text"},
                              {TSortStyle::ssNumeric, "Numeric"},
                              {TSortStyle::ssDateTime, "DateTime"},
                              {TSortStyle::ssTextNoCase, "TextNoCase"},
                              {TSortStyle::ssTextOrdinal, "TextOrdinal"},
                              {TSortStyle::ssDateDMY, "DateDMY"},
                              {TSortStyle::ssDateMDY, "DateMDY"},
                              {TSortStyle::ssCustom, "Custom"},
                              {TSortStyle::ssNumericGrouped, "NumericGrouped"},
                              {TSortStyle::ssLocaleText, "LocaleText"},
                              {TSortStyle::ssLocaleTextNoCase, "LocaleTextNoCase"},
                              {TSortStyle::ssRaw, "Raw"},
                              {TSortStyle::ssHTMLText, "HTMLText"},
                              {TSortStyle::ssCellImage, "CellImage"},
                              {TSortStyle::ssCheckBox, "CheckBox"},
                              {TSortStyle::ssWideText, "WideText"}};

const std::pair<TShape, const char*> kShapes[] = {{kRandom, "Random"},
                                                  {kSorted, "Sorted"},
                                                  {kReversed, "Reversed"},
                                                  {kOrganPipe, "OrganPipe"},
                                                  {kAllEqual, "AllEqual"}};

void RegisterSorts() {
    for (const TStyleName& s : kStyles)
        for (bool descending : {false, true})
            benchmark::RegisterBenchmark(
                (std::string("Sort1e5_") + s.name + "_Random" + (descending ? "_Down" : "_Up")).c_str(),
                [s, descending](benchmark::State& st) { RunSort(st, s.style, kRandom, 100000, descending); })
                ->Unit(benchmark::kMillisecond);
    for (const auto& [shape, name] : kShapes)
        for (TSortStyle style : {TSortStyle::ssText, TSortStyle::ssNumeric})
            for (bool descending : {false, true}) {
                if (shape == kRandom) continue;
                const std::string styleName = style == TSortStyle::ssText ? "Text" : "Numeric";
                benchmark::RegisterBenchmark(
                    (std::string("Sort1e5_") + styleName + "_" + name + (descending ? "_Down" : "_Up"))
                        .c_str(),
                    [style, shape = shape, descending](benchmark::State& st) {
                        RunSort(st, style, shape, 100000, descending);
                    })
                    ->Unit(benchmark::kMillisecond);
            }
    for (const auto& [shape, name] : kShapes)
        for (bool descending : {false, true})
            benchmark::RegisterBenchmark(
                (std::string("Sort1e5_QTableWidget_") + name + (descending ? "_Down" : "_Up")).c_str(),
                [shape = shape, descending](benchmark::State& st) {
                    Sort_QTableWidget(st, shape, descending);
                })
                ->Unit(benchmark::kMillisecond);
    for (const auto& [shape, name] : {std::pair{kRandom, "Random"}, std::pair{kOrganPipe, "OrganPipe"}})
        benchmark::RegisterBenchmark(
            (std::string("Sort1e6_Text_") + name + "_Up").c_str(),
            [shape = shape](benchmark::State& st) { RunSort(st, TSortStyle::ssText, shape, 1000000, false); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
}

const bool registered = (RegisterSorts(), true);

} // namespace

BENCHMARK(Sort_PlainPermutation)->Unit(benchmark::kMillisecond);
BENCHMARK(Sort_Indexed3Columns)->Unit(benchmark::kMillisecond);
BENCHMARK(Sort_NodeRows)->Unit(benchmark::kMillisecond);
BENCHMARK(Sort_RestoreRowOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(Copy100000x10_AdvancedGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(Copy100000x10_PlainJoin)->Unit(benchmark::kMillisecond);
BENCHMARK(PasteText1e6Cells_AdvancedGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(PasteText1e6Cells_PlainSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(SmartFillDates100000_AdvancedGrid)->Unit(benchmark::kMillisecond);
