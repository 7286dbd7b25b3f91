#include "grid/VZGEdit.h"

#include "grid/VisualStyles.h"
#include "platform/ui/ControlAdapters.h"
#include "platform/ui/Keys.h"
#include "platform/ui/PainterDevice.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace {

int ClientBorder(const QLineEdit& edit) {
    return edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit) : 0;
}

} // namespace

// ---- The speed button --------------------------------------------------------------------------

void TRezUrezoVedoze::SetFlat(bool on) {
    flat_ = on;
    update();
}

void TRezUrezoVedoze::HoldEnded(QMouseEvent& e) {
    const QPoint p = e.position().toPoint();
    GuardUi([&] {
        if (OnMouseUp) OnMouseUp(this, TMouseButton::mbLeft, ShiftStateOf(e), p.x(), p.y());
    });
}

void TRezUrezoVedoze::Paint(TCanvas& canvas) {
    const TRect r = Bounds(0, 0, width(), height());
    const bool pressed = Pressed();
    if (IsWinXP && VisualStyles::IsThemeActive()) {
        DrawThemeBackground(canvas, TThemeClass::Button, 1, pressed ? 3 : MouseOver() ? 2 : 1, r);
    } else {
        DrawClassicFace(canvas, r, flat_, false, pressed);
    }
    const int shift = pressed ? 1 : 0;
    DrawGlyph(canvas, Glyph, r, shift);
    if (!Caption.isEmpty()) {
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        canvas.Font().SetColor(isEnabled() ? clBtnText : clGrayText);
        TRect text = r.Offset(shift, shift);
        canvas.DrawText(Caption, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

// ---- The button control ------------------------------------------------------------------------

TVzgEditButton::TVzgEditButton(QWidget* parent) : QWidget(parent), button_(new TRezUrezoVedoze(this)) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setMinimumWidth(15);
    button_->OnMouseUp = [this](QObject*, TMouseButton button, TShiftState, int x, int y) {
        if (button != TMouseButton::mbLeft || !button_->rect().contains(x, y)) return;
        if (focusControl_ && focusControl_->isVisible() && focusControl_->isEnabled())
            focusControl_->setFocus(Qt::MouseFocusReason);
        Click();
    };
    resize(20, 25);
}

void TVzgEditButton::Click() {
    if (OnClick) OnClick(this);
}

void TVzgEditButton::SetButtonCaption(const QString& caption) {
    button_->Caption = caption;
    button_->update();
}

void TVzgEditButton::resizeEvent(QResizeEvent*) {
    button_->setGeometry(rect());
}

// ---- The edit with a button -------------------------------------------------------------------

TVzgEditBtn::TVzgEditBtn(QWidget* parent) : TButtonedEdit(parent), button_(new TVzgEditButton(this)) {
    button_->resize(button_->width(), 18);
    button_->SetFocusControl(this);
    button_->OnClick = [this](QObject*) { DoButtonClick(); };
    button_->SpeedButton()->IsWinXP = VisualStyles::IsThemeActive();
    QLineEdit::setText(QStringLiteral("0"));
    PlaceButtons();
}

void TVzgEditBtn::SetButtonWidth(int width) {
    button_->resize(std::max(width, 15), button_->height());
    PlaceButtons();
}

void TVzgEditBtn::SetIsWinXP(bool on) {
    button_->SpeedButton()->IsWinXP = on;
    button_->SpeedButton()->update();
}

void TVzgEditBtn::SetRightAlign(bool on) {
    rightAlign_ = on;
    setAlignment((on ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

void TVzgEditBtn::SetBorder(bool on) {
    border_ = on;
    setFrame(on);
    PlaceButtons();
}

void TVzgEditBtn::SetUnitSpacePixels(int pixels) {
    unitSpace_ = std::max(pixels, 0);
    PlaceButtons();
}

TRect TVzgEditBtn::FormattingRect() const {
    const int clientWidth = width() - 2 * ClientBorder(*this);
    const int clientHeight = height() - 2 * ClientBorder(*this);
    const int inset = border_ ? 2 : 1;
    return {inset, inset, clientWidth - ButtonWidth() - 3 - unitSpace_, clientHeight + 1};
}

void TVzgEditBtn::PlaceButtons() {
    const int border = ClientBorder(*this);
    const TRect r = FormattingRect();
    button_->setGeometry(width() - border - ButtonWidth(), border, ButtonWidth(),
                         std::max(height() - 2 * border, 1));
    // The edit's own margin of a pixel or two stays in front of the text.
    setTextMargins(r.Left - 1, 0, std::max(width() - 2 * border - r.Right, 0), 0);
    update();
}

int TVzgEditBtn::MinHeight() const {
    return TextLineHeight();
}

void TVzgEditBtn::DoButtonClick() {
    if (OnClickBtn) OnClickBtn(this);
}

void TVzgEditBtn::KeyDown(int& key, TShiftState shift) {
    TCustomMaskEdit::KeyDown(key, shift);
    if (key == VK_F4) {
        key = 0;
        DoButtonClick();
    } else if (key == VK_DELETE && !EditorEnabled) {
        key = 0;
    }
}

void TVzgEditBtn::KeyPress(QChar& key) {
    TCustomMaskEdit::KeyPress(key);
    // Ctrl+C copies; every other character changes the text.
    if (!EditorEnabled && !key.isNull() && key.unicode() != 3) key = QChar();
}

void TVzgEditBtn::DoEnter() {
    TCustomMaskEdit::DoEnter();
    if (AutoSelect && !(QApplication::mouseButtons() & Qt::LeftButton)) SelectAll();
}

// ---- The unit edit ---------------------------------------------------------------------------------

TVzgUnitEditBtn::TVzgUnitEditBtn(QWidget* parent) : TVzgEditBtn(parent) {
    SetRightAlign(true);
    SetUnitSpacePixels(20);
}

void TVzgUnitEditBtn::SetUnitID(const QString& unit) {
    unitID_ = unit;
    update();
}

void TVzgUnitEditBtn::DoButtonClick() {
    TPopupMenuControl menu(this);
    for (int i = 0; i < Units.size(); ++i) menu.AddItem(Units[i], i + 1);
    const int chosen = menu.Popup(mapToGlobal(QPoint(width() - 15, height())));
    if (chosen >= 1 && chosen <= Units.size()) SetUnitID(Units[chosen - 1]);
    TVzgEditBtn::DoButtonClick();
}

void TVzgUnitEditBtn::paintEvent(QPaintEvent* e) {
    TVzgEditBtn::paintEvent(e);
    QPainter painter(this);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    canvas.Font().SetName(font().family());
    canvas.Font().SetSize(font().pointSize() > 0 ? font().pointSize() : 8);
    canvas.Font().SetColor(FromQColor(palette().color(QPalette::Text)));
    PaintUnit(canvas);
}

void TVzgUnitEditBtn::PaintUnit(TCanvas& canvas) {
    const int right = width() - 2 * ClientBorder(*this) - ButtonWidth() - 3;
    TRect r{right - UnitSpace(), 2, right, height() - 2 * ClientBorder(*this)};
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.DrawText(unitID_, r, DT_EDITCONTROL | DT_SINGLELINE | DT_NOPREFIX);
}
