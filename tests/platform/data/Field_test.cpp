// Typed fields: texts written and read back per type, refused values, conversions between kinds,
// variants and blobs.

#include "DataSetFixture.h"

#include "platform/data/BinaryFields.h"
#include "platform/data/BlobFields.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringField.h"

namespace platform::data::test {
namespace {

class Fields : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet.Open();
        dataSet.Append();
    }
    TField& F(const char* name) { return dataSet.FieldByName(name); }

    TVectorDataSet dataSet{{{"ID", ftInteger},
                            {"S", ftString, 12},
                            {"FX", ftFixedChar, 6},
                            {"SI", ftSmallint},
                            {"W", ftWord},
                            {"LI", ftLargeint},
                            {"B", ftBoolean},
                            {"F", ftFloat},
                            {"C", ftCurrency},
                            {"BCD", ftBCD, 2},
                            {"D", ftDate},
                            {"T", ftTime},
                            {"DT", ftDateTime},
                            {"BY", ftBytes, 4},
                            {"VB", ftVarBytes, 6},
                            {"M", ftMemo},
                            {"BL", ftBlob}}};
};

struct TextCase {
    const char* Field;
    const char* Input;
    std::string AsString;
    std::string Display;
    std::string Edit;
};

TEST_F(Fields, TextsReadBackAsEachTypeFormatsThem) {
    const std::vector<TextCase> cases = {
        {"S", "hello world, again", "hello world,", "hello world,", "hello world,"},
        {"FX", "ab", "ab", "ab", "ab"},
        {"SI", "-123", "-123", "-123", "-123"},
        {"W", "65535", "65535", "65535", "65535"},
        {"LI", "9007199254740993", "9007199254740993", "9007199254740993", "9007199254740993"},
        {"B", "t", "True", "True", "True"},
        {"B", "FAL", "False", "False", "False"},
        {"F", "1,5", "1,5", "1,5", "1,5"},
        {"F", "1e20", "1E20", "1E20", "1E20"},
        {"F", "-0,001", "-0,001", "-0,001", "-0,001"},
        {"C", "1234,5", "1234,5", "R$ 1.234,50", "1234,50"},
        {"C", "-0,25", "-0,25", "-R$ 0,25", "-0,25"},
        {"BCD", "12,345", "12,35", "12,35", "12,35"},
        {"BCD", "-0,004", "0", "0", "0"},
        {"D", "31/12/2024", "31/12/2024", "31/12/2024", "31/12/2024"},
        {"D", "1/2/24", "01/02/2024", "01/02/2024", "01/02/2024"},
        {"T", "7:05", "07:05:00", "07:05:00", "07:05:00"},
        {"DT", "31/12/2024 23:59:58", "31/12/2024 23:59:58", "31/12/2024 23:59:58", "31/12/2024 23:59:58"},
        {"DT", "01/01/2000 00:00", "01/01/2000", "01/01/2000", "01/01/2000"},
        {"BY", "ab", std::string("ab\0\0", 4), std::string("ab\0\0", 4), std::string("ab\0\0", 4)},
        {"VB", "abc", "abc", "abc", "abc"},
        {"M", "memo text", "memo text", "(MEMO)", "memo text"},
        {"BL", "", "", "(Blob)", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(std::string(c.Field) + " <- " + c.Input);
        F(c.Field).SetAsString(c.Input);
        EXPECT_EQ(F(c.Field).AsString(), c.AsString);
        EXPECT_EQ(F(c.Field).DisplayText(), c.Display);
        EXPECT_EQ(F(c.Field).Text(), c.Edit);
    }
}

TEST_F(Fields, RefusedTextsNameTheFieldAndLeaveItsValue) {
    const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
        {"SI", "40000", "40000 is not a valid value for field 'SI'. The allowed range is -32768 to 32767"},
        {"W", "-1", "-1 is not a valid value for field 'W'. The allowed range is 0 to 65535"},
        {"ID", "12x", "'12x' is not a valid integer value for field 'ID'"},
        {"F", "1.5", "'1.5' is not a valid floating point value for field 'F'"},
        {"B", "maybe", "'maybe' is not a valid boolean value for field 'B'"},
        {"D", "31/02/2024", "'31/02/2024' is not a valid date and time for field 'D'"},
        {"T", "25:00", "'25:00' is not a valid date and time for field 'T'"},
        {"BY", "abcde", "Value of field 'BY' is longer than the field"},
        {"BCD", "123456789012345678901234567890123",
         "'123456789012345678901234567890123' is not a valid floating point value for field 'BCD'"},
    };
    for (const auto& [name, input, message] : cases) {
        SCOPED_TRACE(name);
        F(name).Clear();
        try {
            F(name).SetAsString(input);
            ADD_FAILURE() << input << " was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), message);
        }
        EXPECT_TRUE(F(name).IsNull());
    }
}

TEST_F(Fields, ConvertBetweenKindsOrRefuseTheAccess) {
    F("F").SetAsFloat(2.5);
    EXPECT_EQ(F("F").AsInteger(), 3);
    F("F").SetAsFloat(-2.5);
    EXPECT_EQ(F("F").AsInteger(), -3);
    F("S").SetAsString("1,25");
    EXPECT_DOUBLE_EQ(F("S").AsFloat(), 1.25);
    F("S").SetAsString("01/02/2024");
    EXPECT_EQ(F("S").AsDateTime(), EncodeDate(2024, 2, 1));
    F("S").SetAsBoolean(true);
    EXPECT_EQ(F("S").AsString(), "T");
    EXPECT_TRUE(F("S").AsBoolean());
    F("S").SetAsString("abc");
    EXPECT_THROW(F("S").AsInteger(), EDatabaseError);
    try {
        F("F").AsBoolean();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Cannot access field 'F' as type Boolean");
    }
    F("ID").SetAsFloat(41.6);
    EXPECT_EQ(F("ID").AsInteger(), 42);
    F("LI").SetAsLargeInt(5'000'000'000);
    EXPECT_THROW(F("LI").AsInteger(), EDatabaseError);
    F("BCD").SetAsCurrency(Currency::FromScaled(123456)); // 12,3456 kept with two decimals
    EXPECT_EQ(F("BCD").AsCurrency(), Currency::FromScaled(123500));
    EXPECT_DOUBLE_EQ(F("BCD").AsFloat(), 12.35);
}

TEST_F(Fields, DateAndTimeFieldsKeepOnlyTheirPart) {
    const TDateTime moment = EncodeDate(2024, 3, 9) + EncodeTime(18, 30, 15, 250);
    F("D").SetAsDateTime(moment);
    F("T").SetAsDateTime(moment);
    F("DT").SetAsDateTime(moment);
    EXPECT_EQ(F("D").AsDateTime(), EncodeDate(2024, 3, 9));
    EXPECT_EQ(F("T").AsDateTime(), EncodeTime(18, 30, 15, 250));
    EXPECT_EQ(DateTimeToTimeStamp(F("DT").AsDateTime()), DateTimeToTimeStamp(moment));
    EXPECT_EQ(F("DT").AsString(), "09/03/2024 18:30:15");
}

TEST_F(Fields, ValuesAreVariantsOfTheFieldsKind) {
    const Variant moment = Variant::FromDateTime(EncodeDate(2001, 1, 1));
    const std::vector<std::tuple<const char*, Variant, Variant>> cases = {
        {"ID", Variant("17"), Variant(17)},
        {"S", Variant(2.5), Variant("2,5")},
        {"B", Variant("True"), Variant(true)},
        {"BCD", Variant(1.005), Variant(Currency::FromScaled(10100))},
        {"DT", moment, moment},
        {"VB", Variant(TBytes{1, 2, 3}), Variant(TBytes{1, 2, 3})}};
    for (const auto& [name, written, read] : cases) {
        F(name).SetValue(written);
        EXPECT_EQ(F(name).Value(), read) << name;
    }
    F("ID").SetValue(Variant());
    EXPECT_TRUE(F("ID").IsNull());
    EXPECT_EQ(F("ID").Value(), Variant());
    EXPECT_EQ(F("ID").AsString(), "");
}

TEST_F(Fields, BlobChangesLiveWithTheEditAndArePostedOrDropped) {
    auto& memo = static_cast<TBlobField&>(F("M"));
    memo.SetAsString("first");
    EXPECT_TRUE(memo.Modified());
    EXPECT_EQ(memo.BlobSize(), 5);
    F("ID").SetAsInteger(1);
    dataSet.Post();
    EXPECT_FALSE(memo.Modified());
    EXPECT_EQ(memo.AsString(), "first");
    dataSet.Edit();
    memo.SetAsString("second");
    dataSet.Cancel();
    EXPECT_EQ(memo.AsString(), "first");
    dataSet.Edit();
    memo.SetAsString("");
    EXPECT_TRUE(memo.IsNull());
    TMemoryStream loaded;
    loaded.WriteBuffer("from a stream", 13);
    memo.LoadFromStream(loaded);
    dataSet.Post();
    TMemoryStream saved;
    memo.SaveToStream(saved);
    EXPECT_EQ(std::string(saved.Bytes().begin(), saved.Bytes().end()), "from a stream");
    EXPECT_EQ(memo.Value(), Variant("from a stream"));
    try {
        memo.SetAsString("browse");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), SNotEditing);
    }
}

TEST(FieldSizes, ImpossibleSizesAreRefused) {
    EXPECT_THROW(TStringField("S", 0), EDatabaseError);
    EXPECT_THROW(TStringField("S", TStringField::MaxSize + 1), EDatabaseError);
    EXPECT_THROW(TBCDField("N", 33), EDatabaseError);
    EXPECT_THROW(TBytesField("B", 0), EDatabaseError);
    EXPECT_NO_THROW(TBCDField("N", 4, 10));
    EXPECT_THROW(TBCDField("N", 4, 3), EDatabaseError) << "fewer digits than decimals";
}

} // namespace
} // namespace platform::data::test
