// The remote members of TDataSession: connection upkeep, login, session parameters, databases on the
// server, and the request and reply primitives (DataSession.h; wire format RemoteProtocol.h).
#include "db/engine/DataDirectory.h"
#include "db/engine/DataFileHeader.h"
#include "db/engine/DataSession.h"
#include "db/engine/RemoteConnection.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace vorsam {

namespace {

[[noreturn]] void RaiseNotConnected(const std::string& server, const std::string& why) {
    RaiseEngineError(VORSAM_NOTCONNECTED, server, "", "", "", "", "", why);
}

constexpr std::string_view RemoteKeyMark = "remote:";
constexpr int MaxPercent = 100;

// One of the application's routines running for a request in progress (DataSession.h).
class TApplicationCall {
public:
    explicit TApplicationCall(int& calls) : calls_(calls) { ++calls_; }
    ~TApplicationCall() { --calls_; }
    TApplicationCall(const TApplicationCall&) = delete;
    TApplicationCall& operator=(const TApplicationCall&) = delete;

private:
    int& calls_;
};

} // namespace

// ---- how long a request waits ----

// A deadline the reply timeout away, moved on when the work advances (DataSession.h) and by the time
// the client's own routines take.
class TDataSession::TReplyWait {
public:
    using TClock = std::chrono::steady_clock;

    TReplyWait(uint32_t timeoutMs, int& applicationCalls)
        : timeout_(timeoutMs), deadline_(TClock::now() + timeout_), applicationCalls_(applicationCalls) {}

    // Milliseconds left, 0 once the deadline passed.
    uint32_t LeftMs() const {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - TClock::now()).count();
        return uint32_t(std::clamp<int64_t>(left, 0, UINT32_MAX));
    }
    // Runs one of the application's routines, whose time is not the server's and which makes no request.
    void Outside(const std::function<void()>& routine) {
        TClock::time_point start = TClock::now();
        {
            const TApplicationCall call(applicationCalls_);
            routine();
        }
        deadline_ += TClock::now() - start;
    }
    // A progress report as answered.
    void Progress(uint16_t percent, bool abort) {
        aborted_ = aborted_ || abort;
        if (percent > MaxPercent || int(percent) <= highest_) return;
        highest_ = percent;
        Advanced();
    }
    // The script's next statement, whose progress starts again.
    void NextStatement() {
        highest_ = -1;
        Advanced();
    }
    bool Aborted() const { return aborted_; }

private:
    void Advanced() {
        if (!aborted_) deadline_ = TClock::now() + timeout_;
    }

    std::chrono::milliseconds timeout_;
    TClock::time_point deadline_;
    int& applicationCalls_;
    int highest_ = -1;
    bool aborted_ = false;
};

// ---- connection ----

bool TDataSession::IsConnected() const {
    return connection_ != nullptr && connection_->IsOpen();
}

void TDataSession::SetRemote(bool value) {
    if (value != IsRemote() && IsConnected())
        RaiseEngineError(VORSAM_INVALIDPARAM, "remote flag of a connected session");
    settings_.Remote = value;
}

void TDataSession::SetRemoteNetworkKind(bool lan) {
    TRemoteSettings remote = remote_;
    remote.Lan = lan;
    SetRemoteSettings(remote);
}

void TDataSession::Trace(const std::string& line) const {
    if (!remote_.Trace || !traceHandler_) return;
    try {
        const TApplicationCall call(applicationCalls_);
        traceHandler_(line);
    } catch (...) {
        // the handler's failure is its own: the request it traces goes on
    }
}

void TDataSession::RefuseInsideRequest() const {
    if (applicationCalls_ == 0) return;
    RaiseEngineError(VORSAM_NOTSUPPORTED, connection_ != nullptr ? connection_->ServerText() : "",
                     remote_.User, "", "", "", "",
                     "a request to the server from a routine of another request in progress (one request at "
                     "a time on a connection)");
}

void TDataSession::RefuseCloseInsideRequest(const TDataDirectory& directory) const {
    if (DirectoryUseCount(directory) == 1 && directory.IsRemote() && IsConnected()) RefuseInsideRequest();
}

void TDataSession::ParamsChanging() const {
    if (IsRemote() && IsConnected()) RefuseInsideRequest();
}

void TDataSession::RequireConnection() const {
    if (!IsRemote()) RaiseNotConnected("", "the session is local");
    if (!IsConnected())
        RaiseNotConnected(remote_.Address.empty() ? remote_.Host : remote_.Address, "not connected");
}

void TDataSession::Connect() {
    RefuseInsideRequest();
    if (!IsRemote()) RaiseNotConnected("", "the session is local");
    if (connection_ == nullptr) connection_ = std::make_unique<TRemoteConnection>();
    serverVersion_ = 0;
    serverName_.clear();
    connection_->Open({remote_.Host, remote_.Address, remote_.Service, remote_.Port}, remote_.ConnectTimeout);
    ++connectionNumber_;
    Trace("Connected to " + connection_->ServerText());
}

void TDataSession::Login() {
    RefuseInsideRequest();
    RequireConnection();
    if ((remote_.User.empty() || remote_.Password.empty()) && loginHandler_) {
        std::string user = remote_.User, password = remote_.Password;
        bool goOn = false;
        try {
            const TApplicationCall call(applicationCalls_);
            goOn = loginHandler_(user, password);
        } catch (...) {
            connection_->Close(); // a connection without its login serves nothing
            throw;
        }
        remote_.User = user.substr(0, MaxRemoteText);
        remote_.Password = password.substr(0, MaxRemoteText);
        if (!goOn) {
            connection_->Close();
            RaiseEngineError(VORSAM_NOTCONNECTED, connection_->ServerText(), remote_.User, "", "", "", "",
                             "login cancelled");
        }
    }
    BeginRequest(rqLogin);
    request_.WriteI32(int32_t(EngineVersion));
    request_.WriteText(remote_.User);
    request_.WriteText(remote_.Password);
    request_.WriteU8(remote_.Lan ? 1 : 0);
    FinishRequest();
    try {
        Exchange(nullptr);
        int32_t version = reply_.ReadI32();
        std::string name = reply_.ReadText();
        reply_.RequireEnd();
        serverVersion_ = version;
        serverName_ = name;
    } catch (...) {
        connection_->Close();
        throw;
    }
    Trace("Logged in to " + serverName_ + ", version " + std::to_string(serverVersion_));
}

void TDataSession::Logout() {
    RefuseInsideRequest();
    if (!IsConnected()) return;
    try {
        BeginRequest(rqLogout);
        FinishRequest();
        Exchange(nullptr);
        reply_.RequireEnd();
    } catch (const EVORSAMEngineError& e) {
        Trace(std::string("Logout: ") + e.what());
    }
    connection_->Close();
    // The application ended the connection, and with it the transactions it held: none is lost.
    for (auto& [key, entry] : directories_)
        if (entry.Directory->IsRemote()) entry.Directory->FollowServerTransaction(false);
    Trace("Logged out");
}

void TDataSession::SendSessionParams() {
    RefuseInsideRequest();
    RequireConnection();
    BeginRequest(rqSessionParams);
    request_.WriteText(privateDirectory_.substr(0, MaxRemoteText));
    request_.WriteU8(settings_.StrictChangeDetection);
    request_.WriteU8(settings_.ForceBufferFlush);
    request_.WriteU8(settings_.LockRetryCount);
    request_.WriteU16(settings_.LockWaitTime);
    if (serverVersion_ >= ServerVersion304) request_.WriteU8(lockProtocol_);
    request_.WriteU16(uint16_t(progressSteps_));
    FinishRequest();
    Exchange(nullptr);
    reply_.RequireEnd();
}

void TDataSession::ParamsChanged() {
    if (IsRemote() && IsConnected()) SendSessionParams();
}

void TDataSession::EnsureConnected() {
    RefuseInsideRequest();
    NoticeServerEnd();
    if (!IsConnected()) Reconnect();
}

void TDataSession::NoticeServerEnd() {
    // Inside a request the request in progress finds the end itself.
    if (applicationCalls_ > 0 || !IsConnected() || !connection_->EndedByServer()) return;
    connection_->Close();
    Trace("The server ended the connection");
}

void TDataSession::Reconnect() {
    RefuseInsideRequest();
    RefuseLostTransaction();
    Trace("Reconnecting");
    if (connection_ != nullptr) connection_->Close();
    Connect();
    try {
        Login();
        SendSessionParams();
        ReopenRemoteDatabases();
    } catch (...) {
        // A connection without its parameters or with databases of the last one's handles serves nothing.
        connection_->Close();
        throw;
    }
}

// ---- requests and replies ----

void TDataSession::BeginRequest(uint16_t code) {
    RefuseInsideRequest();
    request_.Begin(code);
}

void TDataSession::ClearRequestBuffer() {
    request_.Clear();
}

int32_t TDataSession::WriteRequestValue(const void* data, uint32_t length) {
    if (request_.Empty()) RaiseEngineError(VORSAM_INVALIDPARAM, "a request value before the request code");
    return request_.WriteValue(data, length);
}

void TDataSession::FinishRequest() {
    RefuseInsideRequest();
    if (request_.Empty()) RaiseEngineError(VORSAM_INVALIDPARAM, "an empty request");
    pending_.assign(request_.Body().begin(), request_.Body().end());
    request_.Clear();
}

void TDataSession::SendRequest() {
    RefuseInsideRequest();
    RequireConnection();
    RefuseStrayFrame();
    connection_->SendFrame(pending_, !remote_.Lan, remote_.ReplyTimeout);
    Trace("Request " + RequestName(LoadLE16(pending_.data())) + ", " + std::to_string(pending_.size()) +
          " bytes");
}

void TDataSession::ReceiveReply(const TRemoteCallbacks* callbacks) {
    RefuseInsideRequest();
    RequireConnection();
    TReplyWait wait(remote_.ReplyTimeout, applicationCalls_);
    for (;;) {
        // A damaged reply leaves the stream untrustworthy: the connection goes (unless it went already).
        reply_ = TRemoteReply(connection_->ReceiveFrame(wait.LeftMs()), [this, number = connectionNumber_] {
            if (IsConnected() && connectionNumber_ == number) connection_->Close();
        });
        if (reply_.Code() != ReplyCallback) break;
        ServeCallback(callbacks, wait);
    }
    RefuseStrayFrame(); // a server answers a request once
    Trace("Reply " + std::to_string(reply_.Code()));
}

void TDataSession::ServeCallback(const TRemoteCallbacks* callbacks, TReplyWait& wait) {
    try {
        uint16_t kind = reply_.ReadU16();
        if (callbacks == nullptr)
            reply_.Damaged("a callback (kind " + std::to_string(kind) + ") to a request that has none");
        Trace("Callback " + std::to_string(kind));
        ServeCallbackKind(kind, *callbacks, wait);
    } catch (...) {
        connection_->Close(); // the server waits for an answer that will not come
        throw;
    }
}

void TDataSession::ServeCallbackKind(uint16_t kind, const TRemoteCallbacks& c, TReplyWait& wait) {
    TRequestBuffer answer;
    answer.Begin(rqCallbackResponse);
    if (kind == cbPassword) {
        reply_.RequireEnd();
        // The answer is the result alone: no password ever travels in it (RemoteProtocol.h).
        const std::function<bool()>& ask = c.Password ? c.Password : passwordHandler_;
        bool supplied = false;
        if (ask) RunRoutine(wait, [&] { supplied = ask(); });
        answer.WriteU8(supplied);
        AnswerCallback(answer);
    } else if (kind == cbProgress) {
        uint16_t percent = reply_.ReadU16();
        bool abort = reply_.ReadFlag() || wait.Aborted();
        reply_.RequireEnd();
        if (c.Progress) RunRoutine(wait, [&] { c.Progress(percent, abort); });
        abort = abort || wait.Aborted(); // the application's abort holds to the end of the request
        answer.WriteU8(abort);
        AnswerCallback(answer);
        wait.Progress(percent, abort);
    } else if (kind == cbStatementType && c.StatementType) {
        wait.Outside([&] { c.StatementType(reply_); });
        reply_.RequireEnd();
        wait.NextStatement();
    } else if (kind == cbStatus) {
        uint16_t value = reply_.ReadU16();
        reply_.RequireEnd();
        if (c.Status) RunRoutine(wait, [&] { c.Status(value); });
    }
}

void TDataSession::RunRoutine(TReplyWait& wait, const std::function<void()>& routine) {
    try {
        wait.Outside(routine);
    } catch (const EVORSAMEngineError& e) {
        // The request went and the server waits for the answer: whatever the routine's error says (a
        // refusal made before anything was sent, say), this request's outcome is what the server made of
        // it, which the connection's end leaves unknown.
        TErrorContext context;
        context.Server = connection_->ServerText();
        context.User = remote_.User;
        context.ExtraText = "the application's routine for a callback of the server failed (" +
                            std::string(e.what()) + "): the client ended the connection";
        context.SocketErrorCode = ECONNABORTED;
        RaiseEngineError(VORSAM_NOTCONNECTED, context);
    }
}

void TDataSession::AnswerCallback(TRequestBuffer& answer) {
    // The server awaits this answer before it sends anything more: a frame already there is out of turn.
    if (connection_->HasUnreadBytes()) reply_.Damaged("a frame behind a callback that awaits its answer");
    connection_->SendFrame(answer.Body(), !remote_.Lan, remote_.ReplyTimeout);
}

void TDataSession::RefuseStrayFrame() {
    if (!connection_->HasUnreadBytes()) return;
    connection_->Close();
    RaiseEngineError(VORSAM_UNCOMPRESS, connection_->ServerText(), remote_.User, "", "", "", "",
                     "remote reply: a frame that answers no request");
}

void TDataSession::RaiseReplyError() {
    uint16_t code = reply_.Code();
    if (code == ReplySuccess) return;
    reply_.Rewind();
    TErrorContext context = reply_.ReadErrorContext();
    reply_.RequireEnd();
    if (context.Server.empty()) context.Server = serverName_;
    RaiseEngineError(code, context);
}

void TDataSession::Exchange(const TRemoteCallbacks* callbacks) {
    SendRequest();
    ReceiveReply(callbacks);
    RaiseReplyError();
}

void TDataSession::PerformRequest(const TRemoteCallbacks* callbacks) {
    FinishRequest();
    std::vector<uint8_t> request = pending_;
    Perform([&] { pending_ = request; }, callbacks);
}

void TDataSession::PerformRequest(const std::function<void()>& build, const TRemoteCallbacks* callbacks) {
    Perform(
        [&] {
            build();
            FinishRequest();
        },
        callbacks);
}

void TDataSession::Perform(const std::function<void()>& prepare, const TRemoteCallbacks* callbacks) {
    RefuseLostTransaction();
    EnsureConnected();
    prepare();
    try {
        Exchange(callbacks);
        return;
    } catch (const EVORSAMEngineError& e) {
        // Only a lost connection is made again: a server that answered, broke the protocol (the stream was
        // closed as untrustworthy) or did not answer in time is not asked again for what it may have done
        // or be doing; nor is one whose connection took a transaction with it.
        if (IsConnected() || e.ErrorCode != VORSAM_NOTCONNECTED || e.SocketErrorCode == ETIMEDOUT ||
            e.SocketErrorCode == ECONNABORTED)
            throw;
        if (const TDataDirectory* lost = LostTransaction()) RaiseTransactionLost(*lost, &e);
    }
    Reconnect();
    prepare();
    Exchange(callbacks);
}

void TDataSession::PerformRequest(const TConnectionBinding& binding, const std::function<void()>& build,
                                  const TRemoteCallbacks* callbacks) {
    NoticeServerEnd();
    RefuseLostTransaction();
    if (!IsConnected() || binding.Connection != connectionNumber_) RaiseConnectionGone(binding, nullptr);
    build();
    FinishRequest();
    try {
        Exchange(callbacks);
    } catch (const EVORSAMEngineError& e) {
        if (IsConnected()) throw;
        const TDataDirectory* lost = LostTransaction();
        if (lost && !(binding.EndsTransaction && binding.EndsTransaction())) RaiseTransactionLost(*lost, &e);
        RaiseConnectionGone(binding, &e);
    }
}

void TDataSession::RaiseConnectionGone(const TConnectionBinding& binding, const EVORSAMEngineError* error) {
    TErrorContext context;
    uint16_t code = VORSAM_NOTCONNECTED;
    if (error != nullptr) {
        code = error->ErrorCode;
        context = error->Context();
        context.ExtraText += "; the server may have carried out the request";
    } else {
        context.Server = connection_ != nullptr ? connection_->ServerText() : "";
        context.ExtraText = "the connection to the server was lost";
    }
    context.ExtraText += "; " + std::string(binding.Redo);
    RaiseEngineError(code, context);
}

const TDataDirectory* TDataSession::LostTransaction() const {
    for (const auto& [key, entry] : directories_)
        if (entry.Directory->IsRemote() && entry.Directory->TransactionLost()) return entry.Directory.get();
    return nullptr;
}

void TDataSession::RefuseLostTransaction() const {
    if (const TDataDirectory* lost = LostTransaction()) RaiseTransactionLost(*lost);
}

void TDataSession::RaiseTransactionLost(const TDataDirectory& database, const EVORSAMEngineError* error,
                                        bool ended) const {
    TErrorContext context = error != nullptr ? error->Context() : TErrorContext{};
    if (context.Server.empty() && connection_ != nullptr) context.Server = connection_->ServerText();
    context.Database = database.GetDatabaseName();
    context.ExtraText =
        std::string("the connection to the server was lost inside a transaction, which the server "
                    "rolled back: ") +
        (ended ? "nothing of it was committed, and the transaction has ended"
               : "nothing more is done until the application ends the transaction (ROLLBACK)") +
        (error != nullptr && !error->ErrorMessage.empty() ? "; " + error->ErrorMessage : "");
    RaiseEngineError(VORSAM_NOTCONNECTED, context);
}

void TDataSession::LetGoOnServer(const TConnectionBinding& binding,
                                 const std::function<void()>& build) noexcept {
    if (!IsConnected() || binding.Connection != connectionNumber_) return;
    try {
        build();
        FinishRequest();
        Exchange(nullptr);
        reply_.RequireEnd();
    } catch (...) {
        // the server drops what the connection holds when it ends
    }
}

// ---- databases on the server ----

uint32_t TDataSession::RequestDatabaseHandle(const std::string& databaseName) {
    BeginRequest(rqOpenDatabase);
    request_.WriteText(databaseName);
    PerformRequest();
    uint32_t handle = reply_.ReadU32();
    reply_.RequireEnd();
    return handle;
}

TDataDirectory& TDataSession::OpenRemote(const std::string& databaseName) {
    std::string key = std::string(RemoteKeyMark) + LocaleUpperCase(0, 0, databaseName);
    auto it = directories_.find(key);
    if (it != directories_.end()) {
        ++it->second.Uses;
        return *it->second.Directory;
    }
    return OpenNew(key, databaseName, "", false, RequestDatabaseHandle(databaseName));
}

void TDataSession::CloseRemote(TDataDirectory& directory) {
    if (!IsConnected()) return;
    try {
        BeginRequest(rqCloseDatabase);
        request_.WriteU32(directory.RemoteHandle());
        FinishRequest();
        Exchange(nullptr);
        reply_.RequireEnd();
    } catch (const EVORSAMEngineError& e) {
        // The database goes here either way (a transaction with it, as a local one's); a connection lost
        // meanwhile is found by the next request.
        Trace(std::string("Closing a database: ") + e.what());
    }
}

void TDataSession::ReopenRemoteDatabases() {
    for (auto& [key, entry] : directories_) {
        TDataDirectory& directory = *entry.Directory;
        if (!directory.IsRemote()) continue;
        BeginRequest(rqOpenDatabase);
        request_.WriteText(directory.Name());
        FinishRequest();
        Exchange(nullptr);
        uint32_t handle = reply_.ReadU32();
        reply_.RequireEnd();
        directory.remoteHandle_ = handle;
    }
}

} // namespace vorsam
