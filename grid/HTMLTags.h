// Reading the tags of a mini-HTML text (HTMLDraw.h): attribute values, numbers, colours and the
// attributes of a form control. Attribute names are looked for in the upper-cased tag; a value is
// the text between the first pair of double quotes after its name, taken from the tag as written.
#pragma once

#include "platform/ui/Color.h"

#include <QString>

namespace HTMLTags {

// The value of the attribute named name (upper case) in the tag; false when the name or a pair of
// double quotes after it is missing.
bool TagValue(const QString& tag, const QString& upperTag, const QString& name, QString& value);
// The first double-quoted value of the tag at or after position from.
bool QuotedValue(const QString& tag, qsizetype from, QString& value);
// The value of the leading digits of s; 0 when it starts with no digit.
int LeadingNumber(const QString& s);
// The number s holds; a text that is no number counts as the value of its leading digits.
int Number(const QString& s);
// A colour value: "#RRGGBB" in hexadecimal, anything else by name.
TColor TagColor(const QString& value);
// "&lt;" and "&gt;" turned back into "<" and ">".
QString UnescapeAngles(const QString& s);

// The attributes of a <CONTROL> tag (TYPE upper-cased, VALUE unescaped).
struct TControlTag {
    QString Type, ID, Value, Width;
    bool HasWidth = false;
};
TControlTag ReadControlTag(const QString& tag);

} // namespace HTMLTags
