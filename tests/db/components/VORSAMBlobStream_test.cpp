// The blob stream of a table's memo field: write mode starts empty, reading past the end reads nothing,
// seeking from the end answers the size, a position below 0 is refused, writing needs edit mode.
#include "VORSAMDataSetTestSupport.h"

#include "db/components/VORSAMBlobStream.h"
#include "db/components/VORSAMTable.h"
#include "platform/data/BlobFields.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Stream.h"

namespace vorsam::test {
namespace {

using namespace platform::data;
namespace pd = platform::data;

class BlobStreamTest : public DataSetTest {
protected:
    void SetUp() override {
        DataSetTest::SetUp();
        table_.SetTableName(dir_.File("MEMOS.DAT"));
        table_.FieldDefs().Add("ID", ftInteger);
        table_.FieldDefs().Add("NOTE", ftMemo);
        table_.CreateTable();
        table_.Open();
        table_.AppendRecord({1, "a note of some length"});
    }
    TBlobField& Note() { return dynamic_cast<TBlobField&>(table_.FieldByName("NOTE")); }
    std::unique_ptr<TStream> Stream(TBlobStreamMode mode) { return table_.CreateBlobStream(Note(), mode); }

    TVORSAMTable table_;
};

TEST_F(BlobStreamTest, WriteModeStartsEmptyAndThePostedFieldHoldsOnlyWhatWasWritten) {
    table_.Edit();
    {
        auto stream = Stream(bmWrite);
        EXPECT_EQ(stream->Size(), 0);
        stream->WriteBuffer("new", 3);
    }
    table_.Post();
    table_.Close();
    table_.Open();
    EXPECT_EQ(Note().AsString(), "new");
}

TEST_F(BlobStreamTest, ReadingPastTheEndReadsNothingAndSeekingFromTheEndGivesTheSize) {
    auto stream = Stream(bmRead);
    const std::int64_t size = std::int64_t(std::string("a note of some length").size());
    EXPECT_EQ(stream->Seek(0, pd::soEnd), size);
    char buffer[8];
    EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0);
    stream->Seek(100, pd::soBeginning);
    EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0);
    stream->Seek(-6, pd::soEnd);
    EXPECT_EQ(stream->Read(buffer, sizeof buffer), 6);
    EXPECT_EQ(std::string(buffer, 6), "length");
}

TEST_F(BlobStreamTest, ANegativePositionIsRefusedAndThePositionStays) {
    auto stream = Stream(bmRead);
    stream->Seek(4, pd::soBeginning);
    EXPECT_THROW(stream->Seek(-1, pd::soBeginning), EStreamError);
    EXPECT_THROW(stream->Seek(-5, pd::soCurrent), EStreamError);
    EXPECT_THROW(stream->Seek(-100, pd::soEnd), EStreamError);
    EXPECT_EQ(stream->Position(), 4);
}

TEST_F(BlobStreamTest, WritingNeedsEditModeAndAWritableField) {
    EXPECT_DATABASE_ERROR(Stream(bmWrite), SNotEditingTable);
    EXPECT_DATABASE_ERROR(Stream(bmReadWrite), SNotEditingTable);
    table_.Edit();
    Note().SetReadOnly(true);
    EXPECT_DATABASE_ERROR(Stream(bmWrite), "Field NOTE cannot be modified.");
    table_.Cancel();
}

TEST_F(BlobStreamTest, WholeFieldReadGivesTheValueOfEachRecord) {
    table_.AppendRecord({2, std::string(5000, 'x')});
    table_.AppendRecord({3, Variant()});
    table_.First();
    EXPECT_EQ(Note().AsString(), "a note of some length");
    table_.Next();
    EXPECT_EQ(Note().AsString(), std::string(5000, 'x'));
    table_.Next();
    EXPECT_TRUE(Note().IsNull());
}

} // namespace
} // namespace vorsam::test
