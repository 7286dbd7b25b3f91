#pragma once
// The desktop services the screens and the main window call: message boxes, help, file dialogs
// and the clock.
//
// Texts given to a box are source texts marked for the language file: ShowError(this,
// LngText("...")) (platform/os/LngText.h). Each service is reached through one accessor and can be replaced
// (tests install the recording services of the end of this file). Every text is a UTF-8 source text that is
// translated through the language file at the moment it is shown; a box's title follows its kind:
//   Error "Erro", Information "Informação", Confirmation "Confirmação", Warning "Aviso",
//   Stop "PARE" (a refused access right).

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

enum class TMsgKind { Error, Information, Confirmation, Warning, Stop };

// Buttons of a box, combined with "|".
enum TMsgButtons : unsigned { mbOK = 1, mbCancel = 2, mbYes = 4, mbNo = 8, mbYesNo = mbYes | mbNo };
enum class TMsgResult { Ok, Cancel, Yes, No };

// The source text of a box's title ("Erro", ...).
const char* MessageTitle(TMsgKind kind);

// Caption helpers: the translated text as a QString. TrText drops the first "&" of a translation
// (labels, titles, messages); TrLabel keeps it (buttons and menu items with an accelerator).
QString TrText(std::string_view sourceText);
QString TrLabel(std::string_view sourceText);

// What this layer asks of the program above it, installed by the program at start-up: the two
// translation routines of its language file and the folder of its help pages. Until they are
// installed (or where one is empty) a text comes back unchanged and no help page is found.
struct TUiHooks {
    std::function<std::string(std::string_view)> TranslateText; // drops the first "&"
    std::function<std::string(std::string_view)> LookupLabel;   // keeps it
    std::function<std::string()> HelpFolder;                    // help/<context>.html inside
};
// Installs the hooks; returns the previous ones.
TUiHooks SetUiHooks(TUiHooks hooks);

class TMessageService {
public:
    virtual ~TMessageService() = default;
    // Shows a modal box and returns the button chosen (Cancel or No when the box is closed).
    virtual TMsgResult Show(QWidget* parent, TMsgKind kind, const std::string& text, unsigned buttons) = 0;
};

class THelpService {
public:
    virtual ~THelpService() = default;
    // Shows the help page of a context (13..36: one per screen).
    virtual void ShowContext(QWidget* parent, int context) = 0;
};

class TFileDialogService {
public:
    virtual ~TFileDialogService() = default;
    // The file the user picks to open or to save as; empty when the dialog is cancelled. folder:
    // where the dialog starts (a file name in it is suggested for saving); filter: e.g.
    // "Programações (*.NPX *.npx)".
    virtual std::string OpenFileName(QWidget* parent, const QString& caption, const std::string& folder,
                                     const QString& filter) = 0;
    virtual std::string SaveFileName(QWidget* parent, const QString& caption, const std::string& folder,
                                     const QString& filter) = 0;
};

class TClockService {
public:
    virtual ~TClockService() = default;
    virtual QDateTime Now() const = 0;
};

TMessageService& MessageService();
THelpService& HelpService();
TFileDialogService& FileDialogService();
TClockService& ClockService();

// Install a replacement (nullptr restores the default). Returns the previous replacement, if any.
std::unique_ptr<TMessageService> SetMessageService(std::unique_ptr<TMessageService> service);
std::unique_ptr<THelpService> SetHelpService(std::unique_ptr<THelpService> service);
std::unique_ptr<TFileDialogService> SetFileDialogService(std::unique_ptr<TFileDialogService> service);
std::unique_ptr<TClockService> SetClockService(std::unique_ptr<TClockService> service);

// Shorthands.
TMsgResult ShowMessage(QWidget* parent, TMsgKind kind, const std::string& text, unsigned buttons = mbOK);
inline void ShowError(QWidget* parent, const std::string& text) {
    ShowMessage(parent, TMsgKind::Error, text);
}
// A Yes/No question titled "Confirmação"; true for Yes.
bool AskConfirmation(QWidget* parent, const std::string& text);

// ---- Replacements for tests -------------------------------------------------------------------

// Records every box and answers from a script (then Yes for Yes/No boxes, Ok otherwise).
class TRecordingMessageService : public TMessageService {
public:
    struct Shown {
        TMsgKind kind;
        std::string text; // the source text, before translation
        unsigned buttons;
    };
    TMsgResult Show(QWidget* parent, TMsgKind kind, const std::string& text, unsigned buttons) override;
    std::vector<Shown> shown;
    std::vector<TMsgResult> answers; // consumed from the front
};

class TRecordingHelpService : public THelpService {
public:
    void ShowContext(QWidget* parent, int context) override { contexts.push_back(context); }
    std::vector<int> contexts;
};

// Answers file dialogs from a script (then as if cancelled) and records their captions.
class TScriptedFileDialogService : public TFileDialogService {
public:
    std::string OpenFileName(QWidget*, const QString& caption, const std::string&, const QString&) override {
        return Next(caption);
    }
    std::string SaveFileName(QWidget*, const QString& caption, const std::string&, const QString&) override {
        return Next(caption);
    }
    std::vector<std::string> answers; // consumed from the front
    std::vector<QString> captions;

private:
    std::string Next(const QString& caption);
};

class TFixedClockService : public TClockService {
public:
    explicit TFixedClockService(QDateTime now) : now(std::move(now)) {}
    QDateTime Now() const override { return now; }
    QDateTime now;
};

// Installs the recording services for the lifetime of the object and restores the previous ones.
class TScopedTestServices {
public:
    TScopedTestServices();
    ~TScopedTestServices();
    TScopedTestServices(const TScopedTestServices&) = delete;
    TScopedTestServices& operator=(const TScopedTestServices&) = delete;
    TRecordingMessageService& messages;
    TRecordingHelpService& help;
    TScriptedFileDialogService& files;

private:
    std::unique_ptr<TMessageService> previousMessages;
    std::unique_ptr<THelpService> previousHelp;
    std::unique_ptr<TFileDialogService> previousFiles;
};
