#include "grid/XlsReader.h"

#include "grid/BiffCodePages.h"
#include "grid/CompoundFile.h"
#include "grid/GridError.h"
#include "grid/RegularFile.h"

#include <QtEndian>
#include <cstring>
#include <map>

namespace {

enum : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kCodePage = 0x0042,
    kContinue = 0x003C,
    kWindow1 = 0x003D,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809
};

struct TDamaged {}; // thrown by the reading below, answered as a damaged workbook
struct TTooLarge {};
struct TCodePageUnknown {};

// Reads the data of one record, or of a record and the CONTINUE records after it (segments).
class TRecordData {
public:
    void Add(QByteArrayView segment) { segments_.push_back(segment); }
    quint8 U8() { return quint8(Take(1)[0]); }
    quint16 U16() { return qFromLittleEndian<quint16>(Take(2).data()); }
    quint32 U32() { return qFromLittleEndian<quint32>(Take(4).data()); }
    double Double() {
        double value = 0;
        std::memcpy(&value, Take(8).data(), 8);
        return value;
    }
    void Skip(qint64 bytes) {
        while (bytes > 0) {
            Next();
            const qint64 step = std::min(bytes, segments_[segment_].size() - at_);
            if (step == 0) throw TDamaged();
            at_ += step, bytes -= step;
        }
    }
    QByteArrayView Bytes(qint64 count) { return Take(count); }
    // A BIFF8 string of count characters after its flags byte; within the SST the characters may
    // run on into the next segment, which starts with a new flags byte.
    QString String(qint64 count) {
        const quint8 flags = U8();
        bool wide = flags & 1;
        const quint16 runs = flags & 8 ? U16() : 0;
        const quint32 phonetic = flags & 4 ? U32() : 0;
        QString text;
        while (count > 0) {
            if (Next()) wide = U8() & 1;
            const qint64 fit = std::min<qint64>(count, (segments_[segment_].size() - at_) / (wide ? 2 : 1));
            if (fit == 0) throw TDamaged();
            const QByteArrayView chars = Take(fit * (wide ? 2 : 1));
            for (qint64 i = 0; i < fit; ++i)
                text += wide ? QChar(qFromLittleEndian<quint16>(chars.data() + 2 * i))
                             : QChar::fromLatin1(chars[i]);
            count -= fit;
        }
        Skip(4 * qint64(runs) + phonetic);
        return text;
    }

private:
    // Moves on to the next segment when the current one is used up; true when it did.
    bool Next() {
        if (segments_.empty()) throw TDamaged();
        if (at_ < segments_[segment_].size() || segment_ + 1 == segments_.size()) return false;
        ++segment_, at_ = 0;
        return true;
    }
    // The next bytes, from the current segment or, when it is used up, from the next.
    QByteArrayView Take(qint64 bytes) {
        Next();
        if (at_ + bytes > segments_[segment_].size()) throw TDamaged();
        const QByteArrayView taken = segments_[segment_].sliced(at_, bytes);
        at_ += bytes;
        return taken;
    }

    std::vector<QByteArrayView> segments_;
    size_t segment_ = 0;
    qint64 at_ = 0;
};

class TBiffReader {
public:
    explicit TBiffReader(const QByteArray& stream) : stream_(stream), budget_(stream.size() / 4 + 1) {}

    // Throws TDamaged or TTooLarge.
    void Read(std::vector<TWorkbookSheet>& sheets, int& activeTab) {
        qint64 at = 0;
        quint16 type = 0;
        QByteArrayView data;
        if (!Next(at, type, data) || type != kBof || data.size() < 2) throw TDamaged();
        biff8_ = qFromLittleEndian<quint16>(data.data()) == 0x0600;
        if (!biff8_) ReadCodePage();
        std::vector<qint64> offsets;
        while (Next(at, type, data) && type != kEof) {
            TRecordData record;
            record.Add(data);
            if (type == kSst) {
                for (qint64 next = at; Next(next, type, data) && type == kContinue; at = next)
                    record.Add(data);
                ReadStrings(record);
            } else if (type == kDateMode && data.size() >= 2) {
                dayOffset_ = record.U16() == 1 ? 1462 : 0;
            } else if (type == kFormat) {
                const quint16 id = record.U16();
                formats_[id] = Text(record, biff8_ ? record.U16() : record.U8());
            } else if (type == kXf && data.size() >= 4) {
                record.U16();
                formatOfXf_.push_back(record.U16());
            } else if (type == kWindow1 && data.size() >= 12) {
                record.Skip(10);
                activeTab = record.U16();
            } else if (type == kBoundSheet) {
                offsets.push_back(record.U32());
                record.U16();
                sheets.push_back({});
                sheets.back().Name = Text(record, record.U8());
            }
        }
        for (size_t i = 0; i < offsets.size(); ++i) ReadSheet(offsets[i], sheets[i]);
    }

private:
    // The record at `at` (moved past it); false at the end or when the record leaves the stream.
    bool Next(qint64& at, quint16& type, QByteArrayView& data) const {
        if (at < 0 || at + 4 > stream_.size()) return false;
        const qint64 length = qFromLittleEndian<quint16>(stream_.constData() + at + 2);
        if (at + 4 + length > stream_.size()) return false;
        type = qFromLittleEndian<quint16>(stream_.constData() + at);
        data = QByteArrayView(stream_.constData() + at + 4, length);
        at += 4 + length;
        return true;
    }

    // BIFF5 strings are bytes in the code page of the CODEPAGE record (anywhere among the globals),
    // Latin-1 when there is none.
    void ReadCodePage() {
        qint64 at = 0;
        quint16 type = 0;
        QByteArrayView data;
        while (Next(at, type, data) && type != kEof) {
            if (type != kCodePage || data.size() < 2) continue;
            decoder_ = BiffCodePageDecoder(qFromLittleEndian<quint16>(data.data()));
            if (!decoder_) throw TCodePageUnknown();
            return;
        }
    }

    // A string of count characters (BIFF8) or bytes (BIFF5).
    QString Text(TRecordData& record, qint64 count) {
        if (biff8_) return record.String(count);
        const QByteArrayView bytes = record.Bytes(count);
        return decoder_ ? QString(decoder_->decode(bytes)) : QString::fromLatin1(bytes);
    }

    void ReadStrings(TRecordData& record) {
        record.U32();
        const quint32 unique = record.U32();
        for (quint32 i = 0; i < unique; ++i) {
            QString text = record.String(record.U16());
            if (!kept_.TakeString(text)) throw TTooLarge();
            strings_.push_back(std::move(text));
        }
    }

    TWorkbookValue Number(double number, quint16 xf) {
        const quint16 format = xf < formatOfXf_.size() ? formatOfXf_[xf] : 0;
        const auto code = formats_.find(format);
        return FormattedNumber(
            number, NumberFormatKind(format, code == formats_.end() ? QString() : code->second), dayOffset_);
    }

    static double Rk(quint32 rk) {
        double value = 0;
        if (rk & 2) {
            value = double(qint32(rk) >> 2);
        } else {
            const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
            std::memcpy(&value, &bits, 8);
        }
        return rk & 1 ? value / 100 : value;
    }

    void Add(TWorkbookSheet& sheet, quint16 row, quint16 col, TWorkbookValue value) {
        if (!kept_.TakeCell()) throw TTooLarge();
        sheet.Add(int(col) + 1, int(row) + 1, std::move(value));
    }
    // A cell of its own text (not one of the shared strings).
    void AddText(TWorkbookSheet& sheet, quint16 row, quint16 col, QString text) {
        if (!kept_.TakeText(text)) throw TTooLarge();
        Add(sheet, row, col, TWorkbookValue::FromText(std::move(text)));
    }

    void ReadSheet(qint64 at, TWorkbookSheet& sheet) {
        quint16 type = 0;
        QByteArrayView data;
        int pendingRow = -1, pendingCol = 0; // a formula whose text follows
        while (Next(at, type, data) && type != kEof) {
            // Sheets are apart in a sound stream: scanning more records than it has is damage.
            if (--budget_ < 0) throw TDamaged();
            TRecordData r;
            r.Add(data);
            if (type == kString && pendingRow >= 0) {
                AddText(sheet, quint16(pendingRow), quint16(pendingCol), Text(r, r.U16()));
                pendingRow = -1;
                continue;
            }
            if (type != kNumber && type != kRk && type != kMulRk && type != kLabel && type != kRString &&
                type != kLabelSst && type != kBoolErr && type != kFormula)
                continue;
            const quint16 row = r.U16(), col = r.U16();
            if (type == kMulRk) {
                for (int k = 0; data.size() - 4 - 6 * k >= 8; ++k) {
                    const quint16 xf = r.U16();
                    Add(sheet, row, quint16(col + k), Number(Rk(r.U32()), xf));
                }
                continue;
            }
            const quint16 xf = r.U16();
            if (type == kNumber) {
                Add(sheet, row, col, Number(r.Double(), xf));
            } else if (type == kRk) {
                Add(sheet, row, col, Number(Rk(r.U32()), xf));
            } else if (type == kLabel || type == kRString) {
                AddText(sheet, row, col, Text(r, r.U16()));
            } else if (type == kLabelSst) {
                const quint32 index = r.U32();
                Add(sheet, row, col,
                    index < strings_.size() ? TWorkbookValue::FromText(strings_[index])
                                            : TWorkbookValue::ErrorValue());
            } else if (type == kBoolErr) {
                const quint8 value = r.U8();
                Add(sheet, row, col,
                    r.U8() == 0 ? TWorkbookValue::FromBoolean(value != 0) : TWorkbookValue::ErrorValue());
            } else if (data.size() >= 14 && qFromLittleEndian<quint16>(data.data() + 12) != 0xFFFF) {
                Add(sheet, row, col, Number(r.Double(), xf));
            } else if (data.size() >= 14) { // a formula's other results
                const quint8 kind = quint8(data[6]);
                if (kind == 0) pendingRow = row, pendingCol = col;
                if (kind == 1) Add(sheet, row, col, TWorkbookValue::FromBoolean(data[8] != 0));
                if (kind == 2) Add(sheet, row, col, TWorkbookValue::ErrorValue());
            }
        }
    }

    const QByteArray& stream_;
    qint64 budget_;
    bool biff8_ = true;
    std::optional<QStringDecoder> decoder_; // of a BIFF5 workbook's code page
    double dayOffset_ = 0;
    std::map<quint16, QString> formats_;
    std::vector<quint16> formatOfXf_;
    std::vector<QString> strings_;
    TWorkbookBudget kept_;
};

} // namespace

void TXlsReader::OpenFile(const QString& fileName) {
    const std::optional<QByteArray> bytes = ReadRegularFile(fileName, inputlimits::kMaxWorkbookBytes);
    if (!bytes) throw EVozAvozError(("Cannot open file " + fileName).toStdString());
    const std::optional<QByteArray> stream =
        ReadCompoundStream(*bytes, {QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (!stream) Damaged();
    int activeTab = 0;
    std::vector<TWorkbookSheet> sheets;
    try {
        TBiffReader(*stream).Read(sheets, activeTab);
    } catch (const TDamaged&) {
        Damaged();
    } catch (const TTooLarge&) {
        TooLarge();
    } catch (const TCodePageUnknown&) {
        RaiseWorkbookCodePageUnknown(FileName());
    }
    if (sheets.empty()) Damaged(); // a workbook has a sheet at least
    sheets_ = std::move(sheets);
    activeSheet_ = activeTab >= 0 && activeTab < int(sheets_.size()) ? activeTab + 1 : 1;
    open_ = true;
}

TWorkbookSheet& TXlsReader::Sheet(int sheet) {
    RequireOpen();
    if (sheet < 1 || sheet > int(sheets_.size())) throw EVozAvozError("Worksheet index out of range");
    return sheets_[size_t(sheet - 1)];
}

int TXlsReader::ActiveSheet() {
    Sheet(activeSheet_);
    return activeSheet_;
}

int TXlsReader::SheetCount() {
    RequireOpen();
    return int(sheets_.size());
}

QString TXlsReader::SheetName(int sheet) {
    return Sheet(sheet).Name;
}

QString TXlsReader::UsedRangeAddress(int sheet) {
    return Sheet(sheet).UsedAddress();
}

TWorkbookValues TXlsReader::RangeValue(int sheet, const QString& address) {
    const TWorkbookRange range = RangeOfAddress(address);
    if (range.CellCount() > inputlimits::kMaxCells) TooLarge();
    return Sheet(sheet).Values(range);
}
