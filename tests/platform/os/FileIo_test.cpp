// Whole-file reads and the safe replacement of a file.

#include "TestTempFolder.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

class SafeWrite : public testing::Test {
protected:
    void TearDown() override { SetBeforeRenameHook({}); }
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

TEST_F(SafeWrite, ReadingGivesNothingForAMissingFileAndRefusesAnOversizedOne) {
    EXPECT_FALSE(ReadWholeFile(folder.Path("missing")).has_value());
    folder.Write("big", std::string(100, 'x'));
    EXPECT_THROW(ReadWholeFile(folder.Path("big"), 99), EOsError);
    EXPECT_EQ(ReadWholeFile(folder.Path("big"), 100)->size(), 100u);
}
