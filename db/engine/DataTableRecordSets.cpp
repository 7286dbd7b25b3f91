// TDataTable, changes of sets of records in one write (AppendRecords, ModifyRecords, DeleteRecords): the
// records taken a few thousand at a time, read in runs in record order and pinned meanwhile, and each
// index's keys of the whole set applied in the index's order, one descent per leaf page (the sorted
// operations of TIndexTree), as they would be applied one record after another.
#include "db/engine/DataTable.h"

#include "db/engine/IndexTree.h"
#include "db/engine/IndexTreeBuild.h"
#include "db/lib/ByteUtils.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <exception>
#include <functional>
#include <numeric>

namespace vorsam {

namespace {

// The records of a set pinned at once.
constexpr size_t PinnedRecords = 4096;

// Records pinned together, released at the end of the scope.
class TPinnedRun {
public:
    explicit TPinnedRun(TDataFile& file) : file_(file) {}
    ~TPinnedRun() { Release(); }
    TPinnedRun(const TPinnedRun&) = delete;
    TPinnedRun& operator=(const TPinnedRun&) = delete;

    // Pins the records of the numbers (any order, existing slots) read in runs in record order.
    void Pin(std::span<const uint32_t> numbers) {
        Release();
        sorted_.assign(numbers.begin(), numbers.end());
        std::sort(sorted_.begin(), sorted_.end());
        sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
        file_.PinRecords(sorted_, records_);
        assert(records_.size() == sorted_.size());
    }
    // The pinned record `number`.
    TRecord& Get(uint32_t number) const {
        auto at = std::lower_bound(sorted_.begin(), sorted_.end(), number);
        assert(at != sorted_.end() && *at == number);
        return *records_[size_t(at - sorted_.begin())];
    }
    void Release() noexcept {
        for (TRecord* record : records_) file_.ReleaseRecord(*record);
        records_.clear();
    }

private:
    TDataFile& file_;
    std::vector<uint32_t> sorted_;
    std::vector<TRecord*> records_;
};

// No record among the numbers is given twice (numbers past the slots aside).
bool EachOnce(std::span<const uint32_t> numbers, uint32_t next) {
    std::vector<bool> seen(next);
    for (uint32_t number : numbers) {
        if (number >= next) continue;
        if (seen[number]) return false;
        seen[number] = true;
    }
    return true;
}

} // namespace

// A set of this many records writes them past the record cache (TDataFile::AllocateSpilled, ChangeRecords):
// a thousand or more that the cache cannot keep, or that would leave it holding more than
// TDataFile::HeldBytes, or more than the session's budget of changes holds.
bool TDataTable::ManyRecords(size_t count) const {
    const uint64_t bytes = dataFile_.GetRecordSize() + sizeof(TRecord);
    return (count >= 1024 && (count > dataFile_.CacheLimit() ||
                              (dataFile_.RecordCache().Count() + count) * bytes > TDataFile::HeldBytes)) ||
           count * bytes > settings_.ChangeBudget;
}

// The keys of one index for the records of a set, one after another in the set's order, and the order
// of those places in the index (equal keys by their places).
class TDataTable::TSetKeys {
public:
    TSetKeys(TDataTable& table, uint8_t slot, size_t count)
        : order_(table.OrderOf(slot)), length_(table.KeyLengthOf(slot)), keys_(count * length_) {}
    uint8_t* Key(size_t i) { return &keys_[i * length_]; }
    const uint8_t* Key(size_t i) const { return &keys_[i * length_]; }
    int Compare(size_t a, size_t b) const { return order_.Compare(Key(a), Key(b), length_); }
    // Key a against key b of another set of the same index.
    int CompareWith(size_t a, const TSetKeys& other, size_t b) const {
        return order_.Compare(Key(a), other.Key(b), length_);
    }
    // Puts the places into the index's order of their keys, equal keys by their places.
    void Sort(std::vector<uint32_t>& places) const {
        auto before = [&](uint32_t a, uint32_t b) {
            int c = Compare(a, b);
            return c != 0 ? c < 0 : a < b;
        };
        // Records that arrive in the index's order (rows copied from a table in that order, a search
        // through the index), or in its reverse, are not sorted.
        if (std::is_sorted(places.begin(), places.end(), before)) return;
        if (std::adjacent_find(places.begin(), places.end(),
                               [&](uint32_t a, uint32_t b) { return Compare(a, b) <= 0; }) == places.end())
            std::reverse(places.begin(), places.end());
        else if (order_.ComparesBytes())
            SortBytewise(places);
        else
            std::sort(places.begin(), places.end(), before);
    }
    // The keys of the places, one after another in their order, into `out`.
    void Gather(std::span<const uint32_t> places, std::vector<uint8_t>& out) const {
        out.resize(places.size() * length_);
        for (size_t k = 0; k < places.size(); ++k) std::memcpy(&out[k * length_], Key(places[k]), length_);
    }

private:
    // Keys compared as bytes. The bytes that every key shares at its start order none of them: past those, by
    // their next eight bytes as a number, a byte at a time from the last (a radix sort that keeps the order
    // of equal ones, passing over bytes that all keys share), then the rest of their bytes and their places
    // where those are equal.
    void SortBytewise(std::vector<uint32_t>& places) const {
        const size_t count = places.size();
        assert(count > 1);
        const uint8_t* const base = Key(places[0]);
        size_t common = length_;
        for (size_t k = 1; k < count && common > 0; ++k) {
            const uint8_t* key = Key(places[k]);
            common = size_t(std::mismatch(base, base + common, key).first - base);
        }
        const size_t headLength = std::min<size_t>(length_ - common, 8), restFrom = common + headLength,
                     rest = length_ - restFrom;
        std::vector<std::pair<uint64_t, uint32_t>> sorted(count), other(count);
        uint64_t any = 0, all = ~uint64_t(0);
        for (size_t k = 0; k < count; ++k) {
            uint8_t head[8] = {};
            std::memcpy(head, Key(places[k]) + common, headLength);
            sorted[k] = {LoadBE(head, 8), places[k]};
            any |= sorted[k].first;
            all &= sorted[k].first;
        }
        for (unsigned shift = 0; shift < 64; shift += 8) {
            if (((any ^ all) >> shift & 0xFF) == 0) continue;
            std::array<size_t, 257> at{};
            for (const auto& entry : sorted) ++at[(entry.first >> shift & 0xFF) + 1];
            for (size_t digit = 1; digit < at.size(); ++digit) at[digit] += at[digit - 1];
            for (const auto& entry : sorted) other[at[entry.first >> shift & 0xFF]++] = entry;
            sorted.swap(other);
        }
        auto before = [&](const auto& a, const auto& b) {
            int c = rest > 0 ? CompareKeyBytes(Key(a.second) + restFrom, Key(b.second) + restFrom, rest) : 0;
            return c != 0 ? c < 0 : a.second < b.second;
        };
        for (size_t first = 0, end; first < count; first = end) {
            for (end = first + 1; end < count && sorted[end].first == sorted[first].first;) ++end;
            if (end - first > 1)
                std::sort(sorted.begin() + ptrdiff_t(first), sorted.begin() + ptrdiff_t(end), before);
        }
        for (size_t k = 0; k < count; ++k) places[k] = sorted[k].second;
    }

    const TKeyComparator& order_;
    uint16_t length_;
    std::vector<uint8_t> keys_;
};

// The keys of a set appended, per slot of KeySlotList: each record's (TSetKeys) and the records in the
// index's order of them; the first record refused, and the slot that refuses it.
struct TDataTable::TAppendKeys {
    std::vector<TSetKeys> Keys;
    std::vector<std::vector<uint32_t>> Sorted;
    size_t Refused = 0;
    uint8_t Refusing = 0;
};

size_t TDataTable::AppendRecords(std::span<uint8_t> images, TPendingKeys* pending) {
    TTableWrite write(*this);
    NoteContentChanged();
    assert(!HasBlobFile());
    const size_t size = dataFile_.GetRecordSize();
    if (size == 0 || images.size() % size != 0)
        Raise(VORSAM_OUTOFRANGE, "record images of " + std::to_string(images.size()) + " bytes");
    const size_t count = images.size() / size;
    StampAppends(images, count);
    const TKeySlotList slots = KeySlotList();
    if (pending && pending->slots_.empty())
        for (uint8_t slot : slots) {
            TPendingKeys::TSlot& held = pending->slots_.emplace_back();
            held.Slot = slot;
            held.Unique = indexFile_.GetIndexDesc(slot).Unique();
            held.Length = KeyLengthOf(slot);
        }
    assert(!pending || pending->slots_.size() == slots.Count);
    TAppendKeys keys;
    FindAppendRefusals(slots, images, count, pending, keys);
    std::vector<uint32_t> numbers;
    std::exception_ptr failure = AllocateAppends(images, keys.Refused, numbers);
    PutAppendedKeys(slots, keys, numbers, pending);
    indexFile_.SetActiveRecords(indexFile_.GetActiveRecords() + uint32_t(numbers.size()));
    write.End();
    if (failure) std::rethrow_exception(failure);
    if (keys.Refused < count) RaiseIndexError(VORSAM_KEYVIOL, keys.Refusing);
    return count;
}

// The prefixes that appends one by one stamp: status, no link yet, and the +5 value, each the counter's
// next value.
void TDataTable::StampAppends(std::span<uint8_t> images, size_t count) const {
    const size_t size = dataFile_.GetRecordSize();
    for (size_t i = 0, autoInc = dataFile_.GetLastAutoIncValue(); i < count; ++i) {
        uint8_t* image = &images[i * size];
        autoInc = NextCounterValue(uint32_t(autoInc));
        image[0] = RecordActive;
        StoreLE32(&image[NextFreeOffset], 0);
        StoreLE32(&image[AutoIncValueOffset], uint32_t(autoInc));
    }
}

// Every index's refusals first: the records before the first one refused are appended, as one by one. A
// key refused is one equal to an earlier record's, to one the tree holds, or to one held back (of a unique
// index: the keys of a non-unique one end with the fresh +5 values of this change's records).
void TDataTable::FindAppendRefusals(const TKeySlotList& slots, std::span<const uint8_t> images, size_t count,
                                    const TPendingKeys* pending, TAppendKeys& keys) {
    const size_t size = dataFile_.GetRecordSize();
    std::vector<uint8_t> gathered;
    keys.Refused = count;
    keys.Sorted.resize(slots.Count);
    for (uint8_t i = 0; i < slots.Count; ++i) {
        const uint8_t slot = slots.Slots[i];
        TSetKeys& set = keys.Keys.emplace_back(*this, slot, count);
        std::vector<uint32_t>& sorted = keys.Sorted[i];
        for (size_t k = 0; k < count; ++k) BuildKeyOf(slot, images.subspan(k * size, size), set.Key(k));
        sorted.resize(count);
        std::iota(sorted.begin(), sorted.end(), 0u);
        set.Sort(sorted);
        size_t first = count;
        for (size_t k = 1; k < count; ++k)
            if (set.Compare(sorted[k - 1], sorted[k]) == 0) first = std::min<size_t>(first, sorted[k]);
        set.Gather(sorted, gathered);
        if (indexFile_.GetRoot(slot) != 0)
            TIndexTree(indexFile_, slot, OrderOf(slot)).FindSorted(gathered.data(), count, [&](size_t k) {
                first = std::min<size_t>(first, sorted[k]);
            });
        if (pending && pending->slots_[i].Unique)
            HeldBack(*pending, i, gathered, [&](size_t k) { first = std::min<size_t>(first, sorted[k]); });
        if (first < keys.Refused) {
            keys.Refused = first;
            keys.Refusing = slot;
        }
    }
}

// The records of the first `count` images taken in order (past the record cache for many), their numbers to
// `numbers`; a failure is returned: the records had before it stay, with their keys.
std::exception_ptr TDataTable::AllocateAppends(std::span<uint8_t> images, size_t count,
                                               std::vector<uint32_t>& numbers) {
    const size_t size = dataFile_.GetRecordSize();
    numbers.reserve(count);
    const bool many = ManyRecords(count);
    if (many && LockedWhole()) dataFile_.GoingPast(count);
    try {
        for (size_t i = 0; i < count; ++i) {
            std::span<uint8_t> image = images.subspan(i * size, size);
            uint32_t number = dataFile_.AllocateSpilled(image, many);
            if (number == 0) {
                TPinnedRecord record(dataFile_.AllocateRecord(nullptr));
                number = record->RecordNumber();
                StoreLE32(&image[NextFreeOffset], number);
                std::copy(image.begin(), image.end(), record->Image().begin());
                record->SetModified();
            }
            dataFile_.NextAutoIncValue();
            numbers.push_back(number);
        }
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// The keys of the records appended (`numbers`, the first of the set's) into each index in its order, or
// held back in `pending`.
void TDataTable::PutAppendedKeys(const TKeySlotList& slots, TAppendKeys& keys,
                                 std::span<const uint32_t> numbers, TPendingKeys* pending) {
    std::vector<uint8_t> gathered;
    std::vector<uint32_t> values;
    for (uint8_t i = 0; i < slots.Count; ++i) {
        std::vector<uint32_t>& sorted = keys.Sorted[i];
        std::erase_if(sorted, [&](uint32_t k) { return k >= numbers.size(); });
        keys.Keys[i].Gather(sorted, gathered);
        values.clear();
        for (uint32_t k : sorted) values.push_back(numbers[k]);
        const uint8_t slot = slots.Slots[i];
        if (pending) {
            pending->Add(i, gathered, values);
        } else if (indexFile_.GetRoot(slot) == 0) {
            BuildIndexTree(indexFile_, slot, gathered.data(), values.data(), values.size());
        } else {
            TIndexTree(indexFile_, slot, OrderOf(slot))
                .InsertSorted(gathered.data(), values.data(), values.size());
        }
    }
    if (!pending) return;
    pending->rows_ += numbers.size();
    if (pending->MemoryBytes() > std::max<uint64_t>(settings_.ChangeBudget, 1)) SpillPendingKeys(*pending);
}

// The records of a set that ModifyRecords changes with their keys put into the indexes together: each
// record's image changed in place (Edit) as ModifyPinned writes it but for the keys, and per row (the records
// changed in turn) which index's key it changed, the keys of the rows from the first that changed one on
// (made then), and the images before of the rows from there on (only those can be refused, or follow a row
// refused), for ApplySetKeys.
class TDataTable::TChangedSet {
public:
    TChangedSet(TDataTable& table, const TKeySlotList& slots, size_t capacity, const TRecordChange& change)
        : table_(table), slots_(slots), capacity_(capacity), change_(change),
          image_(table.dataFile_.GetRecordSize()) {}

    // Changes the active record `number`'s image (`current`, as it is now) in place; false for a record no
    // longer active.
    bool Edit(uint32_t number, std::span<uint8_t> current) {
        if (current[0] != RecordActive) return false;
        std::copy(current.begin(), current.end(), image_.begin());
        bool keepAutoInc = change_(number, image_);
        const size_t row = rows_.size();
        image_[0] = RecordActive;
        StoreLE32(&image_[NextFreeOffset], number);
        if (!keepAutoInc) std::copy_n(&current[AutoIncValueOffset], 4, &image_[AutoIncValueOffset]);
        TMovedKeys bits = 0;
        if (!table_.KeysKept(current, image_, keepAutoInc)) {
            if (oldKeys_.empty()) {
                for (uint8_t slot : slots_) {
                    oldKeys_.emplace_back(table_, slot, capacity_);
                    newKeys_.emplace_back(table_, slot, capacity_);
                }
                beforeFrom_ = row;
            }
            for (uint8_t i = 0; i < slots_.Count; ++i) {
                table_.BuildKeyOf(slots_.Slots[i], current, oldKeys_[i].Key(row));
                table_.BuildKeyOf(slots_.Slots[i], image_, newKeys_[i].Key(row));
                if (oldKeys_[i].CompareWith(row, newKeys_[i], row) != 0) bits |= TMovedKeys(1) << i;
            }
        }
        rows_.push_back(number);
        moved_.push_back(bits);
        if (row >= beforeFrom_) before_.insert(before_.end(), current.begin(), current.end());
        std::copy(image_.begin(), image_.end(), current.begin());
        return true;
    }

    // The keys the rows edited changed go into the indexes (ApplySetKeys); the rows that stay changed.
    size_t ApplyKeys() {
        return oldKeys_.empty()
                   ? rows_.size()
                   : table_.ApplySetKeys(slots_, rows_, moved_, beforeFrom_, before_, oldKeys_, newKeys_);
    }

private:
    TDataTable& table_;
    const TKeySlotList& slots_;
    const size_t capacity_;
    const TRecordChange& change_;
    std::vector<uint8_t> image_;
    std::vector<uint32_t> rows_;
    std::vector<TMovedKeys> moved_;
    std::vector<TSetKeys> oldKeys_, newKeys_;
    std::vector<uint8_t> before_;
    size_t beforeFrom_ = SIZE_MAX;
};

void TDataTable::ModifyRecords(std::span<const uint32_t> numbers, const TRecordChange& change,
                               uint32_t& changed, bool keysInSets) {
    TTableWrite write(*this);
    NoteContentChanged();
    assert(!HasBlobFile());
    const TKeySlotList slots = KeySlotList();
    // A record twice in the set would find its keys changed by the first time: one by one then.
    if (!keysInSets || slots.Count == 0 || !EachOnce(numbers, dataFile_.Header().NextRecordNumber())) {
        std::exception_ptr failure = ModifyEach(numbers, change, changed);
        write.End();
        if (failure) std::rethrow_exception(failure);
        return;
    }
    TChangedSet set(*this, slots, numbers.size(), change);
    std::exception_ptr failure = EditSet(numbers, set);
    try {
        changed += uint32_t(set.ApplyKeys());
    } catch (...) {
        write.End();
        throw;
    }
    write.End();
    if (failure) std::rethrow_exception(failure);
}

// Calls `visit` with each of the records of the numbers in turn, pinned: a run of them at a time, read in
// record order. A number that is no record raises where it stands (VORSAM_RECNOTFOUND).
void TDataTable::ForEachPinned(std::span<const uint32_t> numbers,
                               const std::function<void(uint32_t number, TRecord& record)>& visit) {
    const uint32_t next = dataFile_.Header().NextRecordNumber();
    TPinnedRun pinned(dataFile_);
    for (size_t first = 0; first < numbers.size(); first += PinnedRecords) {
        std::span<const uint32_t> run =
            numbers.subspan(first, std::min(PinnedRecords, numbers.size() - first));
        auto valid = std::find_if(run.begin(), run.end(), [&](uint32_t n) { return n == 0 || n >= next; });
        pinned.Pin(run.first(size_t(valid - run.begin())));
        for (uint32_t number : run) {
            if (number == 0 || number >= next) Raise(VORSAM_RECNOTFOUND);
            visit(number, pinned.Get(number));
        }
    }
}

// The active records among the numbers changed one after another (ModifyPinned); a failure is returned: the
// records changed before it stay, as one by one.
std::exception_ptr TDataTable::ModifyEach(std::span<const uint32_t> numbers, const TRecordChange& change,
                                          uint32_t& changed) {
    std::vector<uint8_t> image(dataFile_.GetRecordSize());
    try {
        ForEachPinned(numbers, [&](uint32_t number, TRecord& slot) {
            if (slot.Status() != RecordActive) return;
            std::copy(slot.Image().begin(), slot.Image().end(), image.begin());
            bool keepAutoInc = change(number, image);
            ModifyPinned(slot, image, keepAutoInc, {});
            ++changed;
        });
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// The records of the set edited in turn: in ascending order of many rows as the file gives them, past the
// cache (TDataFile::ChangeRecords); otherwise pinned. A failure is returned: the records edited before it
// stay, as one by one.
std::exception_ptr TDataTable::EditSet(std::span<const uint32_t> numbers, TChangedSet& set) {
    const uint32_t next = dataFile_.Header().NextRecordNumber();
    const bool ascending =
        std::adjacent_find(numbers.begin(), numbers.end(), std::greater_equal<>()) == numbers.end() &&
        (numbers.empty() || (numbers.front() > 0 && numbers.back() < next));
    auto edit = [&](uint32_t number, std::span<uint8_t> image) { return set.Edit(number, image); };
    try {
        if (ascending && dataFile_.ChangeRecords(numbers, ManyRecords(numbers.size()), edit)) return nullptr;
        ForEachPinned(numbers, [&](uint32_t number, TRecord& slot) {
            if (set.Edit(number, slot.Image())) slot.SetModified();
        });
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// The keys of the set's rows that changed them go into the indexes, each index's in its order: first the
// rows' uniqueness as one by one would find it, row after row (a key clashes with an earlier row's new
// key, or with one the tree holds that no earlier row took out); the rows from the first that clashes on
// get their images back, and the clash is raised once the keys of the rows before it are in. Returns
// the rows that stay changed.
size_t TDataTable::ApplySetKeys(const TKeySlotList& slots, std::span<const uint32_t> rows,
                                std::span<const TMovedKeys> moved, size_t beforeFrom,
                                std::span<const uint8_t> before, std::vector<TSetKeys>& oldKeys,
                                std::vector<TSetKeys>& newKeys) {
    const size_t size = dataFile_.GetRecordSize();
    std::vector<std::vector<uint32_t>> places(slots.Count);
    std::vector<uint8_t> gathered;
    size_t refused = rows.size();
    uint8_t refusing = 0;
    for (uint8_t i = 0; i < slots.Count; ++i) {
        for (uint32_t row = 0; row < rows.size(); ++row)
            if (moved[row] >> i & 1) places[i].push_back(row);
        if (places[i].empty()) continue;
        // The first row whose new key clashes: one equal to an earlier row's new key, or held by the tree
        // unless an earlier row's old key (then taken out before it).
        std::vector<uint32_t> byNew = places[i], byOld = places[i];
        newKeys[i].Sort(byNew);
        oldKeys[i].Sort(byOld);
        size_t first = rows.size();
        std::vector<uint32_t> distinct;
        for (size_t k = 0; k < byNew.size(); ++k) {
            if (k > 0 && newKeys[i].Compare(byNew[k - 1], byNew[k]) == 0)
                first = std::min<size_t>(first, byNew[k]);
            else
                distinct.push_back(byNew[k]);
        }
        newKeys[i].Gather(distinct, gathered);
        TIndexTree(indexFile_, slots.Slots[i], OrderOf(slots.Slots[i]))
            .FindSorted(gathered.data(), distinct.size(), [&](size_t k) {
                uint32_t row = distinct[k];
                auto taken = std::lower_bound(byOld.begin(), byOld.end(), row, [&](uint32_t old, uint32_t r) {
                    return oldKeys[i].CompareWith(old, newKeys[i], r) < 0;
                });
                bool takenBefore = taken != byOld.end() &&
                                   oldKeys[i].CompareWith(*taken, newKeys[i], row) == 0 && *taken < row;
                if (!takenBefore) first = std::min<size_t>(first, row);
            });
        if (first < refused) {
            refused = first;
            refusing = slots.Slots[i];
        }
    }
    // The rows from the clash on were not changed after all.
    for (size_t row = refused; row < rows.size(); ++row) {
        assert(row >= beforeFrom);
        TPinnedRecord record(dataFile_.GetRecord(nullptr, rows[row]));
        std::copy_n(&before[(row - beforeFrom) * size], size, record->Image().begin());
        record->SetModified();
    }
    std::vector<uint32_t> values;
    for (uint8_t i = 0; i < slots.Count; ++i) {
        std::erase_if(places[i], [&](uint32_t row) { return row >= refused; });
        if (places[i].empty()) continue;
        TIndexTree tree(indexFile_, slots.Slots[i], OrderOf(slots.Slots[i]));
        for (bool taking : {true, false}) {
            TSetKeys& keys = taking ? oldKeys[i] : newKeys[i];
            keys.Sort(places[i]);
            keys.Gather(places[i], gathered);
            values.clear();
            for (uint32_t row : places[i]) values.push_back(rows[row]);
            if (taking ? !tree.DeleteSorted(gathered.data(), values.data(), values.size())
                       : (tree.InsertSorted(gathered.data(), values.data(), values.size()), false))
                RaiseIndexError(VORSAM_INDEXCORRUPT, slots.Slots[i]);
        }
    }
    if (refused < rows.size()) RaiseIndexError(VORSAM_KEYVIOL, refusing);
    return refused;
}

// The records are freed as one after another in the order given would free them, each linked to the one
// before it (the free chain's order, and so where later rows go, as with deletes one by one); a table
// without blobs reads them in record order instead, twice: to learn which are active and their keys, then
// to free them with the links that order gives. The blobs of a table that keeps them are freed record by
// record in the order given (their free chain too).
uint32_t TDataTable::DeleteRecords(std::span<const uint32_t> numbers) {
    TTableWrite write(*this);
    NoteContentChanged();
    const uint32_t next = dataFile_.Header().NextRecordNumber();
    for (uint32_t number : numbers)
        if (number == 0 || number >= next) Raise(VORSAM_RECNOTFOUND);
    const TKeySlotList slots = KeySlotList();
    std::vector<TSetKeys> keys; // by the numbers' places
    for (uint8_t slot : slots) keys.emplace_back(*this, slot, numbers.size());
    std::vector<bool> deleted(numbers.size());
    if (HasBlobFile())
        FreeWithBlobs(numbers, slots, keys, deleted);
    else
        FreeInRecordOrder(numbers, slots, keys, deleted);
    const uint32_t count = DeleteSetKeys(numbers, slots, keys, deleted);
    uint32_t active = indexFile_.GetActiveRecords();
    indexFile_.SetActiveRecords(active - std::min(active, count));
    write.End();
    return count;
}

// The keys of the active record `slot`, the set's record at `place`, taken before it is freed.
void TDataTable::TakeDeletedKeys(const TKeySlotList& slots, std::vector<TSetKeys>& keys, const TRecord& slot,
                                 uint32_t place) const {
    for (uint8_t i = 0; i < slots.Count; ++i) BuildKeyOf(slots.Slots[i], slot.Image(), keys[i].Key(place));
}

// The active records freed one by one in the order given, each with its blobs.
void TDataTable::FreeWithBlobs(std::span<const uint32_t> numbers, const TKeySlotList& slots,
                               std::vector<TSetKeys>& keys, std::vector<bool>& deleted) {
    std::vector<uint8_t> image;
    for (uint32_t place = 0; place < numbers.size(); ++place) {
        TPinnedRecord slot(dataFile_.GetRecord(nullptr, numbers[place]));
        if (slot->Status() != RecordActive) continue;
        image.assign(slot->Image().begin(), slot->Image().end());
        FreeRecordBlobs(image);
        TakeDeletedKeys(slots, keys, *slot, place);
        deleted[place] = true;
        dataFile_.FreeRecord(*slot);
    }
}

// The active records read in record order twice (a run of them pinned at a time): first their keys taken,
// then each freed with the link that freeing them in the order given would give it.
void TDataTable::FreeInRecordOrder(std::span<const uint32_t> numbers, const TKeySlotList& slots,
                                   std::vector<TSetKeys>& keys, std::vector<bool>& deleted) {
    std::vector<uint32_t> byNumber(numbers.size());
    std::iota(byNumber.begin(), byNumber.end(), 0u);
    auto numberOrder = [&](uint32_t a, uint32_t b) {
        return numbers[a] != numbers[b] ? numbers[a] < numbers[b] : a < b;
    };
    if (!std::is_sorted(byNumber.begin(), byNumber.end(), numberOrder))
        std::sort(byNumber.begin(), byNumber.end(), numberOrder);
    std::vector<uint32_t> links(numbers.size()), run;
    uint32_t link = dataFile_.FreeLink(), head = 0;
    TPinnedRun pinned(dataFile_);
    for (bool freeing : {false, true}) {
        uint32_t last = 0; // a number given twice is freed at its first place
        for (size_t first = 0; first < byNumber.size(); first += PinnedRecords) {
            std::span<const uint32_t> places(&byNumber[first],
                                             std::min(PinnedRecords, byNumber.size() - first));
            // A set of one run stays pinned from the first pass to the second.
            if (!freeing || byNumber.size() > PinnedRecords) {
                run.clear();
                for (uint32_t place : places) run.push_back(numbers[place]);
                pinned.Pin(run);
            }
            for (uint32_t place : places) {
                TRecord& slot = pinned.Get(numbers[place]);
                if (freeing && deleted[place]) {
                    dataFile_.FreeRecordLinked(slot, links[place]);
                } else if (!freeing && slot.Status() == RecordActive && numbers[place] != last) {
                    TakeDeletedKeys(slots, keys, slot, place);
                    deleted[place] = true;
                }
                last = numbers[place];
            }
        }
        if (freeing) break;
        for (uint32_t place = 0; place < numbers.size(); ++place) {
            if (!deleted[place]) continue;
            links[place] = link;
            head = numbers[place];
            link = RecordOrder() ? 0 : head;
        }
    }
    if (head != 0) dataFile_.SetFreeChainHead(head);
}

// The entries of the records deleted go out of each index, in its order; how many records were deleted.
uint32_t TDataTable::DeleteSetKeys(std::span<const uint32_t> numbers, const TKeySlotList& slots,
                                   std::vector<TSetKeys>& keys, const std::vector<bool>& deleted) {
    std::vector<uint32_t> order, values;
    std::vector<uint8_t> sorted;
    for (uint32_t place = 0; place < numbers.size(); ++place)
        if (deleted[place]) order.push_back(place);
    for (uint8_t i = 0; i < slots.Count && !order.empty(); ++i) {
        keys[i].Sort(order);
        keys[i].Gather(order, sorted);
        values.clear();
        for (uint32_t place : order) values.push_back(numbers[place]);
        TIndexTree tree(indexFile_, slots.Slots[i], OrderOf(slots.Slots[i]));
        if (!tree.DeleteSorted(sorted.data(), values.data(), values.size()))
            RaiseIndexError(VORSAM_INDEXCORRUPT, slots.Slots[i]);
    }
    return uint32_t(order.size());
}

} // namespace vorsam
