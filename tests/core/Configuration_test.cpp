// "CENTRPRG.INI" in the program folder.

#include "ProgrammingFixture.h"
#include "core/Configuration.h"
#include "platform/os/FileIo.h"

namespace {

class ConfigurationTest : public ProgrammingFixture {};

// A missing file and the shipped sample give the same values.
TEST_F(ConfigurationTest, AMissingFileAndTheShippedSampleGiveTheDefaults) {
    for (const bool shipped : {false, true}) {
        if (shipped)
            folder.Write(ConfigFileName,
                         ReadWholeFile(std::string(CENTRPRG_SOURCE_DIR) + "/resources/CENTRPRG.INI").value());
        EXPECT_EQ(ConfigSerialPort(), "COM2");
        EXPECT_EQ(ConfigFlashTime(), "2");
        EXPECT_EQ(ConfigCommandTime(), "1");
        EXPECT_TRUE(ConfigDigitLimit());
        EXPECT_EQ(folder.Exists(ConfigFileName), shipped); // reading never creates the file
    }
}

TEST_F(ConfigurationTest, TheValuesOfTheFileAreRead) {
    folder.Write(ConfigFileName,
                 "[default]\ntempogeraflash=3\nTempoComando=4\nLimiteCifras=0\n[SERIAL]\nport=/dev/ttyS1\n");
    EXPECT_EQ(ConfigSerialPort(), "/dev/ttyS1");
    EXPECT_EQ(ConfigFlashTime(), "3");
    EXPECT_EQ(ConfigCommandTime(), "4");
    EXPECT_FALSE(ConfigDigitLimit());
}

TEST_F(ConfigurationTest, SavingThePortKeepsEveryOtherLine) {
    const std::string shipped =
        ReadWholeFile(std::string(CENTRPRG_SOURCE_DIR) + "/resources/CENTRPRG.INI").value();
    folder.Write(ConfigFileName, shipped);
    SaveConfigSerialPort("/dev/ttyUSB0");
    std::string expected = shipped;
    expected.replace(expected.find("Port=COM2"), 9, "Port=/dev/ttyUSB0");
    EXPECT_EQ(folder.Read(ConfigFileName), expected);
    EXPECT_EQ(ConfigSerialPort(), "/dev/ttyUSB0");
}

} // namespace
