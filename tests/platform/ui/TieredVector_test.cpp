// The chunked sequence against a plain vector at the lengths where its chunks begin and end: every
// operation at the positions around each chunk edge, with items that own heap memory (so that a
// slot read after its item moved away, or an item left behind, shows under the sanitizers).
#include "platform/ui/TieredVector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TTiered = TTieredVector<std::string>;
using TPlain = std::vector<std::string>;
constexpr size_t kChunk = TTiered::kChunk;

void Insert(TTiered& t, size_t at, size_t count) {
    t.insert(at, count, "inserted item, longer than kept inline");
}
void Insert(TPlain& v, size_t at, size_t count) {
    v.insert(v.begin() + long(at), count, "inserted item, longer than kept inline");
}
void Erase(TTiered& t, size_t at, size_t count) {
    t.erase(at, count);
}
void Erase(TPlain& v, size_t at, size_t count) {
    v.erase(v.begin() + long(at), v.begin() + long(std::min(v.size(), at + count)));
}
void Move(TTiered& t, size_t from, size_t to) {
    t.move(from, to);
}
void Move(TPlain& v, size_t from, size_t to) {
    if (from < to) std::rotate(v.begin() + long(from), v.begin() + long(from) + 1, v.begin() + long(to) + 1);
    if (to < from) std::rotate(v.begin() + long(to), v.begin() + long(from), v.begin() + long(from) + 1);
}

class TieredVectorAtChunkEdges : public testing::TestWithParam<size_t> {};

TEST_P(TieredVectorAtChunkEdges, EveryOperationLeavesWhatAPlainVectorHolds) {
    const size_t n = GetParam();
    TPlain plainBase;
    for (size_t i = 0; i < n; ++i)
        plainBase.push_back("item number " + std::to_string(i) + " of the sequence");
    TTiered base;
    for (const std::string& item : plainBase) base.push_back(item);
    // Each operation on copies of both; the sequence goes on working at its new length.
    auto check = [&](const std::string& name, const auto& operation) {
        SCOPED_TRACE(name);
        TTiered tiered = base;
        TPlain plain = plainBase;
        operation(tiered), operation(plain);
        tiered.push_back("last"), plain.push_back("last");
        ASSERT_EQ(tiered.size(), plain.size());
        for (size_t i = 0; i < plain.size(); ++i) ASSERT_EQ(tiered[i], plain[i]) << i;
    };
    // The start, the end and both sides of every chunk edge.
    std::vector<size_t> at{0, 1, n - 1, n};
    for (size_t edge = kChunk; edge <= n; edge += kChunk) at.insert(at.end(), {edge - 1, edge, edge + 1});
    for (size_t p : at)
        for (size_t q : at)
            if (p < n && q < n)
                check("move " + std::to_string(p) + " to " + std::to_string(q),
                      [&](auto& s) { Move(s, p, q); });
    for (size_t p : at)
        for (size_t count : {1, 3, 40}) { // one, a few (shifted in the chunks), many (rebuilt)
            const std::string where = std::to_string(count) + " at " + std::to_string(p);
            if (p <= n) check("insert " + where, [&](auto& s) { Insert(s, p, count); });
            if (p < n) check("erase " + where, [&](auto& s) { Erase(s, p, count); });
        }
    check("pop_back", [](auto& s) { s.pop_back(); });
    for (size_t size : {n - 2, n + 2}) check("resize", [&](auto& s) { s.resize(size, "grown"); });
}

INSTANTIATE_TEST_SUITE_P(Lengths, TieredVectorAtChunkEdges,
                         testing::Values(kChunk - 1, kChunk, kChunk + 1, 2 * kChunk - 1, 2 * kChunk,
                                         2 * kChunk + 1, 3 * kChunk - 1, 3 * kChunk, 3 * kChunk + 1));

} // namespace
