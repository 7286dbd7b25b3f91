// TVORSAMDBDataSet: a dataset over a cursor bound to a database and session by name.
#include "db/components/VORSAMDataSet.h"

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/lib/EngineErrors.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"

#include <utility>

namespace vorsam {

using namespace platform::data;

TVORSAMDBDataSet::TVORSAMDBDataSet(TVORSAMOwner* owner) : TSessionBoundComponent(owner) {
    InsertIntoOwner();
}

TVORSAMDBDataSet::~TVORSAMDBDataSet() {
    Close();
}

void TVORSAMDBDataSet::SetDatabaseName(const std::string& name) {
    const std::string normalised = NormaliseDatabaseName(name);
    if (normalised == databaseName_) return;
    CheckInactive();
    if (database_ != nullptr) DatabaseError(SDatabaseOpen);
    databaseName_ = normalised;
    DataEvent(dePropertyChange);
}

void TVORSAMDBDataSet::SetSessionName(const std::string& name) {
    CheckInactive();
    sessionName_ = name;
    DataEvent(dePropertyChange);
}

TVORSAMSession* TVORSAMDBDataSet::EngineSession() const {
    return database_ != nullptr ? database_->Session() : nullptr;
}

// ---- database flags ----

void TVORSAMDBDataSet::SetDBFlag(TDBFlag flag, bool value) {
    const uint16_t bit = uint16_t(1u << flag);
    if (value) {
        if (dbFlags_ == 0) BindDatabase();
        dbFlags_ |= bit;
        return;
    }
    if ((dbFlags_ & bit) == 0) return;
    dbFlags_ &= uint16_t(~bit);
    if (dbFlags_ == 0) ReleaseDatabase();
}

// A database component of the name that was made for this session before the session existed waits in
// the default session: opening it binds it to its own session first.
void TVORSAMDBDataSet::BindDatabase() {
    TVORSAMSessionList& sessions = Sessions();
    if (!sessionName_.empty() && !databaseName_.empty()) {
        TVORSAMSession* named = sessions.FindSession(sessionName_);
        TVORSAMDatabase* waiting = sessions.DefaultSession().FindDatabase(databaseName_);
        if (named != nullptr && named != &sessions.DefaultSession() &&
            named->FindDatabase(databaseName_) == nullptr && waiting != nullptr &&
            SameText(waiting->SessionName(), named->SessionName()))
            waiting->Open();
    }
    TVORSAMDatabase& database = sessions.GetSession(sessionName_).OpenDatabase(databaseName_, Owner());
    database.AddDataSet(*this);
    database_ = &database;
}

void TVORSAMDBDataSet::ReleaseDatabase() {
    TVORSAMDatabase* database = std::exchange(database_, nullptr);
    if (database == nullptr) return;
    database->RemoveDataSet(*this);
    database->Session()->CloseDatabase(*database);
}

void TVORSAMDBDataSet::RefuseWhileRunning() const {
    if (!Running()) return;
    RaiseEngineError(
        VORSAM_NOTSUPPORTED, "", "", databaseName_, "", "", "",
        "the dataset's own statement is running: the routines it calls may not open, run, change "
        "or free it, nor close its database or session, nor start or end a transaction there");
}

// ---- opening and closing ----

void TVORSAMDBDataSet::OpenCursor(bool infoQuery) {
    RefuseWhileRunning();
    SetDBFlag(dbfOpened, true);
    TVORSAMDataSet::OpenCursor(infoQuery);
}

void TVORSAMDBDataSet::CloseCursor() {
    if (Running()) return; // an open refused at the dataset's own run: nothing of it to close
    try {
        TVORSAMDataSet::CloseCursor();
    } catch (...) {
        SetDBFlag(dbfOpened, false);
        throw;
    }
    SetDBFlag(dbfOpened, false);
}

} // namespace vorsam
