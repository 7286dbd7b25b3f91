#include "ExpressionTestSupport.h"
#include "TestSupport.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionDataTypes.h"

#include <gtest/gtest.h>

namespace vorsam::test {
namespace {

// Reads a data type from the text (as a column definition does) and checks its arguments.
TExpTree ReadType(const std::string& text, bool typeOptional = false, bool* read = nullptr) {
    TExpressionParser parser;
    parser.Subject = "table column";
    parser.SetText(text);
    parser.NextToken();
    TExpTree token = NewExpToken();
    bool found = parser.ParseDataType(*token, 0, typeOptional);
    if (read) *read = found;
    if (found) CheckTypeArguments(VORSAM_SQLPARSE, "customers", *token, "table column");
    return token;
}

struct TTypeCase {
    std::string Text;
    uint8_t Type, SubType;
    uint16_t Size;
    uint8_t Scale;
};

class DataTypeKeyword : public ::testing::TestWithParam<TTypeCase> {};

TEST_P(DataTypeKeyword, GivesTypeSubtypeSizeAndScale) {
    const TTypeCase& c = GetParam();
    TExpTree token = ReadType(c.Text);
    EXPECT_EQ(token->DataType, c.Type) << c.Text;
    EXPECT_EQ(token->SubType, c.SubType) << c.Text;
    EXPECT_EQ(token->Size, c.Size) << c.Text;
    EXPECT_EQ(token->Scale, c.Scale) << c.Text;
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, DataTypeKeyword,
    ::testing::Values(TTypeCase{"SMALLINT", 5, 0, 0, 0}, TTypeCase{"word", 12, 0, 0, 0},
                      TTypeCase{"INTEGER", 6, 0, 0, 0}, TTypeCase{"INT", 6, 0, 0, 0},
                      TTypeCase{"LARGEINT", 18, 0, 0, 0}, TTypeCase{"AUTOINC", 6, 29, 0, 0},
                      TTypeCase{"DECIMAL", 8, 0, 0, 0}, TTypeCase{"NUMERIC(12)", 8, 0, 12, 0},
                      TTypeCase{"DECIMAL(12, 0)", 8, 0, 12, 0}, TTypeCase{"DECIMAL(12,4)", 8, 0, 12, 4},
                      TTypeCase{"FLOAT", 7, 0, 0, 0}, TTypeCase{"FLOAT(15, 2)", 7, 0, 15, 2},
                      TTypeCase{"MONEY", 7, 21, 0, 0}, TTypeCase{"CHARACTER(1)", 1, 0, 1, 0},
                      TTypeCase{"CHAR(20)", 1, 0, 20, 0}, TTypeCase{"VARCHAR(+250)", 1, 0, 250, 0},
                      TTypeCase{"BYTES(4)", 9, 0, 4, 0}, TTypeCase{"VARBYTES(8)", 9, 0, 8, 0},
                      TTypeCase{"BINARY(16)", 9, 0, 16, 0}, TTypeCase{"VARBINARY(250)", 9, 0, 250, 0},
                      TTypeCase{"DATE", 2, 0, 0, 0}, TTypeCase{"TIME", 10, 0, 0, 0},
                      TTypeCase{"TIMESTAMP", 11, 0, 0, 0}, TTypeCase{"BOOLEAN", 4, 0, 0, 0},
                      TTypeCase{"BOOL", 4, 0, 0, 0}, TTypeCase{"BIT", 4, 0, 0, 0},
                      TTypeCase{"BLOB", 3, 23, 0, 0}, TTypeCase{"BLOB(10)", 3, 23, 10, 0},
                      TTypeCase{"BLOB(10, 1)", 3, 22, 10, 0}, TTypeCase{"BLOB(10, 2)", 3, 23, 10, 0},
                      TTypeCase{"BLOB(10, 3)", 3, 24, 10, 0}, TTypeCase{"BLOB(10, 5)", 3, 26, 10, 0},
                      TTypeCase{"BLOB(10, 7)", 3, 28, 10, 0}, TTypeCase{"LONGVARBINARY", 3, 23, 0, 0},
                      TTypeCase{"LONGVARCHAR", 3, 22, 0, 0}, TTypeCase{"MEMO", 3, 22, 0, 0},
                      TTypeCase{"GRAPHIC", 3, 26, 0, 0}));

class DataTypeError : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(DataTypeError, RaisesTheExactText) {
    EXPECT_EQ(ErrorTextOf([&] { ReadType(GetParam().first); }), GetParam().second + "table column")
        << GetParam().first;
}

const std::string Length =
    "Length argument must be an integer greater than 0 and less than or equal to 250 in ";
const std::string Scale =
    "Scale argument must be an integer less than or equal to 4 but greater than or equal to 0 for the BCD "
    "data type in ";
const std::string BlobType = "BLOB type argument must be an integer with a value of 1,2,3,5, or 7 in ";

INSTANTIATE_TEST_SUITE_P(
    Arguments, DataTypeError,
    ::testing::Values(
        std::pair{"STRING(10)", "SQL data type keyword expected, instead found 'STRING' in "},
        std::pair{"'CHAR'", "SQL data type keyword expected, instead found 'CHAR' in "},
        std::pair{"CHAR", "Left parentheses expected after CHAR keyword, instead found '' in "},
        std::pair{"BYTES 10", "Left parentheses expected after BYTES keyword, instead found '10' in "},
        std::pair{"VARCHAR(10",
                  "Right parentheses expected after VARCHAR data type arguments, instead found '' in "},
        std::pair{"CHAR(10, 2)",
                  "Right parentheses expected after CHAR data type arguments, instead found ',' in "},
        std::pair{"DECIMAL(10 2)",
                  "Right parentheses expected after DECIMAL data type arguments, instead found '2' in "},
        std::pair{"CHAR(x)", "Integer value expected in CHAR data type arguments, instead found 'x' in "},
        std::pair{"DECIMAL(10, 2.5)",
                  "Integer value expected in DECIMAL data type arguments, instead found '2.5' in "},
        std::pair{"CHAR(0)", Length}, std::pair{"CHAR(-3)", Length}, std::pair{"CHAR(251)", Length},
        std::pair{"BINARY(70000)", Length}, std::pair{"DECIMAL(10, 5)", Scale},
        std::pair{"DECIMAL(10, -1)", Scale},
        std::pair{
            "DECIMAL(65, 2)",
            "Precision argument must be an integer not less than the scale and less than or equal to 64 for "
            "the BCD data type in "},
        std::pair{"BLOB(1, 0)", BlobType}, std::pair{"BLOB(1, 4)", BlobType},
        std::pair{"BLOB(1, 6)", BlobType}, std::pair{"BLOB(1, 8)", BlobType}));

TEST(ExpressionDataTypes, AMissingKeywordIsAcceptedWhenTheTypeIsOptional) {
    bool read = true;
    TExpTree token = ReadType("NOT NULL", true, &read);
    EXPECT_FALSE(read);
    EXPECT_EQ(token->DataType, 0);
}

TEST(ExpressionDataTypes, ArgumentErrorsCarryTheTableNameAndCode) {
    try {
        ReadType("CHAR(300)");
        FAIL();
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorCode, VORSAM_SQLPARSE);
        EXPECT_EQ(e.ErrorTableName, "customers");
    }
}

} // namespace
} // namespace vorsam::test
