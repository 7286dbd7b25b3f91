// The keys screen of the intelligent terminals.

#include "ScreenFixture.h"
#include "platform/ui/StringGrid.h"
#include "screens/Teclasti.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gmock/gmock.h>

using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

constexpr std::size_t Terminals = 4130, Keys = 4170, Parameters = 4420;

class TeclasTITest : public ScreenFixture {
protected:
    // The model's fixture, terminals 1.. attached to the given positions, every key of terminal t
    // holding the code t (distinct tables), the parameters a pattern.
    void Open(int model, std::initializer_list<std::uint8_t> positions = {3, 0}) {
        LoadModel(model);
        std::size_t terminal = 0;
        for (const std::uint8_t position : positions) ProgrammingImage[Terminals + terminal++] = position;
        for (std::size_t t = 0; t < 10; ++t)
            for (std::size_t k = 0; k < 25; ++k)
                ProgrammingImage[Keys + 25 * t + k] = static_cast<std::uint8_t>(t);
        for (std::size_t i = 0; i < 250; ++i)
            ProgrammingImage[Parameters + i] = static_cast<std::uint8_t>(i * 7);
        ShowActive(screen);
    }
    std::vector<std::string> TerminalList() const {
        std::vector<std::string> items;
        for (int i = 0; i < screen.ComboBox2->count(); ++i)
            items.push_back(screen.ComboBox2->itemText(i).toStdString());
        return items;
    }
    std::vector<std::string> ValueList() const {
        std::vector<std::string> items;
        for (int i = 0; i < screen.ComboBoxF->count(); ++i)
            items.push_back(screen.ComboBoxF->itemText(i).toStdString());
        return items;
    }
    // The Tag of the checked radio button, 0 for none.
    int CheckedTag() const {
        for (int tag = 0; tag < TFormTeclasTI::TagCount; ++tag)
            if (screen.RadioButtonT[tag] && screen.RadioButtonT[tag]->isChecked()) return tag;
        return 0;
    }
    void ChooseTerminal(int index) {
        screen.ComboBox2->setCurrentIndex(index);
        screen.ComboBox2Change();
    }
    void PickKey(int key) { screen.ButtonTClick(screen.ButtonT[key - 1]); }
    // What the user does to give the current key a function from the value list.
    void PickFromList(int tag, int index) {
        screen.RadioButtonT[tag]->setChecked(true);
        screen.RadioButtonTClick(tag);
        screen.ComboBoxF->setCurrentIndex(index);
        screen.ComboBoxFExit();
    }
    std::vector<int> StoredKeys(int terminal) const {
        std::vector<int> codes;
        for (std::size_t k = 0; k < 25; ++k)
            codes.push_back(ProgrammingImage[Keys + 25 * (terminal - 1) + k]);
        return codes;
    }
    std::string KeyListText(int key) const { return screen.StringGrid1->Cells(1, key).toStdString(); }

    TFormTeclasTI screen;
};

TEST_F(TeclasTITest, TheTerminalListHoldsTheAttachedTerminalsOfTheModelOnly) {
    // Terminal 3 holds no terminal (20 and above), terminal 5 lies beyond model 9's four.
    Open(9, {3, NoExtension, 20, 0, 1});
    EXPECT_THAT(TerminalList(), ElementsAre("23", "20"));
    EXPECT_EQ(screen.ComboBox2->currentIndex(), 0);
    EXPECT_EQ(screen.CurrentTerminal, 1);
    EXPECT_EQ(screen.LabelTI->text(), "(TI 01)");
    EXPECT_THAT(screen.KeyCodes, testing::Each(0));

    ChooseTerminal(1);
    EXPECT_EQ(screen.CurrentTerminal, 4);
    EXPECT_EQ(screen.LabelTI->text(), "(TI 04)");
    EXPECT_THAT(screen.KeyCodes, testing::Each(3));
    EXPECT_EQ(screen.CurrentKey, 1);
    EXPECT_EQ(screen.LabelTecla->text(), "A");
}

// The key of a programming whose terminal table names no terminal, set and saved before, comes
// back as it was stored and stays so through an OK without a change.
TEST_F(TeclasTITest, WithoutTerminalsTheStoredKeysOfTerminal1AreShownAndKept) {
    Open(11, {});
    ProgrammingImage.Fill(Terminals, 10, NoExtension);
    ProgrammingImage[Keys] = 130; // "Linha 2" on key A
    ProgrammingImage[Keys + 1] = 255;
    ShowAgain(screen);
    EXPECT_TRUE(TerminalList().empty());
    EXPECT_EQ(screen.CurrentTerminal, 1);
    EXPECT_EQ(screen.KeyCodes[0], 130);
    EXPECT_EQ(CheckedTag(), 2);
    EXPECT_EQ(screen.ComboBoxF->currentText(), "2");
    const auto before = TProgrammingState::Now().bytes;
    screen.Button1Click();
    EXPECT_TRUE(TProgrammingState::Now().bytes == before);

    ShowAgain(screen);
    PickKey(2);
    EXPECT_EQ(CheckedTag(), 14); // "Sem função"
    EXPECT_FALSE(screen.PNCodigos->isVisibleTo(&screen));
    PickFromList(2, 0);
    screen.Button1Click();
    const std::vector<int> stored = StoredKeys(1);
    EXPECT_THAT(std::vector<int>(stored.begin(), stored.begin() + 3), ElementsAre(130, 129, 0));
}

TEST_F(TeclasTITest, Route0IsStoredAs170AndShownAsRota0) {
    Open(11);
    PickFromList(3, 0);
    PickKey(2);
    PickFromList(3, 3);

    screen.Button28Click();
    EXPECT_TRUE(screen.PainelTeclas->isVisibleTo(&screen));
    EXPECT_EQ(screen.Panel7->text(), "Teclas do TI - Ramal 23");
    EXPECT_EQ(KeyListText(1), " Rota 0");
    EXPECT_EQ(KeyListText(2), " Rota 3");
    EXPECT_EQ(KeyListText(3), " Ramal 20");
    screen.Button29Click();
    EXPECT_FALSE(screen.PainelTeclas->isVisibleTo(&screen));

    PickKey(1);
    EXPECT_EQ(CheckedTag(), 3);
    EXPECT_EQ(screen.ComboBoxF->currentText(), "0");
    screen.Button1Click();
    EXPECT_EQ(StoredKeys(1)[0], 170);
    EXPECT_EQ(StoredKeys(1)[1], 163);
}

struct TShownCase {
    int model;
    std::uint8_t code;
    int tag;          // the radio button checked, 0 for none
    int items;        // -1: no value list
    const char* item; // the item selected, "" for none
};

class TeclasTIShows : public TeclasTITest, public testing::WithParamInterface<TShownCase> {};

TEST_P(TeclasTIShows, ACodeInTheRadioButtonsAndTheValueList) {
    const TShownCase& c = GetParam();
    Open(c.model);
    screen.MostraTeclas(c.code);
    EXPECT_EQ(CheckedTag(), c.tag);
    EXPECT_EQ(screen.PNCodigos->isVisibleTo(&screen), c.items >= 0);
    if (c.items < 0) return;
    EXPECT_EQ(screen.ComboBoxF->count(), c.items);
    EXPECT_EQ(screen.ComboBoxF->currentText().toStdString(), c.item);
    EXPECT_EQ(screen.ListTag, c.tag);
}

INSTANTIATE_TEST_SUITE_P(Codes, TeclasTIShows,
                         testing::Values(TShownCase{11, 5, 1, 15, "25"},
                                         TShownCase{9, 15, 1, 12, ""}, // beyond model 9's extensions
                                         TShownCase{11, 130, 2, 4, "2"}, TShownCase{11, 158, 2, 4, ""},
                                         TShownCase{11, 161, 3, 5, "1"}, TShownCase{11, 170, 3, 5, "0"},
                                         TShownCase{11, 113, 4, 4, "4"},
                                         TShownCase{11, 115, 4, 4, ""}, // group 6: described, never offered
                                         TShownCase{11, 101, 5, 2, "2"}, TShownCase{9, 101, 5, 1, ""},
                                         TShownCase{13, 103, 6, 1, ""}, TShownCase{12, 103, 6, 2, "2"},
                                         TShownCase{9, 105, 7, 2, "2"}, TShownCase{9, 119, 13, 2, "1"},
                                         TShownCase{11, 106, 10, -1, ""}, TShownCase{11, 107, 8, -1, ""},
                                         TShownCase{11, 108, 9, -1, ""}, TShownCase{11, 109, 15, -1, ""},
                                         TShownCase{11, 255, 14, -1, ""},
                                         TShownCase{11, 118, 0, -1, ""}, // paging: no radio button
                                         TShownCase{11, 121, 0, -1, ""}, TShownCase{11, 50, 0, -1, ""},
                                         TShownCase{11, 160, 0, -1, ""}));

struct TStoreCase {
    int tag;
    int index; // item of the value list; -1 for a radio button without a list
    int code;  // -1: nothing stored
};

class TeclasTIStores : public TeclasTITest, public testing::WithParamInterface<TStoreCase> {};

TEST_P(TeclasTIStores, TheCodeOfAFunctionAndItsItem) {
    const TStoreCase& c = GetParam();
    Open(11);
    PickKey(7);
    screen.RadioButtonT[c.tag]->setChecked(true);
    screen.RadioButtonTClick(c.tag);
    if (c.index >= 0) screen.ComboBoxF->setCurrentIndex(c.index);
    screen.ComboBoxFExit();
    screen.RadioButtonTExit(c.tag);
    EXPECT_EQ(screen.KeyCodes[6], c.code < 0 ? 0 : c.code);
    EXPECT_EQ(std::count(screen.KeyCodes.begin(), screen.KeyCodes.end(), 0), c.code < 0 ? 25 : 24);
}

INSTANTIATE_TEST_SUITE_P(
    Functions, TeclasTIStores,
    testing::Values(TStoreCase{1, 2, 2}, TStoreCase{2, 0, 129}, TStoreCase{2, 3, 132}, TStoreCase{3, 0, 170},
                    TStoreCase{3, 4, 164}, TStoreCase{4, 3, 113}, TStoreCase{5, 1, 101},
                    TStoreCase{6, 1, 103}, TStoreCase{7, 0, 104}, TStoreCase{13, 1, 120},
                    TStoreCase{8, -1, 107}, TStoreCase{9, -1, 108}, TStoreCase{10, -1, 106},
                    TStoreCase{14, -1, 255}, TStoreCase{15, -1, 109},
                    TStoreCase{16, -1, -1},  // "Secretária eletrônica" stores no code
                    TStoreCase{2, -1, -1})); // a list left without a selection stores nothing

TEST_F(TeclasTITest, PickingAFunctionOffersItsValues) {
    Open(9);
    screen.RadioButtonTClick(4);
    EXPECT_THAT(ValueList(), ElementsAre("1", "2", "3", "4"));
    EXPECT_EQ(screen.LabelF->text(), "&Grupo de ramais");
    EXPECT_EQ(screen.ComboBoxF->currentIndex(), -1);
    screen.RadioButtonTClick(5); // door phone 2 is offered on every model here
    EXPECT_THAT(ValueList(), ElementsAre("1", "2"));
    screen.RadioButtonTClick(1);
    EXPECT_EQ(screen.ComboBoxF->count(), 12);
    EXPECT_EQ(screen.ComboBoxF->itemText(11), "31");
    EXPECT_TRUE(screen.PNCodigos->isVisibleTo(&screen));
    screen.RadioButtonTClick(8);
    EXPECT_FALSE(screen.PNCodigos->isVisibleTo(&screen));
}

TEST_F(TeclasTITest, KeyButtonsNumberTheKeysAToZ) {
    Open(11);
    for (const auto& [button, key, letter] :
         {std::tuple{21, 22, "V/W"}, {22, 23, "X"}, {24, 25, "Z"}, {20, 21, "U"}}) {
        screen.ButtonTClick(screen.ButtonT[button]);
        EXPECT_EQ(screen.CurrentKey, key);
        EXPECT_EQ(screen.LabelTecla->text(), letter);
    }
    EXPECT_EQ(screen.StringGrid1->Cells(0, 22), "   V/W");
    EXPECT_EQ(screen.StringGrid1->Cells(0, 23), "      X");
    EXPECT_EQ(screen.StringGrid1->Cells(1, 0).toStdString(), "FUNÇÃO PROGRAMADA     ");
}

TEST_F(TeclasTITest, TheShippedLanguageFileKeepsTheCaptionsAsTheyAreWritten) {
    OpenLanguageFile(std::string(CENTRPRG_SOURCE_DIR) + "/resources/CentrPrg.lng");
    Open(11); // "TECLA" and "Chefe-Secretária" have entries of their own beside "Tecla", ...
    EXPECT_EQ(screen.StringGrid1->Cells(0, 0).toStdString(), "TECLA ");
    EXPECT_EQ(screen.GroupBoxChefeSecr->title().toStdString(), "Chefe-Secretária");
    EXPECT_EQ(screen.HelpButton->text().toStdString(), "A&juda");
    CloseLanguageFile();
}

TEST_F(TeclasTITest, DefaultsOfModel9AndOfTheOtherModels) {
    Open(9);
    PickKey(5);
    screen.Button30Click();
    EXPECT_THAT(screen.KeyCodes, ElementsAre(129, 130, 131, 132, 255, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
                                             255, 255, 255, 109, 108, 106, 100, 102));
    EXPECT_EQ(screen.CurrentKey, 1);
    EXPECT_EQ(screen.LabelTecla->text(), "A");
    EXPECT_EQ(CheckedTag(), 2);
    EXPECT_EQ(screen.ComboBoxF->currentText(), "1");
    EXPECT_EQ(KeyListText(5), " Sem função");
    EXPECT_EQ(KeyListText(21), " Toque geral");
    EXPECT_EQ(KeyListText(25), " Atuação 1");

    screen.hide();
    Open(13); // 8 extensions: the keys still name positions up to 18
    screen.Button30Click();
    EXPECT_THAT(screen.KeyCodes, ElementsAre(129, 130, 131, 132, 133, 134, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,
                                             11, 12, 13, 14, 15, 16, 17, 18));
    EXPECT_EQ(KeyListText(6), " Linha 6");
    EXPECT_EQ(KeyListText(7), " Ramal 20");
    screen.Button1Click();
    EXPECT_THAT(StoredKeys(1), ElementsAreArray(screen.KeyCodes));
}

TEST_F(TeclasTITest, OkWritesEveryTerminalsKeysAndThePartThatIsNotShownUnchanged) {
    Open(12, {3, 0});
    const auto before = TProgrammingState::Now();
    screen.RadioButtonT[14]->setChecked(true);
    screen.RadioButtonTExit(14); // terminal 1, key A: no function
    ChooseTerminal(1);           // terminal 2 keeps that edit in the working table
    PickKey(25);
    screen.RadioButtonT[9]->setChecked(true);
    screen.RadioButtonTExit(9); // terminal 2, key Z: padlock
    ChooseTerminal(0);
    EXPECT_EQ(screen.KeyCodes[0], 255);
    ChooseTerminal(1);
    screen.Button1Click();
    EXPECT_FALSE(screen.isVisible());

    std::vector<int> terminal1(25, 0), terminal2(25, 1);
    terminal1[0] = 255;
    terminal2[24] = 108;
    EXPECT_EQ(StoredKeys(1), terminal1);
    EXPECT_EQ(StoredKeys(2), terminal2);
    for (int terminal = 3; terminal <= 10; ++terminal)
        EXPECT_THAT(StoredKeys(terminal), testing::Each(terminal - 1));
    const auto after = TProgrammingState::Now();
    for (std::size_t offset = 0; offset < ImageSize; ++offset)
        if (offset < Keys || offset >= Keys + 250) {
            ASSERT_EQ(after.bytes[offset], before.bytes[offset]) << offset;
        }
    EXPECT_EQ(EditedSections[25], 1);
    EXPECT_EQ(ModifiedSections[25], 1);
    EXPECT_EQ(ProgrammingModified, 0);
    EXPECT_TRUE(AnySectionModified()); // what Save and the exit prompt look at
}

TEST_F(TeclasTITest, CancelLeavesTheProgrammingAndTheFlags) {
    Open(11);
    const auto before = TProgrammingState::Now();
    PickFromList(3, 2);
    screen.Button30Click();
    screen.Button2Click();
    EXPECT_FALSE(screen.isVisible());
    EXPECT_EQ(TProgrammingState::Now(), before);
    ShowActive(screen); // the next showing starts from the programming again
    EXPECT_THAT(screen.KeyCodes, testing::Each(0));
}

TEST_F(TeclasTITest, EditsSurviveHelpAndAnotherWindowTakingTheFocus) {
    Open(11);
    PickFromList(2, 3);
    screen.BitBtn1Click();
    EXPECT_THAT(services.help.contexts, ElementsAre(24));
    QWidget other;
    ShowActive(other);
    QApplication::setActiveWindow(&screen);
    QApplication::processEvents();
    EXPECT_EQ(screen.KeyCodes[0], 132);
    screen.Button1Click();
    EXPECT_EQ(StoredKeys(1)[0], 132);
}

TEST_F(TeclasTITest, LeavingTheListOrOkOnAFocusedChoiceStoresIt) {
    Open(11);
    screen.RadioButtonT[2]->setChecked(true);
    screen.RadioButtonTClick(2);
    screen.ComboBoxF->setFocus(Qt::TabFocusReason);
    screen.ComboBoxF->setCurrentIndex(1);
    screen.ButtonT[4]->setFocus(Qt::TabFocusReason); // to key E
    QApplication::processEvents();
    EXPECT_EQ(screen.KeyCodes[0], 130);
    EXPECT_EQ(screen.CurrentKey, 5);
    EXPECT_EQ(screen.LabelTecla->text(), "E");

    screen.RadioButtonT[9]->setChecked(true);
    screen.RadioButtonT[9]->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    screen.Button1Click(); // Enter on the default button: the radio button is never left
    EXPECT_EQ(StoredKeys(1)[0], 130);
    EXPECT_EQ(StoredKeys(1)[4], 108);
}

} // namespace
