// The texts of the scratch tables, converted from programming bytes (no engine involved).

#include "core/ImageLayout.h"
#include "screens/ScratchRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

namespace {

using namespace Offset;

// A programming of its own: model 11 (15 extensions, 4 trunks) numbered 20, 21, ... by default.
class ScratchRows : public testing::Test {
protected:
    ScratchRows() {
        for (int position = 0; position < MaxPositions; ++position) SetNumber(position, 20 + position);
    }

    void SetNumber(int position, std::uint16_t number) {
        image.SetU16(ExtensionNumbers + 2 * static_cast<std::size_t>(position), number);
    }
    TScratchSource Source() const { return {image, model}; }

    // The record of a table whose key is the text, as field name -> text.
    static std::map<std::string, std::string> Record(const TScratchTable& table, const std::string& key) {
        const auto row = std::ranges::find(table.Rows, key, [](const TScratchRow& r) { return r.front(); });
        EXPECT_NE(row, table.Rows.end()) << key;
        std::map<std::string, std::string> record;
        if (row == table.Rows.end()) return record;
        for (std::size_t i = 0; i < table.Fields.size(); ++i) record[table.Fields[i].Name] = row->at(i);
        return record;
    }
    static std::vector<std::string> Keys(const TScratchTable& table) {
        std::vector<std::string> keys;
        for (const TScratchRow& row : table.Rows) keys.push_back(row.front());
        return keys;
    }
    // The one-character fields of a record that read "1".
    static std::vector<std::string> SetBits(const TScratchTable& table, const std::string& key) {
        std::vector<std::string> set;
        for (const auto& [name, text] : Record(table, key))
            if (text == "1" && name != "NROTA" && name != "TIPOGRUPO") set.push_back(name);
        return set;
    }

    std::array<std::uint8_t, ImageSize> bytes{};
    TImageView image{bytes.data(), 0, ImageSize};
    std::uint8_t model = 11;
};

using Strings = std::vector<std::string>;

TEST_F(ScratchRows, ExtensionTablesSkipNumbersNotBeginningWithTwoOrThreeAndPositionsBeyondTheModel) {
    SetNumber(2, 68);
    SetNumber(3, 3001);
    SetNumber(15, 40); // beyond the 15 extensions of model 11
    const Strings all = {"20", "21", "3001", "24", "25", "26", "27",
                         "28", "29", "30",   "31", "32", "33", "34"};
    EXPECT_EQ(Keys(CategoryScratchTable(Source(), AllTempTableItems)), all);
    EXPECT_EQ(Keys(FacilityScratchTable(Source())), all);
    EXPECT_EQ(Keys(IndividualScratchTable(Source())), all);
    EXPECT_EQ(Keys(CategoryScratchTable(Source(), 4)), Strings{"3001"});
    EXPECT_TRUE(CategoryScratchTable(Source(), 3).Rows.empty()); // the position numbered 68
    EXPECT_TRUE(CategoryScratchTable(Source(), 16).Rows.empty());
    EXPECT_TRUE(CategoryScratchTable(Source(), 0).Rows.empty());
}

// One bit of the programming set at a time: exactly the field named (or none) reads "1".
struct TBitCase {
    std::size_t offset;
    int bit;
    std::optional<std::string> field;
};

TEST_F(ScratchRows, EachCategoryBitReachesItsOwnField) {
    const std::size_t i = 1; // position 2, number 21
    const std::vector<TBitCase> cases = {
        {DayCategories, 0, "CATD1"}, {DayCategories, 6, "CATD7"},   {DayCategories, 7, {}},
        {DayRoutes, 0, {}},          {DayRoutes, 1, "ROTD1"},       {DayRoutes, 7, "ROTD7"},
        {DayFacilities, 0, {}},      {DayFacilities, 4, "FACD4"},   {NightCategories, 2, "CATN3"},
        {NightRoutes, 5, "ROTN5"},   {NightFacilities, 7, "FACN7"}, {Attributes, 3, "CAR1"},
        {Attributes, 4, "CAR2"},     {Attributes, 5, {}},           {Attributes, 6, "CAR3"},
        {Attributes, 7, "CAR4"},     {ExtensionFacilities, 0, {}}};
    for (int subRoute : {DaySubRoutes, NightSubRoutes}) image[subRoute + i] = NoSubRoute;
    for (const TBitCase& c : cases) {
        image[c.offset + i] = static_cast<std::uint8_t>(1 << c.bit);
        const Strings expected = c.field ? Strings{*c.field} : Strings{};
        EXPECT_EQ(SetBits(CategoryScratchTable(Source(), AllTempTableItems), "21"), expected)
            << c.offset << " bit " << c.bit;
        image[c.offset + i] = 0;
    }
}

TEST_F(ScratchRows, SubRouteZeroAllowsRouteZeroAnd238IsNoSubRoute) {
    struct TCase {
        std::uint8_t subRoute;
        const char *route0, *text;
    };
    for (const TCase c : {TCase{0, "1", " "}, TCase{NoSubRoute, "0", " "}, TCase{3, "0", "3"}}) {
        image[DaySubRoutes + 4] = c.subRoute;
        image[NightSubRoutes + 5] = c.subRoute;
        const TScratchTable table = CategoryScratchTable(Source(), AllTempTableItems);
        EXPECT_EQ(Record(table, "24")["ROTD0"], c.route0) << int(c.subRoute);
        EXPECT_EQ(Record(table, "24")["SRotaD"], c.text);
        EXPECT_EQ(Record(table, "25")["ROTN0"], c.route0);
        EXPECT_EQ(Record(table, "25")["SRotaN"], c.text);
    }
}

TEST_F(ScratchRows, FacilityBitsZeroToFiveInFieldOrder) {
    image[ExtensionFacilities + 0] = 0b1110'0101;
    EXPECT_EQ(SetBits(FacilityScratchTable(Source()), "20"), (Strings{"CADEADO", "RAMALTI", "SENHAPROG"}));
}

TEST_F(ScratchRows, EachTrunkBitReachesItsOwnField) {
    const std::size_t r = TrunkRecords + TrunkRecordSize; // trunk 2
    const std::vector<TBitCase> cases = {{r, 3, "LIMCIFRAS"},
                                         {r, 4, "ACESSAIU"},
                                         {r, 5, "DDCNOT"},
                                         {r, 6, "DDCDIU"},
                                         {r, 7, "ATENDDIG"},
                                         {r + 7, 0, "DTMFFSK"},
                                         {r + 7, 1, "NTOQUES"},
                                         {r + 7, 2, "ATDCORR"},
                                         {r + 7, 3, "APOSTTD"},
                                         {r + 7, 4, "DATDAUTO"},
                                         {r + 7, 5, "BINA"},
                                         {r + 7, 6, "DETFAX"},
                                         {r + 7, 7, "TRANSBN"},
                                         {TrunkBytes + 1, 5, "RTSAIDA"},
                                         {TrunkBytes + 1, 6, "RTENTRA"},
                                         {TrunkBytes + 1, 7, "RTBLOQ"},
                                         {TrunkBytes + 1, 4, {}}};
    for (const TBitCase& c : cases) {
        image[c.offset] = static_cast<std::uint8_t>(1 << c.bit);
        const Strings expected = c.field ? Strings{*c.field} : Strings{};
        EXPECT_EQ(SetBits(TrunkScratchTable(Source(), AllTempTableItems), "02"), expected)
            << c.field.value_or("-");
        image[c.offset] = 0;
    }
}

TEST_F(ScratchRows, TrunkNumbersRoutesDiallingAndTimes) {
    const std::size_t r = TrunkRecords + 2 * TrunkRecordSize; // trunk 3
    image[TrunkBytes + 2] = 0b0000'1110;
    image[r + 4] = 12;
    image[r + 5] = 3;
    image[r + 6] = 0;
    EXPECT_EQ(Keys(TrunkScratchTable(Source(), AllTempTableItems)), (Strings{"01", "02", "03", "04"}));
    EXPECT_EQ(Keys(TrunkScratchTable(Source(), 3)), Strings{"03"});
    EXPECT_TRUE(TrunkScratchTable(Source(), 5).Rows.empty()); // model 11 has 4 trunks
    auto trunk = Record(TrunkScratchTable(Source(), 3), "03");
    EXPECT_EQ(trunk["TIPOVIA"], "MF");
    EXPECT_EQ(trunk["NROTA"], "6");
    EXPECT_EQ(trunk["TMPTRANS"] + trunk["TMPTOMDIS"] + trunk["TMPINIBIL"], "1230");
    EXPECT_EQ(trunk["RECHAMADA"] + trunk["TOM425"], "00");
    EXPECT_EQ(Record(TrunkScratchTable(Source(), 1), "01")["TIPOVIA"], "DC");
}

TEST_F(ScratchRows, DigitCountIsTheLowestFlagAndSevenWithoutOne) {
    const std::vector<std::pair<std::uint8_t, const char*>> cases = {{0, "7"}, {1, "7"}, {2, "8"},   {4, "9"},
                                                                     {6, "8"}, {5, "7"}, {0xF8, "7"}};
    for (const auto& [flags, digits] : cases) {
        image[TrunkRecords] = flags;
        EXPECT_EQ(Record(TrunkScratchTable(Source(), 1), "01")["CIFRAS"], digits) << int(flags);
    }
}

TEST_F(ScratchRows, AttendantTexts) {
    image[Groups + 0] = EmptyGroupType; // group 1 empty
    image[Groups + 8] = 0;              // group 2 hierarchical
    SetNumber(4, 2044);
    const std::vector<std::pair<std::uint8_t, const char*>> cases = {
        {AccessCode60, "60"}, {GroupCode(1), ""}, {GroupCode(2), "62"},
        {4, "2044"},          {15, ""},           {NoExtension, ""},
        {0x77, ""},           {0x78, ""}};
    for (const auto& [code, text] : cases) EXPECT_EQ(AttendantText(Source(), code), text) << int(code);

    const std::size_t r = TrunkRecords;
    image[r + 1] = GroupCode(1);
    image[r + 2] = NoExtension;
    image[r + 3] = 4;
    auto trunk = Record(TrunkScratchTable(Source(), 1), "01");
    EXPECT_EQ(trunk["ATENDPRIN"], "");
    EXPECT_EQ(trunk["TRANSBORDO"], "    ");
    EXPECT_EQ(trunk["ATENDNOT"], "2044");
    image[r + 2] = GroupCode(2);
    EXPECT_EQ(Record(TrunkScratchTable(Source(), 1), "01")["TRANSBORDO"], "62");
}

TEST_F(ScratchRows, GroupTypesRingsAndMembers) {
    const std::vector<std::pair<std::uint8_t, const char*>> types = {
        {0, "1"}, {1, "2"}, {15, "2"}, {16, "3"}, {EmptyGroupType, "1"}, {17, "1"}};
    for (const auto& [type, text] : types) {
        image[Groups + 8 * 3] = type;
        EXPECT_EQ(Record(GroupScratchTable(Source()), "4")["TIPOGRUPO"], text) << int(type);
    }
    const std::uint8_t members[7] = {0, 14, 15, NoExtension, 19, 3, 200};
    std::ranges::copy(members, &image[Groups + 8 + 1]);
    image[GroupRings + 1] = 5;
    const TScratchTable table = GroupScratchTable(Source());
    EXPECT_EQ(Keys(table), (Strings{"1", "2", "3", "4"}));
    EXPECT_EQ(table.Rows[1], (TScratchRow{"2", "5", "1", "20", "34", "", "", "", "23", ""}));
}

TEST_F(ScratchRows, BossSecretaryTextsAndCodesInGroupOrder) {
    const std::uint8_t codes[8] = {0, 1, 2, NoExtension, 64, 3, 14, 15};
    std::ranges::copy(codes, &image[Bosses]);
    std::ranges::copy(codes, &image[Secretaries]);
    image[Secretaries + 7] = 5;
    const auto expectedCodes =
        std::array<std::uint8_t, 16>{0, 1, 0, 1, 2, NoExtension, 2, NoExtension, 64, 3, 64, 3, 14, 15, 14, 5};
    EXPECT_EQ(BossSecretaryCodesOf(Source()), expectedCodes);
    const TScratchTable table = BossSecretaryScratchTable(Source());
    EXPECT_EQ(table.Rows[1], (TScratchRow{"2", "22", "", "22", ""}));
    EXPECT_EQ(table.Rows[2], (TScratchRow{"3", "", "23", "", "23"}));
    EXPECT_EQ(table.Rows[3], (TScratchRow{"4", "34", "", "34", "25"}));
}

TEST_F(ScratchRows, IndividualProgrammingTexts) {
    const auto row = [&](std::size_t r, int position) -> std::uint8_t& {
        return image[ServiceRows + r + static_cast<std::size_t>(position)];
    };
    const std::vector<std::pair<std::uint8_t, std::pair<const char*, const char*>>> hotLines = {
        {255, {"NAO PROGRAMADA", ""}},
        {3, {"INTERNO COM RETARDO", "23"}},
        {0x80 | 4, {"INTERNO SEM RETARDO", "24"}},
        {0x40 | 4, {"EXTERNO COM RETARDO", ""}},
        {0xC0, {"EXTERNO SEM RETARDO", ""}},
        {30, {"INTERNO COM RETARDO", ""}}};
    for (const auto& [hotLine, texts] : hotLines) {
        row(0, 0) = hotLine;
        auto record = Record(IndividualScratchTable(Source()), "20");
        EXPECT_EQ(record["THOTLIN"], texts.first) << int(hotLine);
        EXPECT_EQ(record["HOTLINE"], texts.second) << int(hotLine);
    }
    row(20, 1) = 2;
    row(40, 1) = 106;
    row(60, 1) = 19; // a position beyond the model's 15
    row(120, 1) = 4;
    row(140, 1) = 15;
    row(160, 1) = 30;
    row(180, 1) = 0x73;
    auto record = Record(IndividualScratchTable(Source()), "21");
    EXPECT_EQ(record["DESVOCUP"] + "|" + record["DESVNATD"] + "|" + record["SIGAME"], "22|CORREIO|");
    EXPECT_EQ(record["NTNAOATD"] + "|" + record["TMPFLASH"] + "|" + record["TMPRECRET"], "4|15|30");
    EXPECT_EQ(record["TMPRECTRO"] + "|" + record["TMPRECRAM"], "|3");
    row(180, 1) = 0x27;
    model = 9;
    record = Record(IndividualScratchTable(Source()), "21");
    EXPECT_EQ(record["TMPRECTRO"] + "|" + record["TMPRECRAM"], "2|");
    EXPECT_EQ(record["DESVNATD"], "SECRET.");
    EXPECT_EQ(DiversionText(Source(), 105), "");
}

} // namespace
