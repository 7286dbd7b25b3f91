#pragma once
// Fixture of the data-aware screens: the scratch table of a code, built from the programming in
// memory into the test's program folder, as the main window builds it before the screen shows.

#include "ScreenFixture.h"
#include "core/TempTable.h"
#include "db/components/VORSAMTable.h"
#include "screens/ScratchTables.h"

#include <map>

using TBytes = std::map<std::size_t, std::uint8_t>;

class ScratchFixture : public ScreenFixture {
protected:
    // Since `before`, an OK stored these bytes and nothing else, marked the section and closed
    // the screen without a box.
    void ExpectStored(const TProgrammingState& before, const TBytes& changes, int section,
                      const QWidget& screen) {
        TProgrammingState expected = before;
        for (const auto& [offset, value] : changes) expected.bytes[offset] = value;
        expected.edited[section] = expected.modified[section] = expected.programmingModified = 1;
        EXPECT_TRUE(TProgrammingState::Now() == expected);
        for (const auto& [offset, value] : changes) EXPECT_EQ(ProgrammingBytes[offset], value) << offset;
        EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
        EXPECT_FALSE(screen.isVisible());
    }

    void TearDown() override {
        TabTemp().Close();
        DeleteTempTable();
        ScreenFixture::TearDown();
    }
    static platform::data::TDataSet& Build(int code) {
        BuildTempTable(code, AllTempTableItems);
        return TabTemp();
    }
};
