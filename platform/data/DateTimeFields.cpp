#include "platform/data/DateTimeFields.h"

#include "platform/data/DBConsts.h"
#include "platform/data/NumberText.h"
#include "platform/data/TextUtil.h"

#include <cmath>

namespace platform::data {

void TDateTimeField::SetAsDateTime(TDateTime value) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        InvalidValue(SInvalidDateTimeValue, FloatToStr(value));
    TTimeStamp stamp = DateTimeToTimeStamp(value);
    if (DataType() == ftDate) stamp.Time = 0;
    if (DataType() == ftTime) stamp.Date = DateDelta;
    WriteNative(TimeStampToDateTime(stamp));
}

std::string TDateTimeField::AsString() const {
    const auto value = ReadNative<double>();
    if (!value) return {};
    switch (DataType()) {
    case ftDate:
        return DateToStr(*value);
    case ftTime:
        return TimeToStr(*value);
    default:
        return DateTimeToStr(*value);
    }
}

void TDateTimeField::SetAsString(std::string_view value) {
    if (Trim(value).empty()) return Clear();
    std::optional<TDateTime> parsed;
    switch (DataType()) {
    case ftDate:
        parsed = TryStrToDate(value);
        break;
    case ftTime:
        parsed = TryStrToTime(value);
        break;
    default:
        parsed = TryStrToDateTime(value);
        break;
    }
    SetAsDateTime(Parsed(parsed, SInvalidDateTimeValue, value));
}

Variant TDateTimeField::GetAsVariant() const {
    const auto value = ReadNative<double>();
    return value ? Variant::FromDateTime(*value) : Variant();
}

} // namespace platform::data
