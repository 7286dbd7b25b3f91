// TSortKeys: the sort keys of records and their comparison (the key's form is in RecordSort.h). A key is
// the sort fields' segments (key size + 1 bytes each) followed by the 4-byte tail.
#pragma once

#include "db/lib/FieldDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorsam {

class TSortKeys {
public:
    static constexpr size_t TailSize = 4;

    // The fields must lie within the record (see CheckSortField).
    TSortKeys(std::vector<TFieldDescriptor> fields, bool caseInsensitive, uint16_t languageId,
              uint16_t sortId);

    size_t FieldsLength() const { return fieldsLength_; }
    size_t KeyLength() const { return fieldsLength_ + TailSize; }

    // Writes the key of a record image (KeyLength bytes).
    void Build(std::span<const uint8_t> image, uint8_t* key) const;
    // < 0, 0 or > 0 as key a sorts before, with or after key b; with `withTail` the tails decide ties.
    int Compare(const uint8_t* a, const uint8_t* b, bool withTail) const;

private:
    int CompareField(const TFieldDescriptor& field, const uint8_t* a, const uint8_t* b) const;

    std::vector<TFieldDescriptor> fields_;
    std::vector<uint8_t> keySizes_;
    size_t fieldsLength_ = 0;
    bool caseInsensitive_;
    uint16_t languageId_;
    uint16_t sortId_;
};

// True when a sort field's value lies within a record of `recordSize` bytes as its descriptor says:
// not computed, an auto-increment field at +5, any other at an offset from 9 on with its type's
// physical size.
bool CheckSortField(const TFieldDescriptor& field, uint16_t recordSize);

} // namespace vorsam
