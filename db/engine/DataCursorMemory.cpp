// TDataCursor: the memory of deleted cursors kept, per thread, for the next ones made.
#include "db/engine/DataCursor.h"

#include <array>
#include <new>

namespace vorsam {
namespace {

constexpr std::size_t KeptCursorBlocks = 8;

// Set, never cleared, once the thread's kept blocks were freed at its end: a cursor deleted later in
// that thread (by a static object's destructor) goes straight back to the allocator. Trivially
// destructible, so that it may be read after the thread's other objects are gone.
thread_local bool keptBlocksGone = false;

struct TKeptCursorBlocks {
    std::array<void*, KeptCursorBlocks> Blocks{};
    std::size_t Count = 0;
    TKeptCursorBlocks() = default;
    TKeptCursorBlocks(const TKeptCursorBlocks&) = delete;
    TKeptCursorBlocks& operator=(const TKeptCursorBlocks&) = delete;
    ~TKeptCursorBlocks() {
        keptBlocksGone = true;
        while (Count > 0) ::operator delete(Blocks[--Count]);
    }
};

thread_local TKeptCursorBlocks keptBlocks;

} // namespace

void* TDataCursor::operator new(std::size_t size) {
    if (size == sizeof(TDataCursor) && !keptBlocksGone && keptBlocks.Count > 0)
        return keptBlocks.Blocks[--keptBlocks.Count];
    return ::operator new(size);
}

void TDataCursor::operator delete(void* block, std::size_t size) noexcept {
    if (size == sizeof(TDataCursor) && !keptBlocksGone && keptBlocks.Count < KeptCursorBlocks) {
        keptBlocks.Blocks[keptBlocks.Count++] = block;
        return;
    }
    ::operator delete(block);
}

} // namespace vorsam
