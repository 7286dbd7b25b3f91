#include "desktop/qvxApplicationWindow.h"

#include "desktop/qvxFormUtils.h"

#include <QString>
#include <QWidget>

QWidget* qvxOwnerWindow(const QObject* owner) {
    for (const QObject* object = owner; object != nullptr; object = object->parent())
        if (const auto* widget = qobject_cast<const QWidget*>(object)) return widget->window();
    return nullptr;
}

void qvxShowApplication(QWidget* mainWindow) {
    if (mainWindow == nullptr) return;
    if (mainWindow->isMinimized())
        mainWindow->setWindowState(mainWindow->windowState() & ~Qt::WindowMinimized);
    mainWindow->show();
}

void qvxHideApplication(QWidget* mainWindow) {
    if (mainWindow != nullptr && mainWindow->isVisible()) mainWindow->hide();
}

void qvxBringToFront(QWidget* mainWindow) {
    if (mainWindow == nullptr) return;
    mainWindow->raise();
    mainWindow->activateWindow();
}

void qvxHandleException(const QObject* owner, const std::exception& error) {
    qvxShowMessage(qvxApplicationTitle(owner), QString::fromUtf8(error.what()));
}
