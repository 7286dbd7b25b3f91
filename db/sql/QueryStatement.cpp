#include "db/sql/QueryStatement.h"

#include "db/engine/DataDirectory.h"
#include "db/lib/EngineErrorCodes.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/ExpressionParser.h"
#include "db/sql/RemoteStatement.h"

namespace vorsam {

TQueryStatement::TQueryStatement(TDataDirectory& database) : Database(&database) {
    Database->AddStatement(*this);
    if (database.IsRemote()) {
        try {
            remote_ = std::make_unique<TRemoteStatement>(*this);
        } catch (...) {
            Database->RemoveStatement(*this);
            throw;
        }
        return;
    }
    Parser = std::make_unique<TExpressionParser>(this);
    CreateMasterQuery();
}

TQueryStatement::~TQueryStatement() {
    remote_.reset();
    MasterQuery = nullptr;
    ParsingQuery = nullptr;
    Queries.clear();
    Params.clear();
    Parser.reset();
    Database->RemoveStatement(*this);
}

void TQueryStatement::SetMaxRowCount(int32_t n) {
    if (MaxRowCount != n) MaxRowCount = n;
    if (MasterQuery) MasterQuery->MaxRowCount = n;
}

void TQueryStatement::DoProgress(uint16_t percent, bool& abort) {
    if (OnProgress) OnProgress(*this, percent, abort);
}

TDataQuery& TQueryStatement::AddQuery(std::unique_ptr<TDataQuery> query) {
    Queries.push_back(std::move(query));
    return *Queries.back();
}

void TQueryStatement::CreateMasterQuery() {
    MasterQuery = nullptr;
    ParsingQuery = nullptr;
    Queries.clear();
    MasterQuery = &AddQuery(std::make_unique<TDataQuery>(*this));
    MasterQuery->MaxRowCount = MaxRowCount;
}

void TQueryStatement::ParseText(std::string_view sql) {
    if (remote_) RaiseEngineError(VORSAM_NOTSUPPORTED, "parsing a statement of a database server here");
    Parser->ErrorCode = VORSAM_SQLPARSE;
    Parser->Subject = "SQL statement";
    Parser->SetText(sql);
    Parser->NextToken();
    Params.clear();
    MasterQuery->ParseStatement(false, false, nullptr);
}

void TQueryStatement::ParseNextStatement() {
    CreateMasterQuery();
    Params.clear();
    MasterQuery->ParseStatement(false, false, nullptr);
}

bool TQueryStatement::AtEndOfText() const {
    return Parser->TokenTypeIs(tkEnd);
}

void TQueryStatement::AddParam(TExpToken& parameter) {
    Params.push_back(&parameter);
}

TExpSubQuery* TQueryStatement::ParseSubSelect(TExpressionParser&) {
    TDataQuery& block = AddQuery(std::make_unique<TDataQuery>(*this));
    block.RequestLive = true;
    block.ParseStatement(true, false, nullptr);
    return &block;
}

void TQueryStatement::AddFunctionSource(TExpToken& call) {
    TDataQuery* owner = ParsingQuery ? ParsingQuery : MasterQuery;
    const TExpToken* table = call.GetArg(0);
    if (!owner || !table) return;
    auto source = std::make_unique<TSourceTable>(*owner);
    source->SetTableName(std::string(table->StringValue()));
    call.BoundSource = source.get();
    owner->FunctionSources.push_back(std::move(source));
}

} // namespace vorsam
