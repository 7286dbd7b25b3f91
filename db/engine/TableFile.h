// TTableFile: what the files of a table (data, index and blob file) share over the file layer: their
// owning table, errors raised with the table's and database's names as context, and positioned reads
// and writes, each inside the shared file's critical section.
#pragma once

#include "db/engine/TableFileOwner.h"
#include "db/lib/FileHandler.h"

#include <cstddef>
#include <cstdint>

namespace vorsam {

class TTableFile : public TFileHandler {
public:
    explicit TTableFile(TableFileOwner& owner) : owner_(owner) {}

    TableFileOwner& Owner() const { return owner_; }
    [[noreturn]] void RaiseError(uint16_t code) const { RaiseFileError(code, 0); }

protected:
    void GetErrorContext(TErrorContext& context) const override {
        context.Table = owner_.TableName();
        context.Database = owner_.DatabaseName();
    }
    // `count` bytes at `offset`; fewer only with `allowShort` (the rest zeroed). Returns the bytes read.
    size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count, bool allowShort = false) {
        TFileAccess access(*this);
        Seek(int64_t(offset));
        return ReadBuffer(buffer, count, allowShort);
    }
    // Writes `count` bytes at `offset`; 0 bytes truncates the file there.
    void WriteAt(uint64_t offset, const uint8_t* buffer, size_t count) {
        TFileAccess access(*this);
        Seek(int64_t(offset));
        WriteBuffer(buffer, count);
    }

    TableFileOwner& owner_;
};

} // namespace vorsam
