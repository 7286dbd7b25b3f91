#pragma once
// Window hooks: TqvxWndProcHook lets a component see, change or swallow every event of a widget
// before the widget handles it, and see it again afterwards.
//
// Chaining: every hook of the process is kept in one list, in the order the hooks were made.
// The active hooks on one widget form a chain in that order: an event reaches the last of them
// first; each hook raises OnMessageBefore, then - unless the handler set Handled - passes the
// event down the chain (the first hook passes it to the widget itself), then raises
// OnMessageAfter. Deactivating a hook takes it out of the chain and leaves the others chained
// to the widget as they were. Handled therefore stops the event for every hook below and for
// the widget. With AutoDrag a left press on the widget moves the window instead of reaching the
// widget (the window system's interactive move).
//
// The chain runs inside one event filter of the widget, installed while at least one hook is
// active on it; the widget then handles the event from inside that filter, so event filters
// installed on the same widget before the first hook was activated are not run. An exception of
// a handler goes to the application's exception handler and counts as Handled.
//
// The hooked widget is the one given by SetHandle (a native window id, 0 = none), else the one
// given by SetWinControl, else the owner when it is a widget. A hooked widget that is destroyed
// leaves the hook active but unchained (WinControl becomes nullptr). In the design state
// SetActive only stores the flag.

#include "desktop/qvxComponents.h"
#include "desktop/qvxEvents.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

// The event as a hook handler sees it; Result is what the chain below answered (true: the
// widget handled the event).
struct TqvxMessage {
    QEvent* Event = nullptr;
    QEvent::Type Msg = QEvent::None;
    bool Result = false;
};

using TqvxMessageEvent = std::function<void(QObject* sender, TqvxMessage& msg, bool& handled)>;

class TqvxCustomWndProcHook : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxCustomWndProcHook(QObject* owner = nullptr);
    ~TqvxCustomWndProcHook() override;

    bool Active() const { return active_; }
    virtual void SetActive(bool active);
    bool AutoDrag = false;

    // The widget the hook works on (see above); nullptr when there is none.
    virtual QWidget* GetHandle() const;
    WId Handle() const { return handle_; }
    virtual void SetHandle(WId handle);
    virtual QWidget* GetWinControl() const;
    virtual void SetWinControl(QWidget* control);

    TNotifyEvent OnChangeHandle;
    TNotifyEvent OnChangeWinControl;
    TqvxMessageEvent OnMessageBefore;
    TqvxMessageEvent OnMessageAfter;

    // The widget the hook is chained on now (nullptr when inactive or unchained).
    QWidget* ChainedWidget() const { return chained_; }

    // Handles one event of the chain; passDown hands it to the hook below (or the widget).
    virtual void WndProc(TqvxMessage& msg, const std::function<bool()>& passDown);

protected:
    virtual void Activate();
    virtual void Deactivate();
    // Starts the window system's interactive move of the widget's window; false when refused.
    virtual bool StartWindowMove(QWidget* widget);

private:
    template <typename Change> void Rehook(Change&& change, const TNotifyEvent& changed);
    void WinControlDestroyed();

    bool active_ = false;
    WId handle_ = 0;
    QPointer<QWidget> winControl_;
    QPointer<QWidget> chained_;
};

class TqvxWndProcHook : public TqvxCustomWndProcHook {
    Q_OBJECT
public:
    using TqvxCustomWndProcHook::TqvxCustomWndProcHook;
};
