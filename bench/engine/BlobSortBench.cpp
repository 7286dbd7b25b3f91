// Blob values and in-place sorting of the table files, each beside SQLite doing the same work in the same
// run: replacing and reading back one blob of 1 KiB, 64 KiB and 1 MiB (blob file with its default 32 KiB
// cache and with SQLite's default 2 MiB, against an UPDATE and a SELECT of a BLOB column, synchronous
// writes off on both sides), and sorting
// 10^5 records of (integer, integer, 30-character string) by one integer (SortRecords in memory with a
// cache that holds the table, and through run files with the default 16 KiB cache, against SQLite
// writing the sorted rows into a second table).
#include "BenchOwner.h"

#include "db/engine/BlobBuffer.h"
#include "db/engine/BlobFile.h"
#include "db/engine/DataFile.h"
#include "db/lib/DataTypes.h"
#include "db/lib/LibraryGlobals.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

using namespace vorsam;
using bench::TBenchOwner;

constexpr uint32_t SortRows = 100000;

struct TGlobals {
    TGlobals() { InitializeLibraryGlobals(); }
} Globals;

std::string ScratchFile(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("dbengine-bench-" + name)).string();
}

sqlite3* OpenSqlite(const std::string& name) {
    std::filesystem::remove(name);
    sqlite3* db = nullptr;
    sqlite3_open(name.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
    return db;
}

// Argument 1: the blob's size; argument 2: the block cache in bytes (0: the default 32 KiB).
void BlobReplaceAndRead(benchmark::State& state) {
    TBenchOwner owner;
    if (state.range(1) != 0) owner.Config.BlobBufferSize = uint32_t(state.range(1));
    TBlobFile file(owner);
    file.SetFileName(ScratchFile("blob.blb"));
    file.CreateFile();
    std::vector<uint8_t> value(size_t(state.range(0)), 0x5A);
    uint32_t first = 0, sequence = 0;
    for (auto _ : state) {
        TBlobBuffer blob(file, 1, 1, first, sequence);
        blob.SetSize(value.size());
        std::copy(value.begin(), value.end(), blob.GetData().begin());
        blob.SetSequence(++sequence);
        blob.SaveBlob();
        first = blob.FirstBlock();
        file.FlushBlocks();
        file.WriteHeader();
        TBlobBuffer reader(file, 1, 1, first, sequence);
        reader.ReadBlob(nullptr);
        benchmark::DoNotOptimize(reader.GetData().data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 2 * state.range(0));
    file.DeleteFile();
}
BENCHMARK(BlobReplaceAndRead)->ArgsProduct({{1024, 65536, 1 << 20}, {0, 2 << 20}});

void PeerSqliteBlobReplaceAndRead(benchmark::State& state) {
    std::string name = ScratchFile("blob.sqlite");
    sqlite3* db = OpenSqlite(name);
    sqlite3_exec(db, "CREATE TABLE t(id INTEGER PRIMARY KEY, b BLOB); INSERT INTO t VALUES(1, x'');", nullptr,
                 nullptr, nullptr);
    sqlite3_stmt *update, *select;
    sqlite3_prepare_v2(db, "UPDATE t SET b = ? WHERE id = 1", -1, &update, nullptr);
    sqlite3_prepare_v2(db, "SELECT b FROM t WHERE id = 1", -1, &select, nullptr);
    std::vector<uint8_t> value(size_t(state.range(0)), 0x5A);
    for (auto _ : state) {
        sqlite3_bind_blob(update, 1, value.data(), int(value.size()), SQLITE_STATIC);
        sqlite3_step(update);
        sqlite3_reset(update);
        sqlite3_step(select);
        benchmark::DoNotOptimize(sqlite3_column_blob(select, 0));
        sqlite3_reset(select);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 2 * state.range(0));
    sqlite3_finalize(update);
    sqlite3_finalize(select);
    sqlite3_close(db);
    std::filesystem::remove(name);
}
BENCHMARK(PeerSqliteBlobReplaceAndRead)->Arg(1024)->Arg(65536)->Arg(1 << 20);

// (A integer at 9, B integer at 14, NAME string(30) at 19): record size 50.
std::vector<TFieldDescriptor> SortFields() {
    std::vector<TFieldDescriptor> fields(3);
    const char* names[] = {"A", "B", "NAME"};
    uint8_t types[] = {dtInteger, dtInteger, dtString};
    uint16_t offset = 9;
    for (size_t i = 0; i < 3; ++i) {
        fields[i].SetFieldNumber(uint16_t(i + 1));
        fields[i].SetName(names[i]);
        fields[i].SetDataType(types[i]);
        fields[i].SetDeclaredSize(types[i] == dtString ? 30 : 0);
        GetFieldPhysicalSize(fields[i]);
        fields[i].SetOffset(offset);
        offset = uint16_t(offset + fields[i].PhysicalSize() + 1);
    }
    return fields;
}

// Sorts alternately by A and by B, two independent random integers, so every sort reorders the table.
void SortRecordsInPlace(benchmark::State& state, bool inMemory) {
    TBenchOwner owner;
    if (inMemory) { // the cache holds the whole table
        owner.Config.BufferSize = 64 << 20;
        owner.Config.RecordCacheLimit = SortRows;
    }
    owner.Config.PrivateDirectory = std::filesystem::temp_directory_path().string();
    TDataFile file(owner);
    file.SetFileName(ScratchFile("sort.dat"));
    std::vector<TFieldDescriptor> fields = SortFields();
    file.CreateHeader(0, 0, fields, 512, {}, {}, false, 0, 0);
    std::mt19937 random(1);
    for (uint32_t n = 0; n < SortRows; ++n) {
        TRecord* record = file.AllocateRecord(nullptr);
        record->Clear(true);
        auto image = record->Image();
        image[9] = image[14] = image[19] = 1;
        StoreNative<int32_t>(&image[10], int32_t(random()));
        StoreNative<int32_t>(&image[15], int32_t(random()));
        std::snprintf(reinterpret_cast<char*>(&image[20]), 31, "name %u", unsigned(random()));
        record->SetModified();
        file.ReleaseRecord(*record);
    }
    file.FlushRecords();
    file.WriteHeader();
    file.WriteFieldDescriptors();
    TSortRequest byA, byB;
    byA.Fields = {fields[0]};
    byB.Fields = {fields[1]};
    bool a = true;
    for (auto _ : state) {
        if (inMemory) { // sorting empties the cache: fill it again, untimed
            state.PauseTiming();
            for (uint32_t n = 1; n <= SortRows; ++n) file.ReleaseRecord(*file.GetRecord(nullptr, n));
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(file.SortRecords(a ? byA : byB));
        a = !a;
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * SortRows);
    file.Close();
    file.DeleteFile();
}
BENCHMARK_CAPTURE(SortRecordsInPlace, InMemory, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortRecordsInPlace, RunFiles, false)->Unit(benchmark::kMillisecond);

void PeerSqliteSortIntoTable(benchmark::State& state) {
    std::string name = ScratchFile("sort.sqlite");
    sqlite3* db = OpenSqlite(name);
    sqlite3_exec(
        db,
        "CREATE TABLE t(a INTEGER, b INTEGER, name TEXT); CREATE TABLE s(a INTEGER, b INTEGER, name TEXT);",
        nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?, ?, ?)", -1, &insert, nullptr);
    std::mt19937 random(1);
    for (uint32_t n = 0; n < SortRows; ++n) {
        std::string text = "name " + std::to_string(unsigned(random()));
        sqlite3_bind_int(insert, 1, int32_t(random()));
        sqlite3_bind_int(insert, 2, int32_t(random()));
        sqlite3_bind_text(insert, 3, text.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    bool a = true;
    for (auto _ : state) {
        sqlite3_exec(db,
                     a ? "DELETE FROM s; INSERT INTO s SELECT * FROM t ORDER BY a;"
                       : "DELETE FROM s; INSERT INTO s SELECT * FROM t ORDER BY b;",
                     nullptr, nullptr, nullptr);
        a = !a;
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * SortRows);
    sqlite3_close(db);
    std::filesystem::remove(name);
}
BENCHMARK(PeerSqliteSortIntoTable)->Unit(benchmark::kMillisecond);

} // namespace
