#include "screens/Codpart.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/ScreenGrid.h"

#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <optional>

namespace {

constexpr int CodPartHelp = 18;
constexpr int ExtensionCol = 1, NameCol = 2;
constexpr int ExtensionDigits = 5;

// The first position of the model whose number is the text's value.
std::optional<int> PositionOfNumber(const std::string& text) {
    long value = 0;
    if (!DigitsValue(text, 0xFFFF, value)) return std::nullopt;
    for (int p = 0; p < CurrentModel().Extensions; ++p)
        if (ExtensionNumber(p) == value) return p;
    return std::nullopt;
}

std::size_t NameOffset(int code) {
    return Offset::PrivateCodeNames + NameEntrySize * static_cast<std::size_t>(code);
}

} // namespace

bool RamalExiste(const std::string& text) {
    return text.empty() || PositionOfNumber(text).has_value();
}

TFormCodPart::TFormCodPart(QWidget* parent)
    : TScreenForm(parent, WithHelp, CodPartHelp), VevIvizudEvar1(new TVevIvizudEvar(this)) {
    VevIvizudEvar1->setObjectName("VevIvizudEvar1");
    auto* content = new QVBoxLayout;
    content->addWidget(VevIvizudEvar1, 0, Qt::AlignHCenter);
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormCodPart::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormCodPart::CancButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormCodPart::HelpBitBtnClick);
}

void TFormCodPart::FormShow() {
    setWindowTitle(TrText("Códigos particulares"));
    CaptionButtons();
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    SetUpScreenGrid(grid, CodeCount + 1,
                    {{.width = 72, .centred = true},
                     {.width = 72, .mask = "99999", .centred = true},
                     {.width = 184, .mask = "cccccccccccccccccccc"}});
    FitScreenGrid(grid, 16);
    grid.SetGridCells(0, 0, TrText("CÓDIGO"));
    grid.SetGridCells(ExtensionCol, 0, TrText("RAMAL"));
    grid.SetGridCells(NameCol, 0, TrText("NOME"));
    for (int code = 0; code < CodeCount; ++code) {
        const int row = code + 1;
        const PositionCode position = ProgrammingImage[Offset::PrivateCodes + code];
        grid.SetGridCells(0, row, TwoDigitText(code));
        // A code that names no position of the model (0xBB, or a value beyond the plan) shows empty.
        grid.SetGridCells(ExtensionCol, row,
                          position < CurrentModel().Extensions ? QString::number(ExtensionNumber(position))
                                                               : QString());
        SetCellText(grid, NameCol, row, StoredName(NameOffset(code)));
    }
    grid.SetCol(ExtensionCol);
    grid.SetCurrentRow(CodeCount / 2);
    grid.SetCurrentRow(1);
    grid.setFocus();
}

void TFormCodPart::OkButtonClick() {
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    CommitCellEdit(grid);
    RunOk([&](TProgrammingEdit& edit) {
        std::array<PositionCode, CodeCount> codes{};
        std::array<std::string, CodeCount> names;
        for (int row = 1; row <= CodeCount; ++row) {
            names[row - 1] = CellText(grid, NameCol, row);
            const QString cell = grid.GetGridCells(ExtensionCol, row).left(ExtensionDigits);
            const std::string text = RemoveSpaces(cell.toStdString()).substr(0, ExtensionDigits);
            if (!RamalExiste(text))
                FailAtCell(grid, ExtensionCol, row, LngText("Ramal não existe ou está incorreto."));
            codes[row - 1] = text.empty() ? NoExtension : static_cast<PositionCode>(*PositionOfNumber(text));
        }
        const TImageView& image = edit.Image();
        for (int code = 0; code < CodeCount; ++code) {
            image[Offset::PrivateCodes + code] = codes[code];
            StoreName(image, NameOffset(code), codes[code] == NoExtension ? "" : names[code]);
        }
        edit.Mark(Section::PrivateCodes);
    });
}

void TFormCodPart::CancButtonClick() {
    CloseWithoutChange();
}

void TFormCodPart::HelpBitBtnClick() {
    ShowHelp();
}
