// The prefix trie: the store of the prefix screen's rows and the walk back into rows.

#include "core/ProgrammingFile.h"
#include "core/ProgrammingFixture.h"
#include "screens/PrefixWalk.h"
#include "screens/ScreenCheck.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

using testing::ElementsAre;

namespace {

using TRows = std::vector<TPrefixRow>;
constexpr std::size_t AreaCode = 300, FirstLevel = 302, Nodes = 402, TrieEnd = 652;
constexpr char Local = '1', Ddd = '3', Blocked = '5'; // codes of models 9..13

std::size_t NodeEntry(int node, int digit) {
    return Nodes + 10 * (node - 128) + digit;
}

// A header of its own for each test.
struct THeader {
    std::array<std::uint8_t, HeaderSize> bytes{};
    TImageView view{bytes.data(), 0, HeaderSize};
    std::uint8_t operator[](std::size_t offset) const { return bytes[offset]; }
    std::vector<std::uint8_t> Trie() const { return {bytes.begin() + AreaCode, bytes.begin() + TrieEnd}; }
};

TRows OneDigitRows(char access = Local) {
    TRows rows;
    for (char digit = '0'; digit <= '9'; ++digit) rows.push_back({std::string(1, digit), access});
    return rows;
}

// What the prefix screen does when a prefix is typed: the row covering it is split digit by
// digit down to the prefix, whose row then gets the access code.
void Refine(TRows& rows, const std::string& prefix, char access) {
    for (std::size_t length = 1; length < prefix.size(); ++length) {
        const std::string stem = prefix.substr(0, length);
        const auto covering = std::ranges::find(rows, stem, &TPrefixRow::Prefix);
        if (covering == rows.end()) continue;
        const char code = covering->Access;
        rows.erase(covering);
        for (char digit = '0'; digit <= '9'; ++digit) rows.push_back({stem + digit, code});
    }
    std::ranges::find(rows, prefix, &TPrefixRow::Prefix)->Access = access;
}

TRows Sorted(TRows rows) {
    std::ranges::sort(rows, {}, &TPrefixRow::Prefix);
    return rows;
}

// Every number of 7 digits begins with exactly one prefix of the rows.
bool DividesNumberSpace(const TRows& rows) {
    long long covered = 0;
    const TRows sorted = Sorted(rows);
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::string& prefix = sorted[i].Prefix;
        if (prefix.empty() || prefix.size() > 7) return false;
        if (i + 1 < sorted.size() && sorted[i + 1].Prefix.starts_with(prefix)) return false;
        long long numbers = 1;
        for (std::size_t digits = prefix.size(); digits < 7; ++digits) numbers *= 10;
        covered += numbers;
    }
    return covered == 10'000'000;
}

void Store(const TRows& rows, THeader& header, std::uint8_t model = 12, const char* area = "0") {
    StorePrefixTrie(rows, area, model, header.view);
}

// What holds after every store: the fixed nodes in place and a sound trie.
void ExpectStoredShape(const THeader& header) {
    EXPECT_EQ(header[FirstLevel + 8], 0x80);
    EXPECT_EQ(header[FirstLevel + 0], 0x82);
    EXPECT_EQ(header[NodeEntry(128, 0)], 0x81);
    const std::uint8_t entry0800 = header[NodeEntry(129, 0)];
    EXPECT_TRUE(PrefixTrie::IsReference(entry0800) || (entry0800 & 1)); // a leaf 0800 is marked
    EXPECT_TRUE(TPrefixTrie::ReadFrom(header.view).Verify());
}

// A table with prefixes of every length and every access code of the model, as typed on the
// screen: local by default, DDD under 4, a blocked 0800 corner, and deeper exceptions.
TRows RichTable(std::uint8_t model) {
    const auto codes = PrefixAccessCodes(model);
    const auto code = [&](std::size_t i) { return codes[i % codes.size()].Code; };
    TRows rows = OneDigitRows();
    Refine(rows, "4", code(2));
    Refine(rows, "480", code(0));
    Refine(rows, "4810", code(1));
    Refine(rows, "0800", code(4));
    Refine(rows, "0012", code(3));
    Refine(rows, "90", code(1));
    Refine(rows, "9012345", code(4));
    Refine(rows, "31", code(3));
    return rows;
}

TEST(PrefixTrieStore, TenOneDigitPrefixesGiveTheBytesOfTheDefaultFiles) {
    for (const std::uint8_t model : KnownModelCodes) {
        THeader header;
        Store(OneDigitRows(), header, model);
        const TImageBytes defaults = BuildDefaultImage(model);
        EXPECT_TRUE(std::equal(defaults.begin() + AreaCode, defaults.begin() + TrieEnd,
                               header.bytes.begin() + AreaCode))
            << "model " << int(model);
        ExpectStoredShape(header); // "00" -> node 130, "08" -> 128 -> 129, "0800" and "90" marked
        EXPECT_EQ(header[FirstLevel + 90], 1);
        EXPECT_EQ(header[NodeEntry(130, 0)], 1);                                 // "000"
        for (std::size_t offset = NodeEntry(131, 0); offset < TrieEnd; ++offset) // no node allocated
            ASSERT_EQ(header[offset], 0) << offset;
    }
    for (const char* file : {"DEFTESSL.NPX", "DEFARCO.NPX", "DEFNODO.NPX"}) {
        std::ifstream in(std::string(CENTRPRG_BINARY_DIR) + "/" + file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        ASSERT_EQ(bytes.size(), ImageSize) << file;
        THeader header;
        Store(OneDigitRows(), header, static_cast<std::uint8_t>(bytes[0]));
        EXPECT_TRUE(std::equal(bytes.begin() + AreaCode, bytes.begin() + TrieEnd,
                               header.bytes.begin() + AreaCode,
                               [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
            << file;
    }
}

TEST(PrefixTrieStore, ALongerPrefixWithAnotherValueAllocatesNodesInOrder) {
    THeader header;
    Store({{"480", Local}, {"4810", Ddd}}, header);
    EXPECT_EQ(header[350], 0x83);
    EXPECT_EQ(header[NodeEntry(131, 1)], 0x84);
    EXPECT_EQ(header[NodeEntry(131, 0)], 0); // the background of 48
    EXPECT_EQ(header[NodeEntry(132, 0)], 16);
    EXPECT_EQ(header[NodeEntry(132, 1)], 0);
    ExpectStoredShape(header);

    Store({{"480", Local}, {"4810", Ddd}, {"4830", Blocked}}, header);
    EXPECT_EQ(header[NodeEntry(131, 3)], 0x85);
    EXPECT_EQ(header[NodeEntry(133, 0)], 64);
    EXPECT_EQ(header[NodeEntry(134, 0)], 0);
}

TEST(PrefixTrieStore, RowsAreTakenInPrefixOrderWhateverOrderTheyComeIn) {
    THeader inOrder, reversed;
    TRows rows = Sorted(RichTable(12));
    Store(rows, inOrder);
    std::ranges::reverse(rows);
    Store(rows, reversed);
    EXPECT_EQ(inOrder.Trie(), reversed.Trie());
}

// Rows needing `nodes` nodes: under each of the starts 10, 11, ... the third digit 1 is DDD.
TRows RowsNeedingNodes(int nodes) {
    TRows rows = OneDigitRows();
    for (int start = 10; start < 10 + nodes; ++start) Refine(rows, std::to_string(start) + "1", Ddd);
    return rows;
}

TEST(PrefixTrieStore, The23rdNodeRefusesTheStoreAndNothingIsStored) {
    THeader header;
    Store(RowsNeedingNodes(22), header);
    EXPECT_EQ(header[FirstLevel + 31], 152);
    EXPECT_EQ(header[NodeEntry(152, 1)], 16);

    const auto before = header.Trie();
    try {
        Store(RowsNeedingNodes(23), header, 12, "011");
        FAIL() << "stored";
    } catch (const EScreenCheck& check) {
        EXPECT_STREQ(check.what(),
                     "Excesso de prefixos expandidos, será necessário reduzir alguns prefixos.");
        EXPECT_EQ(check.Field(), nullptr);
    }
    EXPECT_EQ(header.Trie(), before);
}

struct TAreaCase {
    const char* text;
    std::uint8_t low, high; // 300, 301
};

class PrefixTrieAreaCode : public testing::TestWithParam<TAreaCase> {};

TEST_P(PrefixTrieAreaCode, IsStoredAsPackedDigitsAndShownBack) {
    THeader header;
    Store(OneDigitRows(), header, 11, GetParam().text);
    EXPECT_EQ(header[300], GetParam().low);
    EXPECT_EQ(header[301], GetParam().high);
    std::string digits = GetParam().text;
    std::erase(digits, ' ');
    EXPECT_EQ('0' + MostraCodigoDDD(header.view.U16(300)), digits);
}

INSTANTIATE_TEST_SUITE_P(Codes, PrefixTrieAreaCode,
                         testing::Values(TAreaCase{"011", 0xFF, 0x11}, TAreaCase{"0483", 0x3F, 0x48},
                                         TAreaCase{"0", 0xFF, 0xFF}, TAreaCase{" 0 48 ", 0xFF, 0x48},
                                         TAreaCase{"0900", 0x0F, 0x90}));

TEST(PrefixTrieStore, AWrongAreaCodeIsRefusedAndNothingIsStored) {
    for (const char* text : {"04", "04831", "0x1", "", "11"}) {
        THeader header;
        Store(OneDigitRows(), header);
        const auto before = header.Trie();
        try {
            Store(RichTable(12), header, 12, text);
            ADD_FAILURE() << "stored '" << text << "'";
        } catch (const EScreenCheck& check) {
            EXPECT_STREQ(check.what(), "Código DDD está incorreto.");
        }
        EXPECT_EQ(header.Trie(), before) << text;
    }
}

TEST(PrefixTrieStore, StoredAreaCodesWithoutDigitsShowNoDigits) {
    EXPECT_EQ(MostraCodigoDDD(0xFFFF), "");
    EXPECT_EQ(MostraCodigoDDD(0x4FFF), "4");
    EXPECT_EQ(MostraCodigoDDD(0xA1FF), ""); // not a digit
    EXPECT_EQ(MostraCodigoDDD(0x1234), "123");
}

TEST(PrefixTrieStore, The08SubtreesMoveOntoTheFixedNodesAndLaterNodesFollow) {
    TRows rows = OneDigitRows();
    Refine(rows, "0800", Blocked);
    Refine(rows, "081", Ddd);
    Refine(rows, "4810", Ddd);
    THeader header;
    Store(rows, header);
    ExpectStoredShape(header);
    EXPECT_EQ(header[NodeEntry(128, 1)], 16);
    EXPECT_EQ(header[NodeEntry(128, 2)], 0);
    EXPECT_EQ(header[NodeEntry(129, 0)], 64 | 1);
    EXPECT_EQ(header[NodeEntry(129, 1)], 0);
    // "48" was given node 133 and "481" node 134; the two "08" nodes went to 128 and 129.
    EXPECT_EQ(header[FirstLevel + 48], 0x83);
    EXPECT_EQ(header[NodeEntry(131, 1)], 0x84);
    EXPECT_EQ(header[NodeEntry(132, 0)], 16);
    EXPECT_EQ(header[NodeEntry(133, 0)], 0); // freed
}

TEST(PrefixTrieStore, TheLeavesOf90And00AreMarkedOneNodeLevelDeep) {
    TRows rows = OneDigitRows();
    Refine(rows, "901", Ddd);
    Refine(rows, "00123", Blocked); // 00 -> 001 -> 0012 -> 00123: three node levels
    Refine(rows, "91", Ddd);
    THeader header;
    Store(rows, header);
    ExpectStoredShape(header);
    const auto node = [&](std::size_t offset) {
        EXPECT_TRUE(PrefixTrie::IsNodeReference(header[offset])) << offset;
        return static_cast<int>(header[offset]);
    };
    const int node90 = node(FirstLevel + 90);
    EXPECT_THAT(std::vector<int>(header.bytes.begin() + NodeEntry(node90, 0),
                                 header.bytes.begin() + NodeEntry(node90, 3)),
                ElementsAre(1, 17, 1));
    EXPECT_EQ(header[FirstLevel + 91], 16); // only 90 is a fixed prefix
    EXPECT_EQ(header[NodeEntry(130, 0)], 1);
    const int node001 = node(NodeEntry(130, 1));
    EXPECT_EQ(header[NodeEntry(node001, 0)], 1);
    const int node0012 = node(NodeEntry(node001, 2)); // a reference: not marked
    EXPECT_EQ(header[NodeEntry(node0012, 0)], 0);     // two node levels down: not marked
    EXPECT_EQ(header[NodeEntry(node0012, 3)], 64);
}

TEST(PrefixTrieStore, A0800GoingOnIntoANodeKeepsItsReference) {
    TRows rows = OneDigitRows();
    Refine(rows, "051", Ddd);       // node 131
    Refine(rows, "08005", Blocked); // 0800 ends on node 132: bit 0 would make it 133
    THeader header;
    Store(rows, header);
    ExpectStoredShape(header);
    ASSERT_EQ(header[NodeEntry(129, 0)], 0x84);
    EXPECT_EQ(header[NodeEntry(132, 0)], 1); // 08000: the leaves of 0800 are marked instead
    EXPECT_EQ(header[NodeEntry(132, 5)], 65);
    EXPECT_EQ(header[NodeEntry(131, 1)], 16);
    EXPECT_EQ(PrefixTableRows(header.view, 12), Sorted(rows));
}

TEST(PrefixTrie, RemoveNoRenumbersEveryLaterReference) {
    TPrefixTrie trie;
    for (const char* prefix : {"10", "20", "30"}) trie.InserePrefixo(prefix, 0);
    trie.InserePrefixo("101", 16); // node 131
    trie.InserePrefixo("2011", 8); // 132 -> 133
    trie.InserePrefixo("301", 32); // 134
    ASSERT_EQ(trie.LastAllocated(), 134);
    EXPECT_EQ(trie.RemoveNo(131), 0);
    EXPECT_EQ(trie.LastAllocated(), 133);
    EXPECT_EQ(trie.FirstLevel(10), 131); // the removed node's own reference stays
    EXPECT_EQ(trie.FirstLevel(20), 131);
    EXPECT_EQ(trie.Entry(131, 1), 132);
    EXPECT_EQ(trie.Entry(132, 1), 8);
    EXPECT_EQ(trie.FirstLevel(30), 133);
    EXPECT_EQ(trie.Entry(133, 1), 32);
    for (int digit = 0; digit < 10; ++digit) EXPECT_EQ(trie.Entry(152, digit), 0);
}

TEST(PrefixTrie, RefusesPrefixesThatAreNotOneToSevenDigits) {
    TPrefixTrie trie;
    for (const char* prefix : {"", "12345678", "4a"})
        EXPECT_THROW(trie.InserePrefixo(prefix, 0), std::invalid_argument);
    EXPECT_NO_THROW(trie.InserePrefixo("1234567", 0));
}

// ---- The walk back into rows ---------------------------------------------------------------

TEST(PrefixWalk, TheDefaultTrieGivesTheTenOneDigitPrefixes) {
    for (const std::uint8_t model : KnownModelCodes) {
        TImageBytes image = BuildDefaultImage(model);
        EXPECT_EQ(PrefixTableRows(TImageView(image.data(), 0, HeaderSize), model), OneDigitRows())
            << int(model);
    }
}

TEST(PrefixWalk, TypedRowsComeBackAsTheyWereTyped) {
    for (const std::uint8_t model : {4, 12}) {
        const TRows rows = RichTable(model);
        THeader header;
        Store(rows, header, model);
        const TRows walked = PrefixTableRows(header.view, model);
        EXPECT_TRUE(DividesNumberSpace(walked));
        // Siblings split from one row keep its code, so the walk may read them as the row again.
        THeader again;
        Store(walked, again, model);
        EXPECT_EQ(again.Trie(), header.Trie()) << int(model);
        EXPECT_EQ(PrefixTableRows(again.view, model), walked);
    }
    TRows distinct = OneDigitRows();
    Refine(distinct, "4810", Ddd);
    Refine(distinct, "0800", Blocked);
    THeader header;
    Store(distinct, header);
    EXPECT_EQ(PrefixTableRows(header.view, 12), Sorted(distinct));
}

TEST(PrefixWalk, EachModelFamilyReadsItsOwnCodes) {
    THeader header;
    for (int first = 0; first < 100; ++first) header.bytes[FirstLevel + first] = 0;
    header.bytes[FirstLevel + 40] = 8;
    header.bytes[FirstLevel + 41] = 16;
    header.bytes[FirstLevel + 42] = 32;
    header.bytes[FirstLevel + 43] = 64 | 16 | 1;
    header.bytes[FirstLevel + 44] = 2;
    const auto codes = [&](std::uint8_t model) {
        std::string texts;
        for (const TPrefixRow& row : PrefixTableRows(header.view, model))
            if (row.Prefix.starts_with('4')) texts += row.Access;
        return texts;
    };
    EXPECT_EQ(codes(12), "2345111111");
    EXPECT_EQ(codes(4), "1234111111"); // no regional category: "2" is DDD
    EXPECT_EQ(PrefixAccessLeaf(4, '2'), 16);
    EXPECT_EQ(PrefixAccessLeaf(12, '2'), 8);
    EXPECT_EQ(PrefixAccessLeaf(4, '5'), 0);
}

class PrefixWalkFixtures : public ProgrammingFixture {};

TEST_F(PrefixWalkFixtures, EveryFixtureIsStoredBackByteForByte) {
    for (const std::uint8_t model : KnownModelCodes) {
        ClearProgramming();
        LoadProgrammingFile(FixtureFile(model));
        THeader header;
        std::ranges::copy(ProgrammingHeader.Span(0, HeaderSize), header.bytes.begin());
        const auto before = header.Trie();
        StorePrefixTrie(PrefixTableRows(header.view, model), '0' + MostraCodigoDDD(header.view.U16(300)),
                        model, header.view);
        EXPECT_EQ(header.Trie(), before) << int(model);
    }
}

TEST(PrefixWalk, AFixedPrefixStoredAsALeafIsReadAsThatLeaf) {
    THeader header;
    Store(OneDigitRows(), header);
    header.bytes[FirstLevel + 8] = 16; // "08" a DDD leaf, nodes 128 and 129 still there
    header.bytes[FirstLevel + 0] = 64; // "00" blocked
    EXPECT_THAT(PrefixTableRows(header.view, 12),
                ElementsAre(TPrefixRow{"00", '5'}, TPrefixRow{"01", '1'}, TPrefixRow{"02", '1'},
                            TPrefixRow{"03", '1'}, TPrefixRow{"04", '1'}, TPrefixRow{"05", '1'},
                            TPrefixRow{"06", '1'}, TPrefixRow{"07", '1'}, TPrefixRow{"08", '3'},
                            TPrefixRow{"09", '1'}, TPrefixRow{"1", '1'}, TPrefixRow{"2", '1'},
                            TPrefixRow{"3", '1'}, TPrefixRow{"4", '1'}, TPrefixRow{"5", '1'},
                            TPrefixRow{"6", '1'}, TPrefixRow{"7", '1'}, TPrefixRow{"8", '1'},
                            TPrefixRow{"9", '1'}));
}

TEST(PrefixWalk, ADamagedTrieNeverLoopsAndStillDividesTheNumberSpace) {
    THeader header;
    Store(OneDigitRows(), header);
    // 33 -> node 131, whose entry 3 refers back to itself; 34 -> node 140 -> 141 -> ... a chain
    // deeper than seven digits; 35 -> node 153, which the trie does not have; 36 -> node 131 again.
    header.bytes[FirstLevel + 33] = 131;
    header.bytes[NodeEntry(131, 3)] = 131;
    header.bytes[FirstLevel + 34] = 140;
    for (int node = 140; node < 152; ++node)
        header.bytes[NodeEntry(node, 0)] = static_cast<std::uint8_t>(node + 1);
    header.bytes[FirstLevel + 35] = 153;
    header.bytes[FirstLevel + 36] = 131;
    const TRows rows = PrefixTableRows(header.view, 12);
    EXPECT_TRUE(DividesNumberSpace(rows));
    std::map<std::string, int> lengths;
    for (const TPrefixRow& row : rows)
        lengths[row.Prefix.substr(0, 2)] = std::max<int>(lengths[row.Prefix.substr(0, 2)], row.Prefix.size());
    EXPECT_EQ(lengths["33"], 3); // "333" refers back to the node being walked
    EXPECT_EQ(lengths["34"], 7);
    EXPECT_EQ(lengths["35"], 2);
    EXPECT_EQ(lengths["36"], 2);
    EXPECT_NO_THROW(Store(rows, header));
}

} // namespace
