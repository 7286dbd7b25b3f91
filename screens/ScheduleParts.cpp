#include "screens/ScheduleParts.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"
#include "screens/ScreenGrid.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int TimeCol = 1;
constexpr int NumberColumnWidth = 48, TimeColumnWidth = 64;
enum TActivationId { Workdays = 3, EveryDay = 2, Off = 0 };

bool IsEmpty(const TTimePair& time) {
    return time.hour == NoTime || time.minute == NoTime;
}

std::string TimeText(const TTimePair& time) {
    return IsEmpty(time) ? ":" : FormatClockTime(time.hour, time.minute);
}

QGroupBox* NewGroup(QWidget* parent, const char* name) {
    auto* group = new QGroupBox(parent);
    group->setObjectName(name);
    new QVBoxLayout(group);
    return group;
}

QRadioButton* NewRadio(QGroupBox* group, const char* suffix) {
    auto* radio = new QRadioButton(group);
    radio->setObjectName(group->objectName() + suffix);
    group->layout()->addWidget(radio);
    return radio;
}

} // namespace

TVevIvizudEvar* NewTimeGrid(QWidget* parent, const char* name) {
    auto* grid = new TVevIvizudEvar(parent);
    grid->setObjectName(name);
    return grid;
}

QGroupBox* NewGridPanel(QWidget* parent, const char* name, TVevIvizudEvar* grid) {
    auto* panel = new QGroupBox(parent);
    panel->setObjectName(name);
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(grid);
    layout->addStretch();
    return panel;
}

void SetUpTimeGrid(TVevIvizudEvar& grid, int times, int visibleTimes) {
    SetUpScreenGrid(grid, times + 1,
                    {{.width = NumberColumnWidth, .centred = true},
                     {.width = TimeColumnWidth, .mask = "99:99", .centred = true}});
    FitScreenGrid(grid, visibleTimes);
    grid.SetGridCells(0, 0, TrText("Num."));
    grid.SetGridCells(TimeCol, 0, TrText("Hora"));
    for (int row = 1; row <= times; ++row) grid.SetGridCells(0, row, TwoDigitText(row));
}

void ShowTimes(TVevIvizudEvar& grid, const TTimePairs& times) {
    for (int row = 1; row < grid.GetRowCount(); ++row) {
        const std::size_t i = static_cast<std::size_t>(row - 1);
        SetCellText(grid, TimeCol, row, TimeText(i < times.size() ? times[i] : EmptyTime));
    }
    grid.SetCol(TimeCol);
    grid.SetCurrentRow(1);
}

TTimePairs StoredTimes(std::size_t offset, int count, std::size_t stride) {
    TTimePairs times;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = offset + stride * static_cast<std::size_t>(i);
        times.push_back({ProgrammingHeader[at], ProgrammingHeader[at + 1]});
    }
    return times;
}

TTimePair ReadTime(TVevIvizudEvar& grid, int row, TTimeConverter convert, const char* message) {
    TTimePair time;
    if (!convert(CellText(grid, TimeCol, row), time)) FailAtCell(grid, TimeCol, row, message);
    return time;
}

void SortTimes(TTimePairs& times) {
    // 0x60 lies above every hour and minute in either encoding, so the empty pairs sort last.
    std::ranges::stable_sort(times, {},
                             [](const TTimePair& time) { return std::pair(time.hour, time.minute); });
}

TActivationChoice::TActivationChoice(QWidget* parent, const char* name)
    : Group(NewGroup(parent, name)), Workdays(NewRadio(Group, "Uteis")), EveryDay(NewRadio(Group, "Todos")),
      Off(NewRadio(Group, "Nao")), buttons_(new QButtonGroup(Group)) {
    buttons_->addButton(Workdays, TActivationId::Workdays);
    buttons_->addButton(EveryDay, TActivationId::EveryDay);
    buttons_->addButton(Off, TActivationId::Off);
}

void TActivationChoice::Caption(const char* title) {
    Group->setTitle(TrText(title));
    Workdays->setText(TrText("Ativa nos dias úteis"));
    EveryDay->setText(TrText("Ativa todos os dias"));
    Off->setText(TrText("Não ativa"));
}

void TActivationChoice::Show(std::uint8_t activation, int shift, bool loneBitIsWorkdays) {
    int mode = (activation >> shift) & 3;
    if (mode == 1) mode = loneBitIsWorkdays ? TActivationId::Workdays : -1;
    SetCheckedButton(*buttons_, mode);
}

std::uint8_t TActivationChoice::Bits(int shift) const {
    const int mode = std::max(buttons_->checkedId(), 0);
    return static_cast<std::uint8_t>(mode << shift);
}

void TActivationChoice::Store(const TImageView& header, int shift, const TTimePair& firstTime) const {
    const std::uint8_t mode = firstTime == EmptyTime ? 0 : Bits(shift);
    header[Offset::ActivationBits] =
        static_cast<std::uint8_t>((header[Offset::ActivationBits] & ~(3 << shift)) | mode);
}

void TActivationChoice::SetEnabled(bool enabled) {
    Group->setEnabled(enabled);
}
