// TBlobFile, header side: settings, open and close, the header copy, validation.
#include "db/engine/BlobFile.h"

#include "db/lib/Scramble.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

TBlobFile::TBlobFile(TableFileOwner& owner) : TTableFile(owner), cache_(*this) {}

TBlobFile::~TBlobFile() {
    if (IsOpen()) CloseFile();
}

void TBlobFile::SetBlockSize(uint32_t blockSize) {
    assert(!IsOpen());
    blockSize_ = blockSize;
}

uint32_t TBlobFile::GetBlockCount() const {
    return header_.NextBlock() == 0 ? 0 : header_.NextBlock() - 1;
}

uint32_t TBlobFile::BlocksForBytes(uint64_t bytes) const {
    uint16_t capacity = GetBlockDataSize();
    return uint32_t(bytes / capacity + (bytes % capacity != 0));
}

uint64_t TBlobFile::BlockOffset(uint32_t number) const {
    return TBlobFileHeader::Size + uint64_t(number - 1) * blockSize_;
}

void TBlobFile::Open() {
    if (IsOpen()) return;
    TFileHandler::Open();
    try {
        ReadHeader();
        PrepareCache();
    } catch (...) {
        CloseFile();
        throw;
    }
}

void TBlobFile::CreateFile() {
    if (blockSize_ < MinBlobBlockSize || blockSize_ > MaxBlobBlockSize) RaiseError(VORSAM_HEADERCORRUPT);
    TFileHandler::CreateFile();
    try {
        header_ = TBlobFileHeader();
        header_.SetFormat(BlobFileFormat);
        header_.SetNextBlock(1);
        StoreHeader();
        PrepareCache();
    } catch (...) {
        CloseFile();
        throw;
    }
}

void TBlobFile::PrepareCache() {
    // A block size that leaves no data, or more than the used count can say, is a corrupt table header.
    if (blockSize_ < MinBlobBlockSize || blockSize_ > MaxBlobBlockSize) RaiseError(VORSAM_HEADERCORRUPT);
    blocksPerRead_ = std::max<uint32_t>(1, BlobReadBytesPerCall / blockSize_);
    cache_.Restart(CacheLimit());
}

void TBlobFile::Close() {
    if (IsOpen()) CloseFile();
}

void TBlobFile::CloseFile() {
    cache_.Release();
    TFileHandler::Close();
}

void TBlobFile::LoadHeader(TBlobFileHeader& header) {
    ReadAt(0, header.Bytes.data(), TBlobFileHeader::Size);
    if (Encrypted())
        UnscrambleBuffer(header.Bytes.data(), TBlobFileHeader::Size, TableDataSeed1, TableDataSeed2);
    header.SetHeaderChanged(false);
}

void TBlobFile::StoreHeader() {
    TBlobFileHeader stored = header_;
    if (Encrypted())
        ScrambleBuffer(stored.Bytes.data(), TBlobFileHeader::Size, TableDataSeed1, TableDataSeed2);
    WriteAt(0, stored.Bytes.data(), TBlobFileHeader::Size);
    header_.SetHeaderChanged(false);
}

void TBlobFile::ReadHeader() {
    LoadHeader(header_);
}

bool TBlobFile::CheckHeaderChanged() {
    TBlobFileHeader onDisk;
    LoadHeader(onDisk);
    if (onDisk.ChangeCounter() == header_.ChangeCounter()) return false;
    header_ = onDisk;
    return true;
}

// The copy's counter moves on only with the header in the file: a copy ahead of the file would take this
// process's own header for another's at the next change check, and drop what it has not written yet.
bool TBlobFile::WriteHeader(bool force) {
    if (!force && !header_.HeaderChanged()) return false;
    const uint32_t counter = header_.ChangeCounter();
    header_.SetChangeCounter(counter + 1);
    try {
        StoreHeader();
    } catch (...) {
        header_.SetChangeCounter(counter);
        throw;
    }
    owner_.MarkModified();
    return true;
}

void TBlobFile::MarkHeaderWritten() {
    header_.SetChangeCounter(header_.ChangeCounter() + 1);
    header_.SetHeaderChanged(true);
    owner_.MarkModified();
}

void TBlobFile::ResetBlobFile() {
    DropBlockCache();
    TruncateContent(TBlobFileHeader::Size);
    header_.SetFormat(BlobFileFormat);
    header_.SetNextBlock(1);
    header_.SetFreeHead(0);
    header_.SetHeaderChanged(true);
}

uint64_t TBlobFile::RestoreBlockCount() {
    const uint64_t size = GetFileSize();
    uint64_t blocks = size > TBlobFileHeader::Size ? (size - TBlobFileHeader::Size) / blockSize_ : 0;
    blocks = std::min<uint64_t>(blocks, MaxBlockNumber);
    const uint64_t end = TBlobFileHeader::Size + blocks * blockSize_, cut = size > end ? size - end : 0;
    DropBlockCache();
    if (cut > 0) TruncateContent(end);
    header_.SetNextBlock(uint32_t(blocks + 1));
    header_.SetFreeHead(0);
    header_.SetHeaderChanged(true);
    return cut;
}

uint32_t TBlobFile::RebuildFreeChain(const std::vector<bool>& used) {
    SetFreeHead(0);
    uint32_t freed = 0;
    // From the last block down, so that the chain hands out the lowest blocks first.
    for (uint32_t n = GetBlockCount(); n >= 1; --n) {
        if (n < used.size() && used[n]) continue;
        TPinnedBlock block(GetBlock(nullptr, n));
        block->SetPrevious(0);
        FreeBlock(*block);
        ++freed;
    }
    return freed;
}

void TBlobFile::CheckFormat() const {
    if (header_.Format() != BlobFileFormat) RaiseError(VORSAM_OLDVERSION);
}

void TBlobFile::ValidateBlobHeader() {
    CheckFormat();
    uint32_t next = header_.NextBlock();
    if (next == 0 || next > MaxBlockNumber + 1) RaiseError(VORSAM_HEADERCORRUPT);
    if (header_.FreeHead() >= next) RaiseError(VORSAM_HEADERCORRUPT);
    if (GetFileSize() < BlockOffset(next)) RaiseError(VORSAM_HEADERCORRUPT);
}

size_t TBlobFile::CacheLimit() const {
    const EngineSettings& settings = owner_.Settings();
    return std::min<size_t>(settings.BlobBufferSize / blockSize_, settings.BlobBufferLimit);
}

} // namespace vorsam
