#pragma once
// The programming of one exchange: a 6750-byte image, addressed by file offset (the same offsets
// as in a programming file). Bytes 0..831 are the header; the rest holds the numbering plan, the
// names, lists and the keys of the intelligent terminals. This header names every offset.
//
// Byte map ("kept" = bits no screen changes; "?" = meaning unknown, kept as loaded; k = section):
//   0           model code                                   1..10  signature: 9, "ORVALISTA"
//   11..17      clock: weekday 1=Sunday..7, day, month, year%100, hour, minute, second (k1)
//   18..37      day categories per position: b0 receives external, b1 local, b2 DDD, b3 DDI,
//               b4 regional, b5 internal, b6 agenda; b7 kept (k2)       98..117 the same, night
//   38..57      day routes: b1..b7 routes 1..7; b0 kept                 118..137 night
//   58..77      day facility permissions: b1 actuation 2, b2 actuation 1, b3 intrusion protection,
//               b4 intrusion, b6 door phone 2, b7 door phone 1          138..157 night
//   78..97      day sub-route: 1..7; 0 = none, route 0 allowed; 238 = none, route 0 barred
//               158..177 night
//   178..197    extension attributes: b3 protection, b6 mail (secretary on model 9), b7 internet
//   198..245    6 trunk records of 8 bytes (k4): b0 flags [b0-2 7/8/9 digits, b3 digit limit,
//               b4 IU table, b5 collect-call block night, b6 day, b7 digital attendant],
//               b1 main attendant, b2 overflow, b3 night attendant (position codes), b4 overflow
//               seconds, b5 dial tone x5 s, b6 billing start s, b7 [b0 FSK, b1 rings, b2 attendant
//               flag, b3 drop after TTD, b4 drop without dialling, b5 caller id, b6 fax detector,
//               b7 night overflow]
//   246, 247    most frequent main / night attendant code
//   248..253    per-trunk byte: b0-2 route, b3 MF dialling, b4 0, b5 outgoing, b6 incoming,
//               b7 blocked
//   254..273    facility byte per position: b0 password, b1 do not disturb, b2 padlock,
//               b3 follow-me, b4 hot line, b5 intelligent terminal; b6-7 kept (k6)
//   274..281    boss 1, boss 2 of groups 1..4        282..289 secretary 1, 2 of groups 1..4 (k9)
//   290..296    timers: flash x100 ms, wake-up rings, recall rings, actuation 1 and 2 command
//               seconds, external recall tries, minutes between tries (k10)
//   297, 298    option bits (k13)                    299 ?
//   300..301    area code, little-endian: 301 = BCD of the first two digits, 300 = third digit
//               << 4 | 0xF, or 0xFF; 0xFFFF none (k14)
//   302..401    prefix trie, first level (entry 10 * d1 + d2)
//   402..651    prefix trie, 25 nodes of 10 entries (node n, 128..152, at 402 + 10 (n - 128))
//   652..683    16 holidays [day, month], packed at the front, sorted (k15)
//   684, 685    hour and minute from which Saturday is a holiday
//   686..733    12 night-service entries [exit h, exit m, entry h, entry m]; 0x60 0x60 none (k16)
//   734..781    actuation 1 times (pairs)            782..829 actuation 2 times
//   830         activation bits: b2-3 actuation 1, b4-5 night service, b6-7 actuation 2
//   831 ?
//   832..871    extension number per position, u16 little-endian (k6)
//   872         digit count of the numbers that begin with "2"; b7 = mixed lengths
//   873..875 ?
//   876..1295   names per position: 21 bytes each, length byte + 20 Windows-1252 characters
//   1296..1314  centralizer: id (BCD), hour, minute (0x24 0x24 none), packed number (k20)
//   1315..1794  general speed dial, 30 packed numbers (k5)  1795..2424 their names (21 bytes)
//   2425..2456  4 extension groups: type (0 hierarchical, 1 distributing, 16 multiple, 0x40
//               empty) + 7 member position codes, 0xBB padding (k8)
//   2457..2476  group membership per position: bit 2, 4, 8, 16 for groups 1..4
//   2477..2480  ring count per group
//   2481..2532  external emergency (k11)          2533..2570 door phones (k12)
//   2571..2572  general password (k7)             2573 ?
//   2574..2575  fax attendant, 0xBB (k17)         2576..2605 ?
//   2606..2645  private codes 00..39: position code (k19)    2646..3485 their names
//   3486..3565  wake-up per position [minute, hour | mode, 0x60, 0x60] (k21)
//   3566        wake-up count                      3567..3568 0x60
//   3569        digit count of the extension passwords (k22)
//   3570..3809  per-extension service rows, 20 bytes each: hot line, busy diversion, no-answer
//               diversion, follow-me, password pairs (40), rings, flash, held return, recall
//               nibbles, padlock, ?
//   3810..4129  individual speed dial, a packed number per position
//   4130..4139  intelligent terminal -> position code (0xBB none)   4140..4169 ?
//   4170..4419  key function codes, 25 per terminal (k25)   4420..4669 key parameters
//   4670..6749 ?

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t ImageSize = 6750;
inline constexpr std::size_t HeaderSize = 832;

// An extension referred to by its physical position (0-based), or one of the special codes.
using PositionCode = std::uint8_t;
inline constexpr PositionCode NoExtension = 0xBB;
inline constexpr PositionCode AccessCode60 = 0x70; // the code shown "60"
inline constexpr PositionCode GroupCode(int group) {
    return static_cast<PositionCode>(0x70 + group);
} // 1..4
inline constexpr int MaxPositions = 20;

// A packed telephone number: byte 0 flags (0 when packed), byte 1 the digit count (bits 0-4, at
// most 20), then the digits as nibbles from the high nibble of byte 2, digit 0 stored as 10.
using PackedNumber = std::array<std::uint8_t, 16>;
inline constexpr int MaxPackedDigits = 20;

// Empty values shared by the screens.
inline constexpr std::uint8_t NoTime = 0x60;         // 0x60 0x60: no time in a schedule
inline constexpr std::uint8_t NoCallTime = 0x24;     // 0x24 0x24: no call time of the centralizer
inline constexpr std::uint8_t EmptyGroupType = 0x40; // "@": an empty extension group
inline constexpr std::uint8_t NoSubRoute = 238;      // no sub-route, route 0 barred

inline constexpr char Signature[] = "ORVALISTA";
inline constexpr std::size_t SignatureLength = 9;
inline constexpr std::size_t NameLength = 20;    // characters of a name
inline constexpr std::size_t NameEntrySize = 21; // length byte + characters

namespace Offset {
// Header (0..831).
inline constexpr std::size_t Model = 0;
inline constexpr std::size_t SignatureLengthByte = 1;
inline constexpr std::size_t SignatureText = 2;
inline constexpr std::size_t ClockWeekday = 11;
inline constexpr std::size_t ClockDay = 12;  // day, month, year % 100
inline constexpr std::size_t ClockHour = 15; // hour, minute, second
inline constexpr std::size_t DayCategories = 18;
inline constexpr std::size_t DayRoutes = 38;
inline constexpr std::size_t DayFacilities = 58;
inline constexpr std::size_t DaySubRoutes = 78;
inline constexpr std::size_t NightCategories = 98;
inline constexpr std::size_t NightRoutes = 118;
inline constexpr std::size_t NightFacilities = 138;
inline constexpr std::size_t NightSubRoutes = 158;
inline constexpr std::size_t Attributes = 178;
inline constexpr std::size_t TrunkRecords = 198;
inline constexpr std::size_t TrunkRecordSize = 8;
inline constexpr std::size_t MainAttendantSummary = 246;
inline constexpr std::size_t NightAttendantSummary = 247;
inline constexpr std::size_t TrunkBytes = 248;
inline constexpr std::size_t ExtensionFacilities = 254;
inline constexpr std::size_t Bosses = 274;
inline constexpr std::size_t Secretaries = 282;
inline constexpr std::size_t Timers = 290; // 7 bytes
inline constexpr std::size_t FlashTime = 290;
inline constexpr std::size_t WakeUpRings = 291;
inline constexpr std::size_t RecallRings = 292;
inline constexpr std::size_t Actuation1CommandTime = 293;
inline constexpr std::size_t Actuation2CommandTime = 294;
inline constexpr std::size_t ExternalRecallTries = 295;
inline constexpr std::size_t RecallInterval = 296;
inline constexpr std::size_t OptionBits1 = 297;
inline constexpr std::size_t OptionBits2 = 298;
inline constexpr std::size_t AreaCode = 300; // 2 bytes
inline constexpr std::size_t PrefixFirstLevel = 302;
inline constexpr std::size_t PrefixNodes = 402;
inline constexpr std::size_t PrefixNodeCount = 25;
inline constexpr std::size_t Holidays = 652; // 16 x [day, month]
inline constexpr std::size_t HolidayCount = 16;
inline constexpr std::size_t SaturdayHoliday = 684; // hour, minute
inline constexpr std::size_t NightService = 686;    // 12 x 4
inline constexpr std::size_t NightServiceSize = 48;
inline constexpr std::size_t Actuation1 = 734;
inline constexpr std::size_t Actuation2 = 782;
inline constexpr std::size_t ActuationSize = 48;
inline constexpr std::size_t ActivationBits = 830;

// Image (832..6749).
inline constexpr std::size_t ExtensionNumbers = 832; // u16 LE per position
inline constexpr std::size_t NumberLength = 872;
inline constexpr std::size_t Names = 876;
inline constexpr std::size_t Centralizer = 1296;
inline constexpr std::size_t CentralizerId = 1296;
inline constexpr std::size_t CentralizerHour = 1297;
inline constexpr std::size_t CentralizerMinute = 1298;
inline constexpr std::size_t CentralizerNumber = 1299;
inline constexpr std::size_t CentralizerSize = 19;
inline constexpr std::size_t GeneralSpeedDial = 1315; // 30 packed numbers
inline constexpr std::size_t GeneralSpeedDialCount = 30;
inline constexpr std::size_t GeneralSpeedDialNames = 1795;
inline constexpr std::size_t Groups = 2425; // 4 x [type, 7 members]
inline constexpr std::size_t GroupRecordSize = 8;
inline constexpr std::size_t GroupMembers = 7;
inline constexpr std::size_t GroupMembership = 2457;
inline constexpr std::size_t GroupRings = 2477;
inline constexpr std::size_t Emergency = 2481;
inline constexpr std::size_t EmergencyExtension = 2481;
inline constexpr std::size_t EmergencyExtensionNumber = 2482;
inline constexpr std::size_t EmergencyExtensionTarget = 2498;
inline constexpr std::size_t Emergency1Number = 2499;
inline constexpr std::size_t Emergency1Target = 2515;
inline constexpr std::size_t Emergency2Target = 2516;
inline constexpr std::size_t Emergency2Number = 2517;
inline constexpr std::size_t EmergencySize = 52;
inline constexpr std::size_t DoorPhones = 2533;
inline constexpr std::size_t DoorPhoneCommandTime = 2533; // x2
inline constexpr std::size_t DoorPhoneWaitTime = 2535;    // x2
inline constexpr std::size_t DoorPhoneAttendant = 2537;   // x2
inline constexpr std::size_t DoorPhone1Number = 2539;
inline constexpr std::size_t DoorPhone2Number = 2555;
inline constexpr std::size_t DoorPhonesSize = 38;
inline constexpr std::size_t GeneralPassword = 2571; // 2 bytes
inline constexpr std::size_t FaxAttendant = 2574;    // 2 bytes
inline constexpr std::size_t PrivateCodes = 2606;
inline constexpr std::size_t PrivateCodeCount = 40;
inline constexpr std::size_t PrivateCodeNames = 2646;
inline constexpr std::size_t WakeUp = 3486; // 20 x 4
inline constexpr std::size_t WakeUpCount = 3566;
inline constexpr std::size_t WakeUpEnd = 3569; // one past 3568
inline constexpr std::size_t ExtensionPasswordDigits = 3569;
inline constexpr std::size_t ServiceRows = 3570; // row r of position p at 3570 + r + p
inline constexpr std::size_t ServiceHotLine = 3570;
inline constexpr std::size_t ServiceBusyDiversion = 3590;
inline constexpr std::size_t ServiceNoAnswerDiversion = 3610;
inline constexpr std::size_t ServiceFollowMe = 3630;
inline constexpr std::size_t ServicePasswords = 3650; // 2 bytes per position
inline constexpr std::size_t ServiceRings = 3690;
inline constexpr std::size_t ServiceFlash = 3710;
inline constexpr std::size_t ServiceHeldReturn = 3730;
inline constexpr std::size_t ServiceRecall = 3750;
inline constexpr std::size_t ServicePadlock = 3770;
inline constexpr std::size_t ServiceRow11 = 3790;
inline constexpr std::size_t ServiceRowsEnd = 3810;
inline constexpr std::size_t IndividualSpeedDial = 3810; // a packed number per position
inline constexpr std::size_t TerminalPositions = 4130;
inline constexpr std::size_t TerminalCount = 10;
inline constexpr std::size_t TerminalKeys = 4170; // 25 per terminal
inline constexpr std::size_t KeysPerTerminal = 25;
inline constexpr std::size_t TerminalKeyParameters = 4420;
inline constexpr std::size_t TerminalKeyParametersSize = 250;
} // namespace Offset
