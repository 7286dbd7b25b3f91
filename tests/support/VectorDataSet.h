#pragma once
// A dataset over rows kept in a vector, for the tests of the dataset framework and of the data-aware
// controls. It supplies records the way a dataset over a cursor does: a cursor position between or
// on rows, record buffers with the record image, calculated fields, bookmark and flag, blobs kept
// beside the rows, OnFilterRecord, a range on one field, and a master link that sets that range
// from the master's current record.
//
// Record image: per column, a byte that is 1 when the value is set, then the value in the field's
// native format (nothing for blobs). Buffer: image, calculated fields, row id (int32), flag (byte).
// The bookmark is the row id.

#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"

#include <map>
#include <string>
#include <vector>

namespace platform::data::test {

struct TColumn {
    std::string Name;
    TFieldType Type = ftInteger;
    int Size = 0;
    bool Required = false;
};

class TVectorDataSet : public TDataSet {
public:
    explicit TVectorDataSet(std::vector<TColumn> columns);
    ~TVectorDataSet() override;

    void SetReadOnly(bool value) { fReadOnly = value; }
    // Shows only the rows whose field holds the value (a detail's link to its master).
    void SetRange(std::string fieldName, Variant value);
    void CancelRange();
    void SetMasterSource(TDataSource* source);
    void SetMasterFields(std::string masterFields, std::string detailField);
    int RowCount() const { return static_cast<int>(fRows.size()); }
    // How often records were read (GetRecord calls answering grOK).
    int RecordsRead() const { return fRecordsRead; }

    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    bool GetFieldData(const TField& field, void* buffer) override;
    bool GetFieldData(int fieldNo, void* buffer) override;
    void SetFieldData(TField& field, const void* buffer) override;
    bool BookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
    void SetRecNo(int value) override;
    void SetFiltered(bool value) override;
    void CloseBlob(TField& field) override { fPendingBlobs.erase(field.FieldNo()); }

protected:
    std::unique_ptr<char[]> AllocRecordBuffer() override;
    TGetResult GetRecord(char* buffer, TGetMode mode, bool doCheck) override;
    void InternalInitRecord(char* buffer) override;
    void ClearCalcFields(char* buffer) override;
    TBookmark GetBookmarkData(char* buffer) override;
    void SetBookmarkData(char* buffer, const TBookmark& data) override;
    TBookmarkFlag GetBookmarkFlag(char* buffer) override;
    void SetBookmarkFlag(char* buffer, TBookmarkFlag flag) override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() override { return fOpen; }
    void InternalInitFieldDefs() override;
    void InternalFirst() override { fPos = -1; }
    void InternalLast() override { fPos = RowCount(); }
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    void InternalSetToRecord(char* buffer) override { InternalGotoBookmark(GetBookmarkData(buffer)); }
    int GetRecordCount() override;
    int GetRecNo() override;
    void InternalEdit() override;
    void InternalInsert() override;
    void InternalPost() override;
    void InternalCancel() override { fPendingBlobs.clear(); }
    void InternalDelete() override;
    bool GetCanModify() override { return !fReadOnly; }
    void DoOnNewRecord() override;
    TDataSource* GetDataSource() override { return fMasterLink.DataSource(); }

private:
    friend class TVectorBlobStream;
    struct Row {
        int Id = 0;
        std::string Image;
        std::map<int, std::string> Blobs;
    };

    int RowIndex(int id) const; // -1 when absent
    int RowIdOf(const char* buffer) const;
    bool Accept(int row);
    char* RecordBufferForState();
    int ColumnOffset(int fieldNo) const { return fOffsets[static_cast<std::size_t>(fieldNo - 1)]; }
    int BufferSize() const { return fRecordSize + CalcFieldsSize() + 5; }
    std::string BlobOf(const TField& field);

    std::vector<TColumn> fColumns;
    std::vector<int> fOffsets;
    int fRecordSize = 0;
    std::vector<Row> fRows;
    int fNextId = 1;
    int fPos = -1; // the cursor: a row index, -1 before the first row, RowCount() after the last
    bool fOpen = false;
    bool fReadOnly = false;
    int fRecordsRead = 0;
    std::string fOldImage;
    std::string fFilterImage;
    std::map<int, std::string> fPendingBlobs;
    std::string fRangeField;
    Variant fRangeValue;
    TMasterDataLink fMasterLink{*this};
    std::string fDetailField;
};

} // namespace platform::data::test
