#include "db/sql/QualifyingRows.h"

#include "db/engine/DataCursor.h"
#include "db/engine/DataTable.h"
#include "db/engine/IndexNavigator.h"
#include "db/engine/Record.h"
#include "db/lib/ByteUtils.h"
#include "db/sql/ChangeValues.h"
#include "db/sql/DataChangeRun.h"
#include "db/sql/DataQuery.h"
#include "db/sql/QueryBinding.h"
#include "db/sql/SelectPlan.h"

#include <algorithm>
#include <cassert>
#include <numeric>
#include <unordered_set>

namespace vorsam {

namespace {

// A read level on every source for the search: one set of locks for the whole walk instead of one per
// record read.
class TSourceReads {
public:
    explicit TSourceReads(TDataQuery& query) {
        for (auto& source : query.SourceTables) {
            source->Cursor->BeginRead();
            reading_.push_back(source->Cursor.get());
        }
    }
    ~TSourceReads() {
        for (auto cursor = reading_.rbegin(); cursor != reading_.rend(); ++cursor) try {
                (*cursor)->EndRead();
            } catch (...) {
                // the levels go with the cursors at the latest; the error that ended the search stands
            }
    }
    TSourceReads(const TSourceReads&) = delete;
    TSourceReads& operator=(const TSourceReads&) = delete;

private:
    std::vector<TDataCursor*> reading_;
};

// A search of a single table that walks its primary index whole (no range, no filter, no values worked
// out from the rows) reads the table in record order instead, which reads each slot once however the
// records lie in the index (and, with a cache that holds the table, passes over the index walk's descents
// and the cursor's work per row), and then puts the rows found into the index's order: the order in which
// the walk would have found them, in which they are changed. Rows that may be changed in record order stay
// in it.
class TRecordOrderSearch {
public:
    TRecordOrderSearch(TDataQuery& query, bool withValues, TRowOrder order)
        : cursor_(*query.TargetTable->Cursor), keyed_(order == TRowOrder::Walk) {
        if (withValues || query.SourceTables.size() != 1 || query.TargetTable->Access) return;
        if (cursor_.IndexNumber() != PrimaryIndexSlot || cursor_.GetKeyLength() == 0) return;
        if (cursor_.Range().Active || cursor_.HasActiveFilters() || cursor_.IsRemote()) return;
        keyLength_ = cursor_.Table().KeyLengthOf(PrimaryIndexSlot);
        if (keyLength_ == 0) return;
        cursor_.SetIndexNumber(RecordOrderIndex);
        active_ = true;
    }
    ~TRecordOrderSearch() {
        if (!active_) return;
        try {
            cursor_.SetIndexNumber(PrimaryIndexSlot);
        } catch (...) {
            // the cursor closes with the statement; the error that ended the search stands
        }
    }
    TRecordOrderSearch(const TRecordOrderSearch&) = delete;
    TRecordOrderSearch& operator=(const TRecordOrderSearch&) = delete;

    // The row found in the record buffer.
    void Found(std::span<const uint8_t> image) {
        if (!active_ || !keyed_) return;
        size_t at = keys_.size();
        keys_.resize(at + keyLength_);
        cursor_.Table().BuildKeyOf(PrimaryIndexSlot, image, keys_.data() + at);
    }
    // The rows are found in record order.
    bool Active() const { return active_; }
    // The rows, found in record order, into the index's order.
    void Order(TQualifyingRows& rows) {
        if (!active_) return;
        assert(keys_.size() == rows.size() * keyLength_ && rows.Values.empty());
        cursor_.SetIndexNumber(PrimaryIndexSlot);
        active_ = false;
        const TKeyComparator& order = cursor_.Table().KeyOrder(PrimaryIndexSlot);
        std::vector<uint32_t> sorted(rows.size());
        std::iota(sorted.begin(), sorted.end(), 0u);
        auto key = [&](uint32_t i) { return keys_.data() + size_t(i) * keyLength_; };
        auto before = [&](uint32_t a, uint32_t b) {
            int c = order.Compare(key(a), key(b), keyLength_);
            return c != 0 ? c < 0 : rows.Records[a] < rows.Records[b];
        };
        // Records that lie in the index's order (appended in it) are found in it already; records that lie
        // in its reverse order (taken from a free chain as the rows came in key order) reversed.
        if (std::is_sorted(sorted.begin(), sorted.end(), before)) return;
        if (std::is_sorted(sorted.begin(), sorted.end(),
                           [&](uint32_t a, uint32_t b) { return before(b, a); }))
            std::reverse(sorted.begin(), sorted.end());
        else if (!WalkIndex(rows, sorted) && !SortShortKeys(sorted))
            std::sort(sorted.begin(), sorted.end(), before);
        for (size_t k = 0; k < sorted.size(); ++k) sorted[k] = rows.Records[sorted[k]];
        rows.Records = std::move(sorted); // rows with values are not searched so
    }

private:
    // Rows of a good part of the table (an eighth or more) take the order of the index's entries, read
    // leaf after leaf, which costs less than sorting them: `sorted` gets the rows in that order.
    bool WalkIndex(const TQualifyingRows& rows, std::vector<uint32_t>& sorted) {
        TDataTable& table = cursor_.Table();
        uint32_t slots = table.DataFile().Header().NextRecordNumber();
        if (rows.size() * 8 < table.IndexFile().GetActiveRecords()) return false;
        std::vector<uint32_t> rowOf(slots, 0); // by record number, its row + 1
        for (size_t i = 0; i < rows.size(); ++i) rowOf[rows.Records[i]] = uint32_t(i + 1);
        TIndexPath path;
        TIndexNavigator index(table.IndexFile(), PrimaryIndexSlot, table.KeyOrder(PrimaryIndexSlot), path);
        TIndexPlace place;
        std::vector<uint32_t> walked;
        walked.reserve(rows.size());
        if (!index.Seek(TKeyBound::NotBelow, nullptr, 0, place)) return false;
        uint32_t record = index.Read(place);
        do {
            if (record < slots && rowOf[record] != 0) walked.push_back(rowOf[record] - 1);
        } while (index.Step(place, 1, nullptr, &record));
        if (walked.size() != rows.size()) return false;
        sorted = std::move(walked);
        return true;
    }

    // Keys of eight bytes at most that compare as bytes are sorted as numbers, each with its row (the rows
    // lie in record order, so equal keys keep it): `sorted` gets the rows in the keys' order.
    bool SortShortKeys(std::vector<uint32_t>& sorted) const {
        if (keyLength_ > 8 || !cursor_.Table().KeyOrder(PrimaryIndexSlot).ComparesBytes()) return false;
        std::vector<std::pair<uint64_t, uint32_t>> keyed(sorted.size());
        for (uint32_t i = 0; i < keyed.size(); ++i)
            keyed[i] = {LoadBE(keys_.data() + size_t(i) * keyLength_, keyLength_), i};
        std::sort(keyed.begin(), keyed.end());
        for (size_t k = 0; k < keyed.size(); ++k) sorted[k] = keyed[k].second;
        return true;
    }

    TDataCursor& cursor_;
    const bool keyed_; // the keys of the rows are kept
    uint16_t keyLength_ = 0;
    bool active_ = false;
    std::vector<uint8_t> keys_; // the rows' primary keys, one after another
};

// A search of a single table that its cursor walks whole in record order (no join, no range, no filter
// of the cursor's, no layout of its own) reads its slots straight, many at a time, none of them taken into
// the record cache (TDataFile::VisitRecordImages): each active record becomes the target's row as the walk
// would make it.
bool WalksSlots(TDataQuery& query) {
    TSourceTable& target = *query.TargetTable;
    if (query.SourceTables.size() != 1 || !target.Joins.empty() || target.Access || target.NoMatch)
        return false;
    return WalksWholeInRecordOrder(*target.Cursor) &&
           target.RecordBuffer.size() >= target.Cursor->GetRecordSize();
}

} // namespace

bool WalksWholeInRecordOrder(const TDataCursor& cursor) {
    return !cursor.IsRemote() && cursor.GetKeyLength() == 0 && !cursor.HasActiveFilters() &&
           !cursor.Range().Active && cursor.GetRecordSize() == cursor.Table().DataFile().GetRecordSize();
}

TQualifyingRows FindQualifyingRows(TDataQuery& query, TDataChangeRun& run, bool withValues, TRowOrder order,
                                   bool* inRecordOrder) {
    TRecordOrderSearch search(query, withValues, order);
    TSourceReads reads(query);
    TQualifyingRows rows;
    // Only a join can reach one target record from several joined rows.
    bool joined = query.SourceTables.size() > 1;
    std::unordered_set<uint32_t> seen;
    TSourceTable& target = *query.TargetTable;
    auto found = [&](uint32_t record) {
        if (query.HasRowCondition1 && !TestRowCondition(query)) return;
        if (query.HasRowCondition2 && !TestLateRowCondition(query)) return;
        if (joined && !seen.insert(record).second) return;
        rows.Records.push_back(record);
        if (withValues) rows.Values.push_back(EvaluateValues(query, SourceContext(query)));
        search.Found(target.RecordBuffer);
    };
    if (WalksSlots(query)) {
        constexpr uint32_t Slots = 4096;
        TDataFile& file = target.Cursor->Table().DataFile();
        const size_t size = target.Cursor->GetRecordSize();
        std::vector<uint32_t> numbers;
        for (uint32_t first = 1; first < file.Header().NextRecordNumber() && !run.Aborted(); first += Slots) {
            numbers.resize(std::min(file.Header().NextRecordNumber() - first, Slots));
            std::iota(numbers.begin(), numbers.end(), first);
            file.VisitRecordImages(numbers, [&](uint32_t number, std::span<const uint8_t> image) {
                if (image[0] != RecordActive || run.Aborted()) return;
                run.RowRead();
                std::copy_n(image.begin(), size, target.RecordBuffer.begin());
                target.Eof = false;
                found(number);
            });
        }
        // Where the walk would have left the source: past its last record.
        target.Cursor->SetToEnd();
        target.Cursor->InitEmptyRecord(target.RecordBuffer);
        target.Eof = true;
    } else {
        TDataCursor& cursor = *target.Cursor;
        uint32_t position = 0;
        for (bool more = FirstJoinedRow(query); more && !run.Aborted(); more = NextJoinedRow(query)) {
            uint32_t record = cursor.Position().Record;
            if (record != position) {
                position = record;
                run.RowRead();
            }
            found(record);
        }
    }
    if (inRecordOrder) *inRecordOrder = search.Active() && order == TRowOrder::Records;
    if (order == TRowOrder::Walk) search.Order(rows);
    return rows;
}

} // namespace vorsam
