// Auto-run entries in the XDG autostart folders (pointed into a temporary folder) and the
// settings-store root of the desktop library.

#include "TestXdgFolders.h"
#include "desktop/qvxAutoRun.h"

#include "platform/os/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString Program = QStringLiteral("/opt/centr prg/bin/centrprg");

class AutoRun : public testing::Test {
protected:
    QString Entry(const std::string& name) const { return xdg.Path(name); }
    static QString Text(const QString& fileName) {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    TTestXdgFolders xdg;
};

TEST_F(AutoRun, UserEntryIsWrittenAndRemovedAndRemovingAMissingOneAnswersTrue) {
    const QString entry = Entry("user-config/autostart/centrprg.desktop");
    EXPECT_TRUE(qvxUnregisterAutoRun(TqvxAutoExecKind::aekUserRun, Program));
    ASSERT_TRUE(qvxRegisterAutoRun(TqvxAutoExecKind::aekUserRun, Program));
    EXPECT_EQ(Text(entry), "[Desktop Entry]\nType=Application\nName=centrprg\n"
                           "Exec=\"/opt/centr prg/bin/centrprg\"\n");
    EXPECT_TRUE(qvxUnregisterAutoRun(TqvxAutoExecKind::aekUserRun, Program));
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_TRUE(qvxUnregisterAutoRun(TqvxAutoExecKind::aekUserRun, Program));
}

TEST_F(AutoRun, MachineEntriesGoToTheSystemFolder) {
    ASSERT_TRUE(qvxRegisterAutoRun(TqvxAutoExecKind::aekMachineRun, Program));
    EXPECT_TRUE(QFileInfo::exists(Entry("system-config/autostart/centrprg.desktop")));
}

TEST_F(AutoRun, ServiceKindsAnswerFalseAndWriteNothing) {
    for (auto kind : {TqvxAutoExecKind::aekServiceRun, TqvxAutoExecKind::aekServiceRunOnce}) {
        EXPECT_FALSE(qvxRegisterAutoRun(kind, Program));
        EXPECT_FALSE(qvxUnregisterAutoRun(kind, Program));
    }
    EXPECT_EQ(xdg.Root().EntryCount(), 0);
}

TEST_F(AutoRun, SpecialCharactersOfTheFileNameStayOrdinary) {
    const QString odd = QStringLiteral("/tmp/a\"b$c`d\\e%f\ng");
    EXPECT_EQ(qvxAutoRunEntryText(TqvxAutoExecKind::aekUserRun, odd),
              "[Desktop Entry]\nType=Application\nName=a\"b$c`d\\\\e%f\\ng\n"
              "Exec=\"/tmp/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\\ng\"\n");
}

TEST_F(AutoRun, FolderThatCannotBeMadeRaisesTheKeyMessage) {
    const QString system = Entry("system-config");
    xdg.Root().Write("system-config", "a file where the folder should be");
    try {
        qvxRegisterAutoRun(TqvxAutoExecKind::aekMachineRun, Program);
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Unable to open the " + (system + "/autostart").toStdString() + " key");
    }
}

TEST_F(AutoRun, RunOnceEntryLivesBesideTheRunEntryAndIsConsumedAtTheNextStart) {
    ASSERT_TRUE(qvxRegisterAutoRun(TqvxAutoExecKind::aekUserRun, Program));
    ASSERT_TRUE(qvxRegisterAutoRun(TqvxAutoExecKind::aekUserRunOnce, Program));
    const QString once = Entry("user-config/autostart/centrprg.once.desktop");
    EXPECT_TRUE(Text(once).endsWith("X-RunOnce=true\n"));

    TqvxAutoRun component; // the next start of the program
    component.SetDesigning(false);
    component.SetFileName(Program);
    component.Loaded();
    EXPECT_FALSE(QFileInfo::exists(once));
    EXPECT_TRUE(QFileInfo::exists(Entry("user-config/autostart/centrprg.desktop")));
}

TEST_F(AutoRun, ComponentMovesItsEntryWithEverySetter) {
    TqvxAutoRun component;
    EXPECT_TRUE(component.FileName().startsWith('/')); // the executable's own name
    component.SetFileName(Program);
    component.SetKind(TqvxAutoExecKind::aekUserRun);
    component.SetAutoRun(true);
    const QString run = Entry("user-config/autostart/centrprg.desktop");
    EXPECT_TRUE(QFileInfo::exists(run));

    component.SetKind(TqvxAutoExecKind::aekUserRunOnce);
    EXPECT_FALSE(QFileInfo::exists(run));
    EXPECT_TRUE(QFileInfo::exists(Entry("user-config/autostart/centrprg.once.desktop")));

    component.SetFileName("/usr/bin/other");
    EXPECT_FALSE(QFileInfo::exists(Entry("user-config/autostart/centrprg.once.desktop")));
    EXPECT_TRUE(QFileInfo::exists(Entry("user-config/autostart/other.once.desktop")));

    component.SetAutoRun(false);
    EXPECT_EQ(QDir(Entry("user-config/autostart")).entryList(QDir::Files).size(), 0);
}

TEST_F(AutoRun, DesignStateTouchesNothing) {
    TqvxAutoRun component;
    component.SetDesigning(true);
    component.SetFileName(Program);
    component.SetKind(TqvxAutoExecKind::aekUserRun);
    component.SetAutoRun(true);
    component.Loaded();
    EXPECT_EQ(xdg.Root().EntryCount(), 0);
}

TEST_F(AutoRun, RegistryStringsGoToTheRootsFile) {
    qvxWriteRegString(TqvxRootKey::CurrentUser, "Software\\Orvalista\\Teste", "Nome", "Valor");
    TSettingsStore user(QFile::encodeName(qvxRootFileName(TqvxRootKey::CurrentUser)).toStdString());
    EXPECT_EQ(user.ReadString("Software\\Orvalista\\Teste", "Nome", ""), "Valor");
    qvxWriteRegString(TqvxRootKey::LocalMachine, "Software\\Orvalista", "Nome", "Máquina");
    EXPECT_TRUE(QFileInfo::exists(Entry("system-config/centrprg/settings.ini")));
}

} // namespace
