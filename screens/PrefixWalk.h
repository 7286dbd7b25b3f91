#pragma once
// The rows of the prefix table (scratch table code 7: PREFIXOS, TLIBERA) from the prefix trie
// stored in the header (format: PrefixTrie.h); the builder of the prefix screen's table appends
// them in this order. The programming is not changed.
//
// The walk, on a working copy of the trie:
//  1. The fixed sub-trees fold back: when the leaves of "0800" and of "0801".."0809" are one
//     class, "080" becomes that leaf; when "080".."089" then are, "08" becomes it; when the
//     leaves of "000".."009" are one class, "00" becomes it. Only the stored shape folds ("08"
//     referring to node 128, its entry 0 to node 129; "00" to node 130): a leaf "08" or "00"
//     is read as it is.
//  2. A first digit whose ten first-level entries are one leaf gives a one-digit prefix;
//     otherwise each two-digit start gives its leaf, or the prefixes of its node, depth first in
//     ascending digit order.
//  3. A damaged trie never makes the walk loop or go beyond the 7 digits the screen accepts: a
//     reference at the seventh digit, to a node the trie does not have, or to a node already
//     walked gives one prefix, read as a leaf. So the rows always divide the number space and
//     fit PREFIXOS (8 characters) without two of them colliding.
// TLIBERA is the code of the leaf in the model's code list (PrefixAccessCode); bit 0 of the
// fixed prefixes and the unprogrammed value 2 read as local.

#include "screens/PrefixTrie.h"

std::vector<TPrefixRow> PrefixTableRows(const TImageView& header, std::uint8_t model);
