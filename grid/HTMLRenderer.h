// The parts of the mini-HTML renderer (HTMLDraw.h) that its source files share. A call prepares
// the text (entities, "<#", line breaks), then lays it out line by line: a measuring pass takes one
// line from the front of the text (wrapping it to the rectangle) and gives back its size and the
// source text it consumed; the line is aligned; a drawing pass then draws that source text into the
// aligned line box (or, when only checking, lays it out there without drawing, to hit-test it).
// Both passes start a line with the state the previous line ended with (fonts, colours, open
// anchor, list level, ...).
#pragma once

#include "grid/HTMLDraw.h"
#include "grid/HTMLTags.h"
#include "grid/VisibleText.h"
#include "platform/ui/GridAxis.h"

#include <algorithm>
#include <limits>

class THTMLPicture;

namespace HTMLRender {

// Flags of every run: one line standing on the line's bottom, tabs expanded, '&' shown as it is.
constexpr unsigned kRunFlags = DT_SINGLELINE | DT_BOTTOM | DT_EXPANDTABS | DT_NOPREFIX;
constexpr int kListIndent = 12;

// What a text sizes (controls, images, indents, fonts) is bounded as the grid bounds its widths
// and heights, and so is the size the renderer measures; positions summed along a text stop far
// from overflowing. Painting a text then costs about what drawing its runs once does.
constexpr int kMaxElementSize = TGridAxis::kMaxSize;
constexpr int kMaxFontPoints = kMaxElementSize * 72 / 96; // a line of kMaxElementSize pixels
constexpr int kMaxPosition = std::numeric_limits<int>::max() / 4;
// A run is laid out only as far as an element can reach (VisibleText.h): what follows lies beyond
// the widest element and is not measured or drawn.
constexpr qsizetype kMaxRunCharacters = LineCapacity(kMaxElementSize);
inline int ElementSize(int size) {
    return std::clamp(size, 0, kMaxElementSize);
}
inline int Moved(int position, int by) {
    return int(std::min<qint64>(qint64(position) + by, kMaxPosition));
}

struct TArgs {
    const TImageList* Images;
    TPoint Point;
    int FocusLink, HoverLink, ShadowOffset;
    bool CheckOnly, MeasureOnly, Printing, KeepColors, BlinkVisible, HoverStyle, WordWrap, MouseDown;
    double PrintScale;
    TColor AnchorColor, HoverColor, HoverFontColor, ShadowColor;
    THTMLPictureCache* Cache;
    TPictureContainer* Container;
    // Measuring lays out only the lines that fit whole within the rectangle's height (the first
    // one always) and tells whether any was left out (HTMLMeasureWithin).
    bool WithinHeight = false;
};

// The next place of a character in a text at or after a position, looked for once and kept while
// it lies ahead, so that a text is searched once for it however many runs it is cut into.
struct TNextChar {
    char16_t Char;
    qsizetype At = -2; // -2 not looked for yet; -1 none further
    qsizetype From(const QString& text, qsizetype pos) {
        if (At != -1 && At < pos) At = text.indexOf(QChar(Char), pos);
        return At;
    }
};

// What one line hands to the next.
struct TState {
    TFont Font;
    TColor Brush = clNone;
    bool Sup = false, Sub = false, Shadow = false, Hidden = false, ErrorMark = false;
    bool ParaBackground = false, Highlighted = false, Rotated = false;
    bool AnchorOpen = false, AnchorHit = false, AnchorStyled = false, AnchorFocused = false;
    int ListLevel = 0, AnchorCount = 0;
    QString AnchorTarget;
    int Align = 0, Indent = 0; // alignment 0 left, 1 right, 2 centre; indent in pixels
    TColor BrushBeforeAnchor = clNone, FontColorBeforeAnchor = clNone;
    TColor BrushBeforeHighlight = clNone, FontColorBeforeHighlight = clNone;
    TColor BrushBeforeParagraph = clNone, BrushBeforeFont = clNone;
    TFont FontBeforeRotation;
    int ControlWidth = 0; // the WIDTH of the last control
};

// One line as the measuring pass found it.
struct TLine {
    int Width = 0, Height = 0, Rise = 0, Drop = 0, TextOffset = 0;
    int GH = 0; // the "gh" height of the font the line starts with
    QString Source;
    bool AnchorFlag = false;  // the point's X lies on an anchor's text of the line
    bool ControlFlag = false; // the point lies on a control or an anchored image of the line
};

enum class TTagEnd { None, After, Before }; // the tag ends the line after it / before it

struct TExtent {
    int Width = 0, Height = 0;
};

class TRenderer;

// One pass over one line: measuring (consume: takes the line from the front of the text) or
// drawing (the line's source text into its aligned box; calc when only checking).
class TLinePass {
public:
    TLinePass(TRenderer& renderer, TState& state, const QString& text, qsizetype& pos, const TRect& box,
              bool calc, bool consume, const TLine* measured);
    TLine Run();

private:
    TCanvas& Canvas();
    int Limit() const;
    int BaseBottom() const { return box_.Bottom - line_.Drop; }
    int TextBottom() const { return BaseBottom() - line_.TextOffset; }
    TExtent Extent(const QString& text);
    void Consume(qsizetype count);
    void Advance(int width);

    bool DoRun();
    bool DoTag();
    TTagEnd Opening(QChar letter, const QString& tag, const QString& upper);
    TTagEnd Closing(QChar letter, const QString& tag, const QString& upper);

    void DrawRun(const QString& run, const TExtent& extent);
    void DrawZigzag(int left, int right, int bottom);
    void DrawFocus();
    void SetStyle(TFontStyle style, bool on);
    void SetFontColor(TColor color) { Canvas().Font().SetColor(color); }
    void SetBrush(TColor color) { Canvas().Brush().SetColor(color); }
    TColor Brush() { return Canvas().Brush().Color(); }

    void AnchorOpen(const QString& tag);
    void AnchorClose();
    void Body(const QString& tag, const QString& upper);
    void Font(const QString& tag, const QString& upper);
    void FontClose();
    TTagEnd ListItem();
    void Paragraph(const QString& tag, const QString& upper);
    TTagEnd Image(const QString& tag, const QString& upper);
    TTagEnd Control(const QString& tag);
    void DrawControl(const HTMLTags::TControlTag& control, const TRect& box, bool hot);

    TRenderer& r_;
    const TArgs& a_;
    TState& st_;
    const QString& text_; // the text to lay out, from pos_ on
    qsizetype& pos_;
    TRect box_;
    bool calc_, consume_;
    TLine line_;
    int x_;
    int anchorStart_;
    QString earlier_;       // the text of the line's runs so far
    int trailingSpace_ = 0; // width of the space that ends the line's last run
    bool listItem_ = false;
    // Where the next tag and the next space stand: the renderer's for its text (measuring passes
    // take lines from its front), the pass's own for a line's source text.
    TNextChar ownTag_{u'<'}, ownSpace_{u' '};
    TNextChar *nextTag_, *nextSpace_;
};

class TRenderer {
public:
    TRenderer(TCanvas& canvas, const TRect& rect, const TArgs& args)
        : canvas_(canvas), rect_(rect), a_(args) {}
    THTMLDrawResult Run(QString text);

    TCanvas& canvas_;
    const TRect rect_;
    TRect work_; // the text rectangle with its left edge 1 pixel to the right
    const TArgs& a_;
    THTMLDrawResult out_;
    TFont base_;
    TColor entryBrush_ = clNone;
    TNextChar nextTag_{u'<'}, nextSpace_{u' '}; // in the prepared text

private:
    void Apply(const TState& state);
    static QString Prepare(QString text);
};

// The picture of an image or background source: a name from the container, a URL from the cache
// (added there, loaded without waiting, when it is not yet known); nullptr when there is none.
THTMLPicture* FindPicture(const QString& source, const TArgs& a);

} // namespace HTMLRender
