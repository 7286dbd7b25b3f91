#include "grid/WorkbookFileReader.h"

#include "grid/GridError.h"
#include "platform/os/LngText.h"
#include "platform/ui/UiServices.h"

#include <cmath>

void TWorkbookFileReader::Open(const QString& fileName) {
    if (quit_ || IsOpen()) throw EVozAvozError("Workbook source already used");
    fileName_ = fileName;
    OpenFile(fileName);
}

void TWorkbookFileReader::Close() {
    RequireOpen();
    CloseFile();
}

void TWorkbookFileReader::Quit() {
    if (IsOpen()) CloseFile();
    Forget();
    quit_ = true;
}

void TWorkbookFileReader::RequireOpen() const {
    if (!IsOpen()) throw EVozAvozError("Workbook not open");
}

void TWorkbookFileReader::Damaged() const {
    RaiseDamagedWorkbook(fileName_);
}

void TWorkbookFileReader::TooLarge() const {
    RaiseWorkbookTooLarge(fileName_);
}

void RaiseNotAWorkbook(const QString& fileName) {
    throw EVozAvozError(
        (TrText(LngText("O arquivo não é uma planilha (.xls ou .xlsx): ")) + fileName).toStdString());
}

void RaiseDamagedWorkbook(const QString& fileName) {
    throw EVozAvozError(
        (TrText(LngText("A planilha está danificada ou incompleta e não pode ser lida: ")) + fileName)
            .toStdString());
}

void RaiseWorkbookCodePageUnknown(const QString& fileName) {
    throw EVozAvozError(
        (TrText(LngText("A planilha usa uma página de código que não pode ser lida: ")) + fileName)
            .toStdString());
}

void RaiseWorkbookTooLarge(const QString& fileName) {
    throw EVozAvozError(
        (TrText(LngText("A planilha é grande demais para ser importada: ")) + fileName).toStdString());
}

void IncludeCell(std::optional<TWorkbookRange>& used, int col, int row) {
    if (!used) {
        used = TWorkbookRange{col, row, col, row};
        return;
    }
    *used = {std::min(used->FirstCol, col), std::min(used->FirstRow, row), std::max(used->LastCol, col),
             std::max(used->LastRow, row)};
}

TWorkbookRange RangeOfAddress(const QString& address) {
    const std::optional<TWorkbookRange> range = ParseRangeAddress(address);
    if (!range) throw EVozAvozError(("Invalid worksheet range " + address).toStdString());
    return *range;
}

void TWorkbookSheet::Add(int col, int row, TWorkbookValue value) {
    Cells.push_back({col, row, std::move(value)});
    IncludeCell(Used, col, row);
}

QString TWorkbookSheet::UsedAddress() const {
    return RangeAddress(Used.value_or(TWorkbookRange{}), true);
}

TWorkbookValues TWorkbookSheet::Values(const TWorkbookRange& range) const {
    TWorkbookValues values(range.RowCount(), range.ColCount());
    for (const TCell& cell : Cells)
        if (cell.Col >= range.FirstCol && cell.Col <= range.LastCol && cell.Row >= range.FirstRow &&
            cell.Row <= range.LastRow)
            values.At(cell.Row - range.FirstRow + 1, cell.Col - range.FirstCol + 1) = cell.Value;
    return values;
}

TWorkbookValue::TKind NumberFormatKind(int id, const QString& code) {
    using TKind = TWorkbookValue::TKind;
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 36) || (id >= 50 && id <= 58)) return TKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47)) return TKind::Time;
    if (id == 22) return TKind::DateTime;
    // The date and time letters of the first section (positive numbers) outside quotes, brackets
    // and escapes, a run of one letter as one: d, y, m, h, s; elapsed "[h]" and "[s]" as h and s,
    // elapsed minutes "[mm]" as n; "AM/PM" and "A/P" as p.
    const QString lower = code.toLower();
    QString letters;
    auto add = [&letters](QChar letter) {
        if (letters.isEmpty() || letters.back() != letter) letters += letter;
    };
    for (qsizetype i = 0; i < lower.size(); ++i) {
        const QChar c = lower[i];
        if (c == u';') break;
        if (c == u'"') {
            const qsizetype close = lower.indexOf(u'"', i + 1);
            i = close < 0 ? lower.size() : close;
        } else if (c == u'[') {
            const qsizetype close = lower.indexOf(u']', i + 1);
            const QString inside = lower.mid(i + 1, close < 0 ? -1 : close - i - 1);
            if (!inside.isEmpty() && QStringView(u"hms").contains(inside[0]) &&
                inside.count(inside[0]) == inside.size())
                add(inside[0] == u'm' ? QChar(u'n') : inside[0]);
            i = close < 0 ? lower.size() : close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i; // the next character stands for itself (or for its width)
        } else if (lower.mid(i, 5) == u"am/pm" || lower.mid(i, 3) == u"a/p") {
            add(u'p');
            i += lower.mid(i, 5) == u"am/pm" ? 4 : 2;
        } else if (QStringView(u"dymhs").contains(c)) {
            add(c);
        }
    }
    // An "m" right after hours or right before seconds is minutes, any other a month.
    bool date = false, time = false;
    for (qsizetype k = 0; k < letters.size(); ++k) {
        if (letters[k] == u'm') {
            const bool minutes =
                (k > 0 && letters[k - 1] == u'h') || (k + 1 < letters.size() && letters[k + 1] == u's');
            (minutes ? time : date) = true;
        } else {
            (letters[k] == u'd' || letters[k] == u'y' ? date : time) = true;
        }
    }
    return date && time ? TKind::DateTime : date ? TKind::Date : time ? TKind::Time : TKind::Number;
}

TWorkbookValue FormattedNumber(double number, TWorkbookValue::TKind kind, double dayOffset) {
    constexpr double kLastDate = 2958465; // 31 December 9999
    if (!std::isfinite(number)) return TWorkbookValue::ErrorValue();
    const double serial = number + dayOffset;
    if (kind != TWorkbookValue::TKind::Number && serial >= 0 && serial <= kLastDate)
        return TWorkbookValue::FromDate(kind, serial);
    return TWorkbookValue::FromNumber(number);
}
