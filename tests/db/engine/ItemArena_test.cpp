// The arena of a big cache's objects against a plain record of what it handed out: random allocations and
// frees of objects of several sizes, each object filled with its own bytes; objects never overlap, keep
// their bytes, are aligned, and the pieces go back once they hold nothing, or all at once.
#include "db/engine/ItemArena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

namespace vorsam {
namespace {

TEST(ItemArenaTest, ObjectsNeverOverlapKeepTheirBytesAndEmptyPiecesGoBack) {
    for (size_t size : {size_t(40), size_t(103), size_t(1000)}) {
        SCOPED_TRACE(size);
        TItemArena arena(size);
        std::mt19937 random{uint32_t(size)};
        std::map<uint8_t*, uint8_t> live; // each object and the byte it is filled with
        const size_t perPiece = TItemArena::PieceBytes / arena.ObjectSize();
        for (int step = 0; step < 60000; ++step) {
            // Grows to about three pieces, then shrinks to nothing.
            bool grow = step < 30000 ? random() % 3 != 0 : random() % 3 == 0;
            if (grow || live.empty()) {
                auto* object = static_cast<uint8_t*>(arena.Allocate());
                ASSERT_EQ(reinterpret_cast<uintptr_t>(object) % 16, 0u);
                ASSERT_TRUE(arena.Owns(object));
                auto [at, fresh] = live.emplace(object, uint8_t(random()));
                ASSERT_TRUE(fresh) << "an object handed out twice";
                std::memset(object, at->second, size);
            } else {
                auto at = std::next(live.begin(), ptrdiff_t(random() % live.size()));
                ASSERT_EQ(at->first[0], at->second);
                ASSERT_EQ(at->first[size - 1], at->second);
                arena.Free(at->first);
                live.erase(at);
            }
            if (step % 5000 == 0) {
                for (auto at = live.begin(); at != live.end(); ++at) {
                    ASSERT_EQ(std::memcmp(at->first, std::string(size, char(at->second)).data(), size), 0);
                    if (std::next(at) != live.end()) {
                        ASSERT_GE(size_t(std::next(at)->first - at->first), size);
                    }
                }
                EXPECT_LE(arena.PieceCount(), live.size() / perPiece + 8);
                EXPECT_EQ(arena.UsedCount(), live.size());
            }
        }
        for (auto& [object, fill] : live) arena.Free(object);
        EXPECT_LE(arena.PieceCount(), 1u);
        EXPECT_TRUE(arena.Empty());
        int local = 0;
        EXPECT_FALSE(arena.Owns(&local));
    }
}

TEST(ItemArenaTest, FreeingAllAtOnceKeepsOneEmptyPieceThatHandsOutFreshObjects) {
    TItemArena arena(100);
    const size_t perPiece = TItemArena::PieceBytes / arena.ObjectSize();
    for (size_t i = 0; i < 3 * perPiece; ++i) arena.Allocate();
    arena.FreeAll();
    EXPECT_TRUE(arena.Empty() && arena.PieceCount() == 1);
    std::map<uint8_t*, int> handed;
    for (size_t i = 0; i <= perPiece; ++i) handed[static_cast<uint8_t*>(arena.Allocate())] = 0;
    EXPECT_EQ(handed.size(), perPiece + 1) << "an object handed out twice";
    EXPECT_EQ(arena.UsedCount(), perPiece + 1);
    for (auto& [object, unused] : handed) arena.Free(object);
}

} // namespace
} // namespace vorsam
