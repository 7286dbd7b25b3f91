// The categories commands through the main window's road: the scratch table exists while the
// screen is open and is gone after it closes; an extension button opens the screen of its own
// extension, captioned and with its panels, and its OK stores that extension's bytes.

#include "ShellFixture.h"
#include "core/ui/prgmain.h"
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

class CategoryCommands : public ShellFixture {
protected:
    // Runs the command and, while its screen is shown, notes which scratch files exist and hands
    // the screen to handle, which closes it.
    template <class TScreen>
    void RunShowing(const std::function<void()>& run, const std::function<void(TScreen&)>& handle) {
        shown = nullptr;
        QTimer::singleShot(0, [&] {
            auto* screen = qobject_cast<TScreen*>(QApplication::activeModalWidget());
            if (screen == nullptr) return;
            shown = screen;
            filesWhileOpen = folder.Exists("TEMPORAR.DAT") && folder.Exists("TEMPORAR.IDX");
            handle(*screen);
            if (screen->isVisible()) screen->reject();
        });
        run();
    }
    void ExpectTableGone() const {
        EXPECT_TRUE(filesWhileOpen);
        for (const char* name : {"TEMPORAR.DAT", "TEMPORAR.IDX", "TEMPORAR.BLB"})
            EXPECT_FALSE(folder.Exists(name)) << name;
    }

    QWidget* shown = nullptr;
    bool filesWhileOpen = false;
};

TEST_F(CategoryCommands, TheCategoriesScreenEditsEveryExtensionOnTheScratchTable) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    QString title, number;
    RunShowing<TMultPageDlg>([&] { window.Action(TCommandId::Categories)->trigger(); },
                             [&](TMultPageDlg& screen) {
                                 title = screen.windowTitle();
                                 number = screen.MaskEdit1->text();
                                 screen.MaskEdit1->setText("24");
                                 screen.EnterRamal();
                                 screen.Day.Cat[3]->click(); // "Acesso DDI"
                                 screen.ButtonOkClick();
                             });
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(title, "Categoria dos ramais");
    EXPECT_EQ(number, "20");
    ExpectTableGone();
    EXPECT_EQ(ProgrammingHeader[18 + 4], 0x3F);
    EXPECT_TRUE(window.Action(TCommandId::Save)->isEnabled());
    EXPECT_TRUE(services.messages.shown.empty());
}

TEST_F(CategoryCommands, AnExtensionButtonOpensTheScreenOfItsExtension) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    ProgrammingHeader[254 + 1] = 0x20; // "Ramal TI"
    QString title, ramal, position;
    RunShowing<TFormProgRama>([&] { window.ExtensionButtons()[1]->click(); },
                              [&](TFormProgRama& screen) {
                                  title = screen.windowTitle();
                                  ramal = screen.PanelRamal->text();
                                  position = screen.PanelPosFis->text();
                                  screen.CheckBox[5]->setChecked(false);
                                  screen.ButtonOkClick();
                              });
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(EditedPosition, 1);
    EXPECT_EQ(title, "Categoria e programações de ramal");
    EXPECT_EQ(ramal, "Ramal 21");
    EXPECT_EQ(position, "Posição física 01");
    ExpectTableGone();
    EXPECT_EQ(ProgrammingHeader[254 + 1], 0x00);
    EXPECT_EQ(ModifiedSections[Section::Categories], 1);
}

TEST_F(CategoryCommands, CancelLeavesTheProgrammingAndDeletesTheTable) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    const auto before = ProgrammingBytes;
    RunShowing<TFormProgRama>([&] { window.ExtensionButtons()[3]->click(); },
                              [](TFormProgRama& screen) {
                                  screen.PadButtonClick();
                                  screen.ButtonCancelaClick();
                              });
    ASSERT_NE(shown, nullptr);
    ExpectTableGone();
    EXPECT_EQ(ProgrammingBytes, before);
    EXPECT_FALSE(window.Action(TCommandId::Save)->isEnabled());
}

} // namespace
