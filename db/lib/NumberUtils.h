// Small numeric helpers shared by the table files, the expression evaluator and the SQL engine:
// the smaller or larger of two values of each engine width, boolean normalisation and checked negation.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vorsam {

constexpr int32_t MinInteger(int32_t a, int32_t b) {
    return std::min(a, b);
}
constexpr int32_t MaxInteger(int32_t a, int32_t b) {
    return std::max(a, b);
}
constexpr int16_t MinSmallInt(int16_t a, int16_t b) {
    return std::min(a, b);
}
constexpr int16_t MaxSmallInt(int16_t a, int16_t b) {
    return std::max(a, b);
}
constexpr uint16_t MinWord(uint16_t a, uint16_t b) {
    return std::min(a, b);
}
constexpr uint16_t MaxWord(uint16_t a, uint16_t b) {
    return std::max(a, b);
}
constexpr int64_t MinLargeInt(int64_t a, int64_t b) {
    return std::min(a, b);
}
constexpr int64_t MaxLargeInt(int64_t a, int64_t b) {
    return std::max(a, b);
}
constexpr double MinFloat(double a, double b) {
    return std::min(a, b);
}
constexpr double MaxFloat(double a, double b) {
    return std::max(a, b);
}

// A stored boolean: 0 and 1 stay, every other value becomes 1.
constexpr int16_t NormalizeBoolean(int16_t value) {
    return value == 0 ? 0 : 1;
}

// -value; the one value without a negation (-2,147,483,648) raises VORSAM_OUTOFRANGE.
int32_t NegateInteger(int32_t value);

} // namespace vorsam
