// The scratch table TEMPORAR.DAT as the builders leave it in the program folder, read back through
// a table component of its own.

#include "core/ProgramFolderUse.h"
#include "core/ProgrammingFixture.h"
#include "core/TempTable.h"
#include "db/components/VORSAMTable.h"
#include "screens/ScratchTables.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

using namespace Offset;
using namespace platform::data;
using TRecord = std::map<std::string, std::string>;

// "NAME:size" items, "NAME1-7:1" for a numbered run; size 0 is the integer key.
std::vector<std::pair<std::string, int>> Layout(const std::string& items) {
    std::vector<std::pair<std::string, int>> fields;
    std::istringstream words(items);
    for (std::string word; words >> word;) {
        const auto colon = word.find(':'), dash = word.find('-');
        const int size = std::stoi(word.substr(colon + 1));
        if (dash == std::string::npos) {
            fields.emplace_back(word.substr(0, colon), size);
            continue;
        }
        const std::string stem = word.substr(0, dash - 1);
        for (char n = word[dash - 1]; n <= word[dash + 1]; ++n) fields.emplace_back(stem + n, size);
    }
    return fields;
}

class ScratchTables : public ProgrammingFixture {
protected:
    void SetUp() override {
        ProgrammingFixture::SetUp();
        UseDefaultProgramming(11); // 15 extensions numbered 20.., 4 trunks
    }

    // The table in the program folder, opened on its index by a component of its own.
    struct TReader {
        vorsam::TVORSAMTable table;
        explicit TReader(const std::string& folder) {
            table.SetDatabaseName(folder);
            table.SetTableName(TempTableName);
            table.SetIndexName("TEMPORAR");
            table.Open();
        }
        ~TReader() { table.Close(); }
    };

    std::vector<TRecord> Records() {
        TReader reader(folder.Path());
        std::vector<TRecord> records;
        for (reader.table.First(); !reader.table.Eof(); reader.table.Next()) {
            TRecord& record = records.emplace_back();
            for (int i = 0; i < reader.table.FieldCount(); ++i) {
                const TField& field = reader.table.Fields()[i];
                record[field.FieldName()] = field.AsString();
            }
        }
        return records;
    }
    std::vector<std::string> Column(const std::string& name) {
        std::vector<std::string> texts;
        for (TRecord& record : Records()) texts.push_back(record[name]);
        return texts;
    }
    TRecord Only(int code, int which = AllTempTableItems) {
        BuildTempTable(code, which);
        const std::vector<TRecord> records = Records();
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? TRecord{} : records.front();
    }
    // The file bytes of the table.
    std::string Files() const {
        std::string bytes;
        for (const char* name : TempTableFiles) bytes += folder.Exists(name) ? folder.Read(name) : "-";
        return bytes;
    }
};

using Strings = std::vector<std::string>;

struct TLayoutCase {
    int code;
    const char* fields;
};

TEST_F(ScratchTables, EachCodeCreatesItsFieldsInOrderWithTheUniqueKeyIndex) {
    const TLayoutCase cases[] = {
        {1, "RAMAL:0 CATD1-7:1 ROTD0-7:1 FACD1-7:1 CATN1-7:1 ROTN0-7:1 FACN1-7:1 CAR1-4:1 SRotaD:1 SRotaN:1"},
        {2, "VIA:2 LIMCIFRAS:1 ACESSAIU:1 DDCNOT:1 DDCDIU:1 ATENDDIG:1 RECHAMADA:1 APOSTTD:1 BINA:1 DETFAX:1 "
            "RTSAIDA:1 RTENTRA:1 RTBLOQ:1 TIPOVIA:2 TOM425:1 CIFRAS:1 ATENDPRIN:4 TRANSBORDO:4 ATENDNOT:4 "
            "TMPTRANS:3 TMPTOMDIS:3 TMPINIBIL:3 NROTA:1 DATDAUTO:1 NTOQUES:1 TRANSBN:1 ATDCORR:1 DTMFFSK:1"},
        {4, "RAMAL:0 SENHAPROG:1 NAOPERTURB:1 CADEADO:1 SIGAME:1 HOTLINE:1 RAMALTI:1"},
        {5, "GRUPO:1 NUMTOQUES:3 TIPOGRUPO:1 RAMAL01-7:5"},
        {6, "GRUPO:1 CHEFE01:5 CHEFE02:5 SECRE01:5 SECRE02:5"},
        {7, "PREFIXOS:8 TLIBERA:1"},
        {8, "RAMAL:0 THOTLIN:20 HOTLINE:5 DESVOCUP:7 DESVNATD:7 SIGAME:7 NTNAOATD:3 TMPFLASH:3 TMPRECTRO:2 "
            "TMPRECRAM:2 TMPRECRET:3"},
    };
    for (const TLayoutCase& c : cases) {
        BuildTempTable(c.code, AllTempTableItems);
        TReader reader(folder.Path());
        std::vector<std::pair<std::string, int>> fields;
        for (int i = 0; i < reader.table.FieldDefs().Count(); ++i) {
            const TFieldDef& def = reader.table.FieldDefs()[i];
            EXPECT_EQ(def.DataType, def.Size == 0 ? ftInteger : ftString) << def.Name;
            EXPECT_FALSE(def.Required) << def.Name;
            fields.emplace_back(def.Name, def.Size);
        }
        EXPECT_EQ(fields, Layout(c.fields)) << "code " << c.code;
        reader.table.IndexDefs().Update();
        ASSERT_EQ(reader.table.IndexDefs().Count(), 1) << "code " << c.code;
        const TIndexDef& index = reader.table.IndexDefs()[0];
        EXPECT_EQ(index.Name, "TEMPORAR");
        EXPECT_EQ(index.Fields, fields.front().first);
        EXPECT_TRUE(index.Options.Contains(ixUnique));
        EXPECT_FALSE(index.Options.Contains(ixPrimary));
    }
}

TEST_F(ScratchTables, CodesZeroThreeAndAboveEightLeaveTheTableAsItIs) {
    BuildTempTable(0, AllTempTableItems);
    EXPECT_EQ(folder.EntryCount(), 0);
    BuildTempTable(5, AllTempTableItems);
    const std::string before = Files();
    for (int code : {0, 3, 9, 255}) BuildTempTable(code, 1);
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(Column("GRUPO"), (Strings{"1", "2", "3", "4"}));
}

TEST_F(ScratchTables, APositionNumbered68HasNoExtensionRecordEvenWhenNamed) {
    ProgrammingImage.SetU16(ExtensionNumbers + 2 * 2, 68);
    ProgrammingImage.SetU16(ExtensionNumbers + 2 * 5, 3005); // walked in number order
    for (int code : {1, 4, 8}) {
        BuildTempTable(code, AllTempTableItems);
        EXPECT_EQ(Column("RAMAL"), (Strings{"20", "21", "23", "24", "26", "27", "28", "29", "30", "31", "32",
                                            "33", "34", "3005"}))
            << "code " << code;
        BuildTempTable(code, 3);
        EXPECT_EQ(Records().size(), code == 1 ? 0u : 14u) << "code " << code;
    }
    EXPECT_EQ(Only(1, 6)["RAMAL"], "3005");
}

TEST_F(ScratchTables, SubRouteZeroAnd238) {
    ProgrammingHeader[DaySubRoutes + 0] = 0;
    ProgrammingHeader[DaySubRoutes + 1] = NoSubRoute;
    ProgrammingHeader[DaySubRoutes + 2] = 2;
    BuildTempTable(1, AllTempTableItems);
    const std::vector<TRecord> records = Records();
    const auto blankOrEmpty = testing::AnyOf(" ", ""); // the engine may drop trailing blanks
    EXPECT_EQ(records[0].at("ROTD0"), "1");
    EXPECT_THAT(records[0].at("SRotaD"), blankOrEmpty);
    EXPECT_EQ(records[1].at("ROTD0"), "0");
    EXPECT_THAT(records[1].at("SRotaD"), blankOrEmpty);
    EXPECT_EQ(records[2].at("ROTD0") + records[2].at("SRotaD"), "02");
}

TEST_F(ScratchTables, TrunkNumbersDigitCountsAndAttendants) {
    const std::size_t trunk1 = TrunkRecords;
    ProgrammingHeader[trunk1] = 0b1111'1000; // no digit-count bit
    ProgrammingHeader[trunk1 + 1] = GroupCode(1);
    ProgrammingHeader[trunk1 + 2] = NoExtension;
    ProgrammingHeader[trunk1 + 3] = AccessCode60;
    ProgrammingImage[Groups] = EmptyGroupType;
    BuildTempTable(2, AllTempTableItems);
    EXPECT_EQ(Column("VIA"), (Strings{"01", "02", "03", "04"}));
    const TRecord trunk = Only(2, 1);
    EXPECT_EQ(trunk.at("VIA"), "01");
    EXPECT_EQ(trunk.at("CIFRAS"), "7");
    EXPECT_EQ(trunk.at("ATENDPRIN"), "");
    EXPECT_THAT(trunk.at("TRANSBORDO"), testing::AnyOf("    ", ""));
    EXPECT_EQ(trunk.at("ATENDNOT"), "60");
}

TEST_F(ScratchTables, GroupMembersBeyondTheModelAreEmpty) {
    const std::uint8_t members[7] = {0, 14, 15, 19, NoExtension, 2, 0x71};
    std::ranges::copy(members, &ProgrammingImage[Groups + 1]);
    BuildTempTable(5, AllTempTableItems);
    const TRecord group = Records().front();
    Strings texts;
    for (char n = '1'; n <= '7'; ++n) texts.push_back(group.at(std::string("RAMAL0") + n));
    EXPECT_EQ(texts, (Strings{"20", "34", "", "", "", "22", ""}));
}

TEST_F(ScratchTables, BossSecretaryCodesFollowTheGroupsInOrder) {
    for (std::size_t k = 0; k < 8; ++k) {
        ProgrammingHeader[Bosses + k] = static_cast<std::uint8_t>(k);
        ProgrammingHeader[Secretaries + k] = static_cast<std::uint8_t>(8 + k);
    }
    ProgrammingHeader[Bosses + 7] = NoExtension;
    BossSecretaryCodes.fill(0xEE);
    BuildTempTable(6, AllTempTableItems);
    EXPECT_EQ(BossSecretaryCodes,
              (std::array<std::uint8_t, 16>{0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, NoExtension, 14, 15}));
    const TRecord group4 = Records().back();
    EXPECT_EQ(group4.at("CHEFE01") + "|" + group4.at("CHEFE02") + "|" + group4.at("SECRE01") + "|" +
                  group4.at("SECRE02"),
              "26||34|");
}

TEST_F(ScratchTables, FilesACrashLeftDoNotStopTheBuild) {
    folder.Write("TEMPORAR.DAT", "not a table");
    folder.Write("outside", "a user's file"); // a link in a name's place goes, not what it leads to
    std::filesystem::create_symlink(folder.Path("outside"), folder.Path("TEMPORAR.IDX"));
    folder.Write("TEMPORAR.BLB", "left by a crash");
    BuildTempTable(4, AllTempTableItems);
    EXPECT_EQ(Records().size(), 15u);
    EXPECT_FALSE(folder.Exists("TEMPORAR.BLB"));
    EXPECT_EQ(folder.Read("outside"), "a user's file");
}

TEST_F(ScratchTables, DeletingTheScratchTableRemovesItsThreeFilesOnly) {
    for (const char* name : {"TEMPORAR.DAT", "TEMPORAR.IDX", "TEMPORAR.BLB", "TEMPORAR.TXT"})
        folder.Write(name, "x");
    DeleteTempTable();
    EXPECT_EQ(folder.EntryCount(), 1);
    EXPECT_TRUE(folder.Exists("TEMPORAR.TXT"));
    EXPECT_NO_THROW(DeleteTempTable());
}

// A copy without the note (it started while the note was held too long) has its table open under the
// names a killed copy noted, with the noted inode numbers (ext4 gives freed numbers again): a later
// start's sweep leaves it.
TEST_F(ScratchTables, ASweepLeavesATableACopyHasOpenThoughTheNoteNamesItsNumbers) {
    BuildTempTable(1, AllTempTableItems); // held open from its build, not noted
    const std::string built = Files();
    {
        const TProgramFolderUse killed(folder.Path());
        NoteTempTable();
    }
    EXPECT_TRUE(TProgramFolderUse(folder.Path()).Swept());
    EXPECT_EQ(Files(), built);
    DeleteTempTable();
}

} // namespace
