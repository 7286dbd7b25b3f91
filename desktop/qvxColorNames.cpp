#include "desktop/qvxColorNames.h"

#include <array>

namespace {

struct TColorName {
    const char* ident;
    TColor color;
};

// The library's own identifiers first, then the standard ones; a value is named by its first entry.
constexpr std::array<TColorName, 40> ColorNames{{
    {"clHotLight", qvxSystemColorFlag | 26},
    {"clBrown", 0x003090},
    {"clOliveGreen", 0x003030},
    {"clDarkGreen", 0x003000},
    {"clDarkTeal", 0x603000},
    {"clIndigo", 0x903030},
    {"clNight", 0x303030},
    {"clOrange", 0x0068FF},
    {"clBlueGray", 0x906060},
    {"clLightOrange", 0x0098FF},
    {"clSeaGreen", 0x609830},
    {"clLightBlue", 0xFF6830},
    {"clMetal", 0x909090},
    {"clGold", 0x00C8FF},
    {"clPlum", 0x603090},
    {"clRose", 0xD098FF},
    {"clTan", 0xA0C8FF},
    {"clLightYellow", 0x90FFFF},
    {"clLightGreen", 0xD0FFD0},
    {"clLightTurquoise", 0xFFFFC0},
    {"clPaleBlue", 0xFFC890},
    {"clLavender", 0xFF98C0},
    {"clDefault", clDefault},
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clNone", clNone},
}};

bool IsRgb(TColor color) {
    return (static_cast<std::uint32_t>(color) & 0xFF000000u) == 0;
}

} // namespace

std::optional<TColor> qvxIdentToColor(const QString& ident) {
    for (const TColorName& name : ColorNames)
        if (ident.compare(QLatin1String(name.ident), Qt::CaseInsensitive) == 0) return name.color;
    return std::nullopt;
}

std::optional<QString> qvxColorToIdent(TColor color) {
    for (const TColorName& name : ColorNames)
        if (name.color == color) return QString::fromLatin1(name.ident);
    return std::nullopt;
}

QColor qvxColorToQColor(TColor color) {
    if (!IsRgb(color)) return {};
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TColor qvxQColorToColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}
