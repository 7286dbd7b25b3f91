// The SELECT statement: select list, INTO, FROM with joins, WHERE, GROUP BY, HAVING, ORDER BY, the
// option tail and UNION. A sub-select and a UNION part leave the token after them to their caller.
#include "db/lib/ExpressionParser.h"
#include "db/lib/TableNames.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/SqlParserTools.h"

#include <strings.h>

namespace vorsam {

namespace {

// Words that end a FROM table without being its correlation name. FULL and OUTER are among them so that
// "t FULL JOIN u" is refused rather than read as an inner join of t aliased FULL; SELECT so that a
// missing ";" between two statements is reported at the second SELECT.
const std::initializer_list<std::string_view> FromAliasStopWords = {
    "LEFT",  "RIGHT", "INNER",     "JOIN",     "WHERE",          "ORDER", "GROUP", "HAVING", "TOP",
    "RANGE", "WITH",  "ENCRYPTED", "LANGUAGE", "NOJOINOPTIMIZE", "UNION", "FULL",  "OUTER",  "SELECT"};

// Column entry of GROUP BY or ORDER BY: a (qualified) name or a 1-based select-list position.
template <typename TItem>
void ReadColumnEntry(TExpressionParser& parser, TItem& item, std::string_view message) {
    if (parser.IsWordOrQuoted()) {
        std::string first = parser.TokenText();
        parser.NextToken();
        if (SkipToken(parser, '.')) {
            item.TableName = ShortString(first);
            item.ColumnName = ShortString(parser.TokenText());
            parser.NextToken();
        } else {
            item.ColumnName = ShortString(first);
        }
        return;
    }
    item.ColumnNumber = static_cast<uint16_t>(ReadInteger(parser, message, 0, UINT16_MAX));
}

// GROUP BY and ORDER BY: the first word, then BY; false when the first word is absent.
bool StartColumnList(TExpressionParser& parser, std::string_view keyword, std::string_view byMessage) {
    if (!SkipSymbol(parser, keyword)) return false;
    RequireSymbol(parser, "BY", byMessage);
    return true;
}

} // namespace

void TDataQuery::ParseSelect() {
    TExpressionParser& parser = Parser();
    parser.NextToken(); // SELECT
    SkipSymbol(parser, "ALL");
    if (SkipSymbol(parser, "DISTINCT")) Distinct = true;
    do {
        auto& field = *ResultFields.emplace_back(std::make_unique<TResultField>(*this));
        ReadResultColumn(field);
        std::string alias;
        if (ReadAlias(parser, alias, {"INTO", "FROM"})) {
            field.Alias = ShortString(alias);
            field.DefaultName = false;
            if (SkipToken(parser, '.'))
                field.Alias = ShortString(ReadName(
                    parser, "Symbol or string expected after table correlation name, instead found '"));
        }
    } while (SkipToken(parser, ','));
    SelectAll = ResultFields.size() == 1 && ResultFields[0]->ColumnName == "*" &&
                ResultFields[0]->AggregateKind == akNone;
    ParseInto();
    RequireSymbol(parser, "FROM", "FROM keyword expected, instead found '");
    int tableCounter = 1;
    int openParentheses = 0;
    // In the source select of INSERT, NOAUTOINC and COMMIT belong to the INSERT.
    const TDataQuery& master = *Statement->MasterQuery;
    bool insertSource = master.StatementType == sqlInsert && master.InsertFromSelect;
    do {
        TSourceTable& source = ParseSourceTable(tableCounter, openParentheses,
                                                "Table name expected after FROM keyword, instead found '");
        std::string alias;
        bool aliased = insertSource ? ReadAlias(parser, alias, FromAliasStopWords, {"NOAUTOINC", "COMMIT"})
                                    : ReadAlias(parser, alias, FromAliasStopWords);
        if (aliased) source.SetCorrelationName(ShortString(alias));
        CheckCorrelationNames(source);
        ParseJoins(tableCounter, openParentheses);
    } while (NextSourceInList());
    ParseWhere();
    ParseGroupBy();
    ParseHaving();
    if (!UnionPart) ParseOrderBy();
    ParseSelectOptions();
    if (Parenthesized)
        RequireToken(parser, ')', "Right parentheses expected after SELECT statement, instead found '");
    ParseUnion();
    if (HasUnion && !UnionPart) {
        ParseOrderBy();
        ParseTop();
        if (!SubSelect) ParseEndOfStatement();
    } else if (!SubSelect && !UnionPart) {
        ParseEndOfStatement();
    }
}

void TDataQuery::CheckCorrelationNames(const TSourceTable& source) const {
    for (const auto& other : SourceTables) {
        if (other.get() == &source) continue;
        const std::string& name = source.CorrelationName;
        if (other->CorrelationName.size() == name.size() &&
            strncasecmp(other->CorrelationName.data(), name.data(), name.size()) == 0)
            SqlError("Duplicate table correlation name '" + name + "' found in source tables");
    }
}

void TDataQuery::ParseJoins(int& tableCounter, int& openParentheses) {
    TExpressionParser& parser = Parser();
    while (true) {
        if (parser.IsSymbol("FULL"))
            SqlError("Full outer joins are currently not supported in VORSAM SQL SELECT statements");
        uint8_t kind;
        if (SkipSymbol(parser, "JOIN")) {
            kind = jkInner;
        } else if (SkipSymbol(parser, "INNER")) {
            RequireSymbol(parser, "JOIN", "JOIN keyword expected after INNER keyword, instead found '");
            kind = jkInner;
        } else if (SkipSymbol(parser, "LEFT")) {
            SkipSymbol(parser, "OUTER");
            RequireSymbol(parser, "JOIN",
                          "JOIN keyword expected after LEFT or OUTER keyword, instead found '");
            kind = jkLeftOuter;
        } else if (SkipSymbol(parser, "RIGHT")) {
            SkipSymbol(parser, "OUTER");
            RequireSymbol(parser, "JOIN",
                          "JOIN keyword expected after RIGHT or OUTER keyword, instead found '");
            kind = jkRightOuter;
        } else {
            return;
        }
        MultipleTables = true;
        auto owned = std::make_unique<TSourceTable>(*this);
        TSourceTable& source = *owned;
        if (kind == jkRightOuter)
            SourceTables.insert(SourceTables.begin(), std::move(owned));
        else
            SourceTables.push_back(std::move(owned));
        if (SkipSymbol(parser, "MEMORY")) source.InMemory = true;
        std::string name = ReadTableName(parser, "Table name expected after JOIN keyword, instead found '");
        source.TableNumber = static_cast<uint16_t>(tableCounter++);
        source.SetTableName(name);
        std::string alias;
        if (ReadAlias(parser, alias, {"ON"})) source.SetCorrelationName(ShortString(alias));
        CheckCorrelationNames(source);
        RequireSymbol(parser, "ON", "ON keyword expected in JOIN clause, instead found '");
        TExpToken& condition = *ReadCondition(false);
        MarkJoinCondition(condition, kind);
        if (kind == jkLeftOuter || kind == jkRightOuter)
            OuterOnClauses.push_back({&condition, &source, kind});
        HasCondition = true;
        for (; openParentheses > 0; --openParentheses)
            if (!SkipToken(parser, ')')) SqlError("Mismatched join parentheses");
    }
}

void TDataQuery::ParseWhere() {
    if (!SkipSymbol(Parser(), "WHERE")) return;
    HasCondition = true;
    ReadCondition(true);
}

void TDataQuery::ParseGroupBy() {
    TExpressionParser& parser = Parser();
    if (!StartColumnList(parser, "GROUP", "BY keyword expected after GROUP keyword, instead found '")) return;
    HasGroupBy = true;
    do {
        auto& item = *GroupByItems.emplace_back(std::make_unique<TGroupByField>(*this));
        ReadColumnEntry(parser, item,
                        "Column name or column number expected in GROUP BY clause, instead found '");
    } while (SkipToken(parser, ','));
}

void TDataQuery::ParseHaving() {
    if (!SkipSymbol(Parser(), "HAVING")) return;
    HasHaving = true;
    HavingFilter = true;
    ReadHaving();
}

void TDataQuery::ParseOrderBy() {
    TExpressionParser& parser = Parser();
    if (!StartColumnList(parser, "ORDER", "BY keyword expected after ORDER keyword, instead found '")) return;
    HasOrderBy = true;
    do {
        auto& item = *OrderByItems.emplace_back(std::make_unique<TOrderByField>(*this));
        ReadColumnEntry(parser, item,
                        "Column name or column number expected in ORDER BY clause, instead found '");
        if (IsAnySymbol(parser, {"DESC", "DESCENDING"})) {
            item.Descending = true;
            parser.NextToken();
        } else if (IsAnySymbol(parser, {"ASC", "ASCENDING"})) {
            parser.NextToken();
        }
    } while (SkipToken(parser, ','));
    if (SkipSymbol(parser, "NOCASE")) OrderByNoCase = true;
}

void TDataQuery::ParseUnion() {
    TExpressionParser& parser = Parser();
    if (!parser.IsSymbol("UNION")) return;
    if (HasOrderBy) SqlError("You cannot use an ORDER BY clause within a UNIONed query");
    HasUnion = true;
    RequestLive = true;
    TDataQuery& next = Statement->AddQuery(std::make_unique<TDataQuery>(*Statement));
    NextUnion = &next;
    next.RequestLive = true;
    parser.NextToken(); // UNION
    UnionAll = SkipSymbol(parser, "ALL");
    // Only a SELECT continues a union: any other statement here would run as a statement of its own.
    if (!parser.IsSymbol("SELECT") && !parser.TokenTypeIs('('))
        SqlErrorFound(parser, "SELECT keyword expected, instead found '");
    next.ParseStatement(false, true, this);
}

} // namespace vorsam
