// The note of what a copy is writing, and the sweep of what it names at a start on a folder no other
// copy uses (the tool's own starts, and two copies on one folder: tests/app/SingleInstance_test.cpp; a
// copy's open scratch table: tests/screens/ScratchTables_test.cpp). Only a note of the account acts.

#include "ProgrammingFixture.h"
#include "core/LeftoversNote.h"
#include "core/ProgramFolderUse.h"
#include "core/ProgrammingFile.h"
#include "platform/os/FileIo.h"
#include "support/SecondAccount.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ProgramFolderUse = ProgrammingFixture;

std::string Note(const TTestTempFolder& folder) {
    return ReadWholeFile(folder.Path(LeftoversNoteName)).value_or("");
}

TEST_F(ProgramFolderUse, ASaveNotesItsTemporaryFileWhileItExists) {
    UseDefaultProgramming(11);
    const TProgramFolderUse use(folder.Path());
    std::string temporary, noted;
    SetBeforeRenameHook([&](const std::string& path) {
        temporary = path;
        noted = Note(folder);
    });
    SaveProgrammingFile(folder.Path("prog.NPX"));
    SetBeforeRenameHook({});
    EXPECT_TRUE(noted.ends_with(" " + temporary + "\n")) << noted;
    EXPECT_EQ(Note(folder), "");
}

// Not a sweep: a stuck process, or another user's on a shared folder. The copy goes on without the note.
TEST_F(ProgramFolderUse, AUseByteHeldForLongDoesNotHoldTheStart) {
    { const TProgramFolderUse made(folder.Path()); }
    const int other = ::open(folder.Path(LeftoversNoteName).c_str(), O_RDWR | O_CLOEXEC);
    struct flock lock {
        .l_type = F_WRLCK, .l_len = 1
    };
    ASSERT_EQ(::fcntl(other, F_OFD_SETLK, &lock), 0);
    const TProgramFolderUse use(folder.Path(), std::chrono::milliseconds(0)); // tried once
    EXPECT_TRUE(!use.Held() && use.Problem().starts_with("cannot lock")) << use.Problem();
    ::close(other);
}

// What the note names goes only while it is the file noted; a damaged note is not acted on.
TEST_F(ProgramFolderUse, TheSweepRemovesOnlyTheFilesTheNoteNamesAsTheyWere) {
    const std::vector<std::string> names = {"a.NPX.tmp-Ab12Cd", "b.NPX.tmp-Ab12Cd", "c.NPX.tmp-Ab12Cd",
                                            "TEMPORAR.DAT"}; // removed, replaced, made a link, removed
    for (const std::string& name : names) folder.Write(name, "x");
    folder.Write("e\nf.NPX.tmp-Ab12Cd", "x"); // no line can name it: not noted, the note stays whole
    {
        TProgramFolderUse killed(folder.Path());
        for (const std::string& name : names) killed.Note(folder.Path(name));
        killed.Note(folder.Path("e\nf.NPX.tmp-Ab12Cd"));
    }
    std::filesystem::rename(folder.Path(names[1]), folder.Path("moved")); // its inode stays in use
    folder.Write(names[1], "another file of that name");
    std::filesystem::remove(folder.Path(names[2]));
    std::filesystem::create_symlink(folder.Path("prog.NPX"), folder.Path(names[2]));
    const std::string torn = "1 2 " + folder.Path("d.NPX.tm"); // a kill cut the line short
    WriteFileAtomically(folder.Path(LeftoversNoteName), Note(folder) + torn);
    {
        const TProgramFolderUse next(folder.Path());
        EXPECT_TRUE(next.Swept()) << next.Problem();
    }
    EXPECT_FALSE(folder.Exists(names[0]) || folder.Exists(names[3]));
    EXPECT_TRUE(folder.Exists(names[1]) && std::filesystem::is_symlink(folder.Path(names[2])));
    EXPECT_TRUE(folder.Exists("e\nf.NPX.tmp-Ab12Cd"));
    EXPECT_EQ(Note(folder), "");

    for (const std::string& line :
         {"1 2 " + folder.Path("prog.NPX"), std::string("1 2 relative/a.tmp-Ab12Cd"),
          "1 2 " + folder.Path("../a.NPX.tmp-Ab12Cd"), "x 2 " + folder.Path(names[0]),
          "1 2 " + folder.Path("sub/TEMPORAR.DAT")}) {
        folder.Write(names[0], "x");
        {
            TProgramFolderUse killed(folder.Path());
            killed.Note(folder.Path(names[0]));
        }
        WriteFileAtomically(folder.Path(LeftoversNoteName), Note(folder) + line + "\n");
        const TProgramFolderUse next(folder.Path());
        EXPECT_FALSE(next.Swept()) << line;
        EXPECT_NE(next.Problem().find(line), std::string::npos) << next.Problem();
        EXPECT_TRUE(folder.Exists(names[0])) << line;
        EXPECT_EQ(Note(folder), "");
    }
}

// A note made under any umask is this account's alone, and so trusted by its next start.
TEST_F(ProgramFolderUse, TheNoteIsMadeWritableByItsAccountAlone) {
    const mode_t umask = ::umask(0);
    { const TProgramFolderUse made(folder.Path()); }
    ::umask(umask);
    EXPECT_TRUE(TProgramFolderUse(folder.Path()).Swept());
}

// This account's file in a folder of its own, and a program folder that two accounts share.
class NoteOfAnotherHand : public ProgramFolderUse {
protected:
    void SetUp() override {
        ProgramFolderUse::SetUp();
        fs::permissions(folder.Path(), fs::perms(0755));
        folder.Write("private/report.tmp-backup", "x");
        fs::permissions(folder.Path("private"), fs::perms(0700));
        fs::create_directory(shared);
        fs::permissions(shared, fs::perms(0777));
    }
    // The note's line for that file reached through `through` (numbers another account learns by ls -i).
    std::string Line(const std::string& through) const {
        struct stat status {};
        ::stat(folder.Path("private/report.tmp-backup").c_str(), &status);
        return std::to_string(status.st_dev) + " " + std::to_string(status.st_ino) + " " + through +
               "/report.tmp-backup";
    }
    // A start on the shared folder leaves the note as it is, names it, and keeps the file.
    void ExpectLeftAlone() {
        const std::string before = ReadWholeFile(note).value_or("");
        const TProgramFolderUse next(shared);
        EXPECT_TRUE(!next.Held() && next.Problem().starts_with(note + " is left alone: ")) << next.Problem();
        EXPECT_TRUE(folder.Exists("private/report.tmp-backup"));
        EXPECT_EQ(ReadWholeFile(note).value_or(""), before);
    }
    static void AsTheOther(const std::string& command) {
        ASSERT_EQ(std::system(AsSecondAccount(command).c_str()), 0) << command;
    }
    const std::string shared = folder.Path("shared"), note = shared + "/" + LeftoversNoteName;
};

// Nothing another account writes makes this account's start remove a file.
TEST_F(NoteOfAnotherHand, IsLeftAloneAndNamedAndRemovesNothing) {
    if (const std::string missing = SecondAccountMissing(); !missing.empty()) GTEST_SKIP() << missing;
    { const TProgramFolderUse made(shared); }
    fs::permissions(note, fs::perms(0666)); // as a shared folder's files are
    AsTheOther("echo " + ShellWord(Line(folder.Path("private"))) + " >> " + note);
    ExpectLeftAlone();
    fs::remove(note); // the other account's own note, through its link to this account's folder
    AsTheOther("ln -s " + folder.Path("private") + " " + shared + "/link && echo " +
               ShellWord(Line(shared + "/link")) + " > " + note);
    ExpectLeftAlone();
}

// A note that is another file of the account as well: that file stays as it is.
TEST_F(NoteOfAnotherHand, ANoteWithAnotherNameIsLeftAlone) {
    folder.Write("private/kept.txt", "a text of the account\n");
    fs::create_hard_link(folder.Path("private/kept.txt"), note);
    ExpectLeftAlone();
}

// The file system may give a noted file's numbers to another account's file.
TEST_F(NoteOfAnotherHand, AFileOfAnotherAccountWithTheNotedNumbersIsKept) {
    if (const std::string missing = SecondAccountMissing(); !missing.empty()) GTEST_SKIP() << missing;
    const std::string theirs = shared + "/a.NPX.tmp-Ab12Cd";
    AsTheOther("echo x > " + theirs);
    {
        TProgramFolderUse killed(shared);
        killed.Note(theirs);
    }
    EXPECT_TRUE(TProgramFolderUse(shared).Swept());
    EXPECT_TRUE(fs::exists(theirs));
}

} // namespace
