#include "platform/ui/UrlOpener.h"

#include <QDesktopServices>

namespace {

TUrlLauncher& Launcher() {
    static TUrlLauncher launcher = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return launcher;
}

} // namespace

bool IsAllowedUrl(const QUrl& url) {
    if (!url.isValid()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == "mailto") return !url.path().isEmpty();
    return (scheme == "http" || scheme == "https" || scheme == "ftp") && !url.host().isEmpty();
}

bool OpenUrl(const QString& address) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!IsAllowedUrl(url)) return false;
    return Launcher() && Launcher()(url);
}

TUrlLauncher SetUrlLauncher(TUrlLauncher launcher) {
    return std::exchange(Launcher(), std::move(launcher));
}
