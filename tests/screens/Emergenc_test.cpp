// The external emergency screen: numbers win over extensions, the emergency extension's record,
// and the checks that run on leaving a field and again at OK.

#include "ScreenFixture.h"
#include "core/ExtensionCodes.h"
#include "core/ValueConversions.h"
#include "screens/Emergenc.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

class EmergencTest : public ScreenFixture {
protected:
    void Open(int model) {
        LoadModel(model);
        BuildExtensionList(false); // as the main window does before showing the screen
        ShowActive(screen);
    }
    void WithoutRouteZero() {
        for (std::size_t trunk = 0; trunk < 6; ++trunk) ProgrammingHeader[248 + trunk] |= 0x01;
    }
    std::vector<int> Bytes(std::size_t offset, std::size_t count) const {
        std::vector<int> bytes;
        for (std::size_t i = 0; i < count; ++i) bytes.push_back(ProgrammingImage[offset + i]);
        return bytes;
    }
    static std::vector<int> Packed(const char* digits) {
        const PackedNumber number = PackPhoneNumber(digits);
        return {number.begin(), number.end()};
    }
    TFormEmergenc screen;
};

TEST_F(EmergencTest, ANumberWinsOverAnExtensionWithItsMarker) {
    Open(11); // extensions 20..34, every trunk on route 0
    screen.MaskEdit1->setText("190");
    screen.ComboBox1->setEditText("22");
    screen.MaskEdit2->setText("193");
    screen.ComboBox2->setEditText("23");
    screen.ComboBox3->setEditText("24");
    screen.ComboBox4->setEditText("25");
    screen.OkButtonClick();
    EXPECT_EQ(Bytes(2499, 16), Packed("190"));
    EXPECT_EQ(ProgrammingImage[2515], 0x76);
    EXPECT_EQ(ProgrammingImage[2516], 0x77);
    EXPECT_EQ(Bytes(2517, 16), Packed("193"));
    EXPECT_EQ(ProgrammingImage[2481], 4);
    EXPECT_EQ(Bytes(2482, 16), Packed(""));
    EXPECT_EQ(ProgrammingImage[2498], 5);
    EXPECT_EQ(EditedSections[11] + ModifiedSections[11] + ProgrammingModified, 3);
}

TEST_F(EmergencTest, WithoutEmergencyExtensionItsNumberAndDestinationAreCleared) {
    Open(11);
    screen.ComboBox1->setEditText("21");
    screen.ComboBox3->setEditText("");
    screen.MaskEdit3->setText("999");
    screen.ComboBox4->setEditText("25");
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[2515], 1);
    EXPECT_EQ(ProgrammingImage[2516], 0xBB);
    EXPECT_EQ(ProgrammingImage[2481], 0xBB);
    EXPECT_EQ(Bytes(2482, 16), std::vector<int>(16, 0));
    EXPECT_EQ(ProgrammingImage[2498], 0xBF);

    ShowAgain(screen); // the stored markers show as empty destinations
    EXPECT_EQ(screen.ComboBox4->currentText(), "");
    EXPECT_EQ(screen.ComboBox1->currentText(), "21");
}

TEST_F(EmergencTest, AnExternalNumberWithoutRouteZeroIsRefusedOnLeavingAndAgainAtOk) {
    Open(11);
    WithoutRouteZero();
    const auto before = TProgrammingState::Now();
    screen.MaskEdit1->setText("190");
    screen.MaskEdit1Exit();
    ExpectOneBox("Não existe Rota 0 programada, não será possível programar número externo.");
    EXPECT_EQ(QApplication::focusWidget(), screen.MaskEdit1);
    screen.ComboBox1->setFocus();
    screen.OkButtonClick();
    EXPECT_EQ(services.messages.shown.size(), 2u);
    EXPECT_EQ(services.messages.shown[1].text, services.messages.shown[0].text);
    EXPECT_EQ(QApplication::focusWidget(), screen.MaskEdit1);
    EXPECT_EQ(TProgrammingState::Now(), before);
    EXPECT_TRUE(screen.isVisible());
}

TEST_F(EmergencTest, AnUnknownExtensionIsRefusedOnLeavingAndAgainAtOk) {
    Open(11);
    const auto before = TProgrammingState::Now();
    screen.ComboBox3->setEditText("99");
    screen.ComboBox3Exit();
    ExpectOneBox("Ramal não existe.");
    screen.OkButtonClick();
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Ramal não existe.", "Ramal não existe."}));
    EXPECT_EQ(QApplication::focusWidget(), screen.ComboBox3);
    EXPECT_EQ(TProgrammingState::Now(), before);
}

TEST_F(EmergencTest, LeavingAFieldClearsItsRivalInEmergency2AndTheEmergencyExtension) {
    Open(11);
    screen.ComboBox2->setEditText("23");
    screen.MaskEdit2->setText("193");
    screen.MaskEdit2Exit();
    EXPECT_EQ(screen.ComboBox2->currentText(), "");
    screen.MaskEdit3->setText("194");
    screen.ComboBox4->setEditText("25");
    screen.ComboBox4Exit();
    EXPECT_EQ(screen.MaskEdit3->text(), "");
    screen.ComboBox1->setEditText("22");
    screen.MaskEdit1->setText("190");
    screen.MaskEdit1Exit(); // Emergência 1 keeps both: the number wins at OK
    EXPECT_EQ(screen.ComboBox1->currentText(), "22");
    EXPECT_TRUE(services.messages.shown.empty());
}

TEST_F(EmergencTest, OnModel9Emergency2IsDisabledAndNotChecked) {
    Open(9);
    EXPECT_FALSE(screen.GroupBox2->isEnabled());
    WithoutRouteZero();
    screen.MaskEdit2->setText("193"); // stored before route 0 went away
    screen.OkButtonClick();
    EXPECT_TRUE(services.messages.shown.empty());
    EXPECT_EQ(ProgrammingImage[2516], 0x77);
}

TEST_F(EmergencTest, TabbingOutOfAFieldRunsItsCheckButMovingToTheButtonsDoesNot) {
    Open(11);
    WithoutRouteZero();
    screen.MaskEdit1->setFocus();
    screen.MaskEdit1->setText("190");
    QTest::keyClick(screen.MaskEdit1, Qt::Key_Tab);
    QApplication::processEvents();
    ExpectOneBox("Não existe Rota 0 programada, não será possível programar número externo.");
    EXPECT_EQ(QApplication::focusWidget(), screen.MaskEdit1);

    services.messages.shown.clear();
    screen.CancButton->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(services.messages.shown.empty());

    screen.ComboBox3->setFocus();
    screen.ComboBox3->setEditText("99");
    QTest::keyClick(screen.ComboBox3, Qt::Key_Tab);
    QApplication::processEvents();
    ExpectOneBox("Ramal não existe.");
    EXPECT_EQ(QApplication::focusWidget(), screen.ComboBox3);
}

} // namespace
