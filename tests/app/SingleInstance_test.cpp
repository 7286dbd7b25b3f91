// The single-instance guard with the tool itself: two real starts of centrprg on one user's
// runtime folder, offscreen, logged in by the scripted login. Each test gives the tool a runtime
// folder of its own (120 characters long), where the guard keeps its lock, so that tests running at the
// same time (and other runs of the tool on the machine) never meet each other's copies.

#include "app/Leusuari.h"
#include "app/PasswordKey.h"
#include "core/ProgramFolder.h"
#include "core/ProgramFolderUse.h"
#include "core/Programming.h"
#include "core/ProgrammingFile.h"
#include "core/TempTable.h"
#include "core/Users.h"
#include "platform/os/FileIo.h"
#include "platform/os/TestTempFolder.h"
#include "support/EventWait.h"
#include "support/QtTestApplication.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <filesystem>

namespace {

constexpr int WaitMs = 15000;

class SingleInstance : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder.Path("data"));
        std::filesystem::create_directories(runtimeFolder);
        std::filesystem::permissions(runtimeFolder, std::filesystem::perms::owner_all);
        TUsersFile users;
        users.slot[0] = MakeUser("Teste", "senha", AllRights);
        SaveUsersFile(folder.Path("data/") + UsersFileName, users);
    }

    // Starts the tool; its stderr is read into the process's log.
    void Start(QProcess& process, const char* login = "Teste:senha", const char* dataFolder = "data") {
        StartWith(process, runtimeFolder, login, dataFolder);
    }
    void StartWith(QProcess& process, const std::string& runtime, const char* login = "Teste:senha",
                   const char* dataFolder = "data") {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime));
        environment.insert(ScriptedLoginVariable, login);
        environment.insert("QT_LOGGING_RULES", "qvx.instance.info=true");
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(CENTRPRG_BINARY_DIR "/centrprg"),
                      {"--data-dir", QString::fromStdString(folder.Path(dataFolder))});
        ASSERT_TRUE(process.waitForStarted(WaitMs));
    }

    // Waits until the process has written the text on stderr.
    static bool WaitForLog(QProcess& process, QByteArray& log, const char* text) {
        const QDeadlineTimer deadline(WaitMs);
        while (!log.contains(text)) {
            if (process.state() == QProcess::NotRunning || deadline.hasExpired()) return false;
            process.waitForReadyRead(200);
            log += process.readAllStandardError();
        }
        return true;
    }

    QStringList RuntimeFiles(const std::string& runtime) const {
        return QDir(QString::fromStdString(runtime)).entryList(QDir::Files | QDir::System);
    }
    QStringList RuntimeFiles() const { return RuntimeFiles(runtimeFolder); }

    // Waits until the copy is up: it holds the lock (in the runtime folder given, no other), has
    // taken the program folder's use (and swept), published its folder and then listens, at once
    // after taking the lock. Killing it or starting another copy earlier races with that start.
    bool WaitUntilUp(QProcess& process, QByteArray& log) {
        return WaitUntilUpIn(runtimeFolder, process, log);
    }
    bool WaitUntilUpIn(const std::string& runtime, QProcess& process, QByteArray& log) {
        if (!WaitForLog(process, log, "holds")) return false;
        EXPECT_TRUE(log.contains("holds \"" + QByteArray::fromStdString(runtime) + "/")) << log.toStdString();
        const QDeadlineTimer deadline(WaitMs);
        const auto published = [&] {
            const QStringList files = RuntimeFiles(runtime);
            return std::any_of(files.begin(), files.end(),
                               [](const QString& f) { return f.endsWith(".folder"); });
        };
        while (!published()) {
            if (process.state() == QProcess::NotRunning || deadline.hasExpired()) return false;
            QThread::msleep(10);
        }
        return true;
    }

    static void Kill(QProcess& process) {
        process.kill(); // SIGKILL: nothing is cleaned up
        process.waitForFinished(WaitMs);
    }

    TTestTempFolder folder;
    const std::string runtimeFolder = folder.Path(std::string(119 - folder.Path().size(), 'r'));
};

TEST_F(SingleInstance, ASecondStartEndsAtOnceAndBringsTheFirstToTheFront) {
    QProcess first;
    QByteArray firstLog;
    Start(first);
    ASSERT_TRUE(WaitUntilUp(first, firstLog)) << firstLog.toStdString();

    folder.Write("data/TEMPORAR.DAT", "x"); // the running copy's scratch table, left alone
    QProcess second;
    Start(second);
    ASSERT_TRUE(second.waitForFinished(WaitMs));
    EXPECT_TRUE(folder.Exists("data/TEMPORAR.DAT"));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardError().contains("holds"));
    EXPECT_TRUE(WaitForLog(first, firstLog, "activation requested")) << firstLog.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    Kill(first);
}

// A start on another folder says in a box that the tool is open before it raises the running
// copy, and makes nothing in the folder it was given.
TEST_F(SingleInstance, ASecondStartOnAnotherFolderSaysSoAndMakesNoFolder) {
    QProcess first;
    QByteArray firstLog;
    Start(first);
    ASSERT_TRUE(WaitUntilUp(first, firstLog)) << firstLog.toStdString();

    QProcess second;
    QByteArray secondLog;
    Start(second, "Teste:senha", "outra");
    ASSERT_TRUE(WaitForLog(second, secondLog, "says")) << secondLog.toStdString();
    EXPECT_TRUE(secondLog.contains("O programa já está aberto.")) << secondLog.toStdString();
    EXPECT_FALSE(std::filesystem::exists(folder.Path("outra")));
    Kill(second); // the box would wait for its OK, and the activation after it
    QProcess third;
    Start(third);
    EXPECT_TRUE(WaitForLog(first, firstLog, "activation requested")) << firstLog.toStdString();
    EXPECT_TRUE(third.waitForFinished(WaitMs));
    EXPECT_EQ(firstLog.count("activation requested"), 1) << "the box comes first";
    Kill(first);
}

// A lock file left empty (a crash or a full disk while it was written) does not stop the tool.
TEST_F(SingleInstance, AnEmptyLockFileLeftBehindDoesNotStopTheNextStart) {
    QProcess first;
    QByteArray firstLog;
    Start(first);
    ASSERT_TRUE(WaitUntilUp(first, firstLog)) << firstLog.toStdString();
    Kill(first);
    const QDir runtime(QString::fromStdString(runtimeFolder));
    const QStringList locks = runtime.entryList({"*.lock"}, QDir::Files);
    ASSERT_EQ(locks.size(), 1);
    QFile lock(runtime.filePath(locks.front()));
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite | QIODevice::Truncate));
    ASSERT_TRUE(
        lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    lock.close();

    QProcess next;
    QByteArray nextLog;
    Start(next);
    EXPECT_TRUE(WaitForLog(next, nextLog, "holds")) << nextLog.toStdString();
    EXPECT_EQ(next.state(), QProcess::Running);
    Kill(next);
}

// Where no lock can be made (here a folder stands in its place), the tool says so and runs.
TEST_F(SingleInstance, AStartThatCanMakeNoLockSaysSo) {
    QProcess first, next;
    QByteArray log;
    Start(first);
    ASSERT_TRUE(WaitUntilUp(first, log)) << log.toStdString();
    Kill(first);
    const QString lock =
        QDir(QString::fromStdString(runtimeFolder)).entryInfoList({"*.lock"}).value(0).filePath();
    ASSERT_TRUE(QFile::remove(lock) && QDir().mkdir(lock));
    Start(next);
    ASSERT_TRUE(WaitForLog(next, log, "Não foi possível criar a trava")) << log.toStdString();
    EXPECT_TRUE(log.contains(lock.toUtf8()));
    Kill(next); // the box would wait for its OK
}

TEST_F(SingleInstance, AStartAfterTheFirstWasKilledSucceedsAndRemovesWhatItsNoteNames) {
    QProcess first;
    QByteArray firstLog;
    Start(first);
    ASSERT_TRUE(WaitUntilUp(first, firstLog)) << firstLog.toStdString();
    Kill(first);
    const QStringList left = RuntimeFiles();
    // the lock and the published folder stay behind
    EXPECT_EQ(left.size(), 2) << left.join(' ').toStdString();
    // What a killed copy left, named by its note: its scratch table, a save cut short; beside them
    // files no note names, among them a user's own named like a temporary.
    const char* noted[] = {"data/TEMPORAR.DAT", "x/a.NPX.tmp-Ab12Cd"};
    const char* kept[] = {"x/b.NPX.tmp-Ab12Cd", "data/x.tmp-abcdef", "data/CENTRPRG.INI.tmp-backup",
                          "data/TEMPORAR.IDX"};
    for (const char* name : noted) folder.Write(name, "x");
    for (const char* name : kept) folder.Write(name, "x");
    {
        TProgramFolderUse killed(folder.Path("data"));
        for (const char* name : noted) killed.Note(folder.Path(name));
    } // its locks go as a kill's would, the note stays

    QProcess next;
    QByteArray nextLog;
    Start(next);
    ASSERT_TRUE(WaitUntilUp(next, nextLog)) << nextLog.toStdString();
    for (const char* name : noted) EXPECT_FALSE(folder.Exists(name)) << name;
    for (const char* name : kept) EXPECT_TRUE(folder.Exists(name)) << name;
    Kill(next);
}

// A copy of another runtime folder (another login of the user, another user) on a program folder
// where a copy is at work leaves that copy's files alone: here this process is the copy at work, in
// the middle of a save, its data-aware screen's scratch table built.
TEST_F(SingleInstance, AStartOnAFolderAnotherCopyUsesLeavesItsSaveAndScratchTable) {
    TProgramFolderUse atWork(folder.Path("data"));
    SetProgramFolder(folder.Path("data"));
    folder.Write("data/TEMPORAR.DAT", "x");
    NoteTempTable();
    LoadProgrammingFile(CENTRPRG_BINARY_DIR "/fixtures/MODEL11.NPX");
    std::filesystem::create_directories(folder.Path("x"));
    const std::string other = folder.Path("other-runtime");
    std::filesystem::create_directories(other);
    std::filesystem::permissions(other, std::filesystem::perms::owner_all);
    QProcess second;
    QByteArray log;
    bool temporaryKept = false;
    SetBeforeRenameHook([&](const std::string& temporary) {
        StartWith(second, other);
        ASSERT_TRUE(WaitUntilUpIn(other, second, log)) << log.toStdString();
        temporaryKept = std::filesystem::exists(temporary);
    });
    EXPECT_NO_THROW(SaveProgrammingFile(folder.Path("x/cliente.NPX")));
    SetBeforeRenameHook({});
    EXPECT_TRUE(temporaryKept);
    EXPECT_TRUE(folder.Exists("x/cliente.NPX"));
    EXPECT_TRUE(folder.Exists("data/TEMPORAR.DAT"));
    Kill(second);
    ClearProgramming();
    SetProgramFolder("");
}

// Of two starts at once (after a killed copy or not) one runs; the other raises it and ends quietly.
TEST_F(SingleInstance, OfTwoStartsAtTheSameMomentExactlyOneRuns) {
    for (int round = 0; round < 20; ++round) {
        for (const QString& file : round % 2 ? QStringList() : RuntimeFiles())
            QFile::remove(QString::fromStdString(runtimeFolder + "/") + file);
        QProcess copies[2];
        QByteArray log;
        for (QProcess& copy : copies) Start(copy);
        int ended = -1;
        for (const QDeadlineTimer deadline(WaitMs); ended < 0 && !deadline.hasExpired();)
            ended = copies[0].waitForFinished(20) ? 0 : copies[1].waitForFinished(20) ? 1 : -1;
        ASSERT_GE(ended, 0) << round;
        EXPECT_FALSE(copies[ended].exitCode() || copies[ended].readAllStandardError().contains("says"));
        EXPECT_TRUE(WaitForLog(copies[1 - ended], log, "activation requested")) << round;
        Kill(copies[1 - ended]);
    }
}

// Ctrl+C, a kill or the terminal's end ends the tool as its window's end would, leaving no file behind.
TEST_F(SingleInstance, AnEndSignalEndsTheToolCleanly) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QProcess tool;
        QByteArray log;
        Start(tool);
        ASSERT_TRUE(WaitUntilUp(tool, log)) << log.toStdString();
        ASSERT_TRUE(::kill(pid_t(tool.processId()), signal) == 0 && tool.waitForFinished(WaitMs));
        EXPECT_TRUE(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0) << tool.exitCode();
        EXPECT_EQ(RuntimeFiles().join(" ").toStdString(), "");
    }
}

// The tool stopped while a SIGTERM and then a SIGHUP come: the first is handled, the second ends it at once.
TEST_F(SingleInstance, ASecondEndSignalOfAnotherKindEndsTheToolAtOnce) {
    QProcess tool;
    QByteArray log;
    Start(tool);
    ASSERT_TRUE(WaitUntilUp(tool, log)) << log.toStdString();
    for (const int signal : {SIGSTOP, SIGTERM, SIGHUP, SIGCONT})
        ASSERT_EQ(::kill(pid_t(tool.processId()), signal), 0);
    ASSERT_TRUE(tool.waitForFinished(WaitMs));
    EXPECT_EQ(tool.exitStatus(), QProcess::CrashExit);
}

TEST_F(SingleInstance, ARefusedScriptedLoginEndsTheTool) {
    QProcess tool;
    Start(tool, "Teste:errada");
    ASSERT_TRUE(tool.waitForFinished(WaitMs));
    EXPECT_EQ(tool.exitCode(), 1);
}

} // namespace
