#include "screens/PlanoNum.h"

#include "core/DefaultValues.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "grid/AdvancedGrid.h"
#include "platform/ui/UiServices.h"
#include "screens/Padrao.h"
#include "screens/ScreenGrid.h"

#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int PlanoNumHelp = 16;
constexpr int NumberCol = 1, NameCol = 2;
constexpr int NameMaskLength = 25;
constexpr int PagingRow = 8; // position 07
constexpr const char* VoiceMailModel9 = LngText("Secretária eletrônica");

bool PagingModel(std::uint8_t model) {
    return model >= 10 && model <= 12;
}
bool VoiceMailModel(std::uint8_t model) {
    return model >= 8 && model <= 13;
}
int VoiceMailLimit(std::uint8_t model) {
    return PagingModel(model) ? 2 : 1;
}
bool PagingDeviceModel(std::uint8_t model) {
    return model >= 3 && model <= 5;
}

std::uint16_t DefaultNumber(int row) {
    return static_cast<std::uint16_t>(Defaults::FirstExtensionNumber + row - 1);
}

} // namespace

// What the checks of the rows gather: digit counts of the numbers that begin with "2", the
// voice-mail positions so far.
struct TFormPlanoNum::TPlanCheck {
    std::size_t shortest = 0, longest = 0;
    int voiceMail = 0;

    void CountDigits(std::size_t digits) {
        shortest = shortest == 0 ? digits : std::min(shortest, digits);
        longest = std::max(longest, digits);
    }
    std::uint8_t LengthByte() const {
        return static_cast<std::uint8_t>(longest | (shortest != longest ? 0x80 : 0));
    }
};

TFormPlanoNum::TFormPlanoNum(QWidget* parent)
    : TScreenForm(parent, WithDefault | WithHelp, PlanoNumHelp, "BitBtn1"),
      VevIvizudEvar1(new TVevIvizudEvar(this)) {
    VevIvizudEvar1->setObjectName("VevIvizudEvar1");
    auto* content = new QVBoxLayout;
    content->addWidget(VevIvizudEvar1, 0, Qt::AlignHCenter);
    SetContent(content);

    connect(OkButton, &QPushButton::clicked, this, &TFormPlanoNum::OkButtonClick);
    connect(CancButton, &QPushButton::clicked, this, &TFormPlanoNum::CancButtonClick);
    connect(PadButton, &QPushButton::clicked, this, &TFormPlanoNum::PadButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFormPlanoNum::BitBtn1Click);
}

void TFormPlanoNum::FormShow() {
    setWindowTitle(TrText("Plano de numeração"));
    CaptionButtons();
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    const int positions = CurrentModel().Extensions;
    SetUpScreenGrid(grid, positions + 1,
                    {{.width = 56, .centred = true},
                     {.width = 70, .mask = "9999", .centred = true},
                     {.width = 184, .mask = "ccccccccccccccccccccccccc"}});
    FitScreenGrid(grid, MaxPositions);
    grid.SetGridCells(0, 0, TrText("POS."));
    grid.SetGridCells(NumberCol, 0, TrText("RAMAL"));
    grid.SetGridCells(NameCol, 0, TrText("NOME"));

    const std::string voiceMail = LookupLabel(VoiceMailModel9);
    const std::string voiceMailStored = QString::fromStdString(voiceMail).left(NameLength).toStdString();
    for (int p = 0; p < positions; ++p) {
        grid.SetGridCells(0, p + 1, TwoDigitText(p));
        grid.SetGridCells(NumberCol, p + 1, QString::number(ExtensionNumber(p)));
        const std::string name = StoredName(Offset::Names + NameEntrySize * p);
        const std::string trimmed = WithoutTrailingBlanks(name);
        SetCellText(grid, NameCol, p + 1, !trimmed.empty() && trimmed == voiceMailStored ? voiceMail : name);
    }
    grid.SetCol(NumberCol);
    grid.SetCurrentRow(1);
    grid.setFocus();
}

// Checks row r; returns its number and sets the name it is stored with.
std::uint16_t TFormPlanoNum::CheckRow(int row, TPlanCheck& plan, std::string& name) {
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    const std::uint8_t model = ModelCode;
    const std::string s = CompactCell(grid, NumberCol, row);
    const auto fail = [&](const std::string& message) { FailAtCell(grid, NumberCol, row, message); };
    const auto mustStartWith2Or3 = [&] {
        fail(TranslateText("Ramal") + " " + s + " " + TranslateText("deve iniciar com \"2\" ou com \"3\""));
    };
    long value = 0;
    if (!s.empty() && !DigitsValue(s, 0xFFFF, value)) fail(LngText("O valor deve ser um número."));

    const char* serviceName = nullptr;
    if (s == "83" || s == "84") {
        if (row == 1) fail(LngText("Porteiro QT730 (83) não pode ser na posição 00"));
        if (model == 9 && s == "84") mustStartWith2Or3();
        serviceName = LngText("Porteiro QT 730");
    } else if (s == "68" && PagingModel(model)) {
        if (row != PagingRow) fail(LngText("Busca pessoa (68) deve ser na posição 07"));
        serviceName = LngText("Busca pessoa");
    } else if (s == "87" && VoiceMailModel(model)) {
        if (row == 1) mustStartWith2Or3();
        // The message names the model's own limit: one voice mail on the models that allow one.
        if (++plan.voiceMail > VoiceMailLimit(model))
            fail(VoiceMailLimit(model) == 2 ? LngText("Apenas dois ramais podem ser correio de voz")
                                            : LngText("Apenas um ramal pode ser correio de voz"));
        serviceName = model == 9 ? VoiceMailModel9 : LngText("Correio de voz");
    } else if (s == "483") {
        if (!PagingDeviceModel(model)) fail(LngText("PABX não suporta Paging QuiraVox"));
        serviceName = LngText("Paging Quiravox");
    } else if (s.size() < 2 || (s[0] == '3' && s.size() != 2)) {
        fail(LngText("Ramal deve possuir pelo menos dois dígitos"));
    } else if (s[0] == '2') {
        plan.CountDigits(s.size());
    } else if (s[0] != '3') {
        mustStartWith2Or3();
    }

    if (serviceName) {
        name = TranslateText(serviceName);
    } else {
        name = QString::fromStdString(CellText(grid, NameCol, row)).left(NameMaskLength).toStdString();
        const std::string doorPhone = TranslateText("Porteiro");
        if (QString::fromStdString(name).left(8) == QString::fromStdString(doorPhone).left(8)) name.clear();
    }
    return static_cast<std::uint16_t>(value);
}

void TFormPlanoNum::OkButtonClick() {
    TVevIvizudEvar& grid = *VevIvizudEvar1;
    CommitCellEdit(grid);
    RunOk([&](TProgrammingEdit& edit) {
        const int positions = CurrentModel().Extensions;
        TPlanCheck plan;
        std::vector<std::uint16_t> numbers(positions);
        std::vector<std::string> names(positions);
        for (int row = 1; row <= positions; ++row) numbers[row - 1] = CheckRow(row, plan, names[row - 1]);
        for (int j = 2; j <= positions; ++j)
            for (int i = 1; i < j; ++i)
                if (numbers[j - 1] == numbers[i - 1] && numbers[j - 1] != 87)
                    FailAtCell(grid, NumberCol, j,
                               TranslateText("Ramal") + " " + std::to_string(numbers[j - 1]) + " " +
                                   TranslateText("não pode ser repetido."));

        const TImageView& image = edit.Image();
        image[Offset::NumberLength] = plan.LengthByte();
        for (int p = 0; p < positions; ++p) {
            image.SetU16(Offset::ExtensionNumbers + 2 * p, numbers[p]);
            StoreName(image, Offset::Names + NameEntrySize * p, names[p]);
        }
        for (int p = positions; p < PlanEntries(ModelCode); ++p) {
            image.SetU16(Offset::ExtensionNumbers + 2 * p, Defaults::ExtraPlanEntryNumber);
            StoreName(image, Offset::Names + NameEntrySize * p, "");
        }
        edit.Mark(Section::NumberingPlan);
    });
}

void TFormPlanoNum::CancButtonClick() {
    CloseWithoutChange();
}

void TFormPlanoNum::PadButtonClick() {
    Guard([this] {
        TVevIvizudEvar& grid = *VevIvizudEvar1;
        CommitCellEdit(grid);
        if (!AskDefaultScope(this, LngText("A todas as posições físicas"),
                             LngText("A posição física em edição")))
            return;
        if (DefaultScope == 0) {
            for (int row = 1; row < grid.GetRowCount(); ++row) {
                grid.SetGridCells(NumberCol, row, QString::number(DefaultNumber(row)));
                grid.SetGridCells(NameCol, row, QString());
            }
            MoveToCell(grid, NumberCol, 1);
        } else {
            grid.SetGridCells(NumberCol, grid.GetCurrentRow(),
                              QString::number(DefaultNumber(grid.GetCurrentRow())));
        }
        grid.setFocus();
    });
}

void TFormPlanoNum::BitBtn1Click() {
    ShowHelp();
}
