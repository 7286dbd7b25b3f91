#include "core/ModelTables.h"

namespace {

constexpr TModelInfo Model(std::uint8_t extensions, std::uint8_t trunks, std::uint8_t terminals,
                           const char* name = "", const char* defaultFile = nullptr) {
    return TModelInfo{true, extensions, trunks, terminals, name, defaultFile};
}

} // namespace

const std::array<TModelInfo, 14> ModelTables = {
    TModelInfo{},                                     // 0
    TModelInfo{},                                     // 1
    TModelInfo{},                                     // 2
    Model(10, 2, 5),                                  // 3
    Model(15, 4, 8),                                  // 4
    Model(20, 6, 10),                                 // 5
    TModelInfo{},                                     // 6: no programming
    TModelInfo{},                                     // 7
    Model(8, 2, 3),                                   // 8
    Model(12, 4, 4, "Tessella", "DEFTESSL.NPX"),      // 9
    Model(10, 2, 5, "Talvenor ZOKA"),                 // 10
    Model(15, 4, 8, "Talvenor ARCO", "DEFARCO.NPX"),  // 11
    Model(20, 6, 10, "Talvenor NODO", "DEFNODO.NPX"), // 12
    Model(8, 2, 3),                                   // 13
};

bool IsKnownModel(std::uint8_t code) {
    return code < ModelTables.size() && ModelTables[code].Known;
}

bool IsTransferableModel(std::uint8_t code) {
    return code >= 9 && code <= 13;
}

bool IsLegacyModel(std::uint8_t code) {
    return code == 3 || code == 4 || code == 5 || code == 8;
}

const TModelInfo& ModelInfo(std::uint8_t code) {
    static const TModelInfo unknown{};
    return IsKnownModel(code) ? ModelTables[code] : unknown;
}

int PlanEntries(std::uint8_t code) {
    return ModelInfo(code).Extensions + (code == 9 ? 1 : 0);
}
