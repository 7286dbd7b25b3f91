// The extension groups screen run from the main window: emptying a group a door phone names warns
// and opens the door-phone screen.

#include "ShellFixture.h"
#include "core/ImageLayout.h"
#include "core/ui/prgmain.h"
#include "screens/Gruporam.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>

#include <functional>
#include <vector>

namespace {

class GroupScreens : public ShellFixture {
protected:
    // Runs the command and hands the modal dialogs it shows, one after the other, to the handlers;
    // answers the class names of the dialogs shown.
    static std::vector<QString> RunHandling(TFormPrinc& window, TCommandId id,
                                            std::vector<std::function<void(QDialog&)>> handlers) {
        std::vector<QString> shown;
        QObject scope; // the timers go with it
        int polls = 0;
        std::function<void(std::size_t, QDialog*)> next = [&](std::size_t index, QDialog* previous) {
            QTimer::singleShot(0, &scope, [&, index, previous] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (dialog == nullptr || dialog == previous) {
                    if (++polls < 100) next(index, previous); // the next dialog is not up yet
                    return;
                }
                shown.push_back(dialog->metaObject()->className());
                handlers[index](*dialog);
                if (dialog->isVisible()) dialog->reject();
                if (index + 1 < handlers.size()) next(index + 1, dialog);
            });
        };
        next(0, nullptr);
        window.Run(id);
        return shown;
    }
};

TEST_F(GroupScreens, EmptyingAGroupADoorPhoneNamesWarnsAndOpensTheDoorPhones) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    ProgrammingImage[Offset::Groups + Offset::GroupRecordSize] = 0; // group 2 in use
    ProgrammingImage[Offset::Groups + Offset::GroupRecordSize + 1] = 3;
    ProgrammingImage[Offset::DoorPhoneAttendant + 1] = GroupCode(2);
    const auto shown = RunHandling(window, TCommandId::ExtensionGroups,
                                   {[](QDialog& dialog) {
                                        auto& groups = static_cast<TFormGrupoRam&>(dialog);
                                        int key = '2';
                                        groups.EnterGrupo(key);
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

} // namespace
