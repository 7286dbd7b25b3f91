// Images and form controls of the mini-HTML renderer.
#include "grid/HTMLRenderer.h"
#include "grid/PictureContainer.h"
#include "grid/VisualStyles.h"

#include <QFileIconProvider>
#include <QFileInfo>

namespace HTMLRender {

using namespace HTMLTags;

THTMLPicture* FindPicture(const QString& source, const TArgs& a) {
    if (!source.contains(u':')) return a.Container ? a.Container->FindPicture(source) : nullptr;
    if (!source.contains(QLatin1String("://")) || !a.Cache) return nullptr;
    if (THTMLPicture* found = a.Cache->FindPicture(source)) return found;
    THTMLPicture& added = a.Cache->AddPicture();
    added.SetAsynchronous(false);
    try {
        added.SetURL(source);
    } catch (const std::exception&) {
        // A resource that is no picture leaves the picture empty.
    }
    return a.Cache->FindPicture(source);
}

// ---- Images ------------------------------------------------------------------------------------

namespace {

// The desktop's icon for the file or folder (by its extension when it does not exist).
TBitmap DesktopIcon(const QString& path, int size) {
    QFileIconProvider provider;
    QIcon icon = provider.icon(QFileInfo(path));
    if (icon.isNull()) icon = provider.icon(QAbstractFileIconProvider::File);
    return TBitmap(icon.pixmap(size, size).toImage());
}

} // namespace

TTagEnd TLinePass::Image(const QString& tag, const QString& upper) {
    QString source, value;
    TagValue(tag, upper, QStringLiteral("SRC"), source);
    const int width = TagValue(tag, upper, QStringLiteral("WIDTH"), value) ? ElementSize(Number(value)) : 0;
    const int height = TagValue(tag, upper, QStringLiteral("HEIGHT"), value) ? ElementSize(Number(value)) : 0;
    const QString upperSource = source.toUpper();
    const double scale = a_.Printing ? a_.PrintScale : 1.0;

    const TBitmap* bitmap = nullptr;
    TBitmap icon;
    THTMLPicture* picture = nullptr;
    int w = 0, h = 0;
    if (upperSource.startsWith(QLatin1String("IDX:"))) {
        const int n = Number(source.mid(4));
        if (a_.Images && n >= 0 && n < a_.Images->Count()) {
            bitmap = &a_.Images->Image(n);
            w = int(a_.Images->Width() * scale);
            h = int(a_.Images->Height() * scale);
        }
    } else if (upperSource.startsWith(QLatin1String("SSYS:")) ||
               upperSource.startsWith(QLatin1String("LSYS:"))) {
        // A number would index a system image list, which this desktop does not have.
        const QString rest = source.mid(5);
        bool isNumber = false;
        rest.trimmed().toInt(&isNumber);
        if (!isNumber && !rest.isEmpty()) {
            const int size = upperSource[0] == u'L' ? 32 : 16;
            icon = DesktopIcon(rest, size);
            if (!icon.Empty()) {
                bitmap = &icon;
                w = h = int(size * scale);
            }
        }
    } else if ((picture = FindPicture(source, a_)) && !picture->GetEmpty()) {
        const bool sized = width > 0 && height > 0;
        w = sized ? width : picture->FrameAreaWidth();
        h = sized ? height : picture->FrameAreaHeight();
    } else {
        picture = nullptr;
    }
    if (w <= 0 || h <= 0) return TTagEnd::None; // nothing to show takes no room
    w = ElementSize(w);
    h = ElementSize(h);

    // An image that does not fit starts the next line, unless the line holds nothing yet.
    if (consume_ && !line_.Source.isEmpty() && line_.Width + w > Limit() && w < r_.work_.Width())
        return TTagEnd::Before;
    const TPoint p = a_.Point;
    if (!consume_ && st_.AnchorOpen && p.X >= x_ && p.X < x_ + w && p.Y >= box_.Top && p.Y < box_.Top + h) {
        line_.ControlFlag = true;
        r_.out_.Anchor = st_.AnchorTarget;
        st_.AnchorHit = true;
    }
    if (!calc_) {
        TCanvas& canvas = Canvas();
        const TRect target = Bounds(x_, box_.Top, w, h);
        if (bitmap) {
            if (a_.Printing)
                canvas.StretchDraw(target, *bitmap);
            else
                canvas.Draw(target.Left, target.Top, *bitmap);
        } else if (width > 0 && height > 0) {
            canvas.StretchDraw(target, picture->Bitmap());
        } else if (picture->FrameCount() > 1) {
            const TColor brush = Brush();
            SetBrush(r_.entryBrush_);
            canvas.FillRect(Bounds(x_, box_.Top, picture->FrameAreaWidth(), picture->FrameAreaHeight()));
            SetBrush(brush);
            const TRect frame = picture->FrameRect();
            canvas.Draw(x_ + frame.Left, box_.Top + frame.Top, picture->Bitmap());
        } else {
            canvas.Draw(target.Left, target.Top, picture->Bitmap());
        }
    }
    Advance(w);
    line_.Height = std::max(line_.Height, h);
    if (consume_ && TagValue(tag, upper, QStringLiteral("ALIGN"), value)) {
        const QString align = value.toUpper();
        if (align == QLatin1String("TOP"))
            line_.TextOffset = line_.Height - line_.GH;
        else if (align == QLatin1String("MIDDLE"))
            line_.TextOffset = (line_.Height - line_.GH) / 2;
    }
    return TTagEnd::None;
}

// ---- Form controls -----------------------------------------------------------------------------

TTagEnd TLinePass::Control(const QString& tag) {
    const TControlTag control = ReadControlTag(tag);
    if (!control.HasWidth) return TTagEnd::None;
    bool ok = false;
    const int width = control.Width.trimmed().toInt(&ok);
    if (ok) st_.ControlWidth = ElementSize(width);
    int w = st_.ControlWidth, h = Canvas().TextHeight(QStringLiteral("gh")) + 6;
    if (control.Type == QLatin1String("COMBO")) h = 25;
    if (control.Type == QLatin1String("CHECK") || control.Type == QLatin1String("RADIO")) w = h = 16;
    if (control.Type == QLatin1String("BUTTON")) h = 18;

    // A control that does not fit starts the next line, unless the line holds nothing yet.
    if (consume_ && !line_.Source.isEmpty() && line_.Width + w > Limit() && w < r_.work_.Width())
        return TTagEnd::Before;
    const TRect box{x_, BaseBottom() - h, x_ + w, BaseBottom()};
    const bool hot = !consume_ && box.Contains(a_.Point);
    if (hot) {
        line_.ControlFlag = true;
        r_.out_.Anchor = QStringLiteral("ctrl");
        r_.out_.ControlRect = box;
        r_.out_.ControlID = control.ID;
        r_.out_.ControlValue = control.Value;
        r_.out_.ControlType = control.Type;
    }
    if (!calc_) DrawControl(control, box, hot);
    Advance(w);
    line_.Height = std::max(line_.Height, h);
    return TTagEnd::None;
}

void TLinePass::DrawControl(const TControlTag& control, const TRect& box, bool hot) {
    TCanvas& canvas = Canvas();
    const bool themed = VisualStyles::IsThemeActive();
    const TPen pen = canvas.Pen();
    const TBrush brush = canvas.Brush();
    const TBkMode mode = canvas.BkMode();
    canvas.SetBkMode(TBkMode::Transparent);
    auto caption = [&canvas, &control](TRect r, unsigned flags) {
        canvas.SetBkMode(TBkMode::Transparent);
        canvas.DrawText(control.Value, r, flags | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    };
    const TRect frame{box.Left, box.Top + 3, box.Right, box.Bottom + 1};
    if (control.Type == QLatin1String("EDIT") || control.Type == QLatin1String("COMBO")) {
        canvas.Pen() = TPen(clGray);
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        canvas.Rectangle(frame);
        TRect text = frame.Inflated(-2, -1);
        if (control.Type == QLatin1String("COMBO")) {
            const TRect button{frame.Right - 19, frame.Top + 2, frame.Right - 3, frame.Bottom - 2};
            if (themed)
                DrawThemeBackground(canvas, TThemeClass::ComboBox, 1, hot ? 2 : 1, button);
            else
                canvas.DrawFrameControl(button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
            text.Right = button.Left - 1;
        }
        caption(text, DT_LEFT);
    } else if (control.Type == QLatin1String("CHECK") || control.Type == QLatin1String("RADIO")) {
        const bool check = control.Type == QLatin1String("CHECK");
        const bool checked = control.Value.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
        const TRect mark = Bounds(box.Left, box.Bottom - 15, 15, 15);
        if (themed)
            DrawThemeBackground(canvas, TThemeClass::Button, check ? 3 : 2, checked ? 5 : 1, mark);
        else
            canvas.DrawFrameControl(mark, DFC_BUTTON,
                                    (check ? DFCS_BUTTONCHECK : DFCS_BUTTONRADIO) | DFCS_FLAT |
                                        (checked ? unsigned(DFCS_CHECKED) : 0u));
    } else if (control.Type == QLatin1String("BUTTON")) {
        const bool pressed = hot && a_.MouseDown;
        if (themed)
            DrawThemeBackground(canvas, TThemeClass::Button, 1, pressed ? 3 : hot ? 2 : 1, box);
        else
            canvas.DrawFrameControl(box, DFC_BUTTON,
                                    DFCS_BUTTONPUSH | (pressed ? unsigned(DFCS_PUSHED) : 0u));
        caption(box, DT_CENTER);
    }
    canvas.Pen() = pen;
    canvas.Brush() = brush;
    canvas.SetBkMode(mode);
}

} // namespace HTMLRender
