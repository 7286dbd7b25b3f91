#include "screens/Agindiv.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/ui/StringGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenGrid.h"

#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

constexpr int AgIndivHelp = 21;
constexpr int ExtensionColumnWidth = 90, NumberColumnWidth = 190;

// The positions of the model, ascending by extension number (equal numbers by position).
std::vector<int> PositionsByNumber() {
    std::vector<int> positions(CurrentModel().Extensions);
    std::iota(positions.begin(), positions.end(), 0);
    std::ranges::stable_sort(positions, {}, [](int p) { return ExtensionNumber(p); });
    return positions;
}

} // namespace

TFormAgIndiv::TFormAgIndiv(QWidget* parent)
    : TScreenForm(parent, WithHelp, AgIndivHelp, "BitBtn1"), StringGrid1(new TStringGrid(this)) {
    OkButton->setObjectName("Button1");
    CancButton->hide();
    StringGrid1->setObjectName("StringGrid1");
    auto* content = new QVBoxLayout;
    content->addWidget(StringGrid1, 1, Qt::AlignHCenter);
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormAgIndiv::Button1Click);
    connect(HelpButton, &QPushButton::clicked, this, &TFormAgIndiv::BitBtn1Click);
}

void TFormAgIndiv::FormShow() {
    setWindowTitle(TrText("Agenda individual de ramal"));
    CaptionButtons();
    const std::vector<int> positions = PositionsByNumber();
    TStringGrid& grid = *StringGrid1;
    grid.SetColCount(2);
    grid.SetRowCount(static_cast<int>(positions.size()) + 1);
    grid.SetColWidths(0, ExtensionColumnWidth);
    grid.SetColWidths(1, NumberColumnWidth);
    grid.SetCells(0, 0, TrText("Ramal") + "  ");
    grid.SetCells(1, 0, TrText("Número") + "  ");
    for (std::size_t row = 1; row <= positions.size(); ++row) {
        const int p = positions[row - 1];
        const PackedNumber number = ProgrammingImage.Packed(
            Offset::IndividualSpeedDial + sizeof(PackedNumber) * static_cast<std::size_t>(p));
        grid.SetCells(0, static_cast<int>(row), "     " + QString::number(ExtensionNumber(p)));
        grid.SetCells(1, static_cast<int>(row), QString::fromStdString(UnpackPhoneNumber(number)));
    }
    FitScreenGrid(grid, MaxPositions);
    if (grid.RowCount() > 1) {
        grid.SetCol(1);
        grid.SetRow(1);
    }
    grid.setFocus();
}

void TFormAgIndiv::Button1Click() {
    accept();
}

void TFormAgIndiv::BitBtn1Click() {
    ShowHelp();
}
