// The mini-HTML renderer: preparation, the line loop, runs, tags, anchors, fonts, paragraphs and
// lists. Images and form controls are in HTMLDrawItems.cpp.
#include "grid/HTMLRenderer.h"
#include "grid/PictureContainer.h"

#include <QPainter>
#include <cassert>

namespace HTMLRender {

using namespace HTMLTags;

// ---- Preparation and the line loop ----------------------------------------------------------------

QString TRenderer::Prepare(QString text) {
    if (text.contains(u'&')) {
        static const std::pair<const char*, char16_t> entities[] = {
            {"&amp;", u'&'},         {"&quot;", u'"'},       {"&sect;", u'\u00A7'},
            {"&permil;", u'\u2030'}, {"&reg;", u'\u00AE'},   {"&copy;", u'\u00A9'},
            {"&para;", u'\u00B6'},   {"&trade;", u'\u2122'}, {"&euro;", u'\u20AC'},
        };
        // Replaced until none is left ("&amp;amp;" ends as "&"), in one pass: an entity is replaced
        // as soon as it ends the text written so far, where an '&' it gives may start the next.
        QString out;
        out.reserve(text.size());
        for (QChar c : std::as_const(text)) {
            out += c;
            if (c != u';') continue;
            for (const auto& [name, character] : entities) {
                const QLatin1String entity(name);
                if (out.endsWith(entity, Qt::CaseInsensitive)) {
                    out.chop(entity.size());
                    out += QChar(character);
                    break;
                }
            }
        }
        text = std::move(out);
    }
    // "<#...>" shows as text.
    const qsizetype shown = text.indexOf(QLatin1String("<#"));
    if (shown >= 0) {
        text.remove(shown, 1);
        const qsizetype close = text.indexOf(u'>', shown);
        if (close >= 0) text.remove(close, 1);
    }
    text.replace(u'\r', QLatin1String("<BR>"));
    text.remove(u'\n');
    return text;
}

void TRenderer::Apply(const TState& state) {
    canvas_.Font() = state.Font;
    canvas_.Brush().SetColor(state.Brush);
}

THTMLDrawResult TRenderer::Run(QString text) {
    const TPen savedPen = canvas_.Pen();
    const TBkMode savedBkMode = canvas_.BkMode();
    base_ = canvas_.Font();
    entryBrush_ = canvas_.Brush().Color();
    canvas_.Brush().SetColor(clNone);
    canvas_.SetBkMode(TBkMode::Transparent);

    text = Prepare(std::move(text));
    work_ = rect_;
    work_.Left += 1;

    TState state;
    state.Font = base_;
    int top = rect_.Top;
    qsizetype pos = 0; // the text before pos has been laid out
    while (pos < text.size()) {
        TState measuring = state;
        Apply(measuring);
        const qsizetype before = pos;
        const TLine line =
            TLinePass(*this, measuring, text, pos, {work_.Left, top, work_.Right, top}, true, true, nullptr)
                .Run();
        // Every line consumes something (see the fitting rules of images and controls).
        assert(pos > before);
        if (pos <= before) break;

        const int boxLeft = work_.Left + measuring.Indent;
        const int free = work_.Right - boxLeft - line.Width;
        int left = boxLeft;
        if (measuring.Align == 1 && free > 0)
            left = work_.Right - line.Width;
        else if (measuring.Align == 2 && free > 0)
            left += free / 2;
        const int height = line.Height + line.Rise + line.Drop;
        if (a_.WithinHeight && top > rect_.Top && Moved(top, height) > rect_.Bottom) {
            out_.Cut = true;
            break;
        }

        if (a_.MeasureOnly) {
            state = measuring;
        } else {
            TState drawing = state;
            Apply(drawing);
            qsizetype drawn = 0;
            const TRect box{left, top, work_.Right, top + height};
            const TLine shown =
                TLinePass(*this, drawing, line.Source, drawn, box, a_.CheckOnly, false, &line).Run();
            state = drawing;
            const int textBottom = box.Bottom - line.Drop - line.TextOffset;
            const int y = a_.Point.Y;
            if ((shown.AnchorFlag && y >= textBottom - line.GH && y <= textBottom) || shown.ControlFlag)
                out_.Hit = true;
        }
        out_.Width = ElementSize(std::max(out_.Width, measuring.Indent + line.Width));
        top = Moved(top, height);
        out_.Height = ElementSize(Moved(out_.Height, height));
        if (!a_.MeasureOnly && top + canvas_.TextHeight(QStringLiteral("gh")) > rect_.Bottom) break;
        // Measured sizes end at the largest element: lines below it could show in none.
        if (a_.MeasureOnly && out_.Height >= kMaxElementSize) break;
    }
    out_.AnchorCount = state.AnchorCount;

    canvas_.Font() = base_;
    if (out_.Height == 0) out_.Height = canvas_.TextHeight(QStringLiteral("gh"));
    canvas_.Brush().SetColor(entryBrush_);
    canvas_.SetBkMode(savedBkMode);
    canvas_.Pen() = savedPen;
    return out_;
}

// ---- One line ----------------------------------------------------------------------------------------

TLinePass::TLinePass(TRenderer& renderer, TState& state, const QString& text, qsizetype& pos,
                     const TRect& box, bool calc, bool consume, const TLine* measured)
    : r_(renderer), a_(renderer.a_), st_(state), text_(text), pos_(pos), box_(box), calc_(calc),
      consume_(consume), x_(box.Left), anchorStart_(box.Left), nextTag_(consume ? &r_.nextTag_ : &ownTag_),
      nextSpace_(consume ? &r_.nextSpace_ : &ownSpace_) {
    if (measured) {
        line_.Rise = measured->Rise;
        line_.Drop = measured->Drop;
        line_.TextOffset = measured->TextOffset;
    }
}

TCanvas& TLinePass::Canvas() {
    return r_.canvas_;
}

// How wide the line may grow before a run wraps: the rectangle less the paragraph indent.
int TLinePass::Limit() const {
    return r_.work_.Right - (r_.work_.Left + st_.Indent);
}

TExtent TLinePass::Extent(const QString& text) {
    TRect r;
    Canvas().DrawText(text, r, kRunFlags | DT_CALCRECT);
    return {r.Width(), r.Height()};
}

void TLinePass::Consume(qsizetype count) {
    line_.Source += QStringView(text_).mid(pos_, count);
    pos_ += count;
}

// A picture, control, bullet or indent takes room on the line.
void TLinePass::Advance(int width) {
    x_ = Moved(x_, width);
    line_.Width = Moved(line_.Width, width);
    trailingSpace_ = 0;
}

TLine TLinePass::Run() {
    line_.GH = Canvas().TextHeight(QStringLiteral("gh"));
    line_.Height = line_.GH;
    if (!calc_ && st_.ParaBackground)
        Canvas().FillRect({r_.rect_.Left, box_.Top, r_.rect_.Right, box_.Bottom});
    bool ended = false;
    while (!ended && pos_ < text_.size()) ended = text_[pos_] == u'<' ? DoTag() : DoRun();
    line_.Width -= trailingSpace_;
    // A focused anchor that goes on to the next line is framed on this one too.
    if (!calc_ && st_.AnchorOpen && st_.AnchorFocused) DrawFocus();
    st_.Font = Canvas().Font();
    st_.Brush = Brush();
    return line_;
}

bool TLinePass::DoRun() {
    qsizetype end = nextTag_->From(text_, pos_);
    if (end < 0) end = text_.size();
    if (a_.WordWrap) {
        const qsizetype space = nextSpace_->From(text_, pos_);
        if (space >= 0 && space < end) end = space + 1;
    }
    const qsizetype length = end - pos_;
    QString run = text_.mid(pos_, length);
    if (run.contains(u'&')) {
        run.replace(QLatin1String("&nbsp;"), QLatin1String(" "), Qt::CaseInsensitive);
        run.replace(QLatin1String("&lt;"), QLatin1String("<"), Qt::CaseInsensitive);
        run.replace(QLatin1String("&gt;"), QLatin1String(">"), Qt::CaseInsensitive);
    }
    const QString laidOut = run.size() > kMaxRunCharacters ? run.first(kMaxRunCharacters) : run;
    const TExtent extent = Extent(laidOut);
    line_.Height = std::max(line_.Height, extent.Height);
    if (st_.Sup) line_.Rise = std::max(line_.Rise, extent.Height / 4);
    if (st_.Sub) line_.Drop = std::max(line_.Drop, extent.Height / 4);

    if (st_.Hidden) {
        if (consume_) r_.out_.PlainText += run;
        Consume(length);
        return false;
    }
    bool dropRest = false;
    if (consume_) {
        // No break inside a word: a run that follows text not ending with a space stays.
        const int limit = Limit();
        const bool insideWord = !earlier_.isEmpty() && !earlier_.endsWith(u' ');
        if (line_.Width + extent.Width >= limit && extent.Width < limit && !insideWord) {
            if (a_.WordWrap) return true; // the run starts the next line
            dropRest = !earlier_.isEmpty();
        }
        r_.out_.PlainText += run;
    }
    if (!calc_) DrawRun(laidOut, extent);
    if (!consume_ && st_.AnchorOpen && a_.Point.X >= x_ && a_.Point.X < x_ + extent.Width) {
        line_.AnchorFlag = true;
        if (a_.Point.Y >= box_.Top && a_.Point.Y < box_.Bottom) {
            r_.out_.Anchor = st_.AnchorTarget;
            st_.AnchorHit = true;
        }
    }
    x_ = Moved(x_, extent.Width);
    line_.Width = Moved(line_.Width, extent.Width);
    earlier_ += run;
    trailingSpace_ = run.endsWith(u' ') ? Canvas().TextWidth(QStringLiteral(" ")) : 0;
    Consume(length);
    if (dropRest) {
        pos_ = text_.size();
        return true;
    }
    return false;
}

// The letters that select a tag in Opening and Closing.
constexpr QStringView kOpeningLetters = u"ABCEFHILPRSUZ", kClosingLetters = u"ABEFHILPRSUZ";

bool TLinePass::DoTag() {
    if (text_.size() - pos_ < 3) {
        pos_ = text_.size();
        return true;
    }
    const qsizetype close = text_.indexOf(u'>', pos_);
    const QString tag = text_.mid(pos_, close < 0 ? -1 : close - pos_ + 1);
    const QString upper = tag.toUpper();
    const TTagEnd end = upper[1] == u'/' && upper[2].isLetter() ? Closing(upper[2], tag, upper)
                                                                : Opening(upper[1], tag, upper);
    if (end == TTagEnd::Before) return true;
    if (close < 0) {
        Consume(text_.size() - pos_);
        return true;
    }
    Consume(close - pos_ + 1);
    return end == TTagEnd::After;
}

void TLinePass::SetStyle(TFontStyle style, bool on) {
    TFont& font = Canvas().Font();
    font.SetStyle(on ? font.Style() + style : font.Style() - style);
}

TTagEnd TLinePass::Opening(QChar letter, const QString& tag, const QString& upper) {
    switch (letter.unicode()) {
    case u'A':
        AnchorOpen(tag);
        break;
    case u'B':
        if (upper.startsWith(QLatin1String("<BR"))) {
            if (consume_) r_.out_.PlainText += u'\r';
            return TTagEnd::After;
        }
        if (upper.startsWith(QLatin1String("<BL"))) {
            if (!a_.BlinkVisible) SetFontColor(r_.entryBrush_);
        } else if (upper.startsWith(QLatin1String("<BO"))) {
            if (!calc_) Body(tag, upper);
        } else if (upper == QLatin1String("<B>")) {
            SetStyle(TFontStyle::fsBold, true);
        }
        break;
    case u'C':
        return Control(tag);
    case u'E':
        if (!calc_) st_.ErrorMark = true;
        break;
    case u'F':
        Font(tag, upper);
        break;
    case u'H':
        if (upper.startsWith(QLatin1String("<HR"))) {
            if (!calc_) {
                Canvas().Pen() = TPen(clBlack);
                Canvas().MoveTo(box_.Left, box_.Bottom);
                Canvas().LineTo(r_.rect_.Right, box_.Bottom);
            }
            return TTagEnd::After;
        }
        if (upper.startsWith(QLatin1String("<HI")) && !calc_) {
            st_.BrushBeforeHighlight = Brush();
            st_.FontColorBeforeHighlight = Canvas().Font().Color();
            st_.Highlighted = true;
            SetBrush(clHighlight);
            SetFontColor(clHighlightText);
        }
        break;
    case u'I':
        if (upper == QLatin1String("<I>")) {
            SetStyle(TFontStyle::fsItalic, true);
        } else if (upper.startsWith(QLatin1String("<IN"))) {
            QString value;
            bool ok = false;
            const qsizetype at = upper.indexOf(u'X', 3);
            const int n = at >= 0 && QuotedValue(tag, at, value) ? value.trimmed().toInt(&ok) : 0;
            if (ok && std::min(n, kMaxElementSize) > line_.Width)
                Advance(std::min(n, kMaxElementSize) - line_.Width);
        } else if (upper.startsWith(QLatin1String("<IM"))) {
            return Image(tag, upper);
        }
        break;
    case u'L':
        return ListItem();
    case u'P':
        Paragraph(tag, upper);
        break;
    case u'R': {
        QString value;
        const qsizetype at = upper.indexOf(u'A', 1);
        const int angle = at >= 0 && QuotedValue(tag, at, value) ? Number(value) : 0;
        if (!st_.Rotated) st_.FontBeforeRotation = Canvas().Font();
        st_.Rotated = true;
        Canvas().Font().SetOrientation(angle * 10);
        break;
    }
    case u'S':
        if (upper == QLatin1String("<S>"))
            SetStyle(TFontStyle::fsStrikeOut, true);
        else if (upper.startsWith(QLatin1String("<SH")))
            st_.Shadow = true;
        else if (upper == QLatin1String("<SUB>"))
            st_.Sub = true;
        else if (upper == QLatin1String("<SUP>"))
            st_.Sup = true;
        break;
    case u'U':
        if (upper == QLatin1String("<U>")) {
            SetStyle(TFontStyle::fsUnderline, true);
            break;
        }
        ++st_.ListLevel;
        return TTagEnd::After;
    case u'Z':
        st_.Hidden = true;
        break;
    default:
        break;
    }
    return TTagEnd::None;
}

TTagEnd TLinePass::Closing(QChar letter, const QString&, const QString& upper) {
    switch (letter.unicode()) {
    case u'A':
        AnchorClose();
        break;
    case u'B':
        if (upper == QLatin1String("</B>"))
            SetStyle(TFontStyle::fsBold, false);
        else
            SetFontColor(r_.base_.Color());
        break;
    case u'E':
        if (!calc_) st_.ErrorMark = false;
        break;
    case u'F':
        FontClose();
        break;
    case u'H':
        if (!calc_ && st_.Highlighted) {
            SetBrush(st_.BrushBeforeHighlight);
            SetFontColor(st_.FontColorBeforeHighlight);
            st_.Highlighted = false;
        }
        break;
    case u'I':
        if (upper == QLatin1String("</I>")) SetStyle(TFontStyle::fsItalic, false);
        break;
    case u'L':
        return TTagEnd::After;
    case u'P':
        if (!calc_ && st_.ParaBackground) {
            st_.ParaBackground = false;
            SetBrush(st_.BrushBeforeParagraph);
        }
        return TTagEnd::After;
    case u'R':
        if (st_.Rotated) Canvas().Font() = st_.FontBeforeRotation;
        st_.Rotated = false;
        break;
    case u'S':
        if (upper == QLatin1String("</S>"))
            SetStyle(TFontStyle::fsStrikeOut, false);
        else if (upper.startsWith(QLatin1String("</SH")))
            st_.Shadow = false;
        else if (upper.startsWith(QLatin1String("</SU")))
            st_.Sub = st_.Sup = false;
        break;
    case u'U':
        if (upper == QLatin1String("</U>"))
            SetStyle(TFontStyle::fsUnderline, false);
        else if (st_.ListLevel > 0)
            --st_.ListLevel;
        break;
    case u'Z':
        st_.Hidden = false;
        break;
    default:
        break;
    }
    return TTagEnd::None;
}

// ---- Runs ------------------------------------------------------------------------------------------

void TLinePass::DrawRun(const QString& run, const TExtent& extent) {
    int bottom = TextBottom();
    if (st_.Sub) bottom += line_.Drop;
    if (st_.Sup) bottom -= line_.Rise;
    // With word wrap a run is drawn whole; without, it is cut with an ellipsis at the box's edge.
    const unsigned flags = kRunFlags | (a_.WordWrap ? DT_NOCLIP : DT_END_ELLIPSIS);
    TRect r{x_, bottom - extent.Height, a_.WordWrap ? x_ + extent.Width : box_.Right, bottom};
    TCanvas& canvas = Canvas();
    if (st_.Shadow) {
        const TColor color = canvas.Font().Color();
        const TBkMode mode = canvas.BkMode();
        canvas.Font().SetColor(a_.ShadowColor);
        canvas.SetBkMode(TBkMode::Transparent);
        TRect shadow = r.Offset(a_.ShadowOffset, a_.ShadowOffset);
        canvas.DrawText(run, shadow, flags);
        canvas.Font().SetColor(color);
        canvas.SetBkMode(mode);
    }
    canvas.DrawText(run, r, flags);
    if (st_.ErrorMark) DrawZigzag(x_, x_ + extent.Width, bottom);
}

// A red zigzag under the run: every 2 pixels from the left edge rounded down to even, up to
// bottom - 1 where x is divisible by 4 and down to bottom + 1 elsewhere; drawn only where it can
// be seen, within the text rectangle (and the clip).
void TLinePass::DrawZigzag(int left, int right, int bottom) {
    TRect seen = r_.rect_;
    if (const std::optional<TRect> clip = Canvas().ClipRect()) seen = IntersectRect(seen, *clip);
    const int first = std::max(left & ~1, (seen.Left - 2) & ~1), last = std::min(right, seen.Right + 2);
    if (first > last) return;
    std::vector<TPoint> points;
    for (int x = first; x <= last || points.size() < 2; x += 2)
        points.push_back({x, (x & 3) == 0 ? bottom - 1 : bottom + 1});
    TCanvas& canvas = Canvas();
    const TPen saved = canvas.Pen();
    canvas.Pen() = TPen(clRed, 1);
    canvas.Polyline(points);
    canvas.Pen() = saved;
}

// ---- Anchors -----------------------------------------------------------------------------------

void TLinePass::AnchorOpen(const QString& tag) {
    ++st_.AnchorCount;
    st_.AnchorTarget.clear();
    QuotedValue(tag, 0, st_.AnchorTarget);
    st_.AnchorOpen = true;
    st_.AnchorHit = false;
    anchorStart_ = x_;
    st_.AnchorFocused = st_.AnchorCount - 1 == a_.FocusLink;
    if (st_.AnchorFocused) r_.out_.FocusAnchor = st_.AnchorTarget;
    const bool hovered = st_.AnchorCount == a_.HoverLink;
    st_.AnchorStyled = !a_.HoverStyle || hovered;
    if (calc_) return;
    TFont& font = Canvas().Font();
    if (st_.AnchorStyled) {
        SetStyle(TFontStyle::fsUnderline, true);
        if (IsColorSet(a_.HoverColor)) {
            st_.BrushBeforeAnchor = Brush();
            SetBrush(a_.HoverColor);
        }
        if (IsColorSet(a_.HoverFontColor)) {
            st_.FontColorBeforeAnchor = font.Color();
            font.SetColor(a_.HoverFontColor);
        }
    }
    const bool keepHoverColor = a_.HoverStyle && hovered && IsColorSet(a_.HoverFontColor);
    if (!a_.KeepColors && !keepHoverColor && IsColorSet(a_.AnchorColor)) font.SetColor(a_.AnchorColor);
}

void TLinePass::AnchorClose() {
    if (!st_.AnchorOpen) return;
    if (!calc_) {
        if (st_.AnchorStyled) {
            SetStyle(TFontStyle::fsUnderline, false);
            if (IsColorSet(a_.HoverColor)) SetBrush(st_.BrushBeforeAnchor);
            if (IsColorSet(a_.HoverFontColor)) SetFontColor(st_.FontColorBeforeAnchor);
        }
        if (!a_.KeepColors) SetFontColor(r_.base_.Color());
    }
    if (!consume_ && st_.AnchorHit) {
        r_.out_.HitAnchorRect = {anchorStart_, box_.Top, x_, box_.Bottom};
        r_.out_.HitAnchor = st_.AnchorCount;
    }
    if (!calc_ && st_.AnchorFocused) DrawFocus();
    st_.AnchorOpen = st_.AnchorFocused = false;
}

void TLinePass::DrawFocus() {
    const int bottom = TextBottom();
    Canvas().DrawFocusRect({anchorStart_ - 1, bottom - line_.GH, x_ + 1, bottom});
}

namespace {

// The picture repeated across and down to at least kTileSide pixels each way.
TBitmap TileOf(const TBitmap& picture) {
    constexpr int kTileSide = 256;
    const int across = (kTileSide + picture.Width() - 1) / picture.Width();
    const int down = (kTileSide + picture.Height() - 1) / picture.Height();
    if (across == 1 && down == 1) return picture;
    QImage tile(picture.Width() * across, picture.Height() * down, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    painter.fillRect(tile.rect(), QBrush(picture.Image()));
    painter.end();
    return TBitmap(std::move(tile));
}

} // namespace

void TLinePass::Body(const QString& tag, const QString& upper) {
    TCanvas& canvas = Canvas();
    const TRect& rect = r_.rect_;
    QString value;
    if (TagValue(tag, upper, QStringLiteral("BACKGROUND"), value)) {
        const THTMLPicture* picture = FindPicture(value, a_);
        if (picture && !picture->GetEmpty() && picture->GetWidth() > 0 && picture->GetHeight() > 0) {
            const std::optional<TRect> savedClip = canvas.ClipRect();
            const TRect area = savedClip ? IntersectRect(*savedClip, rect) : rect;
            canvas.SetClipRect(area);
            // Tiles from the rectangle's corner, only those that meet the area drawn, each one of
            // enough copies of the picture that a small picture takes few draws.
            const TBitmap tile = TileOf(picture->Bitmap());
            const int w = tile.Width(), h = tile.Height();
            for (int y = rect.Top + std::max(area.Top - rect.Top, 0) / h * h; y < area.Bottom; y += h)
                for (int x = rect.Left + std::max(area.Left - rect.Left, 0) / w * w; x < area.Right; x += w)
                    canvas.Draw(x, y, tile);
            if (savedClip)
                canvas.SetClipRect(*savedClip);
            else
                canvas.ClearClip();
        }
    }
    if (TagValue(tag, upper, QStringLiteral("BGCOLOR"), value)) {
        const QString color = value.toUpper();
        const bool byName = color.contains(QLatin1String("CL")), hex = color.contains(u'#');
        if (byName || hex) {
            const TColor fill = byName ? HTMLColorName(value) : HTMLHexColor(value);
            const TColor brush = Brush();
            SetBrush(fill);
            canvas.FillRect(rect);
            SetBrush(brush);
            st_.BrushBeforeFont = fill;
        }
    }
}

void TLinePass::Font(const QString& tag, const QString& upper) {
    TFont& font = Canvas().Font();
    QString value;
    if (TagValue(tag, upper, QStringLiteral("FACE"), value)) font.SetName(value);
    if (TagValue(tag, upper, QStringLiteral(" COLOR"), value) && !a_.KeepColors)
        font.SetColor(TagColor(value));
    if (TagValue(tag, upper, QStringLiteral("BGCOLOR"), value) && !calc_ && !a_.KeepColors) {
        st_.BrushBeforeFont = Brush();
        SetBrush(TagColor(value));
    }
    if (TagValue(tag, upper, QStringLiteral("SIZE"), value)) {
        static const int sizes[] = {8, 10, 12, 14, 16};
        const int n = Number(value);
        if (n >= 1 && n <= 5)
            font.SetSize(sizes[n - 1]);
        else if (n > 0)
            font.SetSize(std::min(n, kMaxFontPoints));
    }
}

void TLinePass::FontClose() {
    TFont& font = Canvas().Font();
    font.SetName(r_.base_.Name());
    font.SetSize(r_.base_.Size());
    if (calc_ || a_.KeepColors) return;
    font.SetColor(r_.base_.Color());
    SetBrush(st_.BrushBeforeFont);
}

TTagEnd TLinePass::ListItem() {
    // A second list item on one line starts the next line.
    if (consume_ && listItem_) return TTagEnd::Before;
    listItem_ = true;
    Advance(kListIndent * st_.ListLevel);
    TCanvas& canvas = Canvas();
    const TFont font = canvas.Font();
    canvas.Font().SetName(QStringLiteral("Symbol"));
    canvas.Font().SetOrientation(0);
    // The symbol font's character 183 is the bullet.
    const QString bullet = st_.ListLevel % 2 == 1 ? QStringLiteral("\u2022") : QStringLiteral("o");
    const TExtent extent = Extent(bullet);
    line_.Height = std::max(line_.Height, extent.Height);
    if (!calc_) {
        TRect r{x_, TextBottom() - extent.Height, x_ + extent.Width, TextBottom()};
        canvas.DrawText(bullet, r, kRunFlags | DT_NOCLIP);
    }
    canvas.Font() = font;
    Advance(extent.Width + kListIndent);
    return TTagEnd::None;
}

void TLinePass::Paragraph(const QString& tag, const QString& upper) {
    QString value;
    if (TagValue(tag, upper, QStringLiteral("ALIGN"), value)) {
        const QString align = value.toUpper();
        if (align.contains(QLatin1String("LEFT"))) st_.Align = 0;
        if (align.contains(QLatin1String("RIGHT"))) st_.Align = 1;
        if (align.contains(QLatin1String("CENTER"))) st_.Align = 2;
    }
    if (TagValue(tag, upper, QStringLiteral("INDENT"), value))
        st_.Indent = std::clamp(Number(value), -kMaxElementSize, kMaxElementSize);
    if (TagValue(tag, upper, QStringLiteral("BGCOLOR"), value) && !calc_) {
        if (!st_.ParaBackground) st_.BrushBeforeParagraph = Brush();
        st_.ParaBackground = true;
        SetBrush(TagColor(value));
        Canvas().FillRect({r_.rect_.Left, box_.Top, r_.rect_.Right, box_.Bottom});
    }
}

} // namespace HTMLRender

// As DoTag reads a tag: the letter after "<" or "</" of the upper-cased tag selects it.
bool HTMLTagActs(QStringView tag) {
    const QStringView start = tag.first(std::min<qsizetype>(tag.size(), 3));
    // Upper case as a whole string has it: a character may become two.
    const bool ascii = std::all_of(start.begin(), start.end(), [](QChar c) { return c.unicode() < 128; });
    const QString upper = ascii ? QString() : start.toString().toUpper();
    auto at = [&](qsizetype i) {
        if (!ascii) return i < upper.size() ? upper[i] : QChar();
        if (i >= start.size()) return QChar();
        const char16_t c = start[i].unicode();
        return QChar(c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c);
    };
    if (at(1) == u'/' && at(2).isLetter()) return HTMLRender::kClosingLetters.contains(at(2));
    return !at(1).isNull() && HTMLRender::kOpeningLetters.contains(at(1));
}

THTMLDrawResult HTMLDrawEx(TCanvas& canvas, const QString& text, const TRect& rect, const TImageList* images,
                           int x, int y, int focusLink, int hoverLink, int shadowOffset, bool checkOnly,
                           bool measureOnly, bool printing, bool keepColors, bool blinkVisible,
                           bool hoverStyle, bool wordWrap, bool mouseDown, double printScale,
                           TColor anchorColor, TColor hoverColor, TColor hoverFontColor, TColor shadowColor,
                           THTMLPictureCache* cache, TPictureContainer* container,
                           const QWidget* themeWidget) {
    const HTMLRender::TArgs args{images,     {x, y},         focusLink,   hoverLink,  shadowOffset,
                                 checkOnly,  measureOnly,    printing,    keepColors, blinkVisible,
                                 hoverStyle, wordWrap,       mouseDown,   printScale, anchorColor,
                                 hoverColor, hoverFontColor, shadowColor, cache,      container};
    const QWidget* savedWidget = canvas.StyleWidget();
    if (themeWidget) canvas.SetStyleWidget(themeWidget);
    THTMLDrawResult result = HTMLRender::TRenderer(canvas, rect, args).Run(text);
    canvas.SetStyleWidget(savedWidget);
    return result;
}

THTMLDrawResult HTMLMeasureWithin(TCanvas& canvas, const QString& text, const TRect& rect, bool wordWrap,
                                  TColor anchorColor) {
    HTMLRender::TArgs args{nullptr,     {0, 0}, -1,     0,      1,        false,  true,
                           false,       false,  false,  false,  wordWrap, false,  0.0,
                           anchorColor, clNone, clNone, clGray, nullptr,  nullptr};
    args.WithinHeight = true;
    return HTMLRender::TRenderer(canvas, rect, args).Run(text);
}
