// The note of what a copy is writing, and the sweep of what it names at a start on a folder no other
// copy uses (the tool's own starts, and two copies on one folder: tests/app/SingleInstance_test.cpp).

#include "ProgrammingFixture.h"
#include "core/Leftovers.h"
#include "core/ProgrammingFile.h"
#include "platform/os/FileIo.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

using Leftovers = ProgrammingFixture;

std::string Note(const TTestTempFolder& folder) {
    return ReadWholeFile(folder.Path(LeftoversNoteName)).value_or("");
}

TEST_F(Leftovers, ASaveNotesItsTemporaryFileWhileItExists) {
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
TEST_F(Leftovers, AUseByteHeldForLongDoesNotHoldTheStart) {
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
TEST_F(Leftovers, TheSweepRemovesOnlyTheFilesTheNoteNamesAsTheyWere) {
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

} // namespace
