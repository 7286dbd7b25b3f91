// Gives any Qt widget the class library's keyboard and focus protocol, so that controls written
// against it (the grid's editors) keep their key handling:
// - a key first reaches KeyDown (virtual-key code and shift state; OnKeyDown fires there); a key
//   left non-zero that types no character then gets the widget's own handling (ControlKey);
// - a key that types a character (Backspace #8, Tab #9, Enter #13, Ctrl+Enter #10, Escape #27,
//   Ctrl+letter #1..#26, printable characters; none printable while Ctrl, Alt or Meta is held, see
//   ChordModifiers) then reaches KeyPress (OnKeyPress fires there) and,
//   unless consumed (set to 0), the widget's own character handling (ControlChar): Ctrl+C, Ctrl+X
//   and Ctrl+V run CopyToClipboard, CutToClipboard and PasteFromClipboard, Ctrl+Z undoes;
// - DoEnter when the focus comes in from outside the control, DoExit when it goes to a widget
//   outside it (popups parented to the control count as inside; a window losing activation does
//   not count as leaving);
// - Tab reaches the control only when WantsTab() says so; otherwise it moves the focus on.
// - Escape reaches the control only when WantsEscape() says so (by default: the control is a
//   grid's cell editor, which Escape closes); otherwise it goes on to the window, whose Cancel
//   it is (IsCancelKey).
// Nothing thrown by a handler leaves the Qt event handler (see UiBoundary.h).
#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/GridTypes.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiBoundary.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QWidget>

// True when the widget lies in a grid (TCustomGrid) of its window: it is one of the grid's editors.
bool LiesInGrid(const QWidget* widget);

// True when w is the scope or lies below it (following parents across popup windows).
inline bool IsWithin(const QWidget* w, const QWidget* scope) {
    for (; w; w = w->parentWidget())
        if (w == scope) return true;
    return false;
}

template <typename TBase> class TControlAdapter : public TBase {
public:
    using TBase::TBase;

    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter, OnExit;

    virtual void KeyDown(int& key, TShiftState shift) {
        if (OnKeyDown) OnKeyDown(this, key, shift);
    }
    virtual void KeyPress(QChar& key) {
        if (OnKeyPress) OnKeyPress(this, key);
    }
    virtual void KeyUp(int& key, TShiftState shift) {
        if (OnKeyUp) OnKeyUp(this, key, shift);
    }
    virtual void DoEnter() {
        if (OnEnter) OnEnter(this);
    }
    virtual void DoExit() {
        if (OnExit) OnExit(this);
    }
    virtual bool WantsTab() const { return false; }
    virtual bool WantsEscape() const { return LiesInGrid(this); }

    virtual void CopyToClipboard() { DoCopy(); }
    virtual void CutToClipboard() { DoCut(); }
    virtual void PasteFromClipboard() { DoPaste(); }
    // What the widget itself does for copy, cut and paste.
    virtual void DoCopy() {
        if constexpr (requires(TBase & b) { b.copy(); }) TBase::copy();
    }
    virtual void DoCut() {
        if constexpr (requires(TBase & b) { b.cut(); }) TBase::cut();
    }
    virtual void DoPaste() {
        if constexpr (requires(TBase & b) { b.paste(); }) TBase::paste();
    }

    // Types a character as the keyboard would: KeyPress first, then the widget's handling.
    void TypeChar(QChar ch) {
        KeyPress(ch);
        if (!ch.isNull()) ControlChar(ch);
    }
    // Whether the last key came from the numeric keypad (its '.' may stand for the decimal separator).
    bool LastKeyFromKeypad() const { return lastKeypad_; }

    void SetColor(TColor color) {
        QPalette p = this->palette();
        p.setColor(QPalette::Base, ToQColor(IsColorSet(color) ? color : clWindow));
        p.setColor(QPalette::Window, ToQColor(IsColorSet(color) ? color : clBtnFace));
        this->setPalette(p);
    }
    void SetControlFont(const TFont& font) {
        this->setFont(font.ToQFont());
        QPalette p = this->palette();
        const QColor text = ToQColor(IsColorSet(font.Color()) ? font.Color() : clWindowText);
        p.setColor(QPalette::Text, text);
        p.setColor(QPalette::WindowText, text);
        p.setColor(QPalette::ButtonText, text);
        this->setPalette(p);
    }
    void SetBoundsRect(const TRect& rect) { this->setGeometry(ToQRect(rect)); }

protected:
    // The widget's own handling of a key that types no character.
    virtual void ControlKey(QKeyEvent* e) { TBase::keyPressEvent(e); }
    // The widget's own handling of a character.
    virtual void ControlChar(QChar ch) {
        switch (ch.unicode()) {
        case 1:
            if constexpr (requires(TBase & b) { b.selectAll(); }) TBase::selectAll();
            return;
        case 3:
            CopyToClipboard();
            return;
        case 22:
            PasteFromClipboard();
            return;
        case 24:
            CutToClipboard();
            return;
        case 26:
            if constexpr (requires(TBase & b) { b.undo(); }) TBase::undo();
            return;
        case 8:
            SendToWidget(Qt::Key_Backspace, {});
            return;
        case 10:
            SendToWidget(Qt::Key_Return, {});
            return;
        case 13:
            SendToWidget(Qt::Key_Return, {});
            return;
        default:
            break;
        }
        if (ch.unicode() >= 32) SendToWidget(0, QString(ch));
    }
    void SendToWidget(int qtKey, const QString& text) {
        QKeyEvent synthetic(QEvent::KeyPress, qtKey, Qt::NoModifier, text);
        TBase::keyPressEvent(&synthetic);
    }

    bool event(QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            const bool tab = k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab;
            if (tab && WantsTab() && !(k->modifiers() & ChordModifiers)) {
                keyPressEvent(k);
                return true;
            }
        }
        return TBase::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (IsCancelKey(*e) && !WantsEscape()) return e->ignore(); // the window's Cancel
        GuardUi([&] {
            lastKeypad_ = FromKeypad(*e);
            int key = VirtualKey(*e);
            const QChar typed = TypedChar(*e);
            if (key != 0) KeyDown(key, ShiftStateOf(*e));
            if (typed.isNull()) {
                if (key != 0 || VirtualKey(*e) == 0) ClipboardKeyOrControlKey(e);
                return;
            }
            TypeChar(typed);
        });
        e->accept();
    }
    // Shift+Insert, Ctrl+Insert and Shift+Delete go through the clipboard hooks too.
    void ClipboardKeyOrControlKey(QKeyEvent* e) {
        if (e->matches(QKeySequence::Paste))
            PasteFromClipboard();
        else if (e->matches(QKeySequence::Copy))
            CopyToClipboard();
        else if (e->matches(QKeySequence::Cut))
            CutToClipboard();
        else if (e->modifiers() & ChordModifiers) {
            QKeyEvent command(e->type(), e->key(), e->modifiers()); // its text is not typed
            ControlKey(&command);
        } else
            ControlKey(e);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        GuardUi([&] {
            int key = VirtualKey(*e);
            if (key != 0) KeyUp(key, ShiftStateOf(*e));
        });
        TBase::keyReleaseEvent(e);
    }
    void focusInEvent(QFocusEvent* e) override {
        TBase::focusInEvent(e);
        if (inside_) return;
        inside_ = true;
        GuardUi([this] { DoEnter(); });
    }
    void focusOutEvent(QFocusEvent* e) override {
        TBase::focusOutEvent(e);
        QWidget* now = QApplication::focusWidget();
        if (now == nullptr || IsWithin(now, this) || e->reason() == Qt::PopupFocusReason) return;
        inside_ = false;
        GuardUi([this] { DoExit(); });
    }

private:
    bool lastKeypad_ = false;
    bool inside_ = false; // the focus is in the control (DoEnter ran, DoExit not yet)
};
