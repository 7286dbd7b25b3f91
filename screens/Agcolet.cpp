#include "screens/Agcolet.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenGrid.h"

#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr int AgColetHelp = 26;
constexpr int CategoryCol = 1, RouteCol = 2, NumberCol = 3, NameCol = 4;
constexpr int RouteLimit = 7; // routes 0..6
constexpr std::uint8_t CategoryBit = 0x80, CountBits = 0x1F;

std::size_t EntryOffset(int entry) {
    return Offset::GeneralSpeedDial + sizeof(PackedNumber) * static_cast<std::size_t>(entry - 1);
}
std::size_t NameOffset(int entry) {
    return Offset::GeneralSpeedDialNames + NameEntrySize * static_cast<std::size_t>(entry - 1);
}

// The code dialled for entry i.
int DialCode(int entry) {
    return (ModelCode > 8 ? 759 : 59) + entry;
}

} // namespace

bool MesmoNumeroRota(const PackedNumber& first, const PackedNumber& second) {
    return std::equal(first.begin() + 1, first.end(), second.begin() + 1);
}

TFormAgColet::TFormAgColet(QWidget* parent)
    : TScreenForm(parent, WithHelp, AgColetHelp), VevIvizudEvar1(new TVevIvizudEvar(this)) {
    VevIvizudEvar1->setObjectName("VevIvizudEvar1");
    auto* content = new QVBoxLayout;
    content->addWidget(VevIvizudEvar1);
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormAgColet::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormAgColet::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormAgColet::HelpBitBtnClick);
}

void TFormAgColet::FormShow() {
    setWindowTitle(TrText("Agenda geral"));
    CaptionButtons();
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    SetUpScreenGrid(grid, EntryCount + 1,
                    {{.width = 64, .centred = true},
                     {.width = 80, .centred = true, .dropDown = true},
                     {.width = 48, .mask = "9", .centred = true},
                     {.width = 170, .mask = "99999999999999999999"},
                     {.width = 184, .mask = "cccccccccccccccccccc"}});
    FitScreenGrid(grid, 16);
    grid.SetGridCells(0, 0, TrText("Agenda"));
    grid.SetGridCells(CategoryCol, 0, "Categoria");
    grid.SetGridCells(RouteCol, 0, TrText("Rota"));
    grid.SetGridCells(NumberCol, 0, TrText("Número"));
    grid.SetGridCells(NameCol, 0, TrText("Nome"));
    grid.ClearComboItems();
    grid.AddComboItem(TrText("Sim"));
    grid.AddComboItem(TrText("Não"));
    for (int entry = 1; entry <= EntryCount; ++entry)
        grid.SetGridCells(0, entry, QString::number(DialCode(entry)));
    PreencheAgendaGeral();
    grid.SetCol(CategoryCol);
    grid.SetCurrentRow(1);
    grid.setFocus();
}

void TFormAgColet::PreencheAgendaGeral() {
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    for (int entry = 1; entry <= EntryCount; ++entry) {
        const PackedNumber number = ProgrammingImage.Packed(EntryOffset(entry));
        grid.SetGridCells(CategoryCol, entry, TrText(number[0] & CategoryBit ? "Sim" : "Não"));
        grid.SetGridCells(RouteCol, entry,
                          (number[1] & CountBits) != 0 ? QString::number(number[1] >> 5) : QString());
        SetCellText(grid, NumberCol, entry, UnpackPhoneNumber(number));
        SetCellText(grid, NameCol, entry, StoredName(NameOffset(entry)));
    }
}

void TFormAgColet::OkButtonClick() {
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    CommitCellEdit(grid);
    RunOk([&](TProgrammingEdit& edit) {
        std::array<PackedNumber, EntryCount> entries{};
        std::array<std::string, EntryCount> names;
        for (int row = 1; row <= EntryCount; ++row) {
            const std::string route = CompactCell(grid, RouteCol, row);
            const std::string digits = CompactCell(grid, NumberCol, row);
            if (route.empty()) {
                if (!digits.empty())
                    FailAtCell(grid, RouteCol, row, LngText("É necessário definir o número da rota."));
                continue;
            }
            long routeValue = 0;
            if (!DigitsValue(route, RouteLimit - 1, routeValue))
                FailAtCell(grid, RouteCol, row, LngText("Número da rota não é válido."));
            if (!AllDigits(digits)) FailAtCell(grid, NumberCol, row, LngText("O valor deve ser um número."));
            PackedNumber& entry = entries[row - 1];
            entry = PackPhoneNumber(digits);
            entry[1] |= static_cast<std::uint8_t>(routeValue << 5);
            if ((entry[1] & CountBits) == 0)
                FailAtCell(grid, NumberCol, row,
                           LngText("O número de telefone deve ser informado quando a rota é definida."));
            for (int earlier = 1; earlier < row; ++earlier)
                if (MesmoNumeroRota(entry, entries[earlier - 1]))
                    FailAtCell(grid, NumberCol, row,
                               LngText("Repetição de número de telefone e rota não é permitido."));
            if (CompactCell(grid, CategoryCol, row) == RemoveSpaces(TranslateText("Sim")))
                entry[0] |= CategoryBit;
            names[row - 1] = CellText(grid, NameCol, row);
        }

        const TImageView& image = edit.Image();
        for (int entry = 1; entry <= EntryCount; ++entry) {
            const PackedNumber& working = entries[entry - 1];
            PackedNumber stored = working;
            stored[0] = static_cast<std::uint8_t>((image[EntryOffset(entry)] & ~CategoryBit) |
                                                  (working[0] & CategoryBit));
            image.SetPacked(EntryOffset(entry), stored);
            StoreName(image, NameOffset(entry), (working[1] & CountBits) != 0 ? names[entry - 1] : "");
        }
        edit.Mark(Section::GeneralSpeedDial);
    });
}

void TFormAgColet::CancButtonClick() {
    CloseWithoutChange();
}

void TFormAgColet::HelpBitBtnClick() {
    ShowHelp();
}
