#include "db/engine/DataFileHeader.h"

#include <bit>
#include <chrono>
#include <ctime>

namespace vorsam {

double TDataFileHeader::LastWriteTime() const {
    return std::bit_cast<double>(LoadLE64(&Bytes[27]));
}

void TDataFileHeader::SetLastWriteTime(double v) {
    StoreLE64(&Bytes[27], std::bit_cast<uint64_t>(v));
}

double HeaderTimeNow() {
    // Days since 1899-12-30 of the local time; 1970-01-01 is day 25,569 of that count. The time keeps its
    // microseconds: two headers written apart never carry the same time (CommitJournal.h tells a
    // table's marked header from one of a table made again by it).
    constexpr double UnixEpochDay = 25569.0;
    constexpr double Offset = 693594.0;
    auto since = std::chrono::system_clock::now().time_since_epoch();
    std::time_t now = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    // The local time's offset, worked out once per second: it changes only from one second to another.
    thread_local std::time_t offsetAt = -1;
    thread_local long offset = 0;
    if (now != offsetAt) {
        std::tm local{};
        localtime_r(&now, &local);
        offset = local.tm_gmtoff;
        offsetAt = now;
    }
    double micros = double(std::chrono::duration_cast<std::chrono::microseconds>(since).count() % 1000000);
    double localSeconds = double(now) + double(offset) + micros / 1e6;
    return UnixEpochDay + localSeconds / 86400.0 - Offset;
}

} // namespace vorsam
