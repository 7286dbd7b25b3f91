#include "db/lib/FileHandler.h"

#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/TableNames.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vorsam {

namespace {

constexpr size_t CopyChunkSize = 65536;
constexpr uint64_t MaxLockEnd = uint64_t(std::numeric_limits<int64_t>::max());

TFileFaults& Faults() {
    return GetFileList().Faults();
}

bool ValidLockRange(uint64_t offset, uint64_t length) {
    if (length == 0 || offset > MaxLockEnd - length) return false;
    return !(offset <= OpenModeLockOffset && OpenModeLockOffset < offset + length);
}

} // namespace

TFileHandler::~TFileHandler() {
    if (IsOpen()) Close();
}

void TFileHandler::RequireClosed() const {
    assert(!IsOpen() && "handler settings change only while it is closed");
    if (IsOpen()) RaiseFileError(VORSAM_FILEINUSE, EBUSY);
}

void TFileHandler::RequireOpen() const {
    if (!IsOpen()) RaiseFileError(VORSAM_OSERROR, EBADF);
}

void TFileHandler::SetFileName(const std::string& name) {
    ChangeSetting(fileName_, name);
}
void TFileHandler::SetInMemory(bool value) {
    ChangeSetting(inMemory_, value);
}
void TFileHandler::SetExclusive(bool value) {
    ChangeSetting(exclusive_, value);
}
void TFileHandler::SetReadOnly(bool value) {
    readOnly_ = value;
}
void TFileHandler::SetTemporary(bool value) {
    ChangeSetting(temporary_, value);
}

bool TFileHandler::ReadOnlyAttribute() const {
    return file_ && file_->ReadOnlyAttribute;
}

void TFileHandler::GetErrorContext(TErrorContext& context) const {
    std::string name = ForwardToBackslashes(fileName_);
    size_t slash = name.rfind('/');
    context.Database = inMemory_                    ? "Memory"
                       : slash == std::string::npos ? std::string()
                                                    : name.substr(0, slash);
    context.Table = slash == std::string::npos ? name : name.substr(slash + 1);
}

TErrorContext TFileHandler::ErrorContext(int osError) const {
    TErrorContext context;
    GetErrorContext(context);
    context.OSErrorCode = osError;
    return context;
}

void TFileHandler::RaiseFileError(uint16_t code, int osError) const {
    RaiseEngineError(code, ErrorContext(osError));
}

void TFileHandler::Acquire(bool create) {
    TFileOpenRequest request{fileName_, inMemory_, exclusive_, create, create && temporary_};
    file_ = &GetFileList().Acquire(request, ErrorContext());
    position_ = 0;
    linkedName_.clear();
    if (inMemory_ || file_->Temporary) return;
    std::error_code error;
    std::string name =
        std::filesystem::absolute(ForwardToBackslashes(fileName_), error).lexically_normal().string();
    if (!error && name != file_->Key()) linkedName_ = std::move(name);
}

// A link along the name retargeted since the open (a folder switched to a copy) leaves the key naming the
// file while the name gives another: both are looked at.
bool TFileHandler::NamedAsGiven() const {
    return linkedName_.empty() || file_->NamedBy(linkedName_);
}

void TFileHandler::Open() {
    if (!IsOpen()) Acquire(false);
}

void TFileHandler::CreateFile() {
    RequireClosed();
    Acquire(true);
}

void TFileHandler::Close() {
    if (!IsOpen()) return;
    {
        TCriticalSectionGuard guard(file_->Access);
        file_->Locks.RemoveAll(this, [&](const TLockedRegion& r) {
            return Faults().Before({TFileOperation::Unlock, fileName_, inMemory_, r.Offset, r.Length}) !=
                       TFaultAction::Fail &&
                   file_->LockRange(false, r.Offset, r.Length) == 0;
        });
    }
    TAbstractFile* file = file_;
    file_ = nullptr;
    GetFileList().Release(*file, std::exchange(idle_, false));
}

void TFileHandler::Idle() {
    assert(IsOpen() && !idle_ && !inMemory_ && !exclusive_);
    GetFileList().Idle(*file_);
    idle_ = true;
}

bool TFileHandler::StillNamed() const {
    return !file_ || (file_->StillNamed() && NamedAsGiven());
}

bool TFileHandler::Resume(bool* continued, bool lookAtName) {
    assert(IsOpen() && idle_);
    if (continued) *continued = false;
    if (lookAtName && !NamedAsGiven()) return false;
    if (!GetFileList().Resume(*file_, continued, lookAtName)) return false;
    idle_ = false;
    return true;
}

// Whether a rename or delete is to happen, as the file-fault injector decides.
bool TFileHandler::NamingProceeds(TFileOperation operation) const {
    switch (Faults().Before({operation, fileName_, inMemory_, 0, 0})) {
    case TFaultAction::Fail:
        RaiseFileError(VORSAM_WRITEERR, Faults().FailError(operation));
    case TFaultAction::Drop:
        return false;
    case TFaultAction::Crash:
        throw ESimulatedCrash();
    case TFaultAction::Proceed:
        break;
    }
    return true;
}

bool TFileHandler::FlushProceeds(uint64_t position) const {
    switch (Faults().Before({TFileOperation::Flush, fileName_, inMemory_, position, 0})) {
    case TFaultAction::Fail:
        RaiseFileError(VORSAM_WRITEERR, Faults().FailError(TFileOperation::Flush));
    case TFaultAction::Drop:
    case TFaultAction::Crash:
        return false;
    case TFaultAction::Proceed:
        break;
    }
    return true;
}

void TFileHandler::Hide() {
    RequireOpen();
    GetFileList().Hide(*file_);
}

bool TFileHandler::Unhide() {
    RequireOpen();
    return GetFileList().Unhide(*file_);
}

void TFileHandler::DeleteFile() {
    Close();
    if (NamingProceeds(TFileOperation::Delete)) GetFileList().Delete(fileName_, inMemory_, ErrorContext());
}

void TFileHandler::RenameFile(const std::string& newName) {
    Close();
    if (NamingProceeds(TFileOperation::Rename))
        GetFileList().Rename(fileName_, newName, inMemory_, ErrorContext());
    fileName_ = newName;
}

void TFileHandler::SyncFolder() const {
    if (inMemory_ || !FlushProceeds(0)) return;
    std::string folder = ForwardToBackslashes(fileName_);
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) RaiseFileError(VORSAM_WRITEERR, errno);
    int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (error) RaiseFileError(VORSAM_WRITEERR, error);
}

void TFileHandler::CopyTo(const std::string& destinationName) {
    TFileHandler target;
    target.SetFileName(destinationName);
    target.SetInMemory(inMemory_);
    target.CreateFile();
    AppendTo(target);
    target.FlushBuffers();
    target.Close();
}

void TFileHandler::AppendTo(TFileHandler& destination) {
    assert(&destination != this);
    RequireOpen();
    uint64_t saved = position_;
    std::vector<uint8_t> chunk(CopyChunkSize);
    destination.Seek(0, soEnd);
    Seek(0);
    for (size_t n; (n = ReadBuffer(chunk.data(), chunk.size(), true)) > 0;)
        destination.WriteBuffer(chunk.data(), n);
    position_ = saved;
}

TFileView TFileHandler::ViewForReading() {
    RequireOpen();
    if (inMemory_ || idle_ || Faults().Watching()) return {};
    TCriticalSectionGuard guard(file_->Access);
    uint64_t size = 0;
    const uint8_t* data = nullptr;
    if (file_->GetSize(size) != 0 || size == 0 || size > SIZE_MAX || file_->Map(size_t(size), data) != 0)
        return {};
    return TFileView(data, size_t(size));
}

size_t TFileHandler::ReadBuffer(void* buffer, size_t count, bool allowShort) {
    RequireOpen();
    TCriticalSectionGuard guard(file_->Access);
    if (Faults().Before({TFileOperation::Read, fileName_, inMemory_, position_, count}) == TFaultAction::Fail)
        RaiseFileError(VORSAM_READERR, Faults().FailError(TFileOperation::Read));
    size_t done = 0;
    if (int error = file_->ReadAt(position_, buffer, count, done)) RaiseFileError(VORSAM_READERR, error);
    if (done < count) {
        if (!allowShort) RaiseFileError(VORSAM_READERR, 0);
        std::memset(static_cast<uint8_t*>(buffer) + done, 0, count - done);
    }
    position_ += done;
    return done;
}

void TFileHandler::WriteBuffer(const void* buffer, size_t count) {
    RequireOpen();
    if ((readOnly_ && !writesAllowed_) || ReadOnlyAttribute()) RaiseFileError(VORSAM_WRITEERR, EBADF);
    TCriticalSectionGuard guard(file_->Access);
    TFileFaults& faults = Faults();
    switch (faults.Before({TFileOperation::Write, fileName_, inMemory_, position_, count})) {
    case TFaultAction::Fail:
        RaiseFileError(VORSAM_WRITEERR, faults.FailError(TFileOperation::Write));
    case TFaultAction::Drop:
        position_ += count;
        return;
    case TFaultAction::Crash:
        if (count > 0) file_->WriteAt(position_, buffer, std::min(count, faults.CrashKeepBytes()));
        throw ESimulatedCrash();
    case TFaultAction::Proceed:
        break;
    }
    int error = count == 0 ? file_->Truncate(position_) : file_->WriteAt(position_, buffer, count);
    if (error) RaiseFileError(VORSAM_WRITEERR, error);
    position_ += count;
}

void TFileHandler::Reserve(uint64_t end) {
    RequireOpen();
    if (inMemory_) return;
    TCriticalSectionGuard guard(file_->Access);
    uint64_t size = 0;
    if (int error = file_->GetSize(size)) RaiseFileError(VORSAM_READERR, error);
    if (end <= size) return;
    TFileFaults& faults = Faults();
    switch (faults.Before({TFileOperation::Reserve, fileName_, inMemory_, size, end - size})) {
    case TFaultAction::Fail:
        RaiseFileError(VORSAM_WRITEERR, faults.FailError(TFileOperation::Reserve));
    case TFaultAction::Drop:
        return;
    case TFaultAction::Crash:
        throw ESimulatedCrash();
    case TFaultAction::Proceed:
        break;
    }
    if (int error = file_->Reserve(size, end - size)) RaiseFileError(VORSAM_WRITEERR, error);
}

int TFileHandler::Unreserve() noexcept {
    if (!IsOpen() || inMemory_) return 0;
    TCriticalSectionGuard guard(file_->Access);
    uint64_t size = 0;
    if (int error = file_->GetSize(size)) return error;
    return file_->Unreserve(size);
}

void TFileHandler::FlushBuffers() {
    RequireOpen();
    TCriticalSectionGuard guard(file_->Access);
    if (!FlushProceeds(position_)) return;
    if (int error = file_->Flush()) RaiseFileError(VORSAM_WRITEERR, error);
}

uint64_t TFileHandler::Seek(int64_t offset, TSeekOrigin origin) {
    RequireOpen();
    int64_t base = origin == soBeginning ? 0
                   : origin == soCurrent ? int64_t(position_)
                                         : int64_t(GetFileSize());
    if ((offset < 0 && base + offset < 0) ||
        (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset))
        RaiseFileError(VORSAM_OSERROR, EINVAL);
    position_ = uint64_t(base + offset);
    return position_;
}

uint64_t TFileHandler::GetFileSize() {
    RequireOpen();
    TCriticalSectionGuard guard(file_->Access);
    TFileFaults& faults = Faults();
    if (faults.Before({TFileOperation::Status, fileName_, inMemory_, 0, 0}) == TFaultAction::Fail)
        RaiseFileError(VORSAM_READERR, faults.FailError(TFileOperation::Status));
    uint64_t size = 0;
    if (int error = file_->GetSize(size)) RaiseFileError(VORSAM_READERR, error);
    return size;
}

void TFileHandler::BeginAccess() {
    RequireOpen();
    file_->Access.Enter();
}

void TFileHandler::EndAccess() {
    assert(IsOpen());
    file_->Access.Leave();
}

bool TFileHandler::LockRegion(bool lock, uint64_t length, uint64_t offset) {
    RequireOpen();
    if (!ValidLockRange(offset, length)) return false;
    TCriticalSectionGuard guard(file_->Access);
    RetryStaleUnlocks();
    TFileFaults& faults = Faults();
    // The table of ranges gives the rules within the process; the system's locks are for other processes,
    // none of which can have a file open that this one holds exclusively.
    const bool kernel = !file_->ExcludesOtherProcesses();
    if (!lock) {
        const bool failed = faults.Before({TFileOperation::Unlock, fileName_, inMemory_, offset, length}) ==
                            TFaultAction::Fail;
        if (!file_->Locks.Remove(offset, length, this)) return false;
        if (!failed && (!kernel || file_->LockRange(false, offset, length) == 0)) return true;
        file_->Locks.AddStale(offset, length, this);
        return false;
    }
    if (faults.Before({TFileOperation::Lock, fileName_, inMemory_, offset, length}) == TFaultAction::Fail) {
        if (int error = faults.FailError(TFileOperation::Lock); error != EAGAIN)
            RaiseFileError(VORSAM_OSERROR, error);
        return false;
    }
    if (file_->Locks.Overlaps(offset, length)) return false;
    if (kernel) {
        int error = file_->LockRange(true, offset, length);
        if (error == EAGAIN) return false;
        if (error) RaiseFileError(VORSAM_OSERROR, error);
    }
    file_->Locks.Add(offset, length, this);
    return true;
}

bool TFileHandler::ReleaseStaleRanges() {
    RequireOpen();
    TCriticalSectionGuard guard(file_->Access);
    RetryStaleUnlocks();
    return file_->Locks.StaleCount() == 0;
}

// Under the file's critical section: the unlocks the system refused before are tried again, each as an
// unlock of its own.
void TFileHandler::RetryStaleUnlocks() {
    if (file_->Locks.StaleCount() == 0) return;
    file_->Locks.RetryStale([&](const TLockedRegion& r) {
        return Faults().Before({TFileOperation::Unlock, fileName_, inMemory_, r.Offset, r.Length}) !=
                   TFaultAction::Fail &&
               file_->LockRange(false, r.Offset, r.Length) == 0;
    });
}

bool TFileHandler::RegionLockedElsewhere(uint64_t length, uint64_t offset) {
    RequireOpen();
    if (!ValidLockRange(offset, length)) return false;
    int error = file_->TestRange(offset, length);
    if (error != 0 && error != EAGAIN) RaiseFileError(VORSAM_OSERROR, error);
    return error == EAGAIN;
}

} // namespace vorsam
