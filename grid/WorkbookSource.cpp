#include "grid/WorkbookSource.h"

#include "grid/GridError.h"
#include "grid/RegularFile.h"
#include "grid/WorkbookFileReader.h"
#include "grid/XlsReader.h"
#include "grid/XlsxReader.h"

#include <QDateTime>
#include <QFile>
#include <cassert>

TWorkbookValue TWorkbookValue::FromText(QString text) {
    TWorkbookValue value;
    value.Kind = TKind::Text;
    value.Text = std::move(text);
    return value;
}

TWorkbookValue TWorkbookValue::FromNumber(double number) {
    TWorkbookValue value;
    value.Kind = TKind::Number;
    value.Number = number;
    return value;
}

TWorkbookValue TWorkbookValue::FromBoolean(bool on) {
    TWorkbookValue value;
    value.Kind = TKind::Boolean;
    value.Number = on ? 1 : 0;
    return value;
}

TWorkbookValue TWorkbookValue::FromDate(TKind kind, double serial) {
    assert(kind == TKind::Date || kind == TKind::Time || kind == TKind::DateTime);
    TWorkbookValue value;
    value.Kind = kind;
    value.Number = serial;
    return value;
}

TWorkbookValue TWorkbookValue::ErrorValue() {
    TWorkbookValue value;
    value.Kind = TKind::Error;
    return value;
}

TWorkbookValues::TWorkbookValues(int rows, int cols) : rows_(rows), cols_(cols) {
    assert(rows >= 0 && cols >= 0);
    if (qint64(rows) * cols > kMaxCells) throw EVozAvozError("Worksheet range too large");
    values_.resize(size_t(rows) * size_t(cols));
}

size_t TWorkbookValues::Index(int row, int col) const {
    if (row < 1 || row > rows_ || col < 1 || col > cols_) throw EVozAvozError("Worksheet value out of range");
    return size_t(row - 1) * size_t(cols_) + size_t(col - 1);
}

std::unique_ptr<WorkbookSource> OpenWorkbookSource(const QString& fileName) {
    QFile file(fileName);
    if (!IsRegularFile(fileName) || !file.open(QIODevice::ReadOnly))
        throw EVozAvozError("Cannot open file " + fileName.toStdString());
    if (file.size() > inputlimits::kMaxWorkbookBytes) RaiseWorkbookTooLarge(fileName);
    const QByteArray head = file.read(8);
    if (head.startsWith(QByteArray("PK\x03\x04", 4))) return std::make_unique<TXlsxReader>();
    if (head == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) return std::make_unique<TXlsReader>();
    return nullptr;
}

QString ColumnLetters(int col) {
    assert(col >= 1);
    QString letters;
    for (; col > 0; col = (col - 1) / 26) letters.prepend(QChar(u'A' + (col - 1) % 26));
    return letters;
}

int ColumnNumber(QStringView letters) {
    if (letters.isEmpty() || letters.size() > 3) return 0;
    int col = 0;
    for (QChar ch : letters) {
        const char16_t up = ch.toUpper().unicode();
        if (up < u'A' || up > u'Z') return 0;
        col = col * 26 + (up - u'A' + 1);
    }
    return col;
}

namespace {

// One part of an address: optional '$', letters, optional '$', digits. A part without letters is a
// whole row (col 0); a part without digits is no cell.
bool ParseAddressPart(QStringView part, int& col, int& row) {
    if (part.startsWith(u'$')) part = part.mid(1);
    qsizetype letters = 0;
    while (letters < part.size() && part[letters].isLetter()) ++letters;
    col = 0;
    if (letters > 0) {
        col = ColumnNumber(part.left(letters));
        if (col == 0) return false;
        part = part.mid(letters);
        if (part.startsWith(u'$')) part = part.mid(1);
    }
    if (part.isEmpty()) return false;
    for (QChar ch : part)
        if (ch < u'0' || ch > u'9') return false;
    bool ok = false;
    row = part.toInt(&ok);
    return ok && row >= 1;
}

} // namespace

bool ParseCellReference(QStringView reference, int& col, int& row) {
    return ParseAddressPart(reference, col, row) && col > 0;
}

std::optional<TWorkbookRange> ParseRangeAddress(const QString& address) {
    const qsizetype colon = address.indexOf(u':');
    int col1 = 0, row1 = 0, col2 = 0, row2 = 0;
    if (colon < 0) {
        if (!ParseCellReference(address, col1, row1)) return std::nullopt;
        return TWorkbookRange{col1, row1, col1, row1};
    }
    if (!ParseAddressPart(QStringView(address).left(colon), col1, row1) ||
        !ParseAddressPart(QStringView(address).mid(colon + 1), col2, row2) || (col1 == 0) != (col2 == 0))
        return std::nullopt;
    if (col1 == 0) col1 = 1, col2 = 256; // whole rows
    return TWorkbookRange{std::min(col1, col2), std::min(row1, row2), std::max(col1, col2),
                          std::max(row1, row2)};
}

QString RangeAddress(const TWorkbookRange& range, bool absolute) {
    const QString mark = absolute ? QStringLiteral("$") : QString();
    auto cell = [&](int col, int row) { return mark + ColumnLetters(col) + mark + QString::number(row); };
    const QString first = cell(range.FirstCol, range.FirstRow);
    if (range.FirstCol == range.LastCol && range.FirstRow == range.LastRow) return first;
    return first + u':' + cell(range.LastCol, range.LastRow);
}

bool DateSerialFromText(const QString& text, double& serial) {
    static const QDate kDayZero(1899, 12, 30);
    const QString t = text.trimmed();
    QDate date;
    QTime time;
    if (t.size() >= 10 && t[4] == u'-' && t[7] == u'-') {
        date = QDate::fromString(t.left(10), Qt::ISODate);
        if (!date.isValid()) return false;
        if (t.size() > 10) {
            if (t[10] != u'T' && t[10] != u' ') return false;
            time = QTime::fromString(t.mid(11), Qt::ISODateWithMs);
            if (!time.isValid()) return false;
        }
    } else {
        time = QTime::fromString(t, Qt::ISODateWithMs);
        if (!time.isValid()) return false;
    }
    serial = (date.isValid() ? double(kDayZero.daysTo(date)) : 0.0) +
             (time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0);
    return true;
}

TWorkbookValue DateFromText(const QString& text) {
    using TKind = TWorkbookValue::TKind;
    double serial = 0;
    if (!DateSerialFromText(text, serial)) return TWorkbookValue::FromText(text);
    const QString t = text.trimmed();
    const bool date = t.size() >= 10 && t[4] == u'-';
    return TWorkbookValue::FromDate(!date           ? TKind::Time
                                    : t.size() > 10 ? TKind::DateTime
                                                    : TKind::Date,
                                    serial);
}
