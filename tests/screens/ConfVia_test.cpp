// The trunk configuration screen and its copy selector: what OK packs into the trunk area, the
// order of its errors, the attendant summaries, the trunk edit, "Padrão" in both modes, the copy,
// and the test for trunks naming an emptied extension group.

#include "ScreenFixture.h"
#include "core/DefaultProgramming.h"
#include "core/ExtensionCodes.h"
#include "db/components/VORSAMTable.h"
#include "screens/ConfVia.h"
#include "screens/Copconf.h"
#include "screens/Padrao.h"
#include "screens/ScratchTables.h"

#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>

namespace {

using platform::data::TDataSet;

constexpr std::size_t TrunkArea = 198; // records, summaries and trunk bytes: 198..253
constexpr std::size_t TrunkAreaSize = 56;

std::vector<std::uint8_t> TrunkBytes() {
    const auto area = ProgrammingHeader.Span(TrunkArea, TrunkAreaSize);
    return {area.begin(), area.end()};
}

std::size_t Record(int trunk) {
    return TrunkArea + 8 * (trunk - 1);
}

class ConfViaTest : public ScreenFixture {
protected:
    ~ConfViaTest() override { screen.done(0); }

    // Prepares and shows the screen as the main window does, for every trunk (255) or one.
    void Open(int model, int which = 255) {
        LoadModel(model);
        Reopen(which);
    }
    // The scratch table TEMPORAR.DAT as the main window builds it, in the test's program folder.
    void Reopen(int which = 255) {
        BuildTempTable(TrunkTableCode, which);
        PrepareTrunkScreen(screen, TabTemp(), which);
        ShowActive(screen);
    }
    static TDataSet& Rows() { return TabTemp(); }
    // Sets fields of the row of a trunk.
    void Set(int trunk, std::initializer_list<std::pair<const char*, const char*>> values) {
        TDataSet& rows = Rows();
        for (rows.First(); !rows.Eof(); rows.Next())
            if (rows.FieldByName("VIA").AsString() ==
                QStringLiteral("%1").arg(trunk, 2, 10, QChar('0')).toStdString())
                break;
        ASSERT_FALSE(rows.Eof()) << trunk;
        rows.Edit();
        for (const auto& [field, value] : values) rows.FieldByName(field).SetAsString(value);
        rows.Post();
    }
    std::string CurrentVia() { return Rows().FieldByName("VIA").AsString(); }

    static constexpr int TrunkTableCode = 2;
    TFormConfigVias screen;
};

// ---- what OK stores ---------------------------------------------------------------------------

TEST_F(ConfViaTest, OkPacksEveryRowBackAndClearsBitFourOfTheTrunkBytes) {
    LoadModel(12); // 6 trunks
    const std::uint8_t records[6][9] = {
        // byte 0 .. 7, trunk byte
        {0x79, 2, 0xBB, 3, 5, 6, 0, 0x7F, 0x2F},        // 7 digits; no overflow; route 7, MF, out
        {0x0A, 0, 1, 1, 80, 90, 45, 0xFF, 0xE7},        // 8 digits; every option; every direction, DC
        {0x04, 0x71, 0x70, 0x71, 35, 7, 7, 0x80, 0x40}, // 9 digits; group 1 in use, "60" overflow
        {0x12, 4, 5, 6, 10, 10, 10, 0x00, 0xB1},        // bit 4 of the trunk byte set before
        {0x12, 1, 1, 1, 5, 6, 5, 0x20, 0x21},           // caller id; outgoing, route 1
        {0x12, 1, 1, 2, 5, 6, 5, 0x01, 0x29},           // FSK; outgoing, MF, route 1
    };
    ProgrammingImage[Offset::Groups] = 0; // group 1 in use
    for (int trunk = 1; trunk <= 6; ++trunk) {
        for (int byte = 0; byte < 8; ++byte)
            ProgrammingHeader[Record(trunk) + byte] = records[trunk - 1][byte];
        ProgrammingHeader[247 + trunk] = records[trunk - 1][8];
    }
    Reopen();
    std::vector<std::uint8_t> expected = TrunkBytes();
    expected[246 - TrunkArea] = 1;              // main attendants 2, 0, 0x71, 4, 1, 1: 1 twice
    expected[247 - TrunkArea] = 1;              // night attendants 3, 1, 0x71, 6, 1, 2: 1 twice
    expected[251 - TrunkArea] = 0xA1;           // bit 4 cleared
    expected[Record(1) - TrunkArea] = 0xF9;     // the row in edit: ATDCORR sets ATENDDIG ...
    expected[Record(1) + 7 - TrunkArea] = 0x6F; // ... and clears DATDAUTO
    screen.OkButtonClick();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(TrunkBytes(), expected);
    EXPECT_EQ(EditedSections[Section::Trunks] + ModifiedSections[Section::Trunks] + ProgrammingModified, 3);
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(Rows().Active()); // the screen closed its table
}

TEST_F(ConfViaTest, AnEmptyOverflowClearsTheNightOverflowBit) {
    Open(11);
    Set(2, {{"TRANSBN", "1"}});
    QComboBox* overflow = screen.ComboTransbordo;
    ASSERT_EQ(overflow->itemText(0), "     "); // the list's "no overflow"
    overflow->setCurrentIndex(0);
    emit overflow->activated(0); // as the user's choice
    screen.OkButtonClick();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(ProgrammingHeader[Record(2) + 2], NoExtension);
    EXPECT_EQ(ProgrammingHeader[Record(2) + 7] & 0x80, 0);
    EXPECT_EQ(ProgrammingHeader[Record(1) + 7] & 0x80, 0x80);
}

// Two attendants twice each: the lower code wins; a group counts like an extension.
TEST_F(ConfViaTest, ATieOfAttendantsStoresTheLowerCode) {
    Open(11);                                 // numbers 20 + position
    ProgrammingImage[Offset::Groups + 8] = 0; // group 2 in use
    Set(1, {{"ATENDPRIN", "23"}, {"ATENDNOT", "62"}});
    Set(2, {{"ATENDPRIN", "21"}, {"ATENDNOT", "62"}});
    Set(3, {{"ATENDPRIN", "23"}, {"ATENDNOT", "25"}});
    Set(4, {{"ATENDPRIN", "21"}, {"ATENDNOT", "25"}});
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[246], 1);
    EXPECT_EQ(ProgrammingHeader[247], 5); // 5 and 0x72 twice each
}

// ---- errors -----------------------------------------------------------------------------------

struct TErrorCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> row3;
    const char* message;
    const char* focus;
};

const TErrorCase ErrorCases[] = {
    {"no direction",
     {{"RTSAIDA", "0"}, {"RTENTRA", "0"}, {"RTBLOQ", "0"}},
     "Deve ser definido o tipo da via (saída, entrada, bloqueada)",
     "DBCheckBox1"},
    {"no direction, no main attendant",
     {{"RTSAIDA", "0"}, {"RTENTRA", "0"}, {"RTBLOQ", "0"}, {"ATENDPRIN", ""}},
     "Ramal atendedor principal deve existir.",
     "ComboAtendPrin"},
    {"no direction, no night attendant",
     {{"RTSAIDA", "0"}, {"RTENTRA", "0"}, {"RTBLOQ", "0"}, {"ATENDNOT", ""}},
     "Ramal atendedor noturno deve existir.",
     "ComboAtendNot"},
    {"neither attendant",
     {{"ATENDPRIN", ""}, {"ATENDNOT", ""}},
     "Ramal atendedor principal deve existir.",
     "ComboAtendPrin"},
    {"an emptied group", {{"ATENDNOT", "    "}}, "Ramal atendedor noturno deve existir.", "ComboAtendNot"},
    {"a number no position has",
     {{"ATENDPRIN", "99"}},
     "Ramal atendedor principal deve existir.",
     "ComboAtendPrin"},
    {"an overflow no position has", {{"TRANSBORDO", "99"}}, "Ramal não existe.", "ComboTransbordo"},
    {"a timer that is no number", {{"TMPTRANS", "x"}}, "O valor deve ser um número.", "ComboTmpTrans"},
};

TEST_F(ConfViaTest, TheFirstFailingTrunkIsShownAndNothingIsStored) {
    Open(11);
    const auto before = TProgrammingState::Now();
    for (const TErrorCase& error : ErrorCases) {
        SCOPED_TRACE(error.name);
        services.messages.shown.clear();
        if (!Rows().Active()) Reopen();
        Set(1, {{"TMPTRANS", "50"}, {"ATENDPRIN", "24"}}); // a valid row before the failing one
        TDataSet& rows = Rows();
        for (const auto& [field, value] : error.row3) Set(3, {{field, value}});
        rows.First(); // the row in edit is another one
        screen.EditVia->setText("01");
        screen.OkButtonClick();
        ExpectOneBox(error.message);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), error.focus);
        EXPECT_EQ(screen.EditVia->text(), "03");
        EXPECT_EQ(CurrentVia(), "03");
        EXPECT_TRUE(screen.isVisible());
        EXPECT_EQ(TProgrammingState::Now(), before);
        screen.CancButtonClick();
    }
}

TEST_F(ConfViaTest, CancelAfterChangesStoresNothing) {
    Open(11);
    const auto before = TProgrammingState::Now();
    Set(2, {{"RTBLOQ", "1"}, {"CIFRAS", "9"}});
    EXPECT_EQ(Answering<TFormPadrao>([](TFormPadrao& scope) { scope.Button1Click(); },
                                     [&] { screen.DefButtonClick(); }),
              "TFormPadrao");
    screen.CancButtonClick();
    EXPECT_EQ(TProgrammingState::Now(), before);
    EXPECT_FALSE(screen.isVisible());
}

// ---- the trunk edit ---------------------------------------------------------------------------

TEST_F(ConfViaTest, TheTrunkEditSelectsATrunkByItsNumber) {
    Open(11);
    screen.EditVia->setFocus();
    screen.EditVia->setText("3");
    QTest::keyClick(screen.EditVia, Qt::Key_Return);
    EXPECT_TRUE(screen.isVisible()); // Enter is not the OK button's
    EXPECT_EQ(screen.EditVia->text(), "03");
    EXPECT_EQ(CurrentVia(), "03");
    EXPECT_TRUE(Messages().empty());

    screen.DBNavigator1->BtnClick(TNavigateBtn::nbNext);
    EXPECT_EQ(screen.EditVia->text(), "04");
}

TEST_F(ConfViaTest, ATrunkTheModelLacksIsReportedAndKeepsTheFocus) {
    Open(10); // 2 trunks
    screen.EditVia->setFocus();
    screen.EditVia->setText("7");
    QTest::keyClick(screen.EditVia, Qt::Key_Return);
    ExpectOneBox("07 Não existe a via", TMsgKind::Information);
    EXPECT_EQ(screen.EditVia->text(), "07");
    EXPECT_EQ(QApplication::focusWidget(), screen.EditVia);
    EXPECT_EQ(CurrentVia(), "01");
}

// ---- Padrão -------------------------------------------------------------------------------------

TEST_F(ConfViaTest, DefaultsInOneTrunkModeChangeThatTrunkWithoutAsking) {
    LoadModel(11);
    for (std::size_t offset = TrunkArea; offset < 246; ++offset) ProgrammingHeader[offset] = 0x55;
    Reopen(2);
    EXPECT_TRUE(screen.CopiaButton->isHidden());
    EXPECT_FALSE(screen.EditVia->isEnabled());
    EXPECT_EQ(screen.EditVia->text(), "02");
    EXPECT_EQ(AnsweringDialog([](QDialog&) {}, [&] { screen.DefButtonClick(); }), ""); // no scope asked
    screen.OkButtonClick();
    const auto defaults = BuildDefaultImage(11);
    for (int byte = 0; byte < 8; ++byte) {
        EXPECT_EQ(ProgrammingHeader[Record(2) + byte], defaults[Record(2) + byte]) << byte;
        EXPECT_EQ(ProgrammingHeader[Record(1) + byte], 0x55) << byte;
        EXPECT_EQ(ProgrammingHeader[Record(3) + byte], 0x55) << byte;
    }
    EXPECT_EQ(ProgrammingHeader[249], defaults[249]);
}

TEST_F(ConfViaTest, DefaultsForEveryTrunkTakeTheDigitLimitFromTheConfigurationFile) {
    folder.Write("CENTRPRG.INI", "[Default]\nLimiteCifras=0\n");
    Open(11);
    Set(3, {{"CIFRAS", "9"}});
    Answering<TFormPadrao>(
        [](TFormPadrao& scope) {
            scope.RadioButton1->setChecked(true);
            scope.Button1Click();
        },
        [&] { screen.DefButtonClick(); });
    EXPECT_EQ(DefaultScope, 0);
    EXPECT_EQ(screen.EditVia->text(), "01");
    EXPECT_EQ(CurrentVia(), "01");
    screen.OkButtonClick();
    for (int trunk = 1; trunk <= 4; ++trunk) EXPECT_EQ(ProgrammingHeader[Record(trunk)], 0x12) << trunk;
}

TEST_F(ConfViaTest, ACancelledScopeAppliesNoDefaults) {
    Open(11);
    Set(1, {{"CIFRAS", "9"}});
    EXPECT_EQ(Answering<TFormPadrao>([](TFormPadrao& scope) { scope.Button2Click(); },
                                     [&] { screen.DefButtonClick(); }),
              "TFormPadrao");
    EXPECT_EQ(Rows().FieldByName("CIFRAS").AsString(), "9");
}

// ---- copy -----------------------------------------------------------------------------------------

TEST_F(ConfViaTest, CopyWritesTheTrunkInEditIntoThePickedTrunks) {
    Open(11);
    Set(2, {{"CIFRAS", "9"}, {"RTBLOQ", "1"}, {"ATENDPRIN", "24"}, {"TMPINIBIL", "45"}, {"NROTA", "3"}});
    screen.EditVia->setText("02");
    const QString shown = Answering<TFormCopiaVia>(
        [](TFormCopiaVia& copy) {
            copy.PanelMouseDown(4);
            copy.PanelMouseDown(1);
            copy.PanelMouseDown(1); // picked and dropped again
            copy.OkButtonClick();
        },
        [&] { screen.CopiaButtonClick(); });
    EXPECT_EQ(shown, "TFormCopiaVia");
    EXPECT_EQ(CurrentVia(), "02");
    EXPECT_EQ(screen.EditVia->text(), "02");
    screen.OkButtonClick();
    for (int byte = 0; byte < 8; ++byte)
        EXPECT_EQ(ProgrammingHeader[Record(4) + byte], ProgrammingHeader[Record(2) + byte]) << byte;
    EXPECT_EQ(ProgrammingHeader[251], ProgrammingHeader[249]);
    EXPECT_NE(ProgrammingHeader[Record(1)], ProgrammingHeader[Record(2)]);
}

using CopiaViaTest = ScreenFixture;

TEST_F(CopiaViaTest, OffersThePanelsOfTheModelsTrunks) {
    struct TCase {
        std::uint8_t model;
        std::array<const char*, 6> captions;
    };
    for (const TCase& model :
         {TCase{10, {"01", "02", "**", "**", "**", "**"}}, TCase{11, {"01", "02", "03", "04", "**", "**"}},
          TCase{12, {"01", "02", "03", "04", "05", "06"}}}) {
        ModelCode = model.model;
        TFormCopiaVia copy;
        copy.FormShow();
        for (int k = 0; k < 6; ++k) {
            const bool offered = std::string_view(model.captions[k]) != "**";
            EXPECT_EQ(copy.Panel[k]->Caption(), model.captions[k]);
            EXPECT_EQ(copy.Panel[k]->isEnabled(), offered);
            EXPECT_EQ(copy.Panel[k]->Lowered(), !offered);
        }
        copy.PanelMouseDown(6); // a disabled panel is never picked
        copy.PanelMouseDown(2);
        EXPECT_EQ(copy.Selected()[5], model.model == 12 ? 1 : 0);
        EXPECT_EQ(copy.Selected()[1], 1);
        EXPECT_EQ(copy.Panel[1]->Colour(), clTeal);
    }
}

// ---- the model rules and the couplings --------------------------------------------------------

TEST_F(ConfViaTest, TheModelRulesOfTheOptions) {
    struct TCase {
        std::uint8_t model;
        bool fax, laterOptions;
    };
    for (const TCase& rule : {TCase{4, true, false}, TCase{8, false, true}, TCase{9, false, true},
                              TCase{11, true, true}, TCase{5, true, false}}) {
        SCOPED_TRACE(rule.model);
        Open(rule.model);
        EXPECT_EQ(screen.CheckDetFax->isEnabled(), rule.fax);
        EXPECT_EQ(screen.CheckDAtdAuto->isEnabled(), rule.laterOptions);
        EXPECT_EQ(screen.CheckTransBN->isEnabled(), rule.laterOptions);
        EXPECT_EQ(screen.Label3->isEnabled(), rule.laterOptions);
        EXPECT_EQ(screen.RadioRotas->Items().size(), qsizetype{CurrentModel().Trunks} + 1);
        screen.CancButtonClick();
    }
}

TEST_F(ConfViaTest, EarlyModelsClearTheLaterOptionsOfTheRowInEdit) {
    LoadModel(4);
    ProgrammingHeader[Record(1) + 7] = 0x90;
    ProgrammingHeader[Record(2) + 7] = 0x90;
    Reopen();
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[Record(1) + 7], 0x00);
    EXPECT_EQ(ProgrammingHeader[Record(2) + 7], 0x90); // only the row in edit
}

TEST_F(ConfViaTest, DirectionsCheckTheLinkBoxAndCallerIdEnablesItsSignalling) {
    Open(11); // outgoing and incoming
    EXPECT_FALSE(screen.CheckEnlace->isChecked());
    screen.DBCheckBox1->click();
    screen.DBCheckBox2->click();
    EXPECT_TRUE(screen.CheckEnlace->isChecked());
    EXPECT_EQ(Rows().FieldByName("RTSAIDA").AsString(), "0");
    screen.DBCheckBox3->click();
    EXPECT_FALSE(screen.CheckEnlace->isChecked());

    EXPECT_FALSE(screen.RadioDTMFFSK->isEnabled());
    screen.DBCheckBox5->click();
    EXPECT_TRUE(screen.RadioDTMFFSK->isEnabled());

    EXPECT_EQ(Rows().FieldByName("DATDAUTO").AsString(), "0");
    QTest::mouseClick(screen.Label3, Qt::LeftButton);
    EXPECT_EQ(Rows().FieldByName("DATDAUTO").AsString(), "1");
}

// ---- trunks naming an emptied group ---------------------------------------------------------------

TEST_F(ConfViaTest, ATrunkNamingAnEmptiedGroupIsFound) {
    LoadModel(11);
    EXPECT_FALSE(ViaComGrupoVazio());
    ProgrammingHeader[Record(2) + 3] = 0x71; // night attendant: group 1
    ProgrammingImage[Offset::Groups] = 0;
    EXPECT_FALSE(ViaComGrupoVazio());
    ProgrammingImage[Offset::Groups] = EmptyGroupType;
    EXPECT_TRUE(ViaComGrupoVazio());
    ProgrammingHeader[Record(2) + 3] = 0x70; // "60" is no group
    ProgrammingHeader[Record(5) + 1] = 0x71; // trunk 5: not on this model
    EXPECT_FALSE(ViaComGrupoVazio());
    ProgrammingHeader[Record(4) + 2] = 0x74; // overflow to group 4, empty
    EXPECT_TRUE(ViaComGrupoVazio());
}

} // namespace
