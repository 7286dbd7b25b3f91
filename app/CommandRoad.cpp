// The road of a command (see Commands.h): access check, model check, scratch table, the screen,
// DeleteOwnTempTable, RefreshMainWindow.

#include "app/Commands.h"

#include "app/prgmain.h"
#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/Programming.h"
#include "core/TempTable.h"
#include "core/Users.h"
#include "platform/ui/UiServices.h"
#include "screens/FailureMessages.h"
#include "screens/ScratchTables.h"

#include <algorithm>
#include <cassert>
#include <exception>

namespace {

TTempTableBuilder& Builder() {
    static TTempTableBuilder builder = BuildScratchTable;
    return builder;
}

// Runs one step of the road; a failure is shown in a box titled "Erro". True when it went through.
template <class Step> bool Guarded(QWidget* parent, Step step) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        ShowError(parent, FailureMessage(error));
    }
    return false;
}

} // namespace

bool AnyModel(std::uint8_t model) {
    return IsKnownModel(model);
}

bool NotOnModel9(std::uint8_t model) {
    return IsKnownModel(model) && model != 9;
}

const TCommand& FindCommand(const std::vector<TCommand>& commands, TCommandId id) {
    const auto found = std::ranges::find(commands, id, &TCommand::id);
    assert(found != commands.end());
    return *found;
}

bool IsDataAwareTable(int tableCode) {
    return tableCode == 1 || tableCode == 2 || (tableCode >= 4 && tableCode <= 8);
}

bool CommandOffered(const TCommand& command) {
    return command.availableOn == nullptr || !IsKnownModel(ModelCode) || command.availableOn(ModelCode);
}

bool CommandEnabled(const TCommand& command) {
    if (command.show == nullptr) return false;
    if (command.availableOn != nullptr) {
        if (!IsKnownModel(ModelCode) || !command.availableOn(ModelCode)) return false;
        if (command.section != 0 && LoadedSections.at(command.section) == 0) return false;
    }
    return command.enabledWhen == nullptr || command.enabledWhen();
}

bool CheckAccessRight(TCommandId command, QWidget* parent) {
    if (HasAccessRight(command)) return true;
    ShowMessage(parent, TMsgKind::Stop, LngText("O usuário não tem direito de acesso a este comando."));
    return false;
}

TTempTableBuilder SetTempTableBuilder(TTempTableBuilder builder) {
    std::swap(Builder(), builder);
    if (!Builder()) Builder() = BuildScratchTable;
    return builder;
}

void RunCommand(TFormPrinc& window, TCommandId id, int which) {
    const TCommand& command = FindCommand(window.Commands(), id);
    if (!CheckAccessRight(id, &window)) return;
    if (command.show == nullptr) return;
    if (command.availableOn != nullptr && (!IsKnownModel(ModelCode) || !command.availableOn(ModelCode)))
        return;
    const bool dataAware = IsDataAwareTable(command.tableCode);
    bool building = false; // this copy may have made files of the table
    Guarded(&window, [&] {
        if (dataAware) {
            DeleteTempTable(); // files a crash may have left
            building = true;
            Builder()(command.tableCode, which);
            NoteTempTable(); // a kill leaves it to the next start's sweep
        }
        TCommandContext context(window, command, which);
        command.show(context);
    });
    // Another copy's table by then stays; where leftovers stopped the build, their failure was shown.
    if (building) Guarded(&window, [] { DeleteOwnTempTable(); });
    window.RefreshMainWindow();
}

QWidget*& TCommandContext::ScreenSlot(std::type_index type) {
    return window_.ScreenSlot(type);
}

QWidget* TCommandContext::ParentWidget() const {
    return &window_;
}
