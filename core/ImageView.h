#pragma once
// TImageView: bounds-checked access to a range of a programming image by file offset. An access
// outside the range raises std::out_of_range: a wrong offset never reads or writes beside the
// programming.

#include "core/ImageLayout.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class TImageView {
public:
    // Views bytes[0 .. end) of the buffer, allowing offsets begin .. end - 1.
    constexpr TImageView(std::uint8_t* bytes, std::size_t begin, std::size_t end)
        : bytes_(bytes), begin_(begin), end_(end) {}

    std::uint8_t& operator[](std::size_t offset) const { return bytes_[Check(offset, 1)]; }

    std::size_t Begin() const { return begin_; }
    std::size_t End() const { return end_; }

    std::span<std::uint8_t> Span(std::size_t offset, std::size_t length) const {
        return {bytes_ + Check(offset, length), length};
    }
    void Fill(std::size_t offset, std::size_t length, std::uint8_t value) const;

    std::uint16_t U16(std::size_t offset) const; // little-endian
    void SetU16(std::size_t offset, std::uint16_t value) const;

    PackedNumber Packed(std::size_t offset) const;
    void SetPacked(std::size_t offset, const PackedNumber& number) const;

    // A name entry: a length byte and up to 20 Windows-1252 bytes. The length is capped at 20.
    std::string ShortString(std::size_t offset) const;
    // Stores at most 20 bytes (the rest is cut) and zeroes the unused characters.
    void SetShortString(std::size_t offset, std::string_view cp1252) const;

private:
    std::size_t Check(std::size_t offset, std::size_t length) const;

    std::uint8_t* bytes_;
    std::size_t begin_, end_;
};
