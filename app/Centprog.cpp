// The main program.
//
//   centrprg [--data-dir DIR]
//   centrprg --help
//
// Start-up: the command line is read (app/CommandLine.h): --help prints the usage and ends. Without
// a display the start ends with a message (app/Display.h). The system locale is pinned
// (platform/ui/ToolLocale.h) and the QApplication made. The program folder is chosen
// (core/ProgramFolder.h) and a language file opened (the folder's, else the defaults'); the main
// window is made (its screens are made when first used and kept for the run) under the title
// "Orvalista S/A - Programação de Talvenors"; its single-instance guard runs: a second start asks
// the running tool to come to the front and ends here, with exit code 0, without making or seeding
// its folder and without showing anything, but for a box when it was given a folder (--data-dir)
// other than the one the running copy works on (app/InstanceFolder.h); a start whose guard can make
// no lock says so in a box and runs. The copy that runs takes the program folder's use, sweeping
// what killed copies left when no other copy uses the folder (core/ProgramFolderUse.h; a copy that holds
// the guard's lock does so before it publishes its folder, app/InstanceFolder.h). Then the folder
// is made and seeded, its language file opened for the run, the window shown, the login run once it
// is on the screen, and the message loop runs until the window closes.
//
// Exit codes: 0 normally (also after --help, a cancelled login, as a second start or ended by
// SIGINT, SIGTERM or SIGHUP, app/EndSignals.h), 1 after a refused login, a failed start-up or
// without a display, 2 on a bad command line.
//
// Environment: CENTRPRG_LOGIN scripts the login (app/Leusuari.h); QT_LOGGING_RULES=
// "qvx.instance.info=true" reports the single-instance guard's steps on stderr.

#include "app/AppHooks.h"
#include "app/CommandLine.h"
#include "app/Display.h"
#include "app/EndSignals.h"
#include "app/InstanceFolder.h"
#include "app/prgmain.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/ProgramFolderUse.h"
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
#include <vector>

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv, argv + argc);
    if (ParseCommandLine(arguments).help) { // before anything else, with or without a display
        std::cout << UsageText() << "\n";
        return 0;
    }
    if (NoDisplayNamed(arguments)) {
        std::cerr << NoDisplayMessage() << "\n";
        return 1;
    }
    PinSystemLocale(); // Qt's dialogs show dates, sizes and numbers as the tool does
    std::optional<TDisplayFailure> displayFailure(std::in_place);
    QApplication application(argc, argv);
    displayFailure.reset();
    EndOnEndSignals();
    InstallAppHooks();
    InstallChordFilter();             // a chord types nothing in any field
    const TToolkitTexts toolkitTexts; // the toolkit's own dialogs speak the tool's language
    std::vector<std::string> left;    // what Qt left of the arguments
    for (const QString& argument : QApplication::arguments()) left.push_back(argument.toStdString());
    const TCommandLine line = ParseCommandLine(left);
    if (line.bad) {
        std::cerr << UsageText() << "\n";
        return 2;
    }
    const std::optional<std::string>& dataDir = line.dataDir;
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
    std::optional<TProgramFolderUse> folderUse; // outlives the window and what it writes
    TFormPrinc mainWindow;
    TqvxOneInstance& guard = *mainWindow.qvxOneInstance1;
    // The copy that takes the lock takes the folder's use (sweeping what killed copies left) and
    // then publishes the folder, before a later copy can reach it: whoever finds it up finds that
    // done.
    QObject::connect(&guard, &TqvxOneInstance::InstanceTaken, [&] {
        folderUse.emplace(folder);
        PublishProgramFolder(guard, folder);
    });
    if (dataDir) { // a copy on another folder says so
        guard.ShowMessage = true;
        guard.OnShowMessage = [&](QObject*, bool&) { SayWhenRunningOnAnotherFolder(guard, folder); };
    }
    guard.Loaded();
    if (guard.Terminated()) return 0; // before the folder is made or seeded
    SayWhenUnguarded(guard);
    if (!folderUse) folderUse.emplace(folder); // a copy without the guard uses the folder all the same
    if (!folderUse->Problem().empty()) std::cerr << "centrprg: " << folderUse->Problem() << "\n";
    try {
        PrepareProgramFolder(folder, defaults);
        SetProgramFolder(folder);
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
