// CREATE/ALTER/DROP TABLE and CREATE/DROP INDEX with their column, index and table options.
#include "SqlTestSupport.h"

namespace vorsam {
namespace {

TEST_F(SqlParserTest, TableDefinitionsAreStored) {
    const TParseCase cases[] = {
        {"CREATE TABLE t (a INTEGER, b CHAR(20) NOT NULL DEFAULT 'x', PRIMARY KEY (a))",
         "#0 (CREATE TABLE :table t (C a 6) (C b 1 :size 20 :notnull :default x) (index [a]))"},
        {"CREATE TABLE t (a INTEGER, DESCRIPTION 'd')", "#0 (CREATE TABLE :table t :description d (C a 6))"},
        {"CREATE TABLE t (a INTEGER DESCRIPTION 'd')", "#0 (CREATE TABLE :table t (C a 6 :description d))"},
        {"CREATE TABLE IF NOT EXISTS MEMORY db\\t ('my col' SMALLINT DEFAULT -5 MIN '-9' MAXIMUM 9)",
         "#0 (CREATE TABLE :memory :ifnotexists :table db\\t (C my col 5 :default -5 :min -9 :max 9))"},
        {"CREATE TABLE t (a CHAR(5) CHARCASE UPPER, b CHAR(5) CHARCASE LOWER, c CHAR(5) CHARCASE NOCHANGE)",
         "#0 (CREATE TABLE :table t (C a 1 :size 5 :case 1) (C b 1 :size 5 :case 2) (C c 1 :size 5))"},
        {"CREATE TABLE t (a DECIMAL(10,2), b BYTES(8), m MEMO, g BLOB(10, 5), c AUTOINC, x MONEY, d DATE)",
         "#0 (CREATE TABLE :table t (C a 8 :scale 2) (C b 9 :size 8) (C m 3/22) (C g 3/26) (C c 6/29) (C x "
         "7/21) "
         "(C d 2))"},
        {"CREATE TABLE t (a INTEGER, b INTEGER, CONSTRAINT pk UNIQUE DESC NOCASE PRIMARY KEY (a, 'b') "
         "COMPRESS FULL "
         "TEXT INDEX (b) DESCRIPTION 'tbl' BLOB BLOCK SIZE 1024 LANGUAGE 'ANSI Standard' ENCRYPTED WITH 'pw' "
         "USER MINOR VERSION 3 USER MAJOR VERSION 2 LAST AUTOINC 100)",
         "#0 (CREATE TABLE :encrypted :table t :language 0 :password pw :description tbl :blobblocksize 1024 "
         ":major 2 :minor 3 :lastautoinc 100 (C a 6) (C b 6) (index [a b] :unique :desc :nocase :compress 3) "
         "(textindex [b]))"},
        {"CREATE TABLE t (a INTEGER,)", "#0 (CREATE TABLE :table t (C a 6))"},
        {"CREATE UNIQUE NOCASE INDEX i ON t (a, b) COMPRESS DUPBYTE",
         "#0 (CREATE INDEX :table t (index i [a b] :unique :nocase :compress 1))"},
        {"CREATE ASC INDEX IF NOT EXISTS i ON MEMORY db\\t ('x') COMPRESS TRAILBYTE",
         "#0 (CREATE INDEX :memory :ifnotexists :table db\\t (index i [x] :compress 2))"},
        {"CREATE INDEX i ON t (a) COMPRESS NONE", "#0 (CREATE INDEX :table t (index i [a]))"},
        {"ALTER TABLE t ADD c INTEGER AT 1, DROP d, REDEFINE e f CHAR(10)",
         "#0 (ALTER TABLE :table t (C c 6 :add :at 1) (C d :drop) (C e :newname f 1 :size 10 :redefine))"},
        {"ALTER TABLE t REDEFINE e NOT NULL", "#0 (ALTER TABLE :table t (C e :redefine :notnull :given n))"},
        {"ALTER TABLE t REDEFINE COLUMN e CHAR(4) AT 2 CHARCASE UPPER",
         "#0 (ALTER TABLE :table t (C e 1 :size 4 :redefine :at 2 :case 1 :given c))"},
        {"ALTER TABLE t ADD COLUMN c CHAR(3) DESCRIPTION 'dc' NOT NULL DEFAULT 'z' MIN 'a' MAX 'z' CHARCASE "
         "LOWER",
         "#0 (ALTER TABLE :table t (C c 1 :size 3 :add :description dc :notnull :default z :min a :max z "
         ":case 2 "
         ":given dnfixc))"},
        {"ALTER TABLE t DESCRIPTION 'new' NOBACKUP", "#0 (ALTER TABLE :nobackup :table t :description new)"},
        {"ALTER TABLE t DROP PRIMARY KEY", "#0 (ALTER TABLE :table t (index [] :drop))"},
        {"ALTER TABLE t DROP CONSTRAINT pk PRIMARY KEY, ADD CONSTRAINT pk2 UNIQUE PRIMARY KEY (a, b)",
         "#0 (ALTER TABLE :table t (index [] :drop) (index [a b] :unique :add))"},
        {"ALTER TABLE t REDEFINE PRIMARY KEY (a) COMPRESS FULL",
         "#0 (ALTER TABLE :table t (index [a] :compress 3 :redefine))"},
        {"DROP TABLE IF EXISTS t", "#0 (DROP TABLE :ifexists :table t)"},
        {"DROP TABLE MEMORY db\\t", "#0 (DROP TABLE :memory :table db\\t)"},
        {"DROP INDEX t.i", "#0 (DROP INDEX :table t :index i)"},
        {"DROP INDEX db\\t.i", "#0 (DROP INDEX :table db\\t :index i)"},
        {"DROP INDEX t.PRIMARY", "#0 (DROP INDEX :table t :index PRIMARY)"},
        {"DROP INDEX IF EXISTS MEMORY \"t\".[i]", "#0 (DROP INDEX :memory :ifexists :table t :index i)"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(Parse(c.Text), c.Expected) << c.Text;
}

TEST_F(SqlParserTest, TableOptionDefaultsHoldWhenAbsent) {
    Parse("CREATE TABLE t (a INTEGER, PRIMARY KEY (a))");
    TDataQuery& q = Master();
    EXPECT_EQ(q.BlobBlockSize, 512);
    EXPECT_EQ(q.UserMajorVersion, 1);
    EXPECT_EQ(q.UserMinorVersion, 0);
    EXPECT_EQ(q.LastAutoInc, -1);
    EXPECT_FALSE(q.StopWordsGiven);
    EXPECT_EQ(q.CreateIndexes[0]->Compression, icNone);
    EXPECT_FALSE(q.CreateFields[0]->NotNull || q.CreateFields[0]->NotNullGiven); // CREATE sets no given-flags
}

TEST_F(SqlParserTest, BadDefinitionsAreRefused) {
    const TParseCase cases[] = {
        {"CREATE TABLE t (a INTEGER) DESCRIPTION 'd'",
         "End of CREATE TABLE statement expected, instead found "
         "'DESCRIPTION'"},
        {"CREATE TABLE t (a)", "SQL data type keyword expected, instead found ')' in table column"},
        {"CREATE TABLE t (a DECIMAL(10,7))",
         "Scale argument must be an integer less than or equal to 4 but greater "
         "than or equal to 0 for the BCD data type in table column"},
        {"CREATE TABLE t (a INTEGER, CONSTRAINT pk PRIMARY KEY (t.a))",
         "Invalid use of table correlation name 't' specified in indexed columns"},
        {"CREATE TABLE t (a CHAR(5) CHARCASE TITLE)",
         "UPPER, LOWER, or NOCHANGE keyword expected after CHARCASE keyword, instead found 'TITLE'"},
        {"CREATE TABLE t (a INTEGER, PRIMARY KEY (a) COMPRESS HALF)",
         "FULL, DUPBYTE, TRAILBYTE, or NONE keyword expected after COMPRESS keyword, instead found 'HALF'"},
        {"CREATE TABLE t (a INTEGER, PRIMARY (a))",
         "KEY keyword expected after PRIMARY keyword, instead found '('"},
        {"CREATE TABLE t (a INTEGER, CONSTRAINT c KEY (a))", "PRIMARY keyword expected, instead found 'KEY'"},
        {"CREATE TABLE t (a INTEGER, PRIMARY KEY a)", "Left parentheses expected, instead found 'a'"},
        {"CREATE TABLE IF NOT t (a INTEGER)", "EXISTS keyword expected after NOT keyword, instead found 't'"},
        {"CREATE TABLE (a INTEGER)", "Table name expected after CREATE TABLE keywords, instead found '('"},
        // A table has at least one column.
        {"CREATE TABLE c ()", "Column name expected in CREATE TABLE statement, instead found ')'"},
        {"CREATE TABLE c (DESCRIPTION 'd')",
         "Column name expected in CREATE TABLE statement, instead found 'DESCRIPTION'"},
        {"CREATE TABLE c (PRIMARY KEY (a))",
         "Column name expected in CREATE TABLE statement, instead found 'PRIMARY'"},
        {"CREATE TABLE t (a INTEGER",
         "Right parentheses expected after CREATE TABLE statement, instead found ''"},
        {"CREATE TABLE t (a INTEGER, BLOB BLOCK SIZE 70000)",
         "Integer value expected after SIZE keyword, instead found '70000'"},
        {"CREATE TABLE t (a INTEGER, BLOB BLOCK SIZE '1024')",
         "Integer value expected after SIZE keyword, instead found '1024'"},
        {"CREATE TABLE t (a INTEGER, BLOB SIZE 1)",
         "BLOCK keyword expected after BLOB keyword, instead found 'SIZE'"},
        {"CREATE TABLE t (a INTEGER, USER VERSION 1)",
         "MAJOR or MINOR keyword expected after USER keyword, instead found 'VERSION'"},
        {"CREATE TABLE t (a INTEGER, USER MAJOR 1)",
         "VERSION keyword expected after MAJOR keyword, instead found '1'"},
        {"CREATE TABLE t (a INTEGER, TEXT (a))",
         "INDEX keyword expected after TEXT keyword, instead found '('"},
        {"CREATE TABLE t (a INTEGER, TEXT INDEX a)",
         "Left parentheses expected after TEXTINDEX keyword, instead found 'a'"},
        {"CREATE TABLE t (a INTEGER, TEXT INDEX (a) STOP 'x')",
         "WORDS keyword expected after STOP keyword, instead found 'x'"},
        {"CREATE TABLE t (a INTEGER, PRIMARY KEY (a) LAST 1)",
         "AUTOINC keyword expected after LAST keyword, instead found '1'"},
        // After a "," LAST is a column (of type AUTOINC here), not the LAST AUTOINC option.
        {"CREATE TABLE t (a INTEGER, LAST AUTOINC 1)",
         "Right parentheses expected after CREATE TABLE statement, instead found '1'"},
        {"CREATE INDEX ON t (a)", "Index name expected after INDEX keyword, instead found 'ON'"},
        {"CREATE UNIQUE i ON t (a)", "INDEX keyword expected, instead found 'i'"},
        {"CREATE INDEX i t (a)", "ON keyword expected after index name, instead found 't'"},
        {"CREATE INDEX i ON (a)", "Table name expected after ON keyword, instead found '('"},
        {"ALTER TABLE t ADD c", "SQL data type keyword expected, instead found '' in table column"},
        {"ALTER TABLE t ADD c INTEGER AT 70000",
         "Integer value expected after AT keyword, instead found '70000'"},
        {"ALTER TABLE t DROP PRIMARY", "KEY keyword expected after PRIMARY keyword, instead found ''"},
        {"ALTER TABLE t RENAME a", "End of ALTER TABLE statement expected, instead found 'RENAME'"},
        {"ALTER TABLE t NOBACKUP DESCRIPTION 'x'",
         "End of ALTER TABLE statement expected, instead found 'DESCRIPTION'"},
        {"DROP TABLE IF t", "EXISTS keyword expected after IF keyword, instead found 't'"},
        {"DROP TABLE ;", "Table name expected after DROP TABLE keywords, instead found ';'"},
        {"DROP INDEX ;", "Table name expected after DROP INDEX keywords, instead found ';'"},
        {"DROP INDEX db\\;", "Table name expected after DROP INDEX keywords, instead found ';'"},
    };
    for (const TParseCase& c : cases) EXPECT_EQ(ParseError(c.Text), c.Expected) << c.Text;
}

} // namespace
} // namespace vorsam
