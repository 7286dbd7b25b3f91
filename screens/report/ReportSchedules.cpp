// Report sections of dates and times: holidays (13) and the automatic services (14): the night
// service on one page and the two external actuations on the next.
//
// The schedules hold 6 night-service entries and 12 times per actuation, and on models 3, 4 and 5
// 12 and 24; every one of them is printed. Times of those models are packed BCD.

#include "screens/report/ReportSections.h"
#include "screens/report/ReportTable.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/ui/UiServices.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

bool HasLongSchedules() {
    return ModelCode == 3 || ModelCode == 4 || ModelCode == 5;
}

QString TimeText(std::size_t offset) {
    const std::uint8_t hour = ProgrammingHeader[offset], minute = ProgrammingHeader[offset + 1];
    if (hour == NoTime || minute == NoTime) return QStringLiteral("__:__");
    return QString::fromStdString(FormatClockTime(hour, minute));
}

// The row pitch of a table of rows + 1 bands from y0: 3l, or less when the table and the lines
// below it (their top at most `below` under the last rule) would not fit on the page.
int SchedulePitch(TReportPage& page, int y0, int rows, double below) {
    const int room = page.ReportPageHeight - y0 - page.L(below) - page.Canvas().TextHeight();
    return std::min(page.L(3), room / (rows + 1));
}

// A table of numbered times between left and right: headings "NUM" and "HORA", one row per time.
// Returns the y of its last rule.
int DrawTimeTable(TReportPage& page, int left, int right, int y0, int pitch,
                  const std::vector<QString>& times) {
    const TFontSizeKeeper keep(page.Canvas());
    page.FitFontToHeight(pitch - page.L(0.5)); // each text between its row's rules
    int y = y0 + page.L(0.5);
    page.Cell(left + page.C(1), y, TrText("NUM"), left + page.C(7));
    page.Cell(left + page.C(10), y, TrText("HORA"), right);
    for (std::size_t row = 0; row < times.size(); ++row) {
        y += pitch;
        page.Cell(left + page.C(2), y, TwoDigits(static_cast<int>(row) + 1), left + page.C(7));
        page.Cell(left + page.C(11), y, times[row], right);
    }
    const int last = DrawRowRules(page, left, right, y0, pitch, static_cast<int>(times.size()) + 2);
    DrawColumnRules(page, {left, left + page.C(7), right}, y0, last);
    return last;
}

std::vector<QString> Times(std::size_t first, std::size_t stride, int count) {
    std::vector<QString> times;
    for (int i = 0; i < count; ++i) times.push_back(TimeText(first + stride * i));
    return times;
}

// The page header and the two titles over the tables; returns the tables' top.
int BeginSchedulePage(TReportPage& page, int title, double skip, const QString& leftTitle, double rightTitleX,
                      const QString& rightTitle) {
    page.ImprimeCabecalho(title, ReportSuffix::None);
    TReportCanvas& canvas = page.Canvas();
    canvas.SetFontSize(16);
    page.PulaLinhas(skip);
    page.Text(page.C(19), page.ReportY, leftTitle);
    page.Text(page.C(rightTitleX), page.ReportY, rightTitle);
    page.PulaLinhas(4);
    canvas.SetPenWidth(4);
    canvas.SetFontSize(14);
    return page.ReportY;
}

constexpr std::array<const char*, 3> NightLabels = {
    LngText("Ativa noturno automático"), LngText("Ativa nos dias úteis"), LngText("Ativa todos os dias")};
constexpr std::array<const char*, 3> ActuationLabels = {
    LngText("Ativa atuação"), LngText("Ativa nos dias úteis"), LngText("Ativa todos os dias")};

// The three lines of an activation mode below a table, `step` lines apart from `last` + step:
// each label with "Sim" or "Não"; font 14, or smaller when a label would reach the value.
void PrintActivation(TReportPage& page, const std::array<const char*, 3>& labels, std::array<bool, 3> values,
                     int labelX, int valueX, int last, int step) {
    std::array<QString, 3> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = TrText(labels[i]);
    page.Canvas().SetFontSize(FitFontSize(page.Canvas(), texts, valueX - labelX - page.C(0.5), 14));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const int y = last + page.L(step * static_cast<double>(i + 1));
        page.Cell(labelX, y, texts[i], valueX);
        page.Text(valueX, y, SimNao(values[i]));
    }
}

} // namespace

void ImprimeFeriados(TReportPage& page) {
    const int y0 = BeginTable(page, 13, ReportSuffix::None, 8);
    page.Canvas().SetFontSize(14);
    int y = y0 + page.L(0.5);
    page.Cell(page.C(35), y, TrText("NUM"), page.C(41));
    page.Cell(page.C(42), y, TrText("DATA FERIADO"), page.C(62));
    const int pitch = page.L(3);
    const int holidays = static_cast<int>(Offset::HolidayCount);
    for (int i = 0; i < holidays; ++i) {
        y += pitch;
        const std::uint8_t day = ProgrammingHeader[Offset::Holidays + 2 * i];
        const std::uint8_t month = ProgrammingHeader[Offset::Holidays + 2 * i + 1];
        page.Cell(page.C(36), y, TwoDigits(i + 1), page.C(41));
        page.Cell(page.C(49), y, day > 0 && month > 0 ? TwoDigits(day) + "/" + TwoDigits(month) : "__/__",
                  page.C(62));
    }
    const int last = DrawRowRules(page, page.C(34), page.C(62), y0, pitch, holidays + 2);
    DrawColumnRules(page, {page.C(34), page.C(41), page.C(62)}, y0, last);
}

void ImprimeNoturno(TReportPage& page) {
    const int y0 = BeginSchedulePage(page, 14, 8, TrText("ENTRADAS"), 65, TrText("SAÍDAS"));
    const int entries = HasLongSchedules() ? 12 : 6;
    const int pitch = SchedulePitch(page, y0, entries, 12);
    const int half = page.ReportPageWidth / 2;
    // Each entry is [exit hour, exit minute, entry hour, entry minute].
    const int last =
        DrawTimeTable(page, page.C(16), page.C(37), y0, pitch, Times(Offset::NightService + 2, 4, entries));
    DrawTimeTable(page, half + page.C(10), half + page.C(31), y0, pitch,
                  Times(Offset::NightService, 4, entries));

    const std::uint8_t mode = ProgrammingHeader[Offset::ActivationBits] & 0x30;
    PrintActivation(page, NightLabels, {mode != 0, mode == 0x30, mode == 0x20}, page.C(30), page.C(62), last,
                    4);
}

void ImprimeAtuacao(TReportPage& page) {
    const int y0 = BeginSchedulePage(page, 15, 4, TrText("ATUAÇÃO") + " 1", 63, TrText("ATUAÇÃO") + " 2");
    const int times = HasLongSchedules() ? 24 : 12;
    const int pitch = SchedulePitch(page, y0, times, 9);
    const int half = page.ReportPageWidth / 2;
    const int last =
        DrawTimeTable(page, page.C(16), page.C(37), y0, pitch, Times(Offset::Actuation1, 2, times));
    DrawTimeTable(page, half + page.C(10), half + page.C(31), y0, pitch, Times(Offset::Actuation2, 2, times));

    // Actuation 1 in bits 2-3 of the activation byte, actuation 2 in bits 6-7.
    const std::uint8_t activation = ProgrammingHeader[Offset::ActivationBits];
    for (int actuation = 0; actuation < 2; ++actuation) {
        const int mode = (activation >> (actuation == 0 ? 2 : 6)) & 0x03;
        const int labelX = actuation == 0 ? page.C(10) : half + page.C(4);
        PrintActivation(page, ActuationLabels, {mode != 0, mode == 0x03, mode == 0x02}, labelX,
                        labelX + page.C(30), last, 3);
    }
}

void ImprimeServicosAutomaticos(TReportPage& page) {
    ImprimeNoturno(page);
    page.NewPage();
    ImprimeAtuacao(page);
}
