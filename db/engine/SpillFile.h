// TSpillFile: where a table file puts the changes that a whole-table lock keeps from the file once its
// cache may hold no more of them (the session's budget for such changes, EngineSettings.h, spent): a
// temporary file with no name on disk, holding the items (record slots, index pages) one after another
// as they first came, in runs sorted by number (those that came together), each at a place of its own
// that a later Put of the same item overwrites, and a map from item numbers to those places. The table's
// files stay untouched until the lock's end writes everything (its journaled write, CommitJournal.h), the
// spilled items among it, read back in number order. A crash leaves nothing of a spill file; a rollback or a
// dropped cache forgets it with the rest of the changes. Clear forgets the items and keeps the file open for
// the next ones (the next commit interval of a statement); Close lets it go. The bytes of the items held
// count in the session's TChangeBytes::Spilled. Only the file that owns it reads or writes it.
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
    // The bytes of the items it holds.
    uint64_t HeldBytes() const { return uint64_t(held_) * itemSize_; }
    bool Holds(uint32_t number) const { return PlaceOf(number) != 0; }
    // Keeps `count` items from `first` on, their bytes one after another.
    void Put(uint32_t first, uint32_t count, const uint8_t* bytes);
    // The bytes of an item it holds.
    void Get(uint32_t number, uint8_t* bytes);
    // Holds the item no more (a newer image of it is to be written instead).
    void Forget(uint32_t number);
    // Calls `write` with every run of items it holds, in number order, in pieces of at most 1 MiB: the
    // first number, the count and their bytes (valid during the call).
    void ForEachRun(const std::function<void(uint32_t first, uint32_t count, const uint8_t* bytes)>& write);
    // Forgets every item; the file stays open for the next ones.
    void Clear();
    // Forgets every item and lets the file go.
    void Close();

private:
    static constexpr uint32_t MapPageBits = 12;
    static constexpr uint32_t MapPageEntries = uint32_t(1) << MapPageBits;
    // The item's place in the file plus one; 0 when not held.
    uint32_t PlaceOf(uint32_t number) const {
        size_t page = number >> MapPageBits;
        return page < map_.size() && map_[page] ? map_[page][number & (MapPageEntries - 1)] : 0;
    }
    uint32_t& Entry(uint32_t number);
    void Open();
    void ReadAt(uint64_t place, uint8_t* bytes, size_t count);
    void WriteAt(uint64_t place, const uint8_t* bytes, size_t count);
    void WriteTail();
    // The session's count of spilled bytes (TChangeBytes::Spilled) less `bytes`.
    void Uncount(uint64_t bytes);

    const EngineSettings& settings_;
    size_t itemSize_;
    std::vector<std::unique_ptr<uint32_t[]>> map_; // pages of MapPageEntries entries, made as needed
    size_t held_ = 0;
    uint32_t places_ = 0;                // places handed out since the last Clear
    std::unique_ptr<TFileHandler> file_; // made at the first Put
    // The last places handed out, from tailStart_ on, kept in memory until the tail is full (or read),
    // and the numbers of their items.
    std::vector<uint8_t> tail_;
    std::vector<uint32_t> tailNumbers_;
    uint32_t tailStart_ = 0;
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
