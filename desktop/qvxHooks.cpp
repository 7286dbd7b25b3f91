#include "desktop/qvxHooks.h"

#include "desktop/qvxApplicationWindow.h"

#include <QMouseEvent>
#include <QWindow>

#include <memory>
#include <vector>

namespace {

// Every hook of the process, in the order they were made, and the event filter that runs the
// chains. Made by the first hook, freed with the last.
class THookList : public QObject {
public:
    static THookList& Get() {
        if (!Instance()) Instance() = std::make_unique<THookList>();
        return *Instance();
    }
    static void Add(TqvxCustomWndProcHook* hook) { Get().hooks_.push_back(hook); }
    static void Remove(TqvxCustomWndProcHook* hook) {
        auto& hooks = Get().hooks_;
        std::erase(hooks, hook);
        if (hooks.empty()) Instance().reset();
    }

    // Installs the filter on the widget while a hook is chained on it, removes it otherwise.
    void Rechain(QWidget* widget) {
        if (widget == nullptr) return;
        widget->removeEventFilter(this);
        if (!ChainOn(widget).empty()) widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const std::vector<QPointer<TqvxCustomWndProcHook>> chain = ChainOn(watched);
        if (chain.empty()) return false;
        TqvxMessage msg{event, event->type(), false};
        PassDown(chain, chain.size(), watched, msg);
        return true; // the widget has seen the event inside the chain, or a hook handled it
    }

private:
    static std::unique_ptr<THookList>& Instance() {
        static std::unique_ptr<THookList> instance;
        return instance;
    }

    std::vector<QPointer<TqvxCustomWndProcHook>> ChainOn(const QObject* widget) const {
        std::vector<QPointer<TqvxCustomWndProcHook>> chain;
        for (TqvxCustomWndProcHook* hook : hooks_)
            if (hook->Active() && hook->ChainedWidget() == widget) chain.emplace_back(hook);
        return chain;
    }

    // Runs hook level-1 of the chain (level 0: the widget itself).
    static bool PassDown(const std::vector<QPointer<TqvxCustomWndProcHook>>& chain, std::size_t level,
                         QObject* widget, TqvxMessage& msg) {
        while (level > 0 && chain[level - 1].isNull()) --level; // a handler freed a hook
        if (level == 0) return widget->event(msg.Event);
        TqvxCustomWndProcHook* hook = chain[level - 1];
        hook->WndProc(msg, [&chain, level, widget, &msg] { return PassDown(chain, level - 1, widget, msg); });
        return msg.Result;
    }

    std::vector<TqvxCustomWndProcHook*> hooks_;
};

bool IsLeftPress(const QEvent* event) {
    return event->type() == QEvent::MouseButtonPress &&
           static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
}

} // namespace

TqvxCustomWndProcHook::TqvxCustomWndProcHook(QObject* owner) : TqvxComponent(owner) {
    THookList::Add(this);
}

TqvxCustomWndProcHook::~TqvxCustomWndProcHook() {
    if (active_) Deactivate();
    THookList::Remove(this);
}

void TqvxCustomWndProcHook::SetActive(bool active) {
    if (active == active_) return;
    if (active)
        Activate();
    else
        Deactivate();
}

QWidget* TqvxCustomWndProcHook::GetHandle() const {
    if (handle_ != 0) return QWidget::find(handle_);
    return GetWinControl();
}

QWidget* TqvxCustomWndProcHook::GetWinControl() const {
    if (winControl_) return winControl_;
    return qobject_cast<QWidget*>(parent());
}

void TqvxCustomWndProcHook::SetHandle(WId handle) {
    Rehook([this, handle] { handle_ = handle; }, OnChangeHandle);
}

void TqvxCustomWndProcHook::SetWinControl(QWidget* control) {
    Rehook(
        [this, control] {
            if (winControl_ && winControl_ != parent()) disconnect(winControl_, nullptr, this, nullptr);
            winControl_ = control;
            if (control != nullptr && control != parent())
                connect(control, &QObject::destroyed, this, &TqvxCustomWndProcHook::WinControlDestroyed);
        },
        OnChangeWinControl);
}

template <typename Change> void TqvxCustomWndProcHook::Rehook(Change&& change, const TNotifyEvent& changed) {
    const bool wasActive = active_;
    SetActive(false);
    change();
    SetActive(wasActive);
    qvxRaise(changed, this);
}

void TqvxCustomWndProcHook::WinControlDestroyed() {
    winControl_ = nullptr; // the chain went with the widget's filters
    qvxRaise(OnChangeWinControl, this);
}

void TqvxCustomWndProcHook::Activate() {
    active_ = true;
    if (Designing()) return;
    chained_ = GetHandle();
    THookList::Get().Rechain(chained_);
}

void TqvxCustomWndProcHook::Deactivate() {
    active_ = false;
    QPointer<QWidget> widget = chained_;
    chained_ = nullptr;
    THookList::Get().Rechain(widget);
}

void TqvxCustomWndProcHook::WndProc(TqvxMessage& msg, const std::function<bool()>& passDown) {
    bool handled = false;
    try {
        if (OnMessageBefore) OnMessageBefore(this, msg, handled);
        if (!handled) {
            if (AutoDrag && IsLeftPress(msg.Event) && chained_)
                msg.Result = StartWindowMove(chained_);
            else
                msg.Result = passDown();
        }
        if (OnMessageAfter) OnMessageAfter(this, msg, handled);
    } catch (const std::exception& error) {
        qvxHandleException(this, error);
    }
}

bool TqvxCustomWndProcHook::StartWindowMove(QWidget* widget) {
    QWindow* window = widget->window()->windowHandle();
    return window != nullptr && window->startSystemMove();
}
