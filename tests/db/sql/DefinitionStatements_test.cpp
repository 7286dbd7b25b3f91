// CREATE, ALTER and DROP of tables and indexes: the structure the engine's cursor reports afterwards is
// compared with what SQLite makes of the same definitions; the dialect's own cases (positions, REDEFINE,
// the primary key rules, IF [NOT] EXISTS, the refusals) are checked against the texts they must raise.
#include "ChangeTestSupport.h"
#include "SqliteOracle.h"

namespace vorsam::test {
namespace {

class DefinitionTest : public TChangeTest {
protected:
    void ExpectSameStructure(const std::string& table) {
        EXPECT_EQ(Columns(table), oracle_.Columns(table));
        EXPECT_EQ(PrimaryKey(table), oracle_.PrimaryKey(table));
        EXPECT_EQ(Indexes(table), oracle_.Indexes(table));
    }
    void Both(const std::string& ours, const std::string& theirs) {
        RunSql(ours);
        oracle_.Exec(theirs);
    }
    void Both(const std::string& sql) { Both(sql, sql); }

    TSqliteOracle oracle_;
};

struct TStructureCase {
    const char* Name;
    std::vector<std::pair<std::string, std::string>> Steps; // our text, SQLite's ("" = the same)
};

class DefinitionStructure : public DefinitionTest, public ::testing::WithParamInterface<TStructureCase> {};

TEST_P(DefinitionStructure, MatchesWhatTheOracleMakes) {
    for (const auto& [ours, theirs] : GetParam().Steps) Both(ours, theirs.empty() ? ours : theirs);
    ExpectSameStructure("T");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefinitionStructure,
    ::testing::Values(
        TStructureCase{
            "PlainColumnsNoKey",
            {{"CREATE TABLE T (A INTEGER, B CHAR(20), C DATE, D FLOAT, E SMALLINT, F BOOLEAN)", ""}}},
        TStructureCase{"PrimaryKeyAndNotNull",
                       {{"CREATE TABLE T (ID INTEGER NOT NULL, NAME CHAR(10), PRIMARY KEY (ID))", ""}}},
        TStructureCase{"CompoundKeyQuotedNames",
                       {{"CREATE TABLE T (\"A\" INTEGER, [B] CHAR(5), C TIME, PRIMARY KEY (B, A))",
                         "CREATE TABLE T (\"A\" INTEGER, [B] CHAR(5), C TIME, PRIMARY KEY (B, A))"}}},
        TStructureCase{"SecondaryIndexes",
                       {{"CREATE TABLE T (ID INTEGER, A INTEGER, B CHAR(8), PRIMARY KEY (ID))", ""},
                        {"CREATE INDEX IA ON T (A)", ""},
                        {"CREATE UNIQUE INDEX IBA ON T (B, A)", ""}}},
        TStructureCase{"DropIndex",
                       {{"CREATE TABLE T (ID INTEGER, A INTEGER, PRIMARY KEY (ID))", ""},
                        {"CREATE INDEX IA ON T (A)", ""},
                        {"CREATE INDEX IB ON T (ID, A)", ""},
                        {"DROP INDEX T.IA", "DROP INDEX IA"}}},
        TStructureCase{
            "AddAndDropColumns",
            {{"CREATE TABLE T (ID INTEGER, A INTEGER, B CHAR(8), PRIMARY KEY (ID))", ""},
             {"ALTER TABLE T ADD C DATE, DROP A", "ALTER TABLE T ADD C DATE; ALTER TABLE T DROP A"},
             {"ALTER TABLE T ADD COLUMN D FLOAT", ""}}},
        TStructureCase{"DropAndRecreate",
                       {{"CREATE TABLE T (A INTEGER)", ""},
                        {"DROP TABLE T", ""},
                        {"CREATE TABLE T (B CHAR(3), PRIMARY KEY (B))", ""}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DefinitionTest, AlterKeepsTheRowsOfTheColumnsItKeeps) {
    Both("CREATE TABLE T (ID INTEGER, A INTEGER, B CHAR(8), PRIMARY KEY (ID))");
    for (int id = 1; id <= 3; ++id)
        Both("INSERT INTO T VALUES (" + std::to_string(id) + ", " + std::to_string(id * 10) + ", 'b" +
             std::to_string(id) + "')");
    Both("ALTER TABLE T DROP A, ADD C INTEGER", "ALTER TABLE T DROP A; ALTER TABLE T ADD C INTEGER");
    EXPECT_EQ(Rows("T"), oracle_.Rows("SELECT * FROM T ORDER BY ID"));
    ExpectSameStructure("T");
}

TEST_F(DefinitionTest, ColumnPositionsOfAddAndRedefine) {
    RunSql("CREATE TABLE T (A INTEGER, B INTEGER, C INTEGER, D INTEGER, E INTEGER)");
    RunSql("ALTER TABLE T ADD F CHAR(2) AT 1");
    EXPECT_EQ(Columns("T"), (std::vector<std::string>{"F CHAR(2)", "A INTEGER", "B INTEGER", "C INTEGER",
                                                      "D INTEGER", "E INTEGER"}));
    RunSql("ALTER TABLE T REDEFINE B AT 99");
    EXPECT_EQ(Columns("T").back(), "B INTEGER");
    RunSql("ALTER TABLE T ADD G DATE AT 99"); // past the end: appended
    EXPECT_EQ(Columns("T").back(), "G DATE");
    RunSql("ALTER TABLE T REDEFINE C CC CHAR(12) AT 2 NOT NULL");
    EXPECT_EQ(Columns("T")[1], "CC CHAR(12) NOT NULL");
}

TEST_F(DefinitionTest, RedefineConvertsTheValuesAndRenames) {
    RunSql("CREATE TABLE T (ID INTEGER, N CHAR(5), PRIMARY KEY (ID))");
    RunSql("INSERT INTO T VALUES (1, '42')");
    RunSql("ALTER TABLE T REDEFINE N NUM INTEGER");
    EXPECT_EQ(Columns("T"), (std::vector<std::string>{"ID INTEGER", "NUM INTEGER"}));
    EXPECT_EQ(Rows("T"), (std::vector<TRowText>{"1|42"}));
}

TEST_F(DefinitionTest, PrimaryKeyRulesOfAlter) {
    RunSql("CREATE TABLE T (ID INTEGER, A INTEGER, PRIMARY KEY (ID))");
    EXPECT_EQ(SqlErrorOf("ALTER TABLE T ADD PRIMARY KEY (A)"),
              "Cannot REDEFINE the primary key using the ADD keyword");
    RunSql("ALTER TABLE T DROP PRIMARY KEY, ADD PRIMARY KEY (A)");
    EXPECT_EQ(PrimaryKey("T"), (std::vector<std::string>{"A"}));
    RunSql("ALTER TABLE T REDEFINE PRIMARY KEY (A, ID)");
    EXPECT_EQ(PrimaryKey("T"), (std::vector<std::string>{"A", "ID"}));
    RunSql("ALTER TABLE T DROP PRIMARY KEY");
    EXPECT_TRUE(PrimaryKey("T").empty());
    RunSql("ALTER TABLE T ADD PRIMARY KEY (ID)");
    EXPECT_EQ(PrimaryKey("T"), (std::vector<std::string>{"ID"}));
}

TEST_F(DefinitionTest, RefusalsLeaveTheTableAsItWas) {
    RunSql("CREATE TABLE T (ID INTEGER, A INTEGER, PRIMARY KEY (ID))");
    std::vector<std::string> before = Columns("T");
    struct TCase {
        std::string Sql;
        std::string Message;
    };
    const std::vector<TCase> cases = {
        {"ALTER TABLE T DROP ZZ", "Column ZZ not found"},
        {"ALTER TABLE T ADD B INTEGER, REDEFINE ZZ INTEGER", "Column ZZ not found"},
        {"ALTER TABLE T ADD PRIMARY KEY (ZZ)", "Cannot REDEFINE the primary key using the ADD keyword"},
        {"ALTER TABLE T REDEFINE PRIMARY KEY (ZZ)", "Invalid field name 'ZZ' specified for index ''"},
        {"CREATE INDEX IX ON T (A, ZZ)", "Invalid field name 'ZZ' specified for index 'IX'"},
        {"CREATE TABLE U (A INTEGER, CONSTRAINT PK PRIMARY KEY (B))",
         "Invalid field name 'B' specified for index ''"},
        {"CREATE TABLE U (A CHAR(10), TEXT INDEX (A, B))", "Invalid field name 'B' specified for text index"},
    };
    for (const TCase& c : cases) EXPECT_EQ(SqlErrorOf(c.Sql), c.Message) << c.Sql;
    EXPECT_EQ(Columns("T"), before);
    EXPECT_TRUE(Indexes("T").empty());
    EXPECT_FALSE(database_->TableExists("U", false));
}

TEST_F(DefinitionTest, AnAlterThatWouldLeaveNoColumnIsRefused) {
    RunSql("CREATE TABLE T (A INTEGER, B INTEGER)");
    RunSql("INSERT INTO T VALUES (1, 2)");
    EXPECT_ENGINE_ERROR(RunSql("ALTER TABLE T DROP A, DROP B"), VORSAM_INVALIDPARAM);
    EXPECT_EQ(Columns("T"), (std::vector<std::string>{"A INTEGER", "B INTEGER"}));
}

TEST_F(DefinitionTest, IfExistsAndIfNotExistsDoNothingWhenTheyMust) {
    RunSql("CREATE TABLE T (A INTEGER, B INTEGER)");
    RunSql("CREATE TABLE IF NOT EXISTS T (X CHAR(3))");
    EXPECT_EQ(Columns("T"), (std::vector<std::string>{"A INTEGER", "B INTEGER"}));
    RunSql("CREATE INDEX IA ON T (A)");
    RunSql("CREATE INDEX IF NOT EXISTS IA ON T (B)");
    EXPECT_EQ(Indexes("T"), (std::vector<std::string>{"IA(A)"}));
    RunSql("DROP INDEX IF EXISTS T.IB");
    RunSql("DROP INDEX IF EXISTS T.PRIMARY"); // no user primary key: nothing
    RunSql("DROP TABLE IF EXISTS MISSING");
    EXPECT_ENGINE_ERROR(RunSql("DROP INDEX T.IB"), VORSAM_INVALIDINDEXNAME);
    RunSql("DROP INDEX T.IA");
    EXPECT_TRUE(Indexes("T").empty());
}

TEST_F(DefinitionTest, DropIndexPrimaryInAnyCaseDropsThePrimaryKey) {
    RunSql("CREATE TABLE T (A INTEGER, PRIMARY KEY (A))");
    RunSql("DROP INDEX T.primary");
    EXPECT_TRUE(PrimaryKey("T").empty());
}

TEST_F(DefinitionTest, TableStatementsFailWhileAnotherCursorHoldsTheTable) {
    RunSql("CREATE TABLE T (A INTEGER)");
    auto other = Open("T");
    EXPECT_NE(ErrorCodeOf([&] { RunSql("ALTER TABLE T ADD B INTEGER"); }), 0);
    EXPECT_NE(ErrorCodeOf([&] { RunSql("DROP TABLE T"); }), 0);
    EXPECT_NE(ErrorCodeOf([&] { RunSql("CREATE INDEX IA ON T (A)"); }), 0);
    other.reset();
    EXPECT_EQ(Columns("T"), (std::vector<std::string>{"A INTEGER"}));
    RunSql("DROP TABLE T");
    EXPECT_FALSE(database_->TableExists("T", false));
}

TEST_F(DefinitionTest, MemoryTablesLiveInTheInMemoryDatabase) {
    RunSql("CREATE TABLE MEMORY M (A INTEGER, PRIMARY KEY (A))");
    TDataDirectory& memory = session_.OpenDataDirectory("Memory", "");
    EXPECT_TRUE(memory.TableExists("M", true));
    EXPECT_FALSE(database_->TableExists("M", false));
    RunSql("DROP TABLE MEMORY M");
    EXPECT_FALSE(memory.TableExists("M", true));
    session_.CloseDataDirectory(memory);
}

} // namespace
} // namespace vorsam::test

namespace vorsam::test {
namespace {

TEST_F(DefinitionTest, AlterKeepsTheSettingsItDoesNotGiveAndABackupUnlessTold) {
    RunSql("CREATE TABLE T (A INTEGER, DESCRIPTION 'first' USER MAJOR VERSION 3)");
    RunSql("ALTER TABLE T ADD B INTEGER");
    auto description = [&] { return Open("T")->GetDescription(); };
    EXPECT_EQ(description(), "first");
    EXPECT_EQ(Open("T")->GetUserMajorVersion(), 3);
    EXPECT_TRUE(std::filesystem::exists(dir_.File("T.DBK")));
    std::filesystem::remove(dir_.File("T.DBK"));
    RunSql("ALTER TABLE T DESCRIPTION 'second' NOBACKUP");
    EXPECT_EQ(description(), "second");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("T.DBK")));
}

TEST_F(DefinitionTest, LastAutoIncSetsWhereNumberingGoesOn) {
    RunSql("CREATE TABLE N (K AUTOINC, X INTEGER)");
    RunSql("INSERT INTO N (X) VALUES (1)");
    RunSql("ALTER TABLE N LAST AUTOINC 100");
    RunSql("INSERT INTO N (X) VALUES (2)");
    EXPECT_EQ(Rows("N"), (std::vector<TRowText>{"1|1", "101|2"}));
    RunSql("CREATE TABLE LA (ID AUTOINC, V INTEGER, PRIMARY KEY (ID) LAST AUTOINC 100)");
    RunSql("INSERT INTO LA (V) VALUES (1)");
    EXPECT_EQ(Rows("LA"), (std::vector<TRowText>{"101|1"}));
}

// Refusals name the statement's table and the cause, never a restructure's working table.
TEST_F(DefinitionTest, RefusedDefinitionsNameTheTableAndTheCause) {
    RunSql("CREATE TABLE TA (ID INTEGER, NAME CHAR(5), A INTEGER, PRIMARY KEY (ID))");
    RunSql("INSERT INTO TA VALUES (1, 'x', 7)"), RunSql("INSERT INTO TA VALUES (2, 'y', 7)");
    for (auto [sql, text] : std::vector<std::pair<std::string, std::string>>{
             {"CREATE TABLE W (A INTEGER, PRIMARY KEY (A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A))",
              "# 9220 Too many indexes or index fields in the table 'W': 17 fields"},
             {"ALTER TABLE TA ADD NAME CHAR(5)",
              "# 8961 Header information corrupt in the table 'TA': field 4: the name 'NAME'"},
             {"ALTER TABLE TA REDEFINE PRIMARY KEY (A)",
              "# 9729 Key violation in the index 'Primary' of the table 'TA'"}})
        EXPECT_NE(std::string(ErrorRaisedBy([&] { RunSql(sql); }).what()).find(text), std::string::npos)
            << text;
    EXPECT_EQ(Rows("TA"), (std::vector<TRowText>{"1|x|7", "2|y|7"}));
}

} // namespace
} // namespace vorsam::test

namespace vorsam::test {
namespace {

TEST_F(DefinitionTest, IndexOptionsReachTheIndex) {
    RunSql("CREATE TABLE T (ID INTEGER, NAME CHAR(10), PRIMARY KEY (ID))");
    RunSql("CREATE UNIQUE DESC NOCASE INDEX IX ON T (NAME, ID) COMPRESS FULL");
    auto cursor = Open("T");
    TIndexDescriptor index = cursor->GetIndexDesc(1);
    EXPECT_EQ(index.Name(), "IX");
    EXPECT_TRUE(index.Unique());
    EXPECT_TRUE(index.Descending());
    EXPECT_TRUE(index.CaseInsensitive());
    EXPECT_TRUE(index.FieldDescending(0) && index.FieldDescending(1));
    EXPECT_EQ(index.Compression(), TKeyCompression::Both);
}

TEST_F(DefinitionTest, AnEncryptedTableStaysEncryptedWithItsPasswordWhenAltered) {
    RunSql("CREATE TABLE E (A INTEGER, ENCRYPTED WITH 'segredo')");
    EXPECT_NE(ErrorCodeOf([&] { RunSql("ALTER TABLE E ADD B INTEGER"); }), 0); // no password in the session
    session_.AddPassword("segredo");
    RunSql("ALTER TABLE E ADD B INTEGER");
    auto cursor = Open("E");
    EXPECT_TRUE(cursor->IsEncrypted());
    EXPECT_EQ(cursor->GetPassword(), "segredo");
    EXPECT_EQ(Columns("E"), (std::vector<std::string>{"A INTEGER", "B INTEGER"}));
}

TEST_F(DefinitionTest, ARedefineWhoseValuesDoNotFitLeavesTheTableAsItWas) {
    RunSql("CREATE TABLE T (ID INTEGER, N CHAR(5), PRIMARY KEY (ID))");
    RunSql("INSERT INTO T VALUES (1, 'abc')");
    EXPECT_ENGINE_ERROR(RunSql("ALTER TABLE T REDEFINE N INTEGER"), VORSAM_OUTOFRANGE);
    EXPECT_EQ(Columns("T"), (std::vector<std::string>{"ID INTEGER", "N CHAR(5)"}));
    EXPECT_EQ(Rows("T"), (std::vector<TRowText>{"1|abc"}));
}

} // namespace
} // namespace vorsam::test
