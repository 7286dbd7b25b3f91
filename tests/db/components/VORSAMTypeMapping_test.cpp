// Field types to engine types and back, and the parameters as a statement receives them.
#include "db/components/VORSAMTypeMapping.h"
#include "db/lib/TestSupport.h"
#include "platform/data/Params.h"

#include <cstring>
#include <vector>

namespace vorsam::test {
namespace {

using namespace platform::data;

struct TTypeCase {
    TFieldType field;
    TEngineFieldType engine;
    TFieldType back; // what the engine type reads back as
};

TEST(VORSAMTypeMappingTest, FieldTypesMapToEngineTypesAndReadBack) {
    const TTypeCase cases[] = {
        {ftUnknown, {0, 0}, ftUnknown},
        {ftString, {1, 0}, ftString},
        {ftSmallint, {5, 0}, ftSmallint},
        {ftInteger, {6, 0}, ftInteger},
        {ftWord, {12, 0}, ftWord},
        {ftBoolean, {4, 0}, ftBoolean},
        {ftFloat, {7, 0}, ftFloat},
        {ftCurrency, {7, 21}, ftCurrency},
        {ftBCD, {8, 0}, ftBCD},
        {ftDate, {2, 0}, ftDate},
        {ftTime, {10, 0}, ftTime},
        {ftDateTime, {11, 0}, ftDateTime},
        {ftBytes, {9, 0}, ftBytes},
        {ftVarBytes, {15, 0}, ftVarBytes},
        {ftAutoInc, {6, 29}, ftAutoInc},
        {ftBlob, {3, 0}, ftBlob},
        {ftMemo, {3, 22}, ftMemo},
        {ftGraphic, {3, 26}, ftGraphic},
        {ftFmtMemo, {3, 24}, ftFmtMemo},
        {ftParadoxOle, {3, 0}, ftBlob},
        {ftDBaseOle, {3, 0}, ftBlob},
        {ftTypedBinary, {3, 28}, ftTypedBinary},
        {ftCursor, {17, 0}, ftUnknown},
        {ftFixedChar, {1, 31}, ftFixedChar},
        {ftWideString, {1, 32}, ftString},
        {ftLargeint, {18, 0}, ftLargeint},
        {ftADT, {20, 0}, ftADT},
        {ftArray, {21, 0}, ftArray},
        {ftReference, {22, 0}, ftReference},
        {ftDataSet, {23, 0}, ftDataSet},
        {ftOraBlob, {3, 0}, ftBlob},
        {ftOraClob, {3, 0}, ftBlob},
        {ftVariant, {0, 0}, ftUnknown},
        {ftInterface, {0, 0}, ftUnknown},
        {ftIDispatch, {0, 0}, ftUnknown},
        {ftGuid, {1, 0}, ftString},
        {ftTimeStamp, {0, 0}, ftUnknown},
        {ftFMTBcd, {0, 0}, ftUnknown},
    };
    ASSERT_EQ(std::size(cases), size_t(ftFMTBcd) + 1) << "every field type has a case";
    for (const TTypeCase& c : cases) {
        EXPECT_EQ(EngineFieldType(c.field), c.engine) << FieldTypeName(c.field);
        EXPECT_EQ(FieldTypeOf(c.engine.DataType, c.engine.SubType), c.back) << FieldTypeName(c.field);
    }
}

TEST(VORSAMTypeMappingTest, EngineTypesWithoutAFieldOfTheirOwnAndSubtypesThatRefine) {
    EXPECT_EQ(FieldTypeOf(13, 0), ftInteger);
    EXPECT_EQ(FieldTypeOf(19, 0), ftLargeint);
    for (uint8_t code : {14, 16, 17, 24, 30, 255}) EXPECT_EQ(FieldTypeOf(code, 0), ftUnknown) << int(code);
    EXPECT_EQ(FieldTypeOf(dtBytes, stFixedChar), ftFixedChar);
    EXPECT_EQ(FieldTypeOf(dtVarBytes, stFixedChar), ftFixedChar);
    EXPECT_EQ(FieldTypeOf(dtBlob, stBinary), ftBlob);
    EXPECT_EQ(FieldTypeOf(dtBlob, 25), ftBlob);
    EXPECT_EQ(FieldTypeOf(dtBlob, 27), ftBlob);
    EXPECT_EQ(FieldTypeOf(dtBlob, 99), ftBlob);
    EXPECT_EQ(FieldTypeOf(dtSmallInt, stAutoInc), ftSmallint) << "only a 32-bit integer auto-increments";
    EXPECT_EQ(FieldTypeOf(dtBcd, stMoney), ftBCD) << "only a float is money";
}

// The data a parameter gives a statement, as bytes.
std::vector<uint8_t> DataOf(const TParam& param, TBytes& blobData) {
    std::vector<uint8_t> data(ParamDataSize(param));
    GetParamData(param, data.data(), blobData);
    return data;
}

TEST(VORSAMTypeMappingTest, AStringPassesAsAStringUpTo250CharactersAndAsABlobBeyond) {
    TParam param("NOME");
    param.SetAsString(std::string(250, 'a'));
    TBytes blobData;
    EXPECT_FALSE(ParamPassedAsBlob(param));
    EXPECT_EQ(ParamEngineType(param), dtString);
    std::vector<uint8_t> data = DataOf(param, blobData);
    EXPECT_EQ(data.size(), 251u);
    EXPECT_EQ(data.back(), 0) << "terminated";
    EXPECT_TRUE(blobData.empty());

    param.SetAsString(std::string(250, 'a') + "z");
    EXPECT_TRUE(ParamPassedAsBlob(param));
    EXPECT_EQ(ParamEngineType(param), dtBlob);
    data = DataOf(param, blobData);
    ASSERT_EQ(data.size(), sizeof(TParamBlobRef));
    TParamBlobRef ref;
    std::memcpy(&ref, data.data(), sizeof ref);
    EXPECT_EQ(ref.Length, 251u);
    EXPECT_EQ(ref.Reserved, 0u);
    const auto* addressed = reinterpret_cast<const char*>(uintptr_t(ref.Address));
    ASSERT_EQ(addressed, reinterpret_cast<const char*>(blobData.data()))
        << "the whole 64-bit address is kept";
    EXPECT_EQ(std::string(addressed, ref.Length), std::string(250, 'a') + "z");

    param.SetDataType(ftFixedChar);
    EXPECT_TRUE(ParamPassedAsBlob(param)) << "a fixed-char string follows the same rule";
}

TEST(VORSAMTypeMappingTest, BlobKindsPassTheirBytesByReferenceAndOthersTheirValue) {
    TBytes blobData;
    for (TFieldType type : {ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary,
                            ftOraBlob, ftOraClob}) {
        TParam param("B", type);
        param.SetValue(Variant(TBytes{1, 2, 3}));
        EXPECT_EQ(ParamEngineType(param), dtBlob) << FieldTypeName(type);
        std::vector<uint8_t> data = DataOf(param, blobData);
        TParamBlobRef ref;
        std::memcpy(&ref, data.data(), sizeof ref);
        EXPECT_EQ(ref.Length, 3u);
        EXPECT_EQ(blobData, (TBytes{1, 2, 3}));
    }
    TParam empty("B", ftBlob);
    DataOf(empty, blobData);
    EXPECT_TRUE(blobData.empty()) << "a null blob passes no bytes";

    TParam number("N");
    number.SetAsInteger(-7);
    EXPECT_EQ(ParamEngineType(number), dtInteger);
    std::vector<uint8_t> data = DataOf(number, blobData);
    int32_t value;
    ASSERT_EQ(data.size(), sizeof value);
    std::memcpy(&value, data.data(), sizeof value);
    EXPECT_EQ(value, -7);
    number.SetAsCurrency(Currency::FromDouble(1.5));
    EXPECT_EQ(ParamEngineType(number), dtFloat);
}

TEST(VORSAMTypeMappingTest, TheParameterRecordCannotOverflowItsLength) {
    TParams params;
    params.CreateParam(ftInteger, "A", ptInput).SetAsInteger(1);
    params.CreateParam(ftString, "B", ptInput).SetAsString("xyz");
    params.CreateParam(ftMemo, "C", ptInput).SetAsMemo(std::string(100000, 'm'));
    EXPECT_EQ(ParamRecordLength(params), (1 + 4) + (1 + 4) + (1 + 16)) << "a long memo costs 16 bytes";

    // 300 strings of 250 characters: 75,600 bytes, which a 16-bit length would wrap to 10,064.
    TParams many;
    for (int i = 0; i < 300; ++i) many.CreateParam(ftString, "S", ptInput).SetAsString(std::string(250, 's'));
    EXPECT_ENGINE_ERROR(ParamRecordLength(many), VORSAM_INVALIDPARAM);

    TParam bytes("RAW", ftBytes);
    bytes.SetValue(Variant(TBytes(70000, 1)));
    EXPECT_ENGINE_ERROR(ParamDataSize(bytes), VORSAM_INVALIDPARAM);
    bytes.SetValue(Variant(TBytes(65535, 1)));
    EXPECT_EQ(ParamDataSize(bytes), 65535u);
}

} // namespace
} // namespace vorsam::test
