// The general speed-dial screen and the view of the individual speed dials.

#include "GridScreenTest.h"
#include "core/ValueConversions.h"
#include "grid/ComboEditor.h"
#include "platform/os/Cp1252.h"
#include "platform/ui/StringGrid.h"
#include "screens/Agcolet.h"
#include "screens/Agindiv.h"

namespace {

constexpr int CategoryCol = 1, RouteCol = 2, NumberCol = 3, NameCol = 4;

PackedNumber Entry(int i) {
    return ProgrammingImage.Packed(1315 + 16 * (i - 1));
}
std::string EntryName(int i) {
    return Cp1252ToUtf8(ProgrammingImage.ShortString(1795 + 21 * (i - 1)));
}

class AgColetTest : public GridScreenTest {
protected:
    void Open(int model) {
        LoadModel(model);
        ShowActive(screen);
    }
    TVevIvizudEvar& Grid() { return *screen.VevIvizudEvar1; }
    // A row as the masks keep it: the number padded to 20, the name to 20.
    void SetRow(int row, const char* category, const char* route, const char* number, const char* name = "") {
        SetCell(Grid(), CategoryCol, row, category);
        SetCell(Grid(), RouteCol, row, route);
        SetCell(Grid(), NumberCol, row, QString(number).leftJustified(20));
        SetCell(Grid(), NameCol, row, QString::fromUtf8(name).leftJustified(20));
    }
    void ExpectRefused(const std::string& message, int col, int row) {
        const auto before = TProgrammingState::Now();
        screen.OkButtonClick();
        ExpectErrorAt(Grid(), message, col, row);
        EXPECT_EQ(TProgrammingState::Now(), before);
    }
    TFormAgColet screen;
};

TEST_F(AgColetTest, ShowsTheEntriesAndTheirDiallingCodes) {
    for (const int model : {11, 8}) {
        SCOPED_TRACE(model);
        LoadModel(model);
        PackedNumber number = PackPhoneNumber("04832221111");
        number[0] = 0x85;
        number[1] |= 3 << 5;
        ProgrammingImage.SetPacked(1315 + 16, number);
        ProgrammingImage.SetShortString(1795 + 21, Utf8ToCp1252("Táxi"));
        ShowAgain(screen);
        EXPECT_EQ(Cell(Grid(), 0, 1), model == 11 ? "760" : "60");
        EXPECT_EQ(Cell(Grid(), 0, 30), model == 11 ? "789" : "89");
        EXPECT_EQ(Cell(Grid(), CategoryCol, 2), "Sim");
        EXPECT_EQ(Cell(Grid(), RouteCol, 2), "3");
        EXPECT_EQ(Cell(Grid(), NumberCol, 2), "04832221111");
        EXPECT_EQ(Cell(Grid(), NameCol, 2), "Táxi");
        EXPECT_EQ(Cell(Grid(), CategoryCol, 1), "Não");
        EXPECT_EQ(Cell(Grid(), RouteCol, 1), ""); // an empty entry shows no route
    }
}

TEST_F(AgColetTest, OkPacksEachEntryAndKeepsBitsNoControlShows) {
    LoadModel(11);
    ProgrammingImage[1315] = 0x85;      // entry 1: category and kept bits
    ProgrammingImage[1315 + 16] = 0x7F; // entry 2: kept bits only
    ProgrammingImage.SetShortString(1795 + 21 * 2, "old name");
    ShowActive(screen);
    SetRow(1, "Não", "", "", "shown, not stored");
    SetRow(2, "Sim", "0", "0123", "Pizzaria");
    SetCell(Grid(), NameCol, 3, "old name"); // an empty entry keeps no name
    screen.OkButtonClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(Entry(1), (PackedNumber{0x05}));
    EXPECT_EQ(EntryName(1), "");
    const PackedNumber pizzeria = {0xFF, 0x04, 0xA1, 0x23};
    EXPECT_EQ(Entry(2), pizzeria);
    EXPECT_EQ(EntryName(2), "Pizzaria");
    EXPECT_EQ(EntryName(3), "");
    EXPECT_EQ(EditedSections[5] + ModifiedSections[5] + ProgrammingModified, 3);
}

struct TBadRow {
    const char* route;
    const char* number;
    const char* message;
    int col;
};

class AgColetRefused : public AgColetTest, public testing::WithParamInterface<TBadRow> {};

TEST_P(AgColetRefused, TheRowIsReportedAtItsCell) {
    const TBadRow& bad = GetParam();
    Open(11);
    SetRow(1, "Sim", "1", "111");
    SetRow(4, "Não", bad.route, bad.number);
    ExpectRefused(bad.message, bad.col, 4);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AgColetRefused,
    testing::Values(
        TBadRow{"7", "222", "Número da rota não é válido.", RouteCol},
        TBadRow{"8", "222", "Número da rota não é válido.", RouteCol},
        TBadRow{"9", "222", "Número da rota não é válido.", RouteCol},
        TBadRow{"x", "222", "Número da rota não é válido.", RouteCol},
        TBadRow{"", "222", "É necessário definir o número da rota.", RouteCol},
        TBadRow{"2", "", "O número de telefone deve ser informado quando a rota é definida.", NumberCol},
        TBadRow{"2", "22a", "O valor deve ser um número.", NumberCol},
        // the same route and number as row 1, another category
        TBadRow{"1", "111", "Repetição de número de telefone e rota não é permitido.", NumberCol}));

TEST_F(AgColetTest, TheSameNumberOnAnotherRouteOrANumberClearedToBlanksIsAccepted) {
    Open(11);
    SetRow(1, "Sim", "1", "111");
    SetRow(2, "Sim", "2", "111");
    SetRow(3, "Não", "", "                    "); // a number typed and erased again
    screen.OkButtonClick();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(Entry(2)[1], 0x43);
    EXPECT_EQ(Entry(3), PackedNumber{});
}

TEST_F(AgColetTest, OkTakesTheCategoryStillOpenInTheDropDownList) {
    Open(11);
    SetRow(5, "Não", "1", "555");
    Grid().setFocus();
    Grid().SetCol(CategoryCol);
    Grid().SetCurrentRow(5);
    QTest::keyClick(&Grid(), Qt::Key_F2);
    ASSERT_TRUE(Grid().Combo()->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // "Sim"
    screen.OkButtonClick();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(Entry(5)[0], 0x80);
}

class AgIndivTest : public ScreenFixture {
protected:
    TFormAgIndiv screen;
};

TEST_F(AgIndivTest, EachRowShowsAPositionsOwnNumberBesideItsSpeedDial) {
    LoadModel(13); // 8 positions
    const std::uint16_t numbers[] = {30, 21, 22, 87, 23, 24, 25, 26};
    for (int p = 0; p < 8; ++p) ProgrammingImage.SetU16(832 + 2 * p, numbers[p]);
    ProgrammingImage.SetPacked(3810, PackPhoneNumber("1111"));      // position 0, number 30
    ProgrammingImage.SetPacked(3810 + 16, PackPhoneNumber("2222")); // position 1, number 21
    ProgrammingImage.SetPacked(3810 + 48, PackPhoneNumber("8787")); // position 3, number 87
    ShowActive(screen);
    TStringGrid& grid = *screen.StringGrid1;
    ASSERT_EQ(grid.RowCount(), 9);
    EXPECT_EQ(grid.Cells(0, 1), "     21");
    EXPECT_EQ(grid.Cells(1, 1), "2222");
    EXPECT_EQ(grid.Cells(0, 7), "     30");
    EXPECT_EQ(grid.Cells(1, 7), "1111");
    EXPECT_EQ(grid.Cells(0, 8), "     87");
    EXPECT_EQ(grid.Cells(1, 8), "8787");
    EXPECT_EQ(grid.Cells(1, 2), "");

    const auto before = TProgrammingState::Now();
    screen.OkButton->click();
    EXPECT_FALSE(screen.isVisible());
    EXPECT_EQ(TProgrammingState::Now(), before);
}

} // namespace
