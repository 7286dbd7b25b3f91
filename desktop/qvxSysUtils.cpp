#include "desktop/qvxSysUtils.h"

#include "desktop/qvxLibraryClasses.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QSysInfo>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

TShiftState qvxGetShiftState() {
    return ShiftStateOf(QGuiApplication::queryKeyboardModifiers());
}

int qvxPosFrom(const QString& sub, const QString& s, int from) {
    if (sub.isEmpty()) return 0;
    return s.indexOf(sub, std::max(from, 1) - 1) + 1;
}

void qvxReplaceAll(QString& s, const QString& oldText, const QString& newText) {
    if (oldText.isEmpty()) return;
    for (qsizetype at = s.indexOf(oldText); at >= 0; at = s.indexOf(oldText, at + newText.size()))
        s.replace(at, oldText.size(), newText);
}

void qvxReplaceChar(QString& s, QChar oldChar, QChar newChar) {
    s.replace(oldChar, newChar);
}

void qvxSplitToStrings(const QString& s, const QString& separator, QStringList& list) {
    list.clear();
    if (s.isEmpty()) return;
    list = separator.isEmpty() ? QStringList{s} : s.split(separator);
}

bool qvxIsUsableFileName(const QString& name) {
    if (name.isEmpty()) return false;
    const QByteArray path = QFile::encodeName(name);
    struct stat info {};
    if (::stat(path.constData(), &info) == 0) return !S_ISDIR(info.st_mode);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(path.constData());
    return true;
}

QString qvxIncludeBackslash(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}

QString qvxSingleBackslashes(const QString& path) {
    QString result = path;
    while (result.contains(QLatin1String("//"))) result.replace(QLatin1String("//"), QLatin1String("/"));
    return result;
}

QString qvxExtractName(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QString qvxExtractPath(const QString& path) {
    return path.left(path.lastIndexOf('/') + 1);
}

QString qvxExtractExt(const QString& path) {
    const QString name = qvxExtractName(path);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString qvxNameWithoutExt(const QString& path) {
    const QString name = qvxExtractName(path);
    return name.left(name.size() - qvxExtractExt(name).size());
}

namespace {

bool HoldsWildcard(const QString& part) {
    return part.isEmpty() || part.contains('*') || part.contains('?');
}

} // namespace

QString qvxTargetFileName(const QString& source, const QString& mask) {
    if (mask.isEmpty()) return source;
    const QString folder = qvxExtractPath(mask).isEmpty() ? qvxExtractPath(source) : qvxExtractPath(mask);
    const QString maskName = qvxNameWithoutExt(mask);
    const QString maskExt = qvxExtractExt(mask);
    return folder + (HoldsWildcard(maskName) ? qvxNameWithoutExt(source) : maskName) +
           (HoldsWildcard(maskExt.mid(1)) ? qvxExtractExt(source) : maskExt);
}

QString qvxMakeFullName(const QString& folder, const QString& name) {
    if (!qvxExtractPath(name).isEmpty()) return name;
    return qvxSingleBackslashes(qvxIncludeBackslash(folder) + name);
}

const TqvxOSVersion& qvxOSVersion() {
    static const TqvxOSVersion version;
    return version;
}

QString qvxOSDescription() {
    return QSysInfo::prettyProductName() + "; " + QSysInfo::kernelType() + ' ' + QSysInfo::kernelVersion() +
           ' ' + QSysInfo::currentCpuArchitecture();
}

QString qvxExecutableName() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? QString() : QFile::decodeName(path.c_str());
}

QString qvxProgramFolder() {
    return qvxExtractPath(qvxExecutableName());
}

QString qvxLogFileName() {
    const QString executable = qvxExecutableName();
    return qvxExtractPath(executable) + qvxNameWithoutExt(executable) + QLatin1String(".log");
}

namespace {

// The library's unit start registers its own classes: they are there before any other.
QHash<QString, TqvxComponentFactory>& Classes() {
    static QHash<QString, TqvxComponentFactory> classes = [] {
        QHash<QString, TqvxComponentFactory> library;
        for (const TqvxComponentClass& c : qvxLibraryClasses())
            if (!library.contains(c.name)) library.insert(c.name, c.create);
        return library;
    }();
    return classes;
}

} // namespace

void qvxRegisterClasses(const QList<TqvxComponentClass>& classes) {
    for (const TqvxComponentClass& c : classes)
        if (!Classes().contains(c.name)) Classes().insert(c.name, c.create);
}

TqvxComponentFactory qvxFindClass(const QString& name) {
    return Classes().value(name);
}

bool qvxCloseHandle(int handle) {
    return handle != -1 && ::close(handle) == 0;
}
