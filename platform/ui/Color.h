// Colours as the class library stores them: 32 bits $00BBGGRR (red in the low byte), system
// colours $80000000 + index (resolved through the application palette when drawn), and
// clNone ($1FFFFFFF), the value that means "not set" and never stands for a real colour.
#pragma once

#include <QColor>
#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor RGBColor(int r, int g, int b) {
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int RedOf(TColor c) {
    return int(c & 0xFF);
}
constexpr int GreenOf(TColor c) {
    return int((c >> 8) & 0xFF);
}
constexpr int BlueOf(TColor c) {
    return int((c >> 16) & 0xFF);
}

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;

constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = clSystemColor + 0, clBackground = clSystemColor + 1,
                 clActiveCaption = clSystemColor + 2, clInactiveCaption = clSystemColor + 3,
                 clMenu = clSystemColor + 4, clWindow = clSystemColor + 5, clWindowFrame = clSystemColor + 6,
                 clMenuText = clSystemColor + 7, clWindowText = clSystemColor + 8,
                 clCaptionText = clSystemColor + 9, clActiveBorder = clSystemColor + 10,
                 clInactiveBorder = clSystemColor + 11, clAppWorkSpace = clSystemColor + 12,
                 clHighlight = clSystemColor + 13, clHighlightText = clSystemColor + 14,
                 clBtnFace = clSystemColor + 15, clBtnShadow = clSystemColor + 16,
                 clGrayText = clSystemColor + 17, clBtnText = clSystemColor + 18,
                 clInactiveCaptionText = clSystemColor + 19, clBtnHighlight = clSystemColor + 20,
                 cl3DDkShadow = clSystemColor + 21, cl3DLight = clSystemColor + 22,
                 clInfoText = clSystemColor + 23, clInfoBk = clSystemColor + 24,
                 clHotLight = clSystemColor + 26, clGradientActiveCaption = clSystemColor + 27,
                 clGradientInactiveCaption = clSystemColor + 28, clMenuHighlight = clSystemColor + 29,
                 clMenuBar = clSystemColor + 30;

constexpr bool IsColorSet(TColor c) {
    return c != clNone && c != clDefault;
}
constexpr bool IsSystemColor(TColor c) {
    return (c & 0xFF000000) == clSystemColor;
}

// The colour as $00BBGGRR: system colours resolved through the application palette, clNone and
// clDefault given back unchanged (they have no RGB value).
TColor ColorToRGB(TColor c);

// The Qt colour to draw with; an invalid QColor for clNone and clDefault, so that a colour that is
// not set can never be painted by mistake.
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

// Each of red, green and blue halved (after resolving system colours).
TColor DarkenColor(TColor c);
