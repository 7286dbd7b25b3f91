#pragma once
// The 25 sections of a programming: the unit of transfer, of the section flags and of menu
// enabling. Several screens may share one section; section 18 has no contents.

#include <array>
#include <cstdint>

// A section number, 1..25.
using ProgrammingSection = int;

namespace Section {
inline constexpr int Calendar = 1;
inline constexpr int Categories = 2;
inline constexpr int Trunks = 4;
inline constexpr int GeneralSpeedDial = 5;
inline constexpr int NumberingPlan = 6; // also the cancellation of programmings
inline constexpr int GeneralPassword = 7;
inline constexpr int ExtensionGroups = 8;
inline constexpr int BossSecretary = 9;
inline constexpr int Timers = 10;
inline constexpr int Emergency = 11;
inline constexpr int DoorPhones = 12;
inline constexpr int OptionBits = 13;
inline constexpr int Prefixes = 14;
inline constexpr int Holidays = 15;
inline constexpr int Schedules = 16; // night service and external actuation
inline constexpr int FaxAttendant = 17;
inline constexpr int NoContents = 18;
inline constexpr int PrivateCodes = 19;
inline constexpr int Centralizer = 20;
inline constexpr int WakeUp = 21;
inline constexpr int ExtensionPasswordDigits = 22; // models 9..13 only
inline constexpr int TerminalKeys = 25;
inline constexpr int Count = 25;
} // namespace Section

// Flags indexed by section 1..25 (entry 0 unused): 1 = set.
using TSectionFlags = std::array<std::uint8_t, Section::Count + 1>;
