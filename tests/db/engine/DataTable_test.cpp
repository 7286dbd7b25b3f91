// The shared table in one process: create and delete, opens and uses, record operations against an
// oracle, key violations, sorting, the whole-table lock and the end of a write.
#include "TableTestSupport.h"

#include "FieldSpecs.h"

#include "db/engine/Record.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <functional>
#include <random>

namespace vorsam::test {
namespace {

class DataTableTest : public TTableTest {};

// ---- create and delete ----

TEST_P(DataTableTest, CreateLaysOutFieldsAndKeyLengths) {
    TTableDefinition definition;
    definition.Fields = MakeFields({{"ID", dtInteger, 0, stAutoInc},
                                    {"NAME", dtString, 30},
                                    {"PRICE", dtBcd},
                                    {"WHEN", dtDate},
                                    {"NOTE", dtBlob, 0, stMemo},
                                    {"FLAG", dtBoolean}});
    for (TFieldDescriptor& field : definition.Fields) field.SetOffset(0); // the create computes them
    definition.Fields[2].SetDecimals(2);
    definition.PrimaryIndex.Fields = {1};
    definition.SecondaryIndexes = {IndexOn("ByName", {2}), IndexOn("Day", {4, 6}, true)};
    auto table = NewTable();
    table->Create(definition);
    table->Open();

    struct TExpected {
        uint16_t Offset;
        uint8_t PhysicalSize;
    };
    const TExpected expected[] = {{5, 4}, {9, 31}, {41, 34}, {76, 4}, {81, 8}, {90, 2}};
    const auto& fields = table->DataFile().FieldDescriptors();
    ASSERT_EQ(fields.size(), 6u);
    for (size_t i = 0; i < fields.size(); ++i) {
        SCOPED_TRACE(fields[i].Name());
        EXPECT_EQ(fields[i].FieldNumber(), i + 1);
        EXPECT_EQ(fields[i].Offset(), expected[i].Offset);
        EXPECT_EQ(fields[i].PhysicalSize(), expected[i].PhysicalSize);
    }
    EXPECT_EQ(fields[2].PhysicalDecimals(), 2);
    EXPECT_EQ(table->DataFile().GetRecordSize(), 93);
    EXPECT_EQ(table->DataFile().GetBlobFieldCount(), 1);
    EXPECT_TRUE(table->HasBlobFile());
    // Key lengths: the segments' key size + 1, and the 4-byte record suffix of a non-unique index.
    EXPECT_EQ(table->IndexFile().GetIndexDesc(0).KeyLength(), 5);
    EXPECT_EQ(table->IndexFile().GetIndexDesc(1).KeyLength(), 36);
    EXPECT_EQ(table->IndexFile().GetIndexDesc(2).KeyLength(), 8);
    EXPECT_EQ(Problems(*table), "");
}

struct TBadDefinition {
    const char* Name;
    std::function<void(TTableDefinition&)> Spoil;
    uint16_t Code;
};

TFieldDescriptor Field(const char* name, uint8_t type, uint8_t size = 0, uint8_t subType = 0) {
    return MakeFields({{name, type, size, subType}})[0];
}

const TBadDefinition BadDefinitions[] = {
    {"StringOf251", [](auto& d) { d.Fields[2].SetDeclaredSize(251); }, VORSAM_HEADERCORRUPT},
    {"BlankName", [](auto& d) { d.Fields[1].SetName("  "); }, VORSAM_HEADERCORRUPT},
    {"NameStartingWithADigit", [](auto& d) { d.Fields[1].SetName("1VALUE"); }, VORSAM_HEADERCORRUPT},
    {"NameTwiceInAnyCase", [](auto& d) { d.Fields[1].SetName("key"); }, VORSAM_HEADERCORRUPT},
    {"NoType", [](auto& d) { d.Fields[1].SetDataType(0); }, VORSAM_HEADERCORRUPT},
    {"UnknownType", [](auto& d) { d.Fields[1].SetDataType(16); }, VORSAM_HEADERCORRUPT},
    {"DecimalsOnAnInteger", [](auto& d) { d.Fields[1].SetDecimals(2); }, VORSAM_HEADERCORRUPT},
    {"DefaultThatIsNoInteger", [](auto& d) { d.Fields[1].SetDefaultValue("abc"); }, VORSAM_HEADERCORRUPT},
    {"SizeOnAnInteger", [](auto& d) { d.Fields[1].SetDeclaredSize(4); }, VORSAM_HEADERCORRUPT},
    {"BlobField129", [](auto& d) { d.Fields.resize(3 + 129, Field("B", dtBlob, 0, stMemo)); },
     VORSAM_BLOBLIMIT},
    {"RecordTooBig", [](auto& d) { d.Fields.resize(3 + 270, Field("S", dtString, 250)); }, VORSAM_RECTOOBIG},
    {"Field1025", [](auto& d) { d.Fields.resize(1025, Field("I", dtInteger)); }, VORSAM_HEADERCORRUPT},
    {"BlobBlockWithoutData", [](auto& d) { d.BlobBlockSize = 18; }, VORSAM_HEADERCORRUPT},
    {"UnknownCollation", [](auto& d) { d.LanguageId = 0x7FFF; }, VORSAM_CANNOTLOADLDDRV},
    {"KeyOnAMissingField", [](auto& d) { d.SecondaryIndexes[0].Fields = {9}; }, VORSAM_SEARCHCOLREQD},
    {"KeyOnAMemo",
     [](auto& d) {
         d.Fields.push_back(Field("DOC", dtBlob, 0, stMemo));
         d.PrimaryIndex.Fields = {4};
     },
     VORSAM_SEARCHCOLREQD},
    {"IndexNameTwice", [](auto& d) { d.SecondaryIndexes.push_back(d.SecondaryIndexes[0]); },
     VORSAM_INDEXEXISTS},
    {"IndexWithoutName", [](auto& d) { d.SecondaryIndexes[0].Name.clear(); }, VORSAM_INDEXNAMEREQUIRED},
    {"IndexNameStartingWithADigit", [](auto& d) { d.SecondaryIndexes[0].Name = "9x"; },
     VORSAM_INVALIDINDEXNAME},
    {"SecondaryIndex31",
     [](auto& d) {
         for (int i = 0; i < 30; ++i) d.SecondaryIndexes.push_back(IndexOn('I' + std::to_string(i), {2}));
     },
     VORSAM_INDEXLIMIT},
    {"KeyOf17Fields", [](auto& d) { d.PrimaryIndex.Fields.assign(17, 1); }, VORSAM_INDEXLIMIT},
    {"TextIndex", [](auto& d) { d.SecondaryIndexes[0].TextIndex = true; }, VORSAM_SEARCHCOLREQD},
};

TEST_P(DataTableTest, InvalidDefinitionsAreRefusedBeforeAnyFileExists) {
    for (const TBadDefinition& bad : BadDefinitions) {
        SCOPED_TRACE(bad.Name);
        TTableDefinition definition = PeopleDefinition();
        bad.Spoil(definition);
        auto table = NewTable();
        EXPECT_ENGINE_ERROR(table->Create(definition), bad.Code);
        EXPECT_FALSE(table->Exists());
        EXPECT_EQ(GetFileList().OpenFileCount(), 0u);
        if (!InMemory()) {
            EXPECT_EQ(dir_.EntryCount(), 0u);
        }
    }
}

TEST_P(DataTableTest, CreateRefusesAnExistingTableAndLeavesItAlone) {
    auto table = CreatePeople();
    PutPerson(*table, {1, 10, "Ana"});
    table->Close();
    EXPECT_ENGINE_ERROR(NewTable()->Create(PeopleDefinition()), VORSAM_TABLEEXISTS);
    table->Open();
    EXPECT_EQ(Contents(*table), (std::map<int32_t, TPerson>{{1, {1, 10, "Ana"}}}));
}

TEST_P(DataTableTest, DeleteIsRefusedWhileAnyFileIsOpenAndThenDeletesThemAll) {
    auto table = CreatePeople(true);
    table->Close();
    auto index = Opened("PEOPLE.IDX");
    EXPECT_ENGINE_ERROR(NewTable()->Delete(), VORSAM_FILEINUSE);
    EXPECT_TRUE(table->Exists());
    index->Close();
    table->Open();
    EXPECT_ENGINE_ERROR(NewTable()->Delete(), VORSAM_FILEINUSE);
    EXPECT_ENGINE_ERROR(table->Delete(), VORSAM_FILEINUSE);
    table->Close();
    NewTable()->Delete();
    EXPECT_FALSE(table->Exists());
    for (const char* name : {"PEOPLE.DAT", "PEOPLE.IDX", "PEOPLE.BLB"})
        EXPECT_FALSE(GetFileList().Exists(dir_.File(name), InMemory())) << name;
}

// ---- opens and uses ----

TEST_P(DataTableTest, FilesStayOpenUntilTheLastUseCloses) {
    size_t before = GetFileList().OpenFileCount();
    auto table = CreatePeople(true);
    table->IncUseCount();
    table->Open();
    EXPECT_EQ(table->UseCount(), 3u);
    EXPECT_EQ(GetFileList().OpenFileCount(), before + 3);
    table->Close();
    table->Close();
    EXPECT_TRUE(table->IsOpen());
    table->Close();
    EXPECT_FALSE(table->IsOpen());
    EXPECT_EQ(GetFileList().OpenFileCount(), before);
}

TEST_P(DataTableTest, ExclusiveAndReadOnlyUsesAdmitOnlyWhatTheyAllow) {
    auto table = CreatePeople(false, {.Exclusive = true});
    EXPECT_ENGINE_ERROR(table->Open(), VORSAM_FILEINUSE);
    EXPECT_ENGINE_ERROR(NewTable()->Open(), VORSAM_FILEINUSE);
    PutPerson(*table, {1, 10, "Ana"});
    table->Close();

    table->Open({.ReadOnly = true});
    EXPECT_ENGINE_ERROR(table->Open({.Exclusive = true}), VORSAM_FILEINUSE);
    EXPECT_ENGINE_ERROR(table->BeginWrite(), VORSAM_OSEACCES);
    EXPECT_ENGINE_ERROR(PutPerson(*table, {2, 20, "Bia"}), VORSAM_OSEACCES);
    EXPECT_EQ(Contents(*table).size(), 1u);
    table->Close();

    table->Open();
    table->Open({.ReadOnly = true}); // a reader joins a table that writes
    PutPerson(*table, {2, 20, "Bia"});
    EXPECT_EQ(Contents(*table).size(), 2u);
}

// ---- records ----

TEST_P(DataTableTest, RandomEditsAgreeWithAnOracleAndVerify) {
    for (bool memo : {false, true}) {
        SCOPED_TRACE(memo ? "with a memo" : "without a memo");
        auto table = CreatePeople(memo);
        std::map<int32_t, TPerson> oracle;
        std::mt19937 random(memo ? 7 : 3);
        const char* names[] = {"ana", "Ana", "BIA", "carla", "Duda", ""};
        for (int step = 1; step <= 400; ++step) {
            auto key = int32_t(random() % 60);
            if (random() % 4 == 0 && oracle.count(key)) {
                DeletePerson(*table, key);
                oracle.erase(key);
            } else {
                TPerson person{key, int32_t(random() % 1000) - 500, names[random() % 6]};
                if (memo && random() % 3 != 0)
                    person.Memo = std::string(random() % 1500, char('a' + step % 26));
                PutPerson(*table, person);
                oracle[key] = person;
            }
            if (step % 50 == 0) {
                ASSERT_EQ(Contents(*table), oracle);
                ASSERT_EQ(Problems(*table), "");
            }
        }
        table->Close();
        table->Open();
        EXPECT_EQ(Contents(*table), oracle);
        EXPECT_EQ(Problems(*table), "");
        table->Close();
        table->Delete();
    }
}

// Records appended as a set (AppendRecords) end as the same records appended one by one in a table beside
// them: up to the first one an index refuses (a key held, held back from an earlier set, or repeated in the
// set), with the same error; keys held back over a few sets go in together, each index in its order, also
// when the budget of changes sends them to the spill file after every set or after some.
TEST_P(DataTableTest, ASetOfRecordsIsAppendedAsOneByOne) {
    TTableDefinition definition = PeopleDefinition();
    definition.SecondaryIndexes.push_back(IndexOn("UniqueValue", {2}, true));
    definition.SecondaryIndexes.push_back(IndexOn("NameBytes", {3})); // keys alike for 4 bytes
    struct TMode {
        const char* Name;
        bool HoldBack;
        uint32_t Budget; // of changes: held keys past it are spilled
    };
    const uint32_t budget = EngineSettings{}.ChangeBudget;
    for (TMode mode : {TMode{"SETS", false, budget}, TMode{"HELD", true, budget}, TMode{"SPILLED", true, 1},
                       TMode{"SOMETIMES", true, 20000}}) {
        SCOPED_TRACE(mode.Name);
        settings_.ChangeBudget = mode.Budget;
        auto sets = NewTable(mode.Name), single = NewTable(std::string(mode.Name) + "1");
        for (auto* table : {&sets, &single}) (*table)->Create(definition), (*table)->Open();
        std::mt19937 random(41);
        TPendingKeys pending;
        for (int round = 0; round < 40; ++round) {
            std::vector<uint8_t> images;
            uint16_t code = 0; // of the first append refused one by one
            for (size_t i = 0, count = 1 + random() % 300; i < count; ++i) {
                TPerson person{round % 3 ? round * 1000 + int32_t(i) : int32_t(random() % 3000),
                               int32_t(random() % 99999), "Name"};
                for (int digit = 0; digit < 12; ++digit) person.Name += char('0' + random() % 10);
                std::vector<uint8_t> image = PersonImage(*sets, person);
                images.insert(images.end(), image.begin(), image.end());
                if (code == 0) code = ErrorCodeOf([&] { single->AppendRecord(image); });
            }
            EXPECT_EQ(ErrorCodeOf([&] { sets->AppendRecords(images, mode.HoldBack ? &pending : nullptr); }),
                      code);
            EXPECT_LE(pending.MemoryBytes(), mode.Budget);
            if (round % 5 == 4) sets->ApplyPendingKeys(pending);
            ASSERT_EQ(Contents(*sets), Contents(*single)) << "round " << round;
        }
        sets->ApplyPendingKeys(pending);
        EXPECT_EQ(Problems(*sets), "");
        EXPECT_TRUE(
            VerifyTable(*sets, {.RequireHalfFull = !mode.HoldBack}).Ok()); // keys appended at the end too
    }
}

TEST_P(DataTableTest, KeyViolationsChangeNothing) {
    TTableDefinition definition = PeopleDefinition();
    definition.SecondaryIndexes.push_back(IndexOn("UniqueName", {3}, true));
    auto table = NewTable();
    table->Create(definition);
    table->Open();
    PutPerson(*table, {1, 10, "Ana"});
    PutPerson(*table, {2, 20, "Bia"});
    auto counters = table->ChangeCounters();
    auto contents = Contents(*table);
    uint64_t writes = GetFileList().Faults().Count(TFileOperation::Write);

    auto expectViolation = [&](const TPerson& person, const char* index) {
        try {
            PutPerson(*table, person);
            ADD_FAILURE() << "no key violation";
        } catch (const EVORSAMEngineError& e) {
            EXPECT_EQ(e.ErrorCode, VORSAM_KEYVIOL);
            EXPECT_EQ(e.ErrorIndexName, index);
        }
    };
    expectViolation({3, 30, "Ana"}, "UniqueName"); // append
    expectViolation({2, 20, "Ana"}, "UniqueName"); // modify
    std::vector<uint8_t> image = PersonImage(*table, {1, 0, "Carla"});
    EXPECT_ENGINE_ERROR(table->AppendRecord(image), VORSAM_KEYVIOL); // the primary key

    EXPECT_EQ(GetFileList().Faults().Count(TFileOperation::Write), writes);
    EXPECT_EQ(table->ChangeCounters(), counters);
    EXPECT_EQ(Contents(*table), contents);
    EXPECT_EQ(table->IndexFile().GetActiveRecords(), 2u);
    EXPECT_EQ(Problems(*table), "");
}

// With the primary index alone, an append puts its key in before it takes its record: a key the index
// holds refuses it, and a record that cannot be had takes the key out again, also under a whole-table
// lock, where a failed write forgets nothing.
TEST_P(DataTableTest, AnAppendRefusedOnThePrimaryKeyAloneLeavesNoKeyBehind) {
    TTableDefinition definition = PeopleDefinition();
    definition.SecondaryIndexes.clear();
    auto table = NewTable();
    table->Create(definition);
    table->Open();
    for (int32_t key : {1, 2, 3}) PutPerson(*table, {key, key, "p"});
    DeletePerson(*table, 2);
    table->LockTable();
    EXPECT_ENGINE_ERROR(table->AppendRecord(PersonImage(*table, {3, 0, "x"})), VORSAM_KEYVIOL);
    {
        // The free chain's head, record 2, seen as active: no record to be had.
        TPinnedRecord two(table->DataFile().GetRecord(nullptr, 2));
        two->SetStatus(RecordActive);
    }
    EXPECT_ENGINE_ERROR(table->AppendRecord(PersonImage(*table, {9, 0, "x"})), VORSAM_FILECORRUPT);
    EXPECT_EQ(RecordOf(*table, 9), 0u);
    EXPECT_EQ(RecordOf(*table, 3), 3u);
    table->DiscardBuffers();
    table->UnlockTable();
    EXPECT_EQ(Contents(*table).size(), 2u);
    EXPECT_EQ(Problems(*table), "");
}

TEST_P(DataTableTest, ARefusedWriteReadsTheHeadersBackWithTheChecksOfAnOpen) {
    CreatePeople();
    {
        auto table = OpenPeople();
        PutPerson(*table, {1, 10, "Ana"});
    }
    // The stored physical size of KEY, a byte the open makes again from the field's type.
    constexpr uint64_t KeyPhysicalSize = TDataFileHeader::Size + 88;
    WriteAt(*Opened("PEOPLE.DAT"), KeyPhysicalSize, std::string(1, char(251)));
    auto table = OpenPeople();
    auto keySize = [&] { return table->DataFile().FieldDescriptors()[0].PhysicalSize(); };
    EXPECT_EQ(keySize(), 4u);
    EXPECT_ENGINE_ERROR(table->AppendRecord(PersonImage(*table, {1, 0, "Bia"})), VORSAM_KEYVIOL);
    EXPECT_EQ(keySize(), 4u);
    EXPECT_EQ(Problems(*table), "");
    PutPerson(*table, {2, 20, "Bia"});
    EXPECT_EQ(Contents(*table), (TContents{{1, {1, 10, "Ana"}}, {2, {2, 20, "Bia"}}}));
}

TEST_P(DataTableTest, EveryNewRecordGetsAFreshPlusFiveValueThatModifyKeeps) {
    auto table = CreatePeople();
    for (int32_t key = 1; key <= 3; ++key) PutPerson(*table, {key, 0, "same name"});
    auto plusFive = [&](int32_t key) {
        TTableRead read(*table);
        TPinnedRecord record(table->DataFile().GetRecord(nullptr, RecordOf(*table, key)));
        return record->AutoIncValue();
    };
    EXPECT_EQ(plusFive(1), 1u);
    EXPECT_EQ(plusFive(3), 3u);
    PutPerson(*table, {2, 5, "other name"});
    EXPECT_EQ(plusFive(2), 2u);
    DeletePerson(*table, 3);
    PutPerson(*table, {4, 0, "same name"}); // reuses slot 3, with a value of its own
    EXPECT_EQ(RecordOf(*table, 4), 3u);
    EXPECT_EQ(plusFive(4), 4u);
    // A record that keeps its own value raises the last one handed out.
    std::vector<uint8_t> image = PersonImage(*table, {5, 0, "kept"});
    StoreLE32(&image[AutoIncValueOffset], 40);
    table->AppendRecord(image, true);
    PutPerson(*table, {6, 0, "same name"});
    EXPECT_EQ(plusFive(6), 41u);
    EXPECT_EQ(Problems(*table), "");
}

TEST_P(DataTableTest, DeletingARecordFreesItsBlobsAndEmptyingFreesAll) {
    auto table = CreatePeople(true);
    PutPerson(*table, {1, 0, "Ana", std::string(3000, 'x')});
    PutPerson(*table, {2, 0, "Bia", std::string(700, 'y')});
    uint32_t blocks = table->BlobFile().GetBlockCount();
    DeletePerson(*table, 1);
    EXPECT_EQ(Problems(*table), ""); // every block free or in a chain
    PutPerson(*table, {3, 0, "Carla", std::string(2900, 'z')});
    EXPECT_EQ(table->BlobFile().GetBlockCount(), blocks); // the freed blocks came back
    table->EmptyTable();
    EXPECT_EQ(Contents(*table).size(), 0u);
    EXPECT_EQ(table->BlobFile().GetBlockCount(), 0u);
    EXPECT_EQ(table->IndexFile().GetActiveRecords(), 0u);
    EXPECT_EQ(Problems(*table), "");
    PutPerson(*table, {4, 0, "Duda", "memo"});
    EXPECT_EQ(Contents(*table).at(4).Memo, "memo");
}

TEST_P(DataTableTest, SortingRebuildsTheIndexes) {
    auto table = CreatePeople(false, {.Exclusive = true});
    std::mt19937 random(11);
    std::map<int32_t, TPerson> oracle;
    for (int32_t key = 0; key < 300; ++key) {
        TPerson person{key, int32_t(random() % 50), 'n' + std::to_string(random() % 40)};
        PutPerson(*table, person);
        oracle[key] = person;
    }
    for (int32_t key = 0; key < 300; key += 7) {
        DeletePerson(*table, key);
        oracle.erase(key);
    }
    TSortRequest request;
    request.Fields = {table->DataFile().FieldDescriptors()[1]};
    EXPECT_EQ(table->SortRecords(request), oracle.size());
    EXPECT_EQ(Problems(*table), "");
    EXPECT_EQ(Contents(*table), oracle);
    int32_t last = INT32_MIN;
    table->DataFile().ForEachActiveRecord([&](uint32_t, std::span<const uint8_t> image) {
        TPerson person = PersonOf(*table, image);
        EXPECT_LE(last, person.Value);
        last = person.Value;
    });
    for (auto& [key, person] : oracle) EXPECT_NE(RecordOf(*table, key), 0u) << key;
    table->Close();

    table->Open();
    EXPECT_ENGINE_ERROR(table->SortRecords(request), VORSAM_FILEINUSE);
}

// ---- locks and writes in one process ----

TEST_P(DataTableTest, AnotherUserSeesTheChangesOfEachFileAtItsNextLock) {
    for (bool encrypted : {false, true}) {
        SCOPED_TRACE(encrypted ? "encrypted" : "plain");
        TTableDefinition definition = PeopleDefinition(true);
        definition.Encrypted = encrypted;
        auto writer = NewTable(encrypted ? "SECRET" : "PEOPLE");
        writer->Create(definition);
        writer->Open();
        PutPerson(*writer, {1, 10, "Ana", "first"});
        auto reader = NewTable(encrypted ? "SECRET" : "PEOPLE");
        reader->Open();
        ASSERT_EQ(Contents(*reader).at(1).Value, 10);
        ASSERT_GT(reader->DataFile().RecordCache().Count(), 0u);
        ASSERT_GT(reader->BlobFile().BlockCache().Count(), 0u);

        // A value outside every index: only the data file changes; the reader drops its records only.
        PutPerson(*writer, {1, 11, "Ana", "first"});
        EXPECT_EQ(reader->ChangeCounters()[1], writer->ChangeCounters()[1]);
        size_t pages = reader->IndexFile().CachedPageCount(0);
        EXPECT_TRUE(reader->BeginRead());
        EXPECT_EQ(reader->DataFile().RecordCache().Count(), 0u);
        EXPECT_EQ(reader->IndexFile().CachedPageCount(0), pages);
        reader->EndRead();
        EXPECT_EQ(Contents(*reader).at(1).Value, 11);

        // A longer memo: the blob file changes too, and its header is read deciphered.
        PutPerson(*writer, {1, 11, "Ana", std::string(2000, 's')});
        EXPECT_TRUE(reader->BeginRead());
        EXPECT_EQ(reader->BlobFile().BlockCache().Count(), 0u);
        EXPECT_EQ(reader->BlobFile().Header().NextBlock(), writer->BlobFile().Header().NextBlock());
        reader->EndRead();
        // A new key: the index file changes, and the reader's pages go as well.
        PutPerson(*writer, {2, 20, "Bia"});
        EXPECT_TRUE(reader->BeginRead());
        EXPECT_EQ(reader->IndexFile().CachedPageCount(0), 0u);
        EXPECT_EQ(reader->DataFile().Header().NextRecordNumber(), 3u);
        reader->EndRead();
        EXPECT_EQ(Contents(*reader), Contents(*writer));
        EXPECT_FALSE(reader->BeginRead()); // nothing new
        reader->EndRead();
        EXPECT_EQ(Problems(*reader), "");
    }
}

TEST_P(DataTableTest, ForceBufferFlushFollowsEveryWriteWithASync) {
    for (bool force : {false, true}) {
        SCOPED_TRACE(force ? "ForceBufferFlush" : "no ForceBufferFlush");
        settings_.ForceBufferFlush = force;
        auto table = CreatePeople(true);
        struct TEvent {
            TFileOperation Operation;
            std::string File;
            uint64_t Offset;
        };
        std::vector<TEvent> events;
        GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
            events.push_back({e.Operation, std::string(e.FileName), e.Offset});
        });
        auto check = [&] {
            size_t writes = 0;
            for (size_t i = 0; i < events.size(); ++i) {
                if (events[i].Operation != TFileOperation::Write) continue;
                ++writes;
                bool synced = false;
                for (size_t j = i + 1; j < events.size() && !synced; ++j)
                    synced = events[j].Operation == TFileOperation::Flush && events[j].File == events[i].File;
                EXPECT_EQ(synced, force) << "write " << i << " of " << events[i].File;
            }
            ASSERT_GT(writes, 2u);
            // The data header opens and closes each write.
            auto first = std::find_if(events.begin(), events.end(),
                                      [](auto& e) { return e.Operation == TFileOperation::Write; });
            auto last = std::find_if(events.rbegin(), events.rend(),
                                     [](auto& e) { return e.Operation == TFileOperation::Write; });
            EXPECT_TRUE(first->File.ends_with(".DAT") && first->Offset == 0);
            EXPECT_TRUE(last->File.ends_with(".DAT") && last->Offset == 0);
            events.clear();
        };
        PutPerson(*table, {1, 10, "Ana", std::string(2000, 'a')});
        check();
        PutPerson(*table, {1, 11, "Ana", "short"});
        check();
        DeletePerson(*table, 1);
        check();
        GetFileList().Faults().SetObserver(nullptr);
        table->Close();
        table->Delete();
    }
}

TEST_P(DataTableTest, AWholeTableLockKeepsChangesInTheCachesUntilItEnds) {
    auto table = CreatePeople(true);
    PutPerson(*table, {1, 10, "Ana"});
    auto other = OpenPeople();
    auto before = Contents(*other);

    EXPECT_FALSE(table->LockTable());
    uint64_t writes = GetFileList().Faults().Count(TFileOperation::Write);
    for (int32_t key = 2; key < 200; ++key) PutPerson(*table, {key, key, "n", "memo"});
    DeletePerson(*table, 1);
    EXPECT_EQ(GetFileList().Faults().Count(TFileOperation::Write), writes);
    EXPECT_EQ(Contents(*other), before); // nothing reached the files
    EXPECT_EQ(Contents(*table).size(), 198u);
    table->UnlockTable();
    EXPECT_EQ(Contents(*other), Contents(*table));
    EXPECT_EQ(Problems(*other), "");

    // Discarded instead: the files and the caches are as before the lock.
    table->LockTable();
    PutPerson(*table, {500, 1, "gone", "gone too"});
    DeletePerson(*table, 2);
    table->DiscardBuffers();
    table->UnlockTable();
    EXPECT_EQ(Contents(*table), Contents(*other));
    EXPECT_EQ(Contents(*table).count(500), 0u);
    EXPECT_EQ(Problems(*table), "");
}

// The end of a write fails after its mark: whether the files still agree decides what another user
// sees until the next write of the same process completes the table.
TEST_P(DataTableTest, AFailedEndOfWriteLeavesTheTableUsableOrRefusedUntilTheNextWriteCompletesIt) {
    struct TCase {
        uint64_t FailingWrite;
        bool Agree; // the files still agree (nothing but the mark was written)
    };
    for (TCase c : {TCase{2, true}, TCase{3, false}}) {
        SCOPED_TRACE("failing write " + std::to_string(c.FailingWrite));
        if (auto old = NewTable(); old->Exists()) old->Delete();
        auto table = CreatePeople();
        PutPerson(*table, {1, 10, "Ana"});
        auto other = OpenPeople();
        GetFileList().Faults().FailAt(TFileOperation::Write, c.FailingWrite); // the mark, then the records
        EXPECT_ENGINE_ERROR(PutPerson(*table, {2, 20, "Bia"}), VORSAM_WRITEERR);
        GetFileList().Faults().Reset();
        if (c.Agree) {
            EXPECT_EQ(Contents(*other).size(), 1u);
            EXPECT_EQ(Contents(*OpenPeople()).size(), 1u);
        } else {
            EXPECT_ENGINE_ERROR(other->BeginRead(), VORSAM_WRITEINTERRUPTED);
            EXPECT_ENGINE_ERROR(NewTable()->Open(), VORSAM_WRITEINTERRUPTED);
        }
        PutPerson(*table, {3, 30, "Carla"}); // writes what the failed end left, and clears the mark
        EXPECT_EQ(Contents(*other).size(), 3u);
        EXPECT_EQ(Problems(*other), "");
        EXPECT_FALSE(other->DataFile().WriteInterrupted());
    }
}

// The end of a write fails at each of its header writes in turn (the blob file's, the index file's, the
// data file's): the headers the write made are not taken for another user's, and the next write of the
// process, its close's here, writes them; a fresh user then finds the table whole, every memo readable.
TEST_P(DataTableTest, AFailedHeaderWriteIsCompletedWithTheHeadersTheWriteMade) {
    for (const char* failing : {".BLB", ".IDX", ".DAT"}) {
        SCOPED_TRACE(failing);
        if (auto old = NewTable(); old->Exists()) old->Delete();
        TContents expected;
        {
            auto table = CreatePeople(true);
            for (int32_t key = 1; key <= 10; ++key) {
                expected[key] = {key, key, "n", std::string(size_t(key) * 60, 'n')};
                PutPerson(*table, expected[key]);
            }
        }
        {
            auto table = OpenPeople();
            GetFileList().Faults().FailWhere(
                TFileOperation::Write,
                [&](const TFileEvent& e) {
                    return e.FileName.ends_with(failing) && e.Offset == 0 && e.Length > 0;
                },
                EIO);
            expected[100] = {100, 7, "added", "added"};
            EXPECT_ENGINE_ERROR(PutPerson(*table, expected[100]), VORSAM_WRITEERR);
            GetFileList().Faults().Reset();
        }
        auto fresh = OpenPeople();
        EXPECT_EQ(Problems(*fresh), "");
        EXPECT_EQ(Contents(*fresh), expected);
    }
}

// What a failed end of a write kept for the next write of its process is forgotten when another user
// writes the table first: the other's change stands, and the next write adds to the table as it is.
TEST_P(DataTableTest, AnotherUsersWriteOvertakesWhatAFailedEndOfWriteKept) {
    auto table = CreatePeople();
    PutPerson(*table, {1, 10, "Ana"});
    auto other = OpenPeople();
    GetFileList().Faults().FailAt(TFileOperation::Write, 2); // the mark is written, the records fail
    EXPECT_ENGINE_ERROR(PutPerson(*table, {2, 20, "Bia"}), VORSAM_WRITEERR);
    GetFileList().Faults().Reset();
    PutPerson(*other, {1, 11, "Ana"}); // the data file alone changes
    PutPerson(*table, {4, 40, "Duda"});
    TContents contents = Contents(*other);
    EXPECT_EQ(contents.size(), 2u);
    EXPECT_EQ(contents[1].Value, 11);
    EXPECT_EQ(contents.count(2), 0u) << "the failed write's record";
    EXPECT_EQ(Problems(*other), "");
    EXPECT_EQ(Problems(*table), "");
}

// A write cut short once it had appended blocks to the blob file, before any header counted them,
// leaves the file longer than its header says. The table opens, and the first user that holds the write
// locks (a write without blobs, or an exclusive open) cuts what no header counts.
TEST_P(DataTableTest, BlocksThatAnInterruptedWriteAppendedAreCutByTheNextWriter) {
    for (bool exclusive : {false, true}) {
        SCOPED_TRACE(exclusive ? "exclusive open" : "write");
        if (auto old = NewTable(); old->Exists()) old->Delete();
        auto table = CreatePeople(true);
        PutPerson(*table, {1, 10, "Ana", "short"});
        GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
            if (e.Operation == TFileOperation::Write && e.FileName.ends_with(".BLB") && e.Offset > 512)
                GetFileList().Faults().StopAtWrite(1); // the write after the blocks: the records
        });
        EXPECT_THROW(PutPerson(*table, {2, 20, "Bia", std::string(1500, 'b')}), ESimulatedCrash);
        table.reset();
        GetFileList().Faults().Reset();
        ASSERT_GT(Opened("PEOPLE.BLB")->GetFileSize(), 1024u) << "blocks beyond the one counted";
        table = OpenPeople({.Exclusive = exclusive});
        if (!exclusive) PutPerson(*table, {3, 30, "Carla"});
        EXPECT_EQ(table->BlobFile().GetFileSize(), 512u * (table->BlobFile().GetBlockCount() + 1));
        EXPECT_EQ(Contents(*table).count(2), 0u);
        EXPECT_FALSE(table->DataFile().WriteInterrupted());
        EXPECT_EQ(Problems(*table), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Storage, DataTableTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
