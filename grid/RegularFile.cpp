#include "grid/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsRegularFile(const QString& path) {
    if (path.startsWith(u':')) return QFileInfo(path).isFile(); // the program's own resources
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

bool OpenRegularFile(QFile& file, const QString& path) {
    if (!IsRegularFile(path)) return false;
    file.setFileName(path);
    if (path.startsWith(u':')) return file.open(QIODevice::ReadOnly);
    // Opened without waiting, and looked at again once open: what the path leads to may have
    // changed since.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    QFile file;
    if (!OpenRegularFile(file, path) || file.size() > maxBytes) return std::nullopt;
    QByteArray data;
    data.reserve(qsizetype(file.size()));
    char buffer[65536];
    for (;;) {
        const qint64 got = file.read(buffer, sizeof buffer);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        if (data.size() + got > maxBytes) return std::nullopt; // it grew while being read
        data.append(buffer, qsizetype(got));
    }
    return data;
}
