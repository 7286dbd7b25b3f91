// Report section 17, the keys of the intelligent terminals: one block per terminal in use, three
// blocks across a band, as many bands on a page as fit inside it.
//
// A block is 29c wide and 27 bands of 1.75l high: the terminal's extension, the column headings
// "Tecla" and "Função", then one band per key (25 keys, lettered "A".."V" with "V" printed
// "V/W", then "X", "Y", "Z") with the key's function.

#include "screens/TerminalKeys.h"
#include "screens/report/ReportSections.h"
#include "screens/report/ReportTable.h"

#include "core/ImageLayout.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <algorithm>

namespace {

constexpr int BlockBands = 2 + static_cast<int>(Offset::KeysPerTerminal);
constexpr double BandHeight = 1.75; // line units
constexpr double BlockWidth = 29;   // column units
constexpr double KeyColumnWidth = 6.5;
constexpr double FunctionX = 8;
constexpr double FirstBlockX = 2, BlockStep = 32, LastBlockX = 80;
constexpr double BandStep = 47.5; // from one band of blocks to the next, in line units

void ImprimeTecladoTI(TReportPage& page, int terminal, std::uint8_t position, int x, int y) {
    TReportCanvas& canvas = page.Canvas();
    const int band = page.L(BandHeight), right = x + page.C(BlockWidth), bottom = y + band * BlockBands;
    for (int rule = 0; rule <= BlockBands; ++rule) page.HorizontalLine(x, right, y + band * rule);
    page.VerticalLine(x, y, bottom);
    page.VerticalLine(right, y, bottom);
    page.VerticalLine(x + page.C(KeyColumnWidth), y + band, bottom);

    // Texts are centred in their band.
    const auto textY = [&](int bandIndex) {
        return y + band * bandIndex + std::max(0, band - canvas.TextHeight()) / 2;
    };
    canvas.SetFontSize(10);
    page.Cell(x + page.C(1), textY(0), TrText("Ramal") + " TI " + ExtensionOfPosition(position), right);
    page.Cell(x + page.C(1), textY(1), TrText("Tecla"), x + page.C(KeyColumnWidth));
    page.Cell(x + page.C(FunctionX), textY(1), TrText("Função"), right);
    canvas.SetFontSize(8);
    const std::size_t keys = Offset::TerminalKeys + Offset::KeysPerTerminal * (terminal - 1);
    for (int key = 1; key <= static_cast<int>(Offset::KeysPerTerminal); ++key) {
        page.Cell(x + page.C(2), textY(key + 1), KeyLetter(key), x + page.C(KeyColumnWidth));
        page.Cell(x + page.C(FunctionX), textY(key + 1), DescreveTecla(ProgrammingImage[keys + key - 1]),
                  right);
    }
}

void BeginKeysPage(TReportPage& page) {
    page.ImprimeCabecalho(19, ReportSuffix::None);
    page.Canvas().SetFontSize(15);
    page.PulaLinhas(1);
    page.Canvas().SetPenWidth(2);
}

} // namespace

void ImprimeTeclasTI(TReportPage& page) {
    BeginKeysPage(page);
    int x = page.C(FirstBlockX), y = page.ReportY;
    bool pageFull = false;
    const int blockHeight = page.L(BandHeight) * BlockBands;
    for (int terminal = 1; terminal <= CurrentModel().Terminals; ++terminal) {
        const std::uint8_t position = ProgrammingImage[Offset::TerminalPositions + terminal - 1];
        if (position == NoExtension) continue;
        if (pageFull) {
            page.NewPage();
            BeginKeysPage(page);
            y = page.ReportY;
            pageFull = false;
        }
        ImprimeTecladoTI(page, terminal, position, x, y);
        x += page.C(BlockStep);
        if (x <= page.C(LastBlockX)) continue;
        x = page.C(FirstBlockX);
        const int nextBand = y + page.L(BandStep);
        if (nextBand + blockHeight <= page.ReportPageHeight)
            y = nextBand;
        else
            pageFull = true;
    }
}
