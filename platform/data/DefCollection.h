#pragma once
// TDefCollection: what field and index definitions share, the dataset they describe and whether
// they mirror it ("updated"): Update fills them from the dataset once until they are marked stale.

#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"

#include <deque>
#include <string_view>

namespace platform::data {

class TDataSet;

// The index of the first definition with the name, ignoring case; -1 when none has it.
template <class TDef> int IndexOfName(const std::deque<TDef>& defs, std::string_view name) {
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (SameText(defs[i].Name, name)) return static_cast<int>(i);
    return -1;
}

// The definition with the name; the message (with the name for %s) when none has it.
template <class TDef> TDef& FindByName(std::deque<TDef>& defs, std::string_view name, const char* message) {
    const int index = IndexOfName(defs, name);
    if (index < 0) DatabaseErrorFmt(message, {name});
    return defs[static_cast<std::size_t>(index)];
}

class TDefCollection {
public:
    explicit TDefCollection(TDataSet* dataSet) : fDataSet(dataSet) {}
    TDataSet* DataSet() const { return fDataSet; }
    bool Updated() const { return fUpdated; }
    void SetUpdated(bool value) { fUpdated = value; }

protected:
    // Runs the dataset's method when the definitions are stale, then marks them updated.
    void UpdateDefs(void (TDataSet::*method)());

private:
    TDataSet* fDataSet;
    bool fUpdated = false;
};

} // namespace platform::data
