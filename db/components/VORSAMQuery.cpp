#include "db/components/VORSAMQuery.h"

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMQueryParams.h"
#include "db/components/VORSAMSession.h"
#include "db/lib/EngineErrors.h"
#include "db/sql/QueryStatement.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSource.h"
#include "platform/data/Errors.h"
#include "platform/data/Field.h"

#include <cassert>

namespace vorsam {

using namespace platform::data;

TVORSAMQuery::TVORSAMQuery(TVORSAMOwner* owner) : TVORSAMDBDataSet(owner) {}

TVORSAMQuery::~TVORSAMQuery() {
    assert(!Running() && "a query is not destroyed by the routines of its own run");
    try {
        Disconnect();
    } catch (...) {
        // closing what remains cannot be reported from a destructor
    }
}

// ---- text and parameters ----

std::string TVORSAMQuery::SQLText() const {
    std::string text;
    for (size_t i = 0; i < sql_.size(); ++i) text += (i == 0 ? "" : "\n") + sql_[i];
    return text;
}

void TVORSAMQuery::SetSQL(const std::vector<std::string>& lines) {
    RefuseWhileRunning();
    if (lines == sql_) return;
    Disconnect();
    sql_ = lines;
    QueryChanged();
}

void TVORSAMQuery::QueryChanged() {
    if (!paramCheck_) {
        text_ = SQLText();
        return;
    }
    TParams fresh;
    text_ = fresh.ParseSQL(SQLText(), true);
    fresh.AssignValues(params_);
    params_ = fresh;
}

// ---- master link ----

TDataSet* TVORSAMQueryDataLink::DetailDataSet() const {
    return &query_;
}

void TVORSAMQueryDataLink::ActiveChanged() {
    if (Active() && query_.Active()) query_.RefreshParams();
}

void TVORSAMQueryDataLink::CheckBrowseMode() {
    if (query_.Active()) query_.CheckBrowseMode();
}

void TVORSAMQueryDataLink::RecordChanged(TField* field) {
    if (field == nullptr && query_.Active()) query_.RefreshParams();
}

void TVORSAMQuery::SetDataSource(TDataSource* source) {
    if (source != nullptr && IsLinkedTo(source)) DatabaseError(SCircularDataLink);
    dataLink_.SetDataSource(source);
}

void TVORSAMQuery::GetDetailLinkFields(std::vector<TField*>& masterFields,
                                       std::vector<TField*>& detailFields) {
    masterFields.clear();
    detailFields.clear();
    TDataSet* master = dataLink_.DataSet();
    if (master == nullptr) return;
    for (int i = 0; i < params_.Count(); ++i) {
        TField* field = master->FindField(params_[i].Name());
        if (field == nullptr) continue;
        masterFields.push_back(field);
        if (TField* own = FindField(params_[i].Name())) detailFields.push_back(own);
    }
}

void TVORSAMQuery::RefreshParams() {
    DisableControls();
    try {
        TDataSet* master = dataLink_.DataSet();
        if (master != nullptr && master->Active() && master->State() != dsSetKey) {
            Close();
            Open();
        }
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

void TVORSAMQuery::SetParamsFromCursor() {
    TDataSet* master = dataLink_.DataSet();
    if (master == nullptr) return;
    master->FieldDefs().Update();
    for (int i = 0; i < params_.Count(); ++i) {
        TParam& param = params_[i];
        if (param.Bound()) continue;
        param.AssignField(master->FieldByName(param.Name()));
        param.SetBound(false); // taken from the master: the next record's value replaces it
    }
}

// ---- options ----

void TVORSAMQuery::SetRequestLive(bool value) {
    CheckInactive();
    requestLive_ = value;
}

void TVORSAMQuery::SetMaxRowCount(int32_t value) {
    RefuseWhileRunning();
    maxRowCount_ = value;
    if (statement_) statement_->SetMaxRowCount(value);
}

void TVORSAMQuery::SetReadOnly(bool value) {
    CheckInactive();
    readOnly_ = value;
}

bool TVORSAMQuery::GetCanModify() {
    return TVORSAMDBDataSet::GetCanModify() && !readOnly_ && liveResult_;
}

// ---- preparing and running ----

void TVORSAMQuery::SetPrepared(bool value) {
    RefuseWhileRunning();
    if (Handle() != nullptr) DatabaseError(SDataSetOpen);
    if (value == Prepared()) return;
    if (!value) {
        const TEngineLock lock(*this);
        statement_.reset();
        SetDBFlag(dbfPrepared, false);
        return;
    }
    const TRun run(*this);
    PrepareStatement();
}

void TVORSAMQuery::PrepareStatement() {
    if (Prepared()) return;
    if (text_.size() < 2) DatabaseError(SNoSQLStatement);
    SetDBFlag(dbfPrepared, true);
    try {
        const TEngineLock lock(*this);
        auto statement = std::make_unique<TQueryStatement>(*Database()->Handle());
        statement->RequestLive = requestLive_;
        statement->SetMaxRowCount(maxRowCount_);
        TVORSAMSession* session = Database()->Session();
        statement->SetPasswordHandler([session] { return session != nullptr && session->RequestPassword(); });
        statement->Prepare(text_);
        statement_ = std::move(statement);
    } catch (...) {
        SetDBFlag(dbfPrepared, false);
        throw;
    }
}

void TVORSAMQuery::Disconnect() {
    RefuseWhileRunning();
    Close();
    SetPrepared(false);
}

std::vector<TStatementParam> TVORSAMQuery::ParamValues() const {
    std::vector<TStatementParam> values;
    for (int i = 0; i < params_.Count(); ++i) values.push_back(QueryParamValue(params_[i]));
    return values;
}

// A run's count and time start from nothing: one that fails before the statement runs (at its prepare,
// at its parameters) reports none, never the last run's.
void TVORSAMQuery::StartRun() {
    rowsAffected_ = 0;
    executionTime_ = 0;
    PrepareStatement();
}

TDataCursor* TVORSAMQuery::Execute() {
    std::vector<TStatementParam> values = ParamValues();
    const TEngineLock lock(*this);
    statement_->SetProgressHandler([this](TQueryStatement&, uint16_t percent, bool& abort) {
        if (OnQueryProgress) OnQueryProgress(*this, percent, abort);
    });
    TDataCursor* cursor = nullptr;
    try {
        cursor = statement_->Execute(values, bool(OnQueryProgress));
    } catch (...) {
        // What the failed run tells of its rows, never the last run's; the statement goes with the failure,
        // and the next Open or ExecSQL prepares the text again (on a server: on the connection open then).
        rowsAffected_ = statement_->RowsAffected;
        executionTime_ = statement_->ExecutionTime;
        statement_.reset();
        SetDBFlag(dbfPrepared, false);
        throw;
    }
    rowsAffected_ = statement_->RowsAffected;
    executionTime_ = statement_->ExecutionTime;
    statementType_ = statement_->StatementType;
    liveResult_ = statement_->LiveResult;
    if (cursor != nullptr && cursor->IsReadOnly()) readOnly_ = true;
    return cursor;
}

void TVORSAMQuery::ExecSQL() {
    RefuseWhileRunning();
    CheckInactive();
    if (sql_.empty()) DatabaseError(SNoSQLStatement);
    const TRun run(*this);
    StartRun();
    Execute();
}

std::unique_ptr<TDataCursor> TVORSAMQuery::CreateHandle() {
    RefuseWhileRunning();
    if (sql_.empty()) DatabaseError(SNoSQLStatement);
    const TRun run(*this);
    StartRun();
    SetParamsFromCursor();
    // The statement keeps the cursor: DestroyHandle lets it go without freeing it.
    return std::unique_ptr<TDataCursor>(Execute());
}

void TVORSAMQuery::DestroyHandle() {
    ReleaseHandle();
}

} // namespace vorsam
