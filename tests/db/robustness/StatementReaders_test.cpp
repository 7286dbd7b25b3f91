// A second process reads while one statement changes many rows of a table with an index on a text
// field: every read sees the table at a commit boundary of the statement's intervals, never inside
// one; with COMMIT INTERVAL n the rows changed are a multiple of n, with the intervals its change budget
// measures they are the first ones in record order (UPDATE); INSERT ... SELECT copies the first rows
// of its source in record order, DELETE takes the first in key order.
#include "db/lib/TestSupport.h"

#include "WorkerProcess.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/engine/TableVerify.h"
#include "db/sql/QueryStatement.h"

#include <algorithm>
#include <iostream>
#include <numeric>
#include <random>

namespace vorsam::test {
namespace {

constexpr int32_t Rows = 60000;

struct TReaderCase {
    const char* Sql;
    size_t Interval;  // 0: measured by the budget
    bool RecordOrder; // the rows changed are the first of T in record order, else in key order
};
const TReaderCase ReaderCases[] = {
    {"UPDATE T SET V = V + 1, NAME = 'x' || NAME COMMIT INTERVAL 700", 700, false},
    {"UPDATE T SET V = V + 1, NAME = 'x' || NAME", 0, true},
    {"DELETE FROM T WHERE ID > 0 COMMIT INTERVAL 700", 700, false},
    {"DELETE FROM T WHERE ID > 0", 0, false},
    {"INSERT INTO T2 SELECT * FROM T COMMIT INTERVAL 700", 700, true},
    {"INSERT INTO T2 SELECT * FROM T", 0, true},
};

class StatementReadersTest : public ::testing::Test {
protected:
    void Make() {
        TDataSession session;
        TDataDirectory& directory = session.OpenDataDirectory("", dir_.Path());
        for (const char* sql : {"DROP TABLE IF EXISTS T", "DROP TABLE IF EXISTS T2",
                                "CREATE TABLE T (ID INTEGER, NAME CHAR(12), V INTEGER, PRIMARY KEY (ID))",
                                "CREATE INDEX TNAME ON T (NAME)",
                                "CREATE TABLE T2 (ID INTEGER, NAME CHAR(12), V INTEGER, PRIMARY KEY (ID))",
                                "CREATE INDEX T2NAME ON T2 (NAME)"}) {
            TQueryStatement statement(directory);
            statement.Prepare(sql);
            statement.Execute({}, false);
        }
        std::vector<int32_t> ids(Rows);
        std::iota(ids.begin(), ids.end(), 1);
        std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
        TDataCursor cursor(directory);
        cursor.SetTableName("T");
        cursor.OpenCursor();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        cursor.Table().LockTable();
        for (int32_t id : ids) {
            std::string name = "n" + std::to_string(id * 7919 % Rows);
            int32_t v = 0;
            cursor.InitEmptyRecord(image);
            cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
            cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(name.c_str()));
            cursor.PutField(3, image, reinterpret_cast<const uint8_t*>(&v));
            cursor.AppendRecord(image);
        }
        cursor.Table().UnlockTable();
        cursor.CloseCursor();
        session.CloseDataDirectory(directory);
    }

    // Whether the table as read is at a boundary of the statement's intervals: for each row in the order
    // the statement takes them, whether it is changed; those changed come first. The count changed, or -1
    // when the read fell inside an interval.
    static long Boundary(TDataDirectory& directory, const TReaderCase& c) {
        std::vector<std::pair<int32_t, bool>> changed; // ID, changed, in the order the statement goes
        for (const char* table : {"T", "T2"}) {
            TDataCursor cursor(directory);
            cursor.SetTableName(table);
            cursor.OpenCursor();
            EXPECT_TRUE(VerifyTable(cursor.Table()).Ok()) << table;
            if (c.RecordOrder && std::string(table) == "T") cursor.SetIndexNumber(RecordOrderIndex);
            std::vector<uint8_t> image(cursor.GetRecordSize());
            for (cursor.SetToBegin(); cursor.GetNextRecord(image) == 0;) {
                int32_t id = 0, v = 0;
                bool isNull = false;
                cursor.GetField(1, image, isNull, reinterpret_cast<uint8_t*>(&id));
                cursor.GetField(3, image, isNull, reinterpret_cast<uint8_t*>(&v));
                changed.emplace_back(id, std::string(table) == "T" ? v == 1 : true);
            }
        }
        std::string sql = c.Sql;
        size_t count = 0;
        if (sql.starts_with("UPDATE")) {
            for (size_t i = 0; i < changed.size(); ++i) {
                if (changed[i].second && count < i) return -1;
                count += changed[i].second;
            }
            return long(count);
        }
        // DELETE: the rows left are the last IDs; INSERT: T2 holds the first IDs (T's rows all there).
        std::vector<int32_t> left;
        for (auto [id, _] : changed) left.push_back(id);
        if (sql.starts_with("DELETE")) {
            for (size_t i = 0; i < left.size(); ++i)
                if (left[i] != int32_t(Rows - left.size() + 1 + i)) return -1;
            return long(Rows - left.size());
        }
        if (left.size() < size_t(Rows)) return -1;
        std::vector<int32_t> first(left.begin(), left.begin() + (left.size() - Rows)),
            copied(left.begin() + Rows, left.end());
        std::sort(first.begin(), first.end());
        return first == copied ? long(copied.size()) : -1;
    }

    TTempDir dir_;
};

TEST_F(StatementReadersTest, AReaderSeesEachTableAtCommitBoundariesOnly) {
    for (const TReaderCase& c : ReaderCases) {
        SCOPED_TRACE(c.Sql);
        Make();
        worker::TWorkerProcess writer;
        writer.Post("csql " + dir_.Path() + " 4096 " + c.Sql);
        TDataSession session;
        TDataDirectory& directory = session.OpenDataDirectory("", dir_.Path());
        int reads = 0, between = 0, refused = 0;
        bool done = false;
        while (!done && !HasFailure()) {
            done = writer.HasAnswer(0); // one more read after the statement's end
            try {
                long count = Boundary(directory, c);
                EXPECT_NE(count, -1) << "a read inside an interval, after " << reads << " reads";
                if (c.Interval && count % long(c.Interval) != 0) EXPECT_EQ(count, Rows) << "not a whole interval";
                between += count > 0 && count < Rows;
                ++reads;
            } catch (const EVORSAMEngineError&) {
                ++refused; // a lock not had in time: read again
            }
        }
        EXPECT_EQ(writer.Receive().rfind("ok", 0), 0u);
        EXPECT_EQ(Boundary(directory, c), Rows);
        session.CloseDataDirectory(directory);
        std::cout << c.Sql << ": " << reads << " reads, " << between << " between intervals, " << refused << " refused" << std::endl;
    }
}

} // namespace
} // namespace vorsam::test
