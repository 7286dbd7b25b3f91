// Putting evaluated values into the columns of a record image: NULLs, conversions, refusals, long strings
// and BLOB columns. The oracle is the value read back from the appended record.
#include "ChangeTestSupport.h"

#include "db/sql/ColumnPut.h"
#include "db/sql/QueryStatement.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionTree.h"
#include "db/lib/ExpressionValues.h"

namespace vorsam::test {
namespace {

enum TColumn : uint16_t { cInt = 1, cSmall, cName, cLong, cAmount, cDay, cMemo, cFlag };

class ColumnPutTest : public TChangeTest {
protected:
    ColumnPutTest() {
        CreateTable("T", {{"I", dtInteger},
                          {"S", dtSmallInt},
                          {"NAME", dtString, 5},
                          {"LONGNAME", dtString, 250},
                          {"AMOUNT", dtBcd, 0, 0, 2},
                          {"DAY", dtDate},
                          {"NOTES", dtBlob, 0, stMemo},
                          {"FLAG", dtBoolean}});
        cursor_ = Open("T");
        image_.resize(cursor_->GetRecordSize());
        cursor_->InitRecordBuffer(image_);
    }

    // The column as the statement binds a target column.
    std::unique_ptr<TUpdateField> Target(uint16_t number) {
        TFieldDescriptor field;
        cursor_->GetFieldDesc(number, field);
        auto target = std::make_unique<TUpdateField>(*statement_.MasterQuery);
        target->ColumnName = field.Name();
        target->FieldNumber = number;
        target->DataType = field.DataType();
        target->SubType = field.SubType();
        target->Size = field.DeclaredSize();
        target->Scale = field.Decimals();
        return target;
    }

    void Put(uint16_t number, const TExpValue& value) {
        TExpToken token;
        WriteExpValue(token, value);
        PutColumnValue(*cursor_, image_, *Target(number), token, "'v'", "UPDATE");
    }

    // The value the column holds after the record is appended.
    std::string Stored(uint16_t number) {
        cursor_->AppendRecord(image_);
        std::string row = RowOf(*cursor_, image_);
        for (uint16_t i = 1; i < number; ++i) row.erase(0, row.find('|') + 1);
        return row.substr(0, row.find('|'));
    }

    TQueryStatement statement_{*database_};
    std::unique_ptr<TDataCursor> cursor_;
    std::vector<uint8_t> image_;
};

struct TPutCase {
    const char* Name;
    uint16_t Column;
    TExpValue Value;
    std::string Expected;
};

TExpValue Null() {
    return {};
}

class ColumnPutCases : public ColumnPutTest, public ::testing::WithParamInterface<TPutCase> {};

TEST_P(ColumnPutCases, StoresTheValueConvertedToTheColumnsType) {
    Put(GetParam().Column, GetParam().Value);
    EXPECT_EQ(Stored(GetParam().Column), GetParam().Expected);
}

TExpValue TextValue(const std::string& text) {
    TExpValue v;
    v.DataType = dtString;
    v.IsNull = false;
    v.Text = text;
    return v;
}

TExpValue BcdValue(int64_t currency, uint8_t scale) {
    TExpValue v = MakeIntegerValue(dtBcd, currency);
    v.Scale = scale;
    return v;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ColumnPutCases,
    ::testing::Values(TPutCase{"NullInteger", cInt, Null(), "NULL"},
                      TPutCase{"NullMemo", cMemo, Null(), "NULL"},
                      TPutCase{"SameType", cInt, MakeIntegerValue(dtInteger, -7), "-7"},
                      TPutCase{"IntegerNarrowed", cSmall, MakeIntegerValue(dtLargeInt, 1234), "1234"},
                      TPutCase{"TextToInteger", cInt, TextValue("42"), "42"},
                      TPutCase{"FloatToInteger", cInt, MakeFloatValue(2.75), "2"},
                      TPutCase{"IntegerToText", cName, MakeIntegerValue(dtInteger, 123), "123"},
                      TPutCase{"TextCutToTheColumn", cName, TextValue("abcdefgh"), "abcde"},
                      TPutCase{"TextToDate", cDay, TextValue("2003-01-31"), "2003-01-31"},
                      TPutCase{"BcdRescaled", cAmount, BcdValue(12345, 4), "1.23"},
                      TPutCase{"IntegerToBcd", cAmount, MakeIntegerValue(dtInteger, 5), "5.00"},
                      TPutCase{"BooleanFromInteger", cFlag, MakeIntegerValue(dtInteger, 3), "TRUE"},
                      TPutCase{"MemoWithoutTerminator", cMemo, TextValue("hello"), "blob:5:hello"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ColumnPutTest, AStringOfMoreThan250CharactersKeepsItsFirst250) {
    Put(cLong, TextValue(std::string(300, 'x')));
    EXPECT_EQ(Stored(cLong), std::string(250, 'x'));
}

TEST_F(ColumnPutTest, ALongTextGoesWholeIntoAMemo) {
    std::string text(1000, 'm');
    Put(cMemo, TextValue(text));
    EXPECT_EQ(Stored(cMemo), "blob:1000:" + text);
}

struct TRefusal {
    uint16_t Column;
    TExpValue Value;
    const char* Kind;
    std::string Message;
};

TEST_F(ColumnPutTest, AValueThatCannotBeConvertedIsRefusedNamingColumnValueAndStatement) {
    const std::vector<TRefusal> cases = {
        {cInt, TextValue("abc"), "INSERT",
         "Type mismatch between column I and constant value 'abc' in INSERT statement"},
        {cSmall, MakeIntegerValue(dtInteger, 70000), "UPDATE",
         "Type mismatch between column S and constant value 70000 in UPDATE statement"},
        {cDay, TextValue("2003-02-30"), "INSERT",
         "Type mismatch between column DAY and constant value '2003-02-30' in INSERT statement"},
    };
    for (const TRefusal& c : cases) {
        TExpToken token;
        WriteExpValue(token, c.Value);
        std::string text = c.Value.DataType == dtString ? "'" + c.Value.Text + "'" : ExpValueText(c.Value);
        try {
            PutColumnValue(*cursor_, image_, *Target(c.Column), token, text, c.Kind);
            ADD_FAILURE() << c.Message;
        } catch (const EVORSAMEngineError& e) {
            EXPECT_EQ(e.ErrorCode, VORSAM_SQLPARSE);
            EXPECT_EQ(e.ErrorMessage, c.Message);
        }
    }
}

} // namespace
} // namespace vorsam::test
