// What the query component (TVORSAMQuery) needs of a statement of the SQL engine. The SQL engine is a
// library above the engine, so the engine defines this interface and the SQL engine installs a factory of
// statements (db/sql/QueryStatementAdapter.h: InstallSqlStatements) before any query is prepared.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorsam {

class TDataCursor;
class TDataDirectory;

// One parameter value in the engine's native form (db/lib/DataTypes.h): a string with its terminating
// zero and its length as size; a BLOB its bytes (a memo's text with a terminating zero); NULL without bytes.
struct TQueryParamValue {
    uint8_t DataType = 0;
    uint8_t SubType = 0;
    uint16_t Size = 0;
    uint8_t Scale = 0;
    bool IsNull = true;
    std::vector<uint8_t> Value;
};

class TQueryStatementLink {
public:
    virtual ~TQueryStatementLink() = default;

    virtual void SetRequestLive(bool value) = 0;
    virtual void SetMaxRowCount(int32_t value) = 0;
    // Asked when a table needs a password: true when one was supplied.
    virtual void SetPasswordHandler(std::function<bool()> handler) = 0;
    // Told the percentage done; sets the flag to abort.
    virtual void SetProgressHandler(std::function<void(uint16_t percent, bool& abort)> handler) = 0;
    // Parses and prepares the text (statement errors: EVORSAMEngineError 11949).
    virtual void Prepare(const std::string& sql) = 0;
    // Runs the prepared statement with the parameters (by position); the result cursor of a SELECT, which
    // the statement owns (open until the statement goes or runs again), or none.
    virtual TDataCursor* Execute(const std::vector<TQueryParamValue>& params, bool progressWanted) = 0;
    // The result cursor is the source table's own (edits change the table), not a result table.
    virtual bool LiveResult() const = 0;
    virtual int32_t RowsAffected() const = 0;
    virtual double ExecutionTime() const = 0;
    virtual uint8_t StatementType() const = 0;
};

// Makes a statement on the database.
using TQueryStatementFactory = std::function<std::unique_ptr<TQueryStatementLink>(TDataDirectory& database)>;

void SetQueryStatementFactory(TQueryStatementFactory factory);
// The installed factory; empty when none is.
const TQueryStatementFactory& QueryStatementFactory();

} // namespace vorsam
