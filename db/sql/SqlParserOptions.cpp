// The option clauses several statements share (INTO, TOP, WITH LOCKS, LANGUAGE .. SORT, ENCRYPTED WITH,
// NOJOINOPTIMIZE, NOAUTOINC, COMMIT INTERVAL .. FLUSH) and the option tails that end SELECT, INSERT,
// UPDATE and DELETE, each element optional and in a fixed order.
#include "db/engine/LanguageNames.h"
#include "db/lib/Collation.h"
#include "db/lib/ExpressionParser.h"
#include "db/sql/DataQuery.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/SqlParserTools.h"

#include <cstdint>
#include <limits>

namespace vorsam {

void TDataQuery::ParseInto() {
    TExpressionParser& parser = Parser();
    if (!parser.IsSymbol("INTO")) return;
    if (!IsMaster()) SqlError("The INTO clause can only be used with the master query");
    parser.NextToken();
    if (SkipSymbol(parser, "MEMORY")) {
        IntoMemory = true;
        ResultTableName.clear();
        // The name is optional: FROM right after MEMORY starts the FROM clause.
        if (parser.IsWordOrQuoted() && !parser.IsSymbol("FROM"))
            ResultTableName = ShortString(ReadName(parser, ""));
        return;
    }
    ResultTableName =
        ShortString(ReadTableName(parser, "Result table name expected in INTO clause, instead found '"));
}

void TDataQuery::ParseTop() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "TOP")) return;
    TopCount =
        static_cast<int32_t>(ReadInteger(parser, "Integer value expected after TOP keyword, instead found '",
                                         0, std::numeric_limits<int32_t>::max()));
}

void TDataQuery::ParseWithLocks() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "WITH")) return;
    RequireSymbol(parser, "LOCKS", "LOCKS keyword expected after WITH keyword, instead found '");
    WithLocks = true;
}

void TDataQuery::ParseLanguage() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "LANGUAGE")) return;
    std::string language = ReadConstantText(parser);
    if (!IsValidLanguageName(language))
        SqlError("Invalid language constant '" + language + "' specified after LANGUAGE keyword");
    LanguageId = GetLanguageIdByName(language);
    LanguageGiven = true;
    if (!SkipSymbol(parser, "SORT")) return;
    std::string sort = ReadConstantText(parser);
    if (!IsValidSortName(LanguageId, sort))
        SqlError("Invalid sort constant '" + sort + "' specified after SORT keyword");
    SortId = GetSortIdByName(LanguageId, sort);
    SortGiven = true;
}

void TDataQuery::ParseEncrypted() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "ENCRYPTED")) return;
    RequireSymbol(parser, "WITH", "WITH keyword expected after ENCRYPTED keyword, instead found '");
    Password = ReadConstantText(parser);
    Encrypted = !Password.empty();
    EncryptionGiven = true;
}

void TDataQuery::ParseNoJoinOptimize() {
    if (SkipSymbol(Parser(), "NOJOINOPTIMIZE")) NoJoinOptimize = true;
}

void TDataQuery::ParseNoAutoInc() {
    if (SkipSymbol(Parser(), "NOAUTOINC")) NoAutoInc = true;
}

void TDataQuery::ParseCommitInterval() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "COMMIT")) return;
    bool interval = SkipSymbol(parser, "INTERVAL");
    if (interval) {
        if (parser.TokenTypeIs(tkInteger) && parser.TokenText().find_first_not_of('0') == std::string::npos)
            SqlErrorFound(parser,
                          "Integer value greater than 0 expected after INTERVAL keyword, instead found '");
        CommitInterval = static_cast<int32_t>(
            ReadInteger(parser, "Integer value expected after INTERVAL keyword, instead found '", 1,
                        std::numeric_limits<int32_t>::max()));
        CommitIntervalGiven = true;
    }
    if (SkipSymbol(parser, "FLUSH")) {
        CommitFlush = true;
    } else if (!interval) {
        SqlErrorFound(parser,
                      "INTERVAL and/or FLUSH keywords expected after COMMIT keyword, instead found '");
    }
}

void TDataQuery::ParseSelectOptions() {
    ParseTop();
    ParseWithLocks();
    ParseLanguage();
    ParseEncrypted();
    ParseNoJoinOptimize();
}

void TDataQuery::ParseInsertOptions() {
    ParseNoAutoInc();
    ParseCommitInterval();
}

void TDataQuery::ParseUpdateOptions() {
    ParseNoAutoInc();
    ParseCommitInterval();
    ParseNoJoinOptimize();
}

void TDataQuery::ParseDeleteOptions() {
    ParseCommitInterval();
    ParseNoJoinOptimize();
}

} // namespace vorsam
