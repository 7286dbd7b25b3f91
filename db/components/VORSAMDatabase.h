// TVORSAMDatabase: binds a database name to an engine database (TDataDirectory): a folder of table
// files, the in-memory database "Memory", or a database on a server.
//
// Datasets name their database by DatabaseName. When no database component of that name exists, the
// session makes one (OpenDatabase): its name is then the folder itself, or "Memory". A database
// component made by the application has a plain name (never a folder) and a Directory.
//
// Names: '\' in DatabaseName, Directory and RemoteDatabase is stored as '/'. A name is a folder
// (IsDirectoryName) when it is empty or holds '/', '\' or ':'; a folder name is not passed to the
// engine as a database name, only as the folder. Names compare ignoring case, folder names exactly.
//
// Opening (Open, SetConnected(true)): BeforeConnect; "Database name is missing." for a database of
// the application without name; the database binds to its session by SessionName (raising "Session
// name %s is not valid." for an unknown one), refuses a second database of the same name in the
// session ("Database name %s already exists.", unless both share handles; an unused one the session
// made gives way) and activates the session; a HandleShared database then shares the engine database
// of an open HandleShared database of the same name; otherwise it opens its own, inside the session's
// lock. Each database holds its own use of the engine database, so closing one that shares never
// closes it under the other.
//
// Closing disconnects every dataset of the database first (each leaves the list as it closes; a query
// also unprepares), then releases the engine database, inside the session's lock. It is refused first,
// changing nothing, while a dataset of the database is at its own run (the routines that run calls may
// not close it; TVORSAMDBDataSet::Running) or while it would be a request inside another (the last
// close of a server's database, from a routine of a request: DataSession.h).
//
// Transactions run on the engine database (Transaction.h), once the checks of the component have
// passed (a dataset of the database at its own run refuses them too): Commit ends the transaction,
// writing its changes (synced with ForceFlush).
#pragma once

#include "db/components/VORSAMComponent.h"
#include "db/engine/DataDirectory.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::data {
class TDataSet;
}

namespace vorsam {

class TVORSAMSession;

// The name as stored: '\' becomes '/'.
std::string NormaliseDatabaseName(std::string_view name);
// True for an empty name and for one holding '/', '\' or ':' (a folder).
bool IsDirectoryName(std::string_view name);
// Folder names compare exactly but for trailing separators (folders are case-sensitive), other names
// ignoring case.
bool SameDatabaseName(std::string_view a, std::string_view b);

class TVORSAMDatabase : public TSessionBoundComponent {
public:
    using TNotifyEvent = std::function<void(TVORSAMDatabase& sender)>;

    // Bound to the default session (or to the auto-named session of the owner).
    explicit TVORSAMDatabase(TVORSAMOwner* owner = nullptr);
    // Bound to the session given.
    explicit TVORSAMDatabase(TVORSAMSession& session);
    ~TVORSAMDatabase() override;

    bool Connected() const { return handle_ != nullptr; }
    void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    // The engine database while connected.
    TDataDirectory* Handle() const { return handle_; }
    TVORSAMSession* Session() const { return session_; }

    const std::string& DatabaseName() const { return databaseName_; }
    // Refused on an open database; a folder name only for databases the session made.
    void SetDatabaseName(const std::string& name);
    const std::string& Directory() const { return directory_; }
    void SetDirectory(const std::string& folder);
    // Upper case, without leading and trailing separators.
    const std::string& RemoteDatabase() const { return remoteDatabase_; }
    void SetRemoteDatabase(const std::string& name);
    const std::string& SessionName() const override { return sessionName_; }
    void SetSessionName(const std::string& name) override;
    bool HandleShared() const { return handleShared_; }
    void SetHandleShared(bool value) { handleShared_ = value; }
    bool KeepConnection() const { return keepConnection_; }
    // False on a database without references closes it.
    void SetKeepConnection(bool value);
    void SetBeforeConnect(TNotifyEvent handler) { beforeConnect_ = std::move(handler); }

    bool CreatedBySession() const { return createdBySession_; }
    // Opens through the session not yet closed.
    int ReferenceCount() const { return references_; }

    // Transactions (see above).
    void StartTransaction();
    void Commit(bool forceFlush = false);
    void Rollback();

    // The datasets working on the database: a dataset joins when it opens (a query when it prepares)
    // and leaves when it closes (a query when it is also unprepared).
    void AddDataSet(platform::data::TDataSet& dataSet);
    void RemoveDataSet(platform::data::TDataSet& dataSet);
    const std::vector<platform::data::TDataSet*>& DataSets() const { return dataSets_; }

private:
    friend class TVORSAMSession;
    struct TSessionMade {};
    TVORSAMDatabase(TVORSAMSession& session, TSessionMade);

    void BindTo(TVORSAMSession& session);
    void SetSession(bool activate);
    void CheckDuplicateName(const std::string& name);
    void CheckClosed() const;
    void CheckInTransaction() const;
    void Connect();
    void Disconnect();
    void CloseDataSets();
    // Raise, changing nothing, VORSAM_NOTSUPPORTED while a dataset of the database is at its own run
    // (TVORSAMDBDataSet::Running: its statement's transaction is not ended, nor it closed, from the
    // routines it calls); RefuseClose also while its close would be a request inside a request.
    void RefuseRunningDataSets() const;
    void RefuseClose() const;
    TVORSAMDatabase* FindLender() const;
    // Drops the engine database without releasing it (its engine session is gone or going).
    void ForgetEngine();
    // Called when the session goes: the database falls back to the default session.
    void SessionGone();

    TVORSAMSession* session_ = nullptr;
    TDataDirectory* handle_ = nullptr;
    std::vector<platform::data::TDataSet*> dataSets_;
    bool keepConnection_ = true;
    bool createdBySession_ = false;
    bool handleShared_ = false;
    // While it closes or is destroyed, the session leaves it alone when its last reference goes.
    bool closing_ = false;
    bool destroying_ = false;
    int references_ = 0;
    std::string sessionName_;
    std::string databaseName_;
    std::string directory_;
    std::string remoteDatabase_;
    // What the engine database was opened with.
    std::string engineName_;
    std::string engineFolder_;
    TNotifyEvent beforeConnect_;
};

} // namespace vorsam
