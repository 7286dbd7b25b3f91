// Report sections of the groups: extension groups (6) and boss-secretary groups (7).

#include "screens/report/ReportSections.h"
#include "screens/report/ReportTable.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

#include <array>

namespace {

constexpr int GroupCount = 4;

constexpr std::array<TLegendEntry, 4> GroupLegend = {{
    {"NT", LngText("Número de toques de desvio")},
    {"H", LngText("Hierárquico")},
    {"D", LngText("Distribuidor")},
    {"M", LngText("Múltiplo")},
}};

constexpr std::uint8_t NoMemberMark = 0xFF;

// A member cell: the member's number, "60" for the access code, " ****" for 0xFF, nothing for none.
QString MemberText(std::uint8_t code) {
    if (code == NoMemberMark) return QStringLiteral(" ****");
    if (code == AccessCode60) return QStringLiteral("60");
    return ExtensionOfPosition(code);
}

// The band of group g (1..4), 6l high from top: number, ring count and type in its first line,
// the members in two lines of four cells, the eighth cell always " ****".
void MontaLinhaGrupo(TReportPage& page, int group, int top) {
    const std::size_t record = Offset::Groups + Offset::GroupRecordSize * (group - 1);
    const std::uint8_t type = ProgrammingImage[record];
    const int y = top + page.L(1);
    page.Cell(page.C(14), y, QString::number(group), page.C(20));
    page.Cell(page.C(21.5), y, QString::number(ProgrammingImage[Offset::GroupRings + group - 1]), page.C(24));
    page.Cell(page.C(25.5), y, Marca(type == 0), page.C(28));
    page.Cell(page.C(29.5), y, Marca(type >= 1 && type <= 9), page.C(32));
    page.Cell(page.C(33.5), y, Marca(type == 16), page.C(36));

    constexpr std::array<double, 4> cellX = {37, 46, 55, 64};
    for (int cell = 0; cell < 8; ++cell) {
        const int line = cell / 4;
        const QString text =
            cell < 7 ? MemberText(ProgrammingImage[record + 1 + cell]) : QStringLiteral(" ****");
        page.Cell(page.C(cellX[cell % 4]), top + page.L(0.5 + 3 * line), text, page.C(cellX[cell % 4] + 8));
    }
}

} // namespace

void ImprimeGruposRamais(TReportPage& page) {
    const int y0 = BeginTable(page, 6, ReportSuffix::None, 8);
    page.Canvas().SetFontSize(12);
    const int y = y0 + page.L(0.5);
    page.Cell(page.C(11), y, TrText("GRUPO"), page.C(20));
    for (int k = 1; k <= 4; ++k)
        page.Cell(page.C(10 + 4 * k + 6.5), y, QString::fromUtf8(GroupLegend[k - 1].Code),
                  page.C(20 + 4 * k));
    for (const double x : {37.0, 46.0, 55.0, 64.0})
        page.Cell(page.C(x), y, TrText("RAMAL").left(6), page.C(x + 8));

    const int headingBand = page.L(3), groupBand = page.L(6);
    page.HorizontalLine(page.C(10), page.C(72), y0);
    for (int group = 1; group <= GroupCount; ++group) {
        const int top = y0 + headingBand + groupBand * (group - 1);
        MontaLinhaGrupo(page, group, top);
        page.HorizontalLine(page.C(10), page.C(72), top);
        page.HorizontalLine(page.C(36), page.C(72), top + page.L(3));
    }
    const int last = y0 + headingBand + groupBand * GroupCount;
    page.HorizontalLine(page.C(10), page.C(72), last);
    DrawColumnRules(page,
                    {page.C(10), page.C(20), page.C(24), page.C(28), page.C(32), page.C(36), page.C(45),
                     page.C(54), page.C(63), page.C(72)},
                    y0, last);
    DrawLegend(page, LngText("Onde:"), page.C(10), last + page.L(2), GroupLegend, page.C(18), page.C(26));
}

void ImprimeChefeSecretaria(TReportPage& page) {
    const int y0 = BeginTable(page, 7, ReportSuffix::None, 8);
    page.Canvas().SetFontSize(12);
    int y = y0 + page.L(1);
    page.Cell(page.C(21), y, TrText("GRUPO"), page.C(30));
    page.Cell(page.C(31), y, TrText("CHEFE") + " 1", page.C(42));
    page.Cell(page.C(43), y, TrText("SECR.") + " 1", page.C(54));
    page.Cell(page.C(55), y, TrText("CHEFE") + " 2", page.C(66));
    page.Cell(page.C(67), y, TrText("SECR.") + " 2", page.C(78));

    const int pitch = page.L(4);
    for (int group = 1; group <= GroupCount; ++group) {
        y += pitch;
        const std::size_t pair = 2 * static_cast<std::size_t>(group - 1);
        page.Cell(page.C(24), y, QString::number(group), page.C(30));
        page.Cell(page.C(34), y, ExtensionOfPosition(ProgrammingHeader[Offset::Bosses + pair]), page.C(42));
        page.Cell(page.C(46), y, ExtensionOfPosition(ProgrammingHeader[Offset::Secretaries + pair]),
                  page.C(54));
        page.Cell(page.C(58), y, ExtensionOfPosition(ProgrammingHeader[Offset::Bosses + pair + 1]),
                  page.C(66));
        page.Cell(page.C(70), y, ExtensionOfPosition(ProgrammingHeader[Offset::Secretaries + pair + 1]),
                  page.C(78));
    }
    const int last = DrawRowRules(page, page.C(20), page.C(78), y0, pitch, GroupCount + 2);
    DrawColumnRules(page, {page.C(20), page.C(30), page.C(42), page.C(54), page.C(66), page.C(78)}, y0, last);
}
