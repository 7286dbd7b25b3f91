// The single-instance guard within one process: a second guard of the same title stands for a
// second copy of the program. (The same with two real processes is tested with the tool itself.)

#include "desktop/qvxComponents.h"
#include "platform/os/TestTempFolder.h"
#include "qvxMessageRecorder.h"
#include "support/EventWait.h"
#include "support/QtTestApplication.h"

#include <QDateTime>
#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Title = QStringLiteral("Programa de teste / ação");

// A main window that carries the title, with its guard.
struct TCopy {
    explicit TCopy(const QString& folder) : guard(new TqvxOneInstance(&window)) {
        window.setWindowTitle(Title);
        guard->LockFolder = folder;
    }
    QWidget window;
    TqvxOneInstance* guard;
};

class OneInstance : public testing::Test {
protected:
    QString Folder() const { return QString::fromStdString(folder.Path()); }
    TqvxInstanceNames Names() const { return qvxInstanceNames(Title, Folder()); }

    TTestTempFolder folder;
    TMessageRecorder recorder;
    const QStringList& messages = recorder.Messages;
};

TEST_F(OneInstance, FirstCopyHoldsTheLockAndASecondEndsQuietlyAndActivatesIt) {
    TCopy first(Folder());
    QSignalSpy activations(first.guard, &TqvxOneInstance::ActivationRequested);
    first.guard->Loaded();
    EXPECT_TRUE(first.guard->HoldsInstance());
    EXPECT_FALSE(first.guard->Terminated());

    TCopy second(Folder());
    second.guard->Loaded();
    EXPECT_TRUE(second.guard->Terminated());
    EXPECT_FALSE(second.guard->HoldsInstance());
    EXPECT_TRUE(messages.isEmpty());
    ASSERT_EVENTUALLY_EQ(activations.count(), 1);
}

TEST_F(OneInstance, ShowsTheStandardOrTheGivenMessageAndAHandlerMayReplaceItAndLetTheCopyGoOn) {
    TCopy first(Folder());
    QSignalSpy activations(first.guard, &TqvxOneInstance::ActivationRequested);
    first.guard->Loaded();
    TCopy second(Folder());
    second.guard->ShowMessage = true;
    second.guard->Loaded();
    TCopy third(Folder());
    third.guard->ShowMessage = true;
    third.guard->Message = QStringLiteral("Já está aberto.");
    third.guard->Loaded();
    EXPECT_EQ(messages, QStringList({Title + "|Application \"" + Title + "\" is already running.",
                                     Title + "|Já está aberto."}));
    EXPECT_TRUE(second.guard->Terminated());
    EXPECT_TRUE(third.guard->Terminated());

    std::vector<QObject*> senders;
    const auto goOn = [&](QObject* sender, bool& terminate) {
        senders.push_back(sender);
        terminate = false;
    };
    TCopy quiet(Folder());
    quiet.guard->OnShowMessage = goOn;
    quiet.guard->Loaded(); // ShowMessage is off: the handler is not called
    EXPECT_TRUE(senders.empty());
    EXPECT_TRUE(quiet.guard->Terminated());
    TCopy handled(Folder());
    handled.guard->ShowMessage = true;
    handled.guard->OnShowMessage = goOn;
    handled.guard->Loaded();
    EXPECT_EQ(senders, std::vector<QObject*>{handled.guard});
    EXPECT_FALSE(handled.guard->Terminated());
    EXPECT_EQ(messages.size(), 2);
    ASSERT_EVENTUALLY_EQ(activations.count(), 4);
}

TEST_F(OneInstance, InTheDesignStateTakesNoLock) {
    TCopy first(Folder());
    first.guard->SetDesigning(true);
    first.guard->Loaded();
    EXPECT_FALSE(first.guard->HoldsInstance());
    EXPECT_FALSE(QFile::exists(Names().lockFile));
    TCopy second(Folder());
    second.guard->Loaded();
    EXPECT_TRUE(second.guard->HoldsInstance()); // nobody held it
}

TEST_F(OneInstance, TheLockIsFreeAgainWhenTheFirstCopyEnds) {
    {
        TCopy first(Folder());
        first.guard->Loaded();
        EXPECT_TRUE(QFile::exists(Names().lockFile));
    }
    EXPECT_FALSE(QFile::exists(Names().lockFile));
    TCopy next(Folder());
    next.guard->Loaded();
    EXPECT_TRUE(next.guard->HoldsInstance());
}

// A lock left by a process that ended without releasing it (as a killed one does).
void LeaveLockOfDeadProcess(const QString& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        QLockFile lock(path);
        lock.setStaleLockTime(0);
        ::_exit(lock.tryLock(0) ? 0 : 1); // no destructor runs: the lock file stays
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(OneInstance, ALockLeftByAKilledCopyDoesNotBlockTheNextStart) {
    LeaveLockOfDeadProcess(Names().lockFile);
    ASSERT_TRUE(QFile::exists(Names().lockFile));
    TCopy next(Folder());
    QSignalSpy activations(next.guard, &TqvxOneInstance::ActivationRequested);
    next.guard->Loaded();
    EXPECT_TRUE(next.guard->HoldsInstance());
    EXPECT_FALSE(next.guard->Terminated());
    EXPECT_TRUE(qvxActivatePrevInstance(Title, Folder()));
    ASSERT_EVENTUALLY_EQ(activations.count(), 1);
}

// A lock file that names no holder, as a crash or a full disk leaves it.
void WriteLockFile(const QString& path, const QByteArray& contents, qint64 ageSeconds) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
    file.close();
    const QDateTime modified = QDateTime::currentDateTime().addSecs(-ageSeconds);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

class AbandonedLocks : public OneInstance, public testing::WithParamInterface<QByteArray> {};

TEST_P(AbandonedLocks, AreTakenOverWhenNoLiveCopyHoldsThem) {
    WriteLockFile(Names().lockFile, GetParam(), 60);
    TCopy next(Folder());
    next.guard->Loaded();
    EXPECT_TRUE(next.guard->HoldsInstance());
    EXPECT_FALSE(next.guard->Terminated());
    EXPECT_FALSE(QFile::exists(Names().lockFile + ".rmlock"));
}

INSTANTIATE_TEST_SUITE_P(Contents, AbandonedLocks,
                         testing::Values(QByteArray(), QByteArray("lixo"), QByteArray("\xFF\xFE\x00", 3),
                                         QByteArray("\n\n\n")));

TEST_F(OneInstance, ADamagedLockThatALiveCopyHoldsIsRespected) {
    TCopy first(Folder());
    first.guard->Loaded();
    ASSERT_TRUE(first.guard->HoldsInstance());
    WriteLockFile(Names().lockFile, QByteArray(), 60); // its contents lost while it runs
    TCopy second(Folder());
    second.guard->Loaded();
    EXPECT_TRUE(second.guard->Terminated());
    EXPECT_FALSE(second.guard->HoldsInstance());
}

// A lock file a copy is making this instant is empty before the copy holds it.
TEST_F(OneInstance, AnEmptyLockJustMadeIsLeftToItsMaker) {
    WriteLockFile(Names().lockFile, QByteArray(), 0);
    TCopy next(Folder());
    next.guard->Loaded();
    EXPECT_TRUE(next.guard->Terminated());
    EXPECT_TRUE(QFile::exists(Names().lockFile));
}

// Another user's file in the lock's place: a shared temporary folder, without a runtime folder.
TEST_F(OneInstance, WithoutAUsableFolderOrLockTheCopyRunsAnyway) {
    QLockFile othersLock(Names().lockFile); // held, as a live copy holds its own
    ASSERT_TRUE(othersLock.tryLock(0));
    const bool givenAway = ::chown(QFile::encodeName(Names().lockFile).constData(), 65534, 65534) == 0;
    for (const QString& lockFolder : {QString::fromStdString(folder.Path("missing/deeper")), Folder()}) {
        if (lockFolder == Folder() && !givenAway) GTEST_SKIP() << "only root gives a file to another user";
        TCopy copy(lockFolder);
        copy.guard->Loaded();
        EXPECT_FALSE(copy.guard->HoldsInstance());
        EXPECT_FALSE(copy.guard->Terminated());
        EXPECT_TRUE(copy.guard->Unguarded()); // its owner says so
        EXPECT_TRUE(messages.isEmpty());
    }
}

TEST(InstanceFinding, FindsOnlyACopyThatListens) {
    TTestTempFolder folder;
    const QString path = QString::fromStdString(folder.Path());
    EXPECT_TRUE(qvxFindPrevInstanceWindow(Title, path).isEmpty());
    EXPECT_FALSE(qvxActivatePrevInstance(Title, path));
    TCopy first(path);
    first.guard->Loaded();
    EXPECT_EQ(qvxFindPrevInstanceWindow(Title, path), qvxInstanceNames(Title, path).serverName);
}

TEST(InstanceNames, AreSafeFileNamesThatKeepTitlesApart) {
    const TqvxInstanceNames names = qvxInstanceNames(QStringLiteral("Orvalista S/A - Programação"), "/run/x");
    EXPECT_TRUE(names.lockFile.startsWith("/run/x/Orvalista_S_A_-_Programa__o-"))
        << names.lockFile.toStdString();
    EXPECT_TRUE(names.lockFile.endsWith(".OneInstance.Default.lock"));
    EXPECT_EQ(names.stem + ".Default.lock", names.lockFile);
    EXPECT_NE(qvxInstanceNames(QStringLiteral("Orvalista S_A - Programação"), "/run/x").lockFile,
              names.lockFile);
}

} // namespace
