// The boss-secretary groups screen: which groups its OK takes, what it stores, the member lists.

#include "ScratchFixture.h"
#include "core/ExtensionCodes.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/Keys.h"
#include "platform/ui/MaskEdit.h"
#include "screens/Chefsecr.h"

#include <map>

namespace {

constexpr std::uint8_t BB = 0xBB;
const char* const Columns[] = {"CHEFE01", "CHEFE02", "SECRE01", "SECRE02"};

class ChefeSecrTest : public ScratchFixture {
protected:
    // No group has members; the main window's steps before the screen.
    void Open(const std::map<std::size_t, std::uint8_t>& members = {}) {
        LoadModel(11);
        ProgrammingHeader.Fill(274, 16, BB);
        for (const auto& [offset, code] : members) ProgrammingHeader[offset] = code;
        Build(6);
        BuildExtensionList(false);
        screen.PreencheCombosChefeSecr(1);
        ShowActive(screen);
        before = TProgrammingState::Now();
    }
    platform::data::TDataSet& Table() { return screen.TableChefeSecr(); }
    void GoToGroup(int group) {
        int key = '0' + group;
        screen.EnterGrupo(key, {});
    }
    // Slots 1..4 of the current group get the numbers of these positions.
    void SetMembers(const std::map<int, int>& positions) {
        Table().Edit();
        for (const auto& [slot, position] : positions)
            Table().FieldByName(Columns[slot - 1]).SetAsString(std::to_string(ExtensionNumber(position)));
    }

    TFormChefeSecr screen;
    TProgrammingState before;
};

struct TGroupCase {
    const char* name;
    std::map<int, int> members; // slot -> position
    bool stored;
};
const TGroupCase GroupCases[] = {
    {"Chefe 2 only", {{2, 4}}, false},
    {"Chefe 1 only", {{1, 4}}, false},
    {"Secretária 1 and 2", {{3, 4}, {4, 5}}, false},
    {"Chefe 1 and Secretária 1", {{1, 4}, {3, 5}}, true},
    {"all four", {{1, 4}, {2, 6}, {3, 5}, {4, 7}}, true},
};

TEST_F(ChefeSecrTest, AGroupNeedsChefe1AndSecretaria1OrNothing) {
    for (const TGroupCase& group : GroupCases) {
        SCOPED_TRACE(group.name);
        services.messages.shown.clear();
        Open();
        GoToGroup(3);
        SetMembers(group.members);
        GoToGroup(1);
        screen.OkButtonClick();
        if (!group.stored) {
            ExpectOkRefused(screen, before, "Se grupo for preenchido deve existir Chefe 1 e Secretária 1.");
            EXPECT_EQ(screen.Edit1->Text(), "3");
            EXPECT_TRUE(screen.isVisible());
            screen.CancButtonClick();
            continue;
        }
        TBytes stored;
        for (const auto& [slot, position] : group.members)
            stored[(slot <= 2 ? 278u : 286u) + static_cast<std::size_t>((slot - 1) % 2)] =
                static_cast<std::uint8_t>(position);
        ExpectStored(before, stored, 9, screen); // 290 on untouched
    }
}

TEST_F(ChefeSecrTest, Chefe1AndSecretaria1OnlyLeaveTheOtherTwoEmpty) {
    Open({{274, 9}, {282, 1}}); // group 1 had only a different boss 1 and secretary 1
    SetMembers({{1, 4}, {3, 5}});
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[274], 4);
    EXPECT_EQ(ProgrammingHeader[275], BB);
    EXPECT_EQ(ProgrammingHeader[282], 5);
    EXPECT_EQ(ProgrammingHeader[283], BB);
}

TEST_F(ChefeSecrTest, AMemberOfAnotherGroupIsNotOffered) {
    Open({{274, 3}, {282, 4}, {283, 5}});
    const auto offered = [&](int list, int position) {
        const TDBComboBox* lists[] = {screen.DBComboBox1, screen.DBComboBox2, screen.DBComboBox3,
                                      screen.DBComboBox4};
        return lists[list]->findText(QString::number(ExtensionNumber(position))) >= 0;
    };
    EXPECT_TRUE(offered(0, 3)); // group 1: its boss in its own slot only
    EXPECT_FALSE(offered(1, 3));
    EXPECT_TRUE(offered(3, 5));
    EXPECT_TRUE(offered(1, 6));
    EXPECT_EQ(screen.DBComboBox1->itemText(0), "     ");
    GoToGroup(2);
    for (int list = 0; list < 4; ++list) {
        for (int member : {3, 4, 5}) EXPECT_FALSE(offered(list, member)) << list << " " << member;
        EXPECT_TRUE(offered(list, 6));
    }
}

TEST_F(ChefeSecrTest, SpaceOrDeleteEmptiesASlotAndApagaTheGroup) {
    Open({{274, 3}, {275, 6}, {282, 4}, {283, 5}});
    int key = VK_SPACE;
    screen.DBComboBox2KeyDown(key, {});
    EXPECT_EQ(key, 0);
    key = VK_DELETE;
    screen.DBComboBox4KeyDown(key, {});
    key = 'A';
    screen.DBComboBox3KeyDown(key, {});
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[275], BB);
    EXPECT_EQ(ProgrammingHeader[283], BB);
    EXPECT_EQ(ProgrammingHeader[282], 4);

    Open({{274, 3}, {282, 4}});
    screen.Button1Click();
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[274], BB);
    EXPECT_EQ(ProgrammingHeader[282], BB);
}

TEST_F(ChefeSecrTest, AGroupThatDoesNotExistIsReported) {
    Open();
    GoToGroup(4);
    GoToGroup(5);
    ExpectOneBox("Grupo chefe-secretária não existe.", TMsgKind::Information);
    EXPECT_EQ(screen.Edit1->Text(), "4");
    EXPECT_EQ(Table().FieldByName("GRUPO").AsString(), "4");
}

} // namespace
