#include "screens/Padrao.h"

#include "platform/ui/DialogFit.h"
#include "platform/ui/UiServices.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

std::uint8_t DefaultScope = 0;

namespace {
constexpr int ResultOk = 1;
constexpr int ResultCancel = 2;
} // namespace

TFormPadrao::TFormPadrao(QWidget* parent)
    : QDialog(parent), RadioButton1(new QRadioButton(this)), RadioButton2(new QRadioButton(this)),
      Button1(new QPushButton(this)), Button2(new QPushButton(this)) {
    RadioButton1->setObjectName("RadioButton1");
    RadioButton2->setObjectName("RadioButton2");
    Button1->setObjectName("Button1");
    Button2->setObjectName("Button2");
    RadioButton1->setChecked(true);
    Button1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* root = new QVBoxLayout(this);
    root->addWidget(RadioButton1);
    root->addWidget(RadioButton2);
    root->addSpacing(8);
    root->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, &TFormPadrao::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormPadrao::Button2Click);
}

void TFormPadrao::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormPadrao::FormShow() {
    setWindowTitle(TrText("Aplicar padrão"));
    Button1->setText(TrLabel("O&k"));
    Button2->setText(TrLabel("&Cancela"));
    FitDialogToTexts(*this);
}

void TFormPadrao::Button1Click() {
    DefaultScope = RadioButton1->isChecked() ? 0 : 1;
    done(ResultOk);
}

void TFormPadrao::Button2Click() {
    done(ResultCancel);
}

bool AskDefaultScope(QWidget* parent, const char* allItems, const char* itemInEdit) {
    TFormPadrao dialog(parent);
    dialog.RadioButton1->setText(TrText(allItems));
    dialog.RadioButton2->setText(TrText(itemInEdit));
    return dialog.exec() == ResultOk;
}
