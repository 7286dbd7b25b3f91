// Keys as the class library's handlers see them: a key-down with a virtual-key code and the shift
// state, followed by a character for the keys that type one (Backspace #8, Tab #9, Enter #13,
// Escape #27, Ctrl+letter #1..#26 and the printable characters). A handler consumes a key by
// setting it to 0; consuming the key-down does not stop the character, as in the class library.
#pragma once

#include "platform/ui/EnumSet.h"

#include <QChar>
#include <Qt>

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

enum : int {
    VK_LBUTTON = 0x01,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F4 = 0x73,
    VK_F12 = 0x7B,
};

// ssMeta is the Super key, which the class library's keyboards did not have.
enum class TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble, ssMeta };
using TShiftState = TSet<TShiftStateItem>;
constexpr TShiftStateItem ssShift = TShiftStateItem::ssShift, ssAlt = TShiftStateItem::ssAlt,
                          ssCtrl = TShiftStateItem::ssCtrl, ssLeft = TShiftStateItem::ssLeft,
                          ssRight = TShiftStateItem::ssRight, ssMiddle = TShiftStateItem::ssMiddle,
                          ssDouble = TShiftStateItem::ssDouble, ssMeta = TShiftStateItem::ssMeta;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// The modifiers that make a key a command's chord: Ctrl, Alt and Meta (the Super key). A key held
// with any of them types no printable character; Shift, the keypad flag and AltGr (on X11
// Qt::GroupSwitchModifier, or no modifier at all) leave a key typing what it makes.
inline constexpr Qt::KeyboardModifiers ChordModifiers{Qt::ControlModifier | Qt::AltModifier |
                                                      Qt::MetaModifier};
// Whether a key event, or a key-down's shift state, is such a chord. A handler that acts on a key
// a person types (a digit, Enter, Space) leaves chords alone.
bool IsChord(const QKeyEvent& event);
bool IsChord(TShiftState shift);
// Enter or Return typed as a key, not as a chord.
bool IsEnterKey(const QKeyEvent& event);
// Escape, the key that closes a dialog as its Cancel button does. A control that has nothing of
// its own to cancel with it (an open cell editor, a typed change of a data-aware field) passes it
// on to its window, as the class library sends it to the form's Cancel button first.
bool IsCancelKey(const QKeyEvent& event);

// The virtual-key code of a Qt key (letters and digits give their upper-case ASCII code); 0 for
// keys the class library has no code for.
int VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The Qt key for a virtual-key code (the inverse of VirtualKey).
int QtKeyOf(int virtualKey);
int VirtualKey(const QKeyEvent& event);
// The character a key event types, or a null QChar for keys that type none. A chord (above) types
// no printable character (Ctrl+letter gives its control character).
QChar TypedChar(const QKeyEvent& event);
// Whether the key came from the numeric keypad (its '.' may stand for the decimal separator).
bool FromKeypad(const QKeyEvent& event);

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
TShiftState ShiftStateOf(const QKeyEvent& event);
TShiftState ShiftStateOf(const QMouseEvent& event);
bool MouseButtonOf(Qt::MouseButton button, TMouseButton& out);
