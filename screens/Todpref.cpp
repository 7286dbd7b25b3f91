#include "screens/Todpref.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"
#include "screens/PrefixTrie.h"
#include "screens/ScreenConventions.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

char TodPrefResult = '0';

namespace {

constexpr int ResultOk = 1;
constexpr int ResultCancel = 2;
constexpr int RegionalButton = 1;

// The buttons in order, with the leaf value each stands for.
struct TButtonItem {
    const char* caption;
    std::uint8_t leaf;
};
constexpr std::array<TButtonItem, 5> ButtonItems = {{
    {LngText("Ramais com categoria local"), 0},
    {LngText("Ramais com categora Regional"), 8},
    {LngText("Ramais com categora DDD"), 16},
    {LngText("Ramais com categoria DDI"), 32},
    {LngText("Prefixo bloqueado"), 64},
}};

std::array<QRadioButton*, 5> NewButtons(QWidget* parent) {
    std::array<QRadioButton*, 5> buttons{};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = new QRadioButton(parent);
        buttons[i]->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
    }
    return buttons;
}

} // namespace

TFormTodPref::TFormTodPref(QWidget* parent)
    : QDialog(parent), Panel1(new QGroupBox(this)), RadioButtons(NewButtons(Panel1)),
      Button1(new QPushButton(this)), Button2(new QPushButton(this)) {
    Panel1->setObjectName("Panel1");
    Button1->setObjectName("Button1");
    Button2->setObjectName("Button2");
    Button1->setDefault(true);
    RadioButtons[0]->setChecked(true);
    auto* items = new QVBoxLayout(Panel1);
    for (QRadioButton* button : RadioButtons) items->addWidget(button);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* root = new QVBoxLayout(this);
    root->addWidget(Panel1);
    root->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, &TFormTodPref::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormTodPref::Button2Click);
}

void TFormTodPref::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FillKeepingCentre(*this, [this] { FormShow(); });
}

void TFormTodPref::FormShow() {
    setWindowTitle(TrText("Aplicar a todos os prefixos"));
    Panel1->setTitle(TrText("Tipo de acesso ao prefixo"));
    Button1->setText(TrLabel("O&k"));
    Button2->setText(TrLabel("&Cancela"));
    for (std::size_t i = 0; i < RadioButtons.size(); ++i)
        RadioButtons[i]->setText(TrText(ButtonItems[i].caption));
    const bool regional = ModelCode > 8;
    RadioButtons[RegionalButton]->setEnabled(regional);
    if (!regional && RadioButtons[RegionalButton]->isChecked()) RadioButtons[0]->setChecked(true);
}

void TFormTodPref::CheckCode(char code) {
    const std::uint8_t leaf = PrefixAccessLeaf(ModelCode, code);
    for (std::size_t i = 0; i < RadioButtons.size(); ++i)
        if (ButtonItems[i].leaf == leaf) RadioButtons[i]->setChecked(true);
}

void TFormTodPref::Button1Click() {
    TodPrefResult = '0';
    for (std::size_t i = 0; i < RadioButtons.size(); ++i)
        if (RadioButtons[i]->isChecked() && RadioButtons[i]->isEnabled())
            for (const TPrefixAccess& access : PrefixAccessCodes(ModelCode))
                if (access.Leaf == ButtonItems[i].leaf) TodPrefResult = access.Code;
    done(ResultOk);
}

void TFormTodPref::Button2Click() {
    TodPrefResult = '0';
    done(ResultCancel);
}
