// The process's session list: the default session, finding sessions by name, folder names, and the
// end of the list stopping the engine.
#include "VORSAMTestSupport.h"

#include "db/engine/EngineState.h"

namespace vorsam::test {
namespace {

using VORSAMSessionListTest = ComponentsTest;

TEST_F(VORSAMSessionListTest, TheDefaultSessionComesFirstAndAnEmptyOrDifferentlyCasedNameFindsIt) {
    TVORSAMSession& main = DefaultSession();
    EXPECT_TRUE(main.IsDefault());
    EXPECT_EQ(main.SessionName(), "Default");
    EXPECT_FALSE(main.Active()) << "started only when the engine is needed";
    TVORSAMSession named;
    named.SetSessionName("Relatorios");
    EXPECT_FALSE(named.IsDefault());
    EXPECT_EQ(Sessions().List(), (std::vector<TVORSAMSession*>{&main, &named}));

    EXPECT_EQ(Sessions().FindSession(""), &main);
    EXPECT_EQ(&Sessions().GetSession(""), &main);
    EXPECT_EQ(Sessions().FindSession("default"), &main);
    EXPECT_EQ(Sessions().FindSession("RELATORIOS"), &named);
    EXPECT_EQ(Sessions().FindSession("Outra"), nullptr);
    EXPECT_DATABASE_ERROR(Sessions().GetSession("Outra"), "Session name Outra is not valid.");
}

TEST_F(VORSAMSessionListTest, FreeingTheListStopsEverySessionAndTheEngineAndANewUseStartsAfresh) {
    TVORSAMSession named;
    named.SetSessionName("Outra");
    named.SetActive(true);
    ASSERT_TRUE(DefaultSession().Active());
    ASSERT_TRUE(EngineInitialized());
    FinalizeSessions();
    EXPECT_FALSE(named.Active()) << "a session that outlives the list is stopped";
    EXPECT_FALSE(EngineInitialized());
    EXPECT_EQ(LiveEngineSessionCount(), 0u);

    EXPECT_EQ(Sessions().List().size(), 1u) << "a new list with a new default session";
    EXPECT_EQ(Sessions().FindSession("Outra"), nullptr);
}

TEST(VORSAMDatabaseNameTest, FolderNamesAreEmptyOrHoldASeparatorOrAColon) {
    for (const char* folder : {"", "/dados", "dados/", "C:", "C:\\dados", "\\\\servidor\\dados", "./x"})
        EXPECT_TRUE(IsDirectoryName(folder)) << folder;
    for (const char* name : {"Memory", "Cadastro", "dados.dat", "A B"})
        EXPECT_FALSE(IsDirectoryName(name)) << name;

    EXPECT_EQ(NormaliseDatabaseName("C:\\dados\\prog"), "C:/dados/prog");
    EXPECT_TRUE(SameDatabaseName("Cadastro", "CADASTRO"));
    EXPECT_FALSE(SameDatabaseName("/tmp/Dados", "/tmp/dados")) << "folders are case-sensitive";
    EXPECT_TRUE(SameDatabaseName("/tmp/dados", "/tmp/dados"));
}

} // namespace
} // namespace vorsam::test
