// Shared pieces of the tests of the dataset over a cursor: a dataset that opens a table of its database
// by name (as the table component does), and a fixture whose tables are made at cursor level in a
// scratch folder that the datasets name as their database.
#pragma once

#include "../engine/CursorTestSupport.h"
#include "VORSAMTestSupport.h"

#include "db/components/VORSAMDataSet.h"
#include "db/lib/DataTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace vorsam::test {

class TTableDataSet : public TVORSAMDBDataSet {
public:
    TTableDataSet(std::string databaseName, std::string tableName, TVORSAMOwner* owner = nullptr);
    ~TTableDataSet() override { Close(); }

    // Makes the index active and shows the dataset in its order, on the same record.
    void SetIndex(const std::string& indexName);
    int BufferSize() const { return int(Layout().BufferSize); }
    // The record info of the active buffer.
    int32_t ActiveRecordNumber() { return RecordBuffer(ActiveBuffer()).RecordNumber(); }
    platform::data::TBookmarkFlag ActiveFlag() { return RecordBuffer(ActiveBuffer()).Flag(); }
    // Reads a record into the spare buffer as the framework does.
    platform::data::TGetResult Read(platform::data::TGetMode mode, bool doCheck);
    int Buffers() const { return BufferCount(); }

    // The active record as a row of the rows' table.
    TRow Row() const;
    void SetRow(const TRow& row);

protected:
    std::unique_ptr<TDataCursor> CreateHandle() override;

private:
    std::string tableName_;
};

class DataSetTest : public ComponentsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the table at cursor level.
    void CreateTable(const std::string& name, const TCreateTableArgs& args);
    // A table of the rows' kind (RowTableArgs) holding the rows, appended at cursor level.
    void CreateRows(const std::string& name, const std::vector<TRow>& rows);
    std::unique_ptr<TTableDataSet> OpenTable(const std::string& name);
    // Another user's cursor on the table, opened.
    std::unique_ptr<TDataCursor> OtherCursor(const std::string& name);
    // The rows of the dataset from the first to the last.
    static std::vector<TRow> Walk(TTableDataSet& dataSet);

    TTempDir dir_;
    TVORSAMDatabase* database_ = nullptr;
};

} // namespace vorsam::test
