// Thin controls with the class library's protocol (ControlAdapter.h) over Qt widgets, the bases
// of the grid's cell editors: a spin edit base, a combo box, a date-time picker, a check box, a
// push button, an edit with a button, a rich edit and a popup menu.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/MaskEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>

// A masked edit with an up and a down button at its right edge. Holding a button repeats its
// click: the first repeat 400 ms after the press, then one every 100 ms.
class TSpinEditBase : public TCustomMaskEdit {
public:
    explicit TSpinEditBase(QWidget* parent = nullptr);
    TNotifyEvent OnUpClick, OnDownClick;
    // What a button click does; by default fires OnUpClick / OnDownClick.
    virtual void UpClick();
    virtual void DownClick();
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int width);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlaceButtons();
    QToolButton* up_;
    QToolButton* down_;
    int buttonWidth_ = 15;
};

enum class TComboBoxStyle { csDropDown, csDropDownList };

// Keeps an editable list's current item on the item whose text its edit field shows (none when no
// item has it), however the text got there, so that Up, Down and the opened list start from the
// value shown.
void FollowShownText(QComboBox& list);

class TComboBoxControl : public TControlAdapter<QComboBox> {
public:
    explicit TComboBoxControl(QWidget* parent = nullptr);

    TComboBoxStyle Style() const { return style_; }
    // csDropDown has an edit field; csDropDownList only chooses from the items. The items stay.
    void SetStyle(TComboBoxStyle style);
    QStringList Items() const;
    void SetItems(const QStringList& items);
    void ClearItems() { clear(); }
    int AddItem(const QString& item);
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
    // The edit field's text (csDropDown) or the chosen item's text.
    QString Text() const { return currentText(); }
    void SetText(const QString& text);
    bool DroppedDown() const { return dropped_; }
    void SetDroppedDown(bool on);
    int DropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int count) { setMaxVisibleItems(count); }
    void SetDroppedWidth(int width);

    // Fired with the chosen index (-1 for typing in the edit field) and the text.
    std::function<void(QObject* Sender, int Index, const QString& Text)> OnChange;
    TNotifyEvent OnCloseUp;

    void showPopup() override;
    void hidePopup() override;

private:
    TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
    bool dropped_ = false;
};

enum class TDateTimeKind { dtkDate, dtkTime };
enum class TDTDateMode { dmComboBox, dmUpDown };

// A date or time picker, optionally with a check box in front (cleared = no value).
class TDateTimePickerControl : public TControlAdapter<QDateTimeEdit> {
public:
    explicit TDateTimePickerControl(QWidget* parent = nullptr);
    TDateTimeKind Kind() const { return kind_; }
    void SetKind(TDateTimeKind kind);
    TDTDateMode DateMode() const { return mode_; }
    void SetDateMode(TDTDateMode mode);
    QDate Date() const { return date(); }
    void SetDate(const QDate& value) { setDate(value); }
    QTime Time() const { return time(); }
    void SetTime(const QTime& value) { setTime(value); }
    // A display format of the picker's own (Qt notation); empty for the program's short date or
    // long time format.
    void SetFormat(const QString& format);
    const QString& Format() const { return format_; }
    bool ShowCheckbox() const { return checkBox_->isVisible(); }
    void SetShowCheckbox(bool on);
    bool Checked() const { return checkBox_->isChecked(); }
    void SetChecked(bool on) { checkBox_->setChecked(on); }
    bool DroppedDown() const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void ApplyFormat();
    TDateTimeKind kind_ = TDateTimeKind::dtkDate;
    TDTDateMode mode_ = TDTDateMode::dmComboBox;
    QString format_;
    QCheckBox* checkBox_;
};

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBoxControl : public TControlAdapter<QCheckBox> {
public:
    explicit TCheckBoxControl(QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    TCheckBoxState State() const;
    void SetState(TCheckBoxState state);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool on) { setChecked(on); }
    TNotifyEvent OnClick;
};

class TButtonControl : public TControlAdapter<QPushButton> {
public:
    explicit TButtonControl(QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    TNotifyEvent OnClick;
};

// An edit with a button at its right edge; F4 clicks the button too.
class TEditWithButton : public TCustomMaskEdit {
public:
    explicit TEditWithButton(QWidget* parent = nullptr);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int width);
    QString ButtonCaption() const { return button_->text(); }
    void SetButtonCaption(const QString& caption) { button_->setText(caption); }
    void SetGlyph(const TBitmap& glyph);
    // Pixels kept free between the text and the button (for a unit shown there).
    void SetReservedSpace(int pixels);
    QToolButton* Button() const { return button_; }
    TNotifyEvent OnClickBtn;
    // What a button click does; by default fires OnClickBtn.
    virtual void DoButtonClick();
    void KeyDown(int& key, TShiftState shift) override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlaceButton();
    QToolButton* button_;
    int buttonWidth_ = 18;
    int reserved_ = 0;
};

class TRichEditControl : public TControlAdapter<QTextEdit> {
public:
    explicit TRichEditControl(QWidget* parent = nullptr);
    QString Text() const { return toPlainText(); }
    void SetText(const QString& text) { setPlainText(text); }
    bool WordWrap() const { return lineWrapMode() != QTextEdit::NoWrap; }
    void SetWordWrap(bool on) { setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap); }
};

// A popup menu of items with identifiers. Popup shows it and returns the chosen identifier
// (0 when none was chosen); tests replace the runner to choose without a modal loop.
class TPopupMenuControl {
public:
    using TRunner = std::function<QAction*(QMenu& menu, QPoint screenPos)>;
    explicit TPopupMenuControl(QWidget* parent = nullptr);
    void AddItem(const QString& caption, int id);
    void Clear();
    int Count() const { return int(menu_.actions().size()); }
    int Popup(QPoint screenPos);
    QMenu& Menu() { return menu_; }
    static TRunner SetRunner(TRunner runner);

private:
    QMenu menu_;
};
