#include "grid/CompoundFile.h"

#include <QtEndian>
#include <vector>

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr qint64 kHeaderSize = 512;
constexpr int kHeaderDifatEntries = 109;
constexpr qint64 kEntrySize = 128;

class TCompoundDocument {
public:
    explicit TCompoundDocument(const QByteArray& bytes) : bytes_(bytes) {}

    // Reads the header, the FAT, the directory and the mini stream; false when damaged.
    bool Open();
    std::optional<QByteArray> Stream(const QString& name) const;

private:
    quint32 U32(qint64 at) const { return qFromLittleEndian<quint32>(bytes_.constData() + at); }
    quint16 U16(qint64 at) const { return qFromLittleEndian<quint16>(bytes_.constData() + at); }
    qint64 SectorCount() const { return (bytes_.size() - kHeaderSize) / sectorSize_; }
    // The sector's bytes; nothing for a sector outside the document.
    std::optional<QByteArray> Sector(quint32 sector) const;
    // The bytes of a chain of sectors (of the mini stream when mini), cut to size (-1: the whole
    // chain); nothing when the chain leaves the document, loops or ends before size.
    std::optional<QByteArray> Chain(quint32 first, qint64 size, bool mini) const;

    const QByteArray& bytes_;
    qint64 sectorSize_ = 512, miniSectorSize_ = 64;
    quint32 miniCutoff_ = 4096;
    std::vector<quint32> fat_, miniFat_;
    QByteArray directory_, ministream_;
};

std::optional<QByteArray> TCompoundDocument::Sector(quint32 sector) const {
    const qint64 at = (qint64(sector) + 1) * sectorSize_;
    if (qint64(sector) >= SectorCount()) return std::nullopt;
    return bytes_.mid(at, sectorSize_);
}

std::optional<QByteArray> TCompoundDocument::Chain(quint32 first, qint64 size, bool mini) const {
    const std::vector<quint32>& table = mini ? miniFat_ : fat_;
    const qint64 unit = mini ? miniSectorSize_ : sectorSize_;
    const qint64 available = mini ? ministream_.size() : bytes_.size();
    if (size > available) return std::nullopt;
    QByteArray data;
    quint32 sector = first;
    // A chain visits each sector once at most.
    for (size_t steps = 0; sector != kEndOfChain && (size < 0 || data.size() < size); ++steps) {
        if (steps >= table.size() || sector >= table.size()) return std::nullopt;
        if (mini) {
            const qint64 at = qint64(sector) * unit;
            if (at + unit > ministream_.size()) return std::nullopt;
            data += ministream_.mid(at, unit);
        } else {
            const std::optional<QByteArray> bytes = Sector(sector);
            if (!bytes) return std::nullopt;
            data += *bytes;
        }
        sector = table[sector];
    }
    if (size >= 0) {
        if (data.size() < size) return std::nullopt;
        data.truncate(size);
    }
    return data;
}

bool TCompoundDocument::Open() {
    if (bytes_.size() < kHeaderSize || !bytes_.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
        return false;
    const quint16 shift = U16(0x1E), miniShift = U16(0x20);
    if ((shift != 9 && shift != 12) || miniShift != 6) return false;
    sectorSize_ = qint64(1) << shift;
    miniSectorSize_ = qint64(1) << miniShift;
    miniCutoff_ = U32(0x38);

    // The sectors of the FAT: the header's entries, then the DIFAT chain's.
    std::vector<quint32> fatSectors;
    for (int i = 0; i < kHeaderDifatEntries; ++i) {
        const quint32 sector = U32(0x4C + 4 * i);
        if (sector < kEndOfChain) fatSectors.push_back(sector);
    }
    const qint64 perDifat = sectorSize_ / 4 - 1;
    quint32 difat = U32(0x44);
    for (qint64 steps = 0; difat < kEndOfChain; ++steps) {
        const std::optional<QByteArray> sector = Sector(difat);
        if (!sector || steps > SectorCount()) return false;
        for (qint64 i = 0; i < perDifat; ++i) {
            const quint32 entry = qFromLittleEndian<quint32>(sector->constData() + 4 * i);
            if (entry < kEndOfChain) fatSectors.push_back(entry);
        }
        difat = qFromLittleEndian<quint32>(sector->constData() + 4 * perDifat);
    }
    if (qint64(fatSectors.size()) > SectorCount()) return false;
    for (quint32 s : fatSectors) {
        const std::optional<QByteArray> sector = Sector(s);
        if (!sector) return false;
        for (qint64 i = 0; i < sectorSize_ / 4; ++i)
            fat_.push_back(qFromLittleEndian<quint32>(sector->constData() + 4 * i));
    }

    const std::optional<QByteArray> directory = Chain(U32(0x30), -1, false);
    if (!directory || directory->size() < kEntrySize || quint8(directory->at(0x42)) != 5) return false;
    directory_ = *directory;
    const quint32 miniFatStart = U32(0x3C);
    if (miniFatStart < kEndOfChain) {
        const std::optional<QByteArray> miniFat = Chain(miniFatStart, -1, false);
        if (!miniFat) return false;
        for (qint64 i = 0; i + 4 <= miniFat->size(); i += 4)
            miniFat_.push_back(qFromLittleEndian<quint32>(miniFat->constData() + i));
        const std::optional<QByteArray> ministream =
            Chain(qFromLittleEndian<quint32>(directory_.constData() + 0x74),
                  qFromLittleEndian<quint32>(directory_.constData() + 0x78), false);
        if (!ministream) return false;
        ministream_ = *ministream;
    }
    return true;
}

std::optional<QByteArray> TCompoundDocument::Stream(const QString& name) const {
    for (qint64 at = 0; at + kEntrySize <= directory_.size(); at += kEntrySize) {
        const char* entry = directory_.constData() + at;
        const quint16 nameBytes = qFromLittleEndian<quint16>(entry + 0x40);
        if (quint8(entry[0x42]) != 2 || nameBytes < 2 || nameBytes > 64) continue;
        const QString entryName =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(entry), nameBytes / 2 - 1);
        if (entryName.compare(name, Qt::CaseInsensitive) != 0) continue;
        const quint32 size = qFromLittleEndian<quint32>(entry + 0x78);
        const quint32 first = qFromLittleEndian<quint32>(entry + 0x74);
        return Chain(first, size, size < miniCutoff_);
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> ReadCompoundStream(const QByteArray& document, const QString& name) {
    TCompoundDocument compound(document);
    if (!compound.Open()) return std::nullopt;
    return compound.Stream(name);
}
