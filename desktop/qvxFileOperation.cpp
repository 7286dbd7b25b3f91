#include "desktop/qvxFileOperation.h"

#include "desktop/qvxSysUtils.h"
#include "desktop/qvxTrash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>

namespace fs = std::filesystem;
using Flag = TqvxFileOperationFlag;
using Answer = TqvxFileOperationUi::TAnswer;

namespace {

constexpr int MaxErrorTextLength = 1024;
constexpr int MaxCollisionTries = 10000;

// A failure inside the operation: the error number and the file it concerns.
struct TFailure {
    int code;
    QString path;
};

[[noreturn]] void Fail(int code, const QString& path) {
    throw TFailure{code, path};
}

void Check(const std::error_code& error, const QString& path) {
    if (error) Fail(error.value(), path);
}

fs::path Native(const QString& path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

bool Exists(const QString& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(Native(path), ignored));
}

bool IsFolder(const QString& path) {
    std::error_code ignored;
    return fs::is_directory(Native(path), ignored);
}

// The path with every symbolic link on the way resolved (the part that does not exist yet kept as
// written); a link at the end itself is kept when `keepLastLink`.
fs::path Resolved(const QString& path, bool keepLastLink) {
    std::error_code ignored;
    const fs::path absolute = fs::absolute(Native(path), ignored).lexically_normal();
    const fs::path last = absolute.has_filename() ? absolute : absolute.parent_path();
    if (keepLastLink && fs::is_symlink(fs::symlink_status(last, ignored)))
        return fs::weakly_canonical(last.parent_path(), ignored) / last.filename();
    return fs::weakly_canonical(absolute, ignored);
}

// Whether path lies inside folder (a folder cannot be copied or moved into itself), also when a
// symbolic link leads there. A folder that is a link is copied and moved as the link itself.
bool Inside(const QString& path, const QString& folder) {
    const fs::path resolved = Resolved(path, false);
    const fs::path root = Resolved(folder, true);
    auto [rootEnd, at] = std::mismatch(root.begin(), root.end(), resolved.begin(), resolved.end());
    return rootEnd == root.end() && at != resolved.end();
}

bool HasWildcard(const QString& name) {
    return name.contains('*') || name.contains('?');
}

// One file to handle: its source and its full target (unused for deletions).
struct TItem {
    QString source;
    QString target;
};

// The sources a pattern stands for, sorted; the source itself when it has no wildcard.
QStringList Expand(const QString& source, bool filesOnly) {
    const QString name = qvxExtractName(source);
    if (!HasWildcard(name)) return {source};
    const QString folder = qvxExtractPath(source);
    const QByteArray pattern = QFile::encodeName(name);
    QStringList matches;
    const QDir::Filters filter = (filesOnly ? QDir::Files : QDir::Files | QDir::Dirs) | QDir::Hidden |
                                 QDir::System | QDir::NoDotAndDotDot;
    for (const QString& entry : QDir(folder.isEmpty() ? "." : folder).entryList(filter, QDir::Name))
        if (::fnmatch(pattern.constData(), QFile::encodeName(entry).constData(), 0) == 0)
            matches << folder + entry;
    return matches;
}

// "name (2).ext", "name (3).ext", ... : the first name not taken.
QString FreeName(const QString& target) {
    const QString folder = qvxExtractPath(target);
    const QString base = qvxNameWithoutExt(target), ext = qvxExtractExt(target);
    for (int n = 2; n < MaxCollisionTries; ++n) {
        const QString candidate = folder + base + " (" + QString::number(n) + ")" + ext;
        if (!Exists(candidate)) return candidate;
    }
    Fail(EEXIST, target);
}

// Copies a file under a temporary name beside the target, then renames it into place.
void CopyFile(const QString& source, const QString& target) {
    const QString temporary = qvxExtractPath(target) + ".~" + qvxExtractName(target) + ".part";
    std::error_code error;
    fs::copy_file(Native(source), Native(temporary), fs::copy_options::overwrite_existing, error);
    if (!error) fs::rename(Native(temporary), Native(target), error);
    if (error) {
        std::error_code ignored;
        fs::remove(Native(temporary), ignored);
        Fail(error.value(), target);
    }
}

void CopyEntry(const QString& source, const QString& target) {
    if (!IsFolder(source)) return CopyFile(source, target);
    std::error_code error;
    fs::copy(Native(source), Native(target),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing |
                 fs::copy_options::copy_symlinks,
             error);
    Check(error, target);
}

void MoveEntry(const QString& source, const QString& target) {
    std::error_code error;
    fs::rename(Native(source), Native(target), error);
    if (error == std::errc::cross_device_link || error == std::errc::directory_not_empty ||
        error == std::errc::file_exists) {
        CopyEntry(source, target);
        error.clear();
        fs::remove_all(Native(source), error);
    }
    Check(error, source);
}

// One run of an operation over its items.
class TRun {
public:
    TRun(TqvxFileOperationType type, TqvxFileOperationFlags options, TqvxFileOperationUi& ui, QString title)
        : type_(type), options_(options), ui_(ui), title_(std::move(title)) {}

    void Run(const QList<TItem>& items) {
        if (type_ == TqvxFileOperationType::fotDelete && !Has(Flag::fofNoConfirmation) &&
            !ui_.ConfirmDelete(items.size(), Has(Flag::fofAllowUndo)))
            Fail(ECANCELED, {});
        for (int i = 0; i < items.size(); ++i) {
            ShowProgress(items[i].source, i, items.size());
            Handle(items[i]);
        }
    }

private:
    bool Has(Flag flag) const { return options_.Contains(flag); }

    void ShowProgress(const QString& source, int done, int total) {
        if (Has(Flag::fofSilent)) return;
        const QString name = Has(Flag::fofSimpleProgress) ? QString() : qvxExtractName(source);
        if (!ui_.Progress(title_, name, done, total)) Fail(ECANCELED, source);
    }

    void Handle(const TItem& item) {
        if (!Exists(item.source)) Fail(ENOENT, item.source);
        if (type_ == TqvxFileOperationType::fotDelete) return Delete(item.source);
        QString target = item.target;
        if (!PrepareTarget(item.source, target)) return;
        if (type_ == TqvxFileOperationType::fotCopy)
            CopyEntry(item.source, target);
        else
            MoveEntry(item.source, target);
    }

    void Delete(const QString& source) {
        std::error_code error;
        if (Has(Flag::fofAllowUndo))
            error = qvxMoveToTrash(source);
        else
            fs::remove_all(Native(source), error);
        Check(error, source);
    }

    // Makes the target's folder and settles a collision; false when the item is skipped.
    bool PrepareTarget(const QString& source, QString& target) {
        if (IsFolder(source) && Inside(target, source)) Fail(EINVAL, target);
        MakeFolder(qvxExtractPath(target));
        if (!Exists(target)) return true;
        if (Has(Flag::fofRenameCollision)) {
            target = FreeName(target);
            return true;
        }
        std::error_code ignored;
        if (fs::equivalent(Native(source), Native(target), ignored)) Fail(EEXIST, target);
        if (IsFolder(source) != IsFolder(target)) Fail(IsFolder(target) ? EISDIR : ENOTDIR, target);
        return ConfirmReplace(target);
    }

    bool ConfirmReplace(const QString& target) {
        if (replaceAll_ || Has(Flag::fofNoConfirmation)) return true;
        switch (ui_.ConfirmReplace(target)) {
        case Answer::YesToAll:
            replaceAll_ = true;
            return true;
        case Answer::Yes:
            return true;
        case Answer::No:
            return false;
        case Answer::Cancel:
            break;
        }
        Fail(ECANCELED, target);
    }

    void MakeFolder(const QString& folder) {
        if (folder.isEmpty() || IsFolder(folder)) return;
        const bool ask = !Has(Flag::fofNoConfirmMkDir) && !Has(Flag::fofNoConfirmation);
        if (ask && !ui_.ConfirmMakeFolder(folder)) Fail(ECANCELED, folder);
        std::error_code error;
        fs::create_directories(Native(folder), error);
        Check(error, folder);
    }

    TqvxFileOperationType type_;
    TqvxFileOperationFlags options_;
    TqvxFileOperationUi& ui_;
    QString title_;
    bool replaceAll_ = false;
};

// The items of the list: sources expanded, targets completed (see the header).
QList<TItem> Items(const QStringList& lines, const QString& destFolder, TqvxFileOperationType type,
                   bool filesOnly) {
    const bool multiple =
        std::any_of(lines.begin(), lines.end(), [](const QString& l) { return l.contains('='); });
    QList<TItem> items;
    for (const QString& line : lines) {
        if (line.isEmpty()) continue;
        const qsizetype equals = multiple ? line.indexOf('=') : -1;
        const QString source = equals < 0 ? line : line.left(equals);
        QString mask;
        if (multiple) {
            mask = equals < 0 ? QString() : line.mid(equals + 1);
            if (!destFolder.isEmpty()) mask = qvxMakeFullName(destFolder, mask);
        } else if (type == TqvxFileOperationType::fotRename) {
            mask = destFolder;
        } else if (!destFolder.isEmpty()) {
            mask = qvxIncludeBackslash(destFolder);
        }
        for (const QString& each : Expand(source, filesOnly))
            items.append({each, qvxTargetFileName(each, mask)});
    }
    return items;
}

class TDialogs : public TqvxFileOperationUi {
public:
    explicit TDialogs(QWidget* owner) : owner_(owner) {}

    TAnswer ConfirmReplace(const QString& target) override {
        const QString text = QString("The folder \"%1\" already contains a file named \"%2\".\n\n"
                                     "Do you want to replace it?")
                                 .arg(QFileInfo(target).absolutePath(), qvxExtractName(target));
        const auto button =
            Ask("Confirm File Replace", text,
                QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel);
        if (button == QMessageBox::YesToAll) return TAnswer::YesToAll;
        if (button == QMessageBox::Yes) return TAnswer::Yes;
        return button == QMessageBox::No ? TAnswer::No : TAnswer::Cancel;
    }

    bool ConfirmDelete(int count, bool toTrash) override {
        const QString text = toTrash ? QString("Are you sure you want to move these %1 items to the trash?")
                                     : QString("Are you sure you want to delete these %1 items for good?");
        return Ask("Confirm Delete", text.arg(count), QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

    bool ConfirmMakeFolder(const QString& folder) override {
        const QString text =
            QString("The folder \"%1\" does not exist.\n\nDo you want to create it?").arg(folder);
        return Ask("Confirm Folder Create", text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

    void ShowError(const QString& text) override {
        Ask("Error", text, QMessageBox::Ok, QMessageBox::Critical);
    }

    bool Progress(const QString& title, const QString& name, int done, int total) override {
        if (!progress_) {
            progress_ = std::make_unique<QProgressDialog>(owner_);
            progress_->setWindowTitle(title);
            progress_->setMinimumDuration(500);
            progress_->setRange(0, total);
        }
        progress_->setLabelText(name);
        progress_->setValue(done);
        QCoreApplication::processEvents();
        return !progress_->wasCanceled();
    }

    void Finished() override { progress_.reset(); }

private:
    // A message box on the owner. The progress dialog goes (the next step makes a new one): it
    // would otherwise show itself over the box when its delay runs out.
    QMessageBox::StandardButton Ask(const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon icon = QMessageBox::Question) {
        progress_.reset();
        QMessageBox box(icon, caption, text, buttons, owner_);
        return QMessageBox::StandardButton(box.exec());
    }

    QPointer<QWidget> owner_;
    std::unique_ptr<QProgressDialog> progress_;
};

} // namespace

std::unique_ptr<TqvxFileOperationUi> qvxFileOperationDialogs(QWidget* owner) {
    return std::make_unique<TDialogs>(owner);
}

TqvxFileOperation::TqvxFileOperation(QObject* owner) : TqvxComponent(owner) {}

TqvxFileOperation::~TqvxFileOperation() = default;

void TqvxFileOperation::SetUi(std::unique_ptr<TqvxFileOperationUi> ui) {
    ui_ = std::move(ui);
}

bool TqvxFileOperation::Execute(TqvxFileOperationType operation) {
    if (Designing() || FileList.isEmpty()) return false;
    if (!ui_) ui_ = qvxFileOperationDialogs(qobject_cast<QWidget*>(parent()));
    const QList<TItem> items = Items(FileList, DestFolder, operation, Options.Contains(Flag::fofFilesOnly));
    try {
        TRun(operation, Options, *ui_, ProgressTitle).Run(items);
        ui_->Finished();
        return true;
    } catch (const TFailure& failure) {
        ui_->Finished();
        const QString text = ErrorText(failure.code);
        if (!Options.Contains(Flag::fofNoErrorUI) && failure.code != ECANCELED)
            ui_->ShowError(failure.path.isEmpty() ? text : failure.path + ": " + text);
        DoError(text);
        return false;
    }
}

QString TqvxFileOperation::ErrorText(int code) {
    return QString::fromLocal8Bit(std::strerror(code)).left(MaxErrorTextLength);
}

void TqvxFileOperation::DoError(const QString& text) {
    bool handled = false;
    if (OnError) OnError(this, text, handled);
}

bool TqvxFileOperation::Execute() {
    return Execute(Operation);
}
