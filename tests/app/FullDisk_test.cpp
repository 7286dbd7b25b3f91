// A disk that refuses writes, met through the main window: saving a programming, and opening a
// screen whose scratch table cannot be written. Each time one box says in Portuguese what failed
// and why, the old file stays as it was and no scratch or temporary file is left behind.

#include "ShellFixture.h"
#include "app/prgmain.h"
#include "core/ImageLayout.h"
#include "core/TempTable.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "platform/os/FileIo.h"

#include <QAction>

#include <cerrno>
#include <filesystem>

namespace {

class FullDisk : public ShellFixture {
protected:
    void TearDown() override {
        SetWriteFaultHook({});
        if (engineFaults_) engineFaults_->Reset();
        ShellFixture::TearDown();
    }
    // The file faults of the engine, which starts with the first scratch table.
    vorsam::TFileFaults& EngineFaults(TFormPrinc& window) {
        RunShowing([&] { window.Run(TCommandId::Categories); }, [](QDialog& screen) { screen.reject(); });
        engineFaults_ = &vorsam::GetFileList().Faults();
        return *engineFaults_;
    }
    vorsam::TFileFaults* engineFaults_ = nullptr;
    // The names in the program folder.
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }
};

TEST_F(FullDisk, SavingIsRefusedInPortugueseAndTheOldFileStays) {
    const std::string path = folder.Path("campo.npx");
    std::filesystem::copy_file(Fixture(11), path);
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(path));
    const std::string old = folder.Read("campo.npx");
    ProgrammingBytes[Offset::FlashTime] ^= 0x01;
    ProgrammingModified = 1;
    ModifiedSections[Section::Timers] = 1;
    RefreshMainWindow();
    const std::set<std::string> before = Files();

    SetWriteFaultHook([](const std::string&) { return ENOSPC; });
    window.Action(TCommandId::Save)->trigger();
    EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{
                           {TMsgKind::Error, "Não foi possível gravar o arquivo " + path +
                                                 ": não há espaço livre no disco."}}));
    EXPECT_TRUE(folder.Read("campo.npx") == old);
    EXPECT_EQ(Files(), before);
    EXPECT_TRUE(window.Action(TCommandId::Save)->isEnabled()); // still to be saved

    SetWriteFaultHook({});
    services.messages.shown.clear();
    window.Action(TCommandId::Save)->trigger();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(static_cast<std::uint8_t>(folder.Read("campo.npx")[Offset::FlashTime]),
              ProgrammingBytes[Offset::FlashTime]);
}

TEST_F(FullDisk, AScreenWhoseScratchTableCannotBeWrittenIsNotShownAndLeavesNoFile) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    vorsam::TFileFaults& faults = EngineFaults(window);
    const std::set<std::string> before = Files();
    faults.FailAt(vorsam::TFileOperation::Write, 3);
    const QString shown = RunShowing([&] { window.Run(TCommandId::Categories); }, [](QDialog&) {});
    EXPECT_EQ(shown, "");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].first, TMsgKind::Error);
    EXPECT_EQ(
        Boxes()[0].second,
        "Não foi possível gravar a tabela TEMPORAR.DAT: erro de leitura ou gravação no disco (código 8452).");
    EXPECT_EQ(Files(), before);
}

} // namespace
