// Worker threads: event and timer threads and the components that own them.

#include "desktop/qvxThreads.h"
#include "qvxMessageRecorder.h"
#include "support/EventWait.h"
#include "support/QtTestApplication.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <stdexcept>

namespace {

bool OnGuiThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

TEST(ThreadComponent, RunsOnExecuteOnceOnItsOwnThreadWhenResumed) {
    TqvxThreadComponent component;
    std::atomic<int> runs = 0;
    std::atomic<bool> onGui = true;
    component.OnExecute = [&](QObject*) {
        onGui = OnGuiThread();
        ++runs;
    };
    EXPECT_TRUE(component.Suspended());
    int terminated = 0;
    component.OnTerminate = [&](QObject*) {
        EXPECT_TRUE(OnGuiThread());
        ++terminated;
    };
    component.SetSuspended(false);
    ASSERT_EVENTUALLY_EQ(terminated, 1);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(onGui);
}

TEST(ThreadComponent, InTheDesignStateNothingRuns) {
    TqvxThreadComponent component;
    component.SetDesigning(true);
    std::atomic<int> runs = 0;
    component.OnExecute = [&](QObject*) { ++runs; };
    component.SetSuspended(false);
    component.Loaded();
    EXPECT_TRUE(component.Terminated()) << "no work was made";
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(component.Suspended());
}

TEST(ThreadComponent, AnExceptionWithoutOnExceptionIsShownWithNameClassAndMessage) {
    TMessageRecorder recorder;
    TqvxThreadComponent component;
    component.setObjectName("Worker1");
    component.OnExecute = [](QObject*) { throw std::out_of_range("fora da faixa"); };
    component.SetSuspended(false);
    ASSERT_EVENTUALLY_EQ(recorder.Messages.size(), 1);
    EXPECT_TRUE(recorder.Messages.front().endsWith(
        "|Thread Worker1 raised exception class std::out_of_range with message \"fora da faixa\"."))
        << recorder.Messages.front().toStdString();
}

TEST(ThreadComponent, AnExceptionGoesToOnExceptionOnTheGuiThreadAndOneOfOnExceptionIsShown) {
    TMessageRecorder recorder;
    TqvxThreadComponent component;
    component.OnExecute = [](QObject*) { throw std::runtime_error("primeira"); };
    QStringList seen;
    component.OnException = [&](QObject*, const std::exception& error) {
        EXPECT_TRUE(OnGuiThread());
        seen << error.what();
        if (seen.size() == 2) throw std::runtime_error("segunda");
    };
    component.SetSuspended(false);
    ASSERT_EVENTUALLY_EQ(seen.size(), 1);
    EXPECT_TRUE(recorder.Messages.isEmpty());
    component.Restart();
    ASSERT_EVENTUALLY_EQ(recorder.Messages.size(), 1);
    EXPECT_TRUE(recorder.Messages.front().endsWith("|segunda"));
}

TEST(ThreadComponent, DestructionAsksTheWorkToEndAndWaitsForIt) {
    std::atomic<bool> started = false, ended = false;
    {
        TqvxThreadComponent component;
        component.OnExecute = [&](QObject* sender) {
            started = true;
            while (!static_cast<TqvxCustomThreadComponent*>(sender)->Terminated())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ended = true;
        };
        component.SetSuspended(false);
        ASSERT_EVENTUALLY(started);
    }
    EXPECT_TRUE(ended);
}

TEST(ThreadComponent, SynchronizedRunsOnTheGuiThreadAndARestartFromInsideRunsTheWorkAgain) {
    TqvxThreadComponent component;
    component.SetSynchronized(true);
    int runs = 0;
    component.OnExecute = [&](QObject*) {
        EXPECT_TRUE(OnGuiThread());
        if (++runs == 1) component.Restart();
    };
    component.SetSuspended(false);
    ASSERT_EVENTUALLY_EQ(runs, 2);
}

TEST(ThreadTimer, RaisesOnTimerWhileEnabled) {
    TqvxThreadTimer timer;
    std::atomic<int> ticks = 0;
    timer.OnTimer() = [&](QObject*) { ++ticks; };
    timer.SetInterval(2);
    timer.SetEnabled(true);
    ASSERT_EVENTUALLY(ticks >= 3);
    timer.SetEnabled(false);
    const int stopped = ticks;
    QTest::qWait(20);
    EXPECT_LE(ticks - stopped, 1) << "at most a tick under way when it was disabled";
}

TEST(TimerThread, ChangingTheIntervalStartsANewWaitWithoutTheEvent) {
    TqvxTimerThread thread(true);
    std::atomic<int> events = 0;
    thread.SetOnEvent([&](TqvxEventThread*) { ++events; });
    thread.SetInterval(60000);
    thread.Start();
    thread.Resume();
    for (int change = 0; change < 5; ++change) thread.SetInterval(60000);
    QTest::qWait(20);
    EXPECT_EQ(events, 0) << "a change of interval raises nothing";
    thread.SetInterval(1);
    ASSERT_EVENTUALLY(events >= 1); // the 60 s wait was given up for the new interval
}

TEST(ThreadTimer, DestructionWhileTheWorkerWaitsForTheGuiThreadDoesNotHang) {
    std::atomic<int> ticks = 0;
    {
        TqvxThreadTimer timer;
        timer.SetSynchronized(true);
        timer.OnTimer() = [&](QObject*) { ++ticks; };
        timer.SetInterval(1);
        timer.SetEnabled(true);
        QThread::msleep(20); // no event loop: the worker now waits in a synchronised call
    }
    const int atDestruction = ticks;
    QTest::qWait(20);
    EXPECT_EQ(ticks, atDestruction) << "a cancelled call never runs";
}

} // namespace
