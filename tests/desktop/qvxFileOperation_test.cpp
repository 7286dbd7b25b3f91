// File operations on a temporary folder, with recorded dialogs; deletions that may be undone go
// to a trash inside the temporary folder.

#include "TestXdgFolders.h"
#include "desktop/qvxFileOperation.h"
#include "desktop/qvxTrash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using Flag = TqvxFileOperationFlag;
using Type = TqvxFileOperationType;
using Answer = TqvxFileOperationUi::TAnswer;

struct TRecordedUi : TqvxFileOperationUi {
    Answer replaceAnswer = Answer::Yes;
    bool deleteAnswer = true;
    bool makeFolderAnswer = true;
    int cancelAtProgress = -1;
    QStringList log;

    Answer ConfirmReplace(const QString& target) override {
        log << "replace " + QDir(target).dirName();
        return replaceAnswer;
    }
    bool ConfirmDelete(int count, bool toTrash) override {
        log << QString("delete %1%2").arg(count).arg(toTrash ? " to trash" : "");
        return deleteAnswer;
    }
    bool ConfirmMakeFolder(const QString& folder) override {
        log << "mkdir " + QDir(folder).dirName();
        return makeFolderAnswer;
    }
    void ShowError(const QString& text) override { log << "error " + text; }
    bool Progress(const QString& title, const QString& name, int done, int total) override {
        log << QString("progress %1 %2 %3/%4").arg(title, name).arg(done).arg(total);
        return done != cancelAtProgress;
    }
    void Finished() override {}
};

class FileOperation : public testing::Test {
protected:
    void SetUp() override {
        auto recorded = std::make_unique<TRecordedUi>();
        ui = recorded.get();
        op.SetUi(std::move(recorded));
        op.Options = {Flag::fofSilent, Flag::fofNoConfirmMkDir};
        op.OnError = [this](QObject* sender, const QString& text, bool& handled) {
            EXPECT_EQ(sender, &op);
            EXPECT_FALSE(handled);
            errors << text;
        };
    }

    QString Path(const std::string& name) const { return xdg.Path("files/" + name); }
    void Write(const std::string& name, const std::string& text = "x") {
        xdg.Root().Write("files/" + name, text);
    }
    std::string Read(const std::string& name) const { return xdg.Root().Read("files/" + name); }
    bool Exists(const std::string& name) const { return xdg.Root().Exists("files/" + name); }
    QStringList Names(const std::string& folder) const {
        return QDir(Path(folder))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    TTestXdgFolders xdg;
    TqvxFileOperation op;
    TRecordedUi* ui = nullptr;
    QStringList errors;
};

TEST_F(FileOperation, EmptyListOrDesignStateAnswersFalseAndDoesNothing) {
    EXPECT_FALSE(op.Execute(Type::fotCopy));
    Write("a.txt");
    op.FileList = {Path("a.txt")};
    op.SetDesigning(true);
    EXPECT_FALSE(op.Execute(Type::fotDelete));
    EXPECT_TRUE(Exists("a.txt"));
    EXPECT_TRUE(ui->log.isEmpty());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(FileOperation, LineWithDestinationCopiesIntoDestFolderUnderItsName) {
    Write("a.txt", "alpha");
    op.FileList = {Path("a.txt") + "=b.txt"};
    op.DestFolder = Path("out");
    ASSERT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_EQ(Read("out/b.txt"), "alpha");
    EXPECT_EQ(Read("a.txt"), "alpha");
    EXPECT_EQ(Names("out"), QStringList{"b.txt"}); // no temporary file left behind
}

TEST_F(FileOperation, DestinationMaskTakesTheSourcesNameAndEveryLineItsOwnTarget) {
    Write("x.txt", "1");
    Write("y.txt", "2");
    op.FileList = {Path("x.txt") + "=" + Path("bak/*.bak"), Path("y.txt") + "=" + Path("other/z.*")};
    ASSERT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_EQ(Read("bak/x.bak"), "1");
    EXPECT_EQ(Read("other/z.txt"), "2");
}

TEST_F(FileOperation, WildcardsSelectFilesOnlyWhenAsked) {
    Write("in/a.log");
    Write("in/b.log");
    Write("in/c.txt");
    Write("in/d.log/inner.txt"); // a folder matching the pattern
    op.FileList = {Path("in/*.log")};
    op.DestFolder = Path("out");
    op.Options = op.Options + Flag::fofFilesOnly;
    ASSERT_TRUE(op.Execute(Type::fotMove));
    EXPECT_EQ(Names("out"), (QStringList{"a.log", "b.log"}));
    EXPECT_EQ(Names("in"), (QStringList{"c.txt", "d.log"}));

    op.Options = op.Options - Flag::fofFilesOnly;
    op.DestFolder = Path("out2");
    ASSERT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_EQ(Read("out2/d.log/inner.txt"), "x");

    op.FileList = {Path("*.none")}; // matching nothing is no error
    EXPECT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(FileOperation, CollisionTakesAFreeNameWhenAsked) {
    Write("a.txt", "new");
    Write("out/a.txt", "old");
    Write("out/a (2).txt", "older");
    op.FileList = {Path("a.txt")};
    op.DestFolder = Path("out");
    op.Options = op.Options + Flag::fofRenameCollision;
    ASSERT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_EQ(Read("out/a.txt"), "old");
    EXPECT_EQ(Read("out/a (3).txt"), "new");
}

TEST_F(FileOperation, CollisionAsksBeforeReplacing) {
    Write("a.txt", "new");
    Write("b.txt", "new b");
    Write("out/a.txt", "old");
    Write("out/b.txt", "old b");
    op.FileList = {Path("a.txt"), Path("b.txt")};
    op.DestFolder = Path("out");
    ui->replaceAnswer = Answer::No;
    ASSERT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_EQ(Read("out/a.txt"), "old");
    ui->replaceAnswer = Answer::YesToAll;
    ASSERT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_EQ(Read("out/a.txt"), "new");
    EXPECT_EQ(Read("out/b.txt"), "new b");
    EXPECT_EQ(ui->log.filter("replace").size(), 3); // a, b, then a once for all
}

TEST_F(FileOperation, CancelStopsAndReachesOnError) {
    Write("a.txt", "new");
    Write("out/a.txt", "old");
    op.FileList = {Path("a.txt")};
    op.DestFolder = Path("out");
    ui->replaceAnswer = Answer::Cancel;
    EXPECT_FALSE(op.Execute(Type::fotCopy));
    EXPECT_EQ(Read("out/a.txt"), "old");
    EXPECT_EQ(errors, QStringList{op.ErrorText(ECANCELED)});
    EXPECT_TRUE(ui->log.filter("error").isEmpty()); // a cancel is not shown as an error
}

TEST_F(FileOperation, MissingFolderIsMadeAfterConfirmation) {
    Write("a.txt");
    op.FileList = {Path("a.txt")};
    op.DestFolder = Path("new/deeper");
    op.Options = {Flag::fofSilent};
    ui->makeFolderAnswer = false;
    EXPECT_FALSE(op.Execute(Type::fotCopy));
    EXPECT_FALSE(Exists("new"));
    ui->makeFolderAnswer = true;
    EXPECT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_TRUE(Exists("new/deeper/a.txt"));
    EXPECT_EQ(ui->log, (QStringList{"mkdir deeper", "mkdir deeper"}));
}

TEST_F(FileOperation, DeleteWithUndoLandsInTheTrashWithItsOrigin) {
    Write("a.txt", "keep me");
    Write("sub/a.txt", "me too");
    op.FileList = {Path("a.txt"), Path("sub/a.txt")};
    op.Options = {Flag::fofAllowUndo, Flag::fofSilent};
    ASSERT_TRUE(op.Execute(Type::fotDelete));
    EXPECT_FALSE(Exists("a.txt"));
    EXPECT_EQ(ui->log, QStringList{"delete 2 to trash"});
    const std::string trash = "user-data/Trash/";
    EXPECT_EQ(xdg.Root().Read(trash + "files/a.txt"), "keep me");
    EXPECT_EQ(xdg.Root().Read(trash + "files/a.2.txt"), "me too");
    const std::string info = xdg.Root().Read(trash + "info/a.txt.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + Path("a.txt").toStdString() + "\nDeletionDate=", 0), 0u)
        << info;
}

TEST_F(FileOperation, DeleteWithoutUndoRemovesFoldersWholeAndHonoursARefusal) {
    Write("tree/a/b.txt");
    op.FileList = {Path("tree")};
    ui->deleteAnswer = false;
    EXPECT_FALSE(op.Execute(Type::fotDelete));
    EXPECT_TRUE(Exists("tree/a/b.txt"));
    ui->deleteAnswer = true;
    EXPECT_TRUE(op.Execute(Type::fotDelete));
    EXPECT_FALSE(Exists("tree"));
    EXPECT_FALSE(xdg.Root().Exists("user-data/Trash"));
}

TEST_F(FileOperation, RenameTakesTheNewNameInTheSourcesFolder) {
    Write("dir/old.txt", "v");
    op.FileList = {Path("dir/old.txt")};
    op.DestFolder = "new.txt";
    ASSERT_TRUE(op.Execute(Type::fotRename));
    EXPECT_EQ(Names("dir"), QStringList{"new.txt"});
}

TEST_F(FileOperation, MissingSourceReachesOnErrorWithTheSystemsText) {
    op.FileList = {Path("ghost.txt")};
    op.DestFolder = Path("out");
    EXPECT_FALSE(op.Execute(Type::fotCopy));
    EXPECT_EQ(errors, QStringList{op.ErrorText(ENOENT)});
    EXPECT_EQ(ui->log.filter("error").size(), 1);
    op.Options = op.Options + Flag::fofNoErrorUI;
    EXPECT_FALSE(op.Execute(Type::fotCopy));
    EXPECT_EQ(ui->log.filter("error").size(), 1);
}

TEST_F(FileOperation, FolderIsNeverCopiedIntoItself) {
    Write("tree/a.txt");
    op.FileList = {Path("tree")};
    op.DestFolder = Path("tree/inner");
    EXPECT_FALSE(op.Execute(Type::fotCopy));
    EXPECT_EQ(errors, QStringList{op.ErrorText(EINVAL)});
    EXPECT_FALSE(Exists("tree/inner"));
}

// The target reaches the folder through a symbolic link: the copy would copy itself without end.
TEST_F(FileOperation, FolderIsNeverCopiedOrMovedIntoItselfThroughALink) {
    for (Type type : {Type::fotCopy, Type::fotMove}) {
        SCOPED_TRACE(type == Type::fotCopy ? "copy" : "move");
        Write("tree/a.txt");
        Write("tree/sub/b.txt");
        ASSERT_TRUE(QFile::link(Path("tree"), Path("link")));
        errors.clear();
        op.Options = {Flag::fofSilent, Flag::fofNoConfirmation};
        op.FileList = {Path("tree")};
        op.DestFolder = Path("link/inner");
        EXPECT_FALSE(op.Execute(type));
        EXPECT_EQ(errors, QStringList{op.ErrorText(EINVAL)});
        EXPECT_EQ(Names("tree"), (QStringList{"a.txt", "sub"}));
        QDir(Path("")).removeRecursively();
    }
}

// A link to a folder is copied as a link: copying it into that folder copies nothing of the folder.
TEST_F(FileOperation, ALinkToAFolderMayBeCopiedIntoTheFolder) {
    Write("tree/a.txt");
    ASSERT_TRUE(QFile::link(Path("tree"), Path("link")));
    op.FileList = {Path("link")};
    op.DestFolder = Path("tree");
    EXPECT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(QFileInfo(Path("tree/link")).symLinkTarget(), Path("tree"));
}

TEST_F(FileOperation, ProgressNamesEachFileUnlessSimplifiedAndMayCancel) {
    Write("a.txt");
    Write("b.txt");
    op.FileList = {Path("a.txt"), Path("b.txt")};
    op.DestFolder = Path("out");
    op.ProgressTitle = "Copiando";
    op.Options = {Flag::fofNoConfirmMkDir};
    ASSERT_TRUE(op.Execute(Type::fotCopy));
    EXPECT_EQ(ui->log, (QStringList{"progress Copiando a.txt 0/2", "progress Copiando b.txt 1/2"}));
    ui->log.clear();
    ui->cancelAtProgress = 1;
    op.Options = {Flag::fofSimpleProgress, Flag::fofRenameCollision};
    EXPECT_FALSE(op.Execute(Type::fotCopy));
    EXPECT_EQ(ui->log, (QStringList{"progress Copiando  0/2", "progress Copiando  1/2"}));
    EXPECT_EQ(Names("out"), (QStringList{"a (2).txt", "a.txt", "b.txt"}));
}

} // namespace
