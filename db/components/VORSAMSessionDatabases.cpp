// The databases of a session: the list, opening by name for datasets, and their release.
#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "platform/data/TextUtil.h"

#include <algorithm>

namespace vorsam {

void TVORSAMSession::AddDatabase(TVORSAMDatabase& database) {
    databases_.push_back(&database);
}

void TVORSAMSession::RemoveDatabase(TVORSAMDatabase& database) {
    std::erase(databases_, &database);
}

TVORSAMDatabase* TVORSAMSession::FindDatabase(const std::string& name) const {
    const std::string wanted = NormaliseDatabaseName(name);
    for (TVORSAMDatabase* database : databases_)
        if ((!database->DatabaseName().empty() || database->CreatedBySession()) &&
            SameDatabaseName(database->DatabaseName(), wanted))
            return database;
    return nullptr;
}

TVORSAMDatabase* TVORSAMSession::FindSharedDatabase(const std::string& name, TVORSAMOwner* owner) const {
    for (TVORSAMDatabase* database : databases_)
        if (database->Owner() == owner && database->HandleShared() &&
            SameDatabaseName(database->DatabaseName(), name))
            return database;
    return nullptr;
}

TVORSAMDatabase& TVORSAMSession::OpenDatabase(const std::string& databaseName, TVORSAMOwner* owner) {
    TSessionLockGuard lock(*this);
    const std::string name = NormaliseDatabaseName(databaseName);
    TVORSAMDatabase* database = FindSharedDatabase(name, owner);
    if (database == nullptr) database = FindDatabase(name);
    const bool made = database == nullptr;
    if (made) database = &CreateDatabase(name);
    try {
        database->Open();
    } catch (...) {
        if (made) FreeCreatedDatabase(*database);
        throw;
    }
    ++database->references_;
    return *database;
}

TVORSAMDatabase& TVORSAMSession::CreateDatabase(const std::string& name) {
    created_.push_back(
        std::unique_ptr<TVORSAMDatabase>(new TVORSAMDatabase(*this, TVORSAMDatabase::TSessionMade{})));
    TVORSAMDatabase& database = *created_.back();
    database.SetDatabaseName(name);
    if (sessionType_ == stRemote)
        database.SetRemoteDatabase(name);
    else if (!platform::data::SameText(name, "Memory"))
        database.SetDirectory(name);
    database.SetKeepConnection(keepConnections_);
    return database;
}

void TVORSAMSession::FreeCreatedDatabase(TVORSAMDatabase& database) {
    auto it =
        std::find_if(created_.begin(), created_.end(), [&](const auto& d) { return d.get() == &database; });
    if (it == created_.end()) return;
    std::unique_ptr<TVORSAMDatabase> freed = std::move(*it);
    created_.erase(it);
}

void TVORSAMSession::CloseDatabase(TVORSAMDatabase& database) {
    TCriticalSectionGuard lock(SessionLock()); // without starting a stopped session
    if (database.references_ > 0) --database.references_;
    if (database.references_ > 0 || database.keepConnection_) return;
    if (database.closing_ || database.destroying_) return; // it is going already
    if (database.createdBySession_)
        FreeCreatedDatabase(database);
    else
        database.Close();
}

} // namespace vorsam
