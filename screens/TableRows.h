#pragma once
// What the data-aware screens do with the rows of their scratch table (TEMPORAR.DAT, one row per
// extension or group): read a column as text, find the row of a key, walk every row on OK. The
// table is any TDataSet; the screens bind their controls to it through a TDataSource.

#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"

#include <functional>
#include <string>
#include <string_view>

// Opens the table on its first row (the first row again when it is open already).
void OpenOnFirstRow(platform::data::TDataSet& table);

// The column's text with the blanks at both ends removed (a fixed-size text column may come back
// padded).
std::string ColumnText(platform::data::TDataSet& table, std::string_view column);

// Makes current the first row whose column shows the text (blanks at the ends ignored); when no
// row does, the row that was current stays current. The bound controls see only the result.
bool FindRow(platform::data::TDataSet& table, std::string_view column, std::string_view text);

// Runs visit on every row from the first, with the bound controls disabled (enabled again
// however the walk ends). An exception from visit stops the walk on that row and goes on.
void WalkRows(platform::data::TDataSet& table, const std::function<void()>& visit);

// Keeps the bound controls of a table disabled while it lives.
class TControlsDisabled {
public:
    explicit TControlsDisabled(platform::data::TDataSet& table) : table_(table) { table_.DisableControls(); }
    ~TControlsDisabled() { table_.EnableControls(); }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    platform::data::TDataSet& table_;
};

// Posts a pending edit, then calls visit on each row from the first; ends after the last row.
void ForEachRow(platform::data::TDataSet& table, const std::function<void()>& visit);

// Makes the first row (in the table's order) for which match is true the current one. Without
// such a row the current row stays as it was and the answer is false.
bool LocateRow(platform::data::TDataSet& table, const std::function<bool()>& match);

// Deletes every row for which match is true; returns how many went.
int DeleteRows(platform::data::TDataSet& table, const std::function<bool()>& match);

// The scratch table is one table shared by every data-aware screen, and each screen is kept for the
// run: a screen shows the table through its data source only while it is open, so that the
// controls of the hidden screens never look for their fields in another screen's table.
// AttachTable connects the source and opens the table; DetachTable closes the table and
// disconnects the source.
void AttachTable(platform::data::TDataSource& source, platform::data::TDataSet& table);
void DetachTable(platform::data::TDataSource& source);
