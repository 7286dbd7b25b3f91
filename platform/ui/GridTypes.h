// Types of the class library's grids: options, draw states, cell coordinates and rectangles,
// grid states and the event signatures (Sender first; results by reference).
#pragma once

#include "platform/ui/EnumSet.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Keys.h"

#include <QString>
#include <algorithm>
#include <functional>

class QObject;

enum class TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
constexpr TGridOption goFixedVertLine = TGridOption::goFixedVertLine,
                      goFixedHorzLine = TGridOption::goFixedHorzLine, goVertLine = TGridOption::goVertLine,
                      goHorzLine = TGridOption::goHorzLine, goRangeSelect = TGridOption::goRangeSelect,
                      goDrawFocusSelected = TGridOption::goDrawFocusSelected,
                      goRowSizing = TGridOption::goRowSizing, goColSizing = TGridOption::goColSizing,
                      goRowMoving = TGridOption::goRowMoving, goColMoving = TGridOption::goColMoving,
                      goEditing = TGridOption::goEditing, goTabs = TGridOption::goTabs,
                      goRowSelect = TGridOption::goRowSelect,
                      goAlwaysShowEditor = TGridOption::goAlwaysShowEditor,
                      goThumbTracking = TGridOption::goThumbTracking;

enum class TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;
constexpr TGridDrawStateItem gdSelected = TGridDrawStateItem::gdSelected,
                             gdFocused = TGridDrawStateItem::gdFocused, gdFixed = TGridDrawStateItem::gdFixed;

struct TGridCoord {
    int X = 0, Y = 0;
    constexpr bool operator==(const TGridCoord&) const = default;
};

// A block of cells, edges included.
struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr bool Contains(int col, int row) const {
        return col >= Left && col <= Right && row >= Top && row <= Bottom;
    }
    constexpr bool operator==(const TGridRect&) const = default;
};

constexpr TGridRect GridRect(TGridCoord a, TGridCoord b) {
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

enum class TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TGridBorderStyle { bsNone, bsSingle };

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelUpDownEvent =
    std::function<void(QObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TDrawCellEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(QObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TGetEditEvent = std::function<void(QObject* Sender, int ACol, int ARow, QString& Value)>;
using TSetEditEvent = std::function<void(QObject* Sender, int ACol, int ARow, const QString& Value)>;
using TMovedEvent = std::function<void(QObject* Sender, int FromIndex, int ToIndex)>;
