// The main window: what it shows of a programming, how it enables its commands, the road of a
// command, and the file commands with the question about unsaved changes.

#include "ShellFixture.h"
#include "app/prgmain.h"
#include "core/ModelTables.h"
#include "core/ProgrammingFile.h"
#include "core/TempTable.h"
#include "desktop/qvxComponents.h"
#include "platform/os/FileIo.h"
#include "support/EventWait.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QTest>

#include <stdexcept>

namespace {

// What the stand-in screens saw.
struct TScreenLog {
    std::vector<int> which;
    std::vector<bool> tableExisted;
    bool fail = false;
};
TScreenLog screenLog;

void FakeTrunkScreen(TCommandContext& context) {
    screenLog.which.push_back(context.Which());
    screenLog.tableExisted.push_back(FileExists(ProgramFilePath(TempTableName)));
    if (screenLog.fail) throw std::runtime_error("falhou");
    MarkSectionEdited(context.Command().section);
}

// The tool's table, with stand-ins for the trunk, one-extension and calendar screens.
std::vector<TCommand> CommandsWithScreens() {
    std::vector<TCommand> commands = CommandTable();
    for (TCommand& command : commands)
        if (command.id == TCommandId::Trunks || command.id == TCommandId::ExtensionProgramming ||
            command.id == TCommandId::Calendar)
            command.show = FakeTrunkScreen;
    return commands;
}

class MainWindow : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        screenLog = {};
        SetTempTableBuilder([this](int code, int which) {
            builds.emplace_back(code, which);
            for (const char* name : {"TEMPORAR.DAT", "TEMPORAR.IDX"}) folder.Write(name, "x");
        });
    }

    static QStringList Captions(const std::vector<QAbstractButton*>& buttons) {
        QStringList captions;
        for (const QAbstractButton* button : buttons) captions << button->text();
        return captions;
    }

    QString Summary(TFormPrinc& window, const char* name) { return window.findChild<QLabel*>(name)->text(); }

    std::vector<std::pair<int, int>> builds;
};

TEST_F(MainWindow, ShowsTheModelAndOneButtonPerExtensionAndTrunk) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    EXPECT_EQ(Summary(window, "ModelLabel"), "Talvenor ARCO");
    EXPECT_EQ(Summary(window, "FileLabel").toStdString(), Fixture(11));
    EXPECT_EQ(Summary(window, "StateLabel"), "Sem alterações");
    QStringList numbers;
    for (int position = 0; position < 15; ++position) numbers << QString::number(ExtensionNumber(position));
    EXPECT_EQ(Captions(window.ExtensionButtons()), numbers);
    EXPECT_EQ(numbers.first(), "20");
    EXPECT_EQ(Captions(window.TrunkButtons()), QStringList({"Via 01", "Via 02", "Via 03", "Via 04"}));
}

TEST_F(MainWindow, ExtensionsNumberedOtherThanTwoOrThreeGetNoButton) {
    TFormPrinc window;
    window.OpenProgramming(Fixture(11));
    ProgrammingImage.SetU16(832 + 2 * 7, 68);
    ProgrammingImage.SetU16(832 + 2 * 14, 2014);
    window.RefreshMainWindow();
    ASSERT_EQ(window.ExtensionButtons().size(), 14u);
    EXPECT_FALSE(Captions(window.ExtensionButtons()).contains("68"));
    EXPECT_EQ(window.ExtensionButtons().back()->text(), "2014");
}

TEST_F(MainWindow, SaveWaitsForAModifiedSectionAndTheSummarySaysWhich) {
    TFormPrinc window;
    window.OpenProgramming(Fixture(11));
    EXPECT_FALSE(window.Action(TCommandId::Save)->isEnabled());
    EXPECT_TRUE(window.Action(TCommandId::SaveAs)->isEnabled());
    ModifiedSections[Section::TerminalKeys] = 1; // the keys screen leaves ProgrammingModified alone
    RefreshMainWindow();
    EXPECT_TRUE(window.Action(TCommandId::Save)->isEnabled());
    EXPECT_EQ(Summary(window, "StateLabel"), "Alterada, não salva: Teclas dos Terminais Inteligentes");
    EXPECT_TRUE(window.findChild<QLabel*>("Section25")->font().bold());
    EXPECT_FALSE(window.findChild<QLabel*>("Section4")->font().bold());
}

// The password screen marks the extension passwords' digit count too: it reads as the screen's own
// section, once, and never as a bare number.
TEST_F(MainWindow, ThePasswordDigitsReadAsThePasswordScreen) {
    TFormPrinc window;
    window.OpenProgramming(Fixture(11));
    ModifiedSections[Section::ExtensionPasswordDigits] = 1;
    RefreshMainWindow();
    EXPECT_EQ(Summary(window, "StateLabel"), "Alterada, não salva: Senhas");
    const QString label = QStringLiteral("Section%1").arg(Section::GeneralPassword);
    EXPECT_TRUE(window.findChild<QLabel*>(label)->font().bold());
    ModifiedSections[Section::GeneralPassword] = 1;
    RefreshMainWindow();
    EXPECT_EQ(Summary(window, "StateLabel"), "Alterada, não salva: Senhas");
}

TEST_F(MainWindow, WithoutAProgrammingOnlyTheFileAndSystemCommandsAreEnabled) {
    TFormPrinc window;
    EXPECT_EQ(Summary(window, "ModelLabel"), "Nenhuma programação carregada");
    for (const TCommand& command : window.Commands()) {
        const bool expected = command.id == TCommandId::New || command.id == TCommandId::Open ||
                              command.id == TCommandId::Users || command.id == TCommandId::SerialPort ||
                              command.id == TCommandId::About || command.id == TCommandId::Exit;
        EXPECT_EQ(window.Action(command.id)->isEnabled(), expected) << command.caption;
    }
    EXPECT_TRUE(window.ExtensionButtons().empty());
}

TEST_F(MainWindow, ScreensNotBuiltYetStayDisabledWithAProgramming) {
    std::vector<TCommand> unbuilt = CommandTable();
    for (TCommand& command : unbuilt)
        if (command.id == TCommandId::Trunks) command.show = nullptr;
    TFormPrinc window(unbuilt);
    window.OpenProgramming(Fixture(11));
    EXPECT_FALSE(window.Action(TCommandId::Trunks)->isEnabled());
    EXPECT_FALSE(window.TrunkButtons().front()->isEnabled());
    TFormPrinc wired(CommandsWithScreens());
    EXPECT_TRUE(wired.Action(TCommandId::Trunks)->isEnabled());
    EXPECT_TRUE(wired.TrunkButtons().front()->isEnabled());
    EXPECT_TRUE(wired.ExtensionButtons().front()->isEnabled());
}

TEST_F(MainWindow, ARefusedRightStopsTheCommandBeforeTheScratchTable) {
    LogIn(AllRights & ~RightBit(TCommandId::Trunks));
    TFormPrinc window(CommandsWithScreens());
    window.OpenProgramming(Fixture(11));
    window.TrunkButtons()[1]->click();
    window.Action(TCommandId::Trunks)->trigger();
    EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>(
                           2, {TMsgKind::Stop, "O usuário não tem direito de acesso a este comando."})));
    EXPECT_TRUE(builds.empty());
    EXPECT_TRUE(screenLog.which.empty());
    EXPECT_FALSE(folder.Exists("TEMPORAR.DAT"));
    window.Run(TCommandId::Calendar); // other commands still open
    EXPECT_EQ(screenLog.which.size(), 1u);
}

TEST_F(MainWindow, TheRoadBuildsTheTableShowsTheScreenDeletesTheTableAndRefreshes) {
    folder.Write("TEMPORAR.BLB", "left by a crash");
    TFormPrinc window(CommandsWithScreens());
    window.OpenProgramming(Fixture(11));
    window.TrunkButtons()[2]->click();
    window.ExtensionButtons()[4]->click();
    window.Action(TCommandId::Trunks)->trigger();
    EXPECT_EQ(builds, (std::vector<std::pair<int, int>>{{2, 3}, {1, 5}, {2, AllItems}}));
    EXPECT_EQ(screenLog.which, (std::vector<int>{3, 5, AllItems}));
    EXPECT_EQ(screenLog.tableExisted, (std::vector<bool>{true, true, true}));
    for (const char* name : TempTableFiles) EXPECT_FALSE(folder.Exists(name)) << name;
    EXPECT_TRUE(window.Action(TCommandId::Save)->isEnabled()); // the screen marked its section
    EXPECT_TRUE(services.messages.shown.empty());
}

TEST_F(MainWindow, AFailingScreenIsReportedAndItsTableStillDeleted) {
    TFormPrinc window(CommandsWithScreens());
    window.OpenProgramming(Fixture(11));
    screenLog.fail = true;
    window.Run(TCommandId::Trunks);
    EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{{TMsgKind::Error, "falhou"}}));
    EXPECT_FALSE(folder.Exists("TEMPORAR.DAT"));
}

class MainWindowFiles : public MainWindow {
protected:
    // The model-11 fixture, copied to the program folder and opened.
    std::string OpenCopy(TFormPrinc& window) {
        const std::string path = folder.Path("cliente.npx");
        WriteFileAtomically(path, ReadWholeFile(Fixture(11)).value());
        EXPECT_TRUE(window.OpenProgramming(path));
        return path;
    }

    // The copy open and shown, with only the keys of the intelligent terminals changed.
    std::string ChangeOnlyTerminalKeys(TFormPrinc& window) {
        const std::string path = OpenCopy(window);
        window.show();
        ModifiedSections[Section::TerminalKeys] = 1;
        ProgrammingImage[4170] = 0xAA;
        return path;
    }
};

// The keys of the intelligent terminals alone still count as a change: exit asks; No discards it,
// Yes saves first.
TEST_F(MainWindowFiles, ExitWithOnlyTheTerminalKeysChangedAsksAndSavesOrDiscards) {
    for (const TMsgResult answer : {TMsgResult::No, TMsgResult::Yes}) {
        services.messages.shown.clear();
        TFormPrinc window;
        const std::string path = ChangeOnlyTerminalKeys(window);
        services.messages.answers = {answer};
        window.Run(TCommandId::Exit);
        EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{
                               {TMsgKind::Confirmation, "Deseja salvar as programações ?"}}));
        EXPECT_FALSE(window.isVisible());
        const std::string written = ReadWholeFile(path).value();
        if (answer == TMsgResult::No) {
            EXPECT_EQ(written, ReadWholeFile(Fixture(11)).value());
        } else {
            EXPECT_EQ(static_cast<std::uint8_t>(written.at(4170)), 0xAA);
        }
    }
}

TEST_F(MainWindowFiles, ExitStaysWhenTheChangesAreNotSaved) {
    TFormPrinc window;
    window.StartNewProgramming(11);                // needs the default file in the program folder
    EXPECT_FALSE(services.messages.shown.empty()); // it is not there
    services.messages.shown.clear();
    folder.Write("DEFARCO.NPX", ReadWholeFile(std::string(CENTRPRG_BINARY_DIR) + "/DEFARCO.NPX").value());
    ASSERT_TRUE(window.StartNewProgramming(11));
    EXPECT_EQ(Summary(window, "FileLabel"), "(nova programação, ainda não salva)");
    window.show();
    ModifiedSections[Section::Timers] = 1;
    window.close(); // Yes, then Save as is cancelled
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(services.files.captions, std::vector<QString>{"Salvar programação como"});
    LogIn(AllRights & ~RightBit(TCommandId::Save));
    window.close(); // Yes, but the user may not save
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Boxes().back().first, TMsgKind::Stop);
}

TEST_F(MainWindowFiles, SaveAsAddsTheExtensionAndSaveWritesToTheOpenedFile) {
    TFormPrinc window;
    OpenCopy(window);
    ModifiedSections[Section::Timers] = 1;
    services.files.answers = {folder.Path("outro")};
    window.Run(TCommandId::SaveAs);
    EXPECT_EQ(ProgrammingFileName, folder.Path("outro.NPX"));
    EXPECT_TRUE(folder.Exists("outro.NPX"));
    EXPECT_FALSE(window.Action(TCommandId::Save)->isEnabled());
    ProgrammingHeader[290] = 9;
    ModifiedSections[Section::Timers] = 1;
    window.Run(TCommandId::Save);
    EXPECT_EQ(folder.Read("outro.NPX").at(290), 9);
    EXPECT_EQ(services.files.captions.size(), 1u); // no dialog for Save
    EXPECT_NE(folder.Read("cliente.npx").at(290), 9);
}

TEST_F(MainWindowFiles, SavingOverADefaultFileIsRefused) {
    TFormPrinc window;
    window.OpenProgramming(Fixture(11));
    services.files.answers = {folder.Path("DEFARCO.NPX")};
    EXPECT_FALSE(window.FileSaveAs());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].first, TMsgKind::Error);
    EXPECT_FALSE(folder.Exists("DEFARCO.NPX"));
}

TEST_F(MainWindowFiles, OpeningAnotherFileAsksAboutTheChangesAndARefusedFileChangesNothing) {
    TFormPrinc window;
    OpenCopy(window);
    ModifiedSections[Section::Holidays] = 1;
    folder.Write("ruim.npx", "not a programming");
    services.messages.answers = {TMsgResult::No};
    services.files.answers = {folder.Path("ruim.npx")};
    EXPECT_FALSE(window.FileOpen());
    EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{
                           {TMsgKind::Confirmation, "Deseja salvar as programações ?"},
                           {TMsgKind::Error, "Este não é um arquivo de programação do PABX"}}));
    EXPECT_EQ(ProgrammingFileName, folder.Path("cliente.npx"));
    EXPECT_EQ(ModifiedSections[Section::Holidays], 1);
}

TEST_F(MainWindow, AFailedOrCancelledLoginEndsTheProgram) {
    for (const TLoginResult result : {TLoginResult::Cancelled, TLoginResult::Refused}) {
        TFormPrinc window;
        window.SetLoginRunner([result](QWidget*) { return result; });
        window.show();
        ASSERT_EVENTUALLY(window.ProgramEnded());
        EXPECT_FALSE(window.isVisible());
        ClearQuitRequest();
    }
    TFormPrinc window;
    bool loggedIn = false;
    window.SetLoginRunner([&](QWidget*) {
        loggedIn = true;
        return TLoginResult::LoggedIn;
    });
    window.show();
    ASSERT_EVENTUALLY(loggedIn);
    EXPECT_FALSE(window.ProgramEnded());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindow, ALaterStartBringsTheWindowBackFromTheTaskBar) {
    TFormPrinc window;
    window.SetLoginRunner([](QWidget*) { return TLoginResult::LoggedIn; });
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    emit window.qvxOneInstance1->ActivationRequested();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

} // namespace
