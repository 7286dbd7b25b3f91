// TDataCursor: settings, opening and closing through the directory's shared tables, creating and
// deleting tables, the field and index layout, switching indexes, and the errors the cursor raises.
#include "db/engine/DataCursor.h"

#include "db/engine/DataSession.h"
#include "db/engine/RemoteCursor.h"
#include "db/engine/WorkingFiles.h"
#include "db/lib/FieldKeys.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <exception>

namespace vorsam {

namespace {

// The bytes of a descriptor that define the index (not its root, free list or kept page, which change
// as the index does).
bool SameDefinition(const TIndexDescriptor& a, const TIndexDescriptor& b) {
    return std::equal(a.Bytes.begin(), a.Bytes.begin() + 86, b.Bytes.begin()) &&
           std::equal(a.Bytes.begin() + 100, a.Bytes.begin() + 102, b.Bytes.begin() + 100);
}

} // namespace

TTableDefinition TCreateTableArgs::Definition() const {
    TTableDefinition definition;
    definition.Fields = Fields;
    if (!Indexes.empty() && Indexes[0].FieldCount() > 0)
        definition.PrimaryIndex = IndexDefinitionOf(Indexes[0]);
    for (size_t slot = 1; slot <= SecondaryCount && slot < Indexes.size(); ++slot)
        definition.SecondaryIndexes.push_back(IndexDefinitionOf(Indexes[slot]));
    definition.LanguageId = LanguageId;
    definition.SortId = SortId;
    definition.BlobBlockSize = BlobBlockSize;
    definition.Description = Description;
    definition.Password = Password;
    definition.Encrypted = Encrypted;
    definition.UserMajorVersion = UserMajorVersion;
    definition.UserMinorVersion = UserMinorVersion;
    definition.LastAutoIncValue = uint32_t(std::clamp<int64_t>(LastAutoIncValue, 0, MaxCounterValue));
    return definition;
}

TDataCursor::TDataCursor(TDataDirectory& directory) : directory_(directory) {}

TDataCursor::~TDataCursor() {
    try {
        CloseCursor();
    } catch (...) {
        // closing what remains cannot be reported from a destructor
    }
}

// ---- errors ----

void TDataCursor::Raise(uint16_t code, const std::string& extraText, const std::string& field,
                        const std::string& index) const {
    TErrorContext context;
    context.Database = GetDatabaseName();
    context.Table = tableName_;
    context.Field = field;
    context.Index = index;
    context.ExtraText = extraText;
    RaiseEngineError(code, context);
}

void TDataCursor::RaiseErrorWithText(uint16_t code, const std::string& text) const {
    if (code != 0) Raise(code, text);
}

void TDataCursor::RaiseFieldError(uint16_t code, const std::string& fieldName) const {
    Raise(code, {}, fieldName);
}

void TDataCursor::RaiseReturnedError(uint16_t code, const std::string& fieldName) const {
    assert(code != 0 && "a call that failed");
    TErrorContext context = EVORSAMEngineError(code).Context();
    if (context.Field.empty()) context.Field = fieldName;
    RaiseEngineError(code, context);
}

void TDataCursor::RequireClosed() const {
    if (IsOpen()) Raise(VORSAM_INVALIDPARAM, "the cursor is open");
}

TDataTable& TDataCursor::Table() const {
    if (!table_) Raise(VORSAM_INVALIDPARAM, "the cursor is not open");
    return *table_;
}

void TDataCursor::CheckImage(std::span<const uint8_t> image) const {
    if (image.size() < GetRecordSize())
        Raise(VORSAM_INVALIDPARAM, "a record buffer of " + std::to_string(image.size()) + " bytes");
}

// ---- settings ----

void TDataCursor::SetTableName(std::string_view name) {
    RequireClosed();
    tableName_ = name;
}

void TDataCursor::SetExclusive(bool value) {
    RequireClosed();
    exclusive_ = value;
}

void TDataCursor::SetReadOnly(bool value) {
    RequireClosed();
    readOnly_ = value;
}

void TDataCursor::SetInMemory(bool value) {
    RequireClosed();
    inMemory_ = value;
}

void TDataCursor::SetQueryCursor(bool value) {
    RequireClosed();
    queryCursor_ = value;
}

void TDataCursor::SetSourceCursor(bool value) {
    RequireClosed();
    sourceCursor_ = value;
}

void TDataCursor::SetDDLMode(bool value) {
    RequireClosed();
    ddlMode_ = value;
}

void TDataCursor::SetPasswordCallback(std::function<bool()> callback) {
    passwordCallback_ = std::move(callback);
}

// ---- the shared table ----

// The directory's shared table of the table, made when it has none; one more use of it.
TDataTable& TDataCursor::AcquireTable() {
    RequireLocalTable("creating, deleting or repairing tables");
    if (tableName_.empty()) Raise(VORSAM_INVALIDPARAM, "table name missing");
    bool inMemory = inMemory_ || directory_.InMemory();
    TSharedTable& shared = directory_.AcquireTable(tableName_, inMemory_, [&](const std::string&) {
        TTableLocation location{directory_.Folder(), tableName_, inMemory, directory_.GetDatabaseName()};
        auto table = std::make_unique<TDataTable>(directory_.Settings(), std::move(location), &directory_);
        table->NameFilesBy(
            [directory = &directory_, name = tableName_, flag = inMemory_](std::string_view extension) {
                return directory->TableFileName(name, extension, flag);
            });
        table->KeepOpenBetweenUses();
        return table;
    });
    auto* table = dynamic_cast<TDataTable*>(&shared);
    if (!table) {
        directory_.ReleaseTable(shared);
        Raise(VORSAM_INVALIDPARAM, "the database holds the table in another form");
    }
    return *table;
}

void TDataCursor::CheckPassword() {
    if (!table_->IsEncrypted()) return;
    std::string password = table_->DataFile().GetPassword();
    TDataSession& session = directory_.Session();
    while (!session.HasPassword(password))
        if (!passwordCallback_ || !passwordCallback_())
            Raise(VORSAM_OSEACCES, "the table's password is needed");
}

void TDataCursor::OpenCursor() {
    RequireClosed();
    if (directory_.IsRemote()) return OpenRemote();
    OpenOn(AcquireTable());
}

void TDataCursor::OpenOn(TDataTable& table) {
    std::optional<TFolderStamp> folder;
    if (!table.IsOpen()) folder = RemoveStrayWorkingFilesBeside(table);
    try {
        table.Open({.Exclusive = exclusive_, .ReadOnly = readOnly_, .Folder = folder});
    } catch (...) {
        directory_.ReleaseTable(table);
        throw;
    }
    Attach(table);
}

void TDataCursor::Attach(TDataTable& table) {
    try {
        table_ = &table;
        CheckPassword();
        LoadLayout();
        UseIndex(0);
    } catch (...) {
        table.Close();
        table_ = nullptr;
        directory_.ReleaseTable(table);
        throw;
    }
    position_ = {};
    range_ = {};
    countLeaf_ = gatherLeaf_ = rangeLeaf_ = {};
    window_ = {};
    countMemo_ = {};
    seenVersion_ = table.ContentVersion();
}

void TDataCursor::CloseCursor() {
    if (remote_) return CloseRemote();
    if (!table_) return;
    CloseUse(LetGoOfTable());
}

void TDataCursor::CloseUse(TDataTable& table) {
    std::exception_ptr error;
    try {
        table.Close();
    } catch (...) {
        error = std::current_exception();
    }
    directory_.ReleaseTable(table);
    if (error) std::rethrow_exception(error);
}

TDataTable& TDataCursor::LetGoOfTable() {
    TDataTable& table = *table_;
    CancelRecord();
    try {
        ReleaseRecordRun();
    } catch (...) {
        // the lock goes with the table's files at the latest
    }
    blobs_.clear(); // the buffers refer to the table's blob file
    for (; readsBegun_ > 0; --readsBegun_) {
        try {
            table.EndRead();
        } catch (...) {
            // the slot goes with the table's files
        }
    }
    table.EndReadBatch(); // a cursor that closes walks no further
    table_ = nullptr;
    position_ = {};
    range_ = {};
    countLeaf_ = gatherLeaf_ = rangeLeaf_ = {};
    window_ = {};
    path_.Reset();
    filters_.Clear();
    origins_.clear();
    return table;
}

std::unique_ptr<TDataCursor> TDataCursor::CloneCursor() {
    RequireLocalTable("a second cursor");
    TOperation operation(*this);
    auto clone = std::make_unique<TDataCursor>(directory_);
    clone->tableName_ = tableName_;
    clone->exclusive_ = exclusive_;
    clone->readOnly_ = readOnly_;
    clone->inMemory_ = inMemory_;
    clone->passwordCallback_ = passwordCallback_;
    TDataTable& table = *table_;
    directory_.AddTableUse(table);
    try {
        table.IncUseCount();
    } catch (...) {
        directory_.ReleaseTable(table);
        throw;
    }
    clone->table_ = &table;
    clone->LoadLayout();
    clone->fields_ = fields_;
    clone->origins_ = origins_;
    clone->layoutSize_ = layoutSize_;
    clone->UseIndex(indexNumber_);
    clone->range_ = range_;
    clone->readAhead_ = readAhead_;
    clone->seenVersion_ = seenVersion_;
    clone->position_ = position_;
    return clone;
}

TDataTable& TDataCursor::AcquireCreatedTable(const TCreateTableArgs& args) {
    TDataTable& table = AcquireTable();
    try {
        table.Create(args.Definition());
    } catch (...) {
        directory_.ReleaseTable(table);
        throw;
    }
    return table;
}

void TDataCursor::CreateTable(const TCreateTableArgs& args) {
    RequireClosed();
    directory_.ReleaseTable(AcquireCreatedTable(args));
}

void TDataCursor::CreateAndOpenTable(const TCreateTableArgs& args) {
    RequireClosed();
    if (!(inMemory_ || directory_.InMemory()) || !exclusive_ || readOnly_ || directory_.IsRemote())
        return OpenOn(AcquireCreatedTable(args));
    TTableDefinition definition = args.Definition();
    TDataTable& table = AcquireTable();
    try {
        table.CreateOpen(definition);
        // A table of the in-memory database may become a spare (SpareTables.h).
        if (directory_.InMemory()) table.NoteMadeFrom(std::move(definition));
    } catch (...) {
        table.Close();
        directory_.ReleaseTable(table);
        throw;
    }
    Attach(table);
}

bool TDataCursor::OpenSpareTable(const TCreateTableArgs& args) {
    RequireClosed();
    if (!exclusive_ || readOnly_) return false;
    TDataTable* table = directory_.TakeSpareTable(args.Definition());
    if (!table) return false;
    tableName_ = table->TableName();
    directory_.AddTableUse(*table); // a spare that fails to attach is deleted, not left in memory
    try {
        Attach(*table);
    } catch (...) {
        try {
            table->Delete();
        } catch (...) {
            // its memory files stay until the engine stops
        }
        directory_.ReleaseTable(*table);
        throw;
    }
    directory_.ReleaseTable(*table);
    return true;
}

void TDataCursor::CloseAndDeleteTable() {
    if (!table_) return DeleteTable();
    RequireLocalTable("deleting tables");
    DeleteLetGo(LetGoOfTable());
}

void TDataCursor::CloseAndSpareTable() {
    if (!table_ || remote_ || !table_->MayBeSpare()) return CloseAndDeleteTable();
    TDataTable& table = LetGoOfTable();
    bool spared = false;
    try {
        spared = directory_.SpareTable(table);
    } catch (...) {
        // a table that failed to empty is deleted as any other
    }
    if (!spared) DeleteLetGo(table);
}

void TDataCursor::DeleteLetGo(TDataTable& table) {
    directory_.AddTableUse(table); // the shared table outlives the cursor's use of it
    try {
        CloseUse(table);
        table.Delete();
    } catch (...) {
        directory_.ReleaseTable(table);
        throw;
    }
    directory_.ReleaseTable(table);
}

void TDataCursor::DeleteTable() {
    RequireClosed();
    TDataTable& table = AcquireTable();
    try {
        table.Delete();
    } catch (...) {
        directory_.ReleaseTable(table);
        throw;
    }
    directory_.ReleaseTable(table);
}

void TDataCursor::RepairTable(const TRepairEvents& events) {
    RequireClosed();
    TDataTable& table = AcquireTable();
    try {
        table.Repair(events);
    } catch (...) {
        directory_.ReleaseTable(table);
        throw;
    }
    directory_.ReleaseTable(table);
}

// What a process killed at its work left beside the table (WorkingFiles.h), at the table's first open
// in this process (a restructure opens it so too), and at a later one when the folder changed meanwhile
// (TDataDirectory::RemoveStrayWorkingFilesIn); a working table that opens is one at work itself.
std::optional<TFolderStamp> TDataCursor::RemoveStrayWorkingFilesBeside(TDataTable& table) const {
    if (inMemory_ || directory_.InMemory() || directory_.IsRemote()) return std::nullopt;
    const std::string file =
        table.Kept() ? table.DataFile().FileName() : directory_.TableFileName(tableName_, ".DAT", false);
    size_t slash = file.rfind('/');
    if (slash == std::string::npos || IsWorkingFileName(std::string_view(file).substr(slash + 1)))
        return std::nullopt;
    return directory_.RemoveStrayWorkingFilesIn(slash == 0 ? "/" : file.substr(0, slash));
}

// ---- layout ----

void TDataCursor::LoadLayout() {
    fields_ = table_->DataFile().SharedFieldDescriptors();
    recordSize_ = table_->DataFile().GetRecordSize();
    layoutSize_ = 0;
    filters_.CompileAll();
}

bool TDataCursor::IsReadOnly() const {
    return readOnly_ || (table_ && table_->ReadOnly()); // the table may be written through other cursors
}

const TFieldDescriptor& TDataCursor::FieldOf(uint16_t number) const {
    const std::vector<TFieldDescriptor>& fields = CursorFields();
    if (number == 0 || number > fields.size()) Raise(VORSAM_INVALIDPARAM, "field " + std::to_string(number));
    return fields[number - 1];
}

uint16_t TDataCursor::GetFieldNumber(std::string_view name) const {
    const std::vector<TFieldDescriptor>& fields = CursorFields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (SameIndexName(fields[i].Name(), name)) return uint16_t(i + 1);
    return 0;
}

bool TDataCursor::GetFieldDesc(uint16_t number, TFieldDescriptor& destination) const {
    if (number == 0 || number > CursorFields().size()) return false;
    FieldDescriptorAt(number, false, destination);
    return true;
}

void TDataCursor::SetFieldOrigin(uint16_t number, std::string origin) {
    if (number == 0 || number > CursorFields().size())
        Raise(VORSAM_INVALIDPARAM, "field " + std::to_string(number));
    origins_.resize(CursorFields().size());
    origins_[number - 1] = std::move(origin);
}

bool TDataCursor::GetCursorFieldDesc(uint16_t number, TFieldDescriptor& destination) const {
    return GetFieldDesc(number, destination);
}

bool TDataCursor::GetTableFieldDesc(uint16_t number, TFieldDescriptor& destination) const {
    return Table().DataFile().GetFieldDesc(number, destination);
}

std::vector<TFieldDescriptor> TDataCursor::FieldDescriptors(bool tableLayout) const {
    std::vector<TFieldDescriptor> result(CursorFields().size());
    for (size_t i = 0; i < result.size(); ++i) FieldDescriptorAt(uint16_t(i + 1), tableLayout, result[i]);
    return result;
}

void TDataCursor::FieldDescriptorAt(uint16_t number, bool tableLayout, TFieldDescriptor& destination) const {
    const std::vector<TFieldDescriptor>& fields =
        tableLayout ? Table().DataFile().FieldDescriptors() : CursorFields();
    assert(number >= 1 && number <= CursorFields().size());
    if (number <= fields.size())
        destination = fields[number - 1];
    else
        destination.Bytes.fill(0);
    destination.SetPosition(number);
    if (!tableLayout && !origins_.empty())
        destination.SetOrigin(number <= origins_.size() ? origins_[number - 1] : "");
}

bool TDataCursor::GetFieldDescByName(std::string_view name, TFieldDescriptor& destination) const {
    return GetFieldDesc(GetFieldNumber(name), destination);
}

uint8_t TDataCursor::GetIndexCount() const {
    return Table().IndexFile().GetIndexCount();
}

TIndexDescriptor TDataCursor::GetIndexDesc(uint8_t number) const {
    if (number > GetIndexCount()) return {};
    return table_->IndexFile().GetIndexDesc(number);
}

bool TDataCursor::IndexExists(std::string_view name) const {
    return Table().IndexFile().IndexExists(name);
}

bool TDataCursor::IsDefaultPrimaryIndex() const {
    return Table().GetRecordOrder();
}

// ---- the active index ----

void TDataCursor::UseIndex(uint8_t number) {
    TIndexFile& file = table_->IndexFile();
    if (number != RecordOrderIndex && number > file.GetIndexCount())
        Raise(VORSAM_INVALIDPARAM, "index number " + std::to_string(number));
    indexNumber_ = number;
    index_ = {};
    order_.reset();
    keyLength_ = 0;
    segmentEnds_.clear();
    if (number == RecordOrderIndex || (number == PrimaryIndexSlot && file.GetRecordOrder())) return;
    if (file.IsTextIndex(number)) Raise(VORSAM_INVALIDPARAM, "a text index gives no order");
    index_ = file.GetIndexDesc(number);
    order_.emplace(index_, number, table_->KeyInfo());
    keyLength_ = index_.KeyLength();
    uint16_t end = 0;
    for (size_t i = 0; i < index_.FieldCount() && i < MaxIndexFields; ++i) {
        end += GetFieldKeySize(TableFields().at(index_.FieldNumber(i) - 1)) + 1;
        segmentEnds_.push_back(end);
    }
}

void TDataCursor::SetIndexNumber(uint8_t number) {
    RequireLocalTable("switching indexes");
    TOperation operation(*this);
    bool onRecord = position_.Kind == TCursorPositionKind::OnRecord && FindPlace();
    uint32_t record = position_.Record;
    UseIndex(number);
    range_ = {};
    position_ = {};
    if (onRecord) PositionOnRecord(record);
}

void TDataCursor::SetIndexName(std::string_view name) {
    SetIndexNumber(name.empty() ? PrimaryIndexSlot : IndexSlotByName(name));
}

TIndexNavigator TDataCursor::Navigator() {
    return TIndexNavigator(table_->IndexFile(), indexNumber_, *order_, path_);
}

// ---- operations ----

TDataCursor::TOperation::TOperation(TDataCursor& cursor)
    : read_((cursor.RequireLocalTable("this operation"), cursor.Table()), TReadLevel::First, true) {
    cursor.Synchronise();
}

// Another process may have redefined the active index (the change check read its header again): the
// order then starts afresh.
void TDataCursor::Synchronise() {
    uint64_t version = table_->ContentVersion();
    if (version == seenVersion_) return;
    seenVersion_ = version;
    if (InRecordOrder() && indexNumber_ == RecordOrderIndex) return;
    TIndexFile& file = table_->IndexFile();
    bool lost = indexNumber_ > file.GetIndexCount();
    bool same = !lost;
    if (same && indexNumber_ == PrimaryIndexSlot) same = InRecordOrder() == file.GetRecordOrder();
    if (same && !InRecordOrder()) same = SameDefinition(index_, file.GetIndexDesc(indexNumber_));
    if (same) return;
    UseIndex(lost ? PrimaryIndexSlot : indexNumber_);
    range_ = {};
    position_ = {};
}

} // namespace vorsam
