#pragma once
// Points the user's and the system's XDG folders (config, data, config dirs) into a fresh temporary
// folder for one test, so that nothing reaches the real autostart, settings or trash folders.

#include "platform/os/TestTempFolder.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <utility>

class TTestXdgFolders {
public:
    TTestXdgFolders() {
        for (auto& [name, saved] : saved_) {
            saved = {qEnvironmentVariableIsSet(name), qgetenv(name)};
        }
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root_.Path("user-config")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root_.Path("user-data")));
        qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(root_.Path("system-config")));
    }
    TTestXdgFolders(const TTestXdgFolders&) = delete;
    TTestXdgFolders& operator=(const TTestXdgFolders&) = delete;
    ~TTestXdgFolders() {
        for (auto& [name, saved] : saved_) {
            if (saved.first)
                qputenv(name, saved.second);
            else
                qunsetenv(name);
        }
    }

    const TTestTempFolder& Root() const { return root_; }
    QString Path(const std::string& name) const { return QString::fromStdString(root_.Path(name)); }

private:
    TTestTempFolder root_;
    std::array<std::pair<const char*, std::pair<bool, QByteArray>>, 3> saved_{
        {{"XDG_CONFIG_HOME", {}}, {"XDG_DATA_HOME", {}}, {"XDG_CONFIG_DIRS", {}}}};
};
