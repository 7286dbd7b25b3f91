// The component classes of the library, as its unit start registers them by name (qvxSysUtils.h).
#include "desktop/qvxLibraryClasses.h"

#include "desktop/qvxAutoRun.h"
#include "desktop/qvxColorPicker.h"
#include "desktop/qvxComponents.h"
#include "desktop/qvxFileOperation.h"
#include "desktop/qvxFileStorage.h"
#include "desktop/qvxFolderMonitor.h"
#include "desktop/qvxHooks.h"
#include "desktop/qvxRegistryMonitor.h"
#include "desktop/qvxShutdown.h"
#include "desktop/qvxStartButton.h"
#include "desktop/qvxThreads.h"
#include "desktop/qvxTrayIcon.h"
#include "desktop/qvxWavePlayer.h"
#include "desktop/qvxWindowTimer.h"

namespace {

template <typename T> TqvxComponentClass ClassOf(const char* name) {
    return {QString::fromLatin1(name), [](QObject* owner) -> QObject* { return new T(owner); }};
}

} // namespace

QList<TqvxComponentClass> qvxLibraryClasses() {
    return {
        ClassOf<TqvxComponent>("TqvxComponent"),
        ClassOf<TqvxCustomThreadComponent>("TqvxCustomThreadComponent"),
        ClassOf<TqvxCustomTimer>("TqvxCustomTimer"),
        ClassOf<TqvxCustomThreadTimer>("TqvxCustomThreadTimer"),
        ClassOf<TqvxCustomWndProcHook>("TqvxCustomWndProcHook"),
        ClassOf<TqvxCustomFileStorage>("TqvxCustomFileStorage"),
        ClassOf<TqvxAutoRun>("TqvxAutoRun"),
        ClassOf<TqvxOneInstance>("TqvxOneInstance"),
        ClassOf<TqvxShutdown>("TqvxShutdown"),
        ClassOf<TqvxTrayIcon>("TqvxTrayIcon"),
        ClassOf<TqvxWndProcHook>("TqvxWndProcHook"),
        ClassOf<TqvxFileStorage>("TqvxFileStorage"),
        ClassOf<TqvxWav>("TqvxWav"),
        ClassOf<TqvxThreadComponent>("TqvxThreadComponent"),
        ClassOf<TqvxThreadTimer>("TqvxThreadTimer"),
        ClassOf<TqvxFileOperation>("TqvxFileOperation"),
        ClassOf<TqvxCustomFolderMonitor>("TqvxCustomFolderMonitor"),
        ClassOf<TqvxFolderMonitor>("TqvxFolderMonitor"),
        ClassOf<TqvxCustomRegistryMonitor>("TqvxCustomRegistryMonitor"),
        ClassOf<TqvxRegistryMonitor>("TqvxRegistryMonitor"),
        ClassOf<TqvxStartButtonProperties>("TqvxStartButtonProperties"),
        ClassOf<TqvxColorPicker>("TqvxColorPicker"),
    };
}
