#include "screens/Desperta.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenFields.h"
#include "screens/ScreenGrid.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int DespertaHelp = 22;
constexpr int TimeCol = 1;
constexpr std::uint8_t ModeBits = 0xC0, HourBits = 0x3F;

// The repetition of each radio item, in item order.
constexpr std::array<std::uint8_t, 4> ItemModes = {0x00, 0x80, 0x40, 0xC0};
constexpr std::array<const char*, 4> ItemCaptions = {LngText("Uma única vez"), LngText("Todo dia"),
                                                     LngText("Todo dia útil"), LngText("Repetidamente")};

std::size_t EntryOffset(int position) {
    return Offset::WakeUp + 4 * static_cast<std::size_t>(position - 1);
}

} // namespace

TFormDesperta::TFormDesperta(QWidget* parent)
    : TScreenForm(parent, WithHelp, DespertaHelp, "BitBtnAjuda"), VevIvizudEvar1(new TVevIvizudEvar(this)),
      RadioGroup1(new QGroupBox(this)), modes_(new QButtonGroup(this)) {
    CancButton->setObjectName("CancelButton");
    VevIvizudEvar1->setObjectName("VevIvizudEvar1");
    RadioGroup1->setObjectName("RadioGroup1");
    auto* items = new QVBoxLayout(RadioGroup1);
    for (std::size_t item = 0; item < RadioItems.size(); ++item) {
        RadioItems[item] = new QRadioButton(RadioGroup1);
        RadioItems[item]->setObjectName(QStringLiteral("RadioItem%1").arg(item));
        modes_->addButton(RadioItems[item], static_cast<int>(item));
        items->addWidget(RadioItems[item]);
    }
    auto* content = new QHBoxLayout;
    content->addWidget(VevIvizudEvar1);
    content->addWidget(RadioGroup1, 0, Qt::AlignTop);
    SetContent(content);

    VevIvizudEvar1->OnSelectCell = [this](QObject*, int, int row, bool&) {
        Guard([&] { VevIvizudEvar1SelectCell(row); });
    };
    connect(modes_, &QButtonGroup::idClicked, this, [this] { Guard([this] { RadioGroup1Exit(); }); });
    connect(OkButton, &QPushButton::clicked, this, &TFormDesperta::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormDesperta::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormDesperta::BitBtnAjudaClick);
}

bool TFormDesperta::ConverteHora(const std::string& text, std::uint8_t& hour, std::uint8_t& minute) {
    const std::string compact = RemoveSpaces(text);
    if (compact == "__:__" || compact.empty() || compact == ":") {
        hour = minute = NoTime;
        return true;
    }
    const auto time = ParseClockText(compact);
    if (!time) return false;
    hour = time->hour;
    minute = time->minute;
    return true;
}

std::string TFormDesperta::FormataHora(std::uint8_t hour, std::uint8_t minute) {
    return FormatTimeBin(hour, minute);
}

void TFormDesperta::FormShow() {
    setWindowTitle(TrText("Programação de despertador"));
    CaptionButtons();
    RadioGroup1->setTitle(TrText("Despertar"));
    for (std::size_t item = 0; item < RadioItems.size(); ++item)
        RadioItems[item]->setText(TrText(ItemCaptions[item]));
    MontaListaDespertador();
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    grid.SetCol(TimeCol);
    grid.SetCurrentRow(1);
    VevIvizudEvar1SelectCell(1);
    grid.setFocus();
}

void TFormDesperta::MontaListaDespertador() {
    Lista.clear();
    for (int p = 1; p <= CurrentModel().Extensions; ++p)
        if (BeginsWithTwoOrThree(ExtensionNumber(p - 1))) Lista.push_back({ExtensionNumber(p - 1), p});
    std::ranges::stable_sort(Lista, {}, &TWakeUpRow::number);

    TVevIvizudEvar& grid = *VevIvizudEvar1;
    // A grid keeps a row below its heading even when no extension is listed.
    const int rows = static_cast<int>(std::max<std::size_t>(Lista.size(), 1)) + 1;
    SetUpScreenGrid(grid, rows,
                    {{.width = 72, .centred = true}, {.width = 72, .mask = "99:99", .centred = true}});
    FitScreenGrid(grid, MaxPositions);
    grid.SetGridCells(0, 0, TrText("Ramal"));
    grid.SetGridCells(TimeCol, 0, TrText("Hora"));
    grid.SetGridCells(0, 1, QString());
    grid.SetGridCells(TimeCol, 1, QString());
    for (std::size_t i = 0; i < Lista.size(); ++i) {
        TWakeUpRow& row = Lista[i];
        const std::uint8_t minute = ProgrammingImage[EntryOffset(row.position)];
        const std::uint8_t hour = ProgrammingImage[EntryOffset(row.position) + 1];
        row.mode = minute != NoTime ? static_cast<std::uint8_t>(hour & ModeBits) : NoMode;
        const int r = static_cast<int>(i) + 1;
        grid.SetGridCells(0, r, QString::number(row.number));
        SetCellText(grid, TimeCol, r,
                    minute != NoTime && hour != NoTime ? FormataHora(hour & HourBits, minute) : ":");
    }
}

void TFormDesperta::VevIvizudEvar1SelectCell(int row) {
    if (row < 1 || row > static_cast<int>(Lista.size())) return;
    const std::uint8_t mode = Lista[row - 1].mode;
    const auto item = std::ranges::find(ItemModes, mode);
    SetItemIndex(mode != NoMode && item != ItemModes.end() ? static_cast<int>(item - ItemModes.begin()) : 0);
}

void TFormDesperta::RadioGroup1Exit() {
    const int row = VevIvizudEvar1->GetCurrentRow();
    if (row < 1 || row > static_cast<int>(Lista.size())) return;
    const int item = ItemIndex();
    Lista[row - 1].mode = item < 0 ? NoMode : ItemModes[item];
}

int TFormDesperta::ItemIndex() const {
    return modes_->checkedId();
}

void TFormDesperta::SetItemIndex(int item) {
    SetCheckedButton(*modes_, item);
}

void TFormDesperta::OkButtonClick() {
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    CommitCellEdit(grid);
    RunOk([&](TProgrammingEdit& edit) {
        std::vector<std::array<std::uint8_t, 2>> times(Lista.size());
        for (std::size_t i = 0; i < Lista.size(); ++i) {
            const int row = static_cast<int>(i) + 1;
            if (!ConverteHora(CellText(grid, TimeCol, row), times[i][0], times[i][1]))
                FailAtCell(grid, TimeCol, row, LngText("Horário está incorreto."));
        }
        const TImageView& image = edit.Image();
        image.Fill(Offset::WakeUp, Offset::WakeUpEnd - Offset::WakeUp, NoTime);
        std::uint8_t count = 0;
        for (std::size_t i = 0; i < Lista.size(); ++i) {
            const auto [hour, minute] = times[i];
            const std::uint8_t mode = Lista[i].mode == NoMode ? 0 : Lista[i].mode;
            std::uint8_t hourByte = hour;
            if (hour != NoTime) {
                ++count;
                hourByte = static_cast<std::uint8_t>(hour | mode);
            }
            const std::size_t at = EntryOffset(Lista[i].position);
            image[at] = minute;
            image[at + 1] = hourByte;
        }
        image[Offset::WakeUpCount] = count;
        edit.Mark(Section::WakeUp);
    });
}

void TFormDesperta::CancelButtonClick() {
    CloseWithoutChange();
}

void TFormDesperta::BitBtnAjudaClick() {
    ShowHelp();
}
