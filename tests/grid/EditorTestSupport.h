// Shared by the tests of the editor controls: a control alone in a shown window, and the advanced
// grid with a chosen editor kind per cell.
#pragma once

#include "GridTestSupport.h"
#include "grid/GridEditors.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

// A window with the control under test and a plain edit to move the focus to.
template <typename TControl> struct TControlWindow {
    template <typename... TArgs>
    explicit TControlWindow(TArgs&&... args) : control(new TControl(std::forward<TArgs>(args)...)) {
        control->setParent(&window);
        other = new QLineEdit(&window);
        window.resize(320, 120);
        control->setGeometry(10, 10, 200, 24);
        other->setGeometry(10, 60, 200, 24);
        control->show();
        window.show();
        QApplication::setActiveWindow(&window);
        control->setFocus(Qt::OtherFocusReason);
    }
    QWidget window;
    TControl* control;
    QLineEdit* other;
};

// A grid whose cells ask for the editor kind the test chooses; column 1 holds "r1".."r5".
class EditorGrid : public testing::Test {
protected:
    EditorGrid() : w_(4, 6) {
        Grid().SetOptions(Grid().Options() + goEditing);
        for (int r = 1; r < 6; ++r) Grid().SetGridCells(1, r, QString("r%1").arg(r));
        Grid().OnGetEditorType = [this](QObject*, int col, int row, TEditorType& type) {
            if (editorOf) type = editorOf(col, row);
        };
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    void UseEditor(TEditorType type) {
        editorOf = [type](int, int) { return type; };
    }
    // Opens the editor on the cell with F2.
    void Open(int col, int row) {
        Grid().SetCol(col);
        Grid().SetRow(row);
        Grid().setFocus(Qt::OtherFocusReason);
        w_.Key(Qt::Key_F2);
    }
    // Clicks a child widget of a control at its centre.
    static void ClickWidget(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }

    std::function<TEditorType(int, int)> editorOf;
    TAdvancedGridWindow w_;
};
