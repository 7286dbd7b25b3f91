#include "db/engine/DataFileHeader.h"

#include <bit>
#include <ctime>

namespace vorsam {

double TDataFileHeader::LastWriteTime() const {
    return std::bit_cast<double>(LoadLE64(&Bytes[27]));
}

void TDataFileHeader::SetLastWriteTime(double v) {
    StoreLE64(&Bytes[27], std::bit_cast<uint64_t>(v));
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
