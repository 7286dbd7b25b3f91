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
    page.Canvas().SetFontSize(12);
    int y = y0 + page.L(0.5);
    page.Text(page.C(10.5), y, TrText("Agenda"));
    page.Text(page.C(20), y, TrText("CAT."));
    page.Text(page.C(27), y, TrText("ROTA"));
    page.Text(page.C(34), y, TrText("NÚMERO"));
    page.Text(page.C(61), y, TrText("NOME"));

    const int pitch = page.L(2.2);
    const int entries = static_cast<int>(Offset::GeneralSpeedDialCount);
    for (int entry = 0; entry < entries; ++entry) {
        y += pitch;
        const std::size_t number = Offset::GeneralSpeedDial + sizeof(PackedNumber) * entry;
        const std::uint8_t flags = ProgrammingImage[number], digits = ProgrammingImage[number + 1];
        page.Text(page.C(12.5), y, QString::number(FirstSpeedDialCode + entry));
        page.Text(page.C(20.5), y, SimNao(flags & 0x80));
        if (digits & 0x1F) page.Text(page.C(29), y, QString::number(digits >> 5));
        page.Text(page.C(34), y, PhoneNumberAt(number));
        page.Text(page.C(60), y, NameAt(Offset::GeneralSpeedDialNames + NameEntrySize * entry));
    }
    const int last = DrawRowRules(page, page.C(10), page.C(90), y0, pitch, entries + 2);
    DrawColumnRules(page, {page.C(10), page.C(19), page.C(26), page.C(33), page.C(60), page.C(90)}, y0, last);
}

void ImprimeCodigosParticulares(TReportPage& page) {
    const int y0 = BeginTable(page, 16, ReportSuffix::None, 4);
    TReportCanvas& canvas = page.Canvas();
    canvas.SetFontSize(12);
    page.Text(page.C(25), y0, TrText("COD."));
    page.Text(page.C(25) + page.C(5.5), y0, TrText("RAMAL").left(6));
    page.Text(page.C(25) + page.C(13.5), y0, TrText("NOME"));

    canvas.SetFontSize(10);
    const int pitch = page.L(1.8);
    const int codes = static_cast<int>(Offset::PrivateCodeCount);
    int y = y0 + page.L(0.3);
    for (int code = 0; code < codes; ++code) {
        y += pitch;
        page.Text(page.C(26), y, TwoDigits(code));
        page.Text(page.C(32), y, ExtensionOfPosition(ProgrammingImage[Offset::PrivateCodes + code]));
        page.Text(page.C(39), y, NameAt(Offset::PrivateCodeNames + NameEntrySize * code));
    }
    const int last = DrawRowRules(page, page.C(25), page.C(66), y0, pitch, codes + 2);
    DrawColumnRules(page, {page.C(25), page.C(30), page.C(38), page.C(66)}, y0, last);
}
