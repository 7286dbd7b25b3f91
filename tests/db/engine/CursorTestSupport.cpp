#include "CursorTestSupport.h"

#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"

#include <algorithm>

namespace vorsam::test {

const std::vector<TIndexSpec>& RowIndexes() {
    static const std::vector<TIndexSpec> indexes = {
        {"", {IdField}, {false}, false, true},
        {"ByCode", {CodeField}, {false}},
        {"ByNameNoCase", {NameField}, {false}, true, false, false, TKeyCompression::Both},
        {"ByNameDesc", {NameField}, {true}, false, false, false, TKeyCompression::TrailingZeros},
        {"ByCodeName", {CodeField, NameField}, {false, true}, false, false, false, TKeyCompression::Leading},
        {"ByCodeNoCounts", {CodeField}, {false}, false, false, true},
    };
    return indexes;
}

TIndexDescriptor DescriptorOf(const TIndexSpec& index) {
    TIndexDescriptor d;
    d.SetName(index.Name);
    d.SetCaseInsensitive(index.CaseInsensitive);
    d.SetUnique(index.Unique);
    d.SetNoCounts(index.NoCounts);
    d.SetCompression(index.Compression);
    d.SetFieldCount(uint8_t(index.Fields.size()));
    for (size_t i = 0; i < index.Fields.size(); ++i) {
        d.SetFieldNumber(i, index.Fields[i]);
        d.SetFieldDescending(i, index.Descending[i]);
    }
    return d;
}

TCreateTableArgs TableArgs(const std::vector<TFieldSpec>& fields, const std::vector<uint16_t>& key) {
    TCreateTableArgs args;
    args.Fields = MakeFields(fields);
    args.Indexes.push_back(DescriptorOf(TIndexSpec{"", key, std::vector<bool>(key.size()), false, true}));
    return args;
}

TCreateTableArgs RowTableArgs(uint16_t languageId) {
    TCreateTableArgs args =
        TableArgs({{"ID", dtInteger}, {"CODE", dtInteger}, {"NAME", dtString, 20}}, {IdField});
    args.LanguageId = languageId;
    args.Indexes.clear();
    for (const TIndexSpec& index : RowIndexes()) args.Indexes.push_back(DescriptorOf(index));
    args.SecondaryCount = uint8_t(RowIndexes().size() - 1);
    return args;
}

namespace {

int CompareNames(std::string a, std::string b, const TIndexSpec& index, uint16_t languageId, size_t partial) {
    if (index.CaseInsensitive) {
        a = LocaleUpperCase(languageId, 0, a);
        b = LocaleUpperCase(languageId, 0, b);
    }
    if (partial > 0) {
        a.resize(std::min(a.size(), partial));
        b.resize(std::min(b.size(), partial));
    }
    return LocaleCompareStrings(languageId, 0, a.c_str(), b.c_str(), 64);
}

template <typename T>
int CompareOptional(const std::optional<T>& a, const std::optional<T>& b, auto&& compare) {
    if (!a || !b) return int(a.has_value()) - int(b.has_value());
    return compare(*a, *b);
}

} // namespace

int CompareRows(const TRow& a, const TRow& b, const TIndexSpec& index, uint16_t languageId, size_t fields,
                size_t partial) {
    size_t count = std::min(fields, index.Fields.size());
    for (size_t i = 0; i < count + (partial > 0 && count < index.Fields.size() ? 1 : 0); ++i) {
        size_t prefix = i == count ? partial : 0;
        int r = 0;
        switch (index.Fields[i]) {
        case IdField:
            r = (a.Id > b.Id) - (a.Id < b.Id);
            break;
        case CodeField:
            r = CompareOptional(a.Code, b.Code, [](int32_t x, int32_t y) { return (x > y) - (x < y); });
            break;
        default:
            r = CompareOptional(a.Name, b.Name, [&](const std::string& x, const std::string& y) {
                return CompareNames(x, y, index, languageId, prefix);
            });
        }
        if (r != 0) return index.Descending[i] ? -r : r;
    }
    return 0;
}

TRow RandomRow(std::mt19937& random, int32_t id) {
    static const std::vector<std::string> names = [] {
        const std::string letters = "aAbBcCeEoOzZ\xE1\xC1\xE7\xC7\xE3\xC3\xE9\xC9\xF5";
        std::mt19937 pool(7);
        std::vector<std::string> words;
        for (int i = 0; i < 60; ++i) {
            std::string word;
            for (size_t n = 1 + pool() % 7; n > 0; --n) word += letters[pool() % letters.size()];
            words.push_back(word);
        }
        return words;
    }();
    TRow row;
    row.Id = id;
    if (random() % 10 != 0) row.Code = int32_t(random() % 200) - 50;
    if (random() % 10 != 0) row.Name = names[random() % names.size()];
    return row;
}

std::vector<uint8_t> RowImage(const TDataCursor& cursor, const TRow& row) {
    std::vector<uint8_t> image(cursor.GetRecordSize());
    cursor.InitEmptyRecord(image);
    cursor.PutField(IdField, image, reinterpret_cast<const uint8_t*>(&row.Id));
    cursor.PutField(CodeField, image, row.Code ? reinterpret_cast<const uint8_t*>(&*row.Code) : nullptr);
    cursor.PutField(NameField, image,
                    row.Name ? reinterpret_cast<const uint8_t*>(row.Name->c_str()) : nullptr);
    return image;
}

TRow RowOf(const TDataCursor& cursor, std::span<const uint8_t> image) {
    TRow row;
    bool null = false;
    cursor.GetField(IdField, image, null, reinterpret_cast<uint8_t*>(&row.Id));
    int32_t code = 0;
    cursor.GetField(CodeField, image, null, reinterpret_cast<uint8_t*>(&code));
    if (!null) row.Code = code;
    char name[21] = {};
    cursor.GetField(NameField, image, null, reinterpret_cast<uint8_t*>(name));
    if (!null) row.Name = name;
    return row;
}

TRow CurrentRow(TDataCursor& cursor) {
    std::vector<uint8_t> image(cursor.GetRecordSize());
    EXPECT_EQ(cursor.GetCurrentRecord(image), 0);
    return RowOf(cursor, image);
}

std::vector<TRow> Scan(TDataCursor& cursor, bool forward) {
    std::vector<TRow> rows;
    std::vector<uint8_t> image(cursor.GetRecordSize());
    if (forward) {
        cursor.SetToBegin();
        while (cursor.GetNextRecord(image) == 0) rows.push_back(RowOf(cursor, image));
    } else {
        cursor.SetToEnd();
        while (cursor.GetPriorRecord(image) == 0) rows.push_back(RowOf(cursor, image));
    }
    return rows;
}

void ExpectIndexOrder(const std::vector<TRow>& actual, const std::vector<TRow>& expected,
                      const TIndexSpec& index, uint16_t languageId) {
    ASSERT_EQ(actual.size(), expected.size()) << "index '" << index.Name << "'";
    auto byId = [](const TRow& a, const TRow& b) { return a.Id < b.Id; };
    for (size_t begin = 0; begin < actual.size();) {
        size_t end = begin + 1;
        while (end < expected.size() && CompareRows(expected[begin], expected[end], index, languageId) == 0)
            ++end;
        std::vector<TRow> got(actual.begin() + ptrdiff_t(begin), actual.begin() + ptrdiff_t(end));
        std::vector<TRow> want(expected.begin() + ptrdiff_t(begin), expected.begin() + ptrdiff_t(end));
        std::sort(got.begin(), got.end(), byId);
        std::sort(want.begin(), want.end(), byId);
        ASSERT_EQ(got, want) << "index '" << index.Name << "', rows " << begin << " .. " << end - 1;
        begin = end;
    }
}

std::string TableProblems(TDataCursor& cursor) {
    std::string text;
    for (const std::string& problem : VerifyTable(cursor.Table()).Problems) text += problem + "\n";
    return text;
}

TCursorTest::TCursorTest() {
    session_.SetLockRetryCount(0);
    database_ =
        InMemory() ? &session_.OpenDataDirectory("Memory", "") : &session_.OpenDataDirectory("", dir_.Path());
}

TCursorTest::~TCursorTest() {
    for (const std::string& name : tables_) {
        TDataCursor cursor(*database_);
        cursor.SetTableName(name);
        try {
            cursor.DeleteTable();
        } catch (const EVORSAMEngineError& e) {
            ADD_FAILURE() << "table " << name << " left behind: " << e.what();
        }
    }
}

void TCursorTest::Create(const std::string& name, const TCreateTableArgs& args) {
    TDataCursor cursor(*database_);
    cursor.SetTableName(name);
    cursor.CreateTable(args);
    tables_.push_back(name);
}

std::unique_ptr<TDataCursor> TCursorTest::Open(const std::string& name, bool exclusive) {
    auto cursor = std::make_unique<TDataCursor>(*database_);
    cursor->SetTableName(name);
    cursor->SetExclusive(exclusive);
    cursor->OpenCursor();
    return cursor;
}

std::unique_ptr<TDataCursor> TCursorTest::CreateRows(const std::string& name, uint16_t languageId,
                                                     const std::vector<TRow>& rows) {
    Create(name, RowTableArgs(languageId));
    auto cursor = Open(name);
    cursor->Table().LockTable();
    for (const TRow& row : rows) {
        std::vector<uint8_t> image = RowImage(*cursor, row);
        cursor->AppendRecord(image);
    }
    cursor->Table().UnlockTable();
    return cursor;
}

bool TCursorTest::FindId(TDataCursor& cursor, int32_t id) {
    EXPECT_EQ(cursor.IndexNumber(), PrimaryIndexSlot);
    TRow probe;
    probe.Id = id;
    std::vector<uint8_t> image = RowImage(cursor, probe);
    return cursor.Find(false, image.data(), 1, 0, false);
}

void TCursorTest::PutRow(TDataCursor& cursor, std::map<int32_t, TRow>& oracle, const TRow& row) {
    std::vector<uint8_t> image = RowImage(cursor, row);
    if (FindId(cursor, row.Id))
        cursor.ModifyRecord(image);
    else
        cursor.AppendRecord(image);
    oracle[row.Id] = row;
}

void TCursorTest::DeleteRow(TDataCursor& cursor, std::map<int32_t, TRow>& oracle, int32_t id) {
    ASSERT_TRUE(FindId(cursor, id));
    cursor.DeleteRecord();
    oracle.erase(id);
}

} // namespace vorsam::test
