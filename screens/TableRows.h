#pragma once
// What the data-aware screens do with the rows of their scratch table (TEMPORAR.DAT: one row per
// extension, trunk, group or prefix; a few hundred at most): open it, read a column as text, walk
// every row, find a row, remove rows. The bound controls are disabled while a walk runs and show the
// row where it ends. The table is any TDataSet. Qt-free.

#include <functional>
#include <string>
#include <string_view>

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

// Opens the table on its first row (the first row again when it is open already).
void OpenOnFirstRow(platform::data::TDataSet& table);

// The column's text with the blanks at both ends removed (a fixed-size text column may come back
// padded).
std::string ColumnText(platform::data::TDataSet& table, std::string_view column);

// Posts a pending edit, then calls visit on each row from the first; ends after the last row. An
// exception from visit ends the walk on that row and goes on to the caller.
void ForEachRow(platform::data::TDataSet& table, const std::function<void()>& visit);

// Makes the first row (in the table's order) for which match is true the current one. Without
// such a row the current row stays as it was and the answer is false.
bool LocateRow(platform::data::TDataSet& table, const std::function<bool()>& match);
// The same for the first row whose column shows the text (blanks at the ends ignored).
bool FindRow(platform::data::TDataSet& table, std::string_view column, std::string_view text);

// Deletes every row for which match is true; returns how many went.
int DeleteRows(platform::data::TDataSet& table, const std::function<bool()>& match);

// The scratch table is one table shared by every data-aware screen, and each screen is kept for the
// run: a screen shows the table through its data source only while it is open, so that the
// controls of the hidden screens never look for their fields in another screen's table.
// AttachTable connects the source and opens the table; DetachTable closes the table and
// disconnects the source.
void AttachTable(platform::data::TDataSource& source, platform::data::TDataSet& table);
void DetachTable(platform::data::TDataSource& source);
