#pragma once
// TFormPrinc: the main window of the tool, titled "Orvalista S/A - Programação de Talvenors".
//
// It holds a menu and a tool bar with every command of the command table (Commands.h), the
// summary of the programming in memory (model, file, modified sections, the sections loaded), one
// button per extension whose number begins with "2" or "3" (caption: the number; it opens the
// one-extension screen) and one button per trunk of the model (it opens the trunk screen for that
// trunk). Every command, button and menu item runs the road of Commands.h; afterwards
// RefreshMainWindow rebuilds the buttons and enables the commands from the section flags.
//
// When the window first appears the serial-port setting is read (LoadSerialPortSetting; a failure
// is shown) and the login runs (Leusuari.h); a cancelled or refused login ends the program. Closing the
// window with unsaved changes (any ModifiedSections entry) asks "Deseja salvar as programações ?": Yes saves
// (the window stays open when the save does not happen), No discards. New and Open ask the same before they
// replace a changed programming. The single-instance guard qvxOneInstance1 is run by the main program
// (Centprog.cpp).

#include "app/Commands.h"
#include "app/Leusuari.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>
#include <typeindex>
#include <vector>

class QAbstractButton;
class QAction;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class TqvxOneInstance;

class TFormPrinc : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormPrinc(std::vector<TCommand> commands = CommandTable(), QWidget* parent = nullptr);
    ~TFormPrinc() override;

    TqvxOneInstance* const qvxOneInstance1;

    const std::vector<TCommand>& Commands() const { return commands_; }
    QAction* Action(TCommandId id) const;
    // The road of a command (Commands.h).
    void Run(TCommandId id, int which = AllItems) { RunCommand(*this, id, which); }

    void RefreshMainWindow();
    // Makes the extension and trunk buttons of the programming in memory.
    void CriarBotoes();
    const std::vector<QAbstractButton*>& ExtensionButtons() const { return extensionButtons_; }
    const std::vector<QAbstractButton*>& TrunkButtons() const { return trunkButtons_; }

    // The file commands, as the road calls them (the access check is done). Failures are shown;
    // the bool answers whether the programming was loaded or saved.
    void FileNew();
    bool FileOpen();
    bool FileSave(); // Save as when the programming has no file of its own (new, or a default file)
    bool FileSaveAs();
    bool OpenProgramming(const std::string& path);
    bool SaveProgramming(const std::string& path);
    bool StartNewProgramming(std::uint8_t model);
    void ManageUsers();
    void ShowAbout();

    // The login run when the window first appears (RunLogin unless replaced).
    using TLoginRunner = std::function<TLoginResult(QWidget* parent)>;
    void SetLoginRunner(TLoginRunner runner) { loginRunner_ = std::move(runner); }
    void Login();
    // True once a cancelled or refused login has ended the program.
    bool ProgramEnded() const { return programEnded_; }

    // The screens made by TCommandContext::Screen, one per window class, kept for the run.
    QWidget*& ScreenSlot(std::type_index type) { return screens_[type]; }

    // What a later start of the tool asks of this one: come to the front.
    void BringToFront();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateCentralWidget();
    QWidget* CreateSectionsBox(QWidget* parent);
    void RefreshSummary();
    void RefreshCommands();
    void ClearButtons(std::vector<QAbstractButton*>& buttons);
    QAbstractButton* AddButton(const QString& caption, const QString& tip, TCommandId command, int which);
    // Before a programming is replaced or the window closes: true when the changes are saved or
    // may be discarded.
    bool ChangesSettled();
    bool SaveChecked();
    std::string DialogFolder() const;
    void EndProgram(int exitCode);

    std::vector<TCommand> commands_;
    std::map<TCommandId, QAction*> actions_;
    std::map<std::type_index, QWidget*> screens_;
    std::vector<QAbstractButton*> extensionButtons_;
    std::vector<QAbstractButton*> trunkButtons_;
    QWidget* programmingPanel_ = nullptr;
    QLabel* emptyHint_ = nullptr;
    QGridLayout* extensionGrid_ = nullptr;
    QHBoxLayout* trunkRow_ = nullptr;
    QLabel* modelLabel_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    std::vector<std::pair<int, QLabel*>> sectionLabels_;
    QLabel* userLabel_ = nullptr;
    TLoginRunner loginRunner_ = RunLogin;
    bool loginStarted_ = false;
    bool programEnded_ = false;
};

// The main window of the run (the one made last), for the routines that reach it by name.
extern TFormPrinc* FormPrinc;

// Refreshes the main window's buttons and commands (nothing without a main window).
void RefreshMainWindow();
