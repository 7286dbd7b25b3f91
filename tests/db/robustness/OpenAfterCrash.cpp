#include "OpenAfterCrash.h"

#include "TableScan.h"

#include <gtest/gtest.h>

namespace vorsam::test {

bool IsCorruptionError(uint16_t code) {
    return code == VORSAM_FILECORRUPT || code == VORSAM_HEADERCORRUPT || code == VORSAM_INDEXCORRUPT ||
           code == VORSAM_MEMOCORRUPT;
}

std::optional<TContents> OpenAfterCrash(TDataTable& table) {
    try {
        table.Open();
    } catch (const EVORSAMEngineError& e) {
        EXPECT_TRUE(IsCorruptionError(e.ErrorCode)) << table.TableName() << ": " << e.what();
        return std::nullopt;
    }
    TScanReport scan = ScanTable(table);
    TContents contents = Contents(table);
    CloseAndWalkWithCursor(table, scan);
    EXPECT_TRUE(scan.Ok()) << table.TableName() << ":\n" << scan.Text();
    return contents;
}

} // namespace vorsam::test
