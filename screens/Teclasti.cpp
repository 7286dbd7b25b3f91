#include "screens/Teclasti.h"

#include "core/DefaultValues.h"
#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/ui/StringGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/TerminalKeys.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int TeclasTIHelp = 24;
constexpr int Keys = TFormTeclasTI::KeyCount;
constexpr int KeyColumnWidth = 48, FunctionColumnWidth = 200;
constexpr int KeyListWidth = KeyColumnWidth + FunctionColumnWidth + 24; // lines, frame, scroll bar

// A function a radio button (Tag) stands for: its codes first..last are base + the index of the
// value list's item; the functions without a list have one code.
struct TKeyFunction {
    int tag;
    int base, first, last;
    const char* listLabel; // null: no value list
};

constexpr std::array<TKeyFunction, 14> KeyFunctions = {{
    {1, 0, 0, MaxPositions - 1, LngText("R&amal")},
    {2, KeyCode::Line1, KeyCode::Line1, KeyCode::Line1 + 29, LngText("&Linha")},
    {3, KeyCode::RouteBase, KeyCode::RouteBase + 1, KeyCode::RouteBase + 7, LngText("R&ota")}, // item 0: 170
    {4, KeyCode::Group1, KeyCode::Group1, KeyCode::Group1 + 7, LngText("&Grupo de ramais")},
    {5, KeyCode::DoorPhone1, KeyCode::DoorPhone1, KeyCode::DoorPhone1 + 1, LngText("P&orteiro")},
    {6, KeyCode::Actuation1, KeyCode::Actuation1, KeyCode::Actuation1 + 1, LngText("Coman&do")},
    {7, KeyCode::BossSecretary1, KeyCode::BossSecretary1, KeyCode::BossSecretary1 + 1,
     LngText("Chefe &Secretária")},
    {13, KeyCode::HandsFree1, KeyCode::HandsFree1, KeyCode::HandsFree1 + 1, LngText("Chefe &Secretária")},
    {8, KeyCode::DoNotDisturb, KeyCode::DoNotDisturb, KeyCode::DoNotDisturb, nullptr},
    {9, KeyCode::Padlock, KeyCode::Padlock, KeyCode::Padlock, nullptr},
    {10, KeyCode::RoomMonitoring, KeyCode::RoomMonitoring, KeyCode::RoomMonitoring, nullptr},
    {12, KeyCode::Paging, KeyCode::Paging, KeyCode::Paging, nullptr}, // no radio button carries Tag 12
    {14, KeyCode::NoFunction, KeyCode::NoFunction, KeyCode::NoFunction, nullptr},
    {15, KeyCode::GeneralRinging, KeyCode::GeneralRinging, KeyCode::GeneralRinging, nullptr},
}};
constexpr int RouteTag = 3;

const TKeyFunction* FunctionOfTag(int tag) {
    const auto found = std::ranges::find(KeyFunctions, tag, &TKeyFunction::tag);
    return found == KeyFunctions.end() ? nullptr : &*found;
}

// The function of a code and the index of its item in the value list; null for a code that
// names no function.
const TKeyFunction* FunctionOfCode(std::uint8_t code, int& index) {
    if (code == KeyCode::Route0) {
        index = 0;
        return FunctionOfTag(RouteTag);
    }
    for (const TKeyFunction& function : KeyFunctions)
        if (code >= function.first && code <= function.last) {
            index = code - function.base;
            return &function;
        }
    return nullptr;
}

struct TRadio {
    int tag;
    const char* caption;
};
// The radio buttons in screen order; the last two sit in the group "Chefe-Secretária".
constexpr std::array<TRadio, 14> Radios = {{
    {1, LngText("Ramal")},
    {2, LngText("Linha")},
    {3, LngText("Rota")},
    {4, LngText("Grupo de ramais")},
    {5, LngText("Porteiro")},
    {6, LngText("Comando")},
    {8, LngText("Não perturbe")},
    {9, LngText("Cadeado")},
    {10, LngText("Monitora")},
    {15, LngText("Toque geral")},
    {14, LngText("Sem função")},
    {16, LngText("Secretária eletrônica")},
    {7, LngText("Chefe-secretária")},
    {13, LngText("Viva voz Chefe-Secr.")},
}};
constexpr std::size_t BossSecretaryRadios = 2;

// Door phone 2 and actuation command 2, as a key shows them: only models 10, 11 and 12 have them.
bool HasSecondDoorPhone(std::uint8_t model) {
    return model >= 10 && model <= 12;
}

// Focus moves that leave or enter a control: not those of another window or a pop-up.
bool IsFieldMove(const QEvent* event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

QString KeyRowText(int key) {
    return key == 22 ? QStringLiteral("   V/W") : QStringLiteral("      ") + KeyLetter(key);
}

} // namespace

TFormTeclasTI::TFormTeclasTI(QWidget* parent)
    : TScreenForm(parent, WithDefault | WithHelp, TeclasTIHelp, "BitBtn1"), LabelRamalTI(new QLabel(this)),
      ComboBox2(new QComboBox(this)), LabelTI(new QLabel(this)), PanelConfig(new QGroupBox(this)),
      GroupBoxTeclas(new QGroupBox(this)), LabelTecla(new QLabel(this)),
      GroupBoxProgramacoes(new QGroupBox(this)), GroupBoxChefeSecr(new QGroupBox(this)),
      PNCodigos(new QFrame(this)), LabelF(new QLabel(this)), ComboBoxF(new QComboBox(this)),
      Button28(new QPushButton(this)), PainelTeclas(new QWidget(this)), Panel7(new QLabel(this)),
      StringGrid1(new TStringGrid(this)), Button29(new QPushButton(this)), panels_(new QStackedLayout) {
    ComboBox2->setObjectName("ComboBox2");
    ComboBox2->setMinimumWidth(90);
    LabelRamalTI->setBuddy(ComboBox2);
    LabelTI->setObjectName("LabelTI");
    auto* top = new QHBoxLayout;
    top->addWidget(LabelRamalTI);
    top->addWidget(ComboBox2);
    top->addWidget(LabelTI);
    top->addStretch();

    // The key buttons, five to a row.
    auto* keys = new QGridLayout(GroupBoxTeclas);
    for (int key = 1; key <= Keys; ++key) {
        QPushButton* button = ButtonT[key - 1] = new QPushButton(KeyLetter(key), GroupBoxTeclas);
        button->setObjectName(QStringLiteral("ButtonT") + KeyLetter(key).left(1));
        button->setFixedSize(40, 28);
        button->installEventFilter(this);
        keys->addWidget(button, (key - 1) / 5, (key - 1) % 5);
        connect(button, &QPushButton::clicked, this,
                [this, button] { Guard([&] { ButtonTClick(button); }); });
    }
    LabelTecla->setObjectName("LabelTecla");
    QFont big = LabelTecla->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    LabelTecla->setFont(big);
    LabelTecla->setAlignment(Qt::AlignCenter);
    auto* left = new QVBoxLayout;
    left->addWidget(GroupBoxTeclas);
    left->addWidget(LabelTecla);
    left->addStretch();

    // The functions: radio buttons by Tag, the two boss-secretary ones in a group of their own.
    auto* functions = new QButtonGroup(this);
    auto* radios = new QGridLayout(GroupBoxProgramacoes);
    auto* bossSecretary = new QVBoxLayout(GroupBoxChefeSecr);
    for (std::size_t i = 0; i < Radios.size(); ++i) {
        const bool inGroup = i >= Radios.size() - BossSecretaryRadios;
        auto* radio = RadioButtonT[Radios[i].tag] =
            new QRadioButton(inGroup ? static_cast<QWidget*>(GroupBoxChefeSecr) : GroupBoxProgramacoes);
        radio->setObjectName(QStringLiteral("RadioButtonT%1").arg(Radios[i].tag));
        radio->installEventFilter(this);
        functions->addButton(radio, Radios[i].tag);
        if (inGroup)
            bossSecretary->addWidget(radio);
        else
            radios->addWidget(radio, static_cast<int>(i) % 6, static_cast<int>(i) / 6);
    }
    radios->addWidget(GroupBoxChefeSecr, 0, 2, 3, 1, Qt::AlignTop);
    connect(functions, &QButtonGroup::idClicked, this,
            [this](int tag) { Guard([&] { RadioButtonTClick(tag); }); });

    PNCodigos->setObjectName("PNCodigos");
    ComboBoxF->setObjectName("ComboBoxF");
    ComboBoxF->setMinimumWidth(80);
    ComboBoxF->installEventFilter(this);
    LabelF->setBuddy(ComboBoxF);
    auto* codes = new QHBoxLayout(PNCodigos);
    codes->setContentsMargins(0, 0, 0, 0);
    codes->addWidget(LabelF);
    codes->addWidget(ComboBoxF);
    codes->addStretch();
    Button28->setObjectName("Button28");
    auto* right = new QVBoxLayout;
    right->addWidget(GroupBoxProgramacoes);
    right->addWidget(PNCodigos);
    right->addStretch();
    right->addWidget(Button28, 0, Qt::AlignRight);

    PanelConfig->setObjectName("PanelConfig");
    auto* editing = new QHBoxLayout(PanelConfig);
    editing->addLayout(left);
    editing->addLayout(right, 1);

    // The key list, shown in place of the editing panel.
    PainelTeclas->setObjectName("PainelTeclas");
    Panel7->setObjectName("Panel7");
    Panel7->setFrameShape(QFrame::Panel);
    Panel7->setAlignment(Qt::AlignCenter);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setFixedWidth(KeyListWidth);
    StringGrid1->setMinimumHeight(300);
    Button29->setObjectName("Button29");
    auto* list = new QVBoxLayout;
    list->addWidget(Panel7);
    list->addWidget(StringGrid1, 1);
    list->addWidget(Button29, 0, Qt::AlignRight);
    auto* centred = new QHBoxLayout(PainelTeclas);
    centred->addStretch();
    centred->addLayout(list);
    centred->addStretch();

    panels_->addWidget(PanelConfig);
    panels_->addWidget(PainelTeclas);
    auto* content = new QVBoxLayout;
    content->addLayout(top);
    content->addLayout(panels_);
    SetContent(content);

    connect(ComboBox2, &QComboBox::activated, this, [this] { Guard([this] { ComboBox2Change(); }); });
    connect(Button28, &QPushButton::clicked, this, [this] { Guard([this] { Button28Click(); }); });
    connect(Button29, &QPushButton::clicked, this, [this] { Guard([this] { Button29Click(); }); });
    connect(PadButton, &QPushButton::clicked, this, [this] { Guard([this] { Button30Click(); }); });
    connect(OkButton, &QPushButton::clicked, this, &TFormTeclasTI::Button1Click);
    connect(CancButton, &QPushButton::clicked, this, &TFormTeclasTI::Button2Click);
    connect(HelpButton, &QPushButton::clicked, this, &TFormTeclasTI::BitBtn1Click);
}

void TFormTeclasTI::FormShow() {
    setWindowTitle(TrText("Configuração das teclas dos Terminais Inteligentes"));
    CaptionButtons();
    HelpButton->setText(TrLabel("A&juda"));
    LabelRamalTI->setText(TrLabel("Ramal T&I"));
    PanelConfig->setTitle(TrText("Configuração da tecla"));
    GroupBoxTeclas->setTitle(TrText("&Teclas programáveis"));
    GroupBoxProgramacoes->setTitle(TrText("&Programações da tecla"));
    GroupBoxChefeSecr->setTitle(TrText("Chefe-Secretária"));
    for (const TRadio& radio : Radios) RadioButtonT[radio.tag]->setText(TrText(radio.caption));
    Button28->setText(TrLabel("&Mostra teclas"));
    Button29->setText(TrLabel("&Retornar"));
    FormActivate();
}

void TFormTeclasTI::FormActivate() {
    ComboBox2->clear();
    for (int terminal = 1; terminal <= CurrentModel().Terminals; ++terminal) {
        const std::uint8_t position = ProgrammingImage[Offset::TerminalPositions + terminal - 1];
        if (position == NoExtension || position >= MaxPositions) continue;
        ComboBox2->addItem(QString::fromStdString(ExtensionTextFromCode(position + 1)), terminal);
    }
    std::ranges::copy(ProgrammingImage.Span(Offset::TerminalKeys, KeyTable.size()), KeyTable.begin());
    std::ranges::copy(ProgrammingImage.Span(Offset::TerminalKeyParameters, KeyParameters.size()),
                      KeyParameters.begin());

    StringGrid1->SetColCount(2);
    StringGrid1->SetRowCount(Keys + 1);
    StringGrid1->SetColWidths(0, KeyColumnWidth);
    StringGrid1->SetColWidths(1, FunctionColumnWidth);
    StringGrid1->SetCells(0, 0, TrText("TECLA") + " ");
    StringGrid1->SetCells(1, 0, TrText("FUNÇÃO PROGRAMADA") + "     ");
    for (int key = 1; key <= Keys; ++key) StringGrid1->SetCells(0, key, KeyRowText(key));

    ComboBox2->setCurrentIndex(ComboBox2->count() > 0 ? 0 : -1);
    ChooseTerminal(ComboBox2->currentIndex());
    ShowTerminalLabel();
    ShowKey(1);
    panels_->setCurrentWidget(PanelConfig);
    ButtonT[0]->setFocus();
}

void TFormTeclasTI::ChooseTerminal(int index) {
    CurrentTerminal = index < 0 ? 1 : ComboBox2->itemData(index).toInt();
    std::copy_n(KeyTable.begin() + Keys * (CurrentTerminal - 1), Keys, KeyCodes.begin());
}

void TFormTeclasTI::ComboBox2Change() {
    std::ranges::copy(KeyCodes, KeyTable.begin() + Keys * (CurrentTerminal - 1));
    ChooseTerminal(ComboBox2->currentIndex());
    ShowTerminalLabel();
    ButtonT[0]->setFocus();
    ShowKey(1);
}

void TFormTeclasTI::ShowTerminalLabel() {
    LabelTI->setText("(TI " + QString::fromStdString(IntToStrZeroPad(CurrentTerminal, 2)) + ")");
}

void TFormTeclasTI::ShowKey(int key) {
    CurrentKey = key;
    LabelTecla->setText(KeyLetter(key));
    MostraTeclas(KeyCodes[key - 1]);
}

void TFormTeclasTI::ButtonTClick(QPushButton* button) {
    QString caption = button->text();
    if (caption.startsWith('&')) caption.remove(0, 1);
    LabelTecla->setText(caption);
    CurrentKey = caption.at(0).unicode() - 64;
    if (CurrentKey > 22) --CurrentKey;
    MostraTeclas(KeyCodes[CurrentKey - 1]);
}

void TFormTeclasTI::MostraTeclas(std::uint8_t code) {
    int index = -1;
    const TKeyFunction* function = FunctionOfCode(code, index);
    const bool withList = function && function->listLabel;
    PNCodigos->setVisible(withList);
    SelectRadio(function ? function->tag : 0);
    if (!withList) return;
    FillList(function->tag, true);
    if (index < ComboBoxF->count()) ComboBoxF->setCurrentIndex(index);
}

void TFormTeclasTI::SelectRadio(int tag) {
    auto* group = RadioButtonT[1]->group();
    group->setExclusive(false);
    for (QRadioButton* radio : RadioButtonT)
        if (radio) radio->setChecked(false);
    if (QRadioButton* radio = RadioButtonT.at(tag)) radio->setChecked(true);
    group->setExclusive(true);
}

void TFormTeclasTI::FillList(int tag, bool asKeyShowsIt) {
    const TKeyFunction* function = FunctionOfTag(tag);
    ComboBoxF->clear();
    ListTag = tag;
    if (!function || !function->listLabel) return;
    LabelF->setText(TrLabel(function->listLabel));
    int first = 1, last = 2;
    switch (tag) {
    case 1:
        for (int position = 0; position < CurrentModel().Extensions; ++position)
            ComboBoxF->addItem(QString::number(ExtensionNumber(position)));
        break;
    case 2:
    case RouteTag:
        first = tag == RouteTag ? 0 : 1;
        last = CurrentModel().Trunks;
        break;
    case 4:
        last = 4;
        break;
    case 5:
    case 6:
        if (asKeyShowsIt && !HasSecondDoorPhone(ModelCode)) last = 1;
        break;
    default:
        break;
    }
    if (tag != 1)
        for (int value = first; value <= last; ++value) ComboBoxF->addItem(QString::number(value));
    ComboBoxF->setCurrentIndex(-1);
}

void TFormTeclasTI::RadioButtonTClick(int tag) {
    const TKeyFunction* function = FunctionOfTag(tag);
    PNCodigos->setVisible(function && function->listLabel);
    FillList(tag, false);
}

void TFormTeclasTI::RadioButtonTExit(int tag) {
    const TKeyFunction* function = FunctionOfTag(tag);
    if (function && !function->listLabel && RadioButtonT.at(tag) && RadioButtonT[tag]->isChecked())
        StoreCode(static_cast<std::uint8_t>(function->first));
}

void TFormTeclasTI::ComboBoxFExit() {
    const TKeyFunction* function = FunctionOfTag(ListTag);
    const int index = ComboBoxF->currentIndex();
    if (!function || !function->listLabel || index < 0) return;
    StoreCode(ListTag == RouteTag && index == 0 ? KeyCode::Route0
                                                : static_cast<std::uint8_t>(function->base + index));
}

void TFormTeclasTI::StoreCode(std::uint8_t code) {
    KeyCodes[CurrentKey - 1] = code;
}

// A choice not yet stored because its control still has the focus (OK by Enter, a shortcut).
void TFormTeclasTI::StoreFocusedChoice() {
    QWidget* focused = focusWidget();
    if (focused == ComboBoxF) return ComboBoxFExit();
    for (int tag = 0; tag < TagCount; ++tag)
        if (focused && focused == RadioButtonT[tag]) RadioButtonTExit(tag);
}

void TFormTeclasTI::FillKeyList() {
    for (int key = 1; key <= Keys; ++key)
        StringGrid1->SetCells(1, key, " " + DescreveTecla(KeyCodes[key - 1]));
}

void TFormTeclasTI::Button28Click() {
    StoreFocusedChoice();
    Panel7->setText(TrText("Teclas do TI - Ramal") + " " + ComboBox2->currentText());
    FillKeyList();
    panels_->setCurrentWidget(PainelTeclas);
    StringGrid1->setFocus();
}

void TFormTeclasTI::Button29Click() {
    panels_->setCurrentWidget(PanelConfig);
    ButtonT[0]->setFocus();
}

void TFormTeclasTI::Button30Click() {
    KeyCodes = ModelCode == 9 ? Defaults::TerminalKeysModel9 : Defaults::TerminalKeysOtherModels;
    FillKeyList();
    ShowKey(1);
}

void TFormTeclasTI::Button1Click() {
    Guard([this] { StoreFocusedChoice(); });
    std::ranges::copy(KeyCodes, KeyTable.begin() + Keys * (CurrentTerminal - 1));
    RunOk([this](TProgrammingEdit& edit) {
        std::ranges::copy(KeyTable, edit.Image().Span(Offset::TerminalKeys, KeyTable.size()).begin());
        std::ranges::copy(KeyParameters,
                          edit.Image().Span(Offset::TerminalKeyParameters, KeyParameters.size()).begin());
        edit.Mark(Section::TerminalKeys, false);
    });
}

void TFormTeclasTI::Button2Click() {
    CloseWithoutChange();
}

void TFormTeclasTI::BitBtn1Click() {
    ShowHelp();
}

bool TFormTeclasTI::eventFilter(QObject* watched, QEvent* event) {
    const bool focusIn = event->type() == QEvent::FocusIn, focusOut = event->type() == QEvent::FocusOut;
    if ((focusIn || focusOut) && isVisible() && IsFieldMove(event)) {
        const auto key = std::ranges::find(ButtonT, watched);
        const auto radio = std::ranges::find(RadioButtonT, watched);
        if (focusIn && key != ButtonT.end()) Guard([&] { ButtonTClick(*key); });
        if (focusOut && watched == ComboBoxF) Guard([this] { ComboBoxFExit(); });
        if (focusOut && radio != RadioButtonT.end())
            Guard([&] { RadioButtonTExit(static_cast<int>(radio - RadioButtonT.begin())); });
    }
    return TScreenForm::eventFilter(watched, event);
}
