// Fonts, brushes and pens with the class library's fields and change notification.
//
// Copying one object into another (operator=) copies the drawing fields, keeps the target's
// change handler and fires it, as assigning a font or brush in the class library does.
#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/EnumSet.h"

#include <QFont>
#include <QString>
#include <functional>

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

// Notifies the owner (a canvas, a grid) that a drawing object changed.
class TGraphicsObject {
public:
    std::function<void()> OnChange;

protected:
    TGraphicsObject() = default;
    TGraphicsObject(const TGraphicsObject&) {} // the handler belongs to the owner, not the value
    TGraphicsObject& operator=(const TGraphicsObject&) { return *this; }
    void Changed() const {
        if (OnChange) OnChange();
    }
};

class TFont : public TGraphicsObject {
public:
    TFont() = default;
    TFont(const TFont& other) = default;
    TFont& operator=(const TFont& other);

    // An empty name, or one the machine does not have, draws with the application's font family.
    const QString& Name() const { return name_; }
    void SetName(const QString& name);
    // Size in points; Height() is the class library's negative pixel height at 96 dots per inch.
    int Size() const { return size_; }
    void SetSize(int points);
    int Height() const { return -(size_ * 96 + 36) / 72; }
    void SetHeight(int pixels);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    // Escapement in tenths of a degree, counter-clockwise (rotated text).
    int Orientation() const { return orientation_; }
    void SetOrientation(int tenths);

    QFont ToQFont() const;
    bool SameLook(const TFont& other) const;

private:
    QString name_;
    int size_ = 8;
    TColor color_ = clWindowText;
    TFontStyles style_;
    int orientation_ = 0;
};

enum class TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBrush : public TGraphicsObject {
public:
    TBrush() = default;
    TBrush(TColor color, TBrushStyle style = TBrushStyle::bsSolid) : color_(color), style_(style) {}
    TBrush(const TBrush& other) = default;
    TBrush& operator=(const TBrush& other);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    // Nothing is filled with a clear brush or with a colour that is not set.
    bool Paints() const { return style_ != TBrushStyle::bsClear && IsColorSet(color_); }

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// pmCopy draws the pen colour; the others combine it with what is already there (raster devices).
enum class TPenMode { pmCopy, pmNot, pmXor, pmNotXor };

class TPen : public TGraphicsObject {
public:
    TPen() = default;
    TPen(TColor color, int width = 1, TPenStyle style = TPenStyle::psSolid)
        : color_(color), width_(width), style_(style) {}
    TPen(const TPen& other) = default;
    TPen& operator=(const TPen& other);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);
    bool Paints() const { return style_ != TPenStyle::psClear && IsColorSet(color_); }

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = TPenStyle::psSolid;
    TPenMode mode_ = TPenMode::pmCopy;
};

// The application's font family: what an empty or unknown font name draws with.
QString DefaultFontFamily();
