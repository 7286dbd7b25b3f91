// Field definitions and values of the dataset over a cursor: definitions read from the table, values of
// each type written through the dataset and found in the engine's native form at cursor level, and
// calculated fields beside the record.
#include "VORSAMDataSetTestSupport.h"

#include "db/lib/DateTimeValues.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringField.h"

#include <cstring>

namespace vorsam::test {
namespace {

using namespace platform::data;

TCreateTableArgs TypesTable() {
    TCreateTableArgs args = TableArgs({{"ID", dtInteger},
                                       {"TEXT", dtString, 12},
                                       {"FIXED", dtString, 5, stFixedChar},
                                       {"SMALL", dtSmallInt},
                                       {"UNSIGNED", dtWord},
                                       {"LARGE", dtLargeInt},
                                       {"FLAG", dtBoolean},
                                       {"REAL", dtFloat},
                                       {"MONEY", dtFloat, 0, stMoney},
                                       {"DAY", dtDate},
                                       {"HOUR", dtTime},
                                       {"STAMP", dtTimeStamp},
                                       {"COUNTER", dtInteger, 0, stAutoInc}},
                                      {1});
    args.Fields[1].SetRequired(true);
    return args;
}

TEST_F(DataSetTest, FieldDefinitionsComeFromTheTablesFieldDescriptors) {
    CreateTable("TYPES", TypesTable());
    auto dataSet = OpenTable("TYPES");
    struct TExpected {
        const char* Name;
        TFieldType Type;
        int Size;
    };
    const TExpected expected[] = {
        {"ID", ftInteger, 0},     {"TEXT", ftString, 12},  {"FIXED", ftFixedChar, 5},
        {"SMALL", ftSmallint, 0}, {"UNSIGNED", ftWord, 0}, {"LARGE", ftLargeint, 0},
        {"FLAG", ftBoolean, 0},   {"REAL", ftFloat, 0},    {"MONEY", ftCurrency, 0},
        {"DAY", ftDate, 0},       {"HOUR", ftTime, 0},     {"STAMP", ftDateTime, 0},
        {"COUNTER", ftAutoInc, 0}};
    ASSERT_EQ(dataSet->FieldDefs().Count(), int(std::size(expected)));
    for (int i = 0; i < dataSet->FieldDefs().Count(); ++i) {
        const TFieldDef& def = dataSet->FieldDefs()[i];
        SCOPED_TRACE(def.Name);
        EXPECT_EQ(def.Name, expected[i].Name);
        EXPECT_EQ(def.DataType, expected[i].Type);
        EXPECT_EQ(def.Size, expected[i].Size);
        EXPECT_EQ(def.FieldNo, i + 1);
        EXPECT_EQ(def.Required, i == 1);
        EXPECT_EQ(dataSet->Fields()[i].FieldNo(), i + 1);
    }
    EXPECT_TRUE(dataSet->FieldByName("ID").IsIndexField());
    EXPECT_FALSE(dataSet->FieldByName("TEXT").IsIndexField());
}

TEST_F(DataSetTest, ValuesOfEveryTypeReachTheRecordInTheEnginesNativeForm) {
    CreateTable("VALUES", TypesTable());
    const TDateTime day = platform::data::EncodeDate(2024, 2, 29);
    const TDateTime hour = EncodeTime(13, 45, 30, 250);
    const TDateTime stamp = platform::data::EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 999);
    {
        auto dataSet = OpenTable("VALUES");
        dataSet->Append();
        dataSet->FieldByName("ID").SetAsInteger(-7);
        dataSet->FieldByName("TEXT").SetAsString("\xC1gua   ");
        dataSet->FieldByName("FIXED").SetAsString("ab");
        dataSet->FieldByName("SMALL").SetAsInteger(-32768);
        dataSet->FieldByName("UNSIGNED").SetAsInteger(65535);
        dataSet->FieldByName("LARGE").SetAsLargeInt(INT64_C(-9000000000));
        dataSet->FieldByName("FLAG").SetAsBoolean(true);
        dataSet->FieldByName("REAL").SetAsFloat(-1.5e300);
        dataSet->FieldByName("MONEY").SetAsFloat(12.34);
        dataSet->FieldByName("DAY").SetAsDateTime(day);
        dataSet->FieldByName("HOUR").SetAsDateTime(hour);
        dataSet->FieldByName("STAMP").SetAsDateTime(stamp);
        dataSet->Post();
        dataSet->Append();
        dataSet->FieldByName("ID").SetAsInteger(8);
        dataSet->FieldByName("TEXT").SetAsString("only text");
        dataSet->Post();
    }
    auto dataSet = OpenTable("VALUES");
    EXPECT_EQ(dataSet->FieldByName("TEXT").AsString(), "\xC1gua"); // trailing blanks go
    EXPECT_EQ(dataSet->FieldByName("FIXED").AsString(), "ab");
    EXPECT_EQ(dataSet->FieldByName("SMALL").AsInteger(), -32768);
    EXPECT_EQ(dataSet->FieldByName("UNSIGNED").AsInteger(), 65535);
    EXPECT_EQ(dataSet->FieldByName("LARGE").AsLargeInt(), INT64_C(-9000000000));
    EXPECT_TRUE(dataSet->FieldByName("FLAG").AsBoolean());
    EXPECT_EQ(dataSet->FieldByName("REAL").AsFloat(), -1.5e300);
    EXPECT_EQ(dataSet->FieldByName("MONEY").AsFloat(), 12.34);
    EXPECT_EQ(dataSet->FieldByName("DAY").AsDateTime(), day);
    EXPECT_NEAR(dataSet->FieldByName("HOUR").AsDateTime(), hour, 1e-9);
    EXPECT_NEAR(dataSet->FieldByName("STAMP").AsDateTime(), stamp, 1e-9);
    EXPECT_EQ(dataSet->FieldByName("COUNTER").AsInteger(), 1);
    dataSet->Next();
    for (const char* name : {"SMALL", "LARGE", "FLAG", "DAY", "HOUR", "STAMP"})
        EXPECT_TRUE(dataSet->FieldByName(name).IsNull()) << name;
    EXPECT_EQ(dataSet->FieldByName("COUNTER").AsInteger(), 2);

    // The engine's own forms, read at cursor level.
    auto cursor = OtherCursor("VALUES");
    ASSERT_EQ(cursor->GetNextRecord(), 0);
    std::vector<uint8_t> image(cursor->GetRecordSize());
    cursor->GetCurrentRecord(image);
    auto native = [&](const char* name, auto value) {
        bool isNull = true;
        cursor->GetField(cursor->GetFieldNumber(name), image, isNull, reinterpret_cast<uint8_t*>(&value));
        EXPECT_FALSE(isNull) << name;
        return value;
    };
    EXPECT_EQ(native("DAY", int32_t()), vorsam::EncodeDate(2024, 2, 29));
    EXPECT_EQ(native("HOUR", int32_t()), ((13 * 60 + 45) * 60 + 30) * 1000 + 250);
    EXPECT_EQ(native("STAMP", double()),
              MakeTimeStamp(vorsam::EncodeDate(1999, 12, 31), MillisecondsPerDay - 1));
    EXPECT_EQ(native("FLAG", int16_t()), 1);
}

TEST_F(DataSetTest, ARequiredFieldWithoutAValueIsRefusedOnPost) {
    CreateTable("REQUIRED", TypesTable());
    auto dataSet = OpenTable("REQUIRED");
    dataSet->Append();
    dataSet->FieldByName("ID").SetAsInteger(1);
    EXPECT_DATABASE_ERROR(dataSet->Post(), "Field 'TEXT' must have a value");
    dataSet->Cancel();
    EXPECT_TRUE(dataSet->IsEmpty());
}

TEST_F(DataSetTest, CalculatedFieldsLiveBesideTheRecordAndFollowEachRecord) {
    CreateRows("CALC", {TRow{1, 10, "a"}, TRow{2, std::nullopt, "b"}, TRow{3, 30, "c"}});
    TTableDataSet dataSet(dir_.Path(), "CALC");
    dataSet.AddField(std::make_unique<TIntegerField>("ID"));
    dataSet.AddField(std::make_unique<TIntegerField>("CODE"));
    dataSet.AddField(std::make_unique<TStringField>("NAME", 20));
    TField& twice = dataSet.AddField(std::make_unique<TIntegerField>("TWICE"));
    twice.SetFieldKind(fkCalculated);
    dataSet.OnCalcFields = [](TDataSet& ds) {
        if (!ds.FieldByName("CODE").IsNull())
            ds.FieldByName("TWICE").SetAsInteger(2 * ds.FieldByName("CODE").AsInteger());
    };
    dataSet.Open();
    std::vector<TBookmark> marks;
    std::vector<std::string> shown;
    for (; !dataSet.Eof(); dataSet.Next()) {
        marks.push_back(dataSet.Bookmark());
        shown.push_back(twice.IsNull() ? "null" : twice.AsString());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"20", "null", "60"}));
    dataSet.GotoBookmark(marks[0]); // the bookmark lies after the calculated fields, intact
    EXPECT_EQ(twice.AsInteger(), 20);
    dataSet.Edit();
    dataSet.FieldByName("CODE").SetAsInteger(4);
    EXPECT_EQ(twice.AsInteger(), 8);
    dataSet.Post();
}

} // namespace
} // namespace vorsam::test
