// A model-based run of the data file's record side: random appends, fetches, modifications, deletions,
// flushes, trims and pins on tiny caches, checked against an in-memory model of every slot after each
// step, and the file's bytes checked after each flush.
#include "DataFileTestSupport.h"

#include "db/engine/TableVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/Scramble.h"

#include <map>
#include <random>

namespace vorsam::test {
namespace {

// What the table should hold: every slot's plain image, the free chain and the counters.
struct TTableModel {
    std::vector<std::vector<uint8_t>> Slots; // slot n at n - 1
    std::vector<uint32_t> FreeChain;         // the head last
    uint32_t LastAutoInc = 0;

    uint32_t Head() const { return FreeChain.empty() ? 0 : FreeChain.back(); }
    uint32_t Next() const { return uint32_t(Slots.size() + 1); }
    std::vector<uint8_t>& Slot(uint32_t n) { return Slots[n - 1]; }
    bool Active(uint32_t n) const { return Slots[n - 1][0] == RecordActive; }
};

class DataFileModelTest : public TDataFileTest {
protected:
    void Run(bool encrypted, uint32_t seed, int steps);

private:
    void Step();
    void Append();
    void Fetch();
    void Modify();
    void Delete();
    void Flush();
    void Resize();
    void Pin();
    void Unpin();

    uint32_t AnySlot() { return std::uniform_int_distribution<uint32_t>(1, model_.Next() - 1)(random_); }
    uint32_t AnyActive();
    // The record through GetRecord, read in a random direction with or without read-ahead; pinned.
    TRecord& Get(uint32_t n);
    void Scribble(TRecord& record);
    void CheckAll();
    void CheckFile();

    std::unique_ptr<TDataFile> file_;
    TTableModel model_;
    std::map<uint32_t, TRecord*> pinned_; // held across steps, one pin each
    TFakeCacheClient client_;
    std::mt19937 random_;
    uint16_t recordSize_ = 0;
};

uint32_t DataFileModelTest::AnyActive() {
    for (int tries = 0; tries < 20 && model_.Next() > 1; ++tries)
        if (uint32_t n = AnySlot(); model_.Active(n)) return n;
    return 0;
}

TRecord& DataFileModelTest::Get(uint32_t n) {
    bool readAhead = random_() % 2, backward = random_() % 2, cursorCount = random_() % 3 == 0;
    client_.Count = random_() % 6;
    TRecord* record = file_->GetRecord(
        &client_, n, backward ? TReadDirection::Backward : TReadDirection::Forward, cursorCount, readAhead);
    EXPECT_NE(record, nullptr);
    return *record;
}

void DataFileModelTest::Scribble(TRecord& record) {
    auto image = record.Image();
    for (int i = 0; i < 4; ++i) {
        size_t at = RecordPrefixSize + random_() % (recordSize_ - RecordPrefixSize);
        image[at] = uint8_t(random_());
    }
    record.SetModified();
    model_.Slot(record.RecordNumber()).assign(image.begin(), image.end());
}

void DataFileModelTest::Append() {
    TRecord* record = file_->AllocateRecord(&client_);
    ASSERT_NE(record, nullptr);
    uint32_t expected = model_.Head() ? model_.Head() : model_.Next();
    ASSERT_EQ(record->RecordNumber(), expected);
    if (model_.Head())
        model_.FreeChain.pop_back();
    else
        model_.Slots.emplace_back();
    record->Clear(true);
    ++model_.LastAutoInc;
    EXPECT_EQ(record->AutoIncValue(), model_.LastAutoInc);
    Scribble(*record);
    file_->ReleaseRecord(*record);
}

void DataFileModelTest::Fetch() {
    if (model_.Next() == 1) return;
    uint32_t n = AnySlot();
    TRecord& record = Get(n);
    EXPECT_TRUE(std::equal(record.Image().begin(), record.Image().end(), model_.Slot(n).begin())) << n;
    file_->ReleaseRecord(record);
}

void DataFileModelTest::Modify() {
    if (uint32_t n = AnyActive()) {
        TRecord& record = Get(n);
        Scribble(record);
        file_->ReleaseRecord(record);
    }
}

void DataFileModelTest::Delete() {
    uint32_t n = AnyActive();
    if (n == 0) return;
    TRecord& record = Get(n);
    file_->FreeRecord(record);
    std::vector<uint8_t>& slot = model_.Slot(n);
    slot[0] = RecordDeleted;
    StoreLE32(&slot[NextFreeOffset], model_.Head());
    model_.FreeChain.push_back(n);
    file_->ReleaseRecord(record);
}

void DataFileModelTest::Flush() {
    file_->FlushRecords();
    file_->WriteHeader();
    CheckFile();
}

void DataFileModelTest::Resize() {
    owner_.Config.BufferSize = recordSize_ * (random_() % 5);
    file_->TrimRecordCache();
    EXPECT_LE(file_->RecordCache().Count(), std::max(file_->CacheLimit(), pinned_.size()));
}

void DataFileModelTest::Pin() {
    if (model_.Next() == 1 || pinned_.size() >= 3) return;
    uint32_t n = AnySlot();
    if (!pinned_.contains(n)) pinned_[n] = &Get(n);
}

void DataFileModelTest::Unpin() {
    if (pinned_.empty()) return;
    auto it = std::next(pinned_.begin(), ptrdiff_t(random_() % pinned_.size()));
    file_->ReleaseRecord(*it->second);
    pinned_.erase(it);
}

void DataFileModelTest::Step() {
    switch (random_() % 20) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
        return Append();
    case 5:
    case 6:
    case 7:
    case 8:
        return Fetch();
    case 9:
    case 10:
    case 11:
        return Modify();
    case 12:
    case 13:
    case 14:
        return Delete();
    case 15:
        return Flush();
    case 16:
        return Resize();
    case 17:
    case 18:
        return Pin();
    default:
        return Unpin();
    }
}

void DataFileModelTest::CheckAll() {
    ASSERT_EQ(file_->GetRecordCount(), model_.Slots.size());
    ASSERT_EQ(file_->Header().FreeChainHead(), model_.Head());
    ASSERT_EQ(file_->GetLastAutoIncValue(), model_.LastAutoInc);
    for (uint32_t n = 1; n < model_.Next(); ++n) {
        TRecord* record = file_->GetRecord(nullptr, n);
        ASSERT_TRUE(std::equal(record->Image().begin(), record->Image().end(), model_.Slot(n).begin())) << n;
        file_->ReleaseRecord(*record);
    }
    for (const auto& [n, record] : pinned_) ASSERT_EQ(record->PinCount(), 1) << n;
}

void DataFileModelTest::CheckFile() {
    std::string bytes = FileBytes();
    auto at = [&](uint64_t offset) { return reinterpret_cast<uint8_t*>(bytes.data()) + offset; };
    ASSERT_EQ(LoadLE32(at(13)), model_.Next());
    ASSERT_EQ(LoadLE32(at(9)), model_.Head());
    ASSERT_EQ(LoadLE32(at(17)), model_.LastAutoInc);
    for (uint32_t n = 1; n < model_.Next(); ++n) {
        if (pinned_.contains(n)) continue; // pinned records are written once released
        uint64_t offset = file_->Header().SlotOffset(n);
        ASSERT_LE(offset + recordSize_, bytes.size()) << n;
        std::vector<uint8_t> slot(at(offset), at(offset + recordSize_));
        if (file_->GetEncrypted()) UnscrambleBuffer(slot.data(), slot.size(), TableDataSeed1, TableDataSeed2);
        ASSERT_EQ(slot, model_.Slot(n)) << n;
    }
    if (pinned_.empty()) {
        ASSERT_EQ(bytes.size(), file_->Header().SlotOffset(model_.Next()));
        TVerifyReport report;
        VerifyDataFile(*file_, report);
        ASSERT_TRUE(report.Ok()) << report.Problems.front();
        ASSERT_EQ(report.DeletedRecords, model_.FreeChain.size());
    }
}

void DataFileModelTest::Run(bool encrypted, uint32_t seed, int steps) {
    random_.seed(seed);
    model_ = {};
    owner_.IsLocked = true; // a writer holds the table's write lock
    owner_.Config.BufferSize = 2 * 36;
    file_ = CreateTable(
        MakeFields({{"CODE", dtInteger, 0, stAutoInc}, {"ID", dtInteger}, {"NAME", dtString, 20}}),
        {.Encrypted = encrypted});
    recordSize_ = file_->GetRecordSize();
    ASSERT_EQ(recordSize_, 36);
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE(step);
        Step();
        CheckAll();
        if (HasFatalFailure()) return;
    }
    while (!pinned_.empty()) Unpin();
    Flush();
    file_->Close();
    file_ = OpenTable();
    EXPECT_NO_THROW(file_->ValidateHeader());
    CheckAll();
    file_->Close();
}

TEST_P(DataFileModelTest, RandomRunAgreesWithTheModel) {
    Run(false, 1, 1500);
}

TEST_P(DataFileModelTest, RandomRunAgreesWithTheModelWhenEncrypted) {
    Run(true, 2, 1500);
}

INSTANTIATE_TEST_SUITE_P(Storage, DataFileModelTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
