// One parameter value of a statement's run (TQueryStatement::Execute), by position, in the engine's
// native form (db/lib/DataTypes.h): a string with its terminating zero and its length as size; a BLOB its
// bytes (a memo's text with a terminating zero); NULL without bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace vorsam {

struct TStatementParam {
    uint8_t DataType = 0;
    uint8_t SubType = 0;
    uint16_t Size = 0;
    uint8_t Scale = 0;
    bool IsNull = true;
    std::vector<uint8_t> Value;
};

} // namespace vorsam
