#include "grid/TrackingButton.h"

#include "platform/ui/PainterDevice.h"

#include <QMouseEvent>
#include <QPainter>

TTrackingButton::TTrackingButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void TTrackingButton::SetGlyph(const TBitmap& glyph) {
    Glyph = glyph;
    update();
}

void TTrackingButton::SetNumGlyphs(int count) {
    NumGlyphs = std::max(count, 1);
    update();
}

void TTrackingButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    held_ = over_ = true;
    HoldStarted();
    update();
}

void TTrackingButton::mouseMoveEvent(QMouseEvent* e) {
    if (!held_) return;
    const bool over = rect().contains(e->position().toPoint());
    if (over == over_) return;
    over_ = over;
    update();
}

void TTrackingButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !held_) return;
    held_ = over_ = false;
    update();
    HoldEnded(*e);
}

void TTrackingButton::enterEvent(QEnterEvent*) {
    hot_ = true;
    update();
}

void TTrackingButton::leaveEvent(QEvent*) {
    hot_ = false;
    update();
}

void TTrackingButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    canvas.SetStyleWidget(this);
    canvas.Font().SetName(font().family());
    Paint(canvas);
}

void TTrackingButton::DrawClassicFace(TCanvas& canvas, const TRect& r, bool flat, bool transparent,
                                      bool pressed) const {
    if (!flat) {
        canvas.DrawFrameControl(r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0u));
        return;
    }
    if (!transparent) {
        canvas.Brush().SetColor(clBtnFace);
        canvas.FillRect(r);
    }
    TRect edge = r;
    canvas.DrawEdge(edge, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
}

void TTrackingButton::DrawGlyph(TCanvas& canvas, const TBitmap& glyph, const TRect& r, int shift) const {
    if (glyph.Empty()) return;
    const int frames = std::max(NumGlyphs, 1);
    const int gw = glyph.Width() / frames;
    const int frame = !isEnabled() && frames > 1 ? 1 : 0;
    const TBitmap face(glyph.Image().copy(frame * gw, 0, gw, glyph.Height()));
    canvas.DrawTransparent((r.Width() - gw) / 2 + shift, (r.Height() - glyph.Height()) / 2 + shift, face,
                           glyph.TransparentColor());
}
