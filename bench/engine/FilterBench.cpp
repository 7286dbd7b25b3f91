// Filtered scans through the cursor's filters beside SQLite in the same run: 10^5 rows of a unique
// 32-bit key K, a code C (K mod 1,000) with an index of its own, and a float F, appended in key order.
//   equal    the rows of one code (100 rows, scattered over the table), F summed
//   tenth    the rows of 100 consecutive codes (10^4 rows, runs of 100 every 1,000)
// each with the index range (ours: the filter "C = v" that the index on C serves; SQLite: WHERE c = ?
// with the index on c) and without it (ours: "C + 0 = v", which no index serves, so every record is
// judged; SQLite: WHERE +c = ?, which keeps it from the index). Ours reads in the primary index's order
// (the range's records gathered from the index on C first) or in the order of the index on C (the range
// walked in place). The filter's condition is replaced for every iteration (SetFilterRecords), as a
// join does for each outer row. Caches hold the whole table on both sides; one read level (ours) or
// one transaction (SQLite) per iteration; sums and counts are checked.
//   updated  the tenth read through the index range and each row written back unchanged as it is read
//            (ours under one whole-table lock; SQLite: UPDATE ... SET f = f ... RETURNING f)
#include "BenchSupport.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionParser.h"
#include "db/lib/LibraryGlobals.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <string>

namespace {

using namespace vorsam;
using namespace vorsam::bench;

constexpr int32_t RowCount = 100000, Codes = 1000;

double ValueOf(int32_t key) {
    return double(key % 977) / 8.0;
}

// The expected count and sum of F over the codes from .. to.
std::pair<int64_t, double> Expected(int32_t from, int32_t to) {
    int64_t rows = 0;
    double sum = 0;
    for (int32_t key = 0; key < RowCount; ++key)
        if (key % Codes >= from && key % Codes <= to) {
            ++rows;
            sum += ValueOf(key);
        }
    return {rows, sum};
}

class TOurTable {
public:
    TOurTable() {
        InitializeLibraryGlobals();
        session_.SetBufferSizes(WholeTableCaches());
        directory_ = &session_.OpenDataDirectory("", ScratchFolder());
        cursor_ = std::make_unique<TDataCursor>(*directory_);
        cursor_->SetTableName("filtered");
        TCreateTableArgs args;
        for (auto [name, type] :
             {std::pair{"K", dtInteger}, std::pair{"C", dtInteger}, std::pair{"F", dtFloat}}) {
            TFieldDescriptor field;
            field.SetName(name);
            field.SetDataType(type);
            args.Fields.push_back(field);
        }
        for (uint16_t fieldNumber : {uint16_t(1), uint16_t(2)}) {
            TIndexDescriptor index;
            index.SetName(fieldNumber == 1 ? "" : "ByCode");
            index.SetUnique(fieldNumber == 1);
            index.SetFieldCount(1);
            index.SetFieldNumber(0, fieldNumber);
            args.Indexes.push_back(index);
        }
        args.SecondaryCount = 1;
        cursor_->CreateTable(args);
        cursor_->OpenCursor();
        image_.resize(cursor_->GetRecordSize());
        cursor_->Table().LockTable();
        for (int32_t key = 0; key < RowCount; ++key) {
            int32_t code = key % Codes;
            double value = ValueOf(key);
            cursor_->InitEmptyRecord(image_);
            cursor_->PutField(1, image_, reinterpret_cast<const uint8_t*>(&key));
            cursor_->PutField(2, image_, reinterpret_cast<const uint8_t*>(&code));
            cursor_->PutField(3, image_, reinterpret_cast<const uint8_t*>(&value));
            cursor_->AppendRecord(image_);
        }
        cursor_->Table().UnlockTable();
    }
    ~TOurTable() {
        cursor_->CloseCursor();
        cursor_->DeleteTable();
    }

    // Rows and the sum of F through the filter's condition, in the order of the index; with `update`
    // each row is also written back (unchanged) as it is read, under one whole-table lock.
    std::pair<int64_t, double> Sum(uint8_t index, const std::string& condition, bool update) {
        if (cursor_->IndexNumber() != index) cursor_->SetIndexNumber(index);
        TExpTree tree = parser_.ParseExpressionText(condition, epExtendedPredicates);
        if (filter_ == 0) {
            filter_ = cursor_->AddFilter(*tree);
            cursor_->ActivateFilter(filter_);
        } else {
            cursor_->SetFilterRecords(filter_, *tree);
        }
        std::pair<int64_t, double> result{0, 0.0};
        bool isNull = false;
        double value = 0;
        if (update)
            cursor_->Table().LockTable();
        else
            cursor_->BeginRead();
        for (cursor_->SetToBegin(); cursor_->GetNextRecord(image_) == 0;) {
            cursor_->GetField(3, image_, isNull, reinterpret_cast<uint8_t*>(&value));
            ++result.first;
            result.second += value;
            if (!update) continue;
            cursor_->GetCurrentRecord(image_, true);
            cursor_->ModifyRecord(image_);
        }
        if (update)
            cursor_->Table().UnlockTable();
        else
            cursor_->EndRead();
        return result;
    }

private:
    TDataSession session_;
    TDataDirectory* directory_ = nullptr;
    std::unique_ptr<TDataCursor> cursor_;
    std::vector<uint8_t> image_;
    TExpressionParser parser_;
    uint32_t filter_ = 0;
};

class TSqliteTable {
public:
    TSqliteTable() : db_("filtered") {
        db_.Exec("CREATE TABLE t(k INTEGER PRIMARY KEY, c INTEGER, f REAL)");
        db_.Exec("CREATE INDEX bycode ON t(c)");
        db_.Exec("BEGIN");
        sqlite3_stmt* insert = db_.Prepare("INSERT INTO t VALUES(?, ?, ?)");
        for (int32_t key = 0; key < RowCount; ++key) {
            sqlite3_bind_int(insert, 1, key);
            sqlite3_bind_int(insert, 2, key % Codes);
            sqlite3_bind_double(insert, 3, ValueOf(key));
            db_.Step(insert);
        }
        db_.Exec("COMMIT");
        db_.Exec("ANALYZE");
        indexed_ = db_.Prepare("SELECT f FROM t WHERE c BETWEEN ? AND ?");
        scanned_ = db_.Prepare("SELECT f FROM t WHERE +c BETWEEN ? AND ?");
        updated_ = db_.Prepare("UPDATE t SET f = f WHERE c BETWEEN ? AND ? RETURNING f");
    }

    std::pair<int64_t, double> Sum(bool indexed, int32_t from, int32_t to, bool update) {
        sqlite3_stmt* statement = update ? updated_ : indexed ? indexed_ : scanned_;
        sqlite3_bind_int(statement, 1, from);
        sqlite3_bind_int(statement, 2, to);
        std::pair<int64_t, double> result{0, 0.0};
        db_.Exec("BEGIN");
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ++result.first;
            result.second += sqlite3_column_double(statement, 0);
        }
        sqlite3_reset(statement);
        db_.Exec("COMMIT");
        return result;
    }

private:
    TSqliteFile db_;
    sqlite3_stmt *indexed_ = nullptr, *scanned_ = nullptr, *updated_ = nullptr;
};

TOurTable& Ours() {
    static TOurTable table;
    return table;
}

TSqliteTable& Sqlite() {
    static TSqliteTable table;
    return table;
}

// The filter of one iteration: codes from .. to, as the condition text ours reads.
std::string Condition(int32_t from, int32_t to, bool served) {
    std::string column = served ? "C" : "C + 0";
    if (from == to) return column + " = " + std::to_string(from);
    return column + " >= " + std::to_string(from) + " AND " + column + " <= " + std::to_string(to);
}

enum TSide { OursPrimaryOrder, OursCodeOrder, SqliteSide };

void Filtered(benchmark::State& state, TSide side, bool served, int32_t width, bool update = false) {
    if (side == SqliteSide)
        Sqlite(); // built before the timing
    else
        Ours();
    std::mt19937 random(17);
    int64_t rows = 0;
    bool checked = false;
    for (auto _ : state) {
        int32_t from = int32_t(random() % uint32_t(Codes - width + 1)), to = from + width - 1;
        std::pair<int64_t, double> result = side == SqliteSide
                                                ? Sqlite().Sum(served, from, to, update)
                                                : Ours().Sum(side == OursPrimaryOrder ? PrimaryIndexSlot : 1,
                                                             Condition(from, to, served), update);
        rows += result.first;
        if (!checked) {
            std::pair<int64_t, double> expected = Expected(from, to);
            Check(result.first == expected.first, "a filtered scan counts the rows it should");
            Check(std::fabs(result.second - expected.second) < 1e-6 * std::max(1.0, expected.second),
                  "a filtered scan sums what it should");
            checked = true;
        }
    }
    state.SetItemsProcessed(rows);
}

void OursEqualServed(benchmark::State& s) {
    Filtered(s, OursPrimaryOrder, true, 1);
}
void OursEqualServedInCodeOrder(benchmark::State& s) {
    Filtered(s, OursCodeOrder, true, 1);
}
void OursEqualScanned(benchmark::State& s) {
    Filtered(s, OursPrimaryOrder, false, 1);
}
void SqliteEqualIndexed(benchmark::State& s) {
    Filtered(s, SqliteSide, true, 1);
}
void SqliteEqualScanned(benchmark::State& s) {
    Filtered(s, SqliteSide, false, 1);
}
void OursTenthServed(benchmark::State& s) {
    Filtered(s, OursPrimaryOrder, true, Codes / 10);
}
void OursTenthServedInCodeOrder(benchmark::State& s) {
    Filtered(s, OursCodeOrder, true, Codes / 10);
}
void OursTenthScanned(benchmark::State& s) {
    Filtered(s, OursPrimaryOrder, false, Codes / 10);
}
void SqliteTenthIndexed(benchmark::State& s) {
    Filtered(s, SqliteSide, true, Codes / 10);
}
void SqliteTenthScanned(benchmark::State& s) {
    Filtered(s, SqliteSide, false, Codes / 10);
}

void OursTenthUpdated(benchmark::State& s) {
    Filtered(s, OursPrimaryOrder, true, Codes / 10, true);
}
void OursTenthUpdatedInCodeOrder(benchmark::State& s) {
    Filtered(s, OursCodeOrder, true, Codes / 10, true);
}
void SqliteTenthUpdated(benchmark::State& s) {
    Filtered(s, SqliteSide, true, Codes / 10, true);
}

} // namespace

BENCHMARK(OursEqualServed)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursEqualServedInCodeOrder)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursEqualScanned)->Unit(benchmark::kMicrosecond);
BENCHMARK(SqliteEqualIndexed)->Unit(benchmark::kMicrosecond);
BENCHMARK(SqliteEqualScanned)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursTenthServed)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursTenthServedInCodeOrder)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursTenthScanned)->Unit(benchmark::kMicrosecond);
BENCHMARK(SqliteTenthIndexed)->Unit(benchmark::kMicrosecond);
BENCHMARK(SqliteTenthScanned)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursTenthUpdated)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursTenthUpdatedInCodeOrder)->Unit(benchmark::kMicrosecond);
BENCHMARK(SqliteTenthUpdated)->Unit(benchmark::kMicrosecond);
