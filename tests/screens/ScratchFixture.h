#pragma once
// Fixture of the data-aware screens: the scratch table of a code, built from the programming in
// memory as the main window builds it before the screen is shown.

#include "ScreenFixture.h"
#include "core/Programming.h"
#include "screens/ScratchTables.h"
#include "support/VectorDataSet.h"

#include <memory>
#include <string>

class ScratchFixture : public ScreenFixture {
protected:
    platform::data::TDataSet& Build(int code) {
        using namespace platform::data;
        using test::TColumn;
        std::vector<TColumn> columns;
        std::vector<std::vector<std::string>> rows;
        const int e = CurrentModel().Extensions;
        const auto number = [](int p) { return std::to_string(ExtensionNumber(p)); };
        const auto bit = [](std::uint8_t b, int n) { return std::string((b >> n) & 1 ? "1" : "0"); };
        if (code == 5) {
            columns = {{"GRUPO", ftString, 1}, {"NUMTOQUES", ftString, 1}, {"TIPOGRUPO", ftString, 1}};
            for (int s = 1; s <= 7; ++s) columns.push_back({"RAMAL0" + std::to_string(s), ftString, 5});
            for (int g = 0; g < 4; ++g) {
                const std::uint8_t type = ProgrammingImage[2425 + 8 * g];
                std::vector<std::string> row = {std::to_string(g + 1),
                                                std::to_string(ProgrammingImage[2477 + g]),
                                                type == 0    ? "1"
                                                : type < 16  ? "2"
                                                : type == 16 ? "3"
                                                             : "1"};
                for (int s = 0; s < 7; ++s) {
                    const int m = ProgrammingImage[2426 + 8 * g + s];
                    row.push_back(m == 187 || m >= e ? "" : number(m));
                }
                rows.push_back(row);
            }
        } else if (code == 6) {
            columns = {{"GRUPO", ftString, 1}};
            for (const char* c : {"CHEFE01", "CHEFE02", "SECRE01", "SECRE02"})
                columns.push_back({c, ftString, 5});
            for (int g = 0; g < 4; ++g) {
                std::vector<std::string> row = {std::to_string(g + 1)};
                const int offsets[] = {274 + 2 * g, 275 + 2 * g, 282 + 2 * g, 283 + 2 * g};
                for (int s = 0; s < 4; ++s) {
                    const int c = ProgrammingHeader[offsets[s]];
                    BossSecretaryCodes[4 * g + s] = static_cast<std::uint8_t>(c);
                    row.push_back(c == 187 || c >= 64 ? "" : number(c));
                }
                rows.push_back(row);
            }
        } else if (code == 4) {
            columns = {{"RAMAL", ftString, 5}};
            for (const char* c : {"SENHAPROG", "NAOPERTURB", "CADEADO", "SIGAME", "HOTLINE", "RAMALTI"})
                columns.push_back({c, ftString, 1});
            for (int p = 0; p < e; ++p) {
                if (number(p)[0] != '2' && number(p)[0] != '3') continue;
                std::vector<std::string> row = {number(p)};
                for (int b = 0; b < 6; ++b) row.push_back(bit(ProgrammingHeader[254 + p], b));
                rows.push_back(row);
            }
        }
        table = std::make_unique<test::TVectorDataSet>(columns);
        table->Open();
        for (const auto& row : rows) {
            std::vector<Variant> values(row.begin(), row.end());
            table->AppendRecord(values);
        }
        table->Close();
        return *table;
    }
    std::unique_ptr<platform::data::test::TVectorDataSet> table;
};
