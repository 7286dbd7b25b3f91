// CREATE TABLE, ALTER TABLE, DROP TABLE, CREATE INDEX and DROP INDEX, with the column options, the
// primary key and index clauses and the table options (TEXT INDEX, DESCRIPTION, BLOB BLOCK SIZE,
// LANGUAGE, ENCRYPTED, USER MAJOR/MINOR VERSION, LAST AUTOINC, NOBACKUP).
#include "db/lib/ExpressionParser.h"
#include "db/lib/TextUtils.h"
#include "db/sql/DataQuery.h"
#include "db/sql/SqlErrors.h"
#include "db/sql/SqlParserTools.h"

#include <cstdint>

namespace vorsam {

namespace {

bool AtPrimaryKeyClause(const TExpressionParser& parser) {
    return IsAnySymbol(
        parser, {"CONSTRAINT", "PRIMARY", "UNIQUE", "ASC", "ASCENDING", "DESC", "DESCENDING", "NOCASE"});
}

uint16_t ReadSmallInteger(TExpressionParser& parser, std::string_view message) {
    return static_cast<uint16_t>(ReadInteger(parser, message, 0, UINT16_MAX));
}

// The text after an option keyword, with its given-flag for ALTER TABLE.
void ReadOptionText(TExpressionParser& parser, std::string& text, bool& given, bool alter) {
    text = ReadConstantText(parser);
    if (alter) given = true;
}

} // namespace

void TDataQuery::ParseIfNotExists() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "IF")) return;
    RequireSymbol(parser, "NOT", "NOT keyword expected after IF keyword, instead found '");
    RequireSymbol(parser, "EXISTS", "EXISTS keyword expected after NOT keyword, instead found '");
    IfNotExists = true;
}

void TDataQuery::ParseDefinitionTableName(std::string_view missingName) {
    TExpressionParser& parser = Parser();
    if (!parser.IsWordOrQuoted()) SqlErrorFound(parser, missingName);
    if (SkipSymbol(parser, "MEMORY")) IntoMemory = true;
    ResultTableName = ShortString(ReadTableName(parser, missingName));
}

void TDataQuery::ParseColumnOptions(TCreateField& field, bool alter) {
    TExpressionParser& parser = Parser();
    if (alter && SkipSymbol(parser, "AT"))
        field.Position = ReadSmallInteger(parser, "Integer value expected after AT keyword, instead found '");
    if (SkipSymbol(parser, "DESCRIPTION"))
        ReadOptionText(parser, field.Description, field.DescriptionGiven, alter);
    if (SkipSymbol(parser, "NOT")) {
        RequireSymbol(parser, "NULL", "NULL keyword expected after NOT keyword, instead found '");
        field.NotNull = true;
        if (alter) field.NotNullGiven = true;
    }
    if (SkipSymbol(parser, "DEFAULT")) ReadOptionText(parser, field.DefaultText, field.DefaultGiven, alter);
    if (SkipSymbol(parser, "MIN") || SkipSymbol(parser, "MINIMUM"))
        ReadOptionText(parser, field.MinimumText, field.MinimumGiven, alter);
    if (SkipSymbol(parser, "MAX") || SkipSymbol(parser, "MAXIMUM"))
        ReadOptionText(parser, field.MaximumText, field.MaximumGiven, alter);
    if (SkipSymbol(parser, "CHARCASE")) {
        // The table file's codes: 1 upper case, 2 lower case.
        if (SkipSymbol(parser, "UPPER"))
            field.CharCase = ccUpper;
        else if (SkipSymbol(parser, "LOWER"))
            field.CharCase = ccLower;
        else if (SkipSymbol(parser, "NOCHANGE"))
            field.CharCase = ccNoChange;
        else
            SqlErrorFound(
                parser, "UPPER, LOWER, or NOCHANGE keyword expected after CHARCASE keyword, instead found '");
        if (alter) field.CharCaseGiven = true;
    }
}

TCreateIndex& TDataQuery::ParsePrimaryKey() {
    TExpressionParser& parser = Parser();
    if (SkipSymbol(parser, "CONSTRAINT")) parser.NextToken(); // the constraint's name is not kept
    TCreateIndex& index = *CreateIndexes.emplace_back(std::make_unique<TCreateIndex>(*this));
    ParseIndexOptions(index);
    RequireSymbol(parser, "PRIMARY", "PRIMARY keyword expected, instead found '");
    RequireSymbol(parser, "KEY", "KEY keyword expected after PRIMARY keyword, instead found '");
    ParseIndexColumns(index);
    ParseCompress(index);
    return index;
}

void TDataQuery::ParseCreateTable() {
    TExpressionParser& parser = Parser();
    parser.NextToken(); // TABLE
    ParseIfNotExists();
    ParseDefinitionTableName("Table name expected after CREATE TABLE keywords, instead found '");
    RequireToken(parser, '(', "Left parentheses expected before list of table columns, instead found '");
    while (!parser.TokenTypeIs(')') && !AtPrimaryKeyClause(parser) &&
           !IsAnySymbol(parser, {"TEXT", "DESCRIPTION", "BLOB", "LANGUAGE", "ENCRYPTED", "USER"})) {
        TCreateField& field = *CreateFields.emplace_back(std::make_unique<TCreateField>(*this));
        ReadColumnDefinition(field, true);
        if (!parser.TokenTypeIs(',')) ParseColumnOptions(field, false);
        if (!SkipToken(parser, ',')) break;
    }
    if (CreateFields.empty())
        SqlErrorFound(parser, "Column name expected in CREATE TABLE statement, instead found '");
    if (AtPrimaryKeyClause(parser)) ParsePrimaryKey();
    ParseTableOptions();
    RequireToken(parser, ')', "Right parentheses expected after CREATE TABLE statement, instead found '");
    ParseEndOfStatement();
}

void TDataQuery::ParseCreateIndex() {
    TExpressionParser& parser = Parser();
    TCreateIndex& index = *CreateIndexes.emplace_back(std::make_unique<TCreateIndex>(*this));
    ParseIndexOptions(index);
    RequireSymbol(parser, "INDEX", "INDEX keyword expected, instead found '");
    ParseIfNotExists();
    // ON is where the name is missing, never the name itself.
    if (parser.IsSymbol("ON"))
        SqlErrorFound(parser, "Index name expected after INDEX keyword, instead found '");
    index.IndexName =
        ShortString(ReadName(parser, "Index name expected after INDEX keyword, instead found '"));
    RequireSymbol(parser, "ON", "ON keyword expected after index name, instead found '");
    ParseDefinitionTableName("Table name expected after ON keyword, instead found '");
    ParseIndexColumns(index);
    ParseCompress(index);
    ParseEndOfStatement();
}

void TDataQuery::ParseIndexOptions(TCreateIndex& index) {
    TExpressionParser& parser = Parser();
    if (SkipSymbol(parser, "UNIQUE")) index.Unique = true;
    if (SkipSymbol(parser, "ASC") || SkipSymbol(parser, "ASCENDING"))
        index.Descending = false;
    else if (SkipSymbol(parser, "DESC") || SkipSymbol(parser, "DESCENDING"))
        index.Descending = true;
    if (SkipSymbol(parser, "NOCASE")) index.NoCase = true;
}

void TDataQuery::ParseIndexColumns(TCreateIndex& index) {
    TExpressionParser& parser = Parser();
    RequireToken(parser, '(', "Left parentheses expected, instead found '");
    do {
        ReadIndexColumn(index);
        TExpToken* last = index.ColumnTokens.get();
        while (last->Left()) last = last->Left();
        if (!last->CorrelationName.empty())
            SqlError("Invalid use of table correlation name '" + last->CorrelationName +
                     "' specified in indexed columns");
    } while (SkipToken(parser, ','));
    RequireToken(parser, ')', "Right parentheses expected, instead found '");
}

void TDataQuery::ParseCompress(TCreateIndex& index) {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "COMPRESS")) return;
    if (parser.IsSymbol("FULL"))
        index.Compression = icFull;
    else if (parser.IsSymbol("DUPBYTE"))
        index.Compression = icDupByte;
    else if (parser.IsSymbol("TRAILBYTE"))
        index.Compression = icTrailByte;
    else if (parser.IsSymbol("NONE"))
        index.Compression = icNone;
    else
        SqlErrorFound(
            parser,
            "FULL, DUPBYTE, TRAILBYTE, or NONE keyword expected after COMPRESS keyword, instead found '");
    parser.NextToken();
}

void TDataQuery::ParseAlterTable() {
    TExpressionParser& parser = Parser();
    parser.NextToken(); // TABLE
    ParseDefinitionTableName("Table name expected after ALTER TABLE keywords, instead found '");
    while (IsAnySymbol(parser, {"ADD", "REDEFINE", "DROP"})) {
        bool add = SkipSymbol(parser, "ADD");
        bool redefine = !add && SkipSymbol(parser, "REDEFINE");
        bool drop = !add && !redefine && SkipSymbol(parser, "DROP");
        if (drop && IsAnySymbol(parser, {"CONSTRAINT", "PRIMARY"})) {
            if (SkipSymbol(parser, "CONSTRAINT")) parser.NextToken();
            CreateIndexes.emplace_back(std::make_unique<TCreateIndex>(*this))->Drop = true;
            RequireSymbol(parser, "PRIMARY", "PRIMARY keyword expected, instead found '");
            RequireSymbol(parser, "KEY", "KEY keyword expected after PRIMARY keyword, instead found '");
        } else if (!drop && AtPrimaryKeyClause(parser)) {
            TCreateIndex& index = ParsePrimaryKey();
            index.Add = add;
            index.Redefine = redefine;
        } else {
            SkipSymbol(parser, "COLUMN");
            TCreateField& field = *CreateFields.emplace_back(std::make_unique<TCreateField>(*this));
            field.Add = add;
            field.Redefine = redefine;
            field.Drop = drop;
            ReadColumnDefinition(field, add);
            // REDEFINE old new [type]: a second name renames the column.
            if (redefine && !parser.TokenText().empty() &&
                !IsAnySymbol(parser, {"AT", "DESCRIPTION", "NOT", "DEFAULT", "MIN", "MINIMUM", "MAX",
                                      "MAXIMUM", "CHARCASE"}) &&
                !parser.TokenTypeIs(';') && !parser.TokenTypeIs(','))
                ReadColumnDefinition(field, false);
            if (!drop && !parser.TokenTypeIs(',')) ParseColumnOptions(field, true);
        }
        if (!SkipToken(parser, ',')) break;
    }
    ParseAlterTableOptions();
    ParseEndOfStatement();
}

void TDataQuery::ParseDropTable() {
    TExpressionParser& parser = Parser();
    parser.NextToken(); // TABLE
    if (SkipSymbol(parser, "IF")) {
        RequireSymbol(parser, "EXISTS", "EXISTS keyword expected after IF keyword, instead found '");
        IfExists = true;
    }
    ParseDefinitionTableName("Table name expected after DROP TABLE keywords, instead found '");
    ParseEndOfStatement();
}

void TDataQuery::ParseDropIndex() {
    TExpressionParser& parser = Parser();
    constexpr std::string_view missingName = "Table name expected after DROP INDEX keywords, instead found '";
    parser.NextToken(); // INDEX
    if (SkipSymbol(parser, "IF")) {
        RequireSymbol(parser, "EXISTS", "EXISTS keyword expected after IF keyword, instead found '");
        IfExists = true;
    }
    if (!parser.IsWordOrQuoted()) SqlErrorFound(parser, missingName);
    if (SkipSymbol(parser, "MEMORY")) IntoMemory = true;
    if (!parser.IsWordOrQuoted()) SqlErrorFound(parser, missingName);
    std::string first = parser.TokenText();
    std::string prefix;
    ReadIndexName(ResultTableName, DropIndexName);
    if (SkipToken(parser, '\\')) {
        if (!parser.IsWordOrQuoted()) SqlErrorFound(parser, missingName);
        prefix = first + "\\";
        ReadIndexName(ResultTableName, DropIndexName);
    }
    ResultTableName = ShortString(prefix + ResultTableName);
    ParseEndOfStatement();
}

void TDataQuery::ParseTableOptions() {
    ParseTextIndex();
    ParseDescription();
    ParseBlobBlockSize();
    ParseLanguage();
    ParseEncrypted();
    ParseUserVersion();
    ParseUserVersion();
    ParseLastAutoInc();
}

void TDataQuery::ParseAlterTableOptions() {
    ParseTableOptions();
    ParseNoBackup();
}

void TDataQuery::ParseTextIndex() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "TEXT")) return;
    RequireSymbol(parser, "INDEX", "INDEX keyword expected after TEXT keyword, instead found '");
    TextIndex = std::make_unique<TCreateIndex>(*this);
    RequireToken(parser, '(', "Left parentheses expected after TEXTINDEX keyword, instead found '");
    do ReadIndexColumn(*TextIndex);
    while (SkipToken(parser, ','));
    RequireToken(parser, ')', "Right parentheses expected after TEXT INDEX clause, instead found '");
    std::string text;
    if (SkipSymbol(parser, "STOP")) {
        RequireSymbol(parser, "WORDS", "WORDS keyword expected after STOP keyword, instead found '");
        ReadStopWords(text);
        SplitAtBlanks(text, StopWords);
        StopWordsGiven = true;
    }
    if (SkipSymbol(parser, "SPACE")) {
        RequireSymbol(parser, "CHARS", "CHARS keyword expected after SPACE keyword, instead found '");
        ReadCharacterSet(text);
        SpaceChars = StrToCharSet(text);
    }
    if (SkipSymbol(parser, "INCLUDE")) {
        RequireSymbol(parser, "CHARS", "CHARS keyword expected after INCLUDE keyword, instead found '");
        ReadCharacterSet(text);
        IncludeChars = StrToCharSet(text);
    }
}

void TDataQuery::ParseDescription() {
    if (!SkipSymbol(Parser(), "DESCRIPTION")) return;
    Description = ReadConstantText(Parser());
    DescriptionGiven = true;
}

void TDataQuery::ParseBlobBlockSize() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "BLOB")) return;
    RequireSymbol(parser, "BLOCK", "BLOCK keyword expected after BLOB keyword, instead found '");
    RequireSymbol(parser, "SIZE", "SIZE keyword expected after BLOCK keyword, instead found '");
    BlobBlockSize = ReadSmallInteger(parser, "Integer value expected after SIZE keyword, instead found '");
    BlobBlockSizeGiven = true;
}

void TDataQuery::ParseUserVersion() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "USER")) return;
    constexpr std::string_view integerMessage =
        "Integer value expected after VERSION keyword, instead found '";
    if (SkipSymbol(parser, "MAJOR")) {
        RequireSymbol(parser, "VERSION", "VERSION keyword expected after MAJOR keyword, instead found '");
        UserMajorVersion = ReadSmallInteger(parser, integerMessage);
        UserMajorVersionGiven = true;
    } else if (SkipSymbol(parser, "MINOR")) {
        RequireSymbol(parser, "VERSION", "VERSION keyword expected after MINOR keyword, instead found '");
        UserMinorVersion = ReadSmallInteger(parser, integerMessage);
        UserMinorVersionGiven = true;
    } else {
        SqlErrorFound(parser, "MAJOR or MINOR keyword expected after USER keyword, instead found '");
    }
}

void TDataQuery::ParseLastAutoInc() {
    TExpressionParser& parser = Parser();
    if (!SkipSymbol(parser, "LAST")) return;
    RequireSymbol(parser, "AUTOINC", "AUTOINC keyword expected after LAST keyword, instead found '");
    LastAutoInc = ReadLastAutoIncValue();
}

void TDataQuery::ParseNoBackup() {
    if (SkipSymbol(Parser(), "NOBACKUP")) NoBackup = true;
}

} // namespace vorsam
