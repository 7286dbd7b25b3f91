#include "screens/Progdive.h"

#include "core/DefaultValues.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int ProgDivHelp = 31;
constexpr std::uint8_t MusicOnHoldModel = 9;

template <class T> T* Named(QWidget* parent, const char* name) {
    auto* control = new T(parent);
    control->setObjectName(name);
    return control;
}

bool HasParallelPrinter(std::uint8_t model) {
    return model != 8 && model != 9 && model != 13;
}

bool ShowsCallerCategory(std::uint8_t model) {
    return model != 8 && model != 13;
}

} // namespace

void AjustaBit(bool on, std::uint8_t& byte, int n) {
    const auto mask = static_cast<std::uint8_t>(1u << n);
    byte = on ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
}

TFormProgDiv::TFormProgDiv(QWidget* parent)
    : TScreenForm(parent, WithDefault | WithHelp, ProgDivHelp),
      GroupBox1(Named<QGroupBox>(this, "GroupBox1")),
      RadioButton1(Named<QRadioButton>(GroupBox1, "RadioButton1")),
      RadioButton2(Named<QRadioButton>(GroupBox1, "RadioButton2")),
      CheckBox5(Named<QCheckBox>(GroupBox1, "CheckBox5")),
      CheckBox7(Named<QCheckBox>(GroupBox1, "CheckBox7")),
      CheckBox8(Named<QCheckBox>(GroupBox1, "CheckBox8")),
      CheckBox9(Named<QCheckBox>(GroupBox1, "CheckBox9")),
      CheckBox6(Named<QCheckBox>(GroupBox1, "CheckBox6")),
      CheckBox12(Named<QCheckBox>(GroupBox1, "CheckBox12")), GroupBox2(Named<QGroupBox>(this, "GroupBox2")),
      CheckBox1(Named<QCheckBox>(GroupBox2, "CheckBox1")),
      CheckBox2(Named<QCheckBox>(GroupBox2, "CheckBox2")),
      CheckBox3(Named<QCheckBox>(GroupBox2, "CheckBox3")),
      CheckBox11(Named<QCheckBox>(GroupBox2, "CheckBox11")),
      CheckBox4(Named<QCheckBox>(GroupBox2, "CheckBox4")),
      CheckBox13(Named<QCheckBox>(GroupBox2, "CheckBox13")) {
    auto* printers = new QHBoxLayout;
    printers->addWidget(RadioButton1);
    printers->addWidget(RadioButton2);
    printers->addStretch();
    auto* ticketing = new QVBoxLayout(GroupBox1);
    ticketing->addLayout(printers);
    for (QCheckBox* box : {CheckBox5, CheckBox7, CheckBox8, CheckBox9, CheckBox6, CheckBox12})
        ticketing->addWidget(box);
    auto* others = new QVBoxLayout(GroupBox2);
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3, CheckBox11, CheckBox4, CheckBox13})
        others->addWidget(box);
    auto* content = new QVBoxLayout;
    content->addWidget(GroupBox1);
    content->addWidget(GroupBox2);
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormProgDiv::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormProgDiv::CancButtonClick);
    connect(PadButton, &QPushButton::clicked, this, &TFormProgDiv::PadButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormProgDiv::HelpBitBtnClick);
}

std::vector<TFormProgDiv::TBitControl> TFormProgDiv::Bits() const {
    return {
        {RadioButton2, Offset::OptionBits1, 7, LngText("Impressora paralela")},
        {CheckBox5, Offset::OptionBits1, 6,
         LngText("Habilita bilhetagem de ligações originadas (\"saintes\")")},
        {CheckBox7, Offset::OptionBits1, 0,
         LngText("Habilita bilhetagem de ligações recebidas (\"entrantes\")")},
        {CheckBox8, Offset::OptionBits1, 2, LngText("Bloqueio de chamadas por alarme de tarifação")},
        {CheckBox9, Offset::OptionBits1, 5, LngText("Habilita bilhetagem de ligação recebida não atendida")},
        {CheckBox6, Offset::OptionBits1, 4, LngText("Habilita bilhetagem de ligação antes do atendimento")},
        {CheckBox12, Offset::OptionBits2, 2, LngText("Apresenta categoria do assinante chamador")},
        {CheckBox1, Offset::OptionBits2, 4, LngText("Habilita conferência")},
        {CheckBox2, Offset::OptionBits2, 5, LngText("Habilita retorno de chamada transferida")},
        {CheckBox3, Offset::OptionBits2, 6, LngText("Habilita facilidades CPA")},
        {CheckBox11, Offset::OptionBits2, 0, LngText("Chamada interna sem fila")},
        {CheckBox4, Offset::OptionBits2, 3, LngText("Habilita TI a capturar chamada recebida não atendida")},
        {CheckBox13, Offset::OptionBits2, 1, LngText("Música para espera")},
    };
}

void TFormProgDiv::FormShow() {
    setWindowTitle(TrText("Programações diversas"));
    CaptionButtons();
    GroupBox1->setTitle(TrText("&Bilhetagem"));
    GroupBox2->setTitle(TrText("&Outros"));
    RadioButton1->setText(TrText("Impressora serial"));
    for (const TBitControl& bit : Bits()) bit.control->setText(TrText(bit.caption));
    ShowBits(ProgrammingHeader[Offset::OptionBits1], ProgrammingHeader[Offset::OptionBits2]);
    RadioButton2->setEnabled(HasParallelPrinter(ModelCode));
    CheckBox12->setEnabled(ShowsCallerCategory(ModelCode));
    CheckBox13->setEnabled(ModelCode != MusicOnHoldModel);
    CheckBox1->setFocus();
}

void TFormProgDiv::ShowBits(std::uint8_t bits297, std::uint8_t bits298) {
    RadioButton1->setChecked(true);
    for (const TBitControl& bit : Bits()) {
        const std::uint8_t byte = bit.offset == Offset::OptionBits1 ? bits297 : bits298;
        bit.control->setChecked((byte >> bit.bit) & 1);
    }
    if (ModelCode == MusicOnHoldModel) CheckBox13->setChecked(true);
}

void TFormProgDiv::PadButtonClick() {
    ShowBits(Defaults::OptionBits1, Defaults::OptionBits2);
}

void TFormProgDiv::OkButtonClick() {
    RunOk([this](TProgrammingEdit& edit) {
        for (const TBitControl& bit : Bits()) {
            std::uint8_t byte = edit.Header()[bit.offset];
            AjustaBit(bit.control->isChecked(), byte, bit.bit);
            edit.Header()[bit.offset] = byte;
        }
        edit.Mark(Section::OptionBits);
    });
}

void TFormProgDiv::CancButtonClick() {
    CloseWithoutChange();
}

void TFormProgDiv::HelpBitBtnClick() {
    ShowHelp();
}
