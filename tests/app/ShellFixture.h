#pragma once
// Test fixture of the desktop shell: a cleared programming, a temporary program folder, recording
// message, help and file-dialog services, and a logged-in user with the rights a test gives.

#include "app/AppHooks.h"
#include "app/Commands.h"
#include "core/ProgramFolder.h"
#include "core/Programming.h"
#include "core/Users.h"
#include "platform/os/TestTempFolder.h"
#include "platform/ui/UiServices.h"
#include "support/QtTestApplication.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class ShellFixture : public testing::Test {
protected:
    void SetUp() override {
        InstallAppHooks();
        ClearProgramming();
        SetProgramFolder(folder.Path());
        LogIn(AllRights);
    }
    void TearDown() override {
        SetTempTableBuilder({});
        SetLoggedUser(std::nullopt);
        ClearProgramming();
        SetProgramFolder("");
    }

    static void LogIn(std::uint32_t rights) {
        TUser user;
        user.name = "INSTALADOR";
        user.rights = rights;
        SetLoggedUser(user);
    }

    // QCoreApplication::exit, called while no event loop runs (a test that ended the program),
    // leaves a quit request that makes every later exec() return at once: run the application's
    // loop for one turn to clear it.
    static void ClearQuitRequest() {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }

    // A generated fixture of the build: fixtures/MODEL<nn>.NPX.
    static std::string Fixture(int model) {
        return std::string(CENTRPRG_BINARY_DIR) + "/fixtures/MODEL" + (model < 10 ? "0" : "") +
               std::to_string(model) + ".NPX";
    }

    // The source texts of the boxes shown so far, each with its kind.
    std::vector<std::pair<TMsgKind, std::string>> Boxes() const {
        std::vector<std::pair<TMsgKind, std::string>> boxes;
        for (const auto& shown : services.messages.shown) boxes.emplace_back(shown.kind, shown.text);
        return boxes;
    }

    // Runs `run` and hands the modal dialogs it shows, one after the other, to the handlers (a
    // dialog a handler leaves open is rejected). Returns the class names of the dialogs shown.
    static std::vector<QString> RunHandling(const std::function<void()>& run,
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
        run();
        return shown;
    }
    // The same for one dialog: its class name, empty when none was shown.
    static QString RunShowing(const std::function<void()>& run, const std::function<void(QDialog&)>& handle) {
        const std::vector<QString> shown = RunHandling(run, {handle});
        return shown.empty() ? QString() : shown.front();
    }

    TTestTempFolder folder;
    TScopedTestServices services;
};
