// The door-phone and fax attendant screens, and the test for attendants naming an empty group.

#include "ScreenFixture.h"
#include "core/ValueConversions.h"
#include "screens/Atdport.h"
#include "screens/Atendfax.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

namespace {

class AtdPortTest : public ScreenFixture {
protected:
    void Open(int model) {
        LoadModel(model);
        ShowActive(screen);
    }
    static void UseGroup(int group) { ProgrammingImage[2425 + 8 * (group - 1)] = 0; }
    TFormAtdPort screen;
};

TEST_F(AtdPortTest, AnAttendantNamingAnEmptyGroupIsShownEmptyAndReported) {
    LoadModel(11);
    ProgrammingImage[2537] = 0x72; // group 2, empty in the default programming
    EXPECT_TRUE(PorteiroComGrupoVazio());
    ShowActive(screen);
    EXPECT_EQ(screen.ComboBox1->currentText(), "");
    UseGroup(2);
    EXPECT_FALSE(PorteiroComGrupoVazio());
    ShowAgain(screen);
    EXPECT_EQ(screen.ComboBox1->currentText(), "62");
    EXPECT_EQ(screen.ComboBox1->findText("61"), -1); // only the groups in use are offered
    EXPECT_NE(screen.ComboBox1->findText("60"), -1);
}

TEST_F(AtdPortTest, AttendantTexts) {
    LoadModel(11);
    UseGroup(1);
    EXPECT_EQ(DescreveAtendedor(0x70), "60");
    EXPECT_EQ(DescreveAtendedor(0x71), "61");
    EXPECT_EQ(DescreveAtendedor(0x73), "    "); // empty group
    EXPECT_EQ(DescreveAtendedor(0x79), "    ");
    EXPECT_EQ(DescreveAtendedor(0x7A), "    ");
    EXPECT_EQ(DescreveAtendedor(0xBB), "    ");
    EXPECT_EQ(DescreveAtendedor(3), "23");
    EXPECT_FALSE(GrupoVazio(0x71));
    EXPECT_TRUE(GrupoVazio(0x74));
    EXPECT_FALSE(GrupoVazio(0x75));
    EXPECT_FALSE(GrupoVazio(2));
}

TEST_F(AtdPortTest, StoresTheTypedValuesAndShowsACommandTimeByItsQuotient) {
    LoadModel(11);
    ProgrammingImage[2534] = 120;
    ShowActive(screen);
    EXPECT_EQ(screen.ComboBox6->currentText(), "2");
    EXPECT_EQ(screen.ComboBox3->currentText(), "30");
    screen.ComboBox1->setEditText("22");
    screen.ComboBox3->setEditText("45");
    screen.ComboBox2->setEditText("3");
    screen.MaskEdit1->setText("4833");
    screen.ComboBox5->setEditText("");
    screen.OkButtonClick();
    const PackedNumber number = PackPhoneNumber("4833");
    EXPECT_EQ(ProgrammingImage[2533], 150);
    EXPECT_EQ(ProgrammingImage[2534], 100);
    EXPECT_EQ(ProgrammingImage[2535], 45);
    EXPECT_EQ(ProgrammingImage[2537], 2);
    EXPECT_EQ(ProgrammingImage[2538], 0xBB);
    EXPECT_EQ(ProgrammingImage.Packed(2539), number);
    EXPECT_EQ(ProgrammingImage.Packed(2555), PackedNumber{});
    EXPECT_EQ(EditedSections[12] + ModifiedSections[12] + ProgrammingModified, 3);
}

TEST_F(AtdPortTest, DefaultsTakeTheCommandTimeFromTheConfigurationFile) {
    folder.Write("CENTRPRG.INI", "[Default]\nTempoComando=3\n");
    Open(11);
    screen.ComboBox1->setEditText("25");
    screen.MaskEdit2->setText("99");
    screen.PadButtonClick();
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[2533], 150);
    EXPECT_EQ(ProgrammingImage[2534], 150);
    EXPECT_EQ(ProgrammingImage[2535], 30);
    EXPECT_EQ(ProgrammingImage[2536], 30);
    EXPECT_EQ(ProgrammingImage[2537], 0); // the first extension, 20
    EXPECT_EQ(ProgrammingImage[2538], 0);
    EXPECT_EQ(ProgrammingImage.Packed(2555), PackedNumber{});
}

TEST_F(AtdPortTest, WithoutConfigurationTheDefaultCommandTimeIsOneSecond) {
    Open(11);
    screen.PadButtonClick();
    EXPECT_EQ(screen.ComboBox2->currentText(), "1");
    EXPECT_EQ(screen.ComboBox7->currentText(), "30");
}

TEST_F(AtdPortTest, BadEntriesAreRefusedAndNothingStored) {
    Open(11);
    const auto before = TProgrammingState::Now();
    struct TCase {
        QComboBox* list;
        const char* text;
        const char* message;
    };
    for (const TCase& bad : {TCase{screen.ComboBox5, "99", "Ramal não existe."},
                             TCase{screen.ComboBox2, "9", "O valor está fora da faixa permitida."},
                             TCase{screen.ComboBox7, "", "O valor deve ser um número."},
                             TCase{screen.ComboBox6, "x", "O valor deve ser um número."}}) {
        ShowAgain(screen);
        services.messages.shown.clear();
        bad.list->setEditText(bad.text);
        screen.OkButtonClick();
        ExpectOkRefused(screen, before, bad.message, bad.list);
    }
}

TEST_F(AtdPortTest, AnUnknownAttendantIsRefusedOnLeavingTheList) {
    Open(11);
    screen.ComboBox1->setEditText("77");
    screen.ComboBox1Exit();
    ExpectOneBox("Ramal não existe.");
    EXPECT_EQ(QApplication::focusWidget(), screen.ComboBox1);
}

TEST_F(AtdPortTest, AfterTheGroupsScreenAnEmptiedGroupWarnsAndOpensTheScreen) {
    LoadModel(11);
    EXPECT_FALSE(WarnDoorPhonesWithEmptyGroup(nullptr));
    EXPECT_TRUE(services.messages.shown.empty());

    ProgrammingImage[2538] = 0x74;
    bool warned = false;
    EXPECT_EQ(AnsweringDialog([](QDialog&) {}, [&] { warned = WarnDoorPhonesWithEmptyGroup(nullptr); }),
              "TFormAtdPort");
    EXPECT_TRUE(warned);
    ExpectOneBox("Ao apagar grupo de ramal foi gerada inconsistência nos ramais "
                 "atendedores dos porteiros. Será necessário corrigi-los.",
                 TMsgKind::Warning);
}

class AtendFaxTest : public ScreenFixture {
protected:
    void Open() {
        LoadModel(10);
        screen.PreencheCombo(); // as the main window does
        ShowActive(screen);
    }
    TFormAtendFAX screen;
};

TEST_F(AtendFaxTest, StoresTheExtensionAndAlways0xBBAfterIt) {
    LoadModel(10);
    ProgrammingImage[2574] = 3;
    ProgrammingImage[2575] = 0;
    screen.PreencheCombo();
    ShowActive(screen);
    EXPECT_EQ(screen.ComboBox1->currentText(), "23");
    EXPECT_EQ(screen.ComboBox1->itemText(0), "");
    screen.ComboBox1->setEditText("25");
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[2574], 5);
    EXPECT_EQ(ProgrammingImage[2575], 0xBB);
    EXPECT_EQ(EditedSections[17] + ModifiedSections[17] + ProgrammingModified, 3);
}

TEST_F(AtendFaxTest, DefaultsClearTheExtension) {
    Open();
    screen.ComboBox1->setEditText("25");
    screen.PadButtonClick();
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[2574], 0xBB);
}

TEST_F(AtendFaxTest, AnUnknownExtensionIsRefusedOnLeavingAndAgainAtOk) {
    Open();
    const auto before = TProgrammingState::Now();
    screen.ComboBox1->setEditText("77");
    screen.ComboBox1Exit();
    screen.OkButtonClick();
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Ramal não existe.", "Ramal não existe."}));
    EXPECT_EQ(TProgrammingState::Now(), before);
}

} // namespace
