// Editing through the cursor: random edit sessions against an oracle with the table verified after
// each step, key violations, record locks between cursors, optimistic locking, defaults, character case
// and constraints, read-only and encrypted tables, sets of records deleted or appended in one write.
#include "CursorTestSupport.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <functional>
#include <map>

namespace vorsam::test {
namespace {

class CursorEditTest : public TCursorTest {
protected:
    std::vector<TRow> Contents(TDataCursor& cursor) {
        uint8_t index = cursor.IndexNumber();
        cursor.SetIndexNumber(PrimaryIndexSlot);
        std::vector<TRow> rows = Scan(cursor);
        cursor.SetIndexNumber(index);
        return rows;
    }
    std::vector<TRow> Expected() const {
        std::vector<TRow> rows;
        for (const auto& [id, row] : oracle_) rows.push_back(row);
        return rows;
    }
    void ExpectOracle(TDataCursor& cursor) {
        ASSERT_EQ(TableProblems(cursor), "");
        ASSERT_EQ(Contents(cursor), Expected());
        EXPECT_EQ(cursor.GetRecordCount(), oracle_.size());
    }
    // Begins editing the row with the id: found and locked, its image read.
    std::vector<uint8_t> Edit(TDataCursor& cursor, int32_t id) {
        std::vector<uint8_t> image(cursor.GetRecordSize());
        EXPECT_TRUE(FindId(cursor, id));
        EXPECT_EQ(cursor.GetCurrentRecord(image, true), 0);
        return image;
    }
    static void Put(const TDataCursor& cursor, std::vector<uint8_t>& image, const TRow& row) {
        std::vector<uint8_t> fresh = RowImage(cursor, row);
        std::copy(fresh.begin() + RecordPrefixSize, fresh.end(), image.begin() + RecordPrefixSize);
    }
    int32_t AnyId() {
        auto it = oracle_.begin();
        std::advance(it, random_() % oracle_.size());
        return it->first;
    }
    // A table of ID, CODE and NAME kept in record order or by ID, plain or encrypted.
    static TCreateTableArgs BulkArgs(bool keyed, bool encrypted) {
        TCreateTableArgs args = TableArgs({{"ID", dtInteger}, {"CODE", dtInteger}, {"NAME", dtString, 20}},
                                          keyed ? std::vector<uint16_t>{IdField} : std::vector<uint16_t>{});
        args.Encrypted = encrypted;
        args.Password = encrypted ? "segredo" : "";
        return args;
    }
    const TRow& NewRow() {
        int32_t id = oracle_.empty() ? 1 : oracle_.rbegin()->first + 1;
        return oracle_[id] = RandomRow(random_, id);
    }
    // `count` new rows appended together.
    void AppendTogether(TDataCursor& cursor, int count) {
        std::vector<uint8_t> images;
        for (int i = 0; i < count; ++i) {
            std::vector<uint8_t> image = RowImage(cursor, NewRow());
            images.insert(images.end(), image.begin(), image.end());
        }
        cursor.AppendRecords(images);
    }

    std::mt19937 random_{77};
    std::map<int32_t, TRow> oracle_;
};

TEST_P(CursorEditTest, RandomEditSessionsAgreeWithTheOracleAndTheTableVerifies) {
    Create("EDITS", RowTableArgs(PortugueseBrazilian));
    auto cursor = Open("EDITS");
    int32_t nextId = 1;
    for (int step = 0; step < 500; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        unsigned choice = oracle_.size() < 5 ? 0 : random_() % 10;
        if (choice < 4) { // append: a new id, or an id that exists
            bool clash = choice == 3;
            TRow row = RandomRow(random_, clash ? AnyId() : nextId++);
            std::vector<uint8_t> image = RowImage(*cursor, row);
            if (clash) {
                EXPECT_ENGINE_ERROR(cursor->AppendRecord(image), VORSAM_KEYVIOL);
            } else {
                cursor->AppendRecord(image);
                EXPECT_EQ(CurrentRow(*cursor), row); // the new record is current
                oracle_[row.Id] = row;
            }
        } else if (choice < 8) { // modify, the key too; or cancel
            int32_t id = AnyId();
            std::vector<uint8_t> image = Edit(*cursor, id);
            TRow row = RandomRow(random_, random_() % 3 == 0 ? nextId++ : id);
            Put(*cursor, image, row);
            if (choice == 7) {
                cursor->CancelRecord();
            } else {
                cursor->ModifyRecord(image);
                EXPECT_EQ(CurrentRow(*cursor), row);
                oracle_.erase(id);
                oracle_[row.Id] = row;
            }
            EXPECT_EQ(cursor->RecordLock().Record, 0u);
        } else { // delete, with or without an edit first
            int32_t id = AnyId();
            if (choice == 8)
                Edit(*cursor, id);
            else
                ASSERT_TRUE(FindId(*cursor, id));
            cursor->DeleteRecord();
            oracle_.erase(id);
            auto next = oracle_.upper_bound(id);
            if (next == oracle_.end())
                EXPECT_EQ(cursor->GetCurrentRecord({}), VORSAM_EOF);
            else
                EXPECT_EQ(CurrentRow(*cursor).Id, next->first); // the record after it follows
        }
        ASSERT_EQ(TableProblems(*cursor), "");
        if (step % 25 == 0) ExpectOracle(*cursor);
    }
    ExpectOracle(*cursor);
}

TEST_P(CursorEditTest, AKeyViolationLeavesRecordsIndexesAndCountsUnchanged) {
    TCreateTableArgs args = RowTableArgs(0);
    args.Indexes[2].SetUnique(true); // NAME ignoring case, unique
    Create("UNIQUE", args);
    auto cursor = Open("UNIQUE");
    for (auto [id, name] : {std::pair{1, "ana"}, std::pair{2, "Bia"}, std::pair{3, "caio"}}) {
        TRow row{id, id * 10, name};
        std::vector<uint8_t> image = RowImage(*cursor, row);
        cursor->AppendRecord(image);
        oracle_[id] = row;
    }
    std::vector<uint8_t> image = RowImage(*cursor, TRow{4, 40, "BIA"});
    EXPECT_ENGINE_ERROR(cursor->AppendRecord(image), VORSAM_KEYVIOL);
    ExpectOracle(*cursor);

    image = Edit(*cursor, 3);
    Put(*cursor, image, TRow{1, 30, "caio"});
    EXPECT_ENGINE_ERROR(cursor->ModifyRecord(image), VORSAM_KEYVIOL);
    Put(*cursor, image, TRow{3, 30, "ANA"});
    EXPECT_ENGINE_ERROR(cursor->ModifyRecord(image), VORSAM_KEYVIOL);
    ExpectOracle(*cursor);
    // The edit goes on: the record stays locked until it is cancelled.
    auto other = Open("UNIQUE");
    std::vector<uint8_t> mine(cursor->GetRecordSize());
    EXPECT_ENGINE_ERROR(Edit(*other, 3), VORSAM_RECLOCKFAILED);
    cursor->CancelRecord();
    Edit(*other, 3);
}

// Sets of records deleted in one write, in the shapes a statement gives, with repeats and records deleted
// before; new rows reuse the freed records between them.
TEST_P(CursorEditTest, ASetOfRecordsDeletedInOneWriteLeavesEveryIndexAsTheOracleHasIt) {
    Create("SETS", RowTableArgs(PortugueseBrazilian));
    auto cursor = Open("SETS");
    std::map<int32_t, uint32_t> records; // id -> record number
    std::vector<uint32_t> gone;          // records deleted before
    int32_t nextId = 1;
    const std::pair<const char*, std::function<bool(size_t, size_t)>> shapes[] = {
        {"every other row", [](size_t i, size_t) { return i % 2 == 0; }},
        {"a run of keys", [](size_t i, size_t n) { return i >= n / 4 && i < n - n / 3; }},
        {"scattered rows", [&](size_t, size_t) { return random_() % 10 < 3; }},
        {"every row", [](size_t, size_t) { return true; }}};
    for (const auto& [name, shape] : shapes) {
        SCOPED_TRACE(name);
        for (int i = 0; i < 1500; ++i) {
            TRow row = RandomRow(random_, nextId++);
            std::vector<uint8_t> image = RowImage(*cursor, row);
            cursor->AppendRecord(image);
            oracle_[row.Id] = row;
            records[row.Id] = LoadLE32(&image[NextFreeOffset]);
        }
        std::vector<uint32_t> numbers(gone.begin(), gone.begin() + std::min<size_t>(gone.size(), 5));
        size_t i = 0;
        for (const auto& [id, number] : records) {
            if (!shape(i++, records.size())) continue;
            numbers.push_back(number);
            if (i % 7 == 0) numbers.push_back(number);
            gone.push_back(number);
        }
        std::shuffle(numbers.begin(), numbers.end(), random_);
        // Records deleted before may hold new rows by now: only those still deleted are passed over.
        size_t expected = std::erase_if(records, [&](const auto& entry) {
            bool deleted = std::find(numbers.begin(), numbers.end(), entry.second) != numbers.end();
            if (deleted) oracle_.erase(entry.first);
            return deleted;
        });
        EXPECT_EQ(cursor->DeleteRecords(numbers), expected);
        ExpectOracle(*cursor);
    }
}

TEST_P(CursorEditTest, TwoCursorsConflictOnARecordLockUntilTheEditEnds) {
    auto cursor = CreateRows("LOCKS", 0, {TRow{1, 1, "a"}, TRow{2, 2, "b"}});
    auto other = Open("LOCKS");
    std::vector<uint8_t> image = Edit(*cursor, 1);
    EXPECT_ENGINE_ERROR(Edit(*other, 1), VORSAM_RECLOCKFAILED);
    ASSERT_TRUE(FindId(*other, 1));
    EXPECT_ENGINE_ERROR(other->DeleteRecord(), VORSAM_RECLOCKFAILED);
    std::vector<uint8_t> theirs = Edit(*other, 2); // another record is free
    other->CancelRecord();
    cursor->CancelRecord();
    theirs = Edit(*other, 1);
    Put(*other, theirs, TRow{1, 5, "z"});
    other->ModifyRecord(theirs);
    // A modify releases the lock; the first cursor reads the other's change.
    image = Edit(*cursor, 1);
    EXPECT_EQ(RowOf(*cursor, image), (TRow{1, 5, "z"}));
    cursor->CloseCursor(); // closing ends the edit
    Edit(*other, 1);
}

TEST_P(CursorEditTest, OptimisticLockingRefusesToWriteOverAnotherUsersChange) {
    session_.SetLockProtocol(lpOptimistic);
    auto cursor = CreateRows("OPTIMIST", 0, {TRow{1, 1, "a"}, TRow{2, 2, "b"}});
    auto other = Open("OPTIMIST");
    std::vector<uint8_t> mine = Edit(*cursor, 1);
    std::vector<uint8_t> theirs = Edit(*other, 1); // nothing is locked while editing
    Put(*other, theirs, TRow{1, 7, "theirs"});
    other->ModifyRecord(theirs);
    Put(*cursor, mine, TRow{1, 8, "mine"});
    EXPECT_ENGINE_ERROR(cursor->ModifyRecord(mine), VORSAM_KEYORRECDELETED);
    EXPECT_EQ(CurrentRow(*cursor), (TRow{1, 7, "theirs"}));
    mine = Edit(*cursor, 2);
    Put(*cursor, mine, TRow{2, 9, "mine"});
    cursor->ModifyRecord(mine);
    EXPECT_EQ(CurrentRow(*other).Id, 1);
    ASSERT_TRUE(FindId(*other, 2));
    EXPECT_EQ(CurrentRow(*other), (TRow{2, 9, "mine"}));
}

// Fields with defaults, character case and limits.
TCreateTableArgs ContactArgs() {
    TCreateTableArgs args = TableArgs({{"ID", dtInteger},
                                       {"NAME", dtString, 20},
                                       {"MAIL", dtString, 30},
                                       {"CITY", dtString, 20},
                                       {"LEVEL", dtSmallInt},
                                       {"ACTIVE", dtBoolean}},
                                      {1});
    std::vector<TFieldDescriptor>& f = args.Fields;
    f[0].SetRequired(true);
    f[0].SetMinValue("1");
    f[0].SetMaxValue("999");
    f[1].SetCharCase(1); // upper
    f[2].SetCharCase(2); // lower
    f[3].SetDefaultValue("Curitiba");
    f[4].SetDefaultValue("3");
    f[4].SetMinValue("1");
    f[4].SetMaxValue("5");
    f[5].SetDefaultValue("TRUE");
    return args;
}

TEST_P(CursorEditTest, AppendAppliesDefaultsCharacterCaseAndConstraints) {
    Create("CONTACTS", ContactArgs());
    auto cursor = Open("CONTACTS");
    std::vector<uint8_t> image(cursor->GetRecordSize());
    cursor->InitRecordBuffer(image);
    int32_t id = 7;
    cursor->PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
    cursor->PutField(2, image, reinterpret_cast<const uint8_t*>("jo\xE3o da silva   "));
    // Written into the image directly, not through PutField: the append still applies the case.
    TFieldDescriptor mail;
    ASSERT_TRUE(cursor->GetFieldDesc(3, mail));
    image[mail.Offset()] = 1;
    std::strcpy(reinterpret_cast<char*>(&image[mail.Offset() + 1]), "Jo\xC3O@Exemplo.COM");
    cursor->AppendRecord(image);

    std::vector<uint8_t> stored(cursor->GetRecordSize());
    ASSERT_EQ(cursor->GetCurrentRecord(stored), 0);
    auto text = [&](uint16_t field) {
        char value[32] = {};
        bool null = true;
        cursor->GetField(field, stored, null, reinterpret_cast<uint8_t*>(value));
        return null ? std::string("<null>") : std::string(value);
    };
    EXPECT_EQ(text(2), "JO\xC3O DA SILVA");
    EXPECT_EQ(text(3), "jo\xE3o@exemplo.com");
    EXPECT_EQ(text(4), "Curitiba");
    int16_t level = 0, active = 0;
    bool null = true;
    cursor->GetField(5, stored, null, reinterpret_cast<uint8_t*>(&level));
    EXPECT_EQ(level, 3);
    cursor->GetField(6, stored, null, reinterpret_cast<uint8_t*>(&active));
    EXPECT_EQ(active, 1);

    // Constraints, each refused before anything is written.
    auto refused = [&](auto&& change) {
        std::vector<uint8_t> record = stored;
        int32_t fresh = 8;
        cursor->PutField(1, record, reinterpret_cast<const uint8_t*>(&fresh));
        change(record);
        uint16_t code = ErrorCodeOf([&] { cursor->AppendRecord(record); });
        EXPECT_EQ(cursor->GetRecordCount(), code == 0 ? 2u : 1u);
        return code;
    };
    EXPECT_EQ(refused([&](auto& record) { cursor->PutField(1, record, nullptr); }), VORSAM_REQDERR);
    int16_t zero = 0, six = 6;
    EXPECT_EQ(
        refused([&](auto& record) { cursor->PutField(5, record, reinterpret_cast<const uint8_t*>(&zero)); }),
        VORSAM_MINVALERR);
    EXPECT_EQ(
        refused([&](auto& record) { cursor->PutField(5, record, reinterpret_cast<const uint8_t*>(&six)); }),
        VORSAM_MAXVALERR);
    EXPECT_EQ(refused([](auto&) {}), 0); // the same record with a fresh id is fine
}

TEST_P(CursorEditTest, AReadOnlyCursorReadsButRefusesEdits) {
    CreateRows("READONLY", 0, {TRow{1, 1, "a"}}).reset();
    TDataCursor cursor(*database_);
    cursor.SetTableName("READONLY");
    cursor.SetReadOnly(true);
    cursor.OpenCursor();
    EXPECT_ENGINE_ERROR(cursor.SetReadOnly(false), VORSAM_INVALIDPARAM); // settings wait for a close
    EXPECT_TRUE(cursor.IsReadOnly());
    EXPECT_EQ(Scan(cursor).size(), 1u);
    std::vector<uint8_t> image(cursor.GetRecordSize());
    ASSERT_EQ(cursor.GetNextRecord(image), VORSAM_EOF);
    cursor.SetToBegin();
    ASSERT_EQ(cursor.GetNextRecord(image), 0);
    EXPECT_ENGINE_ERROR(cursor.GetCurrentRecord(image, true), VORSAM_OSEACCES);
    EXPECT_ENGINE_ERROR(cursor.AppendRecord(image), VORSAM_OSEACCES);
    EXPECT_ENGINE_ERROR(cursor.DeleteRecord(), VORSAM_OSEACCES);
}

TEST_P(CursorEditTest, AnEncryptedTableOpensOnlyWithItsPassword) {
    TCreateTableArgs args = RowTableArgs(0);
    args.Encrypted = true;
    args.Password = "segredo";
    Create("SECRET", args);
    TDataCursor cursor(*database_);
    cursor.SetTableName("SECRET");
    EXPECT_ENGINE_ERROR(cursor.OpenCursor(), VORSAM_OSEACCES);
    int asked = 0;
    cursor.SetPasswordCallback([&] {
        session_.AddPassword(++asked == 1 ? "errado" : "segredo");
        return true;
    });
    cursor.OpenCursor();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(database_->SharedTableCount(), 1u);
    cursor.CloseCursor();
    EXPECT_EQ(database_->SharedTableCount(), 0u);
}

// A change that leaves every field an index keys as it was is written without its keys; one that changes
// any of them (its null flag alone included) moves them. The indexes stay in step either way.
TEST_P(CursorEditTest, ChangesOfFieldsNoIndexKeysAndOfKeyedFieldsKeepTheIndexesInStep) {
    TCreateTableArgs args = RowTableArgs(0);
    args.Indexes.resize(2); // ID, and CODE (not unique)
    args.SecondaryCount = 1;
    Create("KEPT", args);
    auto cursor = Open("KEPT");
    std::vector<std::pair<std::optional<int32_t>, std::optional<std::string>>> changes = {
        {0, "sem chave"}, {0, "outro"}, {std::nullopt, "outro"},
        {0, "outro"},     {7, "outro"}, {7, std::nullopt}};
    for (int32_t id = 1; id <= 20; ++id) PutRow(*cursor, oracle_, {id, std::nullopt, "nome"});
    for (size_t step = 0; step < changes.size(); ++step) {
        for (int32_t id = 1; id <= 20; id += 1 + int32_t(step)) {
            TRow& row = oracle_[id];
            std::tie(row.Code, row.Name) = changes[step];
            std::vector<uint8_t> image = Edit(*cursor, id);
            Put(*cursor, image, row);
            cursor->ModifyRecord(image);
        }
        SCOPED_TRACE("step " + std::to_string(step));
        ExpectOracle(*cursor);
    }
}

// Plain and encrypted tables, in record order and keeping keys (appended one by one underneath); a walk
// through the cursor's window of slots then meets the cursor's own writes ahead of it.
TEST_P(CursorEditTest, RecordsAppendedTogetherReadBackAsAppendedOneByOneAndAWalkSeesWritesAheadOfIt) {
    session_.AddPassword("segredo");
    for (bool keyed : {false, true})
        for (bool encrypted : {false, true}) {
            SCOPED_TRACE(std::string(keyed ? "keyed" : "record order") + (encrypted ? ", encrypted" : ""));
            std::string name = std::string("BULK") + (keyed ? "K" : "R") + (encrypted ? "E" : "");
            Create(name, BulkArgs(keyed, encrypted));
            oracle_.clear();
            auto cursor = Open(name, true);
            std::vector<uint8_t> image;
            for (int count : {1, 0, 700, 3, 2500}) {
                image = RowImage(*cursor, NewRow());
                cursor->AppendRecord(image); // waits in the record cache beside the slots written
                AppendTogether(*cursor, count);
                EXPECT_EQ(cursor->GetRecordCount(), oracle_.size());
                if (count > 0) {
                    EXPECT_EQ(CurrentRow(*cursor), oracle_.rbegin()->second);
                }
            }
            EXPECT_EQ(Scan(*cursor), Expected());
            EXPECT_EQ(TableProblems(*cursor), "");
            cursor->SetToBegin();
            for (int i = 0; i < 10; ++i) ASSERT_EQ(cursor->GetNextRecord(image), 0);
            ASSERT_TRUE(cursor->SetToRecordNo(300));
            ASSERT_EQ(cursor->GetCurrentRecord(image, true), 0);
            oracle_[300].Name = "mudado";
            image = RowImage(*cursor, oracle_[300]);
            cursor->ModifyRecord(image);
            ASSERT_TRUE(cursor->SetToRecordNo(200));
            cursor->DeleteRecord();
            oracle_.erase(200);
            ASSERT_TRUE(cursor->SetToRecordNo(10));
            std::vector<TRow> rest, all = Expected();
            while (cursor->GetNextRecord(image) == 0) rest.push_back(RowOf(*cursor, image));
            EXPECT_EQ(rest, std::vector<TRow>(all.begin() + 10, all.end()));
            cursor.reset();
            cursor = Open(name); // shared: read through the record cache, from the files
            EXPECT_EQ(Scan(*cursor), Expected());
        }
}

INSTANTIATE_TEST_SUITE_P(Storage, CursorEditTest, ::testing::Values(TStorage::Memory, TStorage::Disk),
                         StorageName);

// The screens' scratch table: string fields and a 32-bit integer key under one unique secondary index
// "TEMPORAR" (the primary index left as the record order), filled, searched, edited, walked, deleted.
} // namespace
} // namespace vorsam::test
