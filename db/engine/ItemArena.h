// TItemArena: the memory of the objects of one size of a cache that may hold many megabytes of them (the
// records of a data file with a big record cache), carved from pieces of 2 MiB aligned on 2 MiB that the
// system is asked to back with huge pages. Objects allocated one by one from the heap lie on as many 4 KiB
// pages as there are objects, and a walk that reads them in another order than they were made misses the
// processor's address translation at nearly every one; a few hundred huge pages cover a cache of hundreds
// of megabytes.
//
// Objects are ObjectSize() bytes (a multiple of 16), aligned on 16. A piece goes back to the system as
// soon as it holds no object, but for the last one, which goes with the arena. A cache that lets go of
// all its objects at once gives the pieces back with FreeAll, without freeing each object. Not thread-safe:
// the owner serialises its calls (the data file is used under its table's locks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorsam {

// Zeroed memory of at least `bytes`, on a huge page's boundary, that the system is asked to back with huge
// pages (std::bad_alloc when it gives none), and its release with the same `bytes`.
void* MapHugePages(size_t bytes);
void UnmapHugePages(void* memory, size_t bytes);

// A std::vector's allocator that maps its arrays of a huge page or more with MapHugePages, so that look-ups
// spread over a big array (the slots of a big cache's index) seldom miss the address translation.
template <typename T> struct THugePageAllocator {
    using value_type = T;
    static constexpr size_t HugeBytes = size_t(2) << 20;
    THugePageAllocator() = default;
    template <typename U> THugePageAllocator(const THugePageAllocator<U>&) {}
    T* allocate(size_t n) {
        if (n * sizeof(T) < HugeBytes) return std::allocator<T>().allocate(n);
        return static_cast<T*>(MapHugePages(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) {
        if (n * sizeof(T) < HugeBytes)
            std::allocator<T>().deallocate(p, n);
        else
            UnmapHugePages(p, n * sizeof(T));
    }
    template <typename U> bool operator==(const THugePageAllocator<U>&) const { return true; }
};

class TItemArena {
public:
    static constexpr size_t PieceBytes = size_t(2) << 20; // a huge page

    // Objects of `objectSize` bytes (rounded up to 16), which must fit a piece many times over.
    explicit TItemArena(size_t objectSize);
    // Every object must have been freed.
    ~TItemArena();
    TItemArena(const TItemArena&) = delete;
    TItemArena& operator=(const TItemArena&) = delete;

    size_t ObjectSize() const { return objectSize_; }
    // Memory for one object; std::bad_alloc when the system gives no piece.
    void* Allocate();
    // Gives back memory that Allocate handed out.
    void Free(void* object);
    // The memory lies in one of the arena's pieces.
    bool Owns(const void* object) const { return PieceOf(object) != nullptr; }
    // No object is handed out.
    bool Empty() const { return pieces_.empty() || (pieces_.size() == 1 && pieces_.front().Used == 0); }
    size_t PieceCount() const { return pieces_.size(); }
    // The objects handed out and not freed.
    size_t UsedCount() const;
    // Takes back every object handed out at once, none of them destroyed (their owner let them all go:
    // objects whose destruction does nothing); the arena keeps one piece, empty.
    void FreeAll();

private:
    struct TPiece {
        uint8_t* Base = nullptr;
        uint32_t Used = 0;    // objects handed out and not freed
        uint32_t Carved = 0;  // objects ever carved from the start of the piece
        void* Free = nullptr; // freed objects, each holding the next one's address
    };
    TPiece* PieceOf(const void* object) const;
    bool HasRoom(const TPiece& piece) const { return piece.Free || piece.Carved < perPiece_; }

    size_t objectSize_;
    uint32_t perPiece_;
    std::vector<TPiece> pieces_; // by base address
    size_t roomAt_ = 0;          // a piece that had room when last looked at
};

} // namespace vorsam
