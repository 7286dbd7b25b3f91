#include "core/Configuration.h"

#include "core/ProgramFolder.h"
#include "platform/os/IniFile.h"

namespace {

constexpr char SerialSection[] = "Serial";
constexpr char DefaultSection[] = "Default";

TIniFile ConfigFile() {
    return TIniFile(ProgramFilePath(ConfigFileName));
}

} // namespace

std::string ConfigSerialPort() {
    return ConfigFile().ReadString(SerialSection, "Port", DefaultSerialPort);
}

void SaveConfigSerialPort(const std::string& port) {
    ConfigFile().WriteString(SerialSection, "Port", port);
}

std::string ConfigFlashTime() {
    return ConfigFile().ReadString(DefaultSection, "TempoGeraFlash", DefaultFlashTime);
}

std::string ConfigCommandTime() {
    return ConfigFile().ReadString(DefaultSection, "TempoComando", DefaultCommandTime);
}

bool ConfigDigitLimit() {
    return ConfigFile().ReadBool(DefaultSection, "LimiteCifras", DefaultDigitLimit);
}
