#include "grid/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsRegularFile(const QString& path) {
    if (path.startsWith(u':')) return QFileInfo(path).isFile(); // the program's own resources
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    if (!IsRegularFile(path)) return std::nullopt;
    if (path.startsWith(u':')) {
        QFile resource(path);
        if (!resource.open(QIODevice::ReadOnly) || resource.size() > maxBytes) return std::nullopt;
        return resource.readAll();
    }
    // Opened without waiting, and looked at again once open: what the path leads to may have
    // changed since.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct TClose {
        int Fd;
        ~TClose() { ::close(Fd); }
    } close{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxBytes) return std::nullopt;
    QByteArray data;
    data.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        if (data.size() + got > maxBytes) return std::nullopt; // it grew while being read
        data.append(buffer, qsizetype(got));
    }
    return data;
}
