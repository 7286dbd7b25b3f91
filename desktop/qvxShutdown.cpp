#include "desktop/qvxShutdown.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace {

constexpr int BusTimeoutMs = 25000; // interactive authorisation may take the user a while

struct TLogindAction {
    const char* can;     // the query, or nullptr when there is none
    const char* perform; // the request
};

TLogindAction LogindAction(TqvxShutdownActionType action) {
    switch (action) {
    case TqvxShutdownActionType::aatPowerOff:
        return {"CanPowerOff", "PowerOff"};
    case TqvxShutdownActionType::aatShutdown:
        return {"CanHalt", "Halt"};
    case TqvxShutdownActionType::aatReboot:
        return {"CanReboot", "Reboot"};
    case TqvxShutdownActionType::aatLogOff:
        return {nullptr, "TerminateSession"};
    case TqvxShutdownActionType::aatSuspend:
        return {"CanSuspend", "Suspend"};
    case TqvxShutdownActionType::aatHibernate:
        return {"CanHibernate", "Hibernate"};
    }
    return {nullptr, nullptr};
}

// The login manager's interface on the system bus.
TqvxBusCall SystemBusCall() {
    auto manager =
        std::make_shared<QDBusInterface>("org.freedesktop.login1", "/org/freedesktop/login1",
                                         "org.freedesktop.login1.Manager", QDBusConnection::systemBus());
    manager->setTimeout(BusTimeoutMs);
    return [manager](const QString& method, const QVariantList& arguments) {
        if (!manager->isValid()) return QDBusMessage::createError(manager->lastError());
        return manager->callWithArgumentList(QDBus::Block, method, arguments);
    };
}

class TLogindBackend : public TqvxSessionBackend {
public:
    explicit TLogindBackend(TqvxBusCall call) : call_(std::move(call)) {}

    bool CanPerform(TqvxShutdownActionType action) override {
        const TLogindAction names = LogindAction(action);
        if (names.can == nullptr) return true;
        const QDBusReply<QString> answer = call_(names.can, {});
        return answer.isValid() && answer.value() != "no" && answer.value() != "na";
    }

    bool Perform(TqvxShutdownActionType action, bool /*force*/) override {
        QVariantList arguments{true}; // interactive: the user may be asked to authorise
        if (action == TqvxShutdownActionType::aatLogOff) {
            const QString session = qEnvironmentVariable("XDG_SESSION_ID");
            arguments = {session.isEmpty() ? QStringLiteral("auto") : session};
        }
        return call_(LogindAction(action).perform, arguments).type() == QDBusMessage::ReplyMessage;
    }

private:
    TqvxBusCall call_;
};

} // namespace

std::unique_ptr<TqvxSessionBackend> qvxLogindBackend(TqvxBusCall call) {
    return std::make_unique<TLogindBackend>(call ? std::move(call) : SystemBusCall());
}

TqvxShutdown::TqvxShutdown(QObject* owner) : TqvxComponent(owner) {}

TqvxShutdown::~TqvxShutdown() = default;

void TqvxShutdown::SetBackend(std::unique_ptr<TqvxSessionBackend> backend) {
    backend_ = std::move(backend);
}

bool TqvxShutdown::Execute() {
    if (Designing()) return false;
    if (!backend_) backend_ = qvxLogindBackend();
    if (!backend_->CanPerform(ActionType)) return false;
    bool canShutdown = true;
    DoQueryShutdown(canShutdown);
    return canShutdown && backend_->Perform(ActionType, Force);
}

void TqvxShutdown::DoQueryShutdown(bool& canShutdown) {
    if (OnQueryShutdown) OnQueryShutdown(this, canShutdown);
}
