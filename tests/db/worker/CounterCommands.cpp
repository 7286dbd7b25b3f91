// Worker commands for several writers and readers of one counter table CNT (ID INTEGER, the primary
// key, and V INTEGER) in a folder, through the cursor or through SQL. Each command opens the folder's
// database in a session of its own, runs its loop and answers once at the end:
//   ccreate <folder> <rows>                   makes CNT with the rows (1, 0), (2, 0) .. (rows, 0)
//   cwrite <folder> engine|sql <n> [tries=<t>] adds 1 to V of ID 1, n times, each in a transaction of
//                                             its own (the cursor: found by key, locked, modified; SQL:
//                                             UPDATE CNT SET V = V + 1 WHERE ID = 1)          -> ok
//   cread <folder> engine|sql <until> [tries=<t>]  reads SUM(V) (the cursor: a walk of the table) until it
//                                             reaches `until` (for a minute at most, so that a test whose
//                                             writers failed ends)
//                                             -> ok <reads> <last sum> <times the sum went down>
#include "WorkerCommands.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"

#include <chrono>
#include <stdexcept>

namespace worker {

namespace {

using namespace vorsam;

constexpr std::chrono::minutes MaxReading{1};

struct TCounterDatabase {
    explicit TCounterDatabase(TWorkerArgs args) {
        // The session sets no try count of its own: the test's bound goes into its settings directly.
        auto& settings = const_cast<EngineSettings&>(session.Settings());
        settings.LockTries = uint32_t(OptionArg(args, "tries", settings.LockTries));
        database = &session.OpenDataDirectory("", args.at(1));
    }
    void Run(const std::string& sql) {
        TQueryStatement statement(*database);
        statement.Prepare(sql);
        statement.Execute({}, false);
    }
    // The first field of the first row of the query, as an integer.
    int64_t Value(const std::string& sql) {
        TQueryStatement statement(*database);
        statement.Prepare(sql);
        TDataCursor* result = statement.Execute({}, false);
        if (result == nullptr) throw std::runtime_error("no result");
        std::vector<uint8_t> image(result->GetRecordSize());
        result->SetToBegin();
        if (result->GetNextRecord(image) != 0) throw std::runtime_error("no row");
        TFieldDescriptor field;
        result->GetFieldDesc(1, field);
        bool isNull = true;
        if (field.DataType() == dtFloat) {
            double value = 0;
            result->GetField(1, image, isNull, reinterpret_cast<uint8_t*>(&value));
            return int64_t(value);
        }
        if (field.DataType() == dtLargeInt) {
            int64_t value = 0;
            result->GetField(1, image, isNull, reinterpret_cast<uint8_t*>(&value));
            return value;
        }
        int32_t value = 0;
        result->GetField(1, image, isNull, reinterpret_cast<uint8_t*>(&value));
        return value;
    }

    TDataSession session;
    TDataDirectory* database = nullptr;
};

bool BySql(TWorkerArgs args) {
    if (args.at(2) != "engine" && args.at(2) != "sql") throw std::invalid_argument("engine or sql");
    return args.at(2) == "sql";
}

// One increment through the cursor, in a transaction of its own.
void IncrementByCursor(TDataDirectory& database, TDataCursor& cursor, std::vector<uint8_t>& image) {
    int32_t id = 1, value = 0;
    bool isNull = true;
    database.StartTransaction();
    try {
        cursor.InitEmptyRecord(image);
        cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
        if (!cursor.Find(false, image.data(), 1, 0, false)) throw std::runtime_error("no row 1");
        cursor.GetCurrentRecord(image, true);
        cursor.GetField(2, image, isNull, reinterpret_cast<uint8_t*>(&value));
        ++value;
        cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(&value));
        cursor.ModifyRecord(image);
        database.Commit(true, false);
    } catch (...) {
        cursor.CancelRecord();
        if (database.InTransaction()) database.Rollback();
        throw;
    }
}

int64_t SumByCursor(TDataCursor& cursor, std::vector<uint8_t>& image) {
    int64_t sum = 0;
    cursor.SetToBegin();
    while (cursor.GetNextRecord(image) == 0) {
        int32_t value = 0;
        bool isNull = true;
        cursor.GetField(2, image, isNull, reinterpret_cast<uint8_t*>(&value));
        sum += value;
    }
    return sum;
}

std::string Write(TWorkerArgs args) {
    TCounterDatabase counter(args);
    uint64_t count = NumberArg(args, 3);
    if (BySql(args)) {
        for (uint64_t i = 0; i < count; ++i) counter.Run("UPDATE CNT SET V = V + 1 WHERE ID = 1");
        return Ok();
    }
    TDataCursor cursor(*counter.database);
    cursor.SetTableName("CNT");
    cursor.OpenCursor();
    std::vector<uint8_t> image(cursor.GetRecordSize());
    for (uint64_t i = 0; i < count; ++i) IncrementByCursor(*counter.database, cursor, image);
    return Ok();
}

std::string Read(TWorkerArgs args) {
    TCounterDatabase counter(args);
    auto until = int64_t(NumberArg(args, 3));
    bool bySql = BySql(args);
    TDataCursor cursor(*counter.database);
    std::vector<uint8_t> image;
    if (!bySql) {
        cursor.SetTableName("CNT");
        cursor.OpenCursor();
        image.resize(cursor.GetRecordSize());
    }
    int64_t sum = 0, last = 0;
    uint64_t reads = 0, decreases = 0;
    const auto end = std::chrono::steady_clock::now() + MaxReading;
    while (sum < until && std::chrono::steady_clock::now() < end) {
        sum = bySql ? counter.Value("SELECT SUM(V) FROM CNT") : SumByCursor(cursor, image);
        decreases += sum < last;
        last = sum;
        ++reads;
    }
    return Ok(std::to_string(reads) + " " + std::to_string(sum) + " " + std::to_string(decreases));
}

TWorkerCommandRegistrar createCommand("ccreate", [](TWorkerArgs args) {
    TCounterDatabase counter(args);
    counter.Run("CREATE TABLE CNT (ID INTEGER, V INTEGER, PRIMARY KEY (ID))");
    for (uint64_t id = 1; id <= NumberArg(args, 2); ++id)
        counter.Run("INSERT INTO CNT VALUES (" + std::to_string(id) + ", 0)");
    return Ok();
});
TWorkerCommandRegistrar writeCommand("cwrite", Write);
TWorkerCommandRegistrar readCommand("cread", Read);

} // namespace

} // namespace worker
