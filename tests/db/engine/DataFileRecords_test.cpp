// The data file's records: the free chain, limits, reads with read-ahead, writes in runs, the record
// cache's eviction rules, and what happens with corrupt or short files.
#include "DataFileTestSupport.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

namespace vorsam::test {
namespace {

std::vector<TFieldDescriptor> SmallFields() {
    return MakeFields({{"ID", dtInteger}, {"NAME", dtString, 20}}); // record size 36
}

class DataFileRecordsTest : public TDataFileTest {
protected:
    using TDataFileTest::TableWithRecords;
    std::unique_ptr<TDataFile> TableWithRecords(size_t count) {
        return TableWithRecords(count, SmallFields());
    }

    uint32_t Fetch(TDataFile& file, uint32_t number, TReadDirection direction = TReadDirection::Forward,
                   bool readAhead = false) {
        TRecord* record = file.GetRecord(nullptr, number, direction, false, readAhead);
        uint32_t marker = Marker(*record);
        file.ReleaseRecord(*record);
        return marker;
    }
    void Delete(TDataFile& file, uint32_t number) {
        TRecord* record = file.GetRecord(nullptr, number);
        file.FreeRecord(*record);
        file.ReleaseRecord(*record);
    }
    uint32_t Allocate(TDataFile& file) {
        TRecord* record = file.AllocateRecord(nullptr);
        uint32_t number = record->RecordNumber();
        record->Clear(true);
        file.ReleaseRecord(*record);
        return number;
    }
    // Shrinks the cache to `records` records (the settings' byte budget at 36-byte records).
    void SetCacheRecords(TDataFile& file, uint32_t records) {
        owner_.Config.BufferSize = records * 36;
        file.TrimRecordCache();
    }
};

TEST_P(DataFileRecordsTest, DeletedRecordsAreReusedMostRecentFirst) {
    auto file = TableWithRecords(10);
    Delete(*file, 5);
    Delete(*file, 9);
    EXPECT_EQ(file->Header().FreeChainHead(), 9u);
    TRecord* nine = file->GetRecord(nullptr, 9);
    EXPECT_EQ(nine->Status(), RecordDeleted);
    EXPECT_EQ(nine->GetNextFree(), 5u);
    EXPECT_EQ(Marker(*nine), 9u); // the values stay
    file->ReleaseRecord(*nine);
    EXPECT_EQ(Fetch(*file, 5), 5u);

    EXPECT_EQ(Allocate(*file), 9u);
    EXPECT_EQ(file->Header().FreeChainHead(), 5u);
    EXPECT_EQ(Allocate(*file), 5u);
    EXPECT_EQ(file->Header().FreeChainHead(), 0u);
    EXPECT_EQ(Allocate(*file), 11u);
    EXPECT_EQ(file->GetRecordCount(), 11u);
}

TEST_P(DataFileRecordsTest, RecordOrderTablesAlwaysAppend) {
    owner_.IsRecordOrder = true;
    auto file = TableWithRecords(4);
    Delete(*file, 2);
    Delete(*file, 3);
    EXPECT_EQ(file->Header().FreeChainHead(), 3u);
    TRecord* three = file->GetRecord(nullptr, 3);
    EXPECT_EQ(three->GetNextFree(), 0u);
    file->ReleaseRecord(*three);
    EXPECT_EQ(Allocate(*file), 5u);
}

TEST_P(DataFileRecordsTest, DeletingADeletedRecordChangesNothing) {
    auto file = TableWithRecords(3);
    Delete(*file, 2);
    TRecord* two = file->GetRecord(nullptr, 2);
    EXPECT_ENGINE_ERROR(file->FreeRecord(*two), VORSAM_KEYORRECDELETED);
    EXPECT_EQ(two->GetNextFree(), 0u); // no cycle
    EXPECT_EQ(file->Header().FreeChainHead(), 2u);
    file->ReleaseRecord(*two);
}

TEST_P(DataFileRecordsTest, RecordNumbersOutsideTheTableAreCorrupt) {
    auto file = TableWithRecords(3);
    EXPECT_ENGINE_ERROR(file->GetRecord(nullptr, 0), VORSAM_FILECORRUPT);
    EXPECT_ENGINE_ERROR(file->GetRecord(nullptr, 5), VORSAM_FILECORRUPT);
    EXPECT_ENGINE_ERROR(file->GetRecord(nullptr, 4000000000u), VORSAM_FILECORRUPT);
    EXPECT_EQ(file->GetRecordCount(), 3u);
}

TEST_P(DataFileRecordsTest, AppendingPastTheLimitsRaisesTableFull) {
    // 260 wide fields make a 65,529-byte record after 199,807 bytes of header and descriptors: slot
    // 61,038 ends at 3,999,958,909 bytes, slot 61,039 past 4,000,000,000.
    const struct {
        size_t WideFields; // string fields of 250 characters (0: a 12-byte record)
        uint32_t NextRecordNumber;
        bool Full;
    } cases[] = {{0, 200000000, false}, {0, 200000001, true}, {260, 61038, false}, {260, 61039, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.NextRecordNumber);
        auto fields = c.WideFields ? WideFields(c.WideFields) : MakeFields({{"FLAG", dtBoolean}});
        auto file = CreateTable(fields);
        file->Close();
        std::string bytes = FileBytes();
        StoreLE32(reinterpret_cast<uint8_t*>(&bytes[13]), c.NextRecordNumber);
        OverwriteFile(bytes);
        file = OpenTable();
        if (c.Full) {
            EXPECT_ENGINE_ERROR(file->AllocateRecord(nullptr), VORSAM_TABLEFULL);
            EXPECT_EQ(file->Header().NextRecordNumber(), c.NextRecordNumber);
        } else {
            TRecord* record = file->AllocateRecord(nullptr);
            EXPECT_EQ(record->RecordNumber(), c.NextRecordNumber);
            file->ReleaseRecord(*record);
            file->DropRecordCache();
        }
        file->Close();
    }
}

TEST_P(DataFileRecordsTest, WideRecordsAreReadOneOrTwoAtATime) {
    for (auto [fields, slots] : {std::pair{12, 2u}, std::pair{36, 1u}}) { // 3,033 and 9,081 bytes
        auto file = TableWithRecords(20, WideFields(size_t(fields)));
        EXPECT_EQ(file->RecordsPerRead(), slots);
        TIoLog log(Path());
        EXPECT_EQ(Fetch(*file, 10, TReadDirection::Forward, true), 10u);
        ASSERT_EQ(log.Count(TFileOperation::Read), 1u);
        EXPECT_EQ(log.Entries[0].Length, slots * file->GetRecordSize());
        file->Close();
    }
}

TEST_P(DataFileRecordsTest, ReadWindowsStayInsideTheTable) {
    const struct {
        uint32_t Number;
        TReadDirection Direction;
        int CursorCount; // what the cursor asks for after the record; -1: as many as fit in 8192 bytes
        uint32_t First;
        uint32_t Slots;
    } cases[] = {
        {10, TReadDirection::Forward, -1, 10, 227},   {298, TReadDirection::Forward, -1, 298, 3},
        {2, TReadDirection::Backward, -1, 1, 2},      {1, TReadDirection::Backward, -1, 1, 1},
        {250, TReadDirection::Backward, -1, 24, 227}, {10, TReadDirection::Forward, 4, 10, 5},
        {3, TReadDirection::Backward, 1000, 1, 3},    {299, TReadDirection::Forward, 1000, 299, 2},
    };
    auto file = TableWithRecords(300);
    TFakeCacheClient client;
    TIoLog log(Path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Number);
        file->DropRecordCache();
        log.Clear();
        client.Count = uint32_t(std::max(c.CursorCount, 0));
        TRecord* record = file->GetRecord(&client, c.Number, c.Direction, c.CursorCount >= 0, true);
        EXPECT_EQ(Marker(*record), c.Number);
        file->ReleaseRecord(*record);
        ASSERT_EQ(log.Count(TFileOperation::Read), 1u);
        EXPECT_EQ(log.Entries[0].Offset, file->Header().SlotOffset(c.First));
        EXPECT_EQ(log.Entries[0].Length, c.Slots * 36u);
    }
}

TEST_P(DataFileRecordsTest, ReportedChangeHandsOutNothingAndReadsNothing) {
    auto file = TableWithRecords(5);
    TFakeCacheClient client;
    client.ReportChange = true;
    TIoLog log(Path());
    EXPECT_EQ(file->GetRecord(&client, 3), nullptr);
    EXPECT_EQ(log.Count(TFileOperation::Read), 0u);
    owner_.Config.StrictChangeDetection = true; // then the lock's own check is trusted
    TRecord* record = file->GetRecord(&client, 3);
    ASSERT_NE(record, nullptr);
    file->ReleaseRecord(*record);
    EXPECT_EQ(client.Checks, 1);
}

TEST_P(DataFileRecordsTest, CachedRecordsAreHandedOutWithoutReading) {
    auto file = TableWithRecords(50);
    Fetch(*file, 1, TReadDirection::Forward, true);
    TIoLog log(Path());
    uint32_t uses = file->CacheStatistics().CacheUses;
    for (uint32_t n = 1; n <= 50; ++n) EXPECT_EQ(Fetch(*file, n), n);
    EXPECT_EQ(log.Count(TFileOperation::Read), 0u);
    EXPECT_EQ(file->CacheStatistics().CacheUses, uses + 50);
    EXPECT_EQ(file->CacheStatistics().DiskReads, 1u);
}

TEST_P(DataFileRecordsTest, FlushWritesOneRunPerConsecutiveStretch) {
    auto file = TableWithRecords(10);
    for (uint32_t n : {8, 3, 5, 4}) {
        TRecord* record = file->GetRecord(nullptr, n);
        SetMarker(*record, 100 + n);
        file->ReleaseRecord(*record);
    }
    TIoLog log(Path());
    EXPECT_TRUE(file->FlushRecords());
    ASSERT_EQ(log.Count(TFileOperation::Write), 2u);
    EXPECT_EQ(log.Entries[0].Offset, file->Header().SlotOffset(3));
    EXPECT_EQ(log.Entries[0].Length, 3u * 36);
    EXPECT_EQ(log.Entries[1].Offset, file->Header().SlotOffset(8));
    EXPECT_EQ(file->CacheStatistics().WriteRuns, 2u);
    EXPECT_FALSE(file->FlushRecords());
    file->Close();
    file = OpenTable();
    EXPECT_EQ(Fetch(*file, 4), 104u);
    EXPECT_EQ(Fetch(*file, 6), 6u);
}

TEST_P(DataFileRecordsTest, PinnedModifiedRecordSurvivesAReadOfItsSlot) {
    auto file = TableWithRecords(10);
    TRecord* three = file->GetRecord(nullptr, 3);
    SetMarker(*three, 333);
    SetCacheRecords(*file, 1);
    EXPECT_EQ(Fetch(*file, 1, TReadDirection::Forward, true), 1u); // reads slots 1 .. 10
    EXPECT_EQ(Marker(*three), 333u);
    EXPECT_TRUE(three->Modified());
    file->FlushRecords(); // pinned: not written
    EXPECT_TRUE(three->Modified());
    file->ReleaseRecord(*three);
    EXPECT_TRUE(file->FlushRecords());
    EXPECT_EQ(Fetch(*Reopen(std::move(file)), 3), 333u);
}

TEST_P(DataFileRecordsTest, FreeChainHeadThatIsNoDeletedRecordIsCorrupt) {
    const struct {
        const char* Name;
        uint32_t Head;
        uint32_t Link; // written into the head's slot as status 1 + link; 0: the head stays active
    } cases[] = {{"HeadIsActive", 4, 0}, {"LinkPastTheEnd", 4, 9}, {"LinkToItself", 4, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto file = TableWithRecords(6);
        file->Close();
        std::string bytes = FileBytes();
        StoreLE32(reinterpret_cast<uint8_t*>(&bytes[9]), c.Head);
        size_t slot = size_t(file->Header().SlotOffset(c.Head));
        if (c.Link != 0) {
            bytes[slot] = 1;
            StoreLE32(reinterpret_cast<uint8_t*>(&bytes[slot + 1]), c.Link);
        }
        OverwriteFile(bytes);
        file = OpenTable();
        EXPECT_ENGINE_ERROR(file->AllocateRecord(nullptr), VORSAM_FILECORRUPT);
        EXPECT_EQ(file->Header().FreeChainHead(), c.Head);
        file->FlushRecords();
        file->WriteHeader();
        file->Close();
        EXPECT_EQ(FileBytes(), bytes);
    }
}

TEST_P(DataFileRecordsTest, TrimWhileLockedWholeWritesNothing) {
    auto file = TableWithRecords(20);
    SetCacheRecords(*file, 2);
    owner_.IsLockedWhole = true;
    TIoLog log(Path());
    for (uint32_t n = 1; n <= 20; ++n) {
        TRecord* record = file->GetRecord(nullptr, n);
        SetMarker(*record, 1000 + n);
        file->ReleaseRecord(*record);
    }
    AppendRecords(*file, 3);
    file->TrimRecordCache();
    EXPECT_EQ(log.Count(TFileOperation::Write), 0u);
    EXPECT_EQ(file->RecordCache().Count(), 23u);
    EXPECT_GE(file->RecordCache().Capacity(), 23u);

    owner_.IsLockedWhole = false; // the whole-table lock ends with a flush
    file->TrimRecordCache();
    EXPECT_GT(log.Count(TFileOperation::Write), 0u);
    EXPECT_LE(file->RecordCache().Count(), 2u);
    EXPECT_EQ(file->RecordCache().Capacity(), 2u);
    file = Reopen(std::move(file));
    EXPECT_EQ(Fetch(*file, 20), 1020u);
    EXPECT_EQ(Fetch(*file, 23), 23u);
}

TEST_P(DataFileRecordsTest, AppendedRecordReachesTheFileEvenWhenLeftUnmodified) {
    auto file = TableWithRecords(2);
    SetCacheRecords(*file, 0);
    TRecord* record = file->AllocateRecord(nullptr);
    record->Clear(true); // clears the modified flag
    file->ReleaseRecord(*record);
    file->TrimRecordCache(); // flushes: an unwritten slot is never dropped
    EXPECT_FALSE(file->HasUnwrittenSlots());
    EXPECT_EQ(file->RecordCache().Count(), 0u);
    file->WriteHeader();
    EXPECT_NO_THROW(file->ValidateHeader());
    EXPECT_EQ(file->GetFileSize(), file->Header().SlotOffset(4));
}

TEST_P(DataFileRecordsTest, FailedWriteKeepsTheRecordsToWriteAgain) {
    auto file = TableWithRecords(5);
    for (uint32_t n : {2, 3}) {
        TRecord* record = file->GetRecord(nullptr, n);
        SetMarker(*record, 200 + n);
        file->ReleaseRecord(*record);
    }
    AppendRecords(*file, 1);
    GetFileList().Faults().FailAt(TFileOperation::Write, 1);
    EXPECT_ENGINE_ERROR(file->FlushRecords(), VORSAM_WRITEERR);
    GetFileList().Faults().Reset();
    ASSERT_EQ(file->RecordCache().Count(), 3u);
    for (const auto& record : file->RecordCache().Items()) EXPECT_TRUE(record->Dirty());
    EXPECT_TRUE(file->FlushRecords());
    file = Reopen(std::move(file));
    EXPECT_EQ(Fetch(*file, 3), 203u);
    EXPECT_EQ(Fetch(*file, 6), 6u);
}

TEST_P(DataFileRecordsTest, ShortReadIsToleratedOnlyWhenAllowedAndNeverInventsRecords) {
    auto file = TableWithRecords(5);
    file->Close();
    std::string bytes = FileBytes();
    bytes.resize(size_t(file->Header().SlotOffset(3))); // slots 3 .. 5 lost, the header still counts them
    OverwriteFile(bytes);

    file = OpenTable();
    EXPECT_ENGINE_ERROR(Fetch(*file, 1, TReadDirection::Forward, true), VORSAM_READERR);
    file->Close();

    file = OpenTable(/*exclusive=*/true);
    EXPECT_EQ(Fetch(*file, 1, TReadDirection::Forward, true), 1u);
    EXPECT_EQ(Fetch(*file, 2), 2u);
    EXPECT_EQ(file->RecordCache().Count(), 2u);
    EXPECT_ENGINE_ERROR(file->GetRecord(nullptr, 4), VORSAM_FILECORRUPT);
}

TEST_P(DataFileRecordsTest, ShortReadOverAppendedSlotsIsToleratedWhileLocked) {
    auto file = TableWithRecords(4);
    owner_.IsLocked = true;
    TRecord* appended = file->AllocateRecord(nullptr); // slot 5, not yet in the file
    SetMarker(*appended, 55);
    EXPECT_EQ(Fetch(*file, 3, TReadDirection::Forward, true), 3u); // reads slots 3 .. 5
    EXPECT_EQ(Marker(*appended), 55u);
    file->ReleaseRecord(*appended);
    owner_.IsLocked = false;
}

INSTANTIATE_TEST_SUITE_P(Storage, DataFileRecordsTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
