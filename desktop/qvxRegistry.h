#pragma once
// The roots of the settings store ("registry") as the desktop library names them, and the
// writing of one string value.
//
// Current user (and every root but local machine): the user's settings file of TSettingsStore
// ($XDG_CONFIG_HOME/centrprg/settings.ini). Local machine: centrprg/settings.ini in the system's
// configuration folder (the first folder of $XDG_CONFIG_DIRS, else /etc/xdg), writable only by
// the administrator.

#include <QString>

#include <stdexcept>

enum class TqvxRootKey { CurrentUser, LocalMachine, ClassesRoot, Users, CurrentConfig };

// A key that cannot be opened or written: "Unable to open the <key> key".
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's configuration folder (no trailing "/").
QString qvxSystemConfigFolder();
// The settings file that holds a root.
QString qvxRootFileName(TqvxRootKey root);

// Opens or creates the key and writes the value; raises ERegistryException when it cannot.
void qvxWriteRegString(TqvxRootKey root, const QString& key, const QString& name, const QString& value);
