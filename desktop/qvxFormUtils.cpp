#include "desktop/qvxFormUtils.h"

#include <QCryptographicHash>
#include <QDir>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QMessageBox>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

#include <unistd.h>

namespace {

constexpr int ConnectAttempts = 20; // a copy that has just taken the lock starts listening at once
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

bool ConnectTo(QLocalSocket& socket, const QString& serverName) {
    for (int attempt = 0; attempt < ConnectAttempts; ++attempt) {
        socket.connectToServer(serverName);
        if (socket.waitForConnected(ConnectWaitMs)) return true;
        if (socket.error() == QLocalSocket::ServerNotFoundError) return false; // nobody listens there
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
    return {stem + QStringLiteral(".Default.lock"), stem};
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
    const QString serverName = qvxInstanceNames(title, folder).serverName;
    QLocalSocket socket;
    if (!ConnectTo(socket, serverName)) return {};
    socket.abort();
    return serverName;
}

bool qvxActivatePrevInstance(const QString& title, const QString& folder) {
    QLocalSocket socket;
    if (!ConnectTo(socket, qvxInstanceNames(title, folder).serverName)) return false;
    socket.write("activate\n");
    const bool written = socket.waitForBytesWritten(WriteWaitMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(WriteWaitMs);
    return written;
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
