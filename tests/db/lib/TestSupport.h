// Helpers of the base library's tests: a scratch folder, and a check that a statement raises a given
// engine error. The library globals are initialized for the whole test program (TestSupport.cpp).
#pragma once

#include "db/lib/EngineErrors.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace vorsam::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    size_t EntryCount() const;

private:
    std::string path_;
};

// A file system of its own mounted on a fresh folder, by root only ("tmpfs", or "ext4" with 128-byte inodes,
// whose times step by whole seconds, in a loop-mounted image); unmounted at the end.
class TMountedFolder {
public:
    explicit TMountedFolder(const std::string& kind);
    ~TMountedFolder();
    bool Mounted() const { return mounted_; }
    std::string File(const std::string& name) const { return base_.File("mounted/" + name); }

private:
    TTempDir base_;
    bool mounted_ = false;
};

// The engine error code a callable raises; 0 when it raises nothing.
template <typename F> uint16_t ErrorCodeOf(F&& f) {
    try {
        f();
    } catch (const EVORSAMEngineError& e) {
        return e.ErrorCode;
    }
    return 0;
}

// The engine error a callable raises; one of code 0 when it raises none.
template <typename F> EVORSAMEngineError ErrorRaisedBy(F&& f) {
    try {
        f();
    } catch (const EVORSAMEngineError& e) {
        return e;
    }
    return EVORSAMEngineError(0, TErrorContext{});
}

} // namespace vorsam::test

#define EXPECT_ENGINE_ERROR(statement, code)                                                                 \
    EXPECT_EQ(::vorsam::test::ErrorCodeOf([&] { statement; }), (code))
