// What a killed tool leaves (a save cut short, the scratch table) goes at the next start's sweep,
// and nothing else does.

#include "ProgrammingFixture.h"
#include "core/Leftovers.h"
#include "core/ProgrammingFile.h"
#include "platform/os/FileIo.h"

#include <sys/wait.h>
#include <unistd.h>

namespace {

class Leftovers : public ProgrammingFixture {};

TEST_F(Leftovers, AKilledSaveAndTheScratchTableGoAtTheSweepAndNothingElse) {
    TTestTempFolder elsewhere;
    elsewhere.Write("prog.NPX", "old");
    const pid_t child = ::fork(); // saves and is killed just before the rename
    if (child == 0) {
        UseDefaultProgramming(11);
        SetBeforeRenameHook([](const std::string& temporary) {
            if (temporary.find("prog.NPX.tmp-") != std::string::npos) ::_exit(0);
        });
        SaveProgrammingFile(elsewhere.Path("prog.NPX"));
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(elsewhere.EntryCount(), 2); // the file and its temporary
    ASSERT_TRUE(folder.Exists(SaveNoteName));

    for (const char* name :
         {"TEMPORAR.DAT", "TEMPORAR.IDX", "CENTRPRG.DAD.tmp-Ab12Cd", "help/x.html.tmp-a1b2c3",
          "notes.txt.tmp-abc123", "CENTRPRG.DAD.tmp-abc12", "CENTRPRG.DAD.tmp-abc1234"})
        folder.Write(name, "x");
    for (const char* name : {"prog.NPX.tmp-abc12", "other.NPX.tmp-abc123", "prog.NPXtmp-abc123"})
        elsewhere.Write(name, "x");
    std::filesystem::create_directory(elsewhere.Path("prog.NPX.tmp-dir123"));
    SweepLeftovers();
    for (const char* gone :
         {"TEMPORAR.DAT", "TEMPORAR.IDX", "CENTRPRG.DAD.tmp-Ab12Cd", "help/x.html.tmp-a1b2c3", SaveNoteName})
        EXPECT_FALSE(folder.Exists(gone)) << gone;
    EXPECT_EQ(folder.EntryCount(), 4); // help/ and the three names that are no temporaries of the tool's
    EXPECT_EQ(elsewhere.Read("prog.NPX"), "old");
    EXPECT_EQ(elsewhere.EntryCount(), 5); // the file and the four names that are not its temporaries
}

// A note this tool did not write (a relative path, two lines) leads nowhere; it goes all the same.
TEST_F(Leftovers, ANoteThatNamesNoAbsoluteFileIsIgnored) {
    for (const std::string& note :
         {std::string("prog.NPX"), folder.Path("a.NPX") + "\n" + folder.Path("b.NPX")}) {
        folder.Write(SaveNoteName, note);
        folder.Write("prog.NPX.tmp-abc123", "x");
        folder.Write("b.NPX.tmp-abc123", "x");
        SweepLeftovers();
        EXPECT_TRUE(folder.Exists("prog.NPX.tmp-abc123") && folder.Exists("b.NPX.tmp-abc123"));
        EXPECT_FALSE(folder.Exists(SaveNoteName));
    }
}

} // namespace
