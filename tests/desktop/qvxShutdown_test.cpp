// Shutdown requests through a fake session backend, and the absent start button.

#include "desktop/qvxShutdown.h"
#include "desktop/qvxStartButton.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Action = TqvxShutdownActionType;

struct TFakeSession : TqvxSessionBackend {
    bool allowed = true;
    bool accepted = true;
    std::vector<Action>* asked;
    std::vector<Action>* performed;

    bool CanPerform(Action action) override {
        asked->push_back(action);
        return allowed;
    }
    bool Perform(Action action, bool) override {
        performed->push_back(action);
        return accepted;
    }
};

class Shutdown : public testing::Test {
protected:
    TFakeSession* Install(TqvxShutdown& shutdown) {
        auto fake = std::make_unique<TFakeSession>();
        fake->asked = &asked;
        fake->performed = &performed;
        TFakeSession* raw = fake.get();
        shutdown.SetBackend(std::move(fake));
        return raw;
    }

    std::vector<Action> asked, performed;
};

TEST_F(Shutdown, RefusalByTheHandlerAnswersFalseAndCallsNothing) {
    TqvxShutdown shutdown;
    Install(shutdown);
    QObject* sender = nullptr;
    shutdown.OnQueryShutdown = [&](QObject* s, bool& can) {
        sender = s;
        EXPECT_TRUE(can);
        can = false;
    };
    EXPECT_FALSE(shutdown.Execute());
    EXPECT_EQ(sender, &shutdown);
    EXPECT_TRUE(performed.empty());
}

TEST_F(Shutdown, ActionTheSystemRefusesIsNeverQueriedNorRequested) {
    TqvxShutdown shutdown;
    Install(shutdown)->allowed = false;
    bool queried = false;
    shutdown.OnQueryShutdown = [&](QObject*, bool&) { queried = true; };
    EXPECT_FALSE(shutdown.Execute());
    EXPECT_FALSE(queried);
    EXPECT_TRUE(performed.empty());
}

TEST_F(Shutdown, RejectedRequestAnswersFalse) {
    TqvxShutdown shutdown;
    Install(shutdown)->accepted = false;
    EXPECT_FALSE(shutdown.Execute());
    EXPECT_EQ(performed.size(), 1u);
}

TEST_F(Shutdown, DesignStateAsksNothing) {
    TqvxShutdown shutdown;
    Install(shutdown);
    shutdown.SetDesigning(true);
    EXPECT_FALSE(shutdown.Execute());
    EXPECT_TRUE(asked.empty());
}

TEST(StartButton, AbsentButtonReadsZeroAndIgnoresChanges) {
    TqvxStartButtonProperties button;
    button.SetButtonLeft(10);
    button.SetButtonWidth(50);
    button.SetEnabled(true);
    button.SetVisible(true);
    EXPECT_EQ(button.Handle(), 0u);
    EXPECT_EQ(button.ButtonLeft() + button.ButtonTop() + button.ButtonWidth() + button.ButtonHeight(), 0);
    EXPECT_FALSE(button.Enabled());
    EXPECT_FALSE(button.Visible());
}

} // namespace

namespace {

// The login manager's backend over a recorded bus: each Can... query answers `answer`.
struct TFakeBus {
    QString answer = "yes";
    bool fails = false;
    QStringList calls;

    TqvxBusCall Call() {
        return [this](const QString& method, const QVariantList& arguments) {
            QStringList shown;
            for (const QVariant& a : arguments) shown << a.toString();
            calls << method + "(" + shown.join(',') + ")";
            const QDBusMessage call = QDBusMessage::createMethodCall("a.b", "/a", "a.b", method);
            if (fails) return call.createErrorReply(QDBusError::AccessDenied, "denied");
            return method.startsWith("Can") ? call.createReply(answer) : call.createReply();
        };
    }
};

struct TBusCase {
    Action action;
    const char* calls;
};

class LogindBackend : public testing::TestWithParam<TBusCase> {};

TEST_P(LogindBackend, EachActionCallsItsMethodsInteractively) {
    qputenv("XDG_SESSION_ID", "c7");
    TFakeBus bus;
    TqvxShutdown shutdown;
    shutdown.SetBackend(qvxLogindBackend(bus.Call()));
    shutdown.ActionType = GetParam().action;
    EXPECT_TRUE(shutdown.Execute());
    EXPECT_EQ(bus.calls.join(' '), GetParam().calls);
    qunsetenv("XDG_SESSION_ID");
}

INSTANTIATE_TEST_SUITE_P(Actions, LogindBackend,
                         testing::Values(TBusCase{Action::aatPowerOff, "CanPowerOff() PowerOff(true)"},
                                         TBusCase{Action::aatShutdown, "CanHalt() Halt(true)"},
                                         TBusCase{Action::aatReboot, "CanReboot() Reboot(true)"},
                                         TBusCase{Action::aatLogOff, "TerminateSession(c7)"},
                                         TBusCase{Action::aatSuspend, "CanSuspend() Suspend(true)"},
                                         TBusCase{Action::aatHibernate, "CanHibernate() Hibernate(true)"}));

TEST(LogindRefusal, NoOrNaOrABusErrorAnswersFalseBeforeAnyRequest) {
    for (const char* answer : {"no", "na"}) {
        TFakeBus bus;
        bus.answer = answer;
        auto backend = qvxLogindBackend(bus.Call());
        EXPECT_FALSE(backend->CanPerform(Action::aatPowerOff)) << answer;
    }
    TFakeBus bus;
    bus.answer = "challenge";
    EXPECT_TRUE(qvxLogindBackend(bus.Call())->CanPerform(Action::aatReboot));
    bus.fails = true;
    EXPECT_FALSE(qvxLogindBackend(bus.Call())->CanPerform(Action::aatReboot));
    EXPECT_FALSE(qvxLogindBackend(bus.Call())->Perform(Action::aatReboot, false));
}

} // namespace
