// The table component of the scratch table, the routine that writes one table into it, and the
// builders of the table codes.

#include "screens/ScratchTables.h"

#include "core/ProgramFolder.h"
#include "core/ProgramFolderUse.h"
#include "core/TempTable.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/components/VORSAMTable.h"
#include "db/lib/FileHandler.h"
#include "platform/os/FileIo.h"

#include <cassert>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

using namespace platform::data;

std::array<std::uint8_t, 16> BossSecretaryCodes{};

namespace {

constexpr char IndexName[] = "TEMPORAR";

// This copy's own open of its scratch table from the build until the table is deleted. The engine's
// open-mode locks that come with it keep the other copies on the folder (which share the table's
// name) from deleting or replacing the table, also while TabTemp is closed between the build and
// the screen.
vorsam::TVORSAMTable& TableHold() {
    static auto* hold = new vorsam::TVORSAMTable; // as TabTemp
    // Closed before the engine's sessions end with the process (made first, they end after it).
    static const int closeAtExit = (vorsam::DefaultSession(), std::atexit([] {
                                        try {
                                            hold->Close();
                                        } catch (...) {
                                            // the process ends: its locks go all the same
                                        }
                                    }));
    (void)closeAtExit;
    return *hold;
}

void HoldTable() {
    vorsam::TVORSAMTable& hold = TableHold();
    hold.SetDatabaseName(ProgramFolder());
    hold.SetTableName(TempTableName);
    hold.SetReadOnly(true);
    hold.Open();
}

// The table the build opens is the one it has just made. A copy that deleted it and made its own in
// the moment between the two meets a table with records or other fields (refused as in use), or
// finds its first key already there: one of the two is refused, whichever writes second.
void RequireOwnNewTable(vorsam::TVORSAMTable& table, const TScratchTable& contents) {
    bool own = table.RecordCount() == 0 && table.FieldCount() == static_cast<int>(contents.Fields.size());
    for (int i = 0; own && i < table.FieldCount(); ++i)
        own = table.Fields()[i].FieldName() == contents.Fields[static_cast<std::size_t>(i)].Name;
    if (!own) {
        vorsam::TErrorContext context;
        context.Table = TempTableName;
        context.Database = ProgramFolder();
        vorsam::RaiseEngineError(vorsam::VORSAM_FILEINUSE, context);
    }
}

void DefineTable(vorsam::TVORSAMTable& table, const TScratchTable& contents) {
    table.FieldDefs().Clear();
    for (const TScratchField& field : contents.Fields) {
        if (field.Size == 0)
            table.FieldDefs().Add(field.Name, ftInteger);
        else
            table.FieldDefs().Add(field.Name, ftString, field.Size);
    }
    table.IndexDefs().Clear();
    table.IndexDefs().Add(IndexName, contents.Fields.front().Name, TIndexOptions{ixUnique});
}

std::vector<Variant> Values(const TScratchTable& contents, const TScratchRow& row) {
    assert(row.size() == contents.Fields.size());
    std::vector<Variant> values;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (contents.Fields[i].Size == 0)
            values.emplace_back(std::stoi(row[i]));
        else
            values.emplace_back(row[i]);
    }
    return values;
}

} // namespace

vorsam::TVORSAMTable& TabTemp() {
    // Kept for the whole run, past the engine's own statics: never destroyed.
    static auto* table = new vorsam::TVORSAMTable;
    return *table;
}

void WriteTempTable(const TScratchTable& contents) {
    assert(!contents.Fields.empty());
    vorsam::TVORSAMTable& table = TabTemp();
    table.Close();
    table.SetDatabaseName(ProgramFolder());
    table.SetTableName(TempTableName);
    DefineTable(table, contents);
    DeleteTempTable(); // files a crash may have left would stop the creation
    table.CreateTable();
    HoldTable();
    table.SetIndexName(IndexName);
    table.Open();
    try {
        RequireOwnNewTable(table, contents);
        for (const TScratchRow& row : contents.Rows) table.AppendRecord(Values(contents, row));
    } catch (...) {
        table.Close();
        throw;
    }
    table.Close();
}

void DeleteTempTable() {
    TableHold().Close();
    const vorsam::TSessionLockGuard engine(vorsam::DefaultSession()); // the engine's files, started
    // As the engine deletes a table: every file is opened exclusively, which is refused while another
    // process has it open, before any is deleted. What is not a regular file no copy has open as a
    // table: its name goes.
    std::vector<std::unique_ptr<vorsam::TFileHandler>> files;
    for (const char* name : TempTableFiles) {
        const std::string path = ProgramFilePath(name);
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) continue;
        if (!S_ISREG(status.st_mode)) {
            DeleteFileIfPresent(path);
            continue;
        }
        auto& file = files.emplace_back(std::make_unique<vorsam::TFileHandler>());
        file->SetFileName(path);
        file->SetExclusive(true);
        file->Open();
    }
    for (auto& file : files) file->DeleteFile();
    for (const char* name : TempTableFiles) ForgetLeftover(ProgramFilePath(name));
}

bool DeleteOwnTempTable() {
    try {
        DeleteTempTable();
    } catch (const vorsam::EVORSAMEngineError& error) {
        if (error.ErrorCode != vorsam::VORSAM_FILEINUSE) throw;
        return false;
    }
    return true;
}

void BuildCategoryTempTable(int which) {
    WriteTempTable(CategoryScratchTable(CurrentScratchSource(), which));
}

void BuildTrunkTempTable(int which) {
    WriteTempTable(TrunkScratchTable(CurrentScratchSource(), which));
}

void BuildFacilityTempTable() {
    WriteTempTable(FacilityScratchTable(CurrentScratchSource()));
}

void BuildGroupTempTable() {
    WriteTempTable(GroupScratchTable(CurrentScratchSource()));
}

void BuildBossSecretaryTempTable() {
    const TScratchSource source = CurrentScratchSource();
    BossSecretaryCodes = BossSecretaryCodesOf(source);
    WriteTempTable(BossSecretaryScratchTable(source));
}

void BuildPrefixTempTable() {
    WriteTempTable(PrefixScratchTable(CurrentScratchSource()));
}

void BuildIndividualTempTable() {
    WriteTempTable(IndividualScratchTable(CurrentScratchSource()));
}

void BuildTempTable(int code, int which) {
    switch (code) {
    case 1:
        return BuildCategoryTempTable(which);
    case 2:
        return BuildTrunkTempTable(which);
    case 4:
        return BuildFacilityTempTable();
    case 5:
        return BuildGroupTempTable();
    case 6:
        return BuildBossSecretaryTempTable();
    case 7:
        return BuildPrefixTempTable();
    case 8:
        return BuildIndividualTempTable();
    default:
        return; // no scratch table: the table is left as it is
    }
}
