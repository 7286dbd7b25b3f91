#include "core/ExtensionCodes.h"

#include "core/Programming.h"
#include "core/ValueConversions.h"

#include <algorithm>
#include <charconv>
#include <optional>

std::array<std::uint16_t, 1 + MaxPositions + 5> ExtensionList{};
std::uint8_t ExtensionListCount = 0;

namespace {

constexpr std::string_view NoExtensionText = "    ";

// The value of a text of digits only; nullopt for an empty text, any other character, or a
// value beyond 32 bits.
std::optional<std::uint32_t> DigitsValue(std::string_view digits) {
    if (digits.empty() || !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

} // namespace

bool BeginsWithTwoOrThree(std::uint16_t number) {
    const char first = std::to_string(number).front();
    return first == '2' || first == '3';
}

PositionCode ExtensionCodeFromText(std::string_view text, bool& ok) {
    const std::string compact = RemoveSpaces(text);
    ok = false;
    if (compact.empty()) {
        ok = true;
        return NoExtension;
    }
    if (compact.front() == '6') {
        const auto rest = DigitsValue(std::string_view(compact).substr(1));
        if (!rest || *rest > 0xFFu - 112u) return 0;
        ok = true;
        return static_cast<PositionCode>(112 + *rest);
    }
    const auto value = DigitsValue(compact);
    if (!value) return 0;
    for (int position = 0; position < CurrentModel().Extensions; ++position) {
        if (ExtensionNumber(position) == *value) {
            ok = true;
            return static_cast<PositionCode>(position);
        }
    }
    return 0;
}

std::string ExtensionTextFromCode(int codePlusOne) {
    if (codePlusOne == 187 || codePlusOne == 188) return std::string(NoExtensionText);
    if ((codePlusOne & 0x70) == 0x70 && codePlusOne <= 0xFF) return std::to_string((codePlusOne & 15) + 59);
    const int position = codePlusOne - 1;
    if (position < 0 || position >= CurrentModel().Extensions) return std::string(NoExtensionText);
    return std::to_string(ExtensionNumber(position));
}

void BuildExtensionList(bool withAccessCodes) {
    ExtensionList.fill(0);
    std::size_t count = 0;
    ExtensionList[count++] = ExtensionListMarker;
    for (int position = 0; position < CurrentModel().Extensions; ++position) {
        const std::uint16_t number = ExtensionNumber(position);
        if (BeginsWithTwoOrThree(number)) ExtensionList[count++] = number;
    }
    if (withAccessCodes) {
        ExtensionList[count++] = 60;
        for (int group = 1; group <= 4; ++group) {
            const std::size_t typeOffset = Offset::Groups + Offset::GroupRecordSize * (group - 1);
            if (ProgrammingImage[typeOffset] != EmptyGroupType)
                ExtensionList[count++] = static_cast<std::uint16_t>(60 + group);
        }
    }
    std::sort(ExtensionList.begin() + 1, ExtensionList.begin() + static_cast<std::ptrdiff_t>(count));
    ExtensionListCount = static_cast<std::uint8_t>(count);
}
