#pragma once
// The commands of the tool and their access rights, listed once.
//
// Every command but About and Exit has one right: bit <command id> of a user's rights mask (a
// 32-bit mask kept in the users file, see core/Users.h). The ids are therefore part of that file
// and never change; a new command takes a free id.

#include <cstdint>

enum class TCommandId : std::uint8_t {
    // file commands
    New = 0,
    Open = 1,
    Save = 2,
    SaveAs = 3,
    Report = 4,
    SerialPort = 5,
    Users = 6,
    // programming screens
    Calendar = 7,
    Passwords = 8,
    Trunks = 9,                // all trunks from the menu, one trunk from a trunk button
    Categories = 10,           // categories of every extension
    ExtensionProgramming = 11, // one extension, from an extension button
    NumberingPlan = 12,
    Cancellation = 13,
    PrivateCodes = 14,
    ExtensionGroups = 15,
    BossSecretary = 16,
    IndividualSpeedDial = 17,
    WakeUp = 18,
    IndividualProgramming = 19,
    TerminalKeys = 20,
    GeneralSpeedDial = 21,
    Timers = 22,
    Emergency = 23,
    FaxAttendant = 24,
    DoorPhones = 25,
    OptionBits = 26,
    Prefixes = 27,
    NightService = 28,
    Holidays = 29,
    Actuation = 30,
    Centralizer = 31,
    // commands anyone may run
    About = 32,
    Exit = 33,
};

inline constexpr int CommandCount = 34;
inline constexpr int RightCount = 32; // ids 0..31 carry a right

constexpr bool CommandHasRight(TCommandId id) {
    return static_cast<int>(id) < RightCount;
}

// The bit of the command's right in a rights mask; 0 for a command without a right.
constexpr std::uint32_t RightBit(TCommandId id) {
    return CommandHasRight(id) ? std::uint32_t{1} << static_cast<int>(id) : 0;
}

inline constexpr std::uint32_t AllRights = 0xFFFFFFFFu;
