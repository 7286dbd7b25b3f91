#include "screens/TableRows.h"

#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"

using platform::data::TDataSet;
using platform::data::TDataSource;

namespace {

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

} // namespace

TControlsDisabled::TControlsDisabled(TDataSet& table) : table_(table) {
    table_.DisableControls();
}

TControlsDisabled::~TControlsDisabled() {
    table_.EnableControls();
}

void OpenOnFirstRow(TDataSet& table) {
    if (table.Active())
        table.First();
    else
        table.Open();
}

std::string ColumnText(TDataSet& table, std::string_view column) {
    return Trimmed(table.FieldByName(column).AsString());
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

bool FindRow(TDataSet& table, std::string_view column, std::string_view text) {
    const std::string wanted = Trimmed(text);
    return LocateRow(table, [&] { return ColumnText(table, column) == wanted; });
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
