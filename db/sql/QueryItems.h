// The items a query block owns: result columns, ORDER BY and GROUP BY entries, the target columns and
// values of INSERT and UPDATE, and the column and index definitions of the table statements. The parser
// fills them; preparation and execution read them and fill their binding fields. Every item keeps its
// owning block as `Query`. Names are short strings (at most 255 characters).
#pragma once

#include "db/lib/ExpressionTree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorsam {

class TDataQuery;
class TSourceTable;

// Aggregate kind of a result column.
enum TAggregateKind : uint8_t {
    akNone = 0,
    akSum = 1,
    akRunSum = 2,
    akMin = 3,
    akMax = 4,
    akAvg = 5,
    akCount = 6,
};

// One SELECT-list column: what it reads (a source column, an aggregate of one, or an expression), the
// name it gets in the result, and (after preparation) where it is bound and how it is typed.
class TResultField {
public:
    explicit TResultField(TDataQuery& query) : Query(&query) {}

    TDataQuery* Query;
    // The source column read: a plain column's name or an aggregate's column argument; "*" for a star
    // and COUNT(*); empty for an expression column.
    std::string ColumnName;
    // The correlation name qualifying that column (t in t.c); empty when none.
    std::string TableName;
    // The result column's name; follows ColumnName while it is empty and no alias was given.
    std::string Alias;
    // True until AS or a bare alias names the column.
    bool DefaultName = true;
    bool IsExpression = false;
    uint8_t AggregateKind = akNone; // TAggregateKind
    // The expression as written (line breaks dropped), at most 255 characters.
    std::string SourceText;
    TExpTree Expression;

    // Binding and typing, set by preparation.
    TSourceTable* BoundSource = nullptr;
    uint16_t SourceFieldNumber = 0;
    uint8_t SourceType = 0;
    uint8_t SourceSubType = 0;
    uint16_t SourceSize = 0;
    uint8_t SourceScale = 0;
    uint16_t ResultFieldNumber = 0; // 1-based
    uint8_t ResultType = 0;
    uint8_t ResultSubType = 0;
    uint16_t ResultSize = 0;
    uint8_t ResultScale = 0;
    uint16_t AvgCountFieldNumber = 0; // the hidden count field of an AVG column
    bool CountStar = false;

    // Stores the name when it differs; while Alias is empty it takes a name other than "*".
    void SetColumnName(const std::string& name);
};

// One ORDER BY entry: a (qualified) column name or a 1-based select-list position.
class TOrderByField {
public:
    explicit TOrderByField(TDataQuery& query) : Query(&query) {}

    TDataQuery* Query;
    std::string ColumnName;
    std::string TableName;
    uint16_t ColumnNumber = 0; // 0 when a name is given
    bool Descending = false;
};

// One GROUP BY entry: a (qualified) column name or a 1-based select-list position.
class TGroupByField {
public:
    explicit TGroupByField(TDataQuery& query) : Query(&query) {}

    TDataQuery* Query;
    std::string ColumnName;
    std::string TableName;
    uint16_t ColumnNumber = 0;
};

// The target column of INSERT or UPDATE; "*" stands for every column of the target in field order.
class TUpdateField {
public:
    explicit TUpdateField(TDataQuery& query) : Query(&query) {}

    TDataQuery* Query;
    TExpTree Expression; // the column token
    std::string ColumnName;
    std::string TableName;
    std::string SourceText;

    // Binding, set by preparation.
    TSourceTable* TargetSource = nullptr;
    uint16_t FieldNumber = 0;
    uint8_t DataType = 0;
    uint8_t SubType = 0;
    uint16_t Size = 0;
    uint8_t Scale = 0;
    std::string Alias;
};

// The value put into the target column of the same position.
class TUpdateValue {
public:
    explicit TUpdateValue(TDataQuery& query) : Query(&query) {}

    TDataQuery* Query;
    TExpTree Expression;
    std::string SourceText;
};

// Character case codes of a column, as the table file stores them.
enum TCharCase : uint8_t { ccNoChange = 0, ccUpper = 1, ccLower = 2 };

// One column of CREATE TABLE, or one action on a column of ALTER TABLE (ADD, REDEFINE, DROP). The
// parser reads the name and type into TypeToken; AssignFromToken moves them into the fields.
class TCreateField {
public:
    explicit TCreateField(TDataQuery& query) : Query(&query) {}

    TDataQuery* Query;
    // REDEFINE old new: FieldName is the existing column (old) and OldFieldName the new name it takes.
    std::string FieldName;
    std::string OldFieldName;
    uint16_t FieldNumber = 0;
    uint8_t DataType = 0;
    uint8_t SubType = 0;
    uint16_t Size = 0;
    uint8_t Scale = 0;
    // The column's name and type; for REDEFINE old new, the token of new whose first operand is old.
    TExpTree TypeToken;
    std::string SourceText;

    std::string Description;
    bool DescriptionGiven = false;
    bool NotNull = false;
    bool NotNullGiven = false;
    uint8_t CharCase = ccNoChange; // TCharCase
    bool CharCaseGiven = false;
    std::string MinimumText;
    bool MinimumGiven = false;
    std::string MaximumText;
    bool MaximumGiven = false;
    std::string DefaultText;
    bool DefaultGiven = false;
    bool Add = false;
    bool Redefine = false;
    bool Drop = false;
    uint16_t Position = 0; // AT n; 0 = not given

    // Fills the name, number, type, subtype, size and scale from TypeToken: strings and bytes take the
    // declared length, BCD the scale; REDEFINE old new puts old in FieldName and new in OldFieldName.
    void AssignFromToken(uint16_t fieldNumber);
};

// Key compression of an index.
enum TIndexCompression : uint8_t { icNone = 0, icDupByte = 1, icTrailByte = 2, icFull = 3 };

// One index of CREATE INDEX, the primary key of CREATE TABLE or an ALTER TABLE action on it, or the
// TEXT INDEX of a table. The parser chains the column tokens through their first operand.
class TCreateIndex {
public:
    explicit TCreateIndex(TDataQuery& query) : Query(&query) {}

    TDataQuery* Query;
    std::vector<std::string> ColumnNames; // filled by BuildColumnNames
    TExpTree ColumnTokens;                // first column; each links the next as its first operand
    std::string SourceText;               // the text of the last column read
    std::string IndexName;                // empty for a primary key
    bool Descending = false;
    bool Unique = false;
    bool NoCase = false;
    uint8_t Compression = icNone; // TIndexCompression
    bool Add = false;
    bool Redefine = false;
    bool Drop = false;

    // Appends a column token at the end of the chain and returns it.
    TExpToken& AppendColumnToken(TExpTree token);
    // ColumnNames := the chain's names: a string constant that is no parameter gives its text, any
    // other token its name.
    void BuildColumnNames();
};

} // namespace vorsam
