// Index pages: the packed image in every compression mode, capacities, malformed images, and the in-page
// searches against a sorted-vector oracle.
#include "IndexTestSupport.h"

#include "db/engine/IndexPage.h"
#include "db/lib/RecordsBitmap.h"

#include <algorithm>
#include <numeric>
#include <random>

namespace vorsam::test {
namespace {

using TKey = std::vector<uint8_t>;

TPageFormat Format(uint16_t k, TKeyCompression mode, bool unique = true, bool encrypted = false) {
    TPageFormat format;
    format.KeyLength = k;
    format.Unique = unique;
    format.Compression = mode;
    format.Encrypted = encrypted;
    return format;
}

void MakePage(TPage& page, const TPageFormat& format, uint8_t type) {
    page.SetFormat(format);
    page.SetPageType(type);
}

// Appends keys (in the given order) with record numbers 1000 + i; counts 7 + i on internal pages.
void Fill(TPage& page, const std::vector<TKey>& keys) {
    for (const TKey& key : keys) {
        uint32_t i = page.KeyCount();
        page.InsertAt(i + 1, key.data(), 1000 + i, 7 + i);
    }
}

std::vector<TKey> KeysOf(const TPage& page) {
    std::vector<TKey> keys;
    for (uint32_t i = 1; i <= page.KeyCount(); ++i)
        keys.emplace_back(page.KeyAt(i), page.KeyAt(i) + page.Format().KeyLength);
    return keys;
}

// Sorted distinct keys over the bytes {0, 1, 2} with mostly zeros: long shared prefixes and trailing
// zero runs that overlap them. Non-unique keys end with a 4-byte suffix that is often all zero.
std::vector<TKey> OverlappingKeys(size_t count, uint16_t k, bool unique, uint32_t seed) {
    std::mt19937 random(seed);
    std::set<TKey, TKeyOrder> keys;
    while (keys.size() < count) {
        TKey key(k, 0);
        size_t body = unique ? k : k - RecordSuffixLength;
        size_t used = random() % (body + 1);
        for (size_t i = 0; i < used; ++i) key[i] = random() % 4 == 0 ? uint8_t(random() % 3) : 0;
        if (!unique && random() % 2) StoreBE(&key[body], random() % 100000, RecordSuffixLength);
        keys.insert(key);
    }
    return {keys.begin(), keys.end()};
}

// ---- image round trips ----

struct TModeCase {
    TKeyCompression Mode;
    bool Unique;
};

class PageImageTest : public ::testing::TestWithParam<TModeCase> {};

TEST_P(PageImageTest, PackUnpackRoundTripKeepsEveryEntryAndTheImage) {
    auto [mode, unique] = GetParam();
    for (uint16_t k : {9, 10, 24, 300}) {
        TPageFormat format = Format(k, mode, unique);
        TPage page;
        MakePage(page, format, ptLeaf);
        for (const TKey& key : OverlappingKeys(2000, k, unique, k)) {
            page.InsertAt(page.KeyCount() + 1, key.data(), page.KeyCount() + 1, 1);
            if (page.IsOverfull()) {
                page.RemoveAt(page.KeyCount());
                break;
            }
        }
        ASSERT_GT(page.KeyCount(), 1) << k;
        std::vector<uint8_t> image(IndexPageSize), again(IndexPageSize);
        page.StoreTo(image.data());
        TPage back;
        back.SetFormat(format);
        back.LoadFrom(image.data(), false);
        EXPECT_EQ(KeysOf(back), KeysOf(page)) << k;
        EXPECT_EQ(back.UsedBytes(), page.UsedBytes()) << k;
        for (uint32_t i = 1; i <= page.KeyCount(); ++i) ASSERT_EQ(back.GetValue(i), i) << k;
        back.StoreTo(again.data());
        EXPECT_EQ(again, image) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PageImageTest,
    ::testing::Values(TModeCase{TKeyCompression::None, true}, TModeCase{TKeyCompression::None, false},
                      TModeCase{TKeyCompression::Leading, true}, TModeCase{TKeyCompression::Leading, false},
                      TModeCase{TKeyCompression::TrailingZeros, true},
                      TModeCase{TKeyCompression::TrailingZeros, false},
                      TModeCase{TKeyCompression::Both, true}, TModeCase{TKeyCompression::Both, false}));

TEST(PageImageTest, InternalPagesRoundTripWithAndWithoutCounts) {
    for (bool noCounts : {false, true}) {
        TPageFormat format = Format(10, TKeyCompression::Both);
        format.NoCounts = noCounts;
        TPage page, back;
        MakePage(page, format, ptInternal);
        Fill(page, OverlappingKeys(page.MaxEntries(), 10, true, 9));
        std::vector<uint8_t> image(IndexPageSize);
        page.StoreTo(image.data());
        back.SetFormat(format);
        back.LoadFrom(image.data(), false);
        EXPECT_EQ(KeysOf(back), KeysOf(page));
        EXPECT_EQ(back.GetCount(3), noCounts ? 0u : 9u);
        EXPECT_EQ(back.TotalCount(), page.TotalCount());
        EXPECT_EQ(back.UsedBytes(), 0); // internal pages are never compressed
    }
}

TEST(PageImageTest, EncryptedPagesAreScrambledOnDiskAndReadBack) {
    TPageFormat format = Format(8, TKeyCompression::Leading, true, true);
    TPage page, back;
    MakePage(page, format, ptLeafRoot);
    Fill(page, {TKey{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}, TKey{'A', 'B', 'C', 'D', 'X', 'Y', 'Z', 'Z'}});
    std::vector<uint8_t> image(IndexPageSize);
    page.StoreTo(image.data());
    EXPECT_EQ(std::search(image.begin(), image.end(), page.KeyAt(1), page.KeyAt(1) + 8), image.end());
    back.SetFormat(format);
    back.LoadFrom(image.data(), false);
    EXPECT_EQ(KeysOf(back), KeysOf(page));
}

// Leading and trailing counts that would overlap (an equal key; a shared prefix reaching into the record
// suffix of a non-unique key while zeros precede the suffix): the packed middle is never negative, the
// suffix is never trimmed, and every key comes back as it was.
TEST(PageImageTest, OverlappingLeadingAndTrailingCountsPackWithoutANegativeMiddle) {
    struct TCase {
        const char* Name;
        TKeyCompression Mode;
        bool Unique;
        TKey First, Second;
        uint16_t SecondEntryBytes;
    };
    const std::vector<TCase> cases = {
        {"unique, equal keys",
         TKeyCompression::Both,
         true,
         {1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         2 + 0 + 4},
        {"non-unique, prefix into the suffix",
         TKeyCompression::Both,
         false,
         {1, 0, 0, 0, 0, 0, 0, 0, 0, 5},
         {1, 0, 0, 0, 0, 0, 0, 0, 0, 6},
         2 + 1 + 4},
        {"non-unique, prefix up to the suffix",
         TKeyCompression::Both,
         false,
         {1, 0, 0, 0, 0, 0, 1, 0, 0, 0},
         {1, 0, 0, 0, 0, 0, 2, 0, 0, 0},
         2 + 4 + 4},
        {"non-unique, prefix just before the suffix",
         TKeyCompression::Both,
         false,
         {1, 2, 3, 4, 5, 0, 0, 0, 0, 0},
         {1, 2, 3, 4, 5, 7, 0, 0, 0, 1},
         2 + 1 + 4 + 4},
        {"non-unique, zeros before a zero suffix",
         TKeyCompression::Both,
         false,
         {1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         2 + 1 + 4 + 4},
        {"non-unique mode 2, zero suffix kept",
         TKeyCompression::TrailingZeros,
         false,
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0, 0, 0, 0, 0, 1, 0, 0, 0, 0},
         1 + 6 + 4 + 4},
    };
    for (const TCase& c : cases) {
        TPageFormat format = Format(10, c.Mode, c.Unique);
        TPage page, back;
        MakePage(page, format, ptLeaf);
        Fill(page, {c.First});
        uint16_t first = page.UsedBytes();
        Fill(page, {c.Second});
        EXPECT_EQ(page.UsedBytes() - first, c.SecondEntryBytes) << c.Name;
        std::vector<uint8_t> image(IndexPageSize);
        page.StoreTo(image.data());
        back.SetFormat(format);
        back.LoadFrom(image.data(), false);
        EXPECT_EQ(KeysOf(back), (std::vector<TKey>{c.First, c.Second})) << c.Name;
    }
}

// ---- capacities ----

TEST(PageCapacityTest, UncompressedPagesHoldWhatTheirEntrySizeAllows) {
    TPage leaf, internal, noCounts;
    MakePage(leaf, Format(10, TKeyCompression::None), ptLeaf);
    MakePage(internal, Format(10, TKeyCompression::None), ptInternal);
    TPageFormat format = Format(10, TKeyCompression::None);
    format.NoCounts = true;
    MakePage(noCounts, format, ptInternal);
    EXPECT_EQ(leaf.MaxEntries(), 291);     // 4083 div 14
    EXPECT_EQ(internal.MaxEntries(), 226); // 4083 div 18
    EXPECT_EQ(noCounts.MaxEntries(), 291);
    std::vector<TKey> keys = OverlappingKeys(292, 10, true, 1);
    Fill(leaf, std::vector<TKey>(keys.begin(), keys.begin() + 291));
    EXPECT_FALSE(leaf.IsOverfull());
    Fill(leaf, {keys.back()});
    EXPECT_TRUE(leaf.IsOverfull());
}

TEST(PageCapacityTest, LeadingBytesModeStoresSharedPrefixesOnce) {
    TPage page;
    MakePage(page, Format(10, TKeyCompression::Leading), ptLeaf);
    for (uint8_t i = 1; i <= 3; ++i) Fill(page, {TKey{1, 2, 3, 4, 5, 6, 7, 8, i, 0}});
    EXPECT_EQ(page.UsedBytes(), 15 + 7 + 7); // each later key shares 8 bytes
}

TEST(PageCapacityTest, ACompressedLeafIsFullAt4084Bytes) {
    TPage page;
    MakePage(page, Format(10, TKeyCompression::Leading), ptLeaf);
    for (int i = 0; i < 256; ++i) Fill(page, {TKey{7, uint8_t(i), 9, 9, 9, 9, 9, 9, 9, 9}});
    EXPECT_EQ(page.UsedBytes(), 15 + 255 * 14); // each later key shares one byte
    for (int i = 0; i < 35; ++i) Fill(page, {TKey{8, uint8_t(i), 9, 9, 9, 9, 9, 9, 9, 9}});
    EXPECT_EQ(page.UsedBytes(), 3585 + 15 + 34 * 14);
    EXPECT_FALSE(page.IsOverfull());
    Fill(page, {TKey{8, 35, 9, 9, 9, 9, 9, 9, 9, 9}});
    EXPECT_EQ(page.UsedBytes(), 4090);
    EXPECT_TRUE(page.IsOverfull());
    std::vector<uint8_t> image(IndexPageSize);
    EXPECT_EQ(ErrorCodeOf([&] { page.StoreTo(image.data()); }), VORSAM_INDEXCORRUPT);
}

// ---- malformed images ----

TEST(PageImageTest, MalformedImagesRaiseIndexCorrupt) {
    TPageFormat format = Format(10, TKeyCompression::Both);
    TPage page;
    MakePage(page, format, ptLeaf);
    Fill(page, {TKey{1, 2, 3, 0, 0, 0, 0, 0, 0, 0}, TKey{1, 2, 4, 0, 0, 0, 0, 0, 0, 0}});
    std::vector<uint8_t> good(IndexPageSize);
    page.StoreTo(good.data());
    uint16_t used = LoadLE16(&good[11]);
    struct TCase {
        const char* Name;
        std::function<void(std::vector<uint8_t>&)> Break;
        TPageFormat Format;
    };
    TPageFormat uncompressed = Format(10, TKeyCompression::None);
    const std::vector<TCase> cases = {
        {"unknown page type", [](auto& b) { b[0] = 5; }, format},
        {"first entry shares a prefix", [](auto& b) { b[13] = 1; }, format},
        {"counts overrun the key", [](auto& b) { b[14] = 200; }, format},
        {"count byte 255", [](auto& b) { b[13 + 2 + 3 + 4] = 255; }, format},
        {"used bytes beyond the page", [](auto& b) { StoreLE16(&b[11], 4084); }, format},
        {"used bytes too few", [&](auto& b) { StoreLE16(&b[11], uint16_t(used - 1)); }, format},
        {"used bytes too many", [&](auto& b) { StoreLE16(&b[11], uint16_t(used + 1)); }, format},
        {"more entries than fit uncompressed", [](auto& b) { StoreLE16(&b[1], 292); }, uncompressed},
    };
    for (const TCase& c : cases) {
        std::vector<uint8_t> image = good;
        c.Break(image);
        TPage back;
        back.SetFormat(c.Format);
        EXPECT_EQ(ErrorCodeOf([&] { back.LoadFrom(image.data(), false); }), VORSAM_INDEXCORRUPT) << c.Name;
    }
}

TEST(PageImageTest, ARawDataPageCarriesItsCountFieldButHoldsNoEntries) {
    std::vector<uint8_t> image(IndexPageSize);
    image[0] = ptRawData;
    StoreLE16(&image[1], 8207); // far more entries than a page could hold
    for (size_t i = PageHeaderSize; i < IndexPageSize; ++i) image[i] = uint8_t(i * 7);
    TPage page;
    page.SetFormat(Format(5, TKeyCompression::None));
    page.LoadFrom(image.data(), false);
    EXPECT_EQ(page.KeyCount(), 0u);
    EXPECT_EQ(page.RawData()[0], image[PageHeaderSize]);
    TKeyComparator order;
    TKey key(5, 1);
    EXPECT_EQ(ErrorCodeOf([&] { page.FindKey({order, key.data(), key.size()}); }), VORSAM_INDEXCORRUPT);
    std::vector<uint8_t> back(IndexPageSize);
    page.StoreTo(back.data());
    EXPECT_EQ(back, image);
}

TEST(PageImageTest, AFreePageIsWrittenWithoutEntriesAndItsLink) {
    TPage page;
    MakePage(page, Format(10, TKeyCompression::None), ptLeaf);
    Fill(page, OverlappingKeys(5, 10, true, 2));
    page.SetNextPage(77);
    page.SetFree(true);
    std::vector<uint8_t> image(IndexPageSize);
    page.StoreTo(image.data());
    EXPECT_EQ(LoadLE16(&image[1]), 0);
    EXPECT_EQ(LoadLE32(&image[7]), 77u);
    EXPECT_TRUE(std::all_of(image.begin() + PageHeaderSize, image.end(), [](uint8_t b) { return b == 0; }));
}

// ---- searches ----

struct TSearchCase {
    uint8_t Type;
    size_t Length; // compared bytes (a partial key when below the key length)
};

class PageSearchTest : public ::testing::TestWithParam<TSearchCase> {
protected:
    static constexpr uint16_t K = 6;

    void SetUp() override {
        MakePage(page_, Format(K, TKeyCompression::None), GetParam().Type);
        std::vector<TKey> keys = OverlappingKeys(120, K, true, 11);
        Fill(page_, keys);
        length_ = GetParam().Length;
        for (const TKey& key : keys) truncated_.emplace_back(key.begin(), key.begin() + length_);
        for (uint32_t i = 1; i <= page_.KeyCount(); ++i)
            prefix_.push_back(prefix_.back() + page_.GetCount(i));
    }

    TSearchKey Search(const TKey& key) const { return {order_, key.data(), length_}; }
    uint32_t Lower(const TKey& key) const { return Bound(key, false); }
    uint32_t Upper(const TKey& key) const { return Bound(key, true); }
    uint32_t Bound(const TKey& key, bool upper) const {
        TKey probe(key.begin(), key.begin() + length_);
        auto it = upper ? std::upper_bound(truncated_.begin(), truncated_.end(), probe)
                        : std::lower_bound(truncated_.begin(), truncated_.end(), probe);
        return uint32_t(it - truncated_.begin());
    }
    bool EqualAt(uint32_t position, const TKey& key) const {
        return position >= 1 && position <= truncated_.size() &&
               truncated_[position - 1] == TKey(key.begin(), key.begin() + length_);
    }
    uint32_t Before(uint32_t position) const { return prefix_[position - 1]; }
    bool Leaf() const { return page_.IsLeaf(); }

    TPage page_;
    TKeyComparator order_;
    size_t length_ = K;
    std::vector<TKey> truncated_;
    std::vector<uint32_t> prefix_{0};
};

TEST_P(PageSearchTest, EverySearchAgreesWithLowerAndUpperBound) {
    std::vector<TKey> probes = OverlappingKeys(400, K, true, 12);
    probes.push_back(TKey(K, 0));
    probes.push_back(TKey(K, 0xFF));
    for (const TKey& key : probes) {
        uint32_t lower = Lower(key), upper = Upper(key);
        SCOPED_TRACE(::testing::PrintToString(key));
        TFindResult r = page_.FindKey(Search(key));
        EXPECT_EQ(r.Position, std::max(upper, 1u));
        EXPECT_EQ(r.Found, Leaf() && EqualAt(upper, key));
        EXPECT_EQ(page_.FindKeyOrZero(Search(key)), upper);
        EXPECT_EQ(page_.FindPosition(Search(key)), std::max(upper, 1u));
        for (bool leafAbove : {false, true}) {
            uint32_t records = 5;
            r = page_.FindKeyCounting(Search(key), leafAbove, records);
            bool equal = EqualAt(upper, key);
            uint32_t expected = equal || !(Leaf() && leafAbove) ? std::max(upper, 1u) : upper + 1;
            EXPECT_EQ(r.Position, expected);
            EXPECT_EQ(r.Found, equal);
            EXPECT_EQ(records, 5 + Before(expected));
        }
        uint32_t records = 0;
        r = page_.FindFirstCounting(Search(key), records);
        uint32_t first = EqualAt(lower + 1, key) || Leaf() ? lower + 1 : std::max(lower, 1u);
        EXPECT_EQ(r.Position, first);
        EXPECT_EQ(r.Found, EqualAt(lower + 1, key));
        EXPECT_EQ(records, Before(first));
        records = 0;
        r = page_.FindLastCounting(Search(key), records);
        EXPECT_EQ(r.Position, std::max(upper, 1u));
        EXPECT_EQ(r.Found, EqualAt(upper, key));
        EXPECT_EQ(records, Before(std::max(upper, 1u)));
    }
}

TEST_P(PageSearchTest, FindInRangeStopsAtTheFirstEntryAboveEitherKey) {
    std::vector<TKey> probes = OverlappingKeys(60, K, true, 13);
    for (const TKey& key : probes) {
        for (const TKey& upperKey : probes) {
            for (bool stop : {false, true}) {
                uint32_t records = 0;
                TFindResult r = page_.FindInRange(Search(key), Search(upperKey), stop, records);
                bool keyFirst = TKey(key.begin(), key.begin() + length_) <=
                                TKey(upperKey.begin(), upperKey.begin() + length_);
                const TKey& lowest = keyFirst ? key : upperKey;
                uint32_t position = Upper(lowest) + 1;
                bool found = Leaf() && keyFirst && EqualAt(Lower(key) + 1, key);
                if (found)
                    position = Lower(key) + 1;
                else if (position > 1 && !(Leaf() && stop))
                    --position;
                ASSERT_EQ(r.Position, position);
                ASSERT_EQ(r.Found, found);
                ASSERT_EQ(records, Before(position));
            }
        }
    }
}

TEST_P(PageSearchTest, FirstAndLastPositions) {
    uint32_t records = 0;
    EXPECT_EQ(page_.FirstPosition(), 1u);
    EXPECT_EQ(page_.LastPosition(records), page_.KeyCount());
    EXPECT_EQ(records, Before(page_.KeyCount()));
}

INSTANTIATE_TEST_SUITE_P(Pages, PageSearchTest,
                         ::testing::Values(TSearchCase{ptLeaf, 6}, TSearchCase{ptInternal, 6},
                                           TSearchCase{ptLeaf, 3}, TSearchCase{ptInternal, 2}));

TEST(PageSearchTest, SearchingAnEmptyPageRaisesIndexCorrupt) {
    TPage page;
    MakePage(page, Format(4, TKeyCompression::None), ptLeaf);
    TKeyComparator order;
    TKey key(4, 1);
    TSearchKey search{order, key.data(), 4};
    uint32_t records = 0;
    EXPECT_EQ(ErrorCodeOf([&] { page.FindKey(search); }), VORSAM_INDEXCORRUPT);
    EXPECT_EQ(ErrorCodeOf([&] { page.FindFirstCounting(search, records); }), VORSAM_INDEXCORRUPT);
    EXPECT_EQ(ErrorCodeOf([&] { page.LastPosition(records); }), VORSAM_INDEXCORRUPT);
}

// ---- runs and bitmap scans ----

TEST(PageScanTest, ConsecutiveRunFollowsRecordNumbersInEitherDirection) {
    TPage page;
    MakePage(page, Format(2, TKeyCompression::None), ptLeaf);
    const std::vector<uint32_t> records = {10, 11, 12, 13, 20, 21, 5, 6, 7};
    for (uint32_t i = 0; i < records.size(); ++i) {
        TKey key{0, uint8_t(i)};
        page.InsertAt(i + 1, key.data(), records[i], 1);
    }
    EXPECT_EQ(page.ConsecutiveRun(1, 100, 1), 4u);
    EXPECT_EQ(page.ConsecutiveRun(2, 2, 1), 2u); // the limit
    EXPECT_EQ(page.ConsecutiveRun(5, 100, 1), 2u);
    EXPECT_EQ(page.ConsecutiveRun(9, 100, -1), 3u);
    EXPECT_EQ(page.ConsecutiveRun(4, 100, -1), 4u);
    EXPECT_EQ(page.ConsecutiveRun(7, 100, -1), 1u); // 5 follows 21 but is not 20
}

TEST(PageScanTest, BitmapScansStopAtASetRecordTheBoundOrThePageEnd) {
    TPage page;
    MakePage(page, Format(2, TKeyCompression::None), ptLeaf);
    for (uint32_t i = 1; i <= 10; ++i) {
        TKey key{0, uint8_t(i)};
        page.InsertAt(i, key.data(), 100 + i, 1);
    }
    TRecordsBitmap bitmap(200);
    bitmap.SetBit(104);
    bitmap.SetBit(108);
    TKeyComparator order;
    TKey six{0, 6};
    TSearchKey bound{order, six.data(), 2};
    uint32_t position = 1, passed = 0;
    EXPECT_TRUE(page.ScanBitmapForward(position, bitmap, passed));
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(passed, 3u);
    position = 5, passed = 0;
    EXPECT_FALSE(page.ScanBitmapForward(position, bitmap, passed, &bound)); // gives up at key 7
    EXPECT_EQ(position, 7u);
    position = 9, passed = 0;
    EXPECT_FALSE(page.ScanBitmapForward(position, bitmap, passed));
    EXPECT_EQ(position, 11u);
    position = 10, passed = 0;
    EXPECT_TRUE(page.ScanBitmapBackward(position, bitmap, passed));
    EXPECT_EQ(position, 8u);
    position = 7, passed = 0;
    EXPECT_FALSE(page.ScanBitmapBackward(position, bitmap, passed, &bound)); // gives up at key 5
    EXPECT_EQ(position, 5u);
    TRecordsBitmap collected(200);
    EXPECT_FALSE(page.CollectUpToKey(3, bound, collected));
    EXPECT_EQ(collected.CountSetBits(), 4u); // keys 3 .. 6
    EXPECT_TRUE(collected.GetBit(103) && collected.GetBit(106) && !collected.GetBit(107));
    TKey top{1, 0};
    TSearchKey beyond{order, top.data(), 2};
    EXPECT_TRUE(page.CollectUpToKey(9, beyond, collected));
}

} // namespace
} // namespace vorsam::test
