// The main program.
//
//   centrprg [--data-dir DIR]
//
// Start-up: the program folder is chosen (core/ProgramFolder.h) and a language file opened (the
// folder's, else the defaults'); the main window is made (its screens are made when first used
// and kept for the run) under the title "Orvalista S/A - Programação de Talvenors"; its
// single-instance guard runs: a second start asks the running tool to come to the front and ends
// here, with exit code 0, without making or seeding its folder and without showing anything, but
// for a box when it was given a folder (--data-dir) other than the one the running copy works on
// (app/InstanceFolder.h); a start whose guard can make no lock says so in a box and runs. Then the
// folder is made and seeded, what a killed copy left is swept (core/Leftovers.h; only by the copy
// that holds the lock), its language file opened for the run, the
// window shown, the login run as it first appears, and the message loop runs until the window closes.
//
// Exit codes: 0 normally (also after a cancelled login, as a second start or ended by SIGINT,
// SIGTERM or SIGHUP, app/EndSignals.h), 1 after a refused login or a failed start-up, 2 on a bad
// command line.
//
// Environment: CENTRPRG_LOGIN scripts the login (app/Leusuari.h); QT_LOGGING_RULES=
// "qvx.instance.info=true" reports the single-instance guard's steps on stderr.

#include "app/AppHooks.h"
#include "app/EndSignals.h"
#include "app/InstanceFolder.h"
#include "app/prgmain.h"
#include "core/Language.h"
#include "core/Leftovers.h"
#include "core/ProgramFolder.h"
#include "dbui/EngineIdle.h"
#include "dbui/VORSAMPw.h"
#include "desktop/qvxComponents.h"
#include "platform/os/FileIo.h"
#include "platform/ui/ChordFilter.h"
#include "platform/ui/ToolLocale.h"
#include "platform/ui/ToolkitTexts.h"
#include "platform/ui/UiServices.h"
#include "screens/FailureMessages.h"

#include <QApplication>

#include <exception>
#include <iostream>
#include <optional>
#include <string>

namespace {

// The value of --data-dir ("--data-dir DIR" or "--data-dir=DIR"); bad is set by any other argument.
std::optional<std::string> DataDirArgument(const QStringList& arguments, bool& bad) {
    std::optional<std::string> dataDir;
    bad = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--data-dir" && i + 1 < arguments.size())
            dataDir = arguments[++i].toStdString();
        else if (argument.startsWith("--data-dir="))
            dataDir = argument.mid(11).toStdString();
        else
            bad = true;
    }
    return dataDir;
}

} // namespace

int main(int argc, char* argv[]) {
    TSystemLocalePin systemLocale; // Qt's dialogs show dates, sizes and numbers as the tool does
    QApplication application(argc, argv);
    systemLocale.Release();
    EndOnEndSignals();
    InstallAppHooks();
    InstallChordFilter();             // a chord types nothing in any field
    const TToolkitTexts toolkitTexts; // the toolkit's own dialogs speak the tool's language
    bool badLine = false;
    const std::optional<std::string> dataDir = DataDirArgument(QApplication::arguments(), badLine);
    if (badLine) {
        std::cerr << TranslateText("Uso: centrprg [--data-dir PASTA]") << "\n";
        return 2;
    }
    const TProgramFolderInputs inputs = CurrentProgramFolderInputs(dataDir);
    const std::string folder = ChooseProgramFolder(inputs), defaults = ProgramDefaultsFolder(inputs);
    try {
        // The folder's own language file, else the defaults': the guard below may speak before
        // the folder is made.
        const std::string ownTexts = folder + "/" + LanguageFileName;
        OpenLanguageFile(FileExists(ownTexts) ? ownTexts : defaults + "/" + LanguageFileName);
        vorsam::InstallPasswordDialog();    // asked for when a table is enciphered
        vorsam::InstallEngineIdleRelease(); // walks give up their reads while the tool waits for input
    } catch (const std::exception& error) {
        ShowError(nullptr, FailureMessage(error));
        return 1;
    }
    TFormPrinc mainWindow;
    TqvxOneInstance& guard = *mainWindow.qvxOneInstance1;
    // The folder is published before a later copy can reach this one.
    QObject::connect(&guard, &TqvxOneInstance::InstanceTaken, [&] { PublishProgramFolder(guard, folder); });
    if (dataDir) { // a copy on another folder says so
        guard.ShowMessage = true;
        guard.OnShowMessage = [&](QObject*, bool&) { SayWhenRunningOnAnotherFolder(guard, folder); };
    }
    guard.Loaded();
    if (guard.Terminated()) return 0; // before the folder is made or seeded
    SayWhenUnguarded(guard);
    try {
        PrepareProgramFolder(folder, defaults);
        SetProgramFolder(folder);
        if (guard.HoldsInstance()) SweepLeftovers(); // what a killed copy left; no other copy runs
        OpenLanguageFile(ProgramFilePath(LanguageFileName));
    } catch (const std::exception& error) {
        ShowError(nullptr, FailureMessage(error));
        return 1;
    }
    int exitCode = 0;
    if (!EndRequested()) {
        mainWindow.show();
        exitCode = QApplication::exec();
    }
    WithdrawProgramFolder(guard);
    return exitCode;
}
