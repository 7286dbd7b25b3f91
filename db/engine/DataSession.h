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
//     each with a count of opens that CloseDataDirectory releases; the last close frees it;
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
// Remote sessions: the session keeps the remote settings, but this engine has no client for a database
// server; everything that would talk to one raises VORSAM_NOTCONNECTED.
//
// Engine sessions are used under the process's session lock; they have no lock of their own.
#pragma once

#include "db/engine/EngineSettings.h"
#include "db/engine/EngineStartup.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace vorsam {

class TDataDirectory;

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
    uint32_t BufferSize = 16384;      // bytes of records and index pages of a table
    uint32_t RecordCacheLimit = 8192; // records
    uint32_t IndexBufferSize = 16384; // bytes of index pages per index
    uint32_t BlobBufferSize = 32768;  // bytes of blob blocks
    uint32_t BlobBufferLimit = 8192;  // blocks
};

// A database server and the login to it.
struct TRemoteSettings {
    std::string Host;
    std::string Address;
    std::string Service;
    std::string User;
    std::string Password;
    int32_t Port = 12005;
    bool Trace = false;
    bool Lan = true; // network kind: a LAN, or else the internet
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
inline constexpr uint32_t AllDirectoryRights = 0xFFFFFFFF;

class TDataSession {
public:
    TDataSession();
    ~TDataSession();
    TDataSession(const TDataSession&) = delete;
    TDataSession& operator=(const TDataSession&) = delete;

    // Settings.
    const EngineSettings& Settings() const { return settings_; }
    void SetForceBufferFlush(bool value) { settings_.ForceBufferFlush = value; }
    void SetStrictChangeDetection(bool value) { settings_.StrictChangeDetection = value; }
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
    bool IsRemote() const { return settings_.Remote; }
    bool IsConnected() const { return false; }
    void SetRemote(bool value) { settings_.Remote = value; }
    // Texts of at most 255 characters, a port 1 .. 65535.
    void SetRemoteSettings(const TRemoteSettings& remote);
    const TRemoteSettings& RemoteSettings() const { return remote_; }
    void SetRemoteLoginHandler(std::function<bool(std::string& user, std::string& password)> handler) {
        loginHandler_ = std::move(handler);
    }
    void SetRemoteTraceHandler(std::function<void(const std::string& line)> handler) {
        traceHandler_ = std::move(handler);
    }
    [[noreturn]] void Connect();
    [[noreturn]] void Login();
    void Logout() {}
    [[noreturn]] void SendSessionParams();
    [[noreturn]] void EnsureConnected();
    [[noreturn]] void Reconnect();

private:
    struct TDirectoryEntry {
        std::unique_ptr<TDataDirectory> Directory;
        uint32_t Uses = 0;
    };
    using TDirectories = std::map<std::string, TDirectoryEntry>;

    TDirectories::iterator EntryOf(const TDataDirectory& directory);
    TDataDirectory& OpenByFolder(const std::string& folder);
    TDataDirectory& OpenByName(const std::string& databaseName, const std::string& folder);
    TDataDirectory& OpenNew(const std::string& key, const std::string& name, const std::string& folder,
                            bool inMemory);

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
    TDirectories directories_;
};

} // namespace vorsam
