#include "grid/CompoundFile.h"

#include <QtEndian>
#include <algorithm>
#include <vector>

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr qint64 kHeaderSize = 512;
constexpr int kHeaderDifatEntries = 109;
constexpr qint64 kEntrySize = 128;
constexpr qint64 kMiniSectorSize = 64;

// The sectors of one kind (the file's or the mini stream's): their successors and the ones a chain
// already took.
struct TSectorTable {
    std::vector<quint32> Next;
    std::vector<bool> Used;
};

class TCompoundDocument {
public:
    explicit TCompoundDocument(const QByteArray& bytes) : bytes_(bytes) {}

    // Reads the header, the FAT, the directory and the mini stream; false when damaged.
    bool Open();
    // The entry named so (its offset in the directory), or -1.
    qint64 Find(const QString& name) const;
    // The stream of an entry; nothing when its chain is damaged.
    std::optional<QByteArray> Stream(qint64 entry);

private:
    quint32 U32(qint64 at) const { return qFromLittleEndian<quint32>(bytes_.constData() + at); }
    quint16 U16(qint64 at) const { return qFromLittleEndian<quint16>(bytes_.constData() + at); }
    // The bytes of a sector (of the mini stream when mini) no chain took before, which it now
    // takes; nothing for a sector outside the file or taken already.
    const char* Take(quint32 sector, bool mini);
    // The bytes the file has of a sector (it may cut its last one short).
    qint64 Available(quint32 sector) const {
        return std::min(sectorSize_, bytes_.size() - (qint64(sector) + 1) * sectorSize_);
    }
    // The bytes of a chain of sectors (of the mini stream when mini), cut to size (-1: the whole
    // chain); nothing when the chain leaves the file, meets a sector taken before or ends before
    // size.
    std::optional<QByteArray> Chain(quint32 first, qint64 size, bool mini);

    const QByteArray& bytes_;
    qint64 sectorSize_ = 512;
    quint32 miniCutoff_ = 4096;
    TSectorTable sectors_, miniSectors_;
    QByteArray directory_, ministream_;
};

const char* TCompoundDocument::Take(quint32 sector, bool mini) {
    TSectorTable& table = mini ? miniSectors_ : sectors_;
    if (sector >= table.Used.size() || table.Used[sector]) return nullptr;
    table.Used[sector] = true;
    return mini ? ministream_.constData() + qint64(sector) * kMiniSectorSize
                : bytes_.constData() + (qint64(sector) + 1) * sectorSize_;
}

std::optional<QByteArray> TCompoundDocument::Chain(quint32 first, qint64 size, bool mini) {
    TSectorTable& table = mini ? miniSectors_ : sectors_;
    const qint64 unit = mini ? kMiniSectorSize : sectorSize_;
    if (size > qint64(table.Used.size()) * unit) return std::nullopt;
    QByteArray data;
    if (size > 0) data.reserve(size);
    // Each step takes a sector no chain took before, so the steps end within the sector count.
    for (quint32 sector = first; sector != kEndOfChain && (size < 0 || data.size() < size);
         sector = table.Next[sector]) {
        const char* bytes = sector < table.Next.size() ? Take(sector, mini) : nullptr;
        if (!bytes) return std::nullopt;
        data.append(bytes, mini ? unit : Available(sector));
    }
    if (data.size() < size) return std::nullopt;
    if (size >= 0) data.truncate(size);
    return data;
}

bool TCompoundDocument::Open() {
    if (bytes_.size() < kHeaderSize || !bytes_.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
        return false;
    const quint16 shift = U16(0x1E);
    if ((shift != 9 && shift != 12) || U16(0x20) != 6) return false;
    sectorSize_ = qint64(1) << shift;
    miniCutoff_ = U32(0x38);
    // The header takes the room of sector -1; the last sector may be cut short.
    sectors_.Used.assign(size_t(std::max<qint64>((bytes_.size() - 1) / sectorSize_, 0)), false);
    const qint64 sectorCount = qint64(sectors_.Used.size());

    // The sectors of the FAT, as many as the header counts: the header's entries, then the DIFAT
    // chain's, free entries passed over; entries past the count are not looked at.
    const qint64 fatCount = U32(0x2C);
    if (fatCount > sectorCount) return false;
    std::vector<quint32> fatSectors;
    auto list = [&](quint32 entry) {
        if (entry < kEndOfChain && qint64(fatSectors.size()) < fatCount) fatSectors.push_back(entry);
    };
    for (int i = 0; i < kHeaderDifatEntries; ++i) list(U32(0x4C + 4 * i));
    const qint64 perDifat = sectorSize_ / 4 - 1;
    for (quint32 difat = U32(0x44); qint64(fatSectors.size()) < fatCount;) {
        const char* sector = Take(difat, false);
        if (!sector || Available(difat) < sectorSize_) return false;
        for (qint64 i = 0; i < perDifat; ++i) list(qFromLittleEndian<quint32>(sector + 4 * i));
        difat = qFromLittleEndian<quint32>(sector + 4 * perDifat);
    }
    for (quint32 s : fatSectors) {
        const char* sector = Take(s, false);
        if (!sector || Available(s) < sectorSize_) return false;
        for (qint64 i = 0; i < sectorSize_ / 4; ++i)
            sectors_.Next.push_back(qFromLittleEndian<quint32>(sector + 4 * i));
    }

    const std::optional<QByteArray> directory = Chain(U32(0x30), -1, false);
    if (!directory || directory->size() < kEntrySize || quint8(directory->at(0x42)) != 5) return false;
    directory_ = *directory;
    const quint32 miniFatStart = U32(0x3C);
    if (miniFatStart < kEndOfChain) {
        const std::optional<QByteArray> miniFat = Chain(miniFatStart, -1, false);
        if (!miniFat) return false;
        for (qint64 i = 0; i + 4 <= miniFat->size(); i += 4)
            miniSectors_.Next.push_back(qFromLittleEndian<quint32>(miniFat->constData() + i));
        // The mini stream in whole mini sectors.
        const qint64 size = qFromLittleEndian<quint32>(directory_.constData() + 0x78);
        const std::optional<QByteArray> ministream =
            Chain(qFromLittleEndian<quint32>(directory_.constData() + 0x74),
                  (size + kMiniSectorSize - 1) / kMiniSectorSize * kMiniSectorSize, false);
        if (!ministream) return false;
        ministream_ = *ministream;
        miniSectors_.Used.assign(size_t(ministream_.size() / kMiniSectorSize), false);
    }
    return true;
}

qint64 TCompoundDocument::Find(const QString& name) const {
    for (qint64 at = 0; at + kEntrySize <= directory_.size(); at += kEntrySize) {
        const char* entry = directory_.constData() + at;
        const quint16 nameBytes = qFromLittleEndian<quint16>(entry + 0x40);
        if (quint8(entry[0x42]) != 2 || nameBytes < 2 || nameBytes > 64) continue;
        const QString entryName =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(entry), nameBytes / 2 - 1);
        if (entryName.compare(name, Qt::CaseInsensitive) == 0) return at;
    }
    return -1;
}

std::optional<QByteArray> TCompoundDocument::Stream(qint64 entry) {
    Q_ASSERT(entry >= 0 && entry + kEntrySize <= directory_.size());
    const quint32 size = qFromLittleEndian<quint32>(directory_.constData() + entry + 0x78);
    const quint32 first = qFromLittleEndian<quint32>(directory_.constData() + entry + 0x74);
    return Chain(first, size, size < miniCutoff_);
}

} // namespace

std::optional<QByteArray> ReadCompoundStream(const QByteArray& document, const QStringList& names) {
    TCompoundDocument compound(document);
    if (!compound.Open()) return std::nullopt;
    for (const QString& name : names)
        if (const qint64 entry = compound.Find(name); entry >= 0) return compound.Stream(entry);
    return std::nullopt;
}
