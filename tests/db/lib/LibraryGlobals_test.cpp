// The library globals as one explicit context: unavailable before start, fresh after a restart.
#include "TestSupport.h"

#include "db/lib/FileHandler.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

namespace vorsam::test {
namespace {

TEST(LibraryGlobalsTest, ObjectsRaiseNotInitializedBeforeStartAndComeBackFreshAfterARestart) {
    {
        TFileHandler h;
        h.SetFileName("MEM.DAT");
        h.SetInMemory(true);
        h.CreateFile();
        h.WriteBuffer("x", 1);
    }
    EXPECT_TRUE(GetFileList().Exists("MEM.DAT", true));
    InitializeLibraryGlobals(); // a second start changes nothing
    EXPECT_TRUE(GetFileList().Exists("MEM.DAT", true));

    FinalizeLibraryGlobals();
    EXPECT_FALSE(LibraryGlobalsInitialized());
    EXPECT_ENGINE_ERROR(GetFileList(), VORSAM_NOTINITIALIZED);
    EXPECT_ENGINE_ERROR(GetCollationCache(), VORSAM_NOTINITIALIZED);
    FinalizeLibraryGlobals(); // nothing to free

    InitializeLibraryGlobals();
    EXPECT_FALSE(GetFileList().Exists("MEM.DAT", true)) << "in-memory files end with the engine";
}

TEST(LibraryGlobalsTest, TempFileNamesAreFreeInTheirStorage) {
    TTempDir dir;
    std::string a = TempFileName(dir.Path(), ".TMP"), b = TempFileName(dir.Path() + "/", ".TMP");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.substr(0, dir.Path().size() + 1), dir.Path() + "/");
    EXPECT_EQ(a.substr(a.size() - 4), ".TMP");
    EXPECT_FALSE(GetFileList().Exists(a, false));
    std::string m = TempFileName("", ".TMP", true);
    EXPECT_EQ(m.find('/'), std::string::npos);
}

} // namespace
} // namespace vorsam::test
