// The private-codes screen.

#include "GridScreenTest.h"
#include "platform/os/Cp1252.h"
#include "screens/Codpart.h"

namespace {

constexpr int ExtensionCol = 1, NameCol = 2;

class CodPartTest : public GridScreenTest {
protected:
    TVevIvizudEvar& Grid() { return *screen.VevIvizudEvar1; }
    void SetExtension(int row, const char* number) {
        SetCell(Grid(), ExtensionCol, row, QString(number).leftJustified(5));
    }
    std::string Name(int code) const { return Cp1252ToUtf8(ProgrammingImage.ShortString(2646 + 21 * code)); }
    TFormCodPart screen;
};

TEST_F(CodPartTest, ShowsEachCodesExtensionNumberAndName) {
    LoadModel(13); // 8 positions, numbers 20..27
    ProgrammingImage[2606] = 3;
    ProgrammingImage[2607] = 17; // a position beyond the model's plan
    ProgrammingImage.SetShortString(2646, Utf8ToCp1252("Diretoria São Paulo"));
    ShowActive(screen);
    EXPECT_EQ(Grid().GetRowCount(), 41);
    EXPECT_EQ(Cell(Grid(), 0, 1), "00");
    EXPECT_EQ(Cell(Grid(), 0, 40), "39");
    EXPECT_EQ(Cell(Grid(), ExtensionCol, 1), "23");
    EXPECT_EQ(Cell(Grid(), NameCol, 1), "Diretoria São Paulo");
    EXPECT_EQ(Cell(Grid(), ExtensionCol, 2), "");
    EXPECT_EQ(Cell(Grid(), ExtensionCol, 3), ""); // 0xBB
    EXPECT_EQ(Grid().Col(), ExtensionCol);
    EXPECT_EQ(Grid().GetCurrentRow(), 1);
}

TEST_F(CodPartTest, OkStoresPositionsAndClearsTheNamesOfEmptyCodes) {
    LoadModel(11);
    ProgrammingImage[2606 + 4] = 2;
    ProgrammingImage.SetShortString(2646 + 21 * 4, "Old");
    ShowActive(screen);
    SetExtension(1, "25");
    SetCell(Grid(), NameCol, 1, QStringLiteral("Recepção").leftJustified(20));
    SetExtension(2, "25"); // one extension may serve several codes
    SetExtension(5, "");   // code 04 emptied: its name goes
    screen.OkButtonClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(ProgrammingImage[2606], 5);
    EXPECT_EQ(ProgrammingImage[2607], 5);
    EXPECT_EQ(ProgrammingImage[2606 + 4], 0xBB);
    EXPECT_EQ(Name(0), "Recepção");
    EXPECT_EQ(Name(4), "");
    EXPECT_EQ(EditedSections[19] + ModifiedSections[19] + ProgrammingModified, 3);
}

TEST_F(CodPartTest, AnExtensionOutsideThePlanStopsOkAtItsRow) {
    LoadModel(11);
    ShowActive(screen);
    for (const char* number : {"45", "35", "2x", "99999"}) {
        SCOPED_TRACE(number);
        services.messages.shown.clear();
        SetExtension(3, "21");
        SetExtension(7, number);
        const auto before = TProgrammingState::Now();
        screen.OkButtonClick();
        ExpectErrorAt(Grid(), "Ramal não existe ou está incorreto.", ExtensionCol, 7);
        EXPECT_EQ(TProgrammingState::Now(), before);
    }
}

TEST_F(CodPartTest, RamalExisteKnowsThePlanOfTheModel) {
    LoadModel(13);
    EXPECT_TRUE(RamalExiste(""));
    EXPECT_TRUE(RamalExiste("27"));
    EXPECT_FALSE(RamalExiste("28")); // position 8 is beyond model 13
    EXPECT_FALSE(RamalExiste("-1"));
    EXPECT_FALSE(RamalExiste("21 "));
}

} // namespace
