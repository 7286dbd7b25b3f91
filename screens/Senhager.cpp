#include "screens/Senhager.h"

#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {

constexpr int SenhaHelp = 13;
constexpr int PasswordLength = 3;
constexpr int FewestPasswordDigits = 2; // item 0 of the digit-count list

// A password digit as stored: its value, "0" as 10.
std::uint8_t PasswordDigit(QChar digit) {
    return digit == '0' ? 10 : static_cast<std::uint8_t>(digit.digitValue());
}

} // namespace

TFormSenha::TFormSenha(QWidget* parent)
    : TScreenForm(parent, WithHelp, SenhaHelp), Label1(new QLabel(this)), Senha(new QLineEdit(this)),
      Label2(new QLabel(this)), ComboBox1(NewList(this, "ComboBox1", false)) {
    Senha->setObjectName("Senha");
    Senha->setMaxLength(PasswordLength);
    Senha->setEchoMode(QLineEdit::Password);
    Senha->setMinimumWidth(Senha->fontMetrics().horizontalAdvance("Senha") + 24);
    Senha->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), Senha));
    Senha->installEventFilter(this);
    AddNumberItems(ComboBox1, 2, 4);
    Label1->setBuddy(Senha);
    Label2->setBuddy(ComboBox1);

    auto* fields = new QFormLayout;
    fields->addRow(Label1, Senha);
    fields->addRow(Label2, ComboBox1);
    SetContent(fields);

    connect(OkButton, &QPushButton::clicked, this, &TFormSenha::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormSenha::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormSenha::HelpBitBtnClick);
}

void TFormSenha::FormShow() {
    setWindowTitle(TrText("Senhas"));
    CaptionButtons();
    Label1->setText(TrLabel("Senha &geral do PABX"));
    Label2->setText(TrText("Número de dígitos da senha de ramal"));
    Senha->clear();
    Senha->setPlaceholderText(TrText("Senha"));

    const bool digitCount =
        LoadedSections[Section::ExtensionPasswordDigits] && IsTransferableModel(ModelCode);
    const int digits = ProgrammingImage[Offset::ExtensionPasswordDigits];
    ComboBox1->setCurrentIndex(digitCount ? ComboBox1->findText(QString::number(digits)) : -1);
    ComboBox1->setEnabled(digitCount);
    Label2->setEnabled(digitCount);
    if (digitCount) ComboBox1->setFocus();

    const bool password = LoadedSections[Section::GeneralPassword] || LoadedSectionsLegacy[4];
    Senha->setEnabled(password);
    Label1->setEnabled(password);
    if (password) Senha->setFocus();
}

bool TFormSenha::SenhaKeyPress(const QString& typed) {
    if (typed.isEmpty() || !typed.front().isPrint() || typed.front().isDigit()) return true;
    ShowError(this, LngText("Somente números são permitdos."));
    return false;
}

bool TFormSenha::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Senha && event->type() == QEvent::KeyPress &&
        !SenhaKeyPress(static_cast<QKeyEvent*>(event)->text()))
        return true;
    return TScreenForm::eventFilter(watched, event);
}

void TFormSenha::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        const QString password = Senha->text().left(PasswordLength);
        if (Senha->isEnabled() && !password.isEmpty()) {
            const bool digits = std::ranges::all_of(password, [](QChar c) { return c >= '0' && c <= '9'; });
            if (password.size() < PasswordLength || !digits)
                FailCheck(Senha, LngText("A senha deve possuir 3 dígitos."));
            edit.Image()[Offset::GeneralPassword] = 0x20 | PasswordDigit(password[0]);
            edit.Image()[Offset::GeneralPassword + 1] =
                static_cast<std::uint8_t>(PasswordDigit(password[1]) << 4 | PasswordDigit(password[2]));
            edit.Mark(Section::GeneralPassword);
        }
        if (ComboBox1->isEnabled() && ComboBox1->currentIndex() >= 0) {
            edit.Image()[Offset::ExtensionPasswordDigits] =
                static_cast<std::uint8_t>(ComboBox1->currentIndex() + FewestPasswordDigits);
            edit.Mark(Section::ExtensionPasswordDigits);
        }
    });
}

void TFormSenha::CancButtonClick() {
    CloseWithoutChange();
}

void TFormSenha::HelpBitBtnClick() {
    ShowHelp();
}
