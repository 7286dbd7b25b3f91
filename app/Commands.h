#pragma once
// The commands of the main window, in one table (CommandTable.cpp), and the road every command
// takes (CommandRoad.cpp).
//
// The road of a command (RunCommand), the same for every menu item, tool button, extension button
// and trunk button:
//   1. access check: the logged-in user's right for the command (CheckAccessRight); a refused
//      right shows the box titled "PARE" and the command does nothing else;
//   2. model check: a command offered only on some models does nothing on the others, and one
//      whose screen is not built yet (no Show function) does nothing;
//   3. scratch table: for table codes 1, 2 and 4..8 the files a crash may have left are deleted
//      and the table is built for the command's item (BuildScratchTable, with the code and
//      "which": AllItems, or the 1-based extension position or trunk of the button), then noted
//      for the sweep of a later start should a kill leave it (NoteTempTable);
//   4. the command's Show function: prepares the screen (captions, lists, prepare routines) and
//      shows it modally;
//   5. DeleteOwnTempTable (also when step 3 or 4 failed; a table another copy of the tool has open
//      by then stays, screens/ScratchTables.h) and RefreshMainWindow.
// An exception in steps 3-5 is caught here and shown in a box titled "Erro".
//
// Enabling (RefreshMainWindow): a command is enabled when it has a Show function and, for a
// command that needs a programming, a programming is loaded, the command is offered on its model
// (else it is hidden) and its section is in LoadedSections. Rights do not disable anything: a
// command the user may not run answers "PARE".
//
// Wiring a finished screen in: one Show function and one field of the command's entry, both in
// CommandTable.cpp:
//
//     #include "screens/Calendar.h"
//     ...
//     {.id = TCommandId::Calendar, ..., .show = ShowScreen<TFormCalendar>},
//
// ShowScreen<TScreen> shows the screen modally as it is (made on first use, kept for the run). A
// screen that needs more gets a Show function of its own, doing what the main window does around
// that screen: a prepare routine before exec() (e.g. MontaTelaCategorias, PreencheCombo),
// EditedPosition from context.Which() - 1 for the extension buttons, the trunk mode from
// context.Which() (AllItems = all trunks), BuildExtensionList for the screens that need it, the
// report boxes from LoadedSections, and what follows the screen (AfterExtensionGroups after the
// extension groups). The entry's help context is the page the screen's Help button shows. A data-aware
// screen binds its controls to TabTemp(), which BuildScratchTable has filled through BuildTempTable(code,
// which) (screens/ScratchTables.h). The serial-port setting's LoadSerialPortSetting is called from
// TFormPrinc::showEvent.

#include "core/AccessRights.h"

#include <cstdint>
#include <functional>
#include <typeindex>
#include <vector>

class QWidget;
class TFormPrinc;

// "which" of a command run from a menu: every item.
inline constexpr int AllItems = 255;

enum class TMenu {
    File,       // "&Arquivo"
    Extensions, // "&Ramais"
    Exchange,   // "&PABX"
    System,     // "&Sistema"
    Help,       // "A&juda"
    Buttons,    // no menu item: the extension buttons of the main window
};

class TCommandContext;
using TShowCommand = void (*)(TCommandContext& context);
using TModelFilter = bool (*)(std::uint8_t model);
using TEnabledRule = bool (*)();

struct TCommand {
    TCommandId id;       // also its right: bit <id> of a user's rights mask
    const char* caption; // LngText: the menu item, with its accelerator "&"
    TMenu menu;
    int section = 0;                    // section edited (0: none); enabled only while it is loaded
    int helpContext = 0;                // the screen's help page, 13..36 (0: none)
    int tableCode = 0;                  // scratch table built before the screen: 1, 2, 4..8 (0: none)
    TModelFilter availableOn = nullptr; // models it is offered on; nullptr: needs no programming
    TShowCommand show = nullptr;        // nullptr while its screen is not built: stays disabled
    TEnabledRule enabledWhen = nullptr; // a further condition (Save: something modified)
    const char* shortcut = nullptr;     // e.g. "Ctrl+O"
    bool toolBar = false;               // also on the tool bar
    bool separator = false;             // a separator line before its menu item
};

// Model filters.
bool AnyModel(std::uint8_t model);
bool NotOnModel9(std::uint8_t model); // the centralizer data

// The tool's commands, in menu order.
const std::vector<TCommand>& CommandTable();
const TCommand& FindCommand(const std::vector<TCommand>& commands, TCommandId id);
bool IsDataAwareTable(int tableCode); // 1, 2, 4..8

// The command is offered on the programming in memory (false: its menu item is hidden).
bool CommandOffered(const TCommand& command);
// The enabling rule above.
bool CommandEnabled(const TCommand& command);

// Step 1 of the road: true when the logged-in user may run the command; otherwise shows the box
// titled "PARE" and answers false.
bool CheckAccessRight(TCommandId command, QWidget* parent);

// The road above, for one command of the window's table.
void RunCommand(TFormPrinc& window, TCommandId id, int which = AllItems);

// What the main window does after the extension-group screen: a door phone whose attendant names
// a group that has become empty gets a warning titled "Aviso" and the door-phone screen.
void AfterExtensionGroups(TCommandContext& context);

// Step 3: builds the scratch table of a code for "which" (CommandTable.cpp).
void BuildScratchTable(int tableCode, int which);
// The builder the road calls: BuildScratchTable unless replaced (tests); returns the previous.
using TTempTableBuilder = std::function<void(int tableCode, int which)>;
TTempTableBuilder SetTempTableBuilder(TTempTableBuilder builder);

// What a Show function gets.
class TCommandContext {
public:
    TCommandContext(TFormPrinc& window, const TCommand& command, int which)
        : window_(window), command_(command), which_(which) {}

    TFormPrinc& MainWindow() const { return window_; }
    const TCommand& Command() const { return command_; }
    // AllItems, or the 1-based extension position or trunk of the button that ran the command.
    int Which() const { return which_; }

    // The command's window (a QDialog subclass made with the main window as parent): made on first
    // use and kept until the main window goes, so it keeps its state between showings.
    template <class TScreen> TScreen& Screen() {
        QWidget*& slot = ScreenSlot(typeid(TScreen));
        if (slot == nullptr) slot = new TScreen(ParentWidget());
        return static_cast<TScreen&>(*slot);
    }

    // Runs another command's road (e.g. the trunks after the extension groups).
    void RunCommand(TCommandId id, int which = AllItems) { ::RunCommand(window_, id, which); }

private:
    QWidget*& ScreenSlot(std::type_index type);
    QWidget* ParentWidget() const;

    TFormPrinc& window_;
    const TCommand& command_;
    int which_;
};
