#include "screens/Notautom.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/ScheduleParts.h"
#include "screens/ScreenGrid.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int NotAutoHelp = 33;
constexpr int NightShift = 4;
constexpr int EntryCount = 12; // entries written
constexpr std::size_t EntrySize = 4, ExitAt = 0, EntryAt = 2;

int TimesShown(std::uint8_t model) {
    return TimesAreBcd(model) ? 12 : 6;
}

} // namespace

TFormNotAuto::TFormNotAuto(QWidget* parent)
    : TScreenForm(parent, WithHelp, NotAutoHelp), VevIvizudEvar1(NewTimeGrid(this, "VevIvizudEvar1")),
      VevIvizudEvar2(NewTimeGrid(this, "VevIvizudEvar2")),
      Panel2(NewGridPanel(this, "Panel2", VevIvizudEvar1)),
      Panel3(NewGridPanel(this, "Panel3", VevIvizudEvar2)),
      activation_(std::make_unique<TActivationChoice>(this, "GroupBox1")) {
    auto* content = new QHBoxLayout;
    content->addWidget(activation_->Group, 0, Qt::AlignTop);
    content->addWidget(Panel2);
    content->addWidget(Panel3);
    content->addStretch();
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormNotAuto::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormNotAuto::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormNotAuto::HelpBitBtnClick);
}

TFormNotAuto::~TFormNotAuto() = default;

void TFormNotAuto::FormShow() {
    setWindowTitle(TrText("Noturno automático"));
    CaptionButtons();
    activation_->Caption(LngText("ATIVAÇÃO"));
    Panel2->setTitle(TrText("Entrada"));
    Panel3->setTitle(TrText("Saída"));
    activation_->Show(ProgrammingHeader[Offset::ActivationBits], NightShift, false);
    const int times = TimesShown(ModelCode);
    for (TVevIvizudEvar* grid : {VevIvizudEvar1, VevIvizudEvar2}) SetUpTimeGrid(*grid, times, times);
    MostraNoturno();
    VevIvizudEvar1->setFocus();
}

void TFormNotAuto::MostraNoturno() {
    const int times = TimesShown(ModelCode);
    ShowTimes(*VevIvizudEvar2, StoredTimes(Offset::NightService + ExitAt, times, EntrySize));
    ShowTimes(*VevIvizudEvar1, StoredTimes(Offset::NightService + EntryAt, times, EntrySize));
}

void TFormNotAuto::OkButtonClick() {
    CommitCellEdit(*VevIvizudEvar1);
    CommitCellEdit(*VevIvizudEvar2);
    RunOk([this](TProgrammingEdit& edit) {
        TTimePairs exits(EntryCount, EmptyTime), entries(EntryCount, EmptyTime);
        for (int row = 1; row < VevIvizudEvar1->GetRowCount(); ++row) {
            entries[row - 1] = ReadTime(*VevIvizudEvar1, row, ConverteHorarioNoturno,
                                        LngText("Horário de entrada está incorreto."));
            exits[row - 1] = ReadTime(*VevIvizudEvar2, row, ConverteHorarioNoturno,
                                      LngText("Horário de saída está incorreto."));
        }
        SortTimes(exits);
        SortTimes(entries);
        const TImageView& header = edit.Header();
        for (std::size_t i = 0; i < EntryCount; ++i) {
            const std::size_t at = Offset::NightService + EntrySize * i;
            header[at + ExitAt] = exits[i].hour;
            header[at + ExitAt + 1] = exits[i].minute;
            header[at + EntryAt] = entries[i].hour;
            header[at + EntryAt + 1] = entries[i].minute;
        }
        activation_->Store(header, NightShift, exits.front());
        edit.Mark(Section::Schedules);
    });
}

void TFormNotAuto::CancButtonClick() {
    CloseWithoutChange();
}

void TFormNotAuto::HelpBitBtnClick() {
    ShowHelp();
}
