// The timers screen and the option-bits screen.

#include "ScreenFixture.h"
#include "screens/Progdive.h"
#include "screens/Temporiz.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

namespace {

class TemporTest : public ScreenFixture {
protected:
    void Open(int model) {
        LoadModel(model);
        ShowActive(screen);
    }
    // The seven texts in byte order 290..296.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const int list : {1, 5, 6, 2, 3, 7, 4})
            texts.push_back(screen.ComboBox[list - 1]->currentText().toStdString());
        return texts;
    }
    std::vector<int> Bytes() const {
        return {ProgrammingHeader[290], ProgrammingHeader[291], ProgrammingHeader[292],
                ProgrammingHeader[293], ProgrammingHeader[294], ProgrammingHeader[295],
                ProgrammingHeader[296]};
    }
    TFormTempor screen;
};

TEST_F(TemporTest, DefaultsWithoutAConfigurationFileAreStoredByOk) {
    Open(11);
    for (QComboBox* list : screen.ComboBox) list->setEditText("8");
    screen.PadButtonClick();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2", "3", "9", "4", "4", "1", "5"}));
    screen.OkButtonClick();
    EXPECT_EQ(Bytes(), (std::vector<int>{2, 3, 9, 4, 4, 1, 5}));
    EXPECT_EQ(EditedSections[10] + ModifiedSections[10] + ProgrammingModified, 3);
}

TEST_F(TemporTest, TheFlashDefaultComesFromTheConfigurationFile) {
    folder.Write("CENTRPRG.INI", "[Default]\nTempoGeraFlash=7\n");
    Open(11);
    screen.PadButtonClick();
    EXPECT_EQ(screen.ComboBox[0]->currentIndex(), 6);
    EXPECT_EQ(screen.ComboBox[0]->currentText(), "7");
}

TEST_F(TemporTest, TextThatIsNotANumberIsRefusedAndNothingStored) {
    Open(11);
    const auto before = TProgrammingState::Now();
    for (const char* text : {"x", ""}) {
        services.messages.shown.clear();
        screen.ComboBox[3]->setEditText(text);
        screen.OkButtonClick();
        ExpectOkRefused(screen, before, "O valor deve ser um número.", screen.ComboBox[3]);
    }
}

TEST_F(TemporTest, ShowsTheBytesAndOnModel9StillWritesTheDisabledActuation2) {
    Open(9);
    ProgrammingHeader[294] = 12;
    ShowAgain(screen);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2", "3", "9", "4", "12", "1", "5"}));
    EXPECT_FALSE(screen.ComboBox[2]->isEnabled());
    EXPECT_FALSE(screen.Label[2]->isEnabled());
    screen.ComboBox[4]->setEditText("6");
    screen.OkButtonClick();
    EXPECT_EQ(Bytes(), (std::vector<int>{2, 6, 9, 4, 12, 1, 5}));
}

TEST_F(TemporTest, ArrowKeysStepFromTheValueShown) {
    Open(11); // flash time 2, the command times 4
    for (const QString keys : {"Up", "Tab", "Down", "Tab", "Ctrl+A", "1", "7", "Down"})
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(keys));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1", "3", "9", "5", "18", "1", "5"}));
}

class ProgDivTest : public ScreenFixture {
protected:
    void Open(int model, std::uint8_t bits297, std::uint8_t bits298) {
        LoadModel(model);
        ProgrammingHeader[297] = bits297;
        ProgrammingHeader[298] = bits298;
        ShowActive(screen);
    }
    TFormProgDiv screen;
};

TEST_F(ProgDivTest, OkWritesEveryControlAndKeepsTheBitsNoControlShows) {
    Open(11, 0x0A, 0x80); // only the kept bits set
    EXPECT_TRUE(screen.RadioButton1->isChecked());
    for (QCheckBox* box : screen.findChildren<QCheckBox*>()) box->setChecked(true);
    screen.RadioButton2->setChecked(true);
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[297], 0xFF);
    EXPECT_EQ(ProgrammingHeader[298], 0xFF);

    ProgrammingHeader[297] = 0xF5; // every option on, kept bits clear
    ProgrammingHeader[298] = 0x7F;
    ShowAgain(screen);
    for (QCheckBox* box : screen.findChildren<QCheckBox*>()) box->setChecked(false);
    screen.RadioButton1->setChecked(true);
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[297], 0x00);
    EXPECT_EQ(ProgrammingHeader[298], 0x00);
    EXPECT_EQ(EditedSections[13] + ModifiedSections[13] + ProgrammingModified, 3);
}

TEST_F(ProgDivTest, DefaultsKeepTheBitsNoControlShows) {
    Open(11, 0x0B, 0x81);
    screen.PadButtonClick();
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[297], 0xCA);
    EXPECT_EQ(ProgrammingHeader[298], 0xB0);
}

TEST_F(ProgDivTest, Model9AlwaysHasMusicOnHoldAndNoParallelPrinter) {
    Open(9, 0x80, 0x00);
    EXPECT_TRUE(screen.CheckBox13->isChecked());
    EXPECT_FALSE(screen.CheckBox13->isEnabled());
    EXPECT_FALSE(screen.RadioButton2->isEnabled());
    EXPECT_TRUE(screen.RadioButton2->isChecked()); // shown as stored, written back as shown
    EXPECT_TRUE(screen.CheckBox12->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), screen.CheckBox1);
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[297], 0x80);
    EXPECT_EQ(ProgrammingHeader[298], 0x02);
}

} // namespace
