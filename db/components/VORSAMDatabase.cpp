#include "db/components/VORSAMDatabase.h"

#include "db/components/VORSAMDataSet.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/engine/DataSession.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/TableNames.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"
#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

namespace {

using namespace platform::data;

} // namespace

std::string NormaliseDatabaseName(std::string_view name) {
    return ForwardToBackslashes(name);
}

bool IsDirectoryName(std::string_view name) {
    return name.empty() || name.find_first_of("/\\:") != std::string_view::npos;
}

bool SameDatabaseName(std::string_view a, std::string_view b) {
    if (IsDirectoryName(a) || IsDirectoryName(b))
        return RemoveTrailingBackslashes(a) == RemoveTrailingBackslashes(b);
    return SameText(a, b);
}

TVORSAMDatabase::TVORSAMDatabase(TVORSAMOwner* owner) : TSessionBoundComponent(owner) {
    BindTo(vorsam::DefaultSession());
    InsertIntoOwner();
}

TVORSAMDatabase::TVORSAMDatabase(TVORSAMSession& session) : TSessionBoundComponent(nullptr) {
    BindTo(session);
}

TVORSAMDatabase::TVORSAMDatabase(TVORSAMSession& session, TSessionMade) : TSessionBoundComponent(nullptr) {
    createdBySession_ = true;
    BindTo(session);
}

TVORSAMDatabase::~TVORSAMDatabase() {
    destroying_ = true;
    try {
        Disconnect();
    } catch (...) {
        // The engine database stays with its engine session, which frees it.
    }
    if (session_ != nullptr) session_->RemoveDatabase(*this);
}

void TVORSAMDatabase::BindTo(TVORSAMSession& session) {
    sessionName_ = session.SessionName();
    session_ = &session;
    session.AddDatabase(*this);
}

void TVORSAMDatabase::SetConnected(bool value) {
    if (value == Connected()) return;
    if (value)
        Connect();
    else
        Disconnect();
}

void TVORSAMDatabase::Connect() {
    if (beforeConnect_) beforeConnect_(*this);
    if (databaseName_.empty() && !createdBySession_) DatabaseError(SDatabaseNameMissing);
    SetSession(true);
    TSessionLockGuard lock(*session_);
    TDataSession& engine = *session_->Handle();
    if (const TVORSAMDatabase* lender = handleShared_ ? FindLender() : nullptr) {
        engineName_ = lender->engineName_;
        engineFolder_ = lender->engineFolder_;
        handle_ = &engine.OpenDataDirectory(engineName_, engineFolder_);
        assert(handle_ == lender->handle_);
        return;
    }
    if (engine.IsRemote()) {
        engineName_ = remoteDatabase_;
        engineFolder_.clear();
    } else {
        engineName_ = IsDirectoryName(databaseName_) ? std::string() : databaseName_;
        engineFolder_ = directory_;
    }
    handle_ = &engine.OpenDataDirectory(engineName_, engineFolder_);
}

TVORSAMDatabase* TVORSAMDatabase::FindLender() const {
    for (TVORSAMDatabase* other : session_->Databases())
        if (other != this && other->Connected() && other->handleShared_ &&
            SameDatabaseName(other->databaseName_, databaseName_))
            return other;
    return nullptr;
}

void TVORSAMDatabase::Disconnect() {
    if (!Connected() || closing_) return;
    assert(session_ != nullptr && session_->Active());
    RefuseClose();
    closing_ = true;
    try {
        CloseDataSets();
        TSessionLockGuard lock(*session_);
        session_->Handle()->CloseDataDirectory(*handle_);
    } catch (...) {
        closing_ = false;
        throw;
    }
    closing_ = false;
    ForgetEngine();
}

void TVORSAMDatabase::RefuseRunningDataSets() const {
    for (TDataSet* dataSet : dataSets_)
        if (auto* bound = dynamic_cast<const TVORSAMDBDataSet*>(dataSet)) bound->RefuseWhileRunning();
}

void TVORSAMDatabase::RefuseClose() const {
    if (!Connected()) return;
    RefuseRunningDataSets();
    TSessionLockGuard lock(*session_);
    session_->Handle()->RefuseCloseInsideRequest(*handle_);
}

void TVORSAMDatabase::ForgetEngine() {
    handle_ = nullptr;
    references_ = 0;
}

// A dataset of the engine disconnects: a query also unprepares, giving back its statement's use of
// the engine database, which could not close under it.
void TVORSAMDatabase::CloseDataSets() {
    while (!dataSets_.empty()) {
        TDataSet* dataSet = dataSets_.back();
        if (auto* bound = dynamic_cast<TVORSAMDBDataSet*>(dataSet))
            bound->Disconnect();
        else
            dataSet->Close();
        RemoveDataSet(*dataSet); // one that did not leave as it closed
    }
}

void TVORSAMDatabase::AddDataSet(TDataSet& dataSet) {
    if (std::find(dataSets_.begin(), dataSets_.end(), &dataSet) == dataSets_.end())
        dataSets_.push_back(&dataSet);
}

void TVORSAMDatabase::RemoveDataSet(TDataSet& dataSet) {
    std::erase(dataSets_, &dataSet);
}

void TVORSAMDatabase::SetSession(bool activate) {
    TVORSAMSessionList& list = Sessions();
    TVORSAMSession* session = activate ? &list.GetSession(sessionName_) : list.FindSession(sessionName_);
    if (session != nullptr && session != session_) {
        if (session_ != nullptr) session_->RemoveDatabase(*this);
        session_ = session;
        session->AddDatabase(*this);
    }
    CheckDuplicateName(databaseName_);
    if (activate) session_->SetActive(true);
}

void TVORSAMDatabase::SessionGone() {
    const bool fromDefault = session_->IsDefault();
    if (Connected() && session_->Active()) {
        try {
            Disconnect();
        } catch (...) {
            // Its engine database goes with the session's engine session.
        }
    }
    ForgetEngine();
    session_->RemoveDatabase(*this);
    session_ = nullptr;
    if (!fromDefault) sessionName_.clear();
}

void TVORSAMDatabase::CheckDuplicateName(const std::string& name) {
    if (session_ == nullptr || name.empty()) return;
    for (TVORSAMDatabase* other : session_->Databases()) {
        if (other == this || !SameDatabaseName(other->databaseName_, name)) continue;
        if (other->handleShared_ && handleShared_) return;
        if (!other->createdBySession_ || other->references_ > 0)
            DatabaseErrorFmt(SDuplicateDatabaseName, {name});
        session_->FreeCreatedDatabase(*other);
        return;
    }
}

void TVORSAMDatabase::CheckClosed() const {
    if (Connected()) DatabaseError(SDatabaseOpen);
}

void TVORSAMDatabase::SetDatabaseName(const std::string& name) {
    const std::string stored = NormaliseDatabaseName(name);
    if (stored == databaseName_) return;
    CheckClosed();
    if (!stored.empty() && !createdBySession_ && IsDirectoryName(stored))
        DatabaseErrorFmt(SInvalidDatabaseName, {stored});
    CheckDuplicateName(stored);
    databaseName_ = stored;
}

void TVORSAMDatabase::SetDirectory(const std::string& folder) {
    CheckClosed();
    directory_ = NormaliseDatabaseName(folder);
}

void TVORSAMDatabase::SetRemoteDatabase(const std::string& name) {
    CheckClosed();
    remoteDatabase_ = RemoveOuterBackslashes(NormaliseDatabaseName(name));
}

void TVORSAMDatabase::SetSessionName(const std::string& name) {
    if (name == sessionName_) return;
    CheckClosed();
    sessionName_ = name;
    SetSession(false);
}

void TVORSAMDatabase::SetKeepConnection(bool value) {
    keepConnection_ = value;
    if (!value && references_ == 0) Close();
}

void TVORSAMDatabase::StartTransaction() {
    if (!Connected()) DatabaseError(SDatabaseClosed);
    RefuseRunningDataSets();
    if (handle_->InTransaction()) DatabaseErrorFmt(SInTransaction, {databaseName_});
    TSessionLockGuard lock(*session_);
    handle_->StartTransaction();
}

void TVORSAMDatabase::CheckInTransaction() const {
    if (!Connected()) DatabaseError(SDatabaseClosed);
    RefuseRunningDataSets();
    if (!handle_->InTransaction()) DatabaseErrorFmt(SNotInTransaction, {databaseName_});
}

void TVORSAMDatabase::Commit(bool forceFlush) {
    CheckInTransaction();
    TSessionLockGuard lock(*session_);
    handle_->Commit(true, forceFlush);
}

void TVORSAMDatabase::Rollback() {
    CheckInTransaction();
    TSessionLockGuard lock(*session_);
    handle_->Rollback();
}

} // namespace vorsam
