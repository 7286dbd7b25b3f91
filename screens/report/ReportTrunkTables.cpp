// Report section 3, the trunks: page 1 the route and direction of each trunk (per-trunk byte),
// page 2 the trunk records.

#include "screens/report/ReportSections.h"
#include "screens/report/ReportTable.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <array>

namespace {

int TrunkCount() {
    return CurrentModel().Trunks;
}

// The trunk tables print their first column in font 12 and their codes and cells in font 10.
void FirstColumnText(TReportPage& page, int x, int y, const QString& text, int limit) {
    page.Canvas().SetFontSize(12);
    page.Cell(x, y, text, limit);
    page.Canvas().SetFontSize(10);
}

// ---- Page 1 -------------------------------------------------------------------------------------

constexpr int RouteColumns = 13;
constexpr std::array<const char*, RouteColumns> RouteCodes = {"0", "81", "82", "83", "84", "85", "86",
                                                              "L", "S",  "E",  "B",  "M",  "D"};

constexpr std::array<TLegendEntry, 8> RouteLegend = {{
    {"0", LngText("Rota 0")},
    {"81-86", LngText("Rotas 81 a 86")},
    {"L", LngText("Enlace")},
    {"S", LngText("Sainte")},
    {"E", LngText("Entrante")},
    {"B", LngText("Bloqueio")},
    {"M", LngText("Multi-frequencial")},
    {"D", LngText("Decádica")},
}};

// The 13 marks of a per-trunk byte: route 0..6 (bits 0-2), "L" when none of the directions
// (bits 5-7) is set, outgoing, incoming, blocked, multi-frequency (bit 3) or decadic.
std::array<bool, RouteColumns> MarcasRotaVia(std::uint8_t trunkByte) {
    std::array<bool, RouteColumns> marks{};
    const int route = trunkByte & 0x07;
    if (route <= 6) marks[route] = true;
    marks[7] = (trunkByte & 0xE0) == 0;
    marks[8] = Bit(trunkByte, 5);
    marks[9] = Bit(trunkByte, 6);
    marks[10] = Bit(trunkByte, 7);
    marks[11] = Bit(trunkByte, 3);
    marks[12] = !Bit(trunkByte, 3);
    return marks;
}

// ---- Page 2 -------------------------------------------------------------------------------------

struct TTrunkColumn {
    const char* Code;
    int Width; // column units
};
constexpr std::array<TTrunkColumn, 18> TrunkColumns = {{
    {"ATEND", 7},
    {"TRANS", 7},
    {"NOTUR", 7},
    {"TTB", 5},
    {"TTD", 5},
    {"TIB", 5},
    {"AD", 4},
    {"BD", 4},
    {"BN", 4},
    {"IU", 4},
    {"LC", 4},
    {"NC", 4},
    {"DL", 4},
    {"IA", 4},
    {"FX", 4},
    {"TA", 4},
    {"TN", 4},
    {"DA", 4},
}};
constexpr double TrunkColumnsLeft = 11; // column units

constexpr std::array<TLegendEntry, 18> TrunkLegend = {{
    {"ATEND", LngText("Ramal ou grupo atendedor")},
    {"TRANS", LngText("Ramal ou grupo de transbordo")},
    {"NOTUR", LngText("Ramal ou grupo noturno")},
    {"TTB", LngText("Tempo de transbordo")},
    {"TTD", LngText("Tempo de tom de disco")},
    {"TIB", LngText("Tempo de início de bilhetagem")},
    {"AD", LngText("Atendedor digital")},
    {"BD", LngText("Bloqueio DDC fora do noturno")},
    {"BN", LngText("Bloqueio DDC durante o noturno")},
    {"IU", LngText("Acessa tabela IU")},
    {"LC", LngText("Limite de cifras")},
    {"NC", LngText("Número de cifras local")},
    {"DL", LngText("Desliga ligação após TTD")},
    {"IA", LngText("Com identificador de assinante")},
    {"FX", LngText("Com detector de FAX")},
    {"TA", LngText("Número de toques para atender")},
    {"TN", LngText("Possui transbordo noturno")},
    {"DA", LngText("Desliga após atend. sem discagem")},
}};

// An attendant of a trunk record: a position's number, "60", or the code of an extension group
// in use ("61".."64"; blank when the group is empty).
QString AttendantText(std::uint8_t code) {
    if ((code & 0x70) < 0x70) return ExtensionOfPosition(code);
    if (code == AccessCode60) return QStringLiteral("60");
    const int group = code & 0x07;
    if (group < 1 || group > 4) return {};
    const std::uint8_t type = ProgrammingImage[Offset::Groups + Offset::GroupRecordSize * (group - 1)];
    return type == EmptyGroupType ? QString() : QString::number(60 + group);
}

// The 18 cells of a trunk record. "TA" shows the ring count to answer (bit 1 of byte 7), the bit
// the trunk screen stores it in.
std::array<QString, 18> MontaLinhaVia(std::span<const std::uint8_t> record) {
    const std::uint8_t flags = record[0], options = record[7];
    const QString digits = Bit(flags, 0) ? "7" : Bit(flags, 1) ? "8" : "9";
    return {AttendantText(record[1]),   AttendantText(record[2]),
            AttendantText(record[3]),   QString::number(record[4]),
            QString::number(record[5]), QString::number(record[6]),
            Marca(Bit(flags, 7)),       Marca(Bit(flags, 6)),
            Marca(Bit(flags, 5)),       Marca(Bit(flags, 4)),
            Marca(Bit(flags, 3)),       digits,
            Marca(Bit(options, 3)),     Marca(Bit(options, 5)),
            Marca(Bit(options, 6)),     QString::number(Bit(options, 1)),
            Marca(Bit(options, 7)),     Marca(Bit(options, 4))};
}

} // namespace

void ImprimeRotasVias(TReportPage& page) {
    const int y0 = BeginTable(page, 3, ReportSuffix::Page1, 4);
    int y = y0 + page.L(1);
    FirstColumnText(page, page.C(20.5), y, TrText("VIA"), page.C(24.5));
    for (int k = 0; k < RouteColumns; ++k)
        page.Cell(page.C(26 + 4 * k), y, QString::fromUtf8(RouteCodes[k]), page.C(28.5 + 4 * k));

    const int pitch = page.L(3);
    for (int trunk = 0; trunk < TrunkCount(); ++trunk) {
        y += pitch;
        FirstColumnText(page, page.C(21), y, TwoDigits(trunk + 1), page.C(24.5));
        const auto marks = MarcasRotaVia(ProgrammingHeader[Offset::TrunkBytes + trunk]);
        for (int k = 1; k <= RouteColumns; ++k)
            page.Cell(page.C(22 + 4 * k), y, Marca(marks[k - 1]), page.C(24.5 + 4 * k));
    }
    // Each code's column is 4c wide, the last ending at 76.5c.
    const int last = DrawRowRules(page, page.C(20), page.C(76.5), y0, pitch, TrunkCount() + 2);
    page.VerticalLine(page.C(20), y0, last);
    for (int k = 0; k <= RouteColumns; ++k) page.VerticalLine(page.C(24.5 + 4 * k), y0, last);
    DrawLegend(page, LngText("Em que:"), page.C(20), last + page.L(2), RouteLegend, page.C(29), page.C(38));

    page.NewPage();
    ImprimeVias(page);
}

void ImprimeVias(TReportPage& page) {
    const int y0 = BeginTable(page, 3, ReportSuffix::Page2, 4);
    int y = y0 + page.L(0.5);
    FirstColumnText(page, page.C(5), y, TrText("VIA"), page.C(TrunkColumnsLeft));
    std::array<int, TrunkColumns.size() + 1> left{}; // column boundaries, in pixels
    double units = TrunkColumnsLeft;
    for (std::size_t k = 0; k < TrunkColumns.size(); ++k) {
        left[k] = page.C(units);
        page.Cell(page.C(units + 0.5), y, QString::fromUtf8(TrunkColumns[k].Code),
                  page.C(units + TrunkColumns[k].Width));
        units += TrunkColumns[k].Width;
    }
    left.back() = page.C(units);

    const int pitch = page.L(3);
    for (int trunk = 0; trunk < TrunkCount(); ++trunk) {
        y += pitch;
        FirstColumnText(page, page.C(6), y, TwoDigits(trunk + 1), page.C(TrunkColumnsLeft));
        const auto cells = MontaLinhaVia(ProgrammingHeader.Span(
            Offset::TrunkRecords + Offset::TrunkRecordSize * trunk, Offset::TrunkRecordSize));
        for (std::size_t k = 0; k < cells.size(); ++k)
            page.Cell(left[k] + page.C(0.5) + page.C(k < 6 ? 1 : 0.5), y, cells[k], left[k + 1]);
    }
    const int last = DrawRowRules(page, page.C(4), page.C(95), y0, pitch, TrunkCount() + 2);
    page.VerticalLine(page.C(4), y0, last);
    for (const int x : left) page.VerticalLine(x, y0, last);
    DrawLegend(page, LngText("Em que:"), page.C(4), last + page.L(2), TrunkLegend, page.C(16), page.C(25));
}
