// What other processes read stays as it was: a fixed piece of work (SQL statements and scripts, SELECTs
// into tables, transactions, cursor writes alone and under a whole-table lock, dataset edits) writes table
// files whose bytes, apart from each header's change counter and the data header's write time, hash to
// the values recorded here. Any change to how the engine batches, caches or orders its writes must leave
// the files it ends with exactly as they were.
//
// CENTRPRG_PRINT_FILE_HASHES=1 prints the table of the current build's hashes in the form below.
#include "db/components/VORSAMSessionList.h"
#include "db/components/VORSAMTable.h"
#include "db/engine/DataCursor.h"
#include "db/engine/DataSession.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/TestSupport.h"
#include "db/sql/QueryStatement.h"
#include "platform/data/DBConsts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vorsam::test {
namespace {

namespace fs = std::filesystem;

// The byte ranges left out of the comparison, by file extension: the change counters (+0, 4 bytes, of
// every header) and the data header's time of its last write (+27, 8 bytes).
std::vector<std::pair<size_t, size_t>> MaskedRanges(const std::string& extension) {
    if (extension == ".DAT") return {{0, 4}, {27, 8}};
    return {{0, 4}};
}

// FNV-1a over the file's bytes with the masked ranges as zeros, and its size, as text.
std::string MaskedHash(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), ::toupper);
    for (auto [start, length] : MaskedRanges(extension))
        for (size_t i = start; i < start + length && i < bytes.size(); ++i) bytes[i] = 0;
    uint64_t hash = 1469598103934665603ull;
    for (char c : bytes) {
        hash ^= uint8_t(c);
        hash *= 1099511628211ull;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%zu:%016llx", bytes.size(), static_cast<unsigned long long>(hash));
    return text;
}

std::map<std::string, std::string> FolderHashes(const std::string& folder) {
    std::map<std::string, std::string> hashes;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) hashes[entry.path().filename().string()] = MaskedHash(entry.path());
    return hashes;
}

// ---- the work ----

class TWork {
public:
    TWork(const std::string& folder, const std::string& privateFolder) : folder_(folder) {
        session_.SetPrivateDirectory(privateFolder);
        database_ = &session_.OpenDataDirectory("", folder);
    }
    ~TWork() { session_.CloseDataDirectory(*database_); }

    void Run(const std::string& sql) {
        TQueryStatement statement(*database_);
        statement.Prepare(sql);
        statement.Execute({}, false);
    }

    void Sql() {
        Run("CREATE TABLE S (ID INTEGER, GRP INTEGER, AMOUNT FLOAT, NAME CHAR(20), NOTE MEMO, "
            "PRIMARY KEY (ID))");
        Run("CREATE INDEX BYGRP ON S (GRP)");
        std::mt19937 random(17);
        std::string script;
        for (int id = 1; id <= 2500; ++id) {
            script += "INSERT INTO S VALUES (" + std::to_string(id) + ", " + std::to_string(random() % 40) +
                      ", " + std::to_string(random() % 100000) + ".25, 'name " +
                      std::to_string(random() % 1000) + "', " +
                      (id % 7 == 0 ? "'note of " + std::to_string(id) + "'" : std::string("NULL")) + ");\n";
        }
        Run(script);
        Run("UPDATE S SET AMOUNT = AMOUNT * 2");
        Run("UPDATE S SET GRP = GRP + 1 WHERE GRP < 5");
        Run("UPDATE S SET NOTE = 'a longer note that replaces the old one' WHERE ID < 60");
        Run("DELETE FROM S WHERE GRP = 7");
        Run("INSERT INTO S VALUES (5001, 3, 1.5, 'late', 'late note'); INSERT INTO S VALUES (5002, 4, 2.5, "
            "'later', NULL)");
        Run("SELECT ID, NAME, AMOUNT INTO R1 FROM S WHERE AMOUNT > 150000");
        Run("SELECT DISTINCT GRP INTO R2 FROM S");
        Run("SELECT GRP, COUNT(*), SUM(AMOUNT) INTO R3 FROM S GROUP BY GRP");
        Run("SELECT ID, AMOUNT INTO R4 FROM S ORDER BY AMOUNT DESC TOP 20");
        Run("SELECT COUNT(*), SUM(AMOUNT), MIN(NAME), MAX(ID) INTO R5 FROM S");
        Run("SELECT A.ID, B.ID INTO R6 FROM S A, S B WHERE A.GRP = B.ID");
        Run("SELECT ID, NOTE INTO R7 FROM S WHERE NOTE IS NOT NULL ORDER BY ID");
        Run("SELECT GRP, COUNT(*) INTO R8 FROM S WHERE ID = -1 GROUP BY GRP");
        Run("CREATE TABLE C (ID INTEGER, GRP INTEGER, AMOUNT FLOAT, NAME CHAR(20), NOTE MEMO, "
            "PRIMARY KEY (ID))");
        Run("INSERT INTO C SELECT * FROM S");
        Run("DELETE FROM C WHERE ID > 2000");
        Run("START TRANSACTION; UPDATE C SET GRP = 99 WHERE ID < 100; COMMIT");
        Run("START TRANSACTION; UPDATE C SET GRP = 98; ROLLBACK");
        std::string empty;
        for (int i = 0; i < 20; ++i)
            empty += "SELECT ID, NAME FROM S WHERE ID = " + std::to_string(-i) + ";\n";
        Run(empty);
        Run("SELECT * FROM S WHERE GRP = 1000; SELECT COUNT(*) FROM C");
    }

    // A table of a key, a string and a float written through a cursor: appends and updates under a
    // whole-table lock, updates and deletes each in a write of its own.
    void Cursor() {
        TCreateTableArgs args;
        const std::pair<const char*, uint8_t> fields[] = {{"K", dtInteger}, {"S", dtString}, {"F", dtFloat}};
        for (auto [name, type] : fields) {
            TFieldDescriptor field;
            field.SetName(name);
            field.SetDataType(type);
            field.SetDeclaredSize(type == dtString ? 30 : 0);
            args.Fields.push_back(field);
        }
        TIndexDescriptor primary;
        primary.SetUnique(true);
        primary.SetFieldCount(1);
        primary.SetFieldNumber(0, 1);
        args.Indexes.push_back(primary);
        TDataCursor cursor(*database_);
        cursor.SetTableName("K");
        cursor.CreateTable(args);
        cursor.OpenCursor();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        std::mt19937 random(23);
        auto put = [&](int32_t key) {
            char text[31] = {};
            for (int c = 0; c < 30; ++c) text[c] = char('a' + random() % 26);
            double value = double(random() % 100000) / 100.0;
            cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&key));
            cursor.PutField(2, image, reinterpret_cast<const uint8_t*>(text));
            cursor.PutField(3, image, reinterpret_cast<const uint8_t*>(&value));
        };
        cursor.Table().LockTable();
        for (int32_t key = 0; key < 3000; ++key) {
            cursor.InitEmptyRecord(image);
            put(int32_t((key * 7919) % 3000));
            cursor.AppendRecord(image);
        }
        cursor.Table().UnlockTable();
        auto find = [&](int32_t key) {
            uint8_t bytes[5] = {1};
            EncodeIntegerKey(key, bytes + 1);
            return cursor.Find(true, bytes, 1, 0, false);
        };
        auto update = [&](int32_t key) {
            ASSERT_TRUE(find(key));
            cursor.GetCurrentRecord(image, true);
            double value = double(random() % 1000);
            cursor.PutField(3, image, reinterpret_cast<const uint8_t*>(&value));
            cursor.ModifyRecord(image);
        };
        cursor.Table().LockTable();
        for (int i = 0; i < 700; ++i) update(int32_t(random() % 3000));
        cursor.Table().UnlockTable();
        for (int i = 0; i < 100; ++i) update(int32_t(random() % 3000));
        for (int i = 0; i < 100; ++i)
            if (find(int32_t(random() % 3000))) cursor.DeleteRecord();
        cursor.CloseCursor();
    }

    // A table made and written through the table component: appends, a walk, edits and deletes.
    void DataSet() {
        using namespace platform::data;
        TVORSAMTable table;
        table.SetDatabaseName(folder_);
        table.SetTableName("D");
        table.FieldDefs().Add("RAMAL", ftInteger);
        table.FieldDefs().Add("NOME", ftString, 20);
        table.FieldDefs().Add("VALOR", ftFloat);
        table.IndexDefs().Add("BYRAMAL", "RAMAL", TIndexOptions{ixPrimary, ixUnique});
        table.IndexDefs().Add("BYNOME", "NOME", TIndexOptions{});
        table.CreateTable();
        table.Open();
        std::mt19937 random(29);
        for (int i = 0; i < 600; ++i) {
            table.Append();
            table.FieldByName("RAMAL").SetAsInteger(int((i * 613) % 600));
            table.FieldByName("NOME").SetAsString("nome " + std::to_string(random() % 97));
            table.FieldByName("VALOR").SetAsFloat(double(random() % 5000) / 8.0);
            table.Post();
        }
        double sum = 0;
        for (table.First(); !table.Eof(); table.Next()) sum += table.FieldByName("VALOR").AsFloat();
        EXPECT_GT(sum, 0);
        int row = 0;
        for (table.First(); !table.Eof(); table.Next(), ++row) {
            if (row % 5 != 0) continue;
            table.Edit();
            table.FieldByName("VALOR").SetAsFloat(double(row));
            table.FieldByName("NOME").SetAsString("editado " + std::to_string(row));
            table.Post();
        }
        table.First();
        for (int i = 0; i < 40 && !table.Eof(); ++i) {
            table.Delete();
            table.Next();
        }
        table.Close();
    }

private:
    std::string folder_;
    TDataSession session_;
    TDataDirectory* database_ = nullptr;
};

// The hashes the work's files had before the engine's writes were made faster, by file name; S.IDX's
// since a DELETE's index entries go leaf by leaf (pages merge at other moments; its size is the same).
const std::map<std::string, std::string> RecordedHashes = {
    {"C.BLB", "206336:fd8d12703d0dc174"}, {"C.DAT", "148163:9cc30e20360c2aea"},
    {"C.IDX", "49152:0421c1ad5c8d55e8"},  {"C.JNL", "0:14650fb0739d0383"},
    {"D.DAT", "29431:bb5f8598032e273a"},  {"D.IDX", "53248:614d8d828a018719"},
    {"K.DAT", "167431:23f150403573323b"}, {"K.IDX", "40960:7fc7147bd903494c"},
    {"K.JNL", "0:14650fb0739d0383"},      {"R1.DAT", "28531:cca6b5ad1b3d11cd"},
    {"R1.IDX", "4096:0ff55f9459c7be5a"},  {"R2.DAT", "1427:e0da682ccf316c11"},
    {"R2.IDX", "4096:231e2167b1eec7ce"},  {"R3.DAT", "3495:b79774bf041c5117"},
    {"R3.IDX", "4096:231e2167b1eec7ce"},  {"R4.DAT", "2123:21045cef141bba14"},
    {"R4.IDX", "4096:0cbe6cbe8e239a30"},  {"R5.DAT", "3249:08463b8185e83ee6"},
    {"R5.IDX", "4096:2878e6b472c6b841"},  {"R6.DAT", "46750:4cc5bca2410bd94c"},
    {"R6.IDX", "4096:a0620e5ab1c6924e"},  {"R7.BLB", "206336:088cd86446efbe1c"},
    {"R7.DAT", "10909:7939bbbcccb8756c"}, {"R7.IDX", "4096:aa793deca36f8469"},
    {"R8.DAT", "1663:f9e8c541803ae71f"},  {"R8.IDX", "4096:219a1f77660ca2e4"},
    {"S.BLB", "213504:47d8d6b691471c4d"}, {"S.DAT", "151467:5937abc5cf4facf3"},
    {"S.IDX", "106496:6a920d331f44fee8"}, {"S.JNL", "0:14650fb0739d0383"},
};

TEST(TableFileBytesTest, TheSameWorkWritesTheSameBytesApartFromCountersAndTimes) {
    InitializeLibraryGlobals();
    FinalizeSessions();
    TTempDir dir;
    const std::string folder = dir.File("data"), privateFolder = dir.File("private");
    fs::create_directories(folder);
    fs::create_directories(privateFolder);
    {
        TWork work(folder, privateFolder);
        work.Sql();
        work.Cursor();
        work.DataSet();
    }
    FinalizeSessions();
    std::map<std::string, std::string> hashes = FolderHashes(folder);
    if (std::getenv("CENTRPRG_PRINT_FILE_HASHES"))
        for (const auto& [name, hash] : hashes)
            std::printf("    {\"%s\", \"%s\"},\n", name.c_str(), hash.c_str());
    EXPECT_EQ(hashes, RecordedHashes);
}

} // namespace
} // namespace vorsam::test
