// The mapping between the dataset framework's field types and the engine's data types and subtypes
// (table creation, field definitions read from a cursor), and how a statement's parameters reach the
// engine.
//
// Parameters. A statement receives its parameters as one parameter record: per parameter, in order, a
// null-indicator byte followed by the parameter's data (ParamDataSize bytes); the record holds at most
// MaxParamRecordLength bytes, and a longer one is refused (VORSAM_INVALIDPARAM). A parameter's data is
//   - for a parameter passed as a BLOB (a string or fixed-char string of more than 250 characters, or
//     any parameter of a blob type), a BLOB reference of 16 bytes, little-endian:
//       offset 0  u32  length of the data in bytes
//       offset 4  u32  zero
//       offset 8  u64  address of the data
//     The data itself (the text without terminating zero, or the bytes) lives in storage the caller
//     keeps until the statement has run;
//   - for any other parameter, its value as TParam::GetData writes it.
#pragma once

#include "db/lib/DataTypes.h"
#include "platform/data/DataTypes.h"

#include <cstdint>

namespace platform::data {
class TParam;
class TParams;
} // namespace platform::data

namespace vorsam {

struct TEngineFieldType {
    uint8_t DataType = dtUnknown;
    uint8_t SubType = stNone;
    bool operator==(const TEngineFieldType&) const = default;
};

// The engine type of a field type (dtUnknown for those the engine cannot hold).
TEngineFieldType EngineFieldType(platform::data::TFieldType type);
// The field type of an engine type and subtype; ftUnknown for a type the framework has no field for
// (no field is defined for it).
platform::data::TFieldType FieldTypeOf(uint8_t dataType, uint8_t subType);

// Longest text a string parameter passes as a string; a longer one is passed as a BLOB.
inline constexpr size_t MaxStringParamLength = 250;
inline constexpr uint32_t MaxParamRecordLength = 65535;

struct TParamBlobRef {
    uint32_t Length;
    uint32_t Reserved;
    uint64_t Address;
};
static_assert(sizeof(TParamBlobRef) == 16);

bool ParamPassedAsBlob(const platform::data::TParam& param);
// The engine type the parameter is passed as (dtBlob when passed as a BLOB).
uint8_t ParamEngineType(const platform::data::TParam& param);
// Bytes of the parameter's data in the parameter record.
uint32_t ParamDataSize(const platform::data::TParam& param);
// Writes the parameter's data (ParamDataSize bytes) to the buffer. A parameter passed as a BLOB gets
// its bytes copied into blobData, which the BLOB reference then addresses.
void GetParamData(const platform::data::TParam& param, void* buffer, platform::data::TBytes& blobData);
// Length of the parameter record of the parameters; VORSAM_INVALIDPARAM above MaxParamRecordLength.
uint32_t ParamRecordLength(const platform::data::TParams& params);

} // namespace vorsam
