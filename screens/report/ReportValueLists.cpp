// Report sections that list labelled values: timers (8), external emergency (9), door-phone and
// fax attendants (10), option bits (11) and the centralizer (16).
//
// After the page header: font 15 and 12 lines down; then, in font 14, each translated label at
// the label column with its value at the value column on the same line. A list whose longest
// label would run into the value column is printed in the largest size at which it does not.

#include "screens/report/ReportSections.h"
#include "screens/report/ReportTable.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/ui/UiServices.h"

#include <initializer_list>
#include <vector>

namespace {

struct TValueLine {
    const char* Label; // source text, translated when printed
    QString Value;
    double Line; // line units below the first line
};

void PrintValueList(TReportPage& page, int title, double labelX, double valueX,
                    std::initializer_list<TValueLine> lines) {
    page.ImprimeCabecalho(title, ReportSuffix::None);
    page.Canvas().SetFontSize(15);
    page.PulaLinhas(12);
    std::vector<QString> labels;
    for (const TValueLine& line : lines) labels.push_back(TrText(line.Label));
    page.Canvas().SetFontSize(FitFontSize(page.Canvas(), labels, page.C(valueX - labelX - 0.5), 14));
    const int top = page.ReportY;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TValueLine& line = lines.begin()[i];
        page.Cell(page.C(labelX), top + page.L(line.Line), labels[i], page.C(valueX));
        page.Text(page.C(valueX), top + page.L(line.Line), line.Value);
    }
}

std::uint8_t Header(std::size_t offset) {
    return ProgrammingHeader[offset];
}

std::uint8_t Image(std::size_t offset) {
    return ProgrammingImage[offset];
}

// A position code of the emergency or fax records: "----" for the codes that mean "none" there.
QString MarkedPosition(std::uint8_t code, std::initializer_list<std::uint8_t> noneCodes) {
    for (const std::uint8_t none : noneCodes)
        if (code == none) return QStringLiteral("----");
    return ExtensionOfPosition(code);
}

// The attendant of a door phone: "----" for none; a position's number; else the access code
// 60 + the low nibble ("60", and "61".."64" for the extension groups, empty or not).
QString DoorPhoneAttendant(std::uint8_t code, std::uint8_t noneCode) {
    if (code == NoExtension || code == noneCode) return QStringLiteral("----");
    if ((code & 0x70) < 0x70) return ExtensionOfPosition(code);
    return QString::number(60 + (code & 0x0F));
}

} // namespace

void ImprimeTemporizacoes(TReportPage& page) {
    const auto value = [](std::size_t offset) { return QString::number(Header(offset)); };
    PrintValueList(
        page, 8, 20, 70,
        {
            {LngText("Tempo de geração de flash (x 100 ms)"), value(Offset::FlashTime), 0},
            {LngText("Tempo comando atuação 1 (seg.)"), value(Offset::Actuation1CommandTime), 4},
            {LngText("Tempo comando atuação 2 (seg.)"), value(Offset::Actuation2CommandTime), 8},
            {LngText("Tempo entre tentativas rechamada (min.)"), value(Offset::RecallInterval), 12},
            {LngText("Número de toques do despertador"), value(Offset::WakeUpRings), 16},
            {LngText("Número de toques de rechamada"), value(Offset::RecallRings), 20},
            {LngText("Número de tentativas rechamada externa"), value(Offset::ExternalRecallTries), 24},
        });
}

void ImprimeEmergencia(TReportPage& page) {
    PrintValueList(
        page, 9, 20, 70,
        {
            {LngText("Número interno emergencia 1"),
             MarkedPosition(Image(Offset::Emergency1Target), {0xBB, 0x76, 0x7A}), 0},
            {LngText("Número externo emergencia 1"), PhoneNumberAt(Offset::Emergency1Number), 4},
            {LngText("Número interno emergencia 2"),
             MarkedPosition(Image(Offset::Emergency2Target), {0xBB, 0x77, 0x7B}), 12},
            {LngText("Número externo emergencia 2"), PhoneNumberAt(Offset::Emergency2Number), 16},
            {LngText("Ramal de emergencia"), MarkedPosition(Image(Offset::EmergencyExtension), {0xBB}), 24},
            {LngText("Número interno emergencia (ramal)"),
             MarkedPosition(Image(Offset::EmergencyExtensionTarget), {0xBB, 0xBF}), 28},
            {LngText("Número externo emergencia (ramal)"), PhoneNumberAt(Offset::EmergencyExtensionNumber),
             32},
        });
}

void ImprimeAtendedores(TReportPage& page) {
    const auto commandTime = [](int door) {
        return QString::number(Image(Offset::DoorPhoneCommandTime + door) / 50);
    };
    const auto waitTime = [](int door) { return QString::number(Image(Offset::DoorPhoneWaitTime + door)); };
    PrintValueList(
        page, 10, 20, 78,
        {
            {LngText("Ramal atendedor porteiro 1"),
             DoorPhoneAttendant(Image(Offset::DoorPhoneAttendant), 0x79), 0},
            {LngText("Tempo de comando do porteiro 1 (seg.)"), commandTime(0), 4},
            {LngText("Tempo espera atendimento porteiro 1 (seg.)"), waitTime(0), 8},
            {LngText("Número externo para porteiro 1"), PhoneNumberAt(Offset::DoorPhone1Number), 12},
            {LngText("Ramal atendedor porteiro 2"),
             DoorPhoneAttendant(Image(Offset::DoorPhoneAttendant + 1), 0x7A), 20},
            {LngText("Tempo de comando do porteiro 2 (seg.)"), commandTime(1), 24},
            {LngText("Tempo espera atendimento porteiro 2 (seg.)"), waitTime(1), 28},
            {LngText("Número externo para porteiro 2"), PhoneNumberAt(Offset::DoorPhone2Number), 32},
            {LngText("Ramal atendedor de FAX 1"), MarkedPosition(Image(Offset::FaxAttendant), {0xBB}), 40},
        });
}

void ImprimeDiversas(TReportPage& page) {
    const std::uint8_t bits1 = Header(Offset::OptionBits1), bits2 = Header(Offset::OptionBits2);
    PrintValueList(
        page, 11, 16, 74,
        {
            {LngText("Bilhetagem de ligações originadas"), SimNao(Bit(bits1, 6)), 0},
            {LngText("Bilhetagem de ligações recebidas"), SimNao(Bit(bits1, 0)), 4},
            {LngText("Bilhetagem de ligações não atendidas"), SimNao(Bit(bits1, 5)), 8},
            {LngText("Bilhetagem de ligações antes do atendimento"), SimNao(Bit(bits1, 4)), 12},
            {LngText("Bloqueio de chamadas por alarme de tarifação"), SimNao(Bit(bits1, 2)), 16},
            {LngText("Apresenta categoria do assinante chamador"), SimNao(Bit(bits2, 2)), 20},
            {LngText("Habilita conferencia"), SimNao(Bit(bits2, 4)), 24},
            {LngText("Habilita retorno de chamada transferida"), SimNao(Bit(bits2, 5)), 28},
            {LngText("Habilita facilidades CPA"), SimNao(Bit(bits2, 6)), 32},
            {LngText("Chamada interna sem fila"), SimNao(Bit(bits2, 0)), 36},
            {LngText("Habilita TI a capturar chamada não atendida"), SimNao(Bit(bits2, 3)), 40},
            {LngText("Música para espera"), SimNao(Bit(bits2, 1)), 44},
            {LngText("Tipo de impressora"), Bit(bits1, 7) ? TrText("Paralela") : TrText("Serial"), 48},
        });
}

void ImprimeCentralizador(TReportPage& page) {
    const std::uint8_t id = Image(Offset::CentralizerId);
    const std::uint8_t hour = Image(Offset::CentralizerHour), minute = Image(Offset::CentralizerMinute);
    PrintValueList(
        page, 17, 20, 68,
        {
            {LngText("Número de identificação da central"),
             id == 0 ? QStringLiteral("--") : TwoDigits(BcdToByte(id)), 4},
            {LngText("Horário da chamada ao centralizador"),
             hour == NoCallTime || minute == NoCallTime
                 ? QStringLiteral("__:__")
                 : QString::fromStdString(FormatClockTime(hour, minute)),
             8},
            {LngText("Número do telefone centralizador"), PhoneNumberAt(Offset::CentralizerNumber), 12},
        });
}
