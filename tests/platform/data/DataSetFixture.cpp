#include "DataSetFixture.h"

namespace platform::data::test {

const char* StateName(TDataSetState state) {
    static constexpr const char* names[] = {"inactive", "browse", "edit",     "insert",   "setkey",
                                            "calc",     "filter", "newvalue", "oldvalue", "blockread"};
    return names[state];
}

std::vector<TDataSet::TDataSetNotifyEvent*> TEventLog::Handlers() {
    TDataSet& d = fDataSet;
    return {&d.BeforeOpen,   &d.AfterOpen,   &d.BeforeClose,  &d.AfterClose,  &d.BeforeInsert, &d.AfterInsert,
            &d.BeforeEdit,   &d.AfterEdit,   &d.BeforePost,   &d.AfterPost,   &d.BeforeCancel, &d.AfterCancel,
            &d.BeforeDelete, &d.AfterDelete, &d.BeforeScroll, &d.AfterScroll, &d.OnNewRecord};
}

TEventLog::TEventLog(TDataSet& dataSet, TDataSource& source) : fDataSet(dataSet), fSource(source) {
    static constexpr const char* names[] = {
        "BeforeOpen",   "AfterOpen",   "BeforeClose",  "AfterClose",  "BeforeInsert", "AfterInsert",
        "BeforeEdit",   "AfterEdit",   "BeforePost",   "AfterPost",   "BeforeCancel", "AfterCancel",
        "BeforeDelete", "AfterDelete", "BeforeScroll", "AfterScroll", "OnNewRecord"};
    const auto handlers = Handlers();
    for (std::size_t i = 0; i < handlers.size(); ++i)
        *handlers[i] = [this, name = names[i]](TDataSet&) { fEntries.emplace_back(name); };
    source.SetDataSet(&dataSet);
    source.OnStateChange = [this](TDataSource& s) {
        fEntries.push_back(std::string("state:") + StateName(s.State()));
    };
}

TEventLog::~TEventLog() {
    for (auto* handler : Handlers()) *handler = nullptr;
    fSource.OnStateChange = nullptr;
}

} // namespace platform::data::test
