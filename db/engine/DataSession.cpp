#include "db/engine/DataSession.h"

#include "db/engine/DataDirectory.h"
#include "db/engine/RemoteConnection.h"
#include "db/lib/Collation.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/FileCalls.h"
#include "db/lib/FileList.h"
#include "db/lib/TableNames.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>

namespace vorsam {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view MemoryDatabaseName = "Memory";

[[noreturn]] void RaiseInvalid(const std::string& what, const std::string& database = {}) {
    RaiseEngineError(VORSAM_INVALIDPARAM, "", "", database, "", "", "", what);
}

void CheckRange(const char* name, int64_t value, int64_t min, int64_t max) {
    if (value < min || value > max)
        RaiseInvalid(std::string(name) + " = " + std::to_string(value) + " (allowed " + std::to_string(min) +
                     " to " + std::to_string(max) + ")");
}

void CheckText(const char* name, const std::string& text) {
    if (text.size() > MaxRemoteText)
        RaiseInvalid(std::string(name) + " longer than " + std::to_string(MaxRemoteText) + " characters");
}

// The folder with a trailing '/'.
std::string WithTrailingSeparator(const std::string& folder) {
    return folder.empty() || folder.back() == '/' ? folder : folder + '/';
}

// A folder that cannot be looked at is refused with the system's error, not as missing.
void RequireFolder(const std::string& folder) {
    struct stat info {};
    const int error = StatusByName(folder, info, true) == 0 ? 0 : errno;
    if (error == 0 && S_ISDIR(info.st_mode)) return;
    if (error == 0 || error == ENOENT || error == ENOTDIR)
        RaiseEngineError(VORSAM_DIRNOTFOUND, "", "", folder, "", "", "", "");
    TErrorContext context;
    context.Table = folder;
    context.Database = folder;
    context.ExtraText = std::string("the folder cannot be looked at: ") + std::strerror(error);
    RaiseOSError(error, VORSAM_OSERROR, context);
}

} // namespace

TDataSession::TDataSession(bool server)
    : privateDirectory_(WithTrailingSeparator(NormaliseFolder(fs::temp_directory_path().string()))),
      defaultDirectory_(WithTrailingSeparator(NormaliseFolder(fs::current_path().string()))),
      server_(server) {
    remote_.Address = "127.0.0.1";
    settings_.PrivateDirectory = GetPrivateDirectory();
}

TDataSession::~TDataSession() = default;

void TDataSession::SetForceBufferFlush(bool value) {
    ParamsChanging();
    settings_.ForceBufferFlush = value;
    ParamsChanged();
}

void TDataSession::SetStrictChangeDetection(bool value) {
    ParamsChanging();
    settings_.StrictChangeDetection = value;
    ParamsChanged();
}

void TDataSession::SetLockRetryCount(int64_t value) {
    ParamsChanging();
    CheckRange("LockRetryCount", value, 0, MaxLockRetryCount);
    settings_.LockRetryCount = uint8_t(value);
    ParamsChanged();
}

void TDataSession::SetLockWaitTime(int64_t value) {
    ParamsChanging();
    CheckRange("LockWaitTime", value, 0, MaxLockWaitTime);
    settings_.LockWaitTime = uint16_t(value);
    ParamsChanged();
}

void TDataSession::SetLockProtocol(TLockProtocol value) {
    ParamsChanging();
    CheckRange("LockProtocol", value, lpPessimistic, lpOptimistic);
    lockProtocol_ = value;
    if (serverVersion_ >= ServerVersion304) ParamsChanged();
}

void TDataSession::SetProgressSteps(int64_t value) {
    ParamsChanging();
    CheckRange("ProgressSteps", value, 0, MaxProgressSteps);
    progressSteps_ = value;
    ParamsChanged();
}

int32_t TDataSession::GetProgressStep() const {
    return progressSteps_ == 0 ? 100 : int32_t(100 / progressSteps_);
}

void TDataSession::SetBufferSizes(const TBufferSizes& sizes) {
    CheckRange("BufferSize", sizes.BufferSize, MinBufferBytes, MaxBufferBytes);
    CheckRange("RecordCacheLimit", sizes.RecordCacheLimit, MinCacheLimit, MaxCacheLimit);
    CheckRange("IndexBufferSize", sizes.IndexBufferSize, MinIndexBufferBytes, MaxBufferBytes);
    CheckRange("BlobBufferSize", sizes.BlobBufferSize, MinBufferBytes, MaxBufferBytes);
    CheckRange("BlobBufferLimit", sizes.BlobBufferLimit, MinCacheLimit, MaxCacheLimit);
    CheckRange("ChangeBudget", sizes.ChangeBudget, MinBufferBytes, MaxBufferBytes);
    settings_.BufferSize = sizes.BufferSize;
    settings_.RecordCacheLimit = sizes.RecordCacheLimit;
    settings_.IndexBufferSize = sizes.IndexBufferSize;
    settings_.BlobBufferSize = sizes.BlobBufferSize;
    settings_.BlobBufferLimit = sizes.BlobBufferLimit;
    settings_.ChangeBudget = sizes.ChangeBudget;
}

void TDataSession::SetPrivateDirectory(const std::string& folder) {
    ParamsChanging();
    std::string stored = folder.empty() ? folder : WithTrailingSeparator(NormaliseFolder(folder));
    if (!stored.empty()) RequireFolder(stored);
    privateDirectory_ = stored;
    settings_.PrivateDirectory = GetPrivateDirectory();
    ParamsChanged();
}

std::string TDataSession::GetPrivateDirectory() const {
    return privateDirectory_.empty() ? defaultDirectory_ : privateDirectory_;
}

void TDataSession::AddPassword(const std::string& password) {
    if (password.empty()) return;
    passwords_.insert(password);
}

TDataDirectory& TDataSession::OpenDataDirectory(const std::string& databaseName, const std::string& folder) {
    if (IsRemote()) return OpenRemote(databaseName);
    return databaseName.empty() ? OpenByFolder(folder.empty() ? defaultDirectory_ : folder)
                                : OpenByName(databaseName, folder);
}

TDataDirectory& TDataSession::OpenByFolder(const std::string& folder) {
    // A folder as an open database gives it (normalised already) is found without normalising it again.
    auto it = directories_.find("folder:" + folder);
    if (it != directories_.end()) {
        ++it->second.Uses;
        return *it->second.Directory;
    }
    std::string normal = NormaliseFolder(folder);
    std::string key = "folder:" + normal;
    it = directories_.find(key);
    if (it == directories_.end()) return OpenNew(key, "", normal, false);
    ++it->second.Uses;
    return *it->second.Directory;
}

TDataDirectory& TDataSession::OpenByName(const std::string& databaseName, const std::string& folder) {
    std::string key = "name:" + LocaleUpperCase(0, 0, databaseName);
    auto it = directories_.find(key);
    if (it != directories_.end()) {
        TDataDirectory& open = *it->second.Directory;
        if (!folder.empty() && (open.InMemory() || NormaliseFolder(folder) != open.Folder()))
            RaiseInvalid("the database " + databaseName + " is open on another folder", databaseName);
        ++it->second.Uses;
        return open;
    }
    bool memory = strcasecmp(databaseName.c_str(), MemoryDatabaseName.data()) == 0;
    std::string place = !folder.empty() ? folder
                        : memory        ? DoGetMemoryDirectory()
                                        : DoGetDatabaseDirectory(databaseName);
    if (place.empty() && memory) {
        std::unique_ptr<TDataDirectory> idle = std::move(idleMemory_);
        if (!idle || idle->Name() != databaseName) return OpenNew(key, databaseName, "", true);
        idle->rights_ = DoGetDirectoryRights(databaseName);
        TDirectoryEntry& entry = directories_[key];
        entry.Directory = std::move(idle);
        entry.Uses = 1;
        return *entry.Directory;
    }
    if (place.empty()) RaiseEngineError(VORSAM_DIRNOTFOUND, "", "", databaseName, "", "", "", "");
    return OpenNew(key, databaseName, NormaliseFolder(place), false);
}

TDataDirectory& TDataSession::OpenNew(const std::string& key, const std::string& name,
                                      const std::string& folder, bool inMemory,
                                      std::optional<uint32_t> remoteHandle) {
    if (!inMemory && !remoteHandle) RequireFolder(folder);
    uint32_t rights = DoGetDirectoryRights(name.empty() ? folder : name);
    std::unique_ptr<TDataDirectory> directory(new TDataDirectory(*this, name, folder, inMemory, rights));
    directory->remote_ = remoteHandle.has_value();
    directory->remoteHandle_ = remoteHandle.value_or(0);
    TDirectoryEntry& entry = directories_[key];
    entry.Directory = std::move(directory);
    entry.Uses = 1;
    return *entry.Directory;
}

TDataSession::TDirectories::iterator TDataSession::EntryOf(const TDataDirectory& directory) {
    for (auto it = directories_.begin(); it != directories_.end(); ++it)
        if (it->second.Directory.get() == &directory) return it;
    return directories_.end();
}

uint32_t TDataSession::DirectoryUseCount(const TDataDirectory& directory) const {
    auto it = const_cast<TDataSession*>(this)->EntryOf(directory);
    return it == directories_.end() ? 0 : it->second.Uses;
}

void TDataSession::CloseDataDirectory(TDataDirectory& directory) {
    auto it = EntryOf(directory);
    if (it == directories_.end()) RaiseInvalid("the database is not open in this session");
    assert(it->second.Uses > 0);
    RefuseCloseInsideRequest(directory);
    // Never committed unasked; a server's database leaves its transaction to the server.
    if (it->second.Uses == 1 && !directory.IsRemote() && directory.InTransaction()) directory.Rollback();
    if (it->second.Uses == 1) directory.DropKeptTables();
    if (it->second.Uses == 1 && directory.InUse())
        RaiseEngineError(VORSAM_FILEINUSE, "", "", directory.GetDatabaseName(), directory.GetDatabaseName(),
                         "", "", "");
    if (it->second.Uses == 1 && directory.IsRemote()) CloseRemote(directory);
    if (--it->second.Uses > 0) return;
    if (directory.InMemory() && !directory.IsRemote() && directory.HasSpareTables()) {
        directory.tempNames_.clear(); // as a database opened afresh has given none
        idleMemory_ = std::move(it->second.Directory);
    }
    directories_.erase(it);
}

std::string TDataSession::DoGetMemoryDirectory() const {
    return hooks_.GetMemoryDirectory ? hooks_.GetMemoryDirectory() : std::string();
}

std::string TDataSession::DoGetDatabaseDirectory(const std::string& databaseName) const {
    return hooks_.GetDatabaseDirectory ? hooks_.GetDatabaseDirectory(databaseName) : databaseName;
}

uint32_t TDataSession::DoGetDirectoryRights(const std::string& databaseName) const {
    return hooks_.GetDirectoryRights ? hooks_.GetDirectoryRights(databaseName) : AllDirectoryRights;
}

bool TDataSession::DoCheckStatementRights(const TDataDirectory& directory, TStatementAccess access,
                                          const std::string& tableName) const {
    return hooks_.CheckStatementRights ? hooks_.CheckStatementRights(directory, access, tableName) : true;
}

void TDataSession::SetRemoteSettings(const TRemoteSettings& remote) {
    CheckText("RemoteHost", remote.Host);
    CheckText("RemoteAddress", remote.Address);
    CheckText("RemoteService", remote.Service);
    CheckText("RemoteUser", remote.User);
    CheckText("RemotePassword", remote.Password);
    CheckRange("RemotePort", remote.Port, 1, 65535);
    CheckRange("ConnectTimeout", remote.ConnectTimeout, 1, MaxRemoteTimeout);
    CheckRange("ReplyTimeout", remote.ReplyTimeout, 1, MaxRemoteTimeout);
    TRemoteSettings unchanged = remote_;
    unchanged.Trace = remote.Trace;
    if (IsConnected() && !(unchanged == remote)) RaiseInvalid("the server settings of a connected session");
    remote_ = remote;
}

} // namespace vorsam
