// TRowSpool: records of one size kept in the order they came, to be read back once in that order: in memory
// up to a piece of PieceBytes, past it in a spill file a piece at a time, so that however many there are it
// holds two pieces at most (the one being filled and the one being read).
//
// Spill file: a nameless temporary file in the session's private folder (the system's temporary folder when
// it has none), made when the first piece is full and gone with the spool; a crash leaves nothing of it. The
// records lie one after another as they came. Only the spool that wrote it reads it.
#pragma once

#include "db/engine/EngineSettings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vorsam {

class TFileHandler;

class TRowSpool {
public:
    static constexpr size_t PieceBytes = size_t(256) << 10;

    TRowSpool(const EngineSettings& settings, size_t recordSize);
    ~TRowSpool();
    TRowSpool(const TRowSpool&) = delete;
    TRowSpool& operator=(const TRowSpool&) = delete;

    // Before the first Next.
    void Add(std::span<const uint8_t> record);
    size_t Count() const { return count_; }
    // The bytes of records it holds in memory.
    size_t MemoryBytes() const { return piece_.capacity(); }
    // The next record in the order they came into `record`; false after the last.
    bool Next(std::span<uint8_t> record);

private:
    void WritePiece();

    const EngineSettings& settings_;
    const size_t size_;
    size_t count_ = 0;
    std::vector<uint8_t> piece_;         // being filled, or being read
    std::unique_ptr<TFileHandler> file_; // pieces written, made when the first is full
    uint64_t written_ = 0, read_ = 0;    // bytes of the file
    size_t next_ = 0;                    // in piece_, while reading
    bool reading_ = false;
};

} // namespace vorsam
