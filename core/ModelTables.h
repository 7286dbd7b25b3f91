#pragma once
// The exchange models: code, counts and names. Models 3, 4, 5 and 8 are the earlier family
// (edited from files only); 9 to 13 can be transferred; 6 means "no programming".

#include <array>
#include <cstdint>

inline constexpr std::uint8_t ModelNone = 6;

struct TModelInfo {
    bool Known = false;
    std::uint8_t Extensions = 0; // positions of the numbering plan
    std::uint8_t Trunks = 0;
    std::uint8_t Terminals = 0;        // intelligent terminals
    const char* Name = "";             // shown in the main window and the report; "" for no name
    const char* DefaultFile = nullptr; // default programming file, when the model has one
};

// Indexed by model code 0..13; unknown codes (and ModelNone) have Known = false and zero counts.
extern const std::array<TModelInfo, 14> ModelTables;

bool IsKnownModel(std::uint8_t code);
bool IsTransferableModel(std::uint8_t code);    // 9..13
bool IsLegacyModel(std::uint8_t code);          // 3, 4, 5, 8
const TModelInfo& ModelInfo(std::uint8_t code); // a zero entry for unknown codes

// Entries the numbering-plan screen writes: the extensions, and on model 9 one more (0x00FF).
int PlanEntries(std::uint8_t code);

// The codes of every known model, ascending.
inline constexpr std::array<std::uint8_t, 9> KnownModelCodes = {3, 4, 5, 8, 9, 10, 11, 12, 13};
