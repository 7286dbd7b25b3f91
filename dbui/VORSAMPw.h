// The table-password dialog: when a table the engine opens is encrypted and no password of the session
// fits, the session asks through this dialog. OK adds the typed password to the session's passwords and
// the engine tries again; Cancel (or closing the window) adds nothing and the open fails with the
// engine's password error.
//
// The engine knows the dialog only through its hook (SetSessionDialogs); InstallPasswordDialog puts it
// there, once, when the application starts its user interface. Without it nothing is asked.
#pragma once

#include <QDialog>

class QLineEdit;

namespace vorsam {

class TVORSAMSession;

class TPasswordDlg : public QDialog {
public:
    explicit TPasswordDlg(QWidget* parent = nullptr);

    QLineEdit* PasswordEdit() const { return edit_; }
    // The typed password in the tables' code page (Windows-1252), at most 15 characters as stored.
    std::string Password() const;

private:
    QLineEdit* edit_;
};

// Shows the dialog modally for the session; true when it closed with OK (the password was added).
bool ShowPasswordDialog(TVORSAMSession& session);
// Makes every session ask for table passwords through ShowPasswordDialog.
void InstallPasswordDialog();

} // namespace vorsam
