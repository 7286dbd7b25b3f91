// The INI reader and writer: matching, values, and writes that keep every other line.

#include "TestTempFolder.h"
#include "platform/os/IniFile.h"
#include "platform/os/OsError.h"

#include <gtest/gtest.h>

namespace {

const char* const Sample = "; configuração\n"
                           "orphan=before any section\n"
                           "[Serial]\n"
                           "Port = COM2\n"
                           "\n"
                           "[Labels]\n"
                           "DTMF/MFP=DTMF/MFP traduzido\n"
                           "Número do &Ramal=Número do &Ramal\n"
                           "Habilita bilhetagem de ligações originadas (\"saintes\")=saintes\n"
                           "deve iniciar com \"2\" ou com \"3\"=inicia\n"
                           "Calendário=Calendário\n"
                           "  Tempo de comando (segundos)  =  com blancos  \n"
                           "a=b=c\n"
                           "Quoted=\"  keeps blanks  \"\n"
                           "Single='x'\n"
                           "Half=\"open\n"
                           "repeated=first\n"
                           "REPEATED=second\n"
                           "; a comment=not a key\n"
                           "no equals sign\n"
                           "\n"
                           "[labels]\n"
                           "OnlyInSecond=lost\n";

class IniFileTest : public testing::Test {
protected:
    void SetUp() override { folder.Write("test.ini", Sample); }
    TIniFile Ini() const { return TIniFile(folder.Path("test.ini")); }
    TTestTempFolder folder;
};

struct TReadCase {
    const char* section;
    const char* key;
    const char* expected;
};

class IniFileReads : public IniFileTest, public testing::WithParamInterface<TReadCase> {};

TEST_P(IniFileReads, FindTheValue) {
    EXPECT_EQ(Ini().ReadString(GetParam().section, GetParam().key, "<default>"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniFileReads,
    testing::Values(
        TReadCase{"Serial", "Port", "COM2"}, TReadCase{"SERIAL", "port", "COM2"},
        TReadCase{"Labels", "DTMF/MFP", "DTMF/MFP traduzido"},
        TReadCase{"Labels", "Número do &Ramal", "Número do &Ramal"},
        TReadCase{"Labels", "Habilita bilhetagem de ligações originadas (\"saintes\")", "saintes"},
        TReadCase{"Labels", "deve iniciar com \"2\" ou com \"3\"", "inicia"},
        TReadCase{"labels", "CALENDÁRIO", "Calendário"},
        TReadCase{"Labels", "Tempo de comando (segundos)", "com blancos"}, TReadCase{"Labels", "a", "b=c"},
        TReadCase{"Labels", "Quoted", "  keeps blanks  "}, TReadCase{"Labels", "Single", "x"},
        TReadCase{"Labels", "Half", "\"open"}, TReadCase{"Labels", "repeated", "first"},
        TReadCase{"Labels", "OnlyInSecond", "<default>"}, TReadCase{"Labels", "; a comment", "<default>"},
        TReadCase{"Labels", "no equals sign", "<default>"}, TReadCase{"", "orphan", "<default>"},
        TReadCase{"Missing", "Port", "<default>"}));

TEST_F(IniFileTest, ListsSectionsKeysAndLinesOnceAndInFileOrder) {
    const TIniFile ini = Ini();
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Serial", "Labels"}));
    const auto keys = ini.ReadSection("labels");
    EXPECT_EQ(keys.front(), "DTMF/MFP");
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "repeated") +
                  std::count(keys.begin(), keys.end(), "REPEATED"),
              1);
    const auto lines = ini.ReadSectionValues("Labels");
    EXPECT_EQ(lines.back(), "REPEATED=second");
    EXPECT_TRUE(ini.SectionExists("LABELS"));
    EXPECT_FALSE(ini.SectionExists("Default"));
    EXPECT_TRUE(ini.ValueExists("Labels", "dtmf/mfp"));
    EXPECT_FALSE(ini.ValueExists("Serial", "Baud"));
}

struct TNumberCase {
    const char* text;
    int expected;
};

class IniFileIntegers : public testing::TestWithParam<TNumberCase> {};

TEST_P(IniFileIntegers, ParseLikeTheClassLibrary) {
    TTestTempFolder folder;
    folder.Write("n.ini", std::string("[N]\nv=") + GetParam().text + "\n");
    EXPECT_EQ(TIniFile(folder.Path("n.ini")).ReadInteger("N", "v", -999), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, IniFileIntegers,
                         testing::Values(TNumberCase{"12", 12}, TNumberCase{"-3", -3}, TNumberCase{"+7", 7},
                                         TNumberCase{"$1F", 31}, TNumberCase{"0x10", 16},
                                         TNumberCase{"abc", -999}, TNumberCase{"12a", -999},
                                         TNumberCase{"", -999}, TNumberCase{"2147483648", -999},
                                         TNumberCase{"-2147483648", -2147483647 - 1}));

TEST_F(IniFileTest, BooleansAreIntegers) {
    folder.Write("b.ini", "[B]\nzero=0\none=1\ntwo=2\nword=true\n");
    const TIniFile ini(folder.Path("b.ini"));
    EXPECT_FALSE(ini.ReadBool("B", "zero", true));
    EXPECT_TRUE(ini.ReadBool("B", "one", false));
    EXPECT_TRUE(ini.ReadBool("B", "two", false));
    EXPECT_FALSE(ini.ReadBool("B", "word", false));
    EXPECT_TRUE(ini.ReadBool("B", "missing", true));
}

TEST_F(IniFileTest, WritingAKeyChangesOnlyItsLine) {
    Ini().WriteString("serial", "PORT", "/dev/ttyUSB0");
    std::string expected = Sample;
    expected.replace(expected.find("Port = COM2"), 11, "Port=/dev/ttyUSB0");
    EXPECT_EQ(folder.Read("test.ini"), expected);
}

TEST_F(IniFileTest, ANewKeyGoesAtTheEndOfItsSectionBeforeTheBlankLines) {
    Ini().WriteInteger("Serial", "Baud", 4800);
    std::string expected = Sample;
    expected.insert(expected.find("\n\n[Labels]") + 1, "Baud=4800\n");
    EXPECT_EQ(folder.Read("test.ini"), expected);
    EXPECT_EQ(Ini().ReadInteger("Serial", "Baud", 0), 4800);
}

TEST_F(IniFileTest, ANewSectionGoesAtTheEndOfTheFile) {
    Ini().WriteBool("Default", "LimiteCifras", false);
    EXPECT_EQ(folder.Read("test.ini"), std::string(Sample) + "\n[Default]\nLimiteCifras=0\n");
}

TEST_F(IniFileTest, ValuesReadBackExactlyAsWritten) {
    TIniFile ini = Ini();
    for (const char* value : {"  blanks around  ", "\"quoted\"", "'single'", "", "a=b", "ação"}) {
        ini.WriteString("Values", "v", value);
        EXPECT_EQ(Ini().ReadString("Values", "v", "<default>"), value);
    }
}

TEST_F(IniFileTest, DeletingKeepsEverythingElse) {
    Ini().DeleteKey("Labels", "a");
    EXPECT_FALSE(Ini().ValueExists("Labels", "a"));
    EXPECT_EQ(folder.Read("test.ini").size(), std::string(Sample).size() - std::string("a=b=c\n").size());
    Ini().EraseSection("Serial");
    EXPECT_FALSE(Ini().SectionExists("Serial"));
    EXPECT_EQ(Ini().ReadString("Labels", "DTMF/MFP", ""), "DTMF/MFP traduzido");
    EXPECT_EQ(Ini().ReadString("", "orphan", "gone"), "gone");
    EXPECT_NE(folder.Read("test.ini").find("orphan=before any section"), std::string::npos);
}

TEST_F(IniFileTest, KeysAndValuesThatCannotBeStoredAreRefused) {
    TIniFile ini = Ini();
    EXPECT_THROW(ini.WriteString("Labels", "a=b", "x"), EOsError);
    EXPECT_THROW(ini.WriteString("Labels", "", "x"), EOsError);
    EXPECT_THROW(ini.WriteString("Labels", ";x", "x"), EOsError);
    EXPECT_THROW(ini.WriteString("Labels", "k", "two\nlines"), EOsError);
    EXPECT_THROW(ini.WriteString("La]bels", "k", "x"), EOsError);
    EXPECT_EQ(folder.Read("test.ini"), Sample);
}

TEST(IniFileEncoding, CrlfAndBomAreKept) {
    TTestTempFolder folder;
    folder.Write("w.ini", "\xEF\xBB\xBF[A]\r\nk=v\r\n");
    TIniFile(folder.Path("w.ini")).WriteString("A", "n", "m");
    EXPECT_EQ(folder.Read("w.ini"), "\xEF\xBB\xBF[A]\r\nk=v\r\nn=m\r\n");
}

TEST(IniFileEncoding, AFileThatIsNotUtf8IsReadAsWindows1252) {
    TTestTempFolder folder;
    folder.Write("w.ini", "[Labels]\nCalend\xE1rio=Calend\xE1rio\n");
    EXPECT_EQ(TIniFile(folder.Path("w.ini")).ReadString("labels", "CALENDÁRIO", ""), "Calendário");
}

// A file other programs read as Windows-1252 stays so when one of its keys changes.
TEST(IniFileEncoding, AWindows1252FileIsWrittenBackInWindows1252) {
    TTestTempFolder folder;
    folder.Write("w.ini", "[Serial]\r\nPort=COM2\r\n[Default]\r\nObserva\xE7\xE3o=S\xE3o Paulo\r\n");
    TIniFile(folder.Path("w.ini")).WriteString("Serial", "Port", "/dev/ttyUSB0");
    EXPECT_EQ(folder.Read("w.ini"),
              "[Serial]\r\nPort=/dev/ttyUSB0\r\n[Default]\r\nObserva\xE7\xE3o=S\xE3o Paulo\r\n");
    TIniFile(folder.Path("w.ini")).WriteString("Serial", "Nome", "Jo\xC3\xA3o"); // UTF-8 "João"
    EXPECT_EQ(TIniFile(folder.Path("w.ini")).ReadString("Serial", "Nome", ""), "João");
    EXPECT_NE(folder.Read("w.ini").find("Nome=Jo\xE3o"), std::string::npos);
    // A value Windows-1252 cannot hold: the file turns UTF-8 rather than lose it.
    TIniFile(folder.Path("w.ini")).WriteString("Serial", "Nome", "\xE2\x82\xAC \xE2\x9C\x93");
    EXPECT_EQ(TIniFile(folder.Path("w.ini")).ReadString("Serial", "Nome", ""), "\xE2\x82\xAC \xE2\x9C\x93");
    EXPECT_EQ(TIniFile(folder.Path("w.ini")).ReadString("Default", "Observação", ""), "São Paulo");
}

TEST(IniFileMissing, ReadsAsEmptyAndIsCreatedByTheFirstWrite) {
    TTestTempFolder folder;
    TIniFile ini(folder.Path("new.ini"));
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_EQ(ini.ReadString("Serial", "Port", "COM2"), "COM2");
    EXPECT_FALSE(folder.Exists("new.ini"));
    ini.WriteString("Serial", "Port", "COM3");
    EXPECT_EQ(folder.Read("new.ini"), "[Serial]\nPort=COM3\n");
}

TEST(IniFileMissing, AWriteIntoAMissingFolderFailsLoudly) {
    TTestTempFolder folder;
    TIniFile ini(folder.Path("none/new.ini"));
    EXPECT_THROW(ini.WriteString("Serial", "Port", "COM3"), EOsError);
}

} // namespace
