// The blob file: block layout of a saved blob, the free list and the order in which shrinking frees,
// header validation, encryption and the change check, limits, and the table check's view of damage.
#include "BlobTestSupport.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/Scramble.h"

#include <algorithm>
#include <functional>

namespace vorsam::test {
namespace {

class BlobFileTest : public TBlobFileTest {
protected:
    struct TFacts {
        uint32_t Previous, Next, Sequence, Total;
        uint16_t Used;
        bool operator==(const TFacts&) const = default;
    };
    static TFacts Facts(TBlobFile& file, uint32_t n) {
        TPinnedBlock block(file.GetBlock(nullptr, n));
        return {block->Previous(), block->Next(), block->Sequence(), block->TotalSize(), block->Used()};
    }
};

TEST_P(BlobFileTest, NewFileIsAHeaderOnlyAndValidates) {
    auto file = Create();
    EXPECT_EQ(file->GetFileSize(), 512u);
    EXPECT_EQ(file->Header().Format(), 5);
    EXPECT_EQ(file->Header().NextBlock(), 1u);
    EXPECT_EQ(file->GetBlockCount(), 0u);
    EXPECT_EQ(file->GetBlockDataSize(), 494);
    file = Reopen(std::move(file));
    EXPECT_EQ(Chain(*file, 0).size(), 0u);
}

TEST_P(BlobFileTest, ThousandBytesTakeThreeBlocksOf494_494_12) {
    auto file = Create();
    TBytes value = Pattern(1000, 1);
    uint32_t first = Save(*file, value, 7);
    file = Reopen(std::move(file));
    EXPECT_EQ(Load(*file, first, 7), value);
    EXPECT_EQ(file->CacheStatistics().DiskReads, 2u) << "the first block, then the rest in one read-ahead";
    ASSERT_EQ(Chain(*file, first), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(Facts(*file, 1), (TFacts{0, 2, 7, 1000, 494}));
    EXPECT_EQ(Facts(*file, 2), (TFacts{1, 3, 7, 0, 494}));
    EXPECT_EQ(Facts(*file, 3), (TFacts{2, 0, 7, 0, 12}));
    EXPECT_EQ(file->GetFileSize(), 512u + 3 * 512);
    EXPECT_TRUE(Verify(*file, {{1, 1, first, 7}}).Ok());
}

TEST_P(BlobFileTest, EmptyValueHasNoBlocks) {
    auto file = Create();
    EXPECT_EQ(Save(*file, {}, 3), 0u);
    EXPECT_EQ(file->GetBlockCount(), 0u);
    EXPECT_TRUE(Load(*file, 0, 3).empty());
}

TEST_P(BlobFileTest, ASaveWritesANewChainAndFreesTheOldOneOnlyAtTheEndOfTheWrite) {
    auto file = Create();
    uint32_t first = Save(*file, Pattern(1000, 1), 1); // blocks 1, 2, 3
    uint32_t other = Save(*file, Pattern(10, 2), 2);   // block 4
    Save(*file, {}, 3, other, 2);                      // frees block 4: the former free head
    ASSERT_EQ(FreeList(*file), (std::vector<uint32_t>{4}));

    TBlobBuffer blob(*file, 1, 1, first, 1);
    blob.SetSize(100);
    blob.SetSequence(5);
    blob.SaveBlob();
    EXPECT_EQ(blob.FirstBlock(), 4u);
    EXPECT_EQ(Facts(*file, 1).Sequence, 1u) << "the old chain stays as it is until the write ends";
    EXPECT_EQ(FreeList(*file), (std::vector<uint32_t>{}));
    EXPECT_TRUE(Verify(*file, {{1, 1, 4, 5}}).Ok()) << "its blocks count as free meanwhile";
    file->ReleaseFreedBlocks();
    EXPECT_EQ(FreeList(*file), (std::vector<uint32_t>{3, 2, 1}));
    EXPECT_EQ(Facts(*file, 4), (TFacts{0, 0, 5, 100, 100}));
    file = Reopen(std::move(file));
    EXPECT_EQ(Load(*file, 4, 5), TBytes(100, 0));
    EXPECT_TRUE(Verify(*file, {{1, 1, 4, 5}}).Ok());
}

TEST_P(BlobFileTest, FreedBlocksAreReusedMostRecentFirstAndGrowthAppends) {
    auto file = Create();
    uint32_t a = Save(*file, Pattern(1000, 1), 1); // 1, 2, 3
    uint32_t b = Save(*file, Pattern(600, 2), 2);  // 4, 5
    Save(*file, {}, 3, a, 1);                      // free list 3, 2, 1
    uint32_t c = Save(*file, Pattern(2000, 4), 4); // takes 3, 2, 1, then appends 6 and 7
    EXPECT_EQ(Chain(*file, c), (std::vector<uint32_t>{3, 2, 1, 6, 7}));
    EXPECT_TRUE(FreeList(*file).empty());
    EXPECT_EQ(Load(*file, b, 2), Pattern(600, 2));
    EXPECT_EQ(Load(*file, c, 4), Pattern(2000, 4));
    EXPECT_TRUE(Verify(*file, {{1, 1, b, 2}, {2, 1, c, 4}}).Ok());
}

TEST_P(BlobFileTest, ChangedBlocksAreWrittenInRunsOfConsecutiveNumbers) {
    auto file = Create();
    Save(*file, Pattern(5 * 494, 1), 1); // blocks 1..5
    Save(*file, Pattern(494, 2), 2);     // block 6
    EXPECT_TRUE(file->FlushBlocks());
    EXPECT_EQ(file->CacheStatistics().WriteRuns, 1u);
    EXPECT_FALSE(file->FlushBlocks());
}

TEST_P(BlobFileTest, RewritingALongBlobReadsEachOldBlockOnceThroughASmallCache) {
    auto file = Create(); // a cache of 64 blocks, reads of up to 32
    uint32_t first = Save(*file, Pattern(300 * 494, 1), 1);
    file = Reopen(std::move(file));
    uint32_t again = Save(*file, Pattern(300 * 494, 2), 2, first, 1);
    EXPECT_LE(file->CacheStatistics().DiskReads, 1u + 300 / 32 + 1)
        << "changed blocks never push read-ahead out";
    EXPECT_EQ(Load(*file, again, 2), Pattern(300 * 494, 2));
}

TEST_P(BlobFileTest, AChangeFoundBeforeADiskReadStartsTheReadAgain) {
    auto file = Create();
    uint32_t first = Save(*file, Pattern(3000, 1), 1);
    file = Reopen(std::move(file));
    struct TOnce : TFakeCacheClient {
        bool CheckForChanges() override { return ++Checks == 1; }
    } once;
    EXPECT_EQ(Load(*file, first, 1, &once), Pattern(3000, 1));
    EXPECT_GE(once.Checks, 2);
    EXPECT_FALSE(AnyPinned(*file));
}

TEST_P(BlobFileTest, HeaderBreachesAreRefusedAtValidation) {
    struct TCase {
        const char* Name;
        size_t Offset;
        uint32_t Value;
        size_t Width;
        uint16_t Code;
    };
    const TCase cases[] = {
        {"format 4", 8, 4, 1, VORSAM_OLDVERSION},
        {"free head past the blocks", 9, 3, 4, VORSAM_HEADERCORRUPT},
        {"next block 0", 13, 0, 4, VORSAM_HEADERCORRUPT},
        {"blocks the file does not hold", 13, 4, 4, VORSAM_HEADERCORRUPT},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto file = Create();
        Save(*file, Pattern(600, 1), 1); // blocks 1 and 2
        file->FlushBlocks();
        file->WriteHeader();
        file->Close();
        PatchFile(c.Offset, c.Value, c.Width);
        file = NewFile();
        file->Open();
        EXPECT_ENGINE_ERROR(file->ValidateBlobHeader(), c.Code);
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

TEST_P(BlobFileTest, BlockSizeWithoutRoomForDataIsRefused) {
    blockSize_ = 18;
    EXPECT_ENGINE_ERROR(Create(), VORSAM_HEADERCORRUPT);
}

TEST_P(BlobFileTest, EncryptedFileHidesHeaderAndDataAndNoticesAnotherWriter) {
    encrypted_ = true;
    auto file = Create();
    TBytes text(1000, 'A');
    uint32_t first = Save(*file, text, 9);
    file = Reopen(std::move(file));
    std::string bytes = FileBytes();
    EXPECT_EQ(bytes.find(std::string(64, 'A')), std::string::npos);
    EXPECT_NE(uint8_t(bytes[8]), 5) << "the format byte is enciphered with the header";
    EXPECT_EQ(Load(*file, first, 9), text);

    // The change check deciphers the header: unchanged, it reports nothing; after another handle's
    // write it takes that handle's values.
    EXPECT_FALSE(file->CheckHeaderChanged());
    TFakeTableOwner otherOwner;
    auto other = NewFile(otherOwner);
    other->Open();
    Save(*other, Pattern(100, 2), 10);
    other->FlushBlocks();
    other->WriteHeader();
    EXPECT_TRUE(file->CheckHeaderChanged());
    EXPECT_EQ(file->Header().NextBlock(), 5u);
    EXPECT_EQ(file->Header().Format(), 5);
    EXPECT_FALSE(file->CheckHeaderChanged());
}

TEST_P(BlobFileTest, HeaderWritesCountUpAndResetEmptiesTheFile) {
    auto file = Create();
    Save(*file, Pattern(1000, 1), 1);
    file->FlushBlocks();
    EXPECT_TRUE(file->WriteHeader());
    EXPECT_FALSE(file->WriteHeader());
    uint32_t counter = file->Header().ChangeCounter();
    file->ResetBlobFile();
    EXPECT_TRUE(file->WriteHeader());
    EXPECT_EQ(file->Header().ChangeCounter(), counter + 1);
    EXPECT_EQ(file->GetFileSize(), 512u);
    file = Reopen(std::move(file));
    EXPECT_EQ(file->GetBlockCount(), 0u);
    EXPECT_EQ(file->Header().FreeHead(), 0u);
}

TEST_P(BlobFileTest, TheFileIsFullAtTwoBillionBlocksOrFourBillionBytes) {
    for (auto [size, next] : {std::pair<uint32_t, uint32_t>{512, 2000000001}, {65553, 61100}}) {
        SCOPED_TRACE(size);
        blockSize_ = size;
        auto file = Create();
        file->Close();
        PatchFile(13, next);
        file = NewFile();
        file->Open();
        EXPECT_ENGINE_ERROR(file->AllocateBlock(), VORSAM_TABLEFULL);
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

TEST_P(BlobFileTest, BlockDataBeyondItsCapacityIsRefused) {
    auto file = Create();
    TBlock& block = file->AllocateBlock();
    TBytes bytes(495);
    EXPECT_ENGINE_ERROR(block.WriteData(0, 495, bytes.data()), VORSAM_INVALIDBLOBLEN);
    EXPECT_ENGINE_ERROR(block.ReadData(10, 485, bytes.data()), VORSAM_INVALIDBLOBLEN);
    block.WriteData(0, 10, bytes.data());
    EXPECT_EQ(block.ReadData(0, 494, bytes.data()), 10u) << "reads stop at the used bytes";
    file->ReleaseBlock(block);
}

class BlobCorruptionTest : public BlobFileTest {
public:
    void Patch(uint32_t block, size_t offset, uint32_t value, size_t width = 4) {
        PatchBlock(block, offset, value, width);
    }
    void PatchHeader(size_t offset, uint32_t value) { PatchFile(offset, value); }
};

// Damage done to a file holding a 1000-byte blob (blocks 1, 2, 3, sequence 7) and a free block 4.
struct TDamage {
    const char* Name;
    std::function<void(BlobCorruptionTest&)> Patch;
    uint16_t ReadCode; // what reading the blob raises
};

TEST_P(BlobCorruptionTest, DamagedChainsRaiseCleanErrorsAndChangeNothing) {
    const TDamage damages[] = {
        {"cycle back to the first block", [](auto& t) { t.Patch(2, 4, 1); }, VORSAM_MEMOCORRUPT},
        {"block linked to itself", [](auto& t) { t.Patch(2, 4, 2); }, VORSAM_MEMOCORRUPT},
        {"cycle with matching back links",
         [](auto& t) {
             t.Patch(2, 4, 1);
             t.Patch(1, 0, 2);
         },
         VORSAM_MEMOCORRUPT},
        {"link past the last block", [](auto& t) { t.Patch(1, 4, 99); }, VORSAM_MEMOCORRUPT},
        {"link into the free block", [](auto& t) { t.Patch(1, 4, 4); }, VORSAM_MEMOCORRUPT},
        {"total size of 4 GB", [](auto& t) { t.Patch(1, 14, 0xFFFFFFF0u); }, VORSAM_MEMOCORRUPT},
        {"used count beyond the block", [](auto& t) { t.Patch(1, 8, 60000, 2); }, VORSAM_MEMOCORRUPT},
        {"chain ends early", [](auto& t) { t.Patch(2, 4, 0); }, VORSAM_ENDOFBLOB},
        {"another blob's sequence", [](auto& t) { t.Patch(2, 10, 8); }, VORSAM_KEYORRECDELETED},
    };
    for (const TDamage& damage : damages) {
        SCOPED_TRACE(damage.Name);
        auto file = Create();
        uint32_t first = Save(*file, Pattern(1000, 1), 7);
        Save(*file, {}, 2, Save(*file, Pattern(10, 2), 6), 6); // block 4, freed
        file = Reopen(std::move(file));
        file->Close();
        damage.Patch(*this);
        file = NewFile();
        file->Open();

        EXPECT_ENGINE_ERROR(Load(*file, first, 7), damage.ReadCode);
        EXPECT_FALSE(AnyPinned(*file));
        EXPECT_FALSE(Verify(*file, {{1, 1, first, 7}}).Ok());
        // Freeing the damaged chain is refused (a blob of another sequence, or a chain that runs
        // into the free list or back into itself) or frees it as it stands; never anything twice.
        uint32_t head = file->Header().FreeHead();
        uint32_t chain = first;
        uint16_t code = ErrorCodeOf([&] { file->FreeBlobChain(chain, 7, false); });
        EXPECT_FALSE(AnyPinned(*file));
        if (code != 0) {
            EXPECT_EQ(code, VORSAM_MEMOCORRUPT);
            EXPECT_EQ(file->Header().FreeHead(), head) << "nothing was freed";
            EXPECT_EQ(chain, first);
        }
        std::vector<uint32_t> free = FreeList(*file);
        std::sort(free.begin(), free.end());
        EXPECT_EQ(std::adjacent_find(free.begin(), free.end()), free.end()) << "a block freed twice";
        EXPECT_LE(free.size(), file->GetBlockCount());
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

TEST_P(BlobCorruptionTest, FreeingChecksTheSequenceUnlessForced) {
    auto file = Create();
    uint32_t first = Save(*file, Pattern(1000, 1), 7);
    uint32_t chain = first;
    EXPECT_ENGINE_ERROR(file->FreeBlobChain(chain, 8, false), VORSAM_MEMOCORRUPT);
    EXPECT_EQ(chain, first);
    EXPECT_TRUE(FreeList(*file).empty());
    file->FreeBlobChain(chain, 8, true);
    EXPECT_EQ(chain, 0u);
    EXPECT_ENGINE_ERROR(file->FreeBlobChain(chain = first, 8, true), VORSAM_MEMOCORRUPT) << "freed twice";
    file->ReleaseFreedBlocks();
    EXPECT_EQ(FreeList(*file), (std::vector<uint32_t>{3, 2, 1}));
    EXPECT_TRUE(Verify(*file, {}).Ok());
}

TEST_P(BlobCorruptionTest, AFreeHeadNamingALiveBlockIsNeverHandedOut) {
    auto file = Create();
    uint32_t first = Save(*file, Pattern(1000, 1), 7);
    file = Reopen(std::move(file));
    file->Close();
    PatchFile(9, 2); // free head := block 2, which belongs to the blob
    file = NewFile();
    file->Open();
    EXPECT_ENGINE_ERROR(file->AllocateBlock(), VORSAM_MEMOCORRUPT);
    EXPECT_FALSE(AnyPinned(*file));
    EXPECT_EQ(Load(*file, first, 7), Pattern(1000, 1));
}

TEST_P(BlobCorruptionTest, TheTableCheckReportsEachKindOfDamage) {
    struct TCase {
        const char* Name;
        std::function<void(BlobCorruptionTest&)> Patch;
        const char* Problem;
    };
    const TCase cases[] = {
        {"leaked block", [](auto& t) { t.PatchHeader(9, 0); }, "neither free nor in a chain"},
        {"free block in a chain", [](auto& t) { t.Patch(3, 4, 4); }, "is also free"},
        {"free block with a sequence", [](auto& t) { t.Patch(4, 10, 5); }, "sequence 5"},
        {"broken back link", [](auto& t) { t.Patch(3, 0, 1); }, "previous link 1"},
        {"short block inside the chain", [](auto& t) { t.Patch(2, 8, 400, 2); }, "not full"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto file = Create();
        uint32_t first = Save(*file, Pattern(1000, 1), 7);
        Save(*file, {}, 2, Save(*file, Pattern(10, 2), 6), 6);
        file = Reopen(std::move(file));
        ASSERT_TRUE(Verify(*file, {{1, 1, first, 7}}).Ok());
        file->Close();
        c.Patch(*this);
        file = NewFile();
        file->Open();
        TVerifyReport report = Verify(*file, {{1, 1, first, 7}});
        EXPECT_TRUE(std::any_of(report.Problems.begin(), report.Problems.end(), [&](const std::string& p) {
            return p.find(c.Problem) != std::string::npos;
        })) << (report.Ok() ? "no problem" : report.Problems.front());
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

INSTANTIATE_TEST_SUITE_P(Storage, BlobFileTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);
INSTANTIATE_TEST_SUITE_P(Storage, BlobCorruptionTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
