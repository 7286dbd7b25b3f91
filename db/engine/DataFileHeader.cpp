#include "db/engine/DataFileHeader.h"

#include <algorithm>
#include <bit>
#include <ctime>

namespace vorsam {

double TDataFileHeader::LastWriteTime() const {
    return std::bit_cast<double>(LoadLE64(&Bytes[27]));
}

void TDataFileHeader::SetLastWriteTime(double v) {
    StoreLE64(&Bytes[27], std::bit_cast<uint64_t>(v));
}

std::string TDataFileHeader::Text(size_t at, size_t maxLength) const {
    return std::string(reinterpret_cast<const char*>(&Bytes[at + 1]), std::min<size_t>(Bytes[at], maxLength));
}

void TDataFileHeader::SetText(size_t at, size_t maxLength, std::string_view v) {
    size_t n = std::min(v.size(), maxLength);
    std::fill_n(&Bytes[at], maxLength + 1, uint8_t(0));
    Bytes[at] = uint8_t(n);
    std::copy_n(v.data(), n, &Bytes[at + 1]);
}

double HeaderTimeNow() {
    // Days since 1899-12-30 of the local time; 1970-01-01 is day 25,569 of that count.
    constexpr double UnixEpochDay = 25569.0;
    constexpr double Offset = 693594.0;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    double localSeconds = double(now) + double(local.tm_gmtoff);
    return UnixEpochDay + localSeconds / 86400.0 - Offset;
}

} // namespace vorsam
