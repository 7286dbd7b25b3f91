#include "platform/ui/Keys.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {

struct TKeyPair {
    int Qt, Vk;
};

constexpr TKeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE},
};

} // namespace

int VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    for (const TKeyPair& pair : kKeys)
        if (pair.Qt == qtKey) return pair.Vk;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return VK_F1 + (qtKey - Qt::Key_F1);
    if (modifiers & Qt::KeypadModifier) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return VK_NUMPAD0 + (qtKey - Qt::Key_0);
        if (qtKey == Qt::Key_Period || qtKey == Qt::Key_Comma) return VK_DECIMAL;
        if (qtKey == Qt::Key_Plus) return VK_ADD;
        if (qtKey == Qt::Key_Minus) return VK_SUBTRACT;
        if (qtKey == Qt::Key_Asterisk) return VK_MULTIPLY;
        if (qtKey == Qt::Key_Slash) return VK_DIVIDE;
    }
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    return 0;
}

int QtKeyOf(int virtualKey) {
    for (const TKeyPair& pair : kKeys)
        if (pair.Vk == virtualKey) return pair.Qt;
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12) return Qt::Key_F1 + (virtualKey - VK_F1);
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return virtualKey;
    return 0;
}

int VirtualKey(const QKeyEvent& event) {
    return VirtualKey(event.key(), event.modifiers());
}

QChar TypedChar(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Backspace:
        return QChar(8);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QChar(9);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar((event.modifiers() & Qt::ControlModifier) ? 10 : 13);
    case Qt::Key_Escape:
        return QChar(27);
    default:
        break;
    }
    if ((event.modifiers() & Qt::ControlModifier) && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
        return QChar(event.key() - Qt::Key_A + 1);
    if (IsChord(event)) return QChar(); // a command's key
    const QString text = event.text();
    if (text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() != 127) return text[0];
    return QChar();
}

bool IsChord(const QKeyEvent& event) {
    return event.modifiers() & ChordModifiers;
}

bool IsChord(TShiftState shift) {
    return shift.Contains(ssCtrl) || shift.Contains(ssAlt) || shift.Contains(ssMeta);
}

bool IsEnterKey(const QKeyEvent& event) {
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) && !IsChord(event);
}

bool IsCancelKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_Escape && !(event.modifiers() & ~Qt::KeypadModifier);
}

bool FromKeypad(const QKeyEvent& event) {
    return event.modifiers() & Qt::KeypadModifier;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState state;
    if (modifiers & Qt::ShiftModifier) state.Include(ssShift);
    if (modifiers & Qt::AltModifier) state.Include(ssAlt);
    if (modifiers & Qt::ControlModifier) state.Include(ssCtrl);
    if (modifiers & Qt::MetaModifier) state.Include(ssMeta);
    if (buttons & Qt::LeftButton) state.Include(ssLeft);
    if (buttons & Qt::RightButton) state.Include(ssRight);
    if (buttons & Qt::MiddleButton) state.Include(ssMiddle);
    return state;
}

TShiftState ShiftStateOf(const QKeyEvent& event) {
    TShiftState state = ShiftStateOf(event.modifiers());
    if (event.key() == Qt::Key_Backtab) state.Include(ssShift);
    return state;
}

TShiftState ShiftStateOf(const QMouseEvent& event) {
    TShiftState state = ShiftStateOf(event.modifiers(), event.buttons() | event.button());
    if (event.type() == QEvent::MouseButtonDblClick) state.Include(ssDouble);
    return state;
}

bool MouseButtonOf(Qt::MouseButton button, TMouseButton& out) {
    switch (button) {
    case Qt::LeftButton:
        out = TMouseButton::mbLeft;
        return true;
    case Qt::RightButton:
        out = TMouseButton::mbRight;
        return true;
    case Qt::MiddleButton:
        out = TMouseButton::mbMiddle;
        return true;
    default:
        return false;
    }
}
