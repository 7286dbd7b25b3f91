// Shared pieces of the transaction tests: people tables made for one database (so that their writes
// join its transactions), random edits applied to a table and to an oracle alike, the bytes of a
// table's files, to show what reached them, and a commit of two tables cut short as a crash would.
#pragma once

#include "TableTestSupport.h"

#include "../robustness/OpenAfterCrash.h"

#include "db/engine/DataSession.h"
#include "db/lib/FileFaults.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <array>
#include <filesystem>
#include <functional>
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

enum class TReopened { Before, After, Neither };

// Two tables with records of their own, and a transaction over both whose commit a crash cuts short.
class TCommitCrashTest : public TTransactionTest {
protected:
    std::vector<std::string> names_ = {"PEOPLE", "OTHERS"};
    int edits_ = 25;       // of the transaction, per table
    uint32_t keys_ = 40;   // drawn from
    bool repairs_ = false; // a table may be refused and repaired after the crash

    // Fresh tables with records of their own (their state before), then a transaction over both, not
    // yet committed; the oracle gets the state after.
    std::vector<std::unique_ptr<TDataTable>> Prepare() {
        std::vector<std::unique_ptr<TDataTable>> tables;
        random_.seed(7);
        for (size_t i = 0; i < names_.size(); ++i) {
            auto table = NewTable(names_[i]);
            if (table->Exists()) table->Delete();
            tables.push_back(Table(names_[i], true));
            before_[i] = after_[i] = {};
            for (int n = 0; n < 25; ++n) RandomEdit(*tables[i], before_[i]);
        }
        database_.StartTransaction();
        for (size_t i = 0; i < names_.size(); ++i) {
            after_[i] = before_[i];
            for (int n = 0; n < edits_; ++n) RandomEdit(*tables[i], after_[i], keys_);
        }
        return tables;
    }

    // The commit cut short at its write n (0: the first write after its first folder's journal, the
    // commit point), then everything dropped as a crash would; `beforeCommit` runs once the transaction
    // is ready.
    void CrashAt(uint64_t n, size_t keepBytes, const std::function<void()>& beforeCommit = {}) {
        auto tables = Prepare();
        if (beforeCommit) beforeCommit();
        const std::string journal = (std::filesystem::path(dir_.Path()) / names_[0]).string() + ".JNL";
        if (n > 0)
            GetFileList().Faults().StopAtWrite(n, keepBytes);
        else
            GetFileList().Faults().SetObserver([journal](const TFileEvent& e) {
                if (e.Operation == TFileOperation::Write && e.FileName == journal && e.Offset > 0)
                    GetFileList().Faults().StopAtWrite(1);
            });
        try {
            database_.Commit(true, true);
        } catch (const ESimulatedCrash&) {
        }
        tables.clear();
        if (database_.InTransaction()) database_.Rollback();
        GetFileList().Faults().Reset();
    }

    // Table i opened after the crash, in the test's folder or its copy at `folder`: as before the commit or
    // after.
    TReopened Reopen(size_t i, const std::string& folder = {}) {
        TTableLocation location = Location(names_[i]);
        if (!folder.empty()) location.Directory = folder;
        if (!folder.empty() && location.Name.starts_with(dir_.Path()))
            location.Name = folder + location.Name.substr(dir_.Path().size());
        TDataTable table(settings_, location);
        TAfterCrash reopened = OpenAfterCrash(table);
        EXPECT_TRUE(repairs_ || !reopened.Repaired) << names_[i] << " was refused";
        if (reopened.Contents == before_[i]) return TReopened::Before;
        EXPECT_EQ(reopened.Contents, after_[i]) << names_[i] << " holds neither the state before nor after";
        return reopened.Contents == after_[i] ? TReopened::After : TReopened::Neither;
    }

    std::array<TContents, 2> before_, after_;
};

} // namespace vorsam::test
