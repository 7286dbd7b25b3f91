#pragma once
// The desktop's event sounds: the names of the system's sound events in the freedesktop.org sound
// theme, and their playing by the desktop's sound player.
//
// Event aliases: ".Default" -> "bell", "SystemAsterisk" -> "dialog-information",
// "SystemExclamation" -> "dialog-warning", "SystemHand" -> "dialog-error", "SystemQuestion" ->
// "dialog-question"; any other alias is taken as a theme name. The sound file is
// sounds/freedesktop/stereo/<name>.oga (.ogg, .wav) in a folder of $XDG_DATA_HOME:$XDG_DATA_DIRS
// (default /usr/local/share:/usr/share), played by "paplay" or "pw-play" in a child process.

#include <QString>

#include <memory>

QString qvxSoundThemeName(const QString& eventAlias);

class TqvxSystemSounds {
public:
    virtual ~TqvxSystemSounds() = default;
    // Starts the theme's sound; false when there is no such sound or no player.
    virtual bool Play(const QString& themeName) = 0;
    virtual void Stop() = 0;
    virtual bool Playing() const = 0;
    virtual void Beep() = 0; // the window system's bell
};

std::unique_ptr<TqvxSystemSounds> qvxDesktopSystemSounds();
