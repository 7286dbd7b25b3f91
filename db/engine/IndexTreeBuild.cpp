#include "db/engine/IndexTreeBuild.h"

#include "db/engine/IndexPath.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace vorsam {

namespace {

// The entries of one level: key, value (record or child page) and subtree count of each.
class TLevelEntries {
public:
    explicit TLevelEntries(uint16_t keyLength) : keyLength_(keyLength) {}

    void Add(const uint8_t* key, uint32_t value, uint32_t count) {
        keys_.insert(keys_.end(), key, key + keyLength_);
        values_.push_back(value);
        counts_.push_back(count);
    }
    size_t Size() const { return values_.size(); }
    const uint8_t* Key(size_t i) const { return &keys_[i * keyLength_]; }
    uint32_t Value(size_t i) const { return values_[i]; }
    uint32_t Count(size_t i) const { return counts_[i]; }

private:
    uint16_t keyLength_;
    std::vector<uint8_t> keys_;
    std::vector<uint32_t> values_;
    std::vector<uint32_t> counts_;
};

// Fills the pages of one level in order; what it made becomes the entries of the level above.
class TLevelBuilder {
public:
    TLevelBuilder(TIndexFile& file, uint8_t slot, bool leaves, TLevelEntries& above)
        : file_(file), slot_(slot), type_(leaves ? ptLeaf : ptInternal), above_(above) {}

    void Add(const uint8_t* key, uint32_t value, uint32_t count) {
        if (!current_) NextPage();
        current_->InsertAt(uint32_t(current_->KeyCount()) + 1, key, value, count);
        if (!current_->IsOverfull()) return;
        TPageRef full = std::move(current_);
        NextPage(full.Get());
        full->MoveLastTo(*current_, 1); // the entry that did not fit starts the next page
        Done(std::move(previous_));
        previous_ = std::move(full);
    }

    // Evens out the last two pages and hands the last ones up; true when the level is one page, which
    // then becomes the root.
    bool Finish() {
        if (!previous_) {
            current_->SetPageType(type_ == ptLeaf ? ptLeafRoot : ptInternalRoot);
            file_.SetRoot(slot_, current_->Number());
            return true;
        }
        while (current_->KeyCount() + 1u < previous_->KeyCount()) {
            previous_->MoveLastTo(*current_, 1);
            if (current_->IsOverfull()) {
                current_->MoveFirstTo(*previous_, 1);
                break;
            }
        }
        Done(std::move(previous_));
        Done(std::move(current_));
        return false;
    }

private:
    void NextPage(TPage* before = nullptr) {
        current_ = TPageRef(file_, file_.AllocatePage(slot_));
        current_->SetPageType(type_);
        if (!before) return;
        before->SetNextPage(current_->Number());
        current_->SetPrevPage(before->Number());
    }

    void Done(TPageRef page) {
        if (page) above_.Add(page->KeyAt(1), page->Number(), page->TotalCount());
    }

    TIndexFile& file_;
    uint8_t slot_;
    uint8_t type_;
    TLevelEntries& above_;
    TPageRef previous_;
    TPageRef current_;
};

} // namespace

namespace {

// The levels above the leaves, from the leaves' entries in `level`.
void BuildUpperLevels(TIndexFile& file, uint8_t slot, uint16_t keyLength, TLevelEntries& level) {
    for (;;) {
        TLevelEntries above(keyLength);
        TLevelBuilder builder(file, slot, false, above);
        for (size_t i = 0; i < level.Size(); ++i) builder.Add(level.Key(i), level.Value(i), level.Count(i));
        if (builder.Finish()) return;
        level = std::move(above);
    }
}

} // namespace

void BuildIndexTree(TIndexFile& file, uint8_t slot, std::span<const TIndexEntry> entries) {
    if (entries.empty()) return;
    uint16_t keyLength = file.GetIndexDesc(slot).KeyLength();
    TLevelEntries level(keyLength);
    {
        TLevelBuilder leaves(file, slot, true, level);
        for (const TIndexEntry& entry : entries) leaves.Add(entry.Key.data(), entry.Value, 1);
        if (leaves.Finish()) return;
    }
    BuildUpperLevels(file, slot, keyLength, level);
}

void BuildIndexTree(TIndexFile& file, uint8_t slot, const uint8_t* keys, const uint32_t* values,
                    size_t count) {
    if (count == 0) return;
    uint16_t keyLength = file.GetIndexDesc(slot).KeyLength();
    TIndexTreeBuilder builder(file, slot);
    for (size_t i = 0; i < count; ++i) builder.Add(keys + i * keyLength, values[i]);
    builder.Finish();
}

struct TIndexTreeBuilder::TLevels {
    TLevels(TIndexFile& file, uint8_t slot)
        : File(file), Slot(slot), KeyLength(file.GetIndexDesc(slot).KeyLength()), Level(KeyLength),
          Leaves(file, slot, true, Level) {}
    TIndexFile& File;
    uint8_t Slot;
    uint16_t KeyLength;
    TLevelEntries Level; // the leaves made, for the level above
    TLevelBuilder Leaves;
    bool Any = false;
};

TIndexTreeBuilder::TIndexTreeBuilder(TIndexFile& file, uint8_t slot)
    : levels_(std::make_unique<TLevels>(file, slot)) {}

TIndexTreeBuilder::~TIndexTreeBuilder() = default;

void TIndexTreeBuilder::Add(const uint8_t* key, uint32_t value) {
    levels_->Leaves.Add(key, value, 1);
    levels_->Any = true;
}

void TIndexTreeBuilder::Finish() {
    TLevels& levels = *levels_;
    if (!levels.Any || levels.Leaves.Finish()) return;
    BuildUpperLevels(levels.File, levels.Slot, levels.KeyLength, levels.Level);
}

void FreeIndexTree(TIndexFile& file, uint8_t slot) {
    std::vector<uint32_t> pages;
    if (uint32_t root = file.GetRoot(slot)) pages.push_back(root);
    std::set<uint32_t> seen(pages.begin(), pages.end());
    // Every page is read before any is freed: a corrupt tree is refused as it stands.
    for (size_t i = 0; i < pages.size(); ++i) {
        TPage* raw = nullptr;
        file.GetPage(slot, pages[i], raw);
        TPageRef page(file, raw);
        if (page->KeyCount() == 0) file.RaiseIndexError(VORSAM_INDEXCORRUPT);
        if (page->IsLeaf()) continue;
        for (uint32_t position = 1; position <= page->KeyCount(); ++position) {
            uint32_t child = page->GetValue(position);
            if (child == 0 || child >= file.GetNextPageNumber(slot) || !seen.insert(child).second)
                file.RaiseIndexError(VORSAM_INDEXCORRUPT);
            pages.push_back(child);
        }
    }
    for (uint32_t number : pages) {
        TPage* raw = nullptr;
        file.GetPage(slot, number, raw);
        TPageRef page(file, raw);
        file.FreePage(page.Get());
    }
    file.SetRoot(slot, 0);
    file.SetKeptPageNumber(slot, 0);
}

void MoveFreePages(TIndexFile& file, uint8_t from, uint8_t to) {
    uint32_t head = file.GetFreeHead(from);
    if (head == 0) return;
    file.FlushPages(false);
    file.DropPages(false);
    TPageRef tail;
    for (uint32_t number = head, count = 0; number != 0; ++count) {
        if (count >= file.GetPageCount()) file.RaiseIndexError(VORSAM_INDEXCORRUPT); // a cycle
        TPage* raw = nullptr;
        file.GetPage(to, number, raw);
        tail = TPageRef(file, raw);
        number = tail->NextPage();
    }
    tail->SetNextPage(file.GetFreeHead(to));
    file.SetFreeHead(to, head);
    file.SetFreeHead(from, 0);
}

} // namespace vorsam
