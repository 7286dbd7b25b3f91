// The index file: a new file, the header on disk, free lists, per-index caches and write runs, page
// numbers outside the file, index definitions and header validation, text indexes.
#include "IndexTestSupport.h"

#include "db/engine/IndexTree.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>

namespace vorsam::test {
namespace {

constexpr size_t SlotAt(size_t slot) {
    return 14 + slot * TIndexDescriptor::Size;
}

// Fields whose key segments make 522 bytes (1, 2, 3) or 523 (1, 2, 4).
std::vector<TFieldDescriptor> TableFields() {
    return MakeFields({{"S1", dtString, 250},
                       {"S2", dtString, 250},
                       {"S3", dtString, 16},
                       {"S4", dtString, 17},
                       {"Code", dtInteger},
                       {"Notes", dtBlob, 0, stMemo},
                       {"Picture", dtBlob, 0, stGraphic},
                       {"Name", dtString, 30}});
}

TIndexDefinition Definition(const std::string& name, std::vector<uint16_t> fields, bool unique = false) {
    TIndexDefinition d;
    d.Name = name;
    d.Fields = std::move(fields);
    d.Unique = unique;
    return d;
}

class IndexFileTest : public ::testing::Test {
protected:
    IndexFileTest() : file_(settings_) {}

    std::vector<TIndexDescriptor> Descriptors() {
        std::vector<TIndexDescriptor> all;
        for (uint8_t slot = 0; slot < IndexSlotCount; ++slot) all.push_back(file_->GetIndexDesc(slot));
        return all;
    }
    TPage* Allocate(uint8_t slot) { return file_->AllocatePage(slot); }
    // Allocates pages 1 .. n for the slot, each a leaf holding one entry, and writes them.
    void MakePages(uint8_t slot, uint32_t n) {
        for (uint32_t i = 1; i <= n; ++i) {
            TPageRef page(*file_, Allocate(slot));
            page->SetPageType(ptLeaf);
            std::vector<uint8_t> key(file_->GetIndexDesc(slot).KeyLength(), uint8_t(i));
            page->InsertAt(1, key.data(), i, 1);
        }
        FlushAll(*file_);
    }
    TPageRef Get(uint8_t slot, uint32_t number) {
        TPage* page = nullptr;
        file_->GetPage(slot, number, page);
        return TPageRef(*file_, page);
    }

    EngineSettings settings_;
    TMemoryIndexFile file_;
    std::vector<TFieldDescriptor> fields_ = TableFields();
};

// ---- a new file ----

TEST_F(IndexFileTest, ANewFileIsOneHeaderWithBothSystemDescriptorsAndNoPages) {
    std::vector<uint8_t> bytes = file_.FileBytes();
    ASSERT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(bytes[8], 5);
    EXPECT_EQ(LoadLE32(&bytes[9]), 1u);
    EXPECT_EQ(bytes[13], 0);
    file_.Reopen();
    EXPECT_EQ(file_->GetPageCount(), 0u);
    EXPECT_EQ(file_->GetIndexCount(), 0);
    const TIndexDescriptor& deleted = file_->GetIndexDesc(SysDeletedSlot);
    EXPECT_EQ(deleted.Name(), "Sys Deleted");
    EXPECT_EQ(deleted.KeyLength(), 5);
    EXPECT_EQ(deleted.Compression(), TKeyCompression::None);
    const TIndexDescriptor& text = file_->GetIndexDesc(SysTextSlot);
    EXPECT_EQ(text.Name(), "Sys Text");
    EXPECT_EQ(text.KeyLength(), 68);
    EXPECT_EQ(text.Compression(), TKeyCompression::Both);
    EXPECT_TRUE(file_->GetIndexDesc(PrimaryIndexSlot).IsEmpty());
    // Neither a primary key nor record order: not a table yet.
    EXPECT_EQ(ErrorCodeOf([&] { file_->ValidateIndexHeader(fields_); }), VORSAM_HEADERCORRUPT);
    file_->DefinePrimaryIndex({}, fields_);
    EXPECT_TRUE(file_->GetRecordOrder());
    EXPECT_EQ(ErrorCodeOf([&] { file_->ValidateIndexHeader(fields_); }), 0);
}

TEST_F(IndexFileTest, EveryHeaderWriteCountsAndAnotherHandlerSeesIt) {
    EXPECT_TRUE(file_->WriteHeader()); // a new file's header is marked changed
    EXPECT_FALSE(file_->WriteHeader());
    uint32_t counter = file_->GetChangeCounter();
    TFakeTableOwner otherOwner(settings_);
    TIndexFile other(otherOwner);
    other.SetFileName("index.IDX");
    other.SetInMemory(true);
    other.Open();
    file_->SetActiveRecords(5);
    EXPECT_TRUE(file_->WriteHeader());
    EXPECT_EQ(file_->GetChangeCounter(), counter + 1);
    EXPECT_TRUE(other.CheckHeaderChanged());
    EXPECT_EQ(other.GetActiveRecords(), 5u);
    EXPECT_FALSE(other.CheckHeaderChanged());
    EXPECT_TRUE(file_->WriteHeader(true));
    EXPECT_EQ(file_->GetChangeCounter(), counter + 2);
}

TEST_F(IndexFileTest, AnEncryptedFileShowsNoPlainTextAndReadsBack) {
    TMemoryIndexFile encrypted(settings_, "secret.IDX", true);
    encrypted->SetRecordOrder(true);
    uint8_t slot = encrypted->AddIndex(Definition("ByName", {8}), fields_);
    TKeyComparator order;
    TIndexTree tree(*encrypted, slot, order);
    std::vector<uint8_t> key(encrypted->GetIndexDesc(slot).KeyLength(), 'Q');
    ASSERT_TRUE(tree.Insert(key.data(), 42));
    encrypted.Reopen();
    std::vector<uint8_t> bytes = encrypted.FileBytes();
    for (std::string plain : {"Sys Deleted", "ByName", "QQQQQQQQ"})
        EXPECT_EQ(std::search(bytes.begin(), bytes.end(), plain.begin(), plain.end()), bytes.end()) << plain;
    EXPECT_EQ(encrypted->GetIndexDesc(slot).Name(), "ByName");
    uint32_t value = 0;
    TIndexTree reread(*encrypted, slot, order);
    EXPECT_TRUE(reread.Find(key.data(), value));
    EXPECT_EQ(value, 42u);
}

// ---- pages ----

TEST_F(IndexFileTest, FreedPagesAreReusedLastFreedFirstThenTheFileGrows) {
    uint8_t slot = file_->AddIndex(Definition("Codes", {5}), fields_);
    MakePages(slot, 8);
    file_->FreePage(Get(slot, 3).Get());
    file_->FreePage(Get(slot, 7).Get());
    EXPECT_EQ(file_->GetFreeHead(slot), 7u);
    EXPECT_EQ(Get(slot, 7)->NextPage(), 3u);
    file_.Reopen();
    EXPECT_EQ(Get(slot, 7)->KeyCount(), 0); // written without entries
    for (uint32_t expected : {7u, 3u, 9u}) {
        TPageRef page(*file_, Allocate(slot));
        EXPECT_EQ(page->Number(), expected);
        EXPECT_EQ(page->KeyCount(), 0);
        EXPECT_EQ(page->NextPage(), 0u);
        page->SetPageType(ptLeaf);
        std::vector<uint8_t> key(file_->GetIndexDesc(slot).KeyLength(), 1);
        page->InsertAt(1, key.data(), 1, 1);
    }
    EXPECT_EQ(file_->GetFreeHead(slot), 0u);
}

TEST_F(IndexFileTest, PageNumbersOutsideTheFileAreCorrupt) {
    uint8_t slot = file_->AddIndex(Definition("Codes", {5}), fields_);
    MakePages(slot, 3);
    TPage* page = nullptr;
    EXPECT_EQ(ErrorCodeOf([&] { file_->GetPage(slot, 0, page); }), VORSAM_INDEXCORRUPT);
    EXPECT_EQ(ErrorCodeOf([&] { file_->GetPage(slot, 5, page); }), VORSAM_INDEXCORRUPT);
    EXPECT_EQ(file_->GetPageCount(), 3u);
    // A child link past the end stops a descent the same way.
    TPageRef root(*file_, Allocate(slot));
    root->SetPageType(ptInternalRoot);
    std::vector<uint8_t> key(file_->GetIndexDesc(slot).KeyLength(), 0);
    root->InsertAt(1, key.data(), 99, 1);
    file_->SetRoot(slot, root->Number());
    TKeyComparator order;
    TIndexTree tree(*file_, slot, order);
    EXPECT_EQ(ErrorCodeOf([&] { tree.Insert(key.data(), 1); }), VORSAM_INDEXCORRUPT);
}

TEST_F(IndexFileTest, AFreeListThatLeadsToALivePageOrOutOfTheFileIsCorrupt) {
    uint8_t slot = file_->AddIndex(Definition("Codes", {5}), fields_);
    MakePages(slot, 4);
    file_->SetFreeHead(slot, 2); // page 2 still holds an entry
    EXPECT_EQ(ErrorCodeOf([&] { Allocate(slot); }), VORSAM_INDEXCORRUPT);
    EXPECT_EQ(file_->GetFreeHead(slot), 2u);
    EXPECT_EQ(Get(slot, 2)->KeyCount(), 1);
    file_->FreePage(Get(slot, 3).Get());
    Get(slot, 3)->SetNextPage(40);
    EXPECT_EQ(ErrorCodeOf([&] { Allocate(slot); }), VORSAM_INDEXCORRUPT);
}

TEST_F(IndexFileTest, TheFileEndsAtFourBillionBytes) {
    uint8_t slot = file_->AddIndex(Definition("Codes", {5}), fields_);
    TPage* page = nullptr;
    file_->SetNextPageNumber(slot, 976561); // its end is 3,999,997,952 bytes
    EXPECT_TRUE(file_->GetPage(slot, 976561, page));
    file_->ReleasePage(page);
    EXPECT_EQ(ErrorCodeOf([&] { file_->GetPage(slot, 976562, page); }), VORSAM_TABLEFULL);
    file_->DropPages(false);
}

TEST_F(IndexFileTest, EachIndexKeepsItsOwnCachedPages) {
    uint8_t a = file_->AddIndex(Definition("A", {5}), fields_);
    uint8_t b = file_->AddIndex(Definition("B", {8}), fields_);
    MakePages(b, 2);
    MakePages(a, 12);
    file_->DropPages(false);
    Get(b, 1);
    Get(b, 2);
    uint64_t reads = file_->Stats().DiskReads;
    for (uint32_t page = 3; page <= 14; ++page) Get(a, page);
    EXPECT_EQ(file_->Stats().DiskReads, reads + 12);
    EXPECT_EQ(file_->CachedPageCount(a), 2u); // 16384 / 8192
    Get(b, 1);
    Get(b, 2);
    EXPECT_EQ(file_->Stats().DiskReads, reads + 12); // index B's pages stayed
}

TEST_F(IndexFileTest, ConsecutiveModifiedPagesAreWrittenInOneRun) {
    settings_.IndexBufferSize = 1 << 20;
    TMemoryIndexFile file(settings_, "runs.IDX");
    uint8_t slot = file->AddIndex(Definition("Codes", {5}), fields_);
    for (int i = 0; i < 8; ++i) TPageRef(*file, file->AllocatePage(slot))->SetPageType(ptLeaf);
    FlushAll(*file);
    std::vector<uint64_t> writes;
    GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
        if (e.Operation == TFileOperation::Write) writes.push_back(e.Length);
    });
    uint64_t runs = file->Stats().WriteRuns;
    for (uint32_t number : {3u, 4u, 5u, 8u}) {
        TPage* page = nullptr;
        file->GetPage(slot, number, page);
        page->SetNextPage(100 + number);
        file->ReleasePage(page);
    }
    file->FlushPages(false);
    GetFileList().Faults().Reset();
    EXPECT_EQ(file->Stats().WriteRuns, runs + 2);
    EXPECT_EQ(writes, (std::vector<uint64_t>{3 * IndexPageSize, IndexPageSize}));
}

// While the table is locked whole (a transaction), nothing may reach the file before the commit: a full
// slot grows instead of writing its modified pages; trimming afterwards brings it back to its share.
TEST_F(IndexFileTest, ALockedTableGrowsTheCacheInsteadOfWritingAndTrimsBackAfterwards) {
    uint8_t slot = file_->AddIndex(Definition("Codes", {5}), fields_);
    MakePages(slot, 6);
    file_->DropPages(false);
    file_.Owner().IsLockedWhole = true;
    uint64_t writes = GetFileList().Faults().Count(TFileOperation::Write);
    for (uint32_t number = 1; number <= 6; ++number) Get(slot, number)->SetNextPage(50 + number);
    EXPECT_EQ(GetFileList().Faults().Count(TFileOperation::Write), writes);
    EXPECT_EQ(file_->CachedPageCount(slot), 6u);
    file_.Owner().IsLockedWhole = false;
    file_->TrimPageCache();
    EXPECT_EQ(file_->CachedPageCount(slot), 6u); // modified pages stay until written
    file_->FlushPages(false);
    file_->TrimPageCache();
    EXPECT_EQ(file_->CachedPageCount(slot), 2u);
    file_.Reopen();
    EXPECT_EQ(Get(slot, 4)->NextPage(), 54u);
}

// A full slot makes room with its oldest clean leaf, else with its oldest clean page above the leaves
// (every seek passes those); pages that a whole-table lock keeps modified are passed over.
TEST_F(IndexFileTest, AFullSlotGivesUpItsOldestCleanLeafBeforeAnyPageAboveTheLeaves) {
    uint8_t slot = file_->AddIndex(Definition("Codes", {5}), fields_);
    MakePages(slot, 8);
    for (uint32_t number : {1u, 2u}) Get(slot, number)->SetPageType(ptInternal);
    FlushAll(*file_);
    file_->DropPages(false);
    file_.Owner().IsLockedWhole = true;
    for (uint32_t number = 5; number <= 8; ++number) Get(slot, number)->SetNextPage(50 + number);
    const size_t held = file_->CachedPageCount(slot);
    // Pages 1 and 2 lie above the leaves; each step: the page asked for, and whether it is read.
    const std::pair<uint32_t, bool> steps[] = {{1, true},  {3, true}, {2, true}, {4, true}, {3, true},
                                               {2, false}, {1, true}, {4, true}, {2, true}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        uint64_t reads = file_->Stats().DiskReads;
        Get(slot, steps[i].first);
        EXPECT_EQ(file_->Stats().DiskReads - reads, steps[i].second ? 1u : 0u) << "step " << i;
        EXPECT_EQ(file_->CachedPageCount(slot), held + std::min<size_t>(i + 1, 2)) << "step " << i;
    }
    file_.Owner().IsLockedWhole = false;
    FlushAll(*file_);
    file_.Reopen();
    for (uint32_t number = 5; number <= 8; ++number) EXPECT_EQ(Get(slot, number)->NextPage(), 50 + number);
}

// A walk along more leaves than the slot holds keeps the leaves it read first for the next walk, which
// then reads only the leaves that did not fit; under a plain order of use each walk would read them all.
TEST_F(IndexFileTest, AWalkAlongMoreLeavesThanTheSlotHoldsKeepsThoseItReadFirst) {
    settings_.IndexBufferSize = 8 * 8192; // eight pages
    TMemoryIndexFile file(settings_, "walk.IDX");
    uint8_t slot = file->AddIndex(Definition("Codes", {5}), fields_);
    for (int i = 0; i < 20; ++i) TPageRef(*file, file->AllocatePage(slot))->SetPageType(ptLeaf);
    FlushAll(*file);
    file->DropPages(false);
    auto walk = [&] {
        uint64_t reads = file->Stats().DiskReads;
        for (uint32_t number = 1; number <= 20; ++number) {
            TPage* page = nullptr;
            file->GetPassingLeaf(slot, number, page);
            file->ReleasePage(page);
        }
        return file->Stats().DiskReads - reads;
    };
    EXPECT_EQ(walk(), 20u);
    for (int again = 0; again < 3; ++again) EXPECT_LE(walk(), 20u - 8 + 1) << again;
    EXPECT_EQ(file->CachedPageCount(slot), 8u);
}

class TFakeClient : public CacheClient {
public:
    TFakeClient(TIndexFile& file, const EngineSettings& settings) : file_(file), settings_(settings) {}
    bool CheckForChanges() override {
        ++Calls;
        if (OtherProcessWrote) file_.DropPages(false);
        return OtherProcessWrote;
    }
    uint32_t ReadAheadCount() override { return 0; }
    const EngineSettings& Settings() const override { return settings_; }
    int Calls = 0;
    bool OtherProcessWrote = false;

private:
    TIndexFile& file_;
    const EngineSettings& settings_;
};

TEST_F(IndexFileTest, AReadAfterAChangeCheckThatDroppedTheCacheReportsTheChange) {
    uint8_t slot = file_->AddIndex(Definition("Codes", {5}), fields_);
    MakePages(slot, 3);
    file_->DropPages(false);
    TFakeClient client(*file_, settings_);
    TPage* page = nullptr;
    EXPECT_TRUE(file_->GetPage(slot, 1, page, false, &client));
    file_->ReleasePage(page);
    EXPECT_EQ(client.Calls, 1);
    EXPECT_TRUE(file_->GetPage(slot, 1, page, false, &client)); // cached: no check
    file_->ReleasePage(page);
    EXPECT_EQ(client.Calls, 1);
    client.OtherProcessWrote = true;
    EXPECT_FALSE(file_->GetPage(slot, 2, page, false, &client));
    EXPECT_EQ(page, nullptr);
    settings_.StrictChangeDetection = true;
    EXPECT_TRUE(file_->GetPage(slot, 2, page, false, &client));
    file_->ReleasePage(page);
    EXPECT_EQ(client.Calls, 2);
}

TEST_F(IndexFileTest, ResetEmptiesEveryIndexAndKeepsCounting) {
    uint8_t slot = file_->AddIndex(Definition("Codes", {5}), fields_);
    MakePages(slot, 5);
    file_->SetRoot(slot, 2);
    file_->FreePage(Get(slot, 4).Get());
    file_->SetActiveRecords(9);
    FlushAll(*file_);
    uint32_t counter = file_->GetChangeCounter();
    file_->ResetIndexes();
    EXPECT_EQ(file_->GetFileSize(), 4096u);
    EXPECT_EQ(file_->CachedPageCount(slot), 0u);
    FlushAll(*file_);
    file_.Reopen();
    EXPECT_GT(file_->GetChangeCounter(), counter);
    EXPECT_EQ(file_->GetPageCount(), 0u);
    EXPECT_EQ(file_->GetRoot(slot), 0u);
    EXPECT_EQ(file_->GetFreeHead(slot), 0u);
    EXPECT_EQ(file_->GetActiveRecords(), 0u);
    EXPECT_EQ(file_->GetIndexDesc(slot).Name(), "Codes");
}

// ---- definitions ----

TEST_F(IndexFileTest, RefusedDefinitionsRaiseTheirCodeAndChangeNothing) {
    file_->DefinePrimaryIndex(Definition("", {5}), fields_);
    file_->AddIndex(Definition("ByName", {8}), fields_);
    struct TCase {
        const char* Name;
        std::function<void()> Define;
        uint16_t Code;
    };
    std::vector<uint16_t> seventeen(17, 5);
    const std::vector<TCase> cases = {
        {"primary again", [&] { file_->DefinePrimaryIndex(Definition("", {8}), fields_); },
         VORSAM_PRIMARYKEYREDEFINE},
        {"17 fields", [&] { file_->AddIndex(Definition("Many", seventeen), fields_); }, VORSAM_INDEXLIMIT},
        {"no fields", [&] { file_->AddIndex(Definition("None", {}), fields_); }, VORSAM_INDEXLIMIT},
        {"523 key bytes",
         [&] {
             file_->AddIndex(Definition("Long", {1, 2, 4}), fields_);
         },
         VORSAM_INDEXLIMIT},
        {"empty name", [&] { file_->AddIndex(Definition("", {5}), fields_); }, VORSAM_INDEXNAMEREQUIRED},
        {"name starting with a digit", [&] { file_->AddIndex(Definition("1st", {5}), fields_); },
         VORSAM_INVALIDINDEXNAME},
        {"name of 31 characters", [&] { file_->AddIndex(Definition(std::string(31, 'x'), {5}), fields_); },
         VORSAM_INVALIDINDEXNAME},
        {"name in use in another case", [&] { file_->AddIndex(Definition("BYNAME", {5}), fields_); },
         VORSAM_INDEXEXISTS},
        {"BLOB field", [&] { file_->AddIndex(Definition("Pic", {7}), fields_); }, VORSAM_SEARCHCOLREQD},
        {"field the table lacks", [&] { file_->AddIndex(Definition("Ghost", {99}), fields_); },
         VORSAM_SEARCHCOLREQD},
        {"text index over an integer",
         [&] {
             TIndexDefinition d = Definition("Words", {5});
             d.TextIndex = true;
             file_->AddIndex(d, fields_);
         },
         VORSAM_SEARCHCOLREQD},
    };
    for (const TCase& c : cases) {
        std::vector<TIndexDescriptor> before = Descriptors();
        EXPECT_EQ(ErrorCodeOf(c.Define), c.Code) << c.Name;
        std::vector<TIndexDescriptor> after = Descriptors();
        EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin(), [](auto& a, auto& b) {
            return a.Bytes == b.Bytes;
        })) << c.Name;
    }
    try {
        file_->AddIndex(Definition("Pic", {7}), fields_);
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorFieldName, "Picture");
        EXPECT_EQ(e.ErrorIndexName, "Pic");
    }
    EXPECT_EQ(file_->GetIndexDesc(file_->AddIndex(Definition("Widest", {1, 2, 3}), fields_)).KeyLength(),
              522 + 4);
}

TEST_F(IndexFileTest, AThirtyFirstSecondaryIndexIsRefused) {
    for (int i = 1; i <= 30; ++i) file_->AddIndex(Definition('I' + std::to_string(i), {5}), fields_);
    EXPECT_EQ(ErrorCodeOf([&] { file_->AddIndex(Definition("I31", {5}), fields_); }), VORSAM_INDEXLIMIT);
    EXPECT_EQ(file_->GetIndexCount(), 30);
    EXPECT_EQ(file_->GetIndexDesc(SysDeletedSlot).Name(), "Sys Deleted");
}

TEST_F(IndexFileTest, ARemovedIndexMovesTheLaterOnesDownAndLeavesItsFreeListToTheNext) {
    file_->AddIndex(Definition("A", {5}), fields_);
    file_->AddIndex(Definition("B", {8}), fields_);
    file_->AddIndex(Definition("C", {3}), fields_);
    MakePages(2, 3);
    file_->FreePage(Get(2, 2).Get());
    file_->DeleteIndex(2, true);
    EXPECT_EQ(file_->GetIndexCount(), 2);
    EXPECT_EQ(file_->GetIndexDesc(2).Name(), "C");
    EXPECT_FALSE(file_->IndexExists("b"));
    uint8_t slot = file_->AddIndex(Definition("D", {5}), fields_);
    EXPECT_EQ(slot, 3);
    EXPECT_EQ(file_->GetFreeHead(slot), 2u);
    EXPECT_EQ(file_->GetRoot(slot), 0u);
    EXPECT_EQ(TPageRef(*file_, Allocate(slot))->Number(), 2u);
    file_->DefinePrimaryIndex(Definition("", {5}), fields_);
    file_->DeleteIndex(PrimaryIndexSlot, false);
    EXPECT_TRUE(file_->GetRecordOrder());
    EXPECT_TRUE(file_->GetIndexDesc(PrimaryIndexSlot).IsEmpty());
}

// ---- validation ----

class IndexHeaderValidationTest : public IndexFileTest {
protected:
    void SetUp() override {
        file_->DefinePrimaryIndex(Definition("", {5}), fields_);
        file_->AddIndex(Definition("ByName", {8}), fields_);
        file_->AddIndex(Definition("Pair", {3, 8}), fields_);
        MakePages(1, 2);
        file_->SetRoot(1, 1);
        FlushAll(*file_);
    }
};

TEST_F(IndexHeaderValidationTest, EveryBrokenRuleIsRefusedAndTheFileStaysAsItWas) {
    ASSERT_EQ(ErrorCodeOf([&] { file_->ValidateIndexHeader(fields_); }), 0);
    struct TCase {
        const char* Name;
        std::function<void(std::vector<uint8_t>&)> Break;
        uint16_t Code;
    };
    auto descriptor = [](std::vector<uint8_t>& b, size_t slot) {
        TIndexDescriptor d;
        std::copy_n(&b[SlotAt(slot)], TIndexDescriptor::Size, d.Bytes.begin());
        return d;
    };
    auto put = [](std::vector<uint8_t>& b, size_t slot, const TIndexDescriptor& d) {
        std::copy(d.Bytes.begin(), d.Bytes.end(), &b[SlotAt(slot)]);
    };
    auto edit = [&](size_t slot, std::function<void(TIndexDescriptor&)> change) {
        return [=](std::vector<uint8_t>& b) {
            TIndexDescriptor d = descriptor(b, slot);
            change(d);
            put(b, slot, d);
        };
    };
    const std::vector<TCase> cases = {
        {"31 secondary indexes", [](auto& b) { b[13] = 31; }, VORSAM_HEADERCORRUPT},
        {"33 secondary indexes", [](auto& b) { b[13] = 33; }, VORSAM_HEADERCORRUPT},
        {"format 4", [](auto& b) { b[8] = 4; }, VORSAM_OLDVERSION},
        {"blank name", edit(1, [](auto& d) { d.SetName(""); }), VORSAM_HEADERCORRUPT},
        {"name starting with a blank", edit(1, [](auto& d) { d.SetName(" X"); }), VORSAM_HEADERCORRUPT},
        {"names equal but for case", edit(2, [](auto& d) { d.SetName("byname"); }), VORSAM_HEADERCORRUPT},
        {"key length off by one", edit(1, [](auto& d) { d.SetKeyLength(d.KeyLength() + 1); }),
         VORSAM_HEADERCORRUPT},
        {"field the table lacks", edit(1, [](auto& d) { d.SetFieldNumber(0, 9); }), VORSAM_HEADERCORRUPT},
        {"field number after the last field", edit(2, [](auto& d) { d.SetFieldNumber(2, 5); }),
         VORSAM_HEADERCORRUPT},
        {"17 fields", edit(2, [](auto& d) { d.SetFieldCount(17); }), VORSAM_HEADERCORRUPT},
        {"523 key bytes",
         edit(2,
              [](auto& d) {
                  d.SetFieldCount(3);
                  d.SetFieldNumber(0, 1);
                  d.SetFieldNumber(1, 2);
                  d.SetFieldNumber(2, 4);
                  d.SetKeyLength(523 + 4);
              }),
         VORSAM_HEADERCORRUPT},
        {"BLOB key field", edit(1, [](auto& d) { d.SetFieldNumber(0, 7); }), VORSAM_HEADERCORRUPT},
        {"compression 4", edit(1, [](auto& d) { d.Bytes[36] = 4; }), VORSAM_HEADERCORRUPT},
        {"root past the pages", edit(1, [](auto& d) { d.SetRoot(3); }), VORSAM_HEADERCORRUPT},
        {"free head past the pages", edit(2, [](auto& d) { d.SetFreeHead(9); }), VORSAM_HEADERCORRUPT},
        {"no primary key, no record order", edit(0, [](auto& d) { d = TIndexDescriptor(); }),
         VORSAM_HEADERCORRUPT},
        {"damaged system index", edit(SysTextSlot, [](auto& d) { d.SetKeyLength(60); }),
         VORSAM_HEADERCORRUPT},
    };
    std::vector<uint8_t> good = file_.FileBytes();
    file_->Close();
    auto raw = [] {
        auto handler = std::make_unique<TFileHandler>();
        handler->SetFileName("index.IDX");
        handler->SetInMemory(true);
        handler->Open();
        return handler;
    };
    for (const TCase& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.Break(bytes);
        raw()->WriteBuffer(bytes.data(), IndexHeaderSize);
        uint16_t code = ErrorCodeOf([&] {
            file_->Open();
            file_->ValidateIndexHeader(fields_);
        });
        EXPECT_EQ(code, c.Code) << c.Name;
        file_->Close();
        std::vector<uint8_t> after(bytes.size());
        raw()->ReadBuffer(after.data(), after.size());
        EXPECT_EQ(after, bytes) << c.Name;
    }
}

// Slots 31 and 32 hold the system indexes: a header claiming more than 30 secondary indexes is refused
// when the file opens, before anything reads those slots as user indexes.
TEST_F(IndexHeaderValidationTest, OpeningAHeaderWithMoreThanThirtySecondaryIndexesFails) {
    for (uint8_t count : {31, 32}) {
        std::vector<uint8_t> bytes = file_.FileBytes();
        bytes[13] = count;
        file_->Close();
        TFileHandler raw;
        raw.SetFileName("index.IDX");
        raw.SetInMemory(true);
        raw.Open();
        raw.WriteBuffer(bytes.data(), IndexHeaderSize);
        EXPECT_EQ(ErrorCodeOf([&] { file_->Open(); }), VORSAM_HEADERCORRUPT) << int(count);
        EXPECT_FALSE(file_->IsOpen());
        bytes[13] = 2;
        raw.Seek(0);
        raw.WriteBuffer(bytes.data(), IndexHeaderSize);
        file_->Open();
    }
}

// ---- text indexes ----

TEST_F(IndexFileTest, TextIndexesNeverReachTheFileAndLeaveNoHole) {
    file_->SetRecordOrder(true);
    TIndexDefinition words = Definition("Words", {8});
    words.TextIndex = true;
    uint8_t text = file_->AddIndex(words, fields_);
    uint8_t after = file_->AddIndex(Definition("ByCode", {5}), fields_);
    EXPECT_EQ(text, 1);
    EXPECT_EQ(after, 2);
    TKeyComparator order;
    TIndexTree tree(*file_, text, order);
    std::vector<uint8_t> key(file_->GetIndexDesc(text).KeyLength(), 'w');
    ASSERT_TRUE(tree.Insert(key.data(), 1));
    FlushAll(*file_);
    EXPECT_EQ(file_->GetPageCount(), 0u); // the text index's page went to its own file
    std::vector<uint8_t> bytes = file_.FileBytes();
    EXPECT_EQ(bytes[13], 1);
    TFakeTableOwner otherOwner(settings_);
    TIndexFile other(otherOwner);
    other.SetFileName("index.IDX");
    other.SetInMemory(true);
    other.Open();
    EXPECT_EQ(ErrorCodeOf([&] { other.ValidateIndexHeader(fields_); }), 0);
    EXPECT_EQ(other.GetIndexDesc(1).Name(), "ByCode");
    EXPECT_TRUE(other.GetIndexDesc(2).IsEmpty());
    other.SetActiveRecords(3);
    other.WriteHeader();
    // Re-reading the header keeps this process's text index in its slot.
    EXPECT_TRUE(file_->CheckHeaderChanged());
    EXPECT_EQ(file_->GetIndexCount(), 2);
    EXPECT_EQ(file_->GetIndexDesc(1).Name(), "Words");
    EXPECT_EQ(file_->GetIndexDesc(2).Name(), "ByCode");
    uint32_t value = 0;
    EXPECT_TRUE(tree.Find(key.data(), value));
    file_.Reopen();
    EXPECT_EQ(file_->GetIndexCount(), 1);
    EXPECT_EQ(file_->GetIndexDesc(1).Name(), "ByCode");
}

} // namespace
} // namespace vorsam::test
