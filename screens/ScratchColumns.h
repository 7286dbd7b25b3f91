#pragma once
// How the scratch tables are described (ScratchRows.h): one column per field, its name, its size
// and the text of an item, so that the fields and the texts of a record cannot fall out of step.

#include "screens/ScratchRows.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

template <class TItem> struct TScratchColumn {
    std::string Name;
    int Size;
    std::function<std::string(const TItem&)> Text;
};

template <class TItem> using TScratchColumns = std::vector<TScratchColumn<TItem>>;

// The table of the columns with one record per item, in the items' order.
template <class TItem>
TScratchTable Tabulate(const TScratchColumns<TItem>& columns, const std::vector<TItem>& items) {
    TScratchTable table;
    for (const auto& column : columns) table.Fields.push_back({column.Name, column.Size});
    for (const TItem& item : items) {
        TScratchRow& row = table.Rows.emplace_back();
        for (const auto& column : columns) row.push_back(column.Text(item));
    }
    return table;
}

// "1" when the bit of the byte is set, else "0".
inline std::string BitText(std::uint8_t byte, int bit) {
    return (byte >> bit & 1) != 0 ? "1" : "0";
}

// A column of the decimal text of the byte an item gives, with room for every byte: a value no list
// of the screen offers is shown and written back as it is, never cut to another number.
template <class TItem, class TByte> TScratchColumn<TItem> ByteColumn(std::string name, TByte byteOf) {
    return {std::move(name), 3, [byteOf](const TItem& item) { return std::to_string(byteOf(item)); }};
}

// A column of one character: the bit of the byte an item gives.
template <class TItem, class TByte> TScratchColumn<TItem> BitColumn(std::string name, int bit, TByte byteOf) {
    return {std::move(name), 1, [bit, byteOf](const TItem& item) { return BitText(byteOf(item), bit); }};
}

// Columns prefix<first>, prefix<first + 1>, ...: the bits of the byte an item gives, in order.
template <class TItem, class TByte>
void AddBitColumns(TScratchColumns<TItem>& columns, const std::string& prefix, int first,
                   std::initializer_list<int> bits, TByte byteOf) {
    int number = first;
    for (int bit : bits) columns.push_back(BitColumn<TItem>(prefix + std::to_string(number++), bit, byteOf));
}
