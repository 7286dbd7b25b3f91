// Searching a table by field values: Locate through the active index, through the table's lookup
// cursor and through a filter give the oracle's answers; Lookup; ranges over partial keys; filters;
// the state rules of writing fields.
#include "VORSAMDataSetTestSupport.h"

#include "db/components/VORSAMTable.h"
#include "db/lib/Collation.h"
#include "platform/data/DBConsts.h"

#include <algorithm>
#include <random>

namespace vorsam::test {
namespace {

using namespace platform::data;

struct TProbe {
    std::string Name;
    TLocateOptions Options;
};

// The oracle's rule: the name equals the probe (or starts with it, a trailing '*' dropped, with
// loPartialKey), upper-cased by the table's language when case is ignored.
bool Matches(const std::optional<std::string>& name, const TProbe& probe) {
    if (!name) return false;
    std::string a = *name;
    std::string b = probe.Name;
    const bool partial = probe.Options.Contains(loPartialKey);
    if (partial && !b.empty() && b.back() == '*') b.pop_back();
    if (probe.Options.Contains(loCaseInsensitive)) {
        a = LocaleUpperCase(0, 0, a);
        b = LocaleUpperCase(0, 0, b);
    }
    return partial ? a.compare(0, b.size(), b) == 0 : a == b;
}

class TableLocateTest : public DataSetTest {
protected:
    void SetUp() override {
        DataSetTest::SetUp();
        std::mt19937 random(11);
        for (int32_t id = 1; id <= 120; ++id) rows_.push_back(RandomRow(random, id));
        CreateRows("ROWS", rows_);
    }
    std::unique_ptr<TVORSAMTable> OpenRows(const std::string& indexName) {
        auto table = std::make_unique<TVORSAMTable>();
        table->SetDatabaseName(dir_.Path());
        table->SetTableName("ROWS");
        table->SetIndexName(indexName);
        table->Open();
        return table;
    }
    // Probes: names of rows as they are, with their case flipped, their first two letters, a name of no
    // row; each with every combination of the options.
    std::vector<TProbe> Probes() const {
        std::vector<std::string> names{"zzz", "a*"};
        for (size_t i = 0; i < rows_.size(); i += 9) {
            if (!rows_[i].Name) continue;
            std::string flipped = *rows_[i].Name;
            for (char& c : flipped)
                c = char(std::isupper(uint8_t(c)) ? std::tolower(uint8_t(c)) : std::toupper(uint8_t(c)));
            names.insert(names.end(), {*rows_[i].Name, flipped, rows_[i].Name->substr(0, 2)});
        }
        std::vector<TProbe> probes;
        for (const std::string& name : names)
            for (const TLocateOptions options :
                 {TLocateOptions{}, TLocateOptions{loCaseInsensitive}, TLocateOptions{loPartialKey},
                  TLocateOptions{loCaseInsensitive, loPartialKey}})
                probes.push_back({name, options});
        return probes;
    }
    bool Expected(const TProbe& probe) const {
        return std::any_of(rows_.begin(), rows_.end(),
                           [&](const TRow& row) { return Matches(row.Name, probe); });
    }
    // Locate answers as the oracle does; a hit shows a matching record, a miss keeps the record.
    static void CheckLocate(TDataSet& dataSet, const TProbe& probe, bool expected, const std::string& path) {
        const int before = dataSet.FieldByName("ID").AsInteger();
        const bool found = dataSet.Locate("NAME", probe.Name, probe.Options);
        const std::string name = dataSet.FieldByName("NAME").AsString();
        EXPECT_EQ(found, expected) << path << " probe '" << probe.Name << "'";
        if (found)
            EXPECT_TRUE(Matches(name, probe)) << path << " found '" << name << "' for '" << probe.Name << "'";
        else
            EXPECT_EQ(dataSet.FieldByName("ID").AsInteger(), before) << path;
    }

    // The ids of the records the table shows, in ascending order.
    static std::vector<int> ShownIds(TVORSAMTable& table) {
        std::vector<int> shown;
        for (table.First(); !table.Eof(); table.Next()) shown.push_back(table.FieldByName("ID").AsInteger());
        std::sort(shown.begin(), shown.end());
        return shown;
    }
    // The oracle: the ids of the rows whose code lies in [low, high], in ascending order.
    std::vector<int> IdsWithCodes(int low, int high) const {
        std::vector<int> ids;
        for (const TRow& row : rows_)
            if (row.Code && *row.Code >= low && *row.Code <= high) ids.push_back(row.Id);
        return ids;
    }

    std::vector<TRow> rows_;
};

TEST_F(TableLocateTest, LocateThroughIndexLookupCursorAndFilterAgreeWithTheOracle) {
    auto byCaseIndex = OpenRows("ByNameNoCase");   // the active index serves case-insensitive probes
    auto byCaseSensitive = OpenRows("ByNameDesc"); // ... and this one the others
    auto byCode = OpenRows("ByCode");              // a lookup cursor on a name index, or a filter
    auto filtered = OpenTable("ROWS");             // a dataset without lookup cursor: always a filter
    for (const TProbe& probe : Probes()) {
        const bool expected = Expected(probe);
        TVORSAMTable& own = probe.Options.Contains(loCaseInsensitive) ? *byCaseIndex : *byCaseSensitive;
        CheckLocate(own, probe, expected, "active index");
        CheckLocate(*byCode, probe, expected, "lookup cursor");
        CheckLocate(*filtered, probe, expected, "filter");
    }
}

TEST_F(TableLocateTest, LocateOfANullValueFindsANullFieldInEveryWay) {
    const bool anyNull = std::any_of(rows_.begin(), rows_.end(), [](const TRow& row) { return !row.Code; });
    ASSERT_TRUE(anyNull);
    auto byCode = OpenRows("ByCode");
    auto other = OpenRows("ByNameNoCase");
    auto filtered = OpenTable("ROWS");
    for (TDataSet* dataSet : std::initializer_list<TDataSet*>{byCode.get(), other.get(), filtered.get()}) {
        ASSERT_TRUE(dataSet->Locate("CODE", Variant(), {}));
        EXPECT_TRUE(dataSet->FieldByName("CODE").IsNull());
    }
}

TEST_F(TableLocateTest, LookupAnswersWithoutMovingAndAMissGivesNull) {
    auto table = OpenRows("ByCode");
    table->MoveBy(7);
    const int current = table->FieldByName("ID").AsInteger();
    const TRow& wanted =
        *std::find_if(rows_.begin(), rows_.end(), [](const TRow& row) { return row.Name.has_value(); });
    const Variant hit = table->Lookup("NAME", *wanted.Name, "ID;NAME");
    ASSERT_TRUE(hit.IsArray());
    const TRow& first =
        *std::find_if(rows_.begin(), rows_.end(), [&](const TRow& row) { return row.Name == wanted.Name; });
    EXPECT_EQ(hit.Elements()[1].ToString(), *first.Name);
    EXPECT_TRUE(table->Lookup("NAME", "no such name", "ID").IsNull());
    EXPECT_EQ(table->FieldByName("ID").AsInteger(), current) << "Lookup never moves the table";
}

TEST_F(TableLocateTest, RangeOverAPartialKeyShowsItsRecordsAndIsAppliedOnce) {
    auto table = OpenRows("ByCodeName");
    table->SetRange({10}, {40});
    EXPECT_EQ(ShownIds(*table), IdsWithCodes(10, 40));

    table->First();
    table->Next();
    const int second = table->FieldByName("ID").AsInteger();
    table->ApplyRange();
    EXPECT_EQ(table->FieldByName("ID").AsInteger(), second) << "the range in force is not applied again";
    for (const bool start : {true, false}) {
        start ? table->SetRangeStart() : table->SetRangeEnd();
        table->FieldByName("CODE").SetAsInteger(start ? 10 : 40);
        table->SetKeyFieldCount(1);
        table->Post();
    }
    table->ApplyRange();
    EXPECT_EQ(table->FieldByName("ID").AsInteger(), second) << "the same keys set again are the same range";

    table->CancelRange();
    EXPECT_EQ(table->RecordCount(), int(rows_.size()));
}

TEST_F(TableLocateTest, FieldsAreWrittenOnlyInTheirStates) {
    auto table = OpenRows("ByCode");
    EXPECT_DATABASE_ERROR(table->FieldByName("CODE").SetAsInteger(1), SNotEditingTable);
    table->SetKey();
    EXPECT_DATABASE_ERROR(table->FieldByName("NAME").SetAsString("x"),
                          "Field NAME is not in the current index.");
    table->FieldByName("CODE").SetAsInteger(1);
    table->Cancel();
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(TableLocateTest, FiltersShowTheAcceptedRecordsAndFindRecordUsesThemUnfiltered) {
    auto table = OpenRows("ByCode");
    table->Last();
    table->SetFiltered(true);
    EXPECT_TRUE(table->Bof()) << "filtering moves to the first record";
    EXPECT_EQ(table->RecordCount(), int(rows_.size())) << "no filter: every record";
    table->SetFilterText("CODE BETWEEN 0 AND 9");
    EXPECT_EQ(ShownIds(*table), IdsWithCodes(0, 9));

    table->SetFiltered(false);
    ASSERT_TRUE(table->FindFirst());
    const int code = table->FieldByName("CODE").AsInteger();
    EXPECT_TRUE(code >= 0 && code <= 9) << "the filter judges FindFirst";
    EXPECT_EQ(table->RecordCount(), int(rows_.size()));
}

} // namespace
} // namespace vorsam::test
