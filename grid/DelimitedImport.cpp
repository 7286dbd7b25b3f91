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

enum class TEncoding { Ansi, Oem, Utf8, Utf16LE, Utf16BE };

// What the whole file decides before its lines are cut: its encoding (and the length of the
// byte-order mark that gave it) and its line ends.
struct TTextShape {
    TEncoding Encoding = TEncoding::Ansi;
    qsizetype MarkBytes = 0;
    bool CrEnds = false;
};

// Whether the text holds an LF, and a CR LF pair, given piece after piece (bytes of an 8-bit
// encoding, or decoded characters).
class TLineEndTally {
public:
    void Add(QByteArrayView piece) {
        Add(piece, piece.contains(QByteArrayView("\r\n")), piece.contains('\n'));
    }
    void Add(QStringView piece) { Add(piece, piece.contains(u"\r\n"), piece.contains(u'\n')); }
    bool AnyCRLF() const { return anyCRLF_; }
    bool CrEnds() const { return anyCRLF_ || !anyLF_; }

private:
    template <typename TView> void Add(TView piece, bool crlf, bool lf) {
        if (piece.isEmpty()) return;
        anyCRLF_ = anyCRLF_ || (lastCR_ && piece.front() == '\n') || crlf;
        anyLF_ = anyLF_ || lf;
        lastCR_ = piece.back() == '\r';
    }

    bool anyLF_ = false, anyCRLF_ = false, lastCR_ = false;
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
    case TEncoding::Ansi:
        break;
    }
    QStringDecoder ansi("windows-1252");
    if (ansi.isValid()) return ansi;
    return QStringDecoder(QStringDecoder::Latin1);
}

bool IsUtf16(TEncoding encoding) {
    return encoding == TEncoding::Utf16LE || encoding == TEncoding::Utf16BE;
}

TTextShape ScanFile(QFile& file, const QString& fileName, bool oem) {
    TTextShape shape;
    TUtf8Check utf8;
    TLineEndTally ends;
    std::optional<QStringDecoder> utf16;
    bool first = true;
    ReadPieces(file, fileName, [&](QByteArrayView piece) {
        if (first) {
            first = false;
            if (piece.startsWith("\xFF\xFE") || piece.startsWith("\xFE\xFF")) {
                shape.Encoding = piece[0] == '\xFF' ? TEncoding::Utf16LE : TEncoding::Utf16BE;
                shape.MarkBytes = 2;
                utf16.emplace(DecoderFor(shape.Encoding));
            } else if (piece.startsWith("\xEF\xBB\xBF")) {
                shape.Encoding = TEncoding::Utf8;
                shape.MarkBytes = 3;
            } else {
                shape.Encoding = oem ? TEncoding::Oem : TEncoding::Utf8; // UTF-8 while it stays valid
            }
        }
        const bool checkUtf8 = shape.Encoding == TEncoding::Utf8 && shape.MarkBytes == 0;
        if (checkUtf8) utf8.Add(piece);
        if (utf16)
            ends.Add(QStringView(QString((*utf16)(piece))));
        else
            ends.Add(piece);
        return checkUtf8 || !ends.AnyCRLF(); // with a CR LF pair only the encoding is left to find
    });
    if (shape.Encoding == TEncoding::Utf8 && shape.MarkBytes == 0 && !utf8.Valid())
        shape.Encoding = TEncoding::Ansi;
    shape.CrEnds = ends.CrEnds();
    return shape;
}

// The file's text for the readings that look only at its delimiters, quotes and line ends: these
// are ASCII, which every 8-bit encoding read here leaves as it is, so those are read as Latin-1
// (the quickest to decode); UTF-16 is decoded. The byte-order mark is left out.
class TStructureDecoder {
public:
    explicit TStructureDecoder(const TTextShape& shape)
        : decoder_(IsUtf16(shape.Encoding) ? DecoderFor(shape.Encoding)
                                           : QStringDecoder(QStringDecoder::Latin1)),
          skip_(IsUtf16(shape.Encoding) ? 0 : shape.MarkBytes) {}
    QString operator()(QByteArrayView piece) {
        const qsizetype skipped = std::min(skip_, piece.size());
        skip_ -= skipped;
        return decoder_(piece.sliced(skipped));
    }

private:
    QStringDecoder decoder_;
    qsizetype skip_;
};

// Cuts decoded text given piece after piece into lines (see the header for the line ends) without
// keeping it: part(text) is called with each part of a line as it comes, end() at each line's end.
class TLineScanner {
public:
    explicit TLineScanner(bool crEnds) : crEnds_(crEnds) {}

    template <typename TPart, typename TEnd> void Add(QStringView text, TPart part, TEnd end) {
        if (text.isEmpty()) return;
        qsizetype start = 0;
        if (crEnds_) {
            if (skipLF_ && text.front() == u'\n') start = 1;
            skipLF_ = false;
        } else if (heldCR_) { // a CR that ended the text before: the break's, or the line's own
            heldCR_ = false;
            if (text.front() == u'\n') {
                EndLine(end);
                start = 1;
            } else {
                Part(u"\r", part);
            }
        }
        const QChar stop = crEnds_ ? u'\r' : u'\n';
        for (qsizetype at; start < text.size(); start = at + 1) {
            at = text.indexOf(stop, start);
            QStringView line = text.sliced(start, (at < 0 ? text.size() : at) - start);
            if (!crEnds_ && line.endsWith(u'\r')) {
                line.chop(1);
                heldCR_ = at < 0; // the next text tells whether an LF follows
            }
            Part(line, part);
            if (at < 0) return;
            EndLine(end);
            if (crEnds_ && at + 1 == text.size()) skipLF_ = true; // an LF may open the next text
            if (crEnds_ && at + 1 < text.size() && text[at + 1] == u'\n') ++at;
        }
    }

    template <typename TPart, typename TEnd> void Finish(TPart part, TEnd end) {
        if (heldCR_) Part(u"\r", part);
        heldCR_ = false;
        if (started_) EndLine(end); // the text after the last break; none after a final break
    }

private:
    template <typename TPart> void Part(QStringView text, TPart& part) {
        if (text.isEmpty()) return;
        started_ = true;
        part(text);
    }
    template <typename TEnd> void EndLine(TEnd& end) {
        started_ = false;
        end();
    }

    bool crEnds_;
    bool skipLF_ = false, heldCR_ = false, started_ = false;
};

// The delimiter the file's first two lines give.
QChar FindDelimiter(QFile& file, const QString& fileName, const TTextShape& shape) {
    TLineScanner lines(shape.CrEnds);
    TStructureDecoder decode(shape);
    TCandidateTally tally;
    std::vector<TCandidateTally::TCounts> counts;
    auto part = [&](QStringView text) { tally.Add(text); };
    auto end = [&] { counts.push_back(tally.End()); };
    ReadPieces(file, fileName, [&](QByteArrayView piece) {
        lines.Add(decode(piece), part, end);
        return counts.size() < 2;
    });
    if (counts.size() < 2) lines.Finish(part, end);
    counts.resize(std::max<size_t>(counts.size(), 2));
    return DetectDelimiter(counts[0], counts[1]);
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

TDelimitedCells ReadCells(QFile& file, const QString& fileName, QChar delimiter, bool oemConvert,
                          int columns) {
    const bool oem = oemConvert && QStringDecoder("IBM850").isValid();
    const TTextShape shape = ScanFile(file, fileName, oem);
    if (delimiter.isNull()) delimiter = FindDelimiter(file, fileName, shape);
    // The cells are counted before any is kept, as the text comes: a line is not kept whole for it.
    qint64 rows = 0, total = 0;
    int width = 0;
    {
        TLineScanner lines(shape.CrEnds);
        TStructureDecoder decode(shape);
        TLineCellCount count(delimiter);
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
            lines.Add(decode(piece), part, end);
            return true;
        });
        lines.Finish(part, end);
    }
    QStringDecoder decoder = DecoderFor(shape.Encoding);
    TDelimitedCells cells(inputlimits::kMaxCells, columns);
    cells.Reserve(rows, total);
    TLineCutter cutter(shape.CrEnds);
    auto line = [&](QStringView text) {
        if (!cells.AddLine(text, delimiter)) RaiseDelimitedFileTooLarge(fileName);
    };
    ReadPieces(file, fileName, [&](QByteArrayView piece) {
        cutter.Add(QString(decoder(piece)), line);
        return true;
    });
    cutter.Finish(line);
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
