// TDataCursor: filters (CursorFilter.h): adding, activating, replacing and dropping them, judging records,
// the key range the active filters give the cursor's reading, and counts and positions through them.
#include "db/engine/DataCursor.h"

#include "db/engine/FilterKeyRange.h"
#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionEvaluator.h"
#include "db/lib/ExpressionParser.h"
#include "db/lib/ExpressionTypes.h"
#include "db/lib/ExpressionValues.h"

#include <algorithm>
#include <numeric>

namespace vorsam {

namespace {

// Ends the texts of the parser's and the type checker's errors.
constexpr std::string_view FilterSubject = "filter expression";

// -1 when the key lies below the range's start (over the start's length), 1 when above its end, else 0;
// a range without a start (end) is open on that side. For TFilterKeyRange and TCursorRange alike.
template <typename TRange> int SideOf(const TKeyComparator& order, const uint8_t* key, const TRange& range) {
    if (!range.Start.empty() && order.Compare(key, range.Start.data(), range.StartLength) < 0) return -1;
    return !range.End.empty() && order.Compare(key, range.End.data(), range.EndLength) > 0 ? 1 : 0;
}

// The first gathered key (TFilterView::Keys) not below `key` over `length` bytes, or with `above` the
// first above it; over a whole key, the pair of key and record decides. No key: the first (above: the
// end).
ptrdiff_t GatheredBound(const TFilterView& view, const TKeyComparator& order, uint16_t keyLength,
                        const uint8_t* key, size_t length, uint32_t record, bool above) {
    ptrdiff_t low = 0, high = ptrdiff_t(view.KeyRecords.size());
    while (low < high) {
        ptrdiff_t mid = (low + high) / 2;
        int r = key ? order.Compare(&view.Keys[size_t(mid) * keyLength], key, length) : (above ? -1 : 0);
        if (r == 0 && length == keyLength && !above) r = view.KeyRecords[size_t(mid)] < record ? -1 : 0;
        if (r < 0 || (above && r == 0))
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

// How an expression filter evaluates: with the flags, under the table's collation.
TEvaluationContext FilterContext(TDataFile& file, uint32_t flags) {
    TEvaluationContext context;
    context.Flags = flags;
    context.LanguageId = file.GetLanguageId();
    context.SortId = file.GetSortId();
    return context;
}

} // namespace

// ---- conditions ----

bool TDataCursor::BindFilterColumn(TExpToken& column) const {
    uint16_t number = GetFieldNumber(column.ColumnName);
    if (number == 0) return false;
    const TFieldDescriptor& field = FieldOf(number);
    if (field.DataType() == dtBlob)
        Raise(VORSAM_NOTSUPPORTED, "the BLOB column '" + column.ColumnName + "' in a filter", field.Name());
    bool sized =
        field.DataType() == dtString || field.DataType() == dtBytes || field.DataType() == dtVarBytes;
    uint16_t size = sized ? field.DeclaredSize() : 0;
    SetExpType(column, {field.DataType(), field.SubType(), size, field.Decimals()});
    column.FieldNumber = number;
    return true;
}

// Filters judge the stored record, which a layout's computed fields lie behind: those read as NULL.
void TDataCursor::ReadFilterColumn(TExpToken& column, std::span<const uint8_t> image) const {
    const TFieldDescriptor& field = FieldOf(column.FieldNumber);
    column.SetValueSize(field.PhysicalSize());
    if (field.IsAutoIncrement()) {
        column.IsNull = false;
        std::memcpy(column.Value.data(), &image[AutoIncValueOffset], 4);
        return;
    }
    bool stored = !field.Computed() && size_t(field.Offset()) + 1 + field.PhysicalSize() <= image.size();
    column.IsNull = !stored || image[field.Offset()] == 0;
    if (stored)
        std::memcpy(column.Value.data(), &image[field.Offset() + 1], field.PhysicalSize());
    else
        std::memset(column.Value.data(), 0, field.PhysicalSize());
}

// A copy of the condition bound to the cursor's fields, checked and prepared for evaluation.
TExpTree TDataCursor::FilterCondition(const TExpToken& condition, uint32_t flags) const {
    TExpTree bound = CopyExpTree(&condition);
    CheckExpTypes(
        *bound, [this](TExpToken& column) { return BindFilterColumn(column); }, FilterSubject);
    if (bound->DataType != dtBoolean)
        RaiseEngineError(VORSAM_SQLPARSE, "Filter expression must be a boolean expression");
    return PrepareExpTree(std::move(bound), FilterContext(table_->DataFile(), flags));
}

// A column of a filter as its compiled form reads it: at its field's place in the record (none for a
// computed field, a BLOB, or any field while the cursor shows a layout with computed fields, whose
// images the filters do not get).
bool TDataCursor::PlaceFilterColumn(const TExpToken& column, TExpColumnPlace& place) const {
    if (layoutSize_ != 0 || column.FieldNumber == 0 || column.FieldNumber > CursorFields().size())
        return false;
    const TFieldDescriptor& field = FieldOf(column.FieldNumber);
    if (field.Computed() || field.DataType() == dtBlob || field.DataType() != column.DataType) return false;
    place = {0, field.Offset(), field.PhysicalSize(), field.IsAutoIncrement()};
    return true;
}

uint32_t TDataCursor::AddExpressionFilter(TExpTree condition, uint32_t flags,
                                          std::optional<TCursorFilter::TPlannedRange> planned) {
    auto filter = std::make_unique<TCursorFilter>();
    filter->Condition = std::move(condition);
    filter->Planned = std::move(planned);
    filter->Context = FilterContext(table_->DataFile(), flags);
    filters_.SetColumnReader(
        [this](TExpToken& column, std::span<const uint8_t> image) { ReadFilterColumn(column, image); });
    filters_.SetColumnPlacer(
        [this](const TExpToken& column, TExpColumnPlace& place) { return PlaceFilterColumn(column, place); });
    return filters_.Add(std::move(filter));
}

uint32_t TDataCursor::AddFilter(std::string_view expression, uint32_t flags) {
    RequireLocalTable("filters");
    Table();
    TExpressionParser parser;
    parser.Subject = FilterSubject;
    TExpTree tree = parser.ParseExpressionText(expression, epExtendedPredicates);
    return AddExpressionFilter(FilterCondition(*tree, flags), flags);
}

uint32_t TDataCursor::AddFilter(const TExpToken& condition, uint32_t flags) {
    RequireLocalTable("filters");
    Table();
    return AddExpressionFilter(FilterCondition(condition, flags), flags);
}

uint32_t TDataCursor::AddFilter(TPreparedFilter prepared) {
    RequireLocalTable("filters");
    Table();
    if (!prepared.Condition) Raise(VORSAM_INVALIDPARAM, "a filter without its condition");
    return AddExpressionFilter(std::move(prepared.Condition), prepared.Flags, std::move(prepared.Planned));
}

uint32_t TDataCursor::AddFilter(TFilterCallback callback, uint16_t priority, const TExpToken* condition) {
    RequireLocalTable("filters");
    Table();
    if (!callback) Raise(VORSAM_INVALIDPARAM, "a callback filter without its routine");
    auto filter = std::make_unique<TCursorFilter>();
    filter->Callback = std::move(callback);
    filter->Priority = priority;
    filter->Condition = CopyExpTree(condition);
    return filters_.Add(std::move(filter));
}

TCursorFilter& TDataCursor::FilterOf(uint32_t handle) {
    Table();
    TCursorFilter* filter = filters_.Find(handle);
    if (!filter) Raise(VORSAM_INVALIDPARAM, "filter handle " + std::to_string(handle));
    return *filter;
}

void TDataCursor::ActivateFilter(uint32_t handle) {
    if (handle != 0) FilterOf(handle);
    filters_.SetActive(handle, true);
}

void TDataCursor::DeactivateFilter(uint32_t handle) {
    if (handle != 0) FilterOf(handle);
    filters_.SetActive(handle, false);
}

void TDataCursor::DropFilter(uint32_t handle) {
    if (handle != 0) FilterOf(handle);
    filters_.Drop(handle);
}

void TDataCursor::SetFilterRecords(uint32_t handle, const TExpToken& condition) {
    TCursorFilter& filter = FilterOf(handle);
    filters_.ReplaceCondition(filter, filter.Callback ? CopyExpTree(&condition)
                                                      : FilterCondition(condition, filter.Context.Flags));
}

bool TDataCursor::OptimizeExpression(const TExpToken& condition, uint32_t flags) {
    TPreparedFilter prepared;
    return OptimizeExpression(condition, flags, prepared);
}

bool TDataCursor::OptimizeExpression(const TExpToken& condition, uint32_t flags, TPreparedFilter& prepared) {
    TOperation operation(*this);
    prepared = {};
    try {
        prepared.Condition = FilterCondition(condition, flags);
    } catch (const EVORSAMEngineError&) {
        return false; // not a condition over this table's fields: no index of it serves it
    }
    prepared.Flags = flags;
    prepared.Planned = {PlanFilterKeyRange(*this, *prepared.Condition, flags), table_->ContentVersion(),
                        indexNumber_};
    return prepared.Planned->Range.has_value();
}

// ---- judging records ----

// Reads the record, and, when it follows the record judged last in the direction of the move, those
// after it ahead (a run of record numbers; in a scattered order a read ahead would only push records
// out of the cache).
bool TDataCursor::Passes(uint32_t record) {
    bool run = int64_t(record) == int64_t(lastJudged_) + readDirection_;
    lastJudged_ = record;
    if (const uint8_t* image = filterView_.KeepsImages ? GatheredImage(record) : WindowHolds(record))
        return filters_.Accepts({image, recordSize_});
    // Through the file's view, as ReadRecord takes it, when the cache holds no change. Expression filters
    // judge the slot's fields where they lie, or the cached image where it lies (they do not touch the
    // cache while they judge it).
    TDataFile& file = table_->DataFile();
    if (filters_.ReadFieldsOnly()) {
        if (const uint8_t* slot = file.ViewedFields(record)) return filters_.Accepts({slot, recordSize_});
        if (const uint8_t* image = file.CachedImage(record)) return filters_.Accepts({image, recordSize_});
    }
    judgedImage_.resize(std::max<size_t>(recordSize_, RecordPrefixSize));
    if (file.ViewedImage(record, judgedImage_)) return filters_.Accepts(judgedImage_);
    TReadDirection direction = readDirection_ < 0 ? TReadDirection::Backward : TReadDirection::Forward;
    TPinnedRecord pinned(table_->DataFile().GetRecord(this, record, direction, false, run));
    return filters_.Accepts(pinned->Image().first(recordSize_));
}

// True when the record passes the active filters (Accepted); a record that the gathered records lack
// cannot, and is not read.
bool TDataCursor::Admits(uint32_t record) {
    if (!filters_.AnyActive()) return true;
    const TFilterView& view = GatheredFilterView();
    if (view.Gathered && !std::binary_search(view.Records.begin(), view.Records.end(), record)) return false;
    return Passes(record);
}

// ---- the key range of the active filters ----

const TFilterView& TDataCursor::RebuildFilterView() const {
    TFilterView& view = filterView_;
    uint64_t version = table_->ContentVersion();
    view = {};
    view.Valid = true;
    view.Generation = filters_.Generation();
    view.Version = version;
    view.IndexNumber = indexNumber_;
    int activeSlot = InRecordOrder() ? -1 : indexNumber_;
    for (const TCursorFilter* filter : filters_.ActiveExpressions()) {
        auto& planned = filter->Planned;
        if (!planned || planned->Version != version || planned->IndexNumber != indexNumber_)
            planned = {PlanFilterKeyRange(*this, *filter->Condition, filter->Context.Flags), version,
                       indexNumber_};
        const std::optional<TFilterKeyRange>& range = planned->Range;
        if (range && PreferKeyRange(*range, view.Range, activeSlot)) view.Range = range;
    }
    view.OnActiveIndex = view.Range && int(view.Range->Index) == activeSlot;
    return view;
}

// The image the gathered records keep of the record, while they are those of the filters, order and
// content now; null when they keep none of it.
const uint8_t* TDataCursor::GatheredImage(uint32_t record) const {
    const TFilterView& view = filterView_;
    if (!view.KeepsImages || !view.Valid || view.Generation != filters_.Generation() ||
        view.Version != table_->ContentVersion() || view.IndexNumber != indexNumber_ ||
        !filters_.AnyActive() || view.Images.size() != view.Records.size() * recordSize_)
        return nullptr;
    auto at = std::lower_bound(view.Records.begin(), view.Records.end(), record);
    if (at == view.Records.end() || *at != record) return nullptr;
    return &view.Images[size_t(at - view.Records.begin()) * recordSize_];
}

bool TDataCursor::ReadsGatheredRecords() const {
    if (!filters_.AnyActive()) return false;
    const TFilterView& view = FilterView();
    return view.Range && !view.OnActiveIndex;
}

const TFilterView& TDataCursor::GatheredFilterView() {
    const TFilterView& view = FilterView();
    if (view.Range && !view.OnActiveIndex && !view.Gathered) GatherFilterRecords(filterView_);
    return filterView_;
}

// Reads the records of the range's index from its start to its end; in an index order also the active
// index's key of each, in key order.
void TDataCursor::GatherFilterRecords(TFilterView& view) {
    const TFilterKeyRange& range = *view.Range;
    TIndexFile& file = table_->IndexFile();
    const TIndexDescriptor& index = file.GetIndexDesc(range.Index);
    TKeyComparator order(index, range.Index, table_->KeyInfo());
    TIndexPath path;
    TIndexNavigator navigator(file, range.Index, order, path);
    std::vector<uint8_t> key(index.KeyLength());
    TIndexPlace place;
    uint32_t record = 0;
    uint64_t version = table_->ContentVersion();
    bool found = navigator.SeekNotBelowFrom(gatherLeaf_.For(range.Index, version), range.Start.data(),
                                            range.StartLength, place);
    gatherLeaf_ = {};
    if (found) record = navigator.Read(place, key.data());
    for (; found && SideOf(order, key.data(), range) <= 0;
         found = navigator.Step(place, 1, key.data(), &record)) {
        view.Records.push_back(record);
        gatherLeaf_ = {range.Index, place.Page, version};
    }
    std::sort(view.Records.begin(), view.Records.end());
    view.Gathered = true;
    if (InRecordOrder()) return;
    size_t n = view.Records.size();
    std::vector<uint8_t> keys(n * keyLength_);
    view.KeepsImages = n * recordSize_ <= GatheredImageBytes;
    if (view.KeepsImages) view.Images.resize(n * recordSize_);
    size_t i = 0;
    TTableKeyInfo info = table_->KeyInfo();
    table_->DataFile().VisitRecordImages(view.Records, [&](uint32_t, std::span<const uint8_t> image) {
        BuildIndexKey(index_, indexNumber_, info, image.data(), &keys[i * keyLength_]);
        if (view.KeepsImages) std::copy_n(image.begin(), recordSize_, &view.Images[i * recordSize_]);
        ++i;
    });
    std::vector<uint32_t> sorted(n);
    std::iota(sorted.begin(), sorted.end(), 0u);
    std::sort(sorted.begin(), sorted.end(), [&](uint32_t a, uint32_t b) {
        int r = order_->Compare(&keys[a * keyLength_], &keys[b * keyLength_], keyLength_);
        return r != 0 ? r < 0 : view.Records[a] < view.Records[b];
    });
    view.Keys.resize(keys.size());
    view.KeyRecords.resize(n);
    for (size_t i = 0; i < n; ++i) {
        std::copy_n(&keys[sorted[i] * keyLength_], keyLength_, &view.Keys[i * keyLength_]);
        view.KeyRecords[i] = view.Records[sorted[i]];
    }
}

bool TDataCursor::WithinFilterRange(const uint8_t* key) const {
    if (!filters_.AnyActive()) return true;
    const TFilterView& view = FilterView();
    if (!view.OnActiveIndex) return true;
    return SideOf(*order_, key, *view.Range) == 0;
}

// -1 when the key lies below the start of the cursor's range or of the filters' range of the active
// index, 1 when above an end, else 0.
int TDataCursor::RangeSide(const uint8_t* key) const {
    int side = range_.Active ? SideOf(*order_, key, range_) : 0;
    if (side != 0 || !filters_.AnyActive() || !FilterView().OnActiveIndex) return side;
    return SideOf(*order_, key, *filterView_.Range);
}

// The bound a move in the direction starts from: the later start (forward) or the earlier end of the
// cursor's range and the filters' range of the active index; of two that agree, the longer. Null and 0
// when unbounded.
std::pair<const uint8_t*, uint16_t> TDataCursor::NearBound(int direction) const {
    bool forward = direction > 0;
    const std::vector<uint8_t>& own = forward ? range_.Start : range_.End;
    std::pair<const uint8_t*, uint16_t> a{own.empty() ? nullptr : own.data(),
                                          forward ? range_.StartLength : range_.EndLength};
    if (!filters_.AnyActive() || !FilterView().OnActiveIndex) return a;
    const TFilterKeyRange& filter = *filterView_.Range;
    const std::vector<uint8_t>& other = forward ? filter.Start : filter.End;
    std::pair<const uint8_t*, uint16_t> b{other.empty() ? nullptr : other.data(),
                                          forward ? filter.StartLength : filter.EndLength};
    if (!a.first) return b;
    if (!b.first) return a;
    int r = order_->Compare(a.first, b.first, std::min(a.second, b.second));
    if (r == 0) return a.second >= b.second ? a : b;
    return (r > 0) == forward ? a : b;
}

// ---- moving through gathered records ----

bool TDataCursor::MoveThroughGathered(int direction) {
    const TFilterView& view = GatheredFilterView();
    if (!InRecordOrder()) return MoveThroughGatheredKeys(view, direction);
    const std::vector<uint32_t>& records = view.Records;
    auto at = std::lower_bound(records.begin(), records.end(), position_.Record);
    ptrdiff_t i = 0;
    switch (position_.Kind) {
    case TCursorPositionKind::BeforeFirst:
        i = direction > 0 ? 0 : -1;
        break;
    case TCursorPositionKind::AfterLast:
        i = direction > 0 ? ptrdiff_t(records.size()) : ptrdiff_t(records.size()) - 1;
        break;
    case TCursorPositionKind::OnRecord:
    case TCursorPositionKind::Between: {
        bool on =
            position_.Kind == TCursorPositionKind::OnRecord && at != records.end() && *at == position_.Record;
        i = (at - records.begin()) + (direction > 0 ? (on ? 1 : 0) : -1);
        break;
    }
    }
    for (; i >= 0 && i < ptrdiff_t(records.size()); i += direction) {
        uint32_t record = records[size_t(i)];
        if (Passes(record)) {
            position_ = {TCursorPositionKind::OnRecord, record, {}, {}, table_->ContentVersion()};
            return true;
        }
    }
    SetOutside(direction);
    return false;
}

bool TDataCursor::MoveThroughGatheredKeys(const TFilterView& view, int direction) {
    bool forward = direction > 0;
    auto n = ptrdiff_t(view.KeyRecords.size());
    auto keyAt = [&](ptrdiff_t i) { return &view.Keys[size_t(i) * keyLength_]; };
    auto lowerBound = [&](const uint8_t* key, size_t length, uint32_t record) {
        return GatheredBound(view, *order_, keyLength_, key, length, record, false);
    };
    auto upperBound = [&](const uint8_t* key, size_t length) {
        return GatheredBound(view, *order_, keyLength_, key, length, 0, true);
    };
    auto nearBound = [&] {
        auto [bound, length] = NearBound(direction);
        return forward ? lowerBound(bound, length, 0) : upperBound(bound, length) - 1;
    };
    ptrdiff_t i = 0;
    switch (position_.Kind) {
    case TCursorPositionKind::BeforeFirst:
        i = forward ? nearBound() : -1;
        break;
    case TCursorPositionKind::AfterLast:
        i = forward ? n : nearBound();
        break;
    case TCursorPositionKind::OnRecord:
    case TCursorPositionKind::Between: {
        bool on = position_.Kind == TCursorPositionKind::OnRecord;
        i = lowerBound(position_.Key.data(), keyLength_, on ? position_.Record : 0);
        bool exact = on && i < n && view.KeyRecords[size_t(i)] == position_.Record &&
                     order_->Compare(keyAt(i), position_.Key.data(), keyLength_) == 0;
        i += forward ? (exact ? 1 : 0) : -1;
        break;
    }
    }
    for (bool jumped = false; i >= 0 && i < n; i += direction) {
        int side = RangeSide(keyAt(i));
        if (side == direction) break;
        if (side != 0) {
            if (jumped) break;
            jumped = true;
            i = nearBound() - direction;
            continue;
        }
        uint32_t record = view.KeyRecords[size_t(i)];
        if (Passes(record)) {
            position_ = {TCursorPositionKind::OnRecord,
                         record,
                         std::vector<uint8_t>(keyAt(i), keyAt(i) + keyLength_),
                         {},
                         0};
            return true;
        }
    }
    SetOutside(direction);
    return false;
}

// ---- the cursor's own writes ----

// Gathered records stay good across the cursor's own writes: the written record leaves them and comes
// back when its key in the range's index lies in the range, so that a run of edits under the filter
// does not gather them again after every write. A change by anyone else still does.
void TDataCursor::NoteFilteredWrite(uint32_t record, uint64_t version) {
    TFilterView& view = filterView_;
    if (!view.Gathered || view.Version != version || view.Generation != filters_.Generation() ||
        view.IndexNumber != indexNumber_)
        return;
    view.Version = table_->ContentVersion();
    auto at = std::lower_bound(view.Records.begin(), view.Records.end(), record);
    if (at != view.Records.end() && *at == record) {
        if (view.KeepsImages) {
            auto image = view.Images.begin() + (at - view.Records.begin()) * recordSize_;
            view.Images.erase(image, image + recordSize_);
        }
        view.Records.erase(at);
    }
    auto keyed = std::find(view.KeyRecords.begin(), view.KeyRecords.end(), record);
    if (keyed != view.KeyRecords.end()) {
        auto keyAt = view.Keys.begin() + (keyed - view.KeyRecords.begin()) * keyLength_;
        view.Keys.erase(keyAt, keyAt + keyLength_);
        view.KeyRecords.erase(keyed);
    }
    TPinnedRecord pinned(table_->DataFile().GetRecord(this, record));
    if (pinned->Status() != RecordActive) return;
    const TFilterKeyRange& range = *view.Range;
    const TIndexDescriptor& index = table_->IndexFile().GetIndexDesc(range.Index);
    TKeyComparator order(index, range.Index, table_->KeyInfo());
    std::vector<uint8_t> key(index.KeyLength());
    BuildIndexKey(index, range.Index, table_->KeyInfo(), pinned->Image().data(), key.data());
    if (SideOf(order, key.data(), range) != 0) return;
    auto place = std::lower_bound(view.Records.begin(), view.Records.end(), record);
    if (view.KeepsImages && view.Images.size() + recordSize_ > GatheredImageBytes) {
        // Past the bound the images go: the records are read again as the cursor meets them.
        view.KeepsImages = false;
        std::vector<uint8_t>().swap(view.Images);
    }
    if (view.KeepsImages)
        view.Images.insert(view.Images.begin() + (place - view.Records.begin()) * recordSize_,
                           pinned->Image().begin(), pinned->Image().begin() + recordSize_);
    view.Records.insert(place, record);
    if (InRecordOrder()) return;
    key.resize(keyLength_);
    BuildIndexKey(index_, indexNumber_, table_->KeyInfo(), pinned->Image().data(), key.data());
    ptrdiff_t i = GatheredBound(view, *order_, keyLength_, key.data(), keyLength_, record, false);
    view.Keys.insert(view.Keys.begin() + i * keyLength_, key.begin(), key.end());
    view.KeyRecords.insert(view.KeyRecords.begin() + i, record);
}

// ---- counts and positions through the filters ----

// How many moves in the direction succeed from the position; the cursor's position stays.
uint32_t TDataCursor::CountMoves(const TCursorPosition& from, int direction) {
    TCursorPosition saved = position_;
    TIndexPath savedPath = path_;
    uint32_t count = 0;
    try {
        position_ = from;
        while (Move(direction)) ++count;
    } catch (...) {
        position_ = std::move(saved);
        path_ = savedPath;
        throw;
    }
    position_ = std::move(saved);
    path_ = savedPath;
    return count;
}

uint32_t TDataCursor::FilteredRecordCount() {
    return CountMoves({}, 1);
}

// The current record's place among the records the filters accept (the cursor on a record).
uint32_t TDataCursor::FilteredRecordPosition() {
    return CountMoves(position_, -1) + 1;
}

bool TDataCursor::SetToFilteredRecordNo(uint32_t number) {
    SetOutside(-1);
    for (uint32_t i = 0; i < number; ++i)
        if (!Move(1)) return false;
    return number > 0;
}

} // namespace vorsam
