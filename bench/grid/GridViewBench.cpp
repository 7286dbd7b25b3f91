// Repainting the advanced grid's view at 800 x 600 and at 1920 x 1080, beside the platform's
// TStringGrid and QTableWidget in the same run: 10^5 rows of 10 columns with plain cells,
// mini-HTML cells, every tenth cell a check box (QTableWidget: a checkable item), and 2 x 2 merged
// blocks over a fifth of the rows (QTableWidget: the same spans). The whole widget is rendered to
// an image, frame and scroll bars included, as the window system would ask it.
#include "GridBenchSupport.h"
#include "grid/AdvancedGrid.h"

namespace {

using namespace gridbench;

enum TLook { kPlain, kHTML, kCheckBoxes, kMerged };

constexpr int kRows = 100000;
// Enough rows for the taller view; rows below never show.
constexpr int kDecoratedRows = 120;

int HeightFor(int width) {
    return width == 800 ? 600 : 1080;
}

bool IsCheckCell(int col, int row) {
    return (row * kCols + col) % 10 == 3;
}

// The base cell of a block: every tenth row, in a pair of columns that moves along.
bool IsBlockBase(int col, int row) {
    return row % 10 == 0 && col == (row / 10) % (kCols / 2) * 2;
}

void Repaint_AdvancedGrid(benchmark::State& state) {
    const int width = int(state.range(0)), look = int(state.range(1));
    TVevIvizudEvar grid;
    FillGrid(grid, kRows);
    for (int r = 0; r < kDecoratedRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            if (look == kHTML) grid.SetCells(c, r, QStringLiteral("<B>%1</B> <I>x</I>").arg(CellText(c, r)));
            if (look == kCheckBoxes && IsCheckCell(c, r)) {
                TCellGraphic* check = grid.CreateCellGraphic(c, r);
                check->CellType = TCellType::ctCheckBox;
                check->CellBoolean = r % 2 == 0;
                check->CellHAlign = TCellHAlign::haBeforeText;
            }
            if (look == kMerged && IsBlockBase(c, r)) grid.MergeCells(c, r, 2, 2);
        }
    RepaintAt(state, grid, width, HeightFor(width));
}

void Repaint_QTableWidget(benchmark::State& state) {
    const int width = int(state.range(0)), look = int(state.range(1));
    QTableWidget table;
    FillTable(table, kRows);
    for (int r = 0; r < kDecoratedRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            if (look == kCheckBoxes && IsCheckCell(c, r))
                table.item(r, c)->setCheckState(r % 2 == 0 ? Qt::Checked : Qt::Unchecked);
            if (look == kMerged && IsBlockBase(c, r)) table.setSpan(r, c, 2, 2);
        }
    RepaintAt(state, table, width, HeightFor(width));
}

void Repaint_StringGrid(benchmark::State& state) {
    const int width = int(state.range(0));
    TStringGrid grid;
    FillGrid(grid, kRows);
    RepaintAt(state, grid, width, HeightFor(width));
}

} // namespace

BENCHMARK(Repaint_AdvancedGrid)
    ->ArgsProduct({{800, 1920}, {kPlain, kHTML, kCheckBoxes, kMerged}})
    ->ArgNames({"width", "look"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint_QTableWidget)
    ->ArgsProduct({{800, 1920}, {kPlain, kCheckBoxes, kMerged}})
    ->ArgNames({"width", "look"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint_StringGrid)->Arg(800)->Arg(1920)->ArgName("width")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
