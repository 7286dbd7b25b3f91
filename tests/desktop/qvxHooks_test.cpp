// Window hooks chained on one widget.

#include "desktop/qvxHooks.h"
#include "qvxMessageRecorder.h"
#include "support/QtTestApplication.h"

#include <QMouseEvent>
#include <QWidget>

#include <memory>
#include <stdexcept>

namespace {

const auto Probe = static_cast<QEvent::Type>(QEvent::User + 7);

// A widget that logs the events it handles.
class TLoggingWidget : public QWidget {
public:
    explicit TLoggingWidget(QStringList& log) : log_(log) {}

protected:
    bool event(QEvent* event) override {
        if (event->type() == Probe) log_ << "widget";
        if (event->type() == QEvent::MouseButtonPress) log_ << "press";
        return QWidget::event(event);
    }

private:
    QStringList& log_;
};

// A hook that logs its before and after steps under a name, and counts window moves.
class TLoggingHook : public TqvxWndProcHook {
public:
    TLoggingHook(QObject* owner, const QString& name, QStringList& log) : TqvxWndProcHook(owner) {
        OnMessageBefore = [this, &log, name](QObject*, TqvxMessage& msg, bool& handled) {
            if (msg.Msg == Probe) log << "before " + name;
            handled = name == HandledBy;
        };
        OnMessageAfter = [&log, name](QObject*, TqvxMessage& msg, bool&) {
            if (msg.Msg == Probe) log << "after " + name;
        };
    }
    QString HandledBy;
    int moves = 0;

protected:
    bool StartWindowMove(QWidget*) override {
        ++moves;
        return true;
    }
};

class Hooks : public testing::Test {
protected:
    void SendProbe() {
        QEvent probe(Probe);
        QCoreApplication::sendEvent(&widget, &probe);
    }
    void Press(Qt::MouseButton button) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), button, button,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &press);
    }

    QStringList log;
    TLoggingWidget widget{log};
};

TEST_F(Hooks, TheLastHookSeesTheEventFirstAndDeactivatingTheFirstKeepsTheSecondChained) {
    TLoggingHook first(&widget, "1", log), second(&widget, "2", log);
    first.SetActive(true);
    second.SetActive(true);
    SendProbe();
    EXPECT_EQ(log, QStringList({"before 2", "before 1", "widget", "after 1", "after 2"}));
    first.SetActive(false);
    log.clear();
    SendProbe();
    EXPECT_EQ(log, QStringList({"before 2", "widget", "after 2"}));
    second.SetActive(false);
    log.clear();
    SendProbe();
    EXPECT_EQ(log, QStringList({"widget"}));
}

TEST_F(Hooks, HandledStopsTheEventForTheHooksBelowAndTheWidget) {
    TLoggingHook first(&widget, "1", log), second(&widget, "2", log);
    second.HandledBy = "2";
    first.SetActive(true);
    second.SetActive(true);
    SendProbe();
    EXPECT_EQ(log, QStringList({"before 2", "after 2"}));
}

TEST_F(Hooks, AnExceptionOfAHandlerIsShownAndStopsTheEvent) {
    TMessageRecorder recorder;
    TqvxWndProcHook hook(&widget);
    hook.OnMessageBefore = [](QObject*, TqvxMessage& msg, bool&) {
        if (msg.Msg == Probe) throw std::runtime_error("gancho falhou");
    };
    hook.SetActive(true);
    SendProbe();
    EXPECT_TRUE(log.isEmpty());
    ASSERT_EQ(recorder.Messages.size(), 1);
    EXPECT_TRUE(recorder.Messages.front().endsWith("|gancho falhou"));
}

TEST_F(Hooks, AutoDragTurnsALeftPressIntoAWindowMove) {
    TLoggingHook hook(&widget, "1", log);
    hook.AutoDrag = true;
    hook.SetActive(true);
    Press(Qt::LeftButton);
    EXPECT_EQ(hook.moves, 1);
    EXPECT_FALSE(log.contains("press")) << "the press moved the window instead";
    Press(Qt::RightButton);
    EXPECT_EQ(hook.moves, 1);
    EXPECT_TRUE(log.contains("press"));
}

TEST_F(Hooks, InTheDesignStateActivatingOnlySetsTheFlag) {
    TLoggingHook hook(&widget, "1", log);
    hook.SetDesigning(true);
    hook.SetActive(true);
    EXPECT_TRUE(hook.Active());
    SendProbe();
    EXPECT_EQ(log, QStringList({"widget"}));
}

TEST_F(Hooks, AHookMovesWithItsControlAndForgetsAControlThatIsDestroyed) {
    auto other = std::make_unique<TLoggingWidget>(log);
    TLoggingHook hook(&widget, "1", log);
    int changes = 0;
    hook.OnChangeWinControl = [&](QObject*) { ++changes; };
    hook.SetActive(true);
    hook.SetWinControl(other.get());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(hook.ChainedWidget(), other.get());
    SendProbe();
    EXPECT_EQ(log, QStringList({"widget"})) << "the owner is no longer hooked";

    other.reset();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(hook.GetWinControl(), &widget) << "back to the owner";
    EXPECT_TRUE(hook.Active());
    hook.SetActive(false);
}

TEST_F(Hooks, AnExplicitWindowHandleComesBeforeTheControl) {
    TLoggingWidget native(log);
    TLoggingHook hook(&widget, "1", log);
    int changes = 0;
    hook.OnChangeHandle = [&](QObject*) { ++changes; };
    hook.SetActive(true);
    hook.SetHandle(native.winId());
    EXPECT_EQ(hook.ChainedWidget(), &native);
    EXPECT_EQ(changes, 1);
    hook.SetHandle(0);
    EXPECT_EQ(hook.ChainedWidget(), &widget);
}

TEST_F(Hooks, AHookFreedByAHandlerLeavesTheRestOfTheChainWorking) {
    auto* first = new TLoggingHook(&widget, "1", log);
    TLoggingHook second(&widget, "2", log);
    first->SetActive(true);
    second.SetActive(true);
    second.OnMessageBefore = [&](QObject*, TqvxMessage& msg, bool&) {
        if (msg.Msg == Probe) delete first;
    };
    SendProbe();
    EXPECT_EQ(log, QStringList({"widget", "after 2"}));
}

} // namespace
