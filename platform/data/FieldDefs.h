#pragma once
// Field definitions: what fields a dataset's records have (name, type, size, required), as the
// dataset reads them from its source or a caller gives them for a new table.

#include "platform/data/DataTypes.h"
#include "platform/data/DefCollection.h"

#include <deque>
#include <string>
#include <string_view>

namespace platform::data {

class TField;

struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;      // characters of a string, bytes of a binary field, decimals of a BCD
    int Precision = 0; // digits of a BCD
    bool Required = false;
    int FieldNo = 0; // the field's number in the record, from 1

    // Creates the field of the definition's type in the dataset ("Field '%s' is of an unknown type").
    TField& CreateField(TDataSet& dataSet) const;
};

class TFieldDefs : public TDefCollection {
public:
    using TDefCollection::TDefCollection;

    // Adds a definition numbered after the last one; "Field name missing", "Duplicate field name '%s'".
    TFieldDef& Add(std::string name, TFieldType dataType, int size = 0, bool required = false);
    void Clear() { fItems.clear(); }
    int Count() const { return static_cast<int>(fItems.size()); }
    TFieldDef& operator[](int index) { return fItems.at(static_cast<std::size_t>(index)); }
    const TFieldDef& operator[](int index) const { return fItems.at(static_cast<std::size_t>(index)); }
    int IndexOf(std::string_view name) const; // ignoring case; -1 when absent
    TFieldDef& Find(std::string_view name);   // "Field '%s' not found"
    // Has the dataset fill the definitions when they are stale.
    void Update();

private:
    std::deque<TFieldDef> fItems;
};

} // namespace platform::data
