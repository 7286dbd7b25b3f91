#pragma once
// A person's input on shown widgets, for the tests of windows.
//
// A click is a press and a release of the left button with the events of the hold processed in
// between: whatever the press starts (a focus move, the checks that run when a field is left)
// runs while the button is held, as it does for a finger that holds the button for a moment.
// Keys go to the widget that has the focus, as the keyboard's do.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

// The events a hold of the button, or a pause between keys, lets run.
inline void LetEventsRun() {
    for (int turn = 0; turn < 4; ++turn) QApplication::processEvents();
}

// Where a person clicks a widget: a check box or radio button on its box, any other widget in its
// middle.
inline QPoint ClickPoint(const QWidget& widget) {
    if (qobject_cast<const QCheckBox*>(&widget) || qobject_cast<const QRadioButton*>(&widget))
        return {8, widget.height() / 2};
    return widget.rect().center();
}

inline void PressAndRelease(QWidget* widget, QPoint at = {-1, -1}) {
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isVisible()) << widget->objectName().toStdString();
    if (at == QPoint(-1, -1)) at = ClickPoint(*widget);
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    LetEventsRun();
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    LetEventsRun();
}

// A click on the tab of a page.
inline void ClickTab(QTabWidget* tabs, int index) {
    QTabBar* bar = tabs->tabBar();
    PressAndRelease(bar, bar->tabRect(index).center());
}

// A key, with its modifiers, typed into the widget that has the focus (the window when none has).
inline void TypeKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    QTest::keyClick(target, key, modifiers);
    LetEventsRun();
}

// Text typed key by key into the widget that has the focus.
inline void TypeText(QWidget* window, const QString& text) {
    for (const QChar c : text) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(target, c.toLatin1());
        LetEventsRun();
    }
}
