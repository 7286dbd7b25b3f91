// Small ".xls" workbooks made in code for the import tests and the fuzzers' seeds: BIFF records,
// a workbook stream of them, and the compound document that holds it, written with the layout
// grid/CompoundFile.h reads and with where its chains went, so that a test can damage them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <vector>

namespace xlsfiles {

constexpr quint32 kEndOfChain = 0xFFFFFFFE, kFree = 0xFFFFFFFF;

template <typename T> QByteArray LittleEndian(T value) {
    QByteArray bytes(sizeof value, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}
inline constexpr auto U16 = &LittleEndian<quint16>;
inline constexpr auto U32 = &LittleEndian<quint32>;

// ---- The compound document ------------------------------------------------------------------------

struct TStream {
    QString Name;
    QByteArray Data;
};

// A document as written: its bytes, and the sectors of its chains.
struct TCompound {
    QByteArray Bytes;
    qint64 SectorSize = 512;
    std::vector<quint32> Fat, Difat, Directory, MiniFat, MiniStream;
    std::vector<std::vector<quint32>> Streams; // per stream: its sectors (mini sectors below 4,096 bytes)

    // Makes a sector (a mini sector) lead to `to` in the FAT (the mini FAT).
    void Link(quint32 from, quint32 to, bool mini = false) {
        const std::vector<quint32>& table = mini ? MiniFat : Fat;
        const qint64 perSector = SectorSize / 4;
        qToLittleEndian(to, Bytes.data() + (table[from / perSector] + 1) * SectorSize + from % perSector * 4);
    }
};

// The streams in one document of 2^shift-byte sectors, those below 4,096 bytes in the mini stream;
// the header lists headerFat FAT sectors at most, DIFAT sectors the others. Sectors in order: FAT,
// DIFAT, directory, big streams, mini FAT, mini stream; every chain runs through consecutive sectors.
inline TCompound CompoundDocument(const std::vector<TStream>& streams, int shift = 9, int headerFat = 109) {
    TCompound doc;
    const qint64 size = doc.SectorSize = qint64(1) << shift, per = size / 4;
    auto count = [](qint64 bytes, qint64 unit) { return (bytes + unit - 1) / unit; };
    auto pad = [&](const QByteArray& data, qint64 unit) {
        return data.leftJustified(count(data.size(), unit) * unit, '\0');
    };
    QByteArray mini, big;
    for (const TStream& s : streams)
        (s.Data.size() < 4096 ? mini : big) += pad(s.Data, s.Data.size() < 4096 ? 64 : size);
    const qint64 directory = count(qint64(streams.size() + 1) * 128, size),
                 miniFat = count(mini.size() / 16, size), miniSectors = count(mini.size(), size);
    qint64 fat = 0, difat = 0;
    while (fat * per < directory + big.size() / size + miniFat + miniSectors + fat + difat) {
        ++fat;
        difat = count(std::max<qint64>(fat - headerFat, 0), per - 1);
    }
    // The FAT (its own sectors and the DIFAT's marked as such) and the mini FAT, as chains are made.
    QByteArray next = U32(0xFFFFFFFD).repeated(fat) + U32(0xFFFFFFFC).repeated(difat), miniNext;
    auto chain = [](QByteArray& table, qint64 length) {
        std::vector<quint32> sectors;
        for (qint64 i = 0; i < length; ++i) {
            sectors.push_back(quint32(table.size() / 4));
            table += U32(i + 1 < length ? quint32(table.size() / 4 + 1) : kEndOfChain);
        }
        return sectors;
    };
    for (qint64 i = 0; i < fat + difat; ++i) (i < fat ? doc.Fat : doc.Difat).push_back(quint32(i));
    doc.Directory = chain(next, directory);
    for (const TStream& s : streams) {
        const bool small = s.Data.size() < 4096;
        doc.Streams.push_back(chain(small ? miniNext : next, count(s.Data.size(), small ? 64 : size)));
    }
    doc.MiniFat = chain(next, miniFat);
    doc.MiniStream = chain(next, miniSectors);
    QByteArray header = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(16, '\0') + U16(0x3E) +
                        U16(shift == 9 ? 3 : 4) + U16(0xFFFE) + U16(quint16(shift)) + U16(6) +
                        QByteArray(10, '\0') + U32(quint32(fat)) + U32(doc.Directory[0]) + U32(0) +
                        U32(4096) + U32(miniFat ? doc.MiniFat[0] : kEndOfChain) + U32(quint32(miniFat)) +
                        U32(difat ? doc.Difat[0] : kEndOfChain) + U32(quint32(difat)),
               difatSectors, entries;
    for (qint64 i = 0; i < 109; ++i) header += U32(i < std::min<qint64>(fat, headerFat) ? quint32(i) : kFree);
    for (qint64 d = 0; d < difat; ++d) {
        for (qint64 n = headerFat + d * (per - 1), i = n; i < n + per - 1; ++i)
            difatSectors += U32(i < fat ? quint32(i) : kFree);
        difatSectors += U32(d + 1 < difat ? doc.Difat[d + 1] : kEndOfChain);
    }
    for (size_t e = 0; e <= streams.size(); ++e) {
        const QString name = e ? streams[e - 1].Name : QStringLiteral("Root Entry");
        const std::vector<quint32>& sectors = e ? doc.Streams[e - 1] : doc.MiniStream;
        QByteArray entry = QByteArray(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
        entry = entry.leftJustified(0x40, '\0') + U16(quint16(name.size() * 2 + 2)) + char(e ? 2 : 5) +
                char(1) + U32(kFree) + U32(e && e < streams.size() ? quint32(e + 1) : kFree) +
                U32(e == 0 && !streams.empty() ? 1 : kFree);
        entries += (entry.leftJustified(0x74, '\0') + U32(sectors.empty() ? kEndOfChain : sectors[0]) +
                    U32(quint32(e ? streams[e - 1].Data.size() : mini.size())))
                       .leftJustified(128, '\0');
    }
    doc.Bytes = pad(header, size) + next.leftJustified(fat * size, '\xFF') + difatSectors +
                pad(entries, size) + big + miniNext.leftJustified(miniFat * size, '\xFF') + pad(mini, size);
    return doc;
}

// ---- BIFF records ---------------------------------------------------------------------------------

inline QByteArray Record(quint16 type, const QByteArray& data) {
    return U16(type) + U16(quint16(data.size())) + data;
}
// A cell record's row, column and cell format (0-based).
inline QByteArray Cell(int row, int col, int xf = 0) {
    return U16(quint16(row)) + U16(quint16(col)) + U16(quint16(xf));
}
// A BIFF8 string: its character count (a byte when short), flags, and one or two bytes per character.
inline QByteArray String8(const QString& text, bool shortCount = false) {
    const bool wide = std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; });
    QByteArray chars =
        wide ? QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2) : text.toLatin1();
    return (shortCount ? QByteArray(1, char(text.size())) : U16(quint16(text.size()))) +
           QByteArray(1, wide ? 1 : 0) + chars;
}
inline QByteArray Label(int row, int col, const QString& text) {
    return Record(0x0204, Cell(row, col) + String8(text));
}
// A BIFF5 label: its bytes as they stand.
inline QByteArray Label5(int row, int col, const QByteArray& bytes) {
    return Record(0x0204, Cell(row, col) + U16(quint16(bytes.size())) + bytes);
}
inline QByteArray Number(int row, int col, double value, int xf = 0) {
    return Record(0x0203, Cell(row, col, xf) + LittleEndian(value));
}

struct TSheet {
    QString Name;
    QByteArray Cells; // its cell records
};

// A workbook stream of BIFF8 (BIFF5 when biff5): BOF, the globals given, a BOUNDSHEET per sheet and
// EOF, then each sheet's BOF, cells and EOF.
inline QByteArray WorkbookStream(const std::vector<TSheet>& sheets, const QByteArray& globals = {},
                                 bool biff5 = false) {
    const QByteArray bof = U16(biff5 ? 0x0500 : 0x0600), eof = Record(0x000A, {});
    QByteArray head = Record(0x0809, bof + U16(0x0005)) + globals, body;
    std::vector<qint64> offsets;
    for (const TSheet& sheet : sheets) {
        offsets.push_back(head.size() + 4);
        head += Record(0x0085, U32(0) + U16(0) +
                                   (biff5 ? QByteArray(1, char(sheet.Name.size())) + sheet.Name.toLatin1()
                                          : String8(sheet.Name, true)));
    }
    head += eof;
    for (size_t i = 0; i < sheets.size(); ++i) {
        qToLittleEndian(quint32(head.size() + body.size()), head.data() + offsets[i]);
        body += Record(0x0809, bof + U16(0x0010)) + sheets[i].Cells + eof;
    }
    return head + body;
}

} // namespace xlsfiles
