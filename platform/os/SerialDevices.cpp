#include "platform/os/SerialDevices.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <tuple>

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 3> Kinds = {"ttyS", "ttyUSB", "ttyACM"};

struct TPort {
    std::size_t kind;
    unsigned number;
    std::string name;
    bool operator<(const TPort& other) const {
        return std::tie(kind, number) < std::tie(other.kind, other.number);
    }
};

// The kind and number of a serial-port name; false for any other tty.
bool ParseName(const std::string& name, TPort& port) {
    for (std::size_t kind = 0; kind < Kinds.size(); ++kind) {
        const std::string_view prefix = Kinds[kind];
        if (!name.starts_with(prefix) || name.size() == prefix.size()) continue;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        unsigned number = 0;
        const auto [end, error] = std::from_chars(first, last, number);
        if (error != std::errc() || end != last) continue;
        port = {kind, number, name};
        return true;
    }
    return false;
}

// An on-board UART slot without a UART: its "type" file reads 0.
bool IsEmptyUartSlot(const fs::path& entry) {
    std::ifstream type(entry / "type");
    int value = -1;
    return type >> value && value == 0;
}

bool HasHardware(const fs::path& entry, const TPort& port) {
    std::error_code error;
    if (!fs::exists(entry / "device", error)) return false;
    return Kinds[port.kind] != "ttyS" || !IsEmptyUartSlot(entry);
}

} // namespace

std::vector<std::string> ListSerialDevices(const std::string& sysClassTty) {
    std::vector<TPort> ports;
    std::error_code error;
    for (fs::directory_iterator it(sysClassTty, error), end; !error && it != end; it.increment(error)) {
        TPort port;
        if (ParseName(it->path().filename().string(), port) && HasHardware(it->path(), port))
            ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end());
    std::vector<std::string> devices;
    for (const TPort& port : ports) devices.push_back("/dev/" + port.name);
    return devices;
}
