#pragma once
// The defaults of a programming: the values the screens' "Padrão" buttons apply, and the empty
// values of the sections without such a button. The generator of the default programming files
// ("DEFTESSL.NPX", "DEFARCO.NPX", "DEFNODO.NPX") and of the test fixtures builds every image from
// this table (DefaultProgramming.h); the screens take their "Padrão" values from it.
//
// Values marked (INI) come from [Default] of "CENTRPRG.INI" when a screen applies them; the
// default files are built with the values a missing file gives ("2", "1", true).

#include "core/ImageLayout.h"

#include <array>
#include <cstdint>

namespace Defaults {

// Clock (no default button): 01/01/2000, a Saturday, 00:00:00.
inline constexpr std::uint8_t ClockWeekday = 7, ClockDay = 1, ClockMonth = 1, ClockYear = 0;

// Extension categories, day and night alike, every extension of the model: "Recebe externa",
// "Acesso Local", "Acesso DDD", "Acesso Regional", "Acesso Interno" and route 0; no DDI, no
// agenda, no other route, no sub-route, no facility permission, no attribute.
inline constexpr std::uint8_t Categories = 0x37;
inline constexpr std::uint8_t Routes = 0x00;     // routes 1..7 (bits 1..7)
inline constexpr std::uint8_t Facilities = 0x00; // facility permissions
inline constexpr std::uint8_t SubRoute = 0;      // no sub-route, route 0 permitted
inline constexpr std::uint8_t Attributes = 0x00;

// Trunks, every trunk of the model: "8 cifras locais", "Acessa tabela IU", "Limite de cifras"
// (INI "LimiteCifras"), main attendant the extension of position 0, overflow and night attendant
// the extension of position 1, overflow after 35 s, dial tone 7 x 5 s, billing after 7 s,
// "Possui transbordo noturno" (not on models 3 and 4, whose screen forces it off), route 0,
// "Multi-Frequencial", outgoing and incoming.
inline constexpr std::uint8_t TrunkFlags = 0x12;      // record byte 0 without the digit limit
inline constexpr std::uint8_t TrunkDigitLimit = 0x08; // record byte 0, "Limite de cifras"
inline constexpr PositionCode TrunkMainAttendant = 0;
inline constexpr PositionCode TrunkOverflow = 1;
inline constexpr PositionCode TrunkNightAttendant = 1;
inline constexpr std::uint8_t TrunkOverflowTime = 35;
inline constexpr std::uint8_t TrunkDialToneTime = 7;
inline constexpr std::uint8_t TrunkBillingStart = 7;
inline constexpr std::uint8_t TrunkOptions = 0x80; // record byte 7: night overflow
inline constexpr std::uint8_t TrunkByte = 0x68;    // route 0, MF, outgoing, incoming

// Numbering plan: position p has the number 20 + p and an empty name; model 9 carries one more
// entry, number 0x00FF. Every number has two digits (byte 872 = 2).
inline constexpr std::uint16_t FirstExtensionNumber = 20;
inline constexpr std::uint16_t ExtraPlanEntryNumber = 0x00FF;
inline constexpr std::uint8_t NumberLength = 2;

// Facility bytes of the extensions (password, do not disturb, padlock, follow-me, hot line, TI):
// none, and the per-extension service rows in the state the cancellation of programmings leaves.
inline constexpr std::uint8_t ExtensionFacilities = 0x00;
inline constexpr std::uint8_t ServiceHotLine = 0xFF;   // not programmed
inline constexpr std::uint8_t ServiceDiversion = 0xBB; // busy, no-answer and follow-me: none
inline constexpr std::uint8_t ServicePassword = 0xED;  // both bytes
inline constexpr std::uint8_t ServiceCounts = 0x00;    // rings, flash, held return: not set
inline constexpr std::uint8_t ServiceRecall = 0x77;    // both nibbles "none"
inline constexpr std::uint8_t ServicePadlock = 0xFF;

// Boss-secretary groups: no boss, no secretary.
inline constexpr PositionCode BossSecretary = NoExtension;

// Timers: flash 2 x 100 ms (INI "TempoGeraFlash"), wake-up 3 rings, recall 9 rings, both
// actuation commands 4 s, 1 external recall try, 5 minutes between tries.
inline constexpr std::uint8_t FlashTime = 2;
inline constexpr std::uint8_t WakeUpRings = 3;
inline constexpr std::uint8_t RecallRings = 9;
inline constexpr std::uint8_t Actuation1CommandTime = 4;
inline constexpr std::uint8_t Actuation2CommandTime = 4;
inline constexpr std::uint8_t ExternalRecallTries = 1;
inline constexpr std::uint8_t RecallInterval = 5;

// Option bits: "Impressora paralela" and ticketing of outgoing calls (297); conference and
// return of transferred calls (298); "Música para espera" (298 bit 1) on model 9 only, where the
// screen always shows it ticked.
inline constexpr std::uint8_t OptionBits1 = 0xC0;
inline constexpr std::uint8_t OptionBits2 = 0x30;
inline constexpr std::uint8_t MusicOnHoldModel9 = 0x02;

// Prefixes: the ten one-digit prefixes "0".."9", all local, and no area code, as the prefix
// store encodes them: every first-level entry 0 but "00" -> node 130, "08" -> node 128 and "90"
// with bit 0; nodes 128, 129 and 130 all 0 but entry 0 of 128 -> node 129 and entry 0 of 129
// and of 130 with bit 0.
inline constexpr std::uint16_t AreaCode = 0xFFFF;
inline constexpr std::uint8_t PrefixLeaf = 0x00; // local
inline constexpr std::uint8_t PrefixEntry00 = 0x82, PrefixEntry08 = 0x80, PrefixEntry90 = 0x01;
inline constexpr std::uint8_t PrefixNode128Entry0 = 0x81, PrefixNode129Entry0 = 0x01,
                              PrefixNode130Entry0 = 0x01;

// Holidays: none; Saturday is a holiday from 00:00.
// Night service and external actuation: no time (0x60 0x60), not active.
inline constexpr std::uint8_t ActivationBits = 0x00;

// Centralizer: no identification, no call time (0x24 0x24), no number.
// General and individual speed dial: empty entries, empty names.

// Extension groups: empty (type "@", members 0xBB), nobody a member, 3 rings before diversion.
inline constexpr std::uint8_t GroupRings = 3;

// External emergency (no default button): no emergency extension (its target 0xBF), no
// destinations, no numbers.
inline constexpr std::uint8_t EmergencyExtensionTarget = 0xBF;

// Door phones: attendant the extension of position 0 (the first number of the default plan),
// command time 1 s (INI "TempoComando") stored x 50, answer wait 30 s, no external number.
inline constexpr PositionCode DoorPhoneAttendant = 0;
inline constexpr std::uint8_t DoorPhoneCommandSeconds = 1;
inline constexpr std::uint8_t DoorPhoneCommandUnit = 50;
inline constexpr std::uint8_t DoorPhoneWaitTime = 30;

// General password "000" (digit 0 is stored as 10); extension passwords of 4 digits (models
// 9..13 only).
inline constexpr std::uint8_t GeneralPassword1 = 0x2A, GeneralPassword2 = 0xAA;
inline constexpr std::uint8_t ExtensionPasswordDigits = 4;

// Fax attendant: none. Private codes: no extension, no name. Wake-up: no time, count 0.
// Intelligent terminals: no terminal attached (0xBB), every key without function (255).
inline constexpr std::uint8_t KeyWithoutFunction = 255;

// "Padrão" of the keys of an intelligent terminal (codes: screens/TerminalKeys.h), keys A..Z.
// Model 9: lines 1..4, no function, extensions of positions 0..11, three without function,
// general ringing, padlock, room monitoring, door phone 1, actuation 1.
inline constexpr std::array<std::uint8_t, 25> TerminalKeysModel9 = {
    129, 130, 131, 132, 255, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 255, 255, 255, 109, 108, 106, 100, 102};
// Every other model: lines 1..6, then the extensions of positions 0..18 (whatever the model's
// extension count).
inline constexpr std::array<std::uint8_t, 25> TerminalKeysOtherModels = {
    129, 130, 131, 132, 133, 134, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};

} // namespace Defaults
