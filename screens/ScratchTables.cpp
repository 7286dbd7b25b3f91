// The table component of the scratch table, the routine that writes one table into it, and the
// builders of the table codes.

#include "screens/ScratchTables.h"

#include "core/ProgramFolder.h"
#include "core/TempTable.h"
#include "db/components/VORSAMTable.h"

#include <cassert>

using namespace platform::data;

std::array<std::uint8_t, 16> BossSecretaryCodes{};

namespace {

constexpr char IndexName[] = "TEMPORAR";

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
    table.SetIndexName(IndexName);
    table.Open();
    try {
        for (const TScratchRow& row : contents.Rows) table.AppendRecord(Values(contents, row));
    } catch (...) {
        table.Close();
        throw;
    }
    table.Close();
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
