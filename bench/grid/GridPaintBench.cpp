// The advanced grid's cell kinds and content sizing: repainting an 800 x 600 view of 10^5 rows
// whose cells are plain, mini-HTML or rich text, beside QTableWidget with the same texts as plain
// items; and sizing a column to its widest cell over 10^5 rows, beside QTableView's
// resizeColumnToContents (which looks at a sample of rows, 1000 by default, where ours measures
// every row). Cell graphics: the same view with every tenth cell holding a check box or a
// progress bar, beside QTableWidget with every tenth item checkable. Texts from outside: a view
// whose cells hold one word of 10^4 to 10^5 characters (broken over the lines of its cell) or
// a mini-HTML text of as many nested entities; the cost should follow the texts' length. One cell
// of 16 x 10^6 characters among plain cells (a word, or words of 9 letters, plain or mini-HTML),
// wrapped or on one line: a repaint should cost what the rest of the view does. A hint over a cell
// of a 120-pixel column holding 100 to 10^7 characters (HintShowLargeText), in words, one word,
// mini-HTML words stripped of their tags, or as many characters of empty tags before words shown
// as mini-HTML (HTMLHint, HintShowCells): asked as the pointer rests, shown and painted; the hint
// over the longest text should cost what the one over a short text does. The in-place editor
// opened and closed on a cell of 10^4 to 10^6 characters, one word or words: a word should cost
// what words do.
#include "GridBenchSupport.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/HintWindow.h"

#include <QHeaderView>
#include <QHelpEvent>

namespace {

using namespace gridbench;

enum TKind { kPlain, kHTML, kRich };

QString KindText(int kind, int col, int row) {
    const QString plain = CellText(col, row);
    if (kind == kHTML) return QStringLiteral("<B>%1</B> <I>x</I>").arg(plain);
    if (kind == kRich) return QStringLiteral("{\\rtf1 %1 {\\b x}}").arg(plain);
    return plain;
}

void FillKind(TVevIvizudEvar& grid, int rows, int kind) {
    grid.SetColCount(kCols);
    grid.SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c) grid.SetCells(c, r, KindText(kind, c, r));
}

void Repaint800x600_Kind(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillKind(grid, 100000, int(state.range(0)));
    Repaint(state, grid);
}

enum TGraphicKind { kCheckBoxes, kProgressBars };

void Repaint800x600_Graphics(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillKind(grid, 100000, kPlain);
    // Only the cells that can show are given a graphic: the view holds the first rows.
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < kCols; ++c) {
            if ((r * kCols + c) % 10 != 3) continue;
            TCellGraphic* graphic = grid.CreateCellGraphic(c, r);
            if (state.range(0) == kCheckBoxes) {
                graphic->CellType = TCellType::ctCheckBox;
                graphic->CellBoolean = r % 2 == 0;
                graphic->CellHAlign = TCellHAlign::haBeforeText;
            } else {
                graphic->CellType = TCellType::ctProgress;
                graphic->SetObject(std::make_unique<TColor>(clNavy));
                graphic->SetIcon(std::make_unique<TColor>(clWhite));
                grid.SetCells(c, r, QString::number(r % 101));
            }
        }
    Repaint(state, grid);
}

void Repaint800x600_QTableWidgetChecks(benchmark::State& state) {
    QTableWidget table;
    FillTable(table, 100000);
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < kCols; ++c)
            if ((r * kCols + c) % 10 == 3)
                table.item(r, c)->setCheckState(r % 2 == 0 ? Qt::Checked : Qt::Unchecked);
    Repaint(state, table);
}

enum TLongKind { kLongWord, kLongEntities };

void Repaint800x600_LongTexts(benchmark::State& state) {
    TVevIvizudEvar grid;
    grid.SetColCount(kCols);
    grid.SetRowCount(40);
    const int length = int(state.range(1));
    const QString text = state.range(0) == kLongWord
                             ? QString(length, u'x')
                             : "&" + QStringLiteral("amp;").repeated(length / 4) + "<B>x</B>";
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < kCols; ++c) grid.SetCells(c, r, text);
    Repaint(state, grid);
    state.SetBytesProcessed(state.iterations() * qint64(text.size()) * 2 * 40 * kCols);
}

enum TOneLongKind { kOneWordWrapped, kWordsWrapped, kOneLine, kHTMLWords };

void Repaint800x600_OneLongCell(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillGrid(grid, 40);
    const qsizetype length = qsizetype(state.range(1));
    const int kind = int(state.range(0));
    const QString words = QStringLiteral("abcdefghi ").repeated(length / 10);
    grid.SetGridCells(0, 0,
                      kind == kWordsWrapped ? words
                      : kind == kHTMLWords  ? "<B>bold</B> " + words
                                            : QString(length, u'y'));
    if (kind == kOneLine) grid.SetWordWrap(false);
    Repaint(state, grid);
}

enum THintKind { kHintWords, kHintOneWord, kHintHTMLStripped, kHintHTMLTags };

QString HintText(int kind, qsizetype length) {
    switch (kind) {
    case kHintOneWord:
        return QString(length, u'y');
    case kHintHTMLStripped:
        return QStringLiteral("<B>abcdefghi</B> ").repeated(length / 17);
    case kHintHTMLTags:
        return QStringLiteral("<B></B>").repeated(length / 14) +
               QStringLiteral("abcdefghi ").repeated(length / 20);
    default:
        return QStringLiteral("abcdefghi ").repeated(length / 10);
    }
}

void HintOverLongText(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillGrid(grid, 40);
    // Text that shows only after its tags is no wider than its column: its hint is asked for always.
    grid.HTMLHint = grid.HintShowCells = state.range(0) == kHintHTMLTags;
    grid.HintShowLargeText = !grid.HintShowCells;
    grid.SetColWidths(1, 120);
    grid.SetGridCells(1, 1, HintText(int(state.range(0)), qsizetype(state.range(1))));
    grid.resize(800, 600);
    grid.show();
    QApplication::processEvents();
    const TRect cell = grid.CellRect(1, 1);
    const QPoint at((cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2);
    for (auto _ : state) {
        QHelpEvent ask(QEvent::ToolTip, at, grid.viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid.viewport(), &ask);
        THintWindow* hint = grid.HintWindow();
        QImage image(hint->size(), QImage::Format_ARGB32_Premultiplied);
        hint->render(&image);
        benchmark::DoNotOptimize(image.constBits());
        hint->ReleaseHandle();
    }
}

void EditorOverLongText(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillGrid(grid, 40);
    grid.SetOptions(grid.Options() + goEditing);
    const qsizetype length = qsizetype(state.range(1));
    grid.SetGridCells(1, 1,
                      state.range(0) == kHintOneWord ? QString(length, u'y')
                                                     : QStringLiteral("abcdefghi ").repeated(length / 10));
    grid.resize(800, 600);
    grid.show();
    grid.SetCol(1);
    grid.SetRow(1);
    QApplication::processEvents();
    for (auto _ : state) {
        grid.ShowEditor();
        QApplication::processEvents();
        grid.HideEditor();
    }
}

void AutoSizeColumn_AdvancedGrid(benchmark::State& state) {
    TVevIvizudEvar grid;
    FillKind(grid, int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        grid.SetColWidths(3, 20);
        grid.AutoSizeColumn(3, false);
        benchmark::DoNotOptimize(grid.ColWidths(3));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void AutoSizeColumn_QTableWidget(benchmark::State& state) {
    QTableWidget table;
    FillTable(table, int(state.range(0)));
    table.resize(800, 600);
    table.show();
    QApplication::processEvents();
    for (auto _ : state) {
        table.setColumnWidth(3, 20);
        table.resizeColumnToContents(3);
        benchmark::DoNotOptimize(table.columnWidth(3));
    }
    state.SetItemsProcessed(
        state.iterations() *
        std::min<int64_t>(state.range(0), table.horizontalHeader()->resizeContentsPrecision()));
}

} // namespace

BENCHMARK(Repaint800x600_Kind)->Arg(kPlain)->Arg(kHTML)->Arg(kRich)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_QTableWidget)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_Graphics)->Arg(kCheckBoxes)->Arg(kProgressBars)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_QTableWidgetChecks)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_LongTexts)
    ->ArgsProduct({{kLongWord, kLongEntities}, {10000, 100000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint800x600_OneLongCell)
    ->ArgsProduct({{kOneWordWrapped, kWordsWrapped, kOneLine, kHTMLWords}, {16000000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(HintOverLongText)
    ->ArgsProduct({{kHintWords, kHintOneWord, kHintHTMLStripped, kHintHTMLTags}, {100, 1000000, 10000000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(EditorOverLongText)
    ->ArgsProduct({{kHintWords, kHintOneWord}, {10000, 100000, 1000000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AutoSizeColumn_AdvancedGrid)
    ->Args({100000, kPlain})
    ->Args({100000, kHTML})
    ->Args({10000, kRich})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AutoSizeColumn_QTableWidget)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
