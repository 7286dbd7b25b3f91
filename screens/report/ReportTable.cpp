#include "screens/report/ReportTable.h"

#include "core/Language.h"
#include "core/Programming.h"
#include "core/ValueConversions.h"
#include "platform/os/Cp1252.h"
#include "platform/ui/UiServices.h"

#include <algorithm>

int BeginTable(TReportPage& page, int title, int suffix, double skip) {
    page.ImprimeCabecalho(title, suffix);
    page.Canvas().SetFontSize(15);
    page.PulaLinhas(skip);
    page.Canvas().SetPenWidth(4);
    return page.ReportY;
}

int DrawRowRules(TReportPage& page, int x1, int x2, int y0, int pitch, int count) {
    for (int rule = 0; rule < count; ++rule) page.HorizontalLine(x1, x2, y0 + rule * pitch);
    return y0 + (count - 1) * pitch;
}

void DrawColumnRules(TReportPage& page, std::initializer_list<int> xs, int y0, int y1) {
    for (const int x : xs) page.VerticalLine(x, y0, y1);
}

void DrawLegend(TReportPage& page, const char* word, int wordX, int y, std::span<const TLegendEntry> entries,
                int codeX, int descriptionX, int limit) {
    page.Canvas().SetFontSize(12);
    page.Text(wordX, y, TrText(word) + " ");
    DrawLegendEntries(page, y + page.L(2), entries, codeX, descriptionX, limit);
}

void DrawLegendEntries(TReportPage& page, int y, std::span<const TLegendEntry> entries, int codeX,
                       int descriptionX, int limit) {
    if (limit == 0) limit = page.ReportPageWidth;
    for (const TLegendEntry& entry : entries) {
        page.Cell(codeX, y, QString::fromUtf8(entry.Code), descriptionX);
        page.Cell(descriptionX, y, TrText(entry.Description), limit);
        y += page.L(2);
    }
}

int FitFontSize(TReportCanvas& canvas, std::span<const QString> texts, int maxWidth, int preferred) {
    constexpr int smallest = 6;
    const int kept = canvas.FontSize();
    int size = preferred;
    for (; size > smallest; --size) {
        canvas.SetFontSize(size);
        if (std::ranges::all_of(texts,
                                [&](const QString& text) { return canvas.TextWidth(text) <= maxWidth; }))
            break;
    }
    canvas.SetFontSize(kept);
    return size;
}

QString Marca(bool set) {
    return set ? QStringLiteral("X") : QString();
}

QString SimNao(bool set) {
    return set ? TrText("Sim") : TrText("Não");
}

QString TwoDigits(int value) {
    return QString::fromStdString(IntToStrZeroPad(value, 2));
}

QString ExtensionOfPosition(std::uint8_t code) {
    if (code >= CurrentModel().Extensions) return {};
    return QString::number(ExtensionNumber(code));
}

QString NameAt(std::size_t offset) {
    return QString::fromStdString(Cp1252ToUtf8(ProgrammingImage.ShortString(offset)));
}

QString PhoneNumberAt(std::size_t offset) {
    return QString::fromStdString(UnpackPhoneNumber(ProgrammingImage.Packed(offset)));
}
