#include "db/lib/ExpressionDataTypes.h"

#include "db/lib/Bcd.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionParser.h"
#include "db/lib/ExpressionValues.h"

#include <algorithm>
#include <strings.h>

namespace vorsam {

namespace {

enum TTypeArguments : uint8_t { taNone, taOptionalPair, taRequiredLength, taBlob };

struct TTypeKeyword {
    std::string_view Word;
    uint8_t DataType;
    uint8_t SubType;
    TTypeArguments Arguments;
};

constexpr TTypeKeyword TypeKeywords[] = {
    {"SMALLINT", dtSmallInt, 0, taNone},
    {"WORD", dtWord, 0, taNone},
    {"INTEGER", dtInteger, 0, taNone},
    {"INT", dtInteger, 0, taNone},
    {"LARGEINT", dtLargeInt, 0, taNone},
    {"AUTOINC", dtInteger, stAutoInc, taNone},
    {"DECIMAL", dtBcd, 0, taOptionalPair},
    {"NUMERIC", dtBcd, 0, taOptionalPair},
    {"FLOAT", dtFloat, 0, taOptionalPair},
    {"MONEY", dtFloat, stMoney, taNone},
    {"CHARACTER", dtString, 0, taRequiredLength},
    {"CHAR", dtString, 0, taRequiredLength},
    {"VARCHAR", dtString, 0, taRequiredLength},
    {"BYTES", dtBytes, 0, taRequiredLength},
    {"VARBYTES", dtBytes, 0, taRequiredLength},
    {"BINARY", dtBytes, 0, taRequiredLength},
    {"VARBINARY", dtBytes, 0, taRequiredLength},
    {"DATE", dtDate, 0, taNone},
    {"TIME", dtTime, 0, taNone},
    {"TIMESTAMP", dtTimeStamp, 0, taNone},
    {"BOOLEAN", dtBoolean, 0, taNone},
    {"BOOL", dtBoolean, 0, taNone},
    {"BIT", dtBoolean, 0, taNone},
    {"BLOB", dtBlob, stBinary, taBlob},
    {"LONGVARBINARY", dtBlob, stBinary, taNone},
    {"LONGVARCHAR", dtBlob, stMemo, taNone},
    {"MEMO", dtBlob, stMemo, taNone},
    {"GRAPHIC", dtBlob, stGraphic, taNone},
};

const TTypeKeyword* FindTypeKeyword(std::string_view word) {
    for (const TTypeKeyword& k : TypeKeywords)
        if (k.Word.size() == word.size() && strncasecmp(k.Word.data(), word.data(), word.size()) == 0)
            return &k;
    return nullptr;
}

// The value of an integer constant, under any number of signs.
bool IntegerConstantValue(const TExpToken& node, int64_t& value) {
    if (node.Kind == nkUnary && (node.Operator == opNegate || node.Operator == opUnaryPlus) && node.Left()) {
        if (!IntegerConstantValue(*node.Left(), value)) return false;
        if (node.Operator == opNegate) value = value == INT64_MIN ? INT64_MAX : -value;
        return true;
    }
    if (node.Kind != nkConstant || node.IsNull || !IsIntegerType(node.DataType)) return false;
    value = ReadExpValue(node).Int;
    return true;
}

bool ValidBlobSubType(uint8_t subType) {
    return subType == stMemo || subType == stBinary || subType == stFmtMemo || subType == stGraphic ||
           subType == stTypedBinary;
}

std::string_view ArgumentError(const TExpToken& token) {
    switch (token.DataType) {
    case dtString:
    case dtBytes:
        if (token.Size < 1 || token.Size > MaxDeclaredSize)
            return "Length argument must be an integer greater than 0 and less than or equal to 250 in ";
        return {};
    case dtBcd:
        if (token.Scale > MaxBcdScale)
            return "Scale argument must be an integer less than or equal to 4 but greater than or equal to 0 "
                   "for the BCD data type in ";
        if (token.Size != 0 && (token.Size > MaxBcdDigits || token.Size < token.Scale))
            return "Precision argument must be an integer not less than the scale and less than or equal to "
                   "64 "
                   "for the BCD data type in ";
        return {};
    case dtBlob:
        if (!ValidBlobSubType(token.SubType))
            return "BLOB type argument must be an integer with a value of 1,2,3,5, or 7 in ";
        return {};
    default:
        return {};
    }
}

} // namespace

int32_t TExpressionParser::ReadTypeArgument(uint32_t permissions, std::string_view typeName) {
    TState start = SaveState();
    TExpTree argument = ParseUnary(permissions);
    int64_t value = 0;
    if (!argument || !IntegerConstantValue(*argument, value)) {
        RestoreState(start);
        RaiseExpected("Integer value expected in " + std::string(typeName) + " data type arguments");
    }
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool TExpressionParser::ParseDataType(TExpToken& token, uint32_t argumentPermissions, bool typeOptional) {
    const TTypeKeyword* keyword = TokenTypeIs(tkWord) ? FindTypeKeyword(TokenText()) : nullptr;
    if (!keyword) {
        if (typeOptional) return false;
        RaiseExpected("SQL data type keyword expected");
    }
    token.DataType = keyword->DataType;
    token.SubType = keyword->SubType;
    token.Size = 0;
    token.Scale = 0;
    std::string name(keyword->Word);
    NextToken();
    if (keyword->Arguments == taNone) return true;
    if (!TokenTypeIs('(')) {
        if (keyword->Arguments == taRequiredLength)
            RaiseExpected("Left parentheses expected after " + name + " keyword");
        return true;
    }
    NextToken();
    int32_t first = ReadTypeArgument(argumentPermissions, name);
    token.Size = uint16_t(std::clamp<int32_t>(first, 0, UINT16_MAX));
    if (keyword->Arguments != taRequiredLength && TokenTypeIs(',')) {
        NextToken();
        int32_t second = ReadTypeArgument(argumentPermissions, name);
        if (keyword->Arguments == taBlob)
            token.SubType = second >= 1 && second <= 7 ? uint8_t(21 + second) : uint8_t(0);
        else
            token.Scale = uint8_t(second < 0 || second > 255 ? 255 : second);
    }
    Require(')', "Right parentheses expected after " + name + " data type arguments");
    return true;
}

void CheckTypeArguments(uint16_t errorCode, std::string_view tableName, const TExpToken& token,
                        std::string_view subject) {
    std::string_view error = ArgumentError(token);
    if (error.empty()) return;
    TErrorContext context;
    context.Table = tableName;
    context.ExtraText = std::string(error) + std::string(subject);
    if (context.ExtraText.size() > 255) context.ExtraText.resize(255);
    RaiseEngineError(errorCode, context);
}

} // namespace vorsam
