// How the grid starts a drag of its cells or of a column out of itself. A drag runs modally until
// the drop, so the grid hands it to a runner that tests replace; the default runner runs Qt's
// drag. The data offered and the source's feedback are those of the drag-and-drop layer
// (vzgdd.h).
#pragma once

#include <QtCore/qnamespace.h>
#include <memory>

class QWidget;
class TSourceDataObject;
class TVzgDropSource;

enum class TDragEffect { deNone, deCopy, deMove };

class TDragRunner {
public:
    virtual ~TDragRunner() = default;
    // Runs the drag of the data out of source, allowing the effects, until it is dropped or
    // cancelled; answers the effect the drop took (deNone: cancelled or refused). While it runs,
    // dropSource hears every change of the effect the pointer would get (GiveFeedback) and is
    // asked again and again whether it has anything to do (QueryDrag).
    virtual TDragEffect Run(QWidget* source, std::unique_ptr<TSourceDataObject> data, Qt::DropActions allowed,
                            TVzgDropSource& dropSource) = 0;
};

// Qt's modal drag; QueryDrag is asked every 15 ms while it runs.
class TQtDragRunner : public TDragRunner {
public:
    TDragEffect Run(QWidget* source, std::unique_ptr<TSourceDataObject> data, Qt::DropActions allowed,
                    TVzgDropSource& dropSource) override;
};

TDragEffect DragEffectOf(Qt::DropAction action);
Qt::DropAction DropActionOf(TDragEffect effect);
