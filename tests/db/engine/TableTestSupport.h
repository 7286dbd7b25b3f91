// Shared pieces of the shared-table tests: the people table (PeopleTable.h) on disk or in memory.
#pragma once

#include "db/lib/FileTestSupport.h"

#include "PeopleTable.h"

#include "db/engine/DataTable.h"
#include "db/engine/TableVerify.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorsam::test {

class TTableTest : public TFileTest {
protected:
    // A lock that never comes fails within a second or so, not after minutes.
    TTableTest() { settings_.LockTries = 300; }

    TTableLocation Location(const std::string& name = "PEOPLE") const {
        return {dir_.Path(), name, InMemory(), "Memory"};
    }
    std::unique_ptr<TDataTable> NewTable(const std::string& name = "PEOPLE") {
        return std::make_unique<TDataTable>(settings_, Location(name));
    }
    // Creates the people table and opens it.
    std::unique_ptr<TDataTable> CreatePeople(bool memo = false, TTableOpenMode mode = {});
    std::unique_ptr<TDataTable> OpenPeople(TTableOpenMode mode = {});

    EngineSettings settings_;
};

} // namespace vorsam::test
