#include "db/engine/ItemArena.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace vorsam {

void* MapHugePages(size_t bytes) {
    // A mapping longer by a huge page, cut down to start on a huge page's boundary.
    const size_t huge = TItemArena::PieceBytes;
    bytes = (bytes + huge - 1) / huge * huge;
    void* mapped = ::mmap(nullptr, bytes + huge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto* start = static_cast<uint8_t*>(mapped);
    size_t lead = (huge - reinterpret_cast<uintptr_t>(start) % huge) % huge;
    if (lead != 0) ::munmap(start, lead);
    ::munmap(start + lead + bytes, huge - lead);
    ::madvise(start + lead, bytes, MADV_HUGEPAGE); // a hint: without huge pages it works as well
    return start + lead;
}

void UnmapHugePages(void* memory, size_t bytes) {
    const size_t huge = TItemArena::PieceBytes;
    ::munmap(memory, (bytes + huge - 1) / huge * huge);
}

TItemArena::TItemArena(size_t objectSize)
    : objectSize_((std::max<size_t>(objectSize, sizeof(void*)) + 15) / 16 * 16),
      perPiece_(uint32_t(PieceBytes / objectSize_)) {
    assert(perPiece_ >= 64 && "objects too big for an arena");
}

TItemArena::~TItemArena() {
    for (TPiece& piece : pieces_) {
        assert(piece.Used == 0 && "objects outlive their arena");
        UnmapHugePages(piece.Base, PieceBytes);
    }
}

TItemArena::TPiece* TItemArena::PieceOf(const void* object) const {
    auto* at = static_cast<const uint8_t*>(object);
    auto after = std::upper_bound(pieces_.begin(), pieces_.end(), at,
                                  [](const uint8_t* a, const TPiece& piece) { return a < piece.Base; });
    if (after == pieces_.begin()) return nullptr;
    const TPiece& piece = *(after - 1);
    if (at >= piece.Base + PieceBytes) return nullptr;
    return const_cast<TPiece*>(&piece);
}

void* TItemArena::Allocate() {
    if (roomAt_ >= pieces_.size() || !HasRoom(pieces_[roomAt_])) {
        auto room =
            std::find_if(pieces_.begin(), pieces_.end(), [this](const TPiece& p) { return HasRoom(p); });
        if (room == pieces_.end()) {
            pieces_.reserve(pieces_.size() + 1);
            TPiece piece{static_cast<uint8_t*>(MapHugePages(PieceBytes))};
            room =
                pieces_.insert(std::upper_bound(pieces_.begin(), pieces_.end(), piece.Base,
                                                [](const uint8_t* a, const TPiece& p) { return a < p.Base; }),
                               piece);
        }
        roomAt_ = size_t(room - pieces_.begin());
    }
    TPiece& piece = pieces_[roomAt_];
    void* object = piece.Free;
    if (object) {
        std::memcpy(&piece.Free, object, sizeof(void*));
    } else {
        object = piece.Base + size_t(piece.Carved) * objectSize_;
        ++piece.Carved;
    }
    ++piece.Used;
    return object;
}

void TItemArena::Free(void* object) {
    TPiece* piece = PieceOf(object);
    assert(piece && piece->Used > 0);
    // An empty piece goes back, unless it is the last one (which a cache that gives up and takes back an
    // object or two would otherwise map again and again).
    if (--piece->Used == 0 && pieces_.size() > 1) {
        UnmapHugePages(piece->Base, PieceBytes);
        pieces_.erase(pieces_.begin() + (piece - pieces_.data()));
        roomAt_ = 0;
        return;
    }
    std::memcpy(object, &piece->Free, sizeof(void*));
    piece->Free = object;
}

size_t TItemArena::UsedCount() const {
    size_t used = 0;
    for (const TPiece& piece : pieces_) used += piece.Used;
    return used;
}

void TItemArena::FreeAll() {
    if (pieces_.empty()) return;
    for (size_t i = 1; i < pieces_.size(); ++i) UnmapHugePages(pieces_[i].Base, PieceBytes);
    pieces_.resize(1);
    pieces_.front() = TPiece{pieces_.front().Base};
    roomAt_ = 0;
}

} // namespace vorsam
