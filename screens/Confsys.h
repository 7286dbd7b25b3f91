#pragma once
// The serial port setting: LoadSerialPortSetting, which the main window calls when it is shown,
// and TFormConfSys, "Configuração do sistema", where the user picks another port.
//
// The chosen port is kept in "CENTRPRG.INI", [Serial] Port (default "COM2"), by its full device
// name ("/dev/ttyUSB0"); names are never cut. The ports offered are the serial devices the
// system reports when the main window is shown (platform/os/SerialDevices.h). No section flag is
// touched.

#include "platform/os/SerialDevices.h"
#include "screens/ScreenConventions.h"

#include <cstdint>
#include <string>
#include <vector>

extern std::string SerialPortName;              // the chosen port
extern std::vector<std::string> SerialPortList; // the ports found by LoadSerialPortSetting
extern std::uint16_t TimerAtrasoInterval;       // ms, the transfer's delay timer

// Reads the saved port, lists the system's serial ports (under sysClassTty) and sets
// TimerAtrasoInterval to 100. A missing file or key gives "COM2"; an unreadable configuration
// file raises EOsError.
void LoadSerialPortSetting(const std::string& sysClassTty = SysClassTty);

class QComboBox;
class QLabel;

class TFormConfSys : public TScreenForm {
    Q_OBJECT
public:
    explicit TFormConfSys(QWidget* parent = nullptr);

    // Offers SerialPortList and selects SerialPortName; a saved port the system does not report
    // is shown greyed in the empty list.
    void FormShow() override;
    // Saves the selected port; with nothing selected the saved port stays.
    void OkButtonClick();
    void CancButtonClick();

    QLabel* const Label1;
    QComboBox* const ComboBox1;
};
