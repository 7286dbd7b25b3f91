// A string grid shown in a window of fixed size, with an edit beside it to take the focus when it
// leaves the grid; helpers to send keys and mouse actions to it.
#pragma once

#include "platform/ui/InplaceEdit.h"
#include "platform/ui/StringGrid.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

template <typename TGrid = TStringGrid> class TGridWindow {
public:
    explicit TGridWindow(int cols = 5, int rows = 5, QSize size = QSize(400, 300)) {
        window_.setFixedSize(size.width(), size.height() + 30);
        grid_ = new TGrid(&window_);
        other_ = new QLineEdit(&window_);
        grid_->setGeometry(0, 0, size.width(), size.height());
        other_->setGeometry(0, size.height(), size.width(), 30);
        grid_->SetColCount(cols);
        grid_->SetRowCount(rows);
        window_.show();
        window_.activateWindow();
        QApplication::setActiveWindow(&window_);
        grid_->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }

    TGrid& Grid() { return *grid_; }
    QLineEdit& Other() { return *other_; }
    QWidget* Viewport() { return grid_->viewport(); }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : grid_;
        QTest::keyClick(target, key, modifiers);
    }
    void Type(const QString& text) {
        for (QChar ch : text) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : grid_;
            QTest::keyClick(target, ch.toLatin1());
        }
    }
    // Centre of a cell in viewport coordinates.
    QPoint CellCentre(int col, int row) {
        const TRect r = grid_->CellRect(col, row);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    void Press(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mousePress(Viewport(), Qt::LeftButton, modifiers, p);
    }
    void MoveTo(QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, Viewport()->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(Viewport(), &move);
    }
    void Release(QPoint p) { QTest::mouseRelease(Viewport(), Qt::LeftButton, Qt::NoModifier, p); }
    void Click(QPoint p) {
        Press(p);
        Release(p);
    }
    TInplaceEdit* Editor() { return grid_->InplaceEditor(); }
    bool EditorShown() { return Editor() && Editor()->isVisible(); }

private:
    QWidget window_;
    TGrid* grid_;
    QLineEdit* other_;
};
