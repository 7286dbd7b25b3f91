#include "grid/vzgcombo.h"

#include "grid/DrawUtils.h"
#include "grid/VisualStyles.h"
#include "platform/ui/PainterDevice.h"

#include <QPainter>

TVzgComboBox::TVzgComboBox(QWidget* parent) : TComboBoxControl(parent) {
    SetDropDownCount(8);
}

void TVzgComboBox::SetButtonWidth(int width) {
    if (width < 14 || width > 32) return;
    buttonWidth_ = width;
    update();
}

void TVzgComboBox::SetFlat(bool on) {
    flat_ = on;
    update();
}

void TVzgComboBox::paintEvent(QPaintEvent* e) {
    TComboBoxControl::paintEvent(e);
    if (!flat_) return;
    QPainter painter(this);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    canvas.SetStyleWidget(this);
    const TRect r = Bounds(0, 0, width(), height());
    if (BorderHighlighted()) {
        TRect edge = r;
        canvas.DrawEdge(edge, BDR_SUNKENOUTER, BF_RECT);
        canvas.Brush().SetColor(clBtnFace);
        canvas.FrameRect(r.Inflated(-1, -1));
    } else {
        canvas.Brush().SetColor(FromQColor(palette().color(QPalette::Base)));
        canvas.FrameRect(r);
        canvas.FrameRect(r.Inflated(-1, -1));
    }
    const TRect button{r.Right - buttonWidth_ - 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
    if (VisualStyles::IsThemeActive()) {
        DrawThemeBackground(canvas, TThemeClass::ComboBox, 1,
                            DroppedDown() ? 3
                            : isEnabled() ? 1
                                          : 4,
                            button);
    } else {
        TRect edge = button;
        canvas.DrawEdge(edge, Etched ? EDGE_ETCHED : BDR_RAISEDINNER, BF_RECT);
        DrawComboButton(canvas, button.Inflated(-1, -1), isEnabled(), true, false);
    }
}

void TVzgComboBox::enterEvent(QEnterEvent* e) {
    TComboBoxControl::enterEvent(e);
    if (!isEnabled()) return;
    mouseIn_ = true;
    if (AutoFocus) setFocus(Qt::MouseFocusReason);
    update();
}

void TVzgComboBox::leaveEvent(QEvent* e) {
    TComboBoxControl::leaveEvent(e);
    mouseIn_ = false;
    update();
}

void TVzgComboBox::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            savedColor_ = FromQColor(palette().color(QPalette::Base));
            if (parentWidget()) SetColor(FromQColor(parentWidget()->palette().color(QPalette::Window)));
        } else {
            SetColor(savedColor_);
        }
    }
    TComboBoxControl::changeEvent(e);
}

void TVzgComboBox::FitDropWidth(TCanvas& canvas) {
    int drop = width();
    const bool scrolls = count() > DropDownCount();
    for (const QString& item : Items()) {
        const int w = canvas.TextWidth(item);
        if (scrolls && w > drop - 25) drop = w + 25;
        if (!scrolls && w > drop - 5) drop = w + 8;
    }
    SetDroppedWidth(drop);
}
