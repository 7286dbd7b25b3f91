#include "screens/Programa.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/UiServices.h"
#include "screens/CategoryRecord.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

std::uint8_t EditedPosition = 0;

namespace {

constexpr std::array<const char*, 6> CancellationCaptions = {
    LngText("Ramal com senha programada"), LngText("Ramal com não perturbe"), LngText("Ramal cadeado"),
    LngText("Ramal com siga-me"),          LngText("Ramal com Hot Line"),     LngText("Ramal TI")};

QLabel* NewPanel(QWidget* parent, const char* name) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMargin(4);
    return panel;
}

std::size_t FacilityByte() {
    return Offset::ExtensionFacilities + EditedPosition;
}

} // namespace

TFormProgRama::TFormProgRama(QWidget* parent)
    : TCategoryScreen(parent), PanelRamal(NewPanel(this, "PanelRamal")),
      PanelPosFis(NewPanel(this, "PanelPosFis")), Cancelamentos(new QWidget(this)),
      GroupBox2(new QGroupBox(Cancelamentos)) {
    setObjectName("FormProgRama");
    Cancelamentos->setObjectName("Cancelamentos");
    GroupBox2->setObjectName("GroupBox2");
    auto* boxes = new QVBoxLayout(GroupBox2);
    for (std::size_t n = 0; n < CheckBox.size(); ++n) {
        CheckBox[n] = new QCheckBox(GroupBox2);
        CheckBox[n]->setObjectName(QString("CheckBox%1").arg(n + 1));
        boxes->addWidget(CheckBox[n]);
    }
    auto* page = new QHBoxLayout(Cancelamentos);
    page->addWidget(GroupBox2);
    page->addStretch();
    TabbedNotebook1->addTab(Cancelamentos, QString());

    auto* top = new QHBoxLayout;
    top->addWidget(PanelRamal, 1);
    top->addWidget(PanelPosFis, 1);
    SetTop(top);

    connect(OkButton, &QPushButton::clicked, this, &TFormProgRama::ButtonOkClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormProgRama::ButtonCancelaClick);
    connect(PadButton, &QPushButton::clicked, this, &TFormProgRama::PadButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormProgRama::BitBtn1Click);
    connect(ButtonCat, &QPushButton::clicked, this, &TFormProgRama::ButtonCatClick);
}

void TFormProgRama::FormShow() {
    TabbedNotebook1->setTabText(CancellationPage, TrText("Cancelamentos"));
    for (std::size_t n = 0; n < CheckBox.size(); ++n) CheckBox[n]->setText(TrText(CancellationCaptions[n]));
    CaptionCategoryControls();
    OpenTable();
    const std::uint8_t programmed = ProgrammingHeader[FacilityByte()];
    for (std::size_t n = 0; n < CheckBox.size(); ++n) {
        const bool set = (programmed >> n) & 1u;
        CheckBox[n]->setEnabled(set);
        CheckBox[n]->setChecked(set);
    }
    ApplyModelRules();
    DBFACG4->setEnabled(EditedPosition <= 1);
}

void TFormProgRama::ButtonOkClick() {
    platform::data::TDataSet& table = *Table();
    int error = 0;
    RunOk([&](TProgrammingEdit& edit) {
        if (table.IsEmpty()) FailCheck(nullptr, LngText("Ramal não existe."));
        PostRecord();
        {
            TControlsDisabled disabled(table);
            table.First();
            const TCategoryRecord record = ReadCategoryRecord(table);
            error = CategoryError(record);
            FoldCategoryRecord(record, edit.Header(), EditedPosition, TFacilityBit5::FromRecord);
        }
        if (error != 0) FailCheck(nullptr, CategoryErrorMessage(error));
        std::uint8_t facilities = 0;
        for (std::size_t n = 0; n < CheckBox.size(); ++n)
            if (CheckBox[n]->isChecked()) facilities |= static_cast<std::uint8_t>(1u << n);
        edit.Header()[FacilityByte()] = facilities;
        edit.Mark(Section::Categories);
    });
    if (error != 0) ShowErrorPage(error);
}

void TFormProgRama::ButtonCancelaClick() {
    CloseWithoutChange();
}

void TFormProgRama::PadButtonClick() {
    Guard([this] {
        if (!Table()->IsEmpty()) SetCategoryDefaults(*Table());
    });
}

void TFormProgRama::ButtonCatClick() {
    TabbedNotebook1->setCurrentIndex((TabbedNotebook1->currentIndex() + 1) % TabbedNotebook1->count());
}

void TFormProgRama::TabbedNotebook1Change() {
    switch (TabbedNotebook1->currentIndex()) {
    case DayPage:
        ButtonCat->setText(TrLabel("&Noturno"));
        break;
    case NightPage:
        ButtonCat->setText(TrLabel("Canc. P&rogr")); // "&Padrão" has Alt+P
        break;
    default:
        ButtonCat->setText(TrLabel("&Diurno"));
        break;
    }
}

void TFormProgRama::BitBtn1Click() {
    ShowHelpContext(TabbedNotebook1->currentIndex() == CancellationPage ? 23 : HelpContext());
}
