#include "grid/DelimitedImport.h"

#include "grid/AdvancedGrid.h"
#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "grid/RegularFile.h"
#include "grid/TextUtils.h"
#include "platform/os/LngText.h"
#include "platform/ui/UiServices.h"

#include <QFile>
#include <QStringDecoder>
#include <optional>

QString DecodeDelimitedText(const QByteArray& bytes, bool oemConvert) {
    if (oemConvert) {
        QStringDecoder oem("IBM850");
        if (oem.isValid()) return oem(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder ansi("windows-1252");
    return ansi.isValid() ? QString(ansi(bytes)) : QString::fromLatin1(bytes);
}

std::vector<QStringView> SplitTextLines(QStringView text) {
    std::vector<QStringView> lines;
    const bool crEnds = text.contains(u"\r\n") || !text.contains(u'\n');
    const QChar end = crEnds ? u'\r' : u'\n';
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype stop = text.indexOf(end, start);
        if (stop < 0) {
            lines.push_back(text.mid(start));
            break;
        }
        QStringView line = text.mid(start, stop - start);
        if (!crEnds && line.endsWith(u'\r')) line.chop(1);
        lines.push_back(line);
        start = stop + 1;
        if (crEnds && start < text.size() && text[start] == u'\n') ++start;
    }
    return lines;
}

QChar DetectDelimiter(const QString& line1, const QString& line2) {
    int best = 0;
    QChar found;
    for (int pass = 1; pass <= 2 && found.isNull(); ++pass)
        for (char16_t candidate : kDelimiterCandidates) {
            const int count1 = pass == 1 ? CountSingleChar(candidate, line1) : CountChar(candidate, line1);
            const int count2 = pass == 1 ? CountSingleChar(candidate, line2) : CountChar(candidate, line2);
            if (count1 == count2 && count1 > best) {
                found = candidate;
                best = count1;
            }
        }
    if (found.isNull())
        for (char16_t candidate : kDelimiterCandidates) {
            const int count1 = CountChar(candidate, line1), count2 = CountChar(candidate, line2);
            if (count1 > best || count2 > best) {
                found = candidate;
                best = std::max(count1, count2);
            }
        }
    return found;
}

namespace {

// The index of the quote that closes a quoted field whose text starts at from (ClosingCharPos on
// that text), or -1.
qsizetype ClosingQuote(QStringView s, qsizetype from) {
    const qsizetype n = s.size();
    for (qsizetype i = from; i < n;) {
        if (s[i] != u'"') {
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i + run < n && s[i + run] == u'"') ++run;
        if (i + run == n || run % 2 == 1) return i + run - 1;
        i += run;
    }
    return -1;
}

} // namespace

void SplitDelimitedLine(QStringView line, QChar delimiter, std::vector<QString>& cells) {
    cells.clear();
    const qsizetype n = line.size();
    qsizetype pos = 0;
    if (!delimiter.isNull()) {
        for (qsizetype d = line.indexOf(delimiter); d >= 0; d = pos < n ? line.indexOf(delimiter, pos) : -1) {
            QString cell;
            if (line[pos] == u'"') {
                const qsizetype close = ClosingQuote(line, pos + 1);
                if (close >= 0) {
                    cell = UndoubleChar(u'"', line.mid(pos + 1, close - pos - 1).toString());
                    pos = close + 1;
                } else {
                    ++pos; // never closed: an empty cell
                }
                d = line.indexOf(delimiter, pos);
                if (d < 0) d = n; // nothing more to split: the rest after the closing quote goes too
            } else {
                cell = UndoubleChar(u'"', line.mid(pos, d - pos).toString());
            }
            LFtoCRLF(cell);
            cells.push_back(std::move(cell));
            pos = d + 1;
        }
    }
    if (pos >= n) return;
    QStringView rest = line.mid(pos);
    if (rest.startsWith(u'"')) rest = rest.mid(1);
    if (rest.endsWith(u'"')) rest.chop(1);
    QString cell = UndoubleChar(u'"', rest.toString());
    LFtoCRLF(cell);
    cells.push_back(std::move(cell));
}

namespace {

// Runs the given action when the scope ends, also when an error leaves it.
template <typename TAction> class TOnScopeEnd {
public:
    explicit TOnScopeEnd(TAction action) : action_(std::move(action)) {}
    ~TOnScopeEnd() { action_(); }
    TOnScopeEnd(const TOnScopeEnd&) = delete;
    TOnScopeEnd& operator=(const TOnScopeEnd&) = delete;

private:
    TAction action_;
};

} // namespace

void TVevIvizudEvar::LoadFromCSV(const QString& fileName) {
    LoadDelimited(fileName, false);
}

void TVevIvizudEvar::LoadDelimited(const QString& fileName, bool append) {
    QFile file(fileName);
    if (!IsRegularFile(fileName) || !file.open(QIODevice::ReadOnly))
        throw EVozAvozError(("Cannot open file " + fileName).toStdString());
    const QByteArray bytes = file.read(inputlimits::kMaxTextFileBytes + 1);
    file.close();
    const QString text = DecodeDelimitedText(bytes, OemConvert);
    const std::vector<QStringView> lines = SplitTextLines(text);
    // Each line is a row: more lines than the grid takes cells, or a longer file, is refused.
    if (bytes.size() > inputlimits::kMaxTextFileBytes || qint64(lines.size()) > inputlimits::kMaxCells)
        throw EVozAvozError(
            (TrText(LngText("O arquivo é grande demais para ser importado: ")) + fileName).toStdString());

    const QChar savedDelimiter = Delimiter;
    if (Delimiter.isNull())
        Delimiter = DetectDelimiter(lines.empty() ? QString() : lines[0].toString(),
                                    lines.size() < 2 ? QString() : lines[1].toString());
    {
        BeginUpdate();
        // The footer row waits aside while the lines fill the rows; it comes back below them.
        std::optional<TGridLine> footer;
        TOnScopeEnd restore([&] {
            if (footer) CellStore().PutRow(RowCount() - 1, std::move(*footer));
            Delimiter = savedDelimiter;
            EndUpdate();
        });

        int fillRow = append ? RowCount() : 0;
        if (FloatingFooter.Visible) {
            footer = CellStore().TakeRow(RowCount() - 1);
            if (append) fillRow = RowCount() - 1;
        }
        // A floating footer has a row of its own even when no fixed footer row was set for it.
        const int footers = footer ? std::max(FixedFooters(), 1) : FixedFooters();
        if (OnFileProgress) SetRowCount(fillRow + int(lines.size()) + footers);

        std::vector<QString> cells;
        int reported = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (RowCount() - footers <= fillRow) SetRowCount(fillRow + 1000);
            SplitDelimitedLine(lines[i], Delimiter, cells);
            const int count = int(cells.size());
            if (count > ColCount()) SetColCount(count);
            for (int col = 0; col < count; ++col) SetGridCells(col, fillRow, cells[size_t(col)]);
            // A row loaded over an earlier one keeps nothing of it.
            for (int col = count; col < AllColCount(); ++col)
                if (!Cells(col, fillRow).isEmpty()) SetGridCells(col, fillRow, QString());
            ++fillRow;
            const int percent = qRound(100.0 * double(i + 1) / double(lines.size()));
            if (percent != reported) {
                reported = percent;
                FileProgress(short(percent));
            }
        }
        SetRowCount(fillRow + footers);
    }
    CellsChanged(TRect{0, 0, ColCount() - 1, RowCount() - 1});
}

void TVevIvizudEvar::FileProgress(short progress) {
    if (OnFileProgress) OnFileProgress(this, progress);
}
