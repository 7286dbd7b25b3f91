#pragma once
// TDataSet: the abstract dataset. It keeps the state (browse, edit, insert, ...), a ring of record
// buffers around the active record, the fields and field definitions, the data sources that show it,
// and the events; a descendant supplies the records through the virtual operations below.
//
// Record buffers. The dataset holds BufferCount buffers for records (as many as its largest data
// link shows at once, at least one) plus one spare; buffers 0 .. RecordCount-1 hold consecutive
// records and the active record is one of them. A descendant chooses the layout of a buffer
// (AllocRecordBuffer); besides the record it keeps in each buffer a bookmark and a bookmark flag
// (TBookmarkFlag) and, CalcFieldsSize bytes long, the values of the calculated fields: for each
// calculated field, at its Offset, one byte that is non-zero when the field has a value, followed by
// the value in the field's native format.
//
// The descendant's cursor. GetRecord reads the record before, at or after the cursor and moves the
// cursor there; the dataset repositions the cursor on the record of a buffer before it reads
// around that buffer (InternalSetToRecord, InternalFirst for a buffer flagged bfBOF, InternalLast for
// bfEOF), and before InternalEdit, InternalPost, InternalCancel and InternalDelete it puts the cursor
// on the active record (UpdateCursorPos).
//
// Opening: OpenCursor (infoQuery false) runs InternalOpen, which reads the field definitions, creates
// the default fields (CreateFields when DefaultFields), binds them (BindFields) and sets BookmarkSize;
// IsCursorOpen answers true from the start of InternalOpen, so that FieldDefs().Update() reads the
// open cursor. InitFieldDefs, used on a closed dataset, opens the cursor with infoQuery true instead.
//
// A descendant overriding one form of GetFieldData overrides both (or brings the other in with a
// using-declaration). Its destructor closes the dataset (Close) before its own members go.

#include "platform/data/DataTypes.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/Stream.h"
#include "platform/data/Variant.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::data {

class TDataSource;
class TDataLink;

class TDataSet {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
    using TFilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;

    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    // Opening and closing.
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return fState != dsInactive; }
    void SetActive(bool value);
    TDataSetState State() const { return fState; }
    void CheckActive() const;   // "Cannot perform this operation on a closed dataset"
    void CheckInactive() const; // "Cannot perform this operation on an open dataset"

    // Navigation.
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves up to Distance records (backwards when negative); answers how far it moved.
    int MoveBy(int distance);
    bool Bof() const { return fBOF; }
    bool Eof() const { return fEOF; }
    bool IsEmpty() const { return fActiveRecord >= fRecordCount; }
    bool Found() const { return fFound; }
    int RecordCount() { return GetRecordCount(); }
    int RecNo() { return GetRecNo(); }
    virtual void SetRecNo(int value) {}
    virtual bool IsSequenced() { return false; }
    void Refresh();
    void Resync(TResyncMode mode);
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    virtual bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(std::string_view keyFields, const Variant& keyValues,
                           std::string_view resultFields);

    // Bookmarks: empty when there is no current record.
    TBookmark Bookmark();
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    void GotoBookmark(const TBookmark& bookmark);
    virtual bool BookmarkValid(const TBookmark& bookmark);
    // Negative, zero or positive; an absent bookmark sorts first.
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);

    // Editing.
    void Edit();
    void Insert();
    void Append();
    virtual void Post();
    virtual void Cancel();
    void Delete();
    // Insert or Append, assign the values to the fields in order (null clears), then Post.
    void InsertRecord(const std::vector<Variant>& values);
    void AppendRecord(const std::vector<Variant>& values);
    void SetFields(const std::vector<Variant>& values);
    // Posts a pending edit when something changed, cancels it otherwise.
    void CheckBrowseMode();
    // Asks the data links to write their pending changes into the record.
    void UpdateRecord();
    bool Modified() const { return fModified; }
    bool CanModify() { return GetCanModify(); }

    // Data-aware controls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return fDisableCount != 0; }
    virtual void DataEvent(TDataEvent event, TDataEventInfo info = {});

    // Fields.
    const TFields& Fields() const { return fFields; }
    int FieldCount() const { return fFields.Count(); }
    TField& FieldByName(std::string_view name) const { return fFields.FieldByName(name); }
    TField* FindField(std::string_view name) const { return fFields.FindField(name); }
    // Adds a persistent field (the dataset must be inactive); a dataset with persistent fields does not
    // create fields from its definitions when it opens.
    TField& AddField(std::unique_ptr<TField> field);
    // The fields named in a ';'-separated list; "Field '%s' not found" for an unknown name.
    std::vector<TField*> GetFieldList(std::string_view fieldNames) const;
    TFieldDefs& FieldDefs() { return fFieldDefs; }
    virtual bool GetFieldData(const TField& field, void* buffer);
    virtual bool GetFieldData(int fieldNo, void* buffer);
    virtual void SetFieldData(TField& field, const void* buffer) = 0;
    // Reads a whole blob; answers its size. By default through a read stream.
    virtual int GetBlobFieldData(int fieldNo, TBytes& buffer);
    virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);
    // Drops the unsaved change of a blob of the record being edited.
    virtual void CloseBlob(TField& field) {}
    virtual Variant GetStateFieldValue(TDataSetState state, const TField& field);
    virtual void SetStateFieldValue(TDataSetState state, TField& field, const Variant& value);
    virtual bool GetIsIndexField(const TField& field) { return false; }
    // Copies the active record into the buffer; false when there is none.
    virtual bool GetCurrentRecord(char* buffer) { return false; }
    bool AutoCalcFields() const { return fAutoCalcFields; }
    void SetAutoCalcFields(bool value) { fAutoCalcFields = value; }

    // Filtering, as the descendant applies it.
    const std::string& Filter() const { return fFilterText; }
    void SetFilter(std::string text) { SetFilterText(std::move(text)); }
    bool Filtered() const { return fFiltered; }
    TFilterOptions FilterOptions() const { return fFilterOptions; }
    const TFilterRecordEvent& OnFilterRecord() const { return fOnFilterRecord; }
    virtual void SetFiltered(bool value) { fFiltered = value; }
    virtual void SetFilterText(std::string text) { fFilterText = std::move(text); }
    virtual void SetFilterOptions(TFilterOptions options) { fFilterOptions = options; }
    virtual void SetOnFilterRecord(TFilterRecordEvent handler) { fOnFilterRecord = std::move(handler); }

    // Block reading: while BlockReadSize > 0 the dataset is in dsBlockRead, Next reads on with
    // BlockReadNext and data links hear nothing.
    int BlockReadSize() const { return fBlockReadSize; }
    virtual void SetBlockReadSize(int value);

    // Master and detail.
    TDataSource* DataSource() { return GetDataSource(); }
    // Whether the source shows this dataset, directly or through a chain of master datasets.
    bool IsLinkedTo(TDataSource* source);
    virtual void GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields);

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit,
        AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll,
        AfterScroll, OnCalcFields, OnNewRecord;

protected:
    // Record buffers.
    virtual std::unique_ptr<char[]> AllocRecordBuffer() = 0;
    virtual TGetResult GetRecord(char* buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InitRecord(char* buffer);
    virtual void InternalInitRecord(char* buffer) = 0;
    virtual void ClearCalcFields(char* buffer) {}
    virtual TBookmark GetBookmarkData(char* buffer) = 0;
    virtual void SetBookmarkData(char* buffer, const TBookmark& data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(char* buffer) = 0;
    virtual void SetBookmarkFlag(char* buffer, TBookmarkFlag flag) = 0;
    virtual int GetNextRecords();
    virtual int GetPriorRecords();

    // The cursor.
    virtual void OpenCursor(bool infoQuery);
    virtual void CloseCursor();
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InitFieldDefs();
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    virtual void InternalSetToRecord(char* buffer) = 0;
    virtual void InternalRefresh() {}
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecNo() { return -1; }
    virtual bool FindRecord(bool restart, bool goForward) { return false; }
    virtual void BlockReadNext() { MoveBy(1); }

    // Editing.
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    // By default refuses a required data field without a value ("Field '%s' must have a value").
    virtual void InternalPost() { CheckRequiredFields(); }
    virtual void InternalCancel() {}
    virtual void InternalDelete() = 0;
    virtual bool GetCanModify() { return true; }
    virtual void DoOnNewRecord();

    // Definitions and links.
    virtual void UpdateIndexDefs() {}
    virtual TDataSource* GetDataSource() { return nullptr; }

    // Services for descendants.
    char* ActiveBuffer() const;
    char* CalcBuffer() const { return fCalcBuffer; }
    char* TempBuffer() const;
    int BufferCount() const { return fBufferCount; }
    void SetBufListSize(int value);
    void ClearBuffers();
    void UpdateCursorPos();
    void CursorPosChanged() { fCurrentRecord = -1; }
    void SetState(TDataSetState value);
    TDataSetState SetTempState(TDataSetState value);
    void RestoreState(TDataSetState value);
    void SetModified(bool value) { fModified = value; }
    void SetFound(bool value) { fFound = value; }
    void GetCalcFields(char* buffer);
    int CalcFieldsSize() const { return fCalcFieldsSize; }
    int BookmarkSize() const { return fBookmarkSize; }
    void SetBookmarkSize(int value) { fBookmarkSize = value; }
    bool DefaultFields() const { return fDefaultFields; }
    void CreateFields();
    void BindFields(bool binding);
    void DestroyFields();
    void CheckCanModify();
    void CheckRequiredFields();
    void DoBeforeScroll() { Fire(BeforeScroll); }
    void DoAfterScroll() { Fire(AfterScroll); }
    void FreeFieldBuffers();

private:
    friend class TDataLink;
    friend class TDataSource;
    friend class TDefCollection;
    friend class TFieldDefs;
    friend class TIndexDefs;

    class TStateScope;

    void Fire(const TDataSetNotifyEvent& event) {
        if (event) event(*this);
    }
    void DoInternalOpen();
    static void CheckFieldCompatibility(const TField& field, const TFieldDef& def);
    void CalculateFields(char* buffer);
    bool BookmarkAvailable();
    void SetBufferCount(int value);
    void UpdateBufferCount();
    void AdjustFirstRecords(int delta);
    void MoveBuffer(int curIndex, int newIndex);
    void ActivateBuffers();
    void SetCurrentRecord(int index);
    void ReadFromEnd(bool fromStart);
    bool GetNextRecord();
    bool GetPriorRecord();
    void BeginInsertAppend();
    void InitInsertBuffer();
    void EndInsertAppend();
    void AddDataSource(TDataSource& source);
    void RemoveDataSource(TDataSource& source);
    std::vector<TDataLink*> AllDataLinks() const;

    TDataSetState fState = dsInactive;
    bool fModified = false;
    bool fBOF = true;
    bool fEOF = true;
    bool fFound = false;
    bool fDefaultFields = false;
    bool fAutoCalcFields = true;
    bool fDestroying = false;
    int fDisableCount = 0;
    TDataSetState fDisableState = dsInactive;
    TDataEvent fEnableEvent = deDataSetChange;

    // Buffers 0 .. fBufferCount-1 for records, the last one spare.
    std::vector<std::unique_ptr<char[]>> fBuffers;
    int fBufferCount = 0;
    int fRecordCount = 0;
    int fActiveRecord = 0;
    int fCurrentRecord = -1; // the buffer whose record the cursor is on; -1 when unknown
    char* fCalcBuffer = nullptr;
    int fCalcFieldsSize = 0;
    int fBookmarkSize = 0;
    int fBlockReadSize = 0;

    std::string fFilterText;
    bool fFiltered = false;
    TFilterOptions fFilterOptions;
    TFilterRecordEvent fOnFilterRecord;

    TFieldDefs fFieldDefs;
    TFields fFields;
    std::vector<TDataSource*> fDataSources;
};

} // namespace platform::data
