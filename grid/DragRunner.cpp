#include "grid/DragRunner.h"

#include <QDrag>
#include <QMimeData>
#include <QWidget>

namespace {

TDragEffect Run(QWidget* source, QMimeData* data) {
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    switch (drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction)) {
    case Qt::CopyAction:
        return TDragEffect::deCopy;
    case Qt::MoveAction:
        return TDragEffect::deMove;
    default:
        return TDragEffect::deNone;
    }
}

} // namespace

TDragEffect TQtDragRunner::RunTextDrag(QWidget* source, const QString& text, const QString& richText) {
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QStringLiteral("text/rtf"), richText.toUtf8());
    return Run(source, data);
}

TDragEffect TQtDragRunner::RunColumnDrag(QWidget* source, int realCol) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kGridColumnMime), QByteArray::number(realCol));
    return Run(source, data);
}
