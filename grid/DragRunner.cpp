#include "grid/DragRunner.h"

#include "grid/vzgdd.h"

#include <QDrag>
#include <QTimer>
#include <QWidget>

TDragEffect DragEffectOf(Qt::DropAction action) {
    switch (action) {
    case Qt::CopyAction:
        return TDragEffect::deCopy;
    case Qt::MoveAction:
        return TDragEffect::deMove;
    default:
        return TDragEffect::deNone;
    }
}

Qt::DropAction DropActionOf(TDragEffect effect) {
    switch (effect) {
    case TDragEffect::deCopy:
        return Qt::CopyAction;
    case TDragEffect::deMove:
        return Qt::MoveAction;
    default:
        return Qt::IgnoreAction;
    }
}

TDragEffect TQtDragRunner::Run(QWidget* source, std::unique_ptr<TSourceDataObject> data,
                               Qt::DropActions allowed, TVzgDropSource& dropSource) {
    auto* drag = new QDrag(source);
    drag->setMimeData(data.release());
    const QMetaObject::Connection feedback =
        QObject::connect(drag, &QDrag::actionChanged, drag, [&dropSource](Qt::DropAction action) {
            dropSource.GiveFeedback(DragEffectOf(action));
        });
    QTimer query;
    query.setInterval(15);
    QObject::connect(&query, &QTimer::timeout, [&dropSource] { dropSource.QueryDrag(); });
    query.start();
    const Qt::DropAction done = drag->exec(allowed, Qt::MoveAction);
    query.stop();
    QObject::disconnect(feedback);
    return DragEffectOf(done);
}
