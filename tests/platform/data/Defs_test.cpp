// Field and index definitions: names, numbering, searches and the fields definitions create.

#include "DataSetFixture.h"

#include "platform/data/BlobFields.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/IndexDefs.h"

namespace platform::data::test {
namespace {

TEST(FieldDefs, AreNumberedInOrderAndNamedOnceIgnoringCase) {
    TFieldDefs defs(nullptr);
    defs.Add("CODE", ftInteger);
    defs.Add("NAME", ftString, 30, true);
    EXPECT_EQ(defs[1].FieldNo, 2);
    EXPECT_TRUE(defs[1].Required);
    EXPECT_EQ(defs.IndexOf("name"), 1);
    try {
        defs.Add("code", ftString, 5);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Duplicate field name 'code'");
    }
    EXPECT_THROW(defs.Add("", ftString, 5), EDatabaseError);
    try {
        defs.Find("OTHER");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'OTHER' not found");
    }
    defs.Clear();
    EXPECT_EQ(defs.Add("X", ftInteger).FieldNo, 1);
}

TEST(FieldDefs, CreateTheFieldOfTheirType) {
    const std::vector<std::tuple<TFieldType, int, int>> cases = {
        {ftString, 10, 11}, {ftFixedChar, 3, 4}, {ftSmallint, 0, 2}, {ftWord, 0, 2},       {ftInteger, 0, 4},
        {ftAutoInc, 0, 4},  {ftLargeint, 0, 8},  {ftBoolean, 0, 2},  {ftFloat, 0, 8},      {ftCurrency, 0, 8},
        {ftBCD, 2, 34},     {ftDate, 0, 8},      {ftTime, 0, 8},     {ftDateTime, 0, 8},   {ftBytes, 6, 6},
        {ftVarBytes, 6, 8}, {ftMemo, 0, 0},      {ftGraphic, 0, 0},  {ftTypedBinary, 0, 0}};
    TVectorDataSet dataSet({});
    for (const auto& [type, size, dataSize] : cases) {
        SCOPED_TRACE(FieldTypeName(type));
        TFieldDef def{'F' + std::to_string(dataSet.FieldCount()), type, size, 0, true, 1};
        TField& field = def.CreateField(dataSet);
        EXPECT_EQ(field.DataType(), type);
        EXPECT_EQ(field.DataSize(), dataSize);
        EXPECT_TRUE(field.Required());
        EXPECT_EQ(field.IsBlob(), IsBlobType(type));
        EXPECT_EQ(field.DataSet(), &dataSet);
    }
    TFieldDef adt{"A", ftADT};
    try {
        adt.CreateField(dataSet);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'A' is of an unknown type");
    }
}

// A dataset whose index definitions come from a list, counting how often it is asked.
class TIndexedDataSet : public TVectorDataSet {
public:
    TIndexedDataSet() : TVectorDataSet({{"ID", ftInteger}}) {}
    TIndexDefs Indexes{this};
    int Reads = 0;

protected:
    void UpdateIndexDefs() override {
        ++Reads;
        Indexes.Clear();
        Indexes.Add("BYNAME", "Name;Id", {ixCaseInsensitive});
        Indexes.Add("DESC", "Code", {ixDescending});
        Indexes.Add("CODE", "Code", {ixUnique});
        Indexes.Add("NAMEONLY", "Name");
        Indexes.Add("ABC", "Abc");
    }
};

TEST(IndexDefs, AreFoundByFieldsExactlyFirstThenByLeadingFields) {
    TIndexedDataSet dataSet;
    TIndexDefs& defs = dataSet.Indexes;
    EXPECT_EQ(defs.GetIndexForFields("code", false)->Name, "CODE") << "descending indexes are skipped";
    EXPECT_EQ(defs.GetIndexForFields("Name", false)->Name, "NAMEONLY") << "an exact match comes first";
    EXPECT_EQ(defs.GetIndexForFields("Name", true)->Name, "BYNAME")
        << "a case-insensitive search needs such an index";
    EXPECT_EQ(defs.GetIndexForFields("Ab", false), nullptr) << "a prefix must end at a field boundary";
    EXPECT_EQ(defs.GetIndexForFields("NAME;ID", false)->Name, "BYNAME");
    EXPECT_EQ(dataSet.Reads, 1) << "definitions are read once while up to date";
    defs.SetUpdated(false);
    defs.Update();
    EXPECT_EQ(dataSet.Reads, 2);
    try {
        defs.FindIndexForFields("Other");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "No index for fields 'Other'");
    }
    EXPECT_EQ(defs.Find("byname").Fields, "Name;Id");
    EXPECT_THROW(defs.Find("none"), EDatabaseError);
    EXPECT_THROW(defs.Add("code", "X"), EDatabaseError);
}

} // namespace
} // namespace platform::data::test
