#include "dbui/VORSAMPw.h"

#include "db/components/VORSAMSession.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vorsam {

namespace {

// Longest table password a table stores.
constexpr int MaxPasswordLength = 15;

} // namespace

TPasswordDlg::TPasswordDlg(QWidget* parent) : QDialog(parent), edit_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Password"));
    setMinimumWidth(280);
    auto* label = new QLabel(QStringLiteral("Enter the table's password:"), this);
    label->setBuddy(edit_);
    edit_->setEchoMode(QLineEdit::Password);
    edit_->setMaxLength(MaxPasswordLength);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    edit_->setFocus();
}

std::string TPasswordDlg::Password() const {
    return edit_->text().left(MaxPasswordLength).toLatin1().toStdString();
}

bool ShowPasswordDialog(TVORSAMSession& session) {
    TPasswordDlg dialog;
    if (dialog.exec() != QDialog::Accepted) return false;
    session.AddPassword(dialog.Password());
    return true;
}

void InstallPasswordDialog() {
    SetSessionDialogs(ShowPasswordDialog, nullptr);
}

} // namespace vorsam
