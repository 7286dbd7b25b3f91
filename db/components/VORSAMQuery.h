// TVORSAMQuery: the dataset over the result of an SQL statement of the engine's SQL engine. It keeps the
// SQL text with its named parameters, prepares a statement on its database (db/sql/QueryStatement.h),
// passes the parameter values in the engine's native forms, and opens the statement's result cursor as
// its own cursor; ExecSQL runs a statement that gives no rows.
//
// Text and parameters. Setting SQL to a different text closes and unprepares the query; with ParamCheck
// each ':name' marker of the text becomes a parameter (Params, in order; TParams::ParseSQL) and the engine
// gets the text with "?" in its place; parameters of the same name keep their values. Without ParamCheck
// the text goes to the engine unchanged and Params stays as it is. Parameters reach the statement by
// position; a parameter without a data type raises "No value for parameter '%s'"; a string parameter
// that is empty once its trailing blanks are cut is passed as NULL; a string of more than 250 characters
// is passed as a memo.
//
// Preparing (also on Open and ExecSQL): refused on an open query ("Cannot perform this operation on an
// open dataset"); a text shorter than 2 characters raises "No SQL statement available"; the statement
// gets RequestLive, MaxRowCount (also later, while prepared) and the session's password request.
// Unpreparing frees the statement and with it its result cursor: the result cursor belongs to the
// statement, so closing the query leaves it alone, and each Open runs the statement again.
//
// After each run the statement's row count and time are kept (RowsAffected, ExecutionTime), also after a
// run that fails (the rows it left changed, QueryStatement.h; none when it fails before the statement runs,
// at its prepare or its parameters), which frees the statement: the next Open or ExecSQL prepares it
// again. While it prepares or runs, the routines it calls (OnQueryProgress, the session's password and
// trace handlers) may not prepare, unprepare, open, run or change it (its text, its row limit), nor close
// its database or session, nor end or start the database's transaction: each is refused first, nothing
// changed (TVORSAMDBDataSet::Running). A read-only result makes the query ReadOnly. Only a live result (the
// source table's own cursor) can be edited: the rows of a result table are a copy, and edits there would
// change nothing the user sees again.
//
// Master link. With a DataSource, each parameter not given a value of its own takes the value of the
// master dataset's field of its name (which must exist) whenever the query opens, and an open query
// opens again whenever the master moves to another record (or becomes active), unless the master is
// editing a key. A source that leads back to the query is refused ("Circular data links are not
// allowed.").
#pragma once

#include "db/components/VORSAMDataSet.h"
#include "db/sql/StatementParam.h"
#include "platform/data/DataLink.h"
#include "platform/data/Params.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorsam {

class TQueryStatement;
class TVORSAMQuery;

// The link of a query to the data source whose dataset gives its parameters.
class TVORSAMQueryDataLink : public platform::data::TDetailDataLink {
public:
    explicit TVORSAMQueryDataLink(TVORSAMQuery& query) : query_(query) {}
    platform::data::TDataSet* DetailDataSet() const override;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void RecordChanged(platform::data::TField* field) override;

private:
    TVORSAMQuery& query_;
};

class TVORSAMQuery : public TVORSAMDBDataSet {
public:
    using TQueryProgressEvent = std::function<void(TVORSAMQuery& sender, int percentDone, bool& abortQuery)>;

    explicit TVORSAMQuery(TVORSAMOwner* owner = nullptr);
    ~TVORSAMQuery() override;

    static std::string EngineVersion() { return "3.24"; }

    // --- the statement's text and parameters ---
    const std::vector<std::string>& SQL() const { return sql_; }
    void SetSQL(const std::vector<std::string>& lines);
    // The lines joined by line feeds.
    std::string SQLText() const;
    // The text the engine gets (parameter markers replaced).
    const std::string& Text() const { return text_; }
    platform::data::TParams& Params() { return params_; }
    // Takes the values of the same-named parameters.
    void SetParams(const platform::data::TParams& params) { params_.AssignValues(params); }
    platform::data::TParam& ParamByName(std::string_view name) { return params_.ParamByName(name); }
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool value) { paramCheck_ = value; }

    // --- master link ---
    platform::data::TDataSource* GetDataSource() override { return dataLink_.DataSource(); }
    void SetDataSource(platform::data::TDataSource* source);
    // The master fields that parameters are named after, and the query's fields of those names.
    void GetDetailLinkFields(std::vector<platform::data::TField*>& masterFields,
                             std::vector<platform::data::TField*>& detailFields) override;
    // Opens the query again on the master's present record.
    void RefreshParams();

    // --- options ---
    bool RequestLive() const { return requestLive_; }
    void SetRequestLive(bool value);
    int32_t MaxRowCount() const { return maxRowCount_; }
    void SetMaxRowCount(int32_t value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    TQueryProgressEvent OnQueryProgress;

    // --- preparing and running ---
    bool Prepared() const { return statement_ != nullptr; }
    void SetPrepared(bool value);
    void Prepare() { SetPrepared(true); }
    void UnPrepare() { SetPrepared(false); }
    // Prepares when needed and runs the statement without opening the query.
    void ExecSQL();
    // Closes and unprepares.
    void Disconnect() override;
    int32_t RowsAffected() const { return rowsAffected_; }
    double ExecutionTime() const { return executionTime_; }
    uint8_t StatementType() const { return statementType_; }

protected:
    std::unique_ptr<TDataCursor> CreateHandle() override;
    void DestroyHandle() override;
    bool GetCanModify() override;

private:
    void QueryChanged();
    void PrepareStatement();
    void StartRun();
    void SetParamsFromCursor();
    TDataCursor* Execute();
    std::vector<TStatementParam> ParamValues() const;

    std::vector<std::string> sql_;
    std::string text_;
    platform::data::TParams params_;
    bool paramCheck_ = true;
    bool requestLive_ = false;
    int32_t maxRowCount_ = -1;
    bool readOnly_ = false;
    std::unique_ptr<TQueryStatement> statement_;
    int32_t rowsAffected_ = 0;
    double executionTime_ = 0;
    uint8_t statementType_ = 0;
    bool liveResult_ = false;
    TVORSAMQueryDataLink dataLink_{*this};
};

} // namespace vorsam
