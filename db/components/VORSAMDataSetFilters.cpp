// TVORSAMDataSet: the Filter text and OnFilterRecord as filters of the cursor, Filtered, and the
// searches of FindFirst, FindNext, FindPrior and FindLast.
#include "db/components/VORSAMDataSet.h"

#include "db/lib/ExpressionHost.h"

namespace vorsam {

using namespace platform::data;

// ---- the cursor's filters ----

void TVORSAMDataSet::CreateFilters() {
    expressionFilter_ = Filter().empty() ? 0 : AddExpressionFilter(Filter(), FilterOptions());
    callbackFilter_ = OnFilterRecord() ? AddCallbackFilter() : 0;
    if (Filtered()) ActivateFilters(true);
}

uint32_t TVORSAMDataSet::AddExpressionFilter(const std::string& text, TFilterOptions options) {
    uint32_t flags = 0;
    if (options.Contains(foCaseInsensitive)) flags |= efCaseInsensitive;
    if (options.Contains(foNoPartialCompare)) flags |= efNoPartialCompare;
    return Cursor().AddFilter(text, flags);
}

uint32_t TVORSAMDataSet::AddCallbackFilter() {
    return Cursor().AddFilter(
        [this](std::span<const uint8_t> image, TExpToken*) { return FilterAccepts(image); }, 1);
}

// The handler judges a copy of the record: what it writes into the fields in dsFilter never reaches the
// cursor's record.
bool TVORSAMDataSet::FilterAccepts(std::span<const uint8_t> image) {
    if (!OnFilterRecord()) return true;
    std::vector<uint8_t> judged(image.begin(), image.end());
    const TTempState state(*this, dsFilter, judged.data());
    bool accept = true;
    OnFilterRecord()(*this, accept);
    return accept;
}

void TVORSAMDataSet::ActivateFilters(bool active) {
    for (const uint32_t handle : {expressionFilter_, callbackFilter_}) {
        if (handle == 0) continue;
        if (active)
            Cursor().ActivateFilter(handle);
        else
            Cursor().DeactivateFilter(handle);
    }
}

// The new filter (0: none) takes the old one's place, active while the dataset is filtered.
void TVORSAMDataSet::ReplaceFilter(uint32_t& handle, uint32_t replacement) {
    if (handle != 0) Cursor().DropFilter(handle);
    handle = replacement;
    if (!Filtered()) return;
    CursorPosChanged();
    DestroyLookupCursor();
    if (handle != 0) Cursor().ActivateFilter(handle);
}

// ---- the filter properties ----

void TVORSAMDataSet::SetFilterText(std::string text) {
    if (!Active()) return TDataSet::SetFilterText(std::move(text));
    CheckBrowseMode();
    if (text != Filter()) {
        const TEngineLock lock(*this);
        ReplaceFilter(expressionFilter_, text.empty() ? 0 : AddExpressionFilter(text, FilterOptions()));
    }
    TDataSet::SetFilterText(std::move(text));
    if (Filtered()) First();
}

void TVORSAMDataSet::SetFilterOptions(TFilterOptions options) {
    if (!Active()) return TDataSet::SetFilterOptions(options);
    CheckBrowseMode();
    if (options != FilterOptions()) {
        const TEngineLock lock(*this);
        ReplaceFilter(expressionFilter_, Filter().empty() ? 0 : AddExpressionFilter(Filter(), options));
    }
    TDataSet::SetFilterOptions(options);
    if (Filtered()) First();
}

void TVORSAMDataSet::SetFiltered(bool value) {
    if (!Active()) return TDataSet::SetFiltered(value);
    CheckBrowseMode();
    if (value != Filtered()) {
        DestroyLookupCursor();
        {
            const TEngineLock lock(*this);
            ActivateFilters(value);
        }
        TDataSet::SetFiltered(value);
    }
    First();
}

void TVORSAMDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
    if (!Active()) return TDataSet::SetOnFilterRecord(std::move(handler));
    CheckBrowseMode();
    TDataSet::SetOnFilterRecord(std::move(handler));
    {
        const TEngineLock lock(*this);
        ReplaceFilter(callbackFilter_, OnFilterRecord() ? AddCallbackFilter() : 0);
    }
    if (Filtered()) First();
}

// ---- FindFirst, FindNext, FindPrior, FindLast ----

// The filters judge the records of the search even while the dataset is not filtered.
bool TVORSAMDataSet::FindRecord(bool restart, bool goForward) {
    CheckBrowseMode();
    DoBeforeScroll();
    SetFound(false);
    UpdateCursorPos();
    CursorPosChanged();
    uint16_t code = 0;
    {
        const TEngineLock lock(*this);
        TDataCursor& cursor = Cursor();
        const bool temporary = !Filtered();
        if (temporary) ActivateFilters(true);
        try {
            if (goForward) {
                if (restart) cursor.SetToBegin();
                code = cursor.GetNextRecord();
            } else {
                if (restart) cursor.SetToEnd();
                code = cursor.GetPriorRecord();
            }
        } catch (...) {
            if (temporary) ActivateFilters(false);
            throw;
        }
        if (temporary) ActivateFilters(false);
    }
    if (code == 0) {
        Resync({rmExact, rmCenter});
        SetFound(true);
        DoAfterScroll();
    }
    return Found();
}

} // namespace vorsam
