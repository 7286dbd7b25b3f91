// The texts of the scratch tables, converted from programming bytes (no engine involved).

#include "core/ImageLayout.h"
#include "screens/ScratchRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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

// One bit of the programming set at a time: exactly the field named (or none) reads "1" in the
// record of position 2 (number 21) or of trunk 2.
struct TBitCase {
    char table; // 'C' categories, 'F' facilities, 'T' trunks
    std::size_t offset;
    int bit;
    const char* field; // "" for none
};

TEST_F(ScratchRows, EachBitReachesItsOwnField) {
    const std::size_t c = 1, r = TrunkRecords + TrunkRecordSize, t = TrunkBytes + 1;
    // clang-format off
    const TBitCase cases[] = {
        {'C', DayCategories + c, 0, "CATD1"}, {'C', DayCategories + c, 6, "CATD7"}, {'C', DayCategories + c, 7, ""},
        {'C', DayRoutes + c, 0, ""}, {'C', DayRoutes + c, 7, "ROTD7"}, {'C', DayFacilities + c, 0, ""},
        {'C', DayFacilities + c, 4, "FACD4"}, {'C', NightCategories + c, 2, "CATN3"},
        {'C', NightRoutes + c, 5, "ROTN5"}, {'C', NightFacilities + c, 7, "FACN7"},
        {'C', Attributes + c, 3, "CAR1"}, {'C', Attributes + c, 4, "CAR2"}, {'C', Attributes + c, 5, ""},
        {'C', Attributes + c, 6, "CAR3"}, {'C', Attributes + c, 7, "CAR4"},
        {'F', ExtensionFacilities + c, 0, "SENHAPROG"}, {'F', ExtensionFacilities + c, 5, "RAMALTI"},
        {'F', ExtensionFacilities + c, 6, ""},
        {'T', r, 3, "LIMCIFRAS"}, {'T', r, 7, "ATENDDIG"}, {'T', r + 7, 0, "DTMFFSK"}, {'T', r + 7, 1, "NTOQUES"},
        {'T', r + 7, 2, "ATDCORR"}, {'T', r + 7, 3, "APOSTTD"}, {'T', r + 7, 4, "DATDAUTO"}, {'T', r + 7, 5, "BINA"},
        {'T', r + 7, 6, "DETFAX"}, {'T', r + 7, 7, "TRANSBN"}, {'T', t, 4, ""}, {'T', t, 5, "RTSAIDA"},
        {'T', t, 7, "RTBLOQ"}};
    // clang-format on
    for (std::size_t subRoute : {DaySubRoutes + c, NightSubRoutes + c}) image[subRoute] = NoSubRoute;
    for (const TBitCase& b : cases) {
        image[b.offset] = static_cast<std::uint8_t>(1 << b.bit);
        const TScratchTable table = b.table == 'T'   ? TrunkScratchTable(Source(), AllTempTableItems)
                                    : b.table == 'F' ? FacilityScratchTable(Source())
                                                     : CategoryScratchTable(Source(), AllTempTableItems);
        EXPECT_EQ(SetBits(table, b.table == 'T' ? "02" : "21"), *b.field ? Strings{b.field} : Strings{})
            << b.offset << " bit " << b.bit;
        image[b.offset] = 0;
    }
}

TEST_F(ScratchRows, TrunkNumbersRoutesDiallingAndTimes) {
    const std::size_t r = TrunkRecords + 2 * TrunkRecordSize; // trunk 3
    image[TrunkBytes + 2] = 0b0000'1110;
    image[r + 4] = 12;
    image[r + 5] = 3;
    image[r + 6] = 0;
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

    image[TrunkRecords + 2] = GroupCode(2);
    EXPECT_EQ(Record(TrunkScratchTable(Source(), 1), "01")["TRANSBORDO"], "62");
}

TEST_F(ScratchRows, GroupTypesAndRings) {
    const std::vector<std::pair<std::uint8_t, const char*>> types = {
        {0, "1"}, {1, "2"}, {15, "2"}, {16, "3"}, {EmptyGroupType, "1"}, {17, "1"}};
    for (const auto& [type, text] : types) {
        image[Groups + 8 * 3] = type;
        EXPECT_EQ(Record(GroupScratchTable(Source()), "4")["TIPOGRUPO"], text) << int(type);
    }
    image[GroupRings + 1] = 5;
    EXPECT_EQ(Record(GroupScratchTable(Source()), "2")["NUMTOQUES"], "5");
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
