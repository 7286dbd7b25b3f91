// Whole-file reads and the safe replacement of a file.

#include "TestTempFolder.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"
#include "support/SecondAccount.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

class SafeWrite : public testing::Test {
protected:
    void TearDown() override {
        SetBeforeRenameHook({});
        SetWriteFaultHook({});
    }
    TTestTempFolder folder;
};

TEST_F(SafeWrite, ReplacesTheFileAndLeavesNoTemporaryFile) {
    folder.Write("a.bin", "old");
    WriteFileAtomically(folder.Path("a.bin"), std::string("new\0bytes", 9));
    EXPECT_EQ(folder.Read("a.bin"), std::string("new\0bytes", 9));
    EXPECT_EQ(folder.EntryCount(), 1);
}

TEST_F(SafeWrite, KeepsThePermissionsOfTheReplacedFile) {
    folder.Write("a.ini", "x");
    ::chmod(folder.Path("a.ini").c_str(), 0640);
    WriteFileAtomically(folder.Path("a.ini"), "y");
    struct stat info {};
    ASSERT_EQ(::stat(folder.Path("a.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(SafeWrite, AFailureBeforeTheRenameLeavesTheOldFileAndNoTemporaryFile) {
    folder.Write("a.bin", "old contents");
    SetBeforeRenameHook([](const std::string&) { throw EOsError("disk gone"); });
    EXPECT_THROW(WriteFileAtomically(folder.Path("a.bin"), "new contents"), EOsError);
    EXPECT_EQ(folder.Read("a.bin"), "old contents");
    EXPECT_EQ(folder.EntryCount(), 1);
}

TEST_F(SafeWrite, ACrashBeforeTheRenameLeavesTheOldFile) {
    folder.Write("a.bin", "old contents");
    EXPECT_EXIT(
        {
            SetBeforeRenameHook([](const std::string&) { ::_exit(7); });
            WriteFileAtomically(folder.Path("a.bin"), "new contents");
        },
        testing::ExitedWithCode(7), "");
    EXPECT_EQ(folder.Read("a.bin"), "old contents");
}

TEST_F(SafeWrite, AMissingFolderIsReportedWithThePath) {
    try {
        WriteFileAtomically(folder.Path("no/such/a.bin"), "x");
        FAIL() << "no error";
    } catch (const EOsError& error) {
        EXPECT_NE(std::string(error.what()).find("no/such/a.bin"), std::string::npos);
    }
}

TEST_F(SafeWrite, ReadingGivesNothingForAMissingFileAndRefusesAnOversizedOneAndWhatIsNoFile) {
    EXPECT_FALSE(ReadWholeFile(folder.Path("missing")).has_value());
    folder.Write("big", std::string(100, 'x'));
    EXPECT_THROW(ReadWholeFile(folder.Path("big"), 99), EOsError);
    EXPECT_EQ(ReadWholeFile(folder.Path("big"), 100)->size(), 100u);
    ASSERT_EQ(::mkfifo(folder.Path("fifo").c_str(), 0600), 0); // nobody writes: an open would wait
    for (const char* name : {"fifo", "."}) EXPECT_THROW(ReadWholeFile(folder.Path(name)), EOsError) << name;
}

TEST_F(SafeWrite, AFullDiskLeavesTheOldFileNoTemporaryFileAndNamesTheFileAndTheCause) {
    folder.Write("a.bin", "old contents");
    SetWriteFaultHook([](const std::string&) { return ENOSPC; });
    try {
        WriteFileAtomically(folder.Path("a.bin"), "new contents");
        FAIL() << "no error";
    } catch (const EOsError& error) {
        EXPECT_EQ(error.Action(), TOsAction::Write);
        EXPECT_EQ(error.Path(), folder.Path("a.bin")); // not the temporary file's
        EXPECT_EQ(error.ErrorNumber(), ENOSPC);
    }
    EXPECT_EQ(folder.Read("a.bin"), "old contents");
    EXPECT_EQ(folder.EntryCount(), 1);
}

// A file reached through symbolic links is replaced where it is; the links stay links.
TEST_F(SafeWrite, ALinkStaysALinkAndItsTargetIsReplaced) {
    ASSERT_EQ(::mkdir(folder.Path("real").c_str(), 0755), 0);
    folder.Write("real/a.npx", "old");
    ASSERT_EQ(::symlink("real/a.npx", folder.Path("relative").c_str()), 0);
    ASSERT_EQ(::symlink(folder.Path("relative").c_str(), folder.Path("chain").c_str()), 0);
    ASSERT_EQ(::symlink("real/new.npx", folder.Path("dangling").c_str()), 0);

    WriteFileAtomically(folder.Path("chain"), "new");
    EXPECT_EQ(folder.Read("real/a.npx"), "new");
    WriteFileAtomically(folder.Path("dangling"), "made");
    EXPECT_EQ(folder.Read("real/new.npx"), "made");
    for (const char* link : {"relative", "chain", "dangling"}) {
        struct stat info {};
        ASSERT_EQ(::lstat(folder.Path(link).c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << link;
    }
    EXPECT_EQ(folder.EntryCount(), 4); // real/ and the three links, no temporary file

    ASSERT_EQ(::symlink("loop", folder.Path("loop").c_str()), 0);
    EXPECT_THROW(WriteFileAtomically(folder.Path("loop"), "x"), EOsError);
}

// In a folder that others may write, another account's link is replaced itself, and what it leads to
// stays as it was.
TEST_F(SafeWrite, AnotherAccountsLinkInASharedFolderIsReplacedNotFollowed) {
    if (const std::string missing = SecondAccountMissing(); !missing.empty()) GTEST_SKIP() << missing;
    namespace fs = std::filesystem;
    fs::permissions(folder.Path(), fs::perms(0755));
    folder.Write("a.npx", "a user's file");
    fs::create_directory(folder.Path("shared"));
    fs::permissions(folder.Path("shared"), fs::perms::all);
    const std::string link = "ln -s " + folder.Path("a.npx") + " " + folder.Path("shared/a.npx");
    ASSERT_EQ(std::system(AsSecondAccount(link).c_str()), 0);
    WriteFileAtomically(folder.Path("shared/a.npx"), "new");
    EXPECT_EQ(folder.Read("a.npx"), "a user's file");
    EXPECT_TRUE(!fs::is_symlink(folder.Path("shared/a.npx")) && folder.Read("shared/a.npx") == "new");
}
