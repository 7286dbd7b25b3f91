#pragma once
// Fixture of the screen tests: a QApplication for the test program, a cleared programming in a
// temporary program folder (ProgrammingFixture), recording message and help services and a
// fixed clock. Screens are shown offscreen and driven through their handlers.

#include "core/ProgrammingFile.h"
#include "core/ProgrammingFixture.h"
#include "platform/ui/UiServices.h"

#include <QApplication>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

// Everything a screen may change: bytes and flags.
struct TProgrammingState {
    std::array<std::uint8_t, ImageSize> bytes;
    TSectionFlags edited, modified, loaded;
    std::uint8_t programmingModified;
    bool operator==(const TProgrammingState&) const = default;

    static TProgrammingState Now() {
        return {ProgrammingBytes, EditedSections, ModifiedSections, LoadedSections, ProgrammingModified};
    }
};

class ScreenFixture : public ProgrammingFixture {
protected:
    ScreenFixture() {
        if (!qApp) {
            static int argc = 1;
            static char name[] = "screens_test";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
        previousClock = SetClockService(
            std::make_unique<TFixedClockService>(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58))));
    }
    ~ScreenFixture() override { SetClockService(std::move(previousClock)); }

    // The model's test fixture file, loaded as the tool loads a programming file.
    void LoadModel(int model) {
        const std::string name =
            (model < 10 ? "fixtures/MODEL0" : "fixtures/MODEL") + std::to_string(model) + ".NPX";
        LoadProgrammingFile(BuildFile(name));
    }

    // The source texts of the boxes shown so far.
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& shown : services.messages.shown) texts.push_back(shown.text);
        return texts;
    }
    // The one box shown so far must be an error with this text.
    void ExpectOneError(const std::string& text) const {
        ASSERT_EQ(services.messages.shown.size(), 1u) << testing::PrintToString(Messages());
        EXPECT_EQ(services.messages.shown[0].kind, TMsgKind::Error);
        EXPECT_EQ(services.messages.shown[0].text, text);
    }

    // Shows a screen offscreen as the active window, so that focus moves as for a user.
    static void ShowActive(QWidget& screen) {
        screen.show();
        QApplication::setActiveWindow(&screen);
        QApplication::processEvents();
    }

    // Shows a screen again, as the next command would: its FormShow runs anew.
    static void ShowAgain(QWidget& screen) {
        screen.hide();
        ShowActive(screen);
    }

    TScopedTestServices services;
    std::unique_ptr<TClockService> previousClock;
};
