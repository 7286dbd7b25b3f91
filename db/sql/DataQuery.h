// TDataQuery: one query block of a statement: the master block of the text's first keyword, a UNION
// part, a sub-select inside an expression, or the source select of INSERT. It owns what the parser
// reads (result columns, source tables, conditions, ORDER BY and GROUP BY entries, INSERT/UPDATE
// targets and values, column and index definitions, options) and the working state of preparation and
// execution. The statement owns every block; NextUnion, ParentQuery and InsertSourceQuery only point.
//
// Where the operations live:
//   DataQuery.cpp            creation, defaults, Reset, freeing, rights check, progress
//   SqlParser*.cpp           the parser: statement frame and options, SELECT, data changes, definitions,
//                            transactions
//   ClauseCollectors.cpp     reading clause expressions through the expression parser
//   CorrelationWalkers.cpp   which correlation names an expression refers to, join comparisons
//   the runtime's files      preparation, binding and execution (declared below, defined there)
#pragma once

#include "db/lib/ExpressionHost.h"
#include "db/lib/ExpressionTree.h"
#include "db/lib/TextUtils.h"
#include "db/sql/QueryItems.h"
#include "db/sql/SourceTable.h"
#include "db/sql/StatementTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TDataCursor;
class TDataDirectory;
class TExpressionParser;
class TQueryStatement;

// State that the runtime keeps in a block besides the fields below; freed with the block.
class TQueryExtension {
public:
    virtual ~TQueryExtension() = default;
    // Ends the result cursor's use and its table's life together when the table is the extension's to
    // delete; false (the cursor as it was) otherwise. Never raises.
    virtual bool CloseAndDropResult(TDataCursor& /*result*/) noexcept { return false; }
};

inline constexpr int32_t NoRowLimit = -1;
inline constexpr uint16_t DefaultTableBlobBlockSize = 512;
inline constexpr uint8_t NoOrderByIndex = 255;

class TDataQuery : public TExpSubQuery {
public:
    explicit TDataQuery(TQueryStatement& statement);
    ~TDataQuery() override;
    TDataQuery(const TDataQuery&) = delete;
    TDataQuery& operator=(const TDataQuery&) = delete;

    // ===== Clause fields (defaults as Reset sets them) =====
    TQueryStatement* Statement;
    TDataDirectory* ResultDirectory = nullptr;
    bool Executed = false;
    bool SubSelect = false;
    uint8_t StatementType = sqlUnknown; // TStatementType
    bool Parenthesized = false;
    double ExecutionTime = 0;
    bool RequestLive = false;
    int32_t RowsAffected = 0;
    int32_t MaxRowCount = NoRowLimit;
    bool Distinct = false;
    bool MultipleTables = false;
    bool NoJoinOptimize = false;
    bool HasCondition = false;
    bool HasHaving = false;
    bool HavingFilter = false;
    bool HasOrderBy = false;
    bool HasGroupBy = false;
    std::vector<std::unique_ptr<TOrderByField>> OrderByItems;
    bool OrderByNoCase = false;
    std::vector<std::unique_ptr<TGroupByField>> GroupByItems;
    bool LiveResult = false;
    bool CursorResult = false;
    bool IntoMemory = false;
    bool InsertFromSelect = false;
    TDataQuery* InsertSourceQuery = nullptr;
    bool UnionPart = false;
    bool HasUnion = false;
    bool UnionAll = true;
    TDataQuery* NextUnion = nullptr;
    TDataQuery* ParentQuery = nullptr;
    // INTO table, or the table a table or index statement names ("table" or "database\table").
    std::string ResultTableName;
    TDataCursor* ResultCursor = nullptr; // owned unless CursorResult
    bool WithLocks = false;
    TSourceTable* TargetTable = nullptr;
    std::vector<std::unique_ptr<TSourceTable>> SourceTables; // FROM order; a RIGHT JOIN table first
    std::vector<std::unique_ptr<TResultField>> ResultFields;
    std::vector<std::unique_ptr<TUpdateField>> UpdateFields;
    std::vector<std::unique_ptr<TUpdateValue>> UpdateValues; // paired with UpdateFields by position
    std::vector<std::unique_ptr<TCreateField>> CreateFields;
    std::vector<std::unique_ptr<TCreateIndex>> CreateIndexes;
    std::unique_ptr<TCreateIndex> TextIndex;
    TExpTree WhereTree; // WHERE and every JOIN .. ON condition, ANDed in the order read
    // The ON condition of each outer join as read, with the table its JOIN names and its kind
    // (jkLeftOuter, jkRightOuter): the join extraction takes out the terms that test only the preserved
    // side, which decide the match and never whether a preserved row appears.
    struct TOuterOnClause {
        TExpToken* Condition;
        TSourceTable* Joined;
        uint8_t Kind;
    };
    std::vector<TOuterOnClause> OuterOnClauses;
    TExpTree HavingTree;
    bool Encrypted = false;
    std::string Password;
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
    uint16_t BlobBlockSize = DefaultTableBlobBlockSize;
    std::string Description;
    uint16_t UserMajorVersion = 1;
    uint16_t UserMinorVersion = 0;
    int32_t LastAutoInc = -1; // -1 = not given
    bool NoAutoInc = false;
    bool NoBackup = false;
    int32_t CommitInterval = 0;
    bool CommitFlush = false;
    bool EncryptionGiven = false;
    bool LanguageGiven = false;
    bool SortGiven = false;
    bool BlobBlockSizeGiven = false;
    bool DescriptionGiven = false;
    bool UserMajorVersionGiven = false;
    bool UserMinorVersionGiven = false;
    bool CommitIntervalGiven = false;
    bool StopWordsGiven = false;
    int32_t TopCount = -1; // -1 = none
    bool IfExists = false;
    bool IfNotExists = false;
    std::string DropIndexName;
    std::vector<std::string> StopWords;
    TCharSet SpaceChars;
    TCharSet IncludeChars;
    bool SelectAll = false;

    // ===== Working state of preparation and execution (cleared by Reset) =====
    bool AggregateOnly = false;        // aggregates without GROUP BY: treated as grouped
    bool CountStarOnly = false;        // COUNT(*) answered from the record count
    bool HasAvg = false;               // set by the select-list collector
    bool HasExpressionColumns = false; // set by the select-list collector
    bool HasBlobColumns = false;
    bool HasBlobExpression = false;
    bool SortGroupFirstCall = false;
    bool OrderBySatisfied = false;
    bool OrderByIndexed = false;
    uint8_t OrderByIndexNumber = NoOrderByIndex;
    TExpTree RowCondition1;
    bool HasRowCondition1 = false;
    TExpTree RowCondition2;
    bool HasRowCondition2 = false;
    uint32_t LastFilterHandle = 0;
    uint32_t CorrelatedFilterHandle = 0;
    std::vector<std::unique_ptr<TSourceTable>> FunctionSources; // LASTAUTOINC(t), IDENT_CURRENT(t)
    std::unique_ptr<TQueryExtension> Extension;

    // ===== Model (DataQuery.cpp) =====
    // Restores the default of every clause field and the working state; keeps RequestLive,
    // MaxRowCount, Executed, OrderByNoCase, the result, the item lists and the trees.
    void Reset();
    // Closes and frees the result cursor unless CursorResult, then closes the result directory.
    void CloseResult();
    int32_t ProgressStep() const;
    // Asks the session's statement-rights hook for the access of the statement type; types without
    // one ask nothing. False when refused.
    bool CheckRights(const std::string& tableName) const;
    void ReportProgress(uint16_t percent, bool& abort);
    // The statement's parser.
    TExpressionParser& Parser() const;
    bool IsMaster() const;

    // ===== Parser: statement frame and options (SqlParserStatement.cpp, SqlParserOptions.cpp) =====
    void ParseStatement(bool subSelect, bool unionPart, TDataQuery* parent);
    void ParseEndOfStatement();
    void SkipOpenParentheses(int& count);
    void ParseInto();
    void ParseTop();
    void ParseWithLocks();
    void ParseLanguage();
    void ParseEncrypted();
    void ParseNoJoinOptimize();
    void ParseNoAutoInc();
    void ParseCommitInterval();
    void ParseSelectOptions();
    void ParseInsertOptions();
    void ParseUpdateOptions();
    void ParseDeleteOptions();

    // ===== Parser: transactions (SqlParserTransactions.cpp) =====
    void ParseStartTransaction();
    void ParseRollback();
    void ParseCommit();

    // ===== Parser: SELECT (SqlParserSelect.cpp) =====
    void ParseSelect();
    void ParseJoins(int& tableCounter, int& openParentheses);
    void ParseWhere();
    void ParseGroupBy();
    void ParseHaving();
    void ParseOrderBy();
    void ParseUnion();
    // Appends a source read as [MEMORY] name [\ name] after any "(" (counted), numbered by the counter.
    TSourceTable& ParseSourceTable(int& tableCounter, int& openParentheses, std::string_view missingName);
    // A "," after a source: sets MultipleTables and consumes it. False when the list ends.
    bool NextSourceInList();
    // Refuses a correlation name that another source of the block already has (ignoring case).
    void CheckCorrelationNames(const TSourceTable& source) const;
    // Marks an ON condition: every node reached through NOT, AND and OR comes from an ON clause, and
    // each comparison reached whose operands both refer to columns gets the join kind.
    static void MarkJoinCondition(TExpToken& condition, uint8_t joinKind);

    // ===== Parser: data changes (SqlParserChanges.cpp) =====
    void ParseInsert();
    void ParseUpdate();
    void ParseDelete();

    // ===== Parser: table and index definitions (SqlParserDefinitions.cpp) =====
    void ParseCreateTable();
    void ParseCreateIndex();
    void ParseAlterTable();
    void ParseDropTable();
    void ParseDropIndex();
    void ParseIndexOptions(TCreateIndex& index);
    void ParseIndexColumns(TCreateIndex& index);
    void ParseCompress(TCreateIndex& index);
    void ParseTableOptions();
    void ParseAlterTableOptions();
    void ParseTextIndex();
    void ParseDescription();
    void ParseBlobBlockSize();
    void ParseUserVersion();
    void ParseLastAutoInc();
    void ParseNoBackup();
    // Shared pieces of the table statements.
    void ParseIfNotExists();
    void ParseDefinitionTableName(std::string_view missingName);
    void ParseColumnOptions(TCreateField& field, bool alter);
    TCreateIndex& ParsePrimaryKey();

    // ===== Clause collectors (ClauseCollectors.cpp) =====
    void ReadResultColumn(TResultField& item);
    void ReadInsertColumn(TUpdateField& item);
    void ReadInsertValue(TUpdateValue& item);
    void ReadUpdateColumn(TUpdateField& item);
    void ReadUpdateValue(TUpdateValue& item);
    void ReadColumnDefinition(TCreateField& item, bool typeRequired);
    void ReadIndexColumn(TCreateIndex& item);
    int32_t ReadLastAutoIncValue();
    void ReadStopWords(std::string& text);
    void ReadCharacterSet(std::string& text);
    void ReadIndexName(std::string& qualifier, std::string& name);
    // Reads a WHERE (isWhere) or ON condition, ANDs it into WhereTree and returns its own tree.
    TExpToken* ReadCondition(bool isWhere);
    void ReadHaving();

    // ===== Walkers (CorrelationWalkers.cpp) =====
    // The one correlation name the tree's columns refer to (binding the column tokens on the way);
    // true when they refer to more than one.
    bool ExpressionCorrelation(std::string& name, TExpToken& tree);
    bool HasJoinComparison(TExpToken& tree);
    bool HasOuterJoinComparison(TExpToken& tree);
    // The source of a column: by correlation name (ignoring case) and field name; without a
    // correlation name the first source with the field; "*" or an empty name take the first source
    // (with that correlation name). Null when none; fieldNumber is then 0.
    TSourceTable* FindColumnSource(const std::string& correlationName, const std::string& columnName,
                                   uint16_t& fieldNumber) const;

    // ===== Runtime (defined by the preparation and execution files) =====
    void PrepareSelect();
    void ExecuteStatement();
    void AppendUnionResults();
    void SortOrderBy();
    void SetSourceFilter(const TExpToken& condition);

    // ===== Sub-select face for the expression layer =====
    unsigned ResultColumnCount() const override { return static_cast<unsigned>(ResultFields.size()); }
    // Runtime (DataQuerySubSelect.cpp).
    bool BindColumn(TExpToken& subSelect) override;
    void ReadValues(const TEvaluationContext& outer,
                    const std::function<bool(const TExpToken&)>& visit) override;
    TExpMembershipCache* MembershipCache() override;
};

// True when the two names differ; name := the one that is set (empty when neither).
bool MergeCorrelationNames(const std::string& first, const std::string& second, std::string& name);

} // namespace vorsam
