// Report sections with one row per extension: categories (1), numbering plan (2) and extension
// facilities (5).

#include "screens/report/ReportSections.h"
#include "screens/report/ReportTable.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <array>

namespace {

int ExtensionCount() {
    return CurrentModel().Extensions;
}

// ---- Section 1 --------------------------------------------------------------------------------

constexpr int CategoryColumns = 21;
constexpr std::array<const char*, CategoryColumns> CategoryCodes = {"X",  "I",  "D",  "R",  "L",  "E",  "0",
                                                                    "P1", "P2", "G",  "K",  "A1", "A2", "81",
                                                                    "82", "83", "84", "85", "86", "A",  "T"};

constexpr std::array<TLegendEntry, 16> CategoryLegend = {{
    {"X", LngText("Recebe externa")},
    {"I", LngText("Acesso internacional (DDI)")},
    {"D", LngText("Acesso nacional (DDD)")},
    {"R", LngText("Acesso Regional")},
    {"L", LngText("Acesso local")},
    {"E", LngText("Acesso interno")},
    {"0", LngText("Acesso a rota 0")},
    {"P1", LngText("Acesso ao porteiro 1")},
    {"P2", LngText("Acesso ao porteiro 2")},
    {"G", LngText("Gera intercalação")},
    {"K", LngText("Não intercalável")},
    {"A1", LngText("Atuação externa 1")},
    {"A2", LngText("Atuação externa 2")},
    {"81 a 86", LngText("Acesso as rotas especiais")},
    {"A", LngText("Acesso a agenda")},
    {"T", LngText("Proteção transmissão")},
}};

// The 21 marks of one extension (0-based position) for the day or the night page. The columns
// show what the categories screens store: "0" is route 0 permitted (sub-route byte 0) and "A" the
// agenda access (category bit 6).
std::array<bool, CategoryColumns> MarcasCategoria(int position, bool night) {
    const std::size_t shift = night ? Offset::NightCategories - Offset::DayCategories : 0;
    const std::uint8_t categories = ProgrammingHeader[Offset::DayCategories + shift + position];
    const std::uint8_t routes = ProgrammingHeader[Offset::DayRoutes + shift + position];
    const std::uint8_t facilities = ProgrammingHeader[Offset::DayFacilities + shift + position];
    const std::uint8_t subRoute = ProgrammingHeader[Offset::DaySubRoutes + shift + position];
    const std::uint8_t attributes = ProgrammingHeader[Offset::Attributes + position];
    return {Bit(categories, 0), Bit(categories, 3), Bit(categories, 2), Bit(categories, 4),
            Bit(categories, 1), Bit(categories, 5), subRoute == 0,      Bit(facilities, 7),
            Bit(facilities, 6), Bit(facilities, 4), Bit(facilities, 3), Bit(facilities, 2),
            Bit(facilities, 1), Bit(routes, 1),     Bit(routes, 2),     Bit(routes, 3),
            Bit(routes, 4),     Bit(routes, 5),     Bit(routes, 6),     Bit(categories, 6),
            Bit(attributes, 3)};
}

void ImprimeCategoriasDoTurno(TReportPage& page, bool night) {
    const int y0 = BeginTable(page, 1, night ? ReportSuffix::Night : ReportSuffix::Day, 4);
    TReportCanvas& canvas = page.Canvas();
    canvas.SetFontSize(8);
    int y = y0 + page.L(0.5);
    page.Cell(page.C(2), y, TrText("RAMAL"), page.C(8));
    for (int k = 0; k < CategoryColumns; ++k)
        page.Cell(page.C(8.5 + 4 * k), y, QString::fromUtf8(CategoryCodes[k]), page.C(12 + 4 * k));

    const int pitch = page.L(2.2);
    for (int position = 0; position < ExtensionCount(); ++position) {
        y += pitch;
        page.Cell(page.C(1.5), y, QString::number(ExtensionNumber(position)), page.C(8));
        const auto marks = MarcasCategoria(position, night);
        for (int k = 1; k <= CategoryColumns; ++k)
            page.Cell(page.C(4.5 + 4 * k), y, Marca(marks[k - 1]), page.C(8 + 4 * k));
    }

    const int last = DrawRowRules(page, page.C(1), page.C(92), y0, pitch, ExtensionCount() + 2);
    page.VerticalLine(page.C(1), y0, last);
    for (int k = 0; k <= CategoryColumns; ++k) page.VerticalLine(page.C(8 + 4 * k), y0, last);

    // Two entries per legend line.
    const int legendY = last + page.L(1);
    DrawLegend(page, LngText("Em que:"), 1, legendY, std::span(CategoryLegend).first(8), page.C(9),
               page.C(17), page.C(51));
    DrawLegendEntries(page, legendY + page.L(2), std::span(CategoryLegend).subspan(8), page.C(51),
                      page.C(61));
}

// ---- Section 5 --------------------------------------------------------------------------------

constexpr std::array<TLegendEntry, 6> FacilityLegend = {{
    {"SP", LngText("Ramal com senha programada")},
    {"NP", LngText("Ramal com não perturbe")},
    {"RC", LngText("Ramal cadeado")},
    {"SM", LngText("Ramal com siga-me")},
    {"TD", LngText("Ramal com Hot Line")},
    {"TI", LngText("Ramal com TI")},
}};

} // namespace

void ImprimeCategorias(TReportPage& page) {
    ImprimeCategoriasDoTurno(page, false);
    page.NewPage();
    ImprimeCategoriasDoTurno(page, true);
}

void ImprimePlanoNumeracao(TReportPage& page) {
    const int y0 = BeginTable(page, 2, ReportSuffix::None, 8);
    page.Canvas().SetFontSize(12);
    int y = y0 + page.L(0.5);
    // "POS." a quarter unit inside its column, off the rule at 25c.
    page.Cell(page.C(25.25), y, TrText("POS."), page.C(30));
    page.Cell(page.C(25) + page.C(5.5), y, TrText("RAMAL"), page.C(40));
    page.Cell(page.C(41), y, TrText("NOME"), page.C(70));

    const int pitch = page.L(3);
    for (int position = 0; position < ExtensionCount(); ++position) {
        y += pitch;
        page.Cell(page.C(26), y, TwoDigits(position), page.C(30));
        page.Cell(page.C(32), y, QString::number(ExtensionNumber(position)), page.C(40));
        page.Cell(page.C(41), y, NameAt(Offset::Names + NameEntrySize * position), page.C(70));
    }
    const int last = DrawRowRules(page, page.C(25), page.C(70), y0, pitch, ExtensionCount() + 2);
    DrawColumnRules(page, {page.C(25), page.C(30), page.C(40), page.C(70)}, y0, last);
}

void ImprimeProgRamais(TReportPage& page) {
    const int y0 = BeginTable(page, 5, ReportSuffix::None, 4);
    page.Canvas().SetFontSize(12);
    int y = y0 + page.L(0.5);
    page.Cell(page.C(30.5), y, TrText("RAMAL").left(6), page.C(38));
    for (int k = 0; k < static_cast<int>(FacilityLegend.size()); ++k)
        page.Cell(page.C(38.5 + 4 * k), y, QString::fromUtf8(FacilityLegend[k].Code), page.C(42 + 4 * k));

    const int pitch = page.L(3);
    for (int position = 0; position < ExtensionCount(); ++position) {
        y += pitch;
        page.Cell(page.C(31), y, QString::number(ExtensionNumber(position)), page.C(38));
        const std::uint8_t facilities = ProgrammingHeader[Offset::ExtensionFacilities + position];
        for (int k = 1; k <= 6; ++k)
            page.Cell(page.C(35 + 4 * k), y, Marca(Bit(facilities, k - 1)), page.C(38 + 4 * k));
    }
    const int last = DrawRowRules(page, page.C(30), page.C(62), y0, pitch, ExtensionCount() + 2);
    page.VerticalLine(page.C(30), y0, last);
    for (int k = 0; k <= 6; ++k) page.VerticalLine(page.C(38 + 4 * k), y0, last);
    DrawLegend(page, LngText("Onde:"), page.C(30), last + page.L(2), FacilityLegend, page.C(38), page.C(44));
}
