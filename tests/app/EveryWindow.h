#pragma once
// The windows of the tool as a person meets them, for the tests that look at every one: the screen
// of every command of the main window, the one-extension screen of an extension button, the small
// dialogs the screens open from their buttons, and the main window's own dialogs.

#include "ShellFixture.h"
#include "app/Leusuari.h"
#include "app/Novaprog.h"
#include "app/PasswordKey.h"
#include "app/Prosobre.h"
#include "app/Usuarios.h"
#include "app/prgmain.h"
#include "core/Users.h"
#include "screens/Coprotas.h"

#include <QAbstractButton>
#include <QAction>

#include <functional>
#include <memory>
#include <vector>

class EveryWindowFixture : public ShellFixture {
protected:
    // Shows, on the programming the window holds, the screen of each command it enables (and the
    // one-extension screen of the second extension button) and hands each to look while it is shown.
    static void ForEachCommandScreen(TFormPrinc& window, const std::function<void(QDialog&)>& look) {
        std::vector<std::pair<TCommandId, int>> runs;
        for (const TCommand& command : window.Commands()) {
            if (command.show == nullptr || !window.Action(command.id)->isEnabled()) continue;
            if (command.id == TCommandId::Users || command.id == TCommandId::About) continue; // main dialogs
            runs.emplace_back(command.id, AllItems);
        }
        runs.emplace_back(TCommandId::ExtensionProgramming, 2);
        for (const auto& [id, which] : runs) {
            SCOPED_TRACE(static_cast<int>(id));
            RunShowing([&, id = id, which = which] { window.Run(id, which); }, look);
        }
    }

    // Opens each small dialog that a screen opens from one of its buttons, from its screen on the
    // window's programming, and hands it to look while it is shown. Returns the class names shown.
    static std::vector<QString> ForEachScreenDialog(TFormPrinc& window,
                                                    const std::function<void(QDialog&)>& look) {
        struct TOpener {
            TCommandId command;
            const char* button;
        };
        std::vector<QString> shown;
        for (const TOpener& opener :
             {TOpener{TCommandId::Categories, "CopButton"}, TOpener{TCommandId::Categories, "PadButton"},
              TOpener{TCommandId::Trunks, "CopiaButton"}, TOpener{TCommandId::Prefixes, "Button1"}}) {
            RunShowing([&] { window.Run(opener.command); },
                       [&](QDialog& screen) {
                           auto* button = screen.findChild<QAbstractButton*>(opener.button);
                           ASSERT_NE(button, nullptr) << opener.button;
                           QTimer::singleShot(0, &screen, [&] {
                               auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                               if (dialog == nullptr || dialog == &screen) return;
                               shown.push_back(dialog->metaObject()->className());
                               look(*dialog);
                               dialog->reject();
                           });
                           button->click();
                       });
        }
        return shown;
    }

    // Shows each dialog of the main window, and the route copy selector no screen opens yet, and hands
    // each to look.
    static void ForEachMainDialog(const std::function<void(QDialog&)>& look) {
        TUsersFile users;
        users.slot[0] = MakeUser("INSTALADOR", "instala", AllRights);
        std::vector<std::unique_ptr<QDialog>> dialogs;
        dialogs.push_back(std::make_unique<TFormLeUsuario>(users));
        dialogs.push_back(std::make_unique<TFormAdministrador>());
        dialogs.push_back(std::make_unique<TFormUsuarios>(users));
        dialogs.push_back(std::make_unique<TFormNovaProgramacao>());
        dialogs.push_back(std::make_unique<TFormSobre>());
        dialogs.push_back(std::make_unique<TFormCopiaRota>());
        for (const auto& dialog : dialogs) {
            SCOPED_TRACE(dialog->metaObject()->className());
            dialog->show();
            look(*dialog);
            dialog->hide();
        }
    }
};
