#include "screens/PrefixTrie.h"

#include "core/ImageLayout.h"
#include "core/Language.h"
#include "core/ValueConversions.h"
#include "screens/ScreenCheck.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>
#include <utility>

using namespace PrefixTrie;

namespace {

constexpr std::array<TPrefixAccess, 5> AccessCodes = {{
    {'1', 0, LngText("Ramais com categoria local")},
    {'2', 8, LngText("Ramais com categoria Regional")},
    {'3', 16, LngText("Ramais com categoria DDD")},
    {'4', 32, LngText("Ramais com categoria DDI")},
    {'5', 64, LngText("Prefixo bloqueado")},
}};
constexpr std::array<TPrefixAccess, 4> LegacyAccessCodes = {{
    {'1', 0, AccessCodes[0].Item},
    {'2', 16, AccessCodes[2].Item},
    {'3', 32, AccessCodes[3].Item},
    {'4', 64, AccessCodes[4].Item},
}};

bool IsDigits(std::string_view text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

int DigitAt(std::string_view text, std::size_t index) {
    return text[index] - '0';
}

} // namespace

std::span<const TPrefixAccess> PrefixAccessCodes(std::uint8_t model) {
    if (model <= 8) return LegacyAccessCodes;
    return AccessCodes;
}

std::uint8_t PrefixAccessLeaf(std::uint8_t model, char code) {
    for (const TPrefixAccess& access : PrefixAccessCodes(model))
        if (access.Code == code) return access.Leaf;
    return 0;
}

char PrefixAccessCode(std::uint8_t model, std::uint8_t leaf) {
    const auto codes = PrefixAccessCodes(model);
    char code = codes.front().Code;
    for (const TPrefixAccess& access : codes)
        if (leaf & access.Leaf) code = access.Code;
    return code;
}

// ---- TPrefixTrie -------------------------------------------------------------------------------

TPrefixTrie::TPrefixTrie() {
    firstLevel_.fill(Unprogrammed);
}

TPrefixTrie TPrefixTrie::ReadFrom(const TImageView& header) {
    TPrefixTrie trie;
    std::ranges::copy(header.Span(Offset::PrefixFirstLevel, 100), trie.firstLevel_.begin());
    for (int node = FirstNode; node <= LastNode; ++node)
        std::ranges::copy(header.Span(Offset::PrefixNodes + 10 * (node - FirstNode), 10),
                          trie.NodeAt(node).begin());
    return trie;
}

void TPrefixTrie::WriteTo(const TImageView& header) const {
    std::ranges::copy(firstLevel_, header.Span(Offset::PrefixFirstLevel, 100).begin());
    for (std::size_t node = 0; node < nodes_.size(); ++node)
        std::ranges::copy(nodes_[node], header.Span(Offset::PrefixNodes + 10 * node, 10).begin());
}

void TPrefixTrie::InserePrefixo(std::string_view prefix, std::uint8_t value) {
    if (prefix.empty() || prefix.size() > MaxPrefixDigits || !IsDigits(prefix))
        throw std::invalid_argument("A prefix has 1 to 7 digits: '" + std::string(prefix) + "'");
    if (overflow_) return;
    if (prefix.size() == 1) {
        std::fill_n(firstLevel_.begin() + 10 * DigitAt(prefix, 0), 10, value);
        return;
    }
    std::uint8_t& entry = firstLevel_[10 * DigitAt(prefix, 0) + DigitAt(prefix, 1)];
    if (prefix.size() == 2 || entry == Unprogrammed) {
        // A longer prefix under an unprogrammed start: rows come in prefix order and divide the
        // number space, so it is the first of its start and sets the background.
        entry = value;
        return;
    }
    if (entry != value && LeadsToNode(entry)) ExpandeNo(prefix.substr(2), entry, value);
}

void TPrefixTrie::ExpandeNo(std::string_view rest, int node, std::uint8_t value) {
    assert(!rest.empty() && node > Node00 && node <= lastNode_);
    std::uint8_t& entry = Entry(node, DigitAt(rest, 0));
    rest.remove_prefix(1);
    if (rest.empty()) {
        entry = value;
        return;
    }
    if (entry != value && LeadsToNode(entry)) ExpandeNo(rest, entry, value);
}

bool TPrefixTrie::AlocaNo(int& node) {
    if (lastNode_ >= LastNode) {
        overflow_ = true;
        return false;
    }
    node = ++lastNode_;
    return true;
}

// A leaf entry that a longer prefix with another value goes through becomes a reference to a new
// node holding that leaf in all ten entries. False when no node is left.
bool TPrefixTrie::LeadsToNode(std::uint8_t& entry) {
    if (IsReference(entry)) return true;
    int node = 0;
    if (!AlocaNo(node)) return false;
    NodeAt(node).fill(entry);
    entry = static_cast<std::uint8_t>(node);
    return true;
}

std::uint8_t TPrefixTrie::RemoveNo(int node) {
    const std::uint8_t removedEntry0 = Entry(node, 0);
    for (int n = node; n < LastNode; ++n) NodeAt(n) = NodeAt(n + 1);
    NodeAt(LastNode).fill(0);
    const auto follow = [node](std::uint8_t& entry) {
        if (IsReference(entry) && entry > node) --entry;
    };
    std::ranges::for_each(firstLevel_, follow);
    for (TNode& each : nodes_) std::ranges::for_each(each, follow);
    if (node > Node00 && node <= lastNode_) --lastNode_;
    return removedEntry0;
}

void TPrefixTrie::MarkLeaves(TNode& node) {
    for (std::uint8_t& entry : node)
        if (!IsReference(entry)) entry |= FixedMark;
}

// The leaves of a node and those of the nodes it refers to; references further down stay as
// they are.
void TPrefixTrie::MarkSubtree(std::uint8_t entry) {
    TNode& node = NodeAt(entry);
    MarkLeaves(node);
    for (const std::uint8_t child : node)
        if (IsReference(child)) MarkLeaves(NodeAt(child));
}

// Makes the entry refer to the fixed node, moving the node it referred to there.
void TPrefixTrie::MoveToFixedNode(std::uint8_t& entry, int fixedNode) {
    assert(IsReference(entry));
    if (entry != fixedNode) {
        const int node = entry;
        NodeAt(fixedNode) = NodeAt(node);
        RemoveNo(node);
    }
    entry = static_cast<std::uint8_t>(fixedNode);
}

void TPrefixTrie::AjustaNosFixos() {
    // "90": its leaves, one node level deep.
    std::uint8_t& entry90 = firstLevel_[90];
    if (IsReference(entry90))
        MarkSubtree(entry90);
    else
        entry90 |= FixedMark;

    // "08" on node 128, "080" on node 129; the leaves of "0800" marked.
    std::uint8_t& entry08 = firstLevel_[8];
    if (IsReference(entry08)) {
        MoveToFixedNode(entry08, Node08);
        std::uint8_t& entry080 = Entry(Node08, 0);
        if (IsReference(entry080))
            MoveToFixedNode(entry080, Node080);
        else
            NodeAt(Node080).fill(std::exchange(entry080, static_cast<std::uint8_t>(Node080)));
    } else {
        NodeAt(Node08).fill(std::exchange(entry08, static_cast<std::uint8_t>(Node08)));
        NodeAt(Node080).fill(Entry(Node08, 0));
        Entry(Node08, 0) = Node080;
    }
    // Setting bit 0 of a reference would point it at another node: a "0800" that goes on into a
    // node has that node's leaves marked instead.
    std::uint8_t& entry0800 = Entry(Node080, 0);
    if (IsReference(entry0800))
        MarkLeaves(NodeAt(entry0800));
    else
        entry0800 |= FixedMark;

    // "00" on node 130, its leaves marked one node level deep; a leaf "00" marks only "000".
    std::uint8_t& entry00 = firstLevel_[0];
    if (IsReference(entry00)) {
        MoveToFixedNode(entry00, Node00);
        MarkSubtree(entry00);
    } else {
        NodeAt(Node00).fill(std::exchange(entry00, static_cast<std::uint8_t>(Node00)));
        Entry(Node00, 0) |= FixedMark;
    }
}

bool TPrefixTrie::Verify() const {
    std::array<bool, NodeCount> referred{};
    const auto check = [&referred](std::uint8_t entry) {
        if (!IsReference(entry)) return true;
        if (!IsNodeReference(entry) || referred[entry - FirstNode]) return false;
        return referred[entry - FirstNode] = true;
    };
    if (!std::ranges::all_of(firstLevel_, check)) return false;
    return std::ranges::all_of(nodes_, [&](const TNode& node) { return std::ranges::all_of(node, check); });
}

// ---- Area code ---------------------------------------------------------------------------------

bool LeCodigoDDD(std::string_view text, std::uint16_t& code) {
    code = 0xFFFF;
    const std::string digits = RemoveSpaces(text);
    if (digits.empty() || digits[0] != '0' || digits.size() > 4 || !IsDigits(digits)) return false;
    const std::string_view rest = std::string_view(digits).substr(1);
    if (rest.empty()) return true;
    if (rest.size() == 1) return false;
    const int high = DigitAt(rest, 0) * 16 + DigitAt(rest, 1);
    const int low = rest.size() == 3 ? DigitAt(rest, 2) * 16 + 15 : 0xFF;
    code = static_cast<std::uint16_t>(high * 256 + low);
    return true;
}

std::string MostraCodigoDDD(std::uint16_t code) {
    std::string digits;
    for (int shift = 12; shift >= 0 && digits.size() < 3; shift -= 4) {
        const int nibble = (code >> shift) & 0xF;
        if (nibble > 9) break;
        digits += static_cast<char>('0' + nibble);
    }
    return digits;
}

// ---- The store ---------------------------------------------------------------------------------

void StorePrefixTrie(std::span<const TPrefixRow> rows, std::string_view areaCodeText, std::uint8_t model,
                     const TImageView& header, QWidget* areaCodeField) {
    std::vector<TPrefixRow> ordered;
    for (const TPrefixRow& row : rows)
        if (std::string prefix = RemoveSpaces(row.Prefix); !prefix.empty())
            ordered.push_back({std::move(prefix), row.Access});
    std::ranges::sort(ordered, {}, &TPrefixRow::Prefix);

    TPrefixTrie trie;
    for (const TPrefixRow& row : ordered) {
        trie.InserePrefixo(row.Prefix, PrefixAccessLeaf(model, row.Access));
        if (trie.Overflow())
            FailCheck(nullptr,
                      LngText("Excesso de prefixos expandidos, será necessário reduzir alguns prefixos."));
    }
    std::uint16_t areaCode = 0;
    if (!LeCodigoDDD(areaCodeText, areaCode)) FailCheck(areaCodeField, LngText("Código DDD está incorreto."));
    header.SetU16(Offset::AreaCode, areaCode);
    trie.AjustaNosFixos();
    assert(trie.Verify());
    trie.WriteTo(header);
}
