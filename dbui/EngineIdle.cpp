#include "dbui/EngineIdle.h"

#include "db/engine/ReadBatches.h"

#include <QAbstractEventDispatcher>
#include <QThread>
#include <QVariant>

namespace vorsam {

void InstallEngineIdleRelease() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    if (dispatcher == nullptr || dispatcher->property("centrprgIdleRelease").toBool()) return;
    dispatcher->setProperty("centrprgIdleRelease", true);
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher,
                     [] { ReleaseWalkReads(); });
}

} // namespace vorsam
