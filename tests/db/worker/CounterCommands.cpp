// Worker commands on a counter table CNT (ID INTEGER key, V INTEGER), each a loop in a session of its own
// (locks tried for 6 s), through the cursor (engine) or SQL, answering at its end:
//   ccreate <folder> <rows>; cwrite <folder> engine|sql <n>: V of ID 1 up by 1 n times, a transaction each;
//   cread <folder> engine|sql <until>: SUM(V) until `until` (a minute at most) -> ok <sum> <times it fell>
#include "WorkerCommands.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/sql/QueryStatement.h"

#include <chrono>

namespace worker {

namespace {

using namespace vorsam;

struct TCounter {
    explicit TCounter(TWorkerArgs args) : database(session.OpenDataDirectory("", args.at(1))) {
        const_cast<EngineSettings&>(session.Settings()).LockTries = 2000; // the session sets none itself
        if (args.size() < 3 || args[2] != "engine") return;
        cursor.SetTableName("CNT");
        cursor.OpenCursor();
        image.resize(cursor.GetRecordSize());
    }
    // The first field of the first row of the statement's result (SUM of integers: a 64-bit integer).
    int64_t Sql(const std::string& sql) {
        TQueryStatement statement(database);
        statement.Prepare(sql);
        TDataCursor* result = statement.Execute({}, false);
        int64_t value = 0;
        std::vector<uint8_t> row(result ? result->GetRecordSize() : 0);
        if (result && (result->SetToBegin(), result->GetNextRecord(row) == 0))
            result->GetField(1, row, isNull, reinterpret_cast<uint8_t*>(&value));
        return value;
    }
    int32_t V() {
        int32_t value = 0;
        cursor.GetField(2, image, isNull, reinterpret_cast<uint8_t*>(&value));
        return value;
    }
    void Increment() { // ID 1 comes first in key order
        database.StartTransaction();
        cursor.SetToBegin();
        cursor.GetNextRecord(image);
        cursor.GetCurrentRecord(image, true);
        int32_t value = V() + 1;
        cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(&value));
        cursor.ModifyRecord(image);
        database.Commit(true, false);
    }
    int64_t Sum() {
        int64_t sum = 0;
        for (cursor.SetToBegin(); cursor.GetNextRecord(image) == 0;) sum += V();
        return sum;
    }

    TDataSession session;
    TDataDirectory& database;
    TDataCursor cursor{database};
    std::vector<uint8_t> image;
    bool isNull = true;
};

TWorkerCommandRegistrar createCommand("ccreate", [](TWorkerArgs args) {
    TCounter counter(args);
    counter.Sql("CREATE TABLE CNT (ID INTEGER, V INTEGER, PRIMARY KEY (ID))");
    for (uint64_t id = 1; id <= NumberArg(args, 2); ++id)
        counter.Sql("INSERT INTO CNT VALUES (" + std::to_string(id) + ", 0)");
    return Ok();
});

TWorkerCommandRegistrar writeCommand("cwrite", [](TWorkerArgs args) {
    TCounter counter(args);
    for (uint64_t i = 0; i < NumberArg(args, 3); ++i)
        args[2] == "sql" ? void(counter.Sql("UPDATE CNT SET V = V + 1 WHERE ID = 1")) : counter.Increment();
    return Ok();
});

TWorkerCommandRegistrar readCommand("cread", [](TWorkerArgs args) {
    TCounter counter(args);
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int64_t sum = 0, last = 0, decreases = 0;
    while (sum < int64_t(NumberArg(args, 3)) && std::chrono::steady_clock::now() < end) {
        sum = args[2] == "sql" ? counter.Sql("SELECT SUM(V) FROM CNT") : counter.Sum();
        decreases += sum < last;
        last = sum;
    }
    return Ok(std::to_string(sum) + " " + std::to_string(decreases));
});

} // namespace

} // namespace worker
