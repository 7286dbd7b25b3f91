#include "db/lib/SharedFile.h"

#include "db/lib/FileCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorsam {

int SetDescriptorLock(int descriptor, bool lock, bool exclusive, uint64_t offset, uint64_t length) {
    struct flock request {};
    request.l_type = short(!lock ? F_UNLCK : exclusive ? F_WRLCK : F_RDLCK);
    request.l_whence = SEEK_SET;
    request.l_start = off_t(offset);
    request.l_len = off_t(length);
    if (fcntl(descriptor, F_OFD_SETLK, &request) == 0) return 0;
    return errno == EACCES ? EAGAIN : errno;
}

// ---- disk files

TPhysicalFile::TPhysicalFile(std::string key, int descriptor, bool readOnly)
    : TAbstractFile(std::move(key)), descriptor_(descriptor) {
    ReadOnlyAttribute = readOnly;
    struct stat open {};
    if (::fstat(descriptor_, &open) == 0) {
        device_ = open.st_dev;
        inode_ = open.st_ino;
    }
}

TPhysicalFile::~TPhysicalFile() {
    ::close(descriptor_);
}

int TPhysicalFile::HoldOpenMode(bool hold) {
    return SetDescriptorLock(descriptor_, hold, false, OpenModeLockOffset, 1);
}

bool TPhysicalFile::NamedBy(const std::string& path) const {
    struct stat named {};
    return inode_ != 0 && StatusByName(path, named, true) == 0 && named.st_dev == device_ &&
           named.st_ino == inode_;
}

int TPhysicalFile::ReadAt(uint64_t offset, void* buffer, size_t count, size_t& done) {
    done = 0;
    auto p = static_cast<uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::pread(descriptor_, p + done, count - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        done += size_t(n);
    }
    return 0;
}

// A long write goes in calls that each end at a multiple of this many bytes of the file. The system's
// cache takes the size of a write call as a hint for the size of the cached pieces it makes; once a file
// is held in pieces of a megabyte, every later write of a few bytes into it (a record slot, an index page)
// costs about three times what it costs in pieces of 64 KiB or less, and pieces of that size cost a long
// write nothing measurable.
constexpr uint64_t WriteCallBytes = 65536;

int TPhysicalFile::WriteAt(uint64_t offset, const void* buffer, size_t count) {
    size_t done = 0;
    auto p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        uint64_t at = offset + done;
        size_t piece = size_t(std::min<uint64_t>(count - done, WriteCallBytes - at % WriteCallBytes));
        ssize_t n = ::pwrite(descriptor_, p + done, piece, off_t(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        done += size_t(n);
    }
    return 0;
}

int TPhysicalFile::Truncate(uint64_t size) {
    return ::ftruncate(descriptor_, off_t(size)) == 0 ? 0 : errno;
}

int TPhysicalFile::Map(size_t length, const uint8_t*& data) {
    void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, descriptor_, 0);
    if (mapped == MAP_FAILED) return errno;
    ::madvise(mapped, length, MADV_RANDOM); // what is read through a view is read slot by slot
    data = static_cast<const uint8_t*>(mapped);
    return 0;
}

int TPhysicalFile::GetSize(uint64_t& size) {
    struct stat info {};
    if (::fstat(descriptor_, &info) != 0) return errno;
    size = uint64_t(info.st_size);
    return 0;
}

int TPhysicalFile::Flush() {
    return ::fdatasync(descriptor_) == 0 ? 0 : errno;
}

int TPhysicalFile::Reserve(uint64_t offset, uint64_t length) {
    const int error =
        ::fallocate(descriptor_, FALLOC_FL_KEEP_SIZE, off_t(offset), off_t(length)) == 0 ? 0 : errno;
    if (error == EOPNOTSUPP || error == ENOSYS) return 0;
    // A reservation that fails may keep what it took before the disk ran out (ext4 does): the range is
    // given back all the same.
    reservedEnd_ = std::max(reservedEnd_, offset + length);
    return error;
}

// Some file systems give it back at a cut to the same size, others only when the hole is punched: both,
// the hole over exactly the range reserved past the end (a file system refuses a range past its largest
// file).
int TPhysicalFile::Unreserve(uint64_t size) {
    if (reservedEnd_ == 0) return 0;
    int error = 0;
    if (reservedEnd_ > size && ::fallocate(descriptor_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                                           off_t(size), off_t(reservedEnd_ - size)) != 0)
        error = errno == EOPNOTSUPP || errno == ENOSYS ? 0 : errno;
    reservedEnd_ = 0;
    if (::ftruncate(descriptor_, off_t(size)) != 0 && error == 0) error = errno;
    return error;
}

int TPhysicalFile::LockRange(bool lock, uint64_t offset, uint64_t length) {
    return SetDescriptorLock(descriptor_, lock, !ReadOnlyAttribute, offset, length);
}

int TPhysicalFile::TestRange(uint64_t offset, uint64_t length) {
    struct flock request {};
    request.l_type = F_WRLCK; // conflicts with a lock of either kind
    request.l_whence = SEEK_SET;
    request.l_start = off_t(offset);
    request.l_len = off_t(length);
    if (fcntl(descriptor_, F_OFD_GETLK, &request) != 0) return errno;
    return request.l_type == F_UNLCK ? 0 : EAGAIN;
}

// ---- in-memory files

int TMemoryFile::ReadAt(uint64_t offset, void* buffer, size_t count, size_t& done) {
    done = offset >= data_.size() ? 0 : size_t(std::min<uint64_t>(count, data_.size() - offset));
    if (done) std::memcpy(buffer, data_.data() + offset, done);
    return 0;
}

int TMemoryFile::WriteAt(uint64_t offset, const void* buffer, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    try {
        if (offset >= data_.size()) { // an append: the bytes go in without zeroing their place first
            data_.resize(size_t(offset), 0);
            data_.insert(data_.end(), bytes, bytes + count);
            return 0;
        }
        if (offset + count > data_.size()) data_.resize(size_t(offset + count), 0);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    } catch (const std::length_error&) {
        return EFBIG;
    }
    if (count > 0) std::memcpy(data_.data() + offset, bytes, count);
    return 0;
}

int TMemoryFile::Truncate(uint64_t size) {
    try {
        data_.resize(size_t(size), 0);
        if (data_.capacity() > KeptRoom && data_.size() < data_.capacity() / 4) data_.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    } catch (const std::length_error&) {
        return EFBIG;
    }
    return 0;
}

int TMemoryFile::GetSize(uint64_t& size) {
    size = data_.size();
    return 0;
}

} // namespace vorsam
