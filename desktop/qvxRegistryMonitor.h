#pragma once
// TqvxRegistryMonitor: raises OnChange (on the GUI thread) when a key of the settings store
// ("registry", qvxRegistry.h) changes, is created or is deleted.
//
// The store of a root is one file that writers replace as a whole; the monitor watches the
// file's folder (while that folder does not exist, its nearest existing parent) and, on each
// change there, reads the key again and compares it with what it read before:
//   the key was created or deleted                  always a change
//   rmfSubTreeChange    a key below it was added or removed (with WatchSubTree at any depth,
//                       else only its direct sub-keys)
//   rmfValueChange      a value of the key was set, changed or removed (with WatchSubTree also
//                       the values of the keys below it)
//   rmfAttributeChange, rmfSecurityChange   the store file's permissions or owner changed
// Keys are matched ignoring case. An empty RegistryKey stands for the whole root: any change of
// its file's contents counts.

#include "desktop/qvxMonitor.h"
#include "desktop/qvxRegistry.h"

#include <QString>

#include <set>

enum TqvxRegistryMonitorFilter : unsigned {
    rmfSubTreeChange = 1u << 0,
    rmfAttributeChange = 1u << 1,
    rmfValueChange = 1u << 2,
    rmfSecurityChange = 1u << 3,
};
using TqvxRegistryMonitorFilters = unsigned;

class TqvxRegistryMonitorThread : public TqvxMonitorThread {
public:
    TqvxRegistryMonitorThread(TqvxRootKey root, const QString& key, bool watchSubTree,
                              TqvxRegistryMonitorFilters filters, TThreadMethod onChange);
    ~TqvxRegistryMonitorThread() override;

    // What the monitor compares of a key.
    struct TSnapshot {
        bool exists = false;
        std::set<std::string> keys;                      // keys below it (lower case)
        std::map<std::string, std::string> values;       // "key\name" (lower case) -> value
        std::optional<std::array<unsigned, 3>> fileMode; // mode, owner, group of the store file
    };
    static TSnapshot TakeSnapshot(const std::string& fileName, const std::string& key, bool watchSubTree);

protected:
    bool Arm() override;
    bool Changed(const std::vector<TqvxInotify::TEvent>& events) override;

private:
    bool WatchFolder();
    bool Differs(const TSnapshot& before, const TSnapshot& after) const;

    std::string fileName_;
    std::string key_;
    bool watchSubTree_;
    TqvxRegistryMonitorFilters filters_;
    TSnapshot snapshot_;
    std::string watchedFolder_;
    int watch_ = -1;
};

class TqvxCustomRegistryMonitor : public TqvxCustomMonitor {
    Q_OBJECT
public:
    explicit TqvxCustomRegistryMonitor(QObject* owner = nullptr) : TqvxCustomMonitor(owner) {}

    const QString& RegistryKey() const { return key_; }
    void SetRegistryKey(const QString& key) { Set(key_, key); }
    TqvxRootKey RootKey() const { return root_; }
    void SetRootKey(TqvxRootKey root) { Set(root_, root); }
    TqvxRegistryMonitorFilters NotifyFilters() const { return filters_; }
    void SetNotifyFilters(TqvxRegistryMonitorFilters filters) { Set(filters_, filters); }
    bool WatchSubTree() const { return watchSubTree_; }
    void SetWatchSubTree(bool watch) { Set(watchSubTree_, watch); }

protected:
    std::unique_ptr<TqvxMonitorThread> CreateMonitorThread() override;

private:
    QString key_;
    TqvxRootKey root_ = TqvxRootKey::CurrentUser;
    TqvxRegistryMonitorFilters filters_ = rmfSubTreeChange | rmfValueChange;
    bool watchSubTree_ = true;
};

class TqvxRegistryMonitor : public TqvxCustomRegistryMonitor {
    Q_OBJECT
public:
    using TqvxCustomRegistryMonitor::TqvxCustomRegistryMonitor;
};
