// Index trees: random inserts and deletes in every compression mode against a map, with the tree
// checker after each step on a small run and periodically on a large one; root splits and collapses;
// the index path's depth limit.
#include "IndexTestSupport.h"

#include "db/engine/IndexPath.h"
#include "db/engine/IndexTree.h"
#include "db/lib/DataTypes.h"

#include <cstdio>
#include <random>

namespace vorsam::test {
namespace {

using TKey = std::vector<uint8_t>;
using TOracle = std::map<TKey, uint32_t, TKeyOrder>;

struct TTreeCase {
    TKeyCompression Mode;
    bool Unique;
    bool NoCounts;
};

std::string CaseName(const ::testing::TestParamInfo<TTreeCase>& info) {
    const char* modes[] = {"None", "Leading", "Trailing", "Both"};
    return std::string(modes[int(info.param.Mode)]) + (info.param.Unique ? "Unique" : "NonUnique") +
           (info.param.NoCounts ? "NoCounts" : "");
}

// An index file in memory with one secondary index over a string field, keys `keyLength` bytes long.
class TTreeFixture {
public:
    TTreeFixture(const TTreeCase& c, uint16_t keyLength, uint32_t indexBufferSize = 16384)
        : settings_(MakeSettings(indexBufferSize)), file_(settings_),
          fields_(
              MakeFields({{"K", dtString, uint8_t(keyLength - 2 - (c.Unique ? 0 : RecordSuffixLength))}})) {
        TIndexDefinition definition;
        definition.Name = "Tree";
        definition.Fields = {1};
        definition.Unique = c.Unique;
        definition.NoCounts = c.NoCounts;
        definition.Compression = c.Mode;
        slot_ = file_->AddIndex(definition, fields_);
        EXPECT_EQ(file_->GetIndexDesc(slot_).KeyLength(), keyLength);
        tree_ = std::make_unique<TIndexTree>(*file_, slot_, order_);
    }

    TIndexTree& Tree() { return *tree_; }
    TIndexFile& File() { return *file_; }
    const std::vector<TFieldDescriptor>& Fields() const { return fields_; }
    uint8_t Slot() const { return slot_; }
    void Reopen() {
        file_.Reopen();
        tree_ = std::make_unique<TIndexTree>(*file_, slot_, order_);
    }

    // Checks the tree's shape and that it holds exactly the oracle's entries.
    void Check(const TOracle& oracle, const std::string& when) {
        std::vector<TIndexEntry> entries;
        TIndexVerifyOptions options;
        options.RequireHalfFull = true;
        std::vector<std::string> problems = VerifyIndexTree(*file_, slot_, order_, &entries, options);
        ASSERT_TRUE(problems.empty()) << when << ": " << problems.front();
        ASSERT_EQ(entries.size(), oracle.size()) << when;
        auto it = oracle.begin();
        for (size_t i = 0; i < entries.size(); ++i, ++it) {
            ASSERT_EQ(entries[i].Key, it->first) << when << ", entry " << i;
            ASSERT_EQ(entries[i].Value, it->second) << when << ", entry " << i;
        }
    }

private:
    static EngineSettings MakeSettings(uint32_t indexBufferSize) {
        EngineSettings settings;
        settings.IndexBufferSize = indexBufferSize;
        return settings;
    }

    EngineSettings settings_;
    TMemoryIndexFile file_;
    std::vector<TFieldDescriptor> fields_;
    uint8_t slot_ = 0;
    TKeyComparator order_;
    std::unique_ptr<TIndexTree> tree_;
};

// Keys shaped like string keys: an indicator byte, digits with shared prefixes, a tail of varying length
// taken from the digits, zeros after it; a non-unique key repeats its digits often and ends with a
// distinct record suffix. Equal ids give equal keys (but for the suffix).
class TKeyMaker {
public:
    TKeyMaker(uint16_t keyLength, bool unique) : k_(keyLength), unique_(unique) {}

    TKey Make(uint32_t id, uint32_t sequence) const {
        TKey key(k_, 0);
        char digits[16];
        uint32_t base = unique_ ? id : id % 509;
        std::snprintf(digits, sizeof digits, "%07u", base);
        key[0] = 1;
        std::memcpy(&key[1], digits, 7);
        size_t body = k_ - (unique_ ? 0 : RecordSuffixLength);
        size_t tail = base * 7919u % (body - 8 + 1);
        for (size_t i = 0; i < tail; ++i) key[8 + i] = uint8_t(base * (i + 3) >> (i % 5));
        if (!unique_) EncodeIntegerKey(int32_t(sequence), &key[k_ - RecordSuffixLength]);
        return key;
    }

private:
    uint16_t k_;
    bool unique_;
};

// Runs random inserts (new keys, and keys already held) and deletes (held keys, absent keys, held keys
// with the wrong record) against a map; checks the tree every `checkEvery` steps.
void RandomRun(TTreeFixture& fixture, const TTreeCase& c, uint16_t keyLength, int steps, int checkEvery,
               uint32_t seed) {
    TKeyMaker maker(keyLength, c.Unique);
    std::mt19937 random(seed);
    TOracle oracle;
    std::vector<TKey> held;
    uint32_t sequence = 0;
    for (int step = 1; step <= steps; ++step) {
        uint32_t roll = random() % 100;
        if (held.empty() || roll < 55) {
            TKey key = maker.Make(random() % 1'000'000, ++sequence);
            uint32_t record = random() % 1'000'000 + 1;
            bool added = oracle.emplace(key, record).second;
            ASSERT_EQ(fixture.Tree().Insert(key.data(), record), added) << step;
            if (added) held.push_back(key);
        } else if (roll < 60) {
            const TKey& key = held[random() % held.size()];
            ASSERT_FALSE(fixture.Tree().Insert(key.data(), 1)) << step;
        } else if (roll < 63) {
            TKey absent = maker.Make(random() % 1'000'000, 0x7FFFFFFF - step);
            if (!oracle.count(absent)) {
                ASSERT_FALSE(fixture.Tree().Delete(absent.data(), 1)) << step;
            }
        } else {
            size_t at = random() % held.size();
            TKey key = held[at];
            uint32_t record = oracle[key];
            ASSERT_FALSE(fixture.Tree().Delete(key.data(), record + 1)) << step;
            ASSERT_TRUE(fixture.Tree().Delete(key.data(), record)) << step;
            oracle.erase(key);
            held[at] = held.back();
            held.pop_back();
        }
        if (step % checkEvery == 0) fixture.Check(oracle, "step " + std::to_string(step));
        if (::testing::Test::HasFatalFailure()) return;
    }
    fixture.Reopen();
    fixture.Check(oracle, "after reopening");
    for (const TKey& key : held) ASSERT_TRUE(fixture.Tree().Delete(key.data(), oracle[key]));
    EXPECT_EQ(fixture.File().GetRoot(fixture.Slot()), 0u);
    // Every page the index used is back in its free list.
    std::vector<std::string> problems = VerifyIndexFile(fixture.File(), {fixture.Fields()});
    EXPECT_TRUE(problems.empty()) << problems.front();
    uint32_t free = 0;
    for (uint32_t page = fixture.File().GetFreeHead(fixture.Slot()); page != 0; ++free) {
        TPage* p = nullptr;
        fixture.File().GetPage(fixture.Slot(), page, p);
        page = p->NextPage();
        fixture.File().ReleasePage(p);
    }
    EXPECT_EQ(free, fixture.File().GetPageCount());
}

class TreeTest : public ::testing::TestWithParam<TTreeCase> {};

// Long keys (250 bytes: 16 to an uncompressed leaf, 15 to an internal page, so three levels), a
// two-page cache per index, the whole tree checked after every step.
TEST_P(TreeTest, RandomEditsKeepTheTreeEqualToAMapAfterEveryStep) {
    TTreeFixture fixture(GetParam(), 250);
    RandomRun(fixture, GetParam(), 250, 5000, 1, 7);
}

class LargeTreeTest : public ::testing::TestWithParam<TTreeCase> {};

// 10^5 steps in each compression mode (64-byte keys, a 128-page cache); the tree is checked every 10^4.
TEST_P(LargeTreeTest, HundredThousandRandomEditsAgreeWithAMap) {
    TTreeFixture fixture(GetParam(), 64, 1 << 20);
    RandomRun(fixture, GetParam(), 64, 100'000, 10'000, 8);
}

INSTANTIATE_TEST_SUITE_P(Modes, TreeTest,
                         ::testing::Values(TTreeCase{TKeyCompression::None, true, false},
                                           TTreeCase{TKeyCompression::Leading, true, false},
                                           TTreeCase{TKeyCompression::TrailingZeros, false, false},
                                           TTreeCase{TKeyCompression::Both, false, false},
                                           TTreeCase{TKeyCompression::Both, true, false},
                                           TTreeCase{TKeyCompression::None, false, true}),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Modes, LargeTreeTest,
                         ::testing::Values(TTreeCase{TKeyCompression::None, true, false},
                                           TTreeCase{TKeyCompression::Leading, true, false},
                                           TTreeCase{TKeyCompression::TrailingZeros, false, false},
                                           TTreeCase{TKeyCompression::Both, false, false},
                                           TTreeCase{TKeyCompression::Both, true, false}),
                         CaseName);

// ---- shape ----

class TreeShapeTest : public ::testing::Test {
protected:
    TreeShapeTest() : fixture_(TTreeCase{TKeyCompression::None, true, false}, 10) {}

    TKey Key(uint32_t i) const {
        TKey key(10, 0);
        StoreBE(&key[0], i, 4);
        return key;
    }
    TPageRef Page(uint32_t number) {
        TPage* page = nullptr;
        fixture_.File().GetPage(fixture_.Slot(), number, page);
        return TPageRef(fixture_.File(), page);
    }
    uint32_t Root() { return fixture_.File().GetRoot(fixture_.Slot()); }

    TTreeFixture fixture_;
};

TEST_F(TreeShapeTest, AnEmptyTreeHasRootZero) {
    uint32_t value = 0;
    EXPECT_EQ(Root(), 0u);
    EXPECT_FALSE(fixture_.Tree().Find(Key(1).data(), value));
    EXPECT_FALSE(fixture_.Tree().Delete(Key(1).data(), 1));
    EXPECT_TRUE(fixture_.Tree().Insert(Key(1).data(), 1));
    EXPECT_EQ(Page(Root())->PageType(), ptLeafRoot);
    EXPECT_TRUE(fixture_.Tree().Delete(Key(1).data(), 1));
    EXPECT_EQ(Root(), 0u);
    EXPECT_EQ(fixture_.File().GetFreeHead(fixture_.Slot()), 1u);
}

TEST_F(TreeShapeTest, TheRootSplitsInTwoAndCollapsesBack) {
    for (uint32_t i = 1; i <= 291; ++i) ASSERT_TRUE(fixture_.Tree().Insert(Key(i).data(), i));
    uint32_t leafRoot = Root();
    EXPECT_EQ(Page(leafRoot)->PageType(), ptLeafRoot);
    EXPECT_EQ(Page(leafRoot)->KeyCount(), 291);
    ASSERT_TRUE(fixture_.Tree().Insert(Key(292).data(), 292));
    TPageRef root = Page(Root());
    EXPECT_EQ(root->PageType(), ptInternalRoot);
    ASSERT_EQ(root->KeyCount(), 2);
    TPageRef left = Page(root->GetValue(1)), right = Page(root->GetValue(2));
    EXPECT_EQ(left->Number(), leafRoot);
    EXPECT_EQ(left->PageType(), ptLeaf);
    EXPECT_EQ(right->PageType(), ptLeaf);
    EXPECT_EQ(left->KeyCount(), 146);
    EXPECT_EQ(right->KeyCount(), 146);
    EXPECT_EQ(root->GetCount(1), 146u);
    EXPECT_EQ(root->GetCount(2), 146u);
    EXPECT_EQ(left->NextPage(), right->Number());
    EXPECT_EQ(right->PrevPage(), left->Number());
    EXPECT_EQ(std::vector<uint8_t>(root->KeyAt(2), root->KeyAt(2) + 10), Key(147));
    uint32_t rootNumber = root->Number(), rightNumber = right->Number();
    root.Release();
    left.Release();
    right.Release();
    // Below half full the left leaf first shares with its neighbour, then merges into it.
    ASSERT_TRUE(fixture_.Tree().Delete(Key(1).data(), 1));
    EXPECT_EQ(Root(), rootNumber);
    ASSERT_TRUE(fixture_.Tree().Delete(Key(2).data(), 2));
    EXPECT_EQ(Root(), rightNumber);
    EXPECT_EQ(Page(Root())->PageType(), ptLeafRoot);
    EXPECT_EQ(Page(Root())->KeyCount(), 290);
    EXPECT_EQ(fixture_.File().GetFreeHead(fixture_.Slot()), rootNumber); // freed last: the old root
    TOracle oracle;
    for (uint32_t i = 3; i <= 292; ++i) oracle[Key(i)] = i;
    fixture_.Check(oracle, "after the collapse");
}

TEST_F(TreeShapeTest, AnInsertOfAHeldKeyChangesNothing) {
    for (uint32_t i = 1; i <= 500; ++i) ASSERT_TRUE(fixture_.Tree().Insert(Key(i).data(), i));
    uint32_t pages = fixture_.File().GetPageCount();
    EXPECT_FALSE(fixture_.Tree().Insert(Key(250).data(), 9999));
    uint32_t value = 0;
    EXPECT_TRUE(fixture_.Tree().Find(Key(250).data(), value));
    EXPECT_EQ(value, 250u);
    EXPECT_EQ(fixture_.File().GetPageCount(), pages);
    TOracle oracle;
    for (uint32_t i = 1; i <= 500; ++i) oracle[Key(i)] = i;
    fixture_.Check(oracle, "after the refused insert");
}

// A tree whose internal page names itself as its child would be descended forever: the descent stops
// at 64 levels with the corrupt code.
TEST_F(TreeShapeTest, ACycleInTheTreeRaisesIndexCorruptAtLevel65) {
    TIndexFile& file = fixture_.File();
    TPageRef root(file, file.AllocatePage(fixture_.Slot()));
    TPageRef inner(file, file.AllocatePage(fixture_.Slot()));
    root->SetPageType(ptInternalRoot);
    root->InsertAt(1, Key(1).data(), inner->Number(), 1);
    inner->SetPageType(ptInternal);
    inner->InsertAt(1, Key(1).data(), inner->Number(), 1);
    file.SetRoot(fixture_.Slot(), root->Number());
    EXPECT_EQ(ErrorCodeOf([&] { fixture_.Tree().Insert(Key(5).data(), 5); }), VORSAM_INDEXCORRUPT);
    std::vector<TIndexEntry> entries;
    std::vector<std::string> problems = VerifyIndexTree(file, fixture_.Slot(), TKeyComparator(), &entries);
    EXPECT_FALSE(problems.empty());
}

// A compressed leaf that splits by count may leave one half too big in bytes: entries move across until
// both fit. Here the first half packs into 140 bytes and the second would need 4100.
TEST(TreeSplitTest, ACompressedLeafSplitMovesEntriesUntilBothHalvesFit) {
    TTreeFixture fixture(TTreeCase{TKeyCompression::TrailingZeros, true, false}, 250);
    TOracle oracle;
    auto insert = [&](uint8_t first, uint8_t i, size_t filled) {
        TKey key(250, 0);
        key[0] = first;
        key[1] = i;
        std::fill(key.begin() + 2, key.begin() + filled, 0x55);
        oracle[key] = i;
        ASSERT_TRUE(fixture.Tree().Insert(key.data(), i));
    };
    for (uint8_t i = 0; i < 19; ++i) insert(2, i, 200); // 205 bytes each
    for (uint8_t i = 0; i < 20; ++i) insert(1, i, 2);   // 7 bytes each
    ASSERT_EQ(fixture.File().GetRoot(fixture.Slot()), 1u);
    insert(2, 19, 200);
    TPage* page = nullptr;
    fixture.File().GetRootPage(fixture.Slot(), page);
    ASSERT_EQ(page->PageType(), ptInternalRoot);
    TPage *left = nullptr, *right = nullptr;
    fixture.File().GetPage(fixture.Slot(), page->GetValue(1), left);
    fixture.File().GetPage(fixture.Slot(), page->GetValue(2), right);
    EXPECT_EQ(left->KeyCount(), 21);
    EXPECT_EQ(right->KeyCount(), 19);
    EXPECT_LE(right->UsedBytes(), PageEntryBytes);
    for (TPage* p : {page, left, right}) fixture.File().ReleasePage(p);
    fixture.Check(oracle, "after the split");
}

TEST(IndexPathTest, SixtyFourLevelsAreAllowedAndTheSixtyFifthIsCorrupt) {
    TIndexPath path;
    for (uint32_t level = 1; level <= 64; ++level) path.Descend(level * 10);
    EXPECT_EQ(path.Level(), 64);
    EXPECT_EQ(path.GetPathParentPage(), 630u);
    EXPECT_EQ(ErrorCodeOf([&] { path.Descend(650); }), VORSAM_INDEXCORRUPT);
    path.SetLevel(1);
    EXPECT_EQ(path.GetPathParentPage(), 0u);
    path.PathLevelUp();
    EXPECT_EQ(path.Level(), 1); // never above the root
    path.PathLevelDown();
    EXPECT_EQ(path.GetPathPage(), 20u);
}

} // namespace
} // namespace vorsam::test
