#pragma once
// Points the user's and the system's XDG folders (config, data, config dirs) into a fresh temporary
// folder for one test, so that nothing reaches the real autostart, settings or trash folders.

#include "platform/os/TestEnvironment.h"
#include "platform/os/TestTempFolder.h"

#include <QString>

class TTestXdgFolders {
public:
    const TTestTempFolder& Root() const { return root_; }
    QString Path(const std::string& name) const { return QString::fromStdString(root_.Path(name)); }

private:
    TTestTempFolder root_;
    TTestEnvironmentVariable configHome_{"XDG_CONFIG_HOME", root_.Path("user-config")};
    TTestEnvironmentVariable dataHome_{"XDG_DATA_HOME", root_.Path("user-data")};
    TTestEnvironmentVariable configDirs_{"XDG_CONFIG_DIRS", root_.Path("system-config")};
};
