// Shared pieces of the file-layer tests: handlers on disk or in memory, as a test parameter.
#pragma once

#include "TestSupport.h"

#include "db/lib/FileHandler.h"

#include <memory>
#include <string>

namespace vorsam::test {

enum class TStorage { Disk, Memory };

inline std::string StorageName(const ::testing::TestParamInfo<TStorage>& info) {
    return info.param == TStorage::Disk ? "Disk" : "Memory";
}

class TFileTest : public ::testing::TestWithParam<TStorage> {
protected:
    bool InMemory() const { return GetParam() == TStorage::Memory; }

    // A closed handler on `name` in the scratch folder (or in memory under the same name).
    std::unique_ptr<TFileHandler> Handler(const std::string& name, bool exclusive = false) const {
        auto handler = std::make_unique<TFileHandler>();
        handler->SetFileName(dir_.File(name));
        handler->SetInMemory(InMemory());
        handler->SetExclusive(exclusive);
        return handler;
    }
    std::unique_ptr<TFileHandler> Created(const std::string& name, bool exclusive = false) const {
        auto handler = Handler(name, exclusive);
        handler->CreateFile();
        return handler;
    }
    std::unique_ptr<TFileHandler> Opened(const std::string& name, bool exclusive = false) const {
        auto handler = Handler(name, exclusive);
        handler->Open();
        return handler;
    }

    static void WriteAt(TFileHandler& h, uint64_t offset, const std::string& bytes) {
        h.Seek(int64_t(offset));
        h.WriteBuffer(bytes.data(), bytes.size());
    }
    static std::string ReadAll(TFileHandler& h) {
        std::string bytes(h.GetFileSize(), '\0');
        h.Seek(0);
        h.ReadBuffer(bytes.data(), bytes.size());
        return bytes;
    }

    TTempDir dir_;
};

} // namespace vorsam::test
