#pragma once
// "Usuários": the users dialog, for users with the right to manage users. It edits a copy of the
// users file: add ("&Incluir") and remove ("&Excluir") users, change a user's name, password and
// rights (one per command with a right, named by its menu caption). O&k checks every entry and
// writes the file; &Cancela leaves it as it was.
//
// Checks on O&k, the first failing one is shown: a valid name (1 to 20 characters), unique
// ignoring case; a password for every new user; the password typed twice alike (an empty password
// keeps a user's password); at least one user left with the right to manage users. The user
// logged in cannot be removed; changes to that user apply to the session at once.

#include "core/Users.h"

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

class TFormUsuarios : public QDialog {
    Q_OBJECT
public:
    TFormUsuarios(TUsersFile users, QWidget* parent = nullptr);

    QListWidget* ListaUsuarios;
    QLineEdit* EditNome;
    QLineEdit* EditSenha;
    QLineEdit* EditConfirmacao;
    QListWidget* ListaDireitos; // checkable, one item per right (data: the command id)
    QPushButton* BotaoIncluir;
    QPushButton* BotaoExcluir;

    void IncluirClick();
    void ExcluirClick();
    void SelectUser(int row);
    void OkButtonClick();

    // What O&k wrote (valid after the dialog was accepted).
    const TUsersFile& Users() const { return saved_; }

private:
    struct TEntry {
        TUser user; // name and rights as edited; salt and key as stored
        std::string password, confirmation;
        bool isNew = false;
    };

    void ShowEntry(int row);
    void StoreEditors();
    void LoadEditors();
    void SetAllRights(bool on);
    void RefreshButtons();
    const char* FirstFault(int& row) const;
    TUsersFile Build() const;

    std::vector<TEntry> entries_;
    int current_ = -1;
    TUsersFile saved_;
};
