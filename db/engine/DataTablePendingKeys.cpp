// TDataTable, the keys that sets appended hold back (PendingKeys.h): a later set's check against them, their
// spill, and their going into the indexes.
#include "db/engine/DataTable.h"

#include "db/engine/IndexTree.h"
#include "db/engine/IndexTreeBuild.h"

#include <algorithm>
#include <optional>

namespace vorsam {

namespace {
// A spilled run is read this many bytes at a time by a set's check; the merge of an apply reads every run of
// an index at once in pieces that share the session's budget of changes, within these bounds.
constexpr size_t CheckPieceBytes = size_t(64) << 10;
constexpr size_t MinMergePieceBytes = size_t(4) << 10, MaxMergePieceBytes = size_t(256) << 10;
// The merge puts this many entries into the index at a time.
constexpr size_t ApplyPieceEntries = 16384;
} // namespace

void TDataTable::HeldBack(const TPendingKeys& pending, size_t i, std::span<const uint8_t> keys,
                          const std::function<void(size_t)>& held) {
    const TPendingKeys::TSlot& slot = pending.slots_[i];
    const TKeyComparator& order = OrderOf(slot.Slot);
    const size_t length = slot.Length, count = keys.size() / std::max<size_t>(length, 1);
    if (count == 0) return;
    const uint8_t *first = &keys[0], *last = &keys[(count - 1) * length];
    // A run wholly before or after the keys holds none of them; else the walk begins at the first of its keys
    // not before theirs, and goes along the two, both in the index's order.
    auto walk = [&](TPendingRun& run, const uint8_t* runFirst, const uint8_t* runLast) {
        if (run.Count() == 0 || order.Compare(runLast, first, length) < 0 ||
            order.Compare(runFirst, last, length) > 0)
            return;
        run.SeekNotBefore(order, first);
        for (size_t k = 0; k < count && !run.AtEnd();) {
            int c = order.Compare(run.Key(), &keys[k * length], length);
            if (c < 0) {
                run.Next();
            } else {
                if (c == 0) held(k);
                ++k;
            }
        }
    };
    for (const TPendingKeys::TSpilledRun& spilled : slot.Spilled) {
        TPendingRun run(pending, i, spilled, CheckPieceBytes);
        walk(run, spilled.First.data(), spilled.Last.data());
    }
    for (size_t at = 0; at < slot.Runs.size(); ++at) {
        size_t begin = slot.Runs[at],
               end = at + 1 < slot.Runs.size() ? slot.Runs[at + 1] : slot.Numbers.size();
        TPendingRun run(pending, i, begin, end);
        if (begin < end) walk(run, &slot.Keys[begin * length], &slot.Keys[(end - 1) * length]);
    }
}

void TDataTable::SpillPendingKeys(TPendingKeys& pending) {
    for (size_t i = 0; i < pending.slots_.size(); ++i)
        pending.SpillSlot(settings_, i, OrderOf(pending.slots_[i].Slot));
    pending.ForgetMemory();
}

void TDataTable::MergePendingKeys(
    const TPendingKeys& pending, size_t i,
    const std::function<void(const uint8_t* keys, const uint32_t* values, size_t count)>& put) {
    const TPendingKeys::TSlot& slot = pending.slots_[i];
    std::vector<TPendingRun> runs;
    runs.reserve(slot.Spilled.size() + slot.Runs.size());
    const size_t pieceBytes =
        std::clamp<size_t>(settings_.ChangeBudget / std::max<size_t>(slot.Spilled.size(), 1),
                           MinMergePieceBytes, MaxMergePieceBytes);
    for (const TPendingKeys::TSpilledRun& spilled : slot.Spilled)
        runs.emplace_back(pending, i, spilled, pieceBytes);
    for (size_t at = 0; at < slot.Runs.size(); ++at)
        runs.emplace_back(pending, i, slot.Runs[at],
                          at + 1 < slot.Runs.size() ? slot.Runs[at + 1] : slot.Numbers.size());
    for (TPendingRun& run : runs) run.Start();
    MergePendingRuns(runs, OrderOf(slot.Slot), slot.Length, ApplyPieceEntries, put);
}

void TDataTable::ApplyPendingKeys(TPendingKeys& pending) {
    if (pending.Empty()) return;
    TPendingKeys taken = std::move(pending);
    pending = {};
    TTableWrite write(*this);
    NoteContentChanged();
    for (size_t i = 0; i < taken.slots_.size(); ++i) {
        const uint8_t slot = taken.slots_[i].Slot;
        if (indexFile_.GetRoot(slot) == 0) {
            TIndexTreeBuilder builder(indexFile_, slot);
            MergePendingKeys(taken, i, [&](const uint8_t* keys, const uint32_t* values, size_t count) {
                for (size_t k = 0; k < count; ++k) builder.Add(keys + k * taken.slots_[i].Length, values[k]);
            });
            builder.Finish();
        } else {
            TIndexTree tree(indexFile_, slot, OrderOf(slot));
            MergePendingKeys(taken, i, [&](const uint8_t* keys, const uint32_t* values, size_t count) {
                tree.InsertSorted(keys, values, count);
            });
        }
    }
    write.End();
}

} // namespace vorsam
