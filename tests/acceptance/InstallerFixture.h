#pragma once
// Fixture of the end-to-end tests: a program folder of their own (the shipped language file and
// default programmings, the INI, the users INSTALADOR with every right and OPERADOR without the
// trunks, a field programming "campo.npx"), a fixed clock, recording message and file-dialog
// services, the report printed to a PDF file; the main window started as the tool starts it; the
// screens driven through their handlers as they show; and the bytes the saved file must hold.
//
// With CENTRPRG_SCREENSHOTS naming a folder, Snap also takes the pictures of the README.

#include "app/AppHooks.h"
#include "app/PasswordKey.h"
#include "app/prgmain.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/Programming.h"
#include "core/Users.h"
#include "grid/AdvancedGrid.h"
#include "platform/os/FileIo.h"
#include "platform/os/TestTempFolder.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/UiServices.h"
#include "screens/report/ReportPrinter.h"
#include "support/EventWait.h"
#include "support/QtTestApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using TBoxes = std::vector<std::pair<TMsgKind, std::string>>;

inline constexpr char InstallerPassword[] = "instala", OperatorPassword[] = "opera";

inline std::string Source(const std::string& name) {
    return std::string(CENTRPRG_SOURCE_DIR) + "/" + name;
}
inline std::string Built(const std::string& name) {
    return std::string(CENTRPRG_BINARY_DIR) + "/" + name;
}

// The folder of the README's pictures; null when none is to be taken.
inline const char* ScreenshotFolder() {
    return std::getenv("CENTRPRG_SCREENSHOTS");
}
// The widget's picture as <folder>/<name>.png (run under a display, see README.md).
inline void Snap(QWidget& widget, const char* name) {
    if (ScreenshotFolder() == nullptr) return;
    QApplication::processEvents();
    EXPECT_TRUE(widget.grab().save(QString("%1/%2.png").arg(ScreenshotFolder(), name)));
}

// The bytes that differ between two programming files of the same size.
inline std::set<std::size_t> Differences(const std::string& file, const std::string& base) {
    std::set<std::size_t> offsets;
    for (std::size_t i = 0; i < base.size() && i < file.size(); ++i)
        if (file[i] != base[i]) offsets.insert(i);
    return offsets;
}

class InstallerFixture : public testing::Test {
protected:
    void SetUp() override {
        InstallAppHooks();
        PrepareProgramFolder();
        OpenLanguageFile(ProgramFilePath(LanguageFileName));
        previousClock_ = SetClockService(
            std::make_unique<TFixedClockService>(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58))));
        previousOutput_ =
            SetReportOutput(std::make_unique<TPdfReportOutput>(QString::fromStdString(PdfPath())));
    }
    void TearDown() override {
        window_.reset();
        SetTempTableBuilder({});
        SetReportOutput(std::move(previousOutput_));
        SetClockService(std::move(previousClock_));
        ::unsetenv(ScriptedLoginVariable);
        SetLoggedUser(std::nullopt);
        ClearProgramming();
        CloseLanguageFile();
        SetProgramFolder("");
    }

    // The shipped language file and default programmings, the INI of the scenario, the users
    // INSTALADOR (every right) and OPERADOR (all but the trunks), and "campo.npx": the model-11
    // default with terminal 1 on position 1 (extension 21) and the password and follow-me bits
    // of positions 1 and 2 set.
    void PrepareProgramFolder() {
        SetProgramFolder(folder_.Path());
        folder_.Write(LanguageFileName, ReadWholeFile(Source("resources/CentrPrg.lng")).value());
        for (const char* name : {"DEFTESSL.NPX", "DEFARCO.NPX", "DEFNODO.NPX"})
            folder_.Write(name, ReadWholeFile(Built(name)).value());
        folder_.Write("CENTRPRG.INI", "[Default]\nTempoGeraFlash=3\nLimiteCifras=0\n");
        TUsersFile users;
        users.slot[0] = MakeUser("INSTALADOR", InstallerPassword, AllRights);
        users.slot[1] = MakeUser("OPERADOR", OperatorPassword, AllRights & ~RightBit(TCommandId::Trunks));
        SaveUsersFile(ProgramFilePath(UsersFileName), users);
        defaultArco_ = folder_.Read("DEFARCO.NPX");
        std::string field = defaultArco_;
        field[4130] = 1;
        for (const std::size_t position : {1, 2})
            field[254 + position] = static_cast<char>(field[254 + position] | 0x09);
        folder_.Write("campo.npx", field);
    }

    std::string PdfPath() const { return folder_.Path("relatorio.pdf"); }
    TFormPrinc& Window() { return *window_; }

    // ---- the expected programming -------------------------------------------------------------

    // The saved file must hold these bytes from offset on.
    void Expect(std::size_t offset, std::initializer_list<int> bytes) {
        for (const int byte : bytes) expected_[offset++] = static_cast<std::uint8_t>(byte);
    }
    // A name field: its length byte and its characters (ASCII here).
    void ExpectName(std::size_t offset, const std::string& name) {
        expected_[offset] = static_cast<std::uint8_t>(name.size());
        for (const char c : name) expected_[++offset] = static_cast<std::uint8_t>(c);
    }
    // The programming in memory holds the expected bytes.
    void ExpectInMemory() const {
        for (const auto& [offset, byte] : expected_)
            EXPECT_EQ(ProgrammingBytes[offset], byte) << "offset " << offset;
    }
    // The file differs from DEFARCO.NPX exactly where the expected bytes do, and holds them.
    void ExpectDifferencesFromDefault(const std::string& file) const {
        ASSERT_EQ(file.size(), defaultArco_.size());
        std::set<std::size_t> wanted;
        for (const auto& [offset, byte] : expected_)
            if (static_cast<std::uint8_t>(defaultArco_[offset]) != byte) wanted.insert(offset);
        EXPECT_THAT(Differences(file, defaultArco_), testing::ContainerEq(wanted));
        for (const auto& [offset, byte] : expected_)
            EXPECT_EQ(static_cast<std::uint8_t>(file[offset]), byte) << "offset " << offset;
    }

    // ---- driving the window -------------------------------------------------------------------

    TBoxes Boxes() const {
        TBoxes boxes;
        for (const auto& shown : services_.messages.shown) boxes.emplace_back(shown.kind, shown.text);
        return boxes;
    }
    // The boxes shown since the last call.
    TBoxes NewBoxes() {
        TBoxes boxes = Boxes();
        services_.messages.shown.clear();
        return boxes;
    }
    static TBoxes Error(const std::string& text) { return {{TMsgKind::Error, text}}; }

    // A new main window, shown; the login runs as it appears.
    void StartTool() {
        window_.reset();
        SetLoggedUser(std::nullopt);
        window_ = std::make_unique<TFormPrinc>();
        window_->resize(960, 640);
        window_->show();
    }
    void StartAndLogIn(const std::string& user, const std::string& password) {
        ::setenv(ScriptedLoginVariable, (user + ":" + password).c_str(), 1);
        StartTool();
        ASSERT_EVENTUALLY(LoggedUser() != nullptr);
        EXPECT_FALSE(window_->ProgramEnded());
    }

    // Runs a command of the window whose screen, a modal dialog, is handed to drive; the screen
    // is rejected afterwards if drive left it open. Checks the screen's class and that the
    // scratch table exists only while a data-aware screen is open.
    template <class TScreen>
    void RunScreen(TCommandId id, const std::function<void(TScreen&)>& drive, int which = AllItems) {
        const bool dataAware = IsDataAwareTable(FindCommand(Window().Commands(), id).tableCode);
        bool shown = false;
        QObject scope; // the timer goes with it when no dialog came
        QTimer::singleShot(0, &scope, [&] {
            auto* screen = qobject_cast<TScreen*>(QApplication::activeModalWidget());
            if (screen == nullptr) return;
            shown = true;
            EXPECT_EQ(folder_.Exists("TEMPORAR.DAT"), dataAware);
            drive(*screen);
            if (screen->isVisible()) screen->reject();
        });
        Window().Run(id, which);
        EXPECT_TRUE(shown) << TScreen::staticMetaObject.className();
        EXPECT_FALSE(folder_.Exists("TEMPORAR.DAT"));
        EXPECT_FALSE(folder_.Exists("TEMPORAR.IDX"));
    }

    // The screen edited, then cancelled: the programming and its flags stay as they were.
    template <class TScreen> void CancelLeavesAll(TCommandId id, const std::function<void(TScreen&)>& edit) {
        const auto bytes = ProgrammingBytes;
        const auto edited = EditedSections, modified = ModifiedSections, loaded = LoadedSections;
        const auto programmingModified = ProgrammingModified;
        RunScreen<TScreen>(id, [&](TScreen& screen) {
            edit(screen);
            screen.CancButton->click();
            EXPECT_FALSE(screen.isVisible());
        });
        EXPECT_EQ(ProgrammingBytes, bytes);
        EXPECT_EQ(EditedSections, edited);
        EXPECT_EQ(ModifiedSections, modified);
        EXPECT_EQ(LoadedSections, loaded);
        EXPECT_EQ(ProgrammingModified, programmingModified);
    }

    static QStringList Captions(const std::vector<QAbstractButton*>& buttons) {
        QStringList captions;
        for (const QAbstractButton* button : buttons) captions << button->text();
        return captions;
    }
    // The grid row whose fixed column shows the text; -1 when none does.
    static int RowShowing(TVevIvizudEvar& grid, const QString& text) {
        for (int row = 1; row < grid.GetRowCount(); ++row)
            if (grid.GetGridCells(0, row).trimmed() == text) return row;
        return -1;
    }

    // The next modal dialog, which must be of class TDialog, is handed to answer (which closes it).
    // Waits for it through a few turns of the event loop.
    template <class TDialog>
    static void AnswerNextDialog(std::function<void(TDialog&)> answer, int turns = 20) {
        QTimer::singleShot(0, [answer = std::move(answer), turns] {
            if (auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget()))
                answer(*dialog);
            else if (turns > 0)
                AnswerNextDialog<TDialog>(answer, turns - 1);
            else
                ADD_FAILURE() << TDialog::staticMetaObject.className() << " was not shown";
        });
    }
    // A data-aware box, clicked when it does not show the state wanted.
    static void SetBox(TDBCheckBox& box, bool checked) {
        EXPECT_TRUE(box.isEnabled()) << box.text().toStdString();
        if (box.isChecked() != checked) box.click();
    }
    // The user picks the item of a data-aware list and leaves the list.
    static void Pick(TDBComboBox& list, const QString& item) {
        int index = -1;
        for (int i = 0; i < list.count() && index < 0; ++i)
            if (list.itemText(i).trimmed() == item) index = i;
        ASSERT_GE(index, 0) << item.toStdString();
        list.setCurrentIndex(index);
        emit list.activated(index);
        list.DoExit();
    }
    TTestTempFolder folder_;
    TScopedTestServices services_;
    std::unique_ptr<TFormPrinc> window_;
    std::map<std::size_t, std::uint8_t> expected_;
    std::string defaultArco_;

private:
    std::unique_ptr<TClockService> previousClock_;
    std::unique_ptr<TReportOutput> previousOutput_;
};
