// TVORSAMSession: the component through which an application owns one engine session.
//
// A session is inactive (no engine session) or active. Activating it (SetActive(true)) calls OnStartup,
// needs a session name, activates the default session first when it is another one, then takes its
// engine session (the default session starts the engine and takes its session; any other makes one of
// its own) and passes its settings into it: private directory, change detection, buffer flush, lock
// retries and wait, lock protocol, progress steps, the five buffer sizes, then the remote connection or
// local work. A start that fails leaves the session inactive. Deactivating it frees the databases it
// made, closes the others, logs out of a server, and frees its engine session (the default session
// stops the engine; another one makes the default session's engine session current again); it is
// refused first, nothing changed, while a database of it refuses to close (a dataset of it at its own
// run, TVORSAMDatabase.h) or from a routine of a request to its server (DataSession.h). The default
// session is activated lazily: by the first work that needs the engine.
//
// Settings of the engine session (ForceBufferFlush, StrictChangeDetection, LockRetryCount,
// LockWaitTime, LockProtocol, ProgressSteps, PrivateDir, RemoteTrace) may change at any time: on an
// active session they reach the engine session at once when they differ from the stored value. The
// remote settings and the session name change only on an inactive session.
//
// Databases: the session knows every database component bound to it and opens databases by name for
// datasets (OpenDatabase): a database component of that name, else one the session makes itself (a
// folder name, "Memory", or a name the engine resolves), counted once per open and freed when the last
// user closes it, unless KeepConnections.
//
// Auto-session name: a session with an owner can name itself "<Name>_<n>", n being the lowest number no
// other auto-named session uses (from 1), and gives that name to the databases and datasets of its
// owner, also to those made later; it must be the only session of its owner.
//
// Work on the engine: every operation of a session, database or dataset component that reaches the
// engine runs between LockSession and UnlockSession of its session (or inside a TSessionLockGuard).
// LockSession always enters the process-wide SessionLock, a recursive lock, so a second thread,
// working on the same session or another one, waits until the first one is done; the session's use
// count only tells when the outermost lock begins, which makes the session's engine session current
// (activating the session when it is inactive).
#pragma once

#include "db/components/VORSAMComponent.h"
#include "db/engine/DataSession.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorsam {

class TVORSAMDatabase;
class TVORSAMSessionList;

enum TSessionType : uint8_t { stLocal, stRemote };
enum TRemoteType : uint8_t { rtLAN, rtInternet };

inline constexpr const char* VORSAMEngineVersion = "3.24";

class TVORSAMSession : public TVORSAMComponent {
public:
    using TNotifyEvent = std::function<void(TVORSAMSession& sender)>;
    using TPasswordEvent = std::function<void(TVORSAMSession& sender, bool& continueWork)>;
    using TLoginEvent = std::function<void(TVORSAMSession& sender, std::string& user, std::string& password,
                                           bool& continueLogin)>;
    using TTraceEvent = std::function<void(TVORSAMSession& sender, const std::string& line)>;

    // Refuses a second session in an owner that has an auto-named one ("This auto-session already
    // exists.").
    explicit TVORSAMSession(TVORSAMOwner* owner = nullptr);
    ~TVORSAMSession() override;

    bool Active() const { return handle_ != nullptr; }
    void SetActive(bool value);
    bool IsDefault() const { return isDefault_; }
    // The engine session while active.
    TDataSession* Handle() const { return handle_; }

    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& name);
    bool AutoSessionName() const { return autoSessionName_; }
    void SetAutoSessionName(bool value);
    void SetName(const std::string& name) override;
    bool KeepConnections() const { return keepConnections_; }
    void SetKeepConnections(bool value) { keepConnections_ = value; }

    // Settings of the engine session.
    bool ForceBufferFlush() const { return forceBufferFlush_; }
    void SetForceBufferFlush(bool value);
    bool StrictChangeDetection() const { return strictChangeDetection_; }
    void SetStrictChangeDetection(bool value);
    uint8_t LockRetryCount() const { return lockRetryCount_; }
    void SetLockRetryCount(uint8_t value);
    uint16_t LockWaitTime() const { return lockWaitTime_; }
    void SetLockWaitTime(uint16_t value);
    TLockProtocol LockProtocol() const { return lockProtocol_; }
    void SetLockProtocol(TLockProtocol value);
    uint16_t ProgressSteps() const { return progressSteps_; }
    // Values above 100 are ignored.
    void SetProgressSteps(uint16_t value);
    const std::string& PrivateDir() const { return privateDir_; }
    void SetPrivateDir(const std::string& folder);

    // The connection to a database server: changed only while inactive.
    TSessionType SessionType() const { return sessionType_; }
    void SetSessionType(TSessionType value);
    TRemoteType RemoteType() const { return remoteType_; }
    void SetRemoteType(TRemoteType value);
    const std::string& RemoteHost() const { return remote_.Host; }
    void SetRemoteHost(const std::string& value);
    const std::string& RemoteAddress() const { return remote_.Address; }
    void SetRemoteAddress(const std::string& value);
    int32_t RemotePort() const { return remote_.Port; }
    void SetRemotePort(int32_t value);
    const std::string& RemoteService() const { return remote_.Service; }
    void SetRemoteService(const std::string& value);
    const std::string& RemoteUser() const { return remote_.User; }
    void SetRemoteUser(const std::string& value);
    const std::string& RemotePassword() const { return remote_.Password; }
    void SetRemotePassword(const std::string& value);
    bool RemoteTrace() const { return remote_.Trace; }
    void SetRemoteTrace(bool value);

    // Events.
    void SetOnStartup(TNotifyEvent handler) { onStartup_ = std::move(handler); }
    void SetOnPassword(TPasswordEvent handler) { onPassword_ = std::move(handler); }
    void SetOnRemoteLogin(TLoginEvent handler) { onRemoteLogin_ = std::move(handler); }
    void SetOnRemoteTrace(TTraceEvent handler) { onRemoteTrace_ = std::move(handler); }

    // Databases.
    // An open database of the name, with one more reference: a shared-handle database of the owner,
    // else the session's database of the name, else one the session makes.
    TVORSAMDatabase& OpenDatabase(const std::string& databaseName, TVORSAMOwner* owner);
    // One reference less; without references and KeepConnection, a database the session made is freed,
    // another one closed.
    void CloseDatabase(TVORSAMDatabase& database);
    // The first database of the name (ignoring case, but folders by their exact name); databases
    // without a name only when the session made them.
    TVORSAMDatabase* FindDatabase(const std::string& name) const;
    const std::vector<TVORSAMDatabase*>& Databases() const { return databases_; }

    // Table passwords of the engine session (at most 255 characters kept).
    void AddPassword(const std::string& password);
    void RemovePassword(const std::string& password);
    void RemoveAllPasswords();
    // Asks for a table password: OnPassword, else the password dialog; true to try again.
    bool RequestPassword();

    // Work on the engine (see above).
    void LockSession();
    void UnlockSession();
    // Activates the session when inactive and makes its engine session current.
    void MakeCurrent();

protected:
    void ComponentInserted(TVORSAMComponent& component) override;

private:
    friend class TVORSAMSessionList;
    friend class TVORSAMDatabase;

    void Start();
    void Stop();
    void PassSettings();
    void ConnectRemote();
    void ReleaseEngine();
    bool RemoteLogin(std::string& user, std::string& password);
    void CheckInactive() const;
    // Stores a setting of the engine session, passing it on while active (see above).
    template <class T, class Apply> void ChangeSetting(T& stored, T value, Apply apply);
    // Stores a setting that needs an inactive session.
    template <class T> void ChangeInactive(T& stored, const T& value);

    // Auto-session name.
    bool OwnerHasOtherSession() const;
    std::string AutoName(const std::string& name) const;
    void ApplySessionName(const std::string& name);
    void NameOwnerComponents();
    void ReleaseAutoNumber();

    // Databases.
    void AddDatabase(TVORSAMDatabase& database);
    void RemoveDatabase(TVORSAMDatabase& database);
    TVORSAMDatabase& CreateDatabase(const std::string& name);
    void FreeCreatedDatabase(TVORSAMDatabase& database);
    TVORSAMDatabase* FindSharedDatabase(const std::string& name, TVORSAMOwner* owner) const;

    // Stops the session and leaves the list (when the session or the list goes).
    void Detach();

    TVORSAMSessionList* list_ = nullptr;
    TDataSession* handle_ = nullptr;
    std::unique_ptr<TDataSession> ownEngine_; // the engine session of a session other than the default
    std::vector<TVORSAMDatabase*> databases_;
    std::vector<std::unique_ptr<TVORSAMDatabase>> created_;
    bool keepConnections_ = true;
    bool isDefault_ = false;
    bool autoSessionName_ = false;
    std::string sessionName_;
    int autoNumber_ = -1;
    std::string privateDir_;
    uint16_t progressSteps_ = 20;
    int useCount_ = 0;
    bool forceBufferFlush_ = false;
    bool strictChangeDetection_ = false;
    uint8_t lockRetryCount_ = 15;
    uint16_t lockWaitTime_ = 100;
    TLockProtocol lockProtocol_ = lpPessimistic;
    TSessionType sessionType_ = stLocal;
    TRemoteType remoteType_ = rtLAN;
    TRemoteSettings remote_; // the address defaults to the loopback address
    TNotifyEvent onStartup_;
    TPasswordEvent onPassword_;
    TLoginEvent onRemoteLogin_;
    TTraceEvent onRemoteTrace_;
};

// Holds a session's lock (LockSession) for a scope.
class TSessionLockGuard {
public:
    explicit TSessionLockGuard(TVORSAMSession& session) : session_(session) { session_.LockSession(); }
    ~TSessionLockGuard() { session_.UnlockSession(); }
    TSessionLockGuard(const TSessionLockGuard&) = delete;
    TSessionLockGuard& operator=(const TSessionLockGuard&) = delete;

private:
    TVORSAMSession& session_;
};

// The dialogs a session shows when the application gives no handler: the table-password dialog (true
// when it closed with OK, having added the typed password to the session) and the server login dialog
// (true unless cancelled). The user interface installs them; without them nothing is asked and the
// request is refused.
using TPasswordDialog = std::function<bool(TVORSAMSession& session)>;
using TLoginDialog = std::function<bool(TVORSAMSession& session, std::string& user, std::string& password)>;
void SetSessionDialogs(TPasswordDialog passwordDialog, TLoginDialog loginDialog);

} // namespace vorsam
