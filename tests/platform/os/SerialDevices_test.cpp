// The serial ports found in a sysfs tree laid out in a temporary folder.

#include "platform/os/SerialDevices.h"
#include "platform/os/TestTempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class SerialDevicesTest : public testing::Test {
protected:
    // A tty entry; with hardware it gets a "device" entry, and a "type" file when type is given.
    void Tty(const std::string& name, bool hardware, const char* type = nullptr) {
        std::filesystem::create_directories(folder.Path(name));
        if (hardware) std::filesystem::create_directories(folder.Path(name + "/device"));
        if (type) folder.Write(name + "/type", type);
    }
    TTestTempFolder folder;
};

TEST_F(SerialDevicesTest, ListsPortsWithHardwareByKindAndNumber) {
    Tty("ttyS10", true, "4\n");
    Tty("ttyS2", true, "4\n");
    Tty("ttyUSB0", true);
    Tty("ttyACM1", true);
    Tty("ttyS1", true, "0\n"); // a UART slot without a UART
    Tty("ttyS3", false);       // no device behind it
    Tty("tty0", true);         // a console, not a serial port
    Tty("ttyUSBx", true);
    Tty("ptmx", false);
    EXPECT_EQ(ListSerialDevices(folder.Path()),
              (std::vector<std::string>{"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyACM1"}));
}

TEST_F(SerialDevicesTest, AMissingFolderGivesNoPorts) {
    EXPECT_TRUE(ListSerialDevices(folder.Path("absent")).empty());
}

} // namespace
