#pragma once
// Fixture of the data-aware screens: the scratch table of a code, built from the programming in
// memory into the test's program folder, as the main window builds it before the screen shows.

#include "ScreenFixture.h"
#include "core/TempTable.h"
#include "db/engine/VORSAMTable.h"
#include "screens/ScratchTables.h"

class ScratchFixture : public ScreenFixture {
protected:
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
