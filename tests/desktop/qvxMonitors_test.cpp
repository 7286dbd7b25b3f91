// Folder and registry monitors on temporary folders and a temporary settings store.

#include "TestXdgFolders.h"
#include "desktop/qvxFolderMonitor.h"
#include "desktop/qvxRegistryMonitor.h"
#include "platform/os/SettingsStore.h"
#include "platform/os/TestTempFolder.h"
#include "qvxMessageRecorder.h"
#include "support/EventWait.h"
#include "support/QtTestApplication.h"

#include <QFile>
#include <QTest>
#include <QThread>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// How long a test waits to see that no OnChange comes (an absence cannot be awaited otherwise).
constexpr int QuietMs = 60;

void WriteFile(const fs::path& path, const std::string& text = "x") {
    std::ofstream(path) << text;
}

// A monitor's OnChange count, with the test's ways of waiting for it.
template <typename Monitor> class TWatched {
public:
    TWatched() {
        monitor.SetOnChange([this] { ++changes; });
    }
    // Waits until one more change has been raised than before the action. An action whose events
    // the monitor reads in two wakes raises two: none of those here is followed by ExpectNoChange
    // (each such is one event, or the monitor compares what it watches before and after).
    template <typename Action> void ExpectChange(Action&& action, const char* what) {
        const int before = changes;
        action();
        EXPECT_TRUE(QTest::qWaitFor([&] { return changes > before; }, EventWaitMs)) << what;
        changes = before + 1;
    }
    template <typename Action> void ExpectNoChange(Action&& action, const char* what) {
        const int before = changes;
        action();
        QTest::qWait(QuietMs);
        EXPECT_EQ(changes, before) << what;
    }

    Monitor monitor;
    int changes = 0;
};

class FolderMonitor : public testing::Test {
protected:
    void Watch(TFolderMonitorFilters filters, bool subTree) {
        watched.monitor.SetFolder(QString::fromStdString(folder.Path()));
        watched.monitor.SetNotifyFilters(filters);
        watched.monitor.SetWatchSubTree(subTree);
        watched.monitor.SetActive(true);
        ASSERT_TRUE(watched.monitor.Running());
    }
    fs::path At(const std::string& name) const { return folder.Path(name); }

    TTestTempFolder folder;
    TWatched<TqvxFolderMonitor> watched;
};

TEST_F(FolderMonitor, RunsNoThreadWithoutAHandlerAndLeavesItAloneInTheDesignState) {
    TqvxFolderMonitor monitor;
    monitor.SetFolder(QString::fromStdString(folder.Path()));
    monitor.SetActive(true);
    EXPECT_FALSE(monitor.Running()) << "OnChange unassigned";
    monitor.SetOnChange([] {});
    EXPECT_TRUE(monitor.Running());
    monitor.SetDesigning(true);
    monitor.SetActive(false);
    EXPECT_TRUE(monitor.Running()) << "the design state leaves the thread alone";
}

TEST_F(FolderMonitor, CreatingRenamingAndDeletingAFileAreChanges) {
    Watch(fmfFileNameChange, false);
    watched.ExpectChange([&] { WriteFile(At("a.txt")); }, "create");
    watched.ExpectChange([&] { fs::rename(At("a.txt"), At("b.txt")); }, "rename");
    watched.ExpectChange([&] { fs::remove(At("b.txt")); }, "delete");
}

TEST_F(FolderMonitor, AttributesAndWritesCountOnlyWithTheirFilter) {
    WriteFile(At("a.txt"));
    Watch(fmfFileNameChange, false);
    watched.ExpectNoChange([&] { fs::permissions(At("a.txt"), fs::perms::owner_read); },
                           "chmod, name filter");
    watched.monitor.SetNotifyFilters(fmfAttributeChange);
    watched.ExpectChange([&] { fs::permissions(At("a.txt"), fs::perms::owner_all); },
                         "chmod, attribute filter");
    watched.ExpectNoChange([&] { WriteFile(At("b.txt")); }, "a new file, attribute filter only");
    watched.monitor.SetNotifyFilters(fmfWriteChange);
    watched.ExpectChange([&] { WriteFile(At("a.txt"), "mais texto"); }, "write, write filter");
}

TEST_F(FolderMonitor, SubFoldersCountOnlyWithWatchSubTreeAlsoWhenMadeLater) {
    fs::create_directories(At("sub/deeper"));
    Watch(fmfFileNameChange | fmfDirNameChange, false);
    watched.ExpectNoChange([&] { WriteFile(At("sub/deeper/a.txt")); }, "below, without subtree");

    watched.monitor.SetWatchSubTree(true);
    watched.ExpectChange([&] { WriteFile(At("sub/deeper/b.txt")); }, "below, with subtree");
    watched.ExpectChange([&] { fs::create_directory(At("sub/new")); }, "a new folder");
    watched.ExpectChange([&] { WriteFile(At("sub/new/c.txt")); }, "in the new folder");
}

// Activation, and every setting that restarts the monitor, returns once the watches are armed: a change
// made at once is seen.
TEST_F(FolderMonitor, AChangeMadeAtOnceAfterActivationOrASettingIsSeen) {
    Watch(fmfFileNameChange, false);
    for (int i = 0; i < 5; ++i) {
        const std::string name = "a" + std::to_string(i);
        watched.monitor.SetActive(false);
        watched.monitor.SetActive(true);
        watched.ExpectChange([&] { WriteFile(At(name)); }, "right after activation");
        watched.monitor.SetWatchSubTree(i % 2 == 0);
        watched.ExpectChange([&] { fs::remove(At(name)); }, "right after a setting");
    }
}

// A folder moved out of the watched tree takes its watches with it; one renamed within the tree stays
// watched under its new name.
TEST_F(FolderMonitor, AFolderMovedOutOfTheTreeIsNoLongerWatched) {
    fs::create_directories(At("tree/out/deeper"));
    fs::create_directories(At("tree/stays"));
    fs::create_directories(At("elsewhere"));
    watched.monitor.SetFolder(QString::fromStdString(At("tree").string()));
    watched.monitor.SetNotifyFilters(fmfFileNameChange | fmfDirNameChange);
    watched.monitor.SetWatchSubTree(true);
    watched.monitor.SetActive(true);
    watched.ExpectChange([&] { fs::rename(At("tree/out"), At("elsewhere/out")); }, "moved out");
    watched.ExpectNoChange([&] { WriteFile(At("elsewhere/out/a.txt")); }, "in the folder moved out");
    watched.ExpectNoChange([&] { WriteFile(At("elsewhere/out/deeper/a.txt")); }, "below it");
    watched.ExpectChange([&] { fs::rename(At("tree/stays"), At("tree/renamed")); }, "renamed within");
    watched.ExpectChange([&] { WriteFile(At("tree/renamed/b.txt")); }, "in the renamed folder");
    watched.ExpectChange([&] { fs::rename(At("elsewhere/out"), At("tree/back")); }, "moved back in");
    watched.ExpectChange([&] { WriteFile(At("tree/back/deeper/c.txt")); }, "below the folder moved back");
}

TEST_F(FolderMonitor, DeactivatingStopsAtOnceAndDropsAChangeNotYetDelivered) {
    Watch(fmfFileNameChange, false);
    WriteFile(At("a.txt"));
    QThread::msleep(30); // no event loop: the change waits for the GUI thread
    watched.monitor.SetActive(false);
    EXPECT_FALSE(watched.monitor.Running());
    watched.ExpectNoChange([&] { WriteFile(At("b.txt")); }, "after deactivation");
}

TEST_F(FolderMonitor, AHandlerMayDeactivateItsOwnMonitor) {
    Watch(fmfFileNameChange, false);
    watched.monitor.SetOnChange([this] {
        ++watched.changes;
        watched.monitor.SetActive(false);
    });
    WriteFile(At("a.txt"));
    ASSERT_EVENTUALLY_EQ(watched.changes, 1);
    EXPECT_FALSE(watched.monitor.Running());
    watched.ExpectNoChange([&] { WriteFile(At("b.txt")); }, "after deactivation");
}

TEST_F(FolderMonitor, AnExceptionOfTheHandlerIsShownAndTheMonitorGoesOn) {
    TMessageRecorder recorder;
    Watch(fmfFileNameChange, false);
    watched.monitor.SetOnChange([this] {
        ++watched.changes;
        throw std::runtime_error("pasta falhou");
    });
    watched.ExpectChange([&] { WriteFile(At("a.txt")); }, "first");
    watched.ExpectChange([&] { WriteFile(At("b.txt")); }, "second");
    ASSERT_EQ(recorder.Messages.size(), 2);
    EXPECT_TRUE(recorder.Messages.front().endsWith("|pasta falhou"));
}

TEST_F(FolderMonitor, AMissingFolderRaisesNothing) {
    watched.monitor.SetFolder(QString::fromStdString(folder.Path("missing")));
    watched.monitor.SetActive(true);
    watched.ExpectNoChange([&] { WriteFile(At("a.txt")); }, "missing folder");
}

class RegistryMonitor : public testing::Test {
protected:
    void Watch(const QString& key, TqvxRegistryMonitorFilters filters, bool subTree) {
        watched.monitor.SetRegistryKey(key);
        watched.monitor.SetNotifyFilters(filters);
        watched.monitor.SetWatchSubTree(subTree);
        watched.monitor.SetActive(true); // returns once the watches are armed
        ASSERT_TRUE(watched.monitor.Running());
    }
    static TSettingsStore Store() { return TSettingsStore(TSettingsStore::DefaultFileName()); }

    TTestXdgFolders xdg; // the user's store lives in a temporary folder, not made yet
    TWatched<TqvxRegistryMonitor> watched;
};

TEST_F(RegistryMonitor, CreatingTheKeyRaisesOnceAndDeletingItOnceMore) {
    Watch("Software\\Orvalista\\Teste", rmfValueChange, true);
    watched.ExpectChange([] { Store().WriteString("Software\\Orvalista\\Teste", "Nome", "1"); }, "created");
    watched.ExpectNoChange([] { Store().WriteString("Software\\Outro", "Nome", "1"); }, "another key");
    watched.ExpectChange([] { Store().DeleteKey("Software\\Orvalista\\Teste"); }, "deleted");
}

TEST_F(RegistryMonitor, ValueChangesCountWithTheValueFilter) {
    Store().WriteString("Software\\Orvalista", "Nome", "1");
    Watch("software\\orvalista", rmfValueChange, false);
    watched.ExpectChange([] { Store().WriteString("Software\\Orvalista", "Nome", "2"); }, "changed value");
    watched.ExpectNoChange([] { Store().WriteString("Software\\Orvalista", "Nome", "2"); }, "same value");
    watched.ExpectChange([] { Store().DeleteValue("Software\\Orvalista", "Nome"); }, "removed value");
    watched.ExpectNoChange([] { Store().WriteString("Software\\Orvalista\\Sub", "A", "1"); },
                           "a sub-key's value without subtree");
}

TEST_F(RegistryMonitor, SubKeysCountWithTheSubTreeFilterAtTheDepthAsked) {
    Store().WriteString("Software\\Orvalista", "Nome", "1");
    Watch("Software\\Orvalista", rmfSubTreeChange, false);
    watched.ExpectChange([] { Store().WriteString("Software\\Orvalista\\Grid", "A", "1"); },
                         "direct sub-key");
    watched.ExpectNoChange([] { Store().WriteString("Software\\Orvalista\\Grid\\Col", "A", "1"); },
                           "deeper sub-key without subtree");
    watched.ExpectNoChange([] { Store().WriteString("Software\\Orvalista", "Nome", "2"); },
                           "value change, names filter only");
    watched.monitor.SetWatchSubTree(true);
    watched.ExpectChange([] { Store().WriteString("Software\\Orvalista\\Grid\\Col\\X", "A", "1"); },
                         "deeper sub-key with subtree");
}

TEST_F(RegistryMonitor, TheStoreFilesPermissionsCountWithTheAttributeFilter) {
    Store().WriteString("Software\\Orvalista", "Nome", "1");
    Watch("Software\\Orvalista", rmfAttributeChange, false);
    watched.ExpectChange(
        [] {
            fs::permissions(TSettingsStore::DefaultFileName(),
                            fs::perms::owner_read | fs::perms::owner_write);
        },
        "chmod");
}

} // namespace
