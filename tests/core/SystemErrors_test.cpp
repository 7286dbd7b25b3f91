// Failures of the system worded in Portuguese for the user: the cause of the common error
// numbers, what failed on which file, and the failures of the tool's own files.

#include "ProgrammingFixture.h"
#include "core/CoreError.h"
#include "core/Language.h"
#include "core/ProgrammingFile.h"
#include "core/SystemErrors.h"
#include "platform/os/FileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct TCauseCase {
    int errorNumber;
    const char* text;
};

class SystemErrorTexts : public testing::TestWithParam<TCauseCase> {};

TEST_P(SystemErrorTexts, NameTheCauseInPortuguese) {
    EXPECT_EQ(SystemErrorText(GetParam().errorNumber), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Common, SystemErrorTexts,
                         testing::Values(TCauseCase{ENOSPC, "não há espaço livre no disco"},
                                         TCauseCase{EACCES, "permissão negada"},
                                         TCauseCase{EPERM, "permissão negada"},
                                         TCauseCase{EROFS, "o disco só permite leitura"},
                                         TCauseCase{ENOENT, "arquivo ou pasta não encontrado"},
                                         TCauseCase{EFBIG, "arquivo grande demais"},
                                         TCauseCase{EPROTO, "erro do sistema 71"}));

TEST(OsErrorMessages, SayWhatFailedOnWhichFileAndWhy) {
    EXPECT_EQ(OsErrorMessage(EOsError(TOsAction::Write, "/p/a.npx", ENOSPC, "Cannot write")),
              "Não foi possível gravar o arquivo /p/a.npx: não há espaço livre no disco.");
    EXPECT_EQ(OsErrorMessage(EOsError(TOsAction::Read, "/p/CentrPrg.lng", EFBIG, "File too large")),
              "Não foi possível ler o arquivo /p/CentrPrg.lng: arquivo grande demais.");
    EXPECT_EQ(OsErrorMessage(EOsError(TOsAction::CreateFolder, "/p", EROFS, "x")),
              "Não foi possível criar a pasta /p: o disco só permite leitura.");
    EXPECT_EQ(OsErrorMessage(EOsError(TOsAction::Delete, "/p/TEMPORAR.DAT", EACCES, "x")),
              "Não foi possível apagar o arquivo /p/TEMPORAR.DAT: permissão negada.");
    EXPECT_EQ(OsErrorDetail(EOsError(TOsAction::Read, "/p/CENTRPRG.DAD", EACCES, "x")),
              "/p/CENTRPRG.DAD: permissão negada");
}

class ToolFileFailures : public ProgrammingFixture {
protected:
    void TearDown() override {
        SetWriteFaultHook({});
        ProgrammingFixture::TearDown();
    }
};

TEST_F(ToolFileFailures, AFullDiskWhileSavingIsReportedAndKeepsTheOldFile) {
    UseDefaultProgramming(11);
    const std::string path = folder.Path("campo.npx");
    SaveProgrammingFile(path);
    const std::string old = folder.Read("campo.npx");
    ProgrammingBytes[900] ^= 0xFF;
    SetWriteFaultHook([](const std::string&) { return ENOSPC; });
    try {
        SaveProgrammingFile(path);
        FAIL() << "saved";
    } catch (const EProgrammingFileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Não foi possível gravar o arquivo " + path + ": não há espaço livre no disco.");
    }
    EXPECT_EQ(folder.Read("campo.npx"), old);
    EXPECT_EQ(folder.EntryCount(), 1);
}

// A language file far too large (a disk image copied over it, say) is refused in Portuguese.
TEST_F(ToolFileFailures, AnOversizedLanguageFileIsReportedInPortuguese) {
    const std::string path = folder.Path("CentrPrg.lng");
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 70 << 20), 0); // sparse: no disk taken
    ::close(fd);
    try {
        OpenLanguageFile(path);
        FAIL() << "opened";
    } catch (const EOsError& error) {
        EXPECT_EQ(OsErrorMessage(error),
                  "Não foi possível ler o arquivo " + path + ": arquivo grande demais.");
    }
}

// A permission refused on a file or folder of another account says whose it is and what to do; the
// account's own file and folder say nothing more.
TEST_F(ToolFileFailures, ARefusalByAnotherAccountsFileOrFolderNamesItsOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root gives a file to another account";
    const std::string theirs = folder.Path("theirs"), mine = folder.Path("mine");
    folder.Write("theirs/a.npx", "x");
    folder.Write("mine/b.npx", "x");
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534) | ::chown((theirs + "/a.npx").c_str(), 65534, 65534), 0);
    const std::string nobody = " é do usuário nobody. Peça a esse usuário que lhe dê acesso a ";
    const std::pair<std::string, std::string> cases[] = {
        {theirs + "/a.npx", "\nO arquivo " + theirs + "/a.npx" + nobody + "ele."},
        {theirs + "/new.npx", "\nA pasta " + theirs + nobody + "ela."},
        {mine + "/b.npx", ""}};
    for (const auto& [path, advice] : cases)
        EXPECT_EQ(OsErrorMessage(EOsError(TOsAction::Write, path, EACCES, "x")),
                  "Não foi possível gravar o arquivo " + path + ": permissão negada." + advice);
    EXPECT_EQ(OsErrorMessage(EOsError(TOsAction::Write, theirs + "/a.npx", ENOSPC, "x")),
              "Não foi possível gravar o arquivo " + theirs + "/a.npx: não há espaço livre no disco.");
}

} // namespace
