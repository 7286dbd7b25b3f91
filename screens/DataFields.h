#pragma once
// The data-aware controls of the screens over a scratch table.

#include "core/ImageLayout.h"
#include "platform/ui/Keys.h"

#include <QStringList>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QHBoxLayout;
class QLabel;
class QWidget;
class TCustomMaskEdit;
class TDBCheckBox;
class TDBComboBox;
class TDBNavigator;
namespace platform::data {
class TDataSet;
class TDataSource;
} // namespace platform::data

// The scratch table (the main window's TabTemp) as the screen's data source shows it: bound on
// first use, closed and let go whenever the screen hides (by OK, Cancel or Escape), since every
// data-aware screen shares the one table component and its fields change with the table code. Call
// KeepScratchTableWhileShown once, in the screen's constructor.
platform::data::TDataSet& ScratchTable(platform::data::TDataSource& source);
void KeepScratchTableWhileShown(QWidget* screen, platform::data::TDataSource& source);

// A drop-down list (no typing) for a column of the table the source shows.
void BindDataList(TDBComboBox* list, const char* name, platform::data::TDataSource& source,
                  std::string_view column);

// A check box for a column holding "1" (checked) or "0".
void BindDataCheckBox(TDBCheckBox* box, const char* name, platform::data::TDataSource& source,
                      std::string_view column);

// A navigator with the buttons first, prior, next and last; onClick runs after each move.
TDBNavigator* NewRowNavigator(QWidget* parent, platform::data::TDataSource& source,
                              std::function<void()> onClick);

// The row of the key's label, its edit and the navigator; the label's accelerator moves to the edit.
QHBoxLayout* NewKeyRow(QLabel* label, TCustomMaskEdit* edit, TDBNavigator* navigator);

// The edit in which the user types the key of the row to show (a group or an extension number).
TCustomMaskEdit* NewKeyEdit(QWidget* parent, const char* name, int maxLength);

// A key pressed in the edit of a group number: a digit (of the main rows or of the keypad) replaces
// the edit's text and makes the row whose GRUPO it is current. When no row has it, a box shows
// missingMessage and the edit shows the current row's group again, keeping the focus. Other keys,
// and a digit held with Ctrl, Alt or Meta (a chord), are left alone (Other).
enum class TGroupKey { Other, Found, Missing };
TGroupKey GoToTypedGroup(int& key, TShiftState shift, TCustomMaskEdit& edit, platform::data::TDataSet& table,
                         const char* missingMessage);
// The edit shows the current row's GRUPO.
void ShowCurrentGroup(TCustomMaskEdit& edit, platform::data::TDataSet& table);

// The items of the member lists of a group screen, from the program-wide extension list: the
// marker entry becomes emptyText in every list; an entry whose number names no position is left
// out; every other entry goes where slotOf(its position code) says.
inline constexpr int AllSlots = -1, NoSlot = -2;
std::vector<QStringList> MemberItems(std::size_t slotCount, const char* emptyText,
                                     const std::function<int(PositionCode)>& slotOf);
