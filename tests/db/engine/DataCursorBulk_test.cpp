// Records appended together (AppendRecords) and walked in record order through the cursor's window of
// slots, against an oracle of the rows appended one by one: plain and encrypted tables, tables that keep
// keys (appended one by one underneath), and writes of the cursor ahead of its window.
#include "CursorTestSupport.h"

#include "db/lib/DataTypes.h"

namespace vorsam::test {
namespace {

class CursorBulkTest : public TCursorTest {
protected:
    static TCreateTableArgs Args(bool keyed, bool encrypted) {
        TCreateTableArgs args = TableArgs({{"ID", dtInteger}, {"CODE", dtInteger}, {"NAME", dtString, 20}},
                                          keyed ? std::vector<uint16_t>{IdField} : std::vector<uint16_t>{});
        args.Encrypted = encrypted;
        args.Password = encrypted ? "segredo" : "";
        return args;
    }
    // Rows first .. first + count - 1, appended together.
    void AppendTogether(TDataCursor& cursor, int32_t first, int32_t count) {
        std::vector<uint8_t> images;
        for (int32_t id = first; id < first + count; ++id) {
            TRow row = RandomRow(random_, id);
            std::vector<uint8_t> image = RowImage(cursor, row);
            images.insert(images.end(), image.begin(), image.end());
            oracle_.push_back(row);
        }
        cursor.AppendRecords(images);
    }

    std::mt19937 random_{4711};
    std::vector<TRow> oracle_;
};

TEST_P(CursorBulkTest, RecordsAppendedTogetherReadBackAsAppendedOneByOne) {
    session_.AddPassword("segredo");
    for (bool keyed : {false, true})
        for (bool encrypted : {false, true}) {
            SCOPED_TRACE(std::string(keyed ? "keyed" : "record order") + (encrypted ? ", encrypted" : ""));
            std::string name = std::string("BULK") + (keyed ? "K" : "R") + (encrypted ? "E" : "");
            Create(name, Args(keyed, encrypted));
            oracle_.clear();
            auto cursor = Open(name, true);
            int32_t id = 1;
            for (int32_t count : {1, 0, 700, 3, 2500}) {
                TRow single = RandomRow(random_, id++);
                std::vector<uint8_t> image = RowImage(*cursor, single);
                cursor->AppendRecord(image); // waits in the record cache beside the slots written
                oracle_.push_back(single);
                AppendTogether(*cursor, id, count);
                id += count;
                EXPECT_EQ(cursor->GetRecordCount(), oracle_.size());
                if (count > 0) {
                    EXPECT_EQ(CurrentRow(*cursor), oracle_.back());
                }
            }
            EXPECT_EQ(Scan(*cursor), oracle_);
            EXPECT_EQ(TableProblems(*cursor), "");
            cursor.reset();
            cursor = Open(name); // shared: read through the record cache, from the files
            EXPECT_EQ(Scan(*cursor), oracle_);
        }
}

TEST_P(CursorBulkTest, AWalkThroughTheWindowSeesTheCursorsOwnWritesAheadOfIt) {
    Create("AHEAD", Args(false, false));
    auto cursor = Open("AHEAD", true);
    AppendTogether(*cursor, 1, 400);
    std::vector<uint8_t> image(cursor->GetRecordSize());
    cursor->SetToBegin();
    for (int i = 0; i < 10; ++i) ASSERT_EQ(cursor->GetNextRecord(image), 0);
    ASSERT_TRUE(cursor->SetToRecordNo(300));
    ASSERT_EQ(cursor->GetCurrentRecord(image, true), 0);
    oracle_[299].Name = "mudado";
    image = RowImage(*cursor, oracle_[299]);
    cursor->ModifyRecord(image);
    ASSERT_TRUE(cursor->SetToRecordNo(200));
    cursor->DeleteRecord();
    oracle_.erase(oracle_.begin() + 199);
    ASSERT_TRUE(cursor->SetToRecordNo(10));
    std::vector<TRow> rest;
    while (cursor->GetNextRecord(image) == 0) rest.push_back(RowOf(*cursor, image));
    EXPECT_EQ(rest, std::vector<TRow>(oracle_.begin() + 10, oracle_.end()));
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorBulkTest, ::testing::Values(TStorage::Memory, TStorage::Disk),
                         StorageName);

} // namespace
} // namespace vorsam::test
