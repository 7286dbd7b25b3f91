#include "grid/DelimitedImport.h"

#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "grid/RegularFile.h"
#include "grid/TextUtils.h"
#include "platform/os/LngText.h"
#include "platform/ui/UiServices.h"

#include <QFile>
#include <QStringDecoder>
#include <cassert>
#include <cstring>
#include <new>
#include <optional>

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

// Cuts a line into its cells, from column 0, handing cell the text of each as the file holds it
// (quotes still doubled, LF not yet made CR LF); stops, false, when cell does.
template <typename TCell> bool CutLine(QStringView line, QChar delimiter, TCell cell) {
    const qsizetype n = line.size();
    qsizetype pos = 0;
    if (!delimiter.isNull()) {
        for (qsizetype d = line.indexOf(delimiter); d >= 0; d = pos < n ? line.indexOf(delimiter, pos) : -1) {
            QStringView text;
            if (line[pos] == u'"') {
                const qsizetype close = ClosingQuote(line, pos + 1);
                if (close >= 0) {
                    text = line.mid(pos + 1, close - pos - 1);
                    pos = close + 1;
                } else {
                    ++pos; // never closed: an empty cell
                }
                d = line.indexOf(delimiter, pos);
                if (d < 0) d = n; // nothing more to split: the rest after the closing quote goes too
            } else {
                text = line.mid(pos, d - pos);
            }
            if (!cell(text)) return false;
            pos = d + 1;
        }
    }
    if (pos >= n) return true;
    QStringView rest = line.mid(pos);
    if (rest.startsWith(u'"')) rest = rest.mid(1);
    if (rest.endsWith(u'"')) rest.chop(1);
    return cell(rest);
}

// The most cells a row after the rows given may hold, so that the rows times the widest one stay
// within maxCells; -1 when no further row fits.
qint64 NextRowLimit(qint64 rows, int width, qint64 maxCells) {
    const qint64 limit = maxCells / (rows + 1);
    return std::max(width, 1) > limit ? -1 : limit;
}

} // namespace

bool SplitDelimitedLine(QStringView line, QChar delimiter, std::vector<QString>& cells, qsizetype maxCells) {
    qsizetype count = 0;
    return CutLine(line, delimiter, [&](QStringView text) {
        QString cell = UndoubleChar(u'"', text.toString());
        LFtoCRLF(cell);
        cells.push_back(std::move(cell));
        return ++count <= maxCells;
    });
}

void TUtf8Check::Add(QByteArrayView piece) {
    const char* const data = piece.data();
    const qsizetype n = piece.size();
    for (qsizetype i = 0; i < n && !failed_;) {
        if (needed_ == 0) { // runs of ASCII eight bytes at a time
            quint64 word = 0;
            while (i + 8 <= n && (std::memcpy(&word, data + i, 8), (word & 0x8080808080808080u) == 0)) i += 8;
            if (i == n) return;
        }
        const auto b = static_cast<unsigned char>(data[i++]);
        if (needed_ > 0) {
            failed_ = b < low_ || b > high_;
            --needed_;
            low_ = 0x80, high_ = 0xBF;
            continue;
        }
        if (b < 0x80) continue;
        // The lead byte gives the length and, for the second byte, the range that keeps the
        // sequence short, off the surrogates and within U+10FFFF.
        low_ = 0x80, high_ = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            needed_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            needed_ = 2;
            if (b == 0xE0) low_ = 0xA0;
            if (b == 0xED) high_ = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            needed_ = 3;
            if (b == 0xF0) low_ = 0x90;
            if (b == 0xF4) high_ = 0x8F;
        } else {
            failed_ = true;
        }
    }
}

bool TDelimitedCells::AddLine(QStringView line, QChar delimiter) {
    const qint64 limit = NextRowLimit(RowCount(), std::max(width_, columns_), maxCells_);
    const size_t kept = cells_.size();
    if (limit < 0 || !SplitDelimitedLine(line, delimiter, cells_, limit)) {
        cells_.resize(kept);
        return false;
    }
    rowStarts_.push_back(qsizetype(cells_.size()));
    width_ = std::max(width_, int(cells_.size() - kept));
    return true;
}

void RaiseDelimitedFileTooLarge(const QString& fileName) {
    throw EVozAvozError(
        (TrText(LngText("O arquivo é grande demais para ser importado: ")) + fileName).toStdString());
}

namespace {

// Reads the whole file from its start in pieces, handing each to the given action until it returns
// false; refuses a file that grows beyond the byte limit.
template <typename TAction> void ReadPieces(QFile& file, const QString& fileName, TAction action) {
    if (!file.seek(0)) throw EVozAvozError(("Cannot read file " + fileName).toStdString());
    QByteArray piece(kDelimitedPieceBytes, Qt::Uninitialized);
    for (qint64 total = 0;;) {
        const qint64 got = file.read(piece.data(), piece.size());
        if (got < 0) throw EVozAvozError(("Cannot read file " + fileName).toStdString());
        if (got == 0) return;
        total += got;
        if (total > inputlimits::kMaxTextFileBytes) RaiseDelimitedFileTooLarge(fileName);
        if (!action(QByteArrayView(piece.constData(), got))) return;
    }
}

// What the whole file decides before its lines are cut: its encoding and its line ends.
struct TTextShape {
    bool Utf8 = false;
    bool CrEnds = false;
};

TTextShape ScanFile(QFile& file, const QString& fileName, bool checkUtf8) {
    TUtf8Check utf8;
    bool anyLF = false, anyCRLF = false, lastCR = false;
    ReadPieces(file, fileName, [&](QByteArrayView piece) {
        if (checkUtf8) utf8.Add(piece);
        anyCRLF = anyCRLF || (lastCR && piece.front() == '\n') || piece.contains(QByteArrayView("\r\n"));
        anyLF = anyLF || piece.contains('\n');
        lastCR = piece.back() == '\r';
        return checkUtf8 || !anyCRLF; // with a CR LF pair only the encoding is left to find
    });
    return {checkUtf8 && utf8.Valid(), anyCRLF || !anyLF};
}

// Cuts decoded text given piece after piece into lines (see the header for the line ends).
class TLineCutter {
public:
    explicit TLineCutter(bool crEnds) : crEnds_(crEnds) {}

    template <typename TLine> void Add(QStringView text, TLine line) {
        if (text.isEmpty()) return;
        if (skipLF_ && text.front() == u'\n') text = text.mid(1);
        skipLF_ = false;
        // The lines are cut from the piece itself when no line waits for its end.
        const bool waiting = !pending_.isEmpty();
        qsizetype scan = pending_.size(); // no line end before: the pending text was searched
        if (waiting) pending_ += text;
        const QStringView all = waiting ? QStringView(pending_) : text;
        const QChar end = crEnds_ ? u'\r' : u'\n';
        qsizetype start = 0;
        for (qsizetype stop; (stop = all.indexOf(end, scan)) >= 0; scan = start) {
            QStringView found = all.mid(start, stop - start);
            if (!crEnds_ && found.endsWith(u'\r')) found.chop(1);
            line(found);
            start = stop + 1;
            if (crEnds_ && start == all.size()) skipLF_ = true; // an LF may open the next piece
            if (crEnds_ && start < all.size() && all[start] == u'\n') ++start;
        }
        if (waiting)
            pending_.remove(0, start);
        else
            pending_ = all.mid(start).toString();
    }

    template <typename TLine> void Finish(TLine line) {
        if (!pending_.isEmpty()) line(QStringView(pending_));
        pending_.clear();
    }

private:
    QString pending_; // the text of a line not yet ended
    bool crEnds_;
    bool skipLF_ = false;
};

QStringDecoder DecoderFor(bool oem, bool utf8) {
    if (oem) return QStringDecoder("IBM850");
    if (utf8) return QStringDecoder(QStringDecoder::Utf8);
    QStringDecoder ansi("windows-1252");
    if (ansi.isValid()) return ansi;
    return QStringDecoder(QStringDecoder::Latin1);
}

// Reads the file's lines through the decoder, handing each to line with the delimiter; without a
// delimiter the first two lines wait until they have given one.
template <typename TLine>
void ReadLines(QFile& file, const QString& fileName, bool crEnds, QStringDecoder& decoder, QChar delimiter,
               TLine line) {
    TLineCutter cutter(crEnds);
    bool known = !delimiter.isNull();
    std::vector<QString> waiting;
    auto detect = [&] {
        delimiter = DetectDelimiter(waiting.empty() ? QString() : waiting[0],
                                    waiting.size() < 2 ? QString() : waiting[1]);
        known = true;
        for (const QString& text : waiting) line(QStringView(text), delimiter);
        waiting.clear();
    };
    auto take = [&](QStringView text) {
        if (known) {
            line(text, delimiter);
            return;
        }
        waiting.push_back(text.toString());
        if (waiting.size() == 2) detect();
    };
    ReadPieces(file, fileName, [&](QByteArrayView piece) {
        cutter.Add(QString(decoder(piece)), take);
        return true;
    });
    cutter.Finish(take);
    if (!known) detect();
}

TDelimitedCells ReadCells(QFile& file, const QString& fileName, QChar delimiter, bool oemConvert,
                          int columns) {
    const bool oem = oemConvert && QStringDecoder("IBM850").isValid();
    const TTextShape shape = ScanFile(file, fileName, !oem);
    // The cells are counted before any is kept, on the text read as Latin-1: delimiters, quotes and
    // line ends are ASCII, which every encoding read here leaves as it is.
    QStringDecoder latin1(QStringDecoder::Latin1);
    qint64 rows = 0, total = 0;
    int width = 0;
    ReadLines(file, fileName, shape.CrEnds, latin1, delimiter, [&](QStringView line, QChar lineDelimiter) {
        const qint64 limit = NextRowLimit(rows, std::max(width, columns), inputlimits::kMaxCells);
        qint64 count = 0;
        if (limit < 0 || !CutLine(line, lineDelimiter, [&](QStringView) { return ++count <= limit; }))
            RaiseDelimitedFileTooLarge(fileName);
        ++rows;
        width = std::max(width, int(count));
        total += count;
    });
    QStringDecoder decoder = DecoderFor(oem, shape.Utf8);
    TDelimitedCells cells(inputlimits::kMaxCells, columns);
    cells.Reserve(rows, total);
    ReadLines(file, fileName, shape.CrEnds, decoder, delimiter, [&](QStringView line, QChar lineDelimiter) {
        if (!cells.AddLine(line, lineDelimiter)) RaiseDelimitedFileTooLarge(fileName);
    });
    return cells;
}

} // namespace

TDelimitedCells ReadDelimitedFile(const QString& fileName, QChar delimiter, bool oemConvert, int columns) {
    QFile file;
    if (!OpenRegularFile(file, fileName)) throw EVozAvozError(("Cannot open file " + fileName).toStdString());
    if (file.size() > inputlimits::kMaxTextFileBytes) RaiseDelimitedFileTooLarge(fileName);
    try {
        return ReadCells(file, fileName, delimiter, oemConvert, columns);
    } catch (const std::bad_alloc&) {
        RaiseDelimitedFileTooLarge(fileName); // what was read is given back by now
    }
}
