// The serial port setting: the saved port, the system's ports, and saving the choice.

#include "ScreenFixture.h"
#include "screens/Confsys.h"

#include <QComboBox>
#include <filesystem>

namespace {

class ConfSysTest : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        for (const char* name : {"ttyS0", "ttyUSB0", "ttyS1"}) // ttyS1 has no UART behind it
            std::filesystem::create_directories(sysfs.Path(std::string(name) + "/device"));
        sysfs.Write("ttyS0/type", "4\n");
        sysfs.Write("ttyS1/type", "0\n");
    }
    void Open() {
        LoadSerialPortSetting(sysfs.Path());
        screen.show();
    }
    TTestTempFolder sysfs;
    TFormConfSys screen;
};

TEST_F(ConfSysTest, WithoutAConfigurationFileTheSavedPortIsCom2AndNothingIsSelected) {
    TimerAtrasoInterval = 0;
    Open();
    EXPECT_EQ(SerialPortName, "COM2");
    EXPECT_EQ(TimerAtrasoInterval, 100);
    EXPECT_EQ(SerialPortList, (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB0"}));
    ASSERT_EQ(screen.ComboBox1->count(), 2);
    EXPECT_EQ(screen.ComboBox1->currentIndex(), -1);
    EXPECT_EQ(screen.ComboBox1->placeholderText(), "COM2"); // shown in the empty list
    screen.CancButtonClick();
    EXPECT_FALSE(folder.Exists("CENTRPRG.INI"));
}

TEST_F(ConfSysTest, TheChosenFullNameIsSavedAndTheOtherLinesKept) {
    const std::string config =
        "; porta\n[Serial]\nPort=/dev/ttyS0\nVelocidade=4800\n[Default]\nTempoComando=3\n";
    folder.Write("CENTRPRG.INI", config);
    Open();
    EXPECT_EQ(screen.ComboBox1->currentText(), "/dev/ttyS0");
    screen.ComboBox1->setCurrentIndex(1);
    const auto before = TProgrammingState::Now();
    screen.OkButtonClick();
    EXPECT_EQ(SerialPortName, "/dev/ttyUSB0");
    EXPECT_EQ(folder.Read("CENTRPRG.INI"),
              "; porta\n[Serial]\nPort=/dev/ttyUSB0\nVelocidade=4800\n[Default]\nTempoComando=3\n");
    EXPECT_EQ(TProgrammingState::Now(), before);
    EXPECT_EQ(screen.result(), QDialog::Accepted);
}

TEST_F(ConfSysTest, OkWithNothingSelectedKeepsTheSavedPort) {
    folder.Write("CENTRPRG.INI", "[Serial]\nPort=/dev/ttyUSB7\n");
    Open();
    EXPECT_EQ(screen.ComboBox1->currentIndex(), -1); // a port the system no longer reports
    screen.OkButtonClick();
    EXPECT_EQ(SerialPortName, "/dev/ttyUSB7");
    EXPECT_EQ(folder.Read("CENTRPRG.INI"), "[Serial]\nPort=/dev/ttyUSB7\n");
}

} // namespace
