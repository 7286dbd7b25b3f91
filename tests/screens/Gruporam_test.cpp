// The extension groups screen: what its OK stores from the rows of the scratch table, what it
// refuses, the group edit and the member lists.

#include "ScratchFixture.h"
#include "core/ExtensionCodes.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/MaskEdit.h"
#include "screens/Gruporam.h"

#include <QTest>

#include <map>

namespace {

constexpr std::uint8_t BB = 0xBB;

class GrupoRamTest : public ScratchFixture {
protected:
    void Open() {
        LoadWithoutGroups();
        Show();
    }
    void LoadWithoutGroups() {
        LoadModel(11);
        for (std::size_t g = 0; g < 4; ++g) {
            ProgrammingImage[2425 + 8 * g] = 0x40;
            ProgrammingImage.Fill(2426 + 8 * g, 7, BB);
        }
        ProgrammingImage.Fill(2457, 20, 0);
    }
    void Show() {
        Build(5);
        ShowActive(screen);
        before = TProgrammingState::Now();
    }
    platform::data::TDataSet& Table() { return screen.TableGrupoRam(); }
    void GoToGroup(int group) { QTest::keyClick(screen.Edit1, static_cast<char>('0' + group)); }
    // Fills the current group: its type ("1".."3", "0" none) and the member slots (1..7) given.
    void SetGroup(const char* type, const std::map<int, std::string>& members) {
        Table().Edit();
        Table().FieldByName("TIPOGRUPO").SetAsString(type);
        for (const auto& [slot, text] : members)
            Table().FieldByName("RAMAL0" + std::to_string(slot)).SetAsString(text);
    }
    static std::string Number(int position) { return std::to_string(ExtensionNumber(position)); }

    void ExpectStored(const TBytes& changes) { ScratchFixture::ExpectStored(before, changes, 8, screen); }
    // The OK was refused with this message, on this group, and nothing changed.
    void ExpectRefused(const std::string& message, const char* group) {
        ExpectOkRefused(screen, before, message);
        EXPECT_EQ(screen.Edit1->Text(), group);
        EXPECT_EQ(QApplication::focusWidget(), screen.Edit1);
    }

    TFormGrupoRam screen;
    TProgrammingState before;
};

TEST_F(GrupoRamTest, MembersArePackedFromTheFirstByteAndMarkedInTheirPositions) {
    Open();
    GoToGroup(2);
    SetGroup("2", {{2, Number(4)}, {5, Number(7)}});
    Table().FieldByName("NUMTOQUES").SetAsString("5");
    screen.OkButtonClick();
    ExpectStored(
        {{2433, 1}, {2434, 4}, {2435, 7}, {2436, BB}, {2440, BB}, {2457 + 4, 4}, {2457 + 7, 4}, {2478, 5}});
}

TEST_F(GrupoRamTest, AGroupWithoutMembersIsStoredEmptyWhateverItsType) {
    LoadWithoutGroups();
    const std::uint8_t group1[] = {0x10, 2, 3, BB, BB, BB, BB, BB};
    std::ranges::copy(group1, ProgrammingImage.Span(2425, 8).begin());
    ProgrammingImage[2459] = ProgrammingImage[2460] = 2;
    Show();
    screen.Button1Click(); // "A&paga": no members, no type
    EXPECT_EQ(Table().FieldByName("TIPOGRUPO").AsString(), "0");
    screen.OkButtonClick();
    ExpectStored({{2425, 0x40}, {2426, BB}, {2427, BB}, {2459, 0}, {2460, 0}});
}

TEST_F(GrupoRamTest, AMultipleGroupTakesAtMostSixMembers) {
    Open();
    GoToGroup(3);
    std::map<int, std::string> members;
    for (int slot = 1; slot <= 7; ++slot) members[slot] = Number(slot - 1);
    SetGroup("3", members);
    GoToGroup(1);
    screen.OkButtonClick();
    ExpectRefused("Grupo Múltiplo não pode possuir mais que 6 ramais.", "3");
    EXPECT_EQ(Table().FieldByName("GRUPO").AsString(), "3");

    services.messages.shown.clear();
    SetGroup("3", {{7, ""}});
    screen.OkButtonClick();
    TBytes stored = {{2441, 16}, {2448, BB}};
    for (int p = 0; p < 6; ++p) {
        stored[2442 + static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(p);
        stored[2457 + static_cast<std::size_t>(p)] = 8;
    }
    ExpectStored(stored);
}

TEST_F(GrupoRamTest, MembersWithoutATypeAreRefused) {
    Open();
    GoToGroup(4);
    SetGroup("0", {{1, Number(2)}});
    screen.OkButtonClick();
    ExpectRefused("Tipo de grupo não foi definido.", "4");
}

TEST_F(GrupoRamTest, APositionInTwoGroupsGetsBothBitsAndAnAccessCodeNone) {
    Open();
    SetGroup("1", {{1, Number(3)}, {2, "60"}});
    GoToGroup(3);
    SetGroup("1", {{4, Number(3)}, {6, "9999"}}); // a number of no position is dropped
    screen.OkButtonClick();
    ExpectStored({{2425, 0}, {2426, 3}, {2427, 0x70}, {2441, 0}, {2442, 3}, {2460, 0x0A}});
}

TEST_F(GrupoRamTest, TheGroupEditShowsTheGroupTypedAndRefusesOthers) {
    Open();
    GoToGroup(3);
    EXPECT_EQ(Table().FieldByName("GRUPO").AsString(), "3");
    EXPECT_EQ(screen.Edit1->Text(), "3");
    GoToGroup(7);
    ExpectOneBox("Grupo de ramais não existe.", TMsgKind::Information);
    EXPECT_EQ(screen.Edit1->Text(), "3");
    EXPECT_EQ(Table().FieldByName("GRUPO").AsString(), "3");
}

TEST_F(GrupoRamTest, AMemberIsOfferedOnlyInItsOwnSlot) {
    Open();
    SetGroup("1", {{2, Number(5)}});
    screen.VRamalGrupo();
    const QString member = QString::fromStdString(Number(5));
    for (int slot = 0; slot < 7; ++slot) {
        SCOPED_TRACE(slot);
        const TDBComboBox* list = screen.DBComboBoxes[static_cast<std::size_t>(slot)];
        EXPECT_EQ(list->itemText(0), "    ");
        EXPECT_EQ(list->findText(member) >= 0, slot == 1);
        EXPECT_GE(list->findText(QString::fromStdString(Number(6))), 0);
        EXPECT_EQ(list->findText("60"), -1);
    }
    EXPECT_EQ(screen.DBComboBoxes[1]->ShownText(), member);
}

TEST_F(GrupoRamTest, ChoosingAMemberAndCancellingChangesNothing) {
    Open();
    TDBComboBox* list = screen.DBComboBoxes[0];
    const int item = list->findText(QString::fromStdString(Number(2)));
    ASSERT_GE(item, 0);
    list->setCurrentIndex(item);
    emit list->activated(item);
    EXPECT_EQ(Table().FieldByName("RAMAL01").AsString(), Number(2));
    screen.CancButtonClick();
    EXPECT_FALSE(screen.isVisible());
    EXPECT_TRUE(TProgrammingState::Now() == before);
}

TEST(RamalParaIndice, BlanksAndUnknownNumbersGiveNoExtension) {
    EXPECT_EQ(RamalParaIndice(""), 0xBB);
    EXPECT_EQ(RamalParaIndice("    "), 0xBB);
    EXPECT_EQ(RamalParaIndice("     "), 0xBB);
    EXPECT_EQ(RamalParaIndice("62"), 0x72);
    EXPECT_EQ(RamalParaIndice("6"), 0xBB);
}

} // namespace
