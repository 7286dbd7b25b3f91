#pragma once
// TFileStream: a stream over a file. fmCreate creates the file or empties an existing one;
// fmOpenRead, fmOpenWrite and fmOpenReadWrite open an existing file. Failures of the operating
// system are raised as EStreamError naming the file and the system's reason.

#include "platform/data/Stream.h"

#include <string>

namespace platform::data {

enum TFileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

class TFileStream : public TStream {
public:
    TFileStream(std::string fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

    const std::string& FileName() const { return fFileName; }

private:
    [[noreturn]] void Fail(const char* what) const;
    std::string fFileName;
    int fHandle = -1;
};

} // namespace platform::data
