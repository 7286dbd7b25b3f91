#include "db/components/VORSAMSessionList.h"

#include "db/components/VORSAMSession.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"

#include <algorithm>
#include <cassert>

namespace vorsam {

namespace {

using platform::data::DatabaseErrorFmt;
using platform::data::SInvalidSessionName;

// Guards the making and freeing of the list. Recursive: making the list makes the default session,
// whose constructor asks for the list.
TCriticalSection ListCreation;
TVORSAMSessionList* TheList = nullptr;

} // namespace

TVORSAMSessionList::TVORSAMSessionList() = default;

TVORSAMSessionList::~TVORSAMSessionList() {
    std::vector<TVORSAMSession*> others = List();
    std::erase(others, defaultSession_.get());
    for (auto it = others.rbegin(); it != others.rend(); ++it) (*it)->Detach();
    defaultSession_.reset();
    assert(sessions_.empty());
}

void TVORSAMSessionList::CreateDefaultSession() {
    defaultSession_ = std::make_unique<TVORSAMSession>();
    assert(defaultSession_->IsDefault());
    defaultSession_->SetSessionName("Default");
}

void TVORSAMSessionList::AddSession(TVORSAMSession& session) {
    TCriticalSectionGuard guard(lock_);
    session.isDefault_ = sessions_.empty();
    sessions_.push_back(&session);
}

void TVORSAMSessionList::RemoveSession(TVORSAMSession& session) {
    TCriticalSectionGuard guard(lock_);
    std::erase(sessions_, &session);
}

TVORSAMSession* TVORSAMSessionList::FindSession(std::string_view name) const {
    TCriticalSectionGuard guard(lock_);
    if (name.empty()) return sessions_.empty() ? nullptr : sessions_.front();
    for (TVORSAMSession* session : sessions_)
        if (platform::data::SameText(session->SessionName(), name)) return session;
    return nullptr;
}

TVORSAMSession& TVORSAMSessionList::GetSession(std::string_view name) const {
    TVORSAMSession* session = FindSession(name);
    if (session == nullptr) DatabaseErrorFmt(SInvalidSessionName, {name});
    return *session;
}

TVORSAMSession& TVORSAMSessionList::DefaultSession() const {
    TCriticalSectionGuard guard(lock_);
    assert(!sessions_.empty() && sessions_.front()->IsDefault());
    return *sessions_.front();
}

std::vector<TVORSAMSession*> TVORSAMSessionList::List() const {
    TCriticalSectionGuard guard(lock_);
    return sessions_;
}

int TVORSAMSessionList::TakeAutoSessionNumber() {
    TCriticalSectionGuard guard(SessionLock());
    auto free = std::find(autoNumbers_.begin(), autoNumbers_.end(), false);
    const int number = int(free - autoNumbers_.begin());
    if (free == autoNumbers_.end())
        autoNumbers_.push_back(true);
    else
        *free = true;
    return number;
}

void TVORSAMSessionList::ReleaseAutoSessionNumber(int number) {
    TCriticalSectionGuard guard(SessionLock());
    assert(number >= 0 && size_t(number) < autoNumbers_.size() && autoNumbers_[number]);
    autoNumbers_[size_t(number)] = false;
}

TVORSAMSessionList& Sessions() {
    TCriticalSectionGuard guard(ListCreation);
    if (TheList == nullptr) {
        TheList = new TVORSAMSessionList;
        TheList->CreateDefaultSession();
    }
    return *TheList;
}

TVORSAMSession& DefaultSession() {
    return Sessions().DefaultSession();
}

void FinalizeSessions() {
    TCriticalSectionGuard guard(ListCreation);
    delete TheList;
    TheList = nullptr;
}

TCriticalSection& SessionLock() {
    static TCriticalSection lock;
    return lock;
}

} // namespace vorsam
