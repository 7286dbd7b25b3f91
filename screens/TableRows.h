#pragma once
// Walks of the scratch table a data-aware screen shows (a few hundred rows at most): every row in
// the table's order, the search for a row, the removal of rows. The bound controls are disabled
// while a walk runs and show the row where it ends. Qt-free.

#include <functional>

namespace platform::data {
class TDataSet;
class TDataSource;
} // namespace platform::data

// Disables the controls bound to a table for a scope (also when the scope ends by an exception).
class TControlsDisabled {
public:
    explicit TControlsDisabled(platform::data::TDataSet& table);
    ~TControlsDisabled();
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
