#pragma once
// Shared pieces of the dataset tests: a people dataset over the vector test dataset, rows filled
// through the dataset itself, and a log of the events a dataset and its data source raise.

#include "support/VectorDataSet.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace platform::data::test {

// ID integer, NAME string(20), plus the columns given.
inline std::unique_ptr<TVectorDataSet> PeopleDataSet(std::vector<TColumn> more = {}) {
    std::vector<TColumn> columns = {{"ID", ftInteger}, {"NAME", ftString, 20}};
    columns.insert(columns.end(), more.begin(), more.end());
    return std::make_unique<TVectorDataSet>(std::move(columns));
}

// Appends rows with ID 1..count and NAME "n<ID>", then goes to the first one.
inline void FillPeople(TDataSet& dataSet, int count) {
    for (int id = 1; id <= count; ++id) dataSet.AppendRecord({id, 'n' + std::to_string(id)});
    dataSet.First();
}

inline int CurrentId(TDataSet& dataSet) {
    return dataSet.FieldByName("ID").AsInteger();
}

// Collects "BeforeOpen", "AfterScroll", ... and "state:<state>" in the order they happen.
class TEventLog {
public:
    TEventLog(TDataSet& dataSet, TDataSource& source);
    ~TEventLog(); // stops listening
    TEventLog(const TEventLog&) = delete;
    TEventLog& operator=(const TEventLog&) = delete;
    std::vector<std::string> Take() { return std::exchange(fEntries, {}); }

private:
    std::vector<TDataSet::TDataSetNotifyEvent*> Handlers();

    TDataSet& fDataSet;
    TDataSource& fSource;
    std::vector<std::string> fEntries;
};

const char* StateName(TDataSetState state);

} // namespace platform::data::test
