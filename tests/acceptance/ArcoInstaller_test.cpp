// An installer programs an ARCO exchange (model 11) from start to end, through the real main
// window and its screens, in a program folder of its own with the shipped language file and
// default programmings, and a fixed clock. The oracle: the saved programming differs from
// "DEFARCO.NPX" at exactly the offsets the installer's edits give, and every box says what it
// must. Each phase is one member function, run in the scenario's order by one test.

#include "InstallerFixture.h"
#include "app/Novaprog.h"
#include "platform/ui/MaskEdit.h"
#include "screens/Agcolet.h"
#include "screens/Calendar.h"
#include "screens/Cancprog.h"
#include "screens/CategoryScreen.h"
#include "screens/Central.h"
#include "screens/ConfVia.h"
#include "screens/Copramal.h"
#include "screens/Desperta.h"
#include "screens/Emergenc.h"
#include "screens/Feriados.h"
#include "screens/Gruporam.h"
#include "screens/Ncat.h"
#include "screens/Notautom.h"
#include "screens/Padrao.h"
#include "screens/PlanoNum.h"
#include "screens/Prefixos.h"
#include "screens/ScheduleParts.h"
#include "screens/Senhager.h"
#include "screens/Teclasti.h"
#include "screens/Temporiz.h"
#include "screens/TerminalKeys.h"
#include "screens/report/Relator.h"
#include "support/ShellCommand.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

class ArcoInstaller : public InstallerFixture {
protected:
    static void GoToGroup(TFormGrupoRam& screen, int group) {
        int key = '0' + group;
        screen.EnterGrupo(key, {});
    }
    // The type (0 "Hierárquico", 1 "Distribuidor", 2 "Múltiplo") and the members of the group.
    static void FillGroup(TFormGrupoRam& screen, int type, const QStringList& members) {
        screen.DBRadioGroup1->Button(type)->click();
        for (int slot = 0; slot < members.size(); ++slot)
            Pick(*screen.DBComboBoxes[static_cast<std::size_t>(slot)], members[slot]);
    }

    // The phases, in the order of the installer's day.
    void FirstStartAndLogin();
    void NewArco();
    void NumberingPlan();
    void Categories();
    void Trunks();
    void ExtensionGroups();
    void Prefixes();
    void GeneralSpeedDial();
    void Holidays();
    void WakeUpAndNightService();
    void TimersPasswordCalendarCentralizer();
    void Emergency();
    void SaveAndExit();
    void TerminalKeysOfTheFieldProgramming();
    void CancellationNotSaved();
    void ReportToPdf();
    void OperatorWithoutTheTrunkRight();
};

// 1. A wrong password is refused by the login dialog, the right one opens the main window with no
// programming and only the file and system commands enabled.
void ArcoInstaller::FirstStartAndLogin() {
    SCOPED_TRACE("login");
    ::unsetenv(ScriptedLoginVariable);
    int failed = -1;
    AnswerNextDialog<TFormLeUsuario>([&](TFormLeUsuario& dialog) { // the window's own login
        dialog.EditUsuario->setText("instalador");
        dialog.EditSenha->setText("errada");
        dialog.OkButtonClick();
        failed = dialog.FailedAttempts();
        dialog.EditUsuario->setText("INSTALADOR");
        dialog.EditSenha->setText(InstallerPassword);
        Snap(dialog, "walkthrough-login");
        dialog.OkButtonClick();
    });
    StartTool();
    ASSERT_EVENTUALLY(LoggedUser() != nullptr);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(NewBoxes(), Error("Usuário ou senha incorretos."));
    EXPECT_EQ(LoggedUser()->name, "INSTALADOR");
    EXPECT_EQ(Window().windowTitle(), "Orvalista S/A - Programação de Talvenors");
    EXPECT_EQ(Window().findChild<QLabel*>("ModelLabel")->text(), "Nenhuma programação carregada");
    EXPECT_TRUE(Window().Action(TCommandId::New)->isEnabled());
    EXPECT_FALSE(Window().Action(TCommandId::NumberingPlan)->isEnabled());
    EXPECT_FALSE(Window().Action(TCommandId::SaveAs)->isEnabled());
    EXPECT_TRUE(Window().ExtensionButtons().empty());
}

// 2. New -> ARCO.
void ArcoInstaller::NewArco() {
    SCOPED_TRACE("new ARCO programming");
    QObject scope;
    bool offered = false;
    QTimer::singleShot(0, &scope, [&] {
        auto* dialog = qobject_cast<TFormNovaProgramacao*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QListWidget* models = dialog->ListaModelos;
        for (int i = 0; i < models->count(); ++i)
            if (models->item(i)->data(Qt::UserRole).toInt() == 11) {
                models->setCurrentRow(i);
                offered = true;
            }
        Snap(*dialog, "walkthrough-new");
        dialog->accept();
    });
    Window().Run(TCommandId::New);
    EXPECT_TRUE(offered);
    EXPECT_TRUE(NewBoxes().empty());
    EXPECT_EQ(Window().findChild<QLabel*>("ModelLabel")->text(), "Talvenor ARCO");
    QStringList numbers;
    for (int number = 20; number <= 34; ++number) numbers << QString::number(number);
    EXPECT_EQ(Captions(Window().ExtensionButtons()), numbers);
    EXPECT_EQ(Window().TrunkButtons().size(), 4u);
    EXPECT_FALSE(Window().Action(TCommandId::Save)->isEnabled());
    EXPECT_TRUE(Window().Action(TCommandId::NumberingPlan)->isEnabled());
}

// 3. The door phone refused at position 00; paging at 07 and a four-digit number at 14.
void ArcoInstaller::NumberingPlan() {
    SCOPED_TRACE("numbering plan");
    constexpr int NumberCol = 1;
    CancelLeavesAll<TFormPlanoNum>(TCommandId::NumberingPlan, [](TFormPlanoNum& screen) {
        screen.VevIvizudEvar1->SetGridCells(NumberCol, 3, "2222");
    });
    RunScreen<TFormPlanoNum>(TCommandId::NumberingPlan, [&](TFormPlanoNum& screen) {
        TVevIvizudEvar& grid = *screen.VevIvizudEvar1;
        grid.SetGridCells(NumberCol, 1, "84  ");
        screen.OkButtonClick();
        EXPECT_EQ(NewBoxes(), Error("Porteiro QT730 (83) não pode ser na posição 00"));
        EXPECT_EQ(grid.GetCurrentRow(), 1);
        EXPECT_TRUE(screen.isVisible());
        grid.SetGridCells(NumberCol, 1, "20  ");
        grid.SetGridCells(NumberCol, 8, "68  ");
        grid.SetGridCells(NumberCol, 15, "2014");
        grid.SetCurrentRow(15);
        Snap(screen, "walkthrough-plan");
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(846, {0x44, 0x00});
    Expect(860, {0xDE, 0x07});
    Expect(872, {0x84});
    ExpectName(1023, "Busca pessoa");
    ExpectInMemory();
    QStringList numbers;
    for (int number = 20; number <= 34; ++number)
        if (number != 27) numbers << QString::number(number);
    numbers.back() = "2014";
    EXPECT_EQ(Captions(Window().ExtensionButtons()), numbers); // no button for 68
    EXPECT_TRUE(Window().Action(TCommandId::Save)->isEnabled());
    Snap(Window(), "walkthrough-changed");
}

// 4. Extension 21 by day: a sub-route is refused with route 0, then without its own route; then
// incoming external calls,
// DDI and route 1 only (DDI widens to DDD, regional, local and internal), copied onto 22 and 23.
void ArcoInstaller::Categories() {
    SCOPED_TRACE("categories");
    CancelLeavesAll<TMultPageDlg>(TCommandId::Categories,
                                  [](TMultPageDlg& screen) { SetBox(*screen.Day.Cat[3], true); });
    RunScreen<TMultPageDlg>(TCommandId::Categories, [&](TMultPageDlg& screen) {
        screen.MaskEdit1->setText("21");
        screen.EnterRamal();
        TCategoryPage& day = screen.Day;
        Pick(*day.Combo, "2");
        screen.ButtonOkClick(); // the default extension may call on route 0
        EXPECT_EQ(NewBoxes(), Error("Quando o ramal tem acesso a sub-rota, não pode acessar a rota 0."));
        SetBox(*day.Rota[0], false);
        screen.ButtonOkClick();
        EXPECT_EQ(NewBoxes(), Error("A rota deverá estar definida para permitir acesso a sub-rota"));
        EXPECT_EQ(screen.MaskEdit1->text(), "21");
        EXPECT_EQ(screen.TabbedNotebook1->currentIndex(), TCategoryScreen::DayPage);
        Pick(*day.Combo, "");
        for (std::size_t n = 0; n < day.Cat.size(); ++n) SetBox(*day.Cat[n], n == 0 || n == 3);
        SetBox(*day.Rota[1], true);
        AnswerNextDialog<TFormCopRamal>([](TFormCopRamal& selector) {
            for (std::size_t tile = 0; tile < selector.Panel.size(); ++tile)
                if (selector.Panel[tile]->Caption() == "22" || selector.Panel[tile]->Caption() == "23")
                    selector.PanelMouseDown(static_cast<int>(tile) + 2);
            selector.OkButtonClick();
        });
        screen.CopButtonClick();
        screen.ButtonOkClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(19, {0x3F, 0x3F, 0x3F});
    Expect(39, {0x02, 0x02, 0x02});
    Expect(79, {0xEE, 0xEE, 0xEE});
    ExpectInMemory();
}

// The trunk screen shows the trunk typed into its trunk edit.
void GoToTrunk(TFormConfigVias& screen, const char* trunk) {
    screen.EditVia->setText(trunk);
    screen.EnterVia();
}

// 5. All trunks: trunk 03 without a direction is refused, then incoming only, answered by 21;
// trunk 04 gets the defaults (the INI turns the digit limit off).
void ArcoInstaller::Trunks() {
    SCOPED_TRACE("trunks");
    CancelLeavesAll<TFormConfigVias>(TCommandId::Trunks,
                                     [](TFormConfigVias& screen) { SetBox(*screen.DBCheckBox3, true); });
    RunScreen<TFormConfigVias>(TCommandId::Trunks, [&](TFormConfigVias& screen) {
        GoToTrunk(screen, "3");
        SetBox(*screen.DBCheckBox1, false); // "Via de saída"
        SetBox(*screen.DBCheckBox2, false); // "Via de entrada"
        EXPECT_TRUE(screen.CheckEnlace->isChecked());
        screen.OkButtonClick();
        EXPECT_EQ(NewBoxes(), Error("Deve ser definido o tipo da via (saída, entrada, bloqueada)"));
        EXPECT_EQ(screen.EditVia->text(), "03");
        SetBox(*screen.DBCheckBox2, true);
        Pick(*screen.ComboAtendPrin, "21");
        GoToTrunk(screen, "4");
        AnswerNextDialog<TFormPadrao>([](TFormPadrao& scope) {
            EXPECT_EQ(scope.RadioButton2->text(), "A via em edição");
            scope.RadioButton2->setChecked(true);
            scope.Button1Click();
        });
        screen.DefButtonClick();
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(250, {0x48});
    Expect(215, {0x01});
    Expect(222, {0x12});
    Expect(246, {0x00, 0x01});
    ExpectInMemory();
}

// 6. Group 1 hierarchical with 21 and 22; a multiple group of seven refused, of six stored. Then
// group 1 is cleared again.
void ArcoInstaller::ExtensionGroups() {
    SCOPED_TRACE("extension groups");
    CancelLeavesAll<TFormGrupoRam>(TCommandId::ExtensionGroups, [](TFormGrupoRam& screen) {
        GoToGroup(screen, 3);
        FillGroup(screen, 1, {"30", "31"});
    });
    RunScreen<TFormGrupoRam>(TCommandId::ExtensionGroups, [&](TFormGrupoRam& screen) {
        GoToGroup(screen, 1);
        FillGroup(screen, 0, {"21", "22"});
        GoToGroup(screen, 2);
        FillGroup(screen, 2, {"23", "24", "25", "26", "28", "29", "30"});
        screen.OkButtonClick();
        EXPECT_EQ(NewBoxes(), Error("Grupo Múltiplo não pode possuir mais que 6 ramais."));
        EXPECT_EQ(screen.Edit1->Text(), "2");
        Pick(*screen.DBComboBoxes[6], "");
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_EQ(NewBoxes(), TBoxes{});
    Expect(2425, {0x00, 0x01, 0x02, 0xBB, 0xBB, 0xBB, 0xBB, 0xBB});
    Expect(2433, {0x10, 0x03, 0x04, 0x05, 0x06, 0x08, 0x09, 0xBB});
    Expect(2458, {0x02, 0x02, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04, 0x04, 0x00});
    ExpectInMemory();

    RunScreen<TFormConfigVias>(TCommandId::Trunks, [&](TFormConfigVias& screen) {
        GoToTrunk(screen, "1");
        Pick(*screen.ComboAtendNot, "61"); // group 1
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    EXPECT_EQ(ProgrammingBytes[201], 0x71);

    // Clearing group 1 leaves trunk 1 without its night attendant: the warning, then the trunks.
    const std::string TrunksWarning =
        "Ao apagar grupo de ramal foi gerada inconsistência nos ramais atendedores "
        "das vias. Será necessário corrigi-los.";
    bool trunksShown = false;
    RunScreen<TFormGrupoRam>(TCommandId::ExtensionGroups, [&](TFormGrupoRam& screen) {
        GoToGroup(screen, 1);
        screen.Button1Click(); // "A&paga"
        AnswerNextDialog<TFormConfigVias>([&](TFormConfigVias& trunks) {
            trunksShown = true;
            EXPECT_TRUE(folder_.Exists("TEMPORAR.DAT"));
            trunks.OkButtonClick();
            EXPECT_EQ(NewBoxes(), (TBoxes{{TMsgKind::Warning, TrunksWarning},
                                          {TMsgKind::Error, "Ramal atendedor noturno deve existir."}}));
            EXPECT_EQ(trunks.EditVia->text(), "01");
            Pick(*trunks.ComboAtendNot, "22");
            trunks.OkButtonClick();
            EXPECT_FALSE(trunks.isVisible());
        });
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
        EXPECT_TRUE(NewBoxes().empty()); // the warning comes once the screen has closed
    });
    EXPECT_TRUE(trunksShown);
    EXPECT_TRUE(NewBoxes().empty());
    Expect(201, {0x02});
    Expect(2425, {0x40, 0xBB, 0xBB, 0xBB, 0xBB, 0xBB, 0xBB, 0xBB});
    Expect(2458, {0x00, 0x00});
    ExpectInMemory();
}

// 7. "4812" blocked under the local "4", and the area code 048; the other prefixes under "481"
// stay local.
void ArcoInstaller::Prefixes() {
    SCOPED_TRACE("prefixes");
    CancelLeavesAll<TFormPref>(TCommandId::Prefixes, [](TFormPref& screen) {
        screen.Edit1->setText("55");
        screen.Edit1KeyPress(Qt::Key_Return);
    });
    RunScreen<TFormPref>(TCommandId::Prefixes, [&](TFormPref& screen) {
        screen.Edit1->setText("4812");
        screen.Edit1KeyPress(Qt::Key_Return);
        ASSERT_EQ(screen.ListBox1->currentItem()->text(), "4812");
        screen.DBRadioGroup1->Button(4)->click(); // "Prefixo bloqueado"
        screen.MaskEdit1->setText(" 048");
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(300, {0xFF, 0x48, 0x82});
    Expect(310, {0x80});
    Expect(350, {0x83});
    Expect(392, {0x01});
    Expect(433, {0x84});
    Expect(444, {0x40});
    ExpectInMemory();

    RunScreen<TFormPref>(TCommandId::Prefixes, [&](TFormPref& screen) {
        const auto accessOf = [&](const char* prefix) {
            const auto items = screen.ListBox1->findItems(prefix, Qt::MatchExactly);
            if (items.size() != 1) return -1;
            screen.ListBox1->setCurrentItem(items.front());
            screen.ListBox1Click();
            return screen.DBRadioGroup1->ItemIndex();
        };
        EXPECT_EQ(accessOf("4812"), 4); // "Prefixo bloqueado"
        EXPECT_EQ(accessOf("4811"), 0); // "Ramais com categoria local"
        EXPECT_EQ(screen.MaskEdit1->text().remove(' '), "048");
        screen.CancButtonClick();
    });
}

// 8. An entry of the general speed dial; the same route and number twice are refused.
void ArcoInstaller::GeneralSpeedDial() {
    SCOPED_TRACE("general speed dial");
    constexpr int CategoryCol = 1, RouteCol = 2, NumberCol = 3, NameCol = 4;
    RunScreen<TFormAgColet>(TCommandId::GeneralSpeedDial, [&](TFormAgColet& screen) {
        TVevIvizudEvar& grid = *screen.VevIvizudEvar1;
        EXPECT_EQ(grid.GetGridCells(0, 1), "760");
        for (const int row : {1, 2}) {
            grid.SetGridCells(CategoryCol, row, "Sim");
            grid.SetGridCells(RouteCol, row, "0");
            grid.SetGridCells(NumberCol, row, QString("04832221234").leftJustified(20));
            grid.SetGridCells(NameCol, row, QString("Suporte").leftJustified(20));
        }
        screen.OkButtonClick();
        EXPECT_EQ(NewBoxes(), Error("Repetição de número de telefone e rota não é permitido."));
        EXPECT_EQ(grid.GetCurrentRow(), 2);
        grid.SetGridCells(CategoryCol, 2, "Não");
        for (const int col : {RouteCol, NumberCol, NameCol}) grid.SetGridCells(col, 2, "");
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(1315, {0x80, 0x0B, 0xA4, 0x83, 0x22, 0x21, 0x23, 0x40, 0, 0, 0, 0, 0, 0, 0, 0});
    Expect(1331, {0x00, 0x00}); // entry 761 stays empty
    ExpectName(1795, "Suporte");
    ExpectInMemory();
}

// 9. An impossible date refused; two holidays sorted and the Saturday hour.
void ArcoInstaller::Holidays() {
    SCOPED_TRACE("holidays");
    CancelLeavesAll<TFormFeria>(TCommandId::Holidays,
                                [](TFormFeria& screen) { screen.MaskEdit[0]->setText("07/09"); });
    RunScreen<TFormFeria>(TCommandId::Holidays, [&](TFormFeria& screen) {
        screen.MaskEdit[0]->setText("25/12");
        screen.MaskEdit[1]->setText("31/04");
        screen.OkButtonClick();
        EXPECT_EQ(NewBoxes(), Error("Feriado em 31/04 está incorreto"));
        EXPECT_TRUE(screen.isVisible());
        screen.MaskEdit[1]->setText("");
        screen.MaskEdit[2]->setText("01/01");
        screen.MaskEdit17->setText("12:00");
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(652, {0x01, 0x01, 0x19, 0x0C, 0x00, 0x00});
    Expect(684, {0x0C, 0x00});
    ExpectInMemory();
}

// 10. A daily wake-up call for 21; night service from 18:00 to 08:00 every day.
void ArcoInstaller::WakeUpAndNightService() {
    SCOPED_TRACE("wake-up and night service");
    constexpr int TimeCol = 1;
    RunScreen<TFormDesperta>(TCommandId::WakeUp, [&](TFormDesperta& screen) {
        TVevIvizudEvar& grid = *screen.VevIvizudEvar1;
        const int row = RowShowing(grid, "21");
        ASSERT_GT(row, 0);
        EXPECT_EQ(RowShowing(grid, "68"), -1); // paging is no extension
        grid.SetGridCells(TimeCol, row, "07:30");
        grid.SetCurrentRow(row);
        screen.RadioItems[1]->click(); // "Todo dia"
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(3490, {0x1E, 0x87, 0x60, 0x60});
    Expect(3566, {1});

    CancelLeavesAll<TFormNotAuto>(TCommandId::NightService, [](TFormNotAuto& screen) {
        screen.VevIvizudEvar1->SetGridCells(TimeCol, 1, "22:00");
        screen.Activation().Workdays->setChecked(true);
    });
    RunScreen<TFormNotAuto>(TCommandId::NightService, [&](TFormNotAuto& screen) {
        screen.VevIvizudEvar1->SetGridCells(TimeCol, 1, "18:00"); // "Entrada"
        screen.VevIvizudEvar2->SetGridCells(TimeCol, 1, "08:00"); // "Saída"
        screen.Activation().EveryDay->setChecked(true);
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(686, {0x08, 0x00, 0x12, 0x00});
    Expect(830, {0x20});
    ExpectInMemory();
}

// 11. The timers' defaults with the flash time of the INI file; a password of two digits refused,
// then three; the calendar from the PC's clock; the centralizer.
void ArcoInstaller::TimersPasswordCalendarCentralizer() {
    SCOPED_TRACE("timers, password, calendar, centralizer");
    RunScreen<TFormTempor>(TCommandId::Timers, [&](TFormTempor& screen) {
        screen.PadButtonClick();
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    Expect(290, {3, 3, 9, 4, 4, 1, 5});

    CancelLeavesAll<TFormSenha>(TCommandId::Passwords,
                                [](TFormSenha& screen) { screen.Senha->setText("555"); });
    RunScreen<TFormSenha>(TCommandId::Passwords, [&](TFormSenha& screen) {
        screen.Senha->setText("10");
        screen.ComboBox1->setCurrentIndex(screen.ComboBox1->findText("3"));
        screen.OkButtonClick();
        EXPECT_EQ(NewBoxes(), Error("A senha deve possuir 3 dígitos."));
        EXPECT_TRUE(screen.isVisible());
        screen.Senha->setText("103");
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    Expect(2571, {0x21, 0xA3});
    Expect(3569, {3});

    CancelLeavesAll<TFormCalendar>(TCommandId::Calendar,
                                   [](TFormCalendar& screen) { screen.CompButtonClick(); });
    RunScreen<TFormCalendar>(TCommandId::Calendar, [&](TFormCalendar& screen) {
        screen.CompButtonClick(); // "&Sistema": Thursday 29/02/2024 23:59:58
        screen.OkButtonClick();
    });
    Expect(11, {0x05, 0x1D, 0x02, 0x18, 0x17, 0x3B, 0x3A});

    RunScreen<TFormCentral>(TCommandId::Centralizer, [&](TFormCentral& screen) {
        screen.MaskEdit1->setText("07");
        screen.MaskEdit2->setText("08:30");
        screen.MaskEdit3->setText("04830001111");
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    Expect(1296, {0x07, 0x08, 0x1E});
    Expect(1299, {0x00, 0x0B, 0xA4, 0x83, 0xAA, 0xA1, 0x11, 0x10, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(NewBoxes().empty());
    ExpectInMemory();
}

// 12. Emergência 1 with a number and an extension: the number wins. An unknown emergency
// extension is refused on leaving its field, and again when OK is pressed from the field.
void ArcoInstaller::Emergency() {
    SCOPED_TRACE("emergency");
    RunScreen<TFormEmergenc>(TCommandId::Emergency, [&](TFormEmergenc& screen) {
        QApplication::setActiveWindow(&screen);
        screen.MaskEdit1->setText("190");
        screen.ComboBox1->setEditText("22");
        screen.ComboBox3->setFocus();
        screen.ComboBox3->setEditText("99");
        QTest::keyClick(screen.ComboBox3, Qt::Key_Tab);
        QApplication::processEvents();
        EXPECT_EQ(NewBoxes(), Error("Ramal não existe."));
        EXPECT_EQ(QApplication::focusWidget(), screen.ComboBox3);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // the default button, "O&k"
        QApplication::processEvents();
        EXPECT_EQ(NewBoxes(), Error("Ramal não existe."));
        EXPECT_TRUE(screen.isVisible());
        screen.ComboBox3->setEditText("");
        screen.OkButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    Expect(2499, {0x00, 0x03, 0x19, 0xA0});
    Expect(2515, {0x76});
    ExpectInMemory();
}

// 13. Save as "cliente.npx"; saving over a default programming is refused; exit without a
// question. The saved file holds exactly the edits of the phases above.
void ArcoInstaller::SaveAndExit() {
    SCOPED_TRACE("save and exit");
    services_.files.answers = {folder_.Path("cliente.npx")};
    Window().Run(TCommandId::Save); // a new programming has no file: Save goes to Save as
    EXPECT_EQ(services_.files.captions, std::vector<QString>{"Salvar programação como"});
    EXPECT_FALSE(Window().Action(TCommandId::Save)->isEnabled());
    const std::string saved = folder_.Read("cliente.npx");
    EXPECT_EQ(saved.size(), 6750u);
    ExpectDifferencesFromDefault(saved);

    services_.files.answers = {folder_.Path("DEFARCO.NPX")};
    Window().Run(TCommandId::SaveAs);
    const TBoxes refused = NewBoxes();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].first, TMsgKind::Error);
    EXPECT_EQ(folder_.Read("DEFARCO.NPX"), defaultArco_);

    Window().Run(TCommandId::Exit);
    EXPECT_TRUE(NewBoxes().empty());
    EXPECT_FALSE(Window().isVisible());
}

// 14. The next day: the keys of terminal 1 (extension 21) of the field programming; the exit asks
// about them although no other section changed, and saves them.
void ArcoInstaller::TerminalKeysOfTheFieldProgramming() {
    SCOPED_TRACE("terminal keys of campo.npx");
    StartAndLogIn("INSTALADOR", InstallerPassword);
    services_.files.answers = {folder_.Path("campo.npx")};
    Window().Run(TCommandId::Open);
    ASSERT_EQ(ProgrammingFileName, folder_.Path("campo.npx"));
    const std::string field = folder_.Read("campo.npx");
    CancelLeavesAll<TFormTeclasTI>(TCommandId::TerminalKeys, [](TFormTeclasTI& screen) {
        screen.RadioButtonT[3]->setChecked(true);
        screen.RadioButtonTClick(3);
    });
    RunScreen<TFormTeclasTI>(TCommandId::TerminalKeys, [&](TFormTeclasTI& screen) {
        ASSERT_EQ(screen.ComboBox2->findText("21"), 0);
        screen.ComboBox2->setCurrentIndex(0);
        screen.ComboBox2Change();
        EXPECT_EQ(screen.LabelTI->text(), "(TI 01)");
        const auto give = [&](int key, int tag, const char* value) {
            screen.ButtonTClick(screen.ButtonT[key - 1]);
            screen.RadioButtonT[tag]->setChecked(true);
            screen.RadioButtonTClick(tag);
            screen.ComboBoxF->setCurrentIndex(screen.ComboBoxF->findText(value));
            screen.ComboBoxFExit();
        };
        give(1, 3, "0"); // A: "Rota 0"
        give(3, 2, "3"); // C: "Linha 3"
        EXPECT_EQ(DescreveTecla(screen.KeyCodes[0]), "Rota 0");
        EXPECT_EQ(DescreveTecla(screen.KeyCodes[2]), "Linha 3");
        screen.Button1Click();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_EQ(ProgrammingModified, 0); // the keys screen marks its section only
    Window().Run(TCommandId::Exit);    // the recording service answers Yes
    EXPECT_EQ(NewBoxes(), (TBoxes{{TMsgKind::Confirmation, "Deseja salvar as programações ?"}}));
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(Differences(folder_.Read("campo.npx"), field), (std::set<std::size_t>{4170, 4172}));
    EXPECT_EQ(static_cast<std::uint8_t>(folder_.Read("campo.npx")[4170]), 0xAA);
    EXPECT_EQ(static_cast<std::uint8_t>(folder_.Read("campo.npx")[4172]), 0x83);
}

// 14 (end). The field programming again: its keys were saved. Then a follow-me cancelled in
// memory only: the exit's question answered No leaves the file as it was.
void ArcoInstaller::CancellationNotSaved() {
    SCOPED_TRACE("cancellation not saved");
    StartAndLogIn("INSTALADOR", InstallerPassword);
    ASSERT_TRUE(Window().OpenProgramming(folder_.Path("campo.npx")));
    EXPECT_EQ(ProgrammingBytes[4170], 0xAA);
    EXPECT_EQ(ProgrammingBytes[4172], 0x83);
    const std::string field = folder_.Read("campo.npx");
    RunScreen<TFormCancProg>(TCommandId::Cancellation, [&](TFormCancProg& screen) {
        screen.Edit1->SetText("22");
        screen.PosicRml();
        EXPECT_TRUE(screen.DBCheckBoxes[3]->isChecked()); // "Ramal com siga-me"
        screen.DBCheckBoxes[3]->click();
        screen.OKButtonClick();
        EXPECT_FALSE(screen.isVisible());
    });
    EXPECT_TRUE(NewBoxes().empty());
    EXPECT_EQ(ProgrammingBytes[256], 0x01);
    EXPECT_EQ(ProgrammingBytes[3632], 0xBB);
    services_.messages.answers = {TMsgResult::No};
    Window().Run(TCommandId::Exit);
    EXPECT_EQ(NewBoxes(), (TBoxes{{TMsgKind::Confirmation, "Deseja salvar as programações ?"}}));
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(folder_.Read("campo.npx"), field);
}

// 15. The whole report of "cliente.npx" printed to a PDF file.
void ArcoInstaller::ReportToPdf() {
    SCOPED_TRACE("report");
    StartAndLogIn("INSTALADOR", InstallerPassword);
    ASSERT_TRUE(Window().OpenProgramming(folder_.Path("cliente.npx")));
    ProgrammingFileName = "/home/instalador/Programações/cliente.npx"; // shown as a user keeps it
    Window().RefreshMainWindow();
    Snap(Window(), "main-window");
    std::vector<int> ticked;
    RunScreen<TFormRelat>(TCommandId::Report, [&](TFormRelat& form) {
        for (int k = 1; k <= ReportSectionCount; ++k)
            if (form.CB(k)->isEnabled() && form.CB(k)->isChecked()) ticked.push_back(k);
        Snap(form, "walkthrough-report");
        EXPECT_TRUE(form.frameGeometry().contains(Window().frameGeometry().center())); // over it, not aside
        form.OkButtonClick();
    });
    EXPECT_TRUE(NewBoxes().empty());
    EXPECT_EQ(ticked.size(), 17u);
    if (!HavePoppler()) {
        ADD_FAILURE() << "pdfinfo and pdftotext (poppler-utils) are needed to read the report";
        return;
    }
    EXPECT_THAT(CommandOutput("pdfinfo '" + PdfPath() + "'"), testing::HasSubstr("Pages:           20\n"));
    if (ScreenshotFolder() != nullptr)
        CommandOutput("pdftoppm -png -r 50 -f 3 -l 3 -singlefile '" + PdfPath() + "' '" + ScreenshotFolder() +
                      "/walkthrough-report-page'");
    const std::string text = CommandOutput("pdftotext -layout '" + PdfPath() + "' -");
    EXPECT_THAT(text, testing::ContainsRegex("Talvenor ARCO +CATEGORIA DOS RAMAIS +\\(DIURNO\\) +" +
                                             ProgrammingFileName));
    EXPECT_THAT(text, testing::ContainsRegex("760 +Sim +0 +04832221234 +Suporte"));
    EXPECT_THAT(text, testing::ContainsRegex("4812 +BLO"));
}

// 16. A user without the trunk right gets "PARE" there and no scratch table; other screens open.
void ArcoInstaller::OperatorWithoutTheTrunkRight() {
    SCOPED_TRACE("operator");
    StartAndLogIn("OPERADOR", OperatorPassword);
    ASSERT_TRUE(Window().OpenProgramming(folder_.Path("cliente.npx")));
    std::vector<int> built; // the scratch tables the road builds
    const TTempTableBuilder previous = SetTempTableBuilder([&built](int code, int which) {
        built.push_back(code);
        BuildScratchTable(code, which);
    });
    Window().Run(TCommandId::Trunks);
    Window().Run(TCommandId::Trunks, 1); // the road of the first trunk's button
    EXPECT_EQ(NewBoxes(),
              (TBoxes(2, {TMsgKind::Stop, "O usuário não tem direito de acesso a este comando."})));
    EXPECT_STREQ(MessageTitle(TMsgKind::Stop), "PARE");
    EXPECT_TRUE(built.empty());
    RunScreen<TFormFeria>(TCommandId::Holidays, [](TFormFeria& screen) { screen.CancButton->click(); });
    RunScreen<TFormPref>(TCommandId::Prefixes, [](TFormPref& screen) { screen.CancButtonClick(); });
    EXPECT_EQ(built, std::vector<int>{7});
    SetTempTableBuilder(previous);
    EXPECT_TRUE(NewBoxes().empty());
}

TEST_F(ArcoInstaller, ProgramsAModel11ExchangeFromLoginToReport) {
    FirstStartAndLogin();
    NewArco();
    NumberingPlan();
    Categories();
    Trunks();
    ExtensionGroups();
    Prefixes();
    GeneralSpeedDial();
    Holidays();
    WakeUpAndNightService();
    TimersPasswordCalendarCentralizer();
    Emergency();
    SaveAndExit();
    TerminalKeysOfTheFieldProgramming();
    CancellationNotSaved();
    ReportToPdf();
    OperatorWithoutTheTrunkRight();
}

} // namespace
