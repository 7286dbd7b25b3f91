#include "db/sql/DataQuery.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/sql/QueryStatement.h"

namespace vorsam {

TDataQuery::TDataQuery(TQueryStatement& statement) : Statement(&statement) {}

TDataQuery::~TDataQuery() {
    StopWords.clear();
    // A join drops its filter on its target's cursor: every join goes before any table.
    for (auto& source : SourceTables) source->ClearJoins();
    SourceTables.clear();
    FunctionSources.clear();
    CloseResult();
}

void TDataQuery::Reset() {
    SubSelect = false;
    StatementType = sqlUnknown;
    Parenthesized = false;
    ExecutionTime = 0;
    RowsAffected = 0;
    Distinct = MultipleTables = NoJoinOptimize = HasCondition = false;
    HasHaving = HavingFilter = HasOrderBy = HasGroupBy = false;
    LiveResult = CursorResult = IntoMemory = InsertFromSelect = false;
    InsertSourceQuery = nullptr;
    UnionPart = HasUnion = false;
    UnionAll = true;
    NextUnion = ParentQuery = nullptr;
    ResultTableName.clear();
    WithLocks = false;
    TargetTable = nullptr;
    Encrypted = false;
    Password.clear();
    LanguageId = SortId = 0;
    BlobBlockSize = DefaultTableBlobBlockSize;
    Description.clear();
    UserMajorVersion = 1;
    UserMinorVersion = 0;
    LastAutoInc = -1;
    NoAutoInc = NoBackup = false;
    CommitInterval = 0;
    CommitFlush = false;
    EncryptionGiven = LanguageGiven = SortGiven = BlobBlockSizeGiven = DescriptionGiven = false;
    UserMajorVersionGiven = UserMinorVersionGiven = CommitIntervalGiven = StopWordsGiven = false;
    TopCount = -1;
    IfExists = IfNotExists = false;
    DropIndexName.clear();
    StopWords.clear();
    SpaceChars.reset();
    IncludeChars.reset();
    SelectAll = false;

    AggregateOnly = CountStarOnly = HasAvg = HasExpressionColumns = false;
    HasBlobColumns = HasBlobExpression = SortGroupFirstCall = false;
    OrderBySatisfied = OrderByIndexed = false;
    OrderByIndexNumber = NoOrderByIndex;
    HasRowCondition1 = HasRowCondition2 = false;
    LastFilterHandle = CorrelatedFilterHandle = 0;
}

void TDataQuery::CloseResult() {
    if (ResultCursor && !CursorResult) {
        if (Extension) Extension->CloseAndDropResult(*ResultCursor);
        delete ResultCursor;
    }
    ResultCursor = nullptr;
    if (ResultDirectory) {
        TDataDirectory* directory = ResultDirectory;
        ResultDirectory = nullptr;
        directory->Session().CloseDataDirectory(*directory);
    }
}

int32_t TDataQuery::ProgressStep() const {
    return Statement->Database->Session().GetProgressStep();
}

bool TDataQuery::CheckRights(const std::string& tableName) const {
    TStatementAccess access;
    switch (StatementType) {
    case sqlSelect:
    case sqlCreateTable:
    case sqlCreateIndex:
        access = saSelect;
        break;
    case sqlInsert:
        access = saInsert;
        break;
    case sqlUpdate:
        access = saUpdate;
        break;
    case sqlDelete:
        access = saDelete;
        break;
    case sqlAlterTable:
        access = saAlter;
        break;
    case sqlDropTable:
    case sqlDropIndex:
        access = saDrop;
        break;
    default:
        return true;
    }
    return Statement->Database->Session().DoCheckStatementRights(*Statement->Database, access, tableName);
}

void TDataQuery::ReportProgress(uint16_t percent, bool& abort) {
    Statement->DoProgress(percent, abort);
}

TExpressionParser& TDataQuery::Parser() const {
    return *Statement->Parser;
}

bool TDataQuery::IsMaster() const {
    return Statement->MasterQuery == this;
}

} // namespace vorsam
