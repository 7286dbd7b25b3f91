#include "screens/TableRows.h"

#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"

using platform::data::TDataSet;
using platform::data::TDataSource;

TControlsDisabled::TControlsDisabled(TDataSet& table) : table_(table) {
    table_.DisableControls();
}

TControlsDisabled::~TControlsDisabled() {
    table_.EnableControls();
}

void ForEachRow(TDataSet& table, const std::function<void()>& visit) {
    TControlsDisabled disabled(table);
    table.CheckBrowseMode();
    for (table.First(); !table.Eof(); table.Next()) visit();
}

bool LocateRow(TDataSet& table, const std::function<bool()>& match) {
    TControlsDisabled disabled(table);
    table.CheckBrowseMode();
    const auto current = table.Bookmark();
    for (table.First(); !table.Eof(); table.Next())
        if (match()) return true;
    if (current.empty())
        table.First();
    else
        table.GotoBookmark(current);
    return false;
}

int DeleteRows(TDataSet& table, const std::function<bool()>& match) {
    TControlsDisabled disabled(table);
    table.CheckBrowseMode();
    int deleted = 0;
    table.First();
    while (!table.Eof()) {
        if (match()) {
            table.Delete();
            ++deleted;
        } else {
            table.Next();
        }
    }
    return deleted;
}

void AttachTable(TDataSource& source, TDataSet& table) {
    source.SetDataSet(&table);
    if (!table.Active()) table.Open();
}

void DetachTable(TDataSource& source) {
    if (TDataSet* table = source.DataSet()) table->Close();
    source.SetDataSet(nullptr);
}
