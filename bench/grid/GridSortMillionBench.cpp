// Sorting 10^6 rows of the advanced grid beside a plain std::stable_sort of the same keys, in the
// same run.
//
// The grid has three columns: column 0 holds the keys, columns 1 and 2 "row-col" texts. Keys:
// "Numbers", the integers 1..10^6 in random order as text; "Mixed", the same with every fourth
// key a text ("item" and the number), so that ssAutomatic compares numbers with numbers, texts
// with texts and a text with a number as the number 0 it reads as; "Duplicates", the same integers
// modulo 100, with a distinct name in column 1 to decide the ties. The keys are written back in
// their random order; SortByColumn sorts by column 0, Full.
// Names: SortMillion_<program>/<keys>.
//
// The peer reads the same key texts from a vector, parses each once into a number (std::from_chars;
// it keeps the text of those that are no number), and std::stable_sort's the (key, row) records:
// what a sort costs that reads each key once and moves nothing but its records. "ParsedOnly" is
// the std::stable_sort of the records alone, the keys parsed beforehand.
#include "GridBenchSupport.h"
#include "grid/AdvancedGrid.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <random>

namespace {

using namespace gridbench;

constexpr int kMillion = 1000000;

enum TKeys { kNumbers, kMixed, kDuplicates };

std::vector<QString> Keys(int kind) {
    std::vector<int> values(kMillion);
    std::iota(values.begin(), values.end(), 1);
    std::shuffle(values.begin(), values.end(), std::mt19937(11));
    std::vector<QString> keys;
    keys.reserve(values.size());
    for (int v : values)
        keys.push_back(kind == kMixed && v % 4 == 0 ? QStringLiteral("item %1").arg(v)
                                                    : QString::number(kind == kDuplicates ? v % 100 : v));
    return keys;
}

// Column 1 of a row: a name for the ties of the duplicates, else as the other columns.
QString SecondColumn(int kind, int row) {
    return kind == kDuplicates ? QStringLiteral("nome%1").arg(row * 7919LL % 1000003, 7, 10, QChar(u'0'))
                               : CellText(1, row);
}

// Each sort starts from the rows in the order they were filled in (RestoreRowOrder, the keys
// written again in their random order), or, again, sorts the rows the sort before left in the other
// direction, as a second click on the header does (their cells then lie anywhere in memory).
void SortMillion_AdvancedGrid(benchmark::State& state, int kind, bool again) {
    const std::vector<QString> keys = Keys(kind);
    TVevIvizudEvar grid;
    grid.SetColCount(3);
    grid.SetRowCount(kMillion);
    grid.SetFixedRows(0);
    grid.SetFixedCols(0);
    for (int r = 0; r < kMillion; ++r)
        for (int c = 1; c < 3; ++c) grid.SetCells(c, r, c == 1 ? SecondColumn(kind, r) : CellText(c, r));
    for (int r = 0; r < kMillion; ++r) grid.SetCells(0, r, keys[size_t(r)]);
    if (again) grid.SortByColumn();
    for (auto _ : state) {
        state.PauseTiming();
        if (again) {
            const bool up = grid.SortSettings.Direction == TSortDirection::sdAscending;
            grid.SortSettings.Direction = up ? TSortDirection::sdDescending : TSortDirection::sdAscending;
        } else {
            grid.RestoreRowOrder();
            for (int r = 0; r < kMillion; ++r) grid.SetCells(0, r, keys[size_t(r)]);
        }
        state.ResumeTiming();
        grid.SortByColumn();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}

// A key as ssAutomatic reads it: a number, or a text that reads as the number 0.
struct TPeerRecord {
    double Value;
    int Row;
};

// A key's number: its ASCII characters through std::from_chars; false for a text that is no number.
bool ParseNumber(const QString& key, double& value) {
    char buffer[64];
    if (key.isEmpty() || key.size() > qsizetype(sizeof buffer)) return false;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (key[i].unicode() > 127) return false;
        buffer[i] = char(key[i].unicode());
    }
    const auto [end, error] = std::from_chars(buffer, buffer + key.size(), value);
    return error == std::errc() && end == buffer + key.size();
}

std::vector<TPeerRecord> ParseKeys(const std::vector<QString>& keys, std::vector<bool>& text) {
    std::vector<TPeerRecord> records(keys.size());
    text.assign(keys.size(), false);
    for (size_t r = 0; r < keys.size(); ++r) {
        double value = 0;
        const bool number = ParseNumber(keys[r], value);
        records[r] = {number ? value : 0.0, int(r)};
        text[r] = !number;
    }
    return records;
}

// Equal numbers go by the texts (of two texts) or, given, by the names that decide ties.
void StableSortRecords(std::vector<TPeerRecord>& records, const std::vector<QString>& keys,
                       const std::vector<bool>& text, const std::vector<QString>& names) {
    std::stable_sort(records.begin(), records.end(), [&](const TPeerRecord& a, const TPeerRecord& b) {
        if (a.Value != b.Value) return a.Value < b.Value;
        if (!names.empty()) return names[size_t(a.Row)] < names[size_t(b.Row)];
        return text[size_t(a.Row)] && text[size_t(b.Row)] && keys[size_t(a.Row)] < keys[size_t(b.Row)];
    });
}

void SortMillion_StableSort(benchmark::State& state, int kind, bool parseInside) {
    const std::vector<QString> keys = Keys(kind);
    std::vector<QString> names;
    if (kind == kDuplicates)
        for (int r = 0; r < kMillion; ++r) names.push_back(SecondColumn(kind, r));
    std::vector<bool> text;
    std::vector<TPeerRecord> parsed = ParseKeys(keys, text);
    for (auto _ : state) {
        std::vector<TPeerRecord> records;
        if (parseInside) {
            records = ParseKeys(keys, text);
        } else {
            state.PauseTiming();
            records = parsed;
            state.ResumeTiming();
        }
        StableSortRecords(records, keys, text, names);
        benchmark::DoNotOptimize(records.data());
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}

} // namespace

BENCHMARK_CAPTURE(SortMillion_AdvancedGrid, Numbers, kNumbers, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_AdvancedGrid, NumbersAgain, kNumbers, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_StableSort, Numbers, kNumbers, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_StableSort, NumbersParsedOnly, kNumbers, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_AdvancedGrid, Mixed, kMixed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_AdvancedGrid, MixedAgain, kMixed, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_StableSort, Mixed, kMixed, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_StableSort, MixedParsedOnly, kMixed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_AdvancedGrid, Duplicates, kDuplicates, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortMillion_StableSort, Duplicates, kDuplicates, true)->Unit(benchmark::kMillisecond);
