// How the grid starts a drag of its cells or of a column out of itself. A drag runs modally until
// the drop, so the grid hands it to a runner that tests (and the drag-and-drop layer) replace.
//
// The default runner offers a text drag as "text/plain" and the rich text as "text/rtf", and a
// column drag as kGridColumnMime holding the real column number as text; it allows copy and move
// and answers what the drop did.
#pragma once

#include <QString>

class QWidget;

enum class TDragEffect { deNone, deCopy, deMove };

inline constexpr const char* kGridColumnMime = "application/x-grid-column";

class TDragRunner {
public:
    virtual ~TDragRunner() = default;
    // Cells: their text (TAB and CR LF separated) and the rich text of the cell under the pointer.
    virtual TDragEffect RunTextDrag(QWidget* source, const QString& text, const QString& richText) = 0;
    virtual TDragEffect RunColumnDrag(QWidget* source, int realCol) = 0;
};

class TQtDragRunner : public TDragRunner {
public:
    TDragEffect RunTextDrag(QWidget* source, const QString& text, const QString& richText) override;
    TDragEffect RunColumnDrag(QWidget* source, int realCol) override;
};
