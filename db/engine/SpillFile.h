// TSpillFile: where a table file puts the changes that a whole-table lock keeps from the file once its
// cache may hold no more of them (the session's budget for such changes, EngineSettings.h, spent): a
// temporary file with no name on disk, holding each item (a record slot, an index page) as its own file
// would, at (number - 1) x item size, with a bitmap of the items it holds. The table's files stay
// untouched until the lock's end writes everything (its journaled write, CommitJournal.h), the spilled
// items among it, read back in runs; a crash leaves nothing of a spill file, and a rollback or a dropped
// cache forgets it with the rest of the changes. Only the file that owns it reads or writes it.
#pragma once

#include "db/engine/EngineSettings.h"
#include "db/lib/FileHandler.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vorsam {

class TSpillFile {
public:
    TSpillFile(const EngineSettings& settings, size_t itemSize);
    ~TSpillFile();
    TSpillFile(const TSpillFile&) = delete;
    TSpillFile& operator=(const TSpillFile&) = delete;

    size_t ItemSize() const { return itemSize_; }
    bool Empty() const { return held_ == 0; }
    bool Holds(uint32_t number) const {
        return number / 64 < bits_.size() && (bits_[number / 64] >> (number % 64) & 1) != 0;
    }
    // Keeps `count` items from `first` on, their bytes one after another.
    void Put(uint32_t first, uint32_t count, const uint8_t* bytes);
    // The bytes of an item it holds.
    void Get(uint32_t number, uint8_t* bytes);
    // Calls `write` with every run of items it holds, in number order, in pieces of at most 1 MiB: the
    // first number, the count and their bytes (valid during the call).
    void ForEachRun(const std::function<void(uint32_t first, uint32_t count, const uint8_t* bytes)>& write);
    // Forgets every item; the file is cut to nothing.
    void Clear();

private:
    void Open();
    void ReadAt(uint64_t offset, uint8_t* bytes, size_t count);
    void StageRegion(uint64_t start);
    void WriteRegion();

    const EngineSettings& settings_;
    size_t itemSize_;
    std::vector<uint64_t> bits_;
    size_t held_ = 0;
    std::unique_ptr<TFileHandler> file_; // made at the first Put
    // The region of the file that Put patches, written back when another is staged or the items read.
    std::vector<uint8_t> region_;
    uint64_t regionStart_ = UINT64_MAX;
    bool regionDirty_ = false;
};

// The bytes one file holds beyond its cache's size under a whole-table lock, as its session counts them
// (EngineSettings.h, TChangeBytes). While it counts any, the file is among the session's holders; the
// charge takes it out again when it counts none, and when it goes (a file whose close broke off).
class TChangeCharge {
public:
    TChangeCharge() = default;
    ~TChangeCharge() { Release(); }
    TChangeCharge(const TChangeCharge&) = delete;
    TChangeCharge& operator=(const TChangeCharge&) = delete;

    // The file (`holder`) now holds `bytes` so.
    void Set(const EngineSettings& settings, uint64_t bytes, TChangeHolder& holder);
    // The same as Set with no bytes.
    void Release() noexcept;
    // True when `more` bytes held would pass the session's budget.
    static bool Exceeds(const EngineSettings& settings, uint64_t more) {
        return settings.HeldChanges.Held + more > settings.ChangeBudget;
    }
    // The holders of the session's other tables give their parts back.
    static void GiveBackOthers(const EngineSettings& settings, const TChangeHolder& holder);

private:
    const TChangeBytes* held_ = nullptr; // the session's count, while the holder is among its holders
    TChangeHolder* holder_ = nullptr;
    uint64_t charged_ = 0;
};

} // namespace vorsam
