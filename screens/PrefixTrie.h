#pragma once
// The prefix trie of the programming (section 14): which extension categories may dial a number,
// decided by its first digits, and the local area code. Every dialled number falls under exactly
// one programmed prefix.
//
// Stored format, ProgrammingHeader 300..651:
//   300..301  area code, u16 little-endian: 301 = the first two digits as packed BCD; 300 = the
//             third digit in the high nibble and 0xF in the low one, or 0xFF for a two-digit
//             code; 0xFFFF when no code is given
//   302..401  first level: entry 10 * d1 + d2 for the first two digits d1 d2
//   402..651  25 nodes of 10 entries: node number n (128..152) at 402 + 10 (n - 128), entry d
//             taken by the next digit d
// An entry with bit 7 set refers to the node of that number; with bit 7 clear it is a leaf, the
// access value of every number that reaches it: 0 local, 8 regional, 16 DDD, 32 DDI, 64 blocked
// category; 2 = not yet programmed (the first level before any prefix). Bit 0 marks the leaves of
// the fixed prefixes "90", "0800" and "00". The fixed nodes: 128 holds the digits after "08", 129
// those after "080", 130 those after "00"; after every store first-level "08" refers to 128, its
// entry 0 to 129, and first-level "00" to 130. Nodes 131..152 are allocated in increasing order.
//
// The prefix screen keeps the prefixes as rows of its table (PREFIXOS, TLIBERA); its OK rebuilds
// the whole trie from the rows (StorePrefixTrie) and the table's builder walks the stored trie
// back into rows (PrefixWalk.h). Both read TLIBERA with the one code list of the model's family.

#include "core/ImageView.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

// One row of the prefix table: PREFIXOS (1..7 digits) and TLIBERA (the access code).
struct TPrefixRow {
    std::string Prefix;
    char Access = '1';
    bool operator==(const TPrefixRow&) const = default;
};

// An access code of the prefix table, the leaf value it stands for and the screen's item for it.
struct TPrefixAccess {
    char Code;
    std::uint8_t Leaf;
    const char* Item; // source text for the language file
};

// The access codes of a model, by ascending leaf value. Models 9..13: "1" local, "2" regional,
// "3" DDD, "4" DDI, "5" blocked. Models up to 8 have no regional category: "1" local, "2" DDD,
// "3" DDI, "4" blocked. Builder, screen items, "Todos" and store all use this list, so an
// untouched prefix table is stored as it was read.
std::span<const TPrefixAccess> PrefixAccessCodes(std::uint8_t model);
// The leaf value of a code; a code the model does not have is local (0).
std::uint8_t PrefixAccessLeaf(std::uint8_t model, char code);
// The code of a leaf: the highest category bit of the model's list that the leaf has decides;
// without one (bit 0, the unprogrammed value 2) it is local.
char PrefixAccessCode(std::uint8_t model, std::uint8_t leaf);

namespace PrefixTrie {
inline constexpr int FirstNode = 128, LastNode = 152;
inline constexpr int NodeCount = LastNode - FirstNode + 1;
inline constexpr int Node08 = 128, Node080 = 129, Node00 = 130; // the fixed nodes
inline constexpr std::uint8_t Unprogrammed = 2;
inline constexpr std::uint8_t FixedMark = 1; // bit 0 of the leaves of the fixed prefixes
inline constexpr std::uint8_t ReferenceBit = 0x80;
inline constexpr std::size_t MaxPrefixDigits = 7; // the longest prefix the screen takes

constexpr bool IsReference(std::uint8_t entry) {
    return (entry & ReferenceBit) != 0;
}
// A reference to a node the trie has (128..152).
constexpr bool IsNodeReference(std::uint8_t entry) {
    return entry >= FirstNode && entry <= LastNode;
}
} // namespace PrefixTrie

// The trie of one rebuild, under the names of its routines. The stored trie is written only at
// the end, as a whole (WriteTo).
class TPrefixTrie {
public:
    // The state a rebuild starts from: every first-level entry unprogrammed (2), the nodes zero,
    // no node allocated beyond the fixed ones, no overflow.
    TPrefixTrie();
    // A working copy of the trie stored in the header (the walk of the table's builder).
    static TPrefixTrie ReadFrom(const TImageView& header);
    // Copies the first level and the nodes to header 302..651.
    void WriteTo(const TImageView& header) const;

    // Inserts a prefix of 1..7 digits with its access value (std::invalid_argument otherwise).
    // Does nothing once the node limit was reached.
    void InserePrefixo(std::string_view prefix, std::uint8_t value);
    // Inserts the remaining digits (at least one) below node n; recursive.
    void ExpandeNo(std::string_view rest, int node, std::uint8_t value);
    // The next node number (last allocated + 1), or false with the overflow flag set when all 22
    // allocatable nodes are in use.
    bool AlocaNo(int& node);
    // Removes a node: the nodes after it move down one place, the last becomes zeros, and every
    // reference to a later node follows its node. Returns the removed node's entry 0.
    std::uint8_t RemoveNo(int node);
    // Marks the leaves of the fixed prefixes and moves the "08", "080" and "00" subtrees onto the
    // fixed nodes 128, 129 and 130. A "0800" that goes on into a node keeps its reference and has
    // that node's leaves marked.
    void AjustaNosFixos();

    bool Overflow() const { return overflow_; }
    int LastAllocated() const { return lastNode_; } // of this rebuild; a copy read back has 130

    std::uint8_t& FirstLevel(int index) { return firstLevel_.at(index); }
    std::uint8_t FirstLevel(int index) const { return firstLevel_.at(index); }
    // Entry d of node n (128..152).
    std::uint8_t& Entry(int node, int digit) { return NodeAt(node).at(digit); }
    std::uint8_t Entry(int node, int digit) const {
        return nodes_.at(node - PrefixTrie::FirstNode).at(digit);
    }

    // Every reference names a node of the trie, and no node is referred to twice.
    bool Verify() const;

private:
    using TNode = std::array<std::uint8_t, 10>;
    TNode& NodeAt(int node) { return nodes_.at(node - PrefixTrie::FirstNode); }
    bool LeadsToNode(std::uint8_t& entry);
    void MarkLeaves(TNode& node);
    void MarkSubtree(std::uint8_t entry);
    void MoveToFixedNode(std::uint8_t& entry, int fixedNode);

    std::array<std::uint8_t, 100> firstLevel_;
    std::array<TNode, PrefixTrie::NodeCount> nodes_{};
    int lastNode_ = PrefixTrie::Node00;
    bool overflow_ = false;
};

// The area code of the edit "Código DDD da localidade": a "0" and up to three digits, blanks
// ignored. No digit gives no code (0xFFFF); two or three digits give the stored code; anything
// else (one digit, more than three, other characters) gives false.
bool LeCodigoDDD(std::string_view text, std::uint16_t& code);
// The digits of a stored area code (without the leading "0"): the nibbles of 301 and 300 from the
// high one, up to the first that is not a digit, at most three.
std::string MostraCodigoDDD(std::uint16_t code);

// The OK of the prefix screen: rebuilds the trie from every row (in prefix order) with the access
// values of the model, reads the area code and stores both into header 300..651. Raises
// EScreenCheck "Excesso de prefixos expandidos, será necessário reduzir alguns prefixos." when the
// rows need more than the 22 allocatable nodes, and "Código DDD está incorreto." (focus on
// areaCodeField) for a wrong area code; the header is untouched then.
void StorePrefixTrie(std::span<const TPrefixRow> rows, std::string_view areaCodeText, std::uint8_t model,
                     const TImageView& header, QWidget* areaCodeField = nullptr);
