#pragma once
// TqvxCustomTimer: a timer of the GUI thread that raises OnTimer every Interval milliseconds.
//
// The timer runs exactly while Interval is not 0, Enabled is set and OnTimer is assigned; every
// change of one of the three re-applies that rule (a running timer then starts a new interval).
// An exception raised by OnTimer goes to the application's exception handler
// (qvxApplicationWindow.h); the timer goes on.

#include "desktop/qvxComponents.h"
#include "desktop/qvxEvents.h"

#include <QTimer>

class TqvxCustomTimer : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxCustomTimer(QObject* owner = nullptr);
    ~TqvxCustomTimer() override;

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);

    // True while the timer runs (see above).
    bool Running() const { return timer_.isActive(); }

protected:
    // One tick: raises OnTimer.
    virtual void Timer();

private:
    void UpdateTimer();

    unsigned interval_ = 1000;
    bool enabled_ = true;
    TNotifyEvent onTimer_;
    QTimer timer_;
};
