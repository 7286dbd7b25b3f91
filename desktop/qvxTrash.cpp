#include "desktop/qvxTrash.h"

#include "desktop/qvxSysUtils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int MaxNameTries = 10000;

std::error_code LastError() {
    return {errno, std::generic_category()};
}

fs::path Native(const QString& path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

QString CandidateName(const QString& name, int n) {
    if (n == 1) return name;
    const QString ext = qvxExtractExt(name);
    return name.left(name.size() - ext.size()) + '.' + QString::number(n) + ext;
}

// Creates the info file under a free name; the chosen name, or an empty one on error.
QString ReserveName(const QString& trash, const QString& original, std::error_code& error) {
    const QByteArray info =
        "[Trash Info]\nPath=" + QUrl::toPercentEncoding(original, "/") +
        "\nDeletionDate=" + QDateTime::currentDateTime().toString("yyyy-MM-ddThh:mm:ss").toUtf8() + '\n';
    for (int n = 1; n <= MaxNameTries; ++n) {
        const QString name = CandidateName(qvxExtractName(original), n);
        if (fs::exists(fs::symlink_status(Native(trash + "/files/" + name)))) continue;
        const QByteArray infoName = QFile::encodeName(trash + "/info/" + name + ".trashinfo");
        const int fd = ::open(infoName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return error = LastError(), QString();
        const bool written = ::write(fd, info.constData(), info.size()) == info.size();
        if (!written) error = LastError();
        ::close(fd);
        return written ? name : QString();
    }
    error = std::make_error_code(std::errc::file_exists);
    return {};
}

// Moves across devices by copying, then removes the original.
void MoveByCopy(const fs::path& from, const fs::path& to, std::error_code& error) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    if (!error) fs::remove_all(from, error);
}

} // namespace

QString qvxTrashFolder() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    return (data.startsWith('/') ? data : QDir::homePath() + "/.local/share") + "/Trash";
}

std::error_code qvxMoveToTrash(const QString& path) {
    const QString original = QFileInfo(path).absoluteFilePath();
    std::error_code error;
    if (!fs::exists(fs::symlink_status(Native(original), error))) {
        return error ? error : std::make_error_code(std::errc::no_such_file_or_directory);
    }
    const QString trash = qvxTrashFolder();
    for (const char* sub : {"/files", "/info"}) {
        fs::create_directories(Native(trash + sub), error);
        if (error) return error;
    }
    std::error_code ignored; // a trash made by someone else keeps its mode
    fs::permissions(Native(trash), fs::perms::owner_all, ignored);
    const QString name = ReserveName(trash, original, error);
    if (name.isEmpty()) return error;
    const fs::path target = Native(trash + "/files/" + name);
    fs::rename(Native(original), target, error);
    if (error == std::errc::cross_device_link) MoveByCopy(Native(original), target, error);
    if (error) QFile::remove(trash + "/info/" + name + ".trashinfo");
    return error;
}
