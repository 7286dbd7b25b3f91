// The process's session components and the lock under which they work on the engine.
//
// Sessions() is the one list of the process. It is made on first use together with the default
// session "Default", the first session of the list: that one starts the engine when it becomes active
// and stops it when it stops. FinalizeSessions frees the list: it stops every session from the last to
// the first and then frees the default session, which stops the engine. The application calls it once
// its datasets are closed; a later use of the components makes a new list.
//
// Session components belong to whoever made them (the default one to the list); the list only knows
// them. A session still alive when its list goes is stopped and left without list.
//
// Locks: the list has a lock of its own, held while it is walked or changed. SessionLock() is the
// process-wide recursive lock that every session holds while it works on the engine
// (TVORSAMSession::LockSession); the list's operations never take it, except to hand out the numbers
// of auto-named sessions.
#pragma once

#include "db/lib/CriticalSection.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

class TVORSAMSession;

class TVORSAMSessionList {
public:
    TVORSAMSessionList();
    ~TVORSAMSessionList();
    TVORSAMSessionList(const TVORSAMSessionList&) = delete;
    TVORSAMSessionList& operator=(const TVORSAMSessionList&) = delete;

    // Called by the session's constructor: the first session added becomes the default session.
    void AddSession(TVORSAMSession& session);
    // Called by the session's destructor.
    void RemoveSession(TVORSAMSession& session);

    // An empty name gives the default session; any other the first session of that name (ignoring
    // case), or none.
    TVORSAMSession* FindSession(std::string_view name) const;
    // The same, but an unknown name raises "Session name %s is not valid.".
    TVORSAMSession& GetSession(std::string_view name) const;
    TVORSAMSession& DefaultSession() const;
    // The sessions in the order they were made.
    std::vector<TVORSAMSession*> List() const;

    // The lowest number no auto-named session uses, now marked as used; and its release.
    int TakeAutoSessionNumber();
    void ReleaseAutoSessionNumber(int number);

private:
    friend TVORSAMSessionList& Sessions();
    void CreateDefaultSession();

    mutable TCriticalSection lock_;
    std::vector<TVORSAMSession*> sessions_;
    std::vector<bool> autoNumbers_;
    std::unique_ptr<TVORSAMSession> defaultSession_;
};

// The process's session list, made with the default session on first use.
TVORSAMSessionList& Sessions();
// The default session "Default".
TVORSAMSession& DefaultSession();
// Frees the session list (see above); nothing when there is none.
void FinalizeSessions();

// The process-wide lock of the work on the engine.
TCriticalSection& SessionLock();

} // namespace vorsam
