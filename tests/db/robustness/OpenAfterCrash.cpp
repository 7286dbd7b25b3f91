#include "OpenAfterCrash.h"

#include "TableScan.h"

#include <gtest/gtest.h>

namespace vorsam::test {

namespace {

// Opens and scans the table; its contents, or none (the running test failed) when it is refused or does
// not scan clean.
std::optional<TContents> OpenAndScan(TDataTable& table, const char* when) {
    try {
        table.Open();
    } catch (const EVORSAMEngineError& e) {
        ADD_FAILURE() << table.TableName() << when << ": " << e.what();
        return std::nullopt;
    }
    TScanReport scan = ScanTable(table);
    TContents contents = Contents(table);
    CloseAndWalkWithCursor(table, scan);
    if (!scan.Ok()) {
        ADD_FAILURE() << table.TableName() << when << ":\n" << scan.Text();
        return std::nullopt;
    }
    return contents;
}

} // namespace

bool IsCorruptionError(uint16_t code) {
    return code == VORSAM_FILECORRUPT || code == VORSAM_HEADERCORRUPT || code == VORSAM_INDEXCORRUPT ||
           code == VORSAM_MEMOCORRUPT || code == VORSAM_WRITEINTERRUPTED;
}

TAfterCrash OpenAfterCrash(TDataTable& table, bool repair) {
    TAfterCrash result;
    try {
        table.Open();
        result.Interrupted = table.DataFile().WriteInterrupted();
        table.Close();
    } catch (const EVORSAMEngineError& e) {
        if (e.ErrorCode != VORSAM_WRITEINTERRUPTED) {
            ADD_FAILURE() << table.TableName() << ": " << e.what();
            return result;
        }
        result.Interrupted = true;
        if (!repair) return result;
        try {
            table.Repair();
        } catch (const EVORSAMEngineError& failed) {
            ADD_FAILURE() << table.TableName() << " cannot be repaired: " << failed.what();
            return result;
        }
        result.Repaired = true;
    }
    result.Contents = OpenAndScan(table, result.Repaired ? " after its repair" : "");
    return result;
}

bool EachRecordBeforeOrAfter(const TContents& contents, const TContents& before, const TContents& after) {
    auto matches = [&](const TContents& all, const TPerson& person) {
        auto it = all.find(person.Key);
        return it != all.end() && it->second == person;
    };
    for (const auto& [key, person] : contents)
        if (!matches(before, person) && !matches(after, person)) return false;
    return true;
}

} // namespace vorsam::test
