#include "app/Usuarios.h"

#include "app/Commands.h"
#include "app/DialogParts.h"
#include "app/PasswordKey.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "platform/os/Utf8.h"
#include "platform/ui/DialogFit.h"
#include "platform/ui/UiServices.h"
#include "screens/FailureMessages.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString MenuCaption(const TCommand& command) {
    QString caption = TrText(command.caption);
    if (caption.endsWith("...")) caption.chop(3);
    return caption;
}

QPushButton* AddButton(QBoxLayout* layout, std::string_view caption) {
    auto* button = new QPushButton(TrLabel(caption), layout->parentWidget());
    layout->addWidget(button);
    return button;
}

bool IsLogged(const TUser& stored) {
    const TUser* logged = LoggedUser();
    return logged != nullptr && logged->salt == stored.salt && logged->key == stored.key;
}

} // namespace

TFormUsuarios::TFormUsuarios(TUsersFile users, QWidget* parent) : QDialog(parent) {
    setWindowTitle(TrText(LngText("Usuários")));
    for (const TUser& user : users.slot)
        if (!user.Free()) entries_.push_back({user, {}, {}, false});

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    ListaUsuarios = new QListWidget(this);
    left->addWidget(ListaUsuarios);
    auto* leftButtons = new QHBoxLayout;
    left->addLayout(leftButtons);
    BotaoIncluir = AddButton(leftButtons, LngText("&Incluir"));
    BotaoExcluir = AddButton(leftButtons, LngText("&Excluir"));
    columns->addLayout(left, 2);

    auto* right = new QVBoxLayout;
    auto* form = new QFormLayout;
    right->addLayout(form);
    EditNome = AddTextRow(form, LngText("&Nome:"), false, UserNameLength);
    EditSenha = AddTextRow(form, LngText("&Senha:"), true);
    EditConfirmacao = AddTextRow(form, LngText("C&onfirmação da senha:"), true);
    auto* hint = new QLabel(TrText(LngText("Senha em branco: a senha do usuário não muda.")), this);
    hint->setEnabled(false);
    right->addWidget(hint);
    auto* rightsBox = new QGroupBox(TrText(LngText("Direitos de acesso")), this);
    auto* rightsLayout = new QVBoxLayout(rightsBox);
    ListaDireitos = new QListWidget(rightsBox);
    for (const TCommand& command : CommandTable()) {
        if (!CommandHasRight(command.id)) continue;
        auto* item = new QListWidgetItem(MenuCaption(command), ListaDireitos);
        item->setData(Qt::UserRole, static_cast<int>(command.id));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    rightsLayout->addWidget(ListaDireitos);
    auto* rightsButtons = new QHBoxLayout;
    rightsLayout->addLayout(rightsButtons);
    connect(AddButton(rightsButtons, LngText("Marcar &todos")), &QPushButton::clicked, this,
            [this] { SetAllRights(true); });
    connect(AddButton(rightsButtons, LngText("&Desmarcar todos")), &QPushButton::clicked, this,
            [this] { SetAllRights(false); });
    right->addWidget(rightsBox);
    columns->addLayout(right, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(AddOkCancelButtons(this, [this] { OkButtonClick(); }));

    for (const TEntry& entry : entries_) ListaUsuarios->addItem(QString::fromStdString(entry.user.name));
    connect(ListaUsuarios, &QListWidget::currentRowChanged, this, &TFormUsuarios::SelectUser);
    connect(BotaoIncluir, &QPushButton::clicked, this, &TFormUsuarios::IncluirClick);
    connect(BotaoExcluir, &QPushButton::clicked, this, &TFormUsuarios::ExcluirClick);
    connect(EditNome, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (current_ >= 0) ListaUsuarios->item(current_)->setText(text.trimmed());
    });
    ListaUsuarios->setCurrentRow(entries_.empty() ? -1 : 0);
    RefreshButtons();
    resize(640, 460);
    FitDialogToTexts(*this);
}

void TFormUsuarios::StoreEditors() {
    if (current_ < 0) return;
    TEntry& entry = entries_[current_];
    entry.user.name = EditText(EditNome);
    entry.password = EditText(EditSenha, false);
    entry.confirmation = EditText(EditConfirmacao, false);
    entry.user.rights = 0;
    for (int i = 0; i < ListaDireitos->count(); ++i) {
        const QListWidgetItem* item = ListaDireitos->item(i);
        if (item->checkState() == Qt::Checked)
            entry.user.rights |= RightBit(static_cast<TCommandId>(item->data(Qt::UserRole).toInt()));
    }
}

void TFormUsuarios::LoadEditors() {
    const bool any = current_ >= 0;
    const TEntry empty;
    const TEntry& entry = any ? entries_[current_] : empty;
    EditNome->setText(QString::fromStdString(entry.user.name));
    EditSenha->setText(QString::fromStdString(entry.password));
    EditConfirmacao->setText(QString::fromStdString(entry.confirmation));
    for (int i = 0; i < ListaDireitos->count(); ++i) {
        QListWidgetItem* item = ListaDireitos->item(i);
        const auto id = static_cast<TCommandId>(item->data(Qt::UserRole).toInt());
        item->setCheckState((entry.user.rights & RightBit(id)) != 0 ? Qt::Checked : Qt::Unchecked);
    }
    for (QWidget* editor : {static_cast<QWidget*>(EditNome), static_cast<QWidget*>(EditSenha),
                            static_cast<QWidget*>(EditConfirmacao), static_cast<QWidget*>(ListaDireitos)})
        editor->setEnabled(any);
}

void TFormUsuarios::SelectUser(int row) {
    if (row == current_) return;
    StoreEditors();
    ShowEntry(row);
}

void TFormUsuarios::ShowEntry(int row) {
    current_ = row;
    if (ListaUsuarios->currentRow() != row) ListaUsuarios->setCurrentRow(row);
    LoadEditors();
    RefreshButtons();
}

void TFormUsuarios::SetAllRights(bool on) {
    for (int i = 0; i < ListaDireitos->count(); ++i)
        ListaDireitos->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TFormUsuarios::RefreshButtons() {
    BotaoIncluir->setEnabled(static_cast<int>(entries_.size()) < MaxUsers);
    BotaoExcluir->setEnabled(current_ >= 0 && !IsLogged(entries_[current_].user));
}

void TFormUsuarios::IncluirClick() {
    if (static_cast<int>(entries_.size()) >= MaxUsers) return;
    StoreEditors();
    entries_.push_back({TUser{}, {}, {}, true});
    ListaUsuarios->addItem(QString());
    ShowEntry(static_cast<int>(entries_.size()) - 1);
    EditNome->setFocus();
}

void TFormUsuarios::ExcluirClick() {
    if (current_ < 0 || IsLogged(entries_[current_].user)) return;
    const int removed = current_;
    current_ = -1; // the editors belong to the removed entry: nothing to keep from them
    entries_.erase(entries_.begin() + removed);
    delete ListaUsuarios->takeItem(removed);
    ShowEntry(std::min(removed, static_cast<int>(entries_.size()) - 1));
}

const char* TFormUsuarios::FirstFault(int& row) const {
    bool manager = false;
    for (row = 0; row < static_cast<int>(entries_.size()); ++row) {
        const TEntry& entry = entries_[row];
        if (const char* fault =
                CheckUserEntry(entry.user.name, entry.password, entry.confirmation, entry.isNew))
            return fault;
        for (int other = 0; other < row; ++other)
            if (FoldCase(entries_[other].user.name) == FoldCase(entry.user.name))
                return LngText("Já existe um usuário com este nome.");
        manager = manager || (entry.user.rights & RightBit(TCommandId::Users)) != 0;
    }
    row = current_;
    return manager ? nullptr : LngText("Ao menos um usuário deve ter o direito de acesso aos usuários.");
}

TUsersFile TFormUsuarios::Build() const {
    TUsersFile users;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const TEntry& entry = entries_[i];
        users.slot[i] = entry.password.empty() ? entry.user
                                               : MakeUser(entry.user.name, entry.password, entry.user.rights);
    }
    return users;
}

void TFormUsuarios::OkButtonClick() {
    StoreEditors();
    int row = -1;
    if (const char* fault = FirstFault(row)) {
        ShowEntry(row);
        ShowError(this, fault);
        return;
    }
    const TUsersFile users = Build();
    try {
        SaveUsersFile(ProgramFilePath(UsersFileName), users);
    } catch (const EUsersFileError& error) {
        ShowError(this, FailureMessage(error));
        return;
    }
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (IsLogged(entries_[i].user)) SetLoggedUser(users.slot[i]);
    saved_ = users;
    accept();
}
