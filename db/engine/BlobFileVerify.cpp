// The blob file share of the table check (TableVerify.h).
#include "db/engine/BlobFile.h"
#include "db/engine/DataFile.h"
#include "db/engine/TableVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <vector>

namespace vorsam {

namespace {

constexpr uint32_t Unclaimed = 0;
constexpr uint32_t FreeBlock = UINT32_MAX;

struct TBlockFacts {
    uint32_t Previous, Next, Sequence, TotalSize;
    uint16_t Used, Capacity;
};

TBlockFacts ReadFacts(TBlobFile& file, uint32_t number) {
    TPinnedBlock block(file.GetBlock(nullptr, number));
    return {block->Previous(),  block->Next(), block->Sequence(),
            block->TotalSize(), block->Used(), block->Capacity()};
}

std::string BlockText(uint32_t n) {
    return "block " + std::to_string(n) + ": ";
}

class TBlobChecker {
public:
    TBlobChecker(TBlobFile& file, TVerifyReport& report)
        : file_(file), report_(report), claims_(file.GetBlockCount() + 1, Unclaimed) {}

    bool CheckHeader();
    void CheckFreeChain();
    void CheckChain(const TBlobReference& reference, uint32_t claim);
    void CheckAllClaimed();
    // Gives back the blocks a chain claimed.
    void Release(uint32_t claim) { std::replace(claims_.begin(), claims_.end(), claim, Unclaimed); }
    bool Claimed(uint32_t n) const { return claims_[n] != Unclaimed && claims_[n] != FreeBlock; }

private:
    // Claims block n for `claim`; false (reported) when it is out of range or claimed already.
    bool Claim(uint32_t n, uint32_t claim, const std::string& where);

    TBlobFile& file_;
    TVerifyReport& report_;
    std::vector<uint32_t> claims_; // per block: Unclaimed, FreeBlock or 1 + the reference's index
};

bool TBlobChecker::CheckHeader() {
    const TBlobFileHeader& header = file_.Header();
    size_t problems = report_.Problems.size();
    if (header.Format() != BlobFileFormat)
        report_.Add("blob header: format " + std::to_string(header.Format()));
    if (header.NextBlock() == 0 || header.NextBlock() > MaxBlockNumber + 1)
        report_.Add("blob header: next block " + std::to_string(header.NextBlock()));
    else if (header.FreeHead() >= header.NextBlock())
        report_.Add("blob header: free head " + std::to_string(header.FreeHead()) + " out of range");
    uint64_t needed = TBlobFileHeader::Size + uint64_t(file_.GetBlockCount()) * file_.BlockSize();
    if (!file_.HasUnwrittenBlocks() && file_.GetFileSize() < needed)
        report_.Add("blob header: the file holds fewer than " + std::to_string(file_.GetBlockCount()) +
                    " blocks");
    return report_.Problems.size() == problems;
}

bool TBlobChecker::Claim(uint32_t n, uint32_t claim, const std::string& where) {
    if (n == 0 || n >= claims_.size()) {
        report_.Add(where + "link to block " + std::to_string(n) + " out of range");
        return false;
    }
    if (claims_[n] != Unclaimed) {
        report_.Add(where + "block " + std::to_string(n) +
                    (claims_[n] == claim       ? " comes back (cycle)"
                     : claims_[n] == FreeBlock ? " is also free"
                                               : " is also in another chain"));
        return false;
    }
    claims_[n] = claim;
    return true;
}

void TBlobChecker::CheckFreeChain() {
    // Blocks freed while the write goes on count as free (BlobFile.h).
    for (uint32_t n : file_.FreedBlocks())
        if (!Claim(n, FreeBlock, "freed blocks: ")) return;
    for (uint32_t n = file_.Header().FreeHead(); n != 0;) {
        if (!Claim(n, FreeBlock, "free chain: ")) return;
        TBlockFacts facts = ReadFacts(file_, n);
        if (facts.Sequence != 0)
            report_.Add("free chain: " + BlockText(n) + "sequence " + std::to_string(facts.Sequence));
        n = facts.Next;
    }
}

void TBlobChecker::CheckChain(const TBlobReference& reference, uint32_t claim) {
    std::string where = "record " + std::to_string(reference.RecordNumber) + " field " +
                        std::to_string(reference.FieldNumber) + ": ";
    uint64_t total = 0, used = 0;
    uint32_t previous = 0;
    for (uint32_t n = reference.FirstBlock; n != 0;) {
        if (!Claim(n, claim, where)) return;
        TBlockFacts facts = ReadFacts(file_, n);
        if (previous == 0) total = facts.TotalSize;
        if (facts.Previous != previous)
            report_.Add(where + BlockText(n) + "previous link " + std::to_string(facts.Previous));
        if (facts.Sequence != reference.Sequence)
            report_.Add(where + BlockText(n) + "sequence " + std::to_string(facts.Sequence));
        if (previous != 0 && facts.TotalSize != 0)
            report_.Add(where + BlockText(n) + "total size in a later block");
        if (facts.Next != 0 && facts.Used != facts.Capacity) report_.Add(where + BlockText(n) + "not full");
        used += facts.Used;
        previous = n;
        n = facts.Next;
    }
    if (used != total)
        report_.Add(where + "blocks hold " + std::to_string(used) + " bytes of " + std::to_string(total));
}

void TBlobChecker::CheckAllClaimed() {
    for (uint32_t n = 1; n < claims_.size(); ++n)
        if (claims_[n] == Unclaimed) report_.Add(BlockText(n) + "neither free nor in a chain");
}

} // namespace

std::vector<TBlobReference> CollectBlobReferences(TDataFile& file) {
    std::vector<TBlobReference> references;
    const std::vector<TFieldDescriptor>& fields = file.FieldDescriptors();
    file.ForEachActiveRecord([&](uint32_t n, std::span<const uint8_t> image) {
        for (const TFieldDescriptor& field : fields) {
            if (field.DataType() != dtBlob || field.Computed()) continue;
            const uint8_t* value = &image[field.Offset() + 1];
            if (uint32_t first = LoadLE32(value); first != 0)
                references.push_back({n, field.FieldNumber(), first, LoadLE32(value + 4)});
        }
    });
    return references;
}

std::vector<std::string> CheckBlobChains(TBlobFile& file, const std::vector<TBlobReference>& references,
                                         std::vector<bool>& used) {
    TVerifyReport report;
    TBlobChecker checker(file, report);
    std::vector<std::string> broken(references.size());
    for (size_t i = 0; i < references.size(); ++i) {
        size_t before = report.Problems.size();
        uint32_t claim = uint32_t(i + 1);
        try {
            checker.CheckChain(references[i], claim);
        } catch (const EVORSAMEngineError& e) {
            if (!IsDamage(e)) throw;
            report.Add(e.what());
        }
        if (report.Problems.size() == before) continue;
        checker.Release(claim);
        broken[i] = report.Problems[before];
    }
    used.assign(file.GetBlockCount() + 1, false);
    for (uint32_t n = 1; n < used.size(); ++n) used[n] = checker.Claimed(n);
    return broken;
}

void VerifyBlobFile(TBlobFile& file, TVerifyReport& report, const std::vector<TBlobReference>* references) {
    TBlobChecker checker(file, report);
    if (!checker.CheckHeader()) return;
    try {
        checker.CheckFreeChain();
        if (!references) return;
        for (size_t i = 0; i < references->size(); ++i) checker.CheckChain((*references)[i], uint32_t(i + 1));
        checker.CheckAllClaimed();
    } catch (const EVORSAMEngineError& e) {
        if (!IsDamage(e)) throw;
        report.Add(std::string("blocks: ") + e.what());
    }
}

} // namespace vorsam
