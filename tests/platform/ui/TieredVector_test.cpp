// The chunked sequence against a plain vector at the lengths where its chunks begin and end: every
// operation at the positions around each chunk edge, with items that own heap memory (so that a
// slot read after its item moved away, or an item left behind, shows under the sanitizers).
#include "platform/ui/TieredVector.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using TTiered = TTieredVector<std::string>;
using TPlain = std::vector<std::string>;
constexpr size_t kChunk = TTiered::kChunk;

// Longer than a string keeps inside itself.
std::string Item(size_t id) {
    return "item number " + std::to_string(id) + " of the sequence";
}

// The same operation on both sequences.
struct TOperation {
    std::string Name;
    std::function<void(TTiered&)> OnTiered;
    std::function<void(TPlain&)> OnPlain;
};

// The positions around the start, the chunk edges and the end of a sequence of n items (up to n).
std::vector<size_t> EdgePositions(size_t n) {
    std::vector<size_t> at{0, 1, n - 1, n};
    for (size_t edge = kChunk; edge <= n; edge += kChunk)
        for (size_t p : {edge - 1, edge, edge + 1}) at.push_back(p);
    std::erase_if(at, [&](size_t p) { return p > n; });
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    return at;
}

std::vector<TOperation> OperationsAt(size_t n) {
    std::vector<TOperation> ops;
    const std::vector<size_t> at = EdgePositions(n);
    for (size_t from : at)
        for (size_t to : at)
            if (from < n && to < n)
                ops.push_back({"move " + std::to_string(from) + " to " + std::to_string(to),
                               [=](TTiered& t) { t.move(from, to); },
                               [=](TPlain& v) {
                                   std::string item = std::move(v[from]);
                                   v.erase(v.begin() + long(from));
                                   v.insert(v.begin() + long(to), std::move(item));
                               }});
    // One item, a few (shifted within the chunks) and many (the sequence rebuilt).
    for (size_t p : at)
        for (size_t count : {size_t(1), size_t(3), size_t(40)}) {
            const std::string where = std::to_string(count) + " at " + std::to_string(p);
            ops.push_back({"insert " + where, [=](TTiered& t) { t.insert(p, count, Item(p)); },
                           [=](TPlain& v) { v.insert(v.begin() + long(p), count, Item(p)); }});
            if (p < n)
                ops.push_back({"erase " + where, [=](TTiered& t) { t.erase(p, count); },
                               [=](TPlain& v) {
                                   v.erase(v.begin() + long(p), v.begin() + long(std::min(n, p + count)));
                               }});
        }
    ops.push_back(
        {"push_back", [](TTiered& t) { t.push_back(Item(0)); }, [](TPlain& v) { v.push_back(Item(0)); }});
    ops.push_back({"pop_back", [](TTiered& t) { t.pop_back(); }, [](TPlain& v) { v.pop_back(); }});
    for (size_t size : {n - 2, n + 2, size_t(0)})
        ops.push_back({"resize to " + std::to_string(size), [=](TTiered& t) { t.resize(size, Item(1)); },
                       [=](TPlain& v) { v.resize(size, Item(1)); }});
    ops.push_back({"copy", [](TTiered& t) { t = TTiered(t); }, [](TPlain&) {}});
    return ops;
}

class TieredVectorAtChunkEdges : public testing::TestWithParam<size_t> {};

TEST_P(TieredVectorAtChunkEdges, EveryOperationLeavesWhatAPlainVectorHolds) {
    const size_t n = GetParam();
    TTiered base;
    TPlain plainBase;
    for (size_t i = 0; i < n; ++i) base.push_back(Item(i)), plainBase.push_back(Item(i));
    for (const TOperation& op : OperationsAt(n)) {
        SCOPED_TRACE(op.Name);
        TTiered tiered = base;
        TPlain plain = plainBase;
        op.OnTiered(tiered);
        op.OnPlain(plain);
        ASSERT_EQ(tiered.size(), plain.size());
        for (size_t i = 0; i < plain.size(); ++i) ASSERT_EQ(tiered[i], plain[i]) << i;
        // The sequence goes on working at its new length.
        tiered.push_back("last"), plain.push_back("last");
        tiered.insert(0, 1, "first"), plain.insert(plain.begin(), "first");
        ASSERT_EQ(tiered[tiered.size() - 1], plain.back());
        ASSERT_EQ(tiered[0], plain.front());
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, TieredVectorAtChunkEdges,
                         testing::Values(kChunk - 1, kChunk, kChunk + 1, 2 * kChunk - 1, 2 * kChunk,
                                         2 * kChunk + 1, 3 * kChunk - 1, 3 * kChunk, 3 * kChunk + 1));

} // namespace
