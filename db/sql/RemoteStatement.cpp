#include "db/sql/RemoteStatement.h"

#include "db/engine/DataSession.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionParser.h"
#include "db/sql/SqlParserTools.h"
#include "db/sql/StatementTypes.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

namespace {

constexpr size_t MaxParams = 1024;
constexpr uint32_t MaxParamRecord = UINT16_MAX;

[[noreturn]] void RaiseBadParams(const std::string& what) {
    RaiseEngineError(VORSAM_INVALIDPARAM, "statement parameters: " + what);
}

// The parameter's descriptor, at `offset` in the record of all parameters.
TFieldDescriptor ParamDescriptor(const TStatementParam& param, uint16_t number, uint32_t offset) {
    TFieldDescriptor field;
    field.SetFieldNumber(number);
    field.SetDataType(param.DataType);
    field.SetSubType(param.SubType);
    if (param.DataType == dtString || param.DataType == dtBytes || param.DataType == dtVarBytes)
        field.SetDeclaredSize(uint8_t(std::min<uint16_t>(param.Size, MaxDeclaredSize)));
    if (param.DataType == dtBcd) field.SetDecimals(param.Scale);
    GetFieldPhysicalSize(field);
    GetFieldPhysicalDecimals(field);
    field.SetOffset(uint16_t(offset));
    return field;
}

// The null-indicator byte and the value's physical size bytes.
std::vector<uint8_t> ParamValue(const TStatementParam& param, const TFieldDescriptor& field) {
    std::vector<uint8_t> value(1u + field.PhysicalSize(), 0);
    value[0] = param.IsNull ? 0 : 1;
    if (param.IsNull) return value;
    if (param.DataType == dtBlob)
        StoreLE32(&value[1], uint32_t(param.Value.size()));
    else
        std::copy_n(param.Value.begin(), std::min<size_t>(param.Value.size(), field.PhysicalSize()),
                    value.begin() + 1);
    return value;
}

// The statement type of a text that is one ROLLBACK [WORK] or COMMIT [WORK] [FLUSH], read by the dialect's
// own scanner and ended by one ';' or the end of the text, which ends a lost transaction without the
// server; 0 for any other text (also one the dialect would refuse, or one with a zero byte, which would
// end it early here).
uint8_t TransactionEnding(std::string_view sql) {
    if (sql.find('\0') != std::string_view::npos) return 0;
    try {
        TExpressionParser parser;
        parser.SetText(sql);
        parser.NextToken();
        const uint8_t type = parser.IsSymbol("ROLLBACK") ? sqlRollback
                             : parser.IsSymbol("COMMIT") ? sqlCommit
                                                         : 0;
        if (type == 0) return 0;
        parser.NextToken();
        SkipSymbol(parser, "WORK");
        if (type == sqlCommit) SkipSymbol(parser, "FLUSH");
        SkipToken(parser, ';');
        return parser.TokenTypeIs(tkEnd) ? type : 0;
    } catch (const EVORSAMEngineError&) {
        return 0; // a text the scanner refuses
    }
}

} // namespace

TRemoteStatement::TRemoteStatement(TQueryStatement& statement)
    : statement_(statement), session_(statement.Database->Session()) {
    if (!session_.LostTransaction()) Create();
}

void TRemoteStatement::Create() {
    TDataDirectory& database = *statement_.Database;
    session_.PerformRequest([&] {
        session_.BeginRequest(rqCreateStatement);
        session_.Request().WriteU32(database.RemoteHandle());
    });
    int32_t handle = session_.Reply().ReadI32();
    session_.Reply().RequireEnd();
    statement_.RemoteHandle = handle;
    connection_ = session_.ConnectionNumber();
}

TRemoteStatement::~TRemoteStatement() {
    session_.LetGoOnServer(Binding(), [&] {
        session_.BeginRequest(rqFreeStatement);
        session_.Request().WriteI32(statement_.RemoteHandle);
    });
    CloseResult();
    if (statement_.ResultDirectory) {
        try {
            session_.CloseDataDirectory(*statement_.ResultDirectory);
        } catch (...) {
            // the server drops the database with the connection at the latest
        }
        statement_.ResultDirectory = nullptr;
    }
}

bool TRemoteStatement::FromVersion(int32_t version) const {
    return session_.ServerVersion() >= version;
}

TConnectionBinding TRemoteStatement::Binding() const {
    return {connection_, "prepare the statement again", {}};
}

bool TRemoteStatement::OnItsConnection() const {
    return connection_ != 0 && session_.IsConnected() && session_.ConnectionNumber() == connection_;
}

TRemoteCallbacks TRemoteStatement::Callbacks() {
    toldStatements_ = 0;
    TRemoteCallbacks callbacks;
    callbacks.Password = statement_.OnPassword;
    callbacks.Progress = [this](uint16_t percent, bool& abort) { statement_.DoProgress(percent, abort); };
    callbacks.StatementType = [this](TRemoteReply& reply) { TakeStatementCallback(reply); };
    callbacks.Status = [this](uint16_t value) {
        if (statement_.OnStatus) statement_.OnStatus(statement_, value);
    };
    return callbacks;
}

void TRemoteStatement::ReadFlags(TRemoteReply& reply) {
    uint8_t type = reply.ReadU8();
    if (type > sqlCommit) reply.Damaged("statement type " + std::to_string(type));
    statement_.StatementType = type;
    statement_.LiveResult = reply.ReadFlag();
    statement_.CursorResult = reply.ReadFlag();
    statement_.SelectAll = FromVersion(ServerVersion306) && reply.ReadFlag();
}

TRemoteStatement::TResult TRemoteStatement::ReadResult(TRemoteReply& reply) {
    TResult result;
    result.DirectoryName = statement_.LiveResult && FromVersion(ServerVersion306)
                               ? reply.ReadText()
                               : std::string(RemoteResultDirectory);
    if (result.DirectoryName.empty()) reply.Damaged("a result without a directory");
    result.Cursor.CursorHandle = reply.ReadU32();
    result.Cursor.Connection = connection_;
    result.Cursor.Settings = ReadCursorSettings(reply, result.DirectoryName);
    result.Cursor.Fields = ReadFieldDescs(reply, result.Cursor.Settings.DataHeader, result.DirectoryName);
    if (statement_.LiveResult && !statement_.SelectAll) {
        uint16_t count = reply.ReadU16();
        if (count == 0 || count > MaxFieldCount)
            reply.Damaged("a result of " + std::to_string(count) + " fields");
        for (uint16_t i = 0; i < count; ++i) reply.ReadExact(result.Layout.emplace_back().Bytes);
    }
    return result;
}

std::optional<TRemoteStatement::TResult> TRemoteStatement::ReadResultAtPrepare(TRemoteReply& reply) {
    if (!FromVersion(ServerVersion309) || statement_.StatementType != sqlSelect) return std::nullopt;
    return ReadResult(reply);
}

void TRemoteStatement::TellPrepared() {
    if (statement_.OnPrepared)
        statement_.OnPrepared(statement_, statement_.StatementType, statement_.LiveResult,
                              statement_.CursorResult, statement_.SelectAll);
}

void TRemoteStatement::TakeStatementCallback(TRemoteReply& reply) {
    if (++toldStatements_ > mostStatements_) reply.Damaged("more statements than the text holds");
    uint8_t ran = statement_.StatementType;
    ReadFlags(reply);
    std::optional<TResult> result = ReadResultAtPrepare(reply);
    reply.RequireEnd();
    if (result) toldResult_ = std::move(result);
    Follow(ran);
    TellPrepared();
}

void TRemoteStatement::Follow(uint8_t statementType) {
    if (statementType == sqlStartTransaction) statement_.Database->FollowServerTransaction(true);
    if (statementType == sqlRollback || statementType == sqlCommit)
        statement_.Database->FollowServerTransaction(false);
}

void TRemoteStatement::Prepare(std::string_view sql) {
    if (sql.size() > MaxFrameBody)
        RaiseEngineError(VORSAM_INVALIDPARAM, "a statement text larger than 64 MiB");
    mostStatements_ = size_t(std::count(sql.begin(), sql.end(), ';')) + 1;
    ending_ = 0;
    onServer_ = false;
    text_ = sql;
    session_.NoticeServerEnd();
    if (session_.LostTransaction()) return PrepareEnding(sql);
    if (!OnItsConnection()) {
        CloseResult(); // of the connection that went
        Create();
    }
    TRemoteCallbacks callbacks = Callbacks();
    toldResult_.reset();
    session_.PerformRequest(
        Binding(),
        [&] {
            session_.BeginRequest(rqPrepareStatement);
            TRequestBuffer& request = session_.Request();
            request.WriteI32(statement_.RemoteHandle);
            request.WriteU32(uint32_t(sql.size()));
            request.WriteValue(sql.data(), uint32_t(sql.size()));
            request.WriteU8(statement_.RequestLive);
            request.WriteI32(statement_.MaxRowCount);
        },
        &callbacks);
    TRemoteReply& reply = session_.Reply();
    ReadFlags(reply);
    std::optional<TResult> result = ReadResultAtPrepare(reply);
    reply.RequireEnd();
    if (result) OpenResult(std::move(*result));
    onServer_ = true;
    TellPrepared();
}

// While a transaction is lost only its end is prepared, here: a text that is one ROLLBACK or COMMIT.
void TRemoteStatement::PrepareEnding(std::string_view sql) {
    ending_ = TransactionEnding(sql);
    if (ending_ == 0) session_.RefuseLostTransaction();
    CloseResult();
    statement_.StatementType = ending_;
    statement_.LiveResult = statement_.CursorResult = statement_.SelectAll = false;
    TellPrepared();
}

// A ROLLBACK of the database's lost transaction ends it here (the server rolled it back); a COMMIT ends it
// too, refused saying so; anything else is refused while a transaction of the session is lost. A ROLLBACK
// or COMMIT prepared here meanwhile, run when none is lost any more, is prepared on the server first.
TDataCursor* TRemoteStatement::EndLostTransaction(const std::vector<TStatementParam>& params,
                                                  bool progressWanted) {
    TDataDirectory& database = *statement_.Database;
    const uint8_t type = statement_.StatementType;
    if (!session_.LostTransaction() && ending_ != 0) {
        Prepare(std::string(text_));
        return Execute(params, progressWanted);
    }
    if (!database.TransactionLost() || (type != sqlRollback && type != sqlCommit))
        session_.RefuseLostTransaction();
    database.FollowServerTransaction(false);
    statement_.RowsAffected = 0;
    statement_.ExecutionTime = 0;
    if (type == sqlCommit) session_.RaiseTransactionLost(database, nullptr, true);
    return nullptr;
}

TDataCursor* TRemoteStatement::Execute(const std::vector<TStatementParam>& params, bool progressWanted) {
    if (params.size() > MaxParams) RaiseBadParams(std::to_string(params.size()) + " parameters");
    statement_.RowsAffected = 0;
    statement_.ExecutionTime = 0;
    session_.NoticeServerEnd();
    if (ending_ != 0 || session_.LostTransaction()) return EndLostTransaction(params, progressWanted);
    // Its connection went since it was prepared, before this run sent anything: prepared again.
    if (onServer_ && !OnItsConnection()) Prepare(std::string(text_));
    TRemoteCallbacks callbacks = Callbacks();
    bool inlineParams = FromVersion(ServerVersion309);
    if (!inlineParams) {
        session_.PerformRequest(
            Binding(),
            [&] {
                session_.BeginRequest(rqSetStatementParams);
                session_.Request().WriteI32(statement_.RemoteHandle);
                WriteParams(session_.Request(), params);
            },
            &callbacks);
        session_.Reply().RequireEnd();
    }
    toldResult_.reset();
    TConnectionBinding binding = Binding();
    // The statement running when the connection goes: a script's callbacks tell which.
    binding.EndsTransaction = [this] {
        return statement_.StatementType == sqlCommit || statement_.StatementType == sqlRollback;
    };
    try {
        session_.PerformRequest(
            binding,
            [&] {
                session_.BeginRequest(rqExecuteStatement);
                TRequestBuffer& request = session_.Request();
                request.WriteI32(statement_.RemoteHandle);
                if (inlineParams) WriteParams(request, params);
                request.WriteU8(progressWanted);
            },
            &callbacks);
        return TakeExecuted();
    } catch (const EVORSAMEngineError& e) {
        if (session_.IsConnected() && session_.ConnectionNumber() == connection_) throw;
        // The connection went with the request or its damaged reply, the database in the transaction the
        // statements that ran left (a script's callbacks tell): a transaction's end ends it either way.
        const uint8_t type = statement_.StatementType;
        const bool inTransaction = statement_.Database->InTransaction();
        if (type == sqlCommit || type == sqlRollback) statement_.Database->FollowServerTransaction(false);
        if (inTransaction || type == sqlCommit) RaiseTransactionLost(e);
        throw;
    }
}

// EXECUTESTMT's reply: its values, the result of a SELECT, the transaction the statement moved.
TDataCursor* TRemoteStatement::TakeExecuted() {
    TRemoteReply& reply = session_.Reply();
    std::array<uint8_t, sizeof(double)> time;
    reply.ReadExact(time);
    int32_t rows = reply.ReadI32();
    const bool inlineParams = FromVersion(ServerVersion309);
    bool select = statement_.StatementType == sqlSelect;
    std::optional<TResult> result = std::move(toldResult_);
    toldResult_.reset();
    TRemoteCursorState state;
    if (select) {
        if (!inlineParams) result = ReadResult(reply);
        state = ReadCursorState(reply);
    }
    reply.RequireEnd();
    if (result) OpenResult(std::move(*result));
    if (select && !cursor_) reply.Damaged("a SELECT without its result");
    if (select) cursor_->TakeServerState(state);
    Follow(statement_.StatementType);
    std::memcpy(&statement_.ExecutionTime, time.data(), sizeof(double));
    statement_.RowsAffected = rows;
    return select ? cursor_.get() : nullptr;
}

// The connection went with the server's transaction: a COMMIT under way may or may not have been
// carried out, anything else is rolled back by the server.
void TRemoteStatement::RaiseTransactionLost(const EVORSAMEngineError& error) {
    TErrorContext context = error.Context();
    context.ExtraText =
        (statement_.StatementType == sqlCommit
             ? "the connection was lost before the reply: the outcome of the COMMIT is unknown; "
             : "the connection was lost: the server rolls the transaction back; ") +
        context.ExtraText;
    RaiseEngineError(error.ErrorCode, context);
}

void TRemoteStatement::OpenResult(TResult result) {
    CloseResult();
    TDataDirectory* directory = statement_.ResultDirectory;
    if (!directory || statement_.ResultDirectoryName != result.DirectoryName) {
        directory = &session_.OpenDataDirectory(result.DirectoryName, "");
        if (statement_.ResultDirectory) session_.CloseDataDirectory(*statement_.ResultDirectory);
        statement_.ResultDirectory = directory;
        statement_.ResultDirectoryName = result.DirectoryName;
    }
    auto cursor = std::make_unique<TDataCursor>(*directory);
    cursor->SetTableName(result.DirectoryName);
    cursor->SetQueryCursor(true);
    cursor->SetSourceCursor(statement_.CursorResult);
    cursor->OpenServerResult(std::move(result.Cursor));
    if (!result.Layout.empty()) cursor->SetFieldDescs(std::move(result.Layout));
    cursor_ = std::move(cursor);
    statement_.ResultCursor = cursor_.get();
}

void TRemoteStatement::CloseResult() noexcept {
    statement_.ResultCursor = nullptr;
    cursor_.reset();
}

void TRemoteStatement::WriteParams(TRequestBuffer& request,
                                   const std::vector<TStatementParam>& params) const {
    std::vector<TFieldDescriptor> fields;
    uint32_t offset = 0;
    for (const TStatementParam& param : params) {
        fields.push_back(ParamDescriptor(param, uint16_t(fields.size() + 1), offset));
        offset += 1u + fields.back().PhysicalSize();
        if (offset > MaxParamRecord) RaiseBadParams("a record of more than 65,535 bytes");
    }
    request.WriteU16(uint16_t(params.size()));
    for (const TFieldDescriptor& field : fields)
        request.WriteValue(field.Bytes.data(), TFieldDescriptor::Size);
    for (size_t i = 0; i < params.size(); ++i) {
        std::vector<uint8_t> value = ParamValue(params[i], fields[i]);
        request.WriteValue(value.data(), uint32_t(value.size()));
        if (params[i].DataType == dtBlob)
            request.WriteValue(params[i].Value.data(),
                               params[i].IsNull ? 0 : uint32_t(params[i].Value.size()));
    }
}

} // namespace vorsam
