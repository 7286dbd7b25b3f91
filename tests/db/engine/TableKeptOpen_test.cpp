// A table kept open between the uses of its database: while idle it holds nothing another process or
// session would meet, and its next open sees whatever was done to it meanwhile, as a fresh session does.
#include "CursorTestSupport.h"

#include "WorkerProcess.h"

#include "db/lib/DataTypes.h"

#include <map>
#include <set>

namespace vorsam::test {
namespace {

using TRows = std::map<int32_t, int32_t>;

class TableKeptOpenTest : public ::testing::Test {
protected:
    TableKeptOpenTest() : database_(session_.OpenDataDirectory("", dir_.Path())) {
        TDataCursor cursor(database_);
        cursor.SetTableName("SHARED");
        cursor.CreateTable(TableArgs({{"KEY", dtInteger}, {"VALUE", dtInteger}}, {1}));
        for (int32_t key = 1; key <= 5; ++key) Append(key, false);
    }

    // Appends the row (key, 10 * key) through a cursor opened for it.
    void Append(int32_t key, bool readOnly) {
        TDataCursor cursor(database_);
        cursor.SetTableName("SHARED");
        cursor.SetReadOnly(readOnly);
        cursor.OpenCursor();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        int32_t value = 10 * key;
        cursor.InitEmptyRecord(image);
        cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&key));
        cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(&value));
        cursor.AppendRecord(image);
    }

    // The rows through a cursor of the database, closed again (the table then kept); its field count.
    static TRows Read(TDataDirectory& database, uint16_t* fieldCount = nullptr, bool readOnly = true) {
        TDataCursor cursor(database);
        cursor.SetTableName("SHARED");
        cursor.SetReadOnly(readOnly);
        cursor.OpenCursor();
        if (fieldCount) *fieldCount = cursor.GetFieldCount();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        TRows rows;
        for (cursor.SetToBegin(); cursor.GetNextRecord(image) == 0;) {
            int32_t values[2] = {};
            bool null = true;
            for (uint16_t field : {1, 2})
                cursor.GetField(field, image, null, reinterpret_cast<uint8_t*>(&values[field - 1]));
            rows[values[0]] = values[1];
        }
        return rows;
    }
    // What a session that never saw the table reads.
    TRows ReadAfresh(uint16_t* fieldCount = nullptr) {
        TDataSession fresh;
        TDataDirectory& database = fresh.OpenDataDirectory("", dir_.Path());
        TRows rows = Read(database, fieldCount);
        fresh.CloseDataDirectory(database);
        return rows;
    }
    bool Kept() const {
        TSharedTable* table = database_.FindTable("SHARED", false);
        return table && table->Kept();
    }

    TTempDir dir_;
    TDataSession session_;
    TDataDirectory& database_;
};

// Each case acts on the kept table from another process (or another session of this one) while it is idle;
// the kept table then reads what a fresh session reads.
TEST_F(TableKeptOpenTest, AnotherUserMayOpenItExclusivelyChangeOrReplaceItWhileIdleAndTheNextOpenSeesThat) {
    const std::string folder = dir_.Path();
    const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
        {"written", {"topen " + folder + " SHARED", "tput 1 11", "tdelete 2", "tput 9 90", "tclose"}},
        {"opened exclusively and written", {"topen " + folder + " SHARED exclusive", "tput 3 33", "tclose"}},
        {"restructured", {"xrestructure " + folder + " SHARED 1"}},
        {"written after the restructure", {"topen " + folder + " SHARED exclusive", "tput 4 44", "tclose"}},
    };
    for (const auto& [name, commands] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Read(database_), ReadAfresh());
        ASSERT_TRUE(Kept());
        worker::TWorkerProcess worker;
        for (const std::string& command : commands) worker.SendOk(command);
        uint16_t fields = 0, freshFields = 0;
        TRows kept = Read(database_, &fields); // first: a fresh open in this process would detach its files
        EXPECT_EQ(kept, ReadAfresh(&freshFields));
        EXPECT_EQ(fields, freshFields);
    }
    EXPECT_EQ(ReadAfresh(), (TRows{{1, 11}, {3, 33}, {4, 44}, {5, 50}, {9, 90}}));
}

// This session deletes the kept table and makes another of the name; another session of this process
// deletes that one, after opening it exclusively; another process deletes the files of a third.
TEST_F(TableKeptOpenTest, ATableDeletedWhileKeptIsNotFoundAndOneMadeAnewIsRead) {
    auto deleteAndCreate = [](TDataDirectory& database, bool exclusiveFirst, uint16_t fields) {
        TDataCursor cursor(database);
        cursor.SetTableName("SHARED");
        cursor.SetExclusive(exclusiveFirst);
        cursor.OpenCursor();
        cursor.CloseCursor();
        cursor.DeleteTable();
        std::vector<TFieldSpec> specs = {{"KEY", dtInteger}, {"VALUE", dtInteger}, {"MORE", dtInteger}};
        specs.resize(fields);
        cursor.CreateTable(TableArgs(specs, {1}));
    };
    deleteAndCreate(database_, false, 3);
    uint16_t fields = 0;
    EXPECT_EQ(Read(database_, &fields), TRows{});
    EXPECT_EQ(fields, 3);
    ASSERT_TRUE(Kept());
    TDataSession other;
    TDataDirectory& database = other.OpenDataDirectory("", dir_.Path());
    deleteAndCreate(database, true, 2);
    other.CloseDataDirectory(database);
    EXPECT_EQ(Read(database_, &fields), TRows{});
    EXPECT_EQ(fields, 2);
    EXPECT_ANY_THROW(Append(7, true)) << "a table kept after a read-only use, resumed for another";
    Append(7, false);
    EXPECT_EQ(Read(database_), (TRows{{7, 70}}));
    worker::TWorkerProcess worker;
    for (const char* extension : {".DAT", ".IDX"})
        worker.SendOk("delete " + dir_.File(std::string("SHARED") + extension));
    EXPECT_ANY_THROW(Read(database_));
    EXPECT_FALSE(Kept());
}

// Another process, the table locked whole, is killed at each write of the lock's end in turn: the kept
// table's next open holds the rows from before that write or those after it (completed from the
// journal), as a fresh session does, and both are seen.
TEST_F(TableKeptOpenTest, AWriterKilledWhileTheTableIsKeptIsCompletedOrUndoneAtItsNextOpen) {
    std::set<bool> completed;
    for (int n = 1; n < 100; ++n) {
        SCOPED_TRACE("killed at write " + std::to_string(n));
        TRows before = Read(database_), after = before;
        after[1] = after[100 + n] = n;
        worker::TWorkerProcess worker;
        for (std::string command :
             {"topen " + dir_.Path() + " SHARED", std::string("tbegin whole"), "tput 1 " + std::to_string(n),
              "tput " + std::to_string(100 + n) + " " + std::to_string(n)})
            worker.SendOk(command);
        worker.SendOk("tstopatwrite " + std::to_string(n));
        bool ended = worker.Send("tend whole") == "ok";
        worker.Kill();
        TRows kept = Read(database_, nullptr, false); // a table opened read-only cannot complete a write
        EXPECT_TRUE(kept == before || kept == after);
        EXPECT_EQ(kept, ReadAfresh());
        completed.insert(kept == after);
        if (ended) break;
    }
    EXPECT_EQ(completed.size(), 2u);
}

} // namespace
} // namespace vorsam::test
