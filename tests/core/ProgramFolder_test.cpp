// Finding the program folder, seeding a new one, and the scratch table's files.

#include "ProgrammingFixture.h"
#include "core/ProgramFolder.h"

namespace {

class ProgramFolderTest : public ProgrammingFixture {
protected:
    // An executable folder laid out as the build does: the defaults beside the executable.
    void LayOutBuildFolder(const std::string& name) const {
        folder.Write(name + "/CENTRPRG.INI", "[Serial]\nPort=COM2\n");
        folder.Write(name + "/CentrPrg.lng", "[Controle]\nLngOrigem=pt-BR\n");
        folder.Write(name + "/DEFARCO.NPX", "arco");
        folder.Write(name + "/help/14.html", "vias");
        folder.Write(name + "/help/15.html", "ramais");
    }
    TProgramFolderInputs Inputs(const std::string& executableFolder) const {
        return {std::nullopt, folder.Path(executableFolder), folder.Path("xdg"), folder.Path("home")};
    }
};

// The build lays out the defaults beside the executable; the user's files go to the user's data
// folder all the same, so that deleting the build deletes none of them.
TEST_F(ProgramFolderTest, TheBuiltToolKeepsTheUsersFilesOutOfTheBuildFolder) {
    LayOutBuildFolder("bin");
    EXPECT_EQ(ChooseProgramFolder(Inputs("bin")), folder.Path("xdg/centrprg"));
    EXPECT_FALSE(folder.Exists("xdg")); // only named
    EXPECT_EQ(ProgramDefaultsFolder(Inputs("bin")), folder.Path("bin"));
    EXPECT_EQ(ResolveProgramFolder(Inputs("bin")), folder.Path("xdg/centrprg"));
    EXPECT_EQ(folder.Read("xdg/centrprg/DEFARCO.NPX"), "arco");
    EXPECT_EQ(folder.Read("xdg/centrprg/help/14.html"), "vias");
}

TEST_F(ProgramFolderTest, AGivenFolderIsCreatedAndSeededWithoutOverwriting) {
    LayOutBuildFolder("bin");
    folder.Write("data/CENTRPRG.INI", "[Serial]\nPort=/dev/ttyS0\n");
    folder.Write("data/help/15.html", "local");
    TProgramFolderInputs inputs = Inputs("bin");
    inputs.dataDirArgument = folder.Path("data");
    EXPECT_EQ(ResolveProgramFolder(inputs), folder.Path("data"));
    EXPECT_EQ(folder.Read("data/CENTRPRG.INI"), "[Serial]\nPort=/dev/ttyS0\n");
    EXPECT_EQ(folder.Read("data/DEFARCO.NPX"), "arco");
    EXPECT_TRUE(folder.Exists("data/CentrPrg.lng"));
    EXPECT_EQ(folder.Read("data/help/14.html"), "vias");
    EXPECT_EQ(folder.Read("data/help/15.html"), "local");
    EXPECT_FALSE(folder.Exists("data/DEFNODO.NPX")); // not among the defaults
}

TEST_F(ProgramFolderTest, AnInstalledToolUsesTheUsersDataFolderSeededFromShare) {
    LayOutBuildFolder("usr/share/centrprg/defaults");
    folder.Write("usr/bin/centrprg", "");
    EXPECT_EQ(ResolveProgramFolder(Inputs("usr/bin")), folder.Path("xdg/centrprg"));
    EXPECT_EQ(folder.Read("xdg/centrprg/DEFARCO.NPX"), "arco");
    TProgramFolderInputs noXdg = Inputs("usr/bin");
    noXdg.xdgDataHome.reset();
    EXPECT_EQ(ResolveProgramFolder(noXdg), folder.Path("home/.local/share/centrprg"));
    EXPECT_TRUE(folder.Exists("home/.local/share/centrprg/CENTRPRG.INI"));
}

TEST_F(ProgramFolderTest, TheDataDirMayBeTheBuildFolderItself) {
    LayOutBuildFolder("bin");
    TProgramFolderInputs inputs = Inputs("bin");
    inputs.dataDirArgument = folder.Path("bin") + "/./";
    EXPECT_EQ(ResolveProgramFolder(inputs), folder.Path("bin"));
    EXPECT_EQ(folder.Read("bin/DEFARCO.NPX"), "arco");
}

} // namespace
