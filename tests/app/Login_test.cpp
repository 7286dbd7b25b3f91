// The login: the dialog's attempts, the first start without users, a damaged users file, the
// scripted login; and the users dialog.

#include "ShellFixture.h"
#include "app/Leusuari.h"
#include "app/PasswordKey.h"
#include "app/Usuarios.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>

namespace {

constexpr std::uint32_t OperatorRights = RightBit(TCommandId::Open) | RightBit(TCommandId::Report);

class Login : public ShellFixture {
protected:
    static void SetUpTestSuite() {
        users.slot[0] = MakeUser("Administrador", "segredo", AllRights);
        users.slot[4] = MakeUser("Operador", "1234", OperatorRights);
    }

    void SetUp() override {
        ShellFixture::SetUp();
        SetLoggedUser(std::nullopt);
        SaveUsersFile(UsersPath(), users);
    }
    void TearDown() override {
        ::unsetenv(ScriptedLoginVariable);
        ShellFixture::TearDown();
    }

    static std::string UsersPath() { return ProgramFilePath(UsersFileName); }

    static void Type(TFormLeUsuario& dialog, const char* name, const char* password) {
        dialog.EditUsuario->setText(QString::fromUtf8(name));
        dialog.EditSenha->setText(QString::fromUtf8(password));
        dialog.OkButtonClick();
    }

    static TUsersFile users;
};
TUsersFile Login::users;

TEST_F(Login, AWrongPasswordIsRefusedAndTheRightOneAccepted) {
    TFormLeUsuario dialog(users);
    dialog.show();
    Type(dialog, "operador", "12345");
    EXPECT_EQ(dialog.FailedAttempts(), 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.EditSenha->text().isEmpty());
    EXPECT_EQ(LoggedUser(), nullptr);
    Type(dialog, " OPERADOR ", "1234");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.LoginResult(), TLoginResult::LoggedIn);
    ASSERT_NE(LoggedUser(), nullptr);
    EXPECT_EQ(LoggedUser()->name, "Operador");
    EXPECT_EQ(LoggedUser()->rights, OperatorRights);
    EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{
                           {TMsgKind::Error, "Usuário ou senha incorretos."}}));
}

TEST_F(Login, TheThirdFailureRefusesTheLogin) {
    TFormLeUsuario dialog(users);
    dialog.show();
    Type(dialog, "Ninguém", "x");
    Type(dialog, "Operador", "segredo"); // another user's password
    EXPECT_TRUE(dialog.isVisible());
    Type(dialog, "Administrador", "");
    EXPECT_EQ(dialog.LoginResult(), TLoginResult::Refused);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(LoggedUser(), nullptr);
    EXPECT_EQ(services.messages.shown.size(), 3u);
}

TEST_F(Login, ADamagedUsersFileIsReportedAndLeftAsItIs) {
    std::string bytes = folder.Read(UsersFileName);
    bytes[100] = static_cast<char>(bytes[100] ^ 0x40);
    folder.Write(UsersFileName, bytes);
    EXPECT_EQ(RunLogin(nullptr), TLoginResult::Refused);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].first, TMsgKind::Error);
    EXPECT_EQ(Boxes()[0].second, "O arquivo de usuários está danificado: soma de verificação incorreta.");
    EXPECT_EQ(folder.Read(UsersFileName), bytes);
}

TEST_F(Login, TheScriptedLoginChecksLikeTheDialog) {
    ::setenv(ScriptedLoginVariable, "operador:1234", 1);
    EXPECT_EQ(RunLogin(nullptr), TLoginResult::LoggedIn);
    EXPECT_EQ(LoggedUser()->name, "Operador");
    SetLoggedUser(std::nullopt);
    ::setenv(ScriptedLoginVariable, "operador:segredo", 1);
    EXPECT_EQ(RunLogin(nullptr), TLoginResult::Refused);
    EXPECT_EQ(LoggedUser(), nullptr);
    folder.Write(UsersFileName, "short");
    EXPECT_EQ(RunLogin(nullptr), TLoginResult::Refused); // said on stderr: nobody is there to close a box
    EXPECT_TRUE(services.messages.shown.empty());
}

// Fills the first start's dialog once it is shown, and presses O&k.
void AnswerAdministratorDialog(const char* name, const char* password, const char* confirmation) {
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<TFormAdministrador*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->EditNome->setText(QString::fromUtf8(name));
        dialog->EditSenha->setText(QString::fromUtf8(password));
        dialog->EditConfirmacao->setText(QString::fromUtf8(confirmation));
        dialog->OkButtonClick();
        if (dialog->isVisible()) dialog->reject();
    });
}

TEST_F(Login, TheFirstStartAsksForTheAdministrator) {
    std::remove(UsersPath().c_str());
    AnswerAdministratorDialog("Chefe", "abc", "abd");
    EXPECT_EQ(RunLogin(nullptr), TLoginResult::Cancelled);
    EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{
                           {TMsgKind::Error, "A senha e a confirmação não conferem."}}));
    EXPECT_FALSE(folder.Exists(UsersFileName));

    AnswerAdministratorDialog(" Chefe ", "abc", "abc");
    EXPECT_EQ(RunLogin(nullptr), TLoginResult::LoggedIn);
    const auto written = LoadUsersFile(UsersPath());
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->Count(), 1);
    EXPECT_EQ(written->slot[0].name, "Chefe");
    EXPECT_EQ(written->slot[0].rights, AllRights);
    EXPECT_TRUE(PasswordMatches(written->slot[0], "abc"));
    EXPECT_EQ(LoggedUser()->name, "Chefe");
}

class UsersDialog : public Login {
protected:
    void SetUp() override {
        Login::SetUp();
        SetLoggedUser(users.slot[0]);
    }

    static void TickOnly(TFormUsuarios& dialog, std::uint32_t rights) {
        for (int i = 0; i < dialog.ListaDireitos->count(); ++i) {
            QListWidgetItem* item = dialog.ListaDireitos->item(i);
            const auto id = static_cast<TCommandId>(item->data(Qt::UserRole).toInt());
            item->setCheckState((rights & RightBit(id)) != 0 ? Qt::Checked : Qt::Unchecked);
        }
    }
};

TEST_F(UsersDialog, ListsOneRightPerCommandThatHasOne) {
    TFormUsuarios dialog(users);
    EXPECT_EQ(dialog.ListaDireitos->count(), RightCount);
    EXPECT_EQ(dialog.ListaUsuarios->count(), 2);
    EXPECT_FALSE(dialog.BotaoExcluir->isEnabled()); // the administrator is the one logged in
    dialog.SelectUser(1);
    EXPECT_TRUE(dialog.BotaoExcluir->isEnabled());
}

TEST_F(UsersDialog, AddsAUserWithItsPasswordAndRights) {
    TFormUsuarios dialog(users);
    dialog.IncluirClick();
    dialog.EditNome->setText("Técnico");
    dialog.EditSenha->setText("tec");
    dialog.EditConfirmacao->setText("tec");
    TickOnly(dialog, RightBit(TCommandId::Trunks) | RightBit(TCommandId::Save));
    dialog.SelectUser(0); // the entry is kept while another is shown
    dialog.OkButtonClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const TUsersFile written = LoadUsersFile(UsersPath()).value();
    EXPECT_EQ(written, dialog.Users());
    const int slot = written.Find("técnico");
    ASSERT_GE(slot, 0);
    EXPECT_EQ(written.slot[slot].rights, RightBit(TCommandId::Trunks) | RightBit(TCommandId::Save));
    EXPECT_TRUE(PasswordMatches(written.slot[slot], "tec"));
    EXPECT_EQ(written.slot[written.Find("Operador")], users.slot[4]); // untouched: same salt and key
}

TEST_F(UsersDialog, RefusesEntriesThatCouldNotLogInOrManage) {
    struct TCase {
        const char* name;
        const char* password;
        const char* confirmation;
        const char* fault;
    };
    for (const TCase& entry : {TCase{"operador", "x", "x", "Já existe um usuário com este nome."},
                               TCase{"Novo", "", "", "Informe a senha."},
                               TCase{"", "x", "x", "Informe um nome de usuário de 1 a 20 caracteres."},
                               TCase{"Novo", "x", "y", "A senha e a confirmação não conferem."}}) {
        services.messages.shown.clear();
        TFormUsuarios dialog(users);
        dialog.IncluirClick();
        dialog.EditNome->setText(entry.name);
        dialog.EditSenha->setText(entry.password);
        dialog.EditConfirmacao->setText(entry.confirmation);
        dialog.OkButtonClick();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << entry.fault;
        EXPECT_EQ(Boxes(), (std::vector<std::pair<TMsgKind, std::string>>{{TMsgKind::Error, entry.fault}}));
        EXPECT_EQ(dialog.ListaUsuarios->currentRow(), 2); // the offending entry is shown
    }
    EXPECT_EQ(LoadUsersFile(UsersPath()).value(), users);
}

TEST_F(UsersDialog, KeepsSomeoneWhoCanManageUsers) {
    TFormUsuarios dialog(users);
    TickOnly(dialog, RightBit(TCommandId::Open));
    dialog.OkButtonClick();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Boxes().back().second, "Ao menos um usuário deve ter o direito de acesso aos usuários.");
}

TEST_F(UsersDialog, RemovesAUserAndAppliesTheLoggedUsersChangesAtOnce) {
    TFormUsuarios dialog(users);
    dialog.SelectUser(1);
    dialog.ExcluirClick();
    EXPECT_EQ(dialog.ListaUsuarios->count(), 1);
    EXPECT_EQ(dialog.EditNome->text(), "Administrador");
    dialog.EditNome->setText("Admin");
    dialog.OkButtonClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(LoadUsersFile(UsersPath()).value().Count(), 1);
    EXPECT_EQ(LoggedUser()->name, "Admin");
}

} // namespace
