// The database component: databases the session makes for folder names and "Memory", databases of the
// application, references and shared handles, the datasets of a database, its refusals and
// transactions.
#include "VORSAMTestSupport.h"

#include "db/engine/DataDirectory.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace vorsam::test {
namespace {

using VORSAMDatabaseTest = ComponentsTest;

TEST_F(VORSAMDatabaseTest, AFolderNameOpensADatabaseTheSessionMakesForThatFolder) {
    TTempDir dir;
    TVORSAMSession& main = DefaultSession();
    TVORSAMDatabase& database = main.OpenDatabase(dir.Path(), nullptr);
    EXPECT_TRUE(database.CreatedBySession());
    EXPECT_EQ(database.DatabaseName(), dir.Path());
    EXPECT_EQ(database.Directory(), dir.Path());
    EXPECT_EQ(database.SessionName(), "Default");
    ASSERT_TRUE(database.Connected());
    EXPECT_EQ(database.Handle()->Name(), "") << "a folder is not passed as a database name";
    EXPECT_EQ(database.Handle()->Folder(), dir.Path());
    EXPECT_FALSE(database.Handle()->InMemory());

    std::string written = dir.Path();
    std::replace(written.begin(), written.end(), '/', '\\');
    EXPECT_EQ(&main.OpenDatabase(written, nullptr), &database) << "written with backslashes";
    EXPECT_ENGINE_ERROR(main.OpenDatabase(dir.File("missing"), nullptr), VORSAM_DIRNOTFOUND);
    EXPECT_EQ(main.Databases().size(), 1u) << "a database that failed to open is not kept";
}

TEST_F(VORSAMDatabaseTest, MemoryOpensTheInMemoryDatabaseWithoutFolder) {
    TVORSAMDatabase& database = DefaultSession().OpenDatabase("memory", nullptr);
    EXPECT_EQ(database.Directory(), "");
    ASSERT_TRUE(database.Connected());
    EXPECT_TRUE(database.Handle()->InMemory());
    EXPECT_EQ(&DefaultSession().OpenDatabase("MEMORY", nullptr), &database) << "names ignore case";
    EXPECT_EQ(database.ReferenceCount(), 2);
}

TEST_F(VORSAMDatabaseTest, DatabasesFreedOrKeptWhenTheirLastReferenceGoes) {
    TTempDir dir;
    TVORSAMSession& main = DefaultSession();
    main.SetKeepConnections(false);
    TVORSAMDatabase& made = main.OpenDatabase(dir.Path(), nullptr);
    EXPECT_EQ(&main.OpenDatabase(dir.Path(), nullptr), &made);
    main.CloseDatabase(made);
    EXPECT_TRUE(made.Connected());
    main.CloseDatabase(made);
    EXPECT_EQ(main.FindDatabase(dir.Path()), nullptr) << "freed";

    main.SetKeepConnections(true);
    TVORSAMDatabase& kept = main.OpenDatabase(dir.Path(), nullptr);
    main.CloseDatabase(kept);
    EXPECT_TRUE(kept.Connected()) << "KeepConnections";
    kept.SetKeepConnection(false);
    EXPECT_FALSE(kept.Connected()) << "no references and no keeping: closed";

    TVORSAMDatabase own;
    own.SetDatabaseName("Cadastro");
    own.SetDirectory(dir.Path());
    own.SetKeepConnection(false);
    EXPECT_EQ(&main.OpenDatabase("CADASTRO", nullptr), &own) << "the application's database of the name";
    EXPECT_EQ(own.Handle()->Name(), "Cadastro");
    main.CloseDatabase(own);
    EXPECT_FALSE(own.Connected()) << "the application's database is closed, not freed";
    EXPECT_EQ(main.FindDatabase("cadastro"), &own);
}

TEST_F(VORSAMDatabaseTest, FoldersThatDifferOnlyInCaseAreDifferentDatabases) {
    TTempDir dir;
    std::filesystem::create_directory(dir.File("Prog"));
    std::filesystem::create_directory(dir.File("prog"));
    TVORSAMDatabase& upper = DefaultSession().OpenDatabase(dir.File("Prog"), nullptr);
    TVORSAMDatabase& lower = DefaultSession().OpenDatabase(dir.File("prog"), nullptr);
    EXPECT_NE(&upper, &lower);
    EXPECT_EQ(lower.Handle()->Folder(), dir.File("prog"));
}

TEST_F(VORSAMDatabaseTest, DatasetsOfOneFolderShareItsDatabaseAndCloseWithIt) {
    TTempDir dir;
    TBoundDataSet first(dir.Path()), second(dir.Path() + "/");
    first.Open();
    second.Open();
    ASSERT_NE(first.Database(), nullptr);
    EXPECT_EQ(first.Database(), second.Database()) << "a trailing separator names the same folder";
    TVORSAMDatabase& database = *first.Database();
    EXPECT_EQ(database.ReferenceCount(), 2);
    EXPECT_EQ(database.DataSets().size(), 2u);

    second.Close();
    EXPECT_EQ(database.DataSets().size(), 1u);
    EXPECT_EQ(database.ReferenceCount(), 1);
    second.Open();
    database.Close();
    EXPECT_FALSE(first.Active());
    EXPECT_FALSE(second.Active());
    EXPECT_TRUE(database.DataSets().empty());

    first.Open();
    DefaultSession().SetActive(false);
    EXPECT_FALSE(first.Active()) << "stopping the session closes its datasets";
    EXPECT_TRUE(DefaultSession().Databases().empty());
}

TEST_F(VORSAMDatabaseTest, SharedHandlesAreOneEngineDatabaseThatOutlivesEitherHolder) {
    TTempDir dir;
    TVORSAMDatabase lender, borrower;
    for (TVORSAMDatabase* d : {&lender, &borrower}) {
        d->SetHandleShared(true);
        d->SetDatabaseName("Compartilhada");
    }
    lender.SetDirectory(dir.Path());
    lender.Open();
    borrower.Open();
    ASSERT_EQ(borrower.Handle(), lender.Handle());
    TDataSession& engine = *DefaultSession().Handle();
    EXPECT_EQ(engine.DirectoryUseCount(*lender.Handle()), 2u);
    borrower.Close();
    EXPECT_TRUE(lender.Connected());
    EXPECT_EQ(engine.DirectoryUseCount(*lender.Handle()), 1u);

    borrower.Open();
    lender.Close();
    ASSERT_TRUE(borrower.Connected());
    EXPECT_EQ(borrower.Handle()->Folder(), dir.Path()) << "still the open engine database";
    EXPECT_EQ(engine.OpenDirectoryCount(), 1u);
    borrower.Close();
    EXPECT_EQ(engine.OpenDirectoryCount(), 0u);
}

TEST_F(VORSAMDatabaseTest, NamesAreCheckedBeforeAnythingChanges) {
    TTempDir dir;
    TVORSAMDatabase unnamed;
    EXPECT_DATABASE_ERROR(unnamed.Open(), "Database name is missing.");
    EXPECT_DATABASE_ERROR(unnamed.SetDatabaseName(dir.Path()),
                          "Database name " + dir.Path() + " is not valid.");
    EXPECT_DATABASE_ERROR(unnamed.SetDatabaseName("C:\\dados"), "Database name C:/dados is not valid.");
    EXPECT_EQ(unnamed.DatabaseName(), "");

    TVORSAMDatabase first, second;
    first.SetDatabaseName("Dados");
    EXPECT_DATABASE_ERROR(second.SetDatabaseName("DADOS"), "Database name DADOS already exists.");
    second.SetSessionName("Desconhecida");
    second.SetDatabaseName("Outros");
    EXPECT_DATABASE_ERROR(second.Open(), "Session name Desconhecida is not valid.");

    TVORSAMDatabase& made = DefaultSession().OpenDatabase(dir.Path(), nullptr);
    DefaultSession().CloseDatabase(made);
    TVORSAMDatabase named;
    named.SetDatabaseName("Pasta");
    named.SetDirectory(dir.Path());
    named.Open();
    for (const auto& change : std::initializer_list<std::function<void()>>{
             [&] { named.SetDatabaseName("Outro"); }, [&] { named.SetDirectory("/tmp"); },
             [&] { named.SetRemoteDatabase("X"); }, [&] { named.SetSessionName("Default2"); }})
        EXPECT_DATABASE_ERROR(change(), "Cannot perform this operation on an open database.");
    EXPECT_EQ(named.DatabaseName(), "Pasta");
    EXPECT_EQ(named.Directory(), dir.Path());
    named.Close();
    named.SetRemoteDatabase("\\Servidor\\");
    EXPECT_EQ(named.RemoteDatabase(), "SERVIDOR");
}

TEST_F(VORSAMDatabaseTest, AnUnusedDatabaseTheSessionMadeGivesWayToTheApplicationsOwn) {
    TTempDir dir;
    TVORSAMDatabase& made = DefaultSession().OpenDatabase("Memory", nullptr);
    TVORSAMDatabase own;
    EXPECT_DATABASE_ERROR(own.SetDatabaseName("Memory"), "Database name Memory already exists.");
    DefaultSession().CloseDatabase(made);
    own.SetDatabaseName("Memory");
    EXPECT_EQ(DefaultSession().Databases(), (std::vector<TVORSAMDatabase*>{&own}));
}

TEST_F(VORSAMDatabaseTest, ADatabaseOfAStoppedSessionFallsBackToTheDefaultSession) {
    TVORSAMDatabase* database;
    std::unique_ptr<TVORSAMDatabase> kept;
    {
        TVORSAMSession named;
        named.SetSessionName("Curta");
        kept = std::make_unique<TVORSAMDatabase>(named);
        database = kept.get();
        database->SetDatabaseName("Memory");
        database->Open();
        EXPECT_EQ(database->Session(), &named);
    }
    EXPECT_FALSE(database->Connected());
    EXPECT_EQ(database->SessionName(), "");
    database->Open();
    EXPECT_EQ(database->Session(), &DefaultSession());
}

TEST_F(VORSAMDatabaseTest, TransactionsAreRefusedWithTheirMessagesAndOtherwiseRunByTheEngine) {
    TVORSAMDatabase database;
    database.SetDatabaseName("Memory");
    EXPECT_DATABASE_ERROR(database.StartTransaction(), "Cannot perform this operation on a closed database.");
    EXPECT_DATABASE_ERROR(database.Commit(), "Cannot perform this operation on a closed database.");
    EXPECT_DATABASE_ERROR(database.Rollback(), "Cannot perform this operation on a closed database.");
    database.Open();
    EXPECT_DATABASE_ERROR(database.Commit(true), "Database Memory has no active transaction.");
    EXPECT_DATABASE_ERROR(database.Rollback(), "Database Memory has no active transaction.");

    database.StartTransaction();
    ASSERT_TRUE(database.Handle()->InTransaction());
    EXPECT_DATABASE_ERROR(database.StartTransaction(), "Database Memory already has an active transaction.");
    database.Commit(true);
    EXPECT_FALSE(database.Handle()->InTransaction());
    database.StartTransaction();
    database.Rollback();
    EXPECT_FALSE(database.Handle()->InTransaction());
    EXPECT_DATABASE_ERROR(database.Rollback(), "Database Memory has no active transaction.");

    // Closing the database with a transaction open rolls it back.
    database.StartTransaction();
    database.Close();
    database.Open();
    EXPECT_FALSE(database.Handle()->InTransaction());
}

} // namespace
} // namespace vorsam::test
