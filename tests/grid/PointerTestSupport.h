// Mouse actions on the advanced grid's viewport as a person makes them: moves with and without
// the left button held, presses and releases of each button with modifiers, wheel notches and the
// hint request the desktop sends when the pointer rests.
#pragma once

#include "GridTestSupport.h"

#include <QHelpEvent>
#include <QWheelEvent>

class TPointer {
public:
    explicit TPointer(TAdvancedGridWindow& window) : w_(window) {}

    QWidget* Viewport() { return w_.Viewport(); }
    QPoint Centre(int col, int row) { return w_.CellCentre(col, row); }
    TRect Rect(int col, int row) { return w_.Grid().CellRect(col, row); }

    // A move with no button held (hovering) and one with the left button held (dragging).
    void Hover(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Move(p, Qt::NoButton, modifiers);
    }
    void Drag(QPoint p) { Move(p, Qt::LeftButton, Qt::NoModifier); }
    void Move(QPoint p, Qt::MouseButtons held, Qt::KeyboardModifiers modifiers) {
        QMouseEvent move(QEvent::MouseMove, p, Viewport()->mapToGlobal(p), Qt::NoButton, held, modifiers);
        QApplication::sendEvent(Viewport(), &move);
    }
    void Press(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(Viewport(), button, modifiers, p);
    }
    void Release(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                 Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(Viewport(), button, modifiers, p);
    }
    // Hovers to the point first, as the pointer gets there before it clicks.
    void Click(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        Hover(p, modifiers);
        Press(p, modifiers, button);
        Release(p, modifiers, button);
    }
    void DoubleClick(QPoint p) {
        Click(p);
        QTest::mouseDClick(Viewport(), Qt::LeftButton, Qt::NoModifier, p);
        Release(p);
    }
    // Notches of the wheel: positive turns it away from the user (up), negative towards (down).
    void Wheel(QPoint p, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent wheel(p, Viewport()->mapToGlobal(p), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Viewport(), &wheel);
    }
    void AskHint(QPoint p) {
        QHelpEvent help(QEvent::ToolTip, p, Viewport()->mapToGlobal(p));
        QApplication::sendEvent(Viewport(), &help);
    }

private:
    TAdvancedGridWindow& w_;
};
