#include "db/engine/IndexVerify.h"

#include "db/engine/IndexPath.h"
#include "db/engine/TableVerify.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <set>

namespace vorsam {

namespace {

struct TLevelPage {
    uint32_t Number;
    uint32_t Prev;
    uint32_t Next;
};

class TIndexChecker {
public:
    TIndexChecker(TIndexFile& file, const TIndexVerifyOptions& options, std::vector<std::string>& problems)
        : file_(file), options_(options), problems_(problems) {}

    // Checks the tree of the slot; returns its number of leaf entries.
    uint64_t CheckTree(uint8_t slot, const TKeyComparator& order, std::vector<TIndexEntry>* entries);
    void CheckFreeList(uint8_t slot);

private:
    struct TTreeWalk {
        const TKeyComparator* Order;
        std::vector<TIndexEntry>* Entries;
        std::vector<uint8_t> LastKey;
        uint64_t LeafEntries = 0;
        int LeafDepth = -1;
        std::vector<std::vector<TLevelPage>> Levels;
    };

    uint64_t CheckPage(TTreeWalk& walk, uint32_t number, uint8_t level, const uint8_t* separator);
    void CheckPageShape(const TPage& page, uint8_t level);
    void CheckLeafEntries(TTreeWalk& walk, const TPage& page);
    void CheckLinks(const std::vector<TLevelPage>& pages, size_t level);
    bool Claim(uint32_t number);
    void Problem(const std::string& text);

    TIndexFile& file_;
    const TIndexVerifyOptions& options_;
    std::vector<std::string>& problems_;
    uint8_t slot_ = 0;
    std::set<uint32_t> seen_;     // pages of the index file in a tree or free list
    std::set<uint32_t> textSeen_; // pages of the text-index file
};

std::string SlotName(TIndexFile& file, uint8_t slot) {
    std::string name = slot == PrimaryIndexSlot ? "Primary" : file.GetIndexDesc(slot).Name();
    return "index '" + name + "' (slot " + std::to_string(slot) + ")";
}

void TIndexChecker::Problem(const std::string& text) {
    problems_.push_back(SlotName(file_, slot_) + ": " + text);
}

// Takes a page number for the current slot's structure; false (with a problem) when it is outside the
// file or already taken.
bool TIndexChecker::Claim(uint32_t number) {
    if (number == 0 || number >= file_.GetNextPageNumber(slot_)) {
        Problem("page " + std::to_string(number) + " is outside the file");
        return false;
    }
    if (!(file_.IsTextIndex(slot_) ? textSeen_ : seen_).insert(number).second) {
        Problem("page " + std::to_string(number) + " is reached twice");
        return false;
    }
    return true;
}

uint64_t TIndexChecker::CheckTree(uint8_t slot, const TKeyComparator& order,
                                  std::vector<TIndexEntry>* entries) {
    slot_ = slot;
    TTreeWalk walk{&order, entries, {}, 0, -1, {}};
    uint32_t root = file_.GetRoot(slot);
    if (root == 0) return 0;
    try {
        CheckPage(walk, root, 1, nullptr);
        for (size_t level = 0; level < walk.Levels.size(); ++level) CheckLinks(walk.Levels[level], level + 1);
    } catch (const EVORSAMEngineError& e) {
        if (!IsDamage(e)) throw;
        Problem(std::string("reading the tree failed: ") + e.what());
    }
    return walk.LeafEntries;
}

uint64_t TIndexChecker::CheckPage(TTreeWalk& walk, uint32_t number, uint8_t level, const uint8_t* separator) {
    if (level > TIndexPath::MaxLevels) {
        Problem("deeper than 64 levels");
        return 0;
    }
    if (!Claim(number)) return 0;
    TPage* raw = nullptr;
    file_.GetPage(slot_, number, raw);
    TPageRef page(file_, raw);
    if (walk.Levels.size() < level) walk.Levels.resize(level);
    walk.Levels[level - 1].push_back({number, page->PrevPage(), page->NextPage()});
    CheckPageShape(*page, level);
    if (page->KeyCount() == 0) return 0;
    const TKeyComparator& order = *walk.Order;
    uint16_t k = page->Format().KeyLength;
    if (separator && order.Compare(page->KeyAt(1), separator, k) != 0)
        Problem("page " + std::to_string(number) + " does not start with its separator");
    for (uint32_t i = 2; i <= page->KeyCount(); ++i)
        if (order.Compare(page->KeyAt(i - 1), page->KeyAt(i), k) >= 0)
            Problem("keys out of order in page " + std::to_string(number));
    if (page->IsLeaf()) {
        if (walk.LeafDepth < 0) walk.LeafDepth = level;
        if (walk.LeafDepth != level) Problem("leaves at different depths");
        CheckLeafEntries(walk, *page);
        return page->KeyCount();
    }
    uint64_t total = 0;
    for (uint32_t i = 1; i <= page->KeyCount(); ++i) {
        uint64_t below = CheckPage(walk, page->GetValue(i), uint8_t(level + 1), page->KeyAt(i));
        if (page->HasCounts() && page->GetCount(i) != below)
            Problem("entry " + std::to_string(i) + " of page " + std::to_string(number) + " counts " +
                    std::to_string(page->GetCount(i)) + " records, its subtree holds " +
                    std::to_string(below));
        total += below;
    }
    return total;
}

void TIndexChecker::CheckPageShape(const TPage& page, uint8_t level) {
    std::string at = "page " + std::to_string(page.Number());
    if (!page.TypeFitsLevel(level))
        Problem(at + " has type " + std::to_string(page.PageType()) + " at level " + std::to_string(level));
    if (page.KeyCount() == 0) Problem(at + " is empty");
    if (page.IsCompressedLeaf()) {
        TPage packed;
        packed.Assign(page);
        packed.ComputeCompression();
        if (page.UsedBytes() > PageEntryBytes || page.UsedBytes() != packed.UsedBytes())
            Problem(at + " uses " + std::to_string(page.UsedBytes()) + " bytes, its entries pack into " +
                    std::to_string(packed.UsedBytes()));
        return;
    }
    if (page.KeyCount() > page.MaxEntries()) Problem(at + " holds more entries than fit");
    if (options_.RequireHalfFull && !page.IsRoot() && page.KeyCount() < page.MaxEntries() / 2)
        Problem(at + " is less than half full");
}

void TIndexChecker::CheckLeafEntries(TTreeWalk& walk, const TPage& page) {
    uint16_t k = page.Format().KeyLength;
    if (!walk.LastKey.empty() && walk.Order->Compare(walk.LastKey.data(), page.KeyAt(1), k) >= 0)
        Problem("page " + std::to_string(page.Number()) + " starts below the page before it");
    walk.LastKey.assign(page.KeyAt(page.KeyCount()), page.KeyAt(page.KeyCount()) + k);
    walk.LeafEntries += page.KeyCount();
    if (!walk.Entries) return;
    for (uint32_t i = 1; i <= page.KeyCount(); ++i)
        walk.Entries->push_back({std::vector<uint8_t>(page.KeyAt(i), page.KeyAt(i) + k), page.GetValue(i)});
}

void TIndexChecker::CheckLinks(const std::vector<TLevelPage>& pages, size_t level) {
    for (size_t i = 0; i < pages.size(); ++i) {
        uint32_t prev = i > 0 ? pages[i - 1].Number : 0;
        uint32_t next = i + 1 < pages.size() ? pages[i + 1].Number : 0;
        if (pages[i].Prev != prev || pages[i].Next != next)
            Problem("page " + std::to_string(pages[i].Number) + " at level " + std::to_string(level) +
                    " links to " + std::to_string(pages[i].Prev) + " and " + std::to_string(pages[i].Next) +
                    " instead of " + std::to_string(prev) + " and " + std::to_string(next));
    }
}

void TIndexChecker::CheckFreeList(uint8_t slot) {
    slot_ = slot;
    try {
        for (uint32_t number = file_.GetFreeHead(slot); number != 0;) {
            if (!Claim(number)) return;
            TPage* raw = nullptr;
            file_.GetPage(slot, number, raw);
            TPageRef page(file_, raw);
            if (page->KeyCount() != 0) Problem("free page " + std::to_string(number) + " holds entries");
            number = page->NextPage();
        }
    } catch (const EVORSAMEngineError& e) {
        if (!IsDamage(e)) throw;
        Problem(std::string("reading the free list failed: ") + e.what());
    }
}

// The entries the records make for the index, in key order.
std::vector<TIndexEntry> ExpectedEntries(TIndexFile& file, uint8_t slot, const TTableKeyInfo& table,
                                         const TKeyComparator& order, TActiveRecords& records) {
    const TIndexDescriptor& d = file.GetIndexDesc(slot);
    std::vector<TIndexEntry> expected;
    records.ForEachActiveRecord([&](uint32_t number, std::span<const uint8_t> image) {
        TIndexEntry entry{std::vector<uint8_t>(d.KeyLength()), number};
        BuildIndexKey(d, slot, table, image.data(), entry.Key.data());
        expected.push_back(std::move(entry));
    });
    std::stable_sort(expected.begin(), expected.end(), [&](const TIndexEntry& a, const TIndexEntry& b) {
        return order.Compare(a.Key.data(), b.Key.data(), d.KeyLength()) < 0;
    });
    return expected;
}

void CompareWithRecords(TIndexFile& file, uint8_t slot, const std::vector<TIndexEntry>& held,
                        const std::vector<TIndexEntry>& expected, std::vector<std::string>& problems) {
    std::string name = SlotName(file, slot);
    if (held.size() != expected.size())
        problems.push_back(name + ": holds " + std::to_string(held.size()) + " entries for " +
                           std::to_string(expected.size()) + " active records");
    for (size_t i = 0; i < std::min(held.size(), expected.size()); ++i) {
        if (held[i].Key != expected[i].Key || held[i].Value != expected[i].Value) {
            problems.push_back(name + ": entry " + std::to_string(i + 1) + " is record " +
                               std::to_string(held[i].Value) + ", the records put record " +
                               std::to_string(expected[i].Value) + " there under its key");
            return;
        }
    }
}

std::vector<uint8_t> UserSlots(TIndexFile& file) {
    std::vector<uint8_t> slots;
    if (!file.GetIndexDesc(PrimaryIndexSlot).IsEmpty()) slots.push_back(PrimaryIndexSlot);
    for (uint8_t slot = 1; slot <= file.GetIndexCount(); ++slot) slots.push_back(slot);
    return slots;
}

} // namespace

std::vector<std::string> VerifyIndexTree(TIndexFile& file, uint8_t slot, const TKeyComparator& order,
                                         std::vector<TIndexEntry>* entries,
                                         const TIndexVerifyOptions& options) {
    std::vector<std::string> problems;
    TIndexChecker checker(file, options, problems);
    checker.CheckTree(slot, order, entries);
    return problems;
}

std::vector<std::string> VerifyIndexFile(TIndexFile& file, const TTableKeyInfo& table,
                                         TActiveRecords* records, const TIndexVerifyOptions& options) {
    std::vector<std::string> problems;
    TIndexChecker checker(file, options, problems);
    std::vector<uint8_t> userSlots = UserSlots(file);
    for (uint8_t slot : userSlots) {
        if (!IsValidStoredDescriptor(file.GetIndexDesc(slot), slot, false, table.Fields)) {
            problems.push_back(SlotName(file, slot) + ": its descriptor breaks the rules");
            continue;
        }
        TKeyComparator order(file.GetIndexDesc(slot), slot, table);
        std::vector<TIndexEntry> held;
        uint64_t count = checker.CheckTree(slot, order, records ? &held : nullptr);
        if (!file.IsTextIndex(slot) && count != file.GetActiveRecords())
            problems.push_back(SlotName(file, slot) + ": holds " + std::to_string(count) +
                               " entries, the header counts " + std::to_string(file.GetActiveRecords()) +
                               " active records");
        if (records && !file.IsTextIndex(slot))
            CompareWithRecords(file, slot, held, ExpectedEntries(file, slot, table, order, *records),
                               problems);
    }
    if (file.GetIndexDesc(PrimaryIndexSlot).IsEmpty() && file.GetRoot(PrimaryIndexSlot) != 0)
        problems.push_back("the table is in record order, yet its primary index has a root page");
    for (uint8_t slot : {SysDeletedSlot, SysTextSlot})
        checker.CheckTree(slot, TKeyComparator(file.GetIndexDesc(slot), slot, table), nullptr);
    for (uint8_t slot = 0; slot < IndexSlotCount; ++slot) checker.CheckFreeList(slot);
    if (records) {
        uint32_t active = 0;
        records->ForEachActiveRecord([&](uint32_t, std::span<const uint8_t>) { ++active; });
        if (active != file.GetActiveRecords())
            problems.push_back("the header counts " + std::to_string(file.GetActiveRecords()) +
                               " active records, the table holds " + std::to_string(active));
    }
    return problems;
}

} // namespace vorsam
