#include "VORSAMDataSetTestSupport.h"

namespace vorsam::test {

using namespace platform::data;

TTableDataSet::TTableDataSet(std::string databaseName, std::string tableName, TVORSAMOwner* owner)
    : TVORSAMDBDataSet(owner), tableName_(std::move(tableName)) {
    SetDatabaseName(databaseName);
}

std::unique_ptr<TDataCursor> TTableDataSet::CreateHandle() {
    auto cursor = std::make_unique<TDataCursor>(*Database()->Handle());
    cursor->SetTableName(tableName_);
    cursor->OpenCursor();
    return cursor;
}

void TTableDataSet::SetIndex(const std::string& indexName) {
    CheckBrowseMode();
    SwitchToIndex(indexName);
    Resync({});
}

TGetResult TTableDataSet::Read(TGetMode mode, bool doCheck) {
    return GetRecord(TempBuffer(), mode, doCheck);
}

TRow TTableDataSet::Row() const {
    TRow row;
    row.Id = FieldByName("ID").AsInteger();
    if (!FieldByName("CODE").IsNull()) row.Code = FieldByName("CODE").AsInteger();
    if (!FieldByName("NAME").IsNull()) row.Name = FieldByName("NAME").AsString();
    return row;
}

void TTableDataSet::SetRow(const TRow& row) {
    FieldByName("ID").SetAsInteger(row.Id);
    if (row.Code)
        FieldByName("CODE").SetAsInteger(*row.Code);
    else
        FieldByName("CODE").Clear();
    if (row.Name)
        FieldByName("NAME").SetAsString(*row.Name);
    else
        FieldByName("NAME").Clear();
}

void DataSetTest::SetUp() {
    ComponentsTest::SetUp();
    DefaultSession().SetLockRetryCount(0);
    database_ = &DefaultSession().OpenDatabase(dir_.Path(), nullptr);
}

void DataSetTest::TearDown() {
    database_ = nullptr;
    ComponentsTest::TearDown();
}

void DataSetTest::CreateTable(const std::string& name, const TCreateTableArgs& args) {
    TDataCursor cursor(*database_->Handle());
    cursor.SetTableName(name);
    cursor.CreateTable(args);
}

void DataSetTest::CreateRows(const std::string& name, const std::vector<TRow>& rows) {
    CreateTable(name, RowTableArgs(0));
    auto cursor = OtherCursor(name);
    for (const TRow& row : rows) {
        std::vector<uint8_t> image = RowImage(*cursor, row);
        cursor->AppendRecord(image);
    }
}

std::unique_ptr<TTableDataSet> DataSetTest::OpenTable(const std::string& name) {
    auto dataSet = std::make_unique<TTableDataSet>(dir_.Path(), name);
    dataSet->Open();
    return dataSet;
}

std::unique_ptr<TDataCursor> DataSetTest::OtherCursor(const std::string& name) {
    auto cursor = std::make_unique<TDataCursor>(*database_->Handle());
    cursor->SetTableName(name);
    cursor->OpenCursor();
    return cursor;
}

std::vector<TRow> DataSetTest::Walk(TTableDataSet& dataSet) {
    std::vector<TRow> rows;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) rows.push_back(dataSet.Row());
    return rows;
}

} // namespace vorsam::test
