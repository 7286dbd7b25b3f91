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

void TIndexFileHeader::Pack(uint8_t* image, bool encrypted, uint32_t changeCounter) const {
    // Every byte is written once: the fields, the slots, zeros in the reserved ranges.
    StoreLE32(&image[0], changeCounter);
    std::memset(&image[4], 0, 4);
    image[8] = Format;
    StoreLE32(&image[9], NextPage);
    // The slots as WithoutTextIndexes leaves them, written in place.
    auto put = [&](size_t at, const TIndexDescriptor& descriptor) {
        std::memcpy(&image[DescriptorsAt + at * TIndexDescriptor::Size], descriptor.Bytes.data(),
                    TIndexDescriptor::Size);
    };
    bool text = false;
    for (uint8_t slot = 1; slot <= MaxSecondaryIndexes; ++slot) text = text || IsTextSlot(slot);
    uint8_t secondaries = SecondaryCount;
    if (!text) {
        // Slot by slot: copies of a descriptor's size go as vector moves, where one copy of them all
        // would go as a string move to an unaligned place.
        for (size_t slot = 0; slot < IndexSlotCount; ++slot) put(slot, Slots[slot]);
    } else {
        uint8_t at = 0;
        secondaries = 0;
        put(0, Slots[0]);
        for (uint8_t slot = 1; slot <= MaxSecondaryIndexes; ++slot) {
            if (IsTextSlot(slot)) continue;
            put(++at, Slots[slot]);
            if (slot <= SecondaryCount) ++secondaries;
        }
        while (at < MaxSecondaryIndexes) put(++at, TIndexDescriptor());
        for (size_t slot = MaxSecondaryIndexes + 1; slot < IndexSlotCount; ++slot) put(slot, Slots[slot]);
    }
    image[13] = secondaries;
    StoreLE32(&image[ActiveRecordsAt], ActiveRecords);
    image[RecordOrderAt] = RecordOrder;
    image[ChangedAt] = Changed;
    std::memset(&image[ChangedAt + 1], 0, IndexHeaderSize - ChangedAt - 1);
    if (encrypted) ScrambleBuffer(image, IndexHeaderSize, TableDataSeed1, TableDataSeed2);
}

void TIndexFileHeader::Unpack(const uint8_t* source, bool encrypted) {
    std::array<uint8_t, IndexHeaderSize> clear;
    if (encrypted) {
        std::memcpy(clear.data(), source, IndexHeaderSize);
        UnscrambleBuffer(clear.data(), clear.size(), TableDataSeed1, TableDataSeed2);
    }
    const uint8_t* image = encrypted ? clear.data() : source;
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
