#include "BlobTestSupport.h"

#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <cstring>

namespace vorsam::test {

TBytes Pattern(size_t size, uint32_t seed) {
    TBytes bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = uint8_t(state >> 16);
    }
    return bytes;
}

std::unique_ptr<TBlobFile> TBlobFileTest::NewFile(TFakeTableOwner& owner) const {
    owner.IsEncrypted = encrypted_;
    auto file = std::make_unique<TBlobFile>(owner);
    file->SetFileName(Path());
    file->SetInMemory(InMemory());
    file->SetBlockSize(blockSize_);
    return file;
}

std::unique_ptr<TBlobFile> TBlobFileTest::Create() {
    auto file = NewFile();
    file->CreateFile();
    return file;
}

std::unique_ptr<TBlobFile> TBlobFileTest::Reopen(std::unique_ptr<TBlobFile> file) {
    file->FlushBlocks();
    file->WriteHeader();
    file->Close();
    file = NewFile();
    file->Open();
    file->ValidateBlobHeader();
    return file;
}

uint32_t TBlobFileTest::Save(TBlobFile& file, const TBytes& bytes, uint32_t sequence, uint32_t first,
                             uint32_t oldSequence) {
    TBlobBuffer blob(file, 1, 1, first, oldSequence);
    blob.SetSize(bytes.size());
    std::copy(bytes.begin(), bytes.end(), blob.GetData().begin());
    blob.SetSequence(sequence);
    if (bytes.empty()) {
        blob.DeleteBlob();
    } else {
        blob.SaveBlob();
    }
    file.ReleaseFreedBlocks(); // as the table's end of a write does
    EXPECT_FALSE(blob.Modified());
    return blob.FirstBlock();
}

TBytes TBlobFileTest::Load(TBlobFile& file, uint32_t first, uint32_t sequence, CacheClient* client) {
    TBlobBuffer blob(file, 1, 1, first, sequence);
    blob.ReadBlob(client);
    auto data = blob.GetData();
    return TBytes(data.begin(), data.end());
}

std::vector<uint32_t> TBlobFileTest::Chain(TBlobFile& file, uint32_t first) {
    std::vector<uint32_t> chain;
    for (uint32_t n = first; n != 0 && chain.size() <= file.GetBlockCount();) {
        chain.push_back(n);
        TPinnedBlock block(file.GetBlock(nullptr, n));
        n = block->Next();
    }
    return chain;
}

std::vector<uint32_t> TBlobFileTest::FreeList(TBlobFile& file) {
    std::vector<uint32_t> list;
    for (uint32_t n = file.Header().FreeHead(); n != 0 && list.size() <= file.GetBlockCount();) {
        list.push_back(n);
        TPinnedBlock block(file.GetBlock(nullptr, n));
        n = block->Next();
    }
    return list;
}

bool TBlobFileTest::AnyPinned(const TBlobFile& file) {
    const auto& blocks = file.BlockCache().Items();
    return std::any_of(blocks.begin(), blocks.end(), [](const auto& block) { return block->Pinned(); });
}

TVerifyReport TBlobFileTest::Verify(TBlobFile& file, const std::vector<TBlobReference>& references) {
    TVerifyReport report;
    VerifyBlobFile(file, report, &references);
    return report;
}

void TBlobFileTest::PatchFile(size_t offset, uint32_t value, size_t width) {
    auto handler = Opened("PEOPLE.BLB");
    uint8_t bytes[4];
    StoreLE32(bytes, value);
    WriteAt(*handler, offset, std::string(reinterpret_cast<char*>(bytes), width));
}

void TBlobFileTest::PatchBlock(uint32_t block, size_t offset, uint32_t value, size_t width) {
    PatchFile(TBlobFileHeader::Size + size_t(block - 1) * blockSize_ + offset, value, width);
}

std::string TBlobFileTest::FileBytes() {
    auto handler = Opened("PEOPLE.BLB");
    return ReadAll(*handler);
}

} // namespace vorsam::test
