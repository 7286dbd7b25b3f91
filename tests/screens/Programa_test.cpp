// The screen of one extension: the bytes its OK stores, the cancellation page and its pages.

#include "CategoryFixture.h"
#include "screens/Programa.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>

namespace {

class ProgRamaTest : public CategoryFixture {
protected:
    // The screen of the extension at position, as its button in the main window opens it.
    void Open(int position, int model = 11) {
        LoadModel(model);
        Reopen(position);
    }
    void Reopen(int position) {
        EditedPosition = static_cast<std::uint8_t>(position);
        BuildTable(position + 1);
        screen = std::make_unique<TFormProgRama>();
        screen->SetTable(table);
        ShowActive(*screen);
    }
    std::unique_ptr<TFormProgRama> screen;
};

TEST_F(ProgRamaTest, FacilityBitFiveSurvivesAndTheCancellationPageWritesItsByte) {
    LoadModel(11);
    ProgrammingHeader[58 + 3] = 0x21;  // day: facility bits 0 and 5
    ProgrammingHeader[138 + 3] = 0x20; // night: bit 5
    ProgrammingHeader[178 + 3] = 0x10; // attribute bit 4
    ProgrammingHeader[254 + 3] = 0xE1; // password, TI, bits 6 and 7
    Reopen(3);
    const TProgrammingState before = TProgrammingState::Now();
    for (std::size_t n = 0; n < 6; ++n) {
        const bool programmed = n == 0 || n == 5;
        EXPECT_EQ(screen->CheckBox[n]->isEnabled(), programmed) << n;
        EXPECT_EQ(screen->CheckBox[n]->isChecked(), programmed) << n;
    }
    SetBox(screen->Day.Rota[1], true);
    screen->CheckBox[5]->setChecked(false); // "Ramal TI" cancelled
    screen->ButtonOkClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());

    std::array<std::uint8_t, ImageSize> expected = before.bytes;
    expected[38 + 3] = 0x02;  // route 1
    expected[178 + 3] = 0x00; // attribute bit 4 cleared
    expected[254 + 3] = 0x01; // TI cleared, bits 6 and 7 cleared
    EXPECT_EQ(ProgrammingBytes, expected);
    EXPECT_EQ(ModifiedSections[Section::Categories], 1);
    EXPECT_EQ(ProgrammingModified, 1);
    EXPECT_FALSE(table->Active());
}

TEST_F(ProgRamaTest, AnErrorShowsItsPageAndStoresNothing) {
    Open(0);
    const TProgrammingState before = TProgrammingState::Now();
    screen->CheckBox[0]->setEnabled(true);
    screen->CheckBox[0]->setChecked(true);
    SetBox(screen->Night.Rota[0], false);
    ChooseSubRoute(screen->Night.Combo, "2");
    screen->ButtonOkClick();
    ExpectOkRefused(*screen, before, "A rota deverá estar definida para permitir acesso a sub-rota");
    EXPECT_EQ(screen->TabbedNotebook1->currentIndex(), TCategoryScreen::NightPage);
}

// The main window offers no button for such an extension; the screen stays safe without one.
TEST_F(ProgRamaTest, AnExtensionWithoutARecordStoresNothing) {
    LoadModel(11);
    ProgrammingImage.SetU16(832 + 2 * 7, 68);
    const TProgrammingState before = TProgrammingState::Now();
    Reopen(7);
    screen->PadButtonClick();
    screen->ButtonOkClick();
    ExpectOkRefused(*screen, before, "Ramal não existe.");
}

TEST_F(ProgRamaTest, DefaultsApplyToTheOneExtensionWithoutAsking) {
    LoadModel(11);
    for (std::size_t base : {18, 38, 58, 98, 118, 138, 178}) ProgrammingHeader[base + 4] = 0x7E;
    ProgrammingHeader[78 + 4] = 2;
    Reopen(4);
    screen->PadButtonClick();
    screen->ButtonOkClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    for (std::size_t base : {18, 98}) {
        EXPECT_EQ(ProgrammingHeader[base + 4], 0x37);
        EXPECT_EQ(ProgrammingHeader[base + 20 + 4], 0x00);
        EXPECT_EQ(ProgrammingHeader[base + 40 + 4], 0x00);
        EXPECT_EQ(ProgrammingHeader[base + 60 + 4], 0);
    }
    EXPECT_EQ(ProgrammingHeader[178 + 4], 0x7E & 0x27);
}

TEST_F(ProgRamaTest, ThePageButtonCyclesThroughTheThreePagesAndHelpFollows) {
    Open(2);
    const std::pair<int, const char*> steps[] = {{TCategoryScreen::NightPage, "Canc. P&rogr"},
                                                 {TFormProgRama::CancellationPage, "&Diurno"},
                                                 {TCategoryScreen::DayPage, "&Noturno"}};
    EXPECT_EQ(screen->ButtonCat->text(), "&Noturno");
    for (const auto& [page, caption] : steps) {
        screen->ButtonCatClick();
        EXPECT_EQ(screen->TabbedNotebook1->currentIndex(), page);
        EXPECT_EQ(screen->ButtonCat->text(), caption);
        screen->BitBtn1Click();
        EXPECT_EQ(services.help.contexts.back(), page == TFormProgRama::CancellationPage ? 23 : 15);
    }
}

TEST_F(ProgRamaTest, InternetExtensionOnModelNineForPositionsZeroAndOne) {
    for (const auto& [model, position, visible, enabled] :
         {std::tuple{9, 1, true, true}, {9, 2, true, false}, {11, 0, false, true}}) {
        Open(position, model);
        EXPECT_EQ(screen->DBFACG4->isVisible(), visible);
        EXPECT_EQ(screen->DBFACG4->isEnabled(), enabled);
    }
}

} // namespace
