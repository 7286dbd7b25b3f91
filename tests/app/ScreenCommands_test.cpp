// The screens the main window shows: each command runs its screen through the road, prepared as
// the screen expects; a refused right shows none; an OK marks the programming for saving; the
// report's boxes follow the loaded sections; the door phones or trunks opened after the extension
// groups; the serial-port setting read when the window first appears.

#include "ShellFixture.h"
#include "app/prgmain.h"
#include "core/ExtensionCodes.h"
#include "core/ImageLayout.h"
#include "core/TempTable.h"
#include "db/components/VORSAMTable.h"
#include "platform/data/DataSet.h"
#include "platform/ui/CustomGrid.h"
#include "screens/Atendfax.h"
#include "screens/ConfVia.h"
#include "screens/Confsys.h"
#include "screens/Gruporam.h"
#include "screens/ScratchTables.h"
#include "screens/ScreenConventions.h"
#include "screens/report/Relator.h"
#include "support/EventWait.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace {

using TBoxes = std::vector<std::pair<TMsgKind, std::string>>;
const TBoxes RefusedRight = {{TMsgKind::Stop, "O usuário não tem direito de acesso a este comando."}};

// True when the screen, while shown, was prepared as the main window must prepare it.
using TPrepared = bool (*)(QDialog& screen);

bool ExtensionsOnly(QDialog&) {
    const auto end = ExtensionList.begin() + ExtensionListCount;
    return ExtensionListCount > 1 && std::find(ExtensionList.begin(), end, std::uint16_t{60}) == end;
}

bool FaxListFilled(QDialog& screen) {
    return ExtensionsOnly(screen) &&
           static_cast<TFormAtendFAX&>(screen).ComboBox1->count() == ExtensionListCount; // "" + each
}

struct TWiredScreen {
    TCommandId id;
    const char* screenClass;
    bool marksSection;            // its OK stores a section of the programming
    TPrepared prepared = nullptr; // what the main window does before showing it
};

const TWiredScreen WiredScreens[] = {
    {TCommandId::Calendar, "TFormCalendar", true},
    {TCommandId::Passwords, "TFormSenha", true},
    {TCommandId::Centralizer, "TFormCentral", true},
    {TCommandId::SerialPort, "TFormConfSys", false},
    {TCommandId::Timers, "TFormTempor", true},
    {TCommandId::OptionBits, "TFormProgDiv", true},
    {TCommandId::Emergency, "TFormEmergenc", true, ExtensionsOnly},
    {TCommandId::DoorPhones, "TFormAtdPort", true},
    {TCommandId::FaxAttendant, "TFormAtendFAX", true, FaxListFilled},
    {TCommandId::Holidays, "TFormFeria", true},
    {TCommandId::TerminalKeys, "TFormTeclasTI", true},
    {TCommandId::NumberingPlan, "TFormPlanoNum", true},
    {TCommandId::GeneralSpeedDial, "TFormAgColet", true},
    {TCommandId::IndividualSpeedDial, "TFormAgIndiv", false},
    {TCommandId::PrivateCodes, "TFormCodPart", true},
    {TCommandId::WakeUp, "TFormDesperta", true},
    {TCommandId::NightService, "TFormNotAuto", true},
    {TCommandId::Actuation, "TFormAtuaAuto", true},
    {TCommandId::Report, "TFormRelat", false},
    {TCommandId::Trunks, "TFormConfigVias", true},
    {TCommandId::Prefixes, "TFormPref", true},
    {TCommandId::IndividualProgramming, "TFormProgInd", false},
    {TCommandId::ExtensionGroups, "TFormGrupoRam", true},
    {TCommandId::BossSecretary, "TFormChefeSecr", true, ExtensionsOnly},
    {TCommandId::Cancellation, "TFormCancProg", true},
    {TCommandId::Categories, "TMultPageDlg", true},
};

class ScreenCommands : public ShellFixture {
protected:
    static QString RunCancelled(TFormPrinc& window, TCommandId id) {
        return RunShowing([&] { window.Run(id); }, [](QDialog& dialog) { dialog.reject(); });
    }
};

TEST_F(ScreenCommands, EachCommandShowsItsPreparedScreenAndItsOkEnablesSave) {
    for (const TWiredScreen& wired : WiredScreens) {
        SCOPED_TRACE(wired.screenClass);
        services.messages.shown.clear();
        TFormPrinc window;
        ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
        BuildExtensionList(true); // what another screen may have left
        ASSERT_TRUE(window.Action(wired.id)->isEnabled());

        bool prepared = false;
        const QString cancelled =
            RunShowing([&] { window.Run(wired.id); },
                       [&](QDialog& screen) {
                           prepared = wired.prepared == nullptr || wired.prepared(screen);
                           EXPECT_EQ(screen.windowTitle(), screen.windowTitle().trimmed());
                           screen.reject();
                       });
        EXPECT_EQ(cancelled, wired.screenClass);
        EXPECT_TRUE(prepared);
        EXPECT_FALSE(window.Action(TCommandId::Save)->isEnabled());

        const QString accepted = RunShowing([&] { window.Run(wired.id); },
                                            [&](QDialog& screen) {
                                                if (auto* form = qobject_cast<TScreenForm*>(&screen))
                                                    form->OkButton->click();
                                            });
        EXPECT_EQ(accepted, wired.screenClass); // the same screen, kept for the run
        EXPECT_EQ(window.Action(TCommandId::Save)->isEnabled(), wired.marksSection);
        for (const auto& [kind, text] : Boxes()) EXPECT_NE(kind, TMsgKind::Error) << text;
    }
}

// The scratch table of a data-aware screen exists while the screen is shown, and goes after it
// however the screen is closed.
TEST_F(ScreenCommands, TheScratchTableLivesWhileItsScreenIsShown) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(4)));
    const auto exists = [&](const char* name) { return std::filesystem::exists(folder.Path() + "/" + name); };
    // One after the other: a screen kept for the run must not hold on to another screen's table.
    for (const TCommandId id :
         {TCommandId::Categories, TCommandId::Prefixes, TCommandId::IndividualProgramming, TCommandId::Trunks,
          TCommandId::ExtensionGroups, TCommandId::BossSecretary, TCommandId::Cancellation,
          TCommandId::Prefixes}) {
        for (const char* way : {"Cancel", "Ok", "Escape"}) {
            SCOPED_TRACE(way);
            bool shownWithTable = false;
            RunShowing([&] { window.Run(id); },
                       [&](QDialog& screen) {
                           shownWithTable = exists("TEMPORAR.DAT") && exists("TEMPORAR.IDX");
                           auto& form = static_cast<TScreenForm&>(screen);
                           if (way == std::string_view("Escape")) QTest::keyClick(&form, Qt::Key_Escape);
                           if (way == std::string_view("Ok")) form.OkButton->click();
                       });
            EXPECT_TRUE(shownWithTable);
            EXPECT_FALSE(exists("TEMPORAR.DAT"));
            EXPECT_FALSE(exists("TEMPORAR.IDX"));
            EXPECT_FALSE(TabTemp().Active());
        }
    }
    for (const auto& [kind, text] : Boxes()) EXPECT_NE(kind, TMsgKind::Error) << text;
}

// Escape closes every screen as its Cancel does, whichever of its controls has the focus; in a grid's cell
// editor, where Ctrl+Z undoes the typing, it first closes the editor.
TEST_F(ScreenCommands, EscapeClosesEveryScreenWhereverTheFocusIsAndACellEditorFirst) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    std::vector<std::pair<TCommandId, int>> commands{{TCommandId::ExtensionProgramming, 2}};
    for (const TWiredScreen& wired : WiredScreens) commands.emplace_back(wired.id, AllItems);
    for (const auto& [id, which] : commands)
        for (int tried = 0, shown = 1; shown; ++tried) // the screen shown anew for each control
            RunShowing([&, id = id, which = which] { shown = 0, window.Run(id, which); },
                       [&](QDialog& screen) {
                           ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
                           QList<QWidget*> controls = screen.findChildren<QWidget*>();
                           controls.removeIf([](QWidget* c) {
                               return !(c->focusPolicy() & Qt::TabFocus) || !c->isVisible();
                           });
                           if (!(shown = tried < controls.size()) || !controls[tried]->isEnabled()) return;
                           controls[tried]->setFocus();
                           QWidget* control = QApplication::focusWidget();
                           SCOPED_TRACE(screen.metaObject()->className() +
                                        (" " + control->objectName()).toStdString());
                           auto* grid = dynamic_cast<TCustomGrid*>(control);
                           if (grid) QTest::keyClick(grid, Qt::Key_F2);
                           if (grid && grid->WantsEscape()) { // its editor is open
                               if (auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
                                   const QString before = editor->text();
                                   QTest::keyClicks(editor, "12");
                                   QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
                                   EXPECT_EQ(editor->text(), before);
                               }
                               QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                               EXPECT_TRUE(screen.isVisible() && !grid->WantsEscape());
                           }
                           QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                           EXPECT_FALSE(screen.isVisible());
                       });
    EXPECT_FALSE(window.Action(TCommandId::Save)->isEnabled());
}

TEST_F(ScreenCommands, ARefusedRightShowsStopAndNoScreen) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    for (const TWiredScreen& wired : WiredScreens) {
        SCOPED_TRACE(wired.screenClass);
        services.messages.shown.clear();
        LogIn(AllRights & ~RightBit(wired.id));
        EXPECT_EQ(RunCancelled(window, wired.id), "");
        EXPECT_EQ(Boxes(), RefusedRight);
    }
    EXPECT_TRUE(window.findChildren<QDialog*>().isEmpty());
}

// Enabled with the programming's section, hidden where the model has no such data.
TEST_F(ScreenCommands, ACommandFollowsItsSectionAndModel) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    for (const TCommand& command : window.Commands()) {
        if (command.show == nullptr || command.section == 0) continue;
        SCOPED_TRACE(command.caption);
        EXPECT_TRUE(window.Action(command.id)->isEnabled());
        const std::uint8_t loaded = LoadedSections[command.section];
        LoadedSections[command.section] = 0;
        RefreshMainWindow();
        EXPECT_FALSE(window.Action(command.id)->isEnabled());
        EXPECT_FALSE(
            window.findChild<QLabel*>(QStringLiteral("Section%1").arg(command.section))->isEnabled());
        LoadedSections[command.section] = loaded;
        RefreshMainWindow(); // two commands may share a section (night service and actuation)
    }
    EXPECT_TRUE(window.Action(TCommandId::Centralizer)->isVisible());
    ASSERT_TRUE(window.OpenProgramming(Fixture(9)));
    EXPECT_FALSE(window.Action(TCommandId::Centralizer)->isVisible());
    EXPECT_FALSE(window.Action(TCommandId::Centralizer)->isEnabled());
    EXPECT_EQ(RunCancelled(window, TCommandId::Centralizer), "");
    EXPECT_EQ(RunCancelled(window, TCommandId::Timers), "TFormTempor");
}

TEST_F(ScreenCommands, TheReportOffersTheSectionsThatAreLoaded) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    LoadedSections[Section::Trunks] = 0;      // box 3
    LoadedSections[Section::Centralizer] = 0; // box 16
    std::vector<int> offered;
    RunShowing([&] { window.Run(TCommandId::Report); },
               [&](QDialog& dialog) {
                   auto& form = static_cast<TFormRelat&>(dialog);
                   for (int k = 1; k <= ReportSectionCount; ++k)
                       if (form.CB(k)->isEnabled() && form.CB(k)->isChecked()) offered.push_back(k);
                   form.reject();
               });
    EXPECT_EQ(offered, (std::vector<int>{1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17}));
}

TEST_F(ScreenCommands, AfterTheExtensionGroupsAnEmptiedGroupOfATrunkOpensTheTrunks) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    TCommandContext context(window, FindCommand(window.Commands(), TCommandId::ExtensionGroups), AllItems);
    ProgrammingHeader[198 + 8 + 3] = 0x73; // night attendant of trunk 2: group 3, empty
    EXPECT_EQ(RunShowing([&] { AfterExtensionGroups(context); }, [](QDialog& dialog) { dialog.reject(); }),
              "TFormConfigVias");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].first, TMsgKind::Warning);
}

// The groups screen itself: emptying a group a door phone names warns and opens the door phones.
TEST_F(ScreenCommands, EmptyingAGroupADoorPhoneNamesWarnsAndOpensTheDoorPhones) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    ProgrammingImage[Offset::Groups + Offset::GroupRecordSize] = 0; // group 2 in use
    ProgrammingImage[Offset::Groups + Offset::GroupRecordSize + 1] = 3;
    ProgrammingImage[Offset::DoorPhoneAttendant + 1] = GroupCode(2);
    const auto shown = RunHandling([&] { window.Run(TCommandId::ExtensionGroups); },
                                   {[](QDialog& dialog) {
                                        auto& groups = static_cast<TFormGrupoRam&>(dialog);
                                        int key = '2';
                                        groups.EnterGrupo(key, {});
                                        groups.Button1Click();
                                        groups.OkButtonClick();
                                    },
                                    [](QDialog& dialog) { dialog.reject(); }});
    EXPECT_EQ(shown, (std::vector<QString>{"TFormGrupoRam", "TFormAtdPort"}));
    EXPECT_EQ(ProgrammingImage[Offset::Groups + Offset::GroupRecordSize], EmptyGroupType);
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes()[0],
              (std::pair<TMsgKind, std::string>{
                  TMsgKind::Warning, "Ao apagar grupo de ramal foi gerada inconsistência nos ramais "
                                     "atendedores dos porteiros. Será necessário corrigi-los."}));
}

// The trunk menu command shows every trunk; a trunk button only its own. The scratch table exists
// in the program folder while the screen is open.
TEST_F(ScreenCommands, TheTrunkScreenInBothModesOverItsScratchTable) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    struct TSeen {
        bool files = false, copy = false, editable = false;
        QString via;
        int rows = 0;
    };
    const auto look = [&](TSeen& seen) {
        return [&seen, this](QDialog& dialog) {
            auto& screen = static_cast<TFormConfigVias&>(dialog);
            seen.files = folder.Exists("TEMPORAR.DAT") && folder.Exists("TEMPORAR.IDX");
            seen.copy = !screen.CopiaButton->isHidden();
            seen.editable = screen.EditVia->isEnabled();
            seen.via = screen.EditVia->text();
            seen.rows = screen.TableConfVia->RecordCount();
            screen.CancButtonClick();
        };
    };
    TSeen all, one;
    EXPECT_EQ(RunShowing([&] { window.Run(TCommandId::Trunks); }, look(all)), "TFormConfigVias");
    EXPECT_EQ(RunShowing([&] { window.TrunkButtons()[2]->click(); }, look(one)), "TFormConfigVias");
    EXPECT_TRUE(all.files && one.files);
    EXPECT_TRUE(all.copy && all.editable);
    EXPECT_EQ(all.via, "01");
    EXPECT_EQ(all.rows, 4);
    EXPECT_FALSE(one.copy || one.editable);
    EXPECT_EQ(one.via, "03");
    EXPECT_EQ(one.rows, 1);
    for (const char* name : TempTableFiles) EXPECT_FALSE(folder.Exists(name)) << name;
    EXPECT_TRUE(window.findChild<TFormConfigVias*>()->EditVia->isEnabled());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScreenCommands, TheSerialPortSettingIsReadWhenTheWindowFirstAppears) {
    folder.Write("CENTRPRG.INI", "[Serial]\nPort=/dev/ttyUSB7\n");
    SerialPortName.clear();
    TFormPrinc window;
    window.SetLoginRunner([](QWidget*) { return TLoginResult::LoggedIn; });
    window.show();
    EXPECT_EQ(SerialPortName, "/dev/ttyUSB7");
    EXPECT_EQ(TimerAtrasoInterval, 100);
    EXPECT_EQ(RunShowing([&] { window.Run(TCommandId::SerialPort); },
                         [](QDialog& dialog) {
                             EXPECT_EQ(dialog.findChild<QComboBox*>("ComboBox1")->placeholderText(),
                                       "/dev/ttyUSB7");
                         }),
              "TFormConfSys");
}

} // namespace
