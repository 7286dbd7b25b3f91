// TPendingKeys: the keys of records that sets appended (TDataTable::AppendRecords) hold back from their
// indexes, to put them in together later (TDataTable::ApplyPendingKeys): each index's in one pass over its
// leaves however many sets came, or as a tree built whole when the index is empty. Until then a later set
// refuses a key of a unique index that one held back equals, as the index would.
//
// Per index the keys come in runs, one per set, each in the index's order with the numbers of their
// records. The runs of the sets since the last spill stay in memory; once they take more than the session's
// budget of changes (EngineSettings.h, ChangeBudget), each index's are merged into one run that goes to the
// keys' spill file, of which only its place, its length and its first and last keys stay in memory. Runs
// are read back a piece at a time (TPendingRun): a later set's check and the merge of the apply hold one
// piece of each run, never a whole run of the file.
//
// Spill file: a nameless temporary file in the session's private folder (the system's temporary folder when
// it has none), made at the first spill and gone with the keys; a crash leaves nothing of it. The runs lie
// one after another, each one index's: its entries in the index's order, each the key (the index's key
// length) followed by its record's number (u32, the machine's byte order). Only the process that wrote it
// reads it.
#pragma once

#include "db/engine/EngineSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace vorsam {

class TFileHandler;
class TKeyComparator;

class TPendingKeys {
public:
    TPendingKeys();
    ~TPendingKeys();
    TPendingKeys(TPendingKeys&&) noexcept;
    TPendingKeys& operator=(TPendingKeys&&) noexcept;

    bool Empty() const { return rows_ == 0; }
    // The bytes of the keys and numbers held, in memory and in the spill file.
    uint64_t Bytes() const { return memoryBytes_ + spilledBytes_; }
    // The bytes of those held in memory.
    uint64_t MemoryBytes() const { return memoryBytes_; }

private:
    friend class TDataTable;
    friend class TPendingRun;
    struct TSpilledRun {
        uint64_t Offset = 0; // of its first entry in the spill file
        size_t Count = 0;
        std::vector<uint8_t> First, Last; // its first and last keys
    };
    struct TSlot {
        uint8_t Slot = 0;
        bool Unique = false;
        uint16_t Length = 0;              // of a key
        std::vector<uint8_t> Keys;        // the runs in memory one after another, each in the index's order
        std::vector<uint32_t> Numbers;    // their records
        std::vector<size_t> Runs;         // where each run in memory begins, in keys
        std::vector<TSpilledRun> Spilled; // the runs of the spill file, oldest first
    };

    // Slot i's run of a set in memory: keys one after another in the index's order, and their records.
    void Add(size_t i, std::span<const uint8_t> keys, std::span<const uint32_t> numbers);
    // Slot i's runs in memory, merged in the index's order, to the spill file as one run.
    void SpillSlot(const EngineSettings& settings, size_t i, const TKeyComparator& order);
    // Every slot's keys in memory are gone (spilled).
    void ForgetMemory();
    void ReadAt(uint64_t offset, void* bytes, size_t count) const;

    std::vector<TSlot> slots_;
    size_t rows_ = 0;
    uint64_t memoryBytes_ = 0, spilledBytes_ = 0;
    std::unique_ptr<TFileHandler> file_; // the spill file, made at the first spill
    uint64_t fileEnd_ = 0;
};

// One run of one index's held keys read in order: a run in memory where it lies, a run of the spill file a
// piece at a time.
class TPendingRun {
public:
    // The run in memory of slot `slot` whose keys are its keys in memory `begin` .. `end` - 1.
    TPendingRun(const TPendingKeys& held, size_t slot, size_t begin, size_t end);
    // The spilled run `run` of slot `slot`, read `pieceBytes` at a time from the first Start or
    // SeekNotBefore on.
    TPendingRun(const TPendingKeys& held, size_t slot, const TPendingKeys::TSpilledRun& run,
                size_t pieceBytes);

    size_t Count() const { return count_; }
    // From the run's first key on.
    void Start();
    // Goes on to the run's first key from here on that is not before `key`, found by binary search (a
    // spilled run's keys looked at read one by one).
    void SeekNotBefore(const TKeyComparator& order, const uint8_t* key);
    bool AtEnd() const { return at_ >= count_; }
    const uint8_t* Key() const { return keys_ + (at_ - first_) * stride_; }
    uint32_t Number() const {
        uint32_t number;
        std::memcpy(&number, numbers_ + (at_ - first_) * numberStride_, sizeof number);
        return number;
    }
    void Next() {
        if (++at_ < count_ && at_ >= first_ + loaded_) Load();
    }

private:
    // A spilled run's piece from at_ on.
    void Load();

    const TPendingKeys& held_;
    const uint16_t length_;
    const size_t count_;
    const TPendingKeys::TSpilledRun* spilled_ = nullptr;
    size_t pieceEntries_ = 0; // entries a piece of a spilled run holds
    size_t at_ = 0;
    size_t first_ = 0, loaded_ = 0; // the entries at hand: first_ .. first_ + loaded_ - 1
    const uint8_t* keys_ = nullptr;
    const uint8_t* numbers_ = nullptr;
    size_t stride_ = 0, numberStride_ = 0; // from one key, one number, to the next
    std::vector<uint8_t> piece_;           // a spilled run's entries at hand
};

// The runs (each started) merged in the index's order, the earlier run's first among equal keys, to `put` up
// to `pieceEntries` at a time: keys one after another and their records.
void MergePendingRuns(
    std::span<TPendingRun> runs, const TKeyComparator& order, uint16_t length, size_t pieceEntries,
    const std::function<void(const uint8_t* keys, const uint32_t* numbers, size_t count)>& put);

} // namespace vorsam
