// Small ".xls" workbooks made in code for the import tests and the fuzzers' seeds: BIFF records,
// a workbook stream of them, and the compound document that holds it, written with the layout
// grid/CompoundFile.h reads and with where its chains went, so that a test can damage them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <vector>

namespace xlsfiles {

constexpr quint32 kEndOfChain = 0xFFFFFFFE, kFree = 0xFFFFFFFF;

inline QByteArray U16(quint16 value) {
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}
inline QByteArray U32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

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
// the header lists headerFat FAT sectors at most, DIFAT sectors the others.
inline TCompound CompoundDocument(const std::vector<TStream>& streams, int shift = 9, int headerFat = 109) {
    TCompound doc;
    const qint64 size = doc.SectorSize = qint64(1) << shift, perSector = size / 4;
    auto count = [](qint64 bytes, qint64 unit) { return (bytes + unit - 1) / unit; };
    QByteArray mini;
    std::vector<quint32> miniNext;
    qint64 sectors = count(qint64(streams.size() + 1) * 128, size); // the directory
    for (const TStream& s : streams) {
        std::vector<quint32>& chain = doc.Streams.emplace_back();
        const qint64 unit = s.Data.size() < 4096 ? 64 : size;
        for (qint64 i = 0; i < count(s.Data.size(), unit); ++i)
            chain.push_back(quint32(unit == 64 ? mini.size() / 64 + i : sectors + i));
        if (unit == 64) {
            for (quint32 m : chain) miniNext.push_back(m + 1);
            if (!chain.empty()) miniNext.back() = kEndOfChain;
            mini += s.Data + QByteArray(chain.size() * 64 - s.Data.size(), '\0');
        } else {
            sectors += qint64(chain.size());
        }
    }
    const qint64 miniFatSectors = count(qint64(miniNext.size()) * 4, size),
                 miniSectors = count(mini.size(), size);
    qint64 fat = 0, difat = 0;
    while (fat * perSector < sectors + miniFatSectors + miniSectors + fat + difat) {
        ++fat;
        difat = count(std::max<qint64>(fat - headerFat, 0), perSector - 1);
    }
    // Sectors in order: FAT, DIFAT, directory, big streams, mini FAT, mini stream.
    const quint32 shiftBy = quint32(fat + difat);
    std::vector<quint32> next(size_t(fat * perSector), kFree);
    auto chain = [&](quint32 first, qint64 length, std::vector<quint32>& into) {
        for (qint64 i = 0; i < length; ++i) {
            into.push_back(quint32(first + i));
            next[first + i] = i + 1 < length ? quint32(first + i + 1) : kEndOfChain;
        }
    };
    for (qint64 i = 0; i < fat + difat; ++i) next[i] = i < fat ? 0xFFFFFFFD : 0xFFFFFFFC;
    for (qint64 i = 0; i < fat; ++i) doc.Fat.push_back(quint32(i));
    for (qint64 i = fat; i < fat + difat; ++i) doc.Difat.push_back(quint32(i));
    chain(shiftBy, count(qint64(streams.size() + 1) * 128, size), doc.Directory);
    for (size_t s = 0; s < streams.size(); ++s)
        if (streams[s].Data.size() >= 4096) {
            for (quint32& sector : doc.Streams[s]) sector += shiftBy;
            std::vector<quint32> ignored;
            if (!doc.Streams[s].empty()) chain(doc.Streams[s][0], qint64(doc.Streams[s].size()), ignored);
        }
    chain(quint32(shiftBy + sectors), miniFatSectors, doc.MiniFat);
    chain(quint32(shiftBy + sectors + miniFatSectors), miniSectors, doc.MiniStream);

    QByteArray& bytes = doc.Bytes;
    bytes = QByteArray((1 + fat + difat + sectors + miniFatSectors + miniSectors) * size, '\0');
    auto put = [&](qint64 at, const QByteArray& data) { bytes.replace(at, data.size(), data); };
    auto at = [&](quint32 sector) { return (qint64(sector) + 1) * size; };
    put(0, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put(0x18, U16(0x3E) + U16(shift == 9 ? 3 : 4) + U16(0xFFFE) + U16(quint16(shift)) + U16(6));
    put(0x2C, U32(quint32(fat)) + U32(doc.Directory[0]) + U32(0) + U32(4096) +
                  U32(doc.MiniFat.empty() ? kEndOfChain : doc.MiniFat[0]) + U32(quint32(miniFatSectors)) +
                  U32(difat ? doc.Difat[0] : kEndOfChain) + U32(quint32(difat)));
    for (qint64 i = 0; i < 109; ++i)
        put(0x4C + 4 * i, U32(i < std::min<qint64>(fat, headerFat) ? quint32(i) : kFree));
    for (qint64 d = 0; d < difat; ++d) {
        for (qint64 i = 0; i < perSector - 1; ++i) {
            const qint64 listed = headerFat + d * (perSector - 1) + i;
            put(at(doc.Difat[d]) + 4 * i, U32(listed < fat ? quint32(listed) : kFree));
        }
        put(at(doc.Difat[d]) + size - 4, U32(d + 1 < difat ? doc.Difat[d + 1] : kEndOfChain));
    }
    for (qint64 i = 0; i < qint64(next.size()); ++i)
        put(at(quint32(i / perSector)) + i % perSector * 4, U32(next[i]));
    for (size_t i = 0; i < miniNext.size(); ++i)
        put(at(doc.MiniFat[i / perSector]) + i % perSector * 4, U32(miniNext[i]));
    for (qint64 i = 0; i < mini.size(); i += size) put(at(doc.MiniStream[i / size]), mini.mid(i, size));
    for (size_t e = 0; e <= streams.size(); ++e) {
        const QString name = e == 0 ? QStringLiteral("Root Entry") : streams[e - 1].Name;
        const std::vector<quint32>& chainOf = e == 0 ? doc.MiniStream : doc.Streams[e - 1];
        const qint64 entry = at(doc.Directory[e * 128 / size]) + qint64(e) * 128 % size;
        put(entry, QByteArray(reinterpret_cast<const char*>(name.utf16()), name.size() * 2));
        put(entry + 0x40, U16(quint16(name.size() * 2 + 2)) + QByteArray(1, e == 0 ? 5 : 2) +
                              QByteArray(1, 1) + U32(kFree) +
                              U32(e && e < streams.size() ? quint32(e + 1) : kFree) +
                              U32(e == 0 && !streams.empty() ? 1 : kFree));
        put(entry + 0x74, U32(chainOf.empty() ? kEndOfChain : chainOf[0]) +
                              U32(quint32(e == 0 ? mini.size() : streams[e - 1].Data.size())));
        if (e > 0 && streams[e - 1].Data.size() >= 4096)
            for (size_t i = 0; i < chainOf.size(); ++i)
                put(at(chainOf[i]), streams[e - 1].Data.mid(qint64(i) * size, size));
    }
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
    QByteArray bytes(8, '\0');
    std::memcpy(bytes.data(), &value, 8);
    return Record(0x0203, Cell(row, col, xf) + bytes);
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
