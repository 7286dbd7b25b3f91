#include "platform/data/BooleanField.h"

#include "platform/data/DBConsts.h"
#include "platform/data/TextUtil.h"

namespace platform::data {
namespace {

constexpr std::string_view TextTrue = "True";
constexpr std::string_view TextFalse = "False";

bool StartsText(std::string_view text, std::string_view word) {
    return text.size() <= word.size() && SameText(text, word.substr(0, text.size()));
}

} // namespace

std::string TBooleanField::AsString() const {
    const auto value = ReadNative<std::int16_t>();
    if (!value) return {};
    return std::string(*value != 0 ? TextTrue : TextFalse);
}

void TBooleanField::SetAsString(std::string_view value) {
    const std::string text = Trim(value);
    if (text.empty())
        Clear();
    else if (StartsText(text, TextTrue))
        SetAsBoolean(true);
    else if (StartsText(text, TextFalse))
        SetAsBoolean(false);
    else
        InvalidValue(SInvalidBoolValue, value);
}

Variant TBooleanField::GetAsVariant() const {
    const auto value = ReadNative<std::int16_t>();
    return value ? Variant(*value != 0) : Variant();
}

} // namespace platform::data
