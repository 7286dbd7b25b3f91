#include "screens/Atuaauto.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/ScheduleParts.h"
#include "screens/ScreenGrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

namespace {

constexpr int AtuaAutoHelp = 35;
constexpr int Actuation1Shift = 2, Actuation2Shift = 6;
constexpr int MaxTimes = 24;
constexpr int VisibleTimes = 12;

int TimesOfModel(std::uint8_t model) {
    return TimesAreBcd(model) ? 24 : 12;
}

bool HasActuation2(std::uint8_t model) {
    return model != 8 && model != 9 && model != 13;
}

// One actuation: its times from the grid, sorted, written to the header with its activation.
void StoreActuation(const TImageView& header, std::size_t offset, int shift, const TTimePairs& shown,
                    const TActivationChoice& choice) {
    TTimePairs times = shown;
    times.resize(MaxTimes, EmptyTime);
    SortTimes(times);
    for (int i = 0; i < TimesOfModel(ModelCode); ++i) {
        header[offset + 2 * i] = times[i].hour;
        header[offset + 2 * i + 1] = times[i].minute;
    }
    choice.Store(header, shift, times.front());
}

} // namespace

TFormAtuaAuto::TFormAtuaAuto(QWidget* parent)
    : TScreenForm(parent, WithHelp, AtuaAutoHelp), VevIvizudEvar1(NewTimeGrid(this, "VevIvizudEvar1")),
      VevIvizudEvar2(NewTimeGrid(this, "VevIvizudEvar2")),
      Panel1(NewGridPanel(this, "Panel1", VevIvizudEvar1)),
      Panel2(NewGridPanel(this, "Panel2", VevIvizudEvar2)),
      activation1_(std::make_unique<TActivationChoice>(this, "GroupBox1")),
      activation2_(std::make_unique<TActivationChoice>(this, "GroupBox2")) {
    auto* content = new QGridLayout;
    content->addWidget(activation1_->Group, 0, 0);
    content->addWidget(activation2_->Group, 0, 1);
    content->addWidget(Panel1, 1, 0);
    content->addWidget(Panel2, 1, 1);
    content->setColumnStretch(2, 1);
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormAtuaAuto::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormAtuaAuto::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormAtuaAuto::HelpBitBtnClick);
}

TFormAtuaAuto::~TFormAtuaAuto() = default;

void TFormAtuaAuto::FormShow() {
    setWindowTitle(TrText("Atuação externa"));
    CaptionButtons();
    activation1_->Caption(LngText("ATIVAÇÃO ATUAÇÃO 1"));
    activation2_->Caption(LngText("ATIVAÇÃO ATUAÇÃO 2"));
    Panel1->setTitle(TrText("Atuação 1"));
    Panel2->setTitle(TrText("Atuação 2"));
    for (TVevIvizudEvar* grid : {VevIvizudEvar1, VevIvizudEvar2})
        SetUpTimeGrid(*grid, TimesOfModel(ModelCode), VisibleTimes);
    const bool actuation2 = HasActuation2(ModelCode);
    activation2_->SetEnabled(actuation2);
    Panel2->setEnabled(actuation2);
    MostraAtuacao();
    VevIvizudEvar1->setFocus();
}

void TFormAtuaAuto::MostraAtuacao() {
    const std::uint8_t activation = ProgrammingHeader[Offset::ActivationBits];
    activation1_->Show(activation, Actuation1Shift, true);
    activation2_->Show(activation, Actuation2Shift, true);
    const int times = TimesOfModel(ModelCode);
    ShowTimes(*VevIvizudEvar1, StoredTimes(Offset::Actuation1, times));
    ShowTimes(*VevIvizudEvar2, StoredTimes(Offset::Actuation2, times));
}

void TFormAtuaAuto::OkButtonClick() {
    CommitCellEdit(*VevIvizudEvar1);
    CommitCellEdit(*VevIvizudEvar2);
    RunOk([this](TProgrammingEdit& edit) {
        TTimePairs times1, times2;
        for (int row = 1; row < VevIvizudEvar1->GetRowCount(); ++row) {
            times1.push_back(
                ReadTime(*VevIvizudEvar1, row, ConverteHorario, LngText("Horário está incorreto.")));
            times2.push_back(
                ReadTime(*VevIvizudEvar2, row, ConverteHorario, LngText("Horário está incorreto.")));
        }
        StoreActuation(edit.Header(), Offset::Actuation1, Actuation1Shift, times1, *activation1_);
        StoreActuation(edit.Header(), Offset::Actuation2, Actuation2Shift, times2, *activation2_);
        edit.Mark(Section::Schedules);
    });
}

void TFormAtuaAuto::CancButtonClick() {
    CloseWithoutChange();
}

void TFormAtuaAuto::HelpBitBtnClick() {
    ShowHelp();
}
