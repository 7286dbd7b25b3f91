// Worker commands on one shared table (TDataTable) of the worker, for the multi-process tests of locks,
// change counters and transactions. The table belongs to the database of its folder (a session of the
// worker's own), whose transactions its writes join. The table's first two fields are 32-bit integers: a key
// (its primary index) and a value. A lock command answers once it holds the lock, so tests order processes by
// the answers.
//   topen <folder> <name> [exclusive] [readonly] [flush] [strict] [tries=<n>] [retries=<n>] [wait=<ms>]
//                                        opens the table with those session settings
//   tclose
//   tbegin read|read2|write|whole        -> ok changed | ok same   (the change check's answer)
//   tend read|read2|write|whole
//   tlockrecord <n>  tunlockrecord <n>   -> ok changed | ok same; ok
//   tput <key> <value>                   sets the value of the record with the key (appending it)
//   tget <key>                           -> ok <value> | fail missing
//   tdelete <key>
//   tcount                               -> ok <active records>
//   tverify                              -> ok | fail <first problem>
//   tstopatwrite <n>                     the file layer stops at the nth write from now on, as a crash
//   tstart                               starts a transaction on the table's database
//   tcommit [keep] [flush]               commits it (with keep it goes on; flush syncs the files)
//   trollback
//   texists <folder> <name>              -> ok 1 | ok 0: whether the folder's database has the table
#include "WorkerCommands.h"

#include "db/engine/DataSession.h"
#include "db/engine/DataTable.h"
#include "db/engine/TableVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <memory>
#include <stdexcept>

namespace worker {

namespace {

using namespace vorsam;

EngineSettings Settings;
std::unique_ptr<TDataSession> Session;
TDataDirectory* Database = nullptr;
std::unique_ptr<TDataTable> Table;

TDataDirectory& OpenDatabase() {
    if (!Database) throw std::invalid_argument("no table open");
    return *Database;
}

void CloseTable() {
    Table.reset();
    if (Database) Session->CloseDataDirectory(*Database);
    Database = nullptr;
}

TDataTable& OpenTable() {
    if (!Table || !Table->IsOpen()) throw std::invalid_argument("no table open");
    return *Table;
}

std::string Open(TWorkerArgs args) {
    Settings = EngineSettings{};
    Settings.ForceBufferFlush = HasFlag(args, "flush");
    Settings.StrictChangeDetection = HasFlag(args, "strict");
    Settings.LockTries = uint32_t(OptionArg(args, "tries", Settings.LockTries));
    Settings.LockRetryCount = uint8_t(OptionArg(args, "retries", Settings.LockRetryCount));
    Settings.LockWaitTime = uint16_t(OptionArg(args, "wait", Settings.LockWaitTime));
    CloseTable();
    if (!Session) Session = std::make_unique<TDataSession>();
    Database = &Session->OpenDataDirectory("", args.at(1));
    Table =
        std::make_unique<TDataTable>(Settings, TTableLocation{args.at(1), args.at(2), false, ""}, Database);
    Table->Open({.Exclusive = HasFlag(args, "exclusive"), .ReadOnly = HasFlag(args, "readonly")});
    return Ok();
}

std::string Changed(bool changed) {
    return Ok(changed ? "changed" : "same");
}

std::string Begin(TWorkerArgs args) {
    TDataTable& table = OpenTable();
    const std::string& level = args.at(1);
    if (level == "read") return Changed(table.BeginRead());
    if (level == "read2") return Changed(table.BeginRead(TReadLevel::Second));
    if (level == "write") return Changed(table.BeginWrite());
    if (level == "whole") return Changed(table.LockTable());
    throw std::invalid_argument("no such level");
}

std::string End(TWorkerArgs args) {
    TDataTable& table = OpenTable();
    const std::string& level = args.at(1);
    if (level == "read")
        table.EndRead();
    else if (level == "read2")
        table.EndRead(TReadLevel::Second);
    else if (level == "write")
        table.EndWrite();
    else if (level == "whole")
        table.UnlockTable();
    else
        throw std::invalid_argument("no such level");
    return Ok();
}

// A record image with the key and the value in the first two fields.
std::vector<uint8_t> Image(TDataTable& table, int32_t key, int32_t value) {
    std::vector<uint8_t> image(table.DataFile().GetRecordSize());
    const auto& fields = table.DataFile().FieldDescriptors();
    for (size_t i = 0; i < 2; ++i) {
        uint16_t at = fields.at(i).Offset();
        image[at] = 1;
        StoreNative<int32_t>(&image[at + 1], i == 0 ? key : value);
    }
    return image;
}

std::string Put(TWorkerArgs args) {
    TDataTable& table = OpenTable();
    std::vector<uint8_t> image = Image(table, int32_t(NumberArg(args, 1)), int32_t(NumberArg(args, 2)));
    TTableWrite write(table);
    uint32_t number = table.FindKey(PrimaryIndexSlot, image);
    if (number != 0)
        table.ModifyRecord(number, image);
    else
        number = table.AppendRecord(image);
    write.End();
    return Ok(std::to_string(number));
}

std::string Get(TWorkerArgs args) {
    TDataTable& table = OpenTable();
    TTableRead read(table);
    uint32_t number = table.FindKey(PrimaryIndexSlot, Image(table, int32_t(NumberArg(args, 1)), 0));
    if (number == 0) return Fail("missing");
    TPinnedRecord record(table.DataFile().GetRecord(nullptr, number));
    uint16_t at = table.DataFile().FieldDescriptors().at(1).Offset();
    return Ok(std::to_string(LoadNative<int32_t>(&record->Image()[at + 1])));
}

std::string Delete(TWorkerArgs args) {
    TDataTable& table = OpenTable();
    TTableWrite write(table);
    uint32_t number = table.FindKey(PrimaryIndexSlot, Image(table, int32_t(NumberArg(args, 1)), 0));
    if (number == 0) return Fail("missing");
    table.DeleteRecord(number);
    write.End();
    return Ok();
}

std::string Count(TWorkerArgs) {
    TDataTable& table = OpenTable();
    TTableRead read(table);
    return Ok(std::to_string(table.IndexFile().GetActiveRecords()));
}

std::string Verify(TWorkerArgs) {
    TVerifyReport report = VerifyTable(OpenTable());
    return report.Ok() ? Ok() : Fail(report.Problems.front());
}

TWorkerCommandRegistrar openCommand("topen", Open);
TWorkerCommandRegistrar closeCommand("tclose", [](TWorkerArgs) {
    CloseTable();
    return Ok();
});
TWorkerCommandRegistrar beginCommand("tbegin", Begin);
TWorkerCommandRegistrar endCommand("tend", End);
TWorkerCommandRegistrar lockRecordCommand("tlockrecord", [](TWorkerArgs args) {
    return Changed(OpenTable().LockRecord(uint32_t(NumberArg(args, 1))));
});
TWorkerCommandRegistrar unlockRecordCommand("tunlockrecord", [](TWorkerArgs args) {
    OpenTable().UnlockRecord(uint32_t(NumberArg(args, 1)));
    return Ok();
});
TWorkerCommandRegistrar putCommand("tput", Put);
TWorkerCommandRegistrar getCommand("tget", Get);
TWorkerCommandRegistrar deleteCommand("tdelete", Delete);
TWorkerCommandRegistrar countCommand("tcount", Count);
TWorkerCommandRegistrar verifyCommand("tverify", Verify);
TWorkerCommandRegistrar startCommand("tstart", [](TWorkerArgs) {
    OpenDatabase().StartTransaction();
    return Ok();
});
TWorkerCommandRegistrar commitCommand("tcommit", [](TWorkerArgs args) {
    OpenDatabase().Commit(!HasFlag(args, "keep"), HasFlag(args, "flush"));
    return Ok();
});
TWorkerCommandRegistrar rollbackCommand("trollback", [](TWorkerArgs) {
    OpenDatabase().Rollback();
    return Ok();
});
TWorkerCommandRegistrar existsCommand("texists", [](TWorkerArgs args) {
    TDataSession session;
    return Ok(session.OpenDataDirectory("", args.at(1)).TableExists(args.at(2), false) ? "1" : "0");
});
TWorkerCommandRegistrar stopCommand("tstopatwrite", [](TWorkerArgs args) {
    GetFileList().Faults().StopAtWrite(NumberArg(args, 1));
    return Ok();
});

} // namespace

} // namespace worker
