#include "db/sql/TopRows.h"

#include "db/sql/DataQuery.h"
#include "db/sql/SelectPlan.h"

#include "db/engine/DataCursor.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/FieldKeys.h"

#include <algorithm>

namespace vorsam {

TTopRows::TTopRows(TDataQuery& query, size_t count) : count_(count) {
    std::vector<std::pair<uint16_t, bool>> columns;
    for (const auto& item : query.OrderByItems) columns.emplace_back(item->ColumnNumber, item->Descending);
    TDataCursor& result = *query.ResultCursor;
    keys_ = std::make_unique<TSortKeys>(SortFields(query, columns), query.OrderByNoCase,
                                        result.GetLanguageId(), result.GetSortId());
    key_.resize(keys_->KeyLength());
    heap_.reserve(count_ + 1);
}

bool TTopRows::Before(const TRow& a, const TRow& b) const {
    return keys_->Compare(a.Key.data(), b.Key.data(), true) < 0;
}

void TTopRows::Offer(std::span<const uint8_t> record) {
    // The key's tail is the row's place in the reading: equal keys keep the order they were read in.
    keys_->Build(record, key_.data());
    EncodeIntegerKey(offered_++, key_.data() + keys_->FieldsLength());
    auto before = [this](const TRow& a, const TRow& b) { return Before(a, b); };
    if (heap_.size() == count_) {
        if (count_ == 0 || keys_->Compare(key_.data(), heap_.front().Key.data(), true) >= 0) return;
        std::pop_heap(heap_.begin(), heap_.end(), before);
        TRow& row = heap_.back();
        row.Key = key_;
        row.Record.assign(record.begin(), record.end());
    } else {
        heap_.push_back({key_, std::vector<uint8_t>(record.begin(), record.end())});
    }
    std::push_heap(heap_.begin(), heap_.end(), before);
}

void TTopRows::AppendTo(TDataCursor& result) {
    const size_t tail = keys_->FieldsLength();
    std::sort(heap_.begin(), heap_.end(), [tail](const TRow& a, const TRow& b) {
        return std::lexicographical_compare(a.Key.begin() + ptrdiff_t(tail), a.Key.end(),
                                            b.Key.begin() + ptrdiff_t(tail), b.Key.end());
    });
    for (TRow& row : heap_) result.AppendRecord(row.Record);
    heap_.clear();
}

} // namespace vorsam
