#include "desktop/qvxAutoRun.h"

#include "desktop/qvxSysUtils.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool IsService(TqvxAutoExecKind kind) {
    return kind == TqvxAutoExecKind::aekServiceRun || kind == TqvxAutoExecKind::aekServiceRunOnce;
}

bool IsRunOnce(TqvxAutoExecKind kind) {
    return kind == TqvxAutoExecKind::aekMachineRunOnce || kind == TqvxAutoExecKind::aekUserRunOnce;
}

QString UserConfigFolder() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return config.startsWith('/') ? config : QDir::homePath() + "/.config";
}

// A desktop-entry string value: "\" and line breaks escaped.
QString EscapeValue(const QString& value) {
    QString escaped;
    for (const QChar c : value) {
        if (c == '\\')
            escaped += QLatin1String("\\\\");
        else if (c == '\n')
            escaped += QLatin1String("\\n");
        else if (c == '\r')
            escaped += QLatin1String("\\r");
        else if (c == '\t')
            escaped += QLatin1String("\\t");
        else
            escaped += c;
    }
    return escaped;
}

// One quoted argument of an Exec line (before the string-value escaping).
QString QuoteArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + '"';
}

std::string Path(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

} // namespace

TqvxAutoRunKey qvxAutoRunKey(TqvxAutoExecKind kind) {
    switch (kind) {
    case TqvxAutoExecKind::aekUserRun:
    case TqvxAutoExecKind::aekUserRunOnce:
        return {TqvxRootKey::CurrentUser, UserConfigFolder() + "/autostart"};
    case TqvxAutoExecKind::aekMachineRun:
    case TqvxAutoExecKind::aekMachineRunOnce:
        return {TqvxRootKey::LocalMachine, qvxSystemConfigFolder() + "/autostart"};
    default:
        return {TqvxRootKey::LocalMachine, {}};
    }
}

QString qvxAutoRunEntryName(TqvxAutoExecKind kind, const QString& fileName) {
    if (IsService(kind)) return {};
    const QString suffix = IsRunOnce(kind) ? QStringLiteral(".once.desktop") : QStringLiteral(".desktop");
    return qvxAutoRunKey(kind).folder + '/' + qvxExtractName(fileName) + suffix;
}

QString qvxAutoRunEntryText(TqvxAutoExecKind kind, const QString& fileName) {
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    text += "Name=" + EscapeValue(qvxExtractName(fileName)) + '\n';
    text += "Exec=" + EscapeValue(QuoteArgument(fileName)) + '\n';
    if (IsRunOnce(kind)) text += QLatin1String("X-RunOnce=true\n");
    return text;
}

bool qvxRegisterAutoRun(TqvxAutoExecKind kind, const QString& fileName) {
    if (IsService(kind) || qvxExtractName(fileName).isEmpty()) return false;
    const QString folder = qvxAutoRunKey(kind).folder;
    try {
        CreateFolders(Path(folder));
        WriteFileAtomically(Path(qvxAutoRunEntryName(kind, fileName)),
                            qvxAutoRunEntryText(kind, fileName).toStdString());
    } catch (const EOsError&) {
        throw ERegistryException("Unable to open the " + folder.toStdString() + " key");
    }
    return true;
}

bool qvxUnregisterAutoRun(TqvxAutoExecKind kind, const QString& fileName) {
    if (IsService(kind)) return false;
    const QString entry = qvxAutoRunEntryName(kind, fileName);
    if (!QFileInfo::exists(entry) && !QFileInfo(entry).isSymLink()) return true;
    return QFile::remove(entry);
}

void qvxDeleteRunOnceEntries(const QString& fileName) {
    qvxUnregisterAutoRun(TqvxAutoExecKind::aekUserRunOnce, fileName);
    qvxUnregisterAutoRun(TqvxAutoExecKind::aekMachineRunOnce, fileName);
}

TqvxAutoRun::TqvxAutoRun(QObject* owner) : TqvxComponent(owner), fileName_(qvxExecutableName()) {}

void TqvxAutoRun::Loaded() {
    if (!Designing()) qvxDeleteRunOnceEntries(fileName_);
    Apply();
}

void TqvxAutoRun::Apply() {
    if (Designing()) return;
    Remove();
    if (autoRun_) qvxRegisterAutoRun(kind_, fileName_);
}

void TqvxAutoRun::Remove() {
    if (!Designing()) qvxUnregisterAutoRun(kind_, fileName_);
}

template <typename T> void TqvxAutoRun::Change(T& field, const T& value) {
    Remove();
    field = value;
    Apply();
}

void TqvxAutoRun::SetAutoRun(bool value) {
    Change(autoRun_, value);
}

void TqvxAutoRun::SetFileName(const QString& value) {
    Change(fileName_, value);
}

void TqvxAutoRun::SetKind(TqvxAutoExecKind value) {
    Change(kind_, value);
}
