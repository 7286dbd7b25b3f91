// The road of a data-aware command with the real scratch-table builders: the table the screen finds
// in the program folder, and the files after it, also beside another copy (the engine's worker) and
// beside what another account's copy left.

#include "ShellFixture.h"
#include "app/prgmain.h"
#include "core/TempTable.h"
#include "db/components/VORSAMTable.h"
#include "db/lib/SharedFile.h"
#include "screens/ScratchTables.h"

#include "WorkerProcess.h"
#include "support/SecondAccount.h"

#include <QAbstractButton>
#include <QTest>
#include <QToolBar>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

// What the stand-in screens found in TabTemp.
std::vector<std::vector<std::string>> shownKeys;

void KeysScreen(TCommandContext&) {
    auto& table = TabTemp();
    table.Open();
    std::vector<std::string>& keys = shownKeys.emplace_back();
    for (table.First(); !table.Eof(); table.Next()) keys.push_back(table.Fields()[0].AsString());
    table.Close();
}

class ScratchRoad : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        shownKeys.clear();
    }
    // The tool's commands, the data-aware ones shown by the stand-in.
    static std::vector<TCommand> Commands() {
        std::vector<TCommand> commands = CommandTable();
        for (TCommand& command : commands)
            if (IsDataAwareTable(command.tableCode)) command.show = KeysScreen;
        return commands;
    }
};

TEST_F(ScratchRoad, TheScreenFindsTheTableOfItsCodeAndItemAndNoFileStaysBehind) {
    folder.Write("TEMPORAR.DAT", "left by a crash");
    folder.Write("TEMPORAR.BLB", "left by a crash");
    TFormPrinc window(Commands());
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    window.TrunkButtons()[2]->click();
    window.Run(TCommandId::ExtensionGroups);
    window.ExtensionButtons()[1]->click();
    using Keys = std::vector<std::string>;
    EXPECT_EQ(shownKeys, (std::vector<Keys>{{"03"}, {"1", "2", "3", "4"}, {"21"}}));
    EXPECT_TRUE(services.messages.shown.empty());
    for (const char* name : TempTableFiles) EXPECT_FALSE(folder.Exists(name)) << name;
}

// From its build until its screen has closed; what a killed copy left goes all the same.
TEST_F(ScratchRoad, AScratchTableAnotherCopyHasOpenIsNeitherDeletedNorReplaced) {
    worker::TWorkerProcess other;
    TFormPrinc window(Commands());
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    std::string deleted;
    SetTempTableBuilder([&](int code, int which) {
        BuildScratchTable(code, which);
        deleted = other.Send("delete " + folder.Path("TEMPORAR.DAT")); // before this copy's screen
        other.SendOk("topen " + folder.Path() + " TEMPORAR");          // the other's from now on
    });
    window.Run(TCommandId::ExtensionGroups);
    SetTempTableBuilder({});
    window.Run(TCommandId::BossSecretary);
    EXPECT_TRUE(deleted.starts_with("error")) << deleted;
    EXPECT_EQ(other.SendOk("tcount"), "4");
    ASSERT_EQ(Boxes().size(), 1);
    EXPECT_EQ(Boxes()[0].second, "Erro na tabela TEMPORAR.DAT: o arquivo está em uso (código 9476).");
    other.Kill();
    window.Run(TCommandId::BossSecretary);
    EXPECT_EQ(shownKeys.size(), 2);
    for (const char* name : TempTableFiles) EXPECT_FALSE(folder.Exists(name)) << name;
}

// A copy of this account was killed with the categories open, or has them open, on a program folder
// that two accounts share. The other account's copy (this test again, as nobody through setpriv) opens
// the categories from the tool bar and meets that table, which it may not write or is in use: one box
// says so in Portuguese alone, whose file it is and what to do.
TEST_F(ScratchRoad, AnotherAccountsLeftTableIsSaidInOneBoxInPortuguese) {
    if (const char* shared = std::getenv("CENTRPRG_SHARED_FOLDER")) { // the other account's copy
        SetProgramFolder(shared);
        TFormPrinc window;
        window.SetLoginRunner([](QWidget*) { return TLoginResult::LoggedIn; });
        window.show();
        ASSERT_TRUE(window.OpenProgramming(Fixture(11)) && QTest::qWaitForWindowExposed(&window));
        QAction* categories = window.Action(TCommandId::Categories);
        QTest::mouseClick(window.findChild<QToolBar*>()->widgetForAction(categories), Qt::LeftButton);
        const bool open = std::getenv("CENTRPRG_TABLE_OPEN") != nullptr;
        EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{
                               {TMsgKind::Error,
                                "Erro na tabela TEMPORAR.DAT: " +
                                    std::string(open ? "o arquivo está em uso (código 9476)"
                                                     : "permissão negada (código 8450)") +
                                    ".\nO arquivo " + std::string(shared) +
                                    "/TEMPORAR.DAT é do usuário root. Peça a esse usuário que "
                                    "feche o programa" +
                                    (open ? "" : " e apague o arquivo") + "; depois tente de novo."}}));
        return;
    }
    if (const std::string missing = SecondAccountMissing(); !missing.empty()) GTEST_SKIP() << missing;
    std::filesystem::permissions(folder.Path(), std::filesystem::perms(0755));
    for (const bool open : {false, true}) { // the table as the umask 022 or 0 made it
        for (const char* name : {"data/TEMPORAR.DAT", "data/TEMPORAR.IDX"}) {
            folder.Write(name, "left by a kill");
            std::filesystem::permissions(folder.Path(name), std::filesystem::perms(open ? 0666 : 0644));
        }
        std::filesystem::permissions(folder.Path("data"), std::filesystem::perms(0777));
        const int held = ::open(folder.Path("data/TEMPORAR.DAT").c_str(), O_RDONLY | O_CLOEXEC);
        if (open) {
            ASSERT_EQ(vorsam::SetDescriptorLock(held, true, false, vorsam::OpenModeLockOffset, 1), 0);
        }
        const std::string self = std::filesystem::read_symlink("/proc/self/exe");
        const std::string copy = CommandOutput(
            (open ? "CENTRPRG_TABLE_OPEN=1 " : "") + std::string("CENTRPRG_SHARED_FOLDER=") +
            ShellWord(folder.Path("data")) + " " +
            AsSecondAccount(ShellWord(self) + " --gtest_filter=ScratchRoad.AnotherAccounts* 2>&1"));
        ::close(held);
        EXPECT_NE(copy.find("[       OK ] ScratchRoad.AnotherAccounts"), std::string::npos) << copy;
    }
}

} // namespace
