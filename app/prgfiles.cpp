// The file commands of the main window: New, Open, Save, Save as, and the question about unsaved
// changes; with them the Users and About commands.

#include "app/prgmain.h"

#include "app/Novaprog.h"
#include "app/Prosobre.h"
#include "app/Usuarios.h"
#include "core/CoreError.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/Programming.h"
#include "core/ProgrammingFile.h"
#include "platform/ui/UiServices.h"

#include <filesystem>

namespace {

QString ProgrammingFilter() {
    return TrText(LngText("Programações")) + " (*.NPX *.npx);;" + TrText(LngText("Todos os arquivos")) +
           " (*)";
}

// Runs a step that may raise a core error; the error is shown. True when the step went through.
template <class Step> bool Reported(QWidget* parent, Step step) {
    try {
        step();
        return true;
    } catch (const ECoreError& error) {
        ShowError(parent, error.what());
    }
    return false;
}

} // namespace

std::string TFormPrinc::DialogFolder() const {
    if (!ProgrammingFileName.empty())
        return std::filesystem::path(ProgrammingFileName).parent_path().string();
    return ProgramFolder();
}

bool TFormPrinc::SaveChecked() {
    return CheckAccessRight(TCommandId::Save, this) && FileSave();
}

bool TFormPrinc::ChangesSettled() {
    if (!IsKnownModel(ModelCode) || !AnySectionModified()) return true;
    if (!AskConfirmation(this, LngText("Deseja salvar as programações ?"))) return true; // No: discard
    return SaveChecked();
}

void TFormPrinc::FileNew() {
    if (!ChangesSettled()) return;
    TFormNovaProgramacao dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (const auto model = dialog.Model()) StartNewProgramming(*model);
}

bool TFormPrinc::StartNewProgramming(std::uint8_t model) {
    const bool done = Reported(this, [model] { NewProgramming(model); });
    RefreshMainWindow();
    return done;
}

bool TFormPrinc::FileOpen() {
    if (!ChangesSettled()) return false;
    const std::string path = FileDialogService().OpenFileName(this, TrText(LngText("Abrir programação")),
                                                              DialogFolder(), ProgrammingFilter());
    return !path.empty() && OpenProgramming(path);
}

bool TFormPrinc::OpenProgramming(const std::string& path) {
    const bool done = Reported(this, [&path] { LoadProgrammingFile(path); });
    RefreshMainWindow();
    return done;
}

bool TFormPrinc::FileSave() {
    if (ProgrammingFileName.empty() || IsDefaultProgrammingFile(ProgrammingFileName)) return FileSaveAs();
    return SaveProgramming(ProgrammingFileName);
}

bool TFormPrinc::FileSaveAs() {
    std::string path = FileDialogService().SaveFileName(this, TrText(LngText("Salvar programação como")),
                                                        DialogFolder(), ProgrammingFilter());
    if (path.empty()) return false;
    if (!std::filesystem::path(path).has_extension()) path += ".NPX";
    return SaveProgramming(path);
}

bool TFormPrinc::SaveProgramming(const std::string& path) {
    const bool done = Reported(this, [&path] { SaveProgrammingFile(path); });
    RefreshMainWindow();
    return done;
}

void TFormPrinc::ManageUsers() {
    std::optional<TUsersFile> users;
    if (!Reported(this, [&users] { users = LoadUsersFile(ProgramFilePath(UsersFileName)); })) return;
    TFormUsuarios dialog(users.value_or(TUsersFile{}), this);
    dialog.exec();
}

void TFormPrinc::ShowAbout() {
    TFormSobre about(this);
    about.exec();
}
