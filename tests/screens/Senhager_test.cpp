// The password screen: the general password and the digit count of the extension passwords.

#include "ScreenFixture.h"
#include "screens/Senhager.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace {

class SenhaTest : public ScreenFixture {
protected:
    void Open(int model) {
        LoadModel(model);
        ShowActive(screen);
    }
    TFormSenha screen;
};

TEST_F(SenhaTest, ThreeDigitsAndADigitCountAreStoredWithZeroAsTen) {
    Open(11);
    EXPECT_EQ(screen.ComboBox1->currentText(), "4"); // the default programming's count
    screen.Senha->setText("103");
    screen.ComboBox1->setCurrentIndex(1);
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[2571], 0x21);
    EXPECT_EQ(ProgrammingImage[2572], 0xA3);
    EXPECT_EQ(ProgrammingImage[3569], 3);
    EXPECT_EQ(EditedSections[7] + ModifiedSections[7] + EditedSections[22] + ModifiedSections[22], 4);
    EXPECT_EQ(ProgrammingModified, 1);
    EXPECT_FALSE(screen.isVisible());
}

TEST_F(SenhaTest, TwoDigitsAreRefusedAndNothingIsStoredNotEvenTheDigitCount) {
    Open(11);
    const auto before = TProgrammingState::Now();
    screen.Senha->setText("10");
    screen.ComboBox1->setCurrentIndex(0);
    screen.OkButtonClick();
    ExpectOkRefused(screen, before, "A senha deve possuir 3 dígitos.", screen.Senha);
}

TEST_F(SenhaTest, ThePlaceholderIsNeverStoredAndAnEmptyFieldKeepsThePassword) {
    Open(11);
    EXPECT_EQ(screen.Senha->text(), "");
    EXPECT_EQ(screen.Senha->placeholderText(), "Senha");
    EXPECT_EQ(QApplication::focusWidget(), screen.Senha);
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[2571], 0x2A); // "000" of the default programming
    EXPECT_EQ(ProgrammingImage[2572], 0xAA);
    EXPECT_EQ(EditedSections[7], 0);
    EXPECT_EQ(EditedSections[22], 1);
}

TEST_F(SenhaTest, OnModel8TheDigitCountIsDisabledAndNeverWritten) {
    Open(8);
    ProgrammingImage[3569] = 0x55;
    ShowAgain(screen);
    EXPECT_FALSE(screen.ComboBox1->isEnabled());
    EXPECT_EQ(screen.ComboBox1->currentIndex(), -1);
    EXPECT_TRUE(screen.Senha->isEnabled()); // the earlier family's password section
    screen.Senha->setText("999");
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[3569], 0x55);
    EXPECT_EQ(ProgrammingImage[2571], 0x29);
    EXPECT_EQ(EditedSections[22], 0);
}

TEST_F(SenhaTest, WithoutThePasswordSectionThePasswordIsDisabled) {
    LoadModel(11);
    LoadedSections[7] = 0;
    ShowActive(screen);
    EXPECT_FALSE(screen.Senha->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), screen.ComboBox1);
}

TEST_F(SenhaTest, TypedNonDigitsAreDroppedWithABox) {
    Open(11);
    QTest::keyClicks(screen.Senha, "1a2");
    EXPECT_EQ(screen.Senha->text(), "12");
    ExpectOneBox("Somente números são permitdos.");
    QTest::keyClick(screen.Senha, Qt::Key_Backspace);
    EXPECT_EQ(screen.Senha->text(), "1");
    EXPECT_EQ(services.messages.shown.size(), 1u);
}

} // namespace
