// The session's name and the auto-session name.
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"

namespace vorsam {

namespace {
using platform::data::DatabaseError;
using platform::data::DatabaseErrorFmt;
} // namespace

void TVORSAMSession::SetSessionName(const std::string& name) {
    if (autoSessionName_) DatabaseError(platform::data::SAutoSessionActive);
    ApplySessionName(name);
}

// Checks and stores a name, the session's own choice or the one it generates.
void TVORSAMSession::ApplySessionName(const std::string& name) {
    CheckInactive();
    if (!name.empty() && list_ != nullptr)
        for (TVORSAMSession* other : list_->List())
            if (other != this && platform::data::SameText(other->sessionName_, name))
                DatabaseErrorFmt(platform::data::SDuplicateSessionName, {name});
    sessionName_ = name;
}

bool TVORSAMSession::OwnerHasOtherSession() const {
    if (Owner() == nullptr) return false;
    for (TVORSAMComponent* component : Owner()->Components())
        if (component != this && dynamic_cast<TVORSAMSession*>(component) != nullptr) return true;
    return false;
}

std::string TVORSAMSession::AutoName(const std::string& name) const {
    return name + "_" + std::to_string(autoNumber_ + 1);
}

void TVORSAMSession::SetAutoSessionName(bool value) {
    if (value == autoSessionName_) return;
    if (!value) {
        ReleaseAutoNumber();
        autoSessionName_ = false;
        return;
    }
    CheckInactive();
    if (OwnerHasOtherSession()) DatabaseError(platform::data::SAutoSessionExclusive);
    autoNumber_ = list_->TakeAutoSessionNumber();
    try {
        ApplySessionName(AutoName(Name()));
    } catch (...) {
        ReleaseAutoNumber();
        throw;
    }
    autoSessionName_ = true;
    NameOwnerComponents();
}

void TVORSAMSession::SetName(const std::string& name) {
    if (autoSessionName_) ApplySessionName(AutoName(name));
    TVORSAMComponent::SetName(name);
    if (autoSessionName_) NameOwnerComponents();
}

void TVORSAMSession::ReleaseAutoNumber() {
    if (autoNumber_ < 0) return;
    if (list_ != nullptr) list_->ReleaseAutoSessionNumber(autoNumber_);
    autoNumber_ = -1;
}

void TVORSAMSession::NameOwnerComponents() {
    if (Owner() == nullptr) return;
    for (TVORSAMComponent* component : Owner()->Components())
        if (auto* bound = dynamic_cast<TSessionBoundComponent*>(component))
            if (bound->SessionName() != sessionName_) bound->SetSessionName(sessionName_);
}

void TVORSAMSession::ComponentInserted(TVORSAMComponent& component) {
    if (!autoSessionName_) return;
    if (auto* bound = dynamic_cast<TSessionBoundComponent*>(&component)) bound->SetSessionName(sessionName_);
}

} // namespace vorsam
