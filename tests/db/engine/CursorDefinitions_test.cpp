// Table definitions through the cursor: indexes added to many rows and checked against an oracle, refused
// definitions, deleted indexes whose pages come back, the primary key dropped, restructures that carry
// the records by field number or change nothing, sorting in place, layouts with computed fields, and the
// in-memory database's spare tables.
#include "CursorBlobSupport.h"
#include "PeopleTable.h"

#include "db/engine/IndexVerify.h"
#include "db/engine/WorkingFiles.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace vorsam::test {
namespace {

const TIndexSpec& RowIndex(const std::string& name) {
    for (const TIndexSpec& index : RowIndexes())
        if (index.Name == name) return index;
    throw std::logic_error("no index " + name);
}

class CursorDefinitionTest : public TCursorTest {
protected:
    // A table of the rows with only its primary key (ID), the rows appended in order.
    std::unique_ptr<TDataCursor> PlainRows(const std::string& name, size_t count, bool exclusive = false) {
        rows_.clear();
        for (size_t i = 0; i < count; ++i) rows_.push_back(RandomRow(random_, int32_t(i + 1)));
        std::shuffle(rows_.begin(), rows_.end(), random_);
        Create(name, TableArgs({{"ID", dtInteger}, {"CODE", dtInteger}, {"NAME", dtString, 20}}, {IdField}));
        auto cursor = Open(name, exclusive);
        TTableWrite write(cursor->Table()); // one write for all of them
        for (const TRow& row : rows_) {
            std::vector<uint8_t> image = RowImage(*cursor, row);
            cursor->AppendRecord(image);
        }
        write.End();
        return cursor;
    }
    // The rows as the index orders them.
    std::vector<TRow> Sorted(const TIndexSpec& index) const {
        std::vector<TRow> sorted = rows_;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](const TRow& a, const TRow& b) { return CompareRows(a, b, index, 0) < 0; });
        return sorted;
    }
    void ExpectOrder(TDataCursor& cursor, const TIndexSpec& index) {
        cursor.SetIndexName(index.Name);
        ExpectIndexOrder(Scan(cursor), Sorted(index), index, 0);
        cursor.SetIndexNumber(PrimaryIndexSlot);
    }
    std::string Problems(TDataCursor& cursor, bool halfFull = false) {
        std::string text;
        for (const std::string& problem : VerifyTable(cursor.Table(), {halfFull}).Problems)
            text += problem + "\n";
        return text;
    }
    // The names of the files in the test's folder.
    std::set<std::string> FolderFiles() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::string FileBytes(const std::string& name) const {
        std::ifstream file(std::filesystem::path(dir_.Path()) / name, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        return content.str();
    }

    std::vector<TRow> rows_;
    std::mt19937 random_{2024};
};

TEST_P(CursorDefinitionTest, IndexesAddedToManyRowsAreBuiltWholeAndVerify) {
    size_t count = InMemory() ? 100000 : 20000;
    auto cursor = PlainRows("MANY", count);
    for (const char* name : {"ByNameNoCase", "ByCodeName", "ByCodeNoCounts"})
        cursor->AddSecondaryIndex(DescriptorOf(RowIndex(name)));
    TIndexSpec byIdDesc{"ByIdDesc", {IdField}, {true}, false, true};
    cursor->AddSecondaryIndex(DescriptorOf(byIdDesc));
    EXPECT_EQ(cursor->GetIndexCount(), 4);
    ASSERT_EQ(Problems(*cursor, true), "") << "every page but a root at least half full";
    for (const char* name : {"ByNameNoCase", "ByCodeName", "ByCodeNoCounts"})
        ExpectOrder(*cursor, RowIndex(name));
    ExpectOrder(*cursor, byIdDesc);
    cursor->SetIndexName("ByCodeName");
    EXPECT_EQ(cursor->GetRecordCount(), count);
}

// A table made and opened in one (in memory, opened exclusively, its files stay open from their making)
// holds and gives what one opened from its files does, in every index's order, and is sound once closed.
TEST_P(CursorDefinitionTest, TableMadeAndOpenedAtOnceActsAsOneOpenedFromItsFiles) {
    auto made = std::make_unique<TDataCursor>(*database_);
    made->SetTableName("MADE");
    made->SetExclusive(true);
    made->CreateAndOpenTable(RowTableArgs(PortugueseBrazilian));
    tables_.push_back("MADE");
    Create("OPENED", RowTableArgs(PortugueseBrazilian));
    auto opened = Open("OPENED", true);
    std::map<int32_t, TRow> madeRows, openedRows;
    for (int32_t i = 0; i < 400; ++i) {
        TRow row = RandomRow(random_, int32_t(random_() % 300));
        PutRow(*made, madeRows, row);
        PutRow(*opened, openedRows, row);
        if (i % 7 == 0) {
            DeleteRow(*made, madeRows, row.Id);
            DeleteRow(*opened, openedRows, row.Id);
        }
    }
    ASSERT_EQ(madeRows, openedRows);
    auto expectSame = [&](TDataCursor& cursor) {
        for (const TIndexSpec& index : RowIndexes()) {
            cursor.SetIndexName(index.Name);
            opened->SetIndexName(index.Name);
            EXPECT_EQ(Scan(cursor), Scan(*opened)) << index.Name;
            EXPECT_EQ(cursor.GetRecordCount(), opened->GetRecordCount()) << index.Name;
        }
        EXPECT_EQ(TableProblems(cursor), "");
    };
    expectSame(*made);
    made->CloseCursor();
    expectSame(*Open("MADE", true));
}

// A table of the in-memory database let go as a spare is found by no name while it waits: its name is
// free for a table of another definition, the next table of its definition takes it back empty under its
// own name, and a spare whose name was taken meanwhile goes without touching the table that took it.
TEST_P(CursorDefinitionTest, SparesAreFoundByNoNameAndComeBackEmptyOrNotAtAll) {
    if (!InMemory()) GTEST_SKIP() << "spares are the in-memory database's";
    const TCreateTableArgs args = RowTableArgs(PortugueseBrazilian);
    auto made = [&](const std::string& name) {
        auto cursor = std::make_unique<TDataCursor>(*database_);
        cursor->SetTableName(name);
        cursor->SetExclusive(true);
        cursor->CreateAndOpenTable(args);
        std::map<int32_t, TRow> rows;
        for (int32_t id = 1; id <= 50; ++id) PutRow(*cursor, rows, RandomRow(random_, id));
        return cursor;
    };
    auto taken = [&] {
        auto cursor = std::make_unique<TDataCursor>(*database_);
        cursor->SetExclusive(true);
        return cursor->OpenSpareTable(args) ? std::move(cursor) : nullptr;
    };
    made("FIRST")->CloseAndSpareTable();
    EXPECT_FALSE(database_->TableExists("FIRST", true));
    auto back = taken();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->TableName(), "FIRST");
    EXPECT_EQ(back->GetRecordCount(), 0u);
    EXPECT_EQ(TableProblems(*back), "");
    back->CloseAndSpareTable();
    made("SECOND")->CloseAndSpareTable();
    Create("SECOND", TableArgs({{"ID", dtInteger}, {"NOTE", dtString, 12}}, {IdField}));
    {
        auto other = Open("SECOND", true);
        std::vector<uint8_t> image(other->GetRecordSize());
        other->InitEmptyRecord(image);
        int32_t id = 7;
        other->PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
        other->AppendRecord(image);
    }
    auto left = taken(); // SECOND's spare, whose name is another table's, goes; FIRST's comes
    ASSERT_TRUE(left);
    EXPECT_EQ(left->TableName(), "FIRST");
    left->CloseAndDeleteTable();
    EXPECT_FALSE(taken()) << "the spare whose name was taken went";
    auto other = Open("SECOND", true);
    EXPECT_EQ(other->GetRecordCount(), 1u);
    EXPECT_EQ(other->GetFieldCount(), 2);
}

// A spare is taken only for its very definition: not for one without one of its secondary indexes, nor,
// once an index was added to it in use, for the definition it was made from.
TEST_P(CursorDefinitionTest, ASpareWhoseDefinitionDiffersIsNeverHandedOut) {
    if (!InMemory()) GTEST_SKIP() << "spares are the in-memory database's";
    const TCreateTableArgs args = RowTableArgs(PortugueseBrazilian);
    ASSERT_GT(args.SecondaryCount, 0);
    TCreateTableArgs fewer = args;
    fewer.Indexes.pop_back();
    --fewer.SecondaryCount;
    auto made = [&](const std::string& name) {
        auto cursor = std::make_unique<TDataCursor>(*database_);
        cursor->SetTableName(name);
        cursor->SetExclusive(true);
        cursor->CreateAndOpenTable(args);
        return cursor;
    };
    auto taken = [&](const TCreateTableArgs& wanted) {
        auto cursor = std::make_unique<TDataCursor>(*database_);
        cursor->SetExclusive(true);
        return cursor->OpenSpareTable(wanted) ? std::move(cursor) : nullptr;
    };
    made("FULL")->CloseAndSpareTable();
    EXPECT_FALSE(taken(fewer)) << "a secondary index more than the definition";
    auto grown = made("GROWN");
    grown->AddSecondaryIndex(DescriptorOf(TIndexSpec{"ByIdDesc", {IdField}, {true}, false, true}));
    grown->CloseAndSpareTable();
    auto back = taken(args);
    ASSERT_TRUE(back) << "FULL's spare";
    EXPECT_EQ(back->TableName(), "FULL");
    EXPECT_EQ(back->GetIndexCount(), args.SecondaryCount);
    EXPECT_FALSE(taken(args)) << "the spare that grew an index went";
}

TEST_P(CursorDefinitionTest, RefusedIndexDefinitionsLeaveTheTableAsItWas) {
    auto cursor = PlainRows("REFUSED", 500); // codes repeat
    uint32_t pages = cursor->Table().IndexFile().GetPageCount();
    TIndexSpec uniqueCode{"UniqueCode", {CodeField}, {false}, false, true};
    TIndexSpec blob{"ByBlob", {9}, {false}};
    TIndexDescriptor text = DescriptorOf(TIndexSpec{"Words", {NameField}, {false}});
    text.SetTextIndex(true);
    EXPECT_ENGINE_ERROR(cursor->AddSecondaryIndex(DescriptorOf(uniqueCode)), VORSAM_KEYVIOL);
    EXPECT_ENGINE_ERROR(cursor->AddSecondaryIndex(DescriptorOf(blob)), VORSAM_SEARCHCOLREQD);
    EXPECT_ENGINE_ERROR(cursor->AddSecondaryIndex(text), VORSAM_SEARCHCOLREQD);
    cursor->AddSecondaryIndex(DescriptorOf(RowIndex("ByCode")));
    EXPECT_ENGINE_ERROR(cursor->AddSecondaryIndex(DescriptorOf(RowIndex("ByCode"))), VORSAM_INDEXEXISTS);
    EXPECT_ENGINE_ERROR(cursor->DeleteIndex("Nothing"), VORSAM_INVALIDINDEXNAME);
    EXPECT_EQ(cursor->GetIndexCount(), 1);
    EXPECT_FALSE(cursor->IndexExists("UniqueCode"));
    EXPECT_GT(cursor->Table().IndexFile().GetPageCount(), pages);
    EXPECT_EQ(Problems(*cursor), "");
    ExpectOrder(*cursor, RowIndex("ByCode"));
}

TEST_P(CursorDefinitionTest, ADeletedIndexsPagesAreTakenByTheNextIndex) {
    auto cursor = PlainRows("REUSE", 4000);
    for (const char* name : {"ByCode", "ByNameNoCase", "ByCodeName"})
        cursor->AddSecondaryIndex(DescriptorOf(RowIndex(name)));
    TIndexFile& file = cursor->Table().IndexFile();
    uint32_t pages = file.GetPageCount();
    cursor->SetIndexName("ByCodeName");
    cursor->DeleteIndex("bynamenocase"); // names ignore case
    EXPECT_EQ(cursor->GetIndexDesc(cursor->IndexNumber()).Name(), "ByCodeName")
        << "the cursor kept its order";
    EXPECT_FALSE(cursor->IndexExists("ByNameNoCase"));
    EXPECT_EQ(file.GetPageCount(), pages);
    ASSERT_EQ(Problems(*cursor), "") << "the pages lie in a free list, in no tree";
    ExpectOrder(*cursor, RowIndex("ByCodeName")); // moved down a slot
    cursor->AddSecondaryIndex(DescriptorOf(RowIndex("ByNameNoCase")));
    EXPECT_EQ(file.GetPageCount(), pages) << "the new index took the freed pages";
    ASSERT_EQ(Problems(*cursor), "");
    ExpectOrder(*cursor, RowIndex("ByNameNoCase"));

    cursor.reset();
    cursor = Open("REUSE");
    EXPECT_EQ(Problems(*cursor), "");
    ExpectOrder(*cursor, RowIndex("ByCodeName"));
}

TEST_P(CursorDefinitionTest, DroppingThePrimaryKeyGivesTheRecordOrder) {
    auto cursor = PlainRows("NOKEY", 3000);
    EXPECT_FALSE(cursor->IsDefaultPrimaryIndex());
    uint32_t pages = cursor->Table().IndexFile().GetPageCount();
    cursor->DeleteIndex("");
    EXPECT_TRUE(cursor->IsDefaultPrimaryIndex());
    EXPECT_TRUE(cursor->GetIndexDesc(PrimaryIndexSlot).IsEmpty());
    EXPECT_EQ(Scan(*cursor), rows_) << "the order the records were appended in";
    EXPECT_EQ(Problems(*cursor), "");
    cursor->DeleteIndex(""); // nothing left to drop
    TIndexSpec byId{"ById", {IdField}, {false}, false, true};
    cursor->AddSecondaryIndex(DescriptorOf(byId));
    EXPECT_EQ(cursor->Table().IndexFile().GetPageCount(), pages) << "the key's pages went to the new index";
    cursor.reset();
    cursor = Open("NOKEY");
    EXPECT_TRUE(cursor->IsDefaultPrimaryIndex());
    EXPECT_EQ(Scan(*cursor), rows_);
    EXPECT_EQ(Problems(*cursor), "");
    ExpectOrder(*cursor, byId);
}

// ---- restructure ----

class CursorRestructureTest : public CursorDefinitionTest {
protected:
    void SetUp() override {
        TCreateTableArgs args = TableArgs(
            {{"ID", dtInteger}, {"CODE", dtInteger}, {"NAME", dtString, 20}, {"MEMO", dtBlob, 0, stMemo}},
            {1});
        args.Indexes.push_back(DescriptorOf(TIndexSpec{"ByName", {3}, {false}}));
        args.SecondaryCount = 1;
        Create("OLD", args);
        auto cursor = Open("OLD");
        for (int32_t id = 1; id <= 300; ++id) {
            TRow row = RandomRow(random_, id);
            row.Name = row.Name.value_or("") + "x";
            std::vector<uint8_t> image = RowImage(*cursor, row);
            std::string memo = id % 3 == 0 ? "" : BlobValue(size_t(id) * 7, unsigned(id));
            if (!memo.empty()) WriteBlob(*cursor, image, 4, memo);
            cursor->AppendRecord(image);
            rows_.push_back(row);
            memos_[id] = memo;
        }
        // Deleted records are left behind.
        for (int32_t id = 5; id <= 300; id += 9) {
            ASSERT_TRUE(FindId(*cursor, id));
            cursor->DeleteRecord();
            memos_.erase(id);
            std::erase_if(rows_, [&](const TRow& row) { return row.Id == id; });
        }
    }
    // NAME (widened) first, ID, a new FLAG with a default, MEMO; CODE dropped; keys by the old numbers.
    TRestructureArgs NewStructure(uint8_t nameSize = 30) {
        TRestructureArgs args;
        args.Fields = MakeFields({{"NAME", dtString, nameSize},
                                  {"ID", dtInteger},
                                  {"FLAG", dtInteger},
                                  {"MEMO", dtBlob, 0, stMemo}});
        const uint16_t numbers[] = {3, 1, 5, 4};
        for (size_t i = 0; i < 4; ++i) args.Fields[i].SetFieldNumber(numbers[i]);
        args.Fields[2].SetDefaultValue("7");
        args.Indexes = {DescriptorOf(TIndexSpec{"", {1}, {false}, false, true}),
                        DescriptorOf(TIndexSpec{"ByName", {3}, {false}})};
        args.SecondaryCount = 1;
        args.Description = "restructured";
        return args;
    }

    std::map<int32_t, std::string> memos_;
};

TEST_P(CursorRestructureTest, RecordsAreCarriedByFieldNumber) {
    for (bool noBackup : {false, true}) {
        SCOPED_TRACE(noBackup ? "no backup" : "backup");
        TRestructureArgs args = NewStructure();
        args.NoBackup = noBackup;
        if (!noBackup) args.LastAutoIncValue = 5000; // then kept
        if (noBackup) { // the second round: the table as the first left it, once more
            for (size_t i = 0; i < 4; ++i) args.Fields[i].SetFieldNumber(uint16_t(i + 1));
            args.Indexes[0].SetFieldNumber(0, 2);
            args.Indexes[1].SetFieldNumber(0, 1);
        }
        TDataCursor restructure(*database_);
        restructure.SetTableName("OLD");
        restructure.RestructureTable(args);

        auto cursor = Open("OLD");
        ASSERT_EQ(Problems(*cursor), "");
        EXPECT_EQ(cursor->GetFieldCount(), 4);
        EXPECT_EQ(cursor->GetFieldNumber("CODE"), 0) << "the dropped field is gone";
        EXPECT_EQ(cursor->GetDescription(), "restructured");
        EXPECT_EQ(cursor->Table().DataFile().GetLastAutoIncValue(), 5000u);
        cursor->SetIndexNumber(RecordOrderIndex);
        std::vector<uint8_t> image(cursor->GetRecordSize());
        size_t n = 0;
        for (cursor->SetToBegin(); cursor->GetNextRecord(image) == 0; ++n) {
            ASSERT_LT(n, rows_.size());
            bool null = false;
            char name[31] = {};
            int32_t id = 0, flag = 0;
            cursor->GetField(1, image, null, reinterpret_cast<uint8_t*>(name));
            cursor->GetField(2, image, null, reinterpret_cast<uint8_t*>(&id));
            cursor->GetField(3, image, null, reinterpret_cast<uint8_t*>(&flag));
            EXPECT_EQ(id, rows_[n].Id) << "the records keep their order";
            EXPECT_EQ(name, *rows_[n].Name);
            EXPECT_EQ(flag, 7) << "the new field takes its default";
            EXPECT_EQ(ReadBlob(*cursor, image, 4), memos_[id]);
            EXPECT_EQ(cursor->GetRecordNumber(), n + 1) << "deleted records are left behind";
        }
        EXPECT_EQ(n, rows_.size());
        cursor->SetIndexName("ByName");
        EXPECT_EQ(cursor->GetRecordCount(), rows_.size());
        if (!InMemory()) {
            EXPECT_EQ(FolderFiles().count("OLD.DBK"), noBackup ? 0u : 1u);
        }
    }
}

TEST_P(CursorRestructureTest, ARestructureThatCannotCarryEveryRecordChangesNothing) {
    std::string data = InMemory() ? "" : FileBytes("OLD.DAT");
    std::set<std::string> files = InMemory() ? std::set<std::string>() : FolderFiles();
    TRestructureArgs narrow = NewStructure(2); // the names do not fit
    TRestructureArgs lostKey = NewStructure();
    lostKey.Indexes[1].SetFieldNumber(0, 2); // CODE, which is dropped
    TRestructureArgs required = NewStructure();
    required.Fields[2].SetDefaultValue("");
    required.Fields[2].SetRequired(true);

    TDataCursor restructure(*database_);
    restructure.SetTableName("OLD");
    EXPECT_ENGINE_ERROR(restructure.RestructureTable(narrow), VORSAM_OUTOFRANGE);
    EXPECT_ENGINE_ERROR(restructure.RestructureTable(lostKey), VORSAM_SEARCHCOLREQD);
    EXPECT_ENGINE_ERROR(restructure.RestructureTable(required), VORSAM_REQDERR);
    {
        auto user = Open("OLD");
        EXPECT_ENGINE_ERROR(restructure.RestructureTable(NewStructure()), VORSAM_FILEINUSE);
    }
    EXPECT_FALSE(restructure.IsOpen());
    if (!InMemory()) {
        EXPECT_EQ(FileBytes("OLD.DAT"), data);
        EXPECT_EQ(FolderFiles(), files) << "no file of a new table is left";
    }
    auto cursor = Open("OLD");
    EXPECT_EQ(cursor->GetFieldCount(), 4);
    EXPECT_EQ(cursor->GetFieldNumber("CODE"), 2);
    EXPECT_EQ(Problems(*cursor), "");
    EXPECT_EQ(cursor->GetRecordCount(), rows_.size());
}

// A restructure cut short at any of its writes, renames or deletes, as a crash would: the table then
// opens at once, the old one or the new one with all its records, and no swap is left unsettled.
// Likewise when the undoing that a failed rename starts is cut short at any of its deletes.
TEST_P(CursorRestructureTest, ACrashAtAnyStepOfARestructureLeavesTheOldTableOrTheNew) {
    std::set<bool> restructured;
    std::vector<std::pair<TFileOperation, uint64_t>> plans; // stopped at the operation, after a failed rename
    for (TFileOperation operation : {TFileOperation::Write, TFileOperation::Rename, TFileOperation::Delete})
        plans.emplace_back(operation, 0);
    for (uint64_t rename = 1; rename <= 6; ++rename) plans.emplace_back(TFileOperation::Delete, rename);
    for (auto [operation, rename] : plans) {
        bool stopped = true;
        for (uint64_t n = 1; stopped; ++n) {
            SCOPED_TRACE("stopped at operation " + std::to_string(int(operation)) + " " + std::to_string(n) +
                         " after rename " + std::to_string(rename) + " failed");
            if (rename > 0) GetFileList().Faults().FailAt(TFileOperation::Rename, rename);
            GetFileList().Faults().StopAt(operation, n);
            try {
                TDataCursor restructure(*database_);
                restructure.SetTableName("OLD");
                restructure.RestructureTable(NewStructure());
            } catch (const ESimulatedCrash&) {
            } catch (
                const EVORSAMEngineError&) { // a failed rename: the swap undone, or cut short by the crash
            }
            stopped = GetFileList().Faults().Stopped();
            GetFileList().Faults().Reset();
            auto cursor = Open("OLD");
            bool renewed = cursor->GetFieldNumber("FLAG") != 0;
            restructured.insert(renewed);
            EXPECT_TRUE(renewed || cursor->GetFieldNumber("CODE") != 0);
            EXPECT_EQ(cursor->GetRecordCount(), rows_.size());
            ASSERT_EQ(Problems(*cursor), "");
            cursor.reset();
            EXPECT_TRUE(InMemory() || FolderFiles().count("OLD.SWP") == 0) << "a swap left unsettled";
            if (!renewed) continue;
            TDataCursor old(*database_); // the old table again, for the next step
            old.SetTableName("OLD");
            old.DeleteTable();
            tables_.pop_back();
            rows_.clear();
            memos_.clear();
            SetUp();
        }
    }
    EXPECT_EQ(restructured.size(), 2u) << "both the old table and the new one were left";
}

// ---- sorting, layouts, settings ----

// A restructure killed at its work leaves its working files, which nobody holds: the next open of a table
// of the folder, or the next restructure, removes them. Those of a process still at work stay: held
// open, or written a moment ago.
TEST_P(CursorRestructureTest, WorkingFilesThatAKilledRestructureLeftGoAtTheNextOpenOrRestructure) {
    if (InMemory()) GTEST_SKIP() << "no process leaves in-memory files behind";
    auto makeWorking = [&](const std::string& name, bool old) {
        TDataTable table(database_->Settings(), {dir_.Path(), name, false, ""});
        table.Create(PeopleDefinition(true));
        for (const char* extension : {".DAT", ".IDX", ".BLB"})
            if (old)
                std::filesystem::last_write_time(dir_.File(name + extension),
                                                 std::filesystem::file_time_type::clock::now() -
                                                     std::chrono::hours(1));
    };
    const std::vector<std::string> stray = {"_VT0BADF00D.DAT", "_VT0BADF00D.IDX", "_VT0BADF00D.BLB"};
    for (bool byRestructure : {false, true}) {
        SCOPED_TRACE(byRestructure ? "restructure" : "open");
        makeWorking("_VT0BADF00D", true);
        makeWorking("_VT0000BEEF", false); // a moment ago
        makeWorking("_VT00C0FFEE", true);
        TDataTable held(database_->Settings(), {dir_.Path(), "_VT00C0FFEE", false, ""});
        held.Open();
        if (byRestructure) {
            TDataCursor restructure(*database_);
            restructure.SetTableName("OLD");
            restructure.RestructureTable(NewStructure());
        } else {
            Open("OLD");
        }
        std::set<std::string> files = FolderFiles();
        for (const std::string& name : stray) EXPECT_EQ(files.count(name), 0u) << name;
        EXPECT_EQ(files.count("_VT0000BEEF.DAT"), 1u);
        EXPECT_EQ(files.count("_VT00C0FFEE.DAT"), 1u);
        held.Close();
        for (const char* name : {"_VT0000BEEF", "_VT00C0FFEE"}) {
            TDataTable table(database_->Settings(), {dir_.Path(), name, false, ""});
            table.Delete();
        }
    }
}

TEST(WorkingFileNames, AreTheTemporaryNamesWithATableExtension) {
    for (const char* name : {"_VT0BADF00D.DAT", "_VT12345678.idx", "_VTabcdef01.Blb"})
        EXPECT_TRUE(IsWorkingFileName(name)) << name;
    for (const char* name : {"_VT0BADF00D.DBK", "_VT1234567.DAT", "_VT123456789.DAT", "_VT1234567G.DAT",
                             "PEOPLE.DAT", "_vt12345678.DAT", "_VT12345678.DAT.bak"})
        EXPECT_FALSE(IsWorkingFileName(name)) << name;
}

TEST_P(CursorDefinitionTest, SortingInPlaceRenumbersTheRecordsAndRebuildsTheIndexes) {
    auto cursor = PlainRows("SORTED", 2000, true);
    cursor->AddSecondaryIndex(DescriptorOf(RowIndex("ByCode")));
    TSortRequest request;
    TFieldDescriptor name;
    ASSERT_TRUE(cursor->GetTableFieldDesc(NameField, name));
    name.SetSortDescending(true);
    request.Fields = {name};
    EXPECT_EQ(cursor->SortRecords(request), rows_.size());
    EXPECT_EQ(Problems(*cursor), "");
    cursor->SetIndexNumber(RecordOrderIndex);
    TIndexSpec byNameDesc{"", {NameField}, {true}};
    std::vector<TRow> sorted = Sorted(byNameDesc);
    ExpectIndexOrder(Scan(*cursor), sorted, byNameDesc, 0);
    cursor->SetIndexNumber(PrimaryIndexSlot);
    EXPECT_TRUE(FindId(*cursor, rows_.front().Id));
    ExpectOrder(*cursor, RowIndex("ByCode"));
}

TEST_P(CursorDefinitionTest, ALayoutOfTheCursorsOwnShowsComputedFieldsBehindTheRecord) {
    auto cursor = PlainRows("LAYOUT", 10);
    TFieldDescriptor name, id, twice;
    ASSERT_TRUE(cursor->GetFieldDesc(NameField, name));
    ASSERT_TRUE(cursor->GetFieldDesc(IdField, id));
    twice.SetName("TWICE");
    twice.SetDataType(dtInteger);
    twice.SetComputed(true);
    uint16_t recordSize = cursor->GetRecordSize();
    cursor->SetFieldDescs({name, twice, id});
    EXPECT_EQ(cursor->GetFieldCount(), 3);
    EXPECT_EQ(cursor->GetRecordSize(), recordSize + 5);
    cursor->SetToBegin();
    std::vector<uint8_t> image(cursor->GetRecordSize());
    ASSERT_EQ(cursor->GetNextRecord(image), 0);
    bool null = false;
    int32_t value = 0, rowId = 0;
    cursor->GetField(3, image, null, reinterpret_cast<uint8_t*>(&rowId));
    cursor->GetField(2, image, null, reinterpret_cast<uint8_t*>(&value));
    EXPECT_TRUE(null) << "a computed value starts null";
    value = rowId * 2;
    cursor->PutField(2, image, reinterpret_cast<const uint8_t*>(&value));
    value = 0;
    cursor->GetField(2, image, null, reinterpret_cast<uint8_t*>(&value));
    EXPECT_FALSE(null);
    EXPECT_EQ(value, rowId * 2);
    cursor->GetTableField(CodeField, image, null, nullptr); // the table's own layout still answers
    std::vector<uint8_t> edit = CurrentImage(*cursor, true);
    cursor->PutField(1, edit, reinterpret_cast<const uint8_t*>("renamed"));
    cursor->ModifyRecord(edit);
    EXPECT_EQ(Problems(*cursor), "");

    TFieldDescriptor misplaced = name;
    misplaced.SetOffset(uint16_t(name.Offset() + 1));
    EXPECT_ENGINE_ERROR(cursor->SetFieldDescs({misplaced}), VORSAM_INVALIDPARAM);
    cursor->SetFieldDescs({});
    EXPECT_EQ(cursor->GetRecordSize(), recordSize);
    EXPECT_EQ(CurrentRow(*cursor).Name, "renamed");
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorDefinitionTest, ::testing::Values(TStorage::Memory, TStorage::Disk),
                         StorageName);
INSTANTIATE_TEST_SUITE_P(Storage, CursorRestructureTest, ::testing::Values(TStorage::Memory, TStorage::Disk),
                         StorageName);

} // namespace
} // namespace vorsam::test
