#pragma once
// TqvxFileOperation: copies, moves, renames or deletes the files of a list, with the desktop's
// confirmations, progress and error messages.
//
// FileList holds one entry per line: a source, or "source=destination". Sources may hold the
// wildcards "*" and "?" in their name part (a pattern that matches nothing is no error).
//  - When some line holds "=", each line gives its own destination: the text after the first "="
//    (a line without "=" has an empty one). A destination without a folder part is put into
//    DestFolder (when set; else it stays in the source's folder); its name is then completed from
//    the source (qvxTargetFileName: "*.bak" gives the source's name with ".bak").
//  - Otherwise every line is a source, and DestFolder is the folder the sources are copied or
//    moved into, or - for a rename - the new name (in the source's folder when it has no folder).
// A deletion with fofAllowUndo moves the files to the trash (qvxTrash.h); without it they are
// removed, folders with their contents. With fofRenameCollision a copy or move onto an existing
// name takes the name "name (2).ext" (3, 4, ...); otherwise the user confirms the replacement
// (fofNoConfirmation replaces without asking). A missing destination folder is made after the
// user confirms (fofNoConfirmMkDir or fofNoConfirmation: without asking). fofFilesOnly limits
// wildcards to files. fofSilent shows no progress; fofSimpleProgress shows ProgressTitle without
// file names; fofNoErrorUI shows no error message. A copied file is written under a temporary
// name and renamed into place, so a failed copy never leaves half a file under the target name.
// A folder is never copied or moved into itself, also not through a symbolic link on the target's
// way (the error "Invalid argument" before anything is made); a source that is a link to a folder
// is copied and moved as the link.
// The operation stops at the first failure; Execute then answers false and OnError receives the
// system's text of the failure (a cancel by the user included: "Operation canceled").
// In the design state nothing is done and the answer is false.

#include "desktop/qvxComponents.h"
#include "platform/ui/EnumSet.h"

#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

enum class TqvxFileOperationType { fotCopy, fotDelete, fotMove, fotRename };
enum class TqvxFileOperationFlag {
    fofAllowUndo,
    fofFilesOnly,
    fofNoConfirmation,
    fofNoConfirmMkDir,
    fofNoErrorUI,
    fofRenameCollision,
    fofSilent,
    fofSimpleProgress
};
using TqvxFileOperationFlags = TSet<TqvxFileOperationFlag>;
using TqvxFileOperationEvent = std::function<void(QObject* sender, const QString& s, bool& handled)>;

// The dialogs of a file operation; tests replace them.
class TqvxFileOperationUi {
public:
    enum class TAnswer { Yes, YesToAll, No, Cancel };
    virtual ~TqvxFileOperationUi() = default;
    virtual TAnswer ConfirmReplace(const QString& target) = 0;
    virtual bool ConfirmDelete(int count, bool toTrash) = 0;
    virtual bool ConfirmMakeFolder(const QString& folder) = 0;
    virtual void ShowError(const QString& text) = 0;
    // Shows the progress (name empty for the simplified one); false when the user cancels.
    virtual bool Progress(const QString& title, const QString& name, int done, int total) = 0;
    virtual void Finished() = 0;
};

// Message boxes and a progress dialog on the owner window (or none).
std::unique_ptr<TqvxFileOperationUi> qvxFileOperationDialogs(QWidget* owner);

class TqvxFileOperation : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxFileOperation(QObject* owner = nullptr);
    ~TqvxFileOperation() override;

    QStringList FileList;
    QString DestFolder;
    QString ProgressTitle;
    TqvxFileOperationType Operation = TqvxFileOperationType::fotCopy;
    TqvxFileOperationFlags Options{TqvxFileOperationFlag::fofAllowUndo, TqvxFileOperationFlag::fofFilesOnly,
                                   TqvxFileOperationFlag::fofRenameCollision};
    TqvxFileOperationEvent OnError;

    // Replaces the dialogs (by default those of qvxFileOperationDialogs on the owner window).
    void SetUi(std::unique_ptr<TqvxFileOperationUi> ui);

    // True when every file was handled; false for an empty list.
    virtual bool Execute(TqvxFileOperationType operation);
    // The system's text of an error number.
    virtual QString ErrorText(int code);
    virtual void DoError(const QString& text);
    virtual bool Execute(); // with Operation

private:
    std::unique_ptr<TqvxFileOperationUi> ui_;
};
