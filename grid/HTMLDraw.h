// Mini-HTML: the small tag language of cell texts, hints and footers, and its renderer.
//
// HTMLDrawEx draws such a text into a rectangle of a canvas, measures it and hit-tests a point
// against its anchors, anchored images and form controls. It keeps nothing between calls: every
// call reads the whole text again. Tags (letters in any case; attribute values between double
// quotes):
//   <A HREF="target">..</A>  anchor          <B>..</B> bold     <I>..</I> italic   <U>..</U> underline
//   <S>..</S> strike-out    <SUB>, <SUP>..</SU..>  sub- and superscript   <SHAD>..</SHAD> shadow
//   <Z>..</Z> hidden text   <E>..</E> error mark (red zigzag)   <BLINK>..</BLINK>   <HI>..</HI> highlight
//   <FONT FACE COLOR BGCOLOR SIZE>..</FONT>   <P ALIGN INDENT BGCOLOR>..</P>   <BR>   <HR>
//   <BODY BACKGROUND BGCOLOR>   <UL>..</UL> list level, <LI>..</LI> list item   <IND x="n"> indent
//   <R ANGLE="a">..</R> rotated text   <IMG SRC WIDTH HEIGHT ALIGN>   <CONTROL TYPE ID VALUE WIDTH>
// Image sources: "IDX:n" (the image list), "SSYS:path" / "LSYS:path" (the desktop's small or large
// icon for a file or folder; a bare number names no image here and draws nothing), a name (the
// picture container) or a URL with "://" (the picture cache). Control types: EDIT, COMBO, CHECK,
// RADIO, BUTTON. Entities: &amp; &quot; &lt; &gt; &nbsp; &sect; &permil; &reg; &copy; &para;
// &trade; &euro;. "<#" shows a tag as text. Colours are names ("clRed", "clBtnFace", ...) or
// "#RRGGBB".
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"

#include <QString>

class QWidget;
class THTMLPictureCache;
class TPictureContainer;

// What HTMLDrawEx gives back besides drawing.
struct THTMLDrawResult {
    // The point lies on a form control, on an image inside an anchor, or on an anchor's text (within
    // one "gh" height above its line's text bottom). Always false when only measuring.
    bool Hit = false;
    // The target of the anchor under the point; "ctrl" for a form control under the point.
    QString Anchor;
    // The text of every run, hidden ones included, with a CR for each <BR>.
    QString PlainText;
    // The target of the focused anchor.
    QString FocusAnchor;
    // The widest line, and the sum of the line heights (one "gh" height when there is no line).
    int Width = 0, Height = 0;
    // HTMLMeasureWithin left lines out below the rectangle.
    bool Cut = false;
    // Anchors met, and the number (from 1) and rectangle of the anchor under the point.
    int AnchorCount = 0;
    int HitAnchor = -1;
    TRect HitAnchorRect;
    // The form control under the point: its box, ID, VALUE and TYPE.
    TRect ControlRect;
    QString ControlID, ControlValue, ControlType;
};

// Draws (or measures, or hit-tests) the text in the rectangle. The arguments:
//   images        the image list of "IDX:" images (may be null)
//   x, y          the point to hit-test
//   focusLink     the focused anchor, counted from 0 (-1: none): it gets a focus rectangle
//   hoverLink     the hovered anchor, counted from 1
//   shadowOffset  how far right and down a shadow is drawn
//   checkOnly     draw nothing, but lay the text out and hit-test it
//   measureOnly   no drawing and no hit-testing; the text is not cut at the rectangle's bottom,
//                 only where its height reaches the largest element size (as sizes are bounded)
//   printing      image-list and desktop icons are stretched by printScale
//   keepColors    anchors, FONT COLOR and FONT BGCOLOR leave the colours as they are
//   blinkVisible  false: <BLINK> text takes the background colour
//   hoverStyle    only the hovered anchor is underlined and takes the hover colours
//   wordWrap      false: one run per text piece, cut with an ellipsis at the right edge
//   mouseDown     a BUTTON control under the point is drawn pressed
//   anchorColor, hoverColor, hoverFontColor, shadowColor   (clNone: not set)
//   cache, container  where URL and named pictures come from (may be null)
//   themeWidget   the widget whose style draws the form controls (may be null)
// The canvas's font is the text's base font; font, pen, brush and background mode are left as
// they were.
THTMLDrawResult HTMLDrawEx(TCanvas& canvas, const QString& text, const TRect& rect, const TImageList* images,
                           int x, int y, int focusLink, int hoverLink, int shadowOffset, bool checkOnly,
                           bool measureOnly, bool printing, bool keepColors, bool blinkVisible,
                           bool hoverStyle, bool wordWrap, bool mouseDown, double printScale,
                           TColor anchorColor, TColor hoverColor, TColor hoverFontColor, TColor shadowColor,
                           THTMLPictureCache* cache = nullptr, TPictureContainer* container = nullptr,
                           const QWidget* themeWidget = nullptr);

// Measures the text as HTMLDrawEx does with measureOnly (no images, pictures or hit-testing;
// shadows 1 pixel, grey), laying out only the lines that fit whole within the rectangle's height,
// the first one always: Width and Height are those of these lines, and Cut tells that lines were
// left out. Beyond one pass over the text to prepare it, the cost follows the lines that fit,
// however long the text.
THTMLDrawResult HTMLMeasureWithin(TCanvas& canvas, const QString& text, const TRect& rect, bool wordWrap,
                                  TColor anchorColor);

// Whether HTMLDrawEx acts on the tag (from its "<" to its ">"): false for one whose letter selects
// none of the tags above (HTML's <TABLE>, <TR>, <TD>, say), which it passes over. Such a tag ends
// the run of text before it, and does nothing more.
bool HTMLTagActs(QStringView tag);

// The text without tags: each <BR> and <HR> (any case) becomes CR LF, then every tag from a "<" to
// the first ">" after it is removed; a "<" without a later ">" stays with the text after it.
// Entities are left as they are.
QString HTMLStrip(const QString& text);
// Gives the form control whose ID is id the value (with "<" and ">" written as "&lt;" and
// "&gt;"), rewriting its tag; false, with the text unchanged, when no control has that ID.
bool HTMLSetControlValue(QString& text, const QString& id, const QString& value);
// The colour of a name such as "clRed" or "clBtnFace" (any case); 0 (black) for an unknown name.
TColor HTMLColorName(const QString& name);
// The colour of "#RRGGBB" (hexadecimal digits in either case; a missing or bad digit counts 0).
TColor HTMLHexColor(const QString& text);
// The 1-based position of sub in text, both upper-cased; 0 when absent.
int HTMLStringPos(const QString& sub, const QString& text);
