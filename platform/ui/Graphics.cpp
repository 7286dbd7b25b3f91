#include "platform/ui/Graphics.h"

#include <QApplication>
#include <QFontDatabase>

QString DefaultFontFamily() {
    return QApplication::instance() ? QApplication::font().family() : QFont().family();
}

TFont& TFont::operator=(const TFont& other) {
    if (SameLook(other)) return *this;
    name_ = other.name_;
    size_ = other.size_;
    color_ = other.color_;
    style_ = other.style_;
    orientation_ = other.orientation_;
    Changed();
    return *this;
}

void TFont::SetName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetSize(int points) {
    if (points == size_) return;
    size_ = points;
    Changed();
}

void TFont::SetHeight(int pixels) {
    SetSize((std::abs(pixels) * 72 + 48) / 96);
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetOrientation(int tenths) {
    if (tenths == orientation_) return;
    orientation_ = tenths;
    Changed();
}

QFont TFont::ToQFont() const {
    QString family = name_;
    if (family.isEmpty() || !QFontDatabase::hasFamily(family)) family = DefaultFontFamily();
    QFont font(family);
    font.setPointSize(size_ > 0 ? size_ : 8);
    font.setBold(style_.Contains(TFontStyle::fsBold));
    font.setItalic(style_.Contains(TFontStyle::fsItalic));
    font.setUnderline(style_.Contains(TFontStyle::fsUnderline));
    font.setStrikeOut(style_.Contains(TFontStyle::fsStrikeOut));
    font.setKerning(false);
    return font;
}

bool TFont::SameLook(const TFont& other) const {
    return name_ == other.name_ && size_ == other.size_ && color_ == other.color_ && style_ == other.style_ &&
           orientation_ == other.orientation_;
}

TBrush& TBrush::operator=(const TBrush& other) {
    color_ = other.color_;
    style_ = other.style_;
    Changed();
    return *this;
}

void TBrush::SetColor(TColor color) {
    color_ = color;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    style_ = style;
    Changed();
}

TPen& TPen::operator=(const TPen& other) {
    color_ = other.color_;
    width_ = other.width_;
    style_ = other.style_;
    mode_ = other.mode_;
    Changed();
    return *this;
}

void TPen::SetColor(TColor color) {
    color_ = color;
    Changed();
}

void TPen::SetWidth(int width) {
    width_ = width < 1 ? 1 : width;
    Changed();
}

void TPen::SetStyle(TPenStyle style) {
    style_ = style;
    Changed();
}

void TPen::SetMode(TPenMode mode) {
    mode_ = mode;
    Changed();
}
