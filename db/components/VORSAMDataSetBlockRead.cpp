// TVORSAMDataSet: reading records in blocks.
//
// Block reading begins on the active record: the cursor steps back one record and the first block
// reads on from there. Next then walks the block; when the block is used up, a full block is followed by
// the next one, and a short one (the cursor reached the end) hands over to the framework's end of data.
// The cursor stays where the last block read left it: on the last record read, or after the last
// record once the end was reached. Ending block reading steps it back to the block's current record.
#include "db/components/VORSAMDataSet.h"

#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

using namespace platform::data;

void TVORSAMDataSet::SetBlockReadSize(int value) {
    const bool reading = block_.Active();
    if (reading) EndBlockRead();
    if (value < 1) {
        TDataSet::SetBlockReadSize(value);
        if (reading && State() == dsBrowse) Resync({});
        return;
    }
    if (reading)
        Resync({});
    else if (State() != dsBlockRead)
        CheckBrowseMode();
    if (BufferCount() <= 1) BeginBlockRead(value);
    TDataSet::SetBlockReadSize(value);
}

void TVORSAMDataSet::BeginBlockRead(int size) {
    const TEngineLock lock(*this);
    TDataCursor& cursor = Cursor();
    UpdateCursorPos();
    cursor.GetPriorRecord();
    const uint64_t bytes = BlockBytes(size, layout_.RecordSize);
    block_.Memory.assign(bytes, 0);
    block_.Capacity = uint32_t(bytes / layout_.RecordSize);
    block_.Count = 0;
    block_.Index = 0;
    block_.RecordsRead = 0;
    block_.EndReached = false;
    block_.Record = AllocRecordBuffer();
    if (ReadNextBlock()) ShowBlockRecord();
}

// Reads the records after the cursor into the block; false when there were none (the block keeps its
// records and its current one).
bool TVORSAMDataSet::ReadNextBlock() {
    TDataCursor& cursor = Cursor();
    uint32_t count = 0;
    const uint16_t code = cursor.ReadRecordBlock(count, block_.Memory);
    if (code != 0 && code != VORSAM_EOF) cursor.RaiseErrorWithText(code, {});
    block_.EndReached = code == VORSAM_EOF;
    block_.RecordsRead += count;
    if (count == 0) return false;
    block_.Count = count;
    block_.Index = 0;
    return true;
}

void TVORSAMDataSet::ShowBlockRecord() {
    const TDataRecordBuffer record = RecordBuffer(block_.Record.get());
    const uint8_t* image = block_.Memory.data() + size_t(block_.Index) * layout_.RecordSize;
    std::memcpy(record.Image().data(), image, layout_.RecordSize);
    record.SetFlag(bfCurrent);
    GetCalcFields(block_.Record.get());
}

void TVORSAMDataSet::BlockReadNext() {
    if (!block_.Active()) {
        TDataSet::BlockReadNext();
        return;
    }
    const TEngineLock lock(*this);
    if (block_.Index + 1 < block_.Count) {
        ++block_.Index;
    } else if (block_.EndReached || !ReadNextBlock()) {
        TDataSet::BlockReadNext();
        return;
    }
    ShowBlockRecord();
    DataEvent(deDataSetScroll, {nullptr, -1});
}

void TVORSAMDataSet::EndBlockRead() {
    if (State() != dsInactive && block_.Count > 0) {
        const TEngineLock lock(*this);
        uint32_t back = block_.Count - 1 - block_.Index + (block_.EndReached ? 1 : 0);
        for (; back > 0; --back) Cursor().GetPriorRecord();
        CursorPosChanged();
    }
    DropBlock();
}

void TVORSAMDataSet::DropBlock() {
    block_ = {};
}

} // namespace vorsam
