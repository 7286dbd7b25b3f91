#pragma once
// Conversions between the values of the programming and their texts. All texts are UTF-8; the
// functions that read the model use ModelCode.

#include "core/ImageLayout.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The text with every blank (" ") removed.
std::string RemoveSpaces(std::string_view text);

// The decimal value left-padded with "0" to the width ("-" stays in front: -5, 3 -> "-05").
std::string IntToStrZeroPad(long long value, int width);

// Packed BCD to its plain value (high nibble x 10 + low nibble).
std::uint8_t BcdToByte(std::uint8_t bcd);
// A plain value 0..99 to packed BCD; a value above 99 raises std::out_of_range.
std::uint8_t ByteToBcd(std::uint8_t value);

// Times of day as the programming stores them: an hour and a minute byte, packed BCD on the
// models 3, 4 and 5 and plain numbers on every other model (model 8 included). The reader and the
// writer of a time both go through TimesAreBcd, so a time stored by a screen reads back as typed.
struct TTimePair {
    std::uint8_t hour = 0, minute = 0;
    bool operator==(const TTimePair&) const = default;
};
bool TimesAreBcd(std::uint8_t model);

// "hh:mm" of a stored time pair, decoded as TimesAreBcd(ModelCode) says.
std::string FormatClockTime(std::uint8_t hour, std::uint8_t minute);
// "hh:mm" of plain numbers on every model (the Saturday holiday hour).
std::string FormatTimeBin(std::uint8_t hour, std::uint8_t minute);

// The plain hour and minute of a time text without blanks: characters 1-2 and 4-5 must be
// digits giving hour < 24 and minute < 60; nullopt for anything else (shorter texts included).
std::optional<TTimePair> ParseClockText(std::string_view compact);

// A time field's text to the stored pair. Blanks are removed; "__:__" and ":" (an empty time
// field) give the empty pair 0x60 0x60; otherwise ParseClockText, encoded for ModelCode
// (TimesAreBcd). Returns false for an invalid text. ConverteHorario refuses the empty text;
// ConverteHorarioNoturno (the night-service times) takes it as the empty pair.
bool ConverteHorario(std::string_view text, TTimePair& time);
bool ConverteHorarioNoturno(std::string_view text, TTimePair& time);
// "aa/bb": both bytes plain numbers, two digits each, on every model (day/month).
std::string FormatClockTimeBin(std::uint8_t first, std::uint8_t second);

// Drops every non-digit, keeps the first 20 digits; digit 0 is stored as 10.
PackedNumber PackPhoneNumber(std::string_view text);
// The digits of a packed number: the first (byte 1 AND 31) characters of the nibbles read from
// byte 2 on (10 gives "0", 1..9 the digit, other nibbles nothing).
std::string UnpackPhoneNumber(const PackedNumber& number);

// Writes day, month and year % 100 into three bytes; raises std::invalid_argument on a date
// that does not exist.
void PackDate(std::span<std::uint8_t> target, int day, int month, int year);
// Writes hour, minute and second into three bytes; raises std::invalid_argument when out of range.
void PackTime(std::span<std::uint8_t> target, int hour, int minute, int second);
