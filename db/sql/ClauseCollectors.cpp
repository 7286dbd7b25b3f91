// Clause collectors: every expression, column reference, value or constant of a clause is read through
// one of these. A collector names the clause for the expression parser's messages (its subject), reads
// at a fixed entry level with a fixed set of permissions, refuses an empty read with its own message,
// stores the tree and the text as written (line breaks dropped, at most 255 characters) and gives the
// parser back the subject "SQL statement".
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrorCodes.h"
#include "db/lib/ExpressionDataTypes.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionParser.h"
#include "db/lib/ExpressionValues.h"
#include "db/sql/DataQuery.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/SqlParserTools.h"

namespace vorsam {

namespace {

enum class TEntryLevel { Full, Additive, Unary, Primary };

// Sets the parser's subject for one collector and gives back "SQL statement" afterwards.
class TSubjectScope {
public:
    TSubjectScope(TExpressionParser& parser, std::string_view subject) : parser_(parser) {
        parser.Subject = subject;
    }
    ~TSubjectScope() { parser_.Subject = "SQL statement"; }
    TSubjectScope(const TSubjectScope&) = delete;
    TSubjectScope& operator=(const TSubjectScope&) = delete;

private:
    TExpressionParser& parser_;
};

TExpTree ParseAt(TExpressionParser& parser, TEntryLevel level, uint32_t permissions,
                 std::string_view emptyMessage) {
    TExpTree tree;
    switch (level) {
    case TEntryLevel::Full:
        tree = parser.ParseOr(permissions);
        break;
    case TEntryLevel::Additive:
        tree = parser.ParseAdditive(permissions);
        break;
    case TEntryLevel::Unary:
        tree = parser.ParseUnary(permissions);
        break;
    case TEntryLevel::Primary:
        tree = parser.ParsePrimary(permissions);
        break;
    }
    if (!tree) SqlError(std::string(emptyMessage));
    return tree;
}

// Marks the start of the text and reads at the level (the subject is already set).
TExpTree CollectMarked(TExpressionParser& parser, TEntryLevel level, uint32_t permissions,
                       std::string_view emptyMessage) {
    parser.MarkStart();
    return ParseAt(parser, level, permissions, emptyMessage);
}

std::string SourceTextOf(const TExpressionParser& parser) {
    return ShortString(parser.TextSinceMark());
}

bool IsStringConstant(const TExpToken& token) {
    return token.Kind == nkConstant && token.DataType == dtString && !token.IsParameter;
}

// Where a column is expected, a string constant names a column: it becomes a column token named by its
// text and keeps the constant's type in its saved fields.
void StringConstantAsColumn(TExpToken& token) {
    if (!IsStringConstant(token)) return;
    std::string name(token.StringValue());
    token.Name = name;
    if (name.empty()) return;
    token.SavedDataType = token.DataType;
    token.SavedSubType = token.SubType;
    token.SavedSize = token.Size;
    token.SavedScale = token.Scale;
    token.NamedByString = true;
    token.Kind = nkColumn;
    token.ColumnName = name;
}

uint8_t AggregateKindOf(uint8_t function) {
    switch (function) {
    case opSum:
        return akSum;
    case opRunSum:
        return akRunSum;
    case opCount:
        return akCount;
    case opMin:
        return akMin;
    case opMax:
        return akMax;
    case opAvg:
        return akAvg;
    default:
        return akNone;
    }
}

// A string evaluated from constants (STOP WORDS, SPACE CHARS, INCLUDE CHARS).
std::string EvaluateConstantText(TExpTree& tree) {
    TEvaluationContext context;
    TExpTree result = EvaluateExpTree(*tree, context);
    TExpValue value = ReadExpValue(*result);
    std::string text = value.IsNull                 ? std::string()
                       : value.DataType == dtString ? value.Text
                                                    : ExpValueText(value);
    DisposeExpToken(result);
    FreeExpTree(tree);
    return ShortString(std::move(text));
}

} // namespace

void TDataQuery::ReadResultColumn(TResultField& item) {
    TExpressionParser& parser = Parser();
    TSubjectScope subject(parser, "source column expression");
    item.Expression =
        CollectMarked(parser, TEntryLevel::Full, epAggregates | epAllColumns | epExtendedPredicates,
                      "Source column expression is empty");
    TExpToken& tree = *item.Expression;
    auto takeExpression = [&] {
        item.IsExpression = true;
        item.SourceText = SourceTextOf(parser);
        HasExpressionColumns = true;
    };
    if (tree.Kind == nkColumn) {
        item.IsExpression = false;
        item.SourceText = SourceTextOf(parser);
        item.TableName = tree.CorrelationName;
        item.SetColumnName(tree.ColumnName);
    } else if (tree.Kind == nkFunction && IsAggregateOperator(tree.Operator)) {
        item.AggregateKind = AggregateKindOf(tree.Operator);
        if (tree.Operator == opAvg) HasAvg = true;
        const TExpToken* argument = tree.GetArg(0);
        if (!argument) {
            // COUNT(*): the star is the column it counts.
            item.SetColumnName("*");
        } else if (ExpTreeHasAggregates(argument)) {
            SqlError("Aggregate functions cannot be nested");
        } else if (argument->Kind == nkColumn) {
            item.IsExpression = false;
            item.TableName = argument->CorrelationName;
            item.SetColumnName(argument->ColumnName);
            item.Alias.clear(); // named later from the aggregate
        } else {
            takeExpression();
        }
    } else {
        if (ExpTreeHasAggregates(&tree)) SqlError("Aggregate functions cannot be used within expressions");
        takeExpression();
    }
}

// The target column of INSERT (a full expression, then expected to be a column) or UPDATE (a primary, so
// that the "=" after it stays for the UPDATE parser).
static void ReadTargetColumn(TExpressionParser& parser, TUpdateField& item, TEntryLevel level) {
    TSubjectScope subject(parser, "table column");
    item.Expression = CollectMarked(parser, level, 0, "Table column name is empty");
    StringConstantAsColumn(*item.Expression);
    item.SourceText = SourceTextOf(parser);
    item.TableName = item.Expression->CorrelationName;
    item.ColumnName = item.Expression->Name;
}

void TDataQuery::ReadInsertColumn(TUpdateField& item) {
    ReadTargetColumn(Parser(), item, TEntryLevel::Full);
}

void TDataQuery::ReadUpdateColumn(TUpdateField& item) {
    ReadTargetColumn(Parser(), item, TEntryLevel::Primary);
}

void TDataQuery::ReadInsertValue(TUpdateValue& item) {
    TExpressionParser& parser = Parser();
    TSubjectScope subject(parser, "value expression");
    item.Expression = CollectMarked(parser, TEntryLevel::Full, epParameters, "Value expression is empty");
    item.SourceText = SourceTextOf(parser);
}

void TDataQuery::ReadUpdateValue(TUpdateValue& item) {
    ReadInsertValue(item);
}

void TDataQuery::ReadColumnDefinition(TCreateField& item, bool typeRequired) {
    TExpressionParser& parser = Parser();
    TSubjectScope subject(parser, "table column");
    TExpTree previous = std::move(item.TypeToken);
    item.TypeToken = CollectMarked(parser, TEntryLevel::Primary, 0, "Table column name is empty");
    TExpToken& token = *item.TypeToken;
    if (IsStringConstant(token)) token.Name = std::string(token.StringValue());
    if (previous) token.SetLeft(std::move(previous));
    token.DataType = dtUnknown;
    token.SubType = 0;
    token.Size = 0;
    token.Scale = 0;
    if (parser.ParseDataType(token, 0, !typeRequired))
        CheckTypeArguments(VORSAM_SQLPARSE, ResultTableName, token, "table column");
    item.SourceText = SourceTextOf(parser);
}

void TDataQuery::ReadIndexColumn(TCreateIndex& item) {
    TExpressionParser& parser = Parser();
    TSubjectScope subject(parser, "index column");
    item.AppendColumnToken(CollectMarked(parser, TEntryLevel::Primary, 0, "Index column name is empty"));
    item.SourceText = SourceTextOf(parser);
}

int32_t TDataQuery::ReadLastAutoIncValue() {
    TExpressionParser& parser = Parser();
    TSubjectScope subject(parser, "next auto-increment number");
    TExpTree tree = CollectMarked(parser, TEntryLevel::Unary, 0, "Next auto-increment number is empty");
    const TExpToken* constant = tree.get();
    bool negate = false;
    if (constant->Kind == nkUnary && (constant->Operator == opNegate || constant->Operator == opUnaryPlus)) {
        negate = constant->Operator == opNegate;
        constant = constant->Left();
    }
    if (!constant || constant->Kind != nkConstant || constant->IsParameter || constant->DataType != dtInteger)
        SqlError("Integer constant expected after AUTOINC keyword, instead found '" + tree->Name + "'");
    int64_t value = ReadExpValue(*constant).Int;
    FreeExpTree(tree);
    return static_cast<int32_t>(negate ? -value : value);
}

// An additive expression of constants evaluated into a text (a column reference fails in the evaluator).
static std::string ReadEvaluatedText(TExpressionParser& parser, std::string_view subject,
                                     std::string_view emptyMessage) {
    TSubjectScope scope(parser, subject);
    TExpTree tree = CollectMarked(parser, TEntryLevel::Additive, 0, emptyMessage);
    return EvaluateConstantText(tree);
}

void TDataQuery::ReadStopWords(std::string& text) {
    text.clear();
    text = ReadEvaluatedText(Parser(), "stop words", "Stop words are empty");
}

void TDataQuery::ReadCharacterSet(std::string& text) {
    text.clear();
    text = ReadEvaluatedText(Parser(), "character set", "Character set is empty");
}

void TDataQuery::ReadIndexName(std::string& qualifier, std::string& name) {
    TExpressionParser& parser = Parser();
    TSubjectScope subject(parser, "index name expression");
    TExpTree tree = CollectMarked(parser, TEntryLevel::Primary, 0, "Index name expression is empty");
    qualifier = ShortString(tree->CorrelationName);
    name = tree->Kind == nkColumn ? ShortString(tree->ColumnName) : std::string();
}

TExpToken* TDataQuery::ReadCondition(bool isWhere) {
    TExpressionParser& parser = Parser();
    TSubjectScope subject(parser, "WHERE or JOIN clause");
    uint32_t permissions = epExtendedPredicates | epParameters | (isWhere ? uint32_t(epSubSelects) : 0u);
    TExpTree condition = ParseAt(parser, TEntryLevel::Full, permissions, "WHERE or JOIN clause is empty");
    TExpToken* result = condition.get();
    if (!WhereTree) {
        WhereTree = std::move(condition);
    } else {
        WhereTree = MakeBinaryNode(opAnd, std::move(WhereTree), std::move(condition));
        WhereTree->DataType = dtBoolean;
    }
    return result;
}

void TDataQuery::ReadHaving() {
    TExpressionParser& parser = Parser();
    TSubjectScope subject(parser, "HAVING clause");
    HavingTree = ParseAt(parser, TEntryLevel::Full, epAggregates, "HAVING clause is empty");
}

} // namespace vorsam
