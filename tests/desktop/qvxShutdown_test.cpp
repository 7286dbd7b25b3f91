// Shutdown requests through a fake session backend, and the absent start button.

#include "desktop/qvxShutdown.h"
#include "desktop/qvxStartButton.h"
#include "platform/os/TestEnvironment.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Action = TqvxShutdownActionType;

struct TFakeSession : TqvxSessionBackend {
    bool allowed = true;
    bool accepted = true;
    int asked = 0, performed = 0;

    bool CanPerform(Action) override {
        ++asked;
        return allowed;
    }
    bool Perform(Action, bool) override {
        ++performed;
        return accepted;
    }
};

// Execute answers true only when the system allows the action, the handler agrees and the
// request is accepted; each refusal stops what comes after it.
struct TRefusalCase {
    const char* what;
    bool designing, allowed, handlerAgrees, accepted;
    int asked, queried, performed;
};

class ShutdownRefusal : public testing::TestWithParam<TRefusalCase> {};

TEST_P(ShutdownRefusal, StopsTheStepsAfterIt) {
    const TRefusalCase& c = GetParam();
    SCOPED_TRACE(c.what);
    TqvxShutdown shutdown;
    auto owned = std::make_unique<TFakeSession>();
    TFakeSession& fake = *owned;
    shutdown.SetBackend(std::move(owned));
    fake.allowed = c.allowed;
    fake.accepted = c.accepted;
    shutdown.SetDesigning(c.designing);
    int queried = 0;
    shutdown.OnQueryShutdown = [&](QObject* sender, bool& can) {
        EXPECT_EQ(sender, &shutdown);
        EXPECT_TRUE(can);
        ++queried;
        can = c.handlerAgrees;
    };
    EXPECT_FALSE(shutdown.Execute());
    EXPECT_EQ(std::tuple(fake.asked, queried, fake.performed), std::tuple(c.asked, c.queried, c.performed));
}

INSTANTIATE_TEST_SUITE_P(Steps, ShutdownRefusal,
                         testing::Values(TRefusalCase{"design state", true, true, true, true, 0, 0, 0},
                                         TRefusalCase{"system refuses", false, false, true, true, 1, 0, 0},
                                         TRefusalCase{"handler refuses", false, true, false, true, 1, 1, 0},
                                         TRefusalCase{"request rejected", false, true, true, false, 1, 1,
                                                      1}));

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
    const TTestEnvironmentVariable session("XDG_SESSION_ID", "c7");
    TFakeBus bus;
    TqvxShutdown shutdown;
    shutdown.SetBackend(qvxLogindBackend(bus.Call()));
    shutdown.ActionType = GetParam().action;
    EXPECT_TRUE(shutdown.Execute());
    EXPECT_EQ(bus.calls.join(' '), GetParam().calls);
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
