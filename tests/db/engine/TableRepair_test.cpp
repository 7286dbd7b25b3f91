// Tables a write that never ended left behind, made by hand on the files: the header-changed byte that
// other writers leave set is not read; the write-in-progress mark makes the table check its files, and
// it opens when they agree; when they do not, the open refuses it until Repair mends the files, saying
// in its log what it found and dropped. What defines the table cannot be mended.
#include "TableTestSupport.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

namespace vorsam::test {
namespace {

constexpr uint64_t HeaderChangedByte = 111, WriteMarkByte = 126, LastAutoIncOffset = 17;

// The helpers are open to the damages below.
class TableRepairTest : public TTableTest {
public:
    std::string Bytes(const char* extension) const {
        auto file = Opened("PEOPLE" + std::string(extension));
        return ReadAll(*file);
    }
    void Poke(const char* extension, uint64_t offset, const std::string& bytes) const {
        auto file = Opened("PEOPLE" + std::string(extension));
        WriteAt(*file, offset, bytes);
    }
    void Append(const char* extension, const std::string& bytes) const {
        auto file = Opened("PEOPLE" + std::string(extension));
        WriteAt(*file, file->GetFileSize(), bytes);
    }
    static std::string U32(uint32_t value) {
        std::string bytes(4, '\0');
        StoreLE32(reinterpret_cast<uint8_t*>(bytes.data()), value);
        return bytes;
    }

    // A closed memo table of three people, and where its records and first record's memo lie.
    void MakePeople() {
        auto table = CreatePeople(true);
        for (const TPerson& person : people_) PutPerson(*table, person);
        const TDataFileHeader& header = table->DataFile().Header();
        slot_ = [offset = header.SlotOffset(1), size = header.RecordSize()](uint32_t n) {
            return offset + uint64_t(n - 1) * size;
        };
        recordSize_ = header.RecordSize();
        TFieldDescriptor doc;
        table->DataFile().GetFieldDescByName("DOC", doc);
        docOffset_ = doc.Offset();
        table->Close();
    }
    TContents People() const {
        TContents contents;
        for (const TPerson& person : people_) contents[person.Key] = person;
        return contents;
    }
    // The first block of record n's memo, as the record holds it.
    uint32_t FirstBlock(uint32_t n) const {
        std::string slot = Bytes(".DAT").substr(slot_(n), recordSize_);
        return LoadLE32(reinterpret_cast<const uint8_t*>(&slot[docOffset_ + 1]));
    }

    // Opens, repairs and opens again; the repair's log.
    std::vector<std::string> Repair() {
        std::vector<std::string> log;
        NewTable()->Repair({{}, [&](const std::string& line) { log.push_back(line); }});
        return log;
    }
    std::unique_ptr<TDataTable> Open() { return OpenPeople(); }
    static bool Logged(const std::vector<std::string>& log, const std::string& part) {
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }

    const std::vector<TPerson> people_ = {
        {1, 10, "Ana", std::string(1400, 'a')}, {2, 20, "Bia"}, {3, 30, "Caio", std::string(30, 'c')}};
    std::function<uint64_t(uint32_t)> slot_;
    uint16_t recordSize_ = 0;
    uint16_t docOffset_ = 0;
};

TEST_P(TableRepairTest, TheHeaderChangedByteThatOtherWritersLeaveSetIsNotRead) {
    MakePeople();
    Poke(".DAT", HeaderChangedByte, "\x01");
    auto table = OpenPeople();
    EXPECT_FALSE(table->DataFile().WriteInterrupted());
    EXPECT_EQ(Contents(*table), People());
    PutPerson(*table, {4, 40, "Duda"});
    table->Close();
    EXPECT_EQ(Bytes(".DAT")[HeaderChangedByte], '\0');
    EXPECT_EQ(Bytes(".DAT")[WriteMarkByte], '\0');
    EXPECT_EQ(Problems(*OpenPeople()), "");
}

// The mark alone: the files agree. The table opens, also for a user that has it open already and
// notices the mark at its next lock, and the next write ends without the mark.
TEST_P(TableRepairTest, AMarkedTableWhoseFilesAgreeOpensAndTheNextWriteClearsTheMark) {
    MakePeople();
    auto reader = OpenPeople();
    Poke(".DAT", WriteMarkByte, "\x01");
    Poke(".DAT", 0, U32(1000)); // a new change counter, as a header write gives
    EXPECT_EQ(Contents(*reader), People());
    EXPECT_TRUE(reader->DataFile().WriteInterrupted());
    auto writer = OpenPeople();
    EXPECT_TRUE(writer->DataFile().WriteInterrupted());
    PutPerson(*writer, {4, 40, "Duda"});
    EXPECT_EQ(Bytes(".DAT")[WriteMarkByte], '\0');
    EXPECT_EQ(Contents(*reader).size(), 4u);
    EXPECT_FALSE(reader->DataFile().WriteInterrupted());
}

// Blocks and pages a broken-off write never counted: flagged without the mark; with it, the next write (no
// change check under a read level, or a whole lock's journaled end) leaves no file beyond its header's count.
TEST_P(TableRepairTest, TheWriteAfterAnInterruptedOneCutsWhatThatOneAppendedBeyondTheHeaders) {
    for (bool whole : {false, true}) {
        if (auto old = NewTable(); old->Exists()) old->Delete();
        MakePeople();
        Append(".BLB", std::string(2 * DefaultBlobBlockSize, 'b'));
        Append(".IDX", std::string(IndexPageSize, 'i'));
        EXPECT_NE(Problems(*OpenPeople()).find("blob file: 1024 bytes beyond"), std::string::npos);
        Poke(".DAT", WriteMarkByte, "\x01");
        auto table = OpenPeople();
        std::optional<TTableRead> read;
        whole ? (void)table->LockTable() : (void)read.emplace(*table);
        PutPerson(*table, {4, 40, "Duda", "memo"});
        whole ? table->UnlockTable() : read.reset();
        EXPECT_EQ(Problems(*OpenPeople()), "") << whole;
    }
}

struct TDamage {
    const char* Name;
    std::function<void(TableRepairTest&)> Make; // the damage; the mark is set after it
    const char* Logged;                         // a part of a line of the repair's log ("" none)
    std::function<TContents(TContents)> After;  // the people the repaired table holds
};

class TableRepairDamageTest : public TableRepairTest {
protected:
    void Run(const TDamage& damage, bool mark) {
        MakePeople();
        damage.Make(*this);
        if (mark) Poke(".DAT", WriteMarkByte, "\x01");
        try {
            OpenPeople();
            ADD_FAILURE() << "the damaged table opens";
        } catch (const EVORSAMEngineError& e) {
            EXPECT_EQ(e.ErrorCode, mark ? VORSAM_WRITEINTERRUPTED : VORSAM_HEADERCORRUPT) << e.what();
        }
        std::vector<std::string> log = Repair();
        if (*damage.Logged) {
            EXPECT_TRUE(Logged(log, damage.Logged)) << log.back();
        }
        auto table = OpenPeople();
        EXPECT_FALSE(table->DataFile().WriteInterrupted());
        EXPECT_EQ(Problems(*table), "");
        EXPECT_EQ(Contents(*table), damage.After(People()));
        PutPerson(*table, {9, 90, "Ana", "new"}); // the counters go on past every record's
        PutPerson(*table, {10, 100, "Ana"});
        EXPECT_EQ(Problems(*table), "");
    }
};

const TDamage Damages[] = {
    {"HeaderBehindTheRecords",
     [](TableRepairTest& t) {
         std::string header = t.Bytes(".DAT").substr(0, TDataFileHeader::Size);
         auto table = t.Open();
         PutPerson(*table, {4, 40, "Duda"});
         table->Close();
         t.Poke(".DAT", 0, header);
     },
     "",
     [](TContents people) {
         people[4] = {4, 40, "Duda"};
         return people;
     }},
    {"ARecordAboveTheLastAutoIncrementValue",
     [](TableRepairTest& t) { t.Poke(".DAT", LastAutoIncOffset, t.U32(1)); }, "",
     [](TContents p) { return p; }},
    {"ABrokenBlobChain",
     [](TableRepairTest& t) {
         uint32_t block = t.FirstBlock(1);
         t.Poke(".BLB", TBlobFileHeader::Size + uint64_t(block - 1) * DefaultBlobBlockSize + 10,
                t.U32(77777));
     },
     "record 1: the BLOB of the field 'DOC' was dropped",
     [](TContents people) {
         people[1].Memo.clear();
         return people;
     }},
    {"ZeroedIndexPages", [](TableRepairTest& t) { t.Poke(".IDX", 4096, std::string(8192, '\0')); },
     "cut short from here leaves the table refused", [](TContents p) { return p; }},
    {"HalfARecordAtTheEnd", [](TableRepairTest& t) { t.Append(".DAT", "half"); },
     "the part of a record at the end of the file was dropped (4 bytes)", [](TContents p) { return p; }},
    {"ASlotNeitherActiveNorDeleted", [](TableRepairTest& t) { t.Poke(".DAT", t.slot_(2), "\x07"); },
     "record 2: status 7; made a deleted record",
     [](TContents people) {
         people.erase(2);
         return people;
     }},
    {"AKeyTwice",
     [](TableRepairTest& t) {
         // Record 3 takes record 2's key (and name).
         std::string two = t.Bytes(".DAT").substr(t.slot_(2), t.recordSize_);
         t.Poke(".DAT", t.slot_(3) + 9, two.substr(9, t.docOffset_ - 9));
     },
     "record 3: its key in the index 'Primary' is another record's; the record was deleted",
     [](TContents people) {
         people.erase(3);
         return people;
     }},
};

TEST_P(TableRepairDamageTest, EachDamageIsRefusedAfterAnInterruptedWriteAndRepaired) {
    for (const TDamage& damage : Damages) {
        SCOPED_TRACE(damage.Name);
        if (auto old = NewTable(); old->Exists()) old->Delete();
        Run(damage, true);
        if (HasFatalFailure()) return;
    }
}

// Without the mark (a writer that leaves none): the open's own checks refuse the table; Repair mends it
// all the same.
TEST_P(TableRepairDamageTest, ATableThatFailsTheOpensChecksIsRepairedToo) {
    Run(Damages[4], false);
}

TEST_P(TableRepairTest, WhatDefinesTheTableCannotBeRepairedAndNothingIsWritten) {
    MakePeople();
    Poke(".DAT", TDataFileHeader::Size + 2 + 1, "!"); // the first field's name
    Poke(".DAT", WriteMarkByte, "\x01");
    std::string before = Bytes(".DAT") + Bytes(".IDX") + Bytes(".BLB");
    std::vector<std::string> log;
    EXPECT_ENGINE_ERROR(NewTable()->Repair({{}, [&](const std::string& line) { log.push_back(line); }}),
                        VORSAM_HEADERCORRUPT);
    EXPECT_TRUE(Logged(log, "the field descriptors are damaged"));
    EXPECT_EQ(Bytes(".DAT") + Bytes(".IDX") + Bytes(".BLB"), before);
}

TEST_P(TableRepairTest, RepairTellsItsStepsInOrderAndIsRefusedWhileTheTableIsInUse) {
    MakePeople();
    {
        auto user = OpenPeople();
        EXPECT_ENGINE_ERROR(NewTable()->Repair(), VORSAM_FILEINUSE);
    }
    std::vector<std::pair<std::string, int>> progress;
    NewTable()->Repair(
        {[&](const std::string& step, int percent) { progress.emplace_back(step, percent); }, {}});
    std::vector<std::string> steps;
    for (size_t i = 0; i < progress.size(); ++i) {
        if (steps.empty() || steps.back() != progress[i].first) {
            steps.push_back(progress[i].first);
            EXPECT_EQ(progress[i].second, 0) << progress[i].first;
        } else {
            EXPECT_GT(progress[i].second, progress[i - 1].second) << progress[i].first;
        }
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"Checking the definitions", "Checking the records",
                                               "Checking the keys", "Checking the BLOB chains",
                                               "Rebuilding the indexes"}));
    EXPECT_EQ(progress.back().second, 100);
    EXPECT_EQ(Contents(*OpenPeople()), People());
}

// A repair, the table check and the check of a table an interrupted write marked, each with each read of
// each file failing in turn: a read that fails is not damage. Each raises its error; the repair changes no
// byte, and the table keeps every memo.
TEST_P(TableRepairTest, AReadThatFailsInARepairOrACheckIsRaisedAndDropsNothing) {
    MakePeople();
    auto eachRead = [&](const std::function<void()>& step, const std::function<void()>& after) {
        std::map<std::string, uint64_t> reads;
        GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
            if (e.Operation == TFileOperation::Read)
                ++reads[std::string(e.FileName.substr(e.FileName.size() - 4))];
        });
        step();
        GetFileList().Faults().Reset();
        EXPECT_GT(reads[".BLB"], 1u);
        for (const auto& [extension, count] : reads)
            for (uint64_t n = 1; n <= count; ++n) {
                SCOPED_TRACE(extension + std::to_string(n));
                const std::string before = Bytes(".DAT") + Bytes(".IDX") + Bytes(".BLB");
                GetFileList().Faults().FailWhere(
                    TFileOperation::Read,
                    [&, seen = uint64_t(0)](const TFileEvent& e) mutable {
                        return e.FileName.ends_with(extension) && ++seen == n;
                    },
                    EIO);
                EXPECT_ENGINE_ERROR(step(), VORSAM_READERR);
                GetFileList().Faults().Reset();
                EXPECT_EQ(Bytes(".DAT") + Bytes(".IDX") + Bytes(".BLB"), before);
                after();
            }
    };
    eachRead([&] { NewTable()->Repair(); }, [] {});
    eachRead(
        [&] {
            auto table = OpenPeople();
            if (std::string problems = Problems(*table); !problems.empty()) ADD_FAILURE() << problems;
        },
        [] {});
    Poke(".DAT", WriteMarkByte, "\x01");
    Poke(".DAT", 0, U32(1000));
    eachRead([&] { Contents(*OpenPeople()); }, [&] { Poke(".DAT", 0, U32(1000)); });
    EXPECT_EQ(Contents(*OpenPeople()), People());
}

INSTANTIATE_TEST_SUITE_P(Storage, TableRepairTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);
INSTANTIATE_TEST_SUITE_P(Storage, TableRepairDamageTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
