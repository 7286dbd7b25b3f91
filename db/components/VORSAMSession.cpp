// The session's life: start and stop, settings, passwords and the lock of the work on the engine.
#include "db/components/VORSAMSession.h"

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMSessionList.h"
#include "db/engine/EngineState.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <cassert>

namespace vorsam {

namespace {

using platform::data::DatabaseError;

// Texts the engine session keeps in fields of at most 255 characters.
constexpr size_t MaxShortText = 255;

std::string Short(const std::string& text) {
    return text.substr(0, MaxShortText);
}

TPasswordDialog PasswordDialog;
TLoginDialog LoginDialog;

} // namespace

void SetSessionDialogs(TPasswordDialog passwordDialog, TLoginDialog loginDialog) {
    PasswordDialog = std::move(passwordDialog);
    LoginDialog = std::move(loginDialog);
}

TVORSAMSession::TVORSAMSession(TVORSAMOwner* owner) : TVORSAMComponent(owner) {
    remote_.Address = "127.0.0.1";
    if (owner != nullptr)
        for (TVORSAMComponent* component : owner->Components())
            if (auto* session = dynamic_cast<TVORSAMSession*>(component);
                session && session->autoSessionName_)
                DatabaseError(platform::data::SAutoSessionExists);
    list_ = &Sessions();
    list_->AddSession(*this);
    InsertIntoOwner();
}

TVORSAMSession::~TVORSAMSession() {
    Detach();
    while (!databases_.empty()) databases_.back()->SessionGone();
}

void TVORSAMSession::Detach() {
    try {
        SetActive(false);
    } catch (...) {
        // A database that cannot be closed (tables still in use) goes with the engine session.
        ReleaseEngine();
    }
    ReleaseAutoNumber();
    if (list_ != nullptr) list_->RemoveSession(*this);
    list_ = nullptr;
}

void TVORSAMSession::SetActive(bool value) {
    if (value == Active()) return;
    if (value)
        Start();
    else
        Stop();
}

void TVORSAMSession::Start() {
    TCriticalSectionGuard lock(SessionLock());
    if (onStartup_) onStartup_(*this);
    if (sessionName_.empty()) DatabaseError(platform::data::SSessionNameMissing);
    if (!isDefault_) DefaultSession().SetActive(true);
    if (isDefault_) {
        InitializeEngine();
        handle_ = GetEngine();
    } else {
        ownEngine_ = CreateDataSession();
        handle_ = ownEngine_.get();
    }
    try {
        PassSettings();
        if (sessionType_ == stRemote)
            ConnectRemote();
        else
            handle_->SetRemote(false);
    } catch (...) {
        ReleaseEngine();
        throw;
    }
}

void TVORSAMSession::PassSettings() {
    handle_->SetPrivateDirectory(privateDir_);
    handle_->SetStrictChangeDetection(strictChangeDetection_);
    handle_->SetForceBufferFlush(forceBufferFlush_);
    handle_->SetLockRetryCount(lockRetryCount_);
    handle_->SetLockWaitTime(lockWaitTime_);
    handle_->SetLockProtocol(lockProtocol_);
    handle_->SetProgressSteps(progressSteps_);
    handle_->SetBufferSizes(TBufferSizes{});
}

void TVORSAMSession::ConnectRemote() {
    TRemoteSettings remote = remote_;
    remote.Lan = remoteType_ == rtLAN;
    for (std::string* text : {&remote.Host, &remote.Address, &remote.Service, &remote.User, &remote.Password})
        *text = Short(*text);
    handle_->SetRemoteSettings(remote);
    handle_->SetRemote(true);
    handle_->Connect();
    handle_->SetRemoteTraceHandler([this](const std::string& line) {
        if (onRemoteTrace_) onRemoteTrace_(*this, line);
    });
    handle_->SetRemoteLoginHandler(
        [this](std::string& user, std::string& password) { return RemoteLogin(user, password); });
    handle_->SetPasswordHandler([this] { return RequestPassword(); });
    handle_->Login();
    handle_->SendSessionParams();
    handle_->SetRemoteLoginHandler(nullptr);
}

bool TVORSAMSession::RemoteLogin(std::string& user, std::string& password) {
    bool continueLogin = true;
    std::string userCopy = user, passwordCopy = password;
    if (onRemoteLogin_)
        onRemoteLogin_(*this, userCopy, passwordCopy, continueLogin);
    else
        continueLogin = LoginDialog && LoginDialog(*this, userCopy, passwordCopy);
    user = Short(userCopy);
    password = Short(passwordCopy);
    return continueLogin;
}

void TVORSAMSession::Stop() {
    TCriticalSectionGuard lock(SessionLock());
    // Refused before anything closes: a dataset at its own run, a close or logout inside a request.
    for (const TVORSAMDatabase* database : databases_) database->RefuseClose();
    if (handle_->IsRemote() && handle_->IsConnected()) handle_->RefuseInsideRequest();
    SetEngine(handle_);
    const std::vector<TVORSAMDatabase*> databases = databases_;
    for (auto it = databases.rbegin(); it != databases.rend(); ++it) {
        if ((*it)->CreatedBySession())
            FreeCreatedDatabase(**it);
        else
            (*it)->Close();
    }
    if (handle_->IsRemote() && handle_->IsConnected()) {
        handle_->Logout();
        handle_->SetRemoteTraceHandler(nullptr);
        handle_->SetPasswordHandler(nullptr);
    }
    ReleaseEngine();
}

void TVORSAMSession::ReleaseEngine() {
    if (handle_ == nullptr) return;
    TCriticalSectionGuard lock(SessionLock());
    created_.clear();
    for (TVORSAMDatabase* database : databases_) database->ForgetEngine();
    if (isDefault_) {
        FinalizeEngine();
    } else {
        ownEngine_.reset();
        TVORSAMSession* main = list_ != nullptr ? list_->FindSession("") : nullptr;
        SetEngine(main != nullptr ? main->handle_ : nullptr);
    }
    handle_ = nullptr;
}

void TVORSAMSession::CheckInactive() const {
    if (Active()) DatabaseError(platform::data::SSessionActive);
}

template <class T, class Apply> void TVORSAMSession::ChangeSetting(T& stored, T value, Apply apply) {
    if (Active()) {
        TSessionLockGuard lock(*this);
        if (value != stored) apply(*handle_, value);
    }
    stored = value;
}

template <class T> void TVORSAMSession::ChangeInactive(T& stored, const T& value) {
    CheckInactive();
    stored = value;
}

void TVORSAMSession::SetForceBufferFlush(bool value) {
    ChangeSetting(forceBufferFlush_, value, [](TDataSession& s, bool v) { s.SetForceBufferFlush(v); });
}

void TVORSAMSession::SetStrictChangeDetection(bool value) {
    ChangeSetting(strictChangeDetection_, value,
                  [](TDataSession& s, bool v) { s.SetStrictChangeDetection(v); });
}

void TVORSAMSession::SetLockRetryCount(uint8_t value) {
    ChangeSetting(lockRetryCount_, value, [](TDataSession& s, uint8_t v) { s.SetLockRetryCount(v); });
}

void TVORSAMSession::SetLockWaitTime(uint16_t value) {
    ChangeSetting(lockWaitTime_, value, [](TDataSession& s, uint16_t v) { s.SetLockWaitTime(v); });
}

void TVORSAMSession::SetLockProtocol(TLockProtocol value) {
    ChangeSetting(lockProtocol_, value, [](TDataSession& s, TLockProtocol v) { s.SetLockProtocol(v); });
}

void TVORSAMSession::SetProgressSteps(uint16_t value) {
    if (value > MaxProgressSteps) return;
    ChangeSetting(progressSteps_, value, [](TDataSession& s, uint16_t v) { s.SetProgressSteps(v); });
}

void TVORSAMSession::SetPrivateDir(const std::string& folder) {
    ChangeSetting(privateDir_, folder,
                  [](TDataSession& s, const std::string& v) { s.SetPrivateDirectory(v); });
}

void TVORSAMSession::SetRemoteTrace(bool value) {
    ChangeSetting(remote_.Trace, value, [](TDataSession& s, bool v) {
        TRemoteSettings remote = s.RemoteSettings();
        remote.Trace = v;
        s.SetRemoteSettings(remote);
    });
}

void TVORSAMSession::SetSessionType(TSessionType value) {
    ChangeInactive(sessionType_, value);
}

void TVORSAMSession::SetRemoteType(TRemoteType value) {
    ChangeInactive(remoteType_, value);
}

void TVORSAMSession::SetRemoteHost(const std::string& value) {
    ChangeInactive(remote_.Host, value);
}

void TVORSAMSession::SetRemoteAddress(const std::string& value) {
    ChangeInactive(remote_.Address, value);
}

void TVORSAMSession::SetRemotePort(int32_t value) {
    ChangeInactive(remote_.Port, value);
}

void TVORSAMSession::SetRemoteService(const std::string& value) {
    ChangeInactive(remote_.Service, value);
}

void TVORSAMSession::SetRemoteUser(const std::string& value) {
    ChangeInactive(remote_.User, value);
}

void TVORSAMSession::SetRemotePassword(const std::string& value) {
    ChangeInactive(remote_.Password, value);
}

void TVORSAMSession::AddPassword(const std::string& password) {
    TSessionLockGuard lock(*this);
    handle_->AddPassword(Short(password));
}

void TVORSAMSession::RemovePassword(const std::string& password) {
    TSessionLockGuard lock(*this);
    handle_->RemovePassword(Short(password));
}

void TVORSAMSession::RemoveAllPasswords() {
    TSessionLockGuard lock(*this);
    handle_->RemoveAllPasswords();
}

bool TVORSAMSession::RequestPassword() {
    if (!onPassword_) return PasswordDialog && PasswordDialog(*this);
    bool continueWork = false;
    onPassword_(*this, continueWork);
    return continueWork;
}

void TVORSAMSession::LockSession() {
    TCriticalSection& lock = SessionLock();
    lock.Enter();
    if (useCount_++ > 0) return;
    try {
        MakeCurrent();
    } catch (...) {
        --useCount_;
        lock.Leave();
        throw;
    }
}

void TVORSAMSession::UnlockSession() {
    assert(useCount_ > 0);
    --useCount_;
    SessionLock().Leave();
}

void TVORSAMSession::MakeCurrent() {
    SetActive(true);
    SetEngine(handle_);
}

} // namespace vorsam
