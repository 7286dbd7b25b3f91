#include "db/engine/IndexFileHeader.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/Scramble.h"

#include <cstring>
#include <vector>

namespace vorsam {

namespace {

constexpr size_t DescriptorsAt = 14;
constexpr size_t ActiveRecordsAt = 3974;
constexpr size_t RecordOrderAt = 3978;
constexpr size_t ChangedAt = 3979;

} // namespace

TIndexFileHeader TIndexFileHeader::NewFile() {
    TIndexFileHeader header;
    header.Slots[SysDeletedSlot] = SysDeletedDescriptor();
    header.Slots[SysTextSlot] = SysTextDescriptor();
    return header;
}

TIndexFileHeader TIndexFileHeader::WithoutTextIndexes() const {
    TIndexFileHeader result = *this;
    uint8_t at = 0;
    result.SecondaryCount = 0;
    for (uint8_t slot = 1; slot <= MaxSecondaryIndexes; ++slot) {
        if (IsTextSlot(slot)) continue;
        result.Slots[++at] = Slots[slot];
        if (slot <= SecondaryCount) ++result.SecondaryCount;
    }
    while (at < MaxSecondaryIndexes) result.Slots[++at] = TIndexDescriptor();
    return result;
}

void TIndexFileHeader::Pack(uint8_t* image, bool encrypted) const {
    const TIndexFileHeader stored = WithoutTextIndexes();
    std::memset(image, 0, IndexHeaderSize);
    StoreLE32(&image[0], ChangeCounter);
    image[8] = Format;
    StoreLE32(&image[9], NextPage);
    image[13] = stored.SecondaryCount;
    for (size_t slot = 0; slot < IndexSlotCount; ++slot)
        std::memcpy(&image[DescriptorsAt + slot * TIndexDescriptor::Size], stored.Slots[slot].Bytes.data(),
                    TIndexDescriptor::Size);
    StoreLE32(&image[ActiveRecordsAt], ActiveRecords);
    image[RecordOrderAt] = RecordOrder;
    image[ChangedAt] = Changed;
    if (encrypted) ScrambleBuffer(image, IndexHeaderSize, TableDataSeed1, TableDataSeed2);
}

void TIndexFileHeader::Unpack(const uint8_t* source, bool encrypted) {
    std::array<uint8_t, IndexHeaderSize> image;
    std::memcpy(image.data(), source, IndexHeaderSize);
    if (encrypted) UnscrambleBuffer(image.data(), image.size(), TableDataSeed1, TableDataSeed2);
    ChangeCounter = LoadLE32(&image[0]);
    Format = image[8];
    NextPage = LoadLE32(&image[9]);
    SecondaryCount = image[13];
    for (size_t slot = 0; slot < IndexSlotCount; ++slot)
        std::memcpy(Slots[slot].Bytes.data(), &image[DescriptorsAt + slot * TIndexDescriptor::Size],
                    TIndexDescriptor::Size);
    ActiveRecords = LoadLE32(&image[ActiveRecordsAt]);
    RecordOrder = image[RecordOrderAt] != 0;
    Changed = false;
}

void TIndexFileHeader::RestoreTextIndexes(const TIndexFileHeader& current) {
    std::vector<TIndexDescriptor> stored(Slots.begin() + 1, Slots.begin() + 1 + MaxSecondaryIndexes);
    size_t next = 0;
    uint8_t added = 0;
    for (uint8_t slot = 1; slot <= MaxSecondaryIndexes; ++slot) {
        if (current.IsTextSlot(slot)) {
            Slots[slot] = current.Slots[slot];
            if (slot <= current.SecondaryCount) ++added;
        } else {
            Slots[slot] = next < stored.size() ? stored[next++] : TIndexDescriptor();
        }
    }
    SecondaryCount = uint8_t(SecondaryCount + added);
}

} // namespace vorsam
