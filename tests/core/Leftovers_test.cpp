// A save notes the file it writes in the program folder while it writes, for the next start's sweep
// (tested with the tool itself) should a kill cut it short.

#include "ProgrammingFixture.h"
#include "core/Leftovers.h"
#include "core/ProgrammingFile.h"
#include "platform/os/FileIo.h"

namespace {

using Leftovers = ProgrammingFixture;

TEST_F(Leftovers, ASaveNotesItsFileWhileItWritesAndRemovesTheNoteAfter) {
    UseDefaultProgramming(11);
    std::optional<std::string> noted;
    SetBeforeRenameHook([&](const std::string&) { noted = ReadWholeFile(ProgramFilePath(SaveNoteName)); });
    SaveProgrammingFile(folder.Path("prog.NPX"));
    SetBeforeRenameHook({});
    EXPECT_EQ(noted, folder.Path("prog.NPX"));
    EXPECT_FALSE(folder.Exists(SaveNoteName));
}

} // namespace
