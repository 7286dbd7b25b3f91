#pragma once
// TqvxFolderMonitor: raises OnChange (on the GUI thread) when something changes in a folder.
//
// What counts as a change is chosen with NotifyFilters:
//   fmfFileNameChange   a file created, deleted or renamed (moved in or out)
//   fmfDirNameChange    the same for a folder
//   fmfAttributeChange, fmfSecurityChange   permissions, owner, times or other attributes changed
//   fmfSizeChange, fmfWriteChange           a file written
// With WatchSubTree the folders below count too, also those made or moved in while the monitor runs,
// and no longer those moved out. Each
// wake of the monitor raises OnChange at most once, however many changes it saw. The folder is
// trimmed of blanks; an empty folder means the current folder. A folder that cannot be watched
// (missing, unreadable) raises nothing and writes a warning (qvxMonitor.h).

#include "desktop/qvxMonitor.h"

#include <QString>

enum TFolderMonitorFilter : unsigned {
    fmfFileNameChange = 1u << 0,
    fmfDirNameChange = 1u << 1,
    fmfAttributeChange = 1u << 2,
    fmfSizeChange = 1u << 3,
    fmfWriteChange = 1u << 4,
    fmfSecurityChange = 1u << 5,
};
using TFolderMonitorFilters = unsigned;

class TqvxFolderMonitorThread : public TqvxMonitorThread {
public:
    TqvxFolderMonitorThread(const QString& folder, bool watchSubTree, TFolderMonitorFilters filters,
                            TThreadMethod onChange);
    ~TqvxFolderMonitorThread() override;

protected:
    bool Arm() override;
    bool Changed(const std::vector<TqvxInotify::TEvent>& events) override;

private:
    bool Watch(const std::string& folder, bool withSubFolders);
    void Unwatch(const std::string& folder);
    bool Matters(std::uint32_t mask) const;

    std::string folder_;
    bool watchSubTree_;
    TFolderMonitorFilters filters_;
    std::map<int, std::string> folders_; // watch -> folder
};

class TqvxCustomFolderMonitor : public TqvxCustomMonitor {
    Q_OBJECT
public:
    explicit TqvxCustomFolderMonitor(QObject* owner = nullptr) : TqvxCustomMonitor(owner) {}

    const QString& Folder() const { return folder_; }
    void SetFolder(const QString& folder) { Set(folder_, folder); }
    TFolderMonitorFilters NotifyFilters() const { return filters_; }
    void SetNotifyFilters(TFolderMonitorFilters filters) { Set(filters_, filters); }
    bool WatchSubTree() const { return watchSubTree_; }
    void SetWatchSubTree(bool watch) { Set(watchSubTree_, watch); }

protected:
    std::unique_ptr<TqvxMonitorThread> CreateMonitorThread() override;

private:
    QString folder_ = QStringLiteral("/");
    TFolderMonitorFilters filters_ = fmfFileNameChange | fmfDirNameChange;
    bool watchSubTree_ = true;
};

class TqvxFolderMonitor : public TqvxCustomFolderMonitor {
    Q_OBJECT
public:
    using TqvxCustomFolderMonitor::TqvxCustomFolderMonitor;
};
