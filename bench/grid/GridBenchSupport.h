// What the grid benchmarks share: 10^5 rows of 10 columns with texts "row-col", filling a grid
// or QTableWidget with them, repainting a widget as the window system would, and the main
// program (offscreen, pinned look).
#pragma once

#include "platform/ui/PinnedLook.h"
#include "platform/ui/StringGrid.h"

#include <QApplication>
#include <QImage>
#include <QTableWidget>
#include <benchmark/benchmark.h>

namespace gridbench {

constexpr int kCols = 10;

inline QString CellText(int col, int row) {
    return QStringLiteral("%1-%2").arg(row).arg(col);
}

template <typename TGrid> void FillGrid(TGrid& grid, int rows) {
    grid.SetColCount(kCols);
    grid.SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c) grid.SetCells(c, r, CellText(c, r));
}

inline void FillTable(QTableWidget& table, int rows) {
    table.setColumnCount(kCols);
    table.setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c) table.setItem(r, c, new QTableWidgetItem(CellText(c, r)));
}

// Paints the whole widget, frame and scroll bars included, as the window system would ask it.
template <typename TWidget> void RepaintAt(benchmark::State& state, TWidget& widget, int width, int height) {
    widget.resize(width, height);
    widget.show();
    QApplication::processEvents();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        widget.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

template <typename TWidget> void Repaint(benchmark::State& state, TWidget& widget) {
    RepaintAt(state, widget, 800, 600);
}

// The peers of every repaint benchmark: the platform's plain string grid and QTableWidget.
inline void Repaint800x600_StringGrid(benchmark::State& state) {
    TStringGrid grid;
    FillGrid(grid, 100000);
    Repaint(state, grid);
}

inline void Repaint800x600_QTableWidget(benchmark::State& state) {
    QTableWidget table;
    FillTable(table, 100000);
    Repaint(state, table);
}

inline int RunBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    PreparePinnedLook();
    QApplication app(argc, argv);
    ApplyPinnedLook(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace gridbench
