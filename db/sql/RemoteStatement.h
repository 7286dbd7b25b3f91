// TRemoteStatement: a statement (TQueryStatement, QueryStatement.h) on a database of a remote session.
// Nothing of it runs here: its creation, Prepare, Execute and its end are each a request to the server,
// written value by value into the session's request buffer (frames, values and callbacks:
// db/engine/RemoteProtocol.h), and the statement takes what the replies say. The server's version
// decides what travels where (3.06: the SELECT * flag and a live result's own directory; 3.09: parameters
// inside EXECUTESTMT and the result opened at Prepare).
//
// Requests (values sent -> values of the success reply):
//   76 CREATESTMT:    database handle (4) -> statement handle (4)
//   77 PREPARESTMT:   statement handle (4), the text's length (4), the text (its characters, no terminating
//                     zero), request live (1), maximum row count (4: -1 none)
//                     -> the flags: statement type (1: StatementTypes.h), live result (1), cursor result (1),
//                     from 3.06 SELECT * (1); then, from 3.09 and for a SELECT, its result (below)
//   78 SETSTMTPARAMS: (servers before 3.09, before each EXECUTESTMT) statement handle (4), the parameters
//                     -> none
//   79 EXECUTESTMT:   statement handle (4), from 3.09 the parameters, progress wanted (1)
//                     -> execution time (8: a double, seconds), rows affected (4); for a SELECT then, before
//                     3.09, its result, and the result cursor's state (RemoteCursorReply.h; on no record)
//   80 FREESTMT:      statement handle (4) -> none
// Parameters: their count (2, at most 1024), then per parameter a 768-byte field descriptor
// (FieldDescriptor.h: number, type, subtype, declared size, decimals, physical size and decimals, offset
// of its null-indicator byte in a record of all of them, at most 65,535 bytes long), then per parameter
// its value: the null-indicator byte (1: a value) and physical size bytes, the value zero-padded; a
// BLOB's 8 bytes are its length (4) and 4 zero bytes, and its data follows as a value of its own.
// The result of a SELECT: the name of the server's directory that holds it (text; sent only for a live
// result and from 3.06, else "Remote_Query"), its cursor's handle (4), the cursor's settings and the table's
// field descriptors (as in the reply to OPENCURSOR, RemoteCursorReply.h), and for a live result that is
// not SELECT * the result's own layout: a field count (2, at most 1024) and a descriptor each, fields of
// the table or computed ones (laid out behind the record). The client opens that directory (OPENDATABASE
// unless it is open) and a cursor on the result; the result belongs to the statement on the server, which
// drops it when the statement runs again or is freed, so the client never closes the cursor there.
//
// Callbacks while a request is served: 11 asks the statement's password routine (else the session's);
// 12 reports progress to the statement's progress routine, which may abort; 13 tells the type and flags
// of the script's next statement (values as the flags of PREPARESTMT's reply, followed from 3.09 for a
// SELECT by its result, which replaces the client's result once the reply has come); 14 passes a status
// value to the statement's status routine. A callback of kind 13 also means that the statement before
// it ran: after a START TRANSACTION the client's database is in a transaction, after a ROLLBACK or COMMIT
// it is in none. After EXECUTESTMT's reply the database follows the statement that ran last; a lost
// connection ends the database's transaction (DataDirectory.h), and the error of a COMMIT whose reply it
// took (a script's too, once a callback told that its COMMIT runs) says that the COMMIT's outcome is
// unknown, and nothing of a rollback; that of a statement the database is in a transaction for, as the
// callbacks left it, says that the server rolls the transaction back; any other says neither. A request told
// of more statements than its text could hold (one more than its ';') raises VORSAM_UNCOMPRESS.
//
// A transaction lost with its connection (DataSession.h): while one of the session is, a statement is made
// on the server only at its Prepare, and only a text that is one ROLLBACK [WORK] or COMMIT [WORK] [FLUSH]
// as the dialect reads it (ended by one ';' or the text's end) is prepared, here; executed, a ROLLBACK of
// the lost transaction ends it with no request (the server rolled it back), a COMMIT ends it too and is
// refused saying that nothing of it was committed and that it has ended; anything else is refused saying
// the transaction was lost and waits for its end.
//
// Failures: CREATESTMT is made through the session's PerformRequest (made again after a reconnect, with
// the database's new handle); the statement's handle, and its result cursor's, are that connection's, so
// PREPARESTMT, SETSTMTPARAMS and EXECUTESTMT go on it only and never again, and once it is gone during
// one of them raise VORSAM_NOTCONNECTED saying to prepare the statement again (DataSession.h); FREESTMT
// goes once, only on that connection, its failure ignored (the server drops its statements with the
// connection). A statement whose connection went between two requests (nothing of the next one sent; a
// connection the server ended while idle is found so first: DataSession.h) is made and prepared again on
// the connection open now by its next Prepare or Execute, outside a lost transaction. Execute starts with no
// rows and no time: a run that fails reports none. The server's errors are raised as its reply carries them.
// A reply that breaks the rules above, or carries a value they do not ask for, raises VORSAM_UNCOMPRESS, and
// a result whose headers the table files would refuse what they would raise.
#pragma once

#include "db/engine/DataCursor.h"
#include "db/engine/RemoteCursorReply.h"
#include "db/sql/QueryStatement.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TDataSession;
struct TConnectionBinding;

inline constexpr std::string_view RemoteResultDirectory = "Remote_Query";

class TRemoteStatement {
public:
    // CREATESTMT for the statement on its database, which must be a server's.
    explicit TRemoteStatement(TQueryStatement& statement);
    // FREESTMT; the result cursor and its directory are let go.
    ~TRemoteStatement();
    TRemoteStatement(const TRemoteStatement&) = delete;
    TRemoteStatement& operator=(const TRemoteStatement&) = delete;

    void Prepare(std::string_view sql);
    // The result cursor of a SELECT (the statement's until it runs again or goes), else none.
    TDataCursor* Execute(const std::vector<TStatementParam>& params, bool progressWanted);

private:
    struct TResult {
        std::string DirectoryName;
        TRemoteCursorImage Cursor;
        std::vector<TFieldDescriptor> Layout; // empty: the table's
    };

    void Create();
    void PrepareEnding(std::string_view sql);
    TDataCursor* EndLostTransaction(const std::vector<TStatementParam>& params, bool progressWanted);
    TDataCursor* TakeExecuted();
    TRemoteCallbacks Callbacks();
    TConnectionBinding Binding() const;
    // The statement's handle belongs to the connection open now.
    bool OnItsConnection() const;
    bool FromVersion(int32_t version) const;
    void ReadFlags(TRemoteReply& reply);
    std::optional<TResult> ReadResultAtPrepare(TRemoteReply& reply);
    TResult ReadResult(TRemoteReply& reply);
    void TakeStatementCallback(TRemoteReply& reply);
    void OpenResult(TResult result);
    void CloseResult() noexcept;
    void Follow(uint8_t statementType);
    [[noreturn]] void RaiseTransactionLost(const EVORSAMEngineError& error);
    void WriteParams(TRequestBuffer& request, const std::vector<TStatementParam>& params) const;
    void TellPrepared();

    TQueryStatement& statement_;
    TDataSession& session_;
    uint64_t connection_ = 0;   // the connection that gave the handle; 0: none yet
    uint8_t ending_ = 0;        // prepared here: a lost transaction's ROLLBACK or COMMIT
    std::string text_;          // the text of the last Prepare
    bool onServer_ = false;     // the text is prepared on the server, on the statement's connection
    size_t mostStatements_ = 1; // that the text prepared last can hold
    size_t toldStatements_ = 0; // by callbacks while a request is served
    std::unique_ptr<TDataCursor> cursor_;
    std::optional<TResult> toldResult_; // a result a callback told while a request was served
};

} // namespace vorsam
