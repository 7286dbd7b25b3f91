#include "desktop/qvxRegistry.h"

#include "platform/os/OsError.h"
#include "platform/os/SettingsStore.h"

#include <QFile>

QString qvxSystemConfigFolder() {
    const QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    for (const QString& dir : dirs.split(':', Qt::SkipEmptyParts))
        if (dir.startsWith('/')) return dir;
    return QStringLiteral("/etc/xdg");
}

QString qvxRootFileName(TqvxRootKey root) {
    if (root == TqvxRootKey::LocalMachine) return qvxSystemConfigFolder() + "/centrprg/settings.ini";
    return QFile::decodeName(TSettingsStore::DefaultFileName().c_str());
}

void qvxWriteRegString(TqvxRootKey root, const QString& key, const QString& name, const QString& value) {
    try {
        TSettingsStore store(QFile::encodeName(qvxRootFileName(root)).toStdString());
        store.WriteString(key.toStdString(), name.toStdString(), value.toStdString());
    } catch (const EOsError&) {
        throw ERegistryException("Unable to open the " + key.toStdString() + " key");
    }
}
