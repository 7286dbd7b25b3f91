// Small ".xls" workbooks made for the import tests and the fuzzer's seeds: a BIFF8 workbook stream
// (globals with one cell format per kind, the sheets, the selected tab) in a compound document of
// 512-byte sectors (one FAT sector, one directory sector, the stream padded with zeros to the
// mini-stream cutoff so that it needs no mini stream).
#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <vector>

namespace xlsfiles {

struct TXlsCell {
    enum TKind { Number, Label, Boolean, Date } Kind;
    int Row, Col;
    double Value = 0; // Number, Boolean (0/1), Date (serial)
    QString Text;
};

struct TXlsSheet {
    QString Name;
    std::vector<TXlsCell> Cells;
};

inline void Put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}
inline void Put32(QByteArray& b, quint32 v) {
    Put16(b, int(v & 0xFFFF));
    Put16(b, int(v >> 16));
}
inline void Record(QByteArray& b, int type, const QByteArray& data) {
    Put16(b, type);
    Put16(b, int(data.size()));
    b += data;
}
inline QByteArray Latin1Chars(const QString& text, bool longCount) {
    QByteArray d;
    if (longCount)
        Put16(d, int(text.size()));
    else
        d.append(char(text.size()));
    return d.append('\0').append(text.toLatin1());
}

inline QByteArray WorkbookStream(const std::vector<TXlsSheet>& sheets, int activeTab) {
    auto bof = [](int type) {
        QByteArray d;
        Put16(d, 0x0600);
        Put16(d, type);
        return d.append(QByteArray(12, '\0'));
    };
    QByteArray globals;
    Record(globals, 0x0809, bof(0x0005));
    QByteArray window(18, '\0');
    window[10] = char(activeTab);
    window[14] = 1; // one selected tab
    Record(globals, 0x003D, window);
    for (int format : {0, 0, 14}) { // XF 0 style, 1 general cell, 2 date cell
        QByteArray xf(20, '\0');
        xf[2] = char(format);
        Record(globals, 0x00E0, xf);
    }
    std::vector<QByteArray> bodies;
    qsizetype boundSheets = 0;
    for (const TXlsSheet& sheet : sheets) {
        boundSheets += 4 + 8 + sheet.Name.size();
        QByteArray s;
        Record(s, 0x0809, bof(0x0010));
        int rows = 0, cols = 0;
        for (const TXlsCell& c : sheet.Cells)
            rows = std::max(rows, c.Row + 1), cols = std::max(cols, c.Col + 1);
        QByteArray dims;
        Put32(dims, 0), Put32(dims, quint32(rows)), Put16(dims, 0), Put16(dims, cols), Put16(dims, 0);
        Record(s, 0x0200, dims);
        for (const TXlsCell& c : sheet.Cells) {
            QByteArray d;
            Put16(d, c.Row), Put16(d, c.Col), Put16(d, c.Kind == TXlsCell::Date ? 2 : 1);
            if (c.Kind == TXlsCell::Label) {
                Record(s, 0x0204, d + Latin1Chars(c.Text, true));
            } else if (c.Kind == TXlsCell::Boolean) {
                Record(s, 0x0205, d.append(char(c.Value != 0)).append('\0'));
            } else {
                quint64 bits = 0;
                std::memcpy(&bits, &c.Value, 8);
                Put32(d, quint32(bits)), Put32(d, quint32(bits >> 32));
                Record(s, 0x0203, d);
            }
        }
        Record(s, 0x000A, {});
        bodies.push_back(s);
    }
    qsizetype offset = globals.size() + boundSheets + 4;
    for (size_t i = 0; i < sheets.size(); ++i) {
        QByteArray d;
        Put32(d, quint32(offset));
        Put16(d, 0);
        Record(globals, 0x0085, d + Latin1Chars(sheets[i].Name, false));
        offset += bodies[i].size();
    }
    Record(globals, 0x000A, {});
    for (const QByteArray& body : bodies) globals += body;
    return globals;
}

// The compound document holding the stream as "Workbook".
inline QByteArray XlsBytes(const std::vector<TXlsSheet>& sheets, int activeTab = 0) {
    QByteArray stream = WorkbookStream(sheets, activeTab);
    stream.resize(std::max<qsizetype>(4096, (stream.size() + 511) / 512 * 512), '\0');
    const quint32 size = quint32(stream.size());
    const quint32 streamSectors = quint32(stream.size() / 512);
    QByteArray header("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header += QByteArray(16, '\0');
    Put16(header, 0x3E), Put16(header, 3), Put16(header, 0xFFFE), Put16(header, 9), Put16(header, 6);
    header += QByteArray(10, '\0');
    Put32(header, 1), Put32(header, 1), Put32(header, 0), Put32(header, 4096); // FAT count, directory, cutoff
    Put32(header, 0xFFFFFFFE), Put32(header, 0), Put32(header, 0xFFFFFFFE), Put32(header, 0);
    Put32(header, 0); // the FAT is sector 0
    while (header.size() < 512) Put32(header, 0xFFFFFFFF);
    QByteArray fat;
    Put32(fat, 0xFFFFFFFD), Put32(fat, 0xFFFFFFFE); // the FAT, the directory
    for (quint32 s = 0; s < streamSectors; ++s) Put32(fat, s + 1 < streamSectors ? s + 3 : 0xFFFFFFFE);
    while (fat.size() < 512) Put32(fat, 0xFFFFFFFF);
    auto entry = [](const QString& name, int type, quint32 child, quint32 start, quint32 length) {
        QByteArray e(64, '\0');
        for (qsizetype i = 0; i < name.size(); ++i)
            qToLittleEndian<quint16>(name[i].unicode(), e.data() + 2 * i);
        Put16(e, int(name.size() + 1) * 2);
        e.append(char(type)).append(char(1));
        Put32(e, 0xFFFFFFFF), Put32(e, 0xFFFFFFFF), Put32(e, child);
        e += QByteArray(36, '\0');
        Put32(e, start), Put32(e, length), Put32(e, 0);
        return e;
    };
    QByteArray directory =
        entry("Root Entry", 5, 1, 0xFFFFFFFE, 0) + entry("Workbook", 2, 0xFFFFFFFF, 2, size);
    while (directory.size() < 512) directory += entry({}, 0, 0xFFFFFFFF, 0, 0);
    return header + fat + directory + stream;
}

} // namespace xlsfiles
