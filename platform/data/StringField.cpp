#include "platform/data/StringField.h"

#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/NumberText.h"
#include "platform/data/TextUtil.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace platform::data {

TStringField::TStringField(std::string fieldName, int size, TFieldType dataType)
    : TField(dataType, std::move(fieldName), size) {
    CheckTypeSize(size);
}

void TStringField::CheckTypeSize(int size) const {
    if (size < 1 || size > MaxSize) DatabaseError(SInvalidFieldSize);
}

std::optional<std::string> TStringField::ReadValue() const {
    std::vector<char> buffer(static_cast<std::size_t>(DataSize()), '\0');
    if (!GetData(buffer.data())) return std::nullopt;
    std::string text(buffer.data(), std::find(buffer.begin(), buffer.end() - 1, '\0') - buffer.begin());
    return FixedChar() ? TrimRight(text) : text;
}

void TStringField::SetAsString(std::string_view value) {
    std::vector<char> buffer(static_cast<std::size_t>(DataSize()), '\0');
    std::copy_n(value.begin(), std::min<std::size_t>(value.size(), static_cast<std::size_t>(Size())),
                buffer.begin());
    SetData(buffer.data());
}

std::int64_t TStringField::AsLargeInt() const {
    const std::string text = AsString();
    return Parsed(TryStrToInt64(text), SInvalidIntegerValue, text);
}

std::int32_t TStringField::AsInteger() const {
    const std::int64_t value = AsLargeInt();
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        InvalidValue(SInvalidIntegerValue, AsString());
    return static_cast<std::int32_t>(value);
}

double TStringField::AsFloat() const {
    const std::string text = AsString();
    return Parsed(TryStrToFloat(text), SInvalidFloatValue, text);
}

void TStringField::SetAsFloat(double value) {
    SetAsString(FloatToStr(value));
}

bool TStringField::AsBoolean() const {
    const std::string text = AsString();
    return !text.empty() && std::string_view("TtYy").find(text.front()) != std::string_view::npos;
}

TDateTime TStringField::AsDateTime() const {
    const std::string text = AsString();
    return Parsed(TryStrToDateTime(text), SInvalidDateTimeValue, text);
}

void TStringField::SetAsDateTime(TDateTime value) {
    SetAsString(DateTimeToStr(value));
}

Variant TStringField::GetAsVariant() const {
    auto value = ReadValue();
    return value ? Variant(std::move(*value)) : Variant();
}

} // namespace platform::data
