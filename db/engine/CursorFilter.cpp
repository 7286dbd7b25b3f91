#include "db/engine/CursorFilter.h"

#include "db/lib/ExpressionEvaluator.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

void TCursorFilters::Changed() {
    runningStale_ = true;
    ++generation_;
    activeCount_ = uint32_t(std::count_if(filters_.begin(), filters_.end(),
                                          [](const std::unique_ptr<TCursorFilter>& f) { return f->Active; }));
    activeCallbacks_ = uint32_t(std::count_if(filters_.begin(), filters_.end(),
                                              [](const auto& f) { return f->Active && f->Callback; }));
}

void TCursorFilters::SetColumnPlacer(TExpColumnResolver placer) {
    placer_ = std::move(placer);
}

void TCursorFilters::Compile(TCursorFilter& filter) const {
    filter.Program.Clear();
    if (!filter.Callback && filter.Condition && placer_)
        filter.Program.Compile(*filter.Condition, placer_, filter.Context);
}

void TCursorFilters::CompileAll() {
    for (auto& filter : filters_) Compile(*filter);
}

uint32_t TCursorFilters::Add(std::unique_ptr<TCursorFilter> filter) {
    filter->Handle = nextHandle_++;
    filter->Active = false;
    if (!filter->Callback)
        filter->Context.ColumnValue = [this](TExpToken& column) {
            if (!reader_) return false;
            reader_(column, image_);
            return true;
        };
    Compile(*filter);
    filters_.push_back(std::move(filter));
    Changed();
    return filters_.back()->Handle;
}

TCursorFilter* TCursorFilters::Find(uint32_t handle) {
    auto it = std::find_if(filters_.begin(), filters_.end(),
                           [&](const std::unique_ptr<TCursorFilter>& f) { return f->Handle == handle; });
    return it == filters_.end() ? nullptr : it->get();
}

bool TCursorFilters::SetActive(uint32_t handle, bool active) {
    if (handle == 0) {
        for (auto& filter : filters_) filter->Active = active;
    } else if (TCursorFilter* filter = Find(handle)) {
        filter->Active = active;
    } else {
        return false;
    }
    Changed();
    return true;
}

bool TCursorFilters::Drop(uint32_t handle) {
    if (handle == 0) {
        filters_.clear();
    } else {
        auto it = std::find_if(filters_.begin(), filters_.end(),
                               [&](const std::unique_ptr<TCursorFilter>& f) { return f->Handle == handle; });
        if (it == filters_.end()) return false;
        filters_.erase(it);
    }
    Changed();
    return true;
}

void TCursorFilters::ReplaceCondition(TCursorFilter& filter, TExpTree condition) {
    filter.Condition = std::move(condition);
    filter.Planned.reset();
    Compile(filter);
    Changed();
}

void TCursorFilters::Clear() {
    Drop(0);
}

std::vector<const TCursorFilter*> TCursorFilters::ActiveExpressions() const {
    std::vector<const TCursorFilter*> result;
    for (const auto& filter : filters_)
        if (filter->Active && !filter->Callback) result.push_back(filter.get());
    return result;
}

const std::vector<TCursorFilter*>& TCursorFilters::Running() {
    if (!runningStale_) return running_;
    running_.clear();
    for (const auto& filter : filters_)
        if (filter->Active && !filter->Callback) running_.push_back(filter.get());
    size_t expressions = running_.size();
    for (const auto& filter : filters_)
        if (filter->Active && filter->Callback) running_.push_back(filter.get());
    std::stable_sort(
        running_.begin() + ptrdiff_t(expressions), running_.end(),
        [](const TCursorFilter* a, const TCursorFilter* b) { return a->Priority < b->Priority; });
    runningStale_ = false;
    return running_;
}

bool TCursorFilters::Accepts(std::span<const uint8_t> image) {
    image_ = image;
    uint64_t generation = generation_;
    const uint8_t* images[] = {image.data()};
    for (TCursorFilter* filter : Running()) {
        bool accepted = filter->Callback           ? filter->Callback(image, filter->Condition.get())
                        : !filter->Program.Empty() ? filter->Program.Holds(images)
                                                   : EvaluatePredicate(*filter->Condition, filter->Context);
        // A callback must not change the filters of the cursor whose record it judges.
        assert(generation == generation_);
        if (!accepted) return false;
    }
    (void)generation;
    return true;
}

} // namespace vorsam
