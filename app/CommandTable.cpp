// The table of the tool's commands and the Show functions of those whose windows exist. See
// Commands.h for the road of a command and for how a finished screen is wired in here.

#include "app/Commands.h"

#include "app/prgmain.h"
#include "core/CoreError.h"
#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "core/Sections.h"
#include "core/ValueConversions.h"
#include "db/components/VORSAMTable.h"
#include "platform/ui/UiServices.h"
#include "screens/Agcolet.h"
#include "screens/Agindiv.h"
#include "screens/Atdport.h"
#include "screens/Atendfax.h"
#include "screens/Atuaauto.h"
#include "screens/Calendar.h"
#include "screens/Cancprog.h"
#include "screens/Central.h"
#include "screens/Chefsecr.h"
#include "screens/Codpart.h"
#include "screens/ConfVia.h"
#include "screens/Confsys.h"
#include "screens/Desperta.h"
#include "screens/Emergenc.h"
#include "screens/Feriados.h"
#include "screens/Gruporam.h"
#include "screens/Ncat.h"
#include "screens/Notautom.h"
#include "screens/PlanoNum.h"
#include "screens/Prefixos.h"
#include "screens/Progdive.h"
#include "screens/Progind.h"
#include "screens/Programa.h"
#include "screens/ScratchTables.h"
#include "screens/Senhager.h"
#include "screens/Teclasti.h"
#include "screens/Temporiz.h"
#include "screens/report/Relator.h"

#include <QLabel>
#include <QLineEdit>

// ---- Show functions -----------------------------------------------------------------------

namespace {

// The Show function of a command the main window itself carries out.
template <auto Method> void WindowCommand(TCommandContext& context) {
    (context.MainWindow().*Method)();
}

bool SomethingModified() {
    return AnySectionModified();
}

// The Show function of a screen the main window shows as it is.
template <class TScreen> void ShowScreen(TCommandContext& context) {
    context.Screen<TScreen>().exec();
}

// The emergency lists offer the extensions only.
void ShowEmergency(TCommandContext& context) {
    BuildExtensionList(false);
    context.Screen<TFormEmergenc>().exec();
}

void ShowFaxAttendant(TCommandContext& context) {
    auto& screen = context.Screen<TFormAtendFAX>();
    screen.PreencheCombo();
    screen.exec();
}

// The trunks: every trunk from the menu, or the one trunk of a trunk button (context.Which()).
void ShowTrunks(TCommandContext& context) {
    auto& screen = context.Screen<TFormConfigVias>();
    PrepareTrunkScreen(screen, TabTemp(), context.Which());
    screen.exec();
    screen.EditVia->setEnabled(true);
}

// The extension groups, then the warnings about attendants that name a group now empty.
void ShowExtensionGroups(TCommandContext& context) {
    context.Screen<TFormGrupoRam>().exec();
    AfterExtensionGroups(context);
}

// The lists offer the extensions; they are filled for group 1 before the screen shows.
void ShowBossSecretary(TCommandContext& context) {
    auto& screen = context.Screen<TFormChefeSecr>();
    BuildExtensionList(false);
    screen.PreencheCombosChefeSecr(1);
    screen.exec();
}

// The boxes offer the sections the programming holds.
void ShowReport(TCommandContext& context) {
    auto& form = context.Screen<TFormRelat>();
    SetReportBoxesFromLoadedSections(form);
    form.exec();
}

// The categories of every extension, on the table built for them.
void ShowCategories(TCommandContext& context) {
    auto& screen = context.Screen<TMultPageDlg>();
    screen.SetTable(&TabTemp());
    screen.MontaTelaCategorias();
    screen.exec();
}

// The extension button of position Which() - 1: its caption and panels.
void ShowExtensionProgramming(TCommandContext& context) {
    const int position = context.Which() - 1;
    if (position < 0 || position >= CurrentModel().Extensions)
        throw ECoreError(TranslateText(LngText("Ramal não existe.")));
    EditedPosition = static_cast<std::uint8_t>(position);
    auto& screen = context.Screen<TFormProgRama>();
    screen.SetTable(&TabTemp());
    screen.setWindowTitle(TrText("Categoria e programações de ramal"));
    screen.PanelRamal->setText(TrText("Ramal") + " " + QString::number(ExtensionNumber(position)));
    screen.PanelPosFis->setText(TrText("Posição física") + " " +
                                QString::fromStdString(IntToStrZeroPad(position, 2)));
    screen.exec();
}

} // namespace

void AfterExtensionGroups(TCommandContext& context) {
    WarnDoorPhonesWithEmptyGroup(&context.MainWindow());
    if (!ViaComGrupoVazio()) return;
    ShowMessage(&context.MainWindow(), TMsgKind::Warning,
                LngText("Ao apagar grupo de ramal foi gerada inconsistência nos ramais atendedores das vias. "
                        "Será necessário corrigi-los."));
    context.RunCommand(TCommandId::Trunks);
}

// Step 3 of the road: the scratch table of the command's screen.
void BuildScratchTable(int tableCode, int which) {
    BuildTempTable(tableCode, which);
}

// ---- The table --------------------------------------------------------------------------------

const std::vector<TCommand>& CommandTable() {
    using enum TCommandId;
    using S = TMenu;
    using W = TFormPrinc;
    namespace K = Section;
    static const std::vector<TCommand> commands = {
        // clang-format off
        {.id = New, .caption = LngText("&Novo..."), .menu = S::File, .show = WindowCommand<&W::FileNew>,
         .shortcut = "Ctrl+N", .toolBar = true},
        {.id = Open, .caption = LngText("&Abrir..."), .menu = S::File, .show = WindowCommand<&W::FileOpen>,
         .shortcut = "Ctrl+O", .toolBar = true},
        {.id = Save, .caption = LngText("&Salvar"), .menu = S::File, .availableOn = AnyModel,
         .show = WindowCommand<&W::FileSave>, .enabledWhen = SomethingModified, .shortcut = "Ctrl+S", .toolBar = true},
        {.id = SaveAs, .caption = LngText("Salvar &como..."), .menu = S::File, .availableOn = AnyModel,
         .show = WindowCommand<&W::FileSaveAs>, .shortcut = "Ctrl+Shift+S"},
        {.id = Report, .caption = LngText("&Relatórios"), .menu = S::File, .availableOn = AnyModel, .show = ShowReport, .shortcut = "Ctrl+P",
         .toolBar = true, .separator = true},
        {.id = Exit, .caption = LngText("Sa&ir"), .menu = S::File, .show = WindowCommand<&W::close>, .shortcut = "Ctrl+Q",
         .separator = true},

        {.id = Categories, .caption = LngText("Categoria dos ramais"), .menu = S::Extensions, .section = K::Categories,
         .helpContext = 15, .tableCode = 1, .availableOn = AnyModel, .show = ShowCategories, .toolBar = true},
        {.id = ExtensionProgramming, .caption = LngText("Categoria e programações de ramal"), .menu = S::Buttons,
         .section = K::Categories, .helpContext = 15, .tableCode = 1, .availableOn = AnyModel,
         .show = ShowExtensionProgramming},
        {.id = NumberingPlan, .caption = LngText("Plano de numeração"), .menu = S::Extensions, .section = K::NumberingPlan,
         .helpContext = 16, .availableOn = AnyModel, .show = ShowScreen<TFormPlanoNum>, .toolBar = true},
        {.id = ExtensionGroups, .caption = LngText("Grupos de ramais"), .menu = S::Extensions,
         .section = K::ExtensionGroups, .helpContext = 19, .tableCode = 5, .availableOn = AnyModel,
         .show = ShowExtensionGroups, .toolBar = true},
        {.id = BossSecretary, .caption = LngText("Grupos chefe-secretária"), .menu = S::Extensions,
         .section = K::BossSecretary, .helpContext = 20, .tableCode = 6, .availableOn = AnyModel,
         .show = ShowBossSecretary},
        {.id = Cancellation, .caption = LngText("Cancelamento das programações"), .menu = S::Extensions,
         .section = K::NumberingPlan, .helpContext = 17, .tableCode = 4, .availableOn = AnyModel,
         .show = ShowScreen<TFormCancProg>},
        {.id = IndividualProgramming, .caption = LngText("Programações individuais"), .menu = S::Extensions,
         .helpContext = 23, .tableCode = 8, .availableOn = AnyModel, .show = ShowScreen<TFormProgInd>},
        {.id = IndividualSpeedDial, .caption = LngText("Agenda individual de ramal"), .menu = S::Extensions,
         .helpContext = 21, .availableOn = AnyModel, .show = ShowScreen<TFormAgIndiv>},
        {.id = WakeUp, .caption = LngText("Programação de despertador"), .menu = S::Extensions, .section = K::WakeUp,
         .helpContext = 22, .availableOn = AnyModel, .show = ShowScreen<TFormDesperta>},
        {.id = PrivateCodes, .caption = LngText("Códigos particulares"), .menu = S::Extensions, .section = K::PrivateCodes,
         .helpContext = 18, .availableOn = AnyModel, .show = ShowScreen<TFormCodPart>},
        {.id = TerminalKeys, .caption = LngText("Teclas dos Terminais Inteligentes"), .menu = S::Extensions,
         .section = K::TerminalKeys, .helpContext = 24, .availableOn = AnyModel, .show = ShowScreen<TFormTeclasTI>},

        {.id = Trunks, .caption = LngText("Configuração das vias"), .menu = S::Exchange, .section = K::Trunks,
         .helpContext = 14, .tableCode = 2, .availableOn = AnyModel, .show = ShowTrunks, .toolBar = true},
        {.id = Prefixes, .caption = LngText("Bloqueio de prefixos"), .menu = S::Exchange, .section = K::Prefixes,
         .helpContext = 32, .tableCode = 7, .availableOn = AnyModel, .show = ShowScreen<TFormPref>},
        {.id = GeneralSpeedDial, .caption = LngText("Agenda geral"), .menu = S::Exchange, .section = K::GeneralSpeedDial,
         .helpContext = 26, .availableOn = AnyModel, .show = ShowScreen<TFormAgColet>},
        {.id = Timers, .caption = LngText("Temporizações"), .menu = S::Exchange, .section = K::Timers, .helpContext = 27,
         .availableOn = AnyModel, .show = ShowScreen<TFormTempor>},
        {.id = OptionBits, .caption = LngText("Programações diversas"), .menu = S::Exchange, .section = K::OptionBits,
         .helpContext = 31, .availableOn = AnyModel, .show = ShowScreen<TFormProgDiv>},
        {.id = Emergency, .caption = LngText("Emergência externa"), .menu = S::Exchange, .section = K::Emergency,
         .helpContext = 28, .availableOn = AnyModel, .show = ShowEmergency},
        {.id = DoorPhones, .caption = LngText("Atendedores dos Porteiros"), .menu = S::Exchange, .section = K::DoorPhones,
         .helpContext = 30, .availableOn = AnyModel, .show = ShowScreen<TFormAtdPort>},
        {.id = FaxAttendant, .caption = LngText("Atendedores de FAX"), .menu = S::Exchange, .section = K::FaxAttendant,
         .helpContext = 29, .availableOn = AnyModel, .show = ShowFaxAttendant},
        {.id = NightService, .caption = LngText("Noturno automático"), .menu = S::Exchange, .section = K::Schedules,
         .helpContext = 33, .availableOn = AnyModel, .show = ShowScreen<TFormNotAuto>},
        {.id = Actuation, .caption = LngText("Atuação externa"), .menu = S::Exchange, .section = K::Schedules,
         .helpContext = 35, .availableOn = AnyModel, .show = ShowScreen<TFormAtuaAuto>},
        {.id = Holidays, .caption = LngText("Feriados"), .menu = S::Exchange, .section = K::Holidays, .helpContext = 34,
         .availableOn = AnyModel, .show = ShowScreen<TFormFeria>},
        {.id = Calendar, .caption = LngText("Calendário"), .menu = S::Exchange, .section = K::Calendar, .helpContext = 25,
         .availableOn = AnyModel, .show = ShowScreen<TFormCalendar>},
        {.id = Passwords, .caption = LngText("Senhas"), .menu = S::Exchange, .section = K::GeneralPassword,
         .helpContext = 13, .availableOn = AnyModel, .show = ShowScreen<TFormSenha>},
        {.id = Centralizer, .caption = LngText("Dados do centralizador"), .menu = S::Exchange, .section = K::Centralizer,
         .helpContext = 36, .availableOn = NotOnModel9, .show = ShowScreen<TFormCentral>},

        {.id = Users, .caption = LngText("&Usuários..."), .menu = S::System, .show = WindowCommand<&W::ManageUsers>},
        {.id = SerialPort, .caption = LngText("&Porta serial..."), .menu = S::System, .show = ShowScreen<TFormConfSys>},

        {.id = About, .caption = LngText("&Sobre..."), .menu = S::Help, .show = WindowCommand<&W::ShowAbout>},
        // clang-format on
    };
    return commands;
}
