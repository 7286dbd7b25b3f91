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

std::string NoteLine(const TNotedFileId& id, const std::string& path) {
    return std::to_string(id.Device) + " " + std::to_string(id.Inode) + " " + std::to_string(id.Birth) + " " +
           path + "\n";
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
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_len = 1;
    ASSERT_EQ(::fcntl(other, F_OFD_SETLK, &lock), 0);
    const TProgramFolderUse use(folder.Path(), std::chrono::milliseconds(0)); // tried once
    EXPECT_TRUE(!use.Held() && use.Problem().starts_with("cannot lock")) << use.Problem();
    ::close(other);
}

// What the note names goes only while it is the file noted; a line the tool did not write is passed over.
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
    // A later file with the noted numbers: a copy without the note made its scratch table where the
    // one a killed copy noted was, and the file system gave it the same inode.
    folder.Write("TEMPORAR.IDX", "x");
    TNotedFileId earlier = LookAtNotedFile(AT_FDCWD, folder.Path("TEMPORAR.IDX").c_str())->Id;
    ASSERT_NE(earlier.Birth--, 0u) << "a file system that tells when a file was made";
    const std::string torn = "1 2 3 " + folder.Path("d.NPX.tm"); // a kill cut the line short
    WriteFileAtomically(folder.Path(LeftoversNoteName),
                        Note(folder) + NoteLine(earlier, folder.Path("TEMPORAR.IDX")) + torn);
    {
        const TProgramFolderUse next(folder.Path());
        EXPECT_TRUE(next.Swept()) << next.Problem();
    }
    EXPECT_FALSE(folder.Exists(names[0]) || folder.Exists(names[3]));
    EXPECT_TRUE(folder.Exists(names[1]) && std::filesystem::is_symlink(folder.Path(names[2])));
    EXPECT_TRUE(folder.Exists("e\nf.NPX.tmp-Ab12Cd") && folder.Exists("TEMPORAR.IDX"));
    EXPECT_EQ(Note(folder), "");

    // As a kill in a rewrite of the note may leave one: named.
    for (const std::string& line :
         {"1 2 3 " + folder.Path("prog.NPX"), std::string("1 2 3 relative/a.tmp-Ab12Cd"),
          "1 2 3 " + folder.Path("../a.NPX.tmp-Ab12Cd"), "x 2 3 " + folder.Path(names[0]),
          "1 2 3 " + folder.Path("sub/TEMPORAR.DAT")}) {
        folder.Write(names[0], "x");
        {
            TProgramFolderUse killed(folder.Path());
            killed.Note(folder.Path(names[0]));
        }
        WriteFileAtomically(folder.Path(LeftoversNoteName), line + "\n" + Note(folder));
        const TProgramFolderUse next(folder.Path());
        EXPECT_FALSE(next.Swept()) << line;
        EXPECT_NE(next.Problem().find(line), std::string::npos) << next.Problem();
        EXPECT_FALSE(folder.Exists(names[0])) << line;
        EXPECT_EQ(Note(folder), "");
    }
}

// A kill at any moment of a change of the note keeps every complete line before it (the line of a path
// taken out may stay); the change run whole leaves the list and nothing else.
TEST_F(ProgramFolderUse, AKillInAChangeOfTheNoteKeepsEveryLineBeforeIt) {
    std::vector<TNotedFileId> ids;
    std::vector<std::string> lines;
    for (const char* name :
         {"a.NPX.tmp-Ab12Cd", "b.NPX.tmp-Ab12Cd", "c.NPX.tmp-Ab12Cd", "d.NPX.tmp-Ab12Cd"}) {
        folder.Write(name, "x");
        ids.push_back(LookAtNotedFile(AT_FDCWD, folder.Path(name).c_str())->Id);
        lines.push_back(NoteLine(ids.back(), folder.Path(name)));
    }
    for (const bool add : {true, false}) {
        for (std::size_t bytes = 0;; ++bytes) {
            folder.Write("note", lines[0] + lines[1] + lines[2] + "1 2 3 /torn/by/a.kil");
            const int fd = ::open(folder.Path("note").c_str(), O_RDWR | O_CLOEXEC);
            StopNoteChangesAfter(bytes);
            bool whole = false;
            try {
                whole = ChangeNote(fd, folder.Path(add ? "d.NPX.tmp-Ab12Cd" : "b.NPX.tmp-Ab12Cd"),
                                   add ? &ids[3] : nullptr);
            } catch (const ENoteChangeStopped&) {
            }
            StopNoteChangesAfter(std::nullopt);
            ::close(fd);
            const std::string after = "\n" + folder.Read("note");
            for (const int kept : {0, 1, 2})
                EXPECT_TRUE((!add && kept == 1) || after.find("\n" + lines[kept]) != std::string::npos)
                    << (add ? "adding" : "taking out") << ", stopped after " << bytes << " bytes:" << after;
            if (whole) {
                EXPECT_EQ(after, "\n" + lines[0] + (add ? lines[1] + lines[2] + lines[3] : lines[2]));
                break;
            }
        }
    }
}

// A note made under any umask is readable by all and writable by its account alone, and so trusted by
// its next start; so is one an earlier copy made readable by its account alone.
TEST_F(ProgramFolderUse, TheNoteIsMadeReadableByAllAndWritableByItsAccountAlone) {
    for (const mode_t mask : {0, 077}) {
        const mode_t umask = ::umask(mask);
        { const TProgramFolderUse made(folder.Path()); }
        ::umask(umask);
        EXPECT_EQ(fs::status(folder.Path(LeftoversNoteName)).permissions(), fs::perms(0644)) << mask;
        fs::permissions(folder.Path(LeftoversNoteName), fs::perms(0600));
        EXPECT_TRUE(TProgramFolderUse(folder.Path()).Swept()) << mask;
        EXPECT_EQ(fs::status(folder.Path(LeftoversNoteName)).permissions(), fs::perms(0644)) << mask;
        fs::remove(folder.Path(LeftoversNoteName));
    }
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
        const std::string file = folder.Path("private/report.tmp-backup");
        return NoteLine(LookAtNotedFile(AT_FDCWD, file.c_str())->Id, through + "/report.tmp-backup");
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
    AsTheOther("printf %s " + ShellWord(Line(folder.Path("private"))) + " >> " + note);
    ExpectLeftAlone();
    fs::remove(note); // the other account's own note, through its link to this account's folder
    AsTheOther("ln -s " + folder.Path("private") + " " + shared + "/link && printf %s " +
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
