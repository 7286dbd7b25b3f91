#include "db/components/VORSAMTypeMapping.h"

#include "db/lib/EngineErrors.h"
#include "platform/data/Params.h"

#include <array>
#include <cstring>

namespace vorsam {

namespace {

using namespace platform::data;

// Engine types that lib/DataTypes.h does not name: they have no field of the engine's own.
constexpr uint8_t dtCursor = 17;
constexpr uint8_t dtLargeIntAlt = 19;
constexpr uint8_t dtADT = 20;
constexpr uint8_t dtArray = 21;
constexpr uint8_t dtReference = 22;
constexpr uint8_t dtDataSet = 23;

// Indexed by TFieldType.
constexpr std::array<TEngineFieldType, ftFMTBcd + 1> EngineTypes{{
    {dtUnknown, stNone},      // ftUnknown
    {dtString, stNone},       // ftString
    {dtSmallInt, stNone},     // ftSmallint
    {dtInteger, stNone},      // ftInteger
    {dtWord, stNone},         // ftWord
    {dtBoolean, stNone},      // ftBoolean
    {dtFloat, stNone},        // ftFloat
    {dtFloat, stMoney},       // ftCurrency
    {dtBcd, stNone},          // ftBCD
    {dtDate, stNone},         // ftDate
    {dtTime, stNone},         // ftTime
    {dtTimeStamp, stNone},    // ftDateTime
    {dtBytes, stNone},        // ftBytes
    {dtVarBytes, stNone},     // ftVarBytes
    {dtInteger, stAutoInc},   // ftAutoInc
    {dtBlob, stNone},         // ftBlob
    {dtBlob, stMemo},         // ftMemo
    {dtBlob, stGraphic},      // ftGraphic
    {dtBlob, stFmtMemo},      // ftFmtMemo
    {dtBlob, stNone},         // ftParadoxOle
    {dtBlob, stNone},         // ftDBaseOle
    {dtBlob, stTypedBinary},  // ftTypedBinary
    {dtCursor, stNone},       // ftCursor
    {dtString, stFixedChar},  // ftFixedChar
    {dtString, stWideString}, // ftWideString
    {dtLargeInt, stNone},     // ftLargeint
    {dtADT, stNone},          // ftADT
    {dtArray, stNone},        // ftArray
    {dtReference, stNone},    // ftReference
    {dtDataSet, stNone},      // ftDataSet
    {dtBlob, stNone},         // ftOraBlob
    {dtBlob, stNone},         // ftOraClob
    {dtUnknown, stNone},      // ftVariant
    {dtUnknown, stNone},      // ftInterface
    {dtUnknown, stNone},      // ftIDispatch
    {dtString, stNone},       // ftGuid
    {dtUnknown, stNone},      // ftTimeStamp
    {dtUnknown, stNone},      // ftFMTBcd
}};

// Indexed by the engine type, before the subtype refines it.
constexpr std::array<TFieldType, dtDataSet + 1> FieldTypes{{
    ftUnknown, ftString,  ftDate,     ftBlob,     ftBoolean, ftSmallint, ftInteger,   ftFloat,
    ftBCD,     ftBytes,   ftTime,     ftDateTime, ftWord,    ftInteger,  ftUnknown,   ftVarBytes,
    ftUnknown, ftUnknown, ftLargeint, ftLargeint, ftADT,     ftArray,    ftReference, ftDataSet,
}};
static_assert(FieldTypes[dtLargeIntAlt] == ftLargeint && FieldTypes[dtCursor] == ftUnknown);

TFieldType BlobFieldType(uint8_t subType) {
    switch (subType) {
    case stMemo:
        return ftMemo;
    case stFmtMemo:
        return ftFmtMemo;
    case stGraphic:
        return ftGraphic;
    case stTypedBinary:
        return ftTypedBinary;
    default:
        return ftBlob;
    }
}

bool IsStringParam(const TParam& param) {
    return param.DataType() == ftString || param.DataType() == ftFixedChar;
}

[[noreturn]] void RaiseTooLong(const std::string& what) {
    RaiseEngineError(VORSAM_INVALIDPARAM, what + " is longer than a statement's parameters may be");
}

} // namespace

TEngineFieldType EngineFieldType(TFieldType type) {
    return type >= 0 && size_t(type) < EngineTypes.size() ? EngineTypes[size_t(type)] : TEngineFieldType{};
}

TFieldType FieldTypeOf(uint8_t dataType, uint8_t subType) {
    if (dataType >= FieldTypes.size()) return ftUnknown;
    const TFieldType type = FieldTypes[dataType];
    switch (dataType) {
    case dtString:
    case dtBytes:
    case dtVarBytes:
        return subType == stFixedChar ? ftFixedChar : type;
    case dtBlob:
        return BlobFieldType(subType);
    case dtInteger:
        return subType == stAutoInc ? ftAutoInc : type;
    case dtFloat:
        return subType == stMoney ? ftCurrency : type;
    default:
        return type;
    }
}

bool ParamPassedAsBlob(const TParam& param) {
    if (IsStringParam(param)) return param.AsString().size() > MaxStringParamLength;
    return EngineFieldType(param.DataType()).DataType == dtBlob;
}

uint8_t ParamEngineType(const TParam& param) {
    return ParamPassedAsBlob(param) ? uint8_t(dtBlob) : EngineFieldType(param.DataType()).DataType;
}

uint32_t ParamDataSize(const TParam& param) {
    if (ParamPassedAsBlob(param)) return sizeof(TParamBlobRef);
    const int64_t size = param.GetDataSize();
    if (size > int64_t(MaxParamRecordLength)) RaiseTooLong("the parameter " + param.Name());
    return uint32_t(size);
}

void GetParamData(const TParam& param, void* buffer, TBytes& blobData) {
    if (!ParamPassedAsBlob(param)) {
        param.GetData(buffer);
        return;
    }
    if (param.IsNull())
        blobData.clear();
    else if (IsStringParam(param) || param.Value().VarType() == varString) {
        const std::string text = param.AsString();
        blobData.assign(text.begin(), text.end());
    } else {
        blobData = param.Value().ToBytes();
    }
    if (blobData.size() > UINT32_MAX) RaiseTooLong("the BLOB parameter " + param.Name());
    const TParamBlobRef ref{uint32_t(blobData.size()), 0,
                            uint64_t(reinterpret_cast<uintptr_t>(blobData.data()))};
    std::memcpy(buffer, &ref, sizeof ref);
}

uint32_t ParamRecordLength(const TParams& params) {
    uint64_t length = 0;
    for (int i = 0; i < params.Count(); ++i) {
        length += 1 + uint64_t(ParamDataSize(params[i]));
        if (length > MaxParamRecordLength) RaiseTooLong("the parameters' record");
    }
    return uint32_t(length);
}

} // namespace vorsam
