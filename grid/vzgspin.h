// The spin editor: a masked edit with a pair of up and down buttons at its right edge.
//
// TZovAdedeZuvidOzovoz is a speed button that repeats its click while it is held: the first
// repeat comes 400 ms after the press, then one every 100 ms while the button stays pressed with
// the mouse over it; releasing it over the button gives the ordinary click as well. The repeat
// timer is a QTimer whose tick handler (TimerExpired) may be called directly.
//
// TVzgSpinButton holds two of them, split across its width or height: vertical, the upper half is
// the up button (at least 15 wide); horizontal, the left half is the down button and the right
// half the up button (at least 20 wide). Space clicks the focused button; Up and Down make their
// button the focused one and click it. A press on a button moves the focus to FocusControl.
//
// TVzgSpinEdit holds an integer, a float, a date or a time (SpinType), read from and written to
// its text; the buttons and the Up and Down keys step it. Dates step by the part of the date the
// caret is in (day, month or year, in the order of the short date format), times by hour, minute
// or second. Typed characters are limited to what a number, date or time of the kind can hold.
// A float text that is no number reads as the integer MinValue (not MinFloatValue).
//
// Drawing of the buttons: themed (the visual style's spin parts, pressed, hot or normal); without
// a theme the horizontal buttons draw scroll-arrow frames, the vertical ones a push-button face
// (a one-pixel edge when flat) with their arrow glyph, moved by a pixel while pressed.
#pragma once

#include "grid/ButtonedEdit.h"
#include "grid/NumberDateUtils.h"
#include "grid/TrackingButton.h"
#include "platform/ui/EnumSet.h"

#include <QPointer>
#include <QTimer>

enum class TVzgSpinType { sptNormal, sptFloat, sptDate, sptTime };
enum class TSpinDirection { spVertical, spHorizontal };
enum class TEditAlign { eaLeft, eaRight, eaCenter };

// The buttons' kinds as the themed drawing numbers them.
enum : int { kSpinDownHorz = 0, kSpinUpHorz = 1, kSpinUp = 2, kSpinDown = 3 };

enum class TTimeBtnState { tbFocusRect, tbAllowTimer };
using TTimeBtnStates = TSet<TTimeBtnState>;

class TZovAdedeZuvidOzovoz : public TTrackingButton {
public:
    explicit TZovAdedeZuvidOzovoz(QWidget* parent = nullptr) : TTrackingButton(parent) {}

    TTimeBtnStates TimeBtnState;
    int Kind = kSpinUp;
    bool Flat = false, Transparent = false, IsWinXP = false;
    // The button shows pressed: held with the mouse over it.
    bool Down() const { return HeldOver(); }
    TNotifyEvent OnClick;
    // A left press on the button, before anything else happens.
    TNotifyEvent OnMouseDown;

    void Click();
    // The repeat timer (made on first use).
    QTimer* RepeatTimer() const { return timer_; }
    // One tick of the repeat timer: from now on every 100 ms, and a click while held.
    void TimerExpired();
    void Paint(TCanvas& canvas) override;

protected:
    void HoldStarted() override;
    void HoldEnded(QMouseEvent& e) override;

private:
    QTimer* timer_ = nullptr;
};

class TVzgSpinButton : public QWidget {
public:
    explicit TVzgSpinButton(QWidget* parent = nullptr);

    TZovAdedeZuvidOzovoz* UpButton() const { return up_; }
    TZovAdedeZuvidOzovoz* DownButton() const { return down_; }
    TZovAdedeZuvidOzovoz* FocusedButton() const { return focused_; }
    TSpinDirection Direction() const { return direction_; }
    // Also sets the width: 20 horizontal, 15 vertical.
    void SetDirection(TSpinDirection direction);
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* control) { focusControl_ = control; }
    // An empty glyph draws the program's own arrow.
    void SetUpGlyph(const TBitmap& glyph) { up_->SetGlyph(glyph); }
    void SetDownGlyph(const TBitmap& glyph) { down_->SetGlyph(glyph); }
    int UpNumGlyphs() const { return up_->NumGlyphs; }
    void SetUpNumGlyphs(int count) { up_->SetNumGlyphs(count); }
    int DownNumGlyphs() const { return down_->NumGlyphs; }
    void SetDownNumGlyphs(int count) { down_->SetNumGlyphs(count); }
    void SetFlat(bool on);
    void SetTransparent(bool on);
    void SetThemed(bool on);
    TNotifyEvent OnUpClick, OnDownClick;

    // The pair's geometry for its size (the buttons are placed there on every resize).
    void Arrange();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void ButtonPressed(TZovAdedeZuvidOzovoz* button);
    void SetFocusBtn(TZovAdedeZuvidOzovoz* button);

    TZovAdedeZuvidOzovoz* up_;
    TZovAdedeZuvidOzovoz* down_;
    TZovAdedeZuvidOzovoz* focused_;
    TSpinDirection direction_ = TSpinDirection::spVertical;
    QPointer<QWidget> focusControl_;
};

class TVzgSpinEdit : public TButtonedEdit {
public:
    explicit TVzgSpinEdit(QWidget* parent = nullptr);

    TVzgSpinType SpinType() const { return spinType_; }
    // Shows the current value again in the new kind.
    void SetSpinType(TVzgSpinType type);

    // A text that is no integer reads as MinValue. Writing clamps to MinValue..MaxValue unless the
    // two are equal.
    int Value() const;
    void SetValue(int value);
    // A text that is no number reads as MinValue. Writing clamps to MinFloatValue..MaxFloatValue
    // unless equal, and shows Precision decimals (the general format when Precision is 0).
    double FloatValue() const;
    void SetFloatValue(double value);
    // An empty text (or "0") reads as now, a text that is no date as MinDateValue.
    TDateTime DateValue() const;
    void SetDateValue(TDateTime value);
    // A text that is no time reads as midnight.
    TDateTime TimeValue() const;
    void SetTimeValue(TDateTime value);

    int MinValue = 0, MaxValue = 100, Increment = 1;
    double MinFloatValue = 0.0, MaxFloatValue = 100.0, IncrementFloat = 0.0;
    TDateTime MinDateValue = 0, MaxDateValue = 0;
    int Precision() const { return precision_; }
    void SetPrecision(int precision);
    bool ReturnIsTab = false, ExcelStyleDecimalSeparator = false;
    TSpinDirection Direction() const { return button_->Direction(); }
    void SetDirection(TSpinDirection direction);
    TEditAlign EditAlign() const { return editAlign_; }
    void SetEditAlign(TEditAlign align);
    bool SpinFlat() const { return spinFlat_; }
    void SetSpinFlat(bool on);
    bool SpinTransparent() const { return spinTransparent_; }
    void SetSpinTransparent(bool on);
    // Themed drawing of both buttons.
    bool IsWinXP() const { return themed_; }
    void SetIsWinXP(bool on);
    TVzgSpinButton* Button() const { return button_; }
    int MinHeight() const override;

    // Whether a typed character may go into the text.
    virtual bool AcceptsChar(QChar ch);
    virtual void StepUp();
    virtual void StepDown();

    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoEnter() override;
    void DoExit() override;

protected:
    void Step(int sign);
    void PlaceButtons() override;

private:
    void ShowText(const QString& text, bool keepCaret);

    TVzgSpinButton* button_;
    TVzgSpinType spinType_ = TVzgSpinType::sptNormal;
    int precision_ = 0;
    TEditAlign editAlign_ = TEditAlign::eaLeft;
    bool spinFlat_ = false, spinTransparent_ = false, themed_ = false;
    TDateTime dateValue_ = 0, timeValue_ = 0;
};
