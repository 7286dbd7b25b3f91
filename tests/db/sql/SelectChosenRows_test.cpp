// Rows a SELECT chooses while it reads give the result the general way gives (every row written into the
// result table, then sorted): ORDER BY ... TOP n kept in a bounded heap, and DISTINCT read from the keys of
// an index whose leading fields are the columns. The general way is the same statement INTO a table of its
// own, which the shortcuts leave alone. Random statements over a table with many equal keys and NULLs,
// ascending and descending, case-insensitive and under a language's collation; then the edge cases.
#include "SqlRunSupport.h"

#include "db/engine/DataTable.h"
#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"

#include <cstring>
#include <random>

namespace vorsam::test {
namespace {

constexpr int StatementCount = 150;

class SelectChosenRowsTest : public TSqlTest {
protected:
    SelectChosenRowsTest() {
        TSqlTable table{"T",
                        {{"ID", dtInteger},
                         {"G", dtSmallInt},
                         {"C", dtInteger},
                         {"NAME", dtString, 6},
                         {"F", dtFloat},
                         {"D", dtDate},
                         {"L", dtLargeInt}},
                        {},
                        {"ID"},
                        {{"G"}, {"NAME"}, {"G", "NAME"}, {"D"}, {"L"}}};
        std::mt19937 random(53);
        const char* names[] = {"ana", "Ana", "bia", "Bia", "caio", "Édson", "edson", "zeca", ""};
        auto maybe = [&](std::string value) { return random() % 7 == 0 ? TSqlValue() : TSqlValue(value); };
        for (int id = 1; id <= 400; ++id)
            table.Rows.push_back(
                {std::to_string(id), maybe(std::to_string(int(random() % 9) - 4)),
                 maybe(std::to_string(random() % 30)), maybe(names[random() % 9]),
                 maybe(std::to_string(int(random() % 50) - 25) + ".5"),
                 maybe("2024-01-" + std::to_string(10 + random() % 5)),
                 maybe(std::to_string(int64_t(random() % 5) * 5000000000ll - 10000000000ll))});
        AddTable(table);
    }

    // The statement's rows and those of the same statement INTO a table of its own.
    void ExpectAsGeneral(const std::string& columns, const std::string& rest) {
        TRows chosen = Run("SELECT " + columns + " FROM T" + rest);
        std::string into = "R" + std::to_string(++intoCount_);
        TRows general = Run("SELECT " + columns + " INTO " + into + " FROM T" + rest);
        EXPECT_EQ(chosen, general) << "SELECT " << columns << " FROM T" << rest;
        nonEmpty_ += !chosen.empty();
    }

    std::string Pick(std::initializer_list<const char*> choices) {
        return *(choices.begin() + random_() % choices.size());
    }

    std::mt19937 random_{59};
    int intoCount_ = 0;
    int nonEmpty_ = 0;
};

TEST_F(SelectChosenRowsTest, TopRowsChosenWhileReadingAreTheFirstOfAllSorted) {
    for (int i = 0; i < StatementCount && !HasFailure(); ++i) {
        std::string order = Pick({"G", "C", "NAME", "F", "D", "G, C", "NAME, ID", "C, NAME", "1"});
        if (random_() % 2) order += " DESC";
        if (random_() % 3 == 0) order += ", " + std::string(Pick({"NAME", "F DESC", "L"}));
        std::string rest = random_() % 3 == 0 ? " WHERE C < " + std::to_string(random_() % 30) : "";
        rest += " ORDER BY " + order + (random_() % 4 == 0 ? " NOCASE" : "");
        rest += " TOP " + Pick({"0", "1", "5", "17", "60", "1000"});
        if (random_() % 4 == 0) rest += " LANGUAGE 'Portuguese (Brazilian)'";
        ExpectAsGeneral(Pick({"ID, G, C, NAME, F, D, L", "NAME, D, L, G, C, F, ID, C * 2 + G"}), rest);
    }
    EXPECT_GT(nonEmpty_, StatementCount / 2);
}

TEST_F(SelectChosenRowsTest, DistinctFromAnIndexsKeysIsTheSortedDistinctRows) {
    for (const char* columns : {"G", "NAME", "G, NAME", "D", "L", "C", "NAME, G", "G, C"})
        for (const char* rest : {"", " TOP 0", " TOP 3", " TOP 1000", " ORDER BY 1 DESC", " ORDER BY 1",
                                 " WHERE C > 10", " LANGUAGE 'Portuguese (Brazilian)'"})
            ExpectAsGeneral(std::string("DISTINCT ") + columns, rest);
}

// A statement's row limit, a run that reports progress and a second run of the same statement keep to
// what the general way gives.
TEST_F(SelectChosenRowsTest, RowLimitsProgressAndRepeatedRunsGiveTheGeneralRows) {
    EXPECT_EQ(Run("SELECT DISTINCT G FROM T", 10), Run("SELECT DISTINCT G INTO LIM1 FROM T", 10));
    EXPECT_EQ(Run("SELECT ID, C FROM T ORDER BY C DESC TOP 5", 30),
              Run("SELECT ID, C INTO LIM2 FROM T ORDER BY C DESC TOP 5", 30));
    TQueryStatement statement(*database_);
    int reports = 0;
    statement.SetProgressHandler([&](TQueryStatement&, uint16_t, bool&) { ++reports; });
    statement.Prepare("SELECT DISTINCT NAME FROM T");
    TRows first = CursorRows(*statement.Execute({}, false), 1);
    EXPECT_GT(reports, 0);
    TRows second = CursorRows(*statement.Execute({}, false), 1);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, Run("SELECT DISTINCT NAME INTO AGAIN FROM T"));
}

// A string key ending in blanks (which another program may have written) is no value the result keeps:
// the statement reads the rows the general way, which trims them.
TEST_F(SelectChosenRowsTest, AStringKeyEndingInBlanksReadsTheGeneralWay) {
    AddTable({"W", {{"ID", dtInteger}, {"S", dtString, 5}}, {{"1", "ab"}, {"2", "b"}}, {"ID"}, {{"S"}}});
    {
        TDataCursor cursor(*database_);
        cursor.SetTableName("W");
        cursor.OpenCursor();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        cursor.InitEmptyRecord(image);
        int32_t id = 3;
        cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
        cursor.PutField(2, image, reinterpret_cast<const uint8_t*>("a"));
        TFieldDescriptor field;
        cursor.GetTableFieldDesc(2, field);
        std::memcpy(&image[field.Offset() + 1], "ab ", 3); // as written by another program
        cursor.Table().AppendRecord(image);
    }
    EXPECT_EQ(Run("SELECT DISTINCT S FROM W"), (TRows{"ab", "b"}));
    EXPECT_EQ(Run("SELECT DISTINCT S FROM W"), Run("SELECT DISTINCT S INTO W2 FROM W"));
}

} // namespace
} // namespace vorsam::test
