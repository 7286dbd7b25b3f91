#pragma once
// Ending the session or the machine: power off, shut down, reboot, log off, suspend, hibernate.
//
// The actions go through a session backend. The real one asks the login manager over the system
// bus (org.freedesktop.login1): first Can<Action> ("no" or "na" refuses the action before anyone
// is asked), then PowerOff, Halt (shut down), Reboot, Suspend or Hibernate with interactive
// authorisation, or TerminateSession of the current session ($XDG_SESSION_ID, else "auto") to log
// off. Force has no meaning for the login manager: it is kept and ignored. Tests put a fake backend
// in place (SetBackend), or the login manager's backend over a fake bus call, so that nothing is
// ever powered off.

#include "desktop/qvxComponents.h"

#include <QDBusMessage>
#include <QVariantList>

#include <functional>
#include <memory>

enum class TqvxShutdownActionType {
    aatPowerOff,
    aatShutdown,
    aatReboot,
    aatLogOff,
    aatSuspend,
    aatHibernate
};

class TqvxSessionBackend {
public:
    virtual ~TqvxSessionBackend() = default;
    // Whether the action may be asked for now (false: refused without asking).
    virtual bool CanPerform(TqvxShutdownActionType action) = 0;
    // Asks for the action; true when the request was accepted.
    virtual bool Perform(TqvxShutdownActionType action, bool force) = 0;
};

// One call of a method of the login manager's interface (org.freedesktop.login1.Manager); the
// answer is the bus's reply or error message.
using TqvxBusCall = std::function<QDBusMessage(const QString& method, const QVariantList& arguments)>;
// The login manager, through call (empty: the system bus).
std::unique_ptr<TqvxSessionBackend> qvxLogindBackend(TqvxBusCall call = {});

using TqvxQueryShutdownEvent = std::function<void(QObject* sender, bool& canShutdown)>;

class TqvxShutdown : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxShutdown(QObject* owner = nullptr);
    ~TqvxShutdown() override;

    TqvxShutdownActionType ActionType = TqvxShutdownActionType::aatPowerOff;
    bool Force = false; // no meaning for the login manager: ignored
    TqvxQueryShutdownEvent OnQueryShutdown;

    // Replaces the backend (the login manager by default).
    void SetBackend(std::unique_ptr<TqvxSessionBackend> backend);

    // True when the action was requested: the backend allows it, OnQueryShutdown did not refuse
    // it and the backend accepted it. In the design state nothing is asked and the answer is false.
    virtual bool Execute();

protected:
    virtual void DoQueryShutdown(bool& canShutdown);

private:
    std::unique_ptr<TqvxSessionBackend> backend_;
};
