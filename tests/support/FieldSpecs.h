// Field lists for the table-file tests, laid out as a table's create lays them out: numbered from 1,
// physical sizes computed, the auto-increment field at its fixed place, the others from the record
// prefix on, each followed by its null byte.
#pragma once

#include "db/lib/FieldDescriptor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorsam::test {

struct TFieldSpec {
    std::string Name;
    uint8_t Type;
    uint8_t Size = 0; // declared size (strings)
    uint8_t SubType = 0;
};

std::vector<TFieldDescriptor> MakeFields(const std::vector<TFieldSpec>& specs);
// The record size those fields make.
size_t RecordSizeOf(const std::vector<TFieldDescriptor>& fields);

} // namespace vorsam::test
