#include "desktop/qvxFormUtils.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QMessageBox>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int ConnectAttempts = 20;
constexpr int ConnectWaitMs = 100;
constexpr int WriteWaitMs = 1000;

QString SafeId(const QString& title) {
    QString id;
    for (const QChar c : title)
        id +=
            (c.isLetterOrNumber() && c.unicode() < 128) || c == '.' || c == '-' || c == '_' ? c : QChar('_');
    const QByteArray hash = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex();
    return id + '-' + QString::fromLatin1(hash.left(8));
}

TqvxMessageSink& Sink() {
    static TqvxMessageSink sink;
    return sink;
}

// A copy that has just taken its lock listens a moment later: while the lock is there, a socket
// not yet made or not yet listening is tried again.
bool ConnectTo(QLocalSocket& socket, const TqvxInstanceNames& names) {
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    bool wasMissing = false;
    for (int attempt = 0; attempt < ConnectAttempts; ++attempt) {
        socket.connectToServer(names.serverName);
        if (socket.waitForConnected(ConnectWaitMs)) {
            if (qvxPeerIsThisUser(socket.socketDescriptor())) return true;
            socket.abort(); // another user's socket of that name
            return false;
        }
        // Nobody runs when the lock stays missing: a copy that replaced an abandoned lock leaves it
        // missing only for an instant.
        const bool lockMissing = !QFileInfo::exists(names.lockFile);
        if (lockMissing && wasMissing) return false;
        wasMissing = lockMissing;
        socket.abort();
        QThread::msleep(ConnectWaitMs);
    }
    return false;
}

} // namespace

TqvxInstanceNames qvxInstanceNames(const QString& title, const QString& folder) {
    QString base = folder;
    QString id = SafeId(title);
    if (base.isEmpty()) base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty()) {
        base = QDir::tempPath();
        id += QStringLiteral("-u%1").arg(::getuid());
    }
    const QString stem = QDir(base).filePath(id + QStringLiteral(".OneInstance"));
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(stem), QCryptographicHash::Sha256);
    return {stem, stem + QStringLiteral(".Default.lock"),
            QStringLiteral("qvx-%1.OneInstance").arg(QString::fromLatin1(hash.toHex().left(32)))};
}

QString qvxApplicationTitle(const QObject* owner) {
    for (const QObject* object = owner; object != nullptr; object = object->parent()) {
        const auto* widget = qobject_cast<const QWidget*>(object);
        if (widget != nullptr && widget->isWindow() && !widget->windowTitle().isEmpty())
            return widget->windowTitle();
    }
    return QGuiApplication::applicationDisplayName();
}

QString qvxFindPrevInstanceWindow(const QString& title, const QString& folder) {
    const TqvxInstanceNames names = qvxInstanceNames(title, folder);
    QLocalSocket socket;
    if (!ConnectTo(socket, names)) return {};
    socket.abort();
    return names.serverName;
}

bool qvxActivatePrevInstance(const QString& title, const QString& folder) {
    QLocalSocket socket;
    if (!ConnectTo(socket, qvxInstanceNames(title, folder))) return false;
    socket.write("activate\n");
    const bool written = socket.waitForBytesWritten(WriteWaitMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(WriteWaitMs);
    return written;
}

bool qvxPeerIsThisUser(qintptr socketDescriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::getuid();
}

void qvxShowMessage(const QString& caption, const QString& text) {
    if (Sink()) {
        Sink()(caption, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
    box.exec();
}

TqvxMessageSink qvxSetMessageSink(TqvxMessageSink sink) {
    std::swap(Sink(), sink);
    return sink;
}
