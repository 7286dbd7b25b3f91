#include "app/DialogParts.h"

#include "platform/ui/UiServices.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

QLineEdit* AddTextRow(QFormLayout* form, std::string_view label, bool password, int maxLength) {
    auto* edit = new QLineEdit(form->parentWidget());
    edit->setMaxLength(maxLength);
    if (password) edit->setEchoMode(QLineEdit::Password);
    form->addRow(TrLabel(label), edit);
    return edit;
}

QWidget* AddOkCancelButtons(QDialog* dialog, std::function<void()> onOk) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(TrLabel("O&k"), QDialogButtonBox::AcceptRole);
    buttons->addButton(TrLabel("&Cancela"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, std::move(onOk));
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

std::string EditText(const QLineEdit* edit, bool trimmed) {
    return (trimmed ? edit->text().trimmed() : edit->text()).toStdString();
}
