#include "desktop/qvxFolderMonitor.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <sys/inotify.h>

namespace {

constexpr std::uint32_t NameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t WatchedEvents = NameEvents | IN_ATTRIB | IN_MODIFY | IN_CLOSE_WRITE | IN_ONLYDIR;

std::string FolderPath(const QString& folder) {
    const QString trimmed = folder.trimmed();
    return QFile::encodeName(trimmed.isEmpty() ? QDir::currentPath() : trimmed).toStdString();
}

} // namespace

TqvxFolderMonitorThread::TqvxFolderMonitorThread(const QString& folder, bool watchSubTree,
                                                 TFolderMonitorFilters filters, TThreadMethod onChange)
    : TqvxMonitorThread(std::move(onChange)), folder_(FolderPath(folder)), watchSubTree_(watchSubTree),
      filters_(filters) {}

TqvxFolderMonitorThread::~TqvxFolderMonitorThread() {
    Finish();
}

bool TqvxFolderMonitorThread::Arm() {
    return Watch(folder_, watchSubTree_);
}

// Watches the folder and, when asked, every folder below it (those that vanish meanwhile are
// skipped); false when the folder itself cannot be watched.
bool TqvxFolderMonitorThread::Watch(const std::string& folder, bool withSubFolders) {
    const int watch = inotify_.Add(folder, WatchedEvents);
    if (watch < 0) return false;
    folders_[watch] = folder;
    if (!withSubFolders) return true;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_directory(error) && !entry.is_symlink(error)) Watch(entry.path().string(), true);
    return true;
}

bool TqvxFolderMonitorThread::Matters(std::uint32_t mask) const {
    const bool isDir = (mask & IN_ISDIR) != 0;
    if ((mask & NameEvents) != 0 && (filters_ & (isDir ? fmfDirNameChange : fmfFileNameChange)) != 0)
        return true;
    if ((mask & IN_ATTRIB) != 0 && (filters_ & (fmfAttributeChange | fmfSecurityChange)) != 0) return true;
    return (mask & (IN_MODIFY | IN_CLOSE_WRITE)) != 0 && (filters_ & (fmfSizeChange | fmfWriteChange)) != 0;
}

// Stops watching the folder and every folder below it (a folder moved out of the tree).
void TqvxFolderMonitorThread::Unwatch(const std::string& folder) {
    const std::string below = folder + "/";
    for (auto it = folders_.begin(); it != folders_.end();) {
        if (it->second == folder || it->second.compare(0, below.size(), below) == 0) {
            inotify_.Remove(it->first);
            it = folders_.erase(it);
        } else {
            ++it;
        }
    }
}

bool TqvxFolderMonitorThread::Changed(const std::vector<TqvxInotify::TEvent>& events) {
    bool changed = false;
    for (const TqvxInotify::TEvent& event : events) {
        if ((event.mask & IN_IGNORED) != 0) {
            folders_.erase(event.watch);
            continue;
        }
        const auto folder = folders_.find(event.watch);
        if (folder == folders_.end()) continue;
        changed = changed || Matters(event.mask);
        if ((event.mask & IN_ISDIR) == 0 || !watchSubTree_) continue;
        // A folder moved away leaves the tree (renamed within it, it comes back with its new name).
        const std::string path = folder->second + "/" + event.name;
        if ((event.mask & IN_MOVED_FROM) != 0) Unwatch(path);
        if ((event.mask & (IN_CREATE | IN_MOVED_TO)) != 0) Watch(path, true);
    }
    return changed;
}

std::unique_ptr<TqvxMonitorThread> TqvxCustomFolderMonitor::CreateMonitorThread() {
    return std::make_unique<TqvxFolderMonitorThread>(folder_, watchSubTree_, filters_, OnChange());
}
