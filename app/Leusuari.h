#pragma once
// The login, run when the main window first appears.
//
// RunLogin reads the users file "CENTRPRG.DAD" of the program folder:
//  - no file, or a file without users: the first start; TFormAdministrador asks for the
//    administrator's name and password, writes the file with that user holding every right, and
//    logs the user in;
//  - a damaged file: the error is shown and the login is refused; the file is left as it is;
//  - otherwise TFormLeUsuario asks for the name and password, three attempts at most.
// A cancelled or refused login ends the program.
//
// Scripted login (for tests and automation): when the environment variable CENTRPRG_LOGIN is set,
// to "<name>:<password>", no dialog is shown and every message goes to stderr. With users, the name
// and password are checked as the dialog checks them (a mismatch refuses the login). Without users
// (the first start), they make the administrator as TFormAdministrador would, and stderr says so.

#include "core/Users.h"

#include <QDialog>

class QLabel;
class QLineEdit;

enum class TLoginResult { LoggedIn, Cancelled, Refused };

inline constexpr int MaxLoginAttempts = 3;
inline constexpr char ScriptedLoginVariable[] = "CENTRPRG_LOGIN";

TLoginResult RunLogin(QWidget* parent);

// "Identificação do usuário": name and password.
class TFormLeUsuario : public QDialog {
    Q_OBJECT
public:
    explicit TFormLeUsuario(TUsersFile users, QWidget* parent = nullptr);

    QLineEdit* EditUsuario;
    QLineEdit* EditSenha;

    // "O&k": logs the user in and closes, or counts a failed attempt (the third refuses the login).
    void OkButtonClick();
    TLoginResult LoginResult() const { return result_; }
    int FailedAttempts() const { return failed_; }

private:
    TUsersFile users_;
    int failed_ = 0;
    TLoginResult result_ = TLoginResult::Cancelled;
};

// "Cadastro do administrador": the first user of a tool without users.
class TFormAdministrador : public QDialog {
    Q_OBJECT
public:
    explicit TFormAdministrador(QWidget* parent = nullptr);

    QLineEdit* EditNome;
    QLineEdit* EditSenha;
    QLineEdit* EditConfirmacao;

    // "O&k": checks the entry, writes the users file and logs the administrator in.
    void OkButtonClick();
};
