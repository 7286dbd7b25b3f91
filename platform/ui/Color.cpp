#include "platform/ui/Color.h"

#include <QApplication>
#include <QPalette>

namespace {

struct TSystemColorRole {
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// Which palette entry stands for each system colour index; -1 roles fall back to a fixed colour.
bool SystemRole(int index, TSystemColorRole& out) {
    using P = QPalette;
    switch (index) {
    case 0:
        out = {P::Active, P::Button};
        return true; // scroll bar
    case 1:
    case 12:
        out = {P::Active, P::Dark};
        return true; // desktop, MDI background
    case 2:
    case 27:
        out = {P::Active, P::Highlight};
        return true; // active caption
    case 3:
    case 28:
        out = {P::Inactive, P::Mid};
        return true; // inactive caption
    case 4:
    case 30:
        out = {P::Active, P::Window};
        return true; // menu, menu bar
    case 5:
        out = {P::Active, P::Base};
        return true; // window
    case 6:
        out = {P::Active, P::Shadow};
        return true; // window frame
    case 7:
        out = {P::Active, P::WindowText};
        return true; // menu text
    case 8:
        out = {P::Active, P::Text};
        return true; // window text
    case 9:
        out = {P::Active, P::HighlightedText};
        return true; // caption text
    case 10:
    case 11:
        out = {P::Active, P::Button};
        return true; // borders
    case 13:
    case 29:
        out = {P::Active, P::Highlight};
        return true; // highlight
    case 14:
        out = {P::Active, P::HighlightedText};
        return true;
    case 15:
        out = {P::Active, P::Button};
        return true; // button face
    case 16:
        out = {P::Active, P::Dark};
        return true; // button shadow
    case 17:
        out = {P::Disabled, P::Text};
        return true; // grey text
    case 18:
        out = {P::Active, P::ButtonText};
        return true;
    case 19:
        out = {P::Inactive, P::WindowText};
        return true;
    case 20:
        out = {P::Active, P::Light};
        return true; // button highlight
    case 21:
        out = {P::Active, P::Shadow};
        return true; // 3D dark shadow
    case 22:
        out = {P::Active, P::Midlight};
        return true; // 3D light
    case 23:
        out = {P::Active, P::ToolTipText};
        return true;
    case 24:
        out = {P::Active, P::ToolTipBase};
        return true;
    case 26:
        out = {P::Active, P::Link};
        return true; // hot light
    default:
        return false;
    }
}

QColor SystemQColor(TColor c) {
    TSystemColorRole role;
    if (!SystemRole(int(c & 0xFF), role)) return QColor(Qt::black);
    QPalette palette = QApplication::instance() ? QApplication::palette() : QPalette();
    return palette.color(role.Group, role.Role);
}

} // namespace

TColor FromQColor(const QColor& c) {
    if (!c.isValid()) return clNone;
    return RGBColor(c.red(), c.green(), c.blue());
}

TColor ColorToRGB(TColor c) {
    if (!IsColorSet(c)) return c;
    if (IsSystemColor(c)) return FromQColor(SystemQColor(c));
    return c & 0x00FFFFFF;
}

QColor ToQColor(TColor c) {
    if (!IsColorSet(c)) return QColor();
    TColor rgb = ColorToRGB(c);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

TColor DarkenColor(TColor c) {
    TColor rgb = ColorToRGB(c);
    if (!IsColorSet(rgb)) return rgb;
    return RGBColor(RedOf(rgb) / 2, GreenOf(rgb) / 2, BlueOf(rgb) / 2);
}
