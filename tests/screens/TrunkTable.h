#pragma once
// The scratch table of the trunks for the screen tests: the 28 string columns keyed by VIA, one
// row per trunk of the model (or the one trunk asked for), written from the trunk area of the
// programming in memory as the main window's builder writes them.

#include "core/ExtensionCodes.h"
#include "core/Programming.h"
#include "platform/data/DataSet.h"
#include "support/VectorDataSet.h"

#include <string>

class TTrunkTable {
public:
    TTrunkTable() : rows_(Columns()) {}

    platform::data::TDataSet& DataSet() { return rows_; }

    // Rebuilds the rows: every trunk for 255, else the one trunk (1-based).
    void Build(int which) {
        if (rows_.Active()) rows_.Close();
        rows_.Open();
        while (!rows_.IsEmpty()) {
            rows_.First();
            rows_.Delete();
        }
        for (int trunk = 1; trunk <= CurrentModel().Trunks; ++trunk)
            if (which == 255 || which == trunk) rows_.AppendRecord(Row(trunk));
        rows_.Close();
    }

private:
    static std::vector<platform::data::test::TColumn> Columns() {
        using platform::data::ftString;
        std::vector<platform::data::test::TColumn> columns;
        const std::pair<const char*, int> fields[] = {
            {"VIA", 2},       {"LIMCIFRAS", 1}, {"ACESSAIU", 1}, {"DDCNOT", 1},    {"DDCDIU", 1},
            {"ATENDDIG", 1},  {"RECHAMADA", 1}, {"APOSTTD", 1},  {"BINA", 1},      {"DETFAX", 1},
            {"RTSAIDA", 1},   {"RTENTRA", 1},   {"RTBLOQ", 1},   {"TIPOVIA", 2},   {"TOM425", 1},
            {"CIFRAS", 1},    {"ATENDPRIN", 4}, {"TRANSBORDO", 4}, {"ATENDNOT", 4}, {"TMPTRANS", 2},
            {"TMPTOMDIS", 2}, {"TMPINIBIL", 2}, {"NROTA", 1},    {"DATDAUTO", 1},  {"NTOQUES", 1},
            {"TRANSBN", 1},   {"ATDCORR", 1},   {"DTMFFSK", 1}};
        for (const auto& [name, size] : fields) columns.push_back({name, ftString, size});
        return columns;
    }

    static std::string Bit(std::uint8_t byte, int bit) { return (byte >> bit) & 1 ? "1" : "0"; }

    static std::string Attendant(std::uint8_t code) {
        if (code == AccessCode60) return "60";
        if ((code & 0x70) == 0x70) {
            const int group = code & 7;
            return ProgrammingImage[Offset::Groups + 8 * (group - 1)] == EmptyGroupType
                       ? ""
                       : std::to_string(60 + group);
        }
        return ExtensionTextFromCode(code + 1);
    }

    static std::vector<platform::data::Variant> Row(int trunk) {
        const std::size_t at = Offset::TrunkRecords + 8 * (trunk - 1);
        const auto r = [at](int byte) { return ProgrammingHeader[at + byte]; };
        const std::uint8_t t = ProgrammingHeader[Offset::TrunkBytes + trunk - 1];
        const std::string digits = r(0) & 1 ? "7" : r(0) & 2 ? "8" : r(0) & 4 ? "9" : "7";
        const std::vector<std::string> texts = {
            (trunk < 10 ? "0" : "") + std::to_string(trunk),
            Bit(r(0), 3), Bit(r(0), 4), Bit(r(0), 5), Bit(r(0), 6), Bit(r(0), 7), "0",
            Bit(r(7), 3), Bit(r(7), 5), Bit(r(7), 6), Bit(t, 5), Bit(t, 6), Bit(t, 7),
            t & 8 ? "MF" : "DC", "0", digits, Attendant(r(1)),
            r(2) == NoExtension ? "    " : Attendant(r(2)), Attendant(r(3)), std::to_string(r(4)),
            std::to_string(r(5)), std::to_string(r(6)), std::to_string(t & 7), Bit(r(7), 4),
            Bit(r(7), 1), Bit(r(7), 7), Bit(r(7), 2), Bit(r(7), 0)};
        return {texts.begin(), texts.end()};
    }

    platform::data::test::TVectorDataSet rows_;
};
