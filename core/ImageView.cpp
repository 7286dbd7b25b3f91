#include "core/ImageView.h"

#include <algorithm>
#include <stdexcept>

std::size_t TImageView::Check(std::size_t offset, std::size_t length) const {
    if (offset < begin_ || offset > end_ || length > end_ - offset)
        throw std::out_of_range("Programming offset " + std::to_string(offset) + " (+" +
                                std::to_string(length) + ") outside " + std::to_string(begin_) + ".." +
                                std::to_string(end_ - 1));
    return offset;
}

void TImageView::Fill(std::size_t offset, std::size_t length, std::uint8_t value) const {
    std::ranges::fill(Span(offset, length), value);
}

std::uint16_t TImageView::U16(std::size_t offset) const {
    const auto bytes = Span(offset, 2);
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

void TImageView::SetU16(std::size_t offset, std::uint16_t value) const {
    const auto bytes = Span(offset, 2);
    bytes[0] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

PackedNumber TImageView::Packed(std::size_t offset) const {
    PackedNumber number{};
    std::ranges::copy(Span(offset, number.size()), number.begin());
    return number;
}

void TImageView::SetPacked(std::size_t offset, const PackedNumber& number) const {
    std::ranges::copy(number, Span(offset, number.size()).begin());
}

std::string TImageView::ShortString(std::size_t offset) const {
    const auto entry = Span(offset, NameEntrySize);
    const std::size_t length = std::min<std::size_t>(entry[0], NameLength);
    return std::string(reinterpret_cast<const char*>(entry.data() + 1), length);
}

void TImageView::SetShortString(std::size_t offset, std::string_view cp1252) const {
    const auto entry = Span(offset, NameEntrySize);
    const std::size_t length = std::min(cp1252.size(), NameLength);
    entry[0] = static_cast<std::uint8_t>(length);
    std::fill(entry.begin() + 1, entry.end(), 0);
    std::copy_n(cp1252.begin(), length, entry.begin() + 1);
}
