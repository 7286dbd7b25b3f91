#include "grid/DelimitedImport.h"

#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "grid/RegularFile.h"
#include "grid/TextEncoding.h"
#include "grid/TextUtils.h"
#include "platform/os/LngText.h"
#include "platform/ui/UiServices.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>
#include <optional>

QChar DetectDelimiter(const QString& line1, const QString& line2) {
    TCandidateTally tally;
    tally.Add(line1);
    const TCandidateTally::TCounts counts1 = tally.End();
    tally.Add(line2);
    return DetectDelimiter(counts1, tally.End());
}

QChar DetectDelimiter(const TCandidateTally::TCounts& line1, const TCandidateTally::TCounts& line2) {
    int best = 0;
    QChar found;
    for (int pass = 1; pass <= 2 && found.isNull(); ++pass)
        for (size_t i = 0; i < kDelimiterCandidates.size(); ++i) {
            const int count1 = pass == 1 ? line1.Single[i] : line1.All[i];
            const int count2 = pass == 1 ? line2.Single[i] : line2.All[i];
            if (count1 == count2 && count1 > best) {
                found = kDelimiterCandidates[i];
                best = count1;
            }
        }
    if (found.isNull())
        for (size_t i = 0; i < kDelimiterCandidates.size(); ++i) {
            const int count1 = line1.All[i], count2 = line2.All[i];
            if (count1 > best || count2 > best) {
                found = kDelimiterCandidates[i];
                best = std::max(count1, count2);
            }
        }
    return found;
}

void TCandidateTally::Add(QStringView part) {
    for (const QChar c : part) {
        const char16_t u = c.unicode();
        int candidate = -1;
        if (u < 128)
            for (size_t i = 0; i < kDelimiterCandidates.size() && candidate < 0; ++i)
                if (kDelimiterCandidates[i] == u) candidate = int(i);
        if (candidate == runCandidate_ && candidate >= 0) {
            ++run_;
        } else {
            if (runCandidate_ >= 0 && run_ % 2 == 1) ++counts_.Single[size_t(runCandidate_)];
            runCandidate_ = candidate;
            run_ = 1;
        }
        if (candidate >= 0) ++counts_.All[size_t(candidate)];
    }
}

TCandidateTally::TCounts TCandidateTally::End() {
    if (runCandidate_ >= 0) ++counts_.Single[size_t(runCandidate_)]; // a run that ends the line counts
    TCounts counts = counts_;
    *this = TCandidateTally();
    return counts;
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

// Each line break in a cell, whatever its kind, becomes the grid's CR LF.
void BreaksToCRLF(QString& cell) {
    if (!cell.contains(u'\r') && !cell.contains(u'\n')) return;
    QString out;
    out.reserve(cell.size() + 8);
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell[i];
        if (c != u'\r' && c != u'\n') {
            out += c;
            continue;
        }
        out += QStringLiteral("\r\n");
        if (c == u'\r' && i + 1 < cell.size() && cell[i + 1] == u'\n') ++i;
    }
    cell = std::move(out);
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
    const bool breaks = line.contains(u'\r') || line.contains(u'\n');
    return CutLine(line, delimiter, [&](QStringView text) {
        QString cell = UndoubleChar(u'"', text.toString());
        if (cell.contains(QChar(0))) cell.remove(QChar(0));
        if (breaks) BreaksToCRLF(cell);
        cells.push_back(std::move(cell));
        return ++count <= maxCells;
    });
}

void TLineCellCount::Add(QStringView part) {
    if (part.isEmpty()) return;
    any_ = true;
    if (delimiter_.isNull()) return;
    if (delimiter_ == u'"') {
        text_ += part;
        return;
    }
    const qsizetype n = part.size();
    for (qsizetype i = 0; i < n;) {
        switch (state_) {
        case kFieldStart: {
            const QChar c = part[i++];
            if (c == delimiter_) {
                ++cells_; // an empty field
            } else if (c == u'"') {
                state_ = kQuoted;
                run_ = openDelimiters_ = 0;
                tail_ = false;
            } else {
                state_ = kPlain;
            }
            break;
        }
        case kPlain:
        case kAfterQuote: { // the field, or what follows its closing quote, runs to the delimiter
            const qsizetype d = part.indexOf(delimiter_, i);
            if (d < 0) return;
            ++cells_;
            state_ = kFieldStart;
            i = d + 1;
            break;
        }
        case kQuoted: {
            const QChar c = part[i];
            tail_ = c != delimiter_;
            if (c == u'"') {
                ++run_;
                ++i;
                break;
            }
            if (run_ % 2 == 1) { // an odd run closes the field; c belongs to what follows it
                state_ = kAfterQuote;
                break;
            }
            run_ = 0;
            if (c == delimiter_) ++openDelimiters_;
            ++i;
            break;
        }
        }
    }
}

qint64 TLineCellCount::End() {
    qint64 cells = cells_;
    if (delimiter_.isNull()) {
        cells = any_ ? 1 : 0;
    } else if (delimiter_ == u'"') {
        cells = 0;
        CutLine(text_, delimiter_, [&](QStringView) { return ++cells > 0; });
    } else if (state_ == kPlain || state_ == kAfterQuote) {
        ++cells;
    } else if (state_ == kQuoted) {
        // Closed by a run of quotes at the end of the line, or never closed.
        cells += run_ > 0 ? 1 : std::max<qint64>(openDelimiters_ + (tail_ ? 1 : 0), 1);
    }
    *this = TLineCellCount(delimiter_);
    return cells;
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

enum class TEncoding { Ansi, Oem, Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

// The file's encoding, and the length of the byte-order mark that gave it.
struct TTextShape {
    TEncoding Encoding = TEncoding::Ansi;
    qsizetype MarkBytes = 0;
};

QStringDecoder DecoderFor(TEncoding encoding) {
    switch (encoding) {
    case TEncoding::Oem:
        return QStringDecoder("IBM850");
    case TEncoding::Utf8:
        return QStringDecoder(QStringDecoder::Utf8);
    case TEncoding::Utf16LE:
        return QStringDecoder(QStringDecoder::Utf16LE);
    case TEncoding::Utf16BE:
        return QStringDecoder(QStringDecoder::Utf16BE);
    case TEncoding::Utf32LE:
        return QStringDecoder(QStringDecoder::Utf32LE);
    case TEncoding::Utf32BE:
        return QStringDecoder(QStringDecoder::Utf32BE);
    case TEncoding::Ansi:
        break;
    }
    QStringDecoder ansi("windows-1252");
    if (ansi.isValid()) return ansi;
    return QStringDecoder(QStringDecoder::Latin1);
}

// An encoding of more than one byte a character (its delimiters, quotes and line ends too).
bool IsWide(TEncoding encoding) {
    return encoding != TEncoding::Ansi && encoding != TEncoding::Oem && encoding != TEncoding::Utf8;
}

TTextShape ScanFile(QFile& file, const QString& fileName, bool oem) {
    TTextShape shape;
    TUtf8Check utf8;
    bool first = true;
    ReadPieces(file, fileName, [&](QByteArrayView piece) {
        if (first) {
            first = false;
            // The marks of UTF-32 first: the one of little-endian begins as UTF-16's does.
            const std::pair<QByteArrayView, TEncoding> marks[] = {
                {QByteArrayView("\xFF\xFE\0\0", 4), TEncoding::Utf32LE},
                {QByteArrayView("\0\0\xFE\xFF", 4), TEncoding::Utf32BE},
                {QByteArrayView("\xFF\xFE"), TEncoding::Utf16LE},
                {QByteArrayView("\xFE\xFF"), TEncoding::Utf16BE},
                {QByteArrayView("\xEF\xBB\xBF"), TEncoding::Utf8}};
            for (const auto& [mark, encoding] : marks)
                if (piece.startsWith(mark)) {
                    shape = {encoding, mark.size()};
                    return false;
                }
            if (const auto utf16 = GuessUtf16(piece, file.size(), oem)) {
                shape.Encoding =
                    *utf16 == QStringConverter::Utf16LE ? TEncoding::Utf16LE : TEncoding::Utf16BE;
                return false;
            }
            shape.Encoding = oem ? TEncoding::Oem : TEncoding::Utf8; // UTF-8 while it stays valid
            if (oem) return false;
        }
        utf8.Add(piece);
        return true;
    });
    if (shape.Encoding == TEncoding::Utf8 && shape.MarkBytes == 0 && !utf8.Valid())
        shape.Encoding = TEncoding::Ansi;
    return shape;
}

// Decodes the file piece after piece, its byte-order mark left out.
// For the readings that look only at delimiters, quotes and line ends, which are ASCII and which
// every 8-bit encoding read here leaves as they are, 8-bit text is read as Latin-1 (the quickest
// to decode).
class TFileDecoder {
public:
    TFileDecoder(const TTextShape& shape, bool structureOnly)
        : decoder_(structureOnly && !IsWide(shape.Encoding) ? QStringDecoder(QStringDecoder::Latin1)
                                                            : DecoderFor(shape.Encoding)),
          skip_(shape.MarkBytes) {}
    QString operator()(QByteArrayView piece) {
        const qsizetype skipped = std::min(skip_, piece.size());
        skip_ -= skipped;
        return decoder_(piece.sliced(skipped));
    }

private:
    QStringDecoder decoder_;
    qsizetype skip_;
};

// Where a quoted field opened: the record (from 0) and how many quoted fields opened in it before.
struct TQuotePlace {
    qint64 Record = 0, Quoted = 0;
};

// Cuts decoded text given piece after piece into records (see the header) without keeping it:
// part(text) is called with each part of a record as it comes (a line break inside quotes is
// part of it), end() at each record's end. The quoted field opened at the place given, if any,
// does not run on over a line break (it is the one that never closes: see ScanRecords).
//
// Only quotes and line breaks are looked at, each found once by a search: outside a quoted field
// the text runs to the next quote, which opens one when it starts a field (it follows the
// record's start or a delimiter), and otherwise stays in its field; a line break outside a quoted
// field ends the record.
class TRecordScanner {
public:
    // Fields start after the delimiter (none when null), or after any delimiter candidate while the
    // delimiter is being looked for.
    TRecordScanner(QChar delimiter, bool anyCandidate, std::optional<TQuotePlace> cut)
        : delimiter_(delimiter), anyCandidate_(anyCandidate), quoting_(anyCandidate || delimiter != u'"'),
          cut_(cut) {}

    template <typename TPart, typename TEnd> void Add(QStringView text, TPart part, TEnd end) {
        const qsizetype n = text.size();
        qsizetype i = 0;
        if (skipLF_ && n > 0) {
            skipLF_ = false;
            if (text[0] == u'\n') i = 1; // the LF of a CR LF whose CR ended the text before
        }
        qsizetype from = i; // where the part of the record within this text starts
        TNext cr{u'\r'}, lf{u'\n'}, quote{u'"'};
        auto lineBreak = [&](qsizetype at) {
            const qsizetype a = cr.From(text, at), b = lf.From(text, at);
            return a < 0 ? b : b < 0 ? a : std::min(a, b);
        };
        auto endRecord = [&](qsizetype at) {
            Part(text.sliced(from, at - from), part);
            started_ = false;
            end();
            state_ = kFieldStart;
            quoted_ = 0;
            ++record_;
            i = at + 1;
            if (text[at] == u'\r') {
                if (i == n)
                    skipLF_ = true; // an LF may open the next text
                else if (text[i] == u'\n')
                    ++i;
            }
            from = i;
        };
        while (i < n) {
            if (state_ != kQuoted) {
                const qsizetype q = quoting_ ? quote.From(text, i) : -1, stop = lineBreak(i);
                if (stop >= 0 && (q < 0 || stop < q)) {
                    endRecord(stop);
                    continue;
                }
                if (q < 0) { // the record goes on in the next text: where its last field stands
                    state_ = IsDelimiter(text[n - 1]) ? kFieldStart : kOther;
                    i = n;
                    break;
                }
                if ((q == i && state_ == kFieldStart) || (q > i && IsDelimiter(text[q - 1]))) {
                    state_ = kQuoted;
                    run_ = 0;
                    crossed_ = false;
                    open_ = {record_, quoted_++};
                    spanning_ = !(cut_ && cut_->Record == open_.Record && cut_->Quoted == open_.Quoted);
                } else {
                    state_ = kOther; // a quote inside a field
                }
                i = q + 1;
                continue;
            }
            if (text[i] == u'"') {
                ++run_;
                ++i;
                continue;
            }
            if (run_ % 2 == 1) { // an odd run closes the field: what follows is outside
                state_ = kOther;
                continue;
            }
            run_ = 0;
            const qsizetype q = quote.From(text, i), stop = lineBreak(i);
            if (stop >= 0 && (q < 0 || stop < q)) {
                if (!spanning_) {
                    endRecord(stop);
                    continue;
                }
                crossed_ = true;
            }
            i = q < 0 ? n : q;
        }
        Part(text.sliced(std::min(from, n)), part); // the record goes on in the next text
    }

    // The end of the text: the record after the last line break, unless a quoted field runs on
    // over a line break to the end, never closed (OpenAtEnd).
    template <typename TPart, typename TEnd> void Finish(TPart, TEnd end) {
        if (started_ && !OpenAtEnd()) end();
        started_ = false;
    }
    // A quoted field that runs on over a line break and is still open at the end of the text (no
    // run of quotes ends the text).
    std::optional<TQuotePlace> OpenAtEnd() const {
        if (state_ == kQuoted && spanning_ && crossed_ && run_ == 0) return open_;
        return std::nullopt;
    }

private:
    // kOther: within a field that is not quoted, or after a quoted field's closing quote.
    enum TState : unsigned char { kFieldStart, kOther, kQuoted };
    // The next place of a character in one text, found once and kept while it lies ahead.
    struct TNext {
        QChar C;
        qsizetype At = -2; // -2 not looked for yet, -1 none further
        qsizetype From(QStringView text, qsizetype i) {
            if (At != -1 && At < i) At = text.indexOf(C, i);
            return At;
        }
    };

    bool IsDelimiter(QChar c) const {
        if (anyCandidate_)
            return c.unicode() < 128 && std::find(kDelimiterCandidates.begin(), kDelimiterCandidates.end(),
                                                  c.unicode()) != kDelimiterCandidates.end();
        return c == delimiter_ && !delimiter_.isNull();
    }
    template <typename TPart> void Part(QStringView text, TPart& part) {
        if (text.isEmpty()) return;
        started_ = true;
        part(text);
    }

    QChar delimiter_;
    bool anyCandidate_, quoting_;
    std::optional<TQuotePlace> cut_;
    TState state_ = kFieldStart;
    qint64 record_ = 0, quoted_ = 0, run_ = 0;
    TQuotePlace open_;
    bool spanning_ = true, crossed_ = false, skipLF_ = false, started_ = false;
};

// Reads the file's records with a scanner handed to read(scanner), which returns whether its
// reading ran to the end of the file. A quoted field that runs on over line breaks and never
// closes would take the rest of the file: the reading is then made again with that field ended at
// its line's end, as a field on one line is, and that field's place is returned. No other field
// can be left open then (every run of quotes after it is even, and so closes a field it opens).
template <typename TRead>
std::optional<TQuotePlace> ScanRecords(QChar delimiter, bool anyCandidate, TRead read) {
    TRecordScanner first(delimiter, anyCandidate, std::nullopt);
    if (!read(first)) return std::nullopt;
    const std::optional<TQuotePlace> open = first.OpenAtEnd();
    if (!open) return std::nullopt;
    TRecordScanner again(delimiter, anyCandidate, open);
    read(again);
    assert(!again.OpenAtEnd());
    return open;
}

// The delimiter the file's first two records give.
QChar FindDelimiter(QFile& file, const QString& fileName, const TTextShape& shape) {
    std::vector<TCandidateTally::TCounts> counts;
    ScanRecords(QChar(), true, [&](TRecordScanner& records) {
        TFileDecoder decode(shape, true);
        TCandidateTally tally;
        counts.clear();
        auto part = [&](QStringView text) { tally.Add(text); };
        auto end = [&] { counts.push_back(tally.End()); };
        ReadPieces(file, fileName, [&](QByteArrayView piece) {
            records.Add(decode(piece), part, end);
            return counts.size() < 2;
        });
        if (counts.size() >= 2) return false;
        records.Finish(part, end);
        return true;
    });
    counts.resize(std::max<size_t>(counts.size(), 2));
    return DetectDelimiter(counts[0], counts[1]);
}

TDelimitedCells ReadCells(QFile& file, const QString& fileName, QChar delimiter, bool oemConvert,
                          int columns) {
    const bool oem = oemConvert && QStringDecoder("IBM850").isValid();
    const TTextShape shape = ScanFile(file, fileName, oem);
    if (delimiter.isNull()) delimiter = FindDelimiter(file, fileName, shape);
    // The cells are counted before any is kept, as the text comes: a record is not kept whole for it.
    qint64 rows = 0, total = 0;
    int width = 0;
    const std::optional<TQuotePlace> cut = ScanRecords(delimiter, false, [&](TRecordScanner& records) {
        TFileDecoder decode(shape, true);
        TLineCellCount count(delimiter);
        rows = total = width = 0;
        qint64 limit = NextRowLimit(0, columns, inputlimits::kMaxCells);
        auto part = [&](QStringView text) {
            count.Add(text);
            if (limit < 0 || count.AtLeast() > limit) RaiseDelimitedFileTooLarge(fileName);
        };
        auto end = [&] {
            const qint64 cells = count.End();
            if (limit < 0 || cells > limit) RaiseDelimitedFileTooLarge(fileName);
            ++rows;
            width = std::max(width, int(cells));
            total += cells;
            limit = NextRowLimit(rows, std::max(width, columns), inputlimits::kMaxCells);
        };
        ReadPieces(file, fileName, [&](QByteArrayView piece) {
            records.Add(decode(piece), part, end);
            return true;
        });
        records.Finish(part, end);
        return true;
    });
    TFileDecoder decode(shape, false);
    TDelimitedCells cells(inputlimits::kMaxCells, columns);
    cells.Reserve(rows, total);
    // The records are cut from the decoded piece itself unless one runs on from the piece before.
    TRecordScanner records(delimiter, false, cut);
    QString pending;
    QStringView whole; // the record's one part so far, while it has only one
    auto part = [&](QStringView text) {
        if (whole.isEmpty() && pending.isEmpty()) {
            whole = text;
            return;
        }
        if (!whole.isEmpty()) pending = whole.toString();
        whole = {};
        pending += text;
    };
    auto end = [&] {
        if (!cells.AddLine(pending.isEmpty() ? whole : QStringView(pending), delimiter))
            RaiseDelimitedFileTooLarge(fileName);
        whole = {};
        pending.clear();
    };
    ReadPieces(file, fileName, [&](QByteArrayView piece) {
        const QString text = decode(piece);
        records.Add(text, part, end);
        if (!whole.isEmpty()) pending = whole.toString(); // the text goes: keep what the record has
        whole = {};
        return true;
    });
    records.Finish(part, end);
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
