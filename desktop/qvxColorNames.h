#pragma once
// Colour identifiers of stored window layouts ("clOrange", "clBrown", ...) and the colour values
// they stand for.
//
// TColor is the colour type of the stored layouts: 0x00BBGGRR for an RGB colour (blue in the
// high byte), 0xFF0000nn for the system colour nn, plus two special values: clNone 0x1FFFFFFF and
// clDefault 0x20000000. The library adds 23 identifiers (clHotLight, clBrown, ... clDefault) to
// the 16 standard ones (clBlack ... clWhite) and clNone. Identifiers are matched ignoring case.

#include <QColor>
#include <QString>

#include <cstdint>
#include <optional>

using TColor = std::int32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor qvxSystemColorFlag = static_cast<TColor>(0xFF000000);

std::optional<TColor> qvxIdentToColor(const QString& ident);
std::optional<QString> qvxColorToIdent(TColor color);

// The RGB colour of an RGB TColor; an invalid QColor for system and special colours.
QColor qvxColorToQColor(TColor color);
// The TColor of an RGB colour (alpha is dropped).
TColor qvxQColorToColor(const QColor& color);
