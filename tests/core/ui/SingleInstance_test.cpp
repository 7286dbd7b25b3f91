// The single-instance guard with the tool itself: two real starts of centrprg on one user's
// runtime folder, offscreen, logged in by the scripted login.

#include "core/ProgramFolder.h"
#include "core/Users.h"
#include "core/ui/Leusuari.h"
#include "core/ui/PasswordKey.h"
#include "platform/os/TestTempFolder.h"
#include "support/QtTestApplication.h"

#include <QDir>
#include <QProcess>

#include <filesystem>

namespace {

constexpr int WaitMs = 15000;

class SingleInstance : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder.Path("data"));
        std::filesystem::create_directories(folder.Path("runtime"));
        std::filesystem::permissions(folder.Path("runtime"), std::filesystem::perms::owner_all);
        TUsersFile users;
        users.slot[0] = MakeUser("Teste", "senha", AllRights);
        SaveUsersFile(folder.Path("data/") + UsersFileName, users);
    }

    // Starts the tool; its stderr is read into the process's log.
    void Start(QProcess& process, const char* login = "Teste:senha") {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder.Path("runtime")));
        environment.insert(ScriptedLoginVariable, login);
        environment.insert("QT_LOGGING_RULES", "qvx.instance.info=true");
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(CENTRPRG_BINARY_DIR "/centrprg"),
                      {"--data-dir", QString::fromStdString(folder.Path("data"))});
        ASSERT_TRUE(process.waitForStarted(WaitMs));
    }

    // Waits until the process has written the text on stderr.
    static bool WaitForLog(QProcess& process, QByteArray& log, const char* text) {
        while (!log.contains(text)) {
            if (process.state() == QProcess::NotRunning) return false;
            process.waitForReadyRead(200);
            log += process.readAllStandardError();
        }
        return true;
    }

    static void Kill(QProcess& process) {
        process.kill(); // SIGKILL: nothing is cleaned up
        process.waitForFinished(WaitMs);
    }

    TTestTempFolder folder;
};

TEST_F(SingleInstance, ASecondStartEndsAtOnceAndBringsTheFirstToTheFront) {
    QProcess first;
    QByteArray firstLog;
    Start(first);
    ASSERT_TRUE(WaitForLog(first, firstLog, "holds")) << firstLog.toStdString();

    QProcess second;
    Start(second);
    ASSERT_TRUE(second.waitForFinished(WaitMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardError().contains("holds"));
    EXPECT_TRUE(WaitForLog(first, firstLog, "activation requested")) << firstLog.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    Kill(first);
}

TEST_F(SingleInstance, AStartAfterTheFirstWasKilledSucceeds) {
    QProcess first;
    QByteArray firstLog;
    Start(first);
    ASSERT_TRUE(WaitForLog(first, firstLog, "holds")) << firstLog.toStdString();
    Kill(first);
    const QStringList left =
        QDir(QString::fromStdString(folder.Path("runtime"))).entryList(QDir::Files | QDir::System);
    EXPECT_EQ(left.size(), 2) << left.join(' ').toStdString(); // the lock and the socket stay behind

    QProcess next;
    QByteArray nextLog;
    Start(next);
    EXPECT_TRUE(WaitForLog(next, nextLog, "holds")) << nextLog.toStdString();
    EXPECT_EQ(next.state(), QProcess::Running);
    Kill(next);
}

TEST_F(SingleInstance, ARefusedScriptedLoginEndsTheTool) {
    QProcess tool;
    Start(tool, "Teste:errada");
    ASSERT_TRUE(tool.waitForFinished(WaitMs));
    EXPECT_EQ(tool.exitCode(), 1);
}

} // namespace
