// The values of a sub-select inside an expression gathered in memory as its rows are read, in place of a
// result table: a block whose only result column is a plain column of its only source, and whose rows
// need neither sorting nor grouping nor cutting, is read by its enclosing block through its values alone
// (TDataQuery::ReadValues), one after another, each as its result table would have given it back.
//
// Layout: per row, one byte (1 when NULL) and the field's bytes as the source's record holds them (its
// physical size), rows one after another in the order read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vorsam {

class TDataCursor;
class TDataQuery;
class TExpToken;
class TFieldDescriptor;

// True when the block's rows may be gathered so: a SELECT inside an expression (not the source of an
// INSERT, no UNION) of one plain, non-BLOB column of its one source, stored in its result table as the
// source holds it, without DISTINCT, GROUP BY, HAVING, aggregates, ORDER BY, TOP or INTO, not correlated.
bool GathersValues(TDataQuery& query);

class TGatheredValues {
public:
    // Starts a run: the values of `field` (the result table's descriptor of the column) to come.
    void Start(const TFieldDescriptor& field, uint16_t resultNumber);
    // No run gathered the block's values: they are in its result table.
    void Stop() { active_ = false; }
    bool Active() const { return active_; }
    // The source's field of the current row (NULL when the source is past its end).
    void Add(const TDataCursor& source, std::span<const uint8_t> record, uint16_t sourceNumber, bool atEnd);
    size_t Count() const { return stride_ == 0 ? 0 : bytes_.size() / stride_; }
    // Hands each value, in order, to `visit` until it answers false, typed from the result's field as
    // TDataQuery::ReadValues types a value read from the result table; the token is valid during the
    // call only.
    void Read(const std::function<bool(const TExpToken&)>& visit) const;

private:
    bool active_ = false;
    uint8_t dataType_ = 0, subType_ = 0, declaredSize_ = 0, decimals_ = 0;
    uint16_t resultNumber_ = 0;
    size_t size_ = 0;   // the field's physical size
    size_t stride_ = 0; // 1 + size_
    std::vector<uint8_t> bytes_;
};

} // namespace vorsam
