// TDataTable, its files: names, create, delete, open and close with the use count, and what the files
// ask of their owner.
#include "db/engine/DataTable.h"

#include "db/engine/CommitJournal.h"
#include "db/engine/RestructureSwap.h"
#include "db/engine/SpareTables.h"
#include "db/engine/WorkingFiles.h"

#include "db/lib/DataTypes.h"
#include "db/lib/FileCalls.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/TableNames.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <exception>
#include <memory>
#include <unistd.h>

namespace vorsam {

TDataTable::TDataTable(const EngineSettings& settings, TTableLocation location, TDataDirectory* database)
    : settings_(settings), location_(std::move(location)), database_(database), dataFile_(*this),
      indexFile_(*this), blobFile_(*this) {}

TDataTable::~TDataTable() {
    if (inTransaction_) database_->DropFromTransaction(*this); // its changes are forgotten, never written
    keepable_ = false;
    CloseKept();
    if (!IsOpen()) return;
    useCount_ = 1;
    try {
        Close();
    } catch (...) {
        // the files are closed all the same
    }
}

std::string TDataTable::DatabaseName() const {
    return location_.InMemory ? location_.DatabaseName : location_.Directory;
}

void TDataTable::Raise(uint16_t code, const std::string& extraText) const {
    TErrorContext context;
    context.Table = TableName();
    context.Database = DatabaseName();
    context.ExtraText = extraText;
    RaiseEngineError(code, context);
}

void TDataTable::RequireOpen() const {
    if (!IsOpen()) Raise(VORSAM_OSERROR, "the table is not open");
}

bool TDataTable::Locked() const {
    return readDepth_[0] > 0 || readDepth_[1] > 0 || writeDepth_ > 0 || wholeDepth_ > 0;
}

std::array<uint32_t, 3> TDataTable::ChangeCounters() const {
    return {dataFile_.Header().ChangeCounter(), indexFile_.GetChangeCounter(),
            blobFile_.IsOpen() ? blobFile_.Header().ChangeCounter() : 0};
}

bool TDataTable::HasUnwrittenChanges() {
    for (TTableFile* file : Files())
        if (file->HasPendingTruncation()) return true;
    return dataFile_.HasUnwrittenChanges() || indexFile_.HasUnwrittenChanges() ||
           (HasBlobFile() && blobFile_.HasUnwrittenChanges());
}

// ---- names ----

// A name with a folder stands as it is; any other lies in the table's directory. A ".DAT" ending (in
// any case) is the data file's extension, not part of the table's name.
std::string TDataTable::FileName(const char* extension) const {
    if (fileNamer_ && !location_.InMemory) return fileNamer_(extension);
    if (fileNamer_) {
        for (const auto& [known, name] : memoryNames_)
            if (known == extension) return name;
        return memoryNames_.emplace_back(extension, fileNamer_(extension)).second;
    }
    std::string name = ForwardToBackslashes(location_.Name);
    std::string folder = name.substr(0, name.rfind('/') + 1);
    if (folder.empty() && !location_.Directory.empty()) {
        folder = ForwardToBackslashes(location_.Directory);
        if (folder.back() != '/') folder += '/';
    }
    return folder + ExtractBaseName(name, ".DAT") + extension;
}

void TDataTable::PrepareFiles(TTableOpenMode mode) {
    const char* extensions[] = {".DAT", ".IDX", ".BLB"};
    for (size_t i = 0; i < 3; ++i) {
        TTableFile* file = Files()[i];
        file->SetFileName(FileName(extensions[i]));
        file->SetInMemory(location_.InMemory);
        file->SetExclusive(mode.Exclusive);
        file->SetReadOnly(mode.ReadOnly);
    }
}

bool TDataTable::Exists() const {
    try {
        SettleSwap();
    } catch (const EVORSAMEngineError& e) {
        if (e.ErrorCode == VORSAM_FILEINUSE) return true; // a restructure swaps it in another process
        throw;
    }
    return GetFileList().Exists(FileName(".DAT"), location_.InMemory);
}

// A restructure's swap that a crash cut short is finished before the table's files are used
// (RestructureSwap.h).
void TDataTable::SettleSwap() const {
    SettleTableSwap([this](const char* extension) { return FileName(extension); }, location_.InMemory);
}

// ---- create and delete ----

void TDataTable::DefineIndexes(TIndexFile& file, const TTableDefinition& definition,
                               const std::vector<TFieldDescriptor>& fields) {
    for (const TIndexDefinition& index : definition.SecondaryIndexes) {
        // A text index lives in a temporary file while its table is open: it cannot be part of a new
        // table's files.
        if (index.TextIndex) {
            TErrorContext context = file.IndexErrorContext();
            context.Index = index.Name;
            RaiseEngineError(VORSAM_SEARCHCOLREQD, context);
        }
    }
    file.DefinePrimaryIndex(definition.PrimaryIndex, fields);
    for (const TIndexDefinition& index : definition.SecondaryIndexes) file.AddIndex(index, fields);
}

void TDataTable::Create(const TTableDefinition& definition) {
    MakeFiles(definition);
    CloseFiles();
    creating_ = false;
}

void TDataTable::CreateOpen(const TTableDefinition& definition) {
    assert(location_.InMemory);
    MakeFiles(definition);
    creating_ = false;
    mode_ = {.Exclusive = true};
    useCount_ = 1;
}

void TDataTable::MakeFiles(const TTableDefinition& definition) {
    if (IsOpen()) Raise(VORSAM_FILEINUSE);
    CloseKept();
    std::vector<TFieldDescriptor> fields;
    if (TLayoutBreach breach = CheckTableDefinition(definition, fields)) Raise(breach.Code, breach.Reason);
    {
        // The index definitions obey the index file's rules, checked on a file that is never opened.
        TIndexFile probe(*this);
        DefineIndexes(probe, definition, fields);
    }
    if (Exists()) Raise(VORSAM_TABLEEXISTS);
    CompleteCommitsNamingIt(false);
    creating_ = true;
    encrypted_ = definition.Encrypted;
    PrepareFiles({.Exclusive = true});
    try {
        CreateFiles(definition, fields);
    } catch (...) {
        CloseFiles();
        for (TTableFile* file : Files()) {
            try {
                if (GetFileList().Exists(file->FileName(), location_.InMemory)) file->DeleteFile();
            } catch (...) {
                // what cannot be deleted is overwritten by the next create
            }
        }
        creating_ = false;
        throw;
    }
}

// The index file first, the blob file next, the data file last: until the data file exists, the table
// does not, and what a broken-off create left is overwritten by the next.
void TDataTable::CreateFiles(const TTableDefinition& definition,
                             const std::vector<TFieldDescriptor>& fields) {
    indexFile_.CreateFile();
    DefineIndexes(indexFile_, definition, fields);
    indexFile_.WriteHeader(true);
    bool blobs = std::any_of(fields.begin(), fields.end(),
                             [](const TFieldDescriptor& field) { return field.DataType() == dtBlob; });
    if (blobs) {
        blobFile_.SetBlockSize(definition.BlobBlockSize == 0 ? DefaultBlobBlockSize
                                                             : definition.BlobBlockSize);
        blobFile_.CreateFile();
    }
    dataFile_.CreateHeader(definition.LanguageId, definition.SortId, fields, definition.BlobBlockSize,
                           definition.Description, definition.Password, definition.Encrypted,
                           definition.UserMinorVersion, definition.UserMajorVersion);
    dataFile_.SetLastAutoIncValue(definition.LastAutoIncValue);
    dataFile_.WriteFieldDescriptors();
    dataFile_.WriteHeader(true);
    if (settings_.ForceBufferFlush) SyncFiles(true, true, blobs);
}

void TDataTable::Delete() {
    if (IsOpen()) Raise(VORSAM_FILEINUSE);
    CloseKept();
    SettleSwap();
    CompleteCommitsNamingIt(false);
    // Linux deletes a file that others have open without a word: every file is first opened
    // exclusively, which is refused while anyone has it open, and only then is any deleted.
    std::vector<std::unique_ptr<TFileHandler>> files;
    for (const char* extension : {".DAT", ".IDX", ".BLB"}) {
        std::string name = FileName(extension);
        if (files.empty() || GetFileList().Exists(name, location_.InMemory)) {
            auto file = std::make_unique<TFileHandler>();
            file->SetFileName(name);
            file->SetInMemory(location_.InMemory);
            file->SetExclusive(true);
            file->Open();
            files.push_back(std::move(file));
        }
    }
    for (auto& file : files) file->DeleteFile();
    // The journal named after the table goes with it, unless it holds a write other tables await.
    if (!location_.InMemory) RemoveUnawaitedJournal(FileName(".JNL"));
}

// ---- open and close ----

void TDataTable::Open(TTableOpenMode mode) {
    if (IsOpen()) {
        if (mode.Exclusive || mode_.Exclusive) Raise(VORSAM_FILEINUSE);
        // The files are open for writing whenever the folder allows (FileList.h): a user that writes may
        // join users that only read, each cursor keeping to its own mode.
        if (mode_.ReadOnly && !mode.ReadOnly) {
            mode_.ReadOnly = false;
            for (TTableFile* file : Files()) file->SetReadOnly(false);
        }
        ++useCount_;
        return;
    }
    if (kept_ && ResumeKept(mode)) return;
    SettleSwap();
    mode_ = mode;
    PrepareFiles(mode);
    useCount_ = 1;
    try {
        OpenFiles();
        ReadAndValidateHeaders();
    } catch (...) {
        CloseFiles();
        useCount_ = 0;
        throw;
    }
    namesFoundAt_ = mode.Folder;
}

void TDataTable::OpenFiles() {
    dataFile_.Open();
    encrypted_ = dataFile_.GetEncrypted();
    indexFile_.Open();
    if (dataFile_.GetBlobFieldCount() > 0) {
        blobFile_.SetBlockSize(dataFile_.GetBlobBlockSize());
        blobFile_.Open();
    }
}

// What the files read at open came without a lock: under a read level every header is read again and
// checked, the files against each other.
void TDataTable::ReadAndValidateHeaders() {
    if (NeedsReadSlots()) TakeReadSlots();
    try {
        ReadHeaders();
        if (dataFile_.WriteInterrupted())
            CheckWriteComplete();
        else
            ValidateHeaders();
    } catch (...) {
        if (slotsHeld_) ReleaseReadSlots();
        throw;
    }
    if (slotsHeld_) ReleaseReadSlots();
}

void TDataTable::ReadHeaders() {
    dataFile_.ReadHeader();
    dataFile_.ReadFieldDescriptors();
    indexFile_.ReadHeader();
    if (HasBlobFile()) blobFile_.ReadHeader();
}

// The headers as read (the derived bytes of the field descriptors made again), the files against each
// other.
void TDataTable::ValidateHeaders() {
    if (dataFile_.GetEncrypted() != encrypted_ || (dataFile_.GetBlobFieldCount() > 0) != HasBlobFile())
        Raise(VORSAM_HEADERCORRUPT);
    dataFile_.ValidateHeader();
    indexFile_.ValidateIndexHeader(dataFile_.FieldDescriptors());
    if (HasBlobFile()) blobFile_.ValidateBlobHeader();
}

void TDataTable::IncUseCount() {
    RequireOpen();
    ++useCount_;
}

void TDataTable::Close() {
    if (useCount_ == 0) return;
    if (useCount_ > 1) {
        --useCount_;
        return;
    }
    std::exception_ptr error;
    try {
        FinishUses();
    } catch (...) {
        error = std::current_exception();
    }
    if (!error && MayKeep())
        Keep();
    else
        CloseFiles();
    useCount_ = 0;
    if (error) std::rethrow_exception(error);
}

// ---- kept open ----

bool TDataTable::StillNamed() const {
    return dataFile_.StillNamed() && indexFile_.StillNamed() && blobFile_.StillNamed();
}

bool TDataTable::MayKeep() const {
    return keepable_ && database_ && !location_.InMemory && !IsRemote() && !mode_.Exclusive &&
           !inTransaction_ && !damaged_ && !writeMarked_ && !creating_ && dataFile_.IsOpen() &&
           indexFile_.IsOpen() &&
           !IsWorkingFileName(
               std::string_view(dataFile_.FileName()).substr(dataFile_.FileName().rfind('/') + 1));
}

// No lock level is held any more: the read batch is the only lock left to give up.
// A lock the system refused to let go may still be held by the files' descriptors, where nothing would
// try it again while the table is kept: the files close instead, and it goes with them.
void TDataTable::Keep() noexcept {
    EndReadBatch();
    StopBatches();
    bool released = true;
    try {
        if (slotsHeld_) ReleaseReadSlots();
        for (TTableFile* file : Files())
            if (file->IsOpen() && !file->ReleaseStaleRanges()) released = false;
    } catch (...) {
        released = false;
    }
    if (!released) {
        CloseFiles();
        return;
    }
    dataFile_.ForgetView(); // another process may cut the file while it is kept
    KeepOpenModesForAGrace();
    for (TTableFile* file : Files())
        if (file->IsOpen()) file->Idle();
    kept_ = true;
}

// Resumed, a read level's change check done; false when the table is to be opened afresh (its files
// then closed).
bool TDataTable::ResumeKept(TTableOpenMode mode) {
    kept_ = false;
    bool resumed = !mode.Exclusive, continued = true;
    // Nothing in the folder was made, renamed or deleted since the names last gave these files.
    const bool named = mode.Folder && mode.Folder == namesFoundAt_;
    mode_.ReadOnly = mode.ReadOnly;
    for (TTableFile* file : Files()) {
        if (!resumed || !file->IsOpen()) continue;
        file->SetReadOnly(mode.ReadOnly);
        bool kept = false;
        resumed = file->Resume(&kept, !named);
        continued = continued && kept;
    }
    namesFoundAt_ = mode.Folder;
    // No restructure can have begun a swap while the files kept their open-mode locks.
    if (resumed && (continued || !SwapRecordBeside())) {
        useCount_ = 1;
        try {
            // Every write ends with a new data header: the same one means nothing was written since.
            if (dataFile_.OnDiskHeader().Bytes == dataFile_.FileHeader().Bytes) return true;
            TTableRead read(*this);
            // A data header that differs from the one this process knows without a new counter was not
            // written by a writer of the engine: the fresh open checks it.
            if (dataFile_.OnDiskHeader().Bytes == dataFile_.FileHeader().Bytes) return true;
        } catch (...) {
            // the fresh open meets the same and says so
        }
        useCount_ = 0;
    }
    CloseFiles();
    return false;
}

// A restructure's swap record beside the data file (RestructureSwap.h): its first look. True also when
// that cannot be told: the fresh open then looks at it again, and says what it finds.
bool TDataTable::SwapRecordBeside() const {
    const std::string& data = dataFile_.FileName();
    return AccessByName(data.substr(0, data.size() - 4) + ".SWP", F_OK) == 0 || errno != ENOENT;
}

void TDataTable::CloseKept() noexcept {
    if (!kept_) return;
    kept_ = false;
    CloseFiles();
}

// Ends the lock levels still held, writing what is unwritten.
void TDataTable::FinishUses() {
    if (wholeDepth_ > 0) {
        wholeDepth_ = 1;
        UnlockTable();
    }
    if (writeDepth_ > 0) {
        writeDepth_ = 1;
        EndWrite();
    }
    if (!ReadOnly() && HasUnwrittenChanges()) {
        TTableWrite write(*this);
        write.End();
    }
}

void TDataTable::CloseFiles() noexcept {
    StopBatches();
    for (TTableFile* file : Files()) {
        file->ForgetPendingTruncation();
        try {
            file->Close();
        } catch (...) {
            // a handle that fails to close is gone all the same
        }
    }
    readDepth_ = {};
    writeDepth_ = wholeDepth_ = 0;
    slotsHeld_ = tableLockHeld_ = writeLocksHeld_ = writeMarked_ = damaged_ = false;
    acceptedCounters_.reset();
    namesFoundAt_.reset();
    for (auto& order : orders_) order.reset();
}

// ---- caches of a statement's reads ----

// A trim to the limits of the moment: when they grow, the caches only take the room.
void TDataTable::TrimReadCaches() {
    if (!dataFile_.IsOpen()) return;
    dataFile_.TrimRecordCache();
    indexFile_.TrimPageCache();
}

void TDataTable::HoldReaderCaches() {
    if (readerCacheHolders_++ == 0) TrimReadCaches();
}

void TDataTable::ReleaseReaderCaches() noexcept {
    assert(readerCacheHolders_ > 0);
    if (--readerCacheHolders_ > 0) return;
    try {
        TrimReadCaches();
    } catch (...) {
        // the caches keep what they hold until the next trim
    }
}

} // namespace vorsam
