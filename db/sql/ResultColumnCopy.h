// The copy of a SELECT block's plain source columns into its result record, worked out once per run.
//
// A column whose source field and result field hold the same type in the same room (no BLOB, no
// auto-increment field, no computed field, a string field without a character case of its own) is
// copied byte for byte from the source's record buffer into the result record, with what writing the
// value through the result cursor would do: a null value leaves the field all zeros, a string keeps its
// text up to its declared size without trailing blanks and zeros after it, a boolean is stored as 0 or
// 1, and every field of a source at its end (an outer join without a match) is null. Every other column
// (expressions, aggregates, COUNT(*), conversions, BLOBs) goes the general way, through a value token.
//
// Result records start empty: zeros, or the result table's default values when it has any.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace vorsam {

class TDataQuery;
class TFieldDescriptor;
class TResultField;
class TSourceTable;

// One field copied byte for byte from a record of one table into a record of another, as writing its value
// through the target's cursor would store it (the rules above); only between fields that hold the same
// type in the same room.
class TFieldBytesCopy {
public:
    // The copy between the two fields; none when they do not allow one.
    static std::optional<TFieldBytesCopy> Between(const TFieldDescriptor& from, const TFieldDescriptor& to);
    // Copies the field of `from` (none: a source at its end, every field NULL) into `to`.
    void Apply(const uint8_t* from, uint8_t* to) const {
        uint8_t* target = to + to_;
        const uint8_t* source = from ? from + from_ : nullptr;
        if (!source || source[0] == 0)
            std::memset(target, 0, size_ + 1u);
        else if (kind_ == TKind::Bytes)
            std::memcpy(target, source, size_ + 1u);
        else
            CopyValue(source, target);
    }

private:
    enum class TKind : uint8_t { Bytes, String, Boolean };
    // A string's or boolean's value, as the cursor stores it.
    void CopyValue(const uint8_t* from, uint8_t* to) const;
    uint16_t from_ = 0; // the source field's offset (its null-indicator byte)
    uint16_t to_ = 0;   // the target field's offset
    uint16_t size_ = 0; // value bytes after the indicator
    uint8_t text_ = 0;  // a string's declared size
    TKind kind_ = TKind::Bytes;
};

class TResultColumnCopy {
public:
    // Works the copy out for the block's sources and result cursor as they are now.
    void Compile(TDataQuery& query);
    // Starts `record` as an empty result record.
    void Clear(TDataQuery& query, std::span<uint8_t> record) const;
    // Copies the current joined row's source columns (plain ones, those under an aggregate, COUNT(*)) into
    // the record; expression columns are left to the caller.
    void Copy(TDataQuery& query, std::span<uint8_t> record) const;

private:
    struct TDirect {
        const TSourceTable* Source;
        TFieldBytesCopy Copy;
    };

    std::vector<TDirect> direct_;
    std::vector<TResultField*> general_;
    bool defaults_ = false;
};

} // namespace vorsam
