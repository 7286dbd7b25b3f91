// TFileView: a read-only mapping of a file's first bytes into the process's memory, through which reads
// cost no system call (a walk that reads records scattered over a big file: one copy from the system's
// cache each, where a read call would take several times as long). The bytes follow every later write of
// any process to the file. Reading past where the file ends, once another writer has cut it below the
// view's length, stops the process (SIGBUS): the owner of a view drops it before anything that may
// shorten the file can have happened (its own cuts, another process's writes found by the change check).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace vorsam {

class TFileView {
public:
    TFileView() = default;
    TFileView(const uint8_t* data, size_t length) : data_(data), length_(length) {}
    ~TFileView() { Reset(); }
    TFileView(TFileView&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), length_(std::exchange(other.length_, 0)) {}
    TFileView& operator=(TFileView&& other) noexcept {
        if (this != &other) {
            Reset();
            data_ = std::exchange(other.data_, nullptr);
            length_ = std::exchange(other.length_, 0);
        }
        return *this;
    }
    TFileView(const TFileView&) = delete;
    TFileView& operator=(const TFileView&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    const uint8_t* Data() const { return data_; }
    size_t Length() const { return length_; }
    // The `count` bytes at `offset`, when the view holds them all; else nullptr.
    const uint8_t* Bytes(uint64_t offset, size_t count) const {
        return offset <= length_ && count <= length_ - offset ? data_ + offset : nullptr;
    }
    // Unmaps the view.
    void Reset();

private:
    const uint8_t* data_ = nullptr;
    size_t length_ = 0;
};

} // namespace vorsam
