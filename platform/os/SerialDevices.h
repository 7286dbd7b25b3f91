#pragma once
// The serial ports of the machine, as the kernel reports them in sysfs.
//
// Every entry /sys/class/tty/<name> whose name is ttyS<n>, ttyUSB<n> or ttyACM<n> and that has a
// "device" entry (a port with hardware behind it) is a serial port. The kernel keeps entries for
// every possible on-board UART; one whose "type" file reads 0 has no UART and is left out.
// The ports are named by their device file, "/dev/<name>", ordered by kind (ttyS, ttyUSB,
// ttyACM) and then by number (ttyS2 before ttyS10).

#include <string>
#include <vector>

inline constexpr char SysClassTty[] = "/sys/class/tty";

// The serial ports under the given sysfs folder; none when the folder cannot be read.
std::vector<std::string> ListSerialDevices(const std::string& sysClassTty = SysClassTty);
