#include "screens/PrefixWalk.h"

#include <algorithm>

using namespace PrefixTrie;

namespace {

class TPrefixWalk {
public:
    TPrefixWalk(const TImageView& header, std::uint8_t model)
        : trie_(TPrefixTrie::ReadFrom(header)), model_(model) {}

    std::vector<TPrefixRow> Run() {
        FoldFixedNodes();
        for (int first = 0; first < 10; ++first) {
            const std::string digit(1, static_cast<char>('0' + first));
            const std::uint8_t entry = trie_.FirstLevel(10 * first);
            if (!IsReference(entry) && AllEqual(10 * first + 1, entry & 0xFE)) {
                Add(digit, entry);
                continue;
            }
            for (int second = 0; second < 10; ++second)
                Visit(digit + static_cast<char>('0' + second), trie_.FirstLevel(10 * first + second));
        }
        return std::move(rows_);
    }

private:
    bool AllEqual(int firstLevelIndex, std::uint8_t value) const {
        for (int i = firstLevelIndex; i < firstLevelIndex + 9; ++i)
            if (trie_.FirstLevel(i) != value) return false;
        return true;
    }
    // Entries 1..9 of a node all equal the leaf value.
    bool RestOfNodeIs(int node, std::uint8_t value) const {
        for (int digit = 1; digit < 10; ++digit)
            if (trie_.Entry(node, digit) != value) return false;
        return true;
    }
    // Entry 0 of the node is a leaf and the other nine are its class.
    bool FoldsToLeaf(int node, std::uint8_t& leaf) const {
        const std::uint8_t entry0 = trie_.Entry(node, 0);
        leaf = entry0 & 0x7E;
        return !IsReference(entry0) && RestOfNodeIs(node, leaf);
    }

    void FoldFixedNodes() {
        std::uint8_t leaf = 0;
        if (trie_.FirstLevel(8) == Node08 && trie_.Entry(Node08, 0) == Node080 &&
            FoldsToLeaf(Node080, leaf)) {
            trie_.Entry(Node08, 0) = leaf;
            if (RestOfNodeIs(Node08, leaf)) trie_.FirstLevel(8) = leaf;
        }
        if (trie_.FirstLevel(0) == Node00 && FoldsToLeaf(Node00, leaf)) trie_.FirstLevel(0) = leaf;
    }

    void Visit(const std::string& prefix, std::uint8_t entry) {
        if (!IsReference(entry)) return Add(prefix, entry);
        const bool walkable =
            IsNodeReference(entry) && prefix.size() < MaxPrefixDigits && !walked_[entry - FirstNode];
        if (!walkable) return Add(prefix, entry);
        walked_[entry - FirstNode] = true;
        for (int digit = 0; digit < 10; ++digit)
            Visit(prefix + static_cast<char>('0' + digit), trie_.Entry(entry, digit));
    }

    void Add(const std::string& prefix, std::uint8_t leaf) {
        rows_.push_back({prefix, PrefixAccessCode(model_, leaf)});
    }

    TPrefixTrie trie_;
    std::uint8_t model_;
    std::array<bool, NodeCount> walked_{};
    std::vector<TPrefixRow> rows_;
};

} // namespace

std::vector<TPrefixRow> PrefixTableRows(const TImageView& header, std::uint8_t model) {
    return TPrefixWalk(header, model).Run();
}
