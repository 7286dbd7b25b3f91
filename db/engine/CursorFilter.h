// The filters of a cursor: the conditions a record must meet for the cursor to see it, and what an index
// makes of them.
//
// A filter is
//   - an expression filter: a predicate over the cursor's fields (given as text or as a tree), bound to
//     the fields and prepared (PrepareExpTree) when it is added, evaluated on each record with its flags
//     (efCaseInsensitive) under the table's collation; or
//   - a callback filter: a routine that judges the record image, with a condition of its own that the
//     routine may use and SetFilterRecords replaces (the cursor never evaluates it itself).
// Filters are added inactive and known by handles 1, 2, ... (never reused by the cursor). A record is seen
// while every active filter accepts it. The active filters run in this order, the first that refuses
// ending the test: expression filters in the order they were added, then callback filters by priority,
// lower first, equal priorities in the order they were added.
//
// Index ranges: a conjunct of an expression filter that compares a leading key field of an index with a
// constant (FilterKeyRange.h) bounds the records that can pass to a key range of that index. The cursor
// takes the best range among its active expression filters: a range of its active index bounds its moves
// in that index; a range of another index (or any range while it reads in record order) is read once per
// content of the table into the set of records that can pass (TFilterView), which the cursor then walks
// in its own order and keeps in step with its own writes (another user's write gathers it again). The
// filters still judge every record the range lets through. Gathering reads the records of the range in
// record order, several at a time where they lie close (TDataFile::VisitRecordImages), and keeps their
// images for the walk, within a bound.
#pragma once

#include "db/lib/ExpressionHost.h"
#include "db/lib/ExpressionProgram.h"
#include "db/lib/ExpressionTree.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vorsam {

// Judges a record image; `condition` is the filter's own condition (nullptr when it has none).
using TFilterCallback = std::function<bool(std::span<const uint8_t> image, TExpToken* condition)>;

// A key range of one index outside which a filter's condition holds for no record.
struct TFilterKeyRange {
    uint8_t Index = 0;          // the index's slot
    std::vector<uint8_t> Start; // a key of the index (its key length); empty: from the first entry
    std::vector<uint8_t> End;   // empty: to the last entry
    uint16_t StartLength = 0;   // bytes of the key compared
    uint16_t EndLength = 0;
    // How narrow it is, to choose among indexes: key fields fixed by equality, then bounded sides of
    // the next key field (a prefix counts as both).
    uint8_t EqualFields = 0;
    uint8_t BoundedSides = 0;
};

struct TCursorFilter {
    uint32_t Handle = 0;
    bool Active = false;
    uint16_t Priority = 0;      // callback filters: the order they run in, lower first
    TExpTree Condition;         // an expression filter's prepared predicate; a callback filter's condition
    TFilterCallback Callback;   // empty for an expression filter
    TEvaluationContext Context; // expression filters: flags, collation and the record's columns
    TExpProgram Program;        // expression filters: the condition compiled, when it compiles
    // An expression filter's key range as PlanFilterKeyRange (FilterKeyRange.h) gave it for a content
    // version of the table and an active index: planned again when either differs.
    struct TPlannedRange {
        std::optional<TFilterKeyRange> Range;
        uint64_t Version = 0;
        uint8_t IndexNumber = 0;
    };
    mutable std::optional<TPlannedRange> Planned;
};

class TCursorFilters {
public:
    // Fills a column token (bound to a field) from a record image.
    using TColumnReader = std::function<void(TExpToken& column, std::span<const uint8_t> image)>;

    TCursorFilters() = default;
    // Contexts of the filters point back at the set.
    TCursorFilters(const TCursorFilters&) = delete;
    TCursorFilters& operator=(const TCursorFilters&) = delete;

    void SetColumnReader(TColumnReader reader) { reader_ = std::move(reader); }
    // Places the columns of expression filters in the record image, for their compiled form
    // (ExpressionProgram.h): a filter whose condition compiles is judged so, with the evaluator's results.
    void SetColumnPlacer(TExpColumnResolver placer);
    // Takes the filter (inactive) and gives it the next handle.
    uint32_t Add(std::unique_ptr<TCursorFilter> filter);
    // nullptr when no filter has the handle.
    TCursorFilter* Find(uint32_t handle);
    // Handle 0: every filter. False when no filter has the handle.
    bool SetActive(uint32_t handle, bool active);
    bool Drop(uint32_t handle);
    void ReplaceCondition(TCursorFilter& filter, TExpTree condition);
    // Compiles every expression filter again (the places of the columns changed).
    void CompileAll();
    void Clear();

    bool AnyActive() const { return activeCount_ > 0; }
    // Only expression filters are active: they read the record's fields and its +5 value, nothing else
    // of the image.
    bool ReadFieldsOnly() const { return activeCallbacks_ == 0; }
    // Moves on with every change of the filters or of their activity.
    uint64_t Generation() const { return generation_; }
    // The active expression filters, in the order they were added.
    std::vector<const TCursorFilter*> ActiveExpressions() const;
    // True when every active filter accepts the record.
    bool Accepts(std::span<const uint8_t> image);

private:
    void Changed();
    const std::vector<TCursorFilter*>& Running();

    std::vector<std::unique_ptr<TCursorFilter>> filters_; // in handle order
    std::vector<TCursorFilter*> running_;                 // the active ones in running order
    bool runningStale_ = true;
    uint32_t nextHandle_ = 1;
    uint32_t activeCount_ = 0;
    uint32_t activeCallbacks_ = 0;
    uint64_t generation_ = 1;
    void Compile(TCursorFilter& filter) const;

    TColumnReader reader_;
    TExpColumnResolver placer_;
    std::span<const uint8_t> image_; // the record being judged
};

// What the active filters' best key range makes of the cursor's reading, worked out for one state of
// the filters, the order and the table's content.
struct TFilterView {
    bool Valid = false;
    uint64_t Generation = 0;
    uint64_t Version = 0;
    uint8_t IndexNumber = 0;
    std::optional<TFilterKeyRange> Range;
    bool OnActiveIndex = false; // the range is one of the active index: moves keep within it
    // A range of another index: the records in it, read at Version.
    bool Gathered = false;
    std::vector<uint32_t> Records;    // ascending
    std::vector<uint8_t> Keys;        // index order: the active index's key of each record, in key order
    std::vector<uint32_t> KeyRecords; // the record of each of those keys
    // Index order: the gathered records' images (record size bytes each, in the order of Records), read
    // with them to make their keys while they take at most GatheredImageBytes, and judged and handed out
    // from here; otherwise the records are read again as the cursor meets them.
    bool KeepsImages = false;
    std::vector<uint8_t> Images;
};

inline constexpr size_t GatheredImageBytes = 16u << 20;

} // namespace vorsam
