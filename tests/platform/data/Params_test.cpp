// Parameters: ":name" markers of SQL texts, values by name, and the data a statement reads.

#include "platform/data/Params.h"
#include "platform/data/Currency.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace platform::data {
namespace {

struct ParseCase {
    const char* Sql;
    const char* Text;
    std::vector<std::string> Names;
};

std::vector<std::string> NamesOf(const TParams& params) {
    std::vector<std::string> names;
    for (int i = 0; i < params.Count(); ++i) names.push_back(params[i].Name());
    return names;
}

TEST(ParseSQL, ReplacesMarkersOutsideLiteralsAndUndoublesColons) {
    const std::vector<ParseCase> cases = {
        {"select * from t where a = :a and b=:b", "select * from t where a = ? and b=?", {"a", "b"}},
        {"insert into t values(:x,:y)", "insert into t values(?,?)", {"x", "y"}},
        {"where s = ':no' and x = :x", "where s = ':no' and x = ?", {"x"}},
        {"where s = \"a:b\" and t = `c:d`", "where s = \"a:b\" and t = `c:d`", {}},
        {"where s = 'it''s :no' and y = :y", "where s = 'it''s :no' and y = ?", {"y"}},
        {"select a::int, '::' from t", "select a:int, '::' from t", {}},
        {"where x = :\"my param\" and z = :'other one'", "where x = ? and z = ?", {"my param", "other one"}},
        {"where (:a+:b)*:c_1 > 0", "where (?+?)*? > 0", {"a", "b", "c_1"}},
        {"where a = :a or b = :a", "where a = ? or b = ?", {"a", "a"}},
        {"where x = : and y = :", "where x = : and y = :", {}},
        {"where t = :\"unterminated", "where t = :\"unterminated", {}},
        {"where n = :n\n and m = :m;", "where n = ?\n and m = ?;", {"n", "m"}},
        {"where n = :na\xE7\xE3o", "where n = ?", {"na\xE7\xE3o"}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.Sql);
        TParams params;
        params.CreateParam(ftInteger, "stale", ptInput);
        EXPECT_EQ(params.ParseSQL(c.Sql, true), c.Text);
        EXPECT_EQ(NamesOf(params), c.Names);
    }
}

TEST(ParseSQL, WithoutCreatingLeavesTheListAlone) {
    TParams params;
    params.CreateParam(ftInteger, "kept", ptInput);
    EXPECT_EQ(params.ParseSQL("a = :a", false), "a = ?");
    EXPECT_EQ(NamesOf(params), std::vector<std::string>{"kept"});
}

TEST(Params, ValuesAreFoundByNameIgnoringCaseAndCopiedByName) {
    TParams params;
    params.ParseSQL("x = :Name and y = :Count", true);
    params.ParamByName("name").SetAsString("Ana");
    EXPECT_TRUE(params[0].Bound());
    EXPECT_FALSE(params[1].Bound());
    try {
        params.ParamByName("missing");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Parameter 'missing' not found");
    }
    TParams rebuilt;
    rebuilt.ParseSQL("y = :COUNT or x = :NAME or z = :new", true);
    rebuilt.AssignValues(params);
    EXPECT_EQ(rebuilt.ParamByName("name").AsString(), "Ana");
    EXPECT_EQ(rebuilt.ParamByName("name").DataType(), ftString);
    EXPECT_FALSE(rebuilt.ParamByName("count").Bound());
    EXPECT_FALSE(rebuilt.ParamByName("new").Bound());
}

TEST(Params, AValueGivesAnUntypedParameterItsType) {
    const std::vector<std::pair<Variant, TFieldType>> cases = {{Variant(5), ftInteger},
                                                               {Variant(std::int64_t{1} << 40), ftLargeint},
                                                               {Variant(1.5), ftFloat},
                                                               {Variant("s"), ftString},
                                                               {Variant(true), ftBoolean},
                                                               {Variant(Currency()), ftBCD},
                                                               {Variant::FromDateTime(1), ftDateTime},
                                                               {Variant(), ftUnknown}};
    for (const auto& [value, type] : cases) {
        TParam param("p");
        param.SetValue(value);
        EXPECT_EQ(param.DataType(), type) << value.ToString();
    }
    TParam typed("p", ftString);
    typed.SetValue(Variant(5));
    EXPECT_EQ(typed.DataType(), ftString);
}

template <class T> T Read(const std::vector<char>& data) {
    T value;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::vector<char> DataOf(const TParam& param) {
    std::vector<char> data(static_cast<std::size_t>(param.GetDataSize()));
    param.GetData(data.data());
    return data;
}

TEST(Params, DataIsWrittenInTheStatementsFormats) {
    const TDateTime moment = EncodeDate(2024, 5, 17) + EncodeTime(10, 20, 30, 400);
    TParam param("p");
    param.SetAsString("abc");
    EXPECT_EQ(DataOf(param), (std::vector<char>{'a', 'b', 'c', '\0'}));
    param.SetAsDate(moment);
    EXPECT_EQ(Read<std::int32_t>(DataOf(param)), DateTimeToTimeStamp(moment).Date);
    EXPECT_EQ(Read<std::int32_t>(DataOf(param)), 739023) << "days since 0001-01-01, that day being 1";
    param.SetAsTime(moment);
    EXPECT_EQ(Read<std::int32_t>(DataOf(param)), ((10 * 60 + 20) * 60 + 30) * 1000 + 400);
    param.SetAsDateTime(moment);
    EXPECT_EQ(Read<double>(DataOf(param)), 739023.0 * 86400000 + 37230400);
    param.SetAsBoolean(true);
    EXPECT_EQ(Read<std::int16_t>(DataOf(param)), 1);
    param.SetAsSmallInt(-2);
    EXPECT_EQ(Read<std::int16_t>(DataOf(param)), -2);
    param.SetAsBCD(Currency::FromScaled(-125000));
    EXPECT_EQ(BCDToCurr(Read<TBcd>(DataOf(param))), Currency::FromScaled(-125000));
    param.SetAsBlob(TBytes{9, 8, 7});
    EXPECT_EQ(DataOf(param), (std::vector<char>{9, 8, 7}));
    TParam untyped("untyped");
    try {
        untyped.GetDataSize();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'untyped' is of an unknown type");
    }
}

} // namespace
} // namespace platform::data
