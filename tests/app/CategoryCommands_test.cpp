// The categories commands through the main window's road: the categories screen edits every
// extension; an extension button opens the screen of its own extension, with its panels, its OK
// stores that extension's bytes and the scratch table is gone after it closes.

#include "ShellFixture.h"
#include "app/prgmain.h"
#include "platform/ui/DataChoiceControls.h"
#include "screens/Ncat.h"
#include "screens/Programa.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace {

using CategoryCommands = ShellFixture;

TEST_F(CategoryCommands, TheCategoriesScreenEditsEveryExtensionOnTheScratchTable) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    QString number;
    const QString shown = RunShowing([&] { window.Action(TCommandId::Categories)->trigger(); },
                                     [&](QDialog& dialog) {
                                         auto& screen = static_cast<TMultPageDlg&>(dialog);
                                         number = screen.MaskEdit1->text();
                                         screen.MaskEdit1->setText("24");
                                         screen.EnterRamal();
                                         screen.Day.Cat[3]->click(); // "Acesso DDI"
                                         screen.ButtonOkClick();
                                     });
    ASSERT_EQ(shown, "TMultPageDlg");
    EXPECT_EQ(number, "20");
    EXPECT_EQ(ProgrammingHeader[18 + 4], 0x3F);
    EXPECT_TRUE(window.Action(TCommandId::Save)->isEnabled());
    EXPECT_TRUE(services.messages.shown.empty());
}

TEST_F(CategoryCommands, AnExtensionButtonOpensTheScreenOfItsExtension) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    ProgrammingHeader[254 + 1] = 0x20; // "Ramal TI"
    QString ramal, position;
    const QString shown = RunShowing([&] { window.ExtensionButtons()[1]->click(); },
                                     [&](QDialog& dialog) {
                                         auto& screen = static_cast<TFormProgRama&>(dialog);
                                         ramal = screen.PanelRamal->text();
                                         position = screen.PanelPosFis->text();
                                         screen.CheckBox[5]->setChecked(false);
                                         screen.ButtonOkClick();
                                     });
    ASSERT_EQ(shown, "TFormProgRama");
    EXPECT_EQ(EditedPosition, 1);
    EXPECT_EQ(ramal, "Ramal 21");
    EXPECT_EQ(position, "Posição física 01");
    EXPECT_EQ(ProgrammingHeader[254 + 1], 0x00);
    EXPECT_EQ(ModifiedSections[Section::Categories], 1);
    for (const char* name : {"TEMPORAR.DAT", "TEMPORAR.IDX", "TEMPORAR.BLB"})
        EXPECT_FALSE(folder.Exists(name));
}

TEST_F(CategoryCommands, CancelLeavesTheProgrammingAndDeletesTheTable) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    const auto before = ProgrammingBytes;
    const QString shown = RunShowing([&] { window.ExtensionButtons()[3]->click(); },
                                     [](QDialog& dialog) {
                                         auto& screen = static_cast<TFormProgRama&>(dialog);
                                         screen.PadButtonClick();
                                         screen.ButtonCancelaClick();
                                     });
    ASSERT_EQ(shown, "TFormProgRama");
    EXPECT_FALSE(folder.Exists("TEMPORAR.DAT"));
    EXPECT_EQ(ProgrammingBytes, before);
    EXPECT_FALSE(window.Action(TCommandId::Save)->isEnabled());
}

} // namespace
