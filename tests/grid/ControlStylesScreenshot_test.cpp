// One strip per control style of check boxes and radio groups in cells: checked, unchecked, the
// same read-only, a radio group and a read-only one. With CENTRPRG_SCREENSHOTS naming a folder
// the picture is saved there as check-radio-styles.png:
//   CENTRPRG_SCREENSHOTS=docs/img build/ci/tests/grid/grid_tests --gtest_filter='*ControlStyles*'
#include "GridTestSupport.h"
#include "platform/ui/PainterDevice.h"

#include <QDir>
#include <QPainter>

namespace {

struct TStyleRow {
    TControlStyle Style;
    const char* Name;
};

const TStyleRow kStyles[] = {{TControlStyle::csClassic, "csClassic"}, {TControlStyle::csFlat, "csFlat"},
                             {TControlStyle::csWinXP, "csWinXP"},     {TControlStyle::csCorvane, "csCorvane"},
                             {TControlStyle::csVell, "csVell"},       {TControlStyle::csGlyph, "csGlyph"},
                             {TControlStyle::csTheme, "csTheme"}};

TBitmap Glyph(bool round, bool on) {
    TBitmap glyph;
    glyph.SetSize(14, 14, clFuchsia);
    QPainter p(&glyph.Image());
    p.setPen(QColor(0, 90, 160));
    p.setBrush(on ? QColor(0, 150, 220) : QColor(255, 255, 255));
    if (round)
        p.drawEllipse(1, 1, 11, 11);
    else
        p.drawRect(1, 1, 11, 11);
    return glyph;
}

TEST(ControlStyles, EachStyleDrawsItsOwnStrip) {
    TAdvancedGridWindow w(7, 3, QSize(760, 100));
    TVevIvizudEvar& grid = w.Grid();
    ASSERT_TRUE(grid.IsThemed());
    grid.SetOptions(grid.Options() + goEditing);
    grid.SetDefaultRowHeight(26);
    const int widths[] = {80, 80, 80, 100, 110, 150, 150};
    const char* headings[] = {"",      "checked",   "unchecked", "checked, r/o", "unchecked, r/o",
                              "group", "group, r/o"};
    for (int c = 0; c < 7; ++c) {
        grid.SetColWidths(c, widths[c]);
        grid.SetGridCells(c, 0, headings[c]);
    }
    for (int c = 1; c <= 4; ++c) {
        TCellGraphic* box = grid.CreateCellGraphic(c, 1);
        box->CellType = TCellType::ctCheckBox;
        box->CellBoolean = c % 2 == 1;
        box->CellVAlign = TCellVAlign::vaCenter;
        grid.GetCellProperties(c, 1)->ReadOnly = c >= 3;
        grid.GetCellProperties(c, 1)->Alignment = TAlignment::taCenter;
    }
    for (int c = 5; c <= 6; ++c) {
        TCellGraphic* radio = grid.CreateCellGraphic(c, 1);
        radio->CellType = TCellType::ctRadio;
        radio->CellBoolean = true;
        radio->CellIndex = 1;
        radio->SetObject(std::make_unique<QStringList>(QStringList{"um", "dois", "tres"}));
        grid.GetCellProperties(c, 1)->ReadOnly = c == 6;
    }
    grid.ControlLook.CheckedGlyph = Glyph(false, true);
    grid.ControlLook.UnCheckedGlyph = Glyph(false, false);
    grid.ControlLook.RadioOnGlyph = Glyph(true, true);
    grid.ControlLook.RadioOffGlyph = Glyph(true, false);
    grid.SetRow(2); // the current cell stays out of the picture
    grid.HideFocusRect = true;

    const TRect heading = grid.CellRect(0, 0);
    const TRect strip{0, grid.CellRect(0, 1).Top, grid.CellRect(6, 1).Right, grid.CellRect(0, 1).Bottom};
    QImage sheet(strip.Right, heading.Height() + int(std::size(kStyles)) * strip.Height(),
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter sheetPainter(&sheet);
    std::vector<QImage> strips;
    for (size_t i = 0; i < std::size(kStyles); ++i) {
        grid.ControlLook.ControlStyle = kStyles[i].Style;
        grid.SetGridCells(0, 1, kStyles[i].Name);
        QImage shown(grid.viewport()->size(), QImage::Format_RGB32);
        {
            QPainter painter(&shown);
            TPainterDevice device(painter);
            grid.RenderTo(device);
        }
        if (i == 0)
            sheetPainter.drawImage(0, 0, shown.copy(ToQRect({0, heading.Top, strip.Right, heading.Bottom})));
        // The style's name stays out of the comparison.
        const TRect boxes{grid.CellRect(1, 1).Left, strip.Top, strip.Right, strip.Bottom};
        strips.push_back(shown.copy(ToQRect(boxes)));
        sheetPainter.drawImage(0, heading.Height() + int(i) * strip.Height(), shown.copy(ToQRect(strip)));
    }
    sheetPainter.end();
    for (size_t i = 0; i < strips.size(); ++i)
        for (size_t j = i + 1; j < strips.size(); ++j)
            EXPECT_NE(strips[i], strips[j]) << kStyles[i].Name << " and " << kStyles[j].Name;
    const QString folder = qEnvironmentVariable("CENTRPRG_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        EXPECT_TRUE(sheet.save(QDir(folder).filePath("check-radio-styles.png")));
    }
}

} // namespace
