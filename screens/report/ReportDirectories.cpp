// Report sections of numbered lists of numbers and names: the general speed dial (4) and the
// private codes (15).

#include "screens/report/ReportSections.h"
#include "screens/report/ReportTable.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "platform/ui/UiServices.h"

namespace {

constexpr int FirstSpeedDialCode = 760;

} // namespace

void ImprimeAgendaGeral(TReportPage& page) {
    const int y0 = BeginTable(page, 4, ReportSuffix::None, 4);
    const int pitch = page.L(2.2);
    page.Canvas().SetFontSize(12);
    page.FitFontToHeight(pitch - page.L(0.5)); // each text between its row's rules
    int y = y0 + page.L(0.5);
    page.Cell(page.C(10.5), y, TrText("Agenda"), page.C(19));
    page.Cell(page.C(20), y, TrText("CAT."), page.C(26));
    page.Cell(page.C(27), y, TrText("ROTA"), page.C(33));
    page.Cell(page.C(34), y, TrText("NÚMERO"), page.C(60));
    page.Cell(page.C(61), y, TrText("NOME"), page.C(90));

    const int entries = static_cast<int>(Offset::GeneralSpeedDialCount);
    for (int entry = 0; entry < entries; ++entry) {
        y += pitch;
        const std::size_t number = Offset::GeneralSpeedDial + sizeof(PackedNumber) * entry;
        const std::uint8_t flags = ProgrammingImage[number], digits = ProgrammingImage[number + 1];
        page.Cell(page.C(12.5), y, QString::number(FirstSpeedDialCode + entry), page.C(19));
        page.Cell(page.C(20.5), y, SimNao(flags & 0x80), page.C(26));
        if (digits & 0x1F) page.Cell(page.C(29), y, QString::number(digits >> 5), page.C(33));
        page.Cell(page.C(34), y, PhoneNumberAt(number), page.C(60));
        // Under its heading, off the rule at 60c.
        page.Cell(page.C(61), y, NameAt(Offset::GeneralSpeedDialNames + NameEntrySize * entry), page.C(90));
    }
    const int last = DrawRowRules(page, page.C(10), page.C(90), y0, pitch, entries + 2);
    DrawColumnRules(page, {page.C(10), page.C(19), page.C(26), page.C(33), page.C(60), page.C(90)}, y0, last);
}

void ImprimeCodigosParticulares(TReportPage& page) {
    const int y0 = BeginTable(page, 16, ReportSuffix::None, 4);
    TReportCanvas& canvas = page.Canvas();
    // The headings as far below the top rule as the rows below theirs, "COD." off the rule at 25c.
    const int pitch = page.L(1.8);
    canvas.SetFontSize(12);
    page.FitFontToHeight(pitch - page.L(0.3)); // each text between its row's rules
    const int headingY = y0 + page.L(0.3);
    page.Cell(page.C(25.25), headingY, TrText("COD."), page.C(30));
    page.Cell(page.C(25) + page.C(5.5), headingY, TrText("RAMAL").left(6), page.C(38));
    page.Cell(page.C(25) + page.C(13.5), headingY, TrText("NOME"), page.C(66));

    canvas.SetFontSize(10);
    page.FitFontToHeight(pitch - page.L(0.3));
    const int codes = static_cast<int>(Offset::PrivateCodeCount);
    int y = y0 + page.L(0.3);
    for (int code = 0; code < codes; ++code) {
        y += pitch;
        page.Cell(page.C(26), y, TwoDigits(code), page.C(30));
        page.Cell(page.C(32), y, ExtensionOfPosition(ProgrammingImage[Offset::PrivateCodes + code]),
                  page.C(38));
        page.Cell(page.C(39), y, NameAt(Offset::PrivateCodeNames + NameEntrySize * code), page.C(66));
    }
    const int last = DrawRowRules(page, page.C(25), page.C(66), y0, pitch, codes + 2);
    DrawColumnRules(page, {page.C(25), page.C(30), page.C(38), page.C(66)}, y0, last);
}
