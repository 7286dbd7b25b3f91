#include "app/Leusuari.h"

#include "app/DialogParts.h"
#include "app/PasswordKey.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "platform/ui/DialogFit.h"
#include "platform/ui/UiServices.h"
#include "screens/FailureMessages.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cstdlib>
#include <iostream>

namespace {

// The user of the name when the password is right.
std::optional<TUser> Authenticate(const TUsersFile& users, std::string_view name, std::string_view password) {
    const int index = users.Find(name);
    if (index < 0 || !PasswordMatches(users.slot[index], password)) return std::nullopt;
    return users.slot[index];
}

// The administrator of a tool without users, from the scripted name and password: checked as the
// first-start dialog checks them, written to the users file and logged in; stderr says which, or
// why not (false). A failure to write raises EUsersFileError.
bool MakeFirstAdministrator(const std::string& name, const std::string& password) {
    std::string said = TranslateText(LngText("Não há usuários cadastrados.")) + " ";
    const char* fault = CheckUserEntry(name, password, password, true);
    if (fault == nullptr) {
        TUsersFile users;
        users.slot[0] = MakeUser(name, password, AllRights);
        SaveUsersFile(ProgramFilePath(UsersFileName), users);
        SetLoggedUser(users.slot[0]);
        said += TranslateText(LngText("O primeiro usuário, administrador com todos os direitos, foi "
                                      "cadastrado com o nome e a senha dados:")) +
                " " + name;
    } else {
        said += TranslateText(fault) + " " +
                TranslateText(
                    LngText("O primeiro usuário é cadastrado pela variável CENTRPRG_LOGIN com nome:senha."));
    }
    std::cerr << ScriptedLoginVariable << ": " << said << "\n";
    return fault == nullptr;
}

// No dialog and no box: a refusal is written on stderr. A tool without users makes the first
// administrator from the name and password given.
TLoginResult ScriptedLogin(const std::string& credentials) {
    const auto colon = credentials.find(':');
    const std::string name = credentials.substr(0, colon);
    const std::string password = colon == std::string::npos ? std::string() : credentials.substr(colon + 1);
    std::optional<TUser> user;
    std::string refusal = TranslateText(LngText("Usuário ou senha incorretos."));
    try {
        const auto users = LoadUsersFile(ProgramFilePath(UsersFileName));
        if (!users || users->Count() == 0)
            return MakeFirstAdministrator(name, password) ? TLoginResult::LoggedIn : TLoginResult::Refused;
        if (colon != std::string::npos) user = Authenticate(*users, name, password);
    } catch (const EUsersFileError& error) {
        refusal = error.what();
    }
    if (!user) {
        std::cerr << ScriptedLoginVariable << ": " << refusal << "\n";
        return TLoginResult::Refused;
    }
    SetLoggedUser(*user);
    return TLoginResult::LoggedIn;
}

// The dialog's result: LoggedIn when it was accepted.
template <class Dialog> TLoginResult Ask(Dialog& dialog) {
    return dialog.exec() == QDialog::Accepted ? TLoginResult::LoggedIn : TLoginResult::Cancelled;
}

QVBoxLayout* DialogLayout(QDialog* dialog, std::string_view caption, QFormLayout*& form) {
    dialog->setWindowTitle(TrText(caption));
    auto* layout = new QVBoxLayout(dialog);
    form = new QFormLayout;
    layout->addLayout(form);
    return layout;
}

} // namespace

TLoginResult RunLogin(QWidget* parent) {
    try {
        if (const char* scripted = std::getenv(ScriptedLoginVariable)) return ScriptedLogin(scripted);
        const std::optional<TUsersFile> users = LoadUsersFile(ProgramFilePath(UsersFileName));
        if (!users || users->Count() == 0) {
            TFormAdministrador first(parent);
            return Ask(first);
        }
        TFormLeUsuario login(*users, parent);
        login.exec();
        return login.LoginResult();
    } catch (const EUsersFileError& error) {
        ShowError(parent, FailureMessage(error));
    }
    return TLoginResult::Refused;
}

TFormLeUsuario::TFormLeUsuario(TUsersFile users, QWidget* parent)
    : QDialog(parent), users_(std::move(users)) {
    QFormLayout* form = nullptr;
    QVBoxLayout* layout = DialogLayout(this, LngText("Identificação do usuário"), form);
    EditUsuario = AddTextRow(form, LngText("&Usuário:"), false, UserNameLength);
    EditSenha = AddTextRow(form, LngText("&Senha:"), true);
    layout->addWidget(AddOkCancelButtons(this, [this] { OkButtonClick(); }));
    setMinimumWidth(320);
    FitDialogToTexts(*this);
}

void TFormLeUsuario::OkButtonClick() {
    if (const auto user = Authenticate(users_, EditText(EditUsuario), EditText(EditSenha, false))) {
        SetLoggedUser(*user);
        result_ = TLoginResult::LoggedIn;
        accept();
        return;
    }
    ++failed_;
    if (failed_ >= MaxLoginAttempts) {
        ShowError(this, LngText("Usuário ou senha incorretos. O número de tentativas se esgotou."));
        result_ = TLoginResult::Refused;
        reject();
        return;
    }
    ShowError(this, LngText("Usuário ou senha incorretos."));
    EditSenha->clear();
    EditSenha->setFocus();
}

TFormAdministrador::TFormAdministrador(QWidget* parent) : QDialog(parent) {
    QFormLayout* form = nullptr;
    QVBoxLayout* layout = DialogLayout(this, LngText("Cadastro do administrador"), form);
    auto* intro = new QLabel(TrText(LngText("Não há usuários cadastrados. Informe o nome e a senha do "
                                            "administrador, que terá todos os direitos de acesso.")),
                             this);
    intro->setWordWrap(true);
    layout->insertWidget(0, intro);
    EditNome = AddTextRow(form, LngText("&Nome:"), false, UserNameLength);
    EditSenha = AddTextRow(form, LngText("&Senha:"), true);
    EditConfirmacao = AddTextRow(form, LngText("C&onfirmação da senha:"), true);
    layout->addWidget(AddOkCancelButtons(this, [this] { OkButtonClick(); }));
    setMinimumWidth(380);
    FitDialogToTexts(*this);
}

void TFormAdministrador::OkButtonClick() {
    const std::string name = EditText(EditNome);
    const std::string password = EditText(EditSenha, false);
    if (const char* fault = CheckUserEntry(name, password, EditText(EditConfirmacao, false), true)) {
        ShowError(this, fault);
        return;
    }
    TUsersFile users;
    users.slot[0] = MakeUser(name, password, AllRights);
    try {
        SaveUsersFile(ProgramFilePath(UsersFileName), users);
    } catch (const EUsersFileError& error) {
        ShowError(this, FailureMessage(error));
        return;
    }
    SetLoggedUser(users.slot[0]);
    accept();
}
