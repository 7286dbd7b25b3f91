#include "desktop/qvxRegistryMonitor.h"

#include "platform/os/OsError.h"
#include "platform/os/SettingsStore.h"

#include <QFile>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/inotify.h>
#include <sys/stat.h>

namespace {

constexpr std::uint32_t FolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE |
                                       IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string FileText(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool IsWholeRoot(const std::string& key) {
    try {
        TSettingsStore::NormaliseKey(key);
        return false;
    } catch (const EOsError&) { // a path without parts
        return true;
    }
}

// Adds the key's values and the keys below it (with their values when deeper).
void Collect(const TSettingsStore& store, const std::string& key, bool deeper,
             TqvxRegistryMonitorThread::TSnapshot& snapshot) {
    for (const std::string& name : store.ValueNames(key))
        snapshot.values[Lower(key + "\\" + name)] = store.ReadString(key, name, "");
    for (const std::string& name : store.SubKeyNames(key)) {
        const std::string subKey = key + "\\" + name;
        snapshot.keys.insert(Lower(subKey));
        if (deeper) Collect(store, subKey, true, snapshot);
    }
}

} // namespace

TqvxRegistryMonitorThread::TqvxRegistryMonitorThread(TqvxRootKey root, const QString& key, bool watchSubTree,
                                                     TqvxRegistryMonitorFilters filters,
                                                     TThreadMethod onChange)
    : TqvxMonitorThread(std::move(onChange)),
      fileName_(QFile::encodeName(qvxRootFileName(root)).toStdString()), key_(key.trimmed().toStdString()),
      watchSubTree_(watchSubTree), filters_(filters) {}

TqvxRegistryMonitorThread::~TqvxRegistryMonitorThread() {
    Finish();
}

TqvxRegistryMonitorThread::TSnapshot TqvxRegistryMonitorThread::TakeSnapshot(const std::string& fileName,
                                                                             const std::string& key,
                                                                             bool watchSubTree) {
    TSnapshot snapshot;
    struct stat status {};
    if (stat(fileName.c_str(), &status) == 0)
        snapshot.fileMode = {status.st_mode, status.st_uid, status.st_gid};
    if (IsWholeRoot(key)) {
        snapshot.exists = true;
        snapshot.values[""] = FileText(fileName);
        return snapshot;
    }
    try {
        const TSettingsStore store(fileName);
        snapshot.exists = store.KeyExists(key);
        if (snapshot.exists) Collect(store, TSettingsStore::NormaliseKey(key), watchSubTree, snapshot);
    } catch (const EOsError&) {
        snapshot = {}; // an unreadable store shows no key
    }
    return snapshot;
}

bool TqvxRegistryMonitorThread::Arm() {
    snapshot_ = TakeSnapshot(fileName_, key_, watchSubTree_);
    return WatchFolder();
}

// Watches the store's folder, or its nearest existing parent until the folder is made.
bool TqvxRegistryMonitorThread::WatchFolder() {
    std::filesystem::path folder = std::filesystem::path(fileName_).parent_path();
    std::error_code error;
    while (!std::filesystem::is_directory(folder, error) && folder.has_relative_path())
        folder = folder.parent_path();
    if (folder.string() == watchedFolder_ && watch_ >= 0) return true;
    if (watch_ >= 0) inotify_.Remove(watch_);
    watch_ = inotify_.Add(folder.string(), FolderEvents);
    watchedFolder_ = watch_ >= 0 ? folder.string() : std::string();
    return watch_ >= 0;
}

bool TqvxRegistryMonitorThread::Changed(const std::vector<TqvxInotify::TEvent>& events) {
    if (std::any_of(events.begin(), events.end(), [](const auto& event) { return event.mask & IN_IGNORED; }))
        watch_ = -1; // the watched folder went away
    WatchFolder();
    TSnapshot after = TakeSnapshot(fileName_, key_, watchSubTree_);
    const bool changed = Differs(snapshot_, after);
    snapshot_ = std::move(after);
    return changed;
}

bool TqvxRegistryMonitorThread::Differs(const TSnapshot& before, const TSnapshot& after) const {
    if (before.exists != after.exists) return true; // created or deleted
    if (!after.exists) return false;
    if ((filters_ & rmfSubTreeChange) != 0 && before.keys != after.keys) return true;
    if ((filters_ & rmfValueChange) != 0 && before.values != after.values) return true;
    return (filters_ & (rmfAttributeChange | rmfSecurityChange)) != 0 && before.fileMode != after.fileMode;
}

std::unique_ptr<TqvxMonitorThread> TqvxCustomRegistryMonitor::CreateMonitorThread() {
    return std::make_unique<TqvxRegistryMonitorThread>(root_, key_, watchSubTree_, filters_, OnChange());
}
