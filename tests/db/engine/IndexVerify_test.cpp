// Index keys and the index checks: keys built from records sort as the fields' values do, a table's
// indexes pass the checks against its records, and each kind of damage is reported.
#include "IndexTestSupport.h"

#include "db/engine/IndexKeys.h"
#include "db/engine/IndexTree.h"
#include "db/lib/DataTypes.h"

#include <random>

namespace vorsam::test {
namespace {

constexpr uint16_t PortugueseBrazilian = 0x0416;

const std::vector<TFieldSpec> Columns = {
    {"Code", dtInteger}, {"Name", dtString, 20}, {"City", dtString, 15}, {"Serial", dtInteger, 0, stAutoInc}};

// A table's index file built from records kept in a fake: every record is added to every user index
// through its key.
class TIndexedTable {
public:
    explicit TIndexedTable(uint16_t languageId = 0) : file_(settings_), fields_(MakeFields(Columns)) {
        table_.Fields = fields_;
        table_.LanguageId = languageId;
    }

    uint8_t Define(const TIndexDefinition& definition) {
        if (definition.Name.empty()) {
            file_->DefinePrimaryIndex(definition, fields_);
            return PrimaryIndexSlot;
        }
        return file_->AddIndex(definition, fields_);
    }

    void Add(uint32_t number, int32_t code, const std::string& name, const std::string& city,
             bool nullCity = false) {
        TRecordImage image(fields_, number, int32_t(1000 + number));
        image.PutInteger(1, code);
        image.PutString(2, name);
        if (nullCity)
            image.PutNull(3);
        else
            image.PutString(3, city);
        Records.Records[number] = image.Bytes();
        for (uint8_t slot : Slots()) ASSERT_TRUE(Tree(slot).Insert(KeyOf(slot, number).data(), number));
        file_->IncActiveRecords();
    }

    std::vector<uint8_t> KeyOf(uint8_t slot, uint32_t number) {
        std::vector<uint8_t> key(file_->GetIndexDesc(slot).KeyLength());
        BuildIndexKey(file_->GetIndexDesc(slot), slot, table_, Records.Records.at(number).data(), key.data());
        return key;
    }

    TIndexTree Tree(uint8_t slot) {
        orders_[slot] = std::make_unique<TKeyComparator>(file_->GetIndexDesc(slot), slot, table_);
        return TIndexTree(*file_, slot, *orders_[slot]);
    }

    // Record numbers in the order of the index.
    std::vector<uint32_t> Order(uint8_t slot) {
        std::vector<TIndexEntry> entries;
        TKeyComparator order(file_->GetIndexDesc(slot), slot, table_);
        EXPECT_TRUE(VerifyIndexTree(*file_, slot, order, &entries).empty());
        std::vector<uint32_t> numbers;
        for (const TIndexEntry& e : entries) numbers.push_back(e.Value);
        return numbers;
    }

    std::vector<std::string> Verify() { return VerifyIndexFile(*file_, table_, &Records); }

    TIndexFile& File() { return *file_; }
    TMemoryIndexFile& Memory() { return file_; }
    TFakeRecords Records;

private:
    std::vector<uint8_t> Slots() {
        std::vector<uint8_t> slots;
        if (!file_->GetIndexDesc(PrimaryIndexSlot).IsEmpty()) slots.push_back(PrimaryIndexSlot);
        for (uint8_t slot = 1; slot <= file_->GetIndexCount(); ++slot) slots.push_back(slot);
        return slots;
    }

    EngineSettings settings_;
    TMemoryIndexFile file_;
    std::vector<TFieldDescriptor> fields_;
    TTableKeyInfo table_;
    std::map<uint8_t, std::unique_ptr<TKeyComparator>> orders_;
};

TIndexDefinition Index(const std::string& name, std::vector<uint16_t> fields, bool descending = false,
                       bool caseInsensitive = false) {
    TIndexDefinition d;
    d.Name = name;
    d.Fields = std::move(fields);
    d.Descending = descending;
    d.CaseInsensitive = caseInsensitive;
    return d;
}

// ---- keys ----

TEST(IndexKeyTest, IntegerKeysSortByValueAndDescendingIndexesReverseIt) {
    TIndexedTable table;
    table.Define(Index("", {1}));
    uint8_t down = table.Define(Index("Down", {1}, true));
    const std::vector<int32_t> codes = {-5, 3, 0, 100, -100, 2147483647, -2147483647 - 1};
    for (uint32_t i = 0; i < codes.size(); ++i) table.Add(i + 1, codes[i], "n", "c");
    EXPECT_EQ(table.Order(PrimaryIndexSlot), (std::vector<uint32_t>{7, 5, 1, 3, 2, 4, 6}));
    EXPECT_EQ(table.Order(down), (std::vector<uint32_t>{6, 4, 2, 3, 1, 5, 7}));
}

TEST(IndexKeyTest, CaseInsensitiveKeysIgnoreCaseAndEqualNamesFollowTheRecordSuffix) {
    TIndexedTable table;
    uint8_t names = table.Define(Index("Names", {2}, false, true));
    // Windows-1252: "a\xE7\xE3o" is "ação".
    const std::vector<std::string> values = {"b", "A", "a", "C", "a\xE7\xE3o", "A\xC7\xC3O"};
    for (uint32_t i = 0; i < values.size(); ++i) table.Add(i + 1, int32_t(i), values[i], "c");
    // A = a (records 2, 3), then both spellings of AÇÃO, then b, C (language 0 compares bytes).
    EXPECT_EQ(table.Order(names), (std::vector<uint32_t>{2, 3, 5, 6, 1, 4}));
}

TEST(IndexKeyTest, StringsSortUnderTheTableLanguageAndNullsComeFirst) {
    TIndexedTable table(PortugueseBrazilian);
    uint8_t cities = table.Define(Index("Cities", {3}));
    uint8_t down = table.Define(Index("CitiesDown", {3}, true));
    // Windows-1252: "\xE1baco" is "ábaco".
    const std::vector<std::string> values = {"Zebra",
                                             "\xE1"
                                             "baco",
                                             "abade", "abacaxi"};
    for (uint32_t i = 0; i < values.size(); ++i) table.Add(i + 1, int32_t(i), "n", values[i]);
    table.Add(5, 5, "n", "", true);
    EXPECT_EQ(table.Order(cities), (std::vector<uint32_t>{5, 4, 2, 3, 1}));
    EXPECT_EQ(table.Order(down), (std::vector<uint32_t>{1, 3, 2, 4, 5}));
}

TEST(IndexKeyTest, AnAutoIncrementFieldKeysFromTheRecordPrefix) {
    TIndexedTable table;
    uint8_t serial = table.Define(Index("Serial", {4}));
    table.Add(1, 1, "n", "c");
    std::vector<uint8_t> key = table.KeyOf(serial, 1);
    ASSERT_EQ(key.size(), 1u + 4 + 4);
    EXPECT_EQ(key[0], 1); // never null
    EXPECT_EQ(LoadBE(&key[1], 4), 0x80000000u + 1001);
}

// ---- checks against the records ----

class IndexVerifyTest : public ::testing::Test {
protected:
    void SetUp() override { Build(); }
    void Build() {
        table_.reset();
        table_ = std::make_unique<TIndexedTable>();
        Table().Define(Index("", {1}));
        Table().Define(Index("Names", {2}, false, true));
        Table().Define(Index("Cities", {3, 2}, true));
        std::mt19937 random(4);
        for (uint32_t number = 1; number <= 400; ++number)
            Table().Add(number, int32_t(random() % 100000) * 400 + int32_t(number),
                        "Name" + std::to_string(random() % 50), "City" + std::to_string(random() % 7),
                        random() % 10 == 0);
    }

    TPageRef Root(uint8_t slot) {
        TPage* page = nullptr;
        Table().File().GetRootPage(slot, page);
        return TPageRef(Table().File(), page);
    }
    TPageRef Child(uint8_t slot, uint32_t position) {
        TPage* page = nullptr;
        Table().File().GetPage(slot, Root(slot)->GetValue(position), page);
        return TPageRef(Table().File(), page);
    }

    TIndexedTable& Table() { return *table_; }

    std::unique_ptr<TIndexedTable> table_;
};

TEST_F(IndexVerifyTest, IndexesBuiltFromTheRecordsPassEveryCheckAlsoAfterReopening) {
    std::vector<std::string> problems = Table().Verify();
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(Root(1)->PageType(), ptInternalRoot);
    Table().Memory().Reopen();
    problems = Table().Verify();
    EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(IndexVerifyTest, EachKindOfDamageIsReported) {
    struct TCase {
        const char* Name;
        std::function<void()> Damage;
        const char* Reported;
    };
    const std::vector<TCase> cases = {
        {"an entry missing", [&] { Table().Tree(2).Delete(Table().KeyOf(2, 17).data(), 17); }, "entries for"},
        {"a record the indexes lack", [&] { Table().Records.Records[999] = Table().Records.Records[1]; },
         "the table holds 401"},
        {"a key field changed behind the index",
         [&] {
             std::vector<TFieldDescriptor> fields = MakeFields(Columns);
             TRecordImage image(fields, 8, 1008);
             image.PutInteger(1, -1);
             Table().Records.Records[8] = image.Bytes();
         },
         "the records put record"},
        {"a subtree count off by one", [&] { Root(1)->SetCount(1, Root(1)->GetCount(1) + 1); }, "counts"},
        {"a broken level link", [&] { Child(1, 1)->SetNextPage(0); }, "links to"},
        {"a separator that is not its child's first key", [&] { Root(1)->SetKey(2, Root(1)->KeyAt(1)); },
         "separator"},
        {"keys out of order",
         [&] {
             TPageRef leaf = Child(1, 1);
             std::vector<uint8_t> first(leaf->KeyAt(1), leaf->KeyAt(1) + leaf->Format().KeyLength);
             leaf->SetKey(1, leaf->KeyAt(2));
             leaf->SetKey(2, first.data());
         },
         "order"},
        {"a live page in a free list", [&] { Table().File().SetFreeHead(2, Root(1)->GetValue(1)); },
         "reached twice"},
        {"a free list that loops",
         [&] {
             TPageRef page(Table().File(), Table().File().AllocatePage(3));
             Table().File().FreePage(page.Get());
             page->SetNextPage(page->Number());
         },
         "reached twice"},
        {"the header's record count", [&] { Table().File().DecActiveRecords(); }, "active records"},
    };
    for (const TCase& c : cases) {
        Build();
        c.Damage();
        std::vector<std::string> problems = Table().Verify();
        ASSERT_FALSE(problems.empty()) << c.Name;
        bool named = std::any_of(problems.begin(), problems.end(), [&](const std::string& p) {
            return p.find(c.Reported) != std::string::npos;
        });
        EXPECT_TRUE(named) << c.Name << ": " << problems.front();
    }
}

} // namespace
} // namespace vorsam::test
