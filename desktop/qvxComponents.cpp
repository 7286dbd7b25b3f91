#include "desktop/qvxComponents.h"

#include "desktop/qvxFormUtils.h"

#include <QDateTime>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcqvxInstance, "qvx.instance", QtWarningMsg)

namespace {

constexpr char ActivateRequest[] = "activate";
constexpr qint64 MaxRequestBytes = 256; // a peer that sends more is cut off
// While a copy makes its lock, the file is empty for an instant before the copy holds it.
constexpr qint64 AbandonedLockAgeSeconds = 2;
constexpr int LockAttempts = 50; // of a lock that vanished between the attempt and the look at it
constexpr unsigned LockRetryMs = 10;

// Removes the lock file when it is abandoned: it names no holder (empty or damaged, as a crash or
// a full disk while it was written leaves it), no live process holds it, and it is older than an
// instant. True when it was removed (or is gone), so that the lock may be taken again.
bool RemoveAbandonedLock(const QString& path) {
    qint64 pid = 0;
    QString host, application;
    if (QLockFile(path).getLockInfo(&pid, &host, &application)) return false; // QLockFile judges it
    QLockFile removal(path + QStringLiteral(".rmlock"));                      // one remover at a time
    if (!removal.tryLock(0)) return false;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    bool removed = false;
    struct stat opened {
    }, named{};
    // A live holder keeps its lock file locked; the name must still be the file opened here.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        ::stat(name.constData(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev) {
        const qint64 age = QDateTime::currentSecsSinceEpoch() - opened.st_mtime;
        if (age >= AbandonedLockAgeSeconds || age < 0) removed = ::unlink(name.constData()) == 0;
    }
    ::close(fd);
    return removed;
}

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
    // Another copy starting at the same moment may remove an abandoned lock and make its own between
    // this copy's attempt and its look at the file: a lock that vanished meanwhile is tried again.
    for (int attempt = 0;; ++attempt) {
        auto lock = std::make_unique<QLockFile>(names.lockFile);
        lock->setStaleLockTime(0); // a live holder keeps its lock however long it runs
        bool taken = lock->tryLock(0);
        if (!taken && lock->error() == QLockFile::LockFailedError && RemoveAbandonedLock(names.lockFile)) {
            qCInfo(lcqvxInstance) << "takes over the abandoned lock" << names.lockFile;
            taken = lock->tryLock(0);
        }
        if (taken) {
            lock_ = std::move(lock);
            qCInfo(lcqvxInstance) << "holds" << names.lockFile;
            emit InstanceTaken();
            Listen(names.serverName);
            return false;
        }
        if (lock->error() != QLockFile::LockFailedError) break;
        // Only a regular file of this user is a lock another copy holds: anything else in its place
        // (a folder, a device, another user's file in a shared temporary folder) would keep every
        // start out.
        struct stat placed {};
        if (::lstat(QFile::encodeName(names.lockFile).constData(), &placed) == 0) {
            if (S_ISREG(placed.st_mode) && placed.st_uid == ::getuid()) return true;
            break;
        }
        if (errno != ENOENT || attempt >= LockAttempts) break;
        QThread::msleep(LockRetryMs);
    }
    unguarded_ = true;
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
    const QString text =
        Message.isEmpty() ? QStringLiteral("Application \"%1\" is already running.").arg(title) : Message;
    qCInfo(lcqvxInstance) << "says" << text;
    qvxShowMessage(title, text);
}

void TqvxOneInstance::Listen(const QString& serverName) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server_->listen(serverName)) {
        qCWarning(lcqvxInstance) << "cannot listen on" << serverName << ":" << server_->errorString();
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, &TqvxOneInstance::ReadRequests);
}

void TqvxOneInstance::ReadRequests() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!qvxPeerIsThisUser(socket->socketDescriptor())) { // another user
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
