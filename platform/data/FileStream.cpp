#include "platform/data/FileStream.h"

#include "platform/data/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform::data {
namespace {

int OpenFlags(TFileMode mode) {
    switch (mode) {
    case fmCreate:
        return O_RDWR | O_CREAT | O_TRUNC;
    case fmOpenRead:
        return O_RDONLY;
    case fmOpenWrite:
        return O_WRONLY;
    case fmOpenReadWrite:
        return O_RDWR;
    }
    return O_RDONLY;
}

} // namespace

TFileStream::TFileStream(std::string fileName, TFileMode mode) : fFileName(std::move(fileName)) {
    fHandle = ::open(fFileName.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
    if (fHandle < 0)
        throw EStreamError(
            Format(mode == fmCreate ? "Cannot create file \"%s\". %s" : "Cannot open file \"%s\". %s",
                   {fFileName, std::strerror(errno)}));
}

TFileStream::~TFileStream() {
    if (fHandle >= 0) ::close(fHandle);
}

void TFileStream::Fail(const char* what) const {
    throw EStreamError(Format("%s \"%s\". %s", {what, fFileName, std::strerror(errno)}));
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::read(fHandle, static_cast<char*>(buffer) + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("Cannot read file");
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::write(fHandle, static_cast<const char*>(buffer) + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail("Cannot write file");
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    const off_t position = ::lseek(fHandle, static_cast<off_t>(offset), whence);
    if (position < 0) throw EStreamError(Format("Invalid stream position in \"%s\"", {fFileName}));
    return position;
}

void TFileStream::SetSize(std::int64_t newSize) {
    if (newSize < 0) throw EStreamError("Invalid stream size");
    if (::ftruncate(fHandle, static_cast<off_t>(newSize)) != 0) Fail("Cannot change the size of file");
    if (Position() > newSize) SetPosition(newSize);
}

} // namespace platform::data
