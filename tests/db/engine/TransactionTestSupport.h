// Shared pieces of the transaction tests: people tables made for one database (so that their writes
// join its transactions), random edits applied to a table and to an oracle alike, and the bytes of a
// table's files, to show what reached them.
#pragma once

#include "TableTestSupport.h"

#include "db/engine/DataSession.h"

#include <array>
#include <random>

namespace vorsam::test {

class TTransactionTest : public TTableTest {
protected:
    TTransactionTest() : database_(session_.OpenDataDirectory("", dir_.Path())) {}

    // A table of the database, open; created first when `create`.
    std::unique_ptr<TDataTable> Table(const std::string& name = "PEOPLE", bool create = false,
                                      TTableOpenMode mode = {}) {
        auto table = std::make_unique<TDataTable>(settings_, Location(name), &database_);
        if (create) table->Create(PeopleDefinition(true));
        table->Open(mode);
        return table;
    }

    // A random put (with a memo of 0 to 3 blocks, or none) or delete of a key in 1 .. `keys`, applied to
    // the table and to the oracle.
    void RandomEdit(TDataTable& table, TContents& oracle, uint32_t keys = 40) {
        int32_t key = int32_t(random_() % keys) + 1;
        if (oracle.count(key) && random_() % 3 == 0) {
            DeletePerson(table, key);
            oracle.erase(key);
            return;
        }
        static const size_t memoSizes[] = {0, 7, 494, 1400};
        TPerson person{key, int32_t(random_() % 1000), "name " + std::to_string(random_() % 5),
                       std::string(memoSizes[random_() % 4], char('a' + random_() % 26))};
        PutPerson(table, person);
        oracle[key] = person;
    }

    // The bytes of the table's three files.
    std::array<std::string, 3> FileBytes(const std::string& name = "PEOPLE") const {
        std::array<std::string, 3> bytes;
        const char* extensions[] = {".DAT", ".IDX", ".BLB"};
        for (size_t i = 0; i < 3; ++i) {
            auto file = Opened(name + extensions[i]);
            bytes[i] = ReadAll(*file);
        }
        return bytes;
    }

    TDataSession session_;
    TDataDirectory& database_;
    std::mt19937 random_{20240611};
};

} // namespace vorsam::test
