#include "desktop/qvxWindowTimer.h"

#include "desktop/qvxApplicationWindow.h"

#include <limits>

TqvxCustomTimer::TqvxCustomTimer(QObject* owner) : TqvxComponent(owner) {
    connect(&timer_, &QTimer::timeout, this, [this] { qvxGuarded(this, [this] { Timer(); }); });
}

TqvxCustomTimer::~TqvxCustomTimer() {
    timer_.stop();
}

void TqvxCustomTimer::SetInterval(unsigned milliseconds) {
    interval_ = milliseconds;
    UpdateTimer();
}

void TqvxCustomTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    UpdateTimer();
}

void TqvxCustomTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TqvxCustomTimer::Timer() {
    qvxRaise(onTimer_, this);
}

void TqvxCustomTimer::UpdateTimer() {
    timer_.stop();
    if (interval_ == 0 || !enabled_ || !onTimer_) return;
    constexpr unsigned MaxInterval = std::numeric_limits<int>::max();
    timer_.start(static_cast<int>(std::min(interval_, MaxInterval)));
}
