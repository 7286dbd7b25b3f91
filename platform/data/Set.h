#pragma once
// A small set of enumeration values, as the dataset framework's options and modes use them.

#include <cstdint>
#include <initializer_list>

namespace platform::data {

template <class E> class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E item : items) Include(item);
    }
    constexpr bool Contains(E item) const { return (fBits & Bit(item)) != 0; }
    constexpr TSet& Include(E item) {
        fBits |= Bit(item);
        return *this;
    }
    constexpr TSet& Exclude(E item) {
        fBits &= ~Bit(item);
        return *this;
    }
    constexpr bool Empty() const { return fBits == 0; }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr std::uint64_t Bit(E item) { return std::uint64_t{1} << static_cast<unsigned>(item); }
    std::uint64_t fBits = 0;
};

} // namespace platform::data
