#pragma once
// Index definitions: the indexes of a table (name, ';'-separated field names, options).

#include "platform/data/DefCollection.h"
#include "platform/data/Set.h"

#include <deque>
#include <string>
#include <string_view>

namespace platform::data {

enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained };
using TIndexOptions = TSet<TIndexOption>;

struct TIndexDef {
    std::string Name;
    std::string Fields;
    TIndexOptions Options;
};

class TIndexDefs : public TDefCollection {
public:
    using TDefCollection::TDefCollection;

    // "Duplicate index name '%s'" for a name already defined.
    TIndexDef& Add(std::string name, std::string fields, TIndexOptions options = {});
    void Clear() { fItems.clear(); }
    int Count() const { return static_cast<int>(fItems.size()); }
    TIndexDef& operator[](int index) { return fItems.at(static_cast<std::size_t>(index)); }
    const TIndexDef& operator[](int index) const { return fItems.at(static_cast<std::size_t>(index)); }
    int IndexOf(std::string_view name) const; // ignoring case; -1 when absent
    TIndexDef& Find(std::string_view name);   // "Index '%s' not found"
    // The first index that is neither descending nor an expression index (and, when asked for,
    // ignores case) whose fields are the given ones, ignoring case; failing that, the first whose
    // fields begin with them (followed by ';'). Brings the definitions up to date first.
    TIndexDef* GetIndexForFields(std::string_view fields, bool caseInsensitive);
    TIndexDef& FindIndexForFields(std::string_view fields); // "No index for fields '%s'"
    // Has the dataset fill the definitions when they are stale.
    void Update();

private:
    std::deque<TIndexDef> fItems;
};

} // namespace platform::data
