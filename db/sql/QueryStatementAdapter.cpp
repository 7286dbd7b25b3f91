#include "db/sql/QueryStatementAdapter.h"

#include "db/engine/QueryStatementLink.h"
#include "db/sql/QueryStatement.h"

namespace vorsam {

namespace {

class TStatementLink : public TQueryStatementLink {
public:
    explicit TStatementLink(TDataDirectory& database) : statement_(database) {}

    void SetRequestLive(bool value) override { statement_.RequestLive = value; }
    void SetMaxRowCount(int32_t value) override { statement_.SetMaxRowCount(value); }
    void SetPasswordHandler(std::function<bool()> handler) override {
        statement_.SetPasswordHandler(std::move(handler));
    }
    void SetProgressHandler(std::function<void(uint16_t, bool&)> handler) override {
        if (!handler) {
            statement_.SetProgressHandler({});
            return;
        }
        statement_.SetProgressHandler(
            [handler = std::move(handler)](TQueryStatement&, uint16_t percent, bool& abort) {
                handler(percent, abort);
            });
    }
    void Prepare(const std::string& sql) override { statement_.Prepare(sql); }
    TDataCursor* Execute(const std::vector<TQueryParamValue>& params, bool progressWanted) override {
        return statement_.Execute(params, progressWanted);
    }
    bool LiveResult() const override { return statement_.LiveResult; }
    int32_t RowsAffected() const override { return statement_.RowsAffected; }
    double ExecutionTime() const override { return statement_.ExecutionTime; }
    uint8_t StatementType() const override { return statement_.StatementType; }

private:
    TQueryStatement statement_;
};

} // namespace

void InstallSqlStatements() {
    SetQueryStatementFactory(
        [](TDataDirectory& database) { return std::make_unique<TStatementLink>(database); });
}

} // namespace vorsam
