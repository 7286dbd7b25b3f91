// Cell graphics: what a cell's graphic is, check boxes and radio groups as a user toggles them,
// shared graphics, and the room pictures and other graphics take.
#include "GridTestSupport.h"
#include "grid/FilePicture.h"

#include <QTemporaryDir>

namespace {

class CellGraphics : public testing::Test {
protected:
    CellGraphics() : w_(4, 5) {}
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TCellGraphic* Make(int col, int row, TCellType type) {
        TCellGraphic* graphic = Grid().CreateCellGraphic(col, row);
        graphic->CellType = type;
        return graphic;
    }
    TAdvancedGridWindow w_;
};

TEST_F(CellGraphics, ACellWithoutPropertiesIsEmptyAndAFreshGraphicIsNone) {
    EXPECT_EQ(Grid().GetCellType(1, 1), TCellType::ctEmpty);
    Grid().CreateCellGraphic(1, 1);
    EXPECT_EQ(Grid().GetCellType(1, 1), TCellType::ctNone);
    EXPECT_TRUE(Grid().RemoveCellGraphic(1, 1));
    EXPECT_FALSE(Grid().RemoveCellGraphic(1, 1));
    EXPECT_EQ(Grid().GetCellType(1, 1), TCellType::ctEmpty);
}

struct TToggle {
    QString Before, After;
};

class DataCheckBoxToggle : public CellGraphics, public testing::WithParamInterface<TToggle> {};

TEST_P(DataCheckBoxToggle, WritesTheOtherText) {
    Make(1, 1, TCellType::ctDataCheckBox);
    Grid().SetGridCells(1, 1, GetParam().Before);
    EXPECT_TRUE(Grid().ToggleCheckBox(1, 1, false));
    EXPECT_EQ(Grid().GetGridCells(1, 1), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(Texts, DataCheckBoxToggle,
                         testing::Values(TToggle{"Y", "N"}, TToggle{"N", "Y"}, TToggle{"maybe", "Y"},
                                         TToggle{"", "Y"}));

TEST_F(CellGraphics, ToggleThatNeedsAnEditableCellRefusesAReadOnlyOne) {
    TCellGraphic* box = Make(1, 1, TCellType::ctCheckBox);
    Grid().SetOptions(Grid().Options() + goEditing);
    Grid().GetCellProperties(1, 1)->ReadOnly = true;
    EXPECT_FALSE(Grid().ToggleCheckBox(1, 1, true));
    EXPECT_FALSE(box->CellBoolean);
    EXPECT_TRUE(Grid().ToggleCheckBox(1, 1, false));
    EXPECT_TRUE(box->CellBoolean);
    EXPECT_FALSE(Grid().ToggleCheckBox(2, 1, false)); // no check box there
}

// Space on a check box changes the cell first; the event then reports the new state.
TEST_F(CellGraphics, SpaceTogglesTheBoxAndReportsItsNewState) {
    TCellGraphic* box = Make(1, 1, TCellType::ctCheckBox);
    Make(2, 1, TCellType::ctDataCheckBox);
    Grid().SetGridCells(2, 1, "N");
    Grid().SetOptions(Grid().Options() + goEditing);
    std::vector<std::pair<int, bool>> clicks;
    Grid().OnCheckBoxClick = [&](QObject*, int col, int, bool state) { clicks.push_back({col, state}); };
    w_.Key(Qt::Key_Space);
    EXPECT_TRUE(box->CellBoolean);
    w_.Key(Qt::Key_Right);
    w_.Key(Qt::Key_Space);
    EXPECT_EQ(Grid().GetGridCells(2, 1), "Y");
    w_.Key(Qt::Key_Left);
    w_.Key(Qt::Key_Space);
    EXPECT_FALSE(box->CellBoolean);
    EXPECT_EQ(clicks, (std::vector<std::pair<int, bool>>{{1, true}, {2, true}, {1, false}}));
}

TEST_F(CellGraphics, ARadioGroupWrapsFromItsLastChoiceToTheFirst) {
    TCellGraphic* radio = Make(1, 1, TCellType::ctRadio);
    radio->SetObject(std::make_unique<QStringList>(QStringList{"a", "b", "c"}));
    radio->CellIndex = 2;
    Grid().SetOptions(Grid().Options() + goEditing);
    std::vector<int> clicks;
    Grid().OnRadioClick = [&](QObject*, int, int, int index) { clicks.push_back(index); };
    w_.Key(Qt::Key_Space);
    EXPECT_EQ(radio->CellIndex, 0);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "a");
    w_.Key(Qt::Key_Space);
    EXPECT_EQ(clicks, (std::vector<int>{0, 1}));
    // A data radio keeps its choice in the text alone.
    radio->CellIndex = -1;
    Grid().SetGridCells(1, 1, "c");
    Grid().RadioNext(1, 1, false);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "a");
    EXPECT_EQ(radio->CellIndex, -1);
    EXPECT_EQ(*Grid().GetRadioItems(1, 1), (QStringList{"a", "b", "c"}));
}

TEST_F(CellGraphics, RemovingAVirtualCheckBoxLeavesTheSharedGraphicAlive) {
    auto shared = std::make_unique<TCellGraphic>();
    shared->CellType = TCellType::ctVirtCheckBox;
    for (int r = 1; r < 5; ++r) Grid().ShareCellGraphic(1, r, shared.get());
    EXPECT_TRUE(Grid().HasCheckBox(1, 3));
    EXPECT_TRUE(Grid().RemoveCellGraphic(1, 2));
    Grid().RemoveRows(3, 1);
    Grid().ClearRows(1, 1);
    EXPECT_EQ(Grid().GetCellGraphic(1, 3), shared.get()); // the former row 4 shows it still
    EXPECT_TRUE(Grid().Verify());
}

struct TFit {
    int Mode, Margin, Width, Height;
};

class PictureFit : public testing::TestWithParam<TFit> {};

// A 200 × 100 picture in a 100 × 100 area.
TEST_P(PictureFit, FitsThePictureByTheStretchMode) {
    const TFit f = GetParam();
    EXPECT_EQ(TVevIvizudEvar::FitPicture(200, 100, 100, 100, f.Margin, f.Mode), (TPoint{f.Width, f.Height}));
}

INSTANTIATE_TEST_SUITE_P(Modes, PictureFit,
                         testing::Values(TFit{2, 0, 100, 50}, TFit{3, 0, 100, 100}, TFit{0, 0, 200, 100},
                                         TFit{1, 0, 100, 100}, TFit{4, 0, 100, 50}, TFit{1, 10, 90, 90},
                                         TFit{2, 20, 80, 40}, TFit{9, 50, 200, 100}, TFit{3, 150, 0, 0},
                                         TFit{4, 150, 0, 0}));

TEST_F(CellGraphics, ExtentsOfTheGraphicKinds) {
    Grid().SetColWidths(1, 80);
    Grid().SetRowHeights(1, 30);
    TCellGraphic* bitmap = Make(1, 1, TCellType::ctBitmap);
    auto image = std::make_unique<TBitmap>();
    image->SetSize(16, 12);
    bitmap->SetObject(std::move(image));
    EXPECT_EQ(Grid().GetCellGraphicExtent(1, 1), (TPoint{16, 12})); // no text: its width counts
    Grid().SetGridCells(1, 1, "text");
    EXPECT_EQ(Grid().GetCellGraphicExtent(1, 1), (TPoint{0, 12})); // under or over the text
    bitmap->CellHAlign = TCellHAlign::haBeforeText;
    EXPECT_EQ(Grid().GetCellGraphicExtent(1, 1), (TPoint{16, 12}));
    bitmap->CellVAlign = TCellVAlign::vaFull;
    EXPECT_EQ(Grid().GetCellGraphicExtent(1, 1), (TPoint{16, 30}));
    EXPECT_EQ(Grid().GetCellGraphicPrintExtent(1, 1, {0, 0, 50, 50}, 2), (TPoint{16, 12}));

    Make(2, 1, TCellType::ctCheckBox);
    EXPECT_EQ(Grid().GetCellGraphicExtent(2, 1),
              (TPoint{Grid().ControlLook.CheckSize, Grid().ControlLook.CheckSize}));
    TCellGraphic* button = Make(3, 1, TCellType::ctButton);
    button->CellIndex = (18 << 16) | 40;
    EXPECT_EQ(Grid().GetCellGraphicExtent(3, 1), (TPoint{40, 18}));
    TCellGraphic* radio = Make(1, 2, TCellType::ctRadio);
    radio->SetObject(std::make_unique<QStringList>(QStringList{"i", "longer item"}));
    const int line = Grid().Canvas().TextHeight("gh");
    const int wide = Grid().Canvas().TextWidth("longer item") + 12;
    EXPECT_EQ(Grid().GetCellGraphicExtent(1, 2), (TPoint{wide, 2 * line}));
    radio->CellBoolean = true; // side by side
    EXPECT_EQ(Grid().GetCellGraphicExtent(1, 2), (TPoint{wide + Grid().Canvas().TextWidth("i") + 12, line}));
}

TEST_F(CellGraphics, APictureFromAFileIsFittedIntoItsCell) {
    QTemporaryDir dir;
    const QString file = dir.filePath("p.png");
    QImage(200, 100, QImage::Format_RGB32).save(file);
    auto picture = std::make_unique<TFilePicture>();
    picture->SetFilename(file);
    EXPECT_EQ(picture->Width(), 200);
    TCellGraphic* graphic = Make(1, 1, TCellType::ctFilePicture);
    graphic->SetObject(std::move(picture));
    graphic->CellAngle = 2;
    Grid().SetColWidths(1, 100);
    Grid().SetRowHeights(1, 100);
    EXPECT_EQ(Grid().GetCellGraphicExtent(1, 1), (TPoint{100, 50}));
    EXPECT_EQ(Grid().GetCellGraphicPrintExtent(1, 1, {0, 0, 50, 50}, 2), (TPoint{100, 50}));
    TFilePicture missing;
    missing.SetFilename(dir.filePath("none.png"));
    EXPECT_EQ(missing.Width(), 0);
}

TEST_F(CellGraphics, APreciseCheckBoxHitNeedsThePointerOnTheBox) {
    TCellGraphic* box = Make(1, 1, TCellType::ctCheckBox);
    box->CellVAlign = TCellVAlign::vaTop;
    const TRect cell = Grid().CellRectEx(1, 1);
    EXPECT_TRUE(Grid().IsCheckBoxHit(1, 1, cell.Right - 1, cell.Bottom - 1)); // anywhere without Precise
    Grid().MouseActions.PreciseCheckBoxCheck = true;
    EXPECT_TRUE(Grid().IsCheckBoxHit(1, 1, cell.Left + 3, cell.Top + 3));
    EXPECT_FALSE(Grid().IsCheckBoxHit(1, 1, cell.Right - 1, cell.Top + 3));
    Grid().OnGetAlignment = [](QObject*, int, int, TAlignment& h, TVAlignment&) {
        h = TAlignment::taRightJustify;
    };
    EXPECT_TRUE(Grid().IsCheckBoxHit(1, 1, cell.Right - 3, cell.Top + 3));
    EXPECT_FALSE(Grid().IsCheckBoxHit(2, 1, cell.Right - 3, cell.Top + 3));
}

} // namespace
