// The frame every statement shares: the first keywords select the statement type and its clause
// parser; a statement ends at ";" (a further statement may follow) or at the end of the text.
#include "db/lib/ExpressionParser.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/SqlParserTools.h"

namespace vorsam {

namespace {

// The statement type of the first keywords. CREATE, ALTER, DROP and START are consumed; the word that
// decides the type stays current for the clause parser.
uint8_t ReadStatementType(TExpressionParser& parser) {
    if (parser.IsSymbol("SELECT")) return sqlSelect;
    if (parser.IsSymbol("INSERT")) return sqlInsert;
    if (parser.IsSymbol("UPDATE")) return sqlUpdate;
    if (parser.IsSymbol("DELETE")) return sqlDelete;
    if (parser.IsSymbol("ROLLBACK")) return sqlRollback;
    if (parser.IsSymbol("COMMIT")) return sqlCommit;
    if (SkipSymbol(parser, "CREATE")) {
        if (parser.IsSymbol("TABLE")) return sqlCreateTable;
        if (IsAnySymbol(parser, {"INDEX", "UNIQUE", "ASC", "ASCENDING", "DESC", "DESCENDING", "NOCASE"}))
            return sqlCreateIndex;
        SqlErrorFound(parser, "TABLE, INDEX, UNIQUE, ASC, ASCENDING, DESC, DESCENDING, or NOCASE keyword "
                              "expected, instead found '");
    }
    if (SkipSymbol(parser, "ALTER")) {
        if (parser.IsSymbol("TABLE")) return sqlAlterTable;
        SqlErrorFound(parser, "TABLE keyword expected, instead found '");
    }
    if (SkipSymbol(parser, "DROP")) {
        if (parser.IsSymbol("TABLE")) return sqlDropTable;
        if (parser.IsSymbol("INDEX")) return sqlDropIndex;
        SqlErrorFound(parser, "TABLE or INDEX keyword expected, instead found '");
    }
    if (SkipSymbol(parser, "START")) {
        if (parser.IsSymbol("TRANSACTION")) return sqlStartTransaction;
        SqlErrorFound(parser, "TRANSACTION keyword expected, instead found '");
    }
    SqlErrorFound(parser,
                  "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER, or DROP keyword expected, instead found '");
}

// Keeps the statement's note of the block whose clauses are read (sub-selects nest).
class TParsingScope {
public:
    TParsingScope(TQueryStatement& statement, TDataQuery* query)
        : statement_(statement), previous_(statement.ParsingQuery) {
        statement.ParsingQuery = query;
    }
    ~TParsingScope() { statement_.ParsingQuery = previous_; }
    TParsingScope(const TParsingScope&) = delete;
    TParsingScope& operator=(const TParsingScope&) = delete;

private:
    TQueryStatement& statement_;
    TDataQuery* previous_;
};

} // namespace

void TDataQuery::ParseStatement(bool subSelect, bool unionPart, TDataQuery* parent) {
    if (Executed) return;
    Reset();
    SubSelect = subSelect;
    UnionPart = unionPart;
    ParentQuery = parent;
    TParsingScope scope(*Statement, this);
    TExpressionParser& parser = Parser();
    if (SkipToken(parser, '(')) {
        Parenthesized = true;
        if (!parser.IsSymbol("SELECT")) SqlErrorFound(parser, "SELECT keyword expected, instead found '");
        StatementType = sqlSelect;
    } else {
        StatementType = ReadStatementType(parser);
    }
    switch (StatementType) {
    case sqlSelect:
        ParseSelect();
        break;
    case sqlInsert:
        ParseInsert();
        break;
    case sqlUpdate:
        ParseUpdate();
        break;
    case sqlDelete:
        ParseDelete();
        break;
    case sqlCreateTable:
        ParseCreateTable();
        break;
    case sqlAlterTable:
        ParseAlterTable();
        break;
    case sqlDropTable:
        ParseDropTable();
        break;
    case sqlCreateIndex:
        ParseCreateIndex();
        break;
    case sqlDropIndex:
        ParseDropIndex();
        break;
    case sqlStartTransaction:
        ParseStartTransaction();
        break;
    case sqlRollback:
        ParseRollback();
        break;
    case sqlCommit:
        ParseCommit();
        break;
    default:
        break;
    }
}

void TDataQuery::ParseEndOfStatement() {
    TExpressionParser& parser = Parser();
    if (SkipToken(parser, ';') || parser.TokenTypeIs(tkEnd)) return;
    SqlErrorFound(parser, "End of " + std::string(StatementTypeName(StatementType)) +
                              " statement expected, instead found '");
}

void TDataQuery::SkipOpenParentheses(int& count) {
    while (SkipToken(Parser(), '(')) ++count;
}

// ---- Transactions ----

void TDataQuery::ParseStartTransaction() {
    Parser().NextToken(); // TRANSACTION
    ParseEndOfStatement();
}

void TDataQuery::ParseRollback() {
    TExpressionParser& parser = Parser();
    parser.NextToken(); // ROLLBACK
    SkipSymbol(parser, "WORK");
    ParseEndOfStatement();
}

void TDataQuery::ParseCommit() {
    TExpressionParser& parser = Parser();
    parser.NextToken(); // COMMIT
    SkipSymbol(parser, "WORK");
    if (SkipSymbol(parser, "FLUSH")) CommitFlush = true;
    ParseEndOfStatement();
}

} // namespace vorsam
