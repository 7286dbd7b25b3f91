// An edit with a button at its right edge, and the same with a unit chosen from a popup.
//
// TRezUrezoVedoze is the speed button they use: themed (the visual style's push button, pressed,
// hot or normal), or flat (a one-pixel edge, sunken while pressed, raised otherwise), or a
// push-button frame; then its glyph centred and its caption, moved by a pixel while pressed.
// TVzgEditButton holds one filling it; releasing the mouse over it clicks it.
//
// TVzgEditBtn keeps its text clear of the button: the formatting rectangle runs from 2 pixels in
// (1 without a border) to client width - button width - 3 - unit space. F4 clicks the button,
// which fires OnClickBtn. With EditorEnabled off the keyboard cannot change the text.
//
// TVzgUnitEditBtn keeps UnitSpace pixels before the button free and draws UnitID there; its
// button pops up the Units to choose from.
#pragma once

#include "grid/ButtonedEdit.h"
#include "grid/TrackingButton.h"

#include <QPointer>
#include <QStringList>

class TRezUrezoVedoze : public TTrackingButton {
public:
    explicit TRezUrezoVedoze(QWidget* parent = nullptr) : TTrackingButton(parent) {}

    bool IsWinXP = false;
    bool Flat() const { return flat_; }
    void SetFlat(bool on);
    // Held down by the program (as a grouped button stays down).
    bool Down = false;
    QString Caption;
    // Drawn pressed: held with the mouse over it, or Down.
    bool Pressed() const { return HeldOver() || Down; }
    // A release of the left button, over the button or not (x, y in its coordinates).
    TMouseEvent OnMouseUp;
    void Paint(TCanvas& canvas) override;

protected:
    void HoldEnded(QMouseEvent& e) override;

private:
    bool flat_ = false;
};

class TVzgEditButton : public QWidget {
public:
    explicit TVzgEditButton(QWidget* parent = nullptr);

    TRezUrezoVedoze* SpeedButton() const { return button_; }
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* control) { focusControl_ = control; }
    void SetGlyph(const TBitmap& glyph) { button_->SetGlyph(glyph); }
    QString ButtonCaption() const { return button_->Caption; }
    void SetButtonCaption(const QString& caption);
    int NumGlyphs() const { return button_->NumGlyphs; }
    void SetNumGlyphs(int count) { button_->SetNumGlyphs(count); }
    bool Flat() const { return button_->Flat(); }
    void SetFlat(bool on) { button_->SetFlat(on); }
    TNotifyEvent OnClick;
    void Click();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    TRezUrezoVedoze* button_;
    QPointer<QWidget> focusControl_;
};

class TVzgEditBtn : public TButtonedEdit {
public:
    explicit TVzgEditBtn(QWidget* parent = nullptr);

    int ButtonWidth() const { return button_->width(); }
    void SetButtonWidth(int width);
    void SetGlyph(const TBitmap& glyph) { button_->SetGlyph(glyph); }
    QString ButtonCaption() const { return button_->ButtonCaption(); }
    void SetButtonCaption(const QString& caption) { button_->SetButtonCaption(caption); }
    bool IsWinXP() const { return button_->SpeedButton()->IsWinXP; }
    void SetIsWinXP(bool on);
    bool RightAlign() const { return rightAlign_; }
    void SetRightAlign(bool on);
    // Without a border the text starts a pixel further out.
    void SetBorder(bool on);
    TNotifyEvent OnClickBtn;
    TVzgEditButton* Button() const { return button_; }

    // The rectangle the text is laid out in (client coordinates).
    TRect FormattingRect() const;
    int MinHeight() const override;
    // What a click of the button does: fires OnClickBtn.
    virtual void DoButtonClick();

    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoEnter() override;

protected:
    // Pixels before the button kept free (for a unit).
    int UnitSpacePixels() const { return unitSpace_; }
    void SetUnitSpacePixels(int pixels);
    // The button at the right edge, the text's margins to the formatting rectangle.
    void PlaceButtons() override;

private:
    TVzgEditButton* button_;
    bool rightAlign_ = false, border_ = true;
    int unitSpace_ = 0;
};

class TVzgUnitEditBtn : public TVzgEditBtn {
public:
    explicit TVzgUnitEditBtn(QWidget* parent = nullptr);

    QStringList Units;
    const QString& UnitID() const { return unitID_; }
    // Repaints.
    void SetUnitID(const QString& unit);
    int UnitSpace() const { return UnitSpacePixels(); }
    void SetUnitSpace(int pixels) { SetUnitSpacePixels(pixels); }

    // Pops up the units; the one chosen becomes UnitID.
    void DoButtonClick() override;
    // Draws UnitID in the unit space.
    virtual void PaintUnit(TCanvas& canvas);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString unitID_;
};
