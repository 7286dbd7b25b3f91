// Worker commands for the kill -9 torture of the robustness tests: people tables (PeopleTable.h) of one
// database, numbered from 0 in the order they are opened. A command answers only once it has run to its
// end, so a test that kills the worker knows which commands may have run.
//   xopen <folder> <table>... [flush] [small] [tries=<n>] [budget=<bytes>]   opens the database of the
//                                                  folder and the tables (small: the least caches;
//                                                  budget: of changes kept in memory)
//   xput <t> <key> <value> <name> <memo bytes> <memo char>   sets the person ("-": an empty name)
//   xdelete <t> <key>                              -> ok | fail missing
//   xstart | xcommit [flush] | xrollback           the database's transaction
//   xlock <t> | xunlock <t>                        the whole-table lock of table t
//   xread <t> <level> <first key> <last key>       -> ok <ContentsDigest of the people with those keys>,
//                                                  read under the level read|read2|write|whole|record
//                                                  (record: each record also locked while read)
//   xrestructure <folder> <table> <0|1>            rebuilds the (closed) table with (1) or without (0) a
//                                                  last field EXTRA; its records stay as they are
#include "WorkerCommands.h"

#include "FieldSpecs.h"
#include "PeopleTable.h"

#include "db/engine/DataCursor.h"
#include "db/lib/DataTypes.h"

#include "db/engine/DataSession.h"

#include <memory>
#include <stdexcept>

namespace worker {

namespace {

using namespace vorsam;
using vorsam::test::TContents;

struct TTortureState {
    EngineSettings Settings;
    std::unique_ptr<TDataSession> Session;
    TDataDirectory* Database = nullptr;
    std::vector<std::unique_ptr<TDataTable>> Tables;
};

TTortureState State;

TDataTable& TableArg(TWorkerArgs args) {
    size_t n = size_t(NumberArg(args, 1));
    if (n >= State.Tables.size()) throw std::invalid_argument("no such table");
    return *State.Tables[n];
}

TDataDirectory& Database() {
    if (!State.Database) throw std::invalid_argument("no database open");
    return *State.Database;
}

std::string Open(TWorkerArgs args) {
    State.Settings.ForceBufferFlush = HasFlag(args, "flush");
    State.Settings.LockTries = uint32_t(OptionArg(args, "tries", State.Settings.LockTries));
    State.Settings.ChangeBudget = uint32_t(OptionArg(args, "budget", State.Settings.ChangeBudget));
    if (HasFlag(args, "small")) {
        State.Settings.BufferSize = 4096;
        State.Settings.RecordCacheLimit = 2;
        State.Settings.IndexBufferSize = 8192;
    }
    State.Session = std::make_unique<TDataSession>();
    State.Database = &State.Session->OpenDataDirectory("", args.at(1));
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "flush" || args[i] == "small" || args[i].find('=') != std::string::npos) continue;
        TTableLocation location{args.at(1), args[i], false, ""};
        State.Tables.push_back(std::make_unique<TDataTable>(State.Settings, location, State.Database));
        State.Tables.back()->Open();
    }
    return Ok();
}

std::string Put(TWorkerArgs args) {
    std::string name = args.at(4) == "-" ? std::string() : args.at(4);
    std::string memo(size_t(NumberArg(args, 5)), args.at(6).at(0));
    test::PutPerson(TableArg(args), {int32_t(NumberArg(args, 2)), int32_t(NumberArg(args, 3)), name, memo});
    return Ok();
}

std::string Delete(TWorkerArgs args) {
    TDataTable& table = TableArg(args);
    int32_t key = int32_t(NumberArg(args, 2));
    if (test::RecordOf(table, key) == 0) return Fail("missing");
    test::DeletePerson(table, key);
    return Ok();
}

// The lock of one record and the second read level it holds, for a scope.
class TRecordLock {
public:
    TRecordLock(TDataTable& table, uint32_t number) : table_(table), number_(number) {
        table_.LockRecord(number_);
    }
    ~TRecordLock() {
        try {
            table_.UnlockRecord(number_);
        } catch (const EVORSAMEngineError&) {
            // released with the file's handle
        }
        table_.EndRead(TReadLevel::Second);
    }
    TRecordLock(const TRecordLock&) = delete;
    TRecordLock& operator=(const TRecordLock&) = delete;

private:
    TDataTable& table_;
    uint32_t number_;
};

// The people of keys first .. last, read under a level the caller holds.
TContents ReadRange(TDataTable& table, int32_t first, int32_t last, bool lockRecords) {
    TContents contents;
    for (int32_t key = first; key <= last; ++key) {
        uint32_t number = test::RecordOf(table, key);
        if (number == 0) continue;
        std::unique_ptr<TRecordLock> lock;
        if (lockRecords) lock = std::make_unique<TRecordLock>(table, number);
        TPinnedRecord record(table.DataFile().GetRecord(nullptr, number));
        contents[key] = test::PersonOf(table, record->Image());
    }
    return contents;
}

TContents ReadUnderLevel(TDataTable& table, const std::string& level, int32_t first, int32_t last) {
    if (level == "read" || level == "read2" || level == "record") {
        TTableRead read(table, level == "read2" ? TReadLevel::Second : TReadLevel::First);
        return ReadRange(table, first, last, level == "record");
    }
    if (level == "write") {
        TTableWrite write(table);
        TContents contents = ReadRange(table, first, last, false);
        write.End();
        return contents;
    }
    if (level != "whole") throw std::invalid_argument("no such level");
    table.LockTable();
    TContents contents;
    try {
        contents = ReadRange(table, first, last, false);
    } catch (...) {
        table.UnlockTable();
        throw;
    }
    table.UnlockTable();
    return contents;
}

std::string Read(TWorkerArgs args) {
    TContents contents =
        ReadUnderLevel(TableArg(args), args.at(2), int32_t(NumberArg(args, 3)), int32_t(NumberArg(args, 4)));
    return Ok(test::ContentsDigest(contents));
}

std::string Restructure(TWorkerArgs args) {
    TDataSession session;
    TDataDirectory& database = session.OpenDataDirectory("", args.at(1));
    TRestructureArgs restructured;
    TDataCursor cursor(database);
    cursor.SetTableName(args.at(2));
    cursor.OpenCursor();
    for (const TFieldDescriptor& field : cursor.Table().DataFile().FieldDescriptors())
        if (field.Name() != "EXTRA") restructured.Fields.push_back(field);
    for (uint8_t n = 0; n <= cursor.GetIndexCount(); ++n)
        restructured.Indexes.push_back(cursor.GetIndexDesc(n));
    restructured.SecondaryCount = cursor.GetIndexCount();
    cursor.CloseCursor();
    if (NumberArg(args, 3) != 0) {
        restructured.Fields.push_back(test::MakeFields({{"EXTRA", dtString, 10}})[0]);
        restructured.Fields.back().SetFieldNumber(0); // a new field
    }
    restructured.NoBackup = true;
    cursor.RestructureTable(restructured);
    return Ok();
}

TWorkerCommandRegistrar openCommand("xopen", Open);
TWorkerCommandRegistrar restructureCommand("xrestructure", Restructure);
TWorkerCommandRegistrar putCommand("xput", Put);
TWorkerCommandRegistrar deleteCommand("xdelete", Delete);
TWorkerCommandRegistrar readCommand("xread", Read);
TWorkerCommandRegistrar startCommand("xstart", [](TWorkerArgs) {
    Database().StartTransaction();
    return Ok();
});
TWorkerCommandRegistrar commitCommand("xcommit", [](TWorkerArgs args) {
    Database().Commit(true, HasFlag(args, "flush"));
    return Ok();
});
TWorkerCommandRegistrar rollbackCommand("xrollback", [](TWorkerArgs) {
    Database().Rollback();
    return Ok();
});
TWorkerCommandRegistrar lockCommand("xlock", [](TWorkerArgs args) {
    TableArg(args).LockTable();
    return Ok();
});
TWorkerCommandRegistrar unlockCommand("xunlock", [](TWorkerArgs args) {
    TableArg(args).UnlockTable();
    return Ok();
});

} // namespace

} // namespace worker
