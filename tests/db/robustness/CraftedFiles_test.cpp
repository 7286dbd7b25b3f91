// Working files crafted from outside with correct checksums: swap records and the journal of a two-table
// commit cut short at its commit point, naming missing, foreign or linked files or writing far beyond
// them. No table is lost, no commit is split, nothing outside the folder changes.
#include "../engine/TransactionTestSupport.h"

#include "db/engine/WorkingFiles.h"
#include "db/lib/ByteUtils.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <zlib.h>

namespace vorsam::test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

uint32_t Crc(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    return uint32_t(crc32(0, bytes.data() + from, uInt(to - from)));
}

// A journal's bytes (CommitJournal.h): where its description ends and each write begins; Seal mends its sums.
struct TJournalBytes {
    explicit TJournalBytes(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {
        size_t at = 48;
        auto name = [&] { at += 2 + LoadLE16(&Bytes[at]); };
        for (uint32_t n = LoadLE32(&Bytes[24]); n > 0; --n) name();
        for (uint32_t n = LoadLE32(&Bytes[12]); n > 0; --n, at += 127) name(), name(), name();
        DescriptionEnd = at;
        for (; at < Bytes.size(); at += 16 + LoadLE32(&Bytes[at + 12])) Writes.push_back(at);
    }
    void Seal() {
        StoreLE64(&Bytes[32], Bytes.size() - 48);
        StoreLE32(&Bytes[40], Crc(Bytes, 48, Bytes.size()));
        StoreLE32(&Bytes[44], Crc(Bytes, 0, 44));
    }
    std::vector<uint8_t> Bytes;
    size_t DescriptionEnd;
    std::vector<size_t> Writes;
};

class CraftedFilesTest : public TCommitCrashTest {
protected:
    CraftedFilesTest() { repairs_ = true; }

    // Both tables after a crash at the commit point (the folder as it left it, kept once and put back),
    // with the journal crafted by `craft`: never split.
    TReopened ReopenWithJournal(const std::function<void(TJournalBytes&)>& craft) {
        if (crashed_.empty()) {
            CrashAt(0, 0);
            for (const auto& entry : fs::directory_iterator(dir_.Path()))
                crashed_[entry.path()] = Load(entry.path());
        }
        for (const auto& [path, bytes] : crashed_) Save(path, bytes);
        TJournalBytes journal(Load(dir_.File("PEOPLE.JNL")));
        craft(journal);
        journal.Seal();
        Save(dir_.File("PEOPLE.JNL"), journal.Bytes);
        TReopened first = Reopen(0), second = Reopen(1);
        EXPECT_EQ(first, second) << "the commit split";
        for (const auto& entry : fs::recursive_directory_iterator(dir_.Path()))
            EXPECT_LT(entry.is_regular_file() ? entry.file_size() : 0, uintmax_t(1) << 30) << entry.path();
        return first;
    }

    std::map<std::string, std::vector<uint8_t>> crashed_;
};

// Description bytes changed at random, writes far beyond the files, another folder listed (holding a
// journal of the same name). (A journal's name that is a link: PendingCommits_test.cpp.)
TEST_P(CraftedFilesTest, ACraftedJournalIsCompletedWholeOrNotAtAllAndNothingOutsideChanges) {
    EXPECT_EQ(ReopenWithJournal([](TJournalBytes&) {}), TReopened::After) << "the journal as written";
    std::mt19937 random(44);
    for (int n = 0; n < 300 && !HasFailure(); ++n) {
        SCOPED_TRACE("change " + std::to_string(n));
        ReopenWithJournal([&](TJournalBytes& journal) {
            journal.Bytes[48 + random() % (journal.DescriptionEnd - 48)] ^= uint8_t(1 + random() % 255);
        });
    }
    TTempDir elsewhere;
    Save(elsewhere.File("PEOPLE.JNL"), {1, 2, 3});
    auto moveWrite = [](uint64_t offset) {
        return [offset](TJournalBytes& journal) {
            for (size_t at : journal.Writes)
                if (LoadLE16(&journal.Bytes[at]) == 0 && journal.Bytes[at + 2] == 1)
                    return StoreLE64(&journal.Bytes[at + 4], offset);
            ADD_FAILURE() << "no write of the first table's index";
        };
    };
    const std::pair<const char*, std::function<void(TJournalBytes&)>> cases[] = {
        {"a write 1 TiB in", moveWrite(uint64_t(1) << 40)},
        {"a write at 2^63", moveWrite(uint64_t(1) << 63)},
        {"another folder", [&](TJournalBytes& journal) {
             Save(elsewhere.File("PEOPLE.JNL"), journal.Bytes);
             std::vector<uint8_t> name(2);
             StoreLE16(name.data(), uint16_t(elsewhere.Path().size()));
             name.insert(name.end(), elsewhere.Path().begin(), elsewhere.Path().end());
             journal.Bytes.insert(journal.Bytes.begin() + 48, name.begin(), name.end());
             StoreLE32(&journal.Bytes[24], LoadLE32(&journal.Bytes[24]) + 1);
         }}};
    for (const auto& [name, craft] : cases) {
        SCOPED_TRACE(name);
        ReopenWithJournal(craft);
        EXPECT_TRUE(fs::exists(elsewhere.File("PEOPLE.JNL"))) << "a file elsewhere was deleted";
        fs::remove(dir_.File("PEOPLE.JNL"));
    }
}

// Swap records naming files that are missing, elsewhere, another table's or links: the tables and those
// files stay as they are (put back when the swap went half way, also when going back is cut short).
TEST_P(CraftedFilesTest, ASwapRecordThatCannotBeSettledLeavesTheTableAsItIs) {
    Prepare();
    database_.Rollback();
    fs::create_directory(dir_.File("X"));
    for (const std::string& working : {dir_.File("_VT0000ABCD"), dir_.File("X/_VT0000ABCD")})
        TDataTable(settings_, {"", working, false, ""}).Create(PeopleDefinition(true));
    const std::string extensions[] = {".DAT", ".IDX", ".BLB"};
    auto halfDone = [&] { // the old files at their backup names, a new one in place, the others gone
        for (const std::string& e : extensions)
            fs::rename(dir_.File("PEOPLE" + e), dir_.File("PEOPLE." + e.substr(1, 1) + "BK"));
        fs::copy_file(dir_.File("OTHERS.BLB"), dir_.File("PEOPLE.BLB"));
    };
    const std::pair<std::string, std::function<void()>> cases[] = {
        {"_VT0000FFFF", [] {}},
        {"_VT0000FFFF", halfDone},
        {"_VT0000ABCD", [&] { fs::remove(dir_.File("_VT0000ABCD.DAT")); }},
        {"../X/_VT0000ABCD", [] {}},
        {dir_.File("X/_VT0000ABCD"), [] {}},
        {"OTHERS", [] {}},
        {"_VT0000ABCD", [&] {
             for (const std::string& e : extensions) {
                 fs::remove(dir_.File("_VT0000ABCD" + e));
                 fs::create_symlink(dir_.File("OTHERS" + e), dir_.File("_VT0000ABCD" + e));
             }
         }}};
    auto writeRecord = [&](const std::string& working) {
        std::vector<uint8_t> record = {'T', 'B', 'L', 'S', 'W', 'A', 'P', '1', 7, 7, 1, 0, 0, 0};
        StoreLE16(&record[12], uint16_t(working.size()));
        record.insert(record.end(), working.begin(), working.end());
        record.resize(record.size() + 4);
        StoreLE32(&record[record.size() - 4], Crc(record, 0, record.size() - 4));
        record.push_back(1); // swapping
        Save(dir_.File("PEOPLE.SWP"), record);
    };
    for (const auto& [working, prepare] : cases) {
        SCOPED_TRACE(working);
        prepare();
        writeRecord(working);
        EXPECT_EQ(Reopen(0), TReopened::Before);
        EXPECT_EQ(Reopen(1), TReopened::Before);
        EXPECT_TRUE(fs::exists(dir_.File("X/_VT0000ABCD.DAT")) && fs::exists(dir_.File("X/_VT0000ABCD.IDX")));
    }
    for (uint64_t rename = 1; rename <= 4; ++rename) {
        SCOPED_TRACE("going back stopped at rename " + std::to_string(rename));
        halfDone();
        writeRecord("_VT0000FFFF");
        GetFileList().Faults().StopAt(TFileOperation::Rename, rename);
        EXPECT_THROW(NewTable("PEOPLE")->Open(), ESimulatedCrash);
        GetFileList().Faults().Reset();
        EXPECT_EQ(Reopen(0), TReopened::Before);
    }
    // The links to OTHERS stay links: removing stray working files never deletes what a link names.
    for (const std::string& e : extensions)
        fs::last_write_time(dir_.File("OTHERS" + e),
                            fs::file_time_type::clock::now() - std::chrono::hours(1));
    RemoveStrayWorkingFiles(dir_.Path());
    EXPECT_EQ(Reopen(1), TReopened::Before);
}

INSTANTIATE_TEST_SUITE_P(Storage, CraftedFilesTest, ::testing::Values(TStorage::Disk), StorageName);

} // namespace
} // namespace vorsam::test
