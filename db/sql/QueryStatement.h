// TQueryStatement: one SQL text given to the engine. It registers with its database, owns the one
// scanner and expression parser that every block of the text shares, the list of query blocks (the
// master first, then one per UNION part, sub-select and INSERT source select, in the order met) and the
// parameter tokens met while parsing, and carries the handlers and results the query component uses.
//
// Use: construct on a database; SetMaxRowCount, SetPasswordHandler; Prepare(text); then, possibly
// repeatedly, SetProgressHandler and Execute. A text may hold several statements separated by ";".
// Execute sets RowsAffected and ExecutionTime afresh, also when it fails: the rows the run left changed
// (StatementRun.cpp), never an earlier run's.
// Parsing alone: ParseText(text) fills the master block (and the blocks it adds) without preparing.
// On a database of a remote session the statement does nothing here: creating it, Prepare, Execute and
// destroying it are requests to the server (RemoteStatement.h), it has no parser and no blocks, and
// parsing raises VORSAM_NOTSUPPORTED.
#pragma once

#include "db/engine/DataDirectory.h"
#include "db/lib/ExpressionHost.h"
#include "db/sql/DataQuery.h"
#include "db/sql/StatementParam.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TDataCursor;
class TExpressionParser;
class TExpToken;
class TRemoteStatement;

// True when a password was supplied.
using TPasswordHandler = std::function<bool()>;
using TProgressHandler = std::function<void(TQueryStatement& statement, uint16_t percent, bool& abort)>;
using TPreparedHandler = std::function<void(TQueryStatement& statement, uint8_t statementType,
                                            bool liveResult, bool cursorResult, bool selectAll)>;
using TStatusHandler = std::function<void(TQueryStatement& statement, uint16_t value)>;

class TQueryStatement : public TDirectoryStatement, public TExpressionHost {
public:
    explicit TQueryStatement(TDataDirectory& database);
    ~TQueryStatement() override;
    TQueryStatement(const TQueryStatement&) = delete;
    TQueryStatement& operator=(const TQueryStatement&) = delete;

    TDataDirectory* Database;
    int32_t RemoteHandle = 0;
    std::unique_ptr<TExpressionParser> Parser;
    TDataQuery* MasterQuery = nullptr; // always Queries.front()
    std::vector<std::unique_ptr<TDataQuery>> Queries;
    std::vector<TExpToken*> Params; // in order of appearance; the trees own them
    TPasswordHandler OnPassword;
    TProgressHandler OnProgress;
    TPreparedHandler OnPrepared;
    TStatusHandler OnStatus;
    uint8_t StatementType = sqlUnknown;
    double ExecutionTime = 0;
    bool RequestLive = false;
    int32_t MaxRowCount = NoRowLimit;
    bool LiveResult = false;
    bool CursorResult = false;
    bool SelectAll = false;
    int32_t RowsAffected = 0;
    std::string ResultDirectoryName;
    TDataDirectory* ResultDirectory = nullptr;
    TDataCursor* ResultCursor = nullptr;

    // ===== Model (QueryStatement.cpp) =====
    // Stores n and copies it to the master block.
    void SetMaxRowCount(int32_t n);
    void SetPasswordHandler(TPasswordHandler handler) { OnPassword = std::move(handler); }
    void SetProgressHandler(TProgressHandler handler) { OnProgress = std::move(handler); }
    // Calls OnProgress when it is set.
    void DoProgress(uint16_t percent, bool& abort);
    // Appends a block; the statement owns it from now on.
    TDataQuery& AddQuery(std::unique_ptr<TDataQuery> query);
    // Frees every block and makes a fresh master block.
    void CreateMasterQuery();
    // Sets the parser up for SQL statements (error code 11949, subject "SQL statement"), loads the text,
    // reads the first token, clears Params and parses the first statement into the master block.
    void ParseText(std::string_view sql);
    // Parses the statement that follows at the parser's position into a fresh master block.
    void ParseNextStatement();
    // True when the parser stands at the end of the text.
    bool AtEndOfText() const;

    // ===== Expression host (QueryStatement.cpp) =====
    void AddParam(TExpToken& parameter) override;
    TExpSubQuery* ParseSubSelect(TExpressionParser& parser) override;
    void AddFunctionSource(TExpToken& call) override;
    // The block whose clauses are being read (function sources go to it).
    TDataQuery* ParsingQuery = nullptr;

    // ===== Runtime (defined by the execution files) =====
    void Prepare(std::string_view sql);
    TDataCursor* Execute(const std::vector<TStatementParam>& params, bool progressWanted);
    void PrepareQueries();
    void ExecuteQueries();
    void SetParams(const std::vector<TStatementParam>& params);
    bool IsRemote() const { return remote_ != nullptr; }

private:
    std::unique_ptr<TRemoteStatement> remote_;
    static void NoteResultOrigins(TDataQuery& query);
};

} // namespace vorsam
