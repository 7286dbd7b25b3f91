#pragma once
// Fixture of the screen tests: a QApplication for the test program, a cleared programming in a
// temporary program folder (ProgrammingFixture), recording message and help services and a
// fixed clock. Screens are shown offscreen and driven through their handlers.

#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/ProgrammingFile.h"
#include "core/ProgrammingFixture.h"
#include "platform/ui/UiServices.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>
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

// The tests of this folder share one QApplication, made by the first fixture that needs it, on
// the offscreen platform unless another one is asked for.
inline void EnsureQtApplication() {
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "screens_test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives for the whole run
}

class ScreenFixture : public ProgrammingFixture {
protected:
    ScreenFixture() {
        EnsureQtApplication();
        previousClock = SetClockService(
            std::make_unique<TFixedClockService>(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58))));
        // The language file and the help pages as the tool installs them.
        previousHooks =
            SetUiHooks({.TranslateText = TranslateText, .LookupLabel = LookupLabel, .HelpFolder = [] {
                            return ProgramFilePath(HelpFolderName);
                        }});
    }
    ~ScreenFixture() override {
        SetUiHooks(std::move(previousHooks));
        SetClockService(std::move(previousClock));
    }

    // The model's test fixture file, loaded as the tool loads a programming file.
    void LoadModel(int model) { LoadProgrammingFile(FixtureFile(model)); }

    // The source texts of the boxes shown so far.
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& shown : services.messages.shown) texts.push_back(shown.text);
        return texts;
    }
    // The one box shown so far must be of this kind with this text.
    void ExpectOneBox(const std::string& text, TMsgKind kind = TMsgKind::Error) const {
        ASSERT_EQ(services.messages.shown.size(), 1u) << testing::PrintToString(Messages());
        EXPECT_EQ(services.messages.shown[0].kind, kind);
        EXPECT_EQ(services.messages.shown[0].text, text);
    }
    // OK refused with one error box: the screen still shown, the focus on the offending control
    // (when given) and nothing stored since `before`.
    void ExpectOkRefused(const QWidget& screen, const TProgrammingState& before, const std::string& text,
                         const QWidget* focus = nullptr) const {
        ExpectOneBox(text);
        if (focus != nullptr) {
            EXPECT_EQ(QApplication::focusWidget(), focus);
        }
        EXPECT_TRUE(screen.isVisible());
        EXPECT_TRUE(TProgrammingState::Now() == before);
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

    // Runs action, which shows a modal dialog, and lets answer close it (a dialog left open is
    // rejected). Returns the class name of the dialog shown, "" when none was.
    static QString AnsweringDialog(const std::function<void(QDialog&)>& answer,
                                   const std::function<void()>& action) {
        QString shown;
        QObject scope; // the timer goes with it when no dialog came
        QTimer::singleShot(0, &scope, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            shown = dialog->metaObject()->className();
            answer(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        action();
        return shown;
    }
    template <class TDialog>
    static QString Answering(const std::function<void(TDialog&)>& answer,
                             const std::function<void()>& action) {
        return AnsweringDialog([&](QDialog& dialog) { answer(static_cast<TDialog&>(dialog)); }, action);
    }

    TScopedTestServices services;
    std::unique_ptr<TClockService> previousClock;
    TUiHooks previousHooks;
};
