// Files read into the advanced grid, beside peers in the same run: delimited text of 10^5 and
// 4 x 10^5 lines (10 fields, two of them quoted, one with doubled quotes; the delimiter found from
// the file; 4 x 10^6 cells are about the grid's limit), appended to a grid that already holds 10^5
// rows, and read as code page 850; the peers read and split the same file into plain vectors (the
// floor) and fill a QTableWidget from that split. A file of 4 x 10^6 lines of 8 short fields, eight
// times the cell limit, is refused. An ".xlsx" sheet of 10^5 cells (10^4 rows of 10 columns, half
// shared texts, half numbers) is imported into the grid, beside the reader alone. Wide files within
// the limits: four lines of 1,048,575 commas (4 x 2^20 empty cells, 4 MB) loaded into a grid of one
// row (beside the plain split of the same file), and one line of 4,194,303 commas appended to a
// grid of 3 rows with its floating footer showing.
#include "GridBenchSupport.h"
#include "grid/AdvancedGrid.h"
#include "grid/WorkbookImport.h"
#include "grid/XlsxReader.h"
#include "tests/grid/XlsxFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace {

using namespace gridbench;

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// The delimited file of that many lines, written once per run.
QString DelimitedFile(int lines) {
    const QString path = Folder().filePath(QString("lines-%1.csv").arg(lines));
    if (QFile::exists(path)) return path;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray chunk;
    for (int r = 0; r < lines; ++r) {
        chunk += QByteArray::number(r) + ",\"Name " + QByteArray::number(r) + ", street\"," +
                 QByteArray::number(r * 3) + ",text-" + QByteArray::number(r) +
                 ",\"say \"\"hi\"\"\",alpha,beta," + QByteArray::number(r % 97) + ",123.45,end\r\n";
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return path;
}

QString WorkbookFile() {
    const QString path = Folder().filePath("cells.xlsx");
    if (QFile::exists(path)) return path;
    std::vector<xlsxfiles::TCellXml> cells;
    QStringList shared;
    for (int r = 1; r <= 10000; ++r)
        for (int c = 1; c <= 10; ++c) {
            const QString ref = ColumnLetters(c) + QString::number(r);
            if (c % 2 == 1) {
                cells.push_back(xlsxfiles::Shared(ref, int(shared.size())));
                shared << QString("text %1-%2").arg(r).arg(c);
            } else {
                cells.push_back(xlsxfiles::Number(ref, QString::number(r * 10 + c) + ".5"));
            }
        }
    xlsxfiles::WriteXlsx(path, {{"Plan1", xlsxfiles::SheetXml(cells)}}, shared);
    return path;
}

// Each iteration loads into a fresh grid; making and freeing the grid is not timed.
template <typename TLoad> void LoadIntoFreshGrid(benchmark::State& state, TLoad load) {
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = std::make_unique<TVevIvizudEvar>();
        state.ResumeTiming();
        load(*grid);
        benchmark::DoNotOptimize(grid->RowCount());
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
}

void LoadDelimited_AutoQuoted(benchmark::State& state) {
    const QString path = DelimitedFile(int(state.range(0)));
    LoadIntoFreshGrid(state, [&](TVevIvizudEvar& grid) { grid.LoadFromCSV(path); });
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void LoadDelimited_RefusedBeyondTheCellLimit(benchmark::State& state) {
    const QString path = Folder().filePath("beyond.csv");
    if (!QFile::exists(path)) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        for (int r = 0; r < int(state.range(0)); r += 100000)
            file.write(QByteArray("1,22,3,44,5,66,7,8\n").repeated(100000));
    }
    LoadIntoFreshGrid(state, [&](TVevIvizudEvar& grid) {
        try {
            grid.LoadFromCSV(path);
        } catch (const std::exception&) {
            return;
        }
        state.SkipWithError("accepted");
    });
}

void LoadDelimited_Oem(benchmark::State& state) {
    const QString path = DelimitedFile(int(state.range(0)));
    LoadIntoFreshGrid(state, [&](TVevIvizudEvar& grid) {
        grid.OemConvert = true;
        grid.LoadFromCSV(path);
    });
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Times appending the file to a fresh grid that `prepare` sets up, untimed.
template <typename TPrepare> void TimeAppend(benchmark::State& state, const QString& path, TPrepare prepare) {
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = std::make_unique<TVevIvizudEvar>();
        prepare(*grid);
        state.ResumeTiming();
        grid->LoadDelimited(path, true);
        benchmark::DoNotOptimize(grid->RowCount());
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
}

void LoadDelimited_AppendTo100000Rows(benchmark::State& state) {
    const QString first = DelimitedFile(100000);
    TimeAppend(state, DelimitedFile(int(state.range(0))),
               [&](TVevIvizudEvar& grid) { grid.LoadFromCSV(first); });
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A file of that many lines of that many commas each, written once per run.
QString CommaFile(int lines, int commas) {
    const QString path = Folder().filePath(QString("commas-%1x%2.csv").arg(lines).arg(commas));
    if (QFile::exists(path)) return path;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    for (int r = 0; r < lines; ++r) file.write(QByteArray(commas, ',') + "\r\n");
    return path;
}

void LoadDelimited_WideLines(benchmark::State& state) {
    const QString path = CommaFile(int(state.range(0)), int(state.range(1)));
    LoadIntoFreshGrid(state, [&](TVevIvizudEvar& grid) {
        grid.SetRowCount(1); // the rows grow while the lines are read
        grid.LoadFromCSV(path);
    });
    state.SetItemsProcessed(state.iterations() * state.range(0) * (state.range(1) + 1));
}

void LoadDelimited_WideAppendAboveFooter(benchmark::State& state) {
    TimeAppend(state, CommaFile(1, int(state.range(0))), [](TVevIvizudEvar& grid) {
        grid.SetRowCount(3);
        grid.SetColCount(4);
        grid.FloatingFooter.Visible = true;
    });
    state.SetItemsProcessed(state.iterations() * (state.range(0) + 1));
}

// The floor: read, decode, cut into lines and fields at every ',' (quotes not understood).
std::vector<std::vector<QString>> NaiveSplit(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QString text = QString::fromUtf8(file.readAll());
    std::vector<std::vector<QString>> rows;
    for (QStringView line : QStringView(text).split(u"\r\n", Qt::SkipEmptyParts)) {
        std::vector<QString>& row = rows.emplace_back();
        for (QStringView field : line.split(u',')) row.push_back(field.toString());
    }
    return rows;
}

void TimeNaiveSplit(benchmark::State& state, const QString& path) {
    for (auto _ : state) {
        auto rows = NaiveSplit(path);
        benchmark::DoNotOptimize(rows.data());
        state.PauseTiming();
        rows = {};
        state.ResumeTiming();
    }
}

void Peer_ReadAndSplitPlain(benchmark::State& state) {
    TimeNaiveSplit(state, DelimitedFile(int(state.range(0))));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Peer_ReadAndSplitPlainWideLines(benchmark::State& state) {
    TimeNaiveSplit(state, CommaFile(int(state.range(0)), int(state.range(1))));
    state.SetItemsProcessed(state.iterations() * state.range(0) * (state.range(1) + 1));
}

void Peer_QTableWidgetFromPlainSplit(benchmark::State& state) {
    const QString path = DelimitedFile(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<QTableWidget>();
        state.ResumeTiming();
        const auto rows = NaiveSplit(path);
        table->setColumnCount(int(rows.front().size()));
        table->setRowCount(int(rows.size()));
        for (int r = 0; r < int(rows.size()); ++r)
            for (int c = 0; c < int(rows[r].size()); ++c)
                table->setItem(r, c, new QTableWidgetItem(rows[r][c]));
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ImportXlsx_100000Cells(benchmark::State& state) {
    const QString path = WorkbookFile();
    LoadIntoFreshGrid(state, [&](TVevIvizudEvar& grid) { grid.LoadFromXLS(path); });
    state.SetItemsProcessed(state.iterations() * 100000);
}

void Peer_XlsxReaderAlone_100000Cells(benchmark::State& state) {
    const QString path = WorkbookFile();
    for (auto _ : state) {
        TXlsxReader reader;
        reader.Open(path);
        const QString address = reader.UsedRangeAddress(reader.ActiveSheet());
        const TWorkbookValues values = reader.RangeValue(1, address);
        benchmark::DoNotOptimize(values.At(1, 1));
        reader.Close();
        reader.Quit();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

} // namespace

BENCHMARK(LoadDelimited_AutoQuoted)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDelimited_RefusedBeyondTheCellLimit)->Arg(4000000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDelimited_Oem)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDelimited_AppendTo100000Rows)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDelimited_WideLines)->Args({4, 1048575})->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDelimited_WideAppendAboveFooter)->Arg(4194303)->Unit(benchmark::kMillisecond);
BENCHMARK(Peer_ReadAndSplitPlainWideLines)->Args({4, 1048575})->Unit(benchmark::kMillisecond);
BENCHMARK(Peer_ReadAndSplitPlain)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond);
BENCHMARK(Peer_QTableWidgetFromPlainSplit)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportXlsx_100000Cells)->Unit(benchmark::kMillisecond);
BENCHMARK(Peer_XlsxReaderAlone_100000Cells)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
