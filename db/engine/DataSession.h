// TDataSession: one engine session, the root of what a user of the engine works with. It owns
//   - the settings the table files read (EngineSettings) and the session's own (lock protocol, progress
//     steps); every setter checks its value and raises VORSAM_INVALIDPARAM, changing nothing, for one
//     out of range (the ranges are below);
//   - the list of table passwords;
//   - the private directory, where sort runs and temporary tables go: the system's temporary folder when
//     the session is made, then what SetPrivateDirectory stores (made absolute, '/' separators, a
//     trailing '/', the case kept: folder names are case-sensitive); when it is empty, the default
//     directory (the current folder when the session was made) takes its place;
//   - the databases it opened (TDataDirectory), one object per database however often it is opened,
//     each with a count of opens that CloseDataDirectory releases; the last close frees it, but for the
//     in-memory database while it keeps spare result tables (SpareTables.h): closed as any other (its
//     transaction rolled back, refused while a table or statement uses it), it is held aside with its
//     spares, out of the open databases, and the next open of "Memory" takes it up again;
//   - the host's hooks, asked for the in-memory database's folder, the folder of a database name, the
//     rights on a database and the rights of a statement; without a hook the in-memory database has no
//     folder, a database name is its own folder, and every right is granted.
//
// Which database a name opens (OpenDataDirectory):
//   - a name and a folder: the database of that name (names compared ignoring case) in the folder;
//   - a name alone: the database of that name when it is open; "Memory" the in-memory database (unless
//     the memory hook gives it a folder); any other name the folder the database hook gives for it;
//   - a folder alone: the database of that folder (relative to the current folder, normalised);
//   - neither: the default directory.
// A folder that does not exist raises VORSAM_DIRNOTFOUND.
//
// Remote sessions (DataSessionRemote.cpp; the wire format is RemoteProtocol.h's): a remote session
// works on a database server over one TCP connection. Connect opens it, Login logs in (asking the login
// handler first when the user name or the password is empty) and learns the server's version and name,
// SendSessionParams passes the settings, which every setter passes again while connected (the lock
// protocol only to servers of version 3.04 and later). Databases are opened on the server: the
// directory keeps the server's handle. A request is built (BeginRequest, WriteRequestValue,
// FinishRequest), sent (SendRequest) and answered (ReceiveReply, which serves the server's callbacks
// until the real reply comes; GetReplyErrorCode, ReadReplyValue, RaiseReplyError); PerformRequest does
// all of it the way every request is made: it makes sure the session is connected, and when the
// connection is lost while the request is sent or answered it reconnects (connect, login, parameters,
// databases opened again, which gives them new handles) and tries once more before passing the error
// on. Only requests whose effect ends with the connection go again so (opening a database or a cursor,
// making a statement): carried out twice, they leave nothing behind. A request that carries a cursor's
// or a statement's handle belongs to the connection that gave it (ConnectionNumber): it goes only on
// that connection and never again; once that connection is gone it raises VORSAM_NOTCONNECTED whose
// text says what to do (open the table again, prepare the statement again) and, when the request had
// gone out, that the server may have carried it out. Before a request goes, a connection the server
// already ended (an idle line it dropped: its end waits to be read) is closed here too (NoticeServerEnd),
// so that the request reconnects, or, naming a handle of that connection, is refused as above with
// nothing sent. A reply frame out of turn (one found waiting when a request is about to go, or behind a
// request's reply) is refused as a damaged reply: the connection is closed and VORSAM_UNCOMPRESS raised,
// whatever the frame said; so is a callback in the reply to a request made without routines for them
// (RemoteProtocol.h).
// Each request waits for its reply at most the reply timeout, counted again whenever a callback shows
// the work advancing: a progress report above the highest so far (100 at most) or the script's next
// statement; other callbacks count against it (a server that calls back without end is cut off), and
// so does everything once the application has answered a progress report with abort. The time the
// client's own routines take is not counted. When the timeout passes the connection is closed (the
// reply would come out of turn) and VORSAM_NOTCONNECTED is raised with the socket error ETIMEDOUT; a
// request that timed out is never sent again, the server may be carrying it out. An engine error that the
// application's routine for a callback raises ends the connection (the server awaits the answer) and is
// raised as VORSAM_NOTCONNECTED with the socket error ECONNABORTED, its text kept: whatever the routine's
// error said (a refusal made with nothing sent, say), the request went, the server may have carried it
// out, and it is never made again. A login handler that fails ends the connection. Logout tells the
// server and closes the connection; it never raises (the connection ends either way) but for the refusal
// below. Remote settings, the remote flag and the network kind change only while not connected, but for
// the trace flag. A reconnect that fails at any step leaves the connection closed: the next request
// starts it afresh, never on a connection that lacks its login, parameters or databases.
// One request at a time on the connection: the application's routines that a request calls while it is
// in progress (the server's callbacks, the login, password and trace handlers) may make no request of
// the session. Every request path (a request, the login, the logout, the parameters a setter passes, a
// database's last close, a reconnect) refuses at once, before it changes anything and with nothing sent,
// with VORSAM_NOTSUPPORTED; letting a handle go (LetGoOnServer) then sends nothing (the server drops it
// with the connection). A trace handler's own failure is dropped with its line: it never fails the
// request it traces.
//
// Engine sessions are used under the process's session lock; they have no lock of their own.
#pragma once

#include "db/engine/EngineSettings.h"
#include "db/engine/EngineStartup.h"
#include "db/engine/RemoteProtocol.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TDataDirectory;
class TRemoteConnection;

// Record locking: when a record is edited, or only when it is written.
enum TLockProtocol : uint8_t { lpPessimistic = 0, lpOptimistic = 1 };

// What a statement does to a table, as the statement-rights hook is asked.
enum TStatementAccess : uint8_t {
    saInsert = 1,
    saUpdate = 2,
    saDelete = 3,
    saSelect = 4, // select or create
    saAlter = 5,
    saDrop = 6
};

// The five cache sizes the session component passes, in its order.
struct TBufferSizes {
    uint32_t BufferSize = DefaultBufferSize; // bytes of records and index pages of a table
    uint32_t RecordCacheLimit = 8192;        // records
    uint32_t IndexBufferSize = 16384;        // bytes of index pages per index
    uint32_t BlobBufferSize = 32768;         // bytes of blob blocks
    uint32_t BlobBufferLimit = 8192;         // blocks
    uint32_t ChangeBudget = 4 << 20; // bytes of changes all tables keep in memory under whole-table locks
};

// A database server and the login to it.
struct TRemoteSettings {
    std::string Host;
    std::string Address;
    std::string Service;
    std::string User;
    std::string Password;
    int32_t Port = DefaultRemotePort;
    bool Trace = false;
    bool Lan = true;                 // network kind: a LAN, or else the internet
    uint32_t ConnectTimeout = 10000; // milliseconds
    uint32_t ReplyTimeout = 30000;   // milliseconds for each send and each reply (see above)

    bool operator==(const TRemoteSettings&) const = default;
};

// What a request does with the server's callbacks (RemoteProtocol.h); an empty routine: the password
// callback asks the session's password handler, the others are ignored. A request made without them (none
// given) takes no callback: one in its reply is a damaged reply.
struct TRemoteCallbacks {
    std::function<bool()> Password; // true when a password was supplied
    std::function<void(uint16_t percent, bool& abort)> Progress;
    std::function<void(TRemoteReply& reply)> StatementType; // reads the kind's values
    std::function<void(uint16_t value)> Status;
};

// A handle the server gave on one connection (a cursor's, a statement's), which no other connection
// knows: the connection's number and what the user does once it is gone ("open the table again").
struct TConnectionBinding {
    uint64_t Connection = 0;
    std::string_view Redo;
    // Asked when the connection goes with the request: whether the request was ending a transaction
    // (COMMIT, ROLLBACK) then, which makes the loss its caller's to report, as the transaction's end; a
    // script says so only once the server has told which of its statements runs.
    std::function<bool()> EndsTransaction;
};

struct TSessionHooks {
    std::function<std::string()> GetMemoryDirectory;
    std::function<std::string(const std::string& databaseName)> GetDatabaseDirectory;
    std::function<uint32_t(const std::string& databaseName)> GetDirectoryRights;
    std::function<bool(const TDataDirectory& directory, TStatementAccess access, const std::string& table)>
        CheckStatementRights;
};

// Ranges of the settings (inclusive).
inline constexpr int64_t MaxLockRetryCount = 255;
inline constexpr int64_t MaxLockWaitTime = 10000; // milliseconds
inline constexpr int64_t MaxProgressSteps = 100;
inline constexpr uint32_t MinBufferBytes = 4096;
inline constexpr uint32_t MinIndexBufferBytes = 8192; // one page per index
inline constexpr uint32_t MaxBufferBytes = 256u << 20;
inline constexpr uint32_t MinCacheLimit = 16;
inline constexpr uint32_t MaxCacheLimit = 1u << 20;
inline constexpr size_t MaxRemoteText = 255;
inline constexpr int64_t MaxRemoteTimeout = 3600000; // milliseconds
inline constexpr uint32_t AllDirectoryRights = 0xFFFFFFFF;

class TDataSession {
public:
    // A server session (`server`) serves clients of a database server; this system makes none.
    explicit TDataSession(bool server = false);
    ~TDataSession();
    TDataSession(const TDataSession&) = delete;
    TDataSession& operator=(const TDataSession&) = delete;

    // Settings.
    const EngineSettings& Settings() const { return settings_; }
    void SetForceBufferFlush(bool value);
    void SetStrictChangeDetection(bool value);
    void SetLockRetryCount(int64_t value); // 0 .. 255 tries
    void SetLockWaitTime(int64_t value);   // 0 .. 10000 ms
    void SetLockProtocol(TLockProtocol value);
    TLockProtocol LockProtocol() const { return lockProtocol_; }
    void SetProgressSteps(int64_t value); // 0 .. 100 reports per long operation
    int64_t ProgressSteps() const { return progressSteps_; }
    // The percentage between two progress reports: 100 / steps (100 for 0 steps: only the last one).
    int32_t GetProgressStep() const;
    // Byte sizes 4096 (8192 for the index buffer) .. 256 MiB, limits 16 .. 1,048,576.
    void SetBufferSizes(const TBufferSizes& sizes);

    // The private directory as stored, empty or ending in '/'; a folder that does not exist raises
    // VORSAM_DIRNOTFOUND.
    void SetPrivateDirectory(const std::string& folder);
    // The private directory, or the default directory when it is empty; ends in '/'.
    std::string GetPrivateDirectory() const;
    const std::string& DefaultDirectory() const { return defaultDirectory_; }

    // Table passwords, compared exactly; an empty one is never kept.
    bool HasPassword(const std::string& password) const { return passwords_.count(password) > 0; }
    void AddPassword(const std::string& password);
    void RemovePassword(const std::string& password) { passwords_.erase(password); }
    void RemoveAllPasswords() { passwords_.clear(); }

    // Databases.
    TDataDirectory& OpenDataDirectory(const std::string& databaseName, const std::string& folder);
    void CloseDataDirectory(TDataDirectory& directory);
    size_t OpenDirectoryCount() const { return directories_.size(); }
    // Opens of the directory not yet closed; 0 for one the session does not hold.
    uint32_t DirectoryUseCount(const TDataDirectory& directory) const;

    // Host hooks.
    void SetHooks(TSessionHooks hooks) { hooks_ = std::move(hooks); }
    std::string DoGetMemoryDirectory() const;
    std::string DoGetDatabaseDirectory(const std::string& databaseName) const;
    uint32_t DoGetDirectoryRights(const std::string& databaseName) const;
    bool DoCheckStatementRights(const TDataDirectory& directory, TStatementAccess access,
                                const std::string& tableName) const;

    // Remote sessions.
    bool IsServer() const { return server_; }
    bool IsRemote() const { return settings_.Remote; }
    bool IsConnected() const;
    void SetRemote(bool value);
    // Texts of at most 255 characters, a port 1 .. 65535, timeouts 1 .. 3,600,000 ms.
    void SetRemoteSettings(const TRemoteSettings& remote);
    const TRemoteSettings& RemoteSettings() const { return remote_; }
    void SetRemoteNetworkKind(bool lan);
    void SetRemoteLoginHandler(std::function<bool(std::string& user, std::string& password)> handler) {
        loginHandler_ = std::move(handler);
    }
    void SetRemoteTraceHandler(std::function<void(const std::string& line)> handler) {
        traceHandler_ = std::move(handler);
    }
    // Asked when the server needs a table password: true when one was supplied (added to the list).
    void SetPasswordHandler(std::function<bool()> handler) { passwordHandler_ = std::move(handler); }
    // What the last login learnt: the server's version in 1/10000 (0 before) and its name.
    int32_t ServerVersion() const { return serverVersion_; }
    const std::string& ServerName() const { return serverName_; }

    void Connect();
    void Login();
    void Logout();
    void SendSessionParams();
    void EnsureConnected();
    void Reconnect();
    // An idle connection the server ended (its end waits to be read) is closed here too, before a
    // request is built: the next request reconnects, and a handle of it is known gone with nothing sent.
    // Does nothing inside a request (the request in progress finds the end itself).
    void NoticeServerEnd();
    // Raises the refusal of a request made while another is in progress (above), when one is.
    void RefuseInsideRequest() const;
    // Raises, changing nothing, the refusal that closing the database would meet inside a request (its
    // last close on a server is a request).
    void RefuseCloseInsideRequest(const TDataDirectory& directory) const;

    // Request and reply primitives.
    void BeginRequest(uint16_t code);
    void ClearRequestBuffer();
    int32_t WriteRequestValue(const void* data, uint32_t length);
    TRequestBuffer& Request() { return request_; }
    void FinishRequest();
    void SendRequest();
    void ReceiveReply(const TRemoteCallbacks* callbacks = nullptr);
    uint16_t GetReplyErrorCode() const { return reply_.Code(); }
    int32_t ReadReplyValue(std::span<uint8_t> destination) { return reply_.ReadValue(destination); }
    TRemoteReply& Reply() { return reply_; }
    void RaiseReplyError();
    // Finishes the request being built, sends it and receives its reply as described above; an error
    // reply is raised. After a reconnect the same bytes are sent again.
    void PerformRequest(const TRemoteCallbacks* callbacks = nullptr);
    // The same for a request that `build` writes (from BeginRequest on), built again after a reconnect:
    // the way to send a request that carries a database handle, which a reconnect renews.
    void PerformRequest(const std::function<void()>& build, const TRemoteCallbacks* callbacks = nullptr);
    // A request that carries the binding's handle, as described above: on its connection only, once.
    void PerformRequest(const TConnectionBinding& binding, const std::function<void()>& build,
                        const TRemoteCallbacks* callbacks = nullptr);
    // A request that lets the binding's handle go on the server (closing a cursor, freeing a statement):
    // sent once when its connection is still open, never after a reconnect; its failure is ignored, the
    // server drops what the connection holds when it ends.
    void LetGoOnServer(const TConnectionBinding& binding, const std::function<void()>& build) noexcept;
    // The connection open now, numbered from 1 by every Connect; 0 before the first.
    uint64_t ConnectionNumber() const { return connectionNumber_; }
    // The database whose server transaction went with its connection (TDataDirectory::TransactionLost), if
    // any; RefuseLostTransaction raises for it, as RaiseTransactionLost does (after `error`, when given):
    // the transaction stays lost until the application ends it, unless `ended` says the refused request
    // ended it (a COMMIT of the lost transaction).
    const TDataDirectory* LostTransaction() const;
    void RefuseLostTransaction() const;
    [[noreturn]] void RaiseTransactionLost(const TDataDirectory& database,
                                           const EVORSAMEngineError* error = nullptr,
                                           bool ended = false) const;

private:
    class TReplyWait; // how long a request may still wait for its reply (DataSessionRemote.cpp)
    struct TDirectoryEntry {
        std::unique_ptr<TDataDirectory> Directory;
        uint32_t Uses = 0;
    };
    using TDirectories = std::map<std::string, TDirectoryEntry>;

    TDirectories::iterator EntryOf(const TDataDirectory& directory);
    TDataDirectory& OpenByFolder(const std::string& folder);
    TDataDirectory& OpenByName(const std::string& databaseName, const std::string& folder);
    // A database of a folder, in memory, or of the server (with the server's handle).
    TDataDirectory& OpenNew(const std::string& key, const std::string& name, const std::string& folder,
                            bool inMemory, std::optional<uint32_t> remoteHandle = std::nullopt);
    TDataDirectory& OpenRemote(const std::string& databaseName);
    void CloseRemote(TDataDirectory& directory);
    uint32_t RequestDatabaseHandle(const std::string& databaseName);
    void ReopenRemoteDatabases();
    void ParamsChanged();
    void Exchange(const TRemoteCallbacks* callbacks);
    // Connected, `prepare` readies the request, one exchange, once more after a reconnect on a lost
    // connection.
    void Perform(const std::function<void()>& prepare, const TRemoteCallbacks* callbacks);
    void ServeCallback(const TRemoteCallbacks* callbacks, TReplyWait& wait);
    void ServeCallbackKind(uint16_t kind, const TRemoteCallbacks& callbacks, TReplyWait& wait);
    // Runs the application's routine for a callback; an engine error it raises ends the connection and is
    // raised as VORSAM_NOTCONNECTED with the socket error ECONNABORTED (never made again), its text kept.
    void RunRoutine(TReplyWait& wait, const std::function<void()>& routine);
    [[noreturn]] void RaiseConnectionGone(const TConnectionBinding& binding, const EVORSAMEngineError* error);
    void AnswerCallback(TRequestBuffer& answer);
    // A frame that no request asked for waits to be read: the stream is out of turn, the connection is
    // closed and VORSAM_UNCOMPRESS raised.
    void RefuseStrayFrame();
    void RequireConnection() const;
    // Refuses, before a setter stores its value, the parameters it would pass inside a request.
    void ParamsChanging() const;
    void Trace(const std::string& line) const;

    // First member, destroyed last: the process-wide objects outlive the databases and their tables.
    TEngineUse engineUse_;
    EngineSettings settings_;
    TLockProtocol lockProtocol_ = lpPessimistic;
    int64_t progressSteps_ = 20;
    std::string privateDirectory_;
    std::string defaultDirectory_;
    std::set<std::string> passwords_;
    TSessionHooks hooks_;
    TRemoteSettings remote_;
    std::function<bool(std::string&, std::string&)> loginHandler_;
    std::function<void(const std::string&)> traceHandler_;
    std::function<bool()> passwordHandler_;
    // The application's routines running now for a request in progress: while any runs, no request.
    mutable int applicationCalls_ = 0;
    bool server_;
    std::unique_ptr<TRemoteConnection> connection_;
    uint64_t connectionNumber_ = 0;
    int32_t serverVersion_ = 0;
    std::string serverName_;
    TRequestBuffer request_;
    std::vector<uint8_t> pending_; // the finished request, as SendRequest sends it
    TRemoteReply reply_;
    TDirectories directories_;
    std::unique_ptr<TDataDirectory> idleMemory_; // the closed in-memory database held for its spares
};

} // namespace vorsam
