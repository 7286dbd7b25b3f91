#include "core/ValueConversions.h"

#include "core/ModelTables.h"
#include "core/Programming.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace {

void CheckTarget(std::span<std::uint8_t> target) {
    if (target.size() < 3) throw std::invalid_argument("A packed date or time needs three bytes");
}

std::string TwoDigits(int value) {
    return IntToStrZeroPad(value, 2);
}

bool ConvertTimeText(std::string_view text, bool emptyIsValid, TTimePair& time) {
    const std::string compact = RemoveSpaces(text);
    if (compact == "__:__" || compact == ":" || (emptyIsValid && compact.empty())) {
        time = {NoTime, NoTime};
        return true;
    }
    const auto parsed = ParseClockText(compact);
    if (!parsed) return false;
    time = TimesAreBcd(ModelCode) ? TTimePair{ByteToBcd(parsed->hour), ByteToBcd(parsed->minute)} : *parsed;
    return true;
}

} // namespace

std::string RemoveSpaces(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text)
        if (c != ' ') result += c;
    return result;
}

std::string IntToStrZeroPad(long long value, int width) {
    const unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude);
    const int signWidth = value < 0 ? 1 : 0;
    if (static_cast<int>(digits.size()) + signWidth < width)
        digits.insert(0, static_cast<std::size_t>(width - signWidth) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

std::uint8_t BcdToByte(std::uint8_t bcd) {
    return static_cast<std::uint8_t>((bcd >> 4) * 10 + (bcd & 0x0F));
}

std::uint8_t ByteToBcd(std::uint8_t value) {
    if (value > 99) throw std::out_of_range("BCD value above 99: " + std::to_string(value));
    return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

bool TimesAreBcd(std::uint8_t model) {
    return model >= 3 && model <= 5;
}

std::string FormatClockTime(std::uint8_t hour, std::uint8_t minute) {
    if (TimesAreBcd(ModelCode)) {
        hour = BcdToByte(hour);
        minute = BcdToByte(minute);
    }
    return FormatTimeBin(hour, minute);
}

std::string FormatTimeBin(std::uint8_t hour, std::uint8_t minute) {
    return TwoDigits(hour) + ":" + TwoDigits(minute);
}

std::optional<TTimePair> ParseClockText(std::string_view compact) {
    if (compact.size() < 5) return std::nullopt;
    const auto digit = [&](std::size_t i) { return compact[i] >= '0' && compact[i] <= '9'; };
    if (!digit(0) || !digit(1) || !digit(3) || !digit(4)) return std::nullopt;
    const int hour = (compact[0] - '0') * 10 + (compact[1] - '0');
    const int minute = (compact[3] - '0') * 10 + (compact[4] - '0');
    if (hour >= 24 || minute >= 60) return std::nullopt;
    return TTimePair{static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute)};
}

bool ConverteHorario(std::string_view text, TTimePair& time) {
    return ConvertTimeText(text, false, time);
}

bool ConverteHorarioNoturno(std::string_view text, TTimePair& time) {
    return ConvertTimeText(text, true, time);
}

std::string FormatClockTimeBin(std::uint8_t first, std::uint8_t second) {
    return TwoDigits(first) + "/" + TwoDigits(second);
}

PackedNumber PackPhoneNumber(std::string_view text) {
    PackedNumber number{};
    int count = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || count == MaxPackedDigits) continue;
        const std::uint8_t nibble = c == '0' ? 10 : static_cast<std::uint8_t>(c - '0');
        std::uint8_t& byte = number[2 + count / 2];
        byte |= count % 2 == 0 ? static_cast<std::uint8_t>(nibble << 4) : nibble;
        ++count;
    }
    number[1] = static_cast<std::uint8_t>(count);
    return number;
}

std::string UnpackPhoneNumber(const PackedNumber& number) {
    std::string digits;
    for (std::size_t i = 2; i <= 14; ++i) {
        for (const std::uint8_t nibble :
             {static_cast<std::uint8_t>(number[i] >> 4), static_cast<std::uint8_t>(number[i] & 0x0F)}) {
            if (nibble == 10)
                digits += '0';
            else if (nibble >= 1 && nibble <= 9)
                digits += static_cast<char>('0' + nibble);
        }
    }
    digits.resize(std::min<std::size_t>(digits.size(), number[1] & 31));
    return digits;
}

void PackDate(std::span<std::uint8_t> target, int day, int month, int year) {
    CheckTarget(target);
    const bool inRange = year >= 0 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
    if (!inRange || !std::chrono::year_month_day(std::chrono::year(year),
                                                 std::chrono::month(static_cast<unsigned>(month)),
                                                 std::chrono::day(static_cast<unsigned>(day)))
                         .ok())
        throw std::invalid_argument("Invalid date");
    target[0] = static_cast<std::uint8_t>(day);
    target[1] = static_cast<std::uint8_t>(month);
    target[2] = static_cast<std::uint8_t>(year % 100);
}

void PackTime(std::span<std::uint8_t> target, int hour, int minute, int second) {
    CheckTarget(target);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw std::invalid_argument("Invalid time");
    target[0] = static_cast<std::uint8_t>(hour);
    target[1] = static_cast<std::uint8_t>(minute);
    target[2] = static_cast<std::uint8_t>(second);
}
