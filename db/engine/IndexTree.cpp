#include "db/engine/IndexTree.h"

#include <cassert>

namespace vorsam {

TIndexTree::TIndexTree(TIndexFile& file, uint8_t slot, const TKeyComparator& order)
    : file_(file), slot_(slot), order_(order), keyLength_(file.GetIndexDesc(slot).KeyLength()) {}

void TIndexTree::RaiseCorrupt() const {
    file_.RaiseIndexError(VORSAM_INDEXCORRUPT);
}

TPageRef TIndexTree::Fetch(uint32_t number) {
    TPage* page = nullptr;
    file_.GetPage(slot_, number, page);
    return TPageRef(file_, page);
}

// ---- whole operations ----

bool TIndexTree::Descend(const uint8_t* key, TDescent& descent) {
    uint32_t number = file_.GetRoot(slot_);
    if (number == 0) return false;
    TSearchKey search = Search(key);
    TIndexPath& path = descent.Path;
    for (;;) {
        path.Descend(number, &file_);
        descent.Pages.push_back(Fetch(number));
        TPage& page = *descent.Pages.back();
        if (!page.TypeFitsLevel(path.Level())) RaiseCorrupt();
        if (page.IsLeaf()) return true;
        uint32_t position = page.FindPosition(search);
        path.SetPathPosition(position);
        number = page.GetValue(position);
    }
}

bool TIndexTree::Insert(const uint8_t* key, uint32_t value) {
    TDescent descent;
    if (!Descend(key, descent)) {
        TPageRef root(file_, file_.AllocatePage(slot_));
        root->SetPageType(ptLeafRoot);
        root->InsertAt(1, key, value, 1);
        file_.SetRoot(slot_, root->Number());
        return true;
    }
    TPage& leaf = descent.Leaf();
    uint32_t notAbove = leaf.FindKeyOrZero(Search(key));
    if (notAbove > 0 && order_.Compare(leaf.KeyAt(notAbove), key, keyLength_) == 0) return false;
    descent.Path.SetPathPosition(notAbove + 1);
    AdjustCounts(descent, 1);
    InsertEntry(leaf, descent.Path, key, 1, value);
    return true;
}

bool TIndexTree::Delete(const uint8_t* key, uint32_t value) {
    TDescent descent;
    if (!Descend(key, descent)) return false;
    TPage& leaf = descent.Leaf();
    TFindResult found = leaf.FindKey(Search(key));
    if (!found.Found || leaf.GetValue(found.Position) != value) return false;
    descent.Path.SetPathPosition(found.Position);
    AdjustCounts(descent, -1);
    DeleteEntry(leaf, descent.Path);
    return true;
}

bool TIndexTree::DeleteSorted(const uint8_t* keys, const uint32_t* values, size_t count) {
    for (size_t first = 0; first < count;) {
        TDescent descent;
        if (!Descend(keys + first * keyLength_, descent)) return false;
        TPage& leaf = descent.Leaf();
        if (leaf.KeyCount() == 0) return false;
        positions_.clear();
        size_t next = first;
        for (; next < count; ++next) {
            const uint8_t* key = keys + next * keyLength_;
            // A key past the leaf's last entry lies in a later leaf: the next descent finds it.
            if (next > first && order_.Compare(key, leaf.KeyAt(leaf.KeyCount()), keyLength_) > 0) break;
            TFindResult found = leaf.FindKey(Search(key));
            if (!found.Found || leaf.GetValue(found.Position) != values[next]) return false;
            assert(positions_.empty() || found.Position > positions_.back());
            positions_.push_back(found.Position);
        }
        // The later entries go as they are; the first goes last, through the step that restores the
        // separators above and the leaf's fill.
        descent.Path.SetPathPosition(positions_.front());
        AdjustCounts(descent, -int(positions_.size()));
        for (size_t i = positions_.size(); i-- > 1;) leaf.RemoveAt(positions_[i]);
        DeleteEntry(leaf, descent.Path);
        first = next;
    }
    return true;
}

const uint8_t* TIndexTree::KeyAfterLeaf(const TDescent& descent) const {
    const TIndexPath& path = descent.Path;
    for (uint8_t level = uint8_t(path.Depth() - 1); level >= 1; --level) {
        const TPage& page = *descent.Pages[level - 1];
        if (path.PositionAt(level) < page.KeyCount()) return page.KeyAt(path.PositionAt(level) + 1);
    }
    return nullptr;
}

void TIndexTree::FindSorted(const uint8_t* keys, size_t count, const std::function<void(size_t)>& held) {
    auto key = [&](size_t i) { return keys + i * keyLength_; };
    for (size_t first = 0; first < count;) {
        TDescent descent;
        if (!Descend(key(first), descent)) return;
        TPage& leaf = descent.Leaf();
        if (leaf.KeyCount() == 0) RaiseCorrupt();
        const uint8_t* after = KeyAfterLeaf(descent);
        const uint8_t* last = leaf.KeyAt(leaf.KeyCount());
        size_t next = first;
        for (; next < count; ++next) {
            if (next > first && after && order_.Compare(key(next), after, keyLength_) >= 0) break;
            // Past the leaf's last entry and before the next leaf: not held (keys appended in order).
            if (order_.Compare(key(next), last, keyLength_) > 0) continue;
            if (leaf.FindKey(Search(key(next))).Found) held(next);
        }
        first = next;
    }
}

void TIndexTree::InsertSorted(const uint8_t* keys, const uint32_t* values, size_t count) {
    auto key = [&](size_t i) { return keys + i * keyLength_; };
    bool appended = false; // a leaf split at the index's right end
    for (size_t first = 0; first < count;) {
        TDescent descent;
        if (!Descend(key(first), descent)) {
            Insert(key(first), values[first]);
            ++first;
            continue;
        }
        TPage& leaf = descent.Leaf();
        if (leaf.KeyCount() == 0) RaiseCorrupt();
        const uint8_t* after = KeyAfterLeaf(descent);
        size_t next = first;
        bool split = false;
        for (; next < count && !split; ++next) {
            if (next > first && after && order_.Compare(key(next), after, keyLength_) >= 0) break;
            uint32_t entries = leaf.KeyCount();
            int last = order_.Compare(key(next), leaf.KeyAt(entries), keyLength_);
            uint32_t notAbove = last > 0 ? entries : leaf.FindKeyOrZero(Search(key(next)));
            if (last == 0 ||
                (notAbove > 0 && order_.Compare(leaf.KeyAt(notAbove), key(next), keyLength_) == 0))
                RaiseCorrupt();
            leaf.InsertAt(notAbove + 1, key(next), values[next], 1);
            if (notAbove == 0) ReplaceSeparators(descent.Path, key(next));
            split = leaf.IsOverfull();
        }
        // The counts above take the entries first; a split then sets the pages' own.
        AdjustCounts(descent, int(next - first));
        if (split) {
            bool atEnd =
                !after && order_.Compare(key(next - 1), leaf.KeyAt(leaf.KeyCount()), keyLength_) == 0;
            appended = appended || atEnd;
            Split(leaf, descent.Path, atEnd ? leaf.KeyCount() - 1u : 0u);
        }
        first = next;
    }
    if (!appended) return;
    // The last leaf, begun with one entry, takes its share from the one before it, as after a deletion.
    TDescent last;
    Descend(key(count - 1), last);
    TPage& leaf = last.Leaf();
    if (!leaf.IsRoot() && !leaf.IsCompressedLeaf() && 2 * leaf.KeyCount() < leaf.MaxEntries())
        Rebalance(leaf, last.Path);
}

bool TIndexTree::Find(const uint8_t* key, uint32_t& value) {
    TDescent descent;
    if (!Descend(key, descent)) return false;
    TFindResult found = descent.Leaf().FindKey(Search(key));
    if (found.Found) value = descent.Leaf().GetValue(found.Position);
    return found.Found;
}

void TIndexTree::AdjustCounts(TDescent& descent, int delta) {
    const TIndexPath& path = descent.Path;
    for (uint8_t level = 1; level < path.Depth(); ++level) {
        TPage& page = *descent.Pages[level - 1];
        uint32_t position = path.PositionAt(level);
        if (page.HasCounts()) page.SetCount(position, page.GetCount(position) + delta);
    }
}

// ---- insertion ----

void TIndexTree::InsertEntry(TPage& page, TIndexPath& path, const uint8_t* key, uint32_t count,
                             uint32_t value) {
    uint32_t position = path.GetPathPosition();
    page.InsertAt(position, key, value, count);
    if (position == 1) ReplaceSeparators(path, key);
    if (page.IsOverfull()) Split(page, path);
}

void TIndexTree::ReplaceSeparators(const TIndexPath& path, const uint8_t* key) {
    for (uint8_t level = path.Level(); level > 1; --level) {
        TPageRef parent = Fetch(path.PageAt(level - 1));
        uint32_t position = path.PositionAt(level - 1);
        parent->SetKey(position, key);
        if (position != 1) break;
    }
}

void TIndexTree::Split(TPage& page, TIndexPath& path, uint32_t kept) {
    bool wasRoot = page.IsRoot();
    uint8_t type = page.IsLeaf() ? ptLeaf : ptInternal;
    TPageRef right(file_, file_.AllocatePage(slot_));
    page.SetPageType(type);
    right->SetPageType(type);
    page.MoveLastTo(*right,
                    kept > 0 && kept < page.KeyCount() ? page.KeyCount() - kept : page.KeyCount() / 2);
    right->SetPrevPage(page.Number());
    right->SetNextPage(page.NextPage());
    if (page.NextPage()) Fetch(page.NextPage())->SetPrevPage(right->Number());
    page.SetNextPage(right->Number());
    if (page.IsCompressedLeaf()) Balance(page, *right);
    if (wasRoot) {
        NewRoot(page, *right);
        return;
    }
    if (path.Level() <= 1) RaiseCorrupt();
    path.PathLevelUp();
    TPageRef parent = Fetch(path.GetPathPage());
    uint32_t position = path.GetPathPosition();
    parent->SetCount(position, page.TotalCount());
    path.SetPathPosition(position + 1);
    InsertEntry(*parent, path, right->KeyAt(1), right->TotalCount(), right->Number());
}

// Moves entries across the boundary of a split compressed leaf until both halves fit.
void TIndexTree::Balance(TPage& left, TPage& right) {
    while (left.UsedBytes() > PageEntryBytes && left.KeyCount() > 1) left.MoveLastTo(right, 1);
    while (right.UsedBytes() > PageEntryBytes && right.KeyCount() > 1) right.MoveFirstTo(left, 1);
    if (left.UsedBytes() > PageEntryBytes || right.UsedBytes() > PageEntryBytes) RaiseCorrupt();
}

void TIndexTree::NewRoot(TPage& left, TPage& right) {
    TPageRef root(file_, file_.AllocatePage(slot_));
    root->SetPageType(ptInternalRoot);
    root->InsertAt(1, left.KeyAt(1), left.Number(), left.TotalCount());
    root->InsertAt(2, right.KeyAt(1), right.Number(), right.TotalCount());
    file_.SetRoot(slot_, root->Number());
}

// ---- deletion ----

void TIndexTree::DeleteEntry(TPage& page, TIndexPath& path) {
    uint32_t position = path.GetPathPosition();
    page.RemoveAt(position);
    if (page.KeyCount() > 0 && position == 1) ReplaceSeparators(path, page.KeyAt(1));
    if (page.PageType() == ptLeafRoot) {
        if (page.KeyCount() == 0) {
            file_.FreePage(&page);
            file_.SetRoot(slot_, 0);
        }
    } else if (page.PageType() == ptInternalRoot) {
        if (page.KeyCount() == 1) CollapseRoot(page);
    } else if (page.IsCompressedLeaf()) {
        if (page.KeyCount() == 0) RemovePage(page, path);
    } else if (2 * page.KeyCount() < page.MaxEntries()) {
        Rebalance(page, path);
    }
}

void TIndexTree::Unlink(TPage& page) {
    if (page.PrevPage()) Fetch(page.PrevPage())->SetNextPage(page.NextPage());
    if (page.NextPage()) Fetch(page.NextPage())->SetPrevPage(page.PrevPage());
}

// An emptied compressed leaf leaves the tree.
void TIndexTree::RemovePage(TPage& page, TIndexPath& path) {
    if (path.Level() <= 1) RaiseCorrupt();
    Unlink(page);
    file_.FreePage(&page);
    path.PathLevelUp();
    TPageRef parent = Fetch(path.GetPathPage());
    DeleteEntry(*parent, path);
}

void TIndexTree::CollapseRoot(TPage& root) {
    uint32_t childNumber = root.GetValue(1);
    TPageRef child = Fetch(childNumber);
    child->SetPageType(child->IsLeaf() ? ptLeafRoot : ptInternalRoot);
    file_.SetRoot(slot_, childNumber);
    file_.FreePage(&root);
}

// A page below half its maximum merges with, or takes entries from, a neighbour under the same parent.
void TIndexTree::Rebalance(TPage& page, TIndexPath& path) {
    uint8_t level = path.Level();
    if (level <= 1) RaiseCorrupt();
    TPageRef parent = Fetch(path.PageAt(level - 1));
    uint32_t position = path.PositionAt(level - 1);
    bool withPrevious = position > 1;
    if (!withPrevious && position >= parent->KeyCount()) RaiseCorrupt();
    TPageRef neighbour = Fetch(parent->GetValue(withPrevious ? position - 1 : position + 1));
    bool linked =
        withPrevious ? neighbour->NextPage() == page.Number() : page.NextPage() == neighbour->Number();
    if (!linked) RaiseCorrupt();
    uint32_t leftPosition = withPrevious ? position - 1 : position;
    TPage& left = withPrevious ? *neighbour : page;
    TPage& right = withPrevious ? page : *neighbour;
    uint32_t total = uint32_t(left.KeyCount()) + right.KeyCount();
    if (total < page.MaxEntries()) {
        // Merge: every entry goes to the neighbour, the page leaves its level and its parent.
        if (withPrevious) {
            page.MoveFirstTo(left, page.KeyCount());
            parent->SetCount(leftPosition, left.TotalCount());
        } else {
            page.MoveLastTo(right, page.KeyCount());
            parent->SetKey(position + 1, right.KeyAt(1));
            parent->SetCount(position + 1, right.TotalCount());
        }
        Unlink(page);
        file_.FreePage(&page);
        path.SetLevel(level - 1);
        DeleteEntry(*parent, path);
        return;
    }
    uint32_t leftWanted = withPrevious ? (total + 1) / 2 : total / 2;
    if (left.KeyCount() > leftWanted)
        left.MoveLastTo(right, left.KeyCount() - leftWanted);
    else
        right.MoveFirstTo(left, leftWanted - left.KeyCount());
    parent->SetKey(leftPosition + 1, right.KeyAt(1));
    parent->SetCount(leftPosition, left.TotalCount());
    parent->SetCount(leftPosition + 1, right.TotalCount());
    if (!withPrevious) ReplaceSeparators(path, page.KeyAt(1));
}

} // namespace vorsam
