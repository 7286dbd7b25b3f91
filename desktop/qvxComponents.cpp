#include "desktop/qvxComponents.h"

#include "desktop/qvxFormUtils.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

Q_LOGGING_CATEGORY(lcqvxInstance, "qvx.instance", QtWarningMsg)

namespace {

constexpr char ActivateRequest[] = "activate";
constexpr qint64 MaxRequestBytes = 256; // a peer that sends more is cut off

} // namespace

TqvxComponent::TqvxComponent(QObject* owner) : QObject(owner) {}

TqvxOneInstance::TqvxOneInstance(QObject* owner) : TqvxComponent(owner) {}

TqvxOneInstance::~TqvxOneInstance() {
    if (server_ != nullptr) server_->close();
    if (lock_) lock_->unlock();
}

void TqvxOneInstance::Loaded() {
    CheckInstance();
}

void TqvxOneInstance::CheckInstance() {
    if (IsAnotherInstance()) InstanceExists();
}

bool TqvxOneInstance::HoldsInstance() const {
    return lock_ && lock_->isLocked();
}

QString TqvxOneInstance::Title() const {
    return qvxApplicationTitle(parent());
}

bool TqvxOneInstance::IsAnotherInstance() {
    if (Designing()) return false;
    if (HoldsInstance()) return false; // tested before: this copy is the running one
    const TqvxInstanceNames names = qvxInstanceNames(Title(), LockFolder);
    auto lock = std::make_unique<QLockFile>(names.lockFile);
    lock->setStaleLockTime(0); // a live holder keeps its lock however long it runs
    if (lock->tryLock(0)) {
        lock_ = std::move(lock);
        qCInfo(lcqvxInstance) << "holds" << names.lockFile;
        Listen(names.serverName);
        return false;
    }
    if (lock->error() == QLockFile::LockFailedError) return true;
    qCWarning(lcqvxInstance) << "cannot create the single-instance lock" << names.lockFile
                             << "- running without the guard";
    return false;
}

void TqvxOneInstance::InstanceExists() {
    bool terminate = true;
    if (ShowMessage) ShowInstanceMessage(terminate);
    if (ActivatePrevInstance) qvxActivatePrevInstance(Title(), LockFolder);
    terminated_ = terminate;
}

void TqvxOneInstance::ShowInstanceMessage(bool& terminate) {
    if (OnShowMessage) {
        OnShowMessage(this, terminate);
        return;
    }
    const QString title = Title();
    qvxShowMessage(title, Message.isEmpty()
                              ? QStringLiteral("Application \"%1\" is already running.").arg(title)
                              : Message);
}

void TqvxOneInstance::Listen(const QString& serverName) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(serverName); // a socket left by a killed copy: the lock is ours now
    if (!server_->listen(serverName)) {
        qCWarning(lcqvxInstance) << "cannot listen on" << serverName << ":" << server_->errorString();
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, &TqvxOneInstance::ReadRequests);
}

void TqvxOneInstance::ReadRequests() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            if (socket->bytesAvailable() > MaxRequestBytes && !socket->canReadLine()) socket->abort();
            while (socket->canReadLine()) {
                if (socket->readLine().trimmed() != ActivateRequest) continue;
                qCInfo(lcqvxInstance) << "activation requested";
                emit ActivationRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read(); // the request may have arrived with the connection
    }
}
