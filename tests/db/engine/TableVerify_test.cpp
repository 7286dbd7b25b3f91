// The data file share of the table check: a sound table passes with the right counts, the active records
// come out in order, and each kind of damage is reported.
#include "DataFileTestSupport.h"

#include "db/engine/TableVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <functional>

namespace vorsam::test {
namespace {

class TableVerifyTest : public TDataFileTest {
protected:
    // Ten records, 3 and 7 deleted (chain 7 -> 3), flushed and reopened.
    std::unique_ptr<TDataFile> SampleTable() {
        auto file = CreateTable(MakeFields({{"ID", dtInteger}, {"NAME", dtString, 20}, {"DOC", dtBlob}}));
        AppendRecords(*file, 10);
        for (uint32_t n : {3, 7}) {
            TRecord* record = file->GetRecord(nullptr, n);
            file->FreeRecord(*record);
            file->ReleaseRecord(*record);
        }
        return Reopen(std::move(file));
    }
    static TVerifyReport Verify(TDataFile& file) {
        TVerifyReport report;
        VerifyDataFile(file, report);
        return report;
    }
};

TEST_P(TableVerifyTest, SoundTablePassesWithItsCounts) {
    auto file = SampleTable();
    TVerifyReport report = Verify(*file);
    EXPECT_TRUE(report.Ok()) << report.Problems.front();
    EXPECT_EQ(report.ActiveRecords, 8u);
    EXPECT_EQ(report.DeletedRecords, 2u);
    EXPECT_EQ(report.FreeChainLength, 2u);
}

TEST_P(TableVerifyTest, UnflushedAppendsAndDeletesPass) {
    auto file = SampleTable();
    owner_.IsLocked = true;  // as a writer
    AppendRecords(*file, 4); // reuses 7 and 3, then two new slots still in the cache
    TRecord* record = file->GetRecord(nullptr, 5);
    file->FreeRecord(*record);
    file->ReleaseRecord(*record);
    TVerifyReport report = Verify(*file);
    EXPECT_TRUE(report.Ok()) << report.Problems.front();
    EXPECT_EQ(report.ActiveRecords, 11u);
    EXPECT_EQ(report.FreeChainLength, 1u);
}

TEST_P(TableVerifyTest, ActiveRecordsComeOutInRecordOrder) {
    auto file = SampleTable();
    std::vector<uint32_t> numbers, markers;
    file->ForEachActiveRecord([&](uint32_t n, std::span<const uint8_t> image) {
        numbers.push_back(n);
        markers.push_back(LoadLE32(&image[RecordPrefixSize]));
    });
    EXPECT_EQ(numbers, (std::vector<uint32_t>{1, 2, 4, 5, 6, 8, 9, 10}));
    EXPECT_EQ(markers, numbers);
}

struct TDamage {
    const char* Name;
    std::function<void(std::string& bytes, const TDataFileHeader& header)> Apply;
    const char* Problem; // a part of the reported text
};

void SetSlot(std::string& bytes, const TDataFileHeader& header, uint32_t n, uint8_t status, uint32_t link) {
    size_t at = size_t(header.SlotOffset(n));
    bytes[at] = char(status);
    StoreLE32(reinterpret_cast<uint8_t*>(&bytes[at + 1]), link);
}

const TDamage Damages[] = {
    {"ChainCycle", [](auto& b, auto& h) { SetSlot(b, h, 3, 1, 7); }, "cycle at record 7"},
    {"ChainThroughActiveRecord", [](auto& b, auto& h) { SetSlot(b, h, 7, 1, 4); }, "record 4 is not deleted"},
    {"ChainOutOfRange", [](auto& b, auto& h) { SetSlot(b, h, 3, 1, 11); }, "record 11 out of range"},
    {"DeletedRecordOffTheChain", [](auto& b, auto& h) { SetSlot(b, h, 5, 1, 0); }, "holds 2 of 3 deleted"},
    {"UnknownStatus", [](auto& b, auto& h) { SetSlot(b, h, 6, 9, 6); }, "record 6: status 9"},
    {"BlobFieldCount", [](auto& b, auto&) { b[25] = 0; }, "blob field count 0"},
    {"RecordAreaShort", [](auto& b, auto&) { b.pop_back(); }, "whole records"},
};

TEST_P(TableVerifyTest, EachDamageIsReported) {
    auto file = SampleTable();
    TDataFileHeader header = file->Header();
    file->Close();
    const std::string sound = FileBytes();
    for (const TDamage& damage : Damages) {
        SCOPED_TRACE(damage.Name);
        std::string bytes = sound;
        damage.Apply(bytes, header);
        OverwriteFile(bytes);
        file = OpenTable();
        TVerifyReport report = Verify(*file);
        ASSERT_FALSE(report.Ok());
        EXPECT_NE(report.Problems.front().find(damage.Problem), std::string::npos) << report.Problems.front();
        file->Close();
        EXPECT_EQ(FileBytes(), bytes); // verify writes nothing
    }
}

TEST_P(TableVerifyTest, RecordOrderTablesNeedNoChainOfEveryDeletedRecord) {
    owner_.IsRecordOrder = true;
    auto file = SampleTable(); // in record order the chain holds only the last deleted record
    TVerifyReport report = Verify(*file);
    EXPECT_TRUE(report.Ok()) << report.Problems.front();
    EXPECT_EQ(report.FreeChainLength, 1u);
    EXPECT_EQ(report.DeletedRecords, 2u);
}

INSTANTIATE_TEST_SUITE_P(Storage, TableVerifyTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
