// Two sample sheets of the advanced grid for a human look: the fixed-cell looks side by side, and
// one grid holding a cell of every text kind. With CENTRPRG_SCREENSHOTS naming a folder they are
// saved there as grid-looks.png and grid-text-kinds.png:
//   CENTRPRG_SCREENSHOTS=docs/img build/ci/tests/grid/grid_tests --gtest_filter='GridSheets*'
#include "GridTestSupport.h"
#include "grid/TextUtils.h"

#include <QDir>
#include <QImage>
#include <QPainter>

namespace {

constexpr int kLabelWidth = 90, kMargin = 6;

// The grids one under another, each with its caption at the left.
QImage Sheet(const std::vector<std::pair<QString, QImage>>& grids) {
    int width = 0, height = kMargin;
    for (const auto& [caption, image] : grids) {
        width = std::max(width, kLabelWidth + image.width() + kMargin);
        height += image.height() + kMargin;
    }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int top = kMargin;
    for (const auto& [caption, image] : grids) {
        painter.drawText(QRect(kMargin, top, kLabelWidth - kMargin, image.height()),
                         Qt::AlignLeft | Qt::AlignTop, caption);
        painter.drawImage(kLabelWidth, top, image);
        top += image.height() + kMargin;
    }
    return sheet;
}

void Save(const QImage& sheet, const char* name) {
    const char* folder = std::getenv("CENTRPRG_SCREENSHOTS");
    if (folder == nullptr) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(sheet.save(QDir(folder).filePath(name)));
}

TEST(GridSheets, EveryLookOfTheFixedCells) {
    const std::pair<TGridLook, const char*> looks[] = {{TGridLook::glStandard, "glStandard"},
                                                       {TGridLook::glSoft, "glSoft"},
                                                       {TGridLook::glClassic, "glClassic"},
                                                       {TGridLook::glVell, "glVell"},
                                                       {TGridLook::glXP, "glXP"},
                                                       {TGridLook::glListView, "glListView"}};
    std::vector<std::pair<QString, QImage>> grids;
    for (const auto& [look, name] : looks) {
        TAdvancedGridWindow w(5, 4, QSize(330, 90));
        TVevIvizudEvar& grid = w.Grid();
        grid.SetLook(look);
        if (look == TGridLook::glVell) grid.Loaded(); // the look's own theme colours
        grid.SetColumnHeaders({"", "Name", "Number", "Group", "Total"});
        const char* const rows[][4] = {{"Reception", "201", "1", "12.50"},
                                       {"Workshop", "202", "2", "7.25"},
                                       {"Office", "203", "1", "103.00"}};
        for (int r = 0; r < 3; ++r) {
            grid.SetGridCells(0, r + 1, QString::number(r + 1));
            for (int c = 0; c < 4; ++c) grid.SetGridCells(c + 1, r + 1, rows[r][c]);
        }
        grid.AutoNumAlign = true;
        grid.SortSettings.SetShow(true);
        grid.SortSettings.Column = 1;
        grid.SetCol(2);
        grid.SetRow(2);
        QApplication::processEvents();
        grids.push_back({name, grid.grab().toImage()});
    }
    for (size_t i = 1; i < grids.size(); ++i) EXPECT_NE(grids[i].second, grids[i - 1].second) << i;
    Save(Sheet(grids), "grid-looks.png");
}

TEST(GridSheets, EveryTextKindInOneGrid) {
    TAdvancedGridWindow w(3, 13, QSize(470, 340));
    TVevIvizudEvar& grid = w.Grid();
    grid.SetColWidths(0, 24);
    grid.SetColWidths(1, 110);
    grid.SetColWidths(2, 320);
    grid.SetColumnHeaders({"", "Kind", "Cell"});
    QString wide;
    EncodeWideCell(QString::fromUtf8("Ωμέγα — wide text ĀĒĪ"), wide);
    const std::pair<const char*, QString> kinds[] = {
        {"plain", "Plain text, left aligned"},
        {"number", "1234.5"},
        {"float format", "3"},
        {"formula", "=SUM(A1:A3)"},
        {"mini-HTML", "<B>bold</B>, <I>italic</I>, <FONT COLOR=\"clRed\">red</FONT> and <A "
                      "HREF=\"x\">anchor</A>"},
        {"rich text",
         R"({\rtf1{\colortbl ;\red0\green128\blue0;}Rich {\b bold} and {\cf1\i green italic} run})"},
        {"wide text", wide},
        {"address", "http://www.example.org/page"},
        {"password", "secret"},
        {"two lines", "first line\rsecond line"},
        {"band row", "a banded row"},
        {"selected", "selection rectangle and resizer"},
    };
    for (int r = 0; r < int(std::size(kinds)); ++r) {
        grid.SetGridCells(1, r + 1, kinds[r].first);
        grid.SetGridCells(2, r + 1, kinds[r].second);
    }
    TFormatSettingsScope scope(TFormatSettings::Neutral());
    grid.AutoNumAlign = true;
    grid.URLShow = true;
    grid.SetMultilinecells(true);
    grid.SetRowHeights(10, 36);
    grid.OnGetFloatFormat = [](QObject*, int, int row, bool& isFloat, QString&) { isFloat = row == 3; };
    grid.OnIsPasswordCell = [](QObject*, int row, int col, bool& is) { is = row == 9 && col == 2; };
    grid.Bands.SetPrimaryColor(RGBColor(255, 250, 220));
    grid.Bands.SetSecondaryColor(clWindow);
    grid.Bands.SetPrimaryLength(1);
    grid.Bands.SetSecondaryLength(1);
    grid.Bands.SetActive(true);
    grid.SetSelectionRectangle(true);
    grid.SelectionResizer = true;
    grid.SetCol(2);
    grid.SetRow(12);
    QApplication::processEvents();
    const QImage image = grid.grab().toImage();
    EXPECT_FALSE(TextOps(RenderOps(grid), "bold").empty());
    Save(Sheet({{"text kinds", image}}), "grid-text-kinds.png");
}

} // namespace
