#pragma once
// Test fixture of the desktop shell: a cleared programming, a temporary program folder, recording
// message, help and file-dialog services, and a logged-in user with the rights a test gives.

#include "core/ProgramFolder.h"
#include "core/Programming.h"
#include "core/Users.h"
#include "core/ui/Commands.h"
#include "platform/os/TestTempFolder.h"
#include "platform/ui/UiServices.h"
#include "support/QtTestApplication.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <string>

class ShellFixture : public testing::Test {
protected:
    void SetUp() override {
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

    TTestTempFolder folder;
    TScopedTestServices services;
};
