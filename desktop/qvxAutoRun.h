#pragma once
// Auto-run entries: the program starts when the user's desktop session starts.
//
// An entry is a desktop-entry file in an autostart folder (the freedesktop.org autostart rules):
//   user kinds     $XDG_CONFIG_HOME/autostart (~/.config/autostart when unset)
//   machine kinds  autostart in the system's configuration folder (qvxRegistry.h); writing there
//                  needs the administrator, else ERegistryException "Unable to open the <folder> key"
//   service kinds  none: registering and unregistering answer false and touch nothing
// The entry of a program is named after the program's file name without its folder: "<name>.desktop"
// for the run kinds, "<name>.once.desktop" for the run-once kinds, so both can exist side by side:
//   [Desktop Entry]
//   Type=Application
//   Name=<name>
//   Exec="<full file name>"
//   X-RunOnce=true              (run-once kinds only)
// Values are escaped as desktop entries require; the file name is quoted in Exec so that blanks,
// quotes, "$", "`", "\" and "%" in it stay ordinary characters. A run-once entry is removed by
// the program when it starts (qvxDeleteRunOnceEntries, which TqvxAutoRun runs when loaded).

#include "desktop/qvxComponents.h"
#include "desktop/qvxRegistry.h"

enum class TqvxAutoExecKind {
    aekMachineRun,
    aekMachineRunOnce,
    aekUserRun,
    aekUserRunOnce,
    aekServiceRun,
    aekServiceRunOnce
};

struct TqvxAutoRunKey {
    TqvxRootKey root = TqvxRootKey::CurrentUser;
    QString folder; // the autostart folder; empty for the service kinds
};
TqvxAutoRunKey qvxAutoRunKey(TqvxAutoExecKind kind);
// The entry's full file name for a program; empty for the service kinds.
QString qvxAutoRunEntryName(TqvxAutoExecKind kind, const QString& fileName);
// The entry's text.
QString qvxAutoRunEntryText(TqvxAutoExecKind kind, const QString& fileName);

// Writes the entry (safely: temporary file and rename); true when written; false for the service
// kinds and an empty file name. A folder that cannot be written raises ERegistryException.
bool qvxRegisterAutoRun(TqvxAutoExecKind kind, const QString& fileName);
// Removes the entry: true when it is gone or was never there; false for the service kinds or
// when it cannot be removed.
bool qvxUnregisterAutoRun(TqvxAutoExecKind kind, const QString& fileName);
// Removes the program's run-once entries (user and machine; failures ignored), as the program's
// start consumes them.
void qvxDeleteRunOnceEntries(const QString& fileName);

// The component: the program (FileName) starts with the session while AutoRun is set. Loading
// it consumes the program's run-once entries and applies the settings; every setter removes the
// old entry, stores the value and applies again. In the design state it touches nothing.
class TqvxAutoRun : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxAutoRun(QObject* owner = nullptr);

    bool AutoRun() const { return autoRun_; }
    void SetAutoRun(bool value);
    QString FileName() const { return fileName_; } // starts as the executable's full name
    void SetFileName(const QString& value);
    TqvxAutoExecKind Kind() const { return kind_; }
    void SetKind(TqvxAutoExecKind value);

    void Loaded();
    virtual void Apply();  // Remove, then register when AutoRun is set
    virtual void Remove(); // unregister the entry of Kind and FileName

private:
    template <typename T> void Change(T& field, const T& value);

    bool autoRun_ = false;
    QString fileName_;
    TqvxAutoExecKind kind_ = TqvxAutoExecKind::aekMachineRun;
};
