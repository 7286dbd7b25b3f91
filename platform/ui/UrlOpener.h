// Opens a web or mail address from a cell with the desktop's handler. Only http, https, ftp and
// mailto addresses are opened: a cell's text must never start a program or open a local file.
// Tests (and the program) may replace the desktop call.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

bool IsAllowedUrl(const QUrl& url);
// False (and nothing opened) for an address that is not allowed or that the desktop refuses.
bool OpenUrl(const QString& address);

using TUrlLauncher = std::function<bool(const QUrl&)>;
// Installs the call that hands an address to the desktop; returns the previous one.
TUrlLauncher SetUrlLauncher(TUrlLauncher launcher);
