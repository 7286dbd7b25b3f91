#include "desktop/qvxSystemSounds.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int KillWaitMs = 1000;

QStringList DataFolders() {
    QStringList folders;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.startsWith('/')) folders << home;
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) dirs = QStringLiteral("/usr/local/share:/usr/share");
    folders << dirs.split(':', Qt::SkipEmptyParts);
    return folders;
}

QString SoundFile(const QString& themeName) {
    if (themeName.isEmpty() || themeName.contains('/')) return {};
    for (const QString& folder : DataFolders())
        for (const char* ext : {".oga", ".ogg", ".wav"}) {
            const QString file = folder + "/sounds/freedesktop/stereo/" + themeName + ext;
            if (QFileInfo(file).isFile()) return file;
        }
    return {};
}

class TDesktopSounds : public TqvxSystemSounds {
public:
    ~TDesktopSounds() override { Stop(); }

    bool Play(const QString& themeName) override {
        Stop();
        const QString file = SoundFile(themeName);
        QString player = QStandardPaths::findExecutable("paplay");
        if (player.isEmpty()) player = QStandardPaths::findExecutable("pw-play");
        if (file.isEmpty() || player.isEmpty()) return false;
        process_.start(player, {file});
        return process_.waitForStarted();
    }

    void Stop() override {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished(KillWaitMs);
    }

    bool Playing() const override { return process_.state() != QProcess::NotRunning; }

    void Beep() override { QApplication::beep(); }

private:
    QProcess process_;
};

} // namespace

QString qvxSoundThemeName(const QString& eventAlias) {
    static const QHash<QString, QString> names{{".Default", "bell"},
                                               {"SystemAsterisk", "dialog-information"},
                                               {"SystemExclamation", "dialog-warning"},
                                               {"SystemHand", "dialog-error"},
                                               {"SystemQuestion", "dialog-question"}};
    return names.value(eventAlias, eventAlias);
}

std::unique_ptr<TqvxSystemSounds> qvxDesktopSystemSounds() {
    return std::make_unique<TDesktopSounds>();
}
