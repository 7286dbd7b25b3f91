// INSERT, UPDATE and DELETE. The table changed is the first source of the block; INSERT and UPDATE pair
// their target columns (UpdateFields) with values (UpdateValues) by position; INSERT without a column
// list has the single target "*" (every column). INSERT .. SELECT reads its rows from a second block.
#include "db/lib/ExpressionParser.h"
#include "db/lib/TableNames.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/SqlParserTools.h"

#include <strings.h>

namespace vorsam {

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

constexpr std::string_view FirstSourceMismatch = "The first source table specified in FROM clause must match "
                                                 "the table being updated in the UPDATE statement";

} // namespace

TSourceTable& TDataQuery::ParseSourceTable(int& tableCounter, int& openParentheses,
                                           std::string_view missingName) {
    auto& source = *SourceTables.emplace_back(std::make_unique<TSourceTable>(*this));
    SkipOpenParentheses(openParentheses);
    TExpressionParser& parser = Parser();
    if (SkipSymbol(parser, "MEMORY")) source.InMemory = true;
    std::string name = ReadTableName(parser, missingName);
    source.TableNumber = static_cast<uint16_t>(tableCounter++);
    source.SetTableName(name);
    return source;
}

bool TDataQuery::NextSourceInList() {
    if (!SkipToken(Parser(), ',')) return false;
    MultipleTables = true;
    return true;
}

void TDataQuery::ParseInsert() {
    TExpressionParser& parser = Parser();
    RequestLive = true;
    parser.NextToken(); // INSERT
    RequireSymbol(parser, "INTO", "INTO keyword expected, instead found '");
    if (!parser.IsWordOrQuoted())
        SqlErrorFound(parser, "Table name expected after INTO clause, instead found '");
    int tableCounter = 1;
    int openParentheses = 0;
    TSourceTable& target = ParseSourceTable(tableCounter, openParentheses,
                                            "Table name expected after INTO keyword, instead found '");
    std::string alias;
    if (parser.IsWordOrQuoted() && !IsAnySymbol(parser, {"VALUES", "SELECT"})) {
        alias = parser.TokenText();
        parser.NextToken();
        target.SetCorrelationName(ShortString(alias));
    }
    auto addAllColumns = [this] {
        auto& field = *UpdateFields.emplace_back(std::make_unique<TUpdateField>(*this));
        field.ColumnName.assign(1, '*');
        field.Expression = MakeColumnNode("", "*");
    };
    bool selectInParentheses = false;
    if (SkipToken(parser, '(')) {
        if (parser.IsSymbol("SELECT")) {
            selectInParentheses = true;
            addAllColumns();
        } else {
            do ReadInsertColumn(*UpdateFields.emplace_back(std::make_unique<TUpdateField>(*this)));
            while (SkipToken(parser, ','));
            RequireToken(parser, ')',
                         "Right parentheses expected after list of table columns, instead found '");
        }
    } else {
        addAllColumns();
    }
    if (SkipSymbol(parser, "VALUES")) {
        RequireToken(parser, '(', "Left parentheses expected after VALUES keyword, instead found '");
        do ReadInsertValue(*UpdateValues.emplace_back(std::make_unique<TUpdateValue>(*this)));
        while (SkipToken(parser, ','));
        RequireToken(parser, ')', "Right parentheses expected after list of values, instead found '");
    } else if (parser.IsSymbol("SELECT")) {
        InsertFromSelect = true;
        TDataQuery& source = Statement->AddQuery(std::make_unique<TDataQuery>(*Statement));
        InsertSourceQuery = &source;
        source.RequestLive = true;
        source.ParseStatement(true, false, nullptr);
        // INSERT INTO t (SELECT ..): the parenthesis opened before SELECT closes after it.
        if (selectInParentheses)
            RequireToken(parser, ')', "Right parentheses expected after SELECT statement, instead found '");
    } else {
        SqlErrorFound(parser, "VALUES or SELECT  keyword expected, instead found '");
    }
    ParseInsertOptions();
    ParseEndOfStatement();
}

void TDataQuery::ParseUpdate() {
    TExpressionParser& parser = Parser();
    RequestLive = true;
    parser.NextToken(); // UPDATE
    if (!parser.IsWordOrQuoted()) SqlErrorFound(parser, "Table name expected, instead found '");
    int tableCounter = 1;
    int openParentheses = 0;
    TSourceTable& target =
        ParseSourceTable(tableCounter, openParentheses, "Table name expected, instead found '");
    std::string alias;
    if (ReadAlias(parser, alias, {"SET"})) target.SetCorrelationName(ShortString(alias));
    RequireSymbol(parser, "SET", "SET keyword expected, instead found '");
    do {
        ReadUpdateColumn(*UpdateFields.emplace_back(std::make_unique<TUpdateField>(*this)));
        RequireToken(parser, '=', "Assignment (=) operator expected after column name, instead found '");
        ReadUpdateValue(*UpdateValues.emplace_back(std::make_unique<TUpdateValue>(*this)));
    } while (SkipToken(parser, ','));
    if (SkipSymbol(parser, "FROM")) {
        const std::initializer_list<std::string_view> stopWords = {
            "LEFT", "RIGHT", "INNER", "JOIN", "WHERE", "NOAUTOINC", "COMMIT", "NOJOINOPTIMIZE"};
        bool first = true;
        do {
            TSourceTable* source = &target;
            if (first) {
                SkipOpenParentheses(openParentheses);
                if (SkipSymbol(parser, "MEMORY") && !target.InMemory)
                    SqlError(std::string(FirstSourceMismatch));
                std::string name =
                    ReadTableName(parser, "Table name expected after FROM keyword, instead found '");
                if (!SameNameIgnoringCase(ExtractBaseName(ForwardToBackslashes(name), ".DAT"),
                                          target.TableName))
                    SqlError(std::string(FirstSourceMismatch));
                if (ReadAlias(parser, alias, stopWords) &&
                    !SameNameIgnoringCase(alias, target.CorrelationName))
                    SqlError(std::string(FirstSourceMismatch));
                first = false;
            } else {
                source = &ParseSourceTable(tableCounter, openParentheses,
                                           "Table name expected after FROM keyword, instead found '");
                if (ReadAlias(parser, alias, stopWords)) source->SetCorrelationName(ShortString(alias));
            }
            CheckCorrelationNames(*source);
            ParseJoins(tableCounter, openParentheses);
        } while (NextSourceInList());
    }
    ParseWhere();
    ParseUpdateOptions();
    ParseEndOfStatement();
}

void TDataQuery::ParseDelete() {
    TExpressionParser& parser = Parser();
    RequestLive = true;
    parser.NextToken(); // DELETE
    int tableCounter = 1;
    int openParentheses = 0;
    RequireSymbol(parser, "FROM", "FROM keyword expected, instead found '");
    do {
        TSourceTable& source = ParseSourceTable(tableCounter, openParentheses,
                                                "Table name expected after FROM keyword, instead found '");
        std::string alias;
        if (ReadAlias(parser, alias, {"LEFT", "RIGHT", "INNER", "JOIN", "WHERE", "COMMIT", "NOJOINOPTIMIZE"}))
            source.SetCorrelationName(ShortString(alias));
        CheckCorrelationNames(source);
        ParseJoins(tableCounter, openParentheses);
    } while (NextSourceInList());
    ParseWhere();
    ParseDeleteOptions();
    ParseEndOfStatement();
}

} // namespace vorsam
